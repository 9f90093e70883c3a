// Stress and soak of Quillon.dll as hosts use it: created by ProgID and called late bound through
// IDispatch, on many apartment threads at once, on short-lived threads, and many times on one
// thread. Every result is checked; GDI objects, windows, threads and memory are reported before
// and after each part, and for the warm-up on its own.
//
//   quillon_stress [threads] [boxes per thread] [short-lived threads] [showings]
//                  (defaults 8 200 1000 10000; run it through bench/run stress)
//
// Boxes are answered by posting a click to their first button (input from outside goes to the
// front window only, and several threads show boxes at once), by a one-second countdown, or shown
// modelessly and then clicked.
// clang-format off
#include <windows.h>
#include <ole2.h>
#include <oleacc.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "late_bound.h"
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_wrong{0};

// One object of QuillonLib.Quillon, late bound, that makes no sound.
class Box : public LateBoundBox {
 public:
  Box() { put(L"SoundBeep", VT_BOOL, 0); }
  int msgbox(short flags) {
    return LateBoundBox::msgbox(L"Do you want to go on?", flags, L"Stress");
  }
};

// The calling thread's visible box, if any.
HWND thread_box() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(w, name, 64);
        if (IsWindowVisible(w) && std::wcsncmp(name, L"QuillonForm", 11) == 0) {
          *reinterpret_cast<HWND*>(p) = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Where the box's leftmost button in its lowest row ("Yes" of Yes/No) is on its client area, as
// its accessible object says. Asked once: every box here has the same text and buttons, so the
// same place, and Wine 8's LresultFromObject / ObjectFromLresult pair keeps about 2 KB a call
// (any window's object, not only ours), which would swamp the memory figures.
bool first_button(HWND box, POINT& at) {
  static std::mutex mutex;
  static POINT known{};
  static bool have = false;
  std::lock_guard lock(mutex);
  if (have) {
    at = known;
    return true;
  }
  IAccessible* acc = nullptr;
  if (FAILED(AccessibleObjectFromWindow(box, OBJID_CLIENT, __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&acc))))
    return false;
  long count = 0;
  acc->get_accChildCount(&count);
  bool found = false;
  for (long i = 1; i <= count; ++i) {
    VARIANT child, role;
    VariantInit(&role);
    VariantInit(&child);
    V_VT(&child) = VT_I4;
    V_I4(&child) = i;
    long x = 0, y = 0, w = 0, h = 0;
    if (acc->get_accRole(child, &role) != S_OK || V_VT(&role) != VT_I4 ||
        V_I4(&role) != ROLE_SYSTEM_PUSHBUTTON || acc->accLocation(&x, &y, &w, &h, child) != S_OK)
      continue;
    const POINT centre{x + w / 2, y + h / 2};
    if (!found || centre.y > at.y || (centre.y == at.y && centre.x < at.x)) at = centre;
    found = true;
  }
  acc->Release();
  if (!found || !ScreenToClient(box, &at)) return false;
  known = at;
  have = true;
  return true;
}

// Posts a click to that button.
bool click_first_button(HWND box) {
  POINT at{};
  if (!first_button(box, at)) return false;
  const LPARAM where = MAKELPARAM(at.x, at.y);
  return PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, where) &&
         PostMessageW(box, WM_LBUTTONUP, 0, where);
}

// A thread timer that clicks the box once it is up.
void CALLBACK click_when_up(HWND, UINT, UINT_PTR id, DWORD) {
  if (HWND box = thread_box(); box && click_first_button(box)) KillTimer(nullptr, id);
}

void pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!thread_box()) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

enum class Ending { Click, Countdown, Modeless };

// One box, answered as asked; counts a wrong result.
void one_box(Box& box, Ending how) {
  box.put(L"Modal", VT_BOOL, how == Ending::Modeless ? 0 : -1);
  box.put(L"TimerSeconds", VT_I2, how == Ending::Countdown ? 1 : 0);
  UINT_PTR timer = how == Ending::Click ? SetTimer(nullptr, 0, 10, click_when_up) : 0;
  const int want = how == Ending::Click ? 6 : 0;
  const int got = box.msgbox(4 + 32);
  if (timer) KillTimer(nullptr, timer);
  if (how == Ending::Modeless) {
    if (HWND up = thread_box()) click_first_button(up);
    pump(2000);
  }
  if (got != want) ++g_wrong;
}

struct Usage {
  int gdi_objects = 0, windows = 0, threads = 0;
  int gdi_by_type[OBJ_COLORSPACE + 1] = {};  // live GDI objects by GetObjectType
  SIZE_T pagefile = 0;                       // private bytes committed
  long long heap_used = 0;  // bytes in the busy blocks of every heap of the process
};

// The bytes that the process's heaps hold in busy blocks: growth here is memory kept by someone,
// where committed bytes also grow when a heap keeps freed blocks for later (its high-water mark).
long long heap_in_use() {
  std::vector<HANDLE> heaps(64);
  DWORD n = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (n > heaps.size()) {
    heaps.resize(n);
    n = GetProcessHeaps(n, heaps.data());
  }
  long long used = 0;
  for (DWORD i = 0; i < n && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e{};
    while (HeapWalk(heaps[i], &e))
      if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += e.cbData;
    HeapUnlock(heaps[i]);
  }
  return used;
}
Usage usage() {
  // An ended thread's stack is freed when the next thread ends: an empty thread ends last, so
  // that every measurement holds the same leftover stack, not that of whichever box ended last.
  std::thread([] {}).join();
  Usage u;
  for (std::uintptr_t h = 1; h <= 0xFFFF; ++h) {  // a Wine-only way of counting live GDI objects
    const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(h));
    if (type == 0 || type > OBJ_COLORSPACE) continue;
    ++u.gdi_objects;
    ++u.gdi_by_type[type];
  }
  EnumWindows(
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId()) ++*reinterpret_cast<int*>(p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&u.windows));
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    u.threads += te.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snap);
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  u.pagefile = pmc.PagefileUsage;
  u.heap_used = heap_in_use();
  return u;
}

