"""The right-button menu as a script host meets it: the popup qarnedit.desktop.on_menu
is shown, and the command its answer runs. The menus' items and commands are the
editor's, tested in C++ (tests/core/context_menu_test.cpp)."""
import sys
import types

import qarnedit
from conftest import click

DONE = 32773


def test_the_popup_is_shown_to_the_script_and_its_answer_runs(ctl, host, sink):
    shown = []

    def choose_done(popup):
        shown.append((popup.title, [tuple(item) for item in popup.items]))
        return DONE

    qarnedit.desktop.on_menu = choose_done
    assert qarnedit.desktop.on_menu is choose_done
    ctl.qarnocx = host.dispatch
    ctl.drawPolyline()
    click(host, 10, 20)
    click(host, 110, 20)
    host.right_press(300, 300)
    title, items = shown[0]
    assert title == "POLYLINE"
    assert (DONE, "Do&ne", False) in items, "items are (id, text, grayed)"
    assert (0, "", False) in items, "separators are id 0"
    assert any(grayed for _, _, grayed in items), "a command that cannot run now is grayed"
    assert ctl.isEditing() is False and ctl.getDrawnNTT() != 0
    assert sink.names()[-1] == "EditDone"
    qarnedit.desktop.reset()
    assert qarnedit.desktop.on_menu is None


def test_failing_scripts_are_reported_and_a_failing_menu_script_dismisses_the_menu(ctl, host, sink, monkeypatch):
    ctl.qarnocx = host.dispatch
    ctl.drawPolyline()

    def broken(*args):
        raise RuntimeError("the script fails")

    reported = []
    monkeypatch.setattr(sys, "unraisablehook", lambda u: reported.append(u.exc_value))
    qarnedit.desktop.on_menu = broken
    host.right_press(10, 10)  # reported, not raised through the control
    assert [str(e) for e in reported] == ["the script fails"]
    assert ctl.isEditing() is True
    assert "EditDone" not in sink.names() and "EditAborted" not in sink.names()
    # A failing dialog script or event handler is reported the same way.
    qarnedit.desktop.on_dialog = broken
    ctl.AboutBox()
    qarnedit.Advise(ctl, types.SimpleNamespace(EditAborted=broken))
    ctl.abortEdit()
    assert [str(e) for e in reported] == ["the script fails"] * 3 and sink.names()[-1] == "EditAborted"
