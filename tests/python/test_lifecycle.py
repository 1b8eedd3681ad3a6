"""Starting and ending edits as a container sees them: events, captions, host calls."""
import qarnedit

MB_ICONSTOP = 0x10
NO_HOST = "ERROR: set the qarnocx property before to use the qarnedit ActiveX control."
NO_ENGINE = "Error connecting to qarnocx"


def connected(ctl, host):
    ctl.qarnocx = host.dispatch
    return ctl


def test_drawing_without_a_host_shows_the_first_error(ctl, sink):
    for method in ("drawPolyline", "drawPolygon", "drawPoint"):
        getattr(ctl, method)()
        assert ctl.isEditing() is False
    boxes = qarnedit.desktop.message_boxes
    assert [b[0] for b in boxes] == [NO_HOST] * 3
    assert all(b[2] == MB_ICONSTOP for b in boxes)
    assert sink.events == []


def test_a_host_without_an_engine_shows_the_second_error(ctl, host, sink):
    connected(ctl, host)
    host.engine_handle = 0
    ctl.drawPolygon()
    assert [b[0] for b in qarnedit.desktop.message_boxes] == [NO_ENGINE]
    assert ctl.isEditing() is False
    assert host.calls == [("GetEngineHandle", ())]
    assert sink.events == []


def test_an_engine_lookup_that_fails_shows_the_second_error(ctl, host):
    connected(ctl, host)
    host.refuse_engine = True
    ctl.drawPoint()
    assert [b[0] for b in qarnedit.desktop.message_boxes] == [NO_ENGINE]
    assert [c[0] for c in host.calls] == ["GetEngineHandle", "GetEngineFromHandle"]


def test_start_registers_forces_the_host_and_prompts(ctl, host, sink):
    connected(ctl, host)
    host.input_state = (5, 6, 7)
    ctl.drawPolyline()
    assert ctl.isEditing() is True
    assert sink.events == [("CaptionChanged", "Click to draw")]
    names = [c[0] for c in host.calls]
    assert names == ["GetEngineHandle", "GetEngineFromHandle", "SetPointerHandler", "SetOverlayPainter",
                     "GetInputState", "GetReferencePoint", "SetInputState"]
    assert host.calls[-1] == ("SetInputState", (1, -2, None))
    assert host.input_state == (1, -2, 7)
    assert host.has_pointer_handler and host.has_overlay_painter


def test_abort_gives_the_host_back_what_the_edit_changed(ctl, host, sink):
    connected(ctl, host)
    host.input_state = (5, 6, 7)
    host.reference_point = (1, 10.0, 20.0, 30.0)
    ctl.drawPolygon()
    host.input_state = (1, -2, 9)  # the host changed the third value meanwhile
    host.clear_calls()
    ctl.abortEdit()
    assert sink.names() == ["CaptionChanged", "CaptionChanged", "EditAborted"]
    assert sink.events[1] == ("CaptionChanged", "")
    assert host.calls[:4] == [("SetReferencePoint", (1, 10.0, 20.0, 30.0)), ("GetInputState", ()),
                              ("SetInputState", (5, 6, 9)), ("SetPointerHandler", (None,))]
    assert host.input_state == (5, 6, 9)
    assert not host.has_pointer_handler and not host.has_overlay_painter
    assert ctl.isEditing() is False


def test_nothing_is_restored_for_a_reference_point_that_was_never_read(ctl, host):
    connected(ctl, host)
    ctl.drawPoint()
    host.clear_calls()
    ctl.abortEdit()
    assert "SetReferencePoint" not in [c[0] for c in host.calls]


def test_abort_while_idle_fires_nothing(ctl, host, sink):
    connected(ctl, host)
    ctl.abortEdit()
    assert sink.events == []
    assert host.calls == []


def test_the_host_dropping_the_handler_aborts_once(ctl, host, sink):
    connected(ctl, host)
    ctl.drawPolygon()
    host.drop_pointer_handler()
    assert sink.names().count("EditAborted") == 1
    assert not host.has_overlay_painter, "the painter registration is dropped too"
    assert ctl.isEditing() is False


def test_the_host_dropping_the_painter_aborts_once(ctl, host, sink):
    connected(ctl, host)
    ctl.drawPolyline()
    host.drop_overlay_painter()
    assert sink.names().count("EditAborted") == 1
    assert not host.has_pointer_handler


