' A host that gives no engine: the second error box, and only the handle was asked for.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Const NO_ENGINE = "Error connecting to qarnocx"
Dim host, ctl, boxes, parts
Set host = CreateObject("QARNREF.RefHost.1")
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
CheckNoError "create the host and the control"
If Not (IsObject(ctl) And IsObject(host)) Then Finish
host.messageBoxAnswer = 1
Set ctl.qarnocx = host
CheckNoError "Set ctl.qarnocx = host"
host.engineHandle = 0
host.clearLog

ctl.drawPolygon
CheckEqual "isEditing without an engine", False, ctl.isEditing()
boxes = LogLines(host.messageBoxLog)
CheckEqual "exactly one message box", 0, UBound(boxes)
If UBound(boxes) >= 0 Then
  parts = Split(boxes(0), "|")
  If UBound(parts) = 2 Then
    CheckEqual "box text", NO_ENGINE, parts(1)
    CheckEqual "box flags", "16", parts(2)
  Else
    CheckTrue "box line has caption|text|flags", False, "got " & Show(boxes(0))
  End If
End If
CheckEqual "host calls", "GetEngineHandle", CallNames(host.callLog)
Finish
