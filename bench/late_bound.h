// One object of QuillonLib.Quillon from the registered DLL, created by its ProgID and called late
// bound (IDispatch), as a script host calls it.
#pragma once

#include <ole2.h>
#include <windows.h>

class LateBoundBox {
 public:
  LateBoundBox() {
    CLSID clsid{};
    if (SUCCEEDED(::CLSIDFromProgID(L"QuillonLib.Quillon", &clsid)))
      ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                         reinterpret_cast<void**>(&d_));
  }
  ~LateBoundBox() {
    if (d_) d_->Release();
  }
  LateBoundBox(const LateBoundBox&) = delete;
  LateBoundBox& operator=(const LateBoundBox&) = delete;
  explicit operator bool() const { return d_ != nullptr; }

  // Sets a property to value, passed as a VT_BOOL, VT_I2 or VT_I4.
  void put(const wchar_t* name, VARTYPE vt, long value) {
    if (!d_) return;
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = vt;
    if (vt == VT_BOOL)
      V_BOOL(&v) = static_cast<VARIANT_BOOL>(value);
    else if (vt == VT_I2)
      V_I2(&v) = static_cast<SHORT>(value);
    else
      V_I4(&v) = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p{&v, &named, 1, 1};
    d_->Invoke(id(name), IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr);
  }
  // MsgBox(message, flags, title); -1 when the call failed.
  int msgbox(const wchar_t* message, short flags, const wchar_t* title) {
    if (!d_) return -1;
    VARIANT args[3];  // last argument first
    for (VARIANT& a : args) ::VariantInit(&a);
    V_VT(&args[0]) = VT_BSTR;
    V_BSTR(&args[0]) = ::SysAllocString(title);
    V_VT(&args[1]) = VT_I2;
    V_I2(&args[1]) = flags;
    V_VT(&args[2]) = VT_BSTR;
    V_BSTR(&args[2]) = ::SysAllocString(message);
    DISPPARAMS p{args, nullptr, 3, 0};
    VARIANT result;
    ::VariantInit(&result);
    const HRESULT hr =
        d_->Invoke(id(L"MsgBox"), IID_NULL, 0, DISPATCH_METHOD, &p, &result, nullptr, nullptr);
    for (VARIANT& a : args) ::VariantClear(&a);
    return SUCCEEDED(hr) && V_VT(&result) == VT_I2 ? V_I2(&result) : -1;
  }

 private:
  DISPID id(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    d_->GetIDsOfNames(IID_NULL, &n, 1, 0, &id);
    return id;
  }
  IDispatch* d_ = nullptr;
};
