' The AboutBox method shows the module's About dialog modally; the desktop closes it
' with OK and the dialog's title and texts are what the user read.
' needs: QARNEDIT.OCX QARNREF.DLL
On Error Resume Next

Dim host, ctl
Set host = CreateObject("QARNREF.RefHost.1")
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
CheckNoError "create the host and the control"
If Not (IsObject(ctl) And IsObject(host)) Then Finish

host.dialogAnswer = "ok"
ctl.AboutBox
CheckNoError "AboutBox answered with OK"

Dim dialogs
dialogs = LogLines(host.dialogLog)
CheckEqual "one dialog shown", 0, UBound(dialogs)
If UBound(dialogs) >= 0 Then
  CheckEqual "the title", "About Qarnedit Control", Left(dialogs(0), InStr(dialogs(0) & ";", ";") - 1)
  CheckTrue "the version text", InStr(dialogs(0), "|Qarnedit Control, Version 1.0") > 0, dialogs(0)
  CheckTrue "the OK button", InStr(dialogs(0), ";1|OK") > 0, dialogs(0)
End If

CheckEqual "no message box", "", host.messageBoxLog

' A second call shows it again: the first one really ended.
ctl.AboutBox
CheckNoError "a second AboutBox"
dialogs = LogLines(host.dialogLog)
CheckEqual "two dialogs shown", 1, UBound(dialogs)
Finish
