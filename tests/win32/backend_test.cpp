// The Win32 backend with real windows: a small form of our own shown modally and modelessly,
// driven by mouse messages and activations, and checked by what reaches its event handlers and
// what is on the screen. Keys and focus: support/navigation_cases.h; a click from another thread:
// msgbox_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
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

// A small form: a heading with a title and an image, a body with a line and three buttons, a
// timer. Every event is recorded; on_event may act on it (e.g. unload).
class TestForm : public Form {
 public:
  TestForm() : Form("TestForm") {}
  std::vector<std::string> seen;
  std::function<void(TestForm&, const std::string&)> on_event;
  std::function<void(TestForm&)> after_design;
  PictureBox* heading = nullptr;
  PictureBox* body = nullptr;
  Label* title = nullptr;
  Image* image = nullptr;
  LineControl* line = nullptr;
  CommandButton* buttons[3] = {};
  Timer* timer = nullptr;

  bool saw(const std::string& e) const {
    return std::find(seen.begin(), seen.end(), e) != seen.end();
  }

 protected:
  void Design() override {
    SetWidth(4500);
    SetHeight(3000);
    SetLeft(1500);
    SetTop(1500);
    SetKeyPreview(true);
    heading = &add<PictureBox>("Heading", -1, nullptr);
    heading->Move(0, 0, 4410, 450);
    heading->SetBackColor(kHeadingColour);
    image = &add<Image>("Box", -1, heading);
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
    line = &add<LineControl>("Rule", -1, body);
    line->SetEnds(0, 150, 4410, 150);
    line->SetBorderColor(kLineColour);
    const wchar_t* captions[3] = {L"&One", L"&Two", L"T&hree"};
    for (int i = 0; i < 3; ++i) {
      buttons[i] = &add<CommandButton>("Btn", i, body);
      buttons[i]->Move(150 + 1350 * i, 1800, 1095, 375);
      buttons[i]->SetCaption(captions[i]);
      buttons[i]->SetTabIndex(i);
      buttons[i]->Click = [this](int index) { record("Click " + std::to_string(index)); };
      buttons[i]->GotFocus = [this](int index) { record("GotFocus " + std::to_string(index)); };
    }
    timer = &add<Timer>("Tick", -1, nullptr);
    timer->SetEnabled(false);
    timer->SetInterval(40);
    timer->OnTimer = [this] { record("Timer"); };
    OnActivate = [this] { record("Activate"); };
    image->MouseDown = [this](std::int16_t b, std::int16_t, Single, Single) {
      record("ImageDown " + std::to_string(b));
    };
    image->MouseUp = [this](std::int16_t b, std::int16_t, Single, Single) {
      record("ImageUp " + std::to_string(b));
    };
    title->MouseDown = [this](std::int16_t, std::int16_t, Single, Single) { record("TitleDown"); };
    body->MouseDown = [this](std::int16_t, std::int16_t, Single x, Single y) {
      record("BodyDown " + std::to_string(static_cast<int>(x)) + "," +
             std::to_string(static_cast<int>(y)));
    };
    if (after_design) after_design(*this);
  }

 private:
  void record(const std::string& e) {
    seen.push_back(e);
    if (on_event) on_event(*this, e);
  }
};

HWND hwnd_of(const Form& f) {
  return reinterpret_cast<HWND>(f.hWnd());
}

