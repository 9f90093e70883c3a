// The headless canvas: a cairo RGB24 image surface with aliased drawing (see internal.h for the
// pixel convention).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "forms/headless/internal.h"

namespace quillon::forms::headless {

namespace {
// cairo's RGB24 keeps 0x00RRGGBB in a native 32-bit word; ours is 0x00BBGGRR.
std::uint32_t to_native(Rgb c) {
  return (static_cast<std::uint32_t>(red_of(c)) << 16) |
         (static_cast<std::uint32_t>(green_of(c)) << 8) | static_cast<std::uint32_t>(blue_of(c));
}
Rgb from_native(std::uint32_t v) {
  return rgb(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
             static_cast<int>(v & 0xFF));
}
}  // namespace

CairoCanvas::CairoCanvas(int width, int height, Rgb fill) {
  create(width, height, fill);
}
CairoCanvas::~CairoCanvas() {
  destroy();
}

void CairoCanvas::create(int width, int height, Rgb fill) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  // A surface that cannot be made (beyond cairo's 32767-pixel sides, or above 64 Mpixels) is an
  // empty one, as a DIB section that fails to be created is on Windows.
  constexpr long long kMaxPixels = 1LL << 26;
  if (static_cast<long long>(width_) * height_ > kMaxPixels) width_ = height_ = 0;
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface_);
    width_ = height_ = 0;
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 0, 0);
  }
  cr_ = cairo_create(surface_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  fill_rect(0, 0, width_, height_, fill);
}

void CairoCanvas::destroy() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
  cr_ = nullptr;
  surface_ = nullptr;
}

void CairoCanvas::reset(int width, int height, Rgb fill) {
  if (width == width_ && height == height_ && surface_) {
    fill_rect(0, 0, width_, height_, fill);
    return;
  }
  destroy();
  create(width, height, fill);
}

void CairoCanvas::set_source(Rgb colour) {
  cairo_set_source_rgb(cr_, red_of(colour) / 255.0, green_of(colour) / 255.0,
                       blue_of(colour) / 255.0);
}

// The surface's pixels for the shared per-pixel shapes; mark_dirty() after writing them.
PixelBuffer CairoCanvas::pixels() const {
  cairo_surface_flush(surface_);
  auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_));
  const int stride = cairo_image_surface_get_stride(surface_) / 4;
  return PixelBuffer{data, data ? width_ : 0, data ? height_ : 0, stride};
}

void CairoCanvas::fill_rect(int x0, int y0, int x1, int y1, Rgb colour) {
  fill_span_rect(pixels(), x0, y0, x1, y1, to_native(colour));
  cairo_surface_mark_dirty(surface_);
}

void CairoCanvas::set_pixel(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride)[x] =
      to_native(colour);
  cairo_surface_mark_dirty(surface_);
}

Rgb CairoCanvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  return from_native(
      reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride)[x]);
}

namespace {

// Coordinates this far outside the surface are clipped before drawing; nearer ones are drawn
// exactly as given.
constexpr long long kNear = 16384;

}  // namespace

void CairoCanvas::line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) {
  if (width_ == 0 || height_ == 0) return;
  const long long m = kNear + pen_width;
  auto far = [&](long long v, int size) { return v < -m || v > size + m; };
  if (far(x0, width_) || far(x1, width_) || far(y0, height_) || far(y1, height_)) {
    double ax = x0, ay = y0, bx = x1, by = y1;
    const double pad = pen_width + 2.0;
    if (!clip_segment(ax, ay, bx, by, -pad, -pad, width_ + pad, height_ + pad)) return;
    x0 = static_cast<int>(std::lround(ax));
    y0 = static_cast<int>(std::lround(ay));
    x1 = static_cast<int>(std::lround(bx));
    y1 = static_cast<int>(std::lround(by));
  }
  if (pen_width <= 1) {
    raster_line(pixels(), x0, y0, x1, y1, 1, to_native(colour));
    cairo_surface_mark_dirty(surface_);
    return;
  }
  set_source(colour);
  cairo_set_line_width(cr_, pen_width);
  cairo_new_path(cr_);
  cairo_move_to(cr_, x0 + 0.5, y0 + 0.5);
  cairo_line_to(cr_, x1 + 0.5, y1 + 0.5);
  cairo_stroke(cr_);
  cairo_surface_flush(surface_);
}

void CairoCanvas::circle(int cx, int cy, int r, int pen_width, Rgb colour) {
  if (width_ == 0 || height_ == 0 || r < 0) return;
  const double half = pen_width <= 1 ? 0.5 : pen_width / 2.0;
  // Nothing to draw when the ring misses the surface entirely.
  auto clampd = [](double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); };
  const double ncx = clampd(cx, 0, width_ - 1), ncy = clampd(cy, 0, height_ - 1);
  const double nearest = std::hypot(ncx - cx, ncy - cy);
  const double fx =
      std::max(std::abs(static_cast<double>(cx)), std::abs(static_cast<double>(width_ - 1 - cx)));
  const double fy =
      std::max(std::abs(static_cast<double>(cy)), std::abs(static_cast<double>(height_ - 1 - cy)));
  const double farthest = std::hypot(fx, fy);
  if (r - half > farthest + 1 || r + half < nearest - 1) return;
  const bool huge = std::abs(static_cast<long long>(cx)) > kNear ||
                    std::abs(static_cast<long long>(cy)) > kNear || r > kNear;
  if (huge) {
    // Far-away centres and giant radii: decide pixel by pixel.
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const double d = std::hypot(static_cast<double>(x) - cx, static_cast<double>(y) - cy);
        if (std::abs(d - r) <= half) set_pixel(x, y, colour);
      }
    return;
  }
  if (pen_width <= 1) {
    raster_circle(pixels(), cx, cy, r, 1, to_native(colour));
    cairo_surface_mark_dirty(surface_);
    return;
  }
  set_source(colour);
  cairo_new_path(cr_);
  if (r <= half) {
    // The pen covers the centre: a disc of the outer radius.
    cairo_arc(cr_, cx + 0.5, cy + 0.5, r + half, 0, 2 * std::numbers::pi);
    cairo_fill(cr_);
  } else {
    cairo_set_line_width(cr_, pen_width);
    cairo_arc(cr_, cx + 0.5, cy + 0.5, r, 0, 2 * std::numbers::pi);
    cairo_close_path(cr_);
    cairo_stroke(cr_);
  }
  cairo_surface_flush(surface_);
}

void CairoCanvas::draw_icon(int x, int y, IconHandle icon) {
  const Bitmap* bmp = stock_icon_bitmap(icon);
  if (!bmp || x >= width_ || y >= height_) return;  // also keeps x + i and y + j in range
  for (int j = 0; j < bmp->height; ++j)
    for (int i = 0; i < bmp->width; ++i) {
      const Rgb c = bmp->at(i, j);
      if (c != kTransparent) set_pixel(x + i, y + j, c);
    }
}

}  // namespace quillon::forms::headless
