"""Whole edits played from the shared scenario file through the reference host's
pointer input, with the popups and dialogs answered as the Windows watcher answers
them. Each scenario's record is checked here and written, flattened, to
build/linux/e2e-records (or QARN_E2E_RECORD_DIR), where the Windows runtime run
compares it byte for byte with the record the same steps made there."""
import math
import os
import pathlib
import struct

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


def answer_dialog(script):
    """Drives a dialog with the script language of the Windows watcher."""

    def drive(dlg):
        for step in script.split(";"):
            step = step.strip()
            if step == "ok":
                dlg.ok()
                return
            if step == "cancel":
                dlg.cancel()
                return
            if step.startswith("click "):
                dlg.click(int(step.split()[1]))
            elif step.startswith("select "):
                _, control, index = step.split()
                dlg.select(int(control), int(index))
            else:
                control, _, text = step.partition("=")
                dlg.set_text(int(control), text)
        dlg.cancel()

    return drive


class Played:
    def __init__(self, ctl, host, sink):
        self.ctl, self.host, self.sink = ctl, host, sink
        self.menus = []
        self.dialogs = []


def play(name):
    ctl = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    host = qarnedit.ReferenceHost(width=640, height=480)
    host.file_version = None
    sink = Sink(ctl)
    qarnedit.Advise(ctl, sink)
    ctl.qarnocx = host.dispatch
    played = Played(ctl, host, sink)
    menu_answer = [0]
    dialog_script = [""]

    def on_menu(popup):
        played.menus.append((popup.title, list(popup.items)))
        usable = {item[0] for item in popup.items if item[0] and not item[2]}
        return menu_answer[0] if menu_answer[0] in usable else 0

    def on_dialog(dlg):
        played.dialogs.append(dlg.title)
        answer_dialog(dialog_script[0])(dlg)

    qarnedit.desktop.on_menu = on_menu
    qarnedit.desktop.on_dialog = on_dialog
    for word, rest in SCENARIOS[name]:
        args = rest.split()
        if word == "draw":
            {"polygon": ctl.drawPolygon, "polyline": ctl.drawPolyline, "point": ctl.drawPoint}[rest]()
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
            dialog_script[0] = rest
        elif word == "menu":
            menu_answer[0] = int(args[0])
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


def xy_pairs(data, offset, count):
    return [struct.unpack_from("<2d", data, offset + 16 * i) for i in range(count)]


def assert_points(got, expected, tolerance=1e-9):
    assert len(got) == len(expected), got
    for g, e in zip(got, expected):
        close = math.isclose(g[0], e[0], abs_tol=tolerance) and math.isclose(g[1], e[1], abs_tol=tolerance)
        assert close, (got, expected)


def test_the_scenario_file_holds_the_four_scenarios():
    assert list(SCENARIOS) == ["polygon_with_hole", "polyline_polar", "point_3d", "edit_saved"]


def test_polygon_with_a_hole_dragged_split_rotated_and_extended_by_polar_input():
    played = play("polygon_with_hole")
    assert played.sink.names().count("EditDone") == 1
    assert played.ctl.isEditing() is False
    assert [title for title, _ in played.menus] == ["POLYGON"] * 7
    assert played.dialogs == ["Get Polar Point"]
    data = keep(played, "polygon_with_hole")

    assert u32(data, 0) == 115 and u32(data, 4) == POLYGON, "a 2D polygon"
    assert u32(data, 83) == 9, "five perimeter vertices and four hole vertices"
    assert u32(data, 91) == 2
    rings = data[u32(data, 95):u32(data, 95) + 20]
    assert struct.unpack("<IIhIIh", rings) == (0, 5, 1, 5, 4, 2), "a perimeter of 5, then a hole of 4"
    assert u32(data, 115) == 0, "no Z block in 2D"
    # Before the quarter turn about (220, 220) the perimeter was (100, 100), the split
    # grip dragged to (200, 60), (300, 100), the dragged (340, 320) and (100, 300); the
    # hole (150, 150), (250, 150), (200, 250). A quarter turn takes (x, y) to
    # (440 - y, x): perimeter and hole as below, then the polar vertex 50 below the
    # hole's last one at 270 degrees.
    xy = xy_pairs(data, u32(data, 87), 9)
    assert_points(xy[:5], [(340, 100), (380, 200), (340, 300), (120, 340), (140, 100)])
    assert_points(xy[5:8], [(290, 150), (290, 250), (190, 200)])
    assert_points(xy[8:], [(190, 150)])


def test_polyline_with_the_direction_fixed_by_the_polar_dialog():
    played = play("polyline_polar")
    assert played.sink.names().count("EditDone") == 1
    assert played.dialogs == ["Get Polar Point"]
    data = keep(played, "polyline_polar")

    assert u32(data, 0) == 33 and u32(data, 4) == POLYLINE
    assert data[24] == 0 and u32(data, 25) == 3
    assert u32(data, 33) == 0 and u32(data, 37) == 0 and u32(data, 41) == 1 and u32(data, 45) == 0
    xy = xy_pairs(data, u32(data, 29), 3)
    assert xy[0] == (100.0, 80.0), "the first vertex is where it was clicked"
    # Each later vertex is the click's foot on the 30-degree line through the vertex before.
    direction = (math.cos(math.radians(30)), math.sin(math.radians(30)))
    clicks = [(300, 180), (500, 230)]
    for (last, vertex, click) in zip(xy, xy[1:], clicks):
        t = (click[0] - last[0]) * direction[0] + (click[1] - last[1]) * direction[1]
        assert_points([vertex], [(last[0] + t * direction[0], last[1] + t * direction[1])])
        assert t > 100, "the vertex lies ahead of the last one"


def test_point_in_3d_lands_on_the_tilted_work_plane():
    played = play("point_3d")
    assert played.sink.names().count("EditDone") == 1
    assert [title for title, _ in played.menus] == ["POINT"]
    data = keep(played, "point_3d")

    assert u32(data, 0) == 48 and u32(data, 4) == POINT, "a 3D point"
    x, y, z = struct.unpack_from("<3d", data, 24)
    # The second click replaced the first: plane point (320, 240) on a plane turned by
    # 0.5 rad about X, with its origin at (10, 20, 30).
    assert_points([(x, y)], [(330, 20 + 240 * math.cos(0.5))])
    assert math.isclose(z, 30 + 240 * math.sin(0.5), abs_tol=1e-9)
    # And it lies in that plane: its normal is (0, -sin 0.5, cos 0.5).
    assert abs(-(y - 20) * math.sin(0.5) + (z - 30) * math.cos(0.5)) < 1e-9


def test_a_saved_figure_handed_back_edited_and_saved_again():
    played = play("edit_saved")
    assert played.sink.names().count("EditDone") == 2, "two saves"
    assert played.menus == []
    data = keep(played, "edit_saved")

    assert u32(data, 0) == 115 and u32(data, 4) == POLYGON
    assert u32(data, 83) == 4 and u32(data, 91) == 1
    rings = data[u32(data, 95):u32(data, 95) + 10]
    assert struct.unpack("<IIh", rings) == (0, 4, 1)
    xy = xy_pairs(data, u32(data, 87), 4)
    assert xy == [(100.0, 100.0), (300.0, 100.0), (360.0, 340.0), (100.0, 300.0)]