// The child window of the form at a point of the form's client area.
HWND child_at(const Form& f, int x, int y) {
  return ::ChildWindowFromPointEx(hwnd_of(f), POINT{x, y}, CWP_SKIPINVISIBLE);
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

void post_mouse(HWND h, UINT msg, int x, int y) {
  ::PostMessageW(h, msg,
                 msg == WM_LBUTTONDOWN   ? MK_LBUTTON
                 : msg == WM_RBUTTONDOWN ? MK_RBUTTON
                                         : 0,
                 MAKELPARAM(x, y));
}

// ---------------------------------------------------------------------------------------------

TEST(Win32Form, WindowAndChildSizesFollowTheTwipsAtFifteenTwipsPerPixel) {
  TestForm f;
  f.Show(false);
  ASSERT_EQ(backend().screen().TwipsPerPixelX(), 15.0f);
  RECT outer{}, client{};
  ::GetWindowRect(hwnd_of(f), &outer);
  ::GetClientRect(hwnd_of(f), &client);
  EXPECT_EQ(outer.right - outer.left, 300);
  EXPECT_EQ(outer.bottom - outer.top, 200);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(client.right, 294) << "a fixed dialog frame of 3 pixels a side";
  EXPECT_EQ(client.bottom, 194);
  const LONG style = ::GetWindowLongW(hwnd_of(f), GWL_STYLE);
  EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION) << "no title bar";
  EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";

  struct Case {
    const char* what;
    POINT at;
    RECT expected;  // in the parent's client pixels
  } cases[] = {
      {"heading", {10, 10}, {0, 0, 294, 30}},
      {"body", {10, 100}, {0, 30, 294, 194}},
  };
  for (const auto& c : cases) {
    const HWND h = child_at(f, c.at.x, c.at.y);
    ASSERT_NE(h, hwnd_of(f)) << c.what;
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, hwnd_of(f), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, c.expected.left) << c.what;
    EXPECT_EQ(r.top, c.expected.top) << c.what;
    EXPECT_EQ(r.right, c.expected.right) << c.what;
    EXPECT_EQ(r.bottom, c.expected.bottom) << c.what;
  }
  // A change of the model moves the window.
  f.SetWidth(6000);
  RECT moved{};
  ::GetWindowRect(hwnd_of(f), &moved);
  EXPECT_EQ(moved.right - moved.left, 400);
  f.Unload();
}

void all_enabled(TestForm& t) {
  for (auto* b : t.buttons) b->SetEnabled(true);
}

TEST(Win32Form, MouseReleaseGoesToTheControlThatSawThePress) {
  struct Case {
    const char* name;
    UINT down, up;
    POINT press;  // in the heading's client pixels
    std::vector<std::string> expected;
  } cases[] = {
      {"left press on the image, release far outside",
       WM_LBUTTONDOWN,
       WM_LBUTTONUP,
       {263, 10},
       {"ImageDown 1", "ImageUp 1"}},
      {"right press on the image",
       WM_RBUTTONDOWN,
       WM_RBUTTONUP,
       {261, 7},
       {"ImageDown 2", "ImageUp 2"}},
      {"press on the title", WM_LBUTTONDOWN, WM_LBUTTONUP, {7, 8}, {"TitleDown"}},
  };
  for (const auto& c : cases) {
    TestForm f;
    f.Show(false);
    pump(50);
    const HWND heading = child_at(f, 100, 5);
    post_mouse(heading, c.down, c.press.x, c.press.y);
    pump(50);
    EXPECT_EQ(::GetCapture(), heading) << c.name;
    post_mouse(heading, c.up, 2000, -500);
    pump(50);
    EXPECT_EQ(f.seen.size() >= c.expected.size(), true) << c.name;
    std::vector<std::string> mouse;
    for (const auto& e : f.seen)
      if (e.find("Down") != std::string::npos && e.rfind("Key", 0) != 0)
        mouse.push_back(e);
      else if (e.find("Up") != std::string::npos && e.rfind("Key", 0) != 0)
        mouse.push_back(e);
    EXPECT_EQ(mouse, c.expected) << c.name;
    EXPECT_EQ(::GetCapture(), nullptr) << c.name;
    f.Unload();
  }
  // Body presses report the point in twips of the body.
  TestForm f;
  f.Show(false);
  pump(50);
  post_mouse(child_at(f, 100, 100), WM_LBUTTONDOWN, 10, 20);
  post_mouse(child_at(f, 100, 100), WM_LBUTTONUP, 10, 20);
  pump(50);
  EXPECT_TRUE(f.saw("BodyDown 150,300"));
  f.Unload();
}

TEST(Win32Form, TimerTicksInsideTheModalLoopAndUnloadFromTheTickIsSafe) {
  TestForm f;
  int ticks = 0;
  f.after_design = [](TestForm& t) { t.timer->SetEnabled(true); };
  f.on_event = [&ticks](TestForm& t, const std::string& e) {
    if (e == "Timer" && ++ticks == 3) t.Unload();
  };
  const auto start = std::chrono::steady_clock::now();
  show_modal(f, {});
  EXPECT_EQ(ticks, 3);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  // Destroyed after the loop, outside every handler.
  pump(20);
  EXPECT_EQ(testing::thread_windows().size(), 0u);
}

TEST(Win32Form, TheModalShowingEndsWhenTheLoopIsToldToQuitOrTheWindowIsDestroyed) {
  {
    TestForm f;
    show_modal(f, {[] { ::PostQuitMessage(7); }});
    EXPECT_FALSE(f.IsLoaded());
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit goes on to the caller's loop";
    EXPECT_EQ(msg.wParam, 7u);
  }
  {
    TestForm f;
    show_modal(f, {[&f] { ::DestroyWindow(hwnd_of(f)); }});
    EXPECT_FALSE(f.IsLoaded());
  }
}

