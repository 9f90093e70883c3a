// Time from the call to the first complete paint of a message box, for every body style and a
// screen-sized box, next to the platform's stock MessageBoxW in the same process; then a soak of
// many showings of mixed styles that reports the GDI objects, windows and memory of the process
// before and after. The boxes come from the registered Quillon.dll, created by its ProgID and
// called late bound through IDispatch, as a script host calls them.
//
//   quillon_bench [repeats] [soak cycles]      (defaults 20 and 1000; run it through bench/run)
//
// clang-format off
#include <windows.h>
#include <ole2.h>
#include <psapi.h>

#include "late_bound.h"
// clang-format on

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

HWND g_box = nullptr;  // the top-level window of the box being shown
bool g_stock = false;  // the box is the stock MessageBoxW
LARGE_INTEGER g_start{}, g_done{};
LARGE_INTEGER g_created{};  // the box's window made
bool g_painted = false;
int g_windows_seen = 0;  // native windows of the last box at its first complete paint
SIZE g_box_size{};       // and the size of its window

double ms_between(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

bool nothing_left_to_paint(HWND top) {
  if (!::IsWindowVisible(top) || ::GetUpdateRect(top, nullptr, FALSE)) return false;
  bool clean = true;
  ::EnumChildWindows(
      top,
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        if (::IsWindowVisible(w) && ::GetUpdateRect(w, nullptr, FALSE)) {
          *reinterpret_cast<bool*>(p) = false;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&clean));
  return clean;
}

LRESULT CALLBACK cbt(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && !g_box) {
    const auto* cs = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
    if (!(cs->style & WS_CHILD)) {
      g_box = reinterpret_cast<HWND>(wp);
      ::QueryPerformanceCounter(&g_created);
      // A box that paints itself while it is being shown would otherwise be looked at only when
      // its first message after that comes (a timer, 100 ms on).
      ::PostMessageW(nullptr, WM_NULL, 0, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

// Escape, pressed and released through the system's input queue (the box is in front). Sent from
// a timer callback, outside the hook: input sent from inside the hook lost its key press here.
void CALLBACK press_escape(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = VK_ESCAPE;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, in, sizeof(INPUT));
}
void close_box() {
  ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, press_escape);
}

LRESULT CALLBACK get_message(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE && g_box && !g_painted) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if (m->message == WM_PAINT) {
      ::PostMessageW(nullptr, WM_NULL, 0, 0);  // look again right after this paint
    } else if (nothing_left_to_paint(g_box)) {
      ::QueryPerformanceCounter(&g_done);
      g_painted = true;
      g_windows_seen = 1;
      RECT r{};
      ::GetWindowRect(g_box, &r);
      g_box_size = SIZE{r.right - r.left, r.bottom - r.top};
      ::EnumChildWindows(
          g_box,
          [](HWND, LPARAM) CALLBACK -> BOOL {
            ++g_windows_seen;
            return TRUE;
          },
          0);
      if (g_stock)
        ::PostMessageW(g_box, WM_COMMAND, IDOK, 0);
      else
        close_box();
    }
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

struct Style {
  const char* name;
  short gradient_paint;
  long gradient_type;
  bool screen_sized;  // Width and Height at the screen's size
};
const Style kStyles[] = {{"solid", 0, 1, false},
                         {"banded", -1, 1, false},
                         {"diamond", -1, 5, false},
                         {"circle (centre)", -1, 7, false},
                         {"circle (corner)", -1, 9, false},
                         {"screen solid", 0, 1, true},
                         {"screen diamond", -1, 5, true},
                         {"screen circle", -1, 7, true}};
const wchar_t kMessage[] =
    L"The quick brown fox jumps over the lazy dog.\r\nDo you want to save the changes?";

void close_box();

// A box that never finishes painting is closed after two seconds and counted as failed.
void CALLBACK give_up(HWND, UINT, UINT_PTR, DWORD) {
  if (g_painted || !g_box) return;
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  if (ms_between(g_start, now) < 2000) return;
  std::fprintf(stderr, "a box did not finish painting; closing it\n");
  g_painted = true;
  g_done.QuadPart = 0;
  if (g_stock)
    ::PostMessageW(g_box, WM_COMMAND, IDOK, 0);
  else
    close_box();
}

// One object of QuillonLib.Quillon, late bound.
using Box = LateBoundBox;

double show_once(const Style* style) {
  g_box = nullptr;
  g_painted = false;
  g_stock = style == nullptr;
  if (g_stock) {
    ::QueryPerformanceCounter(&g_start);
    ::MessageBoxW(nullptr, kMessage, L"Benchmark", MB_OK | MB_ICONQUESTION);
  } else {
    Box q;
    if (!q) return -1;
    q.put(L"SoundBeep", VT_I4, 0);
    q.put(L"GradientPaint", VT_I4, style->gradient_paint);
    q.put(L"GradientDirection", VT_I4, style->gradient_type);
    if (style->screen_sized) {
      q.put(L"Width", VT_I4, ::GetSystemMetrics(SM_CXSCREEN) * 15);
      q.put(L"Height", VT_I4, ::GetSystemMetrics(SM_CYSCREEN) * 15);
    }
    ::QueryPerformanceCounter(&g_start);
    q.msgbox(kMessage, 4 + 32, L"Benchmark");
  }
  return g_painted && g_done.QuadPart ? ms_between(g_start, g_done) : -1;
}

// A bare popup with the box's frame and size that paints itself with one colour, shown as the box
// shows itself: what Wine alone costs for a window of that size. Milliseconds from its creation
// to the end of its first paint.
LRESULT CALLBACK bare_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg != WM_PAINT) return ::DefWindowProcW(w, msg, wp, lp);
  PAINTSTRUCT ps;
  const HDC dc = ::BeginPaint(w, &ps);
  const HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
  ::SetDCBrushColor(dc, RGB(0, 102, 153));
  ::PatBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, PATCOPY);
  ::SelectObject(dc, old);
  ::EndPaint(w, &ps);
  return 0;
}
double show_bare(SIZE size) {
  static const ATOM cls = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = bare_proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BenchBarePopup";
    return ::RegisterClassW(&wc);
  }();
  g_box = ::GetDesktopWindow();  // not a box: the hooks leave it alone
  g_painted = true;
  LARGE_INTEGER start, done;
  ::QueryPerformanceCounter(&start);
  const HWND w = ::CreateWindowExW(0, MAKEINTATOM(cls), L"", WS_POPUP | WS_DLGFRAME, 0, 0, 1, 1,
                                   nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::SetWindowPos(w, HWND_TOP, 0, 0, size.cx, size.cy, SWP_SHOWWINDOW);
  ::UpdateWindow(w);
  ::QueryPerformanceCounter(&done);
  ::DestroyWindow(w);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  return ms_between(start, done);
}

