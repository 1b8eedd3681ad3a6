import pytest

import qarnedit

HEIGHT = 480  # the host's default view: world (X, Y) is at pixel (X, HEIGHT - Y)


def click(host, x, y):
    """A left click at world (x, y) in the host's default view."""
    host.press(int(x), int(HEIGHT - y))
    host.release(int(x), int(HEIGHT - y))


class Sink:
    """Records every event the control fires, in order."""

    def __init__(self):
        self.events = []
        self.snap_answer = None

    def EditDone(self):
        self.events.append(("EditDone",))

    def EditAborted(self):
        self.events.append(("EditAborted",))

    def Snap(self, x, y):
        self.events.append(("Snap", x, y))
        return self.snap_answer

    def CaptionChanged(self, newCaption):
        self.events.append(("CaptionChanged", newCaption))

    def names(self):
        return [e[0] for e in self.events]


@pytest.fixture(autouse=True)
def fresh_desktop():
    qarnedit.desktop.reset()
    yield
    qarnedit.desktop.reset()


@pytest.fixture
def host():
    h = qarnedit.ReferenceHost(width=640, height=480)
    h.file_version = None
    return h


@pytest.fixture
def ctl():
    return qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")


@pytest.fixture
def sink(ctl):
    s = Sink()
    cookie = qarnedit.Advise(ctl, s)
    yield s
    qarnedit.Unadvise(ctl, cookie)
