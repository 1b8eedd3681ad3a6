"""The container's property stream and property bag."""
import pytest

import qarnedit


def customise(ctl):
    ctl.penColor = 0x00123456
    ctl.NoSnapKey = 16
    ctl.NoPolarKey = 17
    ctl.fillStyle = 4
    ctl.FormatPolylineParams = "L=%.2f "
    ctl.FormatPolygonParams = "A=%.1f P=%.1f "


def custom_values(ctl):
    return (ctl.penColor, ctl.NoSnapKey, ctl.NoPolarKey, ctl.fillStyle, ctl.FormatPolylineParams,
            ctl.FormatPolygonParams)


CUSTOM = (0x00123456, 16, 17, 4, "L=%.2f ", "A=%.1f P=%.1f ")
DEFAULTS = (255, 0, 0, 0, "", "")


def test_stream_round_trip_restores_the_six_properties(ctl):
    customise(ctl)
    data = qarnedit.SaveStream(ctl)
    other = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    qarnedit.LoadStream(other, data)
    assert custom_values(other) == CUSTOM


def test_not_persisted_properties_stay_out_of_the_stream(ctl, host):
    ctl.stringFile = "/tmp/strings.ini"
    ctl.qarnocx = host.dispatch
    other = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    qarnedit.LoadStream(other, qarnedit.SaveStream(ctl))
    assert other.stringFile == ""
    assert other.qarnocx is None


def test_garbage_is_refused(ctl):
    for junk in (b"", b"\x00", b"\xff" * 64, b"QARN" * 10):
        with pytest.raises(ValueError):
            qarnedit.LoadStream(ctl, junk)
    assert custom_values(ctl) == DEFAULTS


def test_bag_round_trip_and_names(ctl):
    customise(ctl)
    bag = qarnedit.SaveBag(ctl)
    for name in ("penColor", "NoSnapKey", "NoPolarKey", "fillStyle", "formatPolylineParams", "formatPolygonParams"):
        assert name in bag, name
    assert bag["formatPolylineParams"] == "L=%.2f "
    other = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    bag["SomethingElse"] = 42
    qarnedit.LoadBag(other, bag)
    assert custom_values(other) == CUSTOM
