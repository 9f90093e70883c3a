// A host program for the lifetime tests: it uses QuillonLib.Quillon (created by ProgID, as a
// host would) in one way named on its command line, prints what it checks and exits 0 only when
// every check held. lifetime_test.cpp runs it in a process of its own and fails on a hang.
//   worker    threads that create, use and release objects end within a second
//   exit      the process ends with modeless boxes up on two threads
//   unload    DllCanUnloadNow follows objects and windows; the library really unloads and loads
//             again
//   uninit    CoUninitialize with a box still up returns, and the box still closes
// clang-format off
#include <windows.h>
#include <ole2.h>
// clang-format on

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "housing/handles.h"
#include "support/gdi_objects.h"
// clang-format off
#include <initguid.h>  // the interface and class ids are defined here
#include "quillon.h"
// clang-format on

using quillon::housing::ComPtr;
using quillon::housing::UniqueBstr;

namespace {

int g_failures = 0;

void check(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
  std::fflush(stdout);
  g_failures += !ok;
}

ComPtr<_Quillon> create() {
  CLSID clsid{};
  ComPtr<_Quillon> q;
  if (SUCCEEDED(CLSIDFromProgID(L"QuillonLib.Quillon", &clsid)))
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon, q.put_void());
  if (q) q->put_SoundBeep(VARIANT_FALSE);
  return q;
}

// One box: modal or not, closed by a countdown of the given seconds (0: none).
short show(_Quillon* q, bool modal, short seconds) {
  q->put_Modal(modal ? VARIANT_TRUE : VARIANT_FALSE);
  q->put_TimerSeconds(seconds);
  UniqueBstr text(L"Lifetime");
  short result = -1;
  return SUCCEEDED(q->MsgBox(text.get(), 4, text.get(), &result)) ? result : -1;
}

// Runs the thread's messages until done() or the time is up.
bool pump_until(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  }
  return true;
}

HRESULT can_unload_now() {
  const HMODULE dll = GetModuleHandleW(L"Quillon.dll");
  const FARPROC f = dll ? GetProcAddress(dll, "DllCanUnloadNow") : nullptr;
  return f ? reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(f))() : E_FAIL;
}

// Starts a thread running body in an apartment of its own; returns its handle.
HANDLE start_thread(std::function<void()>* body) {
  return CreateThread(
      nullptr, 0,
      [](void* p) WINAPI -> DWORD {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        (*static_cast<std::function<void()>*>(p))();
        CoUninitialize();
        return 0;
      },
      body, 0, nullptr);
}

// A thread that has finished its work and returned must be gone within a second.
void expect_thread_ends(std::function<void()> body, const char* what) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::function<void()> wrapped = [&] {
    body();
    SetEvent(done);
  };
  HANDLE thread = start_thread(&wrapped);
  const bool worked = WaitForSingleObject(done, 30000) == WAIT_OBJECT_0;
  const bool ended = worked && WaitForSingleObject(thread, 1000) == WAIT_OBJECT_0;
  check(worked && ended, what);
  if (!ended) std::_Exit(3);  // the thread hangs: this process could never exit either
  CloseHandle(thread);
  CloseHandle(done);
}

void worker() {
  expect_thread_ends([] { create(); }, "a thread that only creates and releases an object ends");
  expect_thread_ends(
      [] {
        ComPtr<_Quillon> a = create(), b = create();
        check(a && b, "objects created on a worker thread");
        if (!a || !b) return;
        check(show(a.get(), false, 0) == 0, "modeless box on a worker thread");
        check(show(b.get(), true, 1) == 0, "modal box ended by its countdown on a worker thread");
      },
      "a thread that used modal and modeless boxes, and left one up, ends");
  check(can_unload_now() == S_OK, "nothing holds the library once the threads are gone");
}

void exit_with_boxes_up() {
  HANDLE up = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::function<void()> body = [&] {
    ComPtr<_Quillon> q = create();
    if (q) show(q.get(), false, 0);
    SetEvent(up);
    Sleep(INFINITE);  // still running when the process exits
  };
  start_thread(&body);
  WaitForSingleObject(up, 30000);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ComPtr<_Quillon> q = create();
  check(q && show(q.get(), false, 0) == 0, "modeless box on the main thread");
  // Return from main with both boxes up, the object and the apartment left as they are.
  q.detach();
}

void unload() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  check(GetModuleHandleW(L"Quillon.dll") == nullptr, "the library is not loaded at the start");
  int gdi_after_first = 0;  // the system's own caches grow with the first windows
  for (int round = 1; round <= 2; ++round) {
    ComPtr<_Quillon> q = create();
    check(q.get() != nullptr, "object created");
    if (!q) return;
    // A timer of the host fires inside the modal wait.
    static HRESULT during_modal;
    during_modal = E_FAIL;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
      during_modal = can_unload_now();
      KillTimer(nullptr, id);
    });
    check(show(q.get(), true, 1) == 0, "modal box ended by its countdown");
    KillTimer(nullptr, timer);
    check(during_modal == S_FALSE, "S_FALSE while a modal box is up");
    check(show(q.get(), false, 1) == 0, "modeless box with a countdown");
    q.reset();
    check(can_unload_now() == S_FALSE, "S_FALSE while a modeless box is up after the last release");
    check(pump_until([] { return can_unload_now() == S_OK; }, 5000),
          "S_OK once the countdown closed the box");
    CoFreeUnusedLibrariesEx(0, 0);
    check(GetModuleHandleW(L"Quillon.dll") == nullptr, "CoFreeUnusedLibraries unloads the library");
    if (round == 1) gdi_after_first = quillon::testing::gdi_objects();
  }
  check(quillon::testing::gdi_objects() == gdi_after_first,
        "an unloaded library leaves no GDI object (spare surfaces, fonts) behind");
  CoUninitialize();
}

void uninit() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ComPtr<_Quillon> q = create();
  check(q && show(q.get(), false, 1) == 0, "modeless box with a countdown");
  q.reset();
  CoUninitialize();
  check(true, "CoUninitialize returns with the box up");
  check(pump_until([] { return can_unload_now() != S_FALSE; }, 5000),
        "the box still closes by its countdown");
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, void (*)()> modes = {
      {"worker", worker}, {"exit", exit_with_boxes_up}, {"unload", unload}, {"uninit", uninit}};
  const auto mode = argc == 2 ? modes.find(argv[1]) : modes.end();
  if (mode == modes.end()) {
    std::printf("usage: lifetime_host worker|exit|unload|uninit\n");
    return 2;
  }
  mode->second();
  std::printf("%s: %d failed\n", argv[1], g_failures);
  return g_failures == 0 ? 0 : 1;
}