struct Usage {
  int gdi_objects = 0, windows = 0;
  std::size_t pagefile = 0;
};
Usage usage() {
  Usage u;
  for (std::uintptr_t h = 1; h <= 0xFFFF; ++h)  // a Wine-only way of counting live GDI objects
    u.gdi_objects += ::GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0;
  ::EnumWindows(
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        auto* n = reinterpret_cast<int*>(p);
        ++*n;
        ::EnumChildWindows(
            w,
            [](HWND, LPARAM q) CALLBACK -> BOOL {
              ++*reinterpret_cast<int*>(q);
              return TRUE;
            },
            p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&u.windows));
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof(pmc);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc));
  u.pagefile = pmc.PagefileUsage;
  return u;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  int cycles = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1000;
  ::CoInitialize(nullptr);
  if (!Box()) {
    std::fprintf(stderr, "QuillonLib.Quillon is not registered\n");
    return 1;
  }
  ::SetWindowsHookExW(WH_CBT, cbt, nullptr, ::GetCurrentThreadId());
  ::SetWindowsHookExW(WH_GETMESSAGE, get_message, nullptr, ::GetCurrentThreadId());
  ::SetTimer(nullptr, 0, 250, give_up);

  std::printf(
      "Time from the call to the first complete paint (ms; %d runs after one skipped; "
      "screen %d x %d)\n",
      repeats, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  std::printf("%-18s %8s %8s %8s %10s %8s %8s\n", "box", "median", "min", "max", "vs stock",
              "windows", "window");
  // The stock box is shown before each run of a style, so that both see the same conditions.
  std::vector<double> stock;
  double stock_median = 0;
  const auto median_of = [](std::vector<double> t) {
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
  };
  show_once(nullptr);  // the first call of a kind pays for loading and caches
  for (const Style& style : kStyles) {
    show_once(&style);
    std::vector<double> t, created;
    for (int i = 0; i < repeats; ++i) {
      stock.push_back(show_once(nullptr));
      t.push_back(show_once(&style));
      created.push_back(ms_between(g_start, g_created));
    }
    stock_median = median_of(stock);
    const double median = median_of(t);
    std::sort(t.begin(), t.end());
    std::printf("%-18s %8.2f %8.2f %8.2f %9.2fx %8d %8.2f\n", style.name, median, t.front(),
                t.back(), median / stock_median, g_windows_seen, median_of(created));
  }
  std::sort(stock.begin(), stock.end());
  std::printf(
      "(windows: native windows of the box; window: median ms from the call until its\n"
      " window was made)\n");
  std::printf("%-18s %8.2f %8.2f %8.2f %9.2fx\n", "stock MessageBoxW", stock_median, stock.front(),
              stock.back(), 1.0);

  // Ratios between two boxes, each from the two shown one after the other (in turn first), as the
  // median over the pairs: a machine whose speed drifts during the run moves both alike.
  struct Pair {
    const char* name;
    std::size_t over, under;  // indexes into kStyles
  };
  const Pair kPairs[] = {{"screen solid / solid", 5, 0},
                         {"screen diamond / screen solid", 6, 5},
                         {"screen circle / screen solid", 7, 5}};
  std::printf("\nRatios from pairs shown one after the other (median of %d pairs)\n", repeats);
  for (const Pair& p : kPairs) {
    std::vector<double> r, more;
    for (int i = 0; i < repeats; ++i) {
      const bool over_first = i % 2 == 0;
      const double first = show_once(&kStyles[over_first ? p.over : p.under]);
      const double second = show_once(&kStyles[over_first ? p.under : p.over]);
      const double over = over_first ? first : second, under = over_first ? second : first;
      if (over > 0 && under > 0) r.push_back(over / under), more.push_back(over - under);
    }
    if (!r.empty())
      std::printf("%-30s %8.2f   (%.2f ms more)\n", p.name, median_of(r), median_of(more));
  }
  // The first pair again with bare popups of the two boxes' sizes: Wine's share of that ratio.
  SIZE sizes[2];
  for (int k = 0; k < 2; ++k) {
    show_once(&kStyles[k == 0 ? kPairs[0].over : kPairs[0].under]);
    sizes[k] = g_box_size;
  }
  std::vector<double> bare, more;
  for (int i = 0; i < repeats; ++i) {
    const bool over_first = i % 2 == 0;
    const double first = show_bare(sizes[over_first ? 0 : 1]);
    const double second = show_bare(sizes[over_first ? 1 : 0]);
    const double over = over_first ? first : second, under = over_first ? second : first;
    bare.push_back(over / under);
    more.push_back(over - under);
  }
  std::printf("%-30s %8.2f   (%.2f ms more; bare popups of %ld x %ld and %ld x %ld)\n",
              "  the same, Wine alone", median_of(bare), median_of(more), sizes[0].cx, sizes[0].cy,
              sizes[1].cx, sizes[1].cy);

  if (cycles > 0) {
    // Whole rounds of the styles, after one round of warm-up: the surfaces that the thread keeps
    // for the next box of their size are then the same before and after.
    const auto round = [](int showings) {
      int failed = 0;
      for (int i = 0; i < showings; ++i)
        failed += show_once(&kStyles[static_cast<std::size_t>(i) % std::size(kStyles)]) < 0;
      return failed;
    };
    constexpr int kRound = static_cast<int>(std::size(kStyles));
    cycles = (cycles + kRound - 1) / kRound * kRound;
    round(kRound);
    const Usage before = usage();
    const int failed = round(cycles);
    const Usage after = usage();
    std::printf(
        "\nSoak: %d showings of mixed styles answered with Escape (%d without a complete "
        "paint)\n",
        cycles, failed);
    std::printf("%-22s %10s %10s\n", "", "before", "after");
    std::printf("%-22s %10d %10d\n", "GDI objects", before.gdi_objects, after.gdi_objects);
    std::printf("%-22s %10d %10d\n", "windows (all)", before.windows, after.windows);
    std::printf("%-22s %10zu %10zu\n", "PagefileUsage (KiB)", before.pagefile / 1024,
                after.pagefile / 1024);
  }
  ::CoUninitialize();
  return 0;
}
