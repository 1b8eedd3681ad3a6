"""What a script sees of the control: its names and DISPIDs, and how values convert."""
import pathlib
import re

import pytest

import qarnedit

IDL = pathlib.Path(__file__).resolve().parents[2] / "control" / "qarnedit.idl"
STOCK = {"DISPID_BACKCOLOR": -501, "DISPID_FORECOLOR": -513, "DISPID_FONT": -512, "DISPID_ABOUTBOX": -552}


def published_dispids():
    """Every member of the control's dispinterface with the DISPID its type library publishes."""
    text = IDL.read_text()
    body = text[text.index("dispinterface _DQarnedit"):text.index("dispinterface _DQarneditEvents")]
    found = {}
    for dispid, name in re.findall(r"\[id\((\w+|-?\d+)\)[^\]]*\]\s*[\w*]+\s+(\w+)", body):
        found[name] = STOCK[dispid] if dispid in STOCK else int(dispid)
    return found


def test_every_member_has_the_dispid_the_type_library_publishes(ctl):
    dispids = published_dispids()
    assert len(dispids) == 31, sorted(dispids)
    for name, dispid in dispids.items():
        assert ctl.dispid(name) == dispid, name
    assert ctl.invoke(dispids["isEditing"]) is False, "members are reached by DISPID too"


def test_properties_come_back_as_python_values(ctl):
    assert ctl.qarnocx is None, "an empty object property is None"
    assert ctl.stringFile == "", "an empty string property is an empty str"
    ctl.penColor = 0x00FF00
    ctl.fillStyle = -3
    ctl.FormatPolylineParams = "L=%.2f m\u00b2 "
    ctl.BackColor = 0x00112233
    assert (ctl.penColor, ctl.fillStyle, ctl.BackColor) == (0x00FF00, -3, 0x00112233)
    assert ctl.FormatPolylineParams == "L=%.2f m\u00b2 "
    assert ctl.isEditing() is False, "VARIANT_BOOL results are bool"


def test_unknown_members_and_wrong_arguments(ctl):
    ctl.NoSnapKey = 70000 - 69984  # an int the dispatch layer sends as a long
    assert ctl.NoSnapKey == 16
    with pytest.raises(TypeError, match="fillStyle"):
        ctl.fillStyle = 100000  # does not fit the short
    with pytest.raises(AttributeError):
        ctl.noSuchMember
    with pytest.raises(AttributeError):
        ctl.noSuchMethod()
    with pytest.raises(TypeError) as err:
        ctl.drawPolygon(1, 2)
    assert "drawPolygon" in str(err.value)
    with pytest.raises(TypeError) as err:
        ctl.setBasePointQarnEdit("a", 2, 3)
    assert "setBasePointQarnEdit" in str(err.value) and "(argument 1)" in str(err.value)
    with pytest.raises(TypeError, match="list"):
        ctl.penColor = [1]
    with pytest.raises(ValueError):
        qarnedit.CreateObject("QARNEDIT.NoSuchCtrl.1")


def test_qarnocx_is_stored_and_given_back(ctl, host):
    ctl.qarnocx = host.dispatch
    back = ctl.qarnocx
    assert back == host.dispatch and back != ctl
    assert back.GetEngineHandle() == host.engine_handle
    with pytest.raises(TypeError, match="not a control"):
        qarnedit.SaveStream(back)
    back.refuseEngine = True  # bool and float arguments arrive as given, in the order given
    back.setView(2.5, 10, 20)
    assert host.refuse_engine is True and host.world_to_screen(12.0, 20.0) == (5.0, 480.0)
    # The control takes no reference: the module keeps the object it was given alive,
    # so a call after its host is gone fails instead of reaching freed memory.
    ctl.qarnocx = qarnedit.ReferenceHost().dispatch
    with pytest.raises(RuntimeError):
        ctl.qarnocx.GetEngineHandle()


def test_undo_members_and_the_errors_they_raise(ctl, host):
    assert (ctl.undo(), ctl.redo(), ctl.canUndo, ctl.canRedo) == (False, False, False, False)
    for name in ("canUndo", "canRedo"):
        with pytest.raises(AttributeError, match=f"{name}: read-only"):
            setattr(ctl, name, True)
    with pytest.raises(TypeError, match="undo"):
        ctl.undo(1)
    with pytest.raises(TypeError, match="undoMemoryLimit"):
        ctl.undoMemoryLimit = "a lot"
    assert ctl.undoMemoryLimit == 268435456
    for refused in (0, -1):
        with pytest.raises(ValueError, match="undoMemoryLimit"):
            ctl.undoMemoryLimit = refused
    # A setting of the control, kept through an edit.
    ctl.qarnocx = host.dispatch
    ctl.drawPolyline()
    ctl.undoMemoryLimit = 4096
    ctl.abortEdit()
    assert ctl.undoMemoryLimit == 4096
    # The stream keeps its layout without the limit (tests/core/cross_platform_persist_test.cpp),
    # and loading one leaves the limit alone.
    qarnedit.LoadStream(ctl, qarnedit.SaveStream(qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")))
    assert ctl.undoMemoryLimit == 4096
