// Quillon::MsgBox end to end on the Win32 backend: real message boxes on this thread, answered by
// input that goes through the system (keys, clicks from another thread, mouse presses), with
// their results, their timing rules, and what they show on the screen. A modal countdown from a
// script: tests/clients/properties.vbs; ampersands drawn literally: backend_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "component/quillon.h"
#include "forms/accessible.h"
#include "forms/win32/internal.h"
#include "support/gdi_objects.h"
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

constexpr std::int16_t kOkOnly = 0, kYesNoCancel = 3, kYesNo = 4, kStop = 16, kExclamation = 48;

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
// A shown button of the message window, by its name, where its accessible object says it is on
// the window's client area.
RECT button_rect(const wchar_t* name) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the object comes marshaled
  forms::win32::ComPtr<IAccessible> acc;
  const HWND box = up_hwnd();
  if (FAILED(
          ::AccessibleObjectFromWindow(box, OBJID_CLIENT, __uuidof(IAccessible), acc.put_void())))
    throw std::runtime_error("the message window has no accessible object");
  long count = 0;
  acc->get_accChildCount(&count);
  for (long i = 1; i <= count; ++i) {
    VARIANT child;
    ::VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = i;
    forms::win32::UniqueBstr text;
    long x = 0, y = 0, w = 0, h = 0;
    if (acc->get_accName(child, text.put()) != S_OK || text.str() != name ||
        acc->accLocation(&x, &y, &w, &h, child) != S_OK)
      continue;
    RECT r{x, y, x + w, y + h};
    ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  throw std::runtime_error("no such button is shown");
}
// The caption of the button that has the keyboard focus ("" when the message window has it, or
// not even that).
std::wstring focus_caption() {
  if (::GetFocus() != up_hwnd()) return L"(elsewhere)";
  const forms::Control* c = up().peer()->focused();
  return c ? static_cast<const forms::CommandButton*>(c)->Caption() : L"";
}
// A point of a picture box of the message window on the window's client area, where it is drawn.
POINT on_window(const forms::PictureBox& box, int x, int y) {
  return {forms::to_pixels_x(box.Left()) + x, forms::to_pixels_y(box.Top()) + y};
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
                     std::deque<std::function<void()>> steps) {
    steps.push_front([] {});
    for (int i = 0; i < 100; ++i) steps.push_back([] {});
    steps.push_back([] {
      ADD_FAILURE() << "the message box was still up after the script";
      press(VK_ESCAPE);
    });
    Script script(std::move(steps));
    return q.MsgBox(message, flags, L"T");
  }
  Quillon q;
};

// ---------------------------------------------------------------------------------------------
// Ways of ending a modal showing, and the code that MsgBox returns (the keys:
// support/navigation_cases.h).

struct EndingCase {
  const char* name;
  std::int16_t flags;
  UINT press;  // a button's press on the close box, released elsewhere; 0: a click on &Yes
  std::int16_t expected;
};

class MsgBoxEndings : public MsgBoxTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(MsgBoxEndings, ReturnTheCodeOfTheWayOfEnding) {
  const EndingCase& c = GetParam();
  std::deque<std::function<void()>> steps(5, [] {});
  std::thread clicker;
  if (!c.press) {
    steps.push_back([&clicker] {
      const RECT yes = button_rect(L"Yes");
      const LPARAM at = MAKELPARAM((yes.left + yes.right) / 2, (yes.top + yes.bottom) / 2);
      clicker = std::thread([box = up_hwnd(), at] {
        ::PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(box, WM_LBUTTONUP, 0, at);
      });
    });
  } else {
    steps.push_back([down = c.press] {
      auto& w = up();
      const POINT at = on_window(w.TopHeading(), forms::to_pixels_x(w.ControlBoxUp().Left()) + 6,
                                 forms::to_pixels_y(w.ControlBoxUp().Top()) + 6);
      ::PostMessageW(up_hwnd(), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON,
                     MAKELPARAM(at.x, at.y));
      ::PostMessageW(up_hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x + 200, at.y + 300));
    });
    steps.push_back([release = c.press + 1] {  // WM_LBUTTONUP, WM_RBUTTONUP
      // The press took the capture: the release outside the box is delivered to it.
      const HWND capture = ::GetCapture();
      ASSERT_NE(capture, nullptr);
      ::PostMessageW(capture, release, 0, MAKELPARAM(-300, 400));
    });
  }
  const std::int16_t result = modal(L"Question?", c.flags, std::move(steps));
  if (clicker.joinable()) clicker.join();
  EXPECT_EQ(result, c.expected) << c.name;
  EXPECT_TRUE(window::LoadedWindows().empty()) << c.name << ": the window unloaded itself";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsgBoxEndings,
    ::testing::Values(
        EndingCase{"a click from another thread on &Yes", kYesNo, 0, 6},
        EndingCase{"the close box pressed and released elsewhere", kYesNo, WM_LBUTTONDOWN, 2},
        EndingCase{"the close box with the right button", kOkOnly, WM_RBUTTONDOWN, 2}),
    [](const auto& info) { return testing::case_name(info.param.name); });

