// Both canvases paint exactly the pixels of a shape: this file runs in the native suite on the
// headless canvas and in the Wine suite on the DIB canvas, against one reference that decides
// each pixel on its own in integer arithmetic. Even and odd pens, 12 being the gradient
// painter's; a wide pen covers the pixels whose centres lie inside it, edges included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "forms/backend.h"

namespace quillon::forms {
namespace {

constexpr int kW = 64, kH = 48;

struct Shape {
  bool circle;
  int a, b, c, d;  // a line from (a, b) to (c, d), or a circle around (a, b) of radius c
};

bool inked(const Shape& s, int pen, long long x, long long y) {
  const long long w2 = static_cast<long long>(pen) * pen;
  if (s.circle) {
    const long long dx = x - s.a, dy = y - s.b, r = s.c, d2 = dx * dx + dy * dy;
    if (pen > 1)
      return (2 * r <= pen || (2 * r - pen) * (2 * r - pen) <= 4 * d2) &&
             4 * d2 <= (2 * r + pen) * (2 * r + pen);
    // The midpoint walk: for each b the largest a with a (a - 1) < r^2 - b^2, mirrored.
    const long long hi = std::max(std::llabs(dx), std::llabs(dy));
    const long long lo = std::min(std::llabs(dx), std::llabs(dy));
    return r == 0 ? hi == 0 : hi * (hi - 1) < r * r - lo * lo && r * r - lo * lo <= hi * (hi + 1);
  }
  // Within pen / 2 of an end or of the segment between them.
  auto near_end = [&](long long ex, long long ey) {
    return 4 * ((x - ex) * (x - ex) + (y - ey) * (y - ey)) <= w2;
  };
  const long long dx = s.c - s.a, dy = s.d - s.b, px = x - s.a, py = y - s.b;
  const long long len2 = dx * dx + dy * dy, along = px * dx + py * dy, across = px * dy - py * dx;
  return near_end(s.a, s.b) || near_end(s.c, s.d) ||
         (len2 > 0 && along >= 0 && along <= len2 && 4 * across * across <= w2 * len2);
}

TEST(CanvasAgreement, ShapesPaintExactlyThePixelsOfTheirPen) {
  const Shape shapes[] = {
      {false, 10, 10, 50, 40},  {false, 5, 24, 58, 24},  {false, 32, 3, 32, 44},
      {false, 0, 47, 63, 0},    {false, 20, 10, 23, 40}, {false, 30, 20, 30, 20},
      {false, -20, -5, 80, 60}, {true, 32, 24, 0, 0},    {true, 32, 24, 1, 0},
      {true, 32, 24, 6, 0},     {true, 32, 24, 7, 0},    {true, 32, 24, 20, 0},
      {true, 32, 24, 30, 0},    {true, 0, 0, 40, 0},     {true, 70, 60, 50, 0},
  };
  for (const Shape& s : shapes)
    for (int pen : {1, 2, 3, 5, 12, 13}) {
      if (pen == 1 && !s.circle) continue;  // one-pixel lines: Bresenham, pinned elsewhere
      auto canvas = backend().make_canvas(kW, kH, 0);
      if (s.circle)
        canvas->circle(s.a, s.b, s.c, pen, 0xFFFFFF);
      else
        canvas->line(s.a, s.b, s.c, s.d, pen, 0xFFFFFF);
      int wrong = 0, first_x = -1, first_y = -1;
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
          if ((canvas->pixel(x, y) != 0) != inked(s, pen, x, y) && wrong++ == 0) {
            first_x = x;
            first_y = y;
          }
      EXPECT_EQ(wrong, 0) << (s.circle ? "circle " : "line ") << s.a << "," << s.b << "," << s.c
                          << "," << s.d << " pen " << pen << ", first at " << first_x << ","
                          << first_y;
    }
}

}  // namespace
}  // namespace quillon::forms
