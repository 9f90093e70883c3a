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

int system_dpi(int caps) {
  WindowDc screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen.get(), caps);
  return dpi > 0 ? dpi : 96;
}

// A function of a system library that older systems may lack (nullptr then).
template <class F>
F system_function(const wchar_t* module, const char* name) {
  const HMODULE m = ::GetModuleHandleW(module);
  // Through the generic function type, which converts to any other without a warning.
  return m ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name))) : nullptr;
}

// The per-monitor DPI functions of user32 (Windows 10 on, and Wine), found once.
struct DpiFunctions {
  using WindowContext = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
  using Awareness = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
  using WindowDpi = UINT(WINAPI*)(HWND);
  using MetricsForDpi = int(WINAPI*)(int, UINT);
  WindowContext window_context =
      system_function<WindowContext>(L"user32.dll", "GetWindowDpiAwarenessContext");
  Awareness awareness =
      system_function<Awareness>(L"user32.dll", "GetAwarenessFromDpiAwarenessContext");
  WindowDpi window_dpi = system_function<WindowDpi>(L"user32.dll", "GetDpiForWindow");
  MetricsForDpi metrics_for_dpi =
      system_function<MetricsForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
};
const DpiFunctions& dpi_functions() {
  static const DpiFunctions functions;
  return functions;
}

// A window takes the DPI awareness of the thread that made it (the host's thread, for a form).
bool per_monitor_aware(HWND window) {
  const DpiFunctions& f = dpi_functions();
  return f.window_context && f.awareness &&
         f.awareness(f.window_context(window)) == DPI_AWARENESS_PER_MONITOR_AWARE;
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
Single Win32Screen::TwipsPerPixelX() const {
  return 1440.0f / static_cast<Single>(dpi_x());
}
Single Win32Screen::TwipsPerPixelY() const {
  return 1440.0f / static_cast<Single>(dpi_y());
}

// The system DPI is read once per thread: every conversion between twips and pixels asks for it.
int Win32Screen::dpi_x() const {
  if (monitor_x_ > 0) return monitor_x_;
  if (system_x_ == 0) system_x_ = system_dpi(LOGPIXELSX);
  return system_x_;
}
int Win32Screen::dpi_y() const {
  if (monitor_y_ > 0) return monitor_y_;
  if (system_y_ == 0) system_y_ = system_dpi(LOGPIXELSY);
  return system_y_;
}

void Win32Screen::follow_window(HWND window) {
  monitor_x_ = monitor_y_ = 0;
  const DpiFunctions& f = dpi_functions();
  if (!f.window_dpi) return;
  const int dpi = static_cast<int>(f.window_dpi(window));
  if (dpi > 0) follow_dpi_change(window, dpi, dpi);
}

bool Win32Screen::follow_dpi_change(HWND window, int x, int y) {
  if (x <= 0 || y <= 0 || !per_monitor_aware(window)) return false;
  monitor_x_ = monitor_y_ = 0;  // the system DPI, unless the monitor's differs
  if (x != dpi_x() || y != dpi_y()) {
    monitor_x_ = x;
    monitor_y_ = y;
  }
  return true;
}

int Win32Screen::metric(int index) const {
  const DpiFunctions& f = dpi_functions();
  if (monitor_y_ > 0 && f.metrics_for_dpi)
    return f.metrics_for_dpi(index, static_cast<UINT>(monitor_y_));
  return ::GetSystemMetrics(index);
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
  return screen_.metric(index);
}

IconHandle Win32Platform::load_stock_icon(std::int32_t id) {
  if (id < 1 || id > 0xFFFF) return 0;  // not a resource number: never truncated into one
  // At the system's icon size for the screen's DPI (32 pixels at 96 DPI); shared, never freed.
  const SIZE size{screen_.metric(SM_CXICON), screen_.metric(SM_CYICON)};
  const HICON icon = static_cast<HICON>(
      ::LoadImageW(nullptr, MAKEINTRESOURCEW(id), IMAGE_ICON, size.cx, size.cy, LR_SHARED));
  if (icon) remember_shared_icon(icon, size);
  return reinterpret_cast<IconHandle>(icon);
}

namespace {
std::mutex g_icons_mutex;
std::vector<std::pair<HICON, SIZE>> g_shared_icons;  // a handful: the stock icons at each DPI
}  // namespace

void remember_shared_icon(HICON icon, SIZE size) {
  std::lock_guard lock(g_icons_mutex);
  for (const auto& [h, s] : g_shared_icons)
    if (h == icon) return;
  g_shared_icons.emplace_back(icon, size);
}

std::optional<SIZE> shared_icon_size(HICON icon) {
  std::lock_guard lock(g_icons_mutex);
  for (const auto& [h, s] : g_shared_icons)
    if (h == icon) return s;
  return std::nullopt;
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
