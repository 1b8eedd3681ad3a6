#!/usr/bin/python3
"""Compares the flattened records the end-to-end scenarios left under the Windows
runtime with those the Linux script host left for the same steps, byte for byte.

    compare_e2e_records.py WINDOWS_DIR LINUX_DIR

Prints one line per scenario, then "e2e records: N passed, M failed" and exits with 1
when any failed. When the Linux folder is missing it prints "SKIPPED: ..." and exits 0.
Where both pictures are there (NAME.bmp from Windows, NAME.png from Linux), the figures'
and the overlay's pixels must be the same too; each picture counts as one more check.
Without ImageMagick the pictures are left out with a note.
"""
import pathlib
import shutil
import struct
import subprocess
import sys


def read_hex(path):
    return bytes.fromhex("".join(path.read_text().split()))


def describe(offset, data):
    """Which part of a flattened record an offset falls in."""
    kind = struct.unpack_from("<I", data, 4)[0] if len(data) >= 8 else 0
    length = {1: 48, 5: 49, 6: 119}.get(kind, 0)
    if offset < length:
        return f"record byte {offset}"
    fields = {5: [29, 33, 37, 45], 6: [87, 95, 115]}.get(kind, [])
    starts = sorted((struct.unpack_from("<I", data, f)[0], f) for f in fields if struct.unpack_from("<I", data, f)[0])
    name = "a block"
    for start, field in starts:
        if offset >= start:
            name = f"block of field {field}, byte {offset - start}"
    return name


def compare_records(windows, linux):
    names = sorted(p.stem for p in windows.glob("*.hex")) or sorted(p.stem for p in linux.glob("*.hex"))
    passed = failed = 0
    for name in names:
        w, l = windows / f"{name}.hex", linux / f"{name}.hex"
        if not w.exists() or not l.exists():
            print(f"FAIL {name}: missing on {'Windows' if not w.exists() else 'Linux'}")
            failed += 1
            continue
        a, b = read_hex(w), read_hex(l)
        if a == b:
            print(f"PASS {name} ({len(a)} bytes)")
            passed += 1
            continue
        failed += 1
        if len(a) != len(b):
            print(f"FAIL {name}: {len(a)} bytes on Windows, {len(b)} on Linux")
        first = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), None)
        if first is not None:
            count = sum(1 for i in range(min(len(a), len(b))) if a[i] != b[i])
            print(f"FAIL {name}: {count} bytes differ, the first at {first} ({describe(first, b)}): "
                  f"Windows {a[first:first + 8].hex()}, Linux {b[first:first + 8].hex()}")
    return passed, failed


def compare_pictures(windows, linux):
    convert, compare = shutil.which("convert"), shutil.which("compare")
    if not convert or not compare:
        print("NOTE pictures not compared: ImageMagick (convert, compare) is not installed")
        return 0, 0
    passed = failed = 0
    for bmp in sorted(windows.glob("*.bmp")):
        png = linux / f"{bmp.stem}.png"
        if not png.exists():
            continue
        # A screenshot is the container's client area, with the view at (12, 8); the
        # Windows view paints a grid that the Linux host does not, so only the figures'
        # black ink is compared. An overlay picture is the view's own, and only the
        # editor's pen (red) is compared.
        overlay = bmp.stem.endswith("-overlay")
        crop = [] if overlay else ["-crop", "640x480+12+8", "+repage"]
        colour = "#FF0000" if overlay else "black"
        ink = {}
        for side, source, cut in (("windows", bmp, crop), ("linux", png, [])):
            ink[side] = windows / f"{bmp.stem}-{side}-ink.png"
            subprocess.run([convert, str(source), *cut, "-fill", "white", "+opaque", colour, str(ink[side])],
                           capture_output=True)
        diff = windows / f"{bmp.stem}-ink-diff.png"
        result = subprocess.run([compare, "-metric", "AE", str(ink["windows"]), str(ink["linux"]), str(diff)],
                                capture_output=True, text=True)
        # compare prints the count of differing pixels on stderr, possibly as "12 (0.0001)".
        words = result.stderr.strip().split()
        count = words[0] if words else "?"
        if count == "0":
            print(f"PASS {bmp.stem}: {'the overlay matches' if overlay else 'the figures match'} pixel for pixel")
            passed += 1
        else:
            print(f"FAIL {bmp.stem}: {count} pixels of the {'overlay' if overlay else 'figures'} differ between "
                  f"the Windows and Linux views (difference picture {diff})")
            failed += 1
    return passed, failed


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    windows, linux = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    if not linux.is_dir() or not any(linux.glob("*.hex")):
        print(f"SKIPPED: no Linux records in {linux} (run tests/python/test_e2e_scenarios.py in the Linux build)")
        return 0
    if not windows.is_dir():
        print(f"FAIL: no Windows records in {windows}")
        print("e2e records: 0 passed, 1 failed")
        return 1
    passed, failed = compare_records(windows, linux)
    pictures_passed, pictures_failed = compare_pictures(windows, linux)
    passed += pictures_passed
    failed += pictures_failed
    print(f"e2e records: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