// The pointer on the buttons, as the platform's push buttons take it: a left press pushes one in
// and a release on it clicks it; a release elsewhere, or another mouse button, clicks nothing.
struct PointerStep {
  UINT message;         // WM_LBUTTONDOWN, WM_MOUSEMOVE, ...
  const wchar_t* name;  // the button it is on; nullptr: the body's corner
};
struct PointerCase {
  const char* name;
  std::vector<PointerStep> steps;  // then a click on "No"
  std::int16_t expected;
};

class MsgBoxPointer : public MsgBoxTest, public ::testing::WithParamInterface<PointerCase> {};

TEST_P(MsgBoxPointer, OnlyALeftPressAndReleaseOnAButtonClicksIt) {
  const PointerCase& c = GetParam();
  std::vector<PointerStep> all = c.steps;
  for (const UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP}) all.push_back({m, L"No"});
  std::deque<std::function<void()>> steps(5, [] {});
  for (const PointerStep& step : all)
    steps.push_back([step] {
      const RECT r = step.name ? button_rect(step.name) : RECT{2, 40, 3, 41};
      const WPARAM held = step.message == WM_LBUTTONDOWN   ? MK_LBUTTON
                          : step.message == WM_RBUTTONDOWN ? MK_RBUTTON
                                                           : 0;
      ::PostMessageW(up_hwnd(), step.message, held,
                     MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    });
  EXPECT_EQ(modal(L"Question?", kYesNo, std::move(steps)), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsgBoxPointer,
    ::testing::Values(
        PointerCase{
            "pressed and released on Yes", {{WM_LBUTTONDOWN, L"Yes"}, {WM_LBUTTONUP, L"Yes"}}, 6},
        PointerCase{"pressed on Yes, away and back",
                    {{WM_LBUTTONDOWN, L"Yes"},
                     {WM_MOUSEMOVE, nullptr},
                     {WM_MOUSEMOVE, L"Yes"},
                     {WM_LBUTTONUP, L"Yes"}},
                    6},
        PointerCase{"pressed on Yes, released on No",
                    {{WM_LBUTTONDOWN, L"Yes"}, {WM_MOUSEMOVE, L"No"}, {WM_LBUTTONUP, L"No"}},
                    7},
        PointerCase{"pressed on Yes, released on the body",
                    {{WM_LBUTTONDOWN, L"Yes"}, {WM_MOUSEMOVE, nullptr}, {WM_LBUTTONUP, nullptr}},
                    7},
        PointerCase{
            "the right button on Yes", {{WM_RBUTTONDOWN, L"Yes"}, {WM_RBUTTONUP, L"Yes"}}, 7}),
    [](const auto& info) { return testing::case_name(info.param.name); });

using quillon::testing::gdi_objects;

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

// ---------------------------------------------------------------------------------------------
// Modeless showing, activation and the watcher.

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
  EXPECT_EQ(q.MsgBox(L"Watch", kYesNoCancel + 256, L"T"), 0) << "modeless: at once";
  pump(250);
  const HWND box = up_hwnd();
  EXPECT_EQ(::GetActiveWindow(), box) << c.name;
  auto heading_colour = [] {
    const POINT at = on_window(up().TopHeading(), 1, 1);
    return capture(up_hwnd()).rgb_at(at.x, at.y);
  };
  EXPECT_EQ(heading_colour(), active) << c.name;
  EXPECT_EQ(focus_caption(), L"&No") << c.name << ": the default button";
  press(VK_TAB);  // the user moves the focus
  pump(50);
  EXPECT_EQ(focus_caption(), L"Cancel") << c.name;
  const HWND other = c.other_window_of_this_program
                         ? ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0,
                                             40, 40, nullptr, nullptr, nullptr, nullptr)
                         : nullptr;
  ::SetActiveWindow(other);
  pump(150);
  EXPECT_NE(::GetActiveWindow(), up_hwnd()) << c.name;
  EXPECT_EQ(heading_colour(), static_cast<Rgb>(::GetSysColor(COLOR_INACTIVECAPTION))) << c.name;
  ::SetActiveWindow(up_hwnd());
  pump(150);
  EXPECT_EQ(heading_colour(), active) << c.name;
  EXPECT_EQ(focus_caption(), c.focus_after) << c.name;
  if (other) ::DestroyWindow(other);
  press(VK_ESCAPE);
  pump(100);
  EXPECT_FALSE(::IsWindow(box)) << c.name << ": up until answered";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsgBoxFront,
    ::testing::Values(
        // A return from our own window is an activation, which picks the default button again.
        FrontCase{"another window of this program", true, L"&No"},
        // A return from elsewhere is no activation: the watcher restores the last focus.
        FrontCase{"no window of this program", false, L"Cancel"}),
    [](const auto& info) { return testing::case_name(info.param.name); });

