// The heading bar's four looks and the close-box pictures, pixel by pixel.
#include "window/heading.h"

#include <gtest/gtest.h>

#include <tuple>

#include "msgdefs/shared.h"
#include "support/surface.h"
#include "window/close_box.h"

namespace quillon::window {
namespace {

using forms::rgb;
using forms::Rgb;
using quillon::testing::PixelsAre;
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

// One surface painted in turn: a solid look must cover all of an earlier shading.
TEST_F(HeadingTest, FourLooksEachPaintedOverTheLast) {
  hb.set_sys_color(3, grey(100));
  hb.set_sys_color(2, rgb(0, 0, 200));
  msgdefs::shared().BackColorHeading = 0x80000002;
  Surface s(85, 2);
  // Active, solid, and columns 0 and 84 of the 85-pixel heading. Shaded active: fast, 69 steps
  // of 3; shaded inactive: slow, 28 steps of 3.
  for (const auto& [active, solid, left, right] :
       {std::tuple<bool, VbBool, Rgb, Rgb>{true, kVbFalse, rgb(0, 0, 200), rgb(207, 207, 255)},
        {true, kVbTrue, rgb(0, 0, 200), rgb(0, 0, 200)},
        {false, kVbFalse, grey(100), grey(184)},
        {false, kVbTrue, grey(100), grey(100)}}) {
    SCOPED_TRACE(std::to_string(active) + " " + std::to_string(solid));
    msgdefs::shared().SolidColorHeading = solid;
    PaintHeading(s.box(), active);
    EXPECT_EQ(s.at(0, 0), left);
    EXPECT_EQ(s.at(84, 1), right);
  }
}

// W white, s silver, g grey, b black, f face.
const std::map<char, Rgb> kLegend = {{'W', rgb(255, 255, 255)},
                                     {'s', rgb(192, 192, 192)},
                                     {'g', rgb(128, 128, 128)},
                                     {'b', 0},
                                     {'f', kCloseBoxFace}};

TEST(CloseBox, RaisedAndPressedPictures) {
  EXPECT_TRUE(PixelsAre(CloseBoxUpPicture(),
                        {
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
                        },
                        kLegend));
  EXPECT_TRUE(PixelsAre(CloseBoxDownPicture(),
                        {
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
                        },
                        kLegend));
}

}  // namespace
}  // namespace quillon::window
