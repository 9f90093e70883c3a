// The headless canvas: a plain buffer of RGB pixels, drawn by the shared per-pixel shapes
// (raster.h) exactly as the Win32 canvas draws into its DIB.
#include <algorithm>
#include <bit>
#include <memory>
#include <utility>
#include <vector>

#include "forms/asan.h"
#include "forms/headless/internal.h"

namespace quillon::forms::headless {

namespace {

// Pixel buffers dropped by a canvas wait here for the next one: a message box makes and drops
// surfaces of the same few sizes call after call, and memory fresh from the system costs a page
// fault per 4 KiB on first touch. Under AddressSanitizer a waiting buffer, and the part of a
// buffer beyond its canvas, stay poisoned, so a stray access is still caught.
class BufferPool {
 public:
  struct Buffer {
    std::unique_ptr<Rgb[]> bits;
    std::size_t capacity = 0;
  };

  // A buffer of at least n pixels (n > 0): the smallest waiting one that holds them, unless
  // that is far larger (it is kept for a surface of its own size).
  Buffer take(std::size_t n) {
    auto best = free_.end();
    for (auto it = free_.begin(); it != free_.end(); ++it)
      if (it->capacity >= n && it->capacity / 4 < n &&
          (best == free_.end() || it->capacity < best->capacity))
        best = it;
    Buffer b;
    if (best != free_.end()) {
      b = std::move(*best);
      free_.erase(best);
      held_ -= b.capacity;
    } else {
      // Whole powers of two, so that a surface a little larger than the last still finds one.
      b.capacity = std::bit_ceil(n);
      b.bits.reset(new Rgb[b.capacity]);
    }
    poison(b, false, n);
    return b;
  }

  void give(Buffer b) {
    if (!b.bits || b.capacity > kMaxKept) return;
    while (!free_.empty() && (held_ + b.capacity > kMaxHeld || free_.size() >= kMaxBuffers)) {
      held_ -= free_.front().capacity;
      unpoison_all(free_.front());
      free_.erase(free_.begin());
    }
    poison(b, true, 0);
    held_ += b.capacity;
    free_.push_back(std::move(b));
  }

  ~BufferPool();

 private:
  static constexpr std::size_t kMaxHeld = std::size_t{1} << 24;  // pixels: 64 MiB in all
  static constexpr std::size_t kMaxKept = kMaxHeld / 4;          // a larger one is not kept
  static constexpr std::size_t kMaxBuffers = 32;

  // Everything from pixel `from` on is poisoned when `all` is false; the whole buffer when true.
  static void poison([[maybe_unused]] const Buffer& b, [[maybe_unused]] bool all,
                     [[maybe_unused]] std::size_t from) {
#if QUILLON_ASAN
    if (!all) ASAN_UNPOISON_MEMORY_REGION(b.bits.get(), from * sizeof(Rgb));
    const std::size_t start = all ? 0 : from;
    ASAN_POISON_MEMORY_REGION(b.bits.get() + start, (b.capacity - start) * sizeof(Rgb));
#endif
  }
  static void unpoison_all([[maybe_unused]] const Buffer& b) {
#if QUILLON_ASAN
    ASAN_UNPOISON_MEMORY_REGION(b.bits.get(), b.capacity * sizeof(Rgb));
#endif
  }

