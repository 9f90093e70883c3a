// Helpers for the C++ client tests of Quillon.dll: the DLL under test, apartment setup, creating
// objects, and late-bound calls with readable failures.
#pragma once

// clang-format off
#include <windows.h>  // first: the other platform headers need it
#include <ole2.h>
#include <cguid.h>
#include <oleauto.h>
// clang-format on

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "housing/handles.h"
#include "quillon.h"

namespace quillon::housing::test {

// The DLL of this build (the one the registration fixture registered).
inline const wchar_t* dll_path() {
  return QUILLON_DLL_PATH;
}

// The loaded DLL (loaded once; COM shares the same module).
HMODULE dll();

template <class F>
F export_of(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll(), name)));
}

// Destroys the message boxes that the calling thread left up (modeless ones nothing closed), so
// that no test sees another's windows.
void close_boxes();

// One single-threaded apartment for the calling thread.
struct Apartment {
  Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Apartment() {
    close_boxes();
    CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
};

// A new object straight from the DLL's class factory (no registration needed).
ComPtr<_Quillon> make_direct();

// DISPATCH_PROPERTYGET / PROPERTYPUT / METHOD through IDispatch::Invoke.
struct Call {
  HRESULT hr = E_FAIL;
  VARIANT result{};
  EXCEPINFO excep{};
  static constexpr UINT kNoArgErr = ~0u;
  UINT arg_err = kNoArgErr;  // as the object left it
  Call() { VariantInit(&result); }
  ~Call();
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;
};
// args are given in the caller's order (first argument first).
void invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, Call& out,
            std::vector<DISPID> named = {});
DISPID id_of(IDispatch* d, const wchar_t* name);

VARIANT var_i2(short v);
VARIANT var_i4(long v);
VARIANT var_r8(double v);
VARIANT var_bstr(
    const wchar_t* s);  // nullptr gives a null BSTR; the caller frees with VariantClear

std::string hex(HRESULT hr);

// Runs a program (a command line) and waits for it: its exit code, or -1 when it did not end within
// limit_ms (it is then ended), -2 when it could not start.
int run_program(std::wstring command, DWORD limit_ms);

}  // namespace quillon::housing::test
