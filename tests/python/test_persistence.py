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


def test_a_stream_is_bytes_and_a_broken_one_raises_value_error(ctl):
    customise(ctl)
    data = qarnedit.SaveStream(ctl)
    assert isinstance(data, bytes)
    other = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    qarnedit.LoadStream(other, data)
    assert custom_values(other) == CUSTOM
    with pytest.raises(ValueError):
        qarnedit.LoadStream(other, b"\xff" * 64)
    assert custom_values(other) == CUSTOM


def test_a_bag_is_a_dict_by_property_name(ctl):
    customise(ctl)
    bag = qarnedit.SaveBag(ctl)
    assert bag["formatPolylineParams"] == "L=%.2f " and bag["penColor"] == 0x00123456
    other = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    bag["SomethingElse"] = 42
    qarnedit.LoadBag(other, bag)
    assert custom_values(other) == CUSTOM
