"""Modal dialogs as a script host meets them: the About and polar point boxes shown
through qarnedit.desktop.on_dialog, read, filled in and closed by the script. The
dialogs' texts and controls are the editor's, tested in C++ (tests/desktop/dialog_test.cpp)."""
import pytest

import qarnedit
from conftest import click

IDOK = 1
POLYGON_POLAR_ON, ANGLE, BASE = 32797, 201, 207


def test_the_script_reads_the_dialog_and_may_be_none(ctl):
    # How each way of closing ends the dialog is the framework's (tests/desktop/dialog_test.cpp);
    # ok, cancel and click reach it in the test below and in the scenarios.
    seen = []
    qarnedit.desktop.on_dialog = lambda dlg: seen.append((dlg.title, list(dlg.controls)))
    assert ctl.AboutBox() is None  # the dialog the script leaves open is cancelled, never blocks
    assert len(seen) == 1, "one dialog per AboutBox call"
    title, controls = seen[0]
    assert title == "About Qarnedit Control"
    assert (IDOK, "Button", "OK") in controls, "controls are (id, class, text)"
    qarnedit.desktop.on_dialog = None
    assert qarnedit.desktop.on_dialog is None
    assert ctl.AboutBox() is None


def test_the_dialog_object_fills_in_reports_script_mistakes_and_dies_with_the_call(ctl, host):
    errors = []
    kept = []

    def script(dlg):
        kept.append(dlg)
        for bad in (lambda: dlg.text(4711), lambda: dlg.click(4711), lambda: dlg.combo_items(IDOK),
                    lambda: dlg.select(IDOK, 0)):
            with pytest.raises(ValueError) as info:
                bad()
            errors.append(str(info.value))
        assert dlg.text(IDOK) == "OK"
        assert dlg.checked(IDOK) is False
        dlg.set_text(ANGLE, "30")
        dlg.select(BASE, 1)
        assert (dlg.text(ANGLE), dlg.text(BASE)) == ("30", dlg.combo_items(BASE)[1])
        dlg.ok()
        with pytest.raises(ValueError):
            dlg.cancel()

    qarnedit.desktop.on_dialog = script
    qarnedit.desktop.on_menu = lambda popup: POLYGON_POLAR_ON
    ctl.qarnocx = host.dispatch
    ctl.drawPolygon()
    click(host, 100, 100)  # a vertex to measure from: the base choice then offers two
    host.right_press(200, 200)
    assert len(kept) == 1 and len(errors) == 4
    assert "4711" in errors[0]
    with pytest.raises(ValueError, match="no longer shown"):
        kept[0].title
