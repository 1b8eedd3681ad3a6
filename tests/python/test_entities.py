"""Editing and highlighting entity records that a script lays out in record memory, as a
host would hand them over."""
import struct

import pytest

import qarnedit

HEIGHT = 480  # world (X, Y) is at pixel (X, HEIGHT - Y)


def header(size, kind, allocated):
    return struct.pack("<II", size, kind) + bytes(allocated - 8)


def put(record, offset, fmt, *values):
    packed = struct.pack(fmt, *values)
    return record[:offset] + packed + record[offset + len(packed):]


def block(fmt, values):
    return qarnedit.memory.alloc(struct.pack(f"<{len(values)}{fmt}", *values)) if values else 0


def point_record(x, y):
    return qarnedit.memory.alloc(put(header(40, 1, 40), 24, "<dd", x, y))


def polyline_record(points, closed=False):
    r = header(33, 5, 49)
    r = put(r, 24, "<BII", 1 if closed else 0, len(points), block("d", [c for p in points for c in p]))
    r = put(r, 41, "<I", 1)
    return qarnedit.memory.alloc(r)


def polygon_record(points, rings):
    r = header(115, 6, 119)
    descriptors = b"".join(struct.pack("<IIh", *d) for d in rings)
    r = put(r, 83, "<III", len(points), block("d", [c for p in points for c in p]), len(rings))
    r = put(r, 95, "<I", qarnedit.memory.alloc(descriptors) if descriptors else 0)
    return qarnedit.memory.alloc(r)


def flatten(address):
    """The record's bytes with each block's bytes in place of its address."""
    kind = struct.unpack("<I", qarnedit.memory.read(address, 8)[4:])[0]
    sizes = {1: 48, 5: 49, 6: 119}
    data = qarnedit.memory.read(address, sizes[kind])
    if kind == 5:
        n, parts = struct.unpack_from("<I", data, 25)[0], struct.unpack_from("<I", data, 41)[0]
        blocks = [(29, 16 * n), (33, 8 * n), (37, 4 * n), (45, 4 * parts)]
    elif kind == 6:
        total, rings = struct.unpack_from("<I", data, 83)[0], struct.unpack_from("<I", data, 91)[0]
        blocks = [(87, 16 * total), (95, 10 * rings), (115, 8 * total)]
    else:
        blocks = []
    parts = [data]
    for offset, length in blocks:
        pointer = struct.unpack_from("<I", data, offset)[0]
        parts.append(qarnedit.memory.read(pointer, length) if pointer else b"null")
        parts[0] = put(parts[0], offset, "<I", 0)
    return parts


def captions(sink):
    return [e[1] for e in sink.events if e[0] == "CaptionChanged"]


@pytest.fixture
def editing(ctl, host, sink):
    ctl.qarnocx = host.dispatch
    return ctl


def test_a_point_record_starts_a_point_edit_in_the_drawing_step(editing, sink):
    assert editing.editNTT(point_record(3.0, 4.0)) is True
    assert editing.isEditing() is True
    assert captions(sink) == ["Click to draw"]
    assert editing.saveEdit() is True
    data = qarnedit.memory.read(editing.getDrawnNTT(), 40)
    assert struct.unpack_from("<I", data, 0)[0] == 40
    assert struct.unpack_from("<dd", data, 24) == (3.0, 4.0)


def test_a_polyline_record_starts_in_the_vertex_moving_step_with_its_measure(editing, sink):
    editing.FormatPolylineParams = "%.0f | "
    assert editing.editNTT(polyline_record([(0, 0), (30, 40), (30, 100)])) is True
    assert captions(sink) == ["110 | Drag a vertex to move it"]


def test_a_loaded_vertex_can_be_dragged_at_once(editing, host):
    assert editing.editNTT(polyline_record([(10, 20), (110, 20), (110, 95)])) is True
    host.press(110, HEIGHT - 20)
    host.move(200, HEIGHT - 80)
    host.release(200, HEIGHT - 80)
    assert editing.saveEdit() is True
    data = qarnedit.memory.read(editing.getDrawnNTT(), 49)
    xy = struct.unpack("<6d", qarnedit.memory.read(struct.unpack_from("<I", data, 29)[0], 48))
    assert xy == (10, 20, 200, 80, 110, 95)