// The watcher looks at the front ten times a second; while nothing changes, nothing is painted.
int g_paints = 0;
LRESULT CALLBACK count_paints(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && reinterpret_cast<const MSG*>(lp)->message == WM_PAINT) ++g_paints;
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(MsgBoxTest, IdleWatcherTicksPaintNothing) {
  q.SetModal(0);
  q.SetGradientPaint(-1);
  q.MsgBox(L"Idle", kYesNo, L"T");
  pump(300);  // shown, activated, the first ticks seen
  g_paints = 0;
  const HHOOK hook =
      ::SetWindowsHookExW(WH_GETMESSAGE, count_paints, nullptr, ::GetCurrentThreadId());
  pump(450);
  ::UnhookWindowsHookEx(hook);
  EXPECT_EQ(g_paints, 0);
  press(VK_ESCAPE);
  pump(100);
}

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
  // Wine 8 reports high contrast off (it cannot be switched on): a changed setting repaints the
  // caller's look.
  EXPECT_FALSE(forms::backend().platform().high_contrast());
  ::SendMessageW(form, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  pump(50);

  // Sizes: twips of the model / 15 = pixels on the screen.
  RECT outer{};
  ::GetWindowRect(form, &outer);
  EXPECT_EQ(outer.right - outer.left, static_cast<int>(w.Width() / 15)) << c.name;
  EXPECT_EQ(outer.bottom - outer.top, static_cast<int>(w.Height() / 15)) << c.name;
  // The button lies on the body; the picture boxes are drawn on the form's window, each as large
  // as its persistent image (the body's place: the comparison below).
  const RECT r = button_rect(L"Yes");
  const forms::Control& model = w.MsgButton(0);
  EXPECT_EQ(r.left * 15, static_cast<int>(model.Left() + w.Background().Left()));
  EXPECT_EQ(r.top * 15, static_cast<int>(model.Top() + w.Background().Top()));
  EXPECT_EQ((r.right - r.left) * 15, static_cast<int>(model.Width()));
  EXPECT_EQ((r.bottom - r.top) * 15, static_cast<int>(model.Height()));
  for (forms::PictureBox* box : {&w.TopHeading(), &w.Background()}) {
    EXPECT_EQ(box->image().width() * 15, static_cast<int>(box->Width())) << box->name();
    EXPECT_EQ(box->image().height() * 15, static_cast<int>(box->Height())) << box->name();
  }

  // The body on the screen is the persistent image, outside the text, the buttons and the icon.
  const auto shot = capture(form);
  // The default button has the focus: a black frame around its face.
  for (const POINT at : {POINT{r.left, r.top}, POINT{r.right - 1, r.bottom - 1}})
    EXPECT_EQ(shot.rgb_at(at.x, at.y), rgb(0, 0, 0)) << c.name;
  EXPECT_EQ(shot.rgb_at(r.left + 6, (r.top + r.bottom) / 2),
            static_cast<Rgb>(::GetSysColor(COLOR_BTNFACE)))
      << c.name;
  const POINT corner = on_window(w.Background(), 0, 0);
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
  const int visible_w = shot.width - corner.x, visible_h = shot.height - corner.y;
  int differ = 0, compared = 0;
  for (int y = 0; y < visible_h && y < image.height(); ++y)
    for (int x = 0; x < visible_w && x < image.width(); ++x) {
      if (covered(x, y)) continue;
      ++compared;
      differ += shot.rgb_at(corner.x + x, corner.y + y) != image.pixel(x, y);
    }
  EXPECT_GT(compared, visible_w * visible_h / 2) << c.name;
  EXPECT_EQ(differ, 0) << c.name;
}

