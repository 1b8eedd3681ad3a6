"""Whole edits played from the shared scenario file through the reference host's
pointer input, with the popups and dialogs answered as the Windows watcher answers
them. Each scenario's record is checked here and written, flattened, to
build/linux/e2e-records (or QARN_E2E_RECORD_DIR), where the Windows runtime run
compares it byte for byte with the record the same steps made there."""
import os
import pathlib
import struct
import types

import pytest

import qarnedit

from conftest import Sink

HERE = pathlib.Path(__file__).resolve().parent
SCENARIO_FILE = HERE.parent / "windows" / "data" / "e2e_scenarios.txt"
RECORD_DIR = pathlib.Path(os.environ.get("QARN_E2E_RECORD_DIR", HERE.parent.parent / "build" / "linux" / "e2e-records"))

POINT, POLYLINE, POLYGON = 1, 5, 6
# The editor allocates every record at its 3D length, whatever the figure.
ALLOCATED = {POINT: 48, POLYLINE: 49, POLYGON: 119}


def read_scenarios():
    scenarios, current = {}, None
    for raw in SCENARIO_FILE.read_text().splitlines():
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        word, _, rest = line.partition(" ")
        if word == "scenario":
            current = scenarios.setdefault(rest.strip(), [])
        else:
            current.append((word, rest.strip()))
    return scenarios


SCENARIOS = read_scenarios()


def u32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


def flatten(address):
    """The record at its allocated length, then each block it points to in field order.
    Addresses differ from one process to another, so each pointer field is rewritten as
    the offset of its block in the flattened bytes (a null pointer stays 0)."""
    kind = u32(qarnedit.memory.read(address, 8), 4)
    record = bytearray(qarnedit.memory.read(address, ALLOCATED[kind]))
    blocks = []  # (pointer field offset, block length)
    if kind == POLYLINE:
        n = u32(record, 25)
        blocks = [(29, 16 * n), (33, 8 * n), (37, 4 * n), (45, 4 * u32(record, 41))]
    elif kind == POLYGON:
        total, rings = u32(record, 83), u32(record, 91)
        blocks = [(87, 16 * total), (95, 10 * rings), (115, 8 * total)]
    out = bytearray(record)
    tail = bytearray()
    for field, length in blocks:
        pointer = u32(record, field)
        if pointer == 0:
            continue
        struct.pack_into("<I", out, field, len(out) + len(tail))
        tail += qarnedit.memory.read(pointer, length)
    return bytes(out + tail)


def write_hex(path, data):
    lines = [data[i:i + 16].hex() for i in range(0, len(data), 16)]
    path.write_text("\n".join(lines) + "\n")


def answer_dialog(dlg, script):
    """Drives a dialog with the script language of the Windows watcher."""
    for step in script.split(";"):
        word, *args = step.strip().split()
        if word in ("ok", "cancel"):
            return getattr(dlg, word)()
        if word in ("click", "select"):
            getattr(dlg, word)(*[int(a) for a in args])
        else:
            control, _, text = step.strip().partition("=")
            dlg.set_text(int(control), text)
    dlg.cancel()


def play(name):
    ctl = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    host = qarnedit.ReferenceHost(width=640, height=480)
    host.file_version = None
    sink = Sink()
    qarnedit.Advise(ctl, sink)
    ctl.qarnocx = host.dispatch
    played = types.SimpleNamespace(ctl=ctl, host=host, sink=sink, menus=[], dialogs=[], menu="0", dialog="")

    def on_menu(popup):
        played.menus.append((popup.title, list(popup.items)))
        usable = {item[0] for item in popup.items if item[0] and not item[2]}
        return int(played.menu) if int(played.menu) in usable else 0

    def on_dialog(dlg):
        played.dialogs.append(dlg.title)
        answer_dialog(dlg, played.dialog)

    qarnedit.desktop.on_menu = on_menu
    qarnedit.desktop.on_dialog = on_dialog
    for word, rest in SCENARIOS[name]:
        args = rest.split()
        if word == "draw":
            getattr(ctl, "draw" + rest.capitalize())()
        elif word == "mode3d":
            ctl.Set3DMode(int(rest))
        elif word == "workplane":
            host.set_work_plane(*[float(a) for a in args])
        elif word == "click":
            host.press(int(args[0]), int(args[1]))
            host.release(int(args[0]), int(args[1]))
        elif word in ("press", "move", "release"):
            getattr(host, word)(int(args[0]), int(args[1]))
        elif word == "dialog":
            played.dialog = rest
        elif word == "menu":
            played.menu = args[0]
            host.right_press(int(args[1]), int(args[2]))
        elif word == "save":
            assert ctl.saveEdit() is True, "the figure could be saved"
        elif word == "picture":
            RECORD_DIR.mkdir(parents=True, exist_ok=True)
            host.repaint()
            host.save_png(str(RECORD_DIR / f"{rest}.png"))
        elif word == "editsaved":
            assert ctl.editNTT(ctl.getDrawnNTT()) is True
        else:
            raise AssertionError(f"unknown step {word!r} in {name}")
    return played


def keep(played, name):
    """Writes the flattened record and the view's picture with the figure in it."""
    record = played.ctl.getDrawnNTT()
    assert record != 0
    RECORD_DIR.mkdir(parents=True, exist_ok=True)
    data = flatten(record)
    write_hex(RECORD_DIR / f"{name}.hex", data)
    played.host.entities = [record]
    played.host.repaint()
    played.host.save_png(str(RECORD_DIR / f"{name}.png"))
    return data


# What each record holds is the editor's (tests/core) and is compared byte for byte
# with the runtime's; here each scenario must end as its steps say.
@pytest.mark.parametrize("name, saves, menus, dialogs, kind", [
    ("polygon_with_hole", 1, ["POLYGON"] * 7, ["Get Polar Point"], POLYGON),
    ("polyline_polar", 1, ["POLYLINE"] * 2, ["Get Polar Point"], POLYLINE),
    ("point_3d", 1, ["POINT"], [], POINT),
    ("edit_saved", 2, [], [], POLYGON),
])
def test_each_scenario_ends_in_its_saved_record(name, saves, menus, dialogs, kind):
    assert name in SCENARIOS
    played = play(name)
    assert played.sink.names().count("EditDone") == saves
    assert played.ctl.isEditing() is False
    assert [title for title, _ in played.menus] == menus
    assert played.dialogs == dialogs
    assert u32(keep(played, name), 4) == kind
