// The message window's layout in twips, on a 1024 x 768 screen at 15 twips per pixel
// (15360 x 11520 twips, icons 480 x 480), with the headless font (it measures as Wine does).
#include <string>

#include "support/box_fixture.h"

namespace quillon::testing {
namespace {

using window::MessageBox;

constexpr float kScreenW = 15360, kScreenH = 11520;

class LayoutTest : public BoxTest {
 protected:
  LayoutTest() { q.SetModal(kVbFalse); }
  MessageBox& Show(const std::wstring& message, std::int16_t flags = 0,
                   const std::wstring& title = L"T") {
    window::ReleaseThreadWindows();
    q.MsgBox(message, flags, title);
    return Up();
  }
  Quillon q;
};

TEST_F(LayoutTest, OneButtonShortTextIsSizedByTheButtonRow) {
  MessageBox& w = Show(L"Hi");
  EXPECT_EQ(w.Width(), 1665);
  EXPECT_EQ(w.MsgText().Left(), 150);
  EXPECT_EQ(w.MsgText().Top(), 150);
  EXPECT_EQ(w.Height(), 1575);
  const float lefts[] = {285, 1485, 2685, 3885};
  for (int i = 0; i <= 3; ++i) {
    EXPECT_EQ(w.MsgButton(i).Left(), lefts[i]);
    EXPECT_EQ(w.MsgButton(i).Top(), 525);
  }
  EXPECT_EQ(w.Background().Top(), 330);
  EXPECT_EQ(w.Background().Height(), 1245);
  EXPECT_EQ(w.Background().Width(), 1665);
  EXPECT_EQ(w.TopHeading().Width(), 1665);
  EXPECT_EQ(w.TopHeading().Height(), 330);
  EXPECT_EQ(w.ControlBoxUp().Left(), 1665 - 360);
  EXPECT_TRUE(w.ControlBoxUp().Visible());
  EXPECT_TRUE(w.ControlBoxUp().Enabled());
  EXPECT_EQ(w.Top(), 4972.5);
  EXPECT_EQ(w.Left(), (kScreenW - 1665) / 2);  // 6847.5: halves are not rounded
  for (int i = 0; i <= 2; ++i) EXPECT_FALSE(w.HLine(i).Visible());
}

TEST_F(LayoutTest, ThreeButtonsOnAWindow5001Wide) {
  q.SetWidth(5001);
  MessageBox& w = Show(L"Choose", 3);
  EXPECT_EQ(w.Width(), 5001);
  const float lefts[] = {753, 1953, 3153, 4353};
  for (int i = 0; i <= 3; ++i) EXPECT_EQ(w.MsgButton(i).Left(), lefts[i]) << i;
  EXPECT_FALSE(w.MsgButton(3).Visible());
}

// A text wider than the buttons and the title decides the width, with the icon's room.
TEST_F(LayoutTest, LongTextBesideAnIconWidensTheWindow) {
  MessageBox& w =
      Show(L"A message line that is clearly wider than three buttons side by side", 64 + 3);
  EXPECT_EQ(w.MsgText().Left(), 750);
  EXPECT_EQ(w.Width(), 6765);
}

TEST_F(LayoutTest, IconTallerThanTheText) {
  MessageBox& w = Show(L"Hi", 64);
  EXPECT_EQ(w.MsgText().Left(), 750);
  EXPECT_EQ(w.MsgText().Top(), 308);
  EXPECT_EQ(w.Height(), 480 + 330 + 1050);
}

TEST_F(LayoutTest, TextTallerThanTheIcon) {
  std::wstring lines;
  for (int i = 0; i < 12; ++i) lines += L"line\r\n";
  MessageBox& w = Show(lines + L"last", 16);
  EXPECT_EQ(w.MsgText().Top(), 150);
  EXPECT_EQ(w.Height(), 3915);
}

TEST_F(LayoutTest, OneLineWiderThanTheScreenIsCutToTheScreenAndNotWrapped) {
  MessageBox& w = Show(std::wstring(600, L'W'));
  EXPECT_EQ(w.Width(), kScreenW - 240);
  EXPECT_FALSE(w.MsgText().WordWrap());
  EXPECT_GT(w.MsgText().Width(), kScreenW);
  EXPECT_EQ(w.Left(), 120);
  q.SetWidth(14000);  // a width setting is not held to the text
  EXPECT_EQ(Show(std::wstring(600, L'W')).Width(), 14000);
}

TEST_F(LayoutTest, WidthSettingWrapsTheTextBesideTheIcon) {
  q.SetWidth(4000);
  std::wstring words;
  for (int i = 0; i < 40; ++i) words += L"word ";
  MessageBox& w = Show(words, 48);
  EXPECT_EQ(w.Width(), 4000);
  EXPECT_TRUE(w.MsgText().WordWrap());
  EXPECT_EQ(w.MsgText().Width(), 4000 - (480 + 270) - 255);
  EXPECT_EQ(w.Height(), 2745);
}

TEST_F(LayoutTest, AlignmentPlacesTheText) {
  struct Case {
    std::int16_t alignment;
    std::int32_t width_setting;
    float left;
  };
  const Case cases[] = {{0, 0, 150},    {1, 0, 2145},   {2, 0, 1170},  {1, 6000, 150},
                        {2, 6000, 165}, {1, 3000, 150}, {2, 3000, 165}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.alignment) + " at " + std::to_string(c.width_setting));
    q.SetTextAlignment(c.alignment);
    q.SetWidth(c.width_setting);
    MessageBox& w = Show(L"Short", 1);  // two buttons: 2865 wide without a setting
    EXPECT_EQ(w.MsgText().Alignment(), c.alignment);
    EXPECT_EQ(w.MsgText().Left(), c.left);
  }
}

