// Quillon.dll's entry points: DllMain, the class table with one generic class factory, the lock
// count behind DllCanUnloadNow, self-registration, the cached type information and error objects.
#include "housing/module.h"

#include <olectl.h>

#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <vector>

#include "forms/win32/win32.h"
#include "housing/object.h"
#include "window/message_box.h"
// The interface, class and library ids are defined here, once.
#include <initguid.h>

#include "quillon.h"

namespace quillon::housing {
namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

std::mutex g_type_mutex;
ComPtr<ITypeInfo> g_dispatch_info;
ComPtr<ITypeInfo> g_vtable_info;
std::map<DISPID, Member> g_members;

// One row per creatable class.
struct ClassEntry {
  const CLSID* clsid;
  HRESULT (*create)(IUnknown* outer, REFIID iid, void** out);
  const wchar_t* prog_id;
  const wchar_t* description;
};
const ClassEntry kClasses[] = {
    {&CLSID_Quillon, &create_quillon, L"QuillonLib.Quillon", L"Quillon"},
};

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return entry_.create(outer, iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? lock_module() : unlock_module();
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
  const ClassEntry& entry_;
};

std::wstring guid_text(const GUID& g) {
  wchar_t buf[40] = {};
  StringFromGUID2(g, buf, 40);
  return buf;
}

HRESULT load_own_library(ComPtr<ITypeLib>& out) {
  return LoadTypeLibEx(module_path().c_str(), REGKIND_NONE, out.put());
}

// The platform this DLL is built for, as the type library and its registration name it. A 64-bit
// system keeps both DLLs registered at once: the class in its 64-bit and its 32-bit registry view,
// the library under both platform keys.
#ifdef _WIN64
constexpr SYSKIND kPlatform = SYS_WIN64;
constexpr const wchar_t* kPlatformKey = L"win64";
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr SYSKIND kPlatform = SYS_WIN32;
constexpr const wchar_t* kPlatformKey = L"win32";
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;  // ignored on a 32-bit system: our own view
#endif

// Rows in keys that both registry views share (the ProgID), as opposed to the class's own view.
enum class View { Own, Shared };

// Where registration goes: the machine's classes (HKEY_CLASSES_ROOT: DllRegisterServer, which
// needs administrator rights) or the calling user's (HKEY_CURRENT_USER\Software\Classes:
// DllInstall with "user", which needs none).
enum class Scope { Machine, User };

// One value that registration writes under the scope's classes root.
struct RegistryRow {
  std::wstring key;
  const wchar_t* name;  // nullptr: the key's default value
  std::wstring value;
  View view = View::Own;
};

// The automation marshaler, which marshals the dual interface from the type library.
constexpr const wchar_t* kTypeLibraryMarshaler = L"{00020424-0000-0000-C000-000000000046}";

// Everything registration writes besides what RegisterTypeLib records for the machine, parents
// before children. Per user the library's and the interface's rows are written here too:
// RegisterTypeLibForUser is a stub in Wine 8 that registers for the whole machine.
std::vector<RegistryRow> registry_rows(Scope scope) {
  const std::wstring path = module_path(), lib = guid_text(LIBID_QuillonLib);
  const std::wstring lib_version = L"TypeLib\\" + lib + L"\\1.0";
  std::vector<RegistryRow> rows;
  if (scope == Scope::User) {
    const std::wstring iface = L"Interface\\" + guid_text(IID__Quillon);
    rows = {
        {lib_version, nullptr, L"Quillon ActiveX Component"},
        {lib_version + L"\\FLAGS", nullptr, L"0"},
        {lib_version + L"\\HELPDIR", nullptr, path.substr(0, path.rfind(L'\\'))},
        {lib_version + L"\\409\\" + kPlatformKey, nullptr, path},
        {iface, nullptr, L"_Quillon"},
        {iface + L"\\ProxyStubClsid", nullptr, kTypeLibraryMarshaler},
        {iface + L"\\ProxyStubClsid32", nullptr, kTypeLibraryMarshaler},
        {iface + L"\\TypeLib", nullptr, lib},
        {iface + L"\\TypeLib", L"Version", L"1.0"},
    };
  }
  for (const ClassEntry& c : kClasses) {
    const std::wstring clsid = L"CLSID\\" + guid_text(*c.clsid), prog = c.prog_id;
    rows.insert(rows.end(), {
                                {clsid, nullptr, c.description},
                                {clsid + L"\\InprocServer32", nullptr, path},
                                {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
                                {clsid + L"\\ProgID", nullptr, prog},
                                {clsid + L"\\TypeLib", nullptr, lib},
                                {clsid + L"\\VERSION", nullptr, L"1.0"},
                                {prog, nullptr, c.description, View::Shared},
                                {prog + L"\\CLSID", nullptr, guid_text(*c.clsid), View::Shared},
                            });
  }
  // The library's locale is US English; the automation marshaler looks for the language-neutral
  // entry, so the same file is recorded there too.
  rows.push_back({lib_version + L"\\0\\" + kPlatformKey, nullptr, path});
  return rows;
}

// The key under which a scope's rows live, open while they are written or removed. The machine's
// are written to HKEY_LOCAL_MACHINE\Software\Classes itself, not through HKEY_CLASSES_ROOT,
// which writes into a key the user already has (a per-user registration) instead.
struct ClassesRoot {
  UniqueHkey key;
};

HRESULT open_classes_root(Scope scope, ClassesRoot& root) {
  const HKEY top = scope == Scope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  QUILLON_RETURN_IF_FAILED(HRESULT_FROM_WIN32(
      RegCreateKeyExW(top, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, root.key.put(), nullptr)));
  return S_OK;
}

HRESULT write_row(HKEY root, const RegistryRow& row) {
  UniqueHkey key;
  QUILLON_RETURN_IF_FAILED(
      HRESULT_FROM_WIN32(RegCreateKeyExW(root, row.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE, nullptr, key.put(), nullptr)));
  QUILLON_RETURN_IF_FAILED(HRESULT_FROM_WIN32(RegSetValueExW(
      key.get(), row.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(row.value.c_str()),
      static_cast<DWORD>((row.value.size() + 1) * sizeof(wchar_t)))));
  return S_OK;
}

// Removes the row's value, then its key and the key's parents as long as they are left empty
// (a key that holds anything else, ours or not, stays). Nothing to remove is not a failure. The
// machine's shared roots stay whatever they hold; the user's go when we leave them empty, so the
// user's classes are left exactly as they were found (a new profile has none).
HRESULT remove_row(HKEY root, Scope scope, const RegistryRow& row) {
  LSTATUS rc = RegDeleteKeyValueW(root, row.key.c_str(), row.name);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
    QUILLON_RETURN_IF_FAILED(HRESULT_FROM_WIN32(rc));
  const auto shared = [scope](const std::wstring& key) {
    return scope == Scope::Machine && (key == L"CLSID" || key == L"TypeLib");
  };
  for (std::wstring key = row.key; !key.empty() && !shared(key);
       key.resize(key.find(L'\\') == std::wstring::npos ? 0 : key.rfind(L'\\'))) {
    UniqueHkey open;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, open.put()) != ERROR_SUCCESS) continue;
    DWORD subkeys = 0, values = 0;
    RegQueryInfoKeyW(open.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    open.reset();
    if (subkeys || values) break;
    rc = RegDeleteKeyW(root, key.c_str());
    if (rc != ERROR_SUCCESS) QUILLON_RETURN_IF_FAILED(HRESULT_FROM_WIN32(rc));
  }
  return S_OK;
}

// Whether the DLL of the other bitness (another file) is registered for the class in the scope,
// in the other registry view: the shared rows are then its too. The path is opened from the
// predefined key, so that the view flag takes effect.
bool other_bitness_registered(Scope scope) {
  UniqueHkey key;
  const HKEY top = scope == Scope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const std::wstring path =
      L"Software\\Classes\\CLSID\\" + guid_text(CLSID_Quillon) + L"\\InprocServer32";
  if (RegOpenKeyExW(top, path.c_str(), 0, KEY_READ | kOtherView, key.put()) != ERROR_SUCCESS)
    return false;
  wchar_t server[MAX_PATH + 1] = {};
  DWORD size = sizeof server - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(server),
                       &size) != ERROR_SUCCESS)
    return false;
  return lstrcmpiW(server, module_path().c_str()) != 0;
}

