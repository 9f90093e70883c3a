// The Win32 canvas: a 32-bit DIB section. Boxes, thick lines and circles are written straight
// into its pixels (raster.cpp); icons go through DrawIconEx on the DIB's own DC.
#include <algorithm>
#include <iterator>

#include "forms/win32/internal.h"

namespace quillon::forms::win32 {

namespace {
constexpr std::size_t kSpareSurfaces = 4;  // a heading and a body, of two boxes
}  // namespace

std::unique_ptr<DibSurface> SurfacePool::take(int width, int height) {
  for (auto it = spare_.rbegin(); it != spare_.rend(); ++it) {
    if ((*it)->width != width || (*it)->height != height) continue;
    auto s = std::move(*it);
    spare_.erase(std::next(it).base());
    return s;
  }
  return nullptr;
}

void SurfacePool::give(std::unique_ptr<DibSurface> surface) {
  if (!surface || !surface->bits) return;
  if (spare_.size() == kSpareSurfaces) spare_.erase(spare_.begin());
  spare_.push_back(std::move(surface));
}

DibCanvas::DibCanvas(int width, int height, Rgb fill, SurfacePool* pool) : pool_(pool) {
  reset(width, height, fill);
}

DibCanvas::~DibCanvas() {
  if (pool_) pool_->give(std::move(s_));
}

void DibCanvas::create(int width, int height) {
  rings_.clear();  // they were for the surface that goes
  width = std::max(0, width);
  height = std::max(0, height);
  if (pool_) {
    pool_->give(std::move(s_));
    s_ = pool_->take(width, height);
    if (s_) return;
  }
  s_ = std::make_unique<DibSurface>();
  s_->dc.reset(::CreateCompatibleDC(nullptr));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = std::max(1, width);  // a zero-sized DIB cannot be created
  bi.bmiHeader.biHeight = -std::max(1, height);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  s_->bitmap.reset(::CreateDIBSection(s_->dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!s_->bitmap) return;
  s_->width = width;
  s_->height = height;
  s_->bits = static_cast<std::uint32_t*>(bits);
  s_->selected.emplace(s_->dc.get(), s_->bitmap.get());
}

void DibCanvas::reset(int width, int height, Rgb fill) {
  rings_.clear();  // covered by the fill
  ensure_size(width, height);
  fill_rect(0, 0, s_->width, s_->height, fill);
}

void DibCanvas::resize(int width, int height, Rgb fill) {
  flush();
  std::unique_ptr<DibSurface> old = std::move(s_);  // kept from the pool until copied
  reset(width, height, fill);
  if (old && old->bits && s_->bits)
    copy_corner(PixelBuffer{s_->bits, s_->width, s_->height, s_->width},
                PixelBuffer{old->bits, old->width, old->height, old->width},
                std::min(old->width, s_->width), std::min(old->height, s_->height));
  if (pool_) pool_->give(std::move(old));
}

void DibCanvas::ensure_size(int width, int height) {
  if (s_ && s_->bits && width == s_->width && height == s_->height) return;
  create(width, height);
}

PixelBuffer DibCanvas::pixels() const {
  flush();
  return PixelBuffer{s_->bits, s_->width, s_->height, s_->width};
}

void DibCanvas::fill_rect(int x0, int y0, int x1, int y1, Rgb colour) {
  fill_span_rect(pixels(), x0, y0, x1, y1, to_dib(colour));
}

void DibCanvas::line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) {
  raster_line(pixels(), x0, y0, x1, y1, pen_width, to_dib(colour));
}

void DibCanvas::circle(int cx, int cy, int r, int pen_width, Rgb colour) {
  const std::uint32_t v = to_dib(colour);
  if (rings_.add(cx, cy, r, pen_width, v)) return;
  const PixelBuffer buf = pixels();  // draws the rings held so far
  if (!rings_.add(cx, cy, r, pen_width, v)) raster_circle(buf, cx, cy, r, pen_width, v);
}

void DibCanvas::draw_icon(int x, int y, IconHandle icon) {
  if (!icon || !s_->bits) return;
  flush();
  ::DrawIconEx(s_->dc.get(), x, y, reinterpret_cast<HICON>(icon), 0, 0, 0, nullptr, DI_NORMAL);
  gdi_pending_ = true;
  // Icons with an alpha channel leave it in the top byte; the surface stays plain RGB.
  const PixelBuffer buf = pixels();
  for (int j = std::max(0, y); j < std::min(s_->height, y + 256); ++j)
    for (int i = std::max(0, x); i < std::min(s_->width, x + 256); ++i)
      buf.bits[static_cast<std::ptrdiff_t>(j) * buf.stride + i] &= 0x00FFFFFFu;
}

void DibCanvas::flush() const {
  if (gdi_pending_) ::GdiFlush();
  gdi_pending_ = false;
  if (!rings_.empty()) rings_.flush(PixelBuffer{s_->bits, s_->width, s_->height, s_->width});
}

Rgb DibCanvas::pixel(int x, int y) const {
  if (!s_->bits || x < 0 || y < 0 || x >= s_->width || y >= s_->height) return 0;
  flush();
  return from_dib(s_->bits[static_cast<std::ptrdiff_t>(y) * s_->width + x]);
}

}  // namespace quillon::forms::win32
