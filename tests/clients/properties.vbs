' The 23 properties through VBScript late binding: defaults, the setter rules with their edge values,
' the overflow error, and which settings are shared by the objects of a thread.
' Ends with "N passed, N failed" (Wine's cscript prints nothing on a script error).
Option Explicit
On Error Resume Next

Dim passed, failed
passed = 0
failed = 0

Sub Check(what, got, want)
  If VarType(got) = VarType(want) Or (IsNumeric(got) And IsNumeric(want)) Then
    If got = want Then
      passed = passed + 1
      Exit Sub
    End If
  End If
  failed = failed + 1
  WScript.Echo "FAIL " & what & ": got [" & got & "] (" & TypeName(got) & "), want [" & want & "]"
End Sub

Sub CheckErr(what, want)
  Check what & " Err.Number", Err.Number, want
  Err.Clear
End Sub

' Late-bound access by name (Wine's VBScript has no Execute/Eval).
Sub SetProp(o, name, v)
  Select Case name
    Case "BackColorBody": o.BackColorBody = v
    Case "BackColorButtons": o.BackColorButtons = v
    Case "BackColorHeading": o.BackColorHeading = v
    Case "ForeColorBody": o.ForeColorBody = v
    Case "ForeColorHeading": o.ForeColorHeading = v
    Case "GradientPaint": o.GradientPaint = v
    Case "GradientDirection": o.GradientDirection = v
    Case "HeadingType": o.HeadingType = v
    Case "SolidColorHeading": o.SolidColorHeading = v
    Case "TextAlignment": o.TextAlignment = v
    Case "Moveable": o.Moveable = v
    Case "KeepOnTop": o.KeepOnTop = v
    Case "Modal": o.Modal = v
    Case "TimerSeconds": o.TimerSeconds = v
    Case "SoundBeep": o.SoundBeep = v
    Case "ControlBox": o.ControlBox = v
    Case "StartUpPosition": o.StartUpPosition = v
    Case "Top": o.Top = v
    Case "Left": o.Left = v
    Case "Height": o.Height = v
    Case "Width": o.Width = v
    Case "DefaultTitle": o.DefaultTitle = v
    Case "HideButtons": o.HideButtons = v
    Case Else: WScript.Echo "FAIL no such property in the script: " & name
  End Select
End Sub

Function GetProp(o, name)
  Select Case name
    Case "BackColorBody": GetProp = o.BackColorBody
    Case "BackColorButtons": GetProp = o.BackColorButtons
    Case "BackColorHeading": GetProp = o.BackColorHeading
    Case "ForeColorBody": GetProp = o.ForeColorBody
    Case "ForeColorHeading": GetProp = o.ForeColorHeading
    Case "GradientPaint": GetProp = o.GradientPaint
    Case "GradientDirection": GetProp = o.GradientDirection
    Case "HeadingType": GetProp = o.HeadingType
    Case "SolidColorHeading": GetProp = o.SolidColorHeading
    Case "TextAlignment": GetProp = o.TextAlignment
    Case "Moveable": GetProp = o.Moveable
    Case "KeepOnTop": GetProp = o.KeepOnTop
    Case "Modal": GetProp = o.Modal
    Case "TimerSeconds": GetProp = o.TimerSeconds
    Case "SoundBeep": GetProp = o.SoundBeep
    Case "ControlBox": GetProp = o.ControlBox
    Case "StartUpPosition": GetProp = o.StartUpPosition
    Case "Top": GetProp = o.Top
    Case "Left": GetProp = o.Left
    Case "Height": GetProp = o.Height
    Case "Width": GetProp = o.Width
    Case "DefaultTitle": GetProp = o.DefaultTitle
    Case "HideButtons": GetProp = o.HideButtons
  End Select
End Function

Dim q, row, name, limit, q2, q3
Set q = CreateObject("QuillonLib.Quillon")
CheckErr "CreateObject(QuillonLib.Quillon)", 0

' A fresh object: every default.
Dim defaults
defaults = Array( _
  Array("BackColorBody", &H8000000F), Array("BackColorButtons", &H8000000F), _
  Array("BackColorHeading", &H80000002), Array("ForeColorBody", &H80000012), _
  Array("ForeColorHeading", &H8000000E), Array("GradientPaint", False), _
  Array("GradientDirection", 1), Array("HeadingType", 0), Array("SolidColorHeading", False), _
  Array("TextAlignment", 0), Array("Moveable", False), Array("KeepOnTop", True), _
  Array("Modal", True), Array("TimerSeconds", 0), Array("SoundBeep", True), _
  Array("ControlBox", True), Array("StartUpPosition", 2), Array("Top", 0), Array("Left", 0), _
  Array("Height", 0), Array("Width", 0), Array("DefaultTitle", ""), Array("HideButtons", False))
