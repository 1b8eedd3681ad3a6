' The reference host's script contract under the Windows runtime: what only the
' registered modules show through cscript. The host's names, text formats, call log,
' variables and memory reads' rules are tested on Linux (tests/refhost, tests/python);
' here cscript's by-reference variables are filled through the real oleaut32, a read of
' unmapped memory comes back empty instead of faulting, the picture is a real file, and
' the host's watcher answers a real message box and the editor's modal About dialog.
' Run: wine cscript //nologo host_contract.vbs   (after regsvr32 QARNREF.DLL QARNEDIT.OCX)
' Prints one line per failed check and "host contract: N checks, M failed"; the exit
' code is the number of failures.
Option Explicit

Dim checks, failures
checks = 0 : failures = 0

Sub Expect(what, expected, actual)
  checks = checks + 1
  If CStr(expected) <> CStr(actual) Then
    failures = failures + 1
    WScript.Echo "FAIL " & what & ": expected [" & expected & "], got [" & actual & "]"
  End If
End Sub

Dim host, X, Y, Z, r, fso, path
Set host = CreateObject("QARNREF.RefHost.1")

' View transform: scale 2, origin (10, 20); world Y up, pixel Y down from a 480 high view
host.setView 2, 10, 20
host.setWorkPlane 0, 0, 0, 0, 0, 5
X = 0 : Y = 0 : Z = 0
' The 2D side of ViewToWorld is the view plane's world coordinates. Every out parameter
' of the host is written the same way; what each method answers is tested on Linux.
r = host.ViewToWorld(40, 400, X, Y, Z)
Expect "ViewToWorld X", 40, X
Expect "ViewToWorld Y", 400, Y
Expect "ViewToWorld Z (plane origin)", 5, Z

' Checked reads: a bad address reads nothing instead of crashing
Expect "read top of the 32-bit space", "", host.readMemory(4294967288, 16)

' A picture of the view: 24-bit BMP, 54-byte header plus 640 * 3 bytes per row
Set fso = CreateObject("Scripting.FileSystemObject")
path = fso.BuildPath(fso.GetSpecialFolder(2), "qarnref_view.bmp")
host.repaint
Expect "savePicture", True, host.savePicture(path)
Expect "picture size", 54 + 640 * 3 * 480, fso.GetFile(path).Size
fso.DeleteFile path

' Message boxes of the process are logged and answered (7 = No)
Expect "no boxes yet", "", host.messageBoxLog
host.messageBoxAnswer = 7

r = MsgBox("Replace the polygon?", 4 + 32, "qarnedit")
Expect "box answered with No", 7, r
Expect "box logged", "qarnedit|Replace the polygon?|36", host.messageBoxLog

' The editor's About dialog is modal: the watcher closes it with OK, and its title and
' texts are what the user read. A second call shows it again, so the first really ended.
Dim ctl, dialogs
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
host.dialogAnswer = "ok"
ctl.AboutBox
dialogs = Split(host.dialogLog, vbCrLf)
Expect "one dialog shown", 0, UBound(dialogs)
Expect "its title", "About Qarnedit Control", Left(dialogs(0), InStr(dialogs(0) & ";", ";") - 1)
Expect "its version text", True, InStr(dialogs(0), "|Qarnedit Control, Version 1.0") > 0
Expect "its OK button", True, InStr(dialogs(0), ";1|OK") > 0
ctl.AboutBox
Expect "a second AboutBox", 1, UBound(Split(host.dialogLog, vbCrLf))
Set ctl = Nothing

WScript.Echo "host contract: " & checks & " checks, " & failures & " failed"
WScript.Quit failures