enum class Registry { Write, Remove };

// Writes every row of the scope in order, or removes them in the reverse order (the shared ones
// only when no DLL of the other bitness uses them); the first failure ends it.
HRESULT apply(Registry action, Scope scope) {
  ClassesRoot root;
  QUILLON_RETURN_IF_FAILED(open_classes_root(scope, root));
  const std::vector<RegistryRow> rows = registry_rows(scope);
  if (action == Registry::Write) {
    for (const RegistryRow& row : rows) QUILLON_RETURN_IF_FAILED(write_row(root.key.get(), row));
  } else {
    const bool keep_shared = other_bitness_registered(scope);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
      if (row->view == View::Own || !keep_shared)
        QUILLON_RETURN_IF_FAILED(remove_row(root.key.get(), scope, *row));
  }
  return S_OK;
}

HRESULT register_type_library() {
  ComPtr<ITypeLib> lib;
  QUILLON_RETURN_IF_FAILED(load_own_library(lib));
  std::wstring path = module_path();
  QUILLON_RETURN_IF_FAILED(RegisterTypeLib(lib.get(), path.data(), nullptr));
  return S_OK;
}

// Only a library registered for our platform is removed: unregistering twice is not a failure,
// and the other platform's entry stays.
HRESULT unregister_type_library() {
  UniqueHkey entry;
  const std::wstring key =
      L"TypeLib\\" + guid_text(LIBID_QuillonLib) + L"\\1.0\\409\\" + kPlatformKey;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, entry.put()) != ERROR_SUCCESS)
    return S_OK;
  entry.reset();
  QUILLON_RETURN_IF_FAILED(UnRegisterTypeLib(LIBID_QuillonLib, 1, 0, 0x0409, kPlatform));
  return S_OK;
}

}  // namespace

