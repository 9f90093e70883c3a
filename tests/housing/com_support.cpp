// clang-format off
#include <windows.h>
#include <initguid.h>  // the interface, class and library ids are defined here, once
#include "com_support.h"
// clang-format on

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace quillon::housing::test {

HMODULE dll() {
  static HMODULE h = LoadLibraryW(dll_path());
  return h;
}

void close_boxes() {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM) CALLBACK -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(w, name, 64);
        if (std::wcsncmp(name, L"QuillonForm", 11) == 0) DestroyWindow(w);
        return TRUE;
      },
      0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

ComPtr<_Quillon> make_direct() {
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  ComPtr<IClassFactory> factory;
  ComPtr<_Quillon> q;
  auto get = export_of<GetClassObject>("DllGetClassObject");
  if (get && SUCCEEDED(get(CLSID_Quillon, IID_IClassFactory, factory.put_void())))
    factory->CreateInstance(nullptr, IID__Quillon, q.put_void());
  return q;
}

Call::~Call() {
  VariantClear(&result);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
}

void invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, Call& out,
            std::vector<DISPID> named) {
  std::reverse(args.begin(), args.end());
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) named.push_back(DISPID_PROPERTYPUT);
  DISPPARAMS params{args.empty() ? nullptr : args.data(), named.empty() ? nullptr : named.data(),
                    static_cast<UINT>(args.size()), static_cast<UINT>(named.size())};
  const bool put = flags & DISPATCH_PROPERTYPUT;
  out.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : &out.result,
                     &out.excep, &out.arg_err);
  for (VARIANT& v : args) VariantClear(&v);
}

DISPID id_of(IDispatch* d, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

template <class Set>
VARIANT make(VARTYPE vt, Set set) {
  VARIANT r{};
  V_VT(&r) = vt;
  set(r);
  return r;
}
VARIANT var_i2(short v) {
  return make(VT_I2, [v](VARIANT& r) { V_I2(&r) = v; });
}
VARIANT var_i4(long v) {
  return make(VT_I4, [v](VARIANT& r) { V_I4(&r) = v; });
}
VARIANT var_r8(double v) {
  return make(VT_R8, [v](VARIANT& r) { V_R8(&r) = v; });
}
VARIANT var_bstr(const wchar_t* s) {
  return make(VT_BSTR, [s](VARIANT& r) { V_BSTR(&r) = s ? SysAllocString(s) : nullptr; });
}

std::string hex(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

int run_program(std::wstring command, DWORD limit_ms) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                      &pi))
    return -2;
  const UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, limit_ms) == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  return static_cast<int>(code);
}

}  // namespace quillon::housing::test
