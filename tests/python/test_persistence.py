"""The container's property stream and property bag as a script holds them: bytes and a
dict. What is stored, older and broken streams and a bag's conversions are the
framework's, tested in C++ (tests/dispatch/persist_test.cpp)."""
import pytest

import qarnedit


def customise(ctl):
    ctl.penColor = 0x00123456
    ctl.NoSnapKey = 16
    ctl.FormatPolylineParams = "L=%.2f "


def custom_values(ctl):
    return (ctl.penColor, ctl.NoSnapKey, ctl.FormatPolylineParams)


CUSTOM = (0x00123456, 16, "L=%.2f ")


def test_a_stream_is_bytes_a_broken_one_raises_value_error_and_a_bag_is_a_dict(ctl):
    customise(ctl)
    data, bag = qarnedit.SaveStream(ctl), qarnedit.SaveBag(ctl)
    assert isinstance(data, bytes)
    assert bag["formatPolylineParams"] == "L=%.2f " and bag["penColor"] == 0x00123456
    for load in (lambda other: qarnedit.LoadStream(other, data),
                 lambda other: qarnedit.LoadBag(other, dict(bag, SomethingElse=42))):
        other = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
        load(other)
        assert custom_values(other) == CUSTOM
        with pytest.raises(ValueError):
            qarnedit.LoadStream(other, b"\xff" * 64)
        assert custom_values(other) == CUSTOM
