// The Win32 canvas: a 32-bit DIB section. Boxes, thick lines and circles are written straight
// into its pixels (raster.cpp); icons go through DrawIconEx on the DIB's own DC.
#include <algorithm>

#include "forms/win32/internal.h"

namespace quillon::forms::win32 {

DibCanvas::DibCanvas(int width, int height, Rgb fill) {
  reset(width, height, fill);
}

void DibCanvas::create(int width, int height) {
  selected_.reset();
  bitmap_.reset();
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  bits_ = nullptr;
  if (!dc_) dc_.reset(::CreateCompatibleDC(nullptr));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = std::max(1, width_);  // a zero-sized DIB cannot be created
  bi.bmiHeader.biHeight = -std::max(1, height_);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_) {
    width_ = height_ = 0;
    return;
  }
  bits_ = static_cast<std::uint32_t*>(bits);
  selected_.emplace(dc_.get(), bitmap_.get());
}

void DibCanvas::reset(int width, int height, Rgb fill) {
  ensure_size(width, height);
  fill_rect(0, 0, width_, height_, fill);
}

void DibCanvas::ensure_size(int width, int height) {
  if (bitmap_ && width == width_ && height == height_) return;
  create(width, height);
}

PixelBuffer DibCanvas::pixels() const {
  flush();
  return PixelBuffer{bits_, bits_ ? width_ : 0, bits_ ? height_ : 0, width_};
}

void DibCanvas::fill_rect(int x0, int y0, int x1, int y1, Rgb colour) {
  fill_span_rect(pixels(), x0, y0, x1, y1, to_dib(colour));
}

void DibCanvas::line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) {
  raster_line(pixels(), x0, y0, x1, y1, pen_width, to_dib(colour));
}

void DibCanvas::circle(int cx, int cy, int r, int pen_width, Rgb colour) {
  raster_circle(pixels(), cx, cy, r, pen_width, to_dib(colour));
}

void DibCanvas::draw_icon(int x, int y, IconHandle icon) {
  if (!icon || !bits_) return;
  ::DrawIconEx(dc_.get(), x, y, reinterpret_cast<HICON>(icon), 0, 0, 0, nullptr, DI_NORMAL);
  gdi_pending_ = true;
  // Icons with an alpha channel leave it in the top byte; the surface stays plain RGB.
  const PixelBuffer buf = pixels();
  for (int j = std::max(0, y); j < std::min(height_, y + 256); ++j)
    for (int i = std::max(0, x); i < std::min(width_, x + 256); ++i)
      buf.bits[static_cast<std::ptrdiff_t>(j) * buf.stride + i] &= 0x00FFFFFFu;
}

void DibCanvas::flush() const {
  if (gdi_pending_) ::GdiFlush();
  gdi_pending_ = false;
}

Rgb DibCanvas::pixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  flush();
  return from_dib(bits_[static_cast<std::ptrdiff_t>(y) * width_ + x]);
}

}  // namespace quillon::forms::win32