// The box of the pixel-part tests at 96 DPI, in pixels; at another DPI each is that times DPI / 96
// within a pixel (an icon within an eighth of its size, its artwork being narrower than its
// square).
struct Parts96 {
  int window_w = 111, window_h = 124, heading_h = 22, button_w = 73, button_h = 25, icon = 32;
};

void show_pixel_parts_box(Quillon& q) {
  q.SetModal(0);
  q.SetHeadingType(1);
  q.SetSolidColorHeading(-1);
  q.SetBackColorBody(rgb(200, 100, 50));
  q.MsgBox(L"Hello", kOkOnly + kStop, L"Title");
  pump(250);
}

// What is on the screen at dpi: the sizes above; the close box round(14 * DPI / 96) pixels
// square in the middle of the heading; the 3-D lines one pixel each per whole multiple of 96 DPI.
void expect_pixel_parts(int dpi) {
  SCOPED_TRACE(std::to_string(dpi) + " DPI");
  const Parts96 at96;
  const auto scaled = [dpi](int measured, int px_at_96, double within = 1.0) {
    EXPECT_NEAR(measured, px_at_96 * dpi / 96.0, within) << px_at_96 << " pixels at 96 DPI";
  };
  const int box_px = static_cast<int>(std::lround(14 * dpi / 96.0));
  const int line_px = std::max(1, dpi / 96);
  // Twips to pixels at dpi (the thread's screen is at the DPI of the window that handles a
  // message).
  const auto px = [dpi](double twips) {
    return static_cast<int>(std::nearbyint(twips * dpi / 1440));
  };
  auto& w = up();
  RECT r{};
  ::GetWindowRect(up_hwnd(), &r);
  scaled(r.right - r.left, at96.window_w);
  scaled(r.bottom - r.top, at96.window_h);
  r = button_rect(L"OK");
  scaled(r.right - r.left, at96.button_w);
  scaled(r.bottom - r.top, at96.button_h);

  const auto shot = capture(up_hwnd());
  const POINT heading{px(w.TopHeading().Left()), px(w.TopHeading().Top())};
  const Rgb heading_colour = shot.rgb_at(heading.x + 1, heading.y + 1);
  int heading_h = 0;
  while (shot.rgb_at(heading.x + 1, heading.y + heading_h) == heading_colour) ++heading_h;
  scaled(heading_h, at96.heading_h);
  int right = heading.x + px(w.TopHeading().Width()) - 1, mid = heading.y + heading_h / 2;
  while (right > 0 && shot.rgb_at(right, mid) != 0) --right;
  int top = mid, bottom = mid;
  while (shot.rgb_at(right, top - 1) == 0) --top;
  while (shot.rgb_at(right, bottom + 1) == 0) ++bottom;
  EXPECT_EQ(bottom - top + 1, box_px);
  EXPECT_NEAR(top - heading.y, (heading_h - box_px) / 2.0, 1.0);
  EXPECT_EQ(shot.rgb_at(right - box_px + 1, top), rgb(255, 255, 255));
  const POINT body{px(w.Background().Left()) + 40, px(w.Background().Top())};
  const Rgb lines[] = {rgb(192, 192, 192), rgb(128, 128, 128), rgb(64, 64, 64), rgb(200, 100, 50)};
  for (int i = 0; i <= 3 * line_px; ++i)
    EXPECT_EQ(shot.rgb_at(body.x, body.y + i), lines[i / line_px]) << "row " << i;
  // The stop icon's widest row (the text starts further right).
  const int icon_px = at96.icon * dpi / 96;
  const POINT icon{px(w.Background().Left()) + px(120), px(w.Background().Top()) + px(180)};
  int widest = 0;
  for (int y = icon.y; y < icon.y + icon_px; ++y) {
    int n = 0;
    for (int x = icon.x - 4; x < icon.x + icon_px + 4; ++x) n += shot.rgb_at(x, y) != lines[3];
    widest = std::max(widest, n);
  }
  scaled(widest, at96.icon, icon_px / 8.0);
}

