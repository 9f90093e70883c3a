// The one family of owners for Windows handles, used by the backend, the housing and their tests
// and tools: each handle has exactly one owner, which releases it with the matching call (USER and
// GDI handles, registry keys, BSTRs, VARIANTs, COM references). Small and in the spirit of WIL's
// unique_hwnd / unique_hkey / unique_bstr / unique_variant / com_ptr; and one macro that turns a
// failed HRESULT into an early return while recording the expression that failed.
#pragma once

// clang-format off
#include <windows.h>  // first: the other platform headers need it
#include <oleauto.h>
// clang-format on

#include <cstdio>
#include <string>
#include <utility>

namespace quillon::forms::win32 {

template <class H, auto Close, H Invalid = H{}>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Invalid; }
  H release() { return std::exchange(h_, Invalid); }
  // For a call that hands a new handle back through a pointer: the old one is released first.
  H* put() {
    reset();
    return &h_;
  }
  void reset(H h = Invalid) {
    if (h_ != Invalid) Close(h_);
    h_ = h;
  }

 private:
  H h_ = Invalid;
};

namespace detail {
inline void destroy_window(HWND h) {
  ::DestroyWindow(h);
}
inline void delete_dc(HDC h) {
  ::DeleteDC(h);
}
inline void delete_object(HGDIOBJ h) {
  ::DeleteObject(h);
}
inline void close_key(HKEY h) {
  ::RegCloseKey(h);
}
inline void free_string(BSTR b) {
  ::SysFreeString(b);
}
inline void close_handle(HANDLE h) {
  ::CloseHandle(h);
}
inline void free_global(HGLOBAL h) {
  ::GlobalFree(h);
}
}  // namespace detail

using UniqueHwnd = UniqueHandle<HWND, detail::destroy_window>;
using UniqueMemoryDc = UniqueHandle<HDC, detail::delete_dc>;  // from CreateCompatibleDC
using UniqueBitmap = UniqueHandle<HBITMAP, detail::delete_object>;
using UniqueFont = UniqueHandle<HFONT, detail::delete_object>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::delete_object>;
using UniquePen = UniqueHandle<HPEN, detail::delete_object>;
using UniqueHkey = UniqueHandle<HKEY, detail::close_key>;
using UniqueKernelHandle = UniqueHandle<HANDLE, detail::close_handle>;  // process, thread, event
using UniqueGlobal = UniqueHandle<HGLOBAL, detail::free_global>;  // GlobalAlloc, until handed over

// The clipboard, open for this scope (OpenClipboard fails while another window holds it).
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  ~ClipboardScope() {
    if (open_) ::CloseClipboard();
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

// One BSTR; a null BSTR reads as the empty string.
class UniqueBstr : public UniqueHandle<BSTR, detail::free_string> {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(const wchar_t* s) : UniqueHandle(::SysAllocString(s)) {}
  explicit UniqueBstr(const std::wstring& s)
      : UniqueHandle(::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  std::wstring str() const {
    return get() ? std::wstring(get(), ::SysStringLen(get())) : std::wstring();
  }
};

// One VARIANT, cleared on destruction.
class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&v_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { ::VariantClear(&v_); }
  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* operator->() { return &v_; }
  VARIANT* put() {
    ::VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// One counted reference to a COM object.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  T* detach() { return std::exchange(p_, nullptr); }

  // QueryInterface into another owner.
  template <class U>
  HRESULT query(REFIID iid, ComPtr<U>& out) const {
    return p_ ? p_->QueryInterface(iid, out.put_void()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

// A failed call, as QUILLON_RETURN_IF_FAILED saw it.
struct Failure {
  const char* expression;
  const char* file;
  int line;
  HRESULT hr;
};
// Where failures go: the debugger's output unless a program (a command-line tool) installs its
// own reporter.
using FailureReporter = void (*)(const Failure&);
inline FailureReporter failure_reporter = nullptr;

inline HRESULT record_failure(const Failure& f) {
  if (failure_reporter) {
    failure_reporter(f);
  } else {
    char text[512];
    std::snprintf(text, sizeof text, "%s(%d): 0x%08lX from %s\n", f.file, f.line,
                  static_cast<unsigned long>(f.hr), f.expression);
    ::OutputDebugStringA(text);
  }
  return f.hr;
}

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint ... EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
  ~PaintScope() { ::EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& area() const { return ps_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// SelectObject for the lifetime of the guard; the previous object is selected back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC ... RestoreDC (clip regions, text colours, modes).
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
  ~SavedDc() {
    if (id_) ::RestoreDC(dc_, id_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC dc_;
  int id_;
};

}  // namespace quillon::forms::win32

// Evaluates expr (an HRESULT); when it failed, records the expression and returns its HRESULT from
// the calling function.
#define QUILLON_RETURN_IF_FAILED(expr)                                                          \
  do {                                                                                          \
    const HRESULT quillon_hr_ = (expr);                                                         \
    if (FAILED(quillon_hr_))                                                                    \
      return ::quillon::forms::win32::record_failure({#expr, __FILE__, __LINE__, quillon_hr_}); \
  } while (0)
