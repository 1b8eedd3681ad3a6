"""The right-button menu as a script host meets it: the popup the desktop is shown,
after localisation, and what choosing its commands does to the figure and the record."""
import struct

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


def test_the_popup_is_shown_as_the_string_file_words_it(editing, host, tmp_path):
    strings = tmp_path / "strings.ini"
    strings.write_text("[POLYGON_MENU_ITEMS]\r\n32794=*\r\n32781=Neues &Loch\r\n32779=&Fertig\r\n")
    editing.stringFile = str(strings)
    menus = Menus(0)
    editing.drawPolygon()
    for x, y in [(0, 0), (100, 0), (100, 100)]:
        click(host, x, y)
    right_click(host)
    title, items = menus.shown[0]
    assert title == "POLYGON"
    by_id = {item[0]: (item[1], item[2]) for item in items if item[0]}
    assert 32794 not in by_id, "'*' removes Invert"
    assert by_id[32781] == ("Neues &Loch", False)
    assert by_id[32779] == ("&Fertig", False)
    assert by_id[32798] == ("D&isable polar point", True)
    assert len(items) == 19
    text = strings.read_text()
    assert "32783=Mo&ve" in text, f"the file gains the defaults it lacked:\n{text}"


def test_choosing_done_saves_the_figure(editing, host, sink):
    Menus(32773)
    editing.drawPolyline()
    click(host, 10, 20)
    click(host, 110, 20)
    right_click(host)
    assert editing.isEditing() is False
    assert editing.getDrawnNTT() != 0
    assert sink.names()[-1] == "EditDone"


def test_new_hole_then_done_gives_a_polygon_with_a_hole(editing, host, sink):
    menus = Menus(32781, 32779)
    editing.drawPolygon()
    for x, y in [(0, 0), (200, 0), (200, 200), (0, 200)]:
        click(host, x, y)
    right_click(host)
    assert editing.isEditing() is True
    for x, y in [(50, 50), (150, 50), (100, 150)]:
        click(host, x, y)
    right_click(host)
    assert [title for title, _ in menus.shown] == ["POLYGON", "POLYGON"]
    assert sink.names()[-1] == "EditDone"
    data = qarnedit.memory.read(editing.getDrawnNTT(), 119)
    assert struct.unpack_from("<I", data, 83)[0] == 7, "vertices in all rings"
    assert struct.unpack_from("<I", data, 91)[0] == 2, "rings"
    rings = qarnedit.memory.read(struct.unpack_from("<I", data, 95)[0], 20)
    assert struct.unpack("<IIhIIh", rings) == (0, 4, 1, 4, 3, 2), "a perimeter of 4, then a hole of 3"


def test_back_and_invert_rework_the_ring_before_the_save(editing, host):
    Menus(32791, 32793, 32773)
    editing.drawPolyline()
    for x, y in [(10, 10), (20, 10), (30, 10), (40, 10)]:
        click(host, x, y)
    right_click(host)  # Back: (40, 10) goes
    right_click(host)  # Invert
    right_click(host)  # Done
    data = qarnedit.memory.read(editing.getDrawnNTT(), 49)
    assert struct.unpack_from("<I", data, 25)[0] == 3
    xy = struct.unpack("<6d", qarnedit.memory.read(struct.unpack_from("<I", data, 29)[0], 48))
    assert list(xy) == [30, 10, 20, 10, 10, 10]


def test_a_menu_script_that_fails_dismisses_the_menu(ctl, host, sink):
    ctl.qarnocx = host.dispatch
    ctl.drawPolyline()

    def broken(popup):
        raise RuntimeError("the script fails")

    qarnedit.desktop.on_menu = broken
    host.right_press(10, 10)  # reported, not raised through the control
    assert ctl.isEditing() is True
    assert "EditDone" not in sink.names() and "EditAborted" not in sink.names()