  std::vector<Buffer> free_;
  std::size_t held_ = 0;
};

// Set when the thread's pool has gone (a canvas owned by another thread-local object may outlive
// it); a plain flag, so it can be read until the thread's very end.
thread_local bool t_pool_gone = false;

BufferPool::~BufferPool() {
  t_pool_gone = true;
  for (Buffer& b : free_) unpoison_all(b);
}

BufferPool* pool() {
  if (t_pool_gone) return nullptr;
  thread_local BufferPool p;
  return &p;
}

void give_back(std::unique_ptr<Rgb[]> bits, std::size_t capacity) {
  if (BufferPool* p = pool()) p->give({std::move(bits), capacity});
}

BufferPool::Buffer take(std::size_t n) {
  if (BufferPool* p = pool()) return p->take(n);
  return {std::unique_ptr<Rgb[]>(new Rgb[n]), n};
}

}  // namespace

RasterCanvas::RasterCanvas(int width, int height, Rgb fill) {
  reset(width, height, fill);
}

RasterCanvas::~RasterCanvas() {
  give_back(std::move(bits_), capacity_);
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
  make_flat(fill);
}

void RasterCanvas::resize(int width, int height, Rgb fill) {
  settle();
  const std::optional<Rgb> old_flat = flat_;
  const PixelBuffer old{bits_.get(), width_, height_, width_};
  std::unique_ptr<Rgb[]> old_bits = std::move(bits_);  // kept from the pool until copied
  const std::size_t old_capacity = std::exchange(capacity_, 0);
  reset(width, height, fill);
  const int w = std::min(old.width, width_), h = std::min(old.height, height_);
  if (w > 0 && h > 0 && old_flat != fill) {
    const PixelBuffer now = pixels();
    if (old_flat)
      fill_span_rect(now, 0, 0, w, h, *old_flat);
    else
      copy_corner(now, old, w, h);
  }
  give_back(std::move(old_bits), old_capacity);
}

void RasterCanvas::make_flat(Rgb colour) {
  rings_.clear();  // covered by the new colour
  boxes_.clear();
  outlines_.clear();
  give_back(std::move(bits_), capacity_);
  capacity_ = 0;
  flat_ = colour;
}

// A buffer for the surface, its pixels not yet set; the surface is no longer of one colour.
PixelBuffer RasterCanvas::unflatten() {
  const std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  if (n > 0) {
    auto b = take(n);
    bits_ = std::move(b.bits);
    capacity_ = b.capacity;
  }
  flat_.reset();
  return PixelBuffer{bits_.get(), width_, height_, width_};
}

PixelBuffer RasterCanvas::pixels() {
  if (flat_) {
    const Rgb colour = *flat_;
    const PixelBuffer buf = unflatten();
    if (boxes_.empty())
      fill_span_rect(buf, 0, 0, width_, height_, colour);
    else
      boxes_.flush(buf, colour);  // the surface's colour and the boxes in one pass
  }
  const PixelBuffer buf{bits_.get(), width_, height_, width_};
  if (!boxes_.empty()) boxes_.flush(buf);
  if (!rings_.empty()) rings_.flush(buf);
  if (!outlines_.empty()) outlines_.flush(buf);
  return buf;
}

void RasterCanvas::settle() const {
  // Canvases are never made const; a reader sees what has been drawn, so what is held is drawn.
  if (!rings_.empty() || !boxes_.empty() || !outlines_.empty())
    const_cast<RasterCanvas*>(this)->pixels();
}

void RasterCanvas::fill_rect(int x0, int y0, int x1, int y1, Rgb colour) {
  if (x0 <= 0 && y0 <= 0 && x1 >= width_ && y1 >= height_) {
    make_flat(colour);
    return;
  }
  if (std::max(x0, 0) >= std::min(x1, width_) || std::max(y0, 0) >= std::min(y1, height_))
    return;                                             // nothing of it on the surface
  if (!rings_.empty() || !outlines_.empty()) pixels();  // they come first
  if (!boxes_.add(x0, y0, x1, y1, colour)) fill_span_rect(pixels(), x0, y0, x1, y1, colour);
}

void RasterCanvas::line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) {
  if (boxes_.empty() && rings_.empty() && outlines_.add(x0, y0, x1, y1, pen_width, colour)) return;
  const PixelBuffer buf = pixels();  // draws what is held so far
  if (!outlines_.add(x0, y0, x1, y1, pen_width, colour))
    raster_line(buf, x0, y0, x1, y1, pen_width, colour);
}

void RasterCanvas::circle(int cx, int cy, int r, int pen_width, Rgb colour) {
  if (boxes_.empty() && outlines_.empty() && rings_.add(cx, cy, r, pen_width, colour)) return;
  const PixelBuffer buf = pixels();  // draws the rings held so far
  if (!rings_.add(cx, cy, r, pen_width, colour)) raster_circle(buf, cx, cy, r, pen_width, colour);
}

void RasterCanvas::set_pixel(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels().bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)] = colour;
}

Rgb RasterCanvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  settle();
  return flat_ ? *flat_ : row(y)[x];
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
