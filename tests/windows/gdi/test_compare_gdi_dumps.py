"""The verdict of the GDI picture comparison: known differences pass, others fail."""
import os
import subprocess
import sys

import pytest

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "compare_gdi_dumps.py")


def write_dump(folder, cases):
    folder.mkdir(parents=True)
    for name, rows in cases.items():
        (folder / name).write_text(f"case {name}\nsize {len(rows[0])} {len(rows)}\n"
                                   + "".join(f"row {r}\n" for r in rows), encoding="utf-8")
    (folder / "index.txt").write_text("".join(f"{n}\n" for n in cases), encoding="utf-8")


def run(tmp_path, linux, runtime, known_lines):
    write_dump(tmp_path / "linux", linux)
    write_dump(tmp_path / "runtime", runtime)
    known = tmp_path / "known.txt"
    known.write_text("# comment\n" + "".join(f"{l}\n" for l in known_lines), encoding="utf-8")
    done = subprocess.run([sys.executable, SCRIPT, str(tmp_path / "linux"), str(tmp_path / "runtime"),
                           "--known", str(known)], capture_output=True, text=True)
    return done.returncode, done.stdout


SAME = {"line a": ["p..", ".p."], "line b": ["ff", "ff"]}


CHANGED = dict(SAME, **{"line b": ["ff", "f."]})
REASON = "line b: the runtime leaves the corner out"


@pytest.mark.parametrize("runtime, known, code, expected", [
    (CHANGED, [REASON], 0, ["KNOWN line b: 1 pixels differ (the runtime leaves the corner out)",
                            "GDI dumps: 2 cases, 1 identical, 1 differ (1 known), 0 missing"]),
    (CHANGED, ["line a: listed, but draws the same"], 1, ["DIFF line b: 1 pixels differ"]),
    (SAME, [REASON], 1, ["STALE line b: listed as a known difference but drawn the same",
                         "GDI dumps: 2 cases, 2 identical, 0 differ (0 known), 0 missing, 1 stale"]),
    ({"line a": SAME["line a"]}, ["line b: known"], 1, ["MISSING line b: not drawn by the runtime"]),
], ids=["known", "new", "stale", "missing"])
def test_known_differences_pass_and_new_stale_or_missing_ones_fail(tmp_path, runtime, known, code, expected):
    got, out = run(tmp_path, SAME, runtime, known)
    assert got == code, out
    for line in expected:
        assert line in out, out


@pytest.mark.parametrize("line", ["no reason here", ": no name", "name only:"])
def test_a_list_line_without_name_and_reason_is_unreadable(tmp_path, line):
    code, _ = run(tmp_path, SAME, SAME, [line])
    assert code == 2


def test_the_stored_list_gives_every_case_a_reason():
    sys.path.insert(0, os.path.dirname(SCRIPT))
    try:
        import compare_gdi_dumps
    finally:
        sys.path.pop(0)
    path = os.path.join(os.path.dirname(__file__), "known_differences.txt")
    for name, reason in compare_gdi_dumps.known_differences(path).items():
        assert len(reason.split()) >= 3, f"{name}: a reason is a sentence, not a word"
