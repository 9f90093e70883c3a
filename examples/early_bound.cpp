// early_bound.cpp: Quillon from C++, early bound through quillon.h (made by the build next to
// Quillon.tlb) and the vtable of its _Quillon interface.
// With mingw-w64, Quillon.dll registered (regsvr32 Quillon.dll) and GEN the folder of quillon.h:
//   x86_64-w64-mingw32-g++ -std=c++20 -IGEN early_bound.cpp -lole32 -loleaut32 -luuid
#include <initguid.h>  // first, in one file of the host: defines CLSID_Quillon and IID__Quillon
#include <wrl/client.h>

#include <cstdio>

#include "quillon.h"

using Microsoft::WRL::ComPtr;

namespace {

// COM for the lifetime of main.
struct ComApartment {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ~ComApartment() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
};

// A BSTR that frees itself.
struct Bstr {
  BSTR s;
  explicit Bstr(const wchar_t* text) : s(SysAllocString(text)) {}
  ~Bstr() { SysFreeString(s); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
};

int fail(const char* what, HRESULT hr) {
  std::printf("%s failed: 0x%08lX\n", what, static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int main() {
  ComApartment com;
  if (FAILED(com.hr)) return fail("CoInitializeEx", com.hr);

  ComPtr<_Quillon> box;
  HRESULT hr = CoCreateInstance(CLSID_Quillon, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon,
                                reinterpret_cast<void**>(box.GetAddressOf()));
  if (FAILED(hr)) return fail("CoCreateInstance", hr);

  // Properties through their put_ methods (each returns an HRESULT); the enumerations come from
  // the header.
  box->put_BackColorBody(RGB(200, 230, 255));
  box->put_GradientPaint(VARIANT_TRUE);
  box->put_GradientDirection(GradientLeftToRight);
  box->put_HeadingType(Heading3D);
  box->put_SoundBeep(VARIANT_FALSE);
  box->put_TimerSeconds(1);  // the box closes itself after one second; MsgBox then returns 0

  // The flags and result codes are those of MessageBox: IDYES or IDNO when the user answers.
  Bstr message(L"Hello from C++, early bound."), title(L"Quillon");
  short result = -1;
  hr = box->MsgBox(message.s, MB_YESNO | MB_ICONQUESTION, title.s, &result);
  if (FAILED(hr)) return fail("MsgBox", hr);
  std::printf("MsgBox returned %d\n", result);
  return 0;
}
