// Quillon::MsgBox end to end on the Win32 backend: real message boxes on this thread, answered by
// input that goes through the system (keys, clicks from another thread, mouse presses), with
// their results, their timing rules, and what they show on the screen.
#include <gtest/gtest.h>

#include <thread>

#include "component/quillon.h"
#include "forms/win32/internal.h"
#include "msgdefs/shared.h"
#include "win32/support.h"
#include "window/message_box.h"

namespace quillon {
namespace {

using forms::rgb;
using forms::Rgb;
using testing::capture;
using testing::press;
using testing::pump;
using testing::Script;

constexpr std::int16_t kOkOnly = 0, kYesNoCancel = 3, kYesNo = 4, kExclamation = 48;

window::MessageBox& up() {
  auto w = window::LoadedWindows();
  if (w.empty()) throw std::runtime_error("no message window is up");
  return *w.back();
}
HWND up_hwnd() {
  // The window as the system sees it: the one visible top-level window of this thread.
  const auto windows = testing::thread_windows();
  const HWND h = reinterpret_cast<HWND>(up().hWnd());
  if (std::find(windows.begin(), windows.end(), h) == windows.end())
    throw std::runtime_error("the message window is not a visible window of this thread");
  return h;
}
HWND button_hwnd(const wchar_t* caption) {
  HWND found = nullptr;
  struct Find {
    const wchar_t* caption;
    HWND* out;
  } find{caption, &found};
  ::EnumChildWindows(
      up_hwnd(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* f = reinterpret_cast<Find*>(p);
        wchar_t text[64];
        ::GetWindowTextW(w, text, 64);
        if (std::wstring(text) == f->caption && ::IsWindowVisible(w)) *f->out = w;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return found;
}
// The child window that shows a picture box of the message window.
HWND picture_hwnd(const forms::PictureBox& box) {
  return ::ChildWindowFromPointEx(
      up_hwnd(), POINT{forms::to_pixels_x(box.Left()) + 1, forms::to_pixels_y(box.Top()) + 1},
      CWP_SKIPINVISIBLE);
}

class MsgBoxTest : public ::testing::Test {
 protected:
  MsgBoxTest() { q.SetSoundBeep(0); }
  ~MsgBoxTest() override {
    for (HWND w : testing::thread_windows()) ::DestroyWindow(w);
    window::ReleaseThreadWindows();
  }
  // A modal MsgBox while steps run from a timer of this thread (every 20 ms); a last step
  // presses Escape so that a broken case fails instead of hanging.
  std::int16_t modal(const std::wstring& message, std::int16_t flags,
                     std::deque<std::function<void()>> steps, const std::wstring& title = L"T") {
    steps.push_front([] {});
    for (int i = 0; i < 100; ++i) steps.push_back([] {});
    steps.push_back([this] {
      ADD_FAILURE() << "the message box was still up after the script";
      escaped_ = true;
      press(VK_ESCAPE);
    });
    Script script(std::move(steps));
    return q.MsgBox(message, flags, title);
  }
  Quillon q;
  bool escaped_ = false;
};

void wait_steps(std::deque<std::function<void()>>& steps, int n) {
  for (int i = 0; i < n; ++i) steps.push_back([] {});
}

// ---------------------------------------------------------------------------------------------
// Ways of ending a modal showing, and the code that MsgBox returns (the keys:
// support/navigation_cases.h).

struct EndingCase {
  const char* name;
  std::int16_t flags;
  std::function<void(std::deque<std::function<void()>>&)> script;
  std::int16_t expected;
};

class MsgBoxEndings : public MsgBoxTest, public ::testing::WithParamInterface<EndingCase> {};

void close_box(std::deque<std::function<void()>>& steps, UINT down, UINT up_msg) {
  steps.push_back([down, up_msg] {
    auto& w = up();
    const HWND heading = picture_hwnd(w.TopHeading());
    const int x = forms::to_pixels_x(w.ControlBoxUp().Left()) + 6;
    const int y = forms::to_pixels_y(w.ControlBoxUp().Top()) + 6;
    ::PostMessageW(heading, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON,
                   MAKELPARAM(x, y));
    ::PostMessageW(heading, WM_MOUSEMOVE, 0, MAKELPARAM(x + 200, y + 300));
  });
  steps.push_back([up_msg] {
    // The press took the capture: the release outside the box is delivered to it.
    const HWND capture = ::GetCapture();
    ASSERT_NE(capture, nullptr);
    ::PostMessageW(capture, up_msg, 0, MAKELPARAM(-300, 400));
  });
}

TEST_P(MsgBoxEndings, ReturnTheCodeOfTheWayOfEnding) {
  const EndingCase& c = GetParam();
  std::deque<std::function<void()>> steps;
  c.script(steps);
  std::thread clicker;
  if (c.name == std::string("a click from another thread on &Yes")) {
    steps.push_back([&clicker] {
      const HWND yes = button_hwnd(L"&Yes");
      ASSERT_NE(yes, nullptr);
      clicker = std::thread([yes] { ::SendMessageW(yes, BM_CLICK, 0, 0); });
    });
  }
  const std::int16_t result = modal(L"Question?", c.flags, std::move(steps));
  if (clicker.joinable()) clicker.join();
  EXPECT_EQ(result, c.expected) << c.name;
  EXPECT_FALSE(escaped_) << c.name;
  EXPECT_TRUE(window::LoadedWindows().empty()) << c.name << ": the window unloaded itself";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsgBoxEndings,
    ::testing::Values(EndingCase{"a click from another thread on &Yes", kYesNo,
                                 [](auto& s) { wait_steps(s, 2); }, 6},
                      EndingCase{"the close box pressed and released elsewhere", kYesNo,
                                 [](auto& s) {
                                   wait_steps(s, 5);
                                   close_box(s, WM_LBUTTONDOWN, WM_LBUTTONUP);
                                 },
                                 2},
                      EndingCase{"the close box with the right button", kOkOnly,
                                 [](auto& s) {
                                   wait_steps(s, 5);
                                   close_box(s, WM_RBUTTONDOWN, WM_RBUTTONUP);
                                 },
                                 2}),
    [](const auto& info) { return testing::case_name(info.param.name); });

TEST_F(MsgBoxTest, ACountdownOfOneSecondReturnsZero) {
  q.SetTimerSeconds(1);
  EXPECT_EQ(modal(L"Soon gone", kYesNo, {}), 0);
  EXPECT_FALSE(escaped_);
}

// Live GDI objects of the process (GetGuiResources, or under Wine, which does not count them, the
// handle values that name an object).
int gdi_objects() {
  if (const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS))
    return static_cast<int>(n);
  int n = 0;
  for (std::uintptr_t h = 1; h <= 0xFFFF; ++h)
    n += ::GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0;
  return n;
}

TEST_F(MsgBoxTest, ShowingsLeaveNoGdiObjectBehind) {
  const auto show_every_look = [this] {
    for (const std::int32_t look : {0, 1, 3, 5, 8, 16}) {
      q.SetGradientPaint(look ? -1 : 0);
      q.SetGradientDirection(look ? look : 1);
      q.SetHeadingType(look % 2);
      EXPECT_EQ(modal(L"Again?", kYesNoCancel + kExclamation, {[] { press(VK_ESCAPE); }}), 2);
    }
  };
  show_every_look();  // fonts, icons and caches are made once
  const int before = gdi_objects();
  show_every_look();
  EXPECT_EQ(gdi_objects(), before);
}

TEST_F(MsgBoxTest, ACallerTimerOnThisThreadAnswersInsideTheModalLoop) {
  // A timer of the caller (its own window procedure) keeps running while the box is up.
  int calls = 0;
  std::deque<std::function<void()>> steps;
  for (int i = 0; i < 5; ++i) steps.push_back([&calls] { ++calls; });
  steps.push_back([] { ::SendMessageW(button_hwnd(L"&OK"), BM_CLICK, 0, 0); });
  EXPECT_EQ(modal(L"x", kOkOnly, std::move(steps)), 1);
  EXPECT_EQ(calls, 5);
}

// ---------------------------------------------------------------------------------------------
// Modeless showing, activation and the watcher.

TEST_F(MsgBoxTest, ModelessReturnsZeroAndTheWindowStaysUntilAnswered) {
  q.SetModal(0);
  EXPECT_EQ(q.MsgBox(L"Still here", kYesNo, L"T"), 0);
  pump(150);
  const HWND h = up_hwnd();
  EXPECT_TRUE(::IsWindowVisible(h));
  EXPECT_EQ(::GetActiveWindow(), h);
  press(VK_ESCAPE);
  pump(100);
  EXPECT_TRUE(window::LoadedWindows().empty());
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(msgdefs::shared().ResultCode, 2) << "read by nobody, but set";
}

TEST_F(MsgBoxTest, EveryActivationFromThisProgramRestartsTheCountdown) {
  q.SetModal(0);
  q.SetTimerSeconds(1);
  q.MsgBox(L"Counting", kOkOnly, L"T");
  pump(600);
  const HWND box = up_hwnd();
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                 nullptr, nullptr, nullptr, nullptr);
  pump(50);
  ::SetActiveWindow(box);  // from another window of this program: an activation
  pump(700);               // 1.35 s after the first activation, 0.7 s after the second
  EXPECT_TRUE(::IsWindow(box) && ::IsWindowVisible(box)) << "the countdown started again";
  pump(600);
  EXPECT_TRUE(window::LoadedWindows().empty()) << "closed a second after the last activation";
  ::DestroyWindow(other);
}

struct FrontCase {
  const char* name;
  bool other_window_of_this_program;  // else no window of this thread is active (another program)
  const wchar_t* focus_after;         // caption of the button with the focus on return
};

class MsgBoxFront : public MsgBoxTest, public ::testing::WithParamInterface<FrontCase> {};

TEST_P(MsgBoxFront, LosingAndRegainingTheFrontRepaintsTheHeadingAndSetsTheFocus) {
  const FrontCase& c = GetParam();
  const Rgb active = rgb(10, 20, 200);
  q.SetModal(0);
  q.SetSolidColorHeading(-1);
  q.SetBackColorHeading(active);
  q.MsgBox(L"Watch", kYesNoCancel + 256, L"T");
  pump(250);
  auto heading_colour = [] { return capture(picture_hwnd(up().TopHeading())).rgb_at(1, 1); };
  EXPECT_EQ(heading_colour(), active) << c.name;
  EXPECT_EQ(::GetFocus(), button_hwnd(L"&No")) << c.name << ": the default button";
  ::SetFocus(button_hwnd(L"Cancel"));  // the user moves the focus
  HWND other = nullptr;
  if (c.other_window_of_this_program) {
    other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr,
                              nullptr, nullptr, nullptr);
    ::SetActiveWindow(other);
  } else {
    ::SetActiveWindow(nullptr);
  }
  pump(150);
  EXPECT_NE(::GetActiveWindow(), up_hwnd()) << c.name;
  EXPECT_EQ(heading_colour(), static_cast<Rgb>(::GetSysColor(COLOR_INACTIVECAPTION))) << c.name;
  ::SetActiveWindow(up_hwnd());
  pump(150);
  EXPECT_EQ(heading_colour(), active) << c.name;
  EXPECT_EQ(::GetFocus(), button_hwnd(c.focus_after)) << c.name;
  if (other) ::DestroyWindow(other);
  press(VK_ESCAPE);
  pump(50);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsgBoxFront,
    ::testing::Values(
        // A return from our own window is an activation, which picks the default button again.
        FrontCase{"another window of this program", true, L"&No"},
        // A return from elsewhere is no activation: the watcher restores the last focus.
        FrontCase{"no window of this program", false, L"Cancel"}),
    [](const auto& info) { return testing::case_name(info.param.name); });

// ---------------------------------------------------------------------------------------------
// What is on the screen.

struct BodyCase {
  const char* name;
  std::int16_t gradient_paint;
  std::int32_t gradient_type;
};

class MsgBoxScreen : public MsgBoxTest, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(MsgBoxScreen, ShowsTheModelsPixelsAtTheTwipsRulesSizes) {
  const BodyCase& c = GetParam();
  const Rgb base = rgb(200, 100, 50);
  q.SetModal(0);
  q.SetGradientPaint(c.gradient_paint);
  q.SetGradientDirection(c.gradient_type);
  q.SetBackColorBody(base);
  q.MsgBox(L"Hello", kYesNo + kExclamation, L"Title");
  pump(250);
  auto& w = up();
  const HWND form = up_hwnd();

