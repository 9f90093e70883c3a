// Owners for the USER and GDI handles of the Win32 backend: each handle has exactly one owner,
// which releases it with the matching call.
#pragma once

#include <windows.h>

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
}  // namespace detail

using UniqueHwnd = UniqueHandle<HWND, detail::destroy_window>;
using UniqueMemoryDc = UniqueHandle<HDC, detail::delete_dc>;  // from CreateCompatibleDC
using UniqueBitmap = UniqueHandle<HBITMAP, detail::delete_object>;
using UniqueFont = UniqueHandle<HFONT, detail::delete_object>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::delete_object>;
using UniquePen = UniqueHandle<HPEN, detail::delete_object>;

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
