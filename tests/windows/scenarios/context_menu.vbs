' A right-click in the host's view opens the POLYLINE popup at the cursor; choosing
' Done from it saves the two drawn vertices and ends the edit.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Dim host, ctl
CreateConnected host, ctl

ctl.drawPolyline
host.press 10, 460
host.release 10, 460
host.press 110, 460
host.release 110, 460
CheckNoError "two clicks"
CheckEqual "canSaveNow with two vertices", True, ctl.canSaveNow()

host.menuAnswer = 32773
host.clearLog
host.rightPress 200, 200
CheckNoError "right-click answered with Done"

CheckEqual "not editing after Done", False, ctl.isEditing()
CheckTrue "Done saved a record", ctl.getDrawnNTT <> 0, "getDrawnNTT gave 0"
Dim calls
calls = LogLines(host.callLog)
If UBound(calls) >= 0 Then
  CheckEqual "the popup's owner is asked first", "GetViewWindow", CallName(calls(0))
Else
  CheckTrue "the right-click reached the host", False, "no host calls were logged"
End If

Dim menus, expectedItems
menus = LogLines(host.menuLog)
CheckEqual "one popup shown", 0, UBound(menus)
' Separators are not listed; Disable polar point is grayed while polar input is off.
expectedItems = ";32768|&Continue drawing|0;32793|Inver&t|0;32791|Bac&k|0" & _
  ";32795|&Enable polar point|0;32796|D&isable polar point|1" & _
  ";32769|&Move vertex|0;32770|&Insert vertex|0;32771|&Delete vertex|0" & _
  ";32782|Mo&ve|0;32784|&Rotate|0;32786|&Scale|0;32772|&Abort|0;32773|Do&ne|0"
If UBound(menus) >= 0 Then
  CheckEqual "the POLYLINE popup and its items", expectedItems, Mid(menus(0), InStr(menus(0), ";"))
End If
CheckNoError "reading the logs"
Finish
