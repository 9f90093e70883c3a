// hello.js: Quillon from JScript, late bound by its ProgID.
// Register Quillon.dll once (regsvr32 Quillon.dll), then: cscript //nologo hello.js
var MB_OKCANCEL = 1, MB_ICONINFORMATION = 64; // JScript has no vb* constants: the platform's values

var box = new ActiveXObject("QuillonLib.Quillon");
box.BackColorBody = 0xC8F0FF; // OLE_COLOR is 0x00BBGGRR: a pale yellow
box.GradientPaint = true;
box.GradientDirection = 7; // GradientType: 7 = "Circle Center FadeOut"
box.TextAlignment = 2; // 0 left, 1 right, 2 centred
box.SoundBeep = false;
box.TimerSeconds = 1; // closes itself after one second; MsgBox then returns 0

// 1 (OK) or 2 (Cancel) when the user answers.
var result = box.MsgBox("Hello from JScript.", MB_OKCANCEL | MB_ICONINFORMATION, "Quillon");
WScript.Echo("MsgBox returned " + result);
