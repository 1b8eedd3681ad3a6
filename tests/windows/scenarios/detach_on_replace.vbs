' A host that detaches every replaced registration, the same object included:
' drawPolyline during a running polygon makes the host detach the polygon's handler,
' which aborts the polygon (it lets go of its painter) before the polyline registers.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Dim host, ctl, lines
CreateConnected host, ctl
ctl.drawPolygon
host.press 100, 100 : host.release 100, 100
CheckEqual "editing the polygon", True, ctl.isEditing()

host.detachOnReplace = True
CheckEqual "detachOnReplace reads back", True, host.detachOnReplace
host.clearLog
ctl.drawPolyline
CheckNoError "drawPolyline during the polygon"
CheckEqual "host calls of the replacement", _
  "GetEngineHandle,GetEngineFromHandle,SetPointerHandler,SetOverlayPainter,SetOverlayPainter,GetInputState,GetReferencePoint,SetInputState", _
  CallNames(host.callLog)
lines = LogLines(host.callLog)
CheckEqual "the aborted polygon unregistered its painter", "SetOverlayPainter(null)", lines(3)
CheckEqual "editing after the replacement", True, ctl.isEditing()
host.press 200, 200 : host.release 200, 200
host.press 300, 250 : host.release 300, 250
CheckEqual "the new polyline can be saved", True, ctl.canSaveNow()

host.clearLog
host.logCalls = False
ctl.abortEdit
CheckEqual "nothing logged with logCalls off", "", host.callLog
CheckEqual "idle after abortEdit", False, ctl.isEditing()
CheckNoError "the edit's calls"
Finish
