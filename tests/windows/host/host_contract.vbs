' The reference host's script contract under the Windows runtime, without the editor:
' what a script sets and reads by name, the host's own DISPIDs by name, the call log,
' checked memory reads, pictures and the message box watcher; then the errors of the
' editor control's undo members. The text formats, the log switch and the memory reads' rules are
' tested on Linux (tests/refhost); here cscript reaches them through the registered module.
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

Dim host, other, ax, ay, az, ox, oy, oz, X, Y, Z, vx, vy, r, fso, folder, path, lines
Set host = CreateObject("QARNREF.RefHost.1")

' Size and view defaults
Expect "width", 640, host.width
Expect "height", 480, host.Height
Expect "empty call log", "", host.callLog

' Host state a script forces and reads back, in the contract's text formats
host.variable("UTILS") = "1 2 3"
Expect "variable round trip", "1 2 3", host.variable("UTILS")
host.referencePoint = "1 10.5 -2 0"
Expect "reference point set", "1 10.5 -2 0", host.referencePoint

' The host's own methods, reached by name as a script would reach the real control
Expect "engine handle nonzero", True, host.engineHandle <> 0
Expect "GetEngineHandle = engineHandle", host.engineHandle, host.GetEngineHandle()
host.SetVariable "MODE", "edit"
Expect "SetVariable visible to variable()", "edit", host.variable("MODE")
Expect "GetVariable", "edit", host.GetVariable("MODE")

' View transform: scale 2, origin (10, 20); world Y up, pixel Y down from a 480 high view
host.setView 2, 10, 20
ax = 0 : ay = 0 : az = 0 : ox = 0 : oy = 0 : oz = 0
host.setWorkPlane 0, 0, 0, 0, 0, 5
X = 0 : Y = 0 : Z = 0
' The 2D side of ViewToWorld and ProjectToView is the view plane's world coordinates
r = host.ViewToWorld(40, 400, X, Y, Z)
Expect "ViewToWorld X", 40, X
Expect "ViewToWorld Y", 400, Y
Expect "ViewToWorld Z (plane origin)", 5, Z
vx = 0 : vy = 0
host.ProjectToView 30, 60, 5, vx, vy
Expect "ProjectToView x", 30, vx
Expect "ProjectToView y", 60, vy
host.GetWorkPlane ax, ay, az, ox, oy, oz
Expect "GetWorkPlane origin z", 5, oz

' Every host call in order, one line each
lines = Split(host.callLog, vbCrLf)
Expect "call count", 6, UBound(lines) + 1
Expect "fourth call", "ViewToWorld(40, 400)", lines(3)
host.clearLog
Expect "cleared log", "", host.callLog

' Checked reads: a bad address reads nothing instead of crashing
Expect "read top of the 32-bit space", "", host.readMemory(4294967288, 16)

' The version probe's file
Expect "no host file", "", host.fileVersion
host.fileVersion = "3.0.0.1"
Expect "host file version", "3.0.0.1", host.fileVersion
host.fileVersion = ""
Expect "host file removed", "", host.fileVersion

' Two hosts do not share state or handles
Set other = CreateObject("QARNREF.RefHost.1")
Expect "second host handle differs", True, other.GetEngineHandle() <> host.GetEngineHandle()
Expect "second host variable", "", other.variable("UTILS")

' A picture of the view: 24-bit BMP, 54-byte header plus 640 * 3 bytes per row
Set fso = CreateObject("Scripting.FileSystemObject")
path = fso.BuildPath(fso.GetSpecialFolder(2), "qarnref_view.bmp")
host.repaint
Expect "savePicture", True, host.savePicture(path)
Expect "picture size", 54 + 640 * 3 * 480, fso.GetFile(path).Size
fso.DeleteFile path

' Message boxes of the process are logged and answered (6 = Yes)
Expect "no boxes yet", "", host.messageBoxLog
host.messageBoxAnswer = 7

r = MsgBox("Replace the polygon?", 4 + 32, "qarnedit")
Expect "box answered with No", 7, r
Expect "box logged", "qarnedit|Replace the polygon?|36", host.messageBoxLog

' The editor control's undo members as VBScript's errors show their refusals: canUndo
' and canRedo refuse a put, and the memory limit refuses 0 (their rules are the
' control's, tested by the script host).
Dim ctl, putError, putText
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
ctl.undoMemoryLimit = 1048576
On Error Resume Next
ctl.canUndo = True
putError = Err.Number : Err.Clear
Expect "put of canUndo: object doesn't support this property", 438, putError
ctl.canRedo = True
putError = Err.Number : Err.Clear
Expect "put of canRedo: object doesn't support this property", 438, putError
ctl.undoMemoryLimit = 0
putError = Err.Number : putText = Err.Description : Err.Clear
On Error GoTo 0
Expect "undoMemoryLimit 0 refused", True, putError <> 0
Expect "the refusal names the property", True, InStr(putText, "undoMemoryLimit") > 0
Expect "undoMemoryLimit kept", 1048576, ctl.undoMemoryLimit
Set ctl = Nothing

WScript.Echo "host contract: " & checks & " checks, " & failures & " failed"
WScript.Quit failures
