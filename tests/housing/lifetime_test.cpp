// The library's lifetime as hosts see it, each case in a host process of its own (lifetime_host):
// worker threads end, a process exits with boxes up, the library unloads when nothing holds it and
// loads again, and CoUninitialize with a box up returns. A hang fails the case instead of the run.
#include "com_support.h"

namespace quillon::housing::test {
namespace {

// Runs the host in the given mode; its exit code, or -1 when it did not end in time.
int run_host(const wchar_t* mode, DWORD limit_ms) {
  return run_program(L"\"" QUILLON_LIFETIME_HOST L"\" " + std::wstring(mode), limit_ms);
}

TEST(LifetimeTest, HostsEndAndTheLibraryUnloads) {
  for (const wchar_t* mode : {L"worker", L"exit", L"unload", L"uninit"})
    EXPECT_EQ(run_host(mode, 20000), 0) << mode << " (-1: the host hung)";
}

}  // namespace
}  // namespace quillon::housing::test
