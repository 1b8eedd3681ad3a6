' A container creates the control and reads its properties before anything is set.
' needs: QARNEDIT.OCX
On Error Resume Next

Dim ctl
Set ctl = CreateObject("QARNEDIT.QarneditCtrl.1")
CheckNoError "create QARNEDIT.QarneditCtrl.1"
If Not IsObject(ctl) Then Finish

CheckEqual "penColor default", 255, ctl.penColor
CheckEqual "fillStyle default", 0, ctl.fillStyle
CheckEqual "NoSnapKey default", 0, ctl.NoSnapKey
CheckEqual "NoPolarKey default", 0, ctl.NoPolarKey
CheckEqual "FormatPolylineParams default", "", ctl.FormatPolylineParams
CheckEqual "FormatPolygonParams default", "", ctl.FormatPolygonParams
CheckEqual "isEditing before any drawing", False, ctl.isEditing()
CheckEqual "canSaveNow before any drawing", False, ctl.canSaveNow()
CheckEqual "saveEdit before any drawing", False, ctl.saveEdit()
CheckEqual "getDrawnNTT before any drawing", 0, ctl.getDrawnNTT()
CheckNoError "reading the defaults"

' Names bind without regard to case, as late binding does in every container.
CheckEqual "nosnapkey in lower case", 0, ctl.nosnapkey
ctl.penColor = &H00FF00
CheckEqual "penColor written and read back", &H00FF00, ctl.penColor
ctl.NoSnapKey = 16
CheckEqual "NoSnapKey written and read back", 16, ctl.NoSnapKey
ctl.FormatPolylineParams = "LAYER=1"
CheckEqual "FormatPolylineParams written and read back", "LAYER=1", ctl.FormatPolylineParams
CheckNoError "writing properties"

ctl.noSuchMember
CheckError "an unknown member is refused", 438
Finish
