"""The right-button menu as a script host meets it: the popup qarnedit.desktop.on_menu is
shown, and the command its answer runs."""
import pytest

import qarnedit

HEIGHT = 480  # the host's view: world (X, Y) is at pixel (X, HEIGHT - Y)

POLYLINE_ITEMS = [
    (32768, "&Continue drawing", False),
    (32793, "Inver&t", False),
    (32791, "Bac&k", True),
    (0, "", False),
    (32795, "&Enable polar point", False),
    (32796, "D&isable polar point", True),
    (0, "", False),
    (32769, "&Move vertex", False),
    (32770, "&Insert vertex", False),
    (32771, "&Delete vertex", False),
    (0, "", False),
    (32782, "Mo&ve", False),
    (32784, "&Rotate", False),
    (32786, "&Scale", False),
    (0, "", False),
    (32772, "&Abort", False),
    (32773, "Do&ne", True),
]


def click(host, x, y):
    host.press(int(x), int(HEIGHT - y))
    host.release(int(x), int(HEIGHT - y))


class Menus:
    """Answers each popup with the next id of a list and keeps what it was shown."""

    def __init__(self, *answers):
        self.answers = list(answers)
        self.shown = []
        qarnedit.desktop.on_menu = self

    def __call__(self, popup):
        self.shown.append((popup.title, list(popup.items)))
        return self.answers.pop(0) if self.answers else 0


@pytest.fixture
def editing(ctl, host, sink):
    ctl.qarnocx = host.dispatch
    return ctl


def right_click(host):
    host.right_press(300, 300)


def test_the_polyline_popup_before_any_vertex(editing, host):
    menus = Menus(0)
    editing.drawPolyline()
    right_click(host)
    assert len(menus.shown) == 1
    title, items = menus.shown[0]
    assert title == "POLYLINE"
    for expected, got in zip(POLYLINE_ITEMS, items):
        assert tuple(got) == expected, f"expected item {expected!r}, got {tuple(got)!r}"
    assert len(items) == len(POLYLINE_ITEMS)
    assert editing.isEditing() is True, "a dismissed popup changes nothing"


def test_choosing_done_saves_the_figure(editing, host, sink):
    Menus(32773)
    editing.drawPolyline()
    click(host, 10, 20)
    click(host, 110, 20)
    right_click(host)
    assert editing.isEditing() is False
    assert editing.getDrawnNTT() != 0
    assert sink.names()[-1] == "EditDone"


def test_a_menu_script_that_fails_dismisses_the_menu(ctl, host, sink):
    ctl.qarnocx = host.dispatch
    ctl.drawPolyline()

    def broken(popup):
        raise RuntimeError("the script fails")

    qarnedit.desktop.on_menu = broken
    host.right_press(10, 10)  # reported, not raised through the control
    assert ctl.isEditing() is True
    assert "EditDone" not in sink.names() and "EditAborted" not in sink.names()
