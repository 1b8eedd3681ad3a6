' The scenario checks themselves: a wrong value must be reported as a failure, so a
' green scenario means what it says. Needs no module.

Dim before
before = gFailures
gQuiet = True
CheckEqual "silent probe", 1, "1"
gQuiet = False
CheckTrue "a number never equals its text", gFailures = before + 1, "CheckEqual accepted 1 for ""1"""
gFailures = before
gQuiet = True
CheckEqual "silent probe", "a", "b"
gQuiet = False
CheckTrue "different texts fail", gFailures = before + 1, "CheckEqual accepted ""a"" for ""b"""
gFailures = before
CheckEqual "equal longs", 255, CLng(255)
CheckEqual "log lines", 1, UBound(LogLines("GetEngineHandle()" & vbCrLf & "GetEngineFromHandle(7)" & vbCrLf))
CheckEqual "empty log", -1, UBound(LogLines(""))
On Error Resume Next
Dim missing
Set missing = CreateObject("QARN.NoSuchObject.1")
CheckError "an unknown ProgID is refused", 429
On Error GoTo 0
Finish
