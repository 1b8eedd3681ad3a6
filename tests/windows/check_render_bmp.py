#!/usr/bin/env python3
"""Checks a picture written by qarnview.exe --render.

    check_render_bmp.py PICTURE WIDTH HEIGHT [RRGGBB:MIN_PIXELS ...]

A BMP of the given size with at least MIN_PIXELS pixels of each colour named. Prints
what is wrong and exits 1. The BMP form itself (headers, 24-bit rows, padding) is the
encoder's, tested in qarnview/bmp_file_test.cpp.
"""
import struct
import sys


def main(argv):
    path, width, height = argv[1], int(argv[2]), int(argv[3])
    wanted = [(int(c, 16), int(n)) for c, n in (a.split(":") for a in argv[4:])]
    data = open(path, "rb").read()
    problems = []
    if len(data) < 54 or data[:2] != b"BM":
        print(f"{path}: not a BMP file")
        return 1
    offset = struct.unpack_from("<I", data, 10)[0]
    w, h = struct.unpack_from("<ii", data, 18)
    if (w, abs(h)) != (width, height):
        problems.append(f"expected {width}x{height}, got {w}x{h}")
    stride = (w * 3 + 3) & ~3
    if offset + stride * abs(h) > len(data):
        problems.append("pixel rows run past the end of the file")
    if not problems:
        counts = {}
        for row in range(abs(h)):
            line = data[offset + row * stride: offset + row * stride + w * 3]
            for x in range(w):
                b, g, r = line[3 * x: 3 * x + 3]
                rgb = r << 16 | g << 8 | b
                counts[rgb] = counts.get(rgb, 0) + 1
        for colour, least in wanted:
            got = counts.get(colour, 0)
            if got < least:
                problems.append(f"expected at least {least} pixels of {colour:06x}, got {got}")
    for p in problems:
        print(f"{path}: {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