void report(const char* part, const Usage& a, const Usage& b, double seconds) {
  const long long growth = static_cast<long long>(b.pagefile) - static_cast<long long>(a.pagefile);
  std::printf(
      "%-34s %6.1f s  GDI %d -> %d  windows %d -> %d  threads %d -> %d  memory %+lld KiB"
      "  (heaps in use %+lld KiB)\n",
      part, seconds, a.gdi_objects, b.gdi_objects, a.windows, b.windows, a.threads, b.threads,
      growth / 1024, (b.heap_used - a.heap_used) / 1024);
  // Which kinds of GDI object came or went: the system keeps some of its own (a window DC cache
  // that grows to the most DCs ever in use at once), where Quillon's are memory DCs, DIB
  // sections, fonts and brushes.
  static const char* const kinds[] = {"",
                                      "pen",
                                      "brush",
                                      "DC",
                                      "metafile DC",
                                      "palette",
                                      "font",
                                      "bitmap",
                                      "region",
                                      "metafile",
                                      "memory DC",
                                      "ext pen",
                                      "enhanced metafile DC",
                                      "enhanced metafile",
                                      "colour space"};
  for (int t = 1; t <= OBJ_COLORSPACE; ++t)
    if (a.gdi_by_type[t] != b.gdi_by_type[t])
      std::printf("  GDI %s: %d -> %d\n", kinds[t], a.gdi_by_type[t], b.gdi_by_type[t]);
}

// Runs body on an apartment thread of its own and waits for it.
template <class F>
std::thread apartment_thread(F body) {
  return std::thread([body] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    body();
    CoUninitialize();
  });
}

void many_threads(int threads, int boxes) {
  std::vector<std::thread> all;
  for (int t = 0; t < threads; ++t)
    all.push_back(apartment_thread([boxes] {
      Box box;
      if (!box) ++g_wrong;
      for (int i = 0; i < boxes && box; ++i)
        one_box(box, i % 4 == 2   ? Ending::Countdown
                     : i % 4 == 3 ? Ending::Modeless
                                  : Ending::Click);
    }));
  for (auto& t : all) t.join();
}

void short_lived(int threads) {
  for (int t = 0; t < threads; ++t)
    apartment_thread([] {
      Box box;
      if (!box) ++g_wrong;
      one_box(box, Ending::Click);
    }).join();
}

double one_thread(int showings, Box& box) {
  const DWORD start = GetTickCount();
  for (int i = 0; i < showings; ++i) {
    box.put(L"GradientPaint", VT_BOOL, i % 3 ? -1 : 0);
    box.put(L"GradientDirection", VT_I4, 1 + i % 16);
    one_box(box, Ending::Click);
  }
  return (GetTickCount() - start) / 1000.0;
}

template <class F>
void part(const char* name, F run) {
  const Usage before = usage();
  const DWORD start = GetTickCount();
  run();
  report(name, before, usage(), (GetTickCount() - start) / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  auto arg = [&](int i, int fallback) {
    return argc > i ? std::max(0, std::atoi(argv[i])) : fallback;
  };
  const int threads = arg(1, 8), boxes = arg(2, 200), short_threads = arg(3, 1000),
            showings = arg(4, 10000), rounds = std::max(1, arg(5, 1));
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Box main_box;
    if (!main_box) {
      std::printf("QuillonLib.Quillon could not be created: is Quillon.dll registered?\n");
      return 1;
    }
    std::printf("Stress and soak through the registered Quillon.dll (late bound by ProgID)\n");
    // Warm-up: every kind of use, so that caches and the system's own first-use allocations are
    // not counted as growth; the first part last and twice, as it needs the most at once: the
    // heaps' committed memory grows for two rounds of it while they reach their high-water mark
    // for that many boxes at once (the bytes in use stay the same), the system's window DC cache
    // grows to the most DCs in use at once, and the spare surfaces kept for the next boxes fill
    // up. Its figures are shown too.
    part("warm-up: every part, the first twice", [&] {
      one_thread(20, main_box);
      short_lived(4);
      many_threads(threads, boxes);
      many_threads(threads, boxes);
    });
    // Repeated, the growth shows whether memory is lost per box (the same each round) or the
    // heaps only reach their high-water mark for this concurrency (less each round).
    for (int round = 1; round <= rounds; ++round)
      part(round == 1 ? "threads x boxes at once" : "  again",
           [&] { many_threads(threads, boxes); });
    part("short-lived threads, one box each", [&] { short_lived(short_threads); });
    part("modal showings on one thread", [&] {
      const int tenth = std::max(1, showings / 10);
      const double first = one_thread(tenth, main_box);
      one_thread(showings - 2 * tenth, main_box);
      const double last = one_thread(tenth, main_box);
      std::printf("  first tenth %.2f s, last tenth %.2f s\n", first, last);
    });
    std::printf("parts: %d x %d boxes, %d threads, %d showings; wrong results: %d\n", threads,
                boxes, short_threads, showings, g_wrong.load());
  }
  CoUninitialize();
  return g_wrong == 0 ? 0 : 1;
}
