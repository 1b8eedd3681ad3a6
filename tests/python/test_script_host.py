"""The reference host, record memory, events and the desktop as a script drives them.
The editor's own rules are tested in C++; these tests own the names and the behaviour
of the script host, each member used for what a script would use it for."""
import struct

import pytest

import qarnedit
from conftest import Sink, click

MB_ICONSTOP = 0x10
VK_SHIFT = 0x10


def polyline_xy(ctl):
    """The vertices of the polyline record the control handed back, read from record memory."""
    data = qarnedit.memory.read(ctl.getDrawnNTT(), 49)
    count, block = struct.unpack_from("<II", data, 25)
    return list(struct.unpack(f"<{2 * count}d", qarnedit.memory.read(block, 16 * count)))


def polyline_record(points):
    """A 2D polyline record of one part, laid out in record memory as a host would."""
    xy = qarnedit.memory.alloc(struct.pack(f"<{2 * len(points)}d", *[c for p in points for c in p]))
    record = bytearray(49)
    struct.pack_into("<II", record, 0, 33, 5)
    struct.pack_into("<BII", record, 24, 0, len(points), xy)
    struct.pack_into("<I", record, 41, 1)
    return qarnedit.memory.alloc(bytes(record))


@pytest.fixture
def editing(ctl, host, sink):
    ctl.qarnocx = host.dispatch
    return ctl


def test_the_call_log_lists_each_host_call_with_its_arguments_and_can_be_paused(editing, host):
    # Which calls an edit makes, and in what order, is the editor's (tests/core).
    host.input_state = (5, 6, 7)
    editing.drawPolyline()
    assert host.calls[-1] == ("SetInputState", (1, -2, None)), "(name, arguments), None for one left alone"
    assert host.call_log[-1].startswith("SetInputState")
    assert host.input_state == (1, -2, 7)
    assert host.has_pointer_handler and host.has_overlay_painter
    host.dispatch.modePair = "1 2"  # the same state as the host's automation object shows it
    host.reference_point = (1, 1.5, 2.5, 3.5)
    assert host.mode_pair == (1, 2) and host.dispatch.referencePoint() == "1 1.5 2.5 3.5"

    host.clear_calls()
    host.log_calls = False
    click(host, 10, 10)
    assert host.calls == [] and editing.isEditing() is True
    host.log_calls = True
    editing.abortEdit()
    assert "SetPointerHandler" in [c[0] for c in host.calls]
    assert host.input_state == (5, 6, 7), "the host state members show what the edit gave back"
    assert not host.has_pointer_handler and not host.has_overlay_painter


def test_host_variables_and_file_version_are_what_the_editor_reads(editing, host):
    host.file_version = "3.0.0.1"
    host.variables["UTILS"] = "0"
    assert "UTILS" in host.variables and len(host.variables) >= 1
    editing.drawPoint()
    assert host.variables["UTILS"] == "1" == host.variables.items()["UTILS"]
    editing.abortEdit()
    assert host.variables.get("UTILS") == "0"
    del host.variables["UTILS"]
    assert "UTILS" not in host.variables
    for missing in (lambda: host.variables["UTILS"], lambda: host.variables.__delitem__("UTILS")):
        with pytest.raises(KeyError):
            missing()
    host.file_version = None
    assert host.file_version is None


def test_the_engine_switches_give_the_connection_errors_as_message_boxes(ctl, host, sink):
    ctl.drawPolyline()
    ctl.qarnocx = host.dispatch
    host.engine_handle = 0
    ctl.drawPolygon()
    host.engine_handle = 1
    host.refuse_engine = True
    ctl.drawPoint()
    # (text, caption, flags) each; the texts are the editor's (tests/core/lifecycle_test.cpp).
    boxes = qarnedit.desktop.message_boxes
    assert len(boxes) == 3 and all(isinstance(b[0], str) and b[2] & MB_ICONSTOP for b in boxes)
    assert sink.events == []
    qarnedit.desktop.clear_message_boxes()
    assert qarnedit.desktop.message_boxes == []


def test_the_host_taking_registrations_away(editing, host, sink):
    def detach_the_next_registration():
        host.detach_on_replace = True
        editing.drawPolyline()

    # What the editor does then is tests/core/lifecycle_test.cpp's; each ends the edit.
    for aborted, take_away in enumerate((host.drop_pointer_handler, host.drop_overlay_painter,
                                         detach_the_next_registration), start=1):
        editing.drawPolygon()
        take_away()
        assert sink.names().count("EditAborted") == aborted, take_away


