// PaintGradient on a 256 x 256 pixel surface (one grid unit per pixel) and its text routines.
#include <gtest/gtest.h>

#include <cmath>

#include "msgdefs/msgdefs.h"
#include "support/surface.h"

namespace quillon::msgdefs {
namespace {

using forms::OleColor;
using forms::rgb;
using forms::Rgb;
using quillon::testing::Surface;

constexpr Rgb kBase = rgb(100, 200, 50);

using GradientTest = quillon::testing::OnHeadless;

// The step colour with colour index i.
Rgb step(int i, Rgb base = kBase) {
  return rgb(std::min(i, forms::red_of(base)), std::min(i, forms::green_of(base)),
             std::min(i, forms::blue_of(base)));
}

// A pixel d pixels from the circles' centre: the 12-pixel pen covers it from circle d - 6 to
// d + 6 (edges included), so the last circle over it is k = floor(d) + 6, at most 255; beyond the
// reach of circle 255 the background shows.
Rgb under_circles(double d, bool fade_in) {
  if (d > 255 + 6) return fade_in ? kBase : 0;
  const int k = std::min(255, static_cast<int>(d) + 6);
  return step(fade_in ? k : 255 - k);
}

struct CodeCase {
  std::int16_t code;
  int cx, cy;  // centre of the shapes in pixels
};
const CodeCase kCodes[] = {{5, 128, 128}, {6, 128, 128}, {7, 128, 128},  {8, 128, 128},
                           {9, 0, 0},     {10, 0, 0},    {11, 256, 0},   {12, 256, 0},
                           {13, 0, 256},  {14, 0, 256},  {15, 256, 256}, {16, 256, 256}};

TEST_F(GradientTest, EveryCodeShadesFromItsCentreAndLeavesTheRestInTheBackground) {
  for (const CodeCase& c : kCodes) {
    SCOPED_TRACE(c.code);
    Surface s(256, 256);
    OleColor colour = kBase;
    PaintGradient(s.box(), colour, c.code);
    const bool fade_in = c.code % 2 == 1;
    // The pixel nearest the centre and the four corners of the surface. Diamonds: the last one
    // over the centre is k = 16 (its sides 8 / sqrt(2) pixels away), none reaches a corner.
    const int nx = std::min(c.cx, 255), ny = std::min(c.cy, 255);
    for (auto [x, y] : {std::pair{nx, ny}, {0, 0}, {255, 0}, {0, 255}, {255, 255}}) {
      Rgb expected = under_circles(std::hypot(x - c.cx, y - c.cy), fade_in);
      if (c.code <= 6)
        expected = x == nx && y == ny ? step(fade_in ? 16 : 255 - 16) : (fade_in ? kBase : 0);
      EXPECT_EQ(s.at(x, y), expected) << x << "," << y;
    }
    EXPECT_TRUE(s.box().AutoRedraw());
    EXPECT_EQ(s.box().DrawMode(), 13);
    EXPECT_EQ(s.box().BackColor(), fade_in ? kBase : 0u);
  }
}

TEST_F(GradientTest, ComponentsStopRisingAtTheirBaseValues) {
  Surface s(256, 256);
  OleColor colour = kBase;
  PaintGradient(s.box(), colour, 9);  // circles around the top-left corner
  for (int x = 0; x < 256; ++x) EXPECT_EQ(s.at(x, 0), under_circles(x, true)) << x;
  EXPECT_EQ(s.at(60, 0), rgb(66, 66, 50));     // blue stopped at step 50
  EXPECT_EQ(s.at(120, 0), rgb(100, 126, 50));  // red stopped at step 100
  EXPECT_EQ(s.at(220, 0), kBase);              // green at 200: the base colour from then on
}

TEST_F(GradientTest, PureRedDiamondFallsByOneStepPerDiamond) {
  Surface s(256, 256);
  OleColor colour = rgb(255, 0, 0);
  PaintGradient(s.box(), colour, 6);
  // 64 pixels right of the centre the last diamond is k = 144: its corner 72 pixels out, its
  // side 8 / sqrt(2) from the pixel.
  EXPECT_EQ(s.at(128 + 64, 128), rgb(255 - 144, 0, 0));
}

// On small surfaces many diamonds share their pixel corners with the next one, which paints over
// them whole; the painter leaves those out. The pixels are those of every diamond drawn in turn.
TEST_F(GradientTest, DiamondsLeftOutChangeNoPixel) {
  for (auto [w, h] : {std::pair{322, 96}, {97, 31}, {40, 300}, {3, 2}})
    for (const std::int16_t code : {5, 6}) {
      Surface painted(w, h), every(w, h);
      OleColor colour = kBase;
      PaintGradient(painted.box(), colour, code);
      forms::PictureBox& p = every.box();
      p.SetAutoRedraw(true);
      p.SetDrawWidth(12);
      p.SetScaleWidth(256);
      p.SetScaleHeight(256);
      p.SetBackColor(code == 5 ? kBase : 0);
      p.Cls();
      for (int k = 0; k <= 255; ++k) {
        const float f = static_cast<float>(k) / 255.0f;
        const forms::Single a = (1.0f - f) * 128, b = (1.0f + f) * 128;
        const Rgb c = step(code == 5 ? k : 255 - k);
        p.Line(a, 128, 128, a, c);
        p.LineTo(b, 128, c);
        p.LineTo(128, b, c);
        p.LineTo(a, 128, c);
      }
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(painted.at(x, y), every.at(x, y))
              << w << "x" << h << " code " << code << " at " << x << "," << y;
    }
}

TEST_F(GradientTest, ScaleAndPenWidthAreRestored) {
  Surface s(40, 20);
  forms::PictureBox& p = s.box();
  p.SetDrawWidth(3);
  OleColor colour = kBase;
  PaintGradient(p, colour, 7);
  EXPECT_EQ(p.ScaleMode(), 1);
  EXPECT_EQ(p.ScaleWidth(), 600);
  EXPECT_EQ(p.ScaleHeight(), 300);
  EXPECT_EQ(p.DrawWidth(), 3);
  p.SetScaleMode(3);
  PaintGradient(p, colour, 8);
  EXPECT_EQ(p.ScaleMode(), 3);
  EXPECT_EQ(p.ScaleWidth(), 40);
  p.SetScaleWidth(1000);
  p.SetScaleHeight(500);
  PaintGradient(p, colour, 5);
  EXPECT_EQ(p.ScaleMode(), 0);
  EXPECT_EQ(p.ScaleWidth(), 1000);
  EXPECT_EQ(p.ScaleHeight(), 500);
}

TEST_F(GradientTest, SystemColourIsResolvedAndWrittenBack) {
  hb.set_sys_color(15, rgb(10, 20, 30));
  Surface s(256, 256);
  OleColor colour = 0x8000000F;
  PaintGradient(s.box(), colour, 9);
  EXPECT_EQ(colour, rgb(10, 20, 30));
  EXPECT_EQ(s.at(255, 255), rgb(10, 20, 30));
}

TEST_F(GradientTest, MinusOneLeavesTheSurfaceExactlyAsItWas) {
  Surface s(8, 8);
  s.box().SetBackColor(rgb(1, 2, 3));
  OleColor colour = kColourMinusOne;
  PaintGradient(s.box(), colour, 7);
  EXPECT_EQ(colour, kColourMinusOne);
  EXPECT_FALSE(s.box().AutoRedraw());
  EXPECT_EQ(s.box().ScaleMode(), 1);
  EXPECT_EQ(s.at(4, 4), rgb(1, 2, 3));
}

TEST_F(GradientTest, AFailureBeforeTheBackgroundChangeEndsThePainterSilently) {
  Surface s(8, 8);
  forms::PictureBox& p = s.box();
  p.SetBackColor(rgb(1, 2, 3));
  p.SetScaleHeight(1e20f);  // does not fit a Long when the painter saves it
  OleColor colour = kBase;
  EXPECT_NO_THROW(PaintGradient(p, colour, 7));
  EXPECT_EQ(s.at(4, 4), rgb(1, 2, 3));  // nothing drawn
  EXPECT_EQ(p.DrawWidth(), 1);
  EXPECT_TRUE(p.AutoRedraw());  // set before the failure
}

struct TextCase {
  std::wstring in;
  std::wstring out;
  std::wstring rewritten;  // the caller's text afterwards
};

TEST(ColorText, ColorToRGBText) {
  const TextCase cases[] = {
      {L"16711680", L"000000255", L"FF0000"},  // pure blue
      {L"0", L"000000000", L"0"},
      {L"255", L"255000000", L"FF"},
      {L"&H80FF", L"255128000", L"&H80FF"},
      {L"&hff00", L"000255000", L"&hff00"},
      {L"5", L"005000000", L"5"},                  // one character: left as it is
      {L"2147483647", L"255255255", L"7FFFFFFF"},  // top byte ignored
      {L"33488896", L"000000255", L"1FF0000"},
      {L"", L"000000000", L""},
      {L"&HXYZ", L"", L"&HXYZ"},
      {L"1.5", L"", L""},  // a fraction has no hexadecimal digits
      {L"-5", L"", L""},   // nor a negative number
  };
  for (const auto& c : cases) {
    std::wstring text = c.in;
    EXPECT_EQ(ColorToRGBText(text), c.out) << std::string(c.in.begin(), c.in.end());
    EXPECT_EQ(text, c.rewritten) << std::string(c.in.begin(), c.in.end());
  }
}

TEST(ColorText, DecToHex) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"0", L"0"},  {L"255", L"FF"},  {L"4294967295", L"FFFFFFFF"},
      {L"-1", L""},  {L"abc", L""},    {L"", L""},
      {L"2.5", L""}, {L" 42 ", L"2A"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(DecToHex(in), out) << std::string(in.begin(), in.end());
}

}  // namespace
}  // namespace quillon::msgdefs
