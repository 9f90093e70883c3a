// JScript client: Unicode titles, raw HRESULTs and signed colours from JScript's numbers.
// Ends with "N passed, N failed" (Wine's cscript prints nothing on a script error).
var passed = 0, failed = 0;
function check(what, got, want) {
  if (got === want) { passed++; return; }
  failed++;
  WScript.Echo("FAIL " + what + ": got [" + got + "], want [" + want + "]");
}
function hresult(f) {
  try { f(); } catch (e) { return e.number >>> 0; }
  return 0;
}
function fresh() { return new ActiveXObject("QuillonLib.Quillon"); }

var q = fresh();

// DefaultTitle keeps any Unicode text, surrogate pairs and embedded NULs included.
var titles = [
  String.fromCharCode(0x4E2D, 0x6587, 0x6807, 0x9898),
  "Caf" + String.fromCharCode(0xE9) + " " + String.fromCharCode(0x20AC) + "5",
  String.fromCharCode(0xD83D, 0xDE00) + " smile",
  "a" + String.fromCharCode(0) + "b",
  new Array(20001).join(String.fromCharCode(0x263A))
];
for (var i = 0; i < titles.length; i++) {
  q.DefaultTitle = titles[i];
  check("DefaultTitle " + i + " length", q.DefaultTitle.length, titles[i].length);
  check("DefaultTitle " + i, q.DefaultTitle === titles[i], true);
}

// Colours come back as signed Longs; JScript's numbers beyond 31 bits arrive as doubles.
var colours = [[4294967295, -2147483633], [4294967294, -2], [0x80000012, -2147483630]];
for (var c = 0; c < colours.length; c++) {
  q = fresh();
  q.BackColorButtons = colours[c][0];
  check("BackColorButtons = " + colours[c][0], q.BackColorButtons, colours[c][1]);
}

// Raw HRESULTs of the failures.
q = fresh();
q.GradientDirection = 4;
check("GradientDirection = 100000", hresult(function () { q.GradientDirection = 100000; }),
      0x800A0006);  // the control's overflow error
check("GradientDirection kept", q.GradientDirection, 4);
// A Long that does not fit is refused by the argument conversion itself.
check("Top = 1e10", hresult(function () { q.Top = 1e10; }), 0x8002000A);
check("Top is unchanged", q.Top, 0);

// MsgBox returns a number (0 when shown modelessly).
q.Modal = false;
q.SoundBeep = false;
check("MsgBox modeless", q.MsgBox("Hello " + titles[0]), 0);
check("MsgBox three arguments", q.MsgBox("Hello", 4, titles[1]), 0);

WScript.Echo(passed + " passed, " + failed + " failed");
