// The headless backend: modal showing driven by a script, the virtual clock and timers,
// activation, platform services. Focus and keys: support/navigation_cases.h.
#include "forms/headless/headless.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/surface.h"

namespace quillon::forms {
namespace {

namespace testing = quillon::testing;

using headless::HeadlessBackend;

// A small form: three buttons on a picture box, and two timers.
class TestForm : public Form {
 public:
  TestForm() : Form("TestForm") {}
  std::function<void(TestForm&)> on_design;
  CommandButton* buttons[3] = {};
  Timer* timer = nullptr;
  Timer* timer_b = nullptr;
  std::vector<std::string> seen;

 protected:
  void Design() override {
    SetWidth(3000);
    SetHeight(2000);
    PictureBox* box = &add<PictureBox>("Box", -1, nullptr);
    box->Move(0, 0, 1500, 300);
    const wchar_t* captions[3] = {L"&OK", L"Cancel", L"&Retry"};
    for (int i = 0; i < 3; ++i) {
      buttons[i] = &add<CommandButton>("Btn", i, box);
      buttons[i]->SetCaption(captions[i]);
      buttons[i]->SetTabIndex(i);
      buttons[i]->Click = [this](int index) { seen.push_back("Click " + std::to_string(index)); };
      buttons[i]->GotFocus = [this](int index) {
        seen.push_back("GotFocus " + std::to_string(index));
      };
    }
    timer = &add<Timer>("Tick", -1, nullptr);
    timer->SetEnabled(false);
    timer->SetInterval(1000);
    timer->OnTimer = [this] { seen.push_back("Tick"); };
    timer_b = &add<Timer>("Tock", -1, nullptr);
    timer_b->SetEnabled(false);
    timer_b->SetInterval(500);
    timer_b->OnTimer = [this] { seen.push_back("Tock"); };
    OnActivate = [this] { seen.push_back("Activate"); };
    if (on_design) on_design(*this);
  }
};

class HeadlessTest : public ::testing::Test {
 protected:
  HeadlessBackend hb;
  BackendScope scope{hb};
  TestForm form;
};

TEST(HeadlessLifetime, AFormMayOutliveItsBackend) {
  TestForm form;
  {
    HeadlessBackend hb;
    BackendScope scope(hb);
    form.Show(false);
    TestForm other;
    other.Show(false);
    other.Unload();
  }
  EXPECT_TRUE(form.IsLoaded());
  // Unloading (or destroying) it later touches nothing of the backend that is gone.
  HeadlessBackend next;
  BackendScope scope(next);
  form.Unload();
}

TEST_F(HeadlessTest, ModalShowThatNothingClosesFailsLoudlyWithinTenVirtualMinutes) {
  EXPECT_THROW(form.Show(true), std::runtime_error);  // no script, no timer
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(hb.modal_stalls(), 1);
  form.on_design = [](TestForm& f) { f.timer->SetEnabled(true); };  // only a ticking timer
  const std::int64_t start = hb.now_ms();
  try {
    form.Show(true);
    FAIL() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("modal form never closed"), std::string::npos);
  }
  EXPECT_GE(hb.now_ms() - start, 600000);
  EXPECT_LE(hb.now_ms() - start, 601000);
  // The same form shows again on a fresh Load.
  form.on_design = nullptr;
  const int stalls = hb.modal_stalls();
  hb.click("Btn", 0);
  hb.call([&] { form.Unload(); });
  form.Show(true);
  EXPECT_EQ(hb.modal_stalls(), stalls);
  EXPECT_EQ(form.seen.back(), "Click 0");
}

TEST_F(HeadlessTest, TimersTickInOrderOfDueTimeOnTheVirtualClock) {
  form.on_design = [](TestForm& f) {
    f.timer->SetEnabled(true);
    f.timer_b->SetEnabled(true);
  };
  form.Show(false);
  form.seen.clear();
  hb.run_for(2000);
  EXPECT_EQ(form.seen, (std::vector<std::string>{"Tock", "Tick", "Tock", "Tock", "Tick", "Tock"}));
  EXPECT_EQ(hb.now_ms(), 2000);
  form.Unload();
  hb.run_for(5000);
  EXPECT_EQ(form.seen.size(), 6u);
}

TEST_F(HeadlessTest, ATickNeverRunsInsideAnotherHandler) {
  bool inside = false;
  bool overlapped = false;
  form.on_design = [&](TestForm& f) {
    f.timer_b->SetEnabled(true);
    f.timer_b->OnTimer = [&] { overlapped = overlapped || inside; };
    f.buttons[0]->Click = [&](int) {
      inside = true;
      inside = false;
    };
  };
  form.Show(false);
  hb.click("Btn", 0);
  hb.wait(1200);
  hb.click("Btn", 0);
  hb.run_script();
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(form.seen, (std::vector<std::string>{"Activate", "GotFocus 0"}));
  EXPECT_EQ(hb.now_ms(), 1200);
}

TEST_F(HeadlessTest, SetFocusFailsOnAHiddenButton) {
  form.on_design = [](TestForm& f) { f.buttons[1]->SetVisible(false); };
  form.Show(false);
  EXPECT_THROW(form.buttons[1]->SetFocus(), Error);
}

TEST_F(HeadlessTest, TheCallerIsActiveAgainWhenTheFormEnds) {
  PlatformServices& p = hb.platform();
  EXPECT_EQ(p.active_window(), 0u);
  hb.set_caller_window(L"Host window", {10, 20, 410, 320});
  const WindowHandle caller = p.active_window();
  EXPECT_NE(caller, 0u);
  form.Show(false);
  EXPECT_EQ(p.active_window(), form.hWnd());
  form.Unload();
  EXPECT_EQ(p.active_window(), caller);
}

TEST_F(HeadlessTest, TextMeasuresAsWineDoes) {
  TextLayout& t = hb.text();
  const Font regular;
  Font bold;
  bold.weight = 700;
  EXPECT_EQ(t.measure(L"Message Text", regular, std::nullopt).width_px, 78);
  EXPECT_EQ(t.measure(L"Message Text", regular, std::nullopt).height_px, 13);
  EXPECT_EQ(t.measure(L"Message", bold, std::nullopt).width_px, 54);
  EXPECT_EQ(t.measure(L"", regular, std::nullopt).height_px, 13);
  EXPECT_EQ(t.measure(L"a\r\nb\nc\rd", regular, std::nullopt).height_px, 4 * 13);
  EXPECT_EQ(t.measure(L"one two three", regular, 40).height_px, 3 * 13);  // wraps at spaces
  // Spaces at a break take no room; a very long word is cut into full lines.
  EXPECT_EQ(t.measure(L"Message     Text", regular, 60).width_px,
            t.measure(L"Message", regular, std::nullopt).width_px);
  const std::wstring word(20000, L'W');
  const TextExtent long_word = t.measure(word, regular, 200);
  EXPECT_LE(long_word.width_px, 200);
  const int per_line = 200 / t.measure(L"W", regular, std::nullopt).width_px;
  EXPECT_EQ(long_word.height_px, 13 * ((20000 + per_line - 1) / per_line));
}

TEST_F(HeadlessTest, LabelAutoSizeFollowsTheCaptionInTwips) {
  Label* label = nullptr;
  testing::TestForm f([&label](testing::TestForm& form) {
    label = &form.add<Label>("MsgText", -1, nullptr);
    label->Move(750, 150, 1005, 195);
    label->SetAutoSize(true);
    label->SetCaption(L"Message Text");
  });
  f.Load();
  Label& l = *label;
  EXPECT_EQ(l.Width(), 78 * 15);
  EXPECT_EQ(l.Height(), 195);  // one line: 13 pixels
  l.SetCaption(L"Save & close\r\nsecond line");
  EXPECT_EQ(l.Height(), 2 * 195);
  l.SetWordWrap(true);
  l.SetWidth(40 * 15);  // keeps the width, grows in height
  EXPECT_EQ(l.Width(), 600);
  EXPECT_GT(l.Height(), 2 * 195);
}

}  // namespace
}  // namespace quillon::forms
