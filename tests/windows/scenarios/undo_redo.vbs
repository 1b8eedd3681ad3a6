' Undo and redo through the registered module as a script container drives them: a
' drawn vertex taken back and replayed, a vertex drag taken back, and the saved record.
' Which steps the history keeps and what each undo restores are the editor's
' (tests/core/undo_test.cpp).
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

' World X, Y as the record keeps them: little-endian doubles, as hex.
Const X10 = "0000000000002440", Y20 = "0000000000003440", X110 = "0000000000805b40"
Const Y95 = "0000000000c05740"

Function LEValue(hexText, off, count)
  Dim i, v
  v = 0
  For i = count - 1 To 0 Step -1
    v = v * 256 + CLng("&H" & Mid(hexText, 2 * (off + i) + 1, 2))
  Next
  LEValue = v
End Function

' The saved polyline's vertex count and its XY block, as "count:hex".
Function SavedVertices(host, ctl)
  Dim record
  record = host.readMemory(ctl.getDrawnNTT, 49)
  If Len(record) <> 98 Then
    SavedVertices = "unreadable record"
  Else
    SavedVertices = LEValue(record, 25, 4) & ":" & host.readMemory(LEValue(record, 29, 4), 16 * LEValue(record, 25, 4))
  End If
End Function

Sub Click(host, x, y)
  host.press x, y
  host.release x, y
End Sub

Dim host, ctl
CreateConnected host, ctl

' World (10, 20), (110, 20), (110, 95): the view puts world Y up from its bottom edge.
ctl.drawPolyline
Click host, 10, 460
Click host, 110, 460
Click host, 110, 385
CheckNoError "three clicks"
CheckEqual "canUndo after three clicks", True, ctl.canUndo

host.clearLog
CheckEqual "undo of the third click", True, ctl.undo()
CheckTrue "the view is repainted after the undo", InStr(host.callLog, "RequestRepaint(") > 0, _
  "host calls: " & host.callLog
CheckEqual "canRedo after the undo", True, ctl.canRedo
CheckEqual "redo of the third click", True, ctl.redo()

' Move vertex from the popup, then drag the third vertex to world (160, 95), and take
' the drag back: the saved record has the vertex where it was before.
host.menuAnswer = 32769
host.rightPress 200, 200
host.press 110, 385
host.move 160, 385
host.release 160, 385
CheckNoError "drag the third vertex"
CheckEqual "undo of the drag", True, ctl.undo()
CheckEqual "saveEdit", True, ctl.saveEdit()
CheckEqual "the saved record", "3:" & X10 & Y20 & X110 & Y20 & X110 & Y95, SavedVertices(host, ctl)
CheckEqual "the history ends with the edit", False, ctl.canUndo
CheckNoError "reading the record"
Finish
