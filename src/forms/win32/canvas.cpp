// The Win32 canvas: a 32-bit DIB section. Boxes, thick lines and circles are written straight
// into its pixels (raster.cpp); icons go through DrawIconEx on the DIB's own DC.
#include <algorithm>
#include <iterator>

#include "forms/win32/internal.h"

namespace quillon::forms::win32 {

namespace {
// A back buffer, and a heading and a body of two boxes; at most a screen of 2560 x 1600 in all.
constexpr std::size_t kSpareSurfaces = 5;
constexpr long long kSparePixels = 2560LL * 1600;

long long pixels_of(const DibSurface& s) {
  return static_cast<long long>(s.width) * s.height;
}
}  // namespace

SurfacePool& spare_surfaces() {
  static SurfacePool pool;
  return pool;
}

std::unique_ptr<DibSurface> SurfacePool::take(int width, int height) {
  const auto sized = [&](const DibSurface& s) { return s.width == width && s.height == height; };
  if (auto plain = take_if([&](const DibSurface& s) { return sized(s) && !s.drawn; })) return plain;
  // Every spare of this size shows a drawing. A lone one is kept for the canvas that may draw the
  // same again (none is given, and a new surface is made); of several, the oldest is given.
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto first =
      std::find_if(spare_.begin(), spare_.end(), [&](const auto& s) { return sized(*s); });
  if (first == spare_.end() ||
      std::none_of(std::next(first), spare_.end(), [&](const auto& s) { return sized(*s); }))
    return nullptr;
  auto taken = std::move(*first);
  spare_.erase(first);
  return taken;
}
std::unique_ptr<DibSurface> SurfacePool::take_at_least(int width, int height) {
  return take_if([&](const DibSurface& s) { return s.width >= width && s.height >= height; });
}
std::unique_ptr<DibSurface> SurfacePool::take_drawn(int width, int height, const Drawing& drawing) {
  return take_if([&](const DibSurface& s) {
    return s.width == width && s.height == height && s.drawn && *s.drawn == drawing;
  });
}

// The most recent spare that fits.
template <class Fits>
std::unique_ptr<DibSurface> SurfacePool::take_if(Fits fits) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = spare_.rbegin(); it != spare_.rend(); ++it) {
    if (!fits(**it)) continue;
    auto taken = std::move(*it);
    spare_.erase(std::next(it).base());
    return taken;
  }
  return nullptr;
}

void SurfacePool::give(std::unique_ptr<DibSurface> surface) {
  if (!surface || !surface->bits || pixels_of(*surface) > kSparePixels) return;
  std::vector<std::unique_ptr<DibSurface>> gone;  // freed outside the lock
  const std::lock_guard<std::mutex> lock(mutex_);
  long long held = pixels_of(*surface);
  for (const auto& s : spare_) held += pixels_of(*s);
  while (!spare_.empty() && (spare_.size() >= kSpareSurfaces || held > kSparePixels)) {
    held -= pixels_of(*spare_.front());
    gone.push_back(std::move(spare_.front()));
    spare_.erase(spare_.begin());
  }
  spare_.push_back(std::move(surface));
}

void SurfacePool::clear() {
  std::vector<std::unique_ptr<DibSurface>> gone;
  const std::lock_guard<std::mutex> lock(mutex_);
  gone.swap(spare_);
}

DibCanvas::DibCanvas(int width, int height, Rgb fill, SurfacePool* pool) : pool_(pool) {
  reset(width, height, fill);
}

DibCanvas::DibCanvas(std::unique_ptr<DibSurface> surface)
    : pool_(nullptr), s_(std::move(surface)) {}

std::unique_ptr<DibSurface> DibCanvas::take_surface() {
  flush();
  return std::move(s_);
}

DibCanvas::~DibCanvas() {
  if (pool_ && s_) pool_->give(std::move(s_));
}

void DibCanvas::create(int width, int height) {
  rings_.clear();  // they were for the surface that goes
  outlines_.clear();
  flat_.reset();
  held_.reset();
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
  ensure_size(width, height);
  fill_rect(0, 0, s_->width, s_->height, fill);
}

