' hello.vbs: Quillon from VBScript, late bound by its ProgID.
' Register Quillon.dll once (regsvr32 Quillon.dll), then: cscript //nologo hello.vbs
Option Explicit

Dim box, result
Set box = CreateObject("QuillonLib.Quillon")

' A shaded body, a 3-D heading and no sound; every other property keeps its default.
box.BackColorBody = RGB(255, 240, 200)   ' colours are OLE_COLOR values, as RGB makes them
box.GradientPaint = True
box.GradientDirection = 1                ' GradientType: 1 = "Top to Bottom"
box.HeadingType = 1                      ' TypeOfHeading: 1 = "3D"
box.SoundBeep = False
' The box closes itself after a one-second countdown, and MsgBox then returns 0.
box.TimerSeconds = 1

' The flags and result codes are those of VBScript's own MsgBox: here vbYesNo + vbQuestion, and
' vbYes (6) or vbNo (7) when the user answers.
result = box.MsgBox("Hello from VBScript.", vbYesNo + vbQuestion, "Quillon")
WScript.Echo "MsgBox returned " & result
