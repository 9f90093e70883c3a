// Both canvases paint exactly the pixels of a shape: this file runs in the native suite on the
// headless canvas and in the Wine suite on the DIB canvas, against one reference that decides
// each pixel on its own in integer arithmetic. Even and odd pens, 12 being the gradient
// painter's; a wide pen covers the pixels whose centres lie inside it, edges included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "forms/backend.h"

namespace quillon::forms {
namespace {

constexpr int kW = 64, kH = 48;
constexpr Rgb kInk = 0xFFFFFF;

enum class Kind { Box, Line, Circle };
struct Shape {
  Kind kind;
  int a, b, c, d;  // a box [a, c) x [b, d), a line (a, b)-(c, d), a circle around (a, b) radius c
};

bool inked(const Shape& s, int pen, long long x, long long y) {
  const long long w2 = static_cast<long long>(pen) * pen;
  if (s.kind == Kind::Box) return x >= s.a && x < s.c && y >= s.b && y < s.d;
  if (s.kind == Kind::Circle) {
    const long long dx = x - s.a, dy = y - s.b, r = s.c, d2 = dx * dx + dy * dy;
    if (r < 0) return false;
    if (pen > 1)
      return (2 * r <= pen || (2 * r - pen) * (2 * r - pen) <= 4 * d2) &&
             4 * d2 <= (2 * r + pen) * (2 * r + pen);
    // The midpoint walk: for each b the largest a with a (a - 1) < r^2 - b^2, mirrored.
    const long long hi = std::max(std::llabs(dx), std::llabs(dy));
    const long long lo = std::min(std::llabs(dx), std::llabs(dy));
    return r == 0 ? hi == 0 : hi * (hi - 1) < r * r - lo * lo && r * r - lo * lo <= hi * (hi + 1);
  }
  // Within pen / 2 of an end or of the segment between them; a one-pixel pen on the path itself
  // (the table's one-pixel lines are level, upright or diagonal: Bresenham has no choice there).
  auto near_end = [&](long long ex, long long ey) {
    return 4 * ((x - ex) * (x - ex) + (y - ey) * (y - ey)) <= w2;
  };
  const long long dx = s.c - s.a, dy = s.d - s.b, px = x - s.a, py = y - s.b;
  const long long len2 = dx * dx + dy * dy, along = px * dx + py * dy, across = px * dy - py * dx;
  const bool between = len2 > 0 && along >= 0 && along <= len2;
  if (pen == 1) return (x == s.a && y == s.b) || (between && across == 0);
  return near_end(s.a, s.b) || near_end(s.c, s.d) || (between && 4 * across * across <= w2 * len2);
}

TEST(Canvases, PaintExactlyThePixelsOfEachShape) {
  const Shape shapes[] = {
      {Kind::Box, 2, 3, 5, 7},       {Kind::Box, -100, -100, 3, 2}, {Kind::Box, 9, 9, 2, 2},
      {Kind::Line, 5, 24, 58, 24},   {Kind::Line, 32, 3, 32, 44},   {Kind::Line, 40, 2, 0, 42},
      {Kind::Line, 30, 20, 30, 20},  {Kind::Line, 10, 10, 50, 40},  {Kind::Line, 0, 47, 63, 0},
      {Kind::Line, 20, 10, 23, 40},  {Kind::Line, -20, -5, 80, 60}, {Kind::Line, 12, 8, 48, 35},
      {Kind::Line, 29, -50, 31, 90}, {Kind::Line, 60, 46, 2, 40},   {Kind::Circle, 32, 24, 0, 0},
      {Kind::Circle, 32, 24, 1, 0},  {Kind::Circle, 32, 24, 6, 0},  {Kind::Circle, 32, 24, 7, 0},
      {Kind::Circle, 32, 24, 20, 0}, {Kind::Circle, 32, 24, 30, 0}, {Kind::Circle, 0, 0, 40, 0},
      {Kind::Circle, 70, 60, 50, 0}, {Kind::Circle, 32, 24, -3, 0},
  };
  for (const Shape& s : shapes)
    for (int pen : {1, 2, 3, 5, 12, 13}) {
      const bool through_centres =
          s.c == s.a || s.d == s.b || std::abs(s.c - s.a) == std::abs(s.d - s.b);
      if ((s.kind == Kind::Box && pen > 1) ||
          (s.kind == Kind::Line && pen == 1 && !through_centres))
        continue;
      auto canvas = backend().make_canvas(kW, kH, 0);
      if (s.kind == Kind::Box)
        canvas->fill_rect(s.a, s.b, s.c, s.d, kInk);
      else if (s.kind == Kind::Line)
        canvas->line(s.a, s.b, s.c, s.d, pen, kInk);
      else
        canvas->circle(s.a, s.b, s.c, pen, kInk);
      int wrong = 0, first_x = -1, first_y = -1;
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
          if ((canvas->pixel(x, y) == kInk) != inked(s, pen, x, y) && wrong++ == 0) {
            first_x = x;
            first_y = y;
          }
      EXPECT_EQ(wrong, 0) << "shape " << static_cast<int>(s.kind) << ": " << s.a << "," << s.b
                          << "," << s.c << "," << s.d << " pen " << pen << ", first at " << first_x
                          << "," << first_y;
    }
}

// Lines of any slope and length, in and out of the surface, with pens from 2 to 40.
TEST(Canvases, PaintExactlyThePixelsOfRandomThickLines) {
  std::mt19937 random(17);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int i = 0; i < 300; ++i) {
    Shape s{Kind::Line, pick(-30, 95), pick(-30, 80), pick(-30, 95), pick(-30, 80)};
    if (i % 6 == 0) s.c = s.a + pick(-2, 2);  // nearly upright
    if (i % 7 == 0) s.d = s.b + pick(-2, 2);  // nearly level
    const int pen = pick(2, 40);
    auto canvas = backend().make_canvas(kW, kH, 0);
    canvas->line(s.a, s.b, s.c, s.d, pen, kInk);
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) wrong += (canvas->pixel(x, y) == kInk) != inked(s, pen, x, y);
    ASSERT_EQ(wrong, 0) << s.a << "," << s.b << " to " << s.c << "," << s.d << " pen " << pen;
  }
}

