// The navigation rows (support/navigation_cases.h) on the headless backend, with its scripted
// keyboard input.
#include "component/quillon.h"
#include "forms/headless/headless.h"
#include "support/navigation_cases.h"
#include "window/message_box.h"

namespace quillon::testing {
namespace {

class HeadlessNavigation : public ::testing::TestWithParam<NavigationCase> {
 protected:
  ~HeadlessNavigation() override { window::ReleaseThreadWindows(); }
  void type(const char* keys) {
    for (const KeyEvent& e : key_events(keys))
      e.stroke == Stroke::kDown ? hb.key_down(e.vk, e.shift) : hb.key_up(e.vk, e.shift);
  }
  forms::headless::HeadlessBackend hb;
  forms::BackendScope scope{hb};
};

TEST_P(HeadlessNavigation, GivesTheExpectedSequence) {
  const NavigationCase& c = GetParam();
  if (const auto flags = msgbox_flags(c)) {
    Quillon q;
    type(c.keys);
    hb.call([] {  // the keys did not answer: MsgBox returns 0
      for (auto* w : window::LoadedWindows()) w->Unload();
    });
    expect_sequence(c, {"answer " + std::to_string(q.MsgBox(L"Question?", *flags, L"T"))});
    return;
  }
  NavigationForm f(c.form);
  type(c.keys);
  hb.call([&f] { f.Unload(); });
  f.Show(true);
  expect_sequence(c, f.seen);
}

INSTANTIATE_TEST_SUITE_P(Rows, HeadlessNavigation, ::testing::ValuesIn(kNavigationCases),
                         navigation_case_name);

}  // namespace
}  // namespace quillon::testing
