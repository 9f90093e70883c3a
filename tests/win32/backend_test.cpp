// The Win32 backend with real windows: a small form of our own shown modally and modelessly,
// driven by mouse messages, and checked by what reaches its event handlers and what is on the
// screen. Keys and focus: support/navigation_cases.h; capture, activation, timers and the sizes of
// children: msgbox_test.cpp.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "forms/controls.h"
#include "forms/win32/internal.h"
#include "win32/support.h"

namespace quillon::forms {
namespace {

using testing::capture;
using testing::pump;
using testing::Script;

constexpr Rgb kHeadingColour = rgb(200, 0, 0);
constexpr Rgb kBodyColour = rgb(0, 128, 0);
constexpr Rgb kImageColour = rgb(0, 0, 255);
constexpr Rgb kLineColour = rgb(255, 255, 0);

// A small form: a heading with a title and an image, a body with a line and two buttons. Mouse
// presses are recorded.
class TestForm : public Form {
 public:
  TestForm() : Form("TestForm") {}
  std::vector<std::string> seen;
  Label* title = nullptr;
  PictureBox* body = nullptr;

 protected:
  void Design() override {
    SetWidth(4500);
    SetHeight(3000);
    SetLeft(1500);
    SetTop(1500);
    auto* heading = &add<PictureBox>("Heading", -1, nullptr);
    heading->Move(0, 0, 4410, 450);
    heading->SetBackColor(kHeadingColour);
    auto* image = &add<Image>("Box", -1, heading);
    auto pic = std::make_shared<Bitmap>();
    pic->width = pic->height = 14;
    pic->pixels.assign(14 * 14, kImageColour);
    image->SetPicture(pic);
    image->Move(3900, 90, 210, 210);
    title = &add<Label>("Title", -1, heading);
    title->SetBackStyle(0);
    title->SetForeColor(rgb(255, 255, 255));
    title->SetAutoSize(true);
    title->Move(75, 90, 0, 0);
    title->SetCaption(L"A & B");
    body = &add<PictureBox>("Body", -1, nullptr);
    body->Move(0, 450, 4410, 2460);
    body->SetBackColor(kBodyColour);
    auto* line = &add<LineControl>("Rule", -1, body);
    line->SetEnds(0, 150, 4410, 150);
    line->SetBorderColor(kLineColour);
    for (int i = 0; i < 2; ++i) {  // the first has the focus, the second not
      auto* button = &add<CommandButton>("Btn", i, body);
      button->Move(150 + 2700 * i, 1800, 1095, 375);
      button->SetCaption(i ? L"&Two" : L"&One");
    }
    title->MouseDown = [this](std::int16_t, std::int16_t, Single, Single) {
      seen.push_back("TitleDown");
    };
    body->MouseDown = [this](std::int16_t, std::int16_t, Single x, Single y) {
      seen.push_back("BodyDown " + std::to_string(static_cast<int>(x)) + "," +
                     std::to_string(static_cast<int>(y)));
    };
  }
};

HWND hwnd_of(const Form& f) {
  return reinterpret_cast<HWND>(f.hWnd());
}

// Shows the form modally while steps run from a thread timer, one every 20 ms; fails instead of
// hanging when the form is still up a second after the last step.
void show_modal(TestForm& f, std::deque<std::function<void()>> steps) {
  for (int i = 0; i < 50; ++i) steps.push_back([] {});
  steps.push_back([&f] {
    ADD_FAILURE() << "the script ended with the form still up";
    f.Unload();
  });
  Script script(std::move(steps));
  f.Show(true);
}

void click(HWND h, int x, int y) {
  ::PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The form shown modelessly.
class Win32Form : public ::testing::Test {
 protected:
  Win32Form() {
    f.Show(false);
    pump(50);
  }
  ~Win32Form() override { f.Unload(); }
  TestForm f;
};

// ---------------------------------------------------------------------------------------------

// Sizes in twips, at 15 twips a pixel: msgbox_test.cpp.
TEST_F(Win32Form, TheWindowHasAFixedFrameNoTitleBarAndFollowsTheModel) {
  RECT outer{}, client{};
  ::GetWindowRect(hwnd_of(f), &outer);
  ::GetClientRect(hwnd_of(f), &client);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(client.right, 294) << "a fixed dialog frame of 3 pixels a side";
  EXPECT_EQ(client.bottom, 194);
  const LONG style = ::GetWindowLongW(hwnd_of(f), GWL_STYLE);
  EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION) << "no title bar";
  EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";
  f.SetWidth(6000);  // a change of the model moves the window
  ::GetWindowRect(hwnd_of(f), &outer);
  EXPECT_EQ(outer.right - outer.left, 400);
}

// Capture and a release elsewhere: the close box rows of msgbox_test.cpp.
TEST_F(Win32Form, PressesReachWindowlessLabelsAndReportTwipsOfTheirControl) {
  click(hwnd_of(f), 7, 8);         // on the title
  click(hwnd_of(f), 10, 30 + 20);  // the body starts 30 pixels down
  pump(50);
  EXPECT_EQ(f.seen, (std::vector<std::string>{"TitleDown", "BodyDown 150,300"}));
}

TEST_F(Win32Form, ScreenShowsImagesTextLinesAndButtonsInPlace) {
  const auto shot = capture(hwnd_of(f));
  struct Case {
    const char* what;
    int x, y;
    Rgb expected;
  } cases[] = {
      {"heading, bottom right", 293, 29, kHeadingColour},
      {"image, top left", 260, 6, kImageColour},
      {"image, bottom right", 273, 19, kImageColour},
      {"right of the image", 274, 6, kHeadingColour},
      {"body, top left", 0, 30, kBodyColour},
      {"line at 10 px into the body", 150, 40, kLineColour},
      {"under the line", 150, 41, kBodyColour},
      {"face of a button without focus", 195, 162, ::GetSysColor(COLOR_BTNFACE)},
  };
  for (const auto& c : cases) EXPECT_EQ(shot.rgb_at(c.x, c.y), c.expected) << c.what;
}

TEST_F(Win32Form, AmpersandInALabelIsShownLiterally) {
  // The whole text, "&" included, drawn without prefix processing, white on the heading, and
  // nothing beside it.
  HFONT font = win32::win32_backend().gdi_text().font(f.title->GetFont());
  SIZE size{};
  const auto want = testing::paint(100, 20, [&](HDC dc) {
    ::SelectObject(dc, font);
    ::GetTextExtentPoint32W(dc, L"A & B", 5, &size);
    RECT r{0, 0, 100, 20};
    ::SetBkColor(dc, kHeadingColour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, L"A & B", 5, &r, DT_NOPREFIX | DT_SINGLELINE);
  });
  EXPECT_EQ(to_pixels_x(f.title->Width()), size.cx) << "the label is as wide as the whole text";
  const auto shot = capture(hwnd_of(f));  // the heading starts at its corner
  int differ = 0, lit = 0;
  for (int y = 0; y < want.height; ++y)
    for (int x = 0; x < want.width; ++x) {
      lit += want.rgb_at(x, y) != kHeadingColour;
      differ += shot.rgb_at(5 + x, 6 + y) != want.rgb_at(x, y);
    }
  EXPECT_GT(lit, 10);
  EXPECT_EQ(differ, 0);
}

// A paint of part of the window shows what the whole paint showed: rows of one colour, rows of a
// picture box's own pixels, and rows with a label, a line or a button on them, each painted whole
// or only in part; with a body as wide as the window and a narrower one, and a body of one colour
// with an icon.
TEST_F(Win32Form, APaintOfPartOfTheWindowShowsWhatTheWholePaintShowed) {
  const HWND h = hwnd_of(f);
  const struct {
    int body_px;
    bool icon;  // one colour and an icon, or a circle and a line
  } cases[] = {{294, false}, {200, false}, {294, true}};
  for (const auto& c : cases) {
    const int body_px = c.body_px;
    SCOPED_TRACE(::testing::Message() << body_px << (c.icon ? " px, an icon" : " px"));
    f.body->Move(0, 450, body_px * 15, 2460);
    f.body->SetAutoRedraw(true);
    f.body->SetDrawWidth(3);
    f.body->Cls();
    if (c.icon) {
      f.body->DrawIcon(100, 40, reinterpret_cast<IconHandle>(::LoadIconW(nullptr, IDI_QUESTION)));
    } else {
      f.body->Circle(2205, 1200, 900, rgb(255, 0, 255));
      f.body->Line(0, 2400, 4410, 600, rgb(0, 255, 255));
    }
    pump(50);
    const auto whole = capture(h);
    const Rgb form_colour = resolve_color(f.BackColor());
    int differ = 0;  // the body's own pixels but for its line and its buttons, then the form's
    for (int y = 0; y < 164; ++y)
      for (int x = 0; x < whole.width; ++x) {
        const bool button = y >= 120 && y < 145 && x >= 10 && (x - 10) % 180 < 73;
        if (y == 10 || button) continue;
        differ +=
            whole.rgb_at(x, 30 + y) != (x < body_px ? f.body->image().pixel(x, y) : form_colour);
      }
    EXPECT_EQ(differ, 0) << "the body's picture in place";
    const RECT parts[] = {{0, 0, 294, 194},   {0, 60, 294, 90},   {0, 20, 294, 45},
                          {0, 40, 294, 41},   {147, 0, 294, 194}, {180, 100, 220, 194},
                          {10, 150, 290, 170}};
    for (const RECT& r : parts) {
      ::InvalidateRect(h, &r, FALSE);
      ::UpdateWindow(h);
      const auto again = capture(h);
      differ = 0;
      for (int y = 0; y < whole.height; ++y)
        for (int x = 0; x < whole.width; ++x) differ += again.rgb_at(x, y) != whole.rgb_at(x, y);
      EXPECT_EQ(differ, 0) << r.left << "," << r.top << " - " << r.right << "," << r.bottom;
    }
  }
}

TEST(Win32ModalForm, DisablesTheThreadsOtherWindowsIgnoresCloseAndEndsOnAQuit) {
  HWND other = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                 nullptr, nullptr, nullptr, nullptr);
  TestForm f;
  bool other_enabled_during = true, up_after_close = false;
  show_modal(f, {[&] {
                   other_enabled_during = ::IsWindowEnabled(other);
                   ::PostMessageW(hwnd_of(f), WM_CLOSE, 0, 0);  // Alt+F4, the task bar
                 },
                 [] {},
                 [&] {
                   up_after_close = f.IsLoaded() && ::IsWindowVisible(hwnd_of(f));
                   ::PostQuitMessage(7);
                 }});
  EXPECT_FALSE(other_enabled_during);
  EXPECT_TRUE(up_after_close) << "the form ends only through its own handlers";
  EXPECT_FALSE(f.IsLoaded());
  EXPECT_TRUE(::IsWindowEnabled(other)) << "enabled again when the showing ends";
  ::DestroyWindow(other);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit goes on to the caller's loop";
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(Win32ModalForm, EndsWhenItsWindowIsDestroyed) {
  TestForm f;
  show_modal(f, {[&f] { ::DestroyWindow(hwnd_of(f)); }});
  EXPECT_FALSE(f.IsLoaded());
}

}  // namespace
}  // namespace quillon::forms