HINSTANCE module_instance() {
  return g_instance;
}

std::wstring module_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(g_instance, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void lock_module() {
  ++g_locks;
}
void unlock_module() {
  --g_locks;
}
long module_locks() {
  return g_locks;
}

namespace {
thread_local long t_objects = 0;  // objects of this thread not yet destroyed
// Marks the threads that made an object, in a system TLS slot: the thread-end callback can ask it
// without bringing the run time's thread_local storage into being for threads that never used us.
DWORD g_used_slot = TLS_OUT_OF_INDEXES;

bool thread_used_us() {
  return g_used_slot != TLS_OUT_OF_INDEXES && TlsGetValue(g_used_slot) != nullptr;
}

// The calling thread's windows and backend. Runs outside every handler of those windows.
void release_thread_data() {
  quillon::window::ReleaseThreadWindows();
  quillon::forms::win32::release_thread_backend();
  if (g_used_slot != TLS_OUT_OF_INDEXES) TlsSetValue(g_used_slot, nullptr);
}
void release_thread_data_if_idle() {
  if (t_objects == 0 && quillon::window::LoadedWindows().empty()) release_thread_data();
}
}  // namespace

void object_created() {
  lock_module();
  ++t_objects;
  if (g_used_slot != TLS_OUT_OF_INDEXES) TlsSetValue(g_used_slot, reinterpret_cast<void*>(1));
}

void object_destroyed(unsigned long creator_thread) {
  // A host that releases an object on another thread leaves the count of the creating thread
  // as it was: that thread's data is then freed when it ends.
  if (creator_thread == GetCurrentThreadId() && --t_objects == 0) release_thread_data_if_idle();
  unlock_module();
}

namespace {
HRESULT read_type_info(ComPtr<ITypeInfo>& dispatch, ComPtr<ITypeInfo>& vtable) {
  ComPtr<ITypeLib> lib;
  QUILLON_RETURN_IF_FAILED(load_own_library(lib));
  QUILLON_RETURN_IF_FAILED(lib->GetTypeInfoOfGuid(IID__Quillon, dispatch.put()));
  HREFTYPE h = 0;
  QUILLON_RETURN_IF_FAILED(dispatch->GetRefTypeOfImplType(-1, &h));
  QUILLON_RETURN_IF_FAILED(dispatch->GetRefTypeInfo(h, vtable.put()));
  return S_OK;
}

// The kind of value a property's setter takes: a Boolean, stdole2's OLE_COLOR, or other.
ValueKind value_kind(ITypeInfo* info, const TYPEDESC& t) {
  if (t.vt == VT_BOOL) return ValueKind::Boolean;
  if (t.vt != VT_USERDEFINED) return ValueKind::Other;
  ComPtr<ITypeInfo> ref;
  UniqueBstr name;
  if (FAILED(info->GetRefTypeInfo(t.hreftype, ref.put())) ||
      FAILED(ref->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr)))
    return ValueKind::Other;
  return name.str() == L"OLE_COLOR" ? ValueKind::Colour : ValueKind::Other;
}

HRESULT read_members(ITypeInfo* vtable, std::map<DISPID, Member>& out) {
  TYPEATTR* attr = nullptr;
  QUILLON_RETURN_IF_FAILED(vtable->GetTypeAttr(&attr));
  const WORD count = attr->cFuncs;
  vtable->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* f = nullptr;
    QUILLON_RETURN_IF_FAILED(vtable->GetFuncDesc(i, &f));
    Member& m = out[f->memid];
    m.method = f->invkind == INVOKE_FUNC;
    if (f->invkind == INVOKE_PROPERTYPUT && f->cParams == 1)
      m.value = value_kind(vtable, f->lprgelemdescParam[0].tdesc);
    vtable->ReleaseFuncDesc(f);
  }
  return S_OK;
}

