#!/usr/bin/python3
"""Compares the drawing-case pictures of two GDI implementations, case by case.

usage: compare_gdi_dumps.py LINUX_DIR RUNTIME_DIR [--max-pixels N] [--known FILE]

Prints one block per case that differs: the pixels that differ with what each side
drew there, and both pictures side by side. The last line is
"GDI dumps: N cases, M identical, K differ (L known), J missing", with ", S stale" when
some listed cases no longer differ. The known differences are the cases listed in FILE
(by default gdi/known_differences.txt beside this script), one "case name: reason" a
line. Exit status: 0 when every case is identical or a known difference, 1 when another
differs, some are missing or a listed case is drawn the same (the list keeps only
differences that still exist), 2 on unreadable input.
"""
import os
import sys


def parse(path):
    case = {"name": None, "size": None, "notes": [], "rows": []}
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line.startswith("case "):
                case["name"] = line[5:]
            elif line.startswith("size "):
                w, h = line[5:].split()
                case["size"] = (int(w), int(h))
            elif line.startswith("row "):
                case["rows"].append(line[4:])
            elif line:
                case["notes"].append(line)
    if case["name"] is None or case["size"] is None or len(case["rows"]) != case["size"][1]:
        raise ValueError(f"{path}: not a case picture")
    return case


def known_differences(path):
    """{case name: reason} from lines "case name: reason"; '#' starts a comment."""
    known = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            name, sep, reason = line.rpartition(":")
            if not sep or not name.strip() or not reason.strip():
                raise ValueError(f"{path}:{number}: expected 'case name: reason'")
            known[name.strip()] = reason.strip()
    return known


def index(folder):
    with open(os.path.join(folder, "index.txt"), encoding="utf-8") as f:
        return [l.strip() for l in f if l.strip()]


def differing_pixels(a, b):
    out = []
    for y, (ra, rb) in enumerate(zip(a["rows"], b["rows"])):
        for x, (ca, cb) in enumerate(zip(ra, rb)):
            if ca != cb:
                out.append((x, y, ca, cb))
    return out


def compare(linux_dir, runtime_dir, max_pixels=40, out=sys.stdout, known=None):
    """Returns (cases, identical, differing names, missing names, stale names); the
    differing names leave out the known differences, the stale names are the listed
    cases drawn the same (or not drawn)."""
    known = known or {}
    known_seen = []
    files = index(linux_dir)
    runtime_files = set(index(runtime_dir))
    identical, differ, missing = 0, [], []
    for name in files:
        if name not in runtime_files:
            missing.append(name)
            print(f"MISSING {name}: not drawn by the runtime", file=out)
            continue
        a = parse(os.path.join(linux_dir, name))
        b = parse(os.path.join(runtime_dir, name))
        if a["size"] != b["size"]:
            differ.append(a["name"])
            print(f"DIFF {a['name']}: sizes {a['size']} (linux) and {b['size']} (runtime)", file=out)
            continue
        pixels = differing_pixels(a, b)
        notes_differ = a["notes"] != b["notes"]
        if not pixels and not notes_differ:
            identical += 1
            continue
        if a["name"] in known:
            known_seen.append(a["name"])
            print(f"KNOWN {a['name']}: {len(pixels)} pixels differ ({known[a['name']]})", file=out)
            continue
        differ.append(a["name"])
        listed = " ".join(f"({x},{y}) linux={ca} runtime={cb}" for x, y, ca, cb in pixels[:max_pixels])
        more = f" ... and {len(pixels) - max_pixels} more" if len(pixels) > max_pixels else ""
        print(f"DIFF {a['name']}: {len(pixels)} pixels differ: {listed}{more}", file=out)
        if notes_differ:
            print(f"  linux notes {a['notes']}, runtime notes {b['notes']}", file=out)
        width = a["size"][0]
        print(f"  {'linux'.ljust(width)}   runtime", file=out)
        for ra, rb in zip(a["rows"], b["rows"]):
            print(f"  {ra}   {rb}", file=out)
    extra = sorted(runtime_files - set(files))
    for name in extra:
        print(f"MISSING {name}: not drawn by the Linux layer", file=out)
        missing.append(name)
    stale = sorted(set(known) - set(known_seen))
    for name in stale:
        print(f"STALE {name}: listed as a known difference but drawn the same (or not drawn)", file=out)
    print(f"GDI dumps: {len(files)} cases, {identical} identical, {len(differ) + len(known_seen)} differ "
          f"({len(known_seen)} known), {len(missing)} missing" + (f", {len(stale)} stale" if stale else ""),
          file=out)
    return len(files), identical, differ, missing, stale


def main(argv):
    args, options = [], {}
    rest = argv[1:]
    while rest:
        a = rest.pop(0)
        if a in ("--max-pixels", "--known") and rest:
            options[a] = rest.pop(0)
        elif a.startswith("--"):
            print(__doc__, file=sys.stderr)
            return 2
        else:
            args.append(a)
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    max_pixels = int(options.get("--max-pixels", 40))
    known_file = options.get("--known", os.path.join(os.path.dirname(os.path.abspath(__file__)), "gdi",
                                                     "known_differences.txt"))
    try:
        known = known_differences(known_file)
        _, _, differ, missing, stale = compare(args[0], args[1], max_pixels, known=known)
    except (OSError, ValueError) as e:
        print(f"compare_gdi_dumps: {e}", file=sys.stderr)
        return 2
    return 1 if differ or missing or stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