TEST_F(LayoutTest, HideButtonsTakes645OffTheHeight) {
  MessageBox& shown = Show(L"Buttons", 3);
  const float full = shown.Height();
  const float body = shown.Background().Height();
  q.SetHideButtons(kVbTrue);
  MessageBox& w = Show(L"Buttons", 3);
  EXPECT_EQ(w.Height(), full - 645);
  EXPECT_EQ(w.Background().Height(), body);
  for (int i = 0; i <= 3; ++i) {
    EXPECT_FALSE(w.MsgButton(i).Visible());
    EXPECT_FALSE(w.MsgButton(i).Enabled());
  }
  EXPECT_EQ(w.Top(), (kScreenH - w.Height()) / 2);
}

TEST_F(LayoutTest, HeightSettingOverridesTheContent) {
  q.SetHeight(5000);
  MessageBox& w = Show(L"Tall", 0);
  EXPECT_EQ(w.Height(), 5000);
  EXPECT_EQ(w.MsgButton(0).Top(), 5000 - 1050);
  EXPECT_EQ(w.Background().Height(), 5000 - 330);
}

TEST_F(LayoutTest, SettingsTooSmallForTheContentSkipOnlyTheStepsThatCannotBe) {
  struct Case {
    std::int32_t width, height;
    VbBool hide;
    float expected_height;
    float body_height;  // -1: the body keeps its design height; -2: window height - 330
  };
  const Case cases[] = {
      {100, 0, kVbFalse, -1, -2},   // text width 100 - 750 - 255 < 0: the text keeps its width
      {0, 200, kVbFalse, 200, -1},  // body 200 - 330 < 0: the body keeps its design height
      {0, 500, kVbTrue, 500, 170},  // 500 - 645 < 0: the window keeps its height
      {1, 1, kVbTrue, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    q.SetWidth(c.width);
    q.SetHeight(c.height);
    q.SetHideButtons(c.hide);
    MessageBox& w = Show(L"Some text that will not fit", 48 + 1);
    if (c.width > 0) {
      EXPECT_EQ(w.Width(), c.width);
    }
    if (c.expected_height >= 0) {
      EXPECT_EQ(w.Height(), c.expected_height);
    }
    const float body = c.body_height == -2 ? w.Height() - 330 : c.body_height;
    EXPECT_EQ(w.Background().Height(), body >= 0 ? body : 1350);
    EXPECT_EQ(w.Top(), (kScreenH - w.Height()) / 2);  // the later steps still ran
    EXPECT_EQ(w.ControlBoxUp().Left(), w.Width() - 360);
  }
  // And the call still ends normally.
  q.SetModal(kVbTrue);
  backend.key(27);
  EXPECT_EQ(q.MsgBox(L"Tiny"), 2);
}

TEST_F(LayoutTest, StartUpPositions) {
  // Manual.
  q.SetStartUpPosition(0);
  q.SetTop(1234);
  q.SetLeft(20000);
  MessageBox& manual = Show(L"Here");
  EXPECT_EQ(manual.Top(), 1234);
  EXPECT_EQ(manual.Left(), 20000);

  // On the calling window: 100, 50 to 500, 350 pixels.
  window::ReleaseThreadWindows();
  backend.set_caller_window(L"Host", {100, 50, 500, 350});
  q.SetStartUpPosition(1);
  MessageBox& owned = Show(L"Owned");
  EXPECT_EQ(owned.Top(), 750 + (4500 - owned.Height()) / 2);
  EXPECT_EQ(owned.Left(), 1500 + (6000 - owned.Width()) / 2);
  EXPECT_EQ(q.StartUpPosition(), 1);
}

TEST_F(LayoutTest, CentreOfFormWithoutActiveWindowFallsBackToTheScreenForGood) {
  q.SetStartUpPosition(1);
  MessageBox& w = Show(L"No owner");
  EXPECT_EQ(w.Top(), (kScreenH - w.Height()) / 2);
  EXPECT_EQ(w.Left(), (kScreenW - w.Width()) / 2);
  EXPECT_EQ(q.StartUpPosition(), 2);
  backend.set_caller_window(L"Host", {0, 0, 100, 100});
  MessageBox& later = Show(L"Still centred on the screen");
  EXPECT_EQ(later.Left(), (kScreenW - later.Width()) / 2);
}

TEST_F(LayoutTest, ControlBoxOffTakesItsRoomFromTheTitle) {
  const std::wstring title = L"A title long enough to decide the width of this window";
  MessageBox& with_box = Show(L"x", 0, title);
  const float wide = with_box.Width();
  EXPECT_EQ(wide, 5715);
  q.SetControlBox(kVbFalse);
  MessageBox& w = Show(L"x", 0, title);
  EXPECT_EQ(w.Width(), wide - 270);
  EXPECT_FALSE(w.ControlBoxUp().Visible());
  EXPECT_FALSE(w.ControlBoxUp().Enabled());
  backend.mouse_down("ControlBoxUp");
  backend.mouse_up();
  backend.run_script();
  EXPECT_TRUE(w.IsLoaded()) << "a hidden close box closed the window";
}

TEST_F(LayoutTest, NoButtonsKeepsTheRowAndPlacesTheHiddenFirstButton) {
  MessageBox& w = Show(L"x", 6, L"");
  EXPECT_GE(w.Width(), 465);
  EXPECT_EQ(w.MsgButton(0).Left(), (w.Width() + 105) / 2);
  EXPECT_EQ(w.Height(), 1575);
}

TEST_F(LayoutTest, ThreeDHeadingShowsItsLinesAcrossTheWindow) {
  q.SetHeadingType(1);
  MessageBox& w = Show(L"Lines", 2);
  for (int i = 0; i <= 2; ++i) {
    EXPECT_TRUE(w.HLine(i).Visible());
    EXPECT_EQ(w.HLine(i).X2(), w.Width());
    EXPECT_EQ(w.HLine(i).Y1(), 15 * i);
  }
}

}  // namespace
}  // namespace quillon::testing
