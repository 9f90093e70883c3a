Attribute VB_Name = "QuillonExample"
' Quillon.bas: Quillon from VBA (Excel, Word, Access), as a module to import (File > Import File).
' Not runnable here: it needs an Office application on Windows, 64-bit like Quillon.dll, with the
' DLL registered (regsvr32 Quillon.dll). The build runs the other examples under Wine instead.
Option Explicit

' Early bound: add a reference to "Quillon ActiveX Component" (Tools > References) first.
Public Sub HelloEarlyBound()
    Dim box As New QuillonLib.Quillon
    box.GradientPaint = True
    box.GradientDirection = 1       ' GradientType: 1 = "Top to Bottom"
    box.HeadingType = 1             ' TypeOfHeading: 1 = "3D"
    box.TimerSeconds = 10           ' closes itself after ten seconds, with result 0
    Select Case box.MsgBox("Save the workbook?", vbYesNo + vbQuestion, "Quillon")
        Case vbYes: Debug.Print "Yes"
        Case vbNo: Debug.Print "No"
        Case 0: Debug.Print "The countdown closed the box"
    End Select
End Sub

' Late bound: no reference needed.
Public Sub HelloLateBound()
    Dim box As Object
    Set box = CreateObject("QuillonLib.Quillon")
    box.BackColorBody = RGB(255, 240, 200)
    box.Modal = False               ' modeless: MsgBox returns 0 at once, the box stays up
    box.MsgBox "Working on it...", vbInformation, "Quillon"
End Sub