  // Sizes: twips of the model / 15 = pixels on the screen.
  RECT outer{};
  ::GetWindowRect(form, &outer);
  EXPECT_EQ(outer.right - outer.left, static_cast<int>(w.Width() / 15)) << c.name;
  EXPECT_EQ(outer.bottom - outer.top, static_cast<int>(w.Height() / 15)) << c.name;
  struct Box {
    const char* what;
    HWND hwnd;
    const forms::Control& model;
  } boxes[] = {{"heading", picture_hwnd(w.TopHeading()), w.TopHeading()},
               {"body", picture_hwnd(w.Background()), w.Background()},
               {"Yes", button_hwnd(L"&Yes"), w.MsgButton(0)},
               {"No", button_hwnd(L"&No"), w.MsgButton(1)}};
  for (const auto& b : boxes) {
    ASSERT_NE(b.hwnd, nullptr) << b.what;
    RECT r{};
    ::GetWindowRect(b.hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(b.hwnd), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left * 15, static_cast<int>(b.model.Left())) << b.what;
    EXPECT_EQ(r.top * 15, static_cast<int>(b.model.Top())) << b.what;
    EXPECT_EQ((r.right - r.left) * 15, static_cast<int>(b.model.Width())) << b.what;
    EXPECT_EQ((r.bottom - r.top) * 15, static_cast<int>(b.model.Height())) << b.what;
  }

