"""Drawing figures by pointer input alone, as a script host does, and the entity records
that a save hands back, read byte by byte from record memory."""
import struct

import pytest

import qarnedit

HEIGHT = 480  # the host's view: world (X, Y) is at pixel (X, HEIGHT - Y)
HEADER = [(8, "<I", 0), (12, "<H", 256), (14, "<I", 0), (18, "<H", 256), (20, "<I", 0)]


def click(host, x, y):
    """Press and release at world (x, y)."""
    host.press(int(x), int(HEIGHT - y))
    host.release(int(x), int(HEIGHT - y))


def field(data, offset, fmt):
    return struct.unpack_from(fmt, data, offset)[0]


def check_fields(data, expected, what):
    for offset, fmt, value in expected:
        got = field(data, offset, fmt)
        assert got == value, f"{what}: offset {offset} ({fmt}) expected {value!r}, got {got!r}"


def doubles(address, count):
    return list(struct.unpack(f"<{count}d", qarnedit.memory.read(address, 8 * count)))


@pytest.fixture
def editing(ctl, host, sink):
    ctl.qarnocx = host.dispatch
    return ctl


POLYLINE = [(10, 20), (110, 20), (110, 95), (40, 60)]


def test_a_polyline_drawn_by_clicks_is_saved_as_a_2d_polyline_record(editing, host, sink):
    editing.drawPolyline()
    for x, y in POLYLINE:
        click(host, x, y)
    assert editing.canSaveNow() is True
    assert editing.saveEdit() is True
    address = editing.getDrawnNTT()
    data = qarnedit.memory.read(address, 49)
    check_fields(data, [(0, "<I", 33), (4, "<I", 5)] + HEADER + [
        (24, "<B", 0), (25, "<I", 4), (33, "<I", 0), (37, "<I", 0), (41, "<I", 1), (45, "<I", 0)], "polyline")
    xy = doubles(field(data, 29, "<I"), 8)
    assert xy == [c for p in POLYLINE for c in p]
    assert sink.names()[-1] == "EditDone"


def test_a_3d_polyline_drawn_by_clicks_forms_one_part(editing, host):
    editing.Set3DMode(1)
    host.set_work_plane(0, 0, 0, 0, 0, 12.5)
    editing.drawPolyline()
    for x, y in POLYLINE[:3]:
        click(host, x, y)
    assert editing.saveEdit() is True
    data = qarnedit.memory.read(editing.getDrawnNTT(), 49)
    check_fields(data, [(0, "<I", 49), (4, "<I", 5), (24, "<B", 0), (25, "<I", 3), (41, "<I", 1)], "3D polyline")
    assert doubles(field(data, 29, "<I"), 6) == [c for p in POLYLINE[:3] for c in p]
    assert doubles(field(data, 33, "<I"), 3) == [12.5] * 3
    parts = struct.unpack("<3i", qarnedit.memory.read(field(data, 37, "<I"), 12))
    assert parts == (1, 1, 1), "every drawn vertex belongs to part 1"
    assert struct.unpack("<i", qarnedit.memory.read(field(data, 45, "<I"), 4)) == (0,)


def test_a_polygon_drawn_by_clicks_is_saved_as_one_perimeter(editing, host):
    editing.fillStyle = 3
    editing.drawPolygon()
    square = [(0, 0), (200, 0), (200, 150), (0, 150)]
    for x, y in square:
        click(host, x, y)
    assert editing.saveEdit() is True
    data = qarnedit.memory.read(editing.getDrawnNTT(), 119)
    check_fields(data, [(0, "<I", 115), (4, "<I", 6)] + HEADER + [
        (24, "<h", 3), (26, "<B", 0), (83, "<I", 4), (91, "<I", 1), (115, "<I", 0)], "polygon")
    assert data[43:83] == bytes(40)
    assert data[99:115] == bytes(16)
    assert doubles(field(data, 87, "<I"), 8) == [c for p in square for c in p]
    ring = qarnedit.memory.read(field(data, 95, "<I"), 10)
    assert struct.unpack("<IIh", ring) == (0, 4, 1)


def test_a_point_keeps_only_the_last_click(editing, host):
    editing.drawPoint()
    for x, y in [(5, 5), (300, 200), (77, 66)]:
        click(host, x, y)
    assert editing.saveEdit() is True
    data = qarnedit.memory.read(editing.getDrawnNTT(), 40)
    check_fields(data, [(0, "<I", 40), (4, "<I", 1)] + HEADER + [(24, "<d", 77.0), (32, "<d", 66.0)], "point")


def test_the_caption_follows_each_click_with_the_length(editing, host, sink):
    editing.FormatPolylineParams = "%.0f | "
    editing.drawPolyline()
    for x, y in [(0, 0), (30, 40), (30, 100)]:
        click(host, x, y)
    captions = [e[1] for e in sink.events if e[0] == "CaptionChanged"]
    assert captions == ["0 | Click to draw", "0 | Click to draw", "50 | Click to draw", "110 | Click to draw"]