def test_a_closed_polyline_is_saved_open_with_its_first_vertex_repeated(editing):
    square = [(0, 0), (10, 0), (10, 10), (0, 10)]
    assert editing.editNTT(polyline_record(square, closed=True)) is True
    assert editing.saveEdit() is True
    data = qarnedit.memory.read(editing.getDrawnNTT(), 49)
    assert struct.unpack_from("<BI", data, 24) == (0, 5)
    xy = struct.unpack("<10d", qarnedit.memory.read(struct.unpack_from("<I", data, 29)[0], 80))
    assert xy == (0, 0, 10, 0, 10, 10, 0, 10, 0, 0)


def test_a_polygon_keeps_its_rings_and_their_kinds(editing, sink):
    points = [(0, 0), (10, 0), (10, 10), (0, 10), (2, 2), (4, 2), (3, 4)]
    assert editing.editNTT(polygon_record(points, [(0, 4, 1), (4, 3, 2)])) is True
    assert captions(sink) == ["Drag a vertex to move it"]
    assert editing.saveEdit() is True
    data = qarnedit.memory.read(editing.getDrawnNTT(), 119)
    assert struct.unpack_from("<I", data, 83)[0] == 7
    assert struct.unpack_from("<I", data, 91)[0] == 2
    rings = qarnedit.memory.read(struct.unpack_from("<I", data, 95)[0], 20)
    assert [struct.unpack_from("<IIh", rings, 10 * i) for i in range(2)] == [(0, 4, 1), (4, 3, 2)]


@pytest.mark.parametrize("what, address", [
    ("a record of type 3", lambda: qarnedit.memory.alloc(header(48, 3, 48))),
    ("a record of type 4", lambda: qarnedit.memory.alloc(header(48, 4, 48))),
    ("no record", lambda: 0),
    ("an address that is no record", lambda: 12345),
    ("a header cut short", lambda: qarnedit.memory.alloc(b"\x28\x00\x00\x00\x01")),
    ("a polyline counting more vertices than its block", lambda: qarnedit.memory.alloc(
        put(put(header(33, 5, 49), 25, "<II", 5, block("d", [0, 0, 1, 1])), 41, "<I", 1))),
    ("a polygon without rings", lambda: polygon_record([(0, 0), (1, 0), (1, 1)], [])),
])
def test_records_that_cannot_be_edited_are_refused_quietly(editing, host, sink, what, address):
    assert editing.editNTT(address()) is False, what
    assert editing.isEditing() is False, what
    assert sink.events == [], what
    assert not host.has_pointer_handler and not host.has_overlay_painter, what
    assert qarnedit.desktop.message_boxes == [], what


def test_without_a_host_edit_ntt_reports_and_returns_false(ctl, sink):
    assert ctl.editNTT(point_record(1, 1)) is False
    assert len(qarnedit.desktop.message_boxes) == 1
    assert sink.events == []


@pytest.mark.parametrize("draw, clicks, three_d", [
    ("drawPolyline", [(10, 20), (110, 20), (110, 95)], False),
    ("drawPolyline", [(10, 20), (110, 20), (110, 95)], True),
    ("drawPolygon", [(0, 0), (200, 0), (200, 150), (0, 150)], False),
    ("drawPoint", [(77, 66)], True),
])
def test_a_saved_figure_edited_and_saved_again_gives_the_same_record(editing, host, draw, clicks, three_d):
    editing.Set3DMode(1 if three_d else 0)
    getattr(editing, draw)()
    for x, y in clicks:
        host.press(x, HEIGHT - y)
        host.release(x, HEIGHT - y)
    assert editing.saveEdit() is True
    before = flatten(editing.getDrawnNTT())
    assert editing.editNTT(editing.getDrawnNTT()) is True
    assert editing.saveEdit() is True
    assert flatten(editing.getDrawnNTT()) == before


def test_highlighting_registers_only_the_painter_and_zero_takes_it_away(editing, host):
    host.detach_on_unregister = False
    editing.hiliteNttVertexes(polyline_record([(10, 20), (110, 20)], closed=True))
    assert host.has_overlay_painter and not host.has_pointer_handler
    assert editing.isEditing() is False
    assert [c[0] for c in host.calls][-2:] == ["SetOverlayPainter", "RequestRepaint"]
    editing.hiliteNttVertexes(0)
    assert not host.has_overlay_painter
    assert [c[0] for c in host.calls][-2:] == ["SetOverlayPainter", "RequestRepaint"]