  // The body on the screen is the persistent image, outside the text, the buttons and the icon.
  const auto body = capture(picture_hwnd(w.Background()));
  auto& image = w.Background().image();
  std::vector<RECT> text_and_buttons{{8 - 2, 12 - 2, 8 + 32 + 2, 12 + 32 + 2}};  // and the icon
  for (const forms::Control* ctl : std::initializer_list<const forms::Control*>{
           &w.MsgText(), &w.MsgButton(0), &w.MsgButton(1)}) {
    const int l = forms::to_pixels_x(ctl->Left()), t = forms::to_pixels_y(ctl->Top());
    text_and_buttons.push_back({l - 2, t - 2, l + forms::to_pixels_x(ctl->Width()) + 2,
                                t + forms::to_pixels_y(ctl->Height()) + 2});
  }
  auto covered = [&](int x, int y) {
    for (const RECT& r : text_and_buttons)
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
  };
  // The body is as wide as the whole window, so its right end lies under the frame.
  RECT client{};
  ::GetClientRect(form, &client);
  const int visible_w = std::min<int>(body.width, client.right);
  const int visible_h =
      std::min<int>(body.height, client.bottom - forms::to_pixels_y(w.Background().Top()));
  int differ = 0, compared = 0;
  for (int y = 0; y < visible_h && y < image.height(); ++y)
    for (int x = 0; x < visible_w && x < image.width(); ++x) {
      if (covered(x, y)) continue;
      ++compared;
      differ += body.rgb_at(x, y) != image.pixel(x, y);
    }
  EXPECT_GT(compared, visible_w * visible_h / 2) << c.name;
  EXPECT_EQ(differ, 0) << c.name;
  const int cx = body.width / 2, cy = body.height / 2;
  if (!c.gradient_paint || c.gradient_type >= 5) {
    EXPECT_EQ(body.rgb_at(cx, cy), base) << c.name << ": solid body or pattern centre";
  } else {
    EXPECT_NE(body.rgb_at(cx, 0), body.rgb_at(cx, body.height - 1)) << c.name << ": bands";
  }