void DibCanvas::resize(int width, int height, Rgb fill) {
  flush();
  std::unique_ptr<DibSurface> old = std::move(s_);  // kept from the pool until copied
  reset(width, height, fill);
  if (old && old->bits && s_->bits)
    copy_corner(pixels(), PixelBuffer{old->bits, old->width, old->height, old->width},
                std::min(old->width, s_->width), std::min(old->height, s_->height));
  if (pool_) pool_->give(std::move(old));
}

void DibCanvas::ensure_size(int width, int height) {
  if (s_ && s_->bits && width == s_->width && height == s_->height) return;
  create(width, height);
}

PixelBuffer DibCanvas::pixels() {
  flush();
  written();
  return PixelBuffer{s_->bits, s_->width, s_->height, s_->width};
}

PixelBuffer DibCanvas::shown() const {
  flush();
  return PixelBuffer{s_->bits, s_->width, s_->height, s_->width};
}

void DibCanvas::fill_rect(int x0, int y0, int x1, int y1, Rgb colour) {
  if (x0 <= 0 && y0 <= 0 && x1 >= s_->width && y1 >= s_->height && s_->bits) {
    if (gdi_pending_) ::GdiFlush();  // GDI output still on its way would land on the colour
    gdi_pending_ = false;
    rings_.clear();  // covered
    outlines_.clear();
    flat_ = to_dib(colour);
    real_top_ = real_bottom_ = 0;
    held_ = Drawing{*flat_, {}};
    return;
  }
  fill_span_rect(pixels(), x0, y0, x1, y1, to_dib(colour));
}

std::optional<DibCanvas::Flat> DibCanvas::flat() const {
  if (!flat_ || !rings_.empty() || !outlines_.empty() || gdi_pending_) return std::nullopt;
  return Flat{from_dib(*flat_), real_top_, real_bottom_};
}

void DibCanvas::make_rows_real(int y0, int y1) const {
  y0 = std::max(y0, 0);
  y1 = std::min(y1, s_->height);
  if (!flat_ || !s_->bits || y0 >= y1) return;
  if (real_top_ < real_bottom_) {  // one band: the rows between the two are made real too
    y0 = std::min(y0, real_top_);
    y1 = std::max(y1, real_bottom_);
  }
  written();
  const PixelBuffer buf{s_->bits, s_->width, s_->height, s_->width};
  if (real_top_ >= real_bottom_) {
    fill_span_rect(buf, 0, y0, s_->width, y1, *flat_);
  } else {
    fill_span_rect(buf, 0, y0, s_->width, real_top_, *flat_);
    fill_span_rect(buf, 0, real_bottom_, s_->width, y1, *flat_);
  }
  real_top_ = y0;
  real_bottom_ = y1;
  if (y0 == 0 && y1 == s_->height) flat_.reset();
}

namespace {
// The size an icon draws at on its own (DrawIconEx with no size given).
SIZE icon_size(HICON icon) {
  if (const auto shared = shared_icon_size(icon)) return *shared;
  ICONINFO ii{};
  if (!::GetIconInfo(icon, &ii)) return {256, 256};
  const UniqueBitmap colour(ii.hbmColor), mask(ii.hbmMask);
  BITMAP bm{};
  if (!::GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm)) return {256, 256};
  return {bm.bmWidth, ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2};  // a mask holds AND and XOR
}
}  // namespace

bool DibCanvas::holds_icon() const {
  return held_ && !held_->calls.empty() && held_->calls.back().kind == Drawing::Call::kIcon;
}

void DibCanvas::line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) {
  const std::uint32_t v = to_dib(colour);
  if (rings_.empty() && !holds_icon() && outlines_.add(x0, y0, x1, y1, pen_width, v)) {
    if (held_) held_->calls.push_back({Drawing::Call::kLine, x0, y0, x1, y1, pen_width, v});
    return;
  }
  const PixelBuffer buf = pixels();  // draws what is held so far
  if (!outlines_.add(x0, y0, x1, y1, pen_width, v)) raster_line(buf, x0, y0, x1, y1, pen_width, v);
}