HRESULT load_type_info() {
  if (g_vtable_info) return S_OK;
  ComPtr<ITypeInfo> dispatch, vtable;
  std::map<DISPID, Member> members;
  HRESULT hr = read_type_info(dispatch, vtable);
  if (SUCCEEDED(hr)) hr = read_members(vtable.get(), members);
  if (FAILED(hr)) return report_error(hr, L"The type library in Quillon.dll could not be loaded");
  g_dispatch_info = std::move(dispatch);
  g_vtable_info = std::move(vtable);
  g_members = std::move(members);
  return S_OK;
}
}  // namespace

HRESULT dispatch_type_info(ComPtr<ITypeInfo>& out) {
  std::lock_guard lock(g_type_mutex);
  const HRESULT hr = load_type_info();
  if (SUCCEEDED(hr)) out = g_dispatch_info;
  return hr;
}

HRESULT vtable_type_info(ComPtr<ITypeInfo>& out) {
  std::lock_guard lock(g_type_mutex);
  const HRESULT hr = load_type_info();
  if (SUCCEEDED(hr)) out = g_vtable_info;
  return hr;
}

HRESULT member_of(DISPID id, Member& out) {
  std::lock_guard lock(g_type_mutex);
  const HRESULT hr = load_type_info();
  if (FAILED(hr)) return hr;
  const auto it = g_members.find(id);
  if (it == g_members.end()) return DISP_E_MEMBERNOTFOUND;
  out = it->second;
  return S_OK;
}

void release_type_info() {
  std::lock_guard lock(g_type_mutex);
  g_dispatch_info.reset();
  g_vtable_info.reset();
  g_members.clear();
}

HRESULT report_error(HRESULT hr, const std::wstring& description) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(IID__Quillon);
    create->SetSource(const_cast<LPOLESTR>(L"QuillonLib.Quillon"));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.query(IID_IErrorInfo, info))) SetErrorInfo(0, info.get());
  }
  return hr;
}

}  // namespace quillon::housing

using namespace quillon::housing;

