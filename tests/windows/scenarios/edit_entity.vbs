' A polyline drawn by pointer presses and saved is edited again from its record:
' editNTT accepts it and the edit begins; an address that is no record is refused.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Dim host, ctl
CreateConnected host, ctl

' World (10, 20), (110, 20), (110, 95): the view puts world Y up from its bottom edge.
ctl.drawPolyline
host.press 10, 460
host.release 10, 460
host.press 110, 460
host.release 110, 460
host.press 110, 385
host.release 110, 385
CheckEqual "saveEdit of the drawn polyline", True, ctl.saveEdit()
CheckEqual "not editing after the save", False, ctl.isEditing()
Dim saved
saved = ctl.getDrawnNTT
CheckTrue "getDrawnNTT gives a record", saved <> 0, "got 0"

host.clearLog
CheckEqual "editNTT of the saved record", True, ctl.editNTT(saved)
CheckNoError "editNTT"
CheckEqual "isEditing after editNTT", True, ctl.isEditing()
CheckEqual "host calls of the load", _
  "GetEngineHandle,GetEngineFromHandle,SetPointerHandler,SetOverlayPainter,RequestRepaint,GetInputState,GetReferencePoint,SetInputState", _
  CallNames(host.callLog)
' The loaded vertex at (110, 20) can be dragged at once: the edit starts in the moving step.
host.press 110, 460
host.release 200, 400
CheckEqual "saveEdit of the edited polyline", True, ctl.saveEdit()
CheckNoError "drag and save"

Dim edited
edited = ctl.getDrawnNTT
host.clearLog
ctl.hiliteNttVertexes edited
CheckNoError "hiliteNttVertexes of the edited record"
CheckEqual "not editing while highlighting", False, ctl.isEditing()
CheckEqual "host calls of the highlight", "GetEngineHandle,GetEngineFromHandle,SetOverlayPainter,RequestRepaint", _
  CallNames(host.callLog)
ctl.hiliteNttVertexes 0

host.clearLog
CheckEqual "editNTT(12345) is refused", False, ctl.editNTT(12345)
CheckNoError "editNTT(12345)"
CheckEqual "not editing after the refusal", False, ctl.isEditing()
CheckEqual "a refused record registers nothing", "GetEngineHandle,GetEngineFromHandle", CallNames(host.callLog)
CheckEqual "editNTT(0) is refused", False, ctl.editNTT(0)
CheckEqual "no message box", -1, UBound(LogLines(host.messageBoxLog))
Finish
