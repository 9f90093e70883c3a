// The heading bar's four looks and the close-box pictures, pixel by pixel.
#include "window/heading.h"

#include <gtest/gtest.h>

#include "forms/surface.h"
#include "msgdefs/shared.h"
#include "window/close_box.h"

namespace quillon::window {
namespace {

using forms::rgb;
using forms::Rgb;
using quillon::testing::Surface;

class HeadingTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = msgdefs::shared(); }
  void TearDown() override { msgdefs::shared() = saved_; }
  forms::headless::HeadlessBackend hb;
  forms::BackendScope scope{hb};
  msgdefs::SharedSettings saved_;
};

Rgb grey(int v) {
  return rgb(v, v, v);
}

TEST_F(HeadingTest, FourLooks) {
  hb.set_sys_color(3, grey(100));
  hb.set_sys_color(2, rgb(0, 0, 200));
  struct Case {
    bool active;
    VbBool solid;
    Rgb left, right;  // columns 0 and 84 of an 85-pixel heading
  };
  const Case cases[] = {
      {true, kVbTrue, rgb(0, 0, 200), rgb(0, 0, 200)},
      {false, kVbTrue, grey(100), grey(100)},
      {true, kVbFalse, rgb(0, 0, 200), rgb(207, 207, 255)},  // fast: 69 steps of 3
      {false, kVbFalse, grey(100), grey(184)},               // slow: 28 steps of 3
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.active) + " " + std::to_string(c.solid));
    msgdefs::shared().SolidColorHeading = c.solid;
    msgdefs::shared().BackColorHeading = 0x80000002;
    Surface s(85, 2);
    PaintHeading(s.box(), c.active);
    EXPECT_EQ(s.at(0, 0), c.left);
    EXPECT_EQ(s.at(84, 1), c.right);
  }
}

TEST_F(HeadingTest, SolidHeadingErasesAnEarlierShading) {
  msgdefs::shared().BackColorHeading = rgb(10, 20, 30);
  Surface s(85, 2);
  msgdefs::shared().SolidColorHeading = kVbFalse;
  PaintHeading(s.box(), true);
  ASSERT_NE(s.at(84, 0), rgb(10, 20, 30));
  msgdefs::shared().SolidColorHeading = kVbTrue;
  PaintHeading(s.box(), true);
  for (int x = 0; x < 85; ++x) ASSERT_EQ(s.at(x, 0), rgb(10, 20, 30)) << x;
  PaintHeading(s.box(), false);
  EXPECT_EQ(s.at(40, 1), hb.platform().sys_color(3));
}

// W white, s silver, g grey, b black, f face.
const std::map<char, Rgb> kLegend = {{'W', rgb(255, 255, 255)},
                                     {'s', rgb(192, 192, 192)},
                                     {'g', rgb(128, 128, 128)},
                                     {'b', 0},
                                     {'f', kCloseBoxFace}};

::testing::AssertionResult Matches(const forms::Picture& p, const std::vector<std::string>& rows) {
  std::string actual;
  bool same = p->width == 14 && p->height == 14;
  for (int y = 0; y < p->height; ++y) {
    for (int x = 0; x < p->width; ++x) {
      char ch = '?';
      for (const auto& [k, v] : kLegend)
        if (v == p->at(x, y)) ch = k;
      actual += ch;
      same = same && rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == ch;
    }
    actual += '\n';
  }
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "actual\n" << actual;
}

TEST(CloseBox, RaisedPicture) {
  EXPECT_TRUE(Matches(CloseBoxUpPicture(), {
                                               "WWWWWWWWWWWWWb",  //
                                               "Wsssssssssssgb",  //
                                               "Wsffffffffffgb",  //
                                               "Wsffffffffffgb",  //
                                               "Wsffbffffbffgb",  //
                                               "Wsfffbffbfffgb",  //
                                               "Wsffffbbffffgb",  //
                                               "Wsffffbbffffgb",  //
                                               "Wsfffbffbfffgb",  //
                                               "Wsffbffffbffgb",  //
                                               "Wsffffffffffgb",  //
                                               "Wsffffffffffgb",  //
                                               "Wggggggggggggb",  //
                                               "bbbbbbbbbbbbbb",  //
                                           }));
}

TEST(CloseBox, PressedPicture) {
  EXPECT_TRUE(Matches(CloseBoxDownPicture(), {
                                                 "gggggggggggggW",  //
                                                 "ggggggggggggsW",  //
                                                 "ggffffffffffsW",  //
                                                 "ggffffffffffsW",  //
                                                 "ggffbffffbffsW",  //
                                                 "ggfffbffbfffsW",  //
                                                 "ggffffbbffffsW",  //
                                                 "ggffffbbffffsW",  //
                                                 "ggfffbffbfffsW",  //
                                                 "ggffbffffbffsW",  //
                                                 "ggffffffffffsW",  //
                                                 "ggffffffffffsW",  //
                                                 "gssssssssssssW",  //
                                                 "WWWWWWWWWWWWWW",  //
                                             }));
}

}  // namespace
}  // namespace quillon::window
