// The headless canvas: a plain buffer of RGB pixels, drawn by the shared per-pixel shapes
// (raster.h) exactly as the Win32 canvas draws into its DIB.
#include <algorithm>

#include "forms/headless/internal.h"

namespace quillon::forms::headless {

RasterCanvas::RasterCanvas(int width, int height, Rgb fill) {
  reset(width, height, fill);
}

void RasterCanvas::reset(int width, int height, Rgb fill) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  // A surface beyond 32767 pixels a side or 64 Mpixels is not made (an empty one instead), as a
  // DIB section that cannot be created is on Windows.
  constexpr long long kMaxSide = 32767, kMaxPixels = 1LL << 26;
  if (width_ > kMaxSide || height_ > kMaxSide ||
      static_cast<long long>(width_) * height_ > kMaxPixels)
    width_ = height_ = 0;
  bits_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
}

PixelBuffer RasterCanvas::pixels() {
  return PixelBuffer{bits_.data(), width_, height_, width_};
}

void RasterCanvas::fill_rect(int x0, int y0, int x1, int y1, Rgb colour) {
  fill_span_rect(pixels(), x0, y0, x1, y1, colour);
}

void RasterCanvas::line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) {
  raster_line(pixels(), x0, y0, x1, y1, pen_width, colour);
}

void RasterCanvas::circle(int cx, int cy, int r, int pen_width, Rgb colour) {
  raster_circle(pixels(), cx, cy, r, pen_width, colour);
}

void RasterCanvas::set_pixel(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
        static_cast<std::size_t>(x)] = colour;
}

Rgb RasterCanvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x)];
}

void RasterCanvas::draw_icon(int x, int y, IconHandle icon) {
  const Bitmap* bmp = stock_icon_bitmap(icon);
  if (!bmp || x >= width_ || y >= height_) return;  // also keeps x + i and y + j in range
  for (int j = 0; j < bmp->height; ++j)
    for (int i = 0; i < bmp->width; ++i) {
      const Rgb c = bmp->at(i, j);
      if (c != kTransparent) set_pixel(x + i, y + j, c);
    }
}

}  // namespace quillon::forms::headless