TEST(Win32Form, AModalShowingDisablesTheThreadsOtherWindowsAndIgnoresClose) {
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
                   f.Unload();
                 }});
  EXPECT_FALSE(other_enabled_during);
  EXPECT_TRUE(up_after_close) << "the form ends only through its own handlers";
  EXPECT_TRUE(::IsWindowEnabled(other)) << "enabled again when the showing ends";
  ::DestroyWindow(other);
}

TEST(Win32Form, ActivationIsReportedOnFirstShowingAndOnReturnFromAnotherWindowOfTheProgram) {
  TestForm f;
  f.after_design = all_enabled;
  f.Show(false);
  pump(30);
  EXPECT_EQ(std::count(f.seen.begin(), f.seen.end(), "Activate"), 1);
  EXPECT_EQ(::GetActiveWindow(), hwnd_of(f));
  // Another window of this program takes the front, then the form again.
  f.buttons[1]->SetFocus();
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
  ::SetActiveWindow(other);
  pump(30);
  EXPECT_EQ(std::count(f.seen.begin(), f.seen.end(), "Activate"), 1);
  f.seen.clear();
  ::SetActiveWindow(hwnd_of(f));
  pump(30);
  EXPECT_EQ(f.seen, (std::vector<std::string>{"GotFocus 1", "Activate"}))
      << "the focus comes back to the button that had it, then the activation";
  ::DestroyWindow(other);
  f.Unload();
}

TEST(Win32Form, ScreenShowsImagesTextLinesAndButtonsInPlace) {
  TestForm f;
  f.after_design = all_enabled;
  f.Show(false);
  pump(50);
  const auto shot = capture(hwnd_of(f));
  struct Case {
    const char* what;
    int x, y;
    Rgb expected;
  } cases[] = {
      {"heading, left edge", 0, 0, kHeadingColour},
      {"heading, bottom right", 293, 29, kHeadingColour},
      {"image, top left", 260, 6, kImageColour},
      {"image, bottom right", 273, 19, kImageColour},
      {"right of the image", 274, 6, kHeadingColour},
      {"body, top left", 0, 30, kBodyColour},
      {"line at 10 px into the body", 150, 40, kLineColour},
      {"under the line", 150, 41, kBodyColour},
      {"body, bottom right", 293, 193, kBodyColour},
      {"face of a button without focus", 195, 162, ::GetSysColor(COLOR_BTNFACE)},
  };
  for (const auto& c : cases) EXPECT_EQ(shot.rgb_at(c.x, c.y), c.expected) << c.what;
  f.Unload();
}

TEST(Win32Form, AmpersandInALabelIsShownLiterally) {
  TestForm f;
  f.Show(false);
  pump(50);
  // The label's width is that of the whole text, "&" included.
  auto& text = win32::win32_backend().gdi_text();
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::SelectObject(dc, text.font(f.title->GetFont()));
  SIZE size{};
  ::GetTextExtentPoint32W(dc, L"A & B", 5, &size);
  EXPECT_EQ(to_pixels_x(f.title->Width()), size.cx);
  // What is on the screen is the text drawn without prefix processing.
  const auto shot = capture(child_at(f, 100, 5));
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(bi.bmiHeader), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ::SelectObject(dc, bmp);
  RECT r{0, 0, size.cx, size.cy};
  HBRUSH heading = ::CreateSolidBrush(kHeadingColour);
  ::FillRect(dc, &r, heading);
  ::DeleteObject(heading);
  ::SetTextColor(dc, RGB(255, 255, 255));
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, L"A & B", 5, &r, DT_NOPREFIX | DT_SINGLELINE);
  ::GdiFlush();
  const auto* ref = static_cast<const std::uint32_t*>(bits);
  int differ = 0, lit = 0;
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < size.cx; ++x) {
      const std::uint32_t want = ref[y * size.cx + x] & 0xFFFFFF;
      lit += want != 0xC80000;
      differ += shot.at(5 + x, 6 + y) != want;
    }
  ::DeleteDC(dc);
  ::DeleteObject(bmp);
  EXPECT_GT(lit, 10);
  EXPECT_EQ(differ, 0);
  f.Unload();
}

}  // namespace
}  // namespace quillon::forms
