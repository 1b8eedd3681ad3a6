' "Enable polar point" from the POLYLINE popup opens the Get Polar Point dialog made
' from its template; ticking Angle and typing 45 fixes the direction, and the host's
' mode pair is cleared for the polar input.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Dim host, ctl
CreateConnected host, ctl
host.modePair = "4 5"
CheckNoError "set the host's mode pair"

ctl.drawPolyline
host.press 10, 460
host.release 10, 460
CheckNoError "one click"

host.menuAnswer = 32795
host.dialogAnswer = "201=45;ok"
host.rightPress 200, 200
CheckNoError "Enable polar point answered through the dialog"

Dim dialogs
dialogs = LogLines(host.dialogLog)
CheckEqual "one dialog shown", 0, UBound(dialogs)
If UBound(dialogs) >= 0 Then
  CheckEqual "its title", "Get Polar Point", Left(dialogs(0), InStr(dialogs(0) & ";", ";") - 1)
  CheckTrue "its angle box", InStr(dialogs(0), ";203|Angle:") > 0, "no Angle: box in " & Show(dialogs(0))
  CheckTrue "its base choice", InStr(dialogs(0), ";207|") > 0, "no combo box 207 in " & Show(dialogs(0))
End If
CheckEqual "the mode pair is cleared while the direction is fixed", "0 0", host.modePair
CheckEqual "still editing", True, ctl.isEditing()

ctl.abortEdit
CheckEqual "the mode pair comes back at the end of the edit", "4 5", host.modePair
CheckNoError "the end of the edit"
Finish
