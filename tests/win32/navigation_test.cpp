// The navigation rows (support/navigation_cases.h) on the Win32 backend under Wine: real keyboard
// input through the system's queue (SendInput) to the window in front, one key every 20 ms.
#include "component/quillon.h"
#include "support/navigation_cases.h"
#include "win32/support.h"
#include "window/message_box.h"

namespace quillon::testing {
namespace {

// Steps of a Script: `settle` idle ticks, then one key going down or up per tick.
std::deque<std::function<void()>> typing(const char* keys, int settle) {
  std::deque<std::function<void()>> steps(static_cast<std::size_t>(settle), [] {});
  for (const KeyEvent& e : key_events(keys))
    steps.push_back([e] { key(e.vk, e.stroke == Stroke::kDown); });
  steps.push_back([] {});  // the last input is handled before the next tick
  return steps;
}

class Win32Navigation : public ::testing::TestWithParam<NavigationCase> {
 protected:
  ~Win32Navigation() override { window::ReleaseThreadWindows(); }
};

TEST_P(Win32Navigation, GivesTheExpectedSequence) {
  const NavigationCase& c = GetParam();
  if (const auto flags = msgbox_flags(c)) {
    Quillon q;
    q.SetSoundBeep(0);
    auto steps = typing(c.keys, 10);  // the watcher has put the focus on the default button
    steps.push_back([] {              // the keys did not answer: MsgBox returns 0
      for (auto* w : window::LoadedWindows()) w->Unload();
    });
    Script script(std::move(steps));
    expect_sequence(c, {"answer " + std::to_string(q.MsgBox(L"Question?", *flags, L"T"))});
    return;
  }
  NavigationForm f(c.form);
  auto steps = typing(c.keys, 1);
  steps.push_back([&f] { f.Unload(); });
  Script script(std::move(steps));
  f.Show(true);
  expect_sequence(c, f.seen);
}

INSTANTIATE_TEST_SUITE_P(Rows, Win32Navigation, ::testing::ValuesIn(kNavigationCases),
                         navigation_case_name);

}  // namespace
}  // namespace quillon::testing
