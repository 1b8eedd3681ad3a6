' A polyline drawn by pointer presses and releases in the host's view is saved, and the
' host reads the record and its vertex block from the record memory the two modules
' share. The record's layout is the editor's (tests/core); the same records made under
' the runtime and on Linux are compared byte for byte by the e2e scenarios.
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
CreateConnected host, ctl

ctl.drawPolyline
CheckEqual "editing after drawPolyline", True, ctl.isEditing()
' World (10, 20), (110, 20), (110, 95): the view puts world Y up from its bottom edge.
host.press 10, 460
host.release 10, 460
host.press 110, 460
host.release 110, 460
host.press 110, 385
host.release 110, 385
CheckNoError "three clicks"
CheckEqual "saveEdit", True, ctl.saveEdit()

Dim address, record, xyAddress
address = ctl.getDrawnNTT
CheckTrue "getDrawnNTT gives a record", address <> 0, "got 0"
record = host.readMemory(address, 49)
CheckTrue "the host reads the record's 49 bytes", Len(record) = 98, _
  "host.readMemory(" & address & ", 49) gave " & Show(record)
If Len(record) = 98 Then
  CheckEqual "type polyline (offset 4)", "05000000", Mid(record, 9, 8)
  xyAddress = LEValue(record, 29, 4)
  CheckTrue "an XY block (offset 29)", xyAddress <> 0, "got a null pointer"
  CheckEqual "the XY block: 10, 20, 110, 20, 110, 95", _
    "0000000000002440" & "0000000000003440" & "0000000000805b40" & "0000000000003440" & _
    "0000000000805b40" & "0000000000c05740", host.readMemory(xyAddress, 48)
End If
CheckNoError "reading the record"
Finish
