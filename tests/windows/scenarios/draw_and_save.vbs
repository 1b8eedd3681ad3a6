' A polyline drawn by pointer presses and releases in the host's view is saved as a
' 2D polyline record: its 49 bytes and its vertex block, read from the record memory.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

' The little-endian unsigned value of count bytes at byte offset off of a hex text.
Function LEValue(hexText, off, count)
  Dim i, v
  v = 0
  For i = count - 1 To 0 Step -1
    v = v * 256 + CLng("&H" & Mid(hexText, 2 * (off + i) + 1, 2))
  Next
  LEValue = v
End Function

Dim host, ctl
Set host = CreateObject("QARNREF.RefHost.1")
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
CheckNoError "create the host and the control"
If Not (IsObject(ctl) And IsObject(host)) Then Finish
host.messageBoxAnswer = 1
Set ctl.qarnocx = host
CheckNoError "connect the control to the host"
CheckEqual "host view size", "640x480", host.width & "x" & host.height

ctl.drawPolyline
CheckEqual "editing after drawPolyline", True, ctl.isEditing()
host.clearLog
' World (10, 20), (110, 20), (110, 95): the view puts world Y up from its bottom edge.
host.press 10, 460
CheckEqual "host calls of one press", "ScreenToWorld,RequestRepaint,SetReferencePoint", CallNames(host.callLog)
host.release 10, 460
CheckEqual "canSaveNow with one vertex", False, ctl.canSaveNow()
host.press 110, 460
host.release 110, 460
host.press 110, 385
host.release 110, 385
CheckNoError "three clicks"
CheckEqual "canSaveNow with three vertices", True, ctl.canSaveNow()
CheckEqual "saveEdit", True, ctl.saveEdit()
CheckEqual "not editing after the save", False, ctl.isEditing()

Dim address, record, xyAddress
address = ctl.getDrawnNTT
CheckTrue "getDrawnNTT gives a record", address <> 0, "got 0"
record = host.readMemory(address, 49)
' The host must reach the control's record memory; when it cannot, every field below
' would fail the same way, so they are checked only once the bytes are there.
CheckTrue "the host reads the record's 49 bytes", Len(record) = 98, _
  "host.readMemory(" & address & ", 49) gave " & Show(record)
If Len(record) = 98 Then
  CheckEqual "size (offset 0)", "21000000", Mid(record, 1, 8)
  CheckEqual "type polyline (offset 4)", "05000000", Mid(record, 9, 8)
  CheckEqual "host fields (offsets 8 to 23)", "00000000" & "0001" & "00000000" & "0001" & "00000000", Mid(record, 17, 32)
  CheckEqual "open (offset 24)", "00", Mid(record, 49, 2)
  CheckEqual "vertex count (offset 25)", "03000000", Mid(record, 51, 8)
  CheckEqual "no Z block (offset 33)", "00000000", Mid(record, 67, 8)
  CheckEqual "no part block (offset 37)", "00000000", Mid(record, 75, 8)
  CheckEqual "one part (offset 41)", "01000000", Mid(record, 83, 8)
  CheckEqual "no part flags (offset 45)", "00000000", Mid(record, 91, 8)

  xyAddress = LEValue(record, 29, 4)
  CheckTrue "an XY block (offset 29)", xyAddress <> 0, "got a null pointer"
  CheckEqual "the XY block: 10, 20, 110, 20, 110, 95", _
    "0000000000002440" & "0000000000003440" & "0000000000805b40" & "0000000000003440" & _
    "0000000000805b40" & "0000000000c05740", host.readMemory(xyAddress, 48)
End If
CheckNoError "reading the record"
Finish
