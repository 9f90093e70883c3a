// late_bound.cpp: Quillon from C++, late bound through IDispatch (GetIDsOfNames, then Invoke), as
// a script engine calls it. Needs no header of Quillon's; Quillon.dll must be registered, or ship
// beside the program with Quillon.app.manifest as the program's manifest (CMakeLists.txt builds
// it both ways).
//   x86_64-w64-mingw32-g++ -std=c++20 late_bound.cpp -lole32 -loleaut32 -luuid
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <initializer_list>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

// COM for the lifetime of main.
struct ComApartment {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ~ComApartment() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
};

// A VARIANT that clears itself.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// The arguments of one call, stored last first as IDispatch::Invoke takes them.
class Args {
 public:
  Args(std::initializer_list<VARIANT> in) : v_(in.begin(), in.end()) {
    for (size_t i = 0; i < v_.size() / 2; ++i) std::swap(v_[i], v_[v_.size() - 1 - i]);
  }
  ~Args() {
    for (VARIANT& a : v_) VariantClear(&a);
  }
  Args(const Args&) = delete;
  Args& operator=(const Args&) = delete;
  VARIANT* data() { return v_.data(); }
  UINT size() const { return static_cast<UINT>(v_.size()); }

 private:
  std::vector<VARIANT> v_;
};

VARIANT number(long n) {  // a Long; the object converts it to each property's type
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = n;
  return v;
}
VARIANT truth(bool b) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
VARIANT text(const wchar_t* s) {  // the BSTR is freed by Args
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(s);
  return v;
}

// Looks up a member by name and invokes it: a property put (kind DISPATCH_PROPERTYPUT, one
// argument, named DISPID_PROPERTYPUT as the protocol asks) or a method call.
HRESULT call(IDispatch* d, const wchar_t* name, WORD kind, Args& args, VARIANT* result = nullptr) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{args.data(), nullptr, args.size(), 0};
  if (kind == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  EXCEPINFO error{};
  hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, &error, nullptr);
  SysFreeString(error.bstrSource);  // a DISP_E_EXCEPTION carries the component's message here
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
  return hr;
}

HRESULT set(IDispatch* d, const wchar_t* name, VARIANT value) {
  Args args{value};
  return call(d, name, DISPATCH_PROPERTYPUT, args);
}

int fail(const char* what, HRESULT hr) {
  std::printf("%s failed: 0x%08lX\n", what, static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int main() {
  ComApartment com;
  if (FAILED(com.hr)) return fail("CoInitializeEx", com.hr);

  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(L"QuillonLib.Quillon", &clsid);
  if (FAILED(hr)) return fail("CLSIDFromProgID", hr);
  ComPtr<IDispatch> box;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&box));
  if (FAILED(hr)) return fail("CoCreateInstance", hr);

  // Properties by name.
  const struct {
    const wchar_t* name;
    VARIANT value;
  } properties[] = {
      {L"BackColorBody", number(RGB(220, 255, 220))},
      {L"GradientPaint", truth(true)},
      {L"GradientDirection", number(5)},  // GradientType: 5 = "Diamond Center FadeOut"
      {L"SoundBeep", truth(false)},
      {L"TimerSeconds", number(1)},  // closes itself after one second; MsgBox then returns 0
  };
  for (const auto& p : properties) {
    hr = set(box.Get(), p.name, p.value);
    if (FAILED(hr)) return fail("setting a property", hr);
  }

  // MsgBox(message, flags, title): the flags and result codes are those of MessageBox.
  Args args{text(L"Hello from C++, late bound."), number(MB_OKCANCEL | MB_ICONWARNING),
            text(L"Quillon")};
  Variant result;
  hr = call(box.Get(), L"MsgBox", DISPATCH_METHOD, args, &result.v);
  if (FAILED(hr)) return fail("MsgBox", hr);
  std::printf("MsgBox returned %d\n", V_I2(&result.v));  // a VT_I2, like the platform's
  return 0;
}
