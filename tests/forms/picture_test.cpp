// The picture box's drawing semantics, pinned pixel by pixel on small surfaces.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "support/surface.h"

namespace quillon::forms {
namespace {

using quillon::testing::PixelsAre;
using quillon::testing::Surface;

constexpr Rgb kRed = rgb(255, 0, 0);
constexpr Rgb kWhite = rgb(255, 255, 255);
const std::map<char, Rgb> kLegend = {{'.', kWhite}, {'#', kRed}, {'b', 0}};

using PictureTest = quillon::testing::OnHeadless;

TEST_F(PictureTest, FilledBoxCoversBothCornersAndLinesBothEnds) {
  Surface s(8, 6);
  PictureBox& p = s.box();
  p.SetBackColor(kWhite);
  p.SetScaleMode(3);
  p.FilledBox(5, 4, 2, 1, kRed);  // corners in any order
  p.Line(0, 0, 3, 0, 0);
  EXPECT_EQ(p.CurrentX(), 3);
  p.LineTo(3, 0, 0);  // a point
  p.Line(7, 5, 7, 5, 0);
  EXPECT_TRUE(PixelsAre(p.image(),
                        {"bbbb....",  //
                         "..####..",  //
                         "..####..",  //
                         "..####..",  //
                         "..####..",  //
                         ".......b"},
                        kLegend));
}

TEST_F(PictureTest, TwipsScaleMapsToNearestPixelHalvesToEven) {
  Surface s(8, 2);
  PictureBox& p = s.box();
  p.SetBackColor(kWhite);
  EXPECT_EQ(p.ScaleMode(), 1);
  EXPECT_EQ(p.ScaleWidth(), 120);
  EXPECT_EQ(p.to_px_x(7.5f), 0);   // 0.5 px -> 0
  EXPECT_EQ(p.to_px_x(22.5f), 2);  // 1.5 px -> 2
  EXPECT_EQ(p.to_px_x(37.5f), 2);  // 2.5 px -> 2
  EXPECT_EQ(p.to_px_x(105), 7);
  p.FilledBox(15, 0, 44, 15, kRed);  // pixels 1..3 (44 twips = 2.93 px)
  EXPECT_TRUE(PixelsAre(p.image(), {".###....", ".###...."}, kLegend));
}

TEST_F(PictureTest, UserScaleStretchesOverTheInnerAreaFromTheTopLeft) {
  Surface s(20, 10);
  PictureBox& p = s.box();
  p.SetBackColor(kWhite);
  p.SetScaleWidth(4);
  EXPECT_EQ(p.ScaleMode(), 0);
  EXPECT_EQ(p.ScaleHeight(), 150);  // the height keeps its twips until it is set too
  p.SetScaleHeight(2);
  EXPECT_EQ(p.ScaleWidth(), 4);
  EXPECT_EQ(p.ScaleLeft(), 0);
  EXPECT_EQ(p.to_px_x(1), 5);
  EXPECT_EQ(p.to_px_x(4), 20);
  EXPECT_EQ(p.to_px_y(1), 5);
  p.FilledBox(1, 1, 1, 1, kRed);
  EXPECT_EQ(p.image().pixel(5, 5), kRed);
  EXPECT_EQ(p.image().pixel(4, 5), kWhite);
  EXPECT_EQ(p.image().pixel(6, 5), kWhite);
  // ScaleMode 1 and 3 bring back their unit with the origin at 0.
  p.SetScaleMode(3);
  EXPECT_EQ(p.ScaleWidth(), 20);
  EXPECT_EQ(p.ScaleHeight(), 10);
  p.SetScaleMode(1);
  EXPECT_EQ(p.ScaleWidth(), 300);
  EXPECT_EQ(p.ScaleHeight(), 150);
  // ScaleMode 0 keeps the present scale as a user scale.
  p.SetScaleMode(0);
  EXPECT_EQ(p.ScaleWidth(), 300);
  // The user scale follows a resize of the box.
  p.SetScaleWidth(10);
  p.SetWidth(600);
  EXPECT_EQ(p.ScaleWidth(), 10);
  EXPECT_EQ(p.to_px_x(5), 20);
}

TEST_F(PictureTest, CircleIsRoundWithItsRadiusInHorizontalUnits) {
  Surface s(41, 21);
  PictureBox& p = s.box();
  p.SetBackColor(kWhite);
  p.SetScaleWidth(4.1f);    // 10 px per x unit
  p.SetScaleHeight(4.2f);   // 5 px per y unit
  p.Circle(2, 2, 1, kRed);  // centre (20, 10), radius 10 px
  EXPECT_EQ(p.CurrentX(), 2);
  EXPECT_EQ(p.image().pixel(30, 10), kRed);
  EXPECT_EQ(p.image().pixel(10, 10), kRed);
  EXPECT_EQ(p.image().pixel(20, 0), kRed);
  EXPECT_EQ(p.image().pixel(20, 20), kRed);
  EXPECT_EQ(p.image().pixel(20, 5), kWhite);
  EXPECT_EQ(p.image().pixel(20, 10), kWhite);
}

TEST_F(PictureTest, BackColorErasesThePersistentImageAndClsResetsThePoint) {
  Surface s(4, 2);
  PictureBox& p = s.box();
  p.SetAutoRedraw(true);
  p.SetScaleMode(3);
  p.FilledBox(0, 0, 3, 1, kRed);
  p.Line(0, 0, 2, 1, 0);
  EXPECT_EQ(p.CurrentX(), 2);
  p.SetBackColor(kWhite);
  EXPECT_TRUE(PixelsAre(p.image(), {"....", "...."}, kLegend));
  p.FilledBox(0, 0, 0, 0, kRed);
  p.Cls();
  EXPECT_EQ(p.CurrentX(), 0);
  EXPECT_EQ(p.CurrentY(), 0);
  EXPECT_TRUE(PixelsAre(p.image(), {"....", "...."}, kLegend));
}

TEST_F(PictureTest, RepaintErasesAndRaisesPaintOnlyWithoutAutoRedraw) {
  Surface s(3, 1);
  PictureBox& p = s.box();
  int paints = 0;
  p.Paint = [&] {
    ++paints;
    p.FilledBox(0, 0, 0, 0, kRed);  // what a Paint handler draws shows after the erase
  };
  p.SetBackColor(kWhite);
  p.SetScaleMode(3);
  p.FilledBox(2, 0, 2, 0, kRed);
  p.paint();
  EXPECT_EQ(paints, 1);
  EXPECT_TRUE(PixelsAre(p.image(), {"#.."}, kLegend));
  p.SetAutoRedraw(true);
  p.FilledBox(2, 0, 2, 0, kRed);
  p.paint();
  EXPECT_EQ(paints, 1);
  EXPECT_TRUE(PixelsAre(p.image(), {"#.#"}, kLegend));
}

TEST_F(PictureTest, ThePersistentImageKeepsItsDrawingWhenTheBoxGrows) {
  Surface s(2, 1);
  PictureBox& p = s.box();
  p.SetBackColor(kWhite);
  p.SetAutoRedraw(true);
  p.SetScaleMode(3);
  p.FilledBox(0, 0, 0, 0, kRed);
  p.SetWidth(60);
  p.SetHeight(30);
  EXPECT_TRUE(PixelsAre(p.image(), {"#...", "...."}, kLegend));
}

TEST_F(PictureTest, InvalidPropertyValuesFailWithError380) {
  Surface s(2, 2);
  PictureBox& p = s.box();
  auto fails380 = [](auto f) {
    try {
      f();
    } catch (const Error& e) {
      return e.number() == 380;
    }
    return false;
  };
  for (const auto& bad : std::vector<std::function<void()>>{
           [&] { p.SetDrawWidth(0); }, [&] { p.SetDrawMode(0); }, [&] { p.SetDrawMode(17); },
           [&] { p.SetScaleMode(8); }, [&] { p.SetScaleWidth(0); }, [&] { p.SetScaleHeight(0); }})
    EXPECT_TRUE(fails380(bad));
  EXPECT_EQ(p.DrawWidth(), 1);
  EXPECT_EQ(p.ScaleMode(), 1);
  // A size is a finite value of 0 or more.
  for (Single bad :
       {-1.0f, std::numeric_limits<Single>::quiet_NaN(), std::numeric_limits<Single>::infinity(),
        -std::numeric_limits<Single>::infinity()}) {
    EXPECT_TRUE(fails380([&] { p.SetWidth(bad); })) << bad;
    EXPECT_TRUE(fails380([&] { p.SetHeight(bad); })) << bad;
    EXPECT_TRUE(fails380([&] { s.SetWidth(bad); })) << bad;
  }
  EXPECT_EQ(p.Width(), 30);
  EXPECT_EQ(p.pixel_width(), 2);
}

TEST_F(PictureTest, IconsDrawAtPixelCoordinatesAtTheirOwnSize) {
  Surface s(40, 40);
  PictureBox& p = s.box();
  p.SetBackColor(kWhite);
  const IconHandle stop = hb.platform().load_stock_icon(32513);
  p.DrawIcon(4, 4, stop);
  EXPECT_EQ(p.image().pixel(4, 4), kWhite);           // transparent corner
  EXPECT_NE(p.image().pixel(4 + 16, 4 + 3), kWhite);  // inside the disc
  EXPECT_EQ(p.image().pixel(37, 20), kWhite);         // beyond 32 px
  p.DrawIcon(0, 0, 0);                                // no icon: nothing
  EXPECT_EQ(p.image().pixel(0, 0), kWhite);
}

}  // namespace
}  // namespace quillon::forms
