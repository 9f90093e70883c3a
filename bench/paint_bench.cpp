// Time from the call to the first complete paint of a message box, for a few body styles next
// to the platform's stock MessageBoxW; then a soak of many showings that reports the GDI objects,
// windows and memory of the process before and after.
//
//   quillon_bench [repeats] [soak cycles]      (defaults 20 and 1000; run it through bench/run)
//
// A hook on this thread sees every message as it is taken from the queue. After each WM_PAINT it
// posts itself a wake-up, so that the next retrieval happens right after that paint; the first
// moment when the box and all its child windows are visible with nothing left to paint is the
// "first complete paint". The box is then answered with Escape (or closed, for the stock box).
#include <windows.h>
// The project's message window class has the name that windows.h maps to MessageBoxW.
#undef MessageBox
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "component/quillon.h"

namespace {

HWND g_box = nullptr;  // the top-level window of the box being shown
bool g_stock = false;  // the box is the stock MessageBoxW
LARGE_INTEGER g_start{}, g_done{};
bool g_painted = false;

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
  std::int16_t gradient_paint;
  std::int32_t gradient_type;
};
const Style kStyles[] = {{"solid", 0, 1},
                         {"banded", -1, 1},
                         {"diamond", -1, 5},
                         {"circle (centre)", -1, 7},
                         {"circle (corner)", -1, 9}};
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

double show_once(const Style* style) {
  g_box = nullptr;
  g_painted = false;
  g_stock = style == nullptr;
  ::QueryPerformanceCounter(&g_start);
  if (g_stock) {
    ::MessageBoxW(nullptr, kMessage, L"Benchmark", MB_OK | MB_ICONQUESTION);
  } else {
    quillon::Quillon q;
    q.SetSoundBeep(0);
    q.SetGradientPaint(style->gradient_paint);
    q.SetGradientDirection(style->gradient_type);
    q.MsgBox(kMessage, 4 + 32, L"Benchmark");
  }
  return g_painted && g_done.QuadPart ? ms_between(g_start, g_done) : -1;
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
  const int cycles = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1000;
  ::SetWindowsHookExW(WH_CBT, cbt, nullptr, ::GetCurrentThreadId());
  ::SetWindowsHookExW(WH_GETMESSAGE, get_message, nullptr, ::GetCurrentThreadId());
  ::SetTimer(nullptr, 0, 250, give_up);

  std::printf("Time from the call to the first complete paint (ms; %d runs after one skipped)\n",
              repeats);
  std::printf("%-18s %8s %8s %8s %10s\n", "box", "median", "min", "max", "vs stock");
  double stock_median = 0;
  for (int s = -1; s < static_cast<int>(std::size(kStyles)); ++s) {
    const Style* style = s < 0 ? nullptr : &kStyles[s];
    show_once(style);  // the first call of a kind pays for loading and caches
    std::vector<double> t;
    for (int i = 0; i < repeats; ++i) t.push_back(show_once(style));
    std::sort(t.begin(), t.end());
    const double median = t[t.size() / 2];
    if (!style) stock_median = median;
    std::printf("%-18s %8.2f %8.2f %8.2f %9.2fx\n", style ? style->name : "stock MessageBoxW",
                median, t.front(), t.back(), stock_median > 0 ? median / stock_median : 0.0);
  }

  if (cycles > 0) {
    const Usage before = usage();
    int failed = 0;
    for (int i = 0; i < cycles; ++i)
      failed += show_once(&kStyles[static_cast<std::size_t>(i) % std::size(kStyles)]) < 0;
    const Usage after = usage();
    std::printf("\nSoak: %d showings answered with Escape (%d without a complete paint)\n", cycles,
                failed);
    std::printf("%-22s %10s %10s\n", "", "before", "after");
    std::printf("%-22s %10d %10d\n", "GDI objects", before.gdi_objects, after.gdi_objects);
    std::printf("%-22s %10d %10d\n", "windows (all)", before.windows, after.windows);
    std::printf("%-22s %10zu %10zu\n", "PagefileUsage (KiB)", before.pagefile / 1024,
                after.pagefile / 1024);
  }
  return 0;
}
