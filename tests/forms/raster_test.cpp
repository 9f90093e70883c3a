// Rings and boxes held back and drawn at once give the pixels of the same shapes drawn one by one.
#include "forms/raster.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "support/surface.h"

namespace quillon::forms {
namespace {

struct Rings {
  const char* name;
  int cx, cy, pen;
  std::vector<int> radii;  // nondecreasing
};

TEST(RingBatchTest, DrawsThePixelsOfEachCircleInTurn) {
  const std::vector<Rings> cases = {
      {"gradient rings, centre", 30, 20, 12, {}},
      {"corner, repeated radii", 0, 0, 12, {0, 0, 1, 1, 1, 5, 5, 6, 30, 30, 31, 70}},
      {"centre far outside", -40, 90, 3, {10, 39, 40, 41, 60, 100, 140}},
      {"thin pen, discs to rings", 59, 39, 2, {0, 1, 2, 3, 4, 10, 11, 50}},
      {"pen wider than the surface", 20, 10, 200, {0, 50, 99, 100, 101, 300}},
      {"huge radii and pen", 30, 20, 1 << 29, {1 << 29, 1 << 30, 1 << 30}},
      {"centre far above, rings crossing", 30, -(1 << 29), 12, {(1 << 29) + 5, (1 << 29) + 30}},
      {"centre far below, rings crossing", 30, 1 << 29, 12, {(1 << 29) - 20, (1 << 29) + 1}},
  };
  std::mt19937 random(7);
  for (Rings c : cases) {
    if (c.radii.empty())
      for (int k = 0; k <= 255; ++k) c.radii.push_back(k * 60 / 256);
    // A picture under the rings: pixels they leave alone must stay as they are.
    std::vector<std::uint32_t> one(60 * 40);
    for (std::size_t i = 0; i < one.size(); ++i)
      one[i] = static_cast<std::uint32_t>(i * 2654435761u);
    std::vector<std::uint32_t> batch(one);
    const PixelBuffer a{one.data(), 60, 40, 60}, b{batch.data(), 60, 40, 60};
    RingBatch rings;
    for (int r : c.radii) {
      const std::uint32_t colour = random() & 0xFFFFFF;
      raster_circle(a, c.cx, c.cy, r, c.pen, colour);
      ASSERT_TRUE(rings.add(c.cx, c.cy, r, c.pen, colour)) << c.name;
    }
    rings.flush(b);
    EXPECT_TRUE(rings.empty());
    EXPECT_EQ(one, batch) << c.name;
  }
}

// Bands side by side and one above the other, overlapping boxes and boxes partly or wholly off the
// surface, on a surface with a picture on it or on one of one colour.
TEST(BoxBatchTest, DrawsThePixelsOfEachBoxInTurn) {
  std::mt19937 random(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int round = 0; round < 40; ++round) {
    const bool background = round % 2 == 1;
    std::vector<std::uint32_t> one(60 * 40), batch(60 * 40);
    for (std::size_t i = 0; i < one.size(); ++i) one[i] = batch[i] = static_cast<std::uint32_t>(i);
    const PixelBuffer a{one.data(), 60, 40, 60}, b{batch.data(), 60, 40, 60};
    if (background) fill_span_rect(a, 0, 0, 60, 40, 0xBACC);
    BoxBatch boxes;
    const int n = pick(1, 90);
    for (int k = 0; k < n; ++k) {
      int x0 = pick(-10, 65), y0 = pick(-10, 45), x1 = x0 + pick(-2, 40), y1 = y0 + pick(-2, 30);
      if (round % 4 == 0) y0 = 0, y1 = 40, x0 = k * 60 / n, x1 = (k + 1) * 60 / n;  // columns
      const std::uint32_t colour = random() & 0xFFFFFF;
      fill_span_rect(a, x0, y0, x1, y1, colour);
      ASSERT_TRUE(boxes.add(x0, y0, x1, y1, colour));
    }
    if (background)
      boxes.flush(b, 0xBACC);
    else
      boxes.flush(b);
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(one, batch) << "round " << round;
  }
}

TEST(RingBatchTest, TakesOnlyGrowingRingsOfOneCentreAndPen) {
  RingBatch rings;
  EXPECT_FALSE(rings.add(5, 5, 3, 1, 0));  // a one-pixel pen is the midpoint circle
  EXPECT_FALSE(rings.add(5, 5, -1, 4, 0));
  ASSERT_TRUE(rings.add(5, 5, 3, 4, 0));
  EXPECT_FALSE(rings.add(5, 5, 2, 4, 0));
  EXPECT_FALSE(rings.add(6, 5, 4, 4, 0));
  EXPECT_FALSE(rings.add(5, 5, 4, 5, 0));
  EXPECT_TRUE(rings.add(5, 5, 4, 4, 0));
}

// What is held back is drawn before whatever comes after it, and a whole new background drops it:
// the picture box's pixels are those of each statement in turn.
using RingBatchOnCanvasTest = quillon::testing::OnHeadless;

TEST_F(RingBatchOnCanvasTest, KeepsItsPlaceAmongOtherDrawing) {
  quillon::testing::Surface s(60, 40);
  PictureBox& p = s.box();
  p.SetScaleMode(3);
  p.SetDrawWidth(6);
  std::vector<std::uint32_t> want(60 * 40, rgb(9, 9, 9));
  const PixelBuffer ref{want.data(), 60, 40, 60};
  p.Circle(10, 10, 50, rgb(1, 2, 3));  // dropped by the new background
  p.SetBackColor(rgb(9, 9, 9));
  p.FilledBox(8, 6, 20, 30, rgb(7, 7, 7));  // the first drawing on a surface of one colour
  fill_span_rect(ref, 6, 4, 24, 34, rgb(7, 7, 7));
  for (int r : {2, 8, 9, 20}) {
    p.Circle(30, 20, static_cast<Single>(r), rgb(r, 0, 0));
    raster_circle(ref, 30, 20, r, 6, rgb(r, 0, 0));
  }
  p.Line(0, 20, 59, 20, rgb(0, 255, 0));
  raster_line(ref, 0, 20, 59, 20, 6, rgb(0, 255, 0));
  p.Circle(30, 20, 25, rgb(0, 0, 255));
  raster_circle(ref, 30, 20, 25, 6, rgb(0, 0, 255));
  p.FilledBox(25, 15, 35, 25, rgb(5, 5, 5));  // over the rings held back
  fill_span_rect(ref, 23, 13, 39, 29, rgb(5, 5, 5));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(s.at(x, y), want[y * 60 + x]) << x << "," << y;
}

}  // namespace
}  // namespace quillon::forms
