// Helpers for tests that drive real windows in this process: a script of steps run by a thread
// timer (so it runs inside any modal loop of this thread), window capture, and input.
#pragma once

#include <windows.h>
// The project's message window class has the name that windows.h maps to MessageBoxW.
#undef MessageBox

#include <cctype>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quillon::testing {

// A parameterised case's name from its description: letters and digits, the rest as "_".
inline std::string case_name(std::string text) {
  for (char& c : text)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return text;
}

// Runs each step on a timer tick of the calling thread, one every interval_ms, from whatever
// message loop is running (a modal Show, or pump()).
class Script {
 public:
  explicit Script(std::deque<std::function<void()>> steps, unsigned interval_ms = 20)
      : steps_(std::move(steps)) {
    current_ = this;
    id_ = ::SetTimer(nullptr, 0, interval_ms, &Script::tick);
  }
  ~Script() {
    ::KillTimer(nullptr, id_);
    current_ = nullptr;
  }
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!current_ || current_->steps_.empty()) return;
    auto step = std::move(current_->steps_.front());
    current_->steps_.pop_front();
    step();
  }
  static inline Script* current_ = nullptr;
  std::deque<std::function<void()>> steps_;
  UINT_PTR id_ = 0;
};

// Dispatches this thread's messages for about ms milliseconds.
inline void pump(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  MSG msg;
  while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// The client area of a window as it is on the screen: 0x00RRGGBB per pixel, top row first.
struct Shot {
  int width = 0, height = 0;
  std::vector<std::uint32_t> px;
  // As a plain RGB value 0x00BBGGRR, the toolkit's colour form.
  std::uint32_t rgb_at(int x, int y) const {
    const std::uint32_t v = px[static_cast<std::size_t>(y * width + x)];
    return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
  }
};
// What draw(HDC) paints on a memory DC of the given size.
template <class Draw>
Shot paint(int width, int height, Draw draw) {
  Shot s{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height))};
  HDC mem = ::CreateCompatibleDC(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(bi.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  draw(mem);
  ::GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < s.px.size(); ++i) s.px[i] = p[i] & 0x00FFFFFF;
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  return s;
}
inline Shot capture(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  HDC src = ::GetDC(hwnd);
  Shot s = paint(r.right, r.bottom,
                 [&](HDC mem) { ::BitBlt(mem, 0, 0, r.right, r.bottom, src, 0, 0, SRCCOPY); });
  ::ReleaseDC(hwnd, src);
  return s;
}

// Keyboard input as the user gives it (through the system's input queue).
inline void key(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ::SendInput(1, &in, sizeof(in));
}
inline void press(WORD vk) {
  key(vk, true);
  key(vk, false);
}

// Top-level visible windows of this thread.
inline std::vector<HWND> thread_windows() {
  std::vector<HWND> out;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        if (::IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

}  // namespace quillon::testing