def test_the_view_transform_and_pointer_members(editing, host):
    assert (host.width, host.height) == (640, 480)
    host.set_view(2.0, 100.0, 50.0)
    assert host.world_to_screen(100.0, 50.0) == (0.0, 480.0), "the origin is the bottom-left corner"
    for world in ((0.0, 0.0), (123.5, -40.25)):
        assert host.screen_to_world(*host.world_to_screen(*world)) == pytest.approx(world)
    x0, y0 = host.world_to_screen(110.0, 60.0)
    x1, y1 = host.world_to_screen(150.0, 60.0)
    editing.drawPolyline()
    for x, y in ((x0, y0), (x1, y1)):
        host.press(int(x), int(y))
        host.release(int(x), int(y))
    assert editing.saveEdit() is True
    assert polyline_xy(editing) == [110.0, 60.0, 150.0, 60.0]
    # A move during the next drawing asks the host for repaints.
    requests = host.repaint_requests
    editing.drawPolyline()
    host.press(int(x0), int(y0))
    host.move(int(x1), int(y1))
    assert host.repaint_requests > requests


def test_record_memory_holds_what_scripts_lay_out_and_refuses_bad_addresses(editing, host):
    address = qarnedit.memory.alloc(b"\x01\x02\x03")
    assert qarnedit.memory.is_live(address) and qarnedit.memory.read(address, 3) == b"\x01\x02\x03"
    live = qarnedit.memory.live_blocks
    with pytest.raises(ValueError):
        qarnedit.memory.read(address, 4)
    assert qarnedit.memory.free(address) is True
    assert not qarnedit.memory.is_live(address) and qarnedit.memory.live_blocks == live - 1

    record = polyline_record([(10, 20), (110, 20), (110, 95)])
    assert editing.editNTT(record) is True
    assert editing.saveEdit() is True
    assert polyline_xy(editing) == [10, 20, 110, 20, 110, 95]


def test_highlighting_a_record_and_the_entities_the_host_draws(editing, host, tmp_path):
    record = polyline_record([(10, 20), (110, 20)])
    host.detach_on_unregister = False
    # Which registrations a highlight makes and takes back is tests/core/hilite_test.cpp's.
    editing.hiliteNttVertexes(record)
    before, picture = tmp_path / "before.png", tmp_path / "view.png"
    host.save_png(str(before))
    host.entities = [record]
    assert host.entities == [record]
    host.repaint()
    host.save_png(str(picture))
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n" and picture.read_bytes() != before.read_bytes()
    with pytest.raises(ValueError):
        host.save_png(str(tmp_path / "missing" / "view.png"))


def test_events_reach_every_sink_and_snap_answers_move_the_vertex(ctl, host):
    a, b = Sink(), Sink()
    ca, cb = qarnedit.Advise(ctl, a), qarnedit.Advise(ctl, b)
    assert ca != cb
    ctl.qarnocx = host.dispatch
    b.snap_answer = (7.0, 8.0)
    ctl.drawPoint()
    click(host, 300, 200)
    snaps = [e for e in a.events if e[0] == "Snap"]
    assert snaps and snaps[0][1:] == (300.0, 200.0), "the sink sees the world position"
    qarnedit.Unadvise(ctl, ca)
    assert ctl.saveEdit() is True
    assert struct.unpack("<2d", qarnedit.memory.read(ctl.getDrawnNTT() + 24, 16)) == (7.0, 8.0)
    assert a.names()[-1] != "EditDone" and b.names()[-1] == "EditDone"
    qarnedit.Unadvise(ctl, cb)
    with pytest.raises(ValueError):
        qarnedit.Unadvise(ctl, cb)


def test_keys_down_are_the_keys_the_control_sees_held(editing, host, sink):
    editing.NoSnapKey = VK_SHIFT
    editing.drawPoint()
    qarnedit.desktop.keys_down = {VK_SHIFT}
    assert qarnedit.desktop.keys_down == {VK_SHIFT}
    click(host, 10, 10)
    assert "Snap" not in sink.names(), "the held key turns snapping off"
    qarnedit.desktop.keys_down = set()
    click(host, 10, 10)
    assert "Snap" in sink.names()


def test_draw_control_writes_the_caption_picture(editing, sink, tmp_path):
    editing.drawPolyline()
    assert any(e[0] == "CaptionChanged" and e[1] for e in sink.events), "the sink gets the new caption"
    picture = tmp_path / "caption.png"
    qarnedit.DrawControl(editing, 320, 32, str(picture))
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    for size, path in (((0, 32), picture), ((320, 32), tmp_path / "missing" / "caption.png")):
        with pytest.raises(ValueError):
            qarnedit.DrawControl(editing, *size, str(path))
