"""Modal dialogs as a script host meets them: the About box shown through
qarnedit.desktop.on_dialog, read and closed by the script."""
import pytest

import qarnedit

IDOK = 1


class Recorder:
    """Reads the dialog, then closes it the way it was told to."""

    def __init__(self, close="ok"):
        self.close = close
        self.seen = []

    def __call__(self, dlg):
        self.seen.append((dlg.title, list(dlg.controls)))
        self.dlg = dlg
        if self.close == "ok":
            dlg.ok()
        elif self.close == "click":
            dlg.click(IDOK)


def test_about_box_shows_its_title_and_texts(ctl):
    rec = Recorder()
    qarnedit.desktop.on_dialog = rec
    assert ctl.AboutBox() is None
    assert len(rec.seen) == 1, "one dialog per AboutBox call"
    title, controls = rec.seen[0]
    assert title == "About Qarnedit Control"
    statics = [text for (cid, cls, text) in controls if cls == "Static" and text]
    assert statics[0] == "Qarnedit Control, Version 1.0"
    assert len(statics) == 2, f"the version line and one legal line, got {statics}"
    assert (IDOK, "Button", "OK") in controls


@pytest.mark.parametrize("close", ["ok", "click", "leave open"])
def test_about_box_returns_however_it_is_closed(ctl, close):
    rec = Recorder(close)
    qarnedit.desktop.on_dialog = rec
    ctl.AboutBox()
    ctl.AboutBox()
    assert [t for (t, _) in rec.seen] == ["About Qarnedit Control"] * 2


def test_about_box_by_its_dispid(ctl):
    rec = Recorder()
    qarnedit.desktop.on_dialog = rec
    assert ctl.dispid("AboutBox") == -552
    ctl.invoke(-552)
    assert len(rec.seen) == 1


def test_without_a_script_the_about_box_is_closed_at_once(ctl):
    assert qarnedit.desktop.on_dialog is None
    ctl.AboutBox()  # must not block


def test_the_dialog_object_reports_script_mistakes(ctl):
    errors = []

    def script(dlg):
        for bad in (lambda: dlg.text(4711), lambda: dlg.click(4711), lambda: dlg.combo_items(IDOK),
                    lambda: dlg.select(IDOK, 0)):
            with pytest.raises(ValueError) as info:
                bad()
            errors.append(str(info.value))
        assert dlg.text(IDOK) == "OK"
        assert dlg.checked(IDOK) is False
        dlg.ok()
        with pytest.raises(ValueError):
            dlg.cancel()

    qarnedit.desktop.on_dialog = script
    ctl.AboutBox()
    assert len(errors) == 4
    assert "4711" in errors[0]


def test_a_kept_dialog_object_is_dead_after_the_call(ctl):
    rec = Recorder()
    qarnedit.desktop.on_dialog = rec
    ctl.AboutBox()
    with pytest.raises(ValueError, match="no longer shown"):
        rec.dlg.title
