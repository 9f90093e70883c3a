' The registered object as VBScript sees it (the values scripts send: housing/object_test.cpp).
' Ends with "N passed, N failed" (Wine's cscript prints nothing on a script error).
Option Explicit
On Error Resume Next

Dim passed, failed: passed = 0: failed = 0

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

Dim q
Set q = CreateObject("QuillonLib.Quillon")
CheckErr "CreateObject(QuillonLib.Quillon)", 0

' Error numbers: overflow (6, its text and source, the value kept), unknown member, type mismatch.
q.StartUpPosition = 0
q.StartUpPosition = 40000
Check "overflow has a text", Len(Err.Description) > 0, True
Check "overflow names its source", Err.Source, "QuillonLib.Quillon"
CheckErr "StartUpPosition = 40000", 6
Check "StartUpPosition kept after an overflow", q.StartUpPosition, 0
q.NoSuchMember = 1
CheckErr "unknown member", 438
q.Top = "a lot"
CheckErr "string for a Long", 13

' MsgBox: modeless, an Integer 0 at once; omitted arguments (449), too many (450).
q.Modal = False
q.SoundBeep = False
Check "MsgBox with the flags omitted", q.MsgBox("Saved.", , "Title"), 0
CheckErr "MsgBox with the flags omitted", 0
Check "MsgBox result type", TypeName(q.MsgBox("Saved.")), "Integer"
q.MsgBox "one", 0, "two", "three"
CheckErr "MsgBox with four arguments", 450
q.MsgBox
CheckErr "MsgBox without a message", 449

' Shown modally, the window closes itself after a one-second countdown with result 0.
Set q = CreateObject("QuillonLib.Quillon")
q.SoundBeep = False
q.TimerSeconds = 1
Check "modal MsgBox ended by the countdown", q.MsgBox("This closes itself.", 4, "Countdown"), 0
CheckErr "modal MsgBox", 0

WScript.Echo passed & " passed, " & failed & " failed"
