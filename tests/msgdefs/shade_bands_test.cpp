// ShadeBands pinned pixel by pixel: 85 bands on surfaces one pixel per band.
#include <gtest/gtest.h>

#include <vector>

#include "msgdefs/msgdefs.h"
#include "support/surface.h"

namespace quillon::msgdefs {
namespace {

using forms::rgb;
using forms::Rgb;
using quillon::testing::Surface;

Rgb grey(int v) {
  return rgb(v, v, v);
}

using ShadeBandsTest = quillon::testing::OnHeadless;

// 85 x 3 pixels (1275 x 45 twips): one band per column with codes 3 and 4 (step 15 twips).
TEST_F(ShadeBandsTest, LeftToRightDarkensByThreePerBandFromWhiteTo3) {
  Surface s(85, 3);
  ShadeBands(s.box(), 0xFFFFFF, 3, kVbFalse, kVbTrue);
  EXPECT_TRUE(s.box().AutoRedraw());
  for (int x = 0; x < 85; ++x)
    for (int y = 0; y < 3; ++y) ASSERT_EQ(s.at(x, y), grey(255 - 3 * x)) << x << "," << y;
  EXPECT_EQ(s.at(84, 0), grey(3));
}

TEST_F(ShadeBandsTest, RightToLeftEndsWithTheLastBandAtTheLeftEdge) {
  Surface s(85, 1);
  ShadeBands(s.box(), 0xFFFFFF, 4, kVbFalse, kVbFalse);
  // Each band covers both its edges, so the next band overdraws the shared column: column c
  // shows band 86 - c, the rightmost column band 2; the last band takes columns 0 and 1.
  for (int x = 1; x < 85; ++x) ASSERT_EQ(s.at(x, 0), grey(255 - 3 * (85 - x))) << x;
  EXPECT_EQ(s.at(0, 0), grey(3));
  EXPECT_EQ(s.at(84, 0), grey(252));
}

TEST_F(ShadeBandsTest, TopToBottomAndBottomToTop) {
  Surface down(2, 85), up(2, 85);
  ShadeBands(down.box(), rgb(255, 128, 30), 1, kVbFalse, kVbFalse);
  ShadeBands(up.box(), rgb(255, 128, 30), 2, kVbFalse, kVbFalse);
  auto band = [](int i) {  // colour of band i (1-based), components floored at 0
    const int d = 3 * (i - 1);
    return rgb(std::max(255 - d, 0), std::max(128 - d, 0), std::max(30 - d, 0));
  };
  for (int y = 0; y < 85; ++y) ASSERT_EQ(down.at(1, y), band(y + 1)) << y;
  for (int y = 1; y < 85; ++y) ASSERT_EQ(up.at(1, y), band(86 - y)) << y;
  EXPECT_EQ(up.at(0, 0), band(85));
  EXPECT_EQ(down.at(0, 40), rgb(135, 8, 0));  // blue stops at 0, green keeps falling
}

TEST_F(ShadeBandsTest, LighteningRates) {
  // Fast: +3 after every even band and after every band from 30 on: 69 steps by the 85th.
  // Slow: +3 after every third band: 28 steps. From 200, fast reaches 255 after 19 steps (257
  // counts as 255) and stays.
  struct Row {
    int base;
    VbBool fast;
    std::vector<std::pair<int, int>> columns;  // column, grey level
  };
  for (const Row& r :
       {Row{0, kVbTrue, {{0, 0}, {1, 0}, {2, 3}, {29, 42}, {30, 45}, {31, 48}, {84, 207}}},
        Row{0, kVbFalse, {{2, 0}, {3, 3}, {84, 84}}},
        Row{200, kVbTrue, {{32, 251}, {33, 254}, {34, 255}, {84, 255}}}}) {
    Surface s(85, 1);
    ShadeBands(s.box(), grey(r.base), 3, kVbTrue, r.fast);
    for (auto [x, level] : r.columns) EXPECT_EQ(s.at(x, 0), grey(level)) << r.base << " " << x;
  }
}

TEST_F(ShadeBandsTest, BlackStaysBlackAndSystemColoursAreResolved) {
  Surface s(85, 1);
  ShadeBands(s.box(), 0, 3, kVbFalse, kVbFalse);
  for (int x = 0; x < 85; ++x) ASSERT_EQ(s.at(x, 0), grey(0));
  hb.set_sys_color(3, rgb(10, 20, 30));
  ShadeBands(s.box(), 0x80000003, 3, kVbTrue, kVbFalse);
  EXPECT_EQ(s.at(0, 0), rgb(10, 20, 30));
  EXPECT_EQ(s.at(84, 0), rgb(94, 104, 114));
}

TEST_F(ShadeBandsTest, MinusOnePaintsNothingAndDoesNotClear) {
  Surface s(4, 4);
  s.box().SetBackColor(rgb(1, 2, 3));
  s.box().SetScaleMode(3);
  s.box().FilledBox(0, 0, 0, 0, rgb(9, 9, 9));
  ShadeBands(s.box(), kColourMinusOne, 1, kVbFalse, kVbFalse);
  EXPECT_FALSE(s.box().AutoRedraw());
  EXPECT_EQ(s.at(0, 0), rgb(9, 9, 9));
  EXPECT_EQ(s.at(1, 0), rgb(1, 2, 3));
}

TEST_F(ShadeBandsTest, DirectionsOutsideOneToFourCountAsOne) {
  for (std::int16_t d : {0, 9, -3, 32767}) {
    Surface a(2, 85), b(2, 85);
    ShadeBands(a.box(), 0xFFFFFF, d, kVbFalse, kVbFalse);
    ShadeBands(b.box(), 0xFFFFFF, 1, kVbFalse, kVbFalse);
    for (int y = 0; y < 85; ++y) ASSERT_EQ(a.at(0, y), b.at(0, y)) << d;
  }
}

TEST_F(ShadeBandsTest, TinySurfacesHaveAStepOfZero) {
  // 2 pixels = 30 twips high, 30 / 85 rounds to 0.
  Surface down(3, 2), up(3, 2);
  down.box().SetBackColor(rgb(7, 7, 7));
  ShadeBands(down.box(), 0xFFFFFF, 1, kVbFalse, kVbFalse);
  // Every band falls on row 0 (a zero-height box still covers its corner row); row 1 keeps Cls.
  EXPECT_EQ(down.at(0, 0), grey(3));
  EXPECT_EQ(down.at(0, 1), rgb(7, 7, 7));
  // Bottom to top: the 85th band starts at 0 and fills the whole surface in the last colour.
  ShadeBands(up.box(), 0xFFFFFF, 2, kVbFalse, kVbFalse);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(up.at(x, y), grey(3));
}

TEST_F(ShadeBandsTest, SurfacesWiderThan32767UnitsAreShadedWhole) {
  // 2700 pixels = 40500 twips: 16-bit band coordinates would overflow half way.
  Surface wide(2700, 1), tall(1, 2700);
  EXPECT_NO_THROW(ShadeBands(wide.box(), 0xFFFFFF, 3, kVbFalse, kVbFalse));
  EXPECT_NO_THROW(ShadeBands(tall.box(), 0xFFFFFF, 2, kVbFalse, kVbFalse));
  // step = 40500 / 85 = 476.47 -> 476 twips; band 85 covers 39984..40460 twips = pixels
  // 2666..2697; left to right has no last-band correction, so the last 40 twips keep Cls.
  EXPECT_EQ(wide.at(0, 0), grey(255));
  EXPECT_EQ(wide.at(2697, 0), grey(3));
  EXPECT_EQ(wide.at(2699, 0), hb.platform().sys_color(15));
  EXPECT_EQ(wide.at(2500, 0), grey(255 - 3 * 78));  // 37500 twips: band 79
  EXPECT_EQ(tall.at(0, 0), grey(3));
  EXPECT_EQ(tall.at(0, 2699), grey(255));
}

}  // namespace
}  // namespace quillon::msgdefs
