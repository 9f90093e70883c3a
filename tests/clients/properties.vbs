' The registered object as VBScript sees it: creation by ProgID, how script values reach the
' properties and come back (signed colours, Integers, Booleans, numeric strings, long strings),
' the error numbers a script gets, and MsgBox's optional arguments. The property rules themselves
' are the native tests' business.
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

Dim q, acts
Set q = CreateObject("QuillonLib.Quillon")
CheckErr "CreateObject(QuillonLib.Quillon)", 0
Check "a colour reads back as a Long", TypeName(q.BackColorBody), "Long"
Check "a Boolean reads back as a Boolean", TypeName(q.KeepOnTop), "Boolean"

' Colours: a script's -1 is a 16-bit Integer and still means the default; other values bit for bit.
q.BackColorBody = 255
q.BackColorBody = -1
CheckErr "colour -1", 0
Check "colour -1 gives the default", q.BackColorBody, &H8000000F
q.BackColorHeading = -2
Check "colour -2 reads back signed", q.BackColorHeading, -2
q.ForeColorBody = &H80000005
Check "a system colour", q.ForeColorBody, &H80000005

' Booleans keep the number a script gives and act as True when it is not 0.
q.Moveable = 1
Check "Boolean 1 kept", CLng(q.Moveable), 1
acts = False
If q.Moveable Then acts = True
Check "Boolean 1 acts as True", acts, True
q.HideButtons = True
Check "Boolean True", CLng(q.HideButtons), -1

' Coercion of what scripts send, and strings of any length.
q.Top = "120"
CheckErr "numeric string for a Long", 0
Check "Top from a numeric string", q.Top, 120
q.Top = 2.5
Check "Top from 2.5 rounds to even", q.Top, 2
q.DefaultTitle = String(5000, "w")
Check "a 5000-character title", Len(q.DefaultTitle), 5000

' Error numbers: overflow (6, the value kept), unknown member (438), type mismatch (13), argument
' count (450), argument not optional (449).
q.StartUpPosition = 0
q.StartUpPosition = 40000
Check "overflow has a text", Len(Err.Description) > 0, True
CheckErr "StartUpPosition = 40000", 6
Check "StartUpPosition kept after an overflow", q.StartUpPosition, 0
q.TimerSeconds = 32768
CheckErr "TimerSeconds = 32768", 6
q.NoSuchMember = 1
CheckErr "unknown member", 438
q.Top = "a lot"
CheckErr "string for a Long", 13
Check "Top unchanged after a type mismatch", q.Top, 2

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