def test_a_new_drawing_replacing_a_running_one(ctl, host, sink):
    connected(ctl, host)
    ctl.drawPolygon()
    host.press(100, 100)
    host.release(100, 100)
    # The host detaches even the same object registering again: the running polygon is
    # aborted first, then the polyline starts with an empty figure.
    host.detach_on_replace = True
    sink.events.clear()
    host.clear_calls()
    ctl.drawPolyline()
    assert sink.names().count("EditAborted") == 1
    assert sink.names().index("EditAborted") < sink.events.index(("CaptionChanged", "Click to draw"))
    assert [c[0] for c in host.calls][2:5] == ["SetPointerHandler", "SetOverlayPainter", "SetOverlayPainter"]
    assert host.calls[3] == ("SetOverlayPainter", (None,)), "the aborted edit lets go of the painter"
    assert ctl.isEditing() is True
    assert host.has_pointer_handler and host.has_overlay_painter
    for x, y in ((200, 200), (300, 250)):
        host.press(x, y)
        host.release(x, y)
    assert ctl.saveEdit() is True
    assert sink.names().count("EditAborted") == 1
    assert sink.names()[-1] == "EditDone"


def test_logging_host_calls_stops_and_restarts(ctl, host):
    connected(ctl, host)
    assert host.log_calls is True
    host.log_calls = False
    ctl.drawPolyline()
    host.press(10, 10)
    assert host.calls == []
    assert ctl.isEditing() is True
    host.log_calls = True
    ctl.abortEdit()
    assert "SetPointerHandler" in [c[0] for c in host.calls]


def test_save_while_idle_and_with_nothing_drawn(ctl, host, sink):
    connected(ctl, host)
    assert ctl.saveEdit() is False
    ctl.drawPolyline()
    assert ctl.canSaveNow() is False
    assert ctl.saveEdit() is False
    assert ctl.isEditing() is True
    assert "EditDone" not in sink.names()


def test_utils_is_forced_and_restored_on_a_version_3_host(ctl, host):
    connected(ctl, host)
    host.file_version = "3.0.0.1"
    try:
        for before, during, after in (("0", "1", "0"), ("1", "1", "1"), ("", "1", "1"), ("7", "1", "7")):
            host.variables["UTILS"] = before
            ctl.drawPolyline()
            assert host.variables["UTILS"] == during, before
            ctl.abortEdit()
            assert host.variables["UTILS"] == after, before
    finally:
        host.file_version = None


def test_utils_is_untouched_on_older_hosts_and_without_a_file(ctl, host):
    connected(ctl, host)
    for version in ("2.9.0.0", None):
        host.file_version = version
        host.variables["UTILS"] = "0"
        host.clear_calls()
        ctl.drawPolygon()
        ctl.abortEdit()
        assert host.variables["UTILS"] == "0"
        names = [c[0] for c in host.calls]
        assert "GetVariable" not in names and "SetVariable" not in names, version


def test_utils_write_back_follows_the_order_of_the_end(ctl, host):
    connected(ctl, host)
    host.file_version = "10.2.0.0"
    try:
        host.variables["UTILS"] = "0"
        ctl.drawPoint()
        host.clear_calls()
        ctl.abortEdit()
        names = [c[0] for c in host.calls]
        assert names.index("SetInputState") < names.index("SetVariable") < names.index("SetPointerHandler")
        assert ("SetVariable", ("UTILS", "0")) in host.calls
    finally:
        host.file_version = None


def test_caption_changes_are_announced_even_when_unchanged(ctl, host, sink):
    connected(ctl, host)
    ctl.drawPolyline()
    ctl.drawPolyline()
    assert sink.events == [("CaptionChanged", "Click to draw")] * 2


def test_events_reach_every_sink(ctl, host):
    from conftest import Sink
    a, b = Sink(), Sink()
    ca = qarnedit.Advise(ctl, a)
    cb = qarnedit.Advise(ctl, b)
    assert ca != cb
    connected(ctl, host)
    ctl.drawPoint()
    qarnedit.Unadvise(ctl, ca)
    ctl.abortEdit()
    assert a.names() == ["CaptionChanged"]
    assert b.names() == ["CaptionChanged", "CaptionChanged", "EditAborted"]
    qarnedit.Unadvise(ctl, cb)


def test_a_string_file_overrides_the_prompt(ctl, host, sink, tmp_path):
    path = tmp_path / "strings.ini"
    path.write_text("[STRINGS]\n203=Klicken\n")
    connected(ctl, host)
    ctl.stringFile = str(path)
    ctl.drawPolyline()
    assert sink.events[-1] == ("CaptionChanged", "Klicken")
    ctl.abortEdit()
    ctl.stringFile = ""
    ctl.drawPolyline()
    assert sink.events[-1] == ("CaptionChanged", "Click to draw")