For Each row In defaults
  Check "default " & row(0), GetProp(q, row(0)), row(1)
Next
CheckErr "reading the defaults", 0

' Setter rules: property, value set, value read back. Each row starts from a fresh object.
Dim rules
rules = Array( _
  Array("BackColorBody", -1, &H8000000F), Array("BackColorBody", -2, -2), _
  Array("BackColorBody", 255, 255), Array("BackColorBody", &H80000005, &H80000005), _
  Array("BackColorButtons", -1, &H8000000F), Array("BackColorButtons", 65280, 65280), _
  Array("BackColorHeading", -1, &H80000002), Array("BackColorHeading", -2, -2), _
  Array("ForeColorBody", -1, &H80000012), Array("ForeColorBody", 0, 0), _
  Array("ForeColorHeading", -1, &H8000000E), Array("ForeColorHeading", &HFFFFFF, &HFFFFFF), _
  Array("GradientDirection", 0, 1), Array("GradientDirection", 17, 1), _
  Array("GradientDirection", -5, 1), Array("GradientDirection", 4, 4), _
  Array("GradientDirection", 5, 6), Array("GradientDirection", 6, 5), _
  Array("GradientDirection", 16, 15), Array("GradientDirection", 15, 16), _
  Array("HeadingType", 2, 0), Array("HeadingType", -1, 0), Array("HeadingType", 1, 1), _
  Array("TextAlignment", 3, 0), Array("TextAlignment", 2, 2), Array("TextAlignment", 1, 1), _
  Array("TextAlignment", -1, 0), _
  Array("StartUpPosition", 3, 2), Array("StartUpPosition", -1, 2), _
  Array("StartUpPosition", 0, 0), Array("StartUpPosition", 1, 1), _
  Array("TimerSeconds", -5, 0), Array("TimerSeconds", 32767, 32767), Array("TimerSeconds", 1, 1), _
  Array("Top", -100, 0), Array("Top", 50000, 50000), Array("Left", -1, 0), _
  Array("Left", 50000, 50000), Array("Height", -1, 0), Array("Width", -1, 0), _
  Array("Height", 0, 0), Array("Width", 1, 1), _
  Array("GradientPaint", 1, 1), Array("SolidColorHeading", 1, 1), Array("Moveable", 1, 1), _
  Array("KeepOnTop", 0, 0), Array("Modal", 2, 2), Array("SoundBeep", 0, 0), _
  Array("ControlBox", -7, -7), Array("HideButtons", 1, 1), Array("HideButtons", True, -1), _
  Array("DefaultTitle", "Quarterly report", "Quarterly report"), _
  Array("DefaultTitle", String(5000, "w"), String(5000, "w")), _
  Array("DefaultTitle", "", ""))
For Each row In rules
  Set q = CreateObject("QuillonLib.Quillon")
  SetProp q, row(0), row(1)
  CheckErr row(0) & " = " & row(1), 0
  If VarType(row(2)) = vbString Then
    Check row(0) & " = " & Left(row(1), 20), GetProp(q, row(0)), row(2)
  Else
    Check row(0) & " = " & row(1), CLng(GetProp(q, row(0))), row(2)
  End If
Next

' A Boolean keeps 1 and acts as True.
Set q = CreateObject("QuillonLib.Quillon")
q.Moveable = 1
Dim acts
acts = False
If q.Moveable Then acts = True
Check "Moveable = 1 acts as True", acts, True

' 16-bit overflow of the enumerations: run-time error 6, the old value stays.
Dim overflow
overflow = Array( _
  Array("GradientDirection", 3, 100000, 3), Array("GradientDirection", 5, -40000, 6), _
  Array("HeadingType", 1, 40000, 1), Array("TextAlignment", 2, 32768, 2), _
  Array("StartUpPosition", 0, 40000, 0), Array("StartUpPosition", 1, -32769, 1), _
  Array("TimerSeconds", 9, 32768, 9))
For Each row In overflow
  Set q = CreateObject("QuillonLib.Quillon")
  SetProp q, row(0), row(1)
  Err.Clear
  SetProp q, row(0), row(2)
  CheckErr row(0) & " = " & row(2), 6
  Check row(0) & " keeps its value after " & row(2), CLng(GetProp(q, row(0))), row(3)