// At the system's DPI: 96 in the test prefix; the same program in prefixes with LogPixels 120,
// 144 and 192 checks those.
TEST_F(MsgBoxTest, PixelPartsAreDrawnAtTheSystemsDpi) {
  show_pixel_parts_box(q);
  expect_pixel_parts(
      static_cast<int>(std::lround(1440.0 / forms::backend().screen().TwipsPerPixelX())));
}

// A per-monitor aware thread's box told that its monitor is at 144 DPI (Wine has one DPI for all
// monitors and never says so itself) lays itself out again at 144 DPI where the system suggests;
// back at 96 DPI, it shows the pixels it had.
TEST_F(MsgBoxTest, PixelPartsFollowTheMonitorsDpiInAPerMonitorAwareThread) {
  using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
  const auto set_context = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  ASSERT_NE(set_context, nullptr);
  // Wine 8 makes every thread per-monitor aware, and knows the first version of it only.
  DPI_AWARENESS_CONTEXT before = set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  if (!before) before = set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
  ASSERT_NE(before, nullptr) << "the thread could not be made per-monitor aware";
  show_pixel_parts_box(q);
  const HWND box = up_hwnd();
  const auto at_96 = capture(box);
  RECT start{};
  ::GetWindowRect(box, &start);
  const auto move_to = [&](int dpi) {
    RECT suggested{start.left + 10, start.top + 20, start.left + 10 + 166, start.top + 20 + 186};
    ::SendMessageW(box, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    pump(100);
    expect_pixel_parts(dpi);
    RECT now{};
    ::GetWindowRect(box, &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
  };
  move_to(144);
  // Another box of the thread, shown at 96 DPI in a corner, leaves this one at 144: its heading
  // and lines repaint as they were (before its watcher sees it inactive; the icon handle and the
  // focus are the other box's now).
  const auto at_144 = capture(box);
  q.SetStartUpPosition(0);
  q.MsgBox(L"Hello", kOkOnly + kStop, L"Title");
  ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const auto again = capture(box);
  const auto top_rows = static_cast<std::ptrdiff_t>(again.width * (33 + 3));
  EXPECT_TRUE(std::equal(again.px.begin(), again.px.begin() + top_rows, at_144.px.begin()));
  ::DestroyWindow(reinterpret_cast<HWND>(window::LoadedWindows().back()->hWnd()));
  pump(100);
  move_to(96);
  EXPECT_TRUE(capture(box).px == at_96.px) << "the pixels at 96 DPI after 144";
  // A box of a DPI-unaware thread stays at the system's DPI, whatever it is told.
  set_context(DPI_AWARENESS_CONTEXT_UNAWARE);
  show_pixel_parts_box(q);
  RECT suggested{0, 0, 166, 186};
  ::SendMessageW(up_hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
  pump(100);
  expect_pixel_parts(96);
  set_context(before);
}

INSTANTIATE_TEST_SUITE_P(Styles, MsgBoxScreen,
                         ::testing::Values(BodyCase{"solid", 0, 1}, BodyCase{"banded", -1, 1},
                                           BodyCase{"circle", -1, 7}),
                         [](const auto& info) { return testing::case_name(info.param.name); });

}  // namespace
}  // namespace quillon
