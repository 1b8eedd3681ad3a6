' With a host and its engine, drawPolyline registers the handler and painter, forces
' the input state, and abortEdit gives back what the edit changed.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Dim host, ctl
Set host = CreateObject("QARNREF.RefHost.1")
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
CheckNoError "create the host and the control"
If Not (IsObject(ctl) And IsObject(host)) Then Finish
host.messageBoxAnswer = 1
ctl.qarnocx = host
CheckNoError "ctl.qarnocx = host (property put)"
Set ctl.qarnocx = host
CheckNoError "Set ctl.qarnocx = host (put by reference)"
CheckEqual "host view size", "640x480", host.width & "x" & host.height
host.clearLog

ctl.drawPolyline
CheckEqual "isEditing after drawPolyline", True, ctl.isEditing()
CheckEqual "host calls to start an edit", _
  "GetEngineHandle,GetEngineFromHandle,SetPointerHandler,SetOverlayPainter,GetInputState,GetReferencePoint,SetInputState", _
  CallNames(host.callLog)
CheckEqual "no message box", -1, UBound(LogLines(host.messageBoxLog))
CheckEqual "canSaveNow with nothing drawn", False, ctl.canSaveNow()
CheckEqual "saveEdit with nothing drawn", False, ctl.saveEdit()
CheckEqual "still editing after a refused save", True, ctl.isEditing()

host.clearLog
ctl.abortEdit
CheckEqual "isEditing after abortEdit", False, ctl.isEditing()
CheckTrue "abort unregisters the pointer handler", InStr(host.callLog, "SetPointerHandler(") > 0, _
  "expected a SetPointerHandler call, got " & Show(host.callLog)
CheckNoError "the edit's calls"
Finish