TEST(Canvases, ShapesFromFarOutsideAreClipped) {
  auto canvas = backend().make_canvas(40, 30, 0);
  canvas->line(-2000000000, 15, 2000000000, 15, 3, kInk);
  canvas->line(-2000000000, 25, 2000000000, 25, 1, kInk);
  canvas->circle(20, 1000015, 1000000, 9, kInk);  // its top across rows 11 to 19
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(canvas->pixel(x, y) == kInk, (y >= 11 && y <= 19) || y == 25) << x << "," << y;
}

// A resize keeps the pixels that fit at the top left and fills the new area, whether the surface
// holds a drawing, is of one colour, or has rings not yet drawn.
TEST(Canvases, ResizeKeepsTheCornerAndFillsTheRest) {
  constexpr Rgb kOld = 0x102030, kFill = 0x405060;
  enum class Held { Drawing, OneColour, FillColour, Rings };
  struct Case {
    Held held;
    int w, h;
  };
  const Case cases[] = {{Held::Drawing, 30, 25},    {Held::Drawing, 12, 9},
                        {Held::Drawing, 30, 9},     {Held::OneColour, 30, 25},
                        {Held::FillColour, 30, 25}, {Held::Rings, 25, 20},
                        {Held::Drawing, 0, 0}};
  for (const Case& c : cases) {
    auto canvas = backend().make_canvas(20, 15, kOld);
    if (c.held == Held::Drawing) canvas->fill_rect(3, 2, 18, 14, kInk);
    if (c.held == Held::FillColour) canvas->reset(20, 15, kFill);
    if (c.held == Held::Rings)
      for (int r = 2; r < 6; ++r) canvas->circle(10, 7, r, 2, kInk);
    auto want = backend().make_canvas(20, 15, 0);  // what the old surface showed
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 20; ++x) want->fill_rect(x, y, x + 1, y + 1, canvas->pixel(x, y));
    canvas->resize(c.w, c.h, kFill);
    ASSERT_EQ(canvas->width(), c.w);
    ASSERT_EQ(canvas->height(), c.h);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x)
        ASSERT_EQ(canvas->pixel(x, y), x < 20 && y < 15 ? want->pixel(x, y) : kFill)
            << static_cast<int>(c.held) << " to " << c.w << "x" << c.h << " at " << x << "," << y;
  }
}

TEST(Canvases, EmptyAndNegativeSizesAreSafe) {
  auto canvas = backend().make_canvas(0, 0, kInk);
  EXPECT_EQ(canvas->width(), 0);
  canvas->fill_rect(0, 0, 10, 10, kInk);
  canvas->line(0, 0, 5, 5, 3, kInk);
  canvas->circle(2, 2, 3, 2, kInk);
  EXPECT_EQ(canvas->pixel(0, 0), 0u);
  canvas->reset(5, 4, kInk);
  EXPECT_EQ(canvas->pixel(4, 3), kInk);
  canvas->reset(-3, 7, kInk);
  EXPECT_EQ(canvas->width(), 0);
  EXPECT_EQ(canvas->pixel(-1, 99), 0u);
}

}  // namespace
}  // namespace quillon::forms
