// The object behind QuillonLib.Quillon.
//
// Early-bound callers use the _Quillon vtable, which forwards to quillon::Quillon. Late-bound
// callers go through IDispatch, which the type library's description answers (DispGetIDsOfNames,
// DispInvoke). Invoke looks at a few arguments first where the standard coercion would break the
// property rules:
//   - colours: a signed value (a script's -1 arrives as a 16-bit integer) is taken bit for bit,
//     and a colour read comes back as a signed Long, so -2 reads back -2;
//   - Booleans: a number that fits 16 bits is stored as given (1 stays 1), not forced to -1;
//   - MsgBox: omitted Buttons is 0 and an omitted Title is the empty string.
// Nothing is thrown across the interface: a failing rule comes back as an HRESULT with an error
// object (overflow of a 16-bit setting: 0x800A0006, run-time error 6 in a script).
#include "housing/object.h"

#include <array>
#include <atomic>
#include <new>
#include <vector>

#include "component/quillon.h"
#include "forms/types.h"
#include "housing/handles.h"
#include "housing/module.h"
#include "quillon.h"

namespace quillon::housing {
namespace {

std::wstring widen(const char* s) {
  std::wstring w;
  while (s && *s) w.push_back(static_cast<unsigned char>(*s++));
  return w;
}

// Runs one member; what it throws becomes an HRESULT with an error object.
template <class F>
HRESULT guarded(F&& f) {
  try {
    f();
    return S_OK;
  } catch (const forms::Error& e) {
    // The run time's error n as the control facility's 0x800A00nn: a script's Err.Number is n.
    return report_error(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, e.number() & 0xFFFF),
                        widen(e.what()));
  } catch (const std::bad_alloc&) {
    return report_error(E_OUTOFMEMORY, L"Out of memory");
  } catch (const std::exception& e) {
    return report_error(E_UNEXPECTED, L"Unexpected failure: " + widen(e.what()));
  } catch (...) {
    return report_error(E_UNEXPECTED, L"Unexpected failure");
  }
}

std::wstring text_of(BSTR b) {
  return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

class QuillonObject final : public _Quillon, public ISupportErrorInfo {
 public:
  QuillonObject() { object_created(); }
  QuillonObject(const QuillonObject&) = delete;
  QuillonObject& operator=(const QuillonObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__Quillon) {
      *out = static_cast<_Quillon*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      const DWORD creator = creator_;
      delete this;
      object_destroyed(creator);  // after the settings are gone: it may free the thread's data
    }
    return left;
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == IID__Quillon || iid == IID_IDispatch ? S_OK : S_FALSE;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ComPtr<ITypeInfo> ti;
    const HRESULT hr = dispatch_type_info(ti);
    if (SUCCEEDED(hr)) *out = ti.detach();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!ids) return E_POINTER;
    if (count && !names) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
      if (!names[i]) return E_INVALIDARG;
    ComPtr<ITypeInfo> ti;
    const HRESULT hr = vtable_type_info(ti);
    return FAILED(hr) ? hr : DispGetIDsOfNames(ti.get(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg_err) override;

  // _Quillon
  HRESULT STDMETHODCALLTYPE MsgBox(BSTR message, short buttons, BSTR title,
                                   short* result) override {
    if (!result) return E_POINTER;
    *result = 0;
    return guarded([&] { *result = core_.MsgBox(text_of(message), buttons, text_of(title)); });
  }

#define QUILLON_PROPERTY(Name, Type, Get, Set)             \
  HRESULT STDMETHODCALLTYPE get_##Name(Type* v) override { \
    if (!v) return E_POINTER;                              \
    return guarded([&] { *v = static_cast<Type>(Get); });  \
  }                                                        \
  HRESULT STDMETHODCALLTYPE put_##Name(Type v) override {  \
    return guarded([&] { Set; });                          \
  }
#define QUILLON_SIMPLE(Name, Type, Core) \
  QUILLON_PROPERTY(Name, Type, core_.Name(), core_.Set##Name(static_cast<Core>(v)))

  QUILLON_SIMPLE(BackColorBody, OLE_COLOR, forms::OleColor)
  QUILLON_SIMPLE(BackColorButtons, OLE_COLOR, forms::OleColor)
  QUILLON_SIMPLE(BackColorHeading, OLE_COLOR, forms::OleColor)
  QUILLON_SIMPLE(ForeColorBody, OLE_COLOR, forms::OleColor)
  QUILLON_SIMPLE(ForeColorHeading, OLE_COLOR, forms::OleColor)
  QUILLON_SIMPLE(GradientPaint, VARIANT_BOOL, VbBool)
  QUILLON_SIMPLE(GradientDirection, GradientType, std::int32_t)
  QUILLON_SIMPLE(HeadingType, TypeOfHeading, std::int32_t)
  QUILLON_SIMPLE(SolidColorHeading, VARIANT_BOOL, VbBool)
  QUILLON_SIMPLE(TextAlignment, long, std::int32_t)
  QUILLON_SIMPLE(Moveable, VARIANT_BOOL, VbBool)
  QUILLON_SIMPLE(KeepOnTop, VARIANT_BOOL, VbBool)
  QUILLON_SIMPLE(Modal, VARIANT_BOOL, VbBool)
  QUILLON_SIMPLE(TimerSeconds, short, std::int16_t)
  QUILLON_SIMPLE(SoundBeep, VARIANT_BOOL, VbBool)
  QUILLON_SIMPLE(ControlBox, VARIANT_BOOL, VbBool)
  QUILLON_SIMPLE(StartUpPosition, StartPosition, std::int32_t)
  QUILLON_SIMPLE(Top, long, std::int32_t)
  QUILLON_SIMPLE(Left, long, std::int32_t)
  QUILLON_SIMPLE(Height, long, std::int32_t)
  QUILLON_SIMPLE(Width, long, std::int32_t)
  QUILLON_SIMPLE(HideButtons, VARIANT_BOOL, VbBool)

  HRESULT STDMETHODCALLTYPE get_DefaultTitle(BSTR* v) override {
    if (!v) return E_POINTER;
    *v = nullptr;
    return guarded([&] {
      const std::wstring& t = core_.DefaultTitle();
      *v = SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
      if (!*v) throw std::bad_alloc();
    });
  }
  HRESULT STDMETHODCALLTYPE put_DefaultTitle(BSTR v) override {
    return guarded([&] { core_.SetDefaultTitle(text_of(v)); });
  }
#undef QUILLON_SIMPLE
#undef QUILLON_PROPERTY

 private:
  std::atomic<ULONG> refs_{1};
  const DWORD creator_ = GetCurrentThreadId();
  Quillon core_;
};

// The value behind a VARIANT, looking through one level of VT_BYREF.
// (The automation calls below take non-const pointers but only read their source.)
VARIANT* target_of(const VARIANT& in, UniqueVariant& scratch) {
  VARIANT* v = const_cast<VARIANT*>(&in);
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) return V_VARIANTREF(v);
  if (V_VT(v) & VT_BYREF) {
    if (FAILED(VariantCopyInd(scratch.put(), v))) return v;
    return scratch.get();
  }
  return v;
}