  // The icon: drawn at (8, 12) of the body.
  int icon_pixels = 0;
  for (int y = 12; y < 44; ++y)
    for (int x = 8; x < 40; ++x) icon_pixels += body.rgb_at(x, y) != image.pixel(41, 45);
  EXPECT_GT(icon_pixels, 50) << c.name;

  // The close box in the heading: white top-left edge, black bottom-right, grey-beige face.
  const auto heading = capture(picture_hwnd(w.TopHeading()));
  const int bx = forms::to_pixels_x(w.ControlBoxUp().Left());
  const int by = forms::to_pixels_y(w.ControlBoxUp().Top());
  EXPECT_EQ(heading.rgb_at(bx, by), rgb(255, 255, 255)) << c.name;
  EXPECT_EQ(heading.rgb_at(bx + 13, by + 13), 0u) << c.name;
  EXPECT_EQ(heading.rgb_at(bx + 4, by + 4), 0u) << c.name << ": the cross";
  const Rgb face = heading.rgb_at(bx + 6, by + 3);
  EXPECT_TRUE(face == rgb(211, 211, 198) || face == rgb(212, 212, 198)) << c.name;
  press(VK_ESCAPE);
  pump(50);
}

INSTANTIATE_TEST_SUITE_P(Styles, MsgBoxScreen,
                         ::testing::Values(BodyCase{"solid", 0, 1}, BodyCase{"banded", -1, 1},
                                           BodyCase{"diamond", -1, 5}, BodyCase{"circle", -1, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MsgBoxTest, AmpersandsInTheMessageAndTitleAreShownLiterally) {
  q.SetModal(0);
  q.MsgBox(L"Salt & Pepper", kOkOnly, L"R&D");
  pump(100);
  auto& w = up();
  auto& text = forms::win32::win32_backend().gdi_text();
  struct Case {
    const forms::Label& label;
    const wchar_t* shown;
  } cases[] = {{w.MsgText(), L"Salt & Pepper"}, {w.TopCaption(), L"R&D"}};
  HDC dc = ::CreateCompatibleDC(nullptr);
  for (const auto& c : cases) {
    EXPECT_EQ(c.label.Caption(), c.shown);
    ::SelectObject(dc, text.font(c.label.GetFont()));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, c.shown, static_cast<int>(wcslen(c.shown)), &size);
    EXPECT_EQ(forms::to_pixels_x(c.label.Width()), size.cx) << "the width of every character";
  }
  ::DeleteDC(dc);
  press(VK_ESCAPE);
  pump(50);
}

}  // namespace
}  // namespace quillon
