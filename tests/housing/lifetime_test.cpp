// The library's lifetime as hosts see it, each case in a host process of its own (lifetime_host):
// worker threads end, a process exits with boxes up, the library unloads when nothing holds it and
// loads again, and CoUninitialize with a box up returns. A hang fails the case instead of the run.
#include "com_support.h"

namespace quillon::housing::test {
namespace {

// Runs the host in the given mode; its exit code, or -1 when it did not end in time.
int run_host(const wchar_t* mode, DWORD limit_ms) {
  std::wstring command = L"\"" QUILLON_LIFETIME_HOST L"\" " + std::wstring(mode);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                      &pi))
    return -2;
  int code = -1;
  if (WaitForSingleObject(pi.hProcess, limit_ms) == WAIT_OBJECT_0) {
    DWORD exit_code = 0;
    GetExitCodeProcess(pi.hProcess, &exit_code);
    code = static_cast<int>(exit_code);
  } else {
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

TEST(LifetimeTest, HostsEndAndTheLibraryUnloads) {
  for (const wchar_t* mode : {L"worker", L"exit", L"unload", L"uninit"})
    EXPECT_EQ(run_host(mode, 20000), 0) << mode << " (-1: the host hung)";
}

}  // namespace
}  // namespace quillon::housing::test
