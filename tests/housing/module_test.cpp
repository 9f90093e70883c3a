// Quillon.dll as a file and a module: exports, class factory, unloading, self-registration,
// version record, sound and icon resources, and what it imports.
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "com_support.h"

namespace quillon::housing::test {
namespace {

using Plain = HRESULT(WINAPI*)();
using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

TEST(ModuleTest, ClassFactoryAndServerLock) {
  // DllCanUnloadNow following objects and windows: the lifetime tests.
  Apartment apartment;
  auto get = export_of<GetClassObject>("DllGetClassObject");
  auto can_unload = export_of<Plain>("DllCanUnloadNow");
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(get(LIBID_QuillonLib, IID_IClassFactory, factory.put_void()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(get(CLSID_Quillon, IID_IClassFactory, nullptr), E_POINTER);
  ASSERT_EQ(get(CLSID_Quillon, IID_IClassFactory, factory.put_void()), S_OK);
  ComPtr<IUnknown> bad;
  EXPECT_EQ(get(CLSID_Quillon, IID_IDispatch, bad.put_void()), E_NOINTERFACE);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);
  EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, bad.put_void()),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, bad.put_void()), E_NOINTERFACE);
  EXPECT_EQ(can_unload(), S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(can_unload(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(can_unload(), S_OK);
  // Exported by ordinal 1-4 too, each under its plain name (no stdcall decoration on x86).
  const char* const by_ordinal[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                    "DllUnregisterServer"};
  for (WORD i = 1; i <= 4; ++i) {
    const FARPROC named = GetProcAddress(dll(), by_ordinal[i - 1]);
    EXPECT_TRUE(named && named == GetProcAddress(dll(), MAKEINTRESOURCEA(i))) << by_ordinal[i - 1];
  }
}

// Every key and value below a registry key, as text, for before/after comparisons.
void snapshot(HKEY root, const std::wstring& path, std::map<std::wstring, std::wstring>& out) {
  UniqueHkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  out[path] = L"";
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_len = 256, type = 0;
    BYTE data[2048];
    DWORD data_len = sizeof data;
    if (RegEnumValueW(key.get(), i, name, &name_len, nullptr, &type, data, &data_len)) break;
    out[path + L"|" + name] = std::wstring(reinterpret_cast<wchar_t*>(data), data_len / 2);
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_len = 256;
    if (RegEnumKeyExW(key.get(), i, name, &name_len, nullptr, nullptr, nullptr, nullptr)) break;
    snapshot(root, path + L"\\" + name, out);
  }
}

std::wstring text(const GUID& g) {
  wchar_t buf[40];
  StringFromGUID2(g, buf, 40);
  return buf;
}

std::map<std::wstring, std::wstring> our_keys() {
  std::map<std::wstring, std::wstring> keys;
  for (const std::wstring& p :
       {L"CLSID\\" + text(CLSID_Quillon), std::wstring(L"QuillonLib.Quillon"),
        L"Interface\\" + text(IID__Quillon), L"TypeLib\\" + text(LIBID_QuillonLib),
        L"Wow6432Node\\Interface\\" + text(IID__Quillon),
        L"Wow6432Node\\CLSID\\" + text(CLSID_Quillon)})
    snapshot(HKEY_CLASSES_ROOT, p, keys);
  return keys;
}

// Leaves the machine's registration as it was found, even when a check stops a test early (the
// script clients need it).
struct MachineRegistration {
  Plain reg = export_of<Plain>("DllRegisterServer");
  Plain unreg = export_of<Plain>("DllUnregisterServer");
  const std::map<std::wstring, std::wstring> at_start = our_keys();
  ~MachineRegistration() { at_start.empty() ? unreg() : reg(); }
};

// The rows that matter to callers, below the classes root that a registration writes to.
std::map<std::wstring, std::wstring> expected_rows() {
  const std::wstring clsid = L"CLSID\\" + text(CLSID_Quillon);
  return {
      {clsid + L"\\InprocServer32|ThreadingModel", L"Apartment"},
      {clsid + L"\\ProgID|", L"QuillonLib.Quillon"},
      {clsid + L"\\TypeLib|", text(LIBID_QuillonLib)},
      {L"QuillonLib.Quillon\\CLSID|", text(CLSID_Quillon)},
      // The interface is marshalled by the automation marshaler from the type library.
      {L"Interface\\" + text(IID__Quillon) + L"\\ProxyStubClsid32|",
       L"{00020424-0000-0000-C000-000000000046}"},
      {L"Interface\\" + text(IID__Quillon) + L"\\TypeLib|", text(LIBID_QuillonLib)},
  };
}

TEST(ModuleTest, UnregisterRegisterAndCreate) {
  Apartment apartment;
  const MachineRegistration machine;
  const auto& [reg, unreg, at_start] = machine;

  ASSERT_EQ(unreg(), S_OK);
  const auto clean = our_keys();
  EXPECT_TRUE(clean.empty()) << clean.size() << " keys left, the first "
                             << testing::PrintToString(clean.begin()->first);
  EXPECT_EQ(unreg(), S_OK);  // twice is fine

  ASSERT_EQ(reg(), S_OK);
  auto keys = our_keys();
  if (!at_start.empty()) {
    EXPECT_EQ(keys, at_start) << "the same keys as the registration before";
  }
  const std::wstring clsid = L"CLSID\\" + text(CLSID_Quillon);
  const std::wstring library = L"TypeLib\\" + text(LIBID_QuillonLib) + L"\\1.0\\";
  const std::wstring platform = sizeof(void*) == 8 ? L"win64|" : L"win32|";
  for (const auto& [k, v] : expected_rows()) {
    ASSERT_TRUE(keys.count(k)) << testing::PrintToString(k);
    EXPECT_EQ(keys[k].c_str(), v) << testing::PrintToString(k);
  }
  // The server and the library under this DLL's own platform key, language-neutral and US English.
  wchar_t loaded[MAX_PATH];
  GetModuleFileNameW(dll(), loaded, MAX_PATH);
  for (const std::wstring& k :
       {clsid + L"\\InprocServer32|", library + L"0\\" + platform, library + L"409\\" + platform})
    EXPECT_EQ(lstrcmpiW(keys[k].c_str(), loaded), 0) << testing::PrintToString(k);

  ComPtr<IDispatch> d;
  EXPECT_EQ(
      CoCreateInstance(CLSID_Quillon, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, d.put_void()),
      S_OK);
}

using Install = HRESULT(WINAPI*)(BOOL, LPCWSTR);

std::map<std::wstring, std::wstring> user_classes() {
  std::map<std::wstring, std::wstring> keys;
  snapshot(HKEY_CURRENT_USER, L"Software\\Classes", keys);
  return keys;
}

// DllInstall's command line, then per user through regsvr32 as a user without administrator
// rights: the rows under HKEY_CURRENT_USER\Software\Classes, nothing for the machine, creation
// through those keys alone, and removal leaves the user's classes exactly as they were.
TEST(ModuleTest, PerUserRegistration) {
  Apartment apartment;
  const MachineRegistration machine;
  // Every Windows profile has the user's classes key (a fresh Wine prefix may not).
  UniqueHkey root;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_READ,
                            nullptr, root.put(), nullptr),
            ERROR_SUCCESS);
  const auto before = user_classes();
  // None or "machine" is the machine-wide registration; other words than "user" are refused.
  const struct {
    BOOL install;
    const wchar_t* command;
    HRESULT hr;
    bool registered;  // for the machine, afterwards
  } cases[] = {{TRUE, L"MACHINE", S_OK, true},
               {TRUE, L"users", E_INVALIDARG, true},
               {FALSE, L"user machine", E_INVALIDARG, true},
               {FALSE, nullptr, S_OK, false}};
  for (const auto& c : cases) {
    const std::string name = testing::PrintToString(c.command ? c.command : L"(null)");
    EXPECT_EQ(export_of<Install>("DllInstall")(c.install, c.command), c.hr) << name;
    EXPECT_EQ(our_keys().empty(), !c.registered) << name;
  }
  ASSERT_EQ(user_classes(), before);
  struct Remove {
    ~Remove() { export_of<Install>("DllInstall")(FALSE, L"user"); }
  } remove;
  const auto regsvr32 = [](const wchar_t* options) {
    return run_program(L"regsvr32 /s " + std::wstring(options) + L" \"" + dll_path() + L"\"",
                       30000);
  };
  ASSERT_EQ(regsvr32(L"/n /i:User"), 0);

