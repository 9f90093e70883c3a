// What a host of this script host's bitness finds in its registry view: the object made or not,
// then the server and the type library entry for the platform given (win32 or win64), "none"
// where nothing is.
var shell = new ActiveXObject("WScript.Shell");
function read(key) {
  try { return shell.RegRead(key); } catch (e) { return "none"; }
}
var clsid = read("HKCR\\QuillonLib.Quillon\\CLSID\\");
var lib = read("HKCR\\CLSID\\" + clsid + "\\TypeLib\\");
var made = "created";
try { new ActiveXObject("QuillonLib.Quillon"); } catch (e) { made = "not created"; }
WScript.Echo(made + " " + read("HKCR\\CLSID\\" + clsid + "\\InprocServer32\\") + " " +
             read("HKCR\\TypeLib\\" + lib + "\\1.0\\0\\" + WScript.Arguments(0) + "\\"));