void DibCanvas::circle(int cx, int cy, int r, int pen_width, Rgb colour) {
  const std::uint32_t v = to_dib(colour);
  if (outlines_.empty() && !holds_icon() && rings_.add(cx, cy, r, pen_width, v)) {
    if (held_) held_->calls.push_back({Drawing::Call::kCircle, cx, cy, r, 0, pen_width, v});
    return;
  }
  const PixelBuffer buf = pixels();  // draws the rings held so far
  if (!rings_.add(cx, cy, r, pen_width, v)) raster_circle(buf, cx, cy, r, pen_width, v);
}

void DibCanvas::draw_icon(int x, int y, IconHandle icon) {
  if (!icon || !s_->bits) return;
  const HICON h = reinterpret_cast<HICON>(icon);
  // A stock icon on lines held back is held back too: its handle names the same picture for good.
  if (held_ && (!rings_.empty() || !outlines_.empty()) && shared_icon_size(h)) {
    held_->calls.push_back({Drawing::Call::kIcon, x, y, 0, 0, 0, icon});
    return;
  }
  draw_icon_now(x, y, h);
}

void DibCanvas::draw_icon_now(int x, int y, HICON h) const {
  const SIZE size = icon_size(h);
  if (rings_.empty() && outlines_.empty())
    make_rows_real(y, y + size.cy);  // only the icon's rows of a surface of one colour
  else
    flush();
  written();
  if (gdi_pending_) ::GdiFlush();
  ::DrawIconEx(s_->dc.get(), x, y, h, 0, 0, 0, nullptr, DI_NORMAL);
  ::GdiFlush();
  gdi_pending_ = false;
  // Icons with an alpha channel leave it in the top byte; the surface stays plain RGB.
  for (int j = std::max(0, y); j < std::min<LONG>(s_->height, y + size.cy); ++j)
    for (int i = std::max(0, x); i < std::min<LONG>(s_->width, x + size.cx); ++i)
      s_->bits[static_cast<std::ptrdiff_t>(j) * s_->width + i] &= 0x00FFFFFFu;
}

void DibCanvas::flush() const {
  std::optional<Drawing> drawing;
  if (held_ && (!rings_.empty() || !outlines_.empty())) drawing.swap(held_);
  if (drawing) {
    // The same drawing on this surface already, or on a spare of its size: nothing to draw.
    const bool own = s_->drawn && *s_->drawn == *drawing;
    auto spare = own || !pool_ ? nullptr : pool_->take_drawn(s_->width, s_->height, *drawing);
    if (own || spare) {
      if (spare) {
        pool_->give(std::move(s_));
        s_ = std::move(spare);
      }
      rings_.clear();
      outlines_.clear();
      flat_.reset();
      real_top_ = real_bottom_ = 0;
      return;
    }
  }
  make_rows_real(0, s_->height);
  flat_.reset();
  if (gdi_pending_) ::GdiFlush();
  gdi_pending_ = false;
  const PixelBuffer buf{s_->bits, s_->width, s_->height, s_->width};
  if (!rings_.empty() || !outlines_.empty()) written();
  if (!rings_.empty()) rings_.flush(buf);
  if (!outlines_.empty()) outlines_.flush(buf);
  if (!drawing) return;
  for (const auto& c : drawing->calls)
    if (c.kind == Drawing::Call::kIcon) draw_icon_now(c.a, c.b, reinterpret_cast<HICON>(c.value));
  s_->drawn = std::make_shared<const Drawing>(std::move(*drawing));
}

Rgb DibCanvas::pixel(int x, int y) const {
  if (!s_->bits || x < 0 || y < 0 || x >= s_->width || y >= s_->height) return 0;
  if (const auto f = flat()) {
    if (y < f->real_top || y >= f->real_bottom) return f->colour;
    return from_dib(s_->bits[static_cast<std::ptrdiff_t>(y) * s_->width + x]);
  }
  flush();
  return from_dib(s_->bits[static_cast<std::ptrdiff_t>(y) * s_->width + x]);
}

}  // namespace quillon::forms::win32
