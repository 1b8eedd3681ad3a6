' Drawing before the container hands over a host shows the first error box, once per
' call, with a stop icon, and starts nothing.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Const NO_HOST = "ERROR: set the qarnocx property before to use the qarnedit ActiveX control."
Const MB_ICONSTOP = 16
Dim host, ctl, boxes, i, parts
Set host = CreateObject("QARNREF.RefHost.1")
CheckNoError "create QARNREF.RefHost.1"
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
CheckNoError "create QARNEDIT.QarneditCtrl.1"
If Not (IsObject(ctl) And IsObject(host)) Then Finish
host.messageBoxAnswer = 1

ctl.drawPolyline
ctl.drawPolygon
ctl.drawPoint
CheckNoError "the draw methods return normally"
CheckEqual "isEditing after refused draws", False, ctl.isEditing()

boxes = LogLines(host.messageBoxLog)
CheckEqual "one message box per draw call", 2, UBound(boxes)
For i = 0 To UBound(boxes)
  parts = Split(boxes(i), "|")
  CheckEqual "box " & (i + 1) & " has caption, text and flags", 2, UBound(parts)
  If UBound(parts) = 2 Then
    CheckEqual "box " & (i + 1) & " text", NO_HOST, parts(1)
    CheckEqual "box " & (i + 1) & " flags (stop icon, OK)", CStr(MB_ICONSTOP), parts(2)
  End If
Next
CheckEqual "the host was never called", "", CallNames(host.callLog)
Finish
