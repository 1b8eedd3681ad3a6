#!/usr/bin/env python3
"""Prints qarn_bench's JSON (with repetitions) as a table: each event's median time, its
time per vertex, the median of the floor its label names for the same figure, and the
ratio of the two. CPU time is the column compared: on a shared machine wall time mostly
measures the neighbours; the wall-clock median is printed beside it."""
import json
import sys


def medians(report):
    rows = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"].removesuffix("/real_time")
        rows[name] = b
    return rows


def to_ms(b, key):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b[key] * scale


def main(path):
    with open(path) as f:
        report = json.load(f)
    rows = medians(report)
    print(f"{'event':42} {'cpu ms':>10} {'wall ms':>10} {'ns/vertex':>10} {'floor ms':>10} {'ratio':>7}")
    for name, b in rows.items():
        parts = name.split("/")
        event, vertices, layout = parts[0], int(parts[1]), parts[2]
        cpu = to_ms(b, "cpu_time")
        wall = to_ms(b, "real_time")
        per_vertex = f"{cpu * 1e6 / vertices:10.2f}" if vertices else f"{'-':>10}"
        floor_name = b.get("label", "")
        floor_ms = ratio = f"{'-':>10}"
        if floor_name:
            # A label with a slash names its floor in full; else the same figure's floor.
            floor = rows.get(floor_name if "/" in floor_name else f"{floor_name}/{vertices}/{layout}")
            if floor:
                f_ms = to_ms(floor, "cpu_time")
                floor_ms = f"{f_ms:10.3f}"
                ratio = f"{cpu / f_ms:7.2f}" if f_ms > 0 else f"{'-':>7}"
        extra = f"  peak {b['peak_MiB']:.0f} MiB" if "peak_MiB" in b else ""
        print(f"{name:42} {cpu:10.3f} {wall:10.3f} {per_vertex} {floor_ms:>10} {ratio:>7}{extra}")


if __name__ == "__main__":
    main(sys.argv[1])