Next
Set q = CreateObject("QuillonLib.Quillon")
q.StartUpPosition = 40000
Check "overflow error text", Len(Err.Description) > 0, True
Err.Clear

' Height and Width stop at the screen less 240 twips; the limit is what a huge value gives.
For Each name In Array("Height", "Width")
  Set q = CreateObject("QuillonLib.Quillon")
  SetProp q, name, 2000000000
  limit = GetProp(q, name)
  Check name & " limit is a screen size less 240", limit > 2000 And limit < 2000000000, True
  SetProp q, name, limit
  Check name & " = limit", GetProp(q, name), limit
  SetProp q, name, limit + 1
  Check name & " = limit + 1", GetProp(q, name), limit
  SetProp q, name, limit - 1
  Check name & " = limit - 1", GetProp(q, name), limit - 1
Next
CheckErr "Height and Width", 0

' Shared settings: every object of the thread sees the last write; a new object resets them.
Set q = CreateObject("QuillonLib.Quillon")
Set q2 = CreateObject("QuillonLib.Quillon")
Dim shared
shared = Array(Array("BackColorBody", 255), Array("BackColorHeading", 128), _
  Array("GradientPaint", -1), Array("GradientDirection", 3), Array("HeadingType", 1), _
  Array("SolidColorHeading", -1), Array("Moveable", -1), Array("KeepOnTop", 0), _
  Array("Modal", 0), Array("TimerSeconds", 7))
For Each row In shared
  SetProp q, row(0), row(1)
  Check row(0) & " set on one object, read on another", CLng(GetProp(q2, row(0))), row(1)
Next
Set q3 = CreateObject("QuillonLib.Quillon")
For Each row In shared
  For Each name In defaults
    If name(0) = row(0) Then
      Check row(0) & " reset by a new object", GetProp(q, row(0)), name(1)
    End If
  Next
Next

' Per-object settings are not shared.
Dim own
own = Array(Array("BackColorButtons", 255), Array("ForeColorBody", 255), _
  Array("ForeColorHeading", 255), Array("TextAlignment", 2), Array("SoundBeep", 0), _
  Array("ControlBox", 0), Array("StartUpPosition", 0), Array("Top", 10), Array("Left", 10), _
  Array("Height", 10), Array("Width", 10), Array("DefaultTitle", "Mine"), Array("HideButtons", -1))
For Each row In own
  SetProp q, row(0), row(1)
  Check row(0) & " stays on its object", GetProp(q, row(0)) = GetProp(q2, row(0)), False
Next

' Bad input: unknown member, wrong type, wrong argument count; nothing crashes.
Set q = CreateObject("QuillonLib.Quillon")
q.NoSuchMember = 1
CheckErr "unknown member", 438
q.Top = "a lot"
CheckErr "string for a Long", 13
Check "Top unchanged after a type mismatch", q.Top, 0
q.Top = "120"
CheckErr "numeric string for a Long", 0
Check "Top from a numeric string", q.Top, 120
q.Top = 2.5
Check "Top from 2.5 rounds to even", q.Top, 2

' MsgBox: shown modelessly it returns 0 at once; omitted arguments; wrong argument counts.
q.Modal = False
q.SoundBeep = False
Check "MsgBox message only", q.MsgBox("Saved."), 0
CheckErr "MsgBox message only", 0
Check "MsgBox without a title", q.MsgBox("Saved.", 64), 0
CheckErr "MsgBox without a title", 0
Check "MsgBox with the flags omitted", q.MsgBox("Saved.", , "Title"), 0
CheckErr "MsgBox with the flags omitted", 0
Check "MsgBox result type", TypeName(q.MsgBox("Saved.", 1, "Title")), "Integer"
q.MsgBox "one", 0, "two", "three"
CheckErr "MsgBox with four arguments", 450
q.MsgBox
CheckErr "MsgBox without a message", 449
q.MsgBox "x", "not a number"
CheckErr "MsgBox flags not a number", 13

' Shown modally, the window closes itself after a one-second countdown with result 0.
Set q = CreateObject("QuillonLib.Quillon")
q.SoundBeep = False
q.TimerSeconds = 1
Check "modal MsgBox ended by the countdown", q.MsgBox("This closes itself.", 4, "Countdown"), 0
CheckErr "modal MsgBox", 0

WScript.Echo passed & " passed, " & failed & " failed"
