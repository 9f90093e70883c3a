// Rings, boxes and outlines held back and drawn at once give the pixels of the same shapes drawn
// one by one.
#include "forms/raster.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
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

// Outlines of four lines each; quads[k] holds the corners of outline k in drawing order.
using Quad = std::array<std::array<int, 2>, 4>;
struct Outlines {
  const char* name;
  int width, height, pen;
  std::vector<Quad> quads;
  bool filled;  // drawn from the insides rather than line by line
};

// The gradient's diamonds: corners at (1 -+ k / 255) of the centre, the way the painter has them.
std::vector<Quad> diamonds(int cx, int cy) {
  std::vector<Quad> q;
  for (int k = 0; k <= 255; ++k) {
    const auto at = [&](int c, double f) { return static_cast<int>(std::lround(f * c)); };
    const double a = 1 - k / 255.0, b = 1 + k / 255.0;
    q.push_back({{{at(cx, a), cy}, {cx, at(cy, a)}, {at(cx, b), cy}, {cx, at(cy, b)}}});
  }
  return q;
}

// Outline k is the centre plus k times a tilted quad around the origin: each lies inside the next.
std::vector<Quad> grown(int cx, int cy, int first, int last, Quad shape) {
  std::vector<Quad> q;
  for (int k = first; k <= last; ++k) {
    Quad o;
    for (int j = 0; j < 4; ++j) o[j] = {cx + k * shape[j][0], cy + k * shape[j][1]};
    q.push_back(o);
  }
  return q;
}

TEST(OutlineBatchTest, DrawsThePixelsOfEachLineInTurn) {
  const Quad tilted = {{{-2, -1}, {1, -2}, {2, 1}, {-1, 2}}};
  const Quad upright = {{{-2, 0}, {0, -2}, {2, 0}, {0, 2}}};
  const Quad triangle = {{{0, -2}, {2, 1}, {2, 1}, {-2, 1}}};  // two corners the same
  std::vector<Outlines> cases = {
      {"gradient diamonds", 60, 40, 12, diamonds(30, 20), true},
      {"flat diamonds, some a segment or a point", 60, 3, 4, diamonds(30, 1), true},
      {"tilted, the first one's inside left", 60, 40, 6, grown(28, 21, 5, 14, tilted), true},
      {"upright, alike above and below, the first one's inside left", 60, 40, 6,
       grown(30, 17, 4, 14, upright), true},
      {"partly off the surface", 60, 40, 6, grown(55, 3, 0, 30, tilted), true},
      {"triangles", 60, 40, 5, grown(30, 20, 2, 15, triangle), true},
      {"one outline", 60, 40, 12, grown(30, 20, 5, 5, tilted), false},
      {"shrinking", 60, 40, 6, grown(30, 20, 14, 5, tilted), false},
      {"corners further apart than half a pen", 60, 40, 4, grown(30, 20, 2, 9, tilted), false},
      {"crossed",
       60,
       40,
       6,
       {{{{10, 10}, {40, 30}, {40, 10}, {10, 30}}}, {{{9, 9}, {41, 31}, {41, 9}, {9, 31}}}},
       false},
  };
  std::mt19937 random(5);
  for (int round = 0; round < 30; ++round)  // diamonds of any size, a corner sometimes nudged
    cases.push_back(
        {"nudged diamonds", 60, 40, 2 + static_cast<int>(random() % 14),
         diamonds(static_cast<int>(random() % 80) - 10, static_cast<int>(random() % 60) - 10),
         true});
  for (std::size_t c = 0; c < cases.size(); ++c) {
    Outlines& o = cases[c];
    if (c >= cases.size() - 30 && c % 2 == 0) {
      o.quads[100][0][0] -= 20;  // a corner jumps by more than half a pen: line by line
      o.filled = false;
    }
    std::vector<std::uint32_t> one(static_cast<std::size_t>(o.width * o.height));
    for (std::size_t i = 0; i < one.size(); ++i)
      one[i] = static_cast<std::uint32_t>(i * 2654435761u);
    std::vector<std::uint32_t> batch(one);
    const PixelBuffer a{one.data(), o.width, o.height, o.width};
    const PixelBuffer b{batch.data(), o.width, o.height, o.width};
    OutlineBatch outlines;
    for (const Quad& q : o.quads) {
      const std::uint32_t colour = random() & 0xFFFFFF;
      for (int j = 0; j < 4; ++j) {
        const auto [x0, y0] = q[j];
        const auto [x1, y1] = q[(j + 1) % 4];
        raster_line(a, x0, y0, x1, y1, o.pen, colour);
        ASSERT_TRUE(outlines.add(x0, y0, x1, y1, o.pen, colour)) << o.name;
      }
    }
    EXPECT_EQ(outlines.flush(b), o.filled) << o.name << " " << c;
    EXPECT_TRUE(outlines.empty());
    EXPECT_EQ(one, batch) << o.name << " " << c;
  }
}

TEST(OutlineBatchTest, TakesOnlyClosedOutlinesOfOnePen) {
  OutlineBatch outlines;
  EXPECT_FALSE(outlines.add(0, 0, 9, 0, 1, 0));  // a one-pixel pen is Bresenham's line
  EXPECT_FALSE(outlines.add(0, 0, 9, (1 << 16) + 1, 4, 0));
  ASSERT_TRUE(outlines.add(0, 0, 9, 0, 4, 0));
  EXPECT_FALSE(outlines.add(8, 0, 9, 9, 4, 0));  // not from the last end
  EXPECT_FALSE(outlines.add(9, 0, 9, 9, 4, 1));  // another colour within an outline
  EXPECT_FALSE(outlines.add(9, 0, 9, 9, 5, 0));  // another pen
  ASSERT_TRUE(outlines.add(9, 0, 9, 9, 4, 0));
  ASSERT_TRUE(outlines.add(9, 9, 0, 9, 4, 0));
  EXPECT_FALSE(outlines.add(0, 9, 0, 1, 4, 0));  // the fourth line must close the outline
  ASSERT_TRUE(outlines.add(0, 9, 0, 0, 4, 0));
  EXPECT_TRUE(outlines.add(50, 50, 60, 60, 4, 7));  // a new outline starts anywhere
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
using BatchOnCanvasTest = quillon::testing::OnHeadless;

TEST_F(BatchOnCanvasTest, KeepsItsPlaceAmongOtherDrawing) {
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
  for (int k : {6, 8}) {  // diamonds, held back as outlines until the first circle
    const Single x[] = {30.0f - k, 30, 30.0f + k, 30}, y[] = {20, 20.0f - k, 20, 20.0f + k};
    p.Line(x[0], y[0], x[1], y[1], rgb(0, k, 0));
    for (int j = 1; j <= 4; ++j) p.LineTo(x[j % 4], y[j % 4], rgb(0, k, 0));
    for (int j = 0; j < 4; ++j)
      raster_line(ref, static_cast<int>(x[j]), static_cast<int>(y[j]),
                  static_cast<int>(x[(j + 1) % 4]), static_cast<int>(y[(j + 1) % 4]), 6,
                  rgb(0, k, 0));
  }
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
