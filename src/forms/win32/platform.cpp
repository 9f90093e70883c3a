// The screen and the platform services on USER, GDI and the multimedia library.
#include <windows.h>
// windows.h first: the multimedia header builds on it.
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "forms/win32/handles.h"
#include "forms/win32/internal.h"
#include "forms/win32/win32.h"

namespace quillon::forms::win32 {

namespace {
HINSTANCE g_module = nullptr;  // set once by the DLL's entry point

Single twips_per_pixel(int caps) {
  WindowDc screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen.get(), caps);
  return dpi > 0 ? 1440.0f / static_cast<Single>(dpi) : 15.0f;
}
HWND hwnd(WindowHandle w) {
  return reinterpret_cast<HWND>(w);
}
}  // namespace

void set_module_instance(void* hinstance) {
  g_module = static_cast<HINSTANCE>(hinstance);
}
void* module_instance() {
  return instance();
}
HINSTANCE instance() {
  return g_module ? g_module : ::GetModuleHandleW(nullptr);
}

Single Win32Screen::Width() const {
  return static_cast<Single>(::GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX();
}
Single Win32Screen::Height() const {
  return static_cast<Single>(::GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY();
}
// Read once per thread: every conversion between twips and pixels asks for them.
Single Win32Screen::TwipsPerPixelX() const {
  if (tppx_ == 0) tppx_ = twips_per_pixel(LOGPIXELSX);
  return tppx_;
}
Single Win32Screen::TwipsPerPixelY() const {
  if (tppy_ == 0) tppy_ = twips_per_pixel(LOGPIXELSY);
  return tppy_;
}

WindowHandle Win32Platform::active_window() {
  return reinterpret_cast<WindowHandle>(::GetActiveWindow());
}

PixelRect Win32Platform::window_rect(WindowHandle window) {
  RECT r{};
  ::GetWindowRect(hwnd(window), &r);
  return {r.left, r.top, r.right, r.bottom};
}

std::wstring Win32Platform::window_text(WindowHandle window, int max_chars) {
  if (max_chars <= 0) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(max_chars) + 1, L'\0');
  const int n = ::GetWindowTextW(hwnd(window), buf.data(), max_chars + 1);
  return std::wstring(buf.data(), static_cast<std::size_t>(n > 0 ? n : 0));
}

Rgb Win32Platform::sys_color(int index) {
  return static_cast<Rgb>(::GetSysColor(index));
}

int Win32Platform::system_metrics(int index) {
  return ::GetSystemMetrics(index);
}

IconHandle Win32Platform::load_stock_icon(std::int32_t id) {
  if (id < 1 || id > 0xFFFF) return 0;  // not a resource number: never truncated into one
  // At the system's icon size for the screen's DPI (32 pixels at 96 DPI); shared, never freed.
  return reinterpret_cast<IconHandle>(::LoadImageW(nullptr, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON),
                                                   ::GetSystemMetrics(SM_CYICON), LR_SHARED));
}

void Win32Platform::set_topmost(WindowHandle window, bool on_top) {
  // A hidden window out of the topmost band stays as it is: showing it brings it to the front of
  // its band anyway, and the call is a round trip of its own.
  const HWND h = hwnd(window);
  if (!on_top && !::IsWindowVisible(h) && !(::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST))
    return;
  ::SetWindowPos(h, on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // the band only, never the front
}

void Win32Platform::drag_window(WindowHandle window) {
  ::ReleaseCapture();
  ::SendMessageW(hwnd(window), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Win32Platform::play_message_sound() {
  ::PlaySoundW(MAKEINTRESOURCEW(103), instance(), SND_RESOURCE | SND_ASYNC);
}

// The text with its terminating null in movable global memory, which the clipboard owns once
// SetClipboardData took it.
void Win32Platform::copy_text(const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return;
  if (void* p = ::GlobalLock(memory.get())) {
    std::memcpy(p, text.c_str(), bytes);
    ::GlobalUnlock(memory.get());
  } else {
    return;
  }
  ClipboardScope clipboard(::GetActiveWindow());
  if (!clipboard || !::EmptyClipboard()) return;
  if (::SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();
}

bool Win32Platform::high_contrast() {
  HIGHCONTRASTW hc{};
  hc.cbSize = sizeof hc;
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
         (hc.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace quillon::forms::win32
