// The message window driven end to end through MsgBox on the headless backend: the ways a
// showing ends, activation and the watcher, the countdown, icon drawing and dragging.
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>

#include "support/box_fixture.h"

namespace quillon::testing {
namespace {

using window::MessageBox;

constexpr int kTab = 9;

// ---------------------------------------------------------------------------------------------
// Ways of ending a modal showing (the keys: support/navigation_cases.h)

struct Ending {
  const char* name;
  std::int16_t flags, timer_seconds;
  int wait_ms, click;  // the MsgButton clicked after wait_ms; -1: none
  int close_box;       // the mouse button pressed on the close box (the left one released far off)
  std::int16_t expected;
  std::int64_t expected_ms;  // virtual time the showing took; -1: not checked
};

class EndingTest : public BoxTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(EndingTest, ReturnsTheCodeOfWhatClosedTheWindow) {
  const Ending& e = GetParam();
  Quillon q;
  q.SetTimerSeconds(e.timer_seconds);
  if (e.wait_ms) backend.wait(e.wait_ms);
  if (e.click >= 0) backend.click("MsgButton", e.click);
  if (e.close_box) {
    backend.mouse_down("ControlBoxUp", -1, e.close_box, 10, 10);
    e.close_box == 1 ? backend.mouse_up(1, -4000, 9000) : backend.mouse_up(2, 10, 10);
  }
  const std::int64_t start = backend.now_ms();
  EXPECT_EQ(q.MsgBox(L"Question?", e.flags, L"Title"), e.expected);
  if (e.expected_ms >= 0) {
    EXPECT_EQ(backend.now_ms() - start, e.expected_ms);
  }
  EXPECT_TRUE(window::LoadedWindows().empty()) << "a modal call left its window up";
  EXPECT_EQ(msgdefs::shared().ResultCode, e.expected);
  EXPECT_EQ(backend.pending_steps(), 0u) << "the window closed before its script ended";
}

const Ending kEndings[] = {
    {"YesButton", 4, 0, 0, 0, 0, 6, -1},
    {"NoButton", 4, 0, 0, 1, 0, 7, -1},
    {"CancelCaptionHasNoAmpersand", 1, 0, 0, 1, 0, 2, -1},
    {"IgnoreOfThree", 2, 0, 0, 2, 0, 5, -1},
    {"RetryOfRetryCancel", 5, 0, 0, 0, 0, 4, -1},
    {"CloseBoxPressedMovedOffReleased", 4, 0, 0, -1, 1, 2, -1},
    {"CloseBoxRightButton", 0, 0, 0, -1, 2, 2, -1},
    {"CountdownClosesOnThirdTick", 3, 3, 0, -1, 0, 0, 3000},
    {"OneSecondCountdown", 0, 1, 0, -1, 0, 0, 1000},
    {"ClickDuringCountdownWins", 4, 3, 2900, 1, 0, 7, 2900},
};

INSTANTIATE_TEST_SUITE_P(Endings, EndingTest, ::testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BoxTest, CloseBoxShowsItsPressedFaceWhileHeld) {
  Quillon q;
  MessageBox& w = Modeless(q, L"Hello");
  const forms::Picture raised = w.ControlBoxUp().GetPicture();
  backend.mouse_down("ControlBoxUp");
  backend.run_script();
  EXPECT_NE(w.ControlBoxUp().GetPicture(), raised);
  EXPECT_EQ(w.ControlBoxUp().GetPicture(), w.ControlBoxDn().GetPicture());
  EXPECT_FALSE(w.ControlBoxDn().Visible());
  backend.mouse_up();
  backend.run_script();
  EXPECT_FALSE(w.IsLoaded());
  EXPECT_EQ(w.Result(), 2);
}

// The parts drawn in pixels, probed on the rendered box at 96, 120, 144 and 192 DPI: the close
// box's size, place and pressed look, the 3-D lines' widths and the icon's size.
TEST(HighDpi, PixelPartsAreDrawnAtTheScreensSize) {
  struct Dpi {
    float twips_per_pixel;
    int icon_px, box_px, line_px;
  };
  constexpr forms::Rgb kWhite = forms::rgb(255, 255, 255), kBlack = 0;
  for (const Dpi& d : {Dpi{15, 32, 14, 1}, {12, 40, 18, 1}, {10, 48, 21, 1}, {7.5f, 64, 28, 2}}) {
    SCOPED_TRACE(d.twips_per_pixel);
    forms::headless::HeadlessBackend backend({1024, 768, d.twips_per_pixel, d.icon_px});
    forms::BackendScope scope{backend};
    const auto px = [&](double twips) { return forms::to_long(twips / d.twips_per_pixel); };
    Quillon q;
    q.SetHeadingType(1);
    q.SetModal(kVbFalse);
    q.MsgBox(L"Scaled", 16, L"");
    MessageBox& w = *window::LoadedWindows().front();
    auto img = forms::headless::render(w);
    const int frame = px(forms::Form::kFrameTwips), heading = px(330);
    // The close box's black right edge, found from the heading's right end along its middle row.
    int right = img.width - frame - 1;
    while (right > 0 && img.at(right, frame + heading / 2) != kBlack) --right;
    int top = frame + heading / 2, bottom = top;
    while (img.at(right, top - 1) == kBlack) --top;
    while (img.at(right, bottom + 1) == kBlack) ++bottom;
    EXPECT_EQ(bottom - top + 1, d.box_px);
    EXPECT_NEAR(top - frame, (heading - d.box_px) / 2.0, 1.0);
    EXPECT_EQ(img.at(right - d.box_px + 1, top), kWhite);
    EXPECT_EQ(img.at(right - d.box_px / 2, top + (d.box_px + 7) / 14), forms::rgb(192, 192, 192));
    backend.mouse_down("ControlBoxUp");
    backend.run_script();
    img = forms::headless::render(w);
    EXPECT_EQ(img.at(right, bottom), kWhite) << "pressed: lit from the bottom right";
    EXPECT_EQ(img.at(right - d.box_px + 1, top), forms::rgb(128, 128, 128));
    // The 3-D lines under the heading, light to dark.
    const int x = frame + 40;
    int y = frame + heading;
    for (forms::Rgb colour :
         {forms::rgb(192, 192, 192), forms::rgb(128, 128, 128), forms::rgb(64, 64, 64)}) {
      int rows = 0;
      for (; img.at(x, y) == colour; ++y) ++rows;
      EXPECT_EQ(rows, d.line_px) << colour;
    }
    // The stop icon's disc across its middle row.
    const forms::Canvas& body = w.Background().image();
    const int row = px(180) + d.icon_px / 2;
    int disc = 0;
    for (int i = 0; i < 2 * d.icon_px; ++i) disc += body.pixel(i, row) != body.pixel(0, row);
    EXPECT_NEAR(disc, d.icon_px * 30 / 32.0, 1.5);
    EXPECT_NEAR(w.MsgText().Height(), 195, 2 * d.twips_per_pixel) << "text at the DPI's size";
    window::ReleaseThreadWindows();
  }
}

TEST_F(BoxTest, ModelessCallReturnsAtOnceAndTheWindowStaysUp) {
  Quillon q;
  MessageBox& w = Modeless(q, L"Still here", 4);
  backend.run_for(60'000);
  EXPECT_TRUE(w.IsShown());
  backend.click("MsgButton", 0);
  backend.run_script();
  EXPECT_FALSE(w.IsLoaded());
  EXPECT_EQ(msgdefs::shared().ResultCode, 6);
}

// ---------------------------------------------------------------------------------------------
// Activation, countdown restart, body shading and the watcher

// Marks a corner of the body so that a later shading shows by the mark being painted over.
constexpr forms::OleColor kMark = 0x00FF00FF;
void MarkBody(MessageBox& w) {
  w.Background().FilledBox(0, 0, 300, 300, kMark);
}
bool BodyMarked(MessageBox& w) {
  return w.Background().image().pixel(5, 5) == kMark;
}

// Coming back from another form of our own program restarts the countdown and shades the body
// again; coming back from another program does neither.
TEST_F(BoxTest, ActivationRestartsCountdownAndReshadesOnlyFromOurOwnProgram) {
  for (bool own : {true, false}) {
    SCOPED_TRACE(own ? "own program" : "other program");
    Quillon q;
    q.SetTimerSeconds(2);
    q.SetGradientPaint(kVbTrue);
    MessageBox& w = Modeless(q, L"Counting");
    backend.run_for(1500);
    const int activations = Count("Activate MessageBox");
    MarkBody(w);
    own ? backend.activate_other_form_window() : backend.activate_other_program();
    backend.return_to_form();
    backend.run_script();
    EXPECT_EQ(Count("Activate MessageBox") - activations, own ? 1 : 0);
    EXPECT_EQ(BodyMarked(w), !own) << "shaded again";
    backend.run_for(400);  // 1900 ms after the first showing
    EXPECT_TRUE(w.IsLoaded());
    backend.run_for(own ? 1500 : 100);  // 3400 ms: alive only thanks to the restart
    EXPECT_EQ(w.IsLoaded(), own);
    backend.run_for(100);
    EXPECT_FALSE(w.IsLoaded());
    EXPECT_EQ(w.Result(), 0);
    window::ReleaseThreadWindows();
  }
}

TEST_F(BoxTest, WatcherRepaintsHeadingWithinOneTickAndRestoresTheFocus) {
  constexpr forms::OleColor kHeading = 0x00336699;
  Quillon q;
  q.SetSolidColorHeading(kVbTrue);
  q.SetBackColorHeading(kHeading);
  MessageBox& w = Modeless(q, L"Watch", 3 + 256);  // Yes, No, Cancel; No is the default
  EXPECT_EQ(w.FocusIndex, 1);
  backend.run_for(100);
  EXPECT_TRUE(w.WasActive);
  backend.key(kTab);  // the focus moves to Cancel
  backend.run_script();
  EXPECT_EQ(w.FocusIndex, 2);

  backend.activate_other_program();
  backend.run_script();
  backend.run_for(100);
  EXPECT_FALSE(w.WasActive);
  EXPECT_EQ(w.TopHeading().BackColor(), kInactiveTitleBar);

  backend.return_to_form();
  backend.run_script();
  backend.run_for(100);
  EXPECT_EQ(w.TopHeading().BackColor(), kHeading);
  EXPECT_EQ(backend.focused(), &w.MsgButton(2));
  EXPECT_EQ(w.FocusIndex, 2);
}

TEST_F(BoxTest, KeepOnTopIsAppliedAtLoadEitherWay) {
  for (VbBool on_top : {kVbTrue, kVbFalse}) {
    Quillon q;
    q.SetKeepOnTop(on_top);
    MessageBox& w = Modeless(q, L"Top");
    EXPECT_EQ(backend.topmost(w.hWnd()), on_top != 0);
    w.Unload();
  }
}

// ---------------------------------------------------------------------------------------------
// The icon

// Whether a stock icon lies at the icon's place (its corner 8, 12 pixels into the body): the
// backend's stock icons are a red or blue disc or a yellow triangle there.
bool IconDrawn(MessageBox& w) {
  const forms::Rgb c = w.Background().image().pixel(8 + 3, 12 + 16);
  return c == forms::rgb(220, 0, 0) || c == forms::rgb(0, 70, 200) || c == forms::rgb(250, 210, 0);
}

TEST_F(BoxTest, IconIsDrawnOnlyForAStockIcon) {
  constexpr forms::OleColor kBody = 0x00E0E0E0;
  const std::tuple<std::int16_t, VbBool, bool> cases[] = {
      {64, kVbFalse, true}, {16, kVbTrue, true},     {0, kVbFalse, false},
      {0, kVbTrue, false},  {-100, kVbFalse, false}, {80, kVbTrue, false}};
  for (const auto& [flags, gradient, drawn] : cases) {
    SCOPED_TRACE(flags);
    // An earlier call leaves a stock icon handle behind; a later call must not draw it.
    Quillon q;
    Modeless(q, L"Before", 48);
    window::ReleaseThreadWindows();
    q.SetBackColorBody(kBody);
    q.SetGradientPaint(gradient);
    MessageBox& w = Modeless(q, L"Icon?", flags);
    w.Background().paint();
    EXPECT_EQ(IconDrawn(w), drawn);
    window::ReleaseThreadWindows();
  }
}

// ---------------------------------------------------------------------------------------------
// Copying

// Ctrl+C and Ctrl+Insert put the box on the clipboard in the system box's format; the showing goes
// on unchanged (focus, result, countdown). Other chords copy nothing.
TEST_F(BoxTest, CtrlCAndCtrlInsertCopyTheBoxAsText) {
  const std::wstring dashes = L"---------------------------\r\n";
  const std::tuple<std::int16_t, VbBool, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
      {0, kVbFalse, L"Plain", L"Plain", L"OK   "},
      {1, kVbFalse, L"a&b && c", L"a&b && c", L"OK   Cancel   "},
      {2, kVbFalse, L"one\ntwo\rthree\r\nfour", L"one\r\ntwo\r\nthree\r\nfour",
       L"Abort   Retry   Ignore   "},
      {3 + 256, kVbFalse, L"", L"", L"Yes   No   Cancel   "},
      {4, kVbFalse, L"Q", L"Q", L"Yes   No   "},
      {5, kVbFalse, L"Q", L"Q", L"Retry   Cancel   "},
      {3, kVbTrue, L"Hidden", L"Hidden", L""},
  };
  for (int key : {forms::kKeyC, forms::kKeyInsert}) {
    for (const auto& [flags, hide, message, shown, buttons] : cases) {
      SCOPED_TRACE(std::to_string(key) + " flags " + std::to_string(flags));
      Quillon q;
      q.SetHideButtons(hide);
      q.SetTimerSeconds(5);
      MessageBox& w = Modeless(q, message, flags, L"T & t");
      backend.run_for(1500);
      const forms::Control* focus = backend.focused();
      for (int shift :
           {0, forms::kShiftMask | forms::kCtrlMask, forms::kAltMask | forms::kCtrlMask})
        backend.key(key, shift);
      backend.run_script();
      EXPECT_EQ(Count("CopyText"), 0);
      backend.key(key, forms::kCtrlMask);
      backend.run_script();
      EXPECT_EQ(backend.clipboard(), dashes + L"T & t\r\n" + dashes + shown + L"\r\n" + dashes +
                                         buttons + L"\r\n" + dashes);
      EXPECT_EQ(backend.focused(), focus);
      backend.run_for(3500);
      EXPECT_FALSE(w.IsLoaded()) << "the countdown goes on";
      backend.clear_log();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// High contrast

// While the platform reports high contrast, the whole box is drawn in system colours, whatever
// the caller's colours, bands, patterns and heading; switched off while the box is up, the caller's
// pixels come back, and the properties never change.
TEST_F(BoxTest, HighContrastDrawsSystemColoursAndTheCallersLookComesBack) {
  const std::tuple<const char*, VbBool, std::int16_t, VbBool, std::int16_t> looks[] = {
      {"solid body, solid heading", kVbFalse, 1, kVbTrue, 0},
      {"bands, shaded heading", kVbTrue, 2, kVbFalse, 0},
      {"circles, 3-D heading", kVbTrue, 7, kVbFalse, 1},
      {"diamonds, flat heading", kVbTrue, 5, kVbTrue, 2},
  };
  std::set<forms::Rgb> system;
  for (int i = 0; i <= 30; ++i) system.insert(backend.platform().sys_color(i));
  system.insert(forms::rgb(0, 70, 200));  // the question icon's disc
  for (const auto& [name, gradient, direction, solid, heading] : looks) {
    SCOPED_TRACE(name);
    Quillon q;
    for (auto set :
         {&Quillon::SetBackColorBody, &Quillon::SetBackColorHeading, &Quillon::SetBackColorButtons,
          &Quillon::SetForeColorBody, &Quillon::SetForeColorHeading})
      (q.*set)(0x3366CC);
    q.SetGradientPaint(gradient);
    q.SetGradientDirection(direction);
    q.SetSolidColorHeading(solid);
    q.SetHeadingType(heading);
    MessageBox& w = Modeless(q, L"Contrast", 3 + 32);
    backend.run_for(100);
    const auto caller = forms::headless::render(w);
    backend.set_high_contrast(true);
    const auto high = forms::headless::render(w);
    EXPECT_EQ(std::count_if(high.pixels.begin(), high.pixels.end(),
                            [&](forms::Rgb c) { return !system.count(c); }),
              0);
    EXPECT_EQ(w.Background().image().pixel(200, 5), backend.platform().sys_color(5));
    EXPECT_TRUE(IconDrawn(w));
    backend.run_for(100);  // the watcher keeps the active look
    EXPECT_EQ(w.TopHeading().BackColor(), kActiveTitleBar);
    EXPECT_EQ(w.TopCaption().ForeColor(), 0x80000009u);
    backend.set_high_contrast(false);
    EXPECT_EQ(forms::headless::render(w).pixels, caller.pixels);
    EXPECT_EQ(q.BackColorBody(), 0x3366CCu);
    window::ReleaseThreadWindows();
  }
}

// ---------------------------------------------------------------------------------------------
// DPI

// The screen's DPI changing under a box that is up (15 -> 10 twips per pixel, 96 -> 144 DPI) lays
// it out again: the same pixels as a box shown at 144 DPI from the start; back at 96 DPI, the
// pixels it had.
TEST_F(BoxTest, ADpiChangeGivesThePixelsOfABoxShownAtTheNewDpi) {
  const std::tuple<const char*, VbBool, std::int16_t, std::int32_t, VbBool> looks[] = {
      {"solid body, 3-D heading, stop icon", kVbFalse, 1, 0, kVbFalse},
      {"circles, wrapped text, no buttons", kVbTrue, 7, 2400, kVbTrue},
  };
  for (const auto& [name, gradient, direction, width, hide_buttons] : looks) {
    SCOPED_TRACE(name);
    const auto show = [&](forms::headless::HeadlessBackend& on) {
      Quillon q;
      q.SetGradientPaint(gradient);
      q.SetGradientDirection(direction);
      q.SetHeadingType(1);
      q.SetWidth(width);
      q.SetHideButtons(hide_buttons);
      MessageBox& w =
          Modeless(q, L"A message long enough to wrap at the width set", 3 + 16, L"DPI");
      on.run_for(100);
      return forms::headless::render(w);
    };
    const auto at_96 = show(backend);
    backend.set_dpi(10, 48);
    const auto moved = forms::headless::render(Up());
    backend.set_dpi(15, 32);
    EXPECT_EQ(forms::headless::render(Up()).pixels, at_96.pixels);
    window::ReleaseThreadWindows();
    forms::headless::HeadlessBackend at_144(forms::headless::ScreenSpec{1024, 768, 10, 48});
    forms::BackendScope scope144(at_144);
    const auto fresh = show(at_144);
    EXPECT_EQ(moved.width, fresh.width);
    EXPECT_EQ(moved.pixels, fresh.pixels);
    window::ReleaseThreadWindows();
  }
}

// ---------------------------------------------------------------------------------------------
// Dragging

TEST_F(BoxTest, PressesDragOnlyWhenMoveableAndNeverOnButtonsOrCloseBox) {
  const std::tuple<const char*, int, VbBool, int> cases[] = {
      {"TopHeading", 1, kVbTrue, 1}, {"TopCaption", 1, kVbTrue, 1},   {"Background", 2, kVbTrue, 1},
      {"MsgText", 2, kVbTrue, 1},    {"TopHeading", 1, kVbFalse, 0},  {"MsgText", 2, kVbFalse, 0},
      {"Background", 1, 1, 1},       {"ControlBoxUp", 1, kVbTrue, 0}, {"MsgButton", 1, kVbTrue, 0}};
  for (auto [control, button, moveable, drags] : cases) {
    SCOPED_TRACE(std::string(control) + " button " + std::to_string(button));
    Quillon q;
    q.SetMoveable(moveable);
    Modeless(q, L"Drag me", 4);
    const int before = backend.drag_count();
    const int index = std::string(control) == "MsgButton" ? 0 : -1;
    backend.mouse_down(control, index, button);
    backend.run_script();
    EXPECT_EQ(backend.drag_count() - before, drags);
    backend.mouse_up(button);
    backend.run_script();
    window::ReleaseThreadWindows();
  }
}

}  // namespace
}  // namespace quillon::testing
