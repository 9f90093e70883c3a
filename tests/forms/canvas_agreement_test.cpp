// The two backends draw the same shapes: the headless cairo canvas against the Win32 canvas's
// per-pixel rasteriser. Odd pens agree up to pixels whose centres lie exactly on an edge; with an
// even pen the Win32 rasteriser counts both edges in (a 12-pixel pen paints 13 rows), so even
// pens are left out here until the two agree on that rule.
#include <gtest/gtest.h>

#include "forms/headless/internal.h"
#include "forms/raster.h"

namespace quillon::forms {
namespace {

constexpr int kW = 400, kH = 200;

struct Compared {
  long differ = 0;
  long total = 0;
};

template <class Headless, class Win32>
Compared compare(Headless&& draw_headless, Win32&& draw_win32) {
  headless::CairoCanvas a(kW, kH, 0);
  std::vector<std::uint32_t> bits(static_cast<std::size_t>(kW * kH), 0);
  PixelBuffer b{bits.data(), kW, kH, kW};
  draw_headless(a);
  draw_win32(b);
  Compared c;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const bool on_a = a.pixel(x, y) != 0, on_b = bits[static_cast<std::size_t>(y * kW + x)] != 0;
      c.total += on_a || on_b;
      c.differ += on_a != on_b;
    }
  return c;
}

TEST(CanvasAgreement, ThickCirclesMatchTheWin32Rasteriser) {
  for (int pen : {3, 5, 13}) {
    for (int r : {0, 1, 5, 6, 7, 30, 64, 127, 200, 255}) {
      const Compared c =
          compare([&](headless::CairoCanvas& cv) { cv.circle(200, 100, r, pen, 0xFFFFFF); },
                  [&](const PixelBuffer& b) { raster_circle(b, 200, 100, r, pen, 1); });
      // Pixels whose centres lie exactly on the ring's edge may go either way.
      EXPECT_LE(c.differ, std::max<long>(8, c.total / 50)) << "pen " << pen << " r " << r;
    }
  }
}

TEST(CanvasAgreement, ThickLinesAndOnePixelShapesMatch) {
  const int ends[][4] = {{10, 10, 390, 190},
                         {50, 100, 350, 100},
                         {200, 10, 200, 190},
                         {0, 199, 399, 0},
                         {100, 50, 103, 170}};
  for (const auto& e : ends) {
    for (int pen : {1, 5, 13}) {
      const Compared c = compare(
          [&](headless::CairoCanvas& cv) { cv.line(e[0], e[1], e[2], e[3], pen, 0xFFFFFF); },
          [&](const PixelBuffer& b) { raster_line(b, e[0], e[1], e[2], e[3], pen, 1); });
      if (pen == 1)
        EXPECT_EQ(c.differ, 0) << e[0] << "," << e[1];
      else
        EXPECT_LE(c.differ, std::max<long>(8, c.total / 50))
            << e[0] << "," << e[1] << " pen " << pen;
    }
  }
  for (int r : {0, 3, 50, 150}) {
    const Compared c =
        compare([&](headless::CairoCanvas& cv) { cv.circle(200, 100, r, 1, 0xFFFFFF); },
                [&](const PixelBuffer& b) { raster_circle(b, 200, 100, r, 1, 1); });
    EXPECT_EQ(c.differ, 0) << r;
  }
}

}  // namespace
}  // namespace quillon::forms