// The ending thread's own windows, fonts and memory are freed from a TLS callback of this image
// rather than from DllMain: the loader calls an image's TLS callbacks before its entry point, in
// the order of their section names, and the callbacks of the C run time (.CRT$XLC, .CRT$XLD) and of
// the threads library (.CRT$XLF) free the thread's thread_local variables, so by DllMain's thread
// notice the pointers to these records would read as null. .CRT$XLB runs first, under the loader
// lock like DllMain: releasing them destroys only this thread's own windows and never waits or
// loads.
extern "C" {
static void NTAPI quillon_thread_end(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_THREAD_DETACH && thread_used_us()) release_thread_data();
}
__attribute__((section(".CRT$XLB"), used)) PIMAGE_TLS_CALLBACK quillon_thread_end_callback =
    quillon_thread_end;
}

// Runs under the loader lock: it never loads or frees a library, waits, or touches another
// thread's windows. The library stays loaded through the lock count (objects, factory locks and
// open windows, accessible objects that clients hold: DllCanUnloadNow), never by loading itself.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      g_instance = instance;
      quillon::forms::win32::set_module_instance(instance);
      g_used_slot = TlsAlloc();
      break;
    case DLL_PROCESS_DETACH:
      // Releasing the cached descriptions could free the type library's file mapping; when the
      // host asked DllCanUnloadNow first they are gone already, and otherwise they are left.
      g_dispatch_info.detach();
      g_vtable_info.detach();
      // Unloaded while the process goes on: the window procedures leave with the library.
      if (reserved == nullptr) {
        quillon::forms::win32::release_spare_surfaces();
        quillon::forms::win32::unregister_window_classes();
        if (g_used_slot != TLS_OUT_OF_INDEXES) TlsFree(g_used_slot);
      }
      break;
    default:
      break;
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  if (module_locks() != 0 || quillon::forms::win32::open_form_windows() != 0 ||
      quillon::forms::win32::live_accessible_objects() != 0)
    return S_FALSE;
  release_thread_data_if_idle();
  quillon::forms::win32::release_spare_surfaces();
  release_type_info();
  return S_OK;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ClassEntry& c : kClasses) {
    if (clsid == *c.clsid) {
      auto* factory = new (std::nothrow) ClassFactory(c);
      if (!factory) return E_OUTOFMEMORY;
      const HRESULT hr = factory->QueryInterface(iid, out);
      factory->Release();
      return hr;
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  // Our rows first: the language-neutral entry left in place would keep the library's key.
  const HRESULT rows = apply(Registry::Remove, Scope::Machine);
  const HRESULT lib = unregister_type_library();
  return FAILED(rows) ? SELFREG_E_CLASS : FAILED(lib) ? SELFREG_E_TYPELIB : S_OK;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
  const HRESULT lib = register_type_library();
  const HRESULT rows = SUCCEEDED(lib) ? apply(Registry::Write, Scope::Machine) : S_OK;
  if (SUCCEEDED(lib) && SUCCEEDED(rows)) return S_OK;
  DllUnregisterServer();  // nothing half-written stays behind
  return FAILED(lib) ? SELFREG_E_TYPELIB : SELFREG_E_CLASS;
}

// regsvr32 /n /i:user Quillon.dll registers the component for the calling user alone, under
// HKEY_CURRENT_USER\Software\Classes, without administrator rights; regsvr32 /u /n /i:user
// removes exactly that. The word is read without regard to case. No text (regsvr32 /i without
// /n) or "machine" does what DllRegisterServer or DllUnregisterServer does; any other text is
// refused with E_INVALIDARG before anything is written.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR command) {
  const auto is = [command](const wchar_t* word) {
    return CompareStringOrdinal(command, -1, word, -1, TRUE) == CSTR_EQUAL;
  };
  if (!command || !*command || is(L"machine"))
    return install ? DllRegisterServer() : DllUnregisterServer();
  if (!is(L"user")) return E_INVALIDARG;
  if (install && SUCCEEDED(apply(Registry::Write, Scope::User))) return S_OK;
  // Removing, or nothing half-written stays behind.
  const HRESULT removed = apply(Registry::Remove, Scope::User);
  return install || FAILED(removed) ? SELFREG_E_CLASS : S_OK;
}