bool is_number(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

// A colour argument: any value that fits 32 bits, signed or unsigned, taken bit for bit.
HRESULT colour_argument(const VARIANT& in, VARIANT& out) {
  UniqueVariant scratch;
  VARIANT* v = target_of(in, scratch);
  UniqueVariant as_long;
  HRESULT hr = VariantChangeType(as_long.get(), v, 0, VT_I4);
  if (SUCCEEDED(hr)) {
    V_VT(&out) = VT_UI4;
    V_UI4(&out) = static_cast<ULONG>(V_I4(as_long.get()));
  } else {
    UniqueVariant as_unsigned;
    const HRESULT hr2 = VariantChangeType(as_unsigned.get(), v, 0, VT_UI4);
    if (SUCCEEDED(hr2)) {
      V_VT(&out) = VT_UI4;
      V_UI4(&out) = V_UI4(as_unsigned.get());
      hr = S_OK;
    }
  }
  return hr;
}

// A Boolean argument: a whole number that fits 16 bits is kept as it is.
bool boolean_argument(const VARIANT& in, VARIANT& out) {
  UniqueVariant scratch;
  VARIANT* v = target_of(in, scratch);
  bool done = false;
  if (is_number(V_VT(v))) {
    UniqueVariant as_double, as_short;
    if (SUCCEEDED(VariantChangeType(as_double.get(), v, 0, VT_R8)) &&
        SUCCEEDED(VariantChangeType(as_short.get(), v, 0, VT_I2)) &&
        V_R8(as_double.get()) == V_I2(as_short.get())) {
      V_VT(&out) = VT_BOOL;
      V_BOOL(&out) = V_I2(as_short.get());
      done = true;
    }
  }
  return done;
}

bool missing(const VARIANT* v) {
  return !v || (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
}

HRESULT QuillonObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params) return E_INVALIDARG;
  if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs || (params->cNamedArgs && !params->rgdispidNamedArgs))
    return E_INVALIDARG;
  ComPtr<ITypeInfo> ti;
  HRESULT hr = vtable_type_info(ti);
  if (FAILED(hr)) return hr;

  // Shallow copies of the caller's arguments; only the replacements below are ours to clear.
  std::vector<VARIANT> args(params->rgvarg, params->rgvarg + params->cArgs);
  std::vector<DISPID> named(params->rgdispidNamedArgs,
                            params->rgdispidNamedArgs + params->cNamedArgs);
  std::vector<UniqueVariant> owned(3);
  DISPPARAMS call = *params;

  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  Member member;
  if (FAILED(hr = member_of(id, member))) return hr;
  // A property takes no argument to read and exactly one to write (the standard conversion
  // would take a read with an argument for a collection access and ignore extra values).
  if (!member.method && params->cArgs != (put ? 1u : 0u)) return DISP_E_BADPARAMCOUNT;
  if (put && member.value == ValueKind::Colour) {
    if (FAILED(hr = colour_argument(args[0], *owned[0].get()))) {
      if (arg_err) *arg_err = 0;
      return hr;
    }
    args[0] = *owned[0].get();
  } else if (put && member.value == ValueKind::Boolean) {
    if (boolean_argument(args[0], *owned[0].get())) args[0] = *owned[0].get();
  } else if (member.method && (flags & DISPATCH_METHOD)) {
    // Positional and named arguments into Message, Buttons, Title, each converted here so that a
    // bad one is named by its place in the caller's rgvarg.
    if (params->cArgs > 3) return DISP_E_BADPARAMCOUNT;
    std::array<const VARIANT*, 3> slot{};
    std::array<UINT, 3> place{};
    const UINT positional = params->cArgs - params->cNamedArgs;
    for (UINT i = 0; i < positional; ++i) {
      place[i] = params->cArgs - 1 - i;
      slot[i] = &params->rgvarg[place[i]];
    }
    for (UINT k = 0; k < params->cNamedArgs; ++k) {
      const DISPID p = params->rgdispidNamedArgs[k];
      if (p < 0 || p > 2 || slot[p]) {
        if (arg_err) *arg_err = k;
        return DISP_E_PARAMNOTFOUND;
      }
      slot[p] = &params->rgvarg[k];
      place[p] = k;
    }
    if (missing(slot[0])) return DISP_E_PARAMNOTOPTIONAL;
    constexpr std::array<VARTYPE, 3> kTypes = {VT_BSTR, VT_I2, VT_BSTR};
    for (std::size_t p = 0; p < 3; ++p) {
      VARIANT* to = owned[p].get();
      if (missing(slot[p])) {
        // Omitted Buttons is 0 and an omitted Title the empty string.
        V_VT(to) = kTypes[p];
        if (kTypes[p] == VT_I2) {
          V_I2(to) = 0;
        } else if (!(V_BSTR(to) = SysAllocStringLen(L"", 0))) {
          return E_OUTOFMEMORY;
        }
      } else if (FAILED(hr = VariantChangeType(to, const_cast<VARIANT*>(slot[p]), 0, kTypes[p]))) {
        if (arg_err) *arg_err = place[p];
        return hr == DISP_E_BADVARTYPE ? DISP_E_TYPEMISMATCH : hr;  // e.g. an empty object
      }
    }
    args = {*owned[2].get(), *owned[1].get(), *owned[0].get()};
    named.clear();
    call.cArgs = 3;
    call.cNamedArgs = 0;
  }
  call.rgvarg = args.empty() ? nullptr : args.data();
  call.rgdispidNamedArgs = named.empty() ? nullptr : named.data();

  hr = DispInvoke(static_cast<_Quillon*>(this), ti.get(), id, flags, &call, result, excep, arg_err);
  // A value that did not convert: the only argument of a write.
  if (put && arg_err && (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW)) *arg_err = 0;
  // Colours read back as signed Longs, the way the setters take them.
  if (SUCCEEDED(hr) && result && V_VT(result) == VT_UI4) {
    const LONG bits = static_cast<LONG>(V_UI4(result));
    V_VT(result) = VT_I4;
    V_I4(result) = bits;
  }
  return hr;
}

}  // namespace

HRESULT create_quillon(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  QuillonObject* object = nullptr;
  const HRESULT made = guarded([&] { object = new QuillonObject(); });
  if (FAILED(made)) return made;
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

}  // namespace quillon::housing