  auto after = user_classes();
  const std::wstring classes = L"Software\\Classes\\";
  for (const auto& [k, v] : expected_rows())
    EXPECT_EQ(after[classes + k].c_str(), v) << testing::PrintToString(k);
  // Under Wine, HKEY_CLASSES_ROOT shows the machine's classes alone.
  EXPECT_TRUE(our_keys().empty()) << "written for the machine";

  // What Windows' COM finds through the user's keys (Wine 8's COM reads the machine's alone):
  // the ProgID's class, its server and that server's object, and the type library's file.
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromString(after[classes + L"QuillonLib.Quillon\\CLSID|"].c_str(), &clsid), S_OK);
  const std::wstring server = after[classes + L"CLSID\\" + text(clsid) + L"\\InprocServer32|"];
  ASSERT_EQ(LoadLibraryW(server.c_str()), dll()) << testing::PrintToString(server);
  ComPtr<IClassFactory> factory;
  ComPtr<IDispatch> d;
  ASSERT_EQ(
      export_of<GetClassObject>("DllGetClassObject")(clsid, IID_IClassFactory, factory.put_void()),
      S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, d.put_void()), S_OK);
  ComPtr<ITypeLib> lib;
  const std::wstring lib_file =
      after[classes + L"TypeLib\\" + text(LIBID_QuillonLib) + L"\\1.0\\0" +
            (sizeof(void*) == 8 ? L"\\win64|" : L"\\win32|")];
  EXPECT_EQ(LoadTypeLibEx(lib_file.c_str(), REGKIND_NONE, lib.put()), S_OK);

  ASSERT_EQ(regsvr32(L"/u /n /i:user"), 0);
  EXPECT_EQ(user_classes(), before);
}

