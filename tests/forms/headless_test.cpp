// The headless backend: modal showing driven by a script, the virtual clock and timers,
// activation, platform services. Focus and keys: support/navigation_cases.h.
#include "forms/headless/headless.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quillon::forms {
namespace {

using headless::HeadlessBackend;

// A small form: three buttons, a timer, an image, a picture box.
class TestForm : public Form {
 public:
  TestForm() : Form("TestForm") {}
  std::function<void(TestForm&)> on_design;
  CommandButton* buttons[3] = {};
  Timer* timer = nullptr;
  Timer* timer_b = nullptr;
  Image* image = nullptr;
  PictureBox* box = nullptr;
  std::vector<std::string> seen;

 protected:
  void Design() override {
    SetWidth(3000);
    SetHeight(2000);
    box = &add<PictureBox>("Box", -1, nullptr);
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
    image = &add<Image>("Img", -1, nullptr);
    image->MouseDown = [this](std::int16_t, std::int16_t, Single, Single) {
      seen.push_back("Down");
    };
    image->MouseUp = [this](std::int16_t, std::int16_t, Single, Single) { seen.push_back("Up"); };
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

TEST_F(HeadlessTest, ModalShowRunsTheScriptUntilAHandlerUnloads) {
  form.on_design = [](TestForm& f) {
    f.buttons[1]->Click = [&f](int) {
      f.seen.push_back("Click 1");
      f.Unload();  // from inside the handler
    };
  };
  hb.click("Btn", 0);
  hb.click("Btn", 1);
  hb.click("Btn", 2);  // left for later: the form is gone by then
  form.Show(true);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.seen, (std::vector<std::string>{"Activate", "GotFocus 0", "Click 0", "GotFocus 1",
                                                 "Click 1"}));
  EXPECT_EQ(hb.pending_steps(), 1u);
}

TEST_F(HeadlessTest, ModalShowFailsLoudlyWhenNothingCanCloseTheForm) {
  EXPECT_THROW(form.Show(true), std::runtime_error);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(hb.modal_stalls(), 1);
  // The same form shows again on a fresh Load.
  hb.click("Btn", 0);
  hb.call([&] { form.Unload(); });
  form.Show(true);
  EXPECT_EQ(hb.modal_stalls(), 1);
}

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

TEST_F(HeadlessTest, ModalShowWithOnlyATickingTimerFailsAfterTenVirtualMinutes) {
  form.on_design = [](TestForm& f) { f.timer->SetEnabled(true); };
  try {
    form.Show(true);
    FAIL() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("modal form never closed"), std::string::npos);
  }
  EXPECT_GE(hb.now_ms(), 600000);
  EXPECT_LE(hb.now_ms(), 601000);
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

TEST_F(HeadlessTest, MouseUpGoesToTheImageThatSawThePress) {
  form.Show(false);
  form.seen.clear();
  hb.mouse_down("Img");
  hb.mouse_up();
  hb.mouse_up();  // no press outstanding: nothing
  hb.run_script();
  EXPECT_EQ(form.seen, (std::vector<std::string>{"Down", "Up"}));
}

TEST_F(HeadlessTest, PlatformServices) {
  PlatformServices& p = hb.platform();
  EXPECT_EQ(p.active_window(), 0u);
  hb.set_caller_window(L"Host window", {10, 20, 410, 320});
  const WindowHandle caller = p.active_window();
  EXPECT_NE(caller, 0u);
  EXPECT_EQ(p.window_text(caller, 4), L"Host");
  EXPECT_EQ(p.window_rect(caller).right, 410);
  EXPECT_EQ(p.sys_color(15), rgb(245, 245, 245));  // Wine's default button face
  hb.set_sys_color(15, rgb(1, 2, 3));
  EXPECT_EQ(p.sys_color(15), rgb(1, 2, 3));
  EXPECT_EQ(p.system_metrics(11), 32);
  hb.set_icon_size(48);
  EXPECT_EQ(p.system_metrics(12), 48);
  for (int id = 32513; id <= 32516; ++id) EXPECT_EQ(p.load_stock_icon(id), IconHandle(id - 32512));
  EXPECT_EQ(p.load_stock_icon(32512), 0u);
  EXPECT_EQ(p.load_stock_icon(32517), 0u);
  p.play_message_sound();
  EXPECT_EQ(hb.sound_plays(), 1);
  p.set_topmost(7, true);
  EXPECT_TRUE(hb.topmost(7));
  p.set_topmost(7, false);
  EXPECT_FALSE(hb.topmost(7));
  p.drag_window(7);
  EXPECT_EQ(hb.drag_count(), 1);
  // The form's window ends and the caller is active again.
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
  EXPECT_EQ(
      t.measure(L"The quick brown fox jumps over the lazy dog.", regular, std::nullopt).width_px,
      261);
  EXPECT_EQ(t.measure(L"The quick brown fox jumps over the lazy dog.", bold, std::nullopt).width_px,
            285);
  EXPECT_EQ(t.measure(L"", regular, std::nullopt).height_px, 13);
  EXPECT_EQ(t.measure(L"", regular, std::nullopt).width_px, 0);
  EXPECT_EQ(t.measure(L"a\r\nb\nc\rd", regular, std::nullopt).height_px, 4 * 13);
  // Word wrap at spaces; a word wider than the width is broken.
  EXPECT_EQ(t.measure(L"one two three", regular, 40).height_px, 3 * 13);
  EXPECT_LE(t.measure(L"one two three", regular, 40).width_px, 40);
  EXPECT_EQ(t.measure(L"abcdefghijklmnopqrstuvwxyz", regular, 30).height_px % 13, 0);
  EXPECT_GT(t.measure(L"abcdefghijklmnopqrstuvwxyz", regular, 30).height_px, 13 * 3);
  EXPECT_LE(t.measure(L"abcdefghijklmnopqrstuvwxyz", regular, 30).width_px, 30);
  // Spaces at a break take no room; a very long word is cut into full lines.
  EXPECT_EQ(t.measure(L"Message     Text", regular, 60).width_px,
            t.measure(L"Message", regular, std::nullopt).width_px);
  const std::wstring word(20000, L'W');
  const TextExtent long_word = t.measure(word, regular, 200);
  EXPECT_LE(long_word.width_px, 200);
  const int per_line = 200 / t.measure(L"W", regular, std::nullopt).width_px;
  EXPECT_EQ(long_word.height_px, 13 * ((20000 + per_line - 1) / per_line));
}

}  // namespace
}  // namespace quillon::forms

namespace quillon::forms {
namespace {

class LabelForm : public Form {
 public:
  LabelForm() : Form("LabelForm") {}
  Label* label = nullptr;

 protected:
  void Design() override {
    label = &add<Label>("MsgText", -1, nullptr);
    label->Move(750, 150, 1005, 195);
    label->SetAutoSize(true);
    label->SetCaption(L"Message Text");
  }
};

TEST(HeadlessLabels, AutoSizeFollowsTheCaptionInTwips) {
  headless::HeadlessBackend hb;
  BackendScope scope(hb);
  LabelForm f;
  f.Load();
  Label& l = *f.label;
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