// The version record as Explorer reads it: the strings in the block that the translation names.
TEST(ModuleTest, VersionRecord) {
  DWORD ignored = 0;
  std::string block(GetFileVersionInfoSizeW(dll_path(), &ignored), '\0');
  ASSERT_TRUE(GetFileVersionInfoW(dll_path(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  WORD* translation = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u);
  wchar_t strings[32];
  swprintf(strings, 32, L"\\StringFileInfo\\%04X%04X\\", translation[0], translation[1]);
  EXPECT_STREQ(strings, L"\\StringFileInfo\\040904B0\\") << "US English, Unicode";
  for (const auto& [field, want] :
       std::map<std::wstring, std::wstring>{{L"FileDescription", L"Quillon ActiveX Component"},
                                            {L"FileVersion", L"1.02"},
                                            {L"OriginalFilename", L"Quillon.dll"},
                                            {L"OLESelfRegister", L""}}) {
    wchar_t* value = nullptr;
    EXPECT_TRUE(VerQueryValueW(block.data(), (strings + field).c_str(),
                               reinterpret_cast<void**>(&value), &len))
        << testing::PrintToString(field);
    EXPECT_EQ(std::wstring(value ? value : L""), want) << testing::PrintToString(field);
  }
}

std::string resource(LPCWSTR type, LPCWSTR name) {
  HRSRC r = FindResourceW(dll(), name, type);
  if (!r) return {};
  const char* p = static_cast<const char*>(LockResource(LoadResource(dll(), r)));
  return std::string(p, SizeofResource(dll(), r));
}
// A little-endian number of 2 or 4 bytes.
std::uint32_t le(const std::string& s, size_t at, size_t bytes) {
  std::uint32_t v = 0;
  std::memcpy(&v, s.data() + at, bytes);
  return v;
}

// The message sound: RIFF WAVE, 16-bit PCM stereo at 22,050 Hz, a 40-byte LIST chunk after the
// format, then the samples.
TEST(ModuleTest, SoundResourceFormat) {
  const std::string w = resource(L"WAVE", MAKEINTRESOURCEW(103));
  ASSERT_EQ(w.size(), 80856u);
  EXPECT_EQ(w.substr(0, 4) + w.substr(8, 8) + w.substr(36, 4) + w.substr(44, 4) + w.substr(84, 4),
            "RIFFWAVEfmt LISTINFOdata");
  const struct {
    size_t at, bytes;
    std::uint32_t value;
  } fields[] = {{4, 4, 80856 - 8}, {16, 4, 16}, {20, 2, 1},  {22, 2, 2},  {24, 4, 22050},
                {28, 4, 88200},    {32, 2, 4},  {34, 2, 16}, {40, 4, 40}, {88, 4, 80764}};
  for (const auto& f : fields) EXPECT_EQ(le(w, f.at, f.bytes), f.value) << "at " << f.at;
  EXPECT_NE(w.find_first_not_of('\0', w.size() - 80764), std::string::npos) << "not silence";
}

TEST(ModuleTest, FileIconGroup) {
  const std::string g = resource(RT_GROUP_ICON, MAKEINTRESOURCEW(101));
  ASSERT_EQ(g.size(), 6u + 14u);
  EXPECT_EQ(le(g, 2, 2), 1u);                              // icons
  EXPECT_EQ(le(g, 4, 2), 1u);                              // one image
  EXPECT_EQ(g.substr(6, 3), std::string("\x20\x20\x10"));  // 32 by 32 pixels, 16 colours
  EXPECT_EQ(le(g, 12, 2), 4u);                             // bits per pixel
  HICON icon = static_cast<HICON>(LoadImageW(dll(), MAKEINTRESOURCEW(101), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(icon, nullptr);
  if (icon) DestroyIcon(icon);
}

// Linked statically: the DLL needs nothing that a bare system lacks.
TEST(ModuleTest, ImportsOnlySystemLibraries) {
  const auto* base = reinterpret_cast<const BYTE*>(dll());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const std::string system =
      " kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll "
      "oleaut32.dll msvcrt.dll winmm.dll msimg32.dll oleacc.dll ";
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name; ++imp) {
    std::string name = reinterpret_cast<const char*>(base + imp->Name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(system.find(" " + name + " "), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace quillon::housing::test
