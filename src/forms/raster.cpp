// Row-by-row rasterisation of thick lines and circles (see raster.h).
#include "forms/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "forms/asan.h"

namespace quillon::forms {

namespace {

void put(const PixelBuffer& buf, int x, int y, std::uint32_t v) {
  if (x < 0 || y < 0 || x >= buf.width || y >= buf.height) return;
  buf.bits[static_cast<std::ptrdiff_t>(y) * buf.stride + x] = v;
}

// Fills are the hot loop of every shape. Under the sanitizers a check on each word stored cost
// more than the stores, so the loop goes unchecked and AddressSanitizer looks at the whole range
// once, before it (a bad range is then reported by a checked store to its first bad byte).
#if defined(__clang__)
#define QUILLON_UNCHECKED_LOOP __attribute__((no_sanitize("address", "undefined", "coverage")))
#else
#define QUILLON_UNCHECKED_LOOP __attribute__((no_sanitize("address", "undefined")))
#endif

QUILLON_UNCHECKED_LOOP void store_words(std::uint32_t* p, std::size_t n, std::uint32_t v) {
  // Blocks of eight, which the compiler stores as vectors, then the rest.
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8)
    for (std::size_t k = 0; k < 8; ++k) p[i + k] = v;
  for (; i < n; ++i) p[i] = v;
}

// n words of v from p.
void fill_words(std::uint32_t* p, std::size_t n, std::uint32_t v) {
#if QUILLON_ASAN
  if (void* bad = __asan_region_is_poisoned(p, n * sizeof *p))
    *static_cast<volatile char*>(bad) = 0;
#endif
  store_words(p, n, v);
}

void span(const PixelBuffer& buf, int y, int x0, int x1, std::uint32_t v) {  // inclusive ends
  if (y < 0 || y >= buf.height) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, buf.width - 1);
  if (x0 > x1) return;
  std::uint32_t* row = buf.bits + static_cast<std::ptrdiff_t>(y) * buf.stride;
  fill_words(row + x0, static_cast<std::size_t>(x1 - x0) + 1, v);
}

// Largest integer n >= 0 with n * n <= v (v >= 0).
std::int64_t isqrt(std::int64_t v) {
  auto n = static_cast<std::int64_t>(std::sqrt(static_cast<double>(v)));
  while (n > 0 && n * n > v) --n;
  while ((n + 1) * (n + 1) <= v) ++n;
  return n;
}

struct Interval {
  double lo = 1, hi = 0;  // empty when lo > hi
  bool empty() const { return lo > hi; }
  void hull(const Interval& o) {
    if (o.empty()) return;
    if (empty()) {
      *this = o;
      return;
    }
    lo = std::min(lo, o.lo);
    hi = std::max(hi, o.hi);
  }
  void clip(double a, double b) {
    lo = std::max(lo, a);
    hi = std::min(hi, b);
  }
};

// x with a <= x * k <= b.
Interval solve(double k, double a, double b) {
  constexpr double kInf = 1e300;
  if (k == 0) return (a <= 0 && 0 <= b) ? Interval{-kInf, kInf} : Interval{};
  return k > 0 ? Interval{a / k, b / k} : Interval{b / k, a / k};
}

void bresenham(const PixelBuffer& buf, int x0, int y0, int x1, int y1, std::uint32_t v) {
  // An end point far outside: clip the line to a margin round the buffer first (Liang-Barsky),
  // so that the walk does not cross billions of pixels; lines near the buffer are walked whole.
  constexpr double kMargin = 4096;
  const double lo_x = -kMargin, hi_x = buf.width + kMargin, lo_y = -kMargin,
               hi_y = buf.height + kMargin;
  auto far = [&](int x, int y) { return x < lo_x || x > hi_x || y < lo_y || y > hi_y; };
  if (far(x0, y0) || far(x1, y1)) {
    double ax = x0, ay = y0, bx = x1, by = y1;
    if (!clip_segment(ax, ay, bx, by, lo_x, lo_y, hi_x, hi_y)) return;
    x0 = static_cast<int>(std::lround(ax));
    y0 = static_cast<int>(std::lround(ay));
    x1 = static_cast<int>(std::lround(bx));
    y1 = static_cast<int>(std::lround(by));
  }
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  long long err = static_cast<long long>(dx) + dy;
  for (;;) {
    put(buf, x0, y0, v);
    if (x0 == x1 && y0 == y1) break;
    const long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
    if ((sx > 0 && x0 >= buf.width && x1 >= buf.width) || (sx < 0 && x0 < 0 && x1 < 0) ||
        (sy > 0 && y0 >= buf.height && y1 >= buf.height) || (sy < 0 && y0 < 0 && y1 < 0))
      break;
  }
}

// The midpoint circle of radius r, row by row, so that only the rows and columns of the buffer
// cost anything. In its first octant (x >= y >= 0) the midpoint walk keeps, for each y, the
// largest x with x (x - 1) < r^2 - y^2: X(y). Row t = |dy| holds the point (X(t), t) when
// X(t) >= t, and the points (u, t) of the other octant: X(u) = t with u <= t; all mirrored.
void midpoint_circle(const PixelBuffer& buf, int cx, int cy, int r, std::uint32_t v) {
  if (r == 0) {
    put(buf, cx, cy, v);
    return;
  }
  auto clamped = [&](std::int64_t x) {
    return static_cast<int>(std::clamp<std::int64_t>(x, -1, buf.width));
  };
  const std::int64_t r2 = static_cast<std::int64_t>(r) * r;
  const std::int64_t top = std::max<std::int64_t>(static_cast<std::int64_t>(cy) - r, 0);
  const std::int64_t bottom =
      std::min<std::int64_t>(static_cast<std::int64_t>(cy) + r, buf.height - 1);
  for (std::int64_t y = top; y <= bottom; ++y) {
    const std::int64_t t = std::abs(y - cy), n = r2 - t * t;
    if (n > 0) {
      const std::int64_t x = (isqrt(4 * n - 3) + 1) / 2;  // (2x - 1)^2 <= 4n - 3
      if (x >= t)
        for (const std::int64_t px : {cx - x, cx + x})
          if (px >= 0 && px < buf.width) put(buf, static_cast<int>(px), static_cast<int>(y), v);
    }
    // X(u) = t: r^2 - t^2 - t <= u^2 < r^2 - t^2 + t.
    if (n + t - 1 < 0) continue;
    const std::int64_t hi = std::min(isqrt(n + t - 1), t);
    const std::int64_t need = std::max<std::int64_t>(n - t, 0);
    std::int64_t lo = isqrt(need);
    if (lo * lo < need) ++lo;
    if (lo > hi) continue;
    span(buf, static_cast<int>(y), clamped(cx + lo), clamped(cx + hi), v);
    span(buf, static_cast<int>(y), clamped(cx - hi), clamped(cx - lo), v);
  }
}

}  // namespace

// Liang-Barsky: clips the segment to [x0, x1] x [y0, y1]; false when nothing is left.
bool clip_segment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1,
                  double y1) {
  double t0 = 0, t1 = 1;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const double nax = ax + t0 * dx, nay = ay + t0 * dy;
  bx = ax + t1 * dx;
  by = ay + t1 * dy;
  ax = nax;
  ay = nay;
  return true;
}

void copy_corner(const PixelBuffer& dst, const PixelBuffer& src, int width, int height) {
  if (width <= 0) return;
  for (int y = 0; y < height; ++y)
    std::memcpy(dst.bits + static_cast<std::ptrdiff_t>(y) * dst.stride,
                src.bits + static_cast<std::ptrdiff_t>(y) * src.stride,
                static_cast<std::size_t>(width) * sizeof *dst.bits);
}

void fill_span_rect(const PixelBuffer& buf, int x0, int y0, int x1, int y1, std::uint32_t value) {
  x0 = std::max(x0, 0);
  x1 = std::min(x1, buf.width);
  y0 = std::max(y0, 0);
  y1 = std::min(y1, buf.height);
  if (x0 >= x1 || y0 >= y1) return;
  // The first row is filled, the others copied from it.
  span(buf, y0, x0, x1 - 1, value);
  const std::uint32_t* first = buf.bits + static_cast<std::ptrdiff_t>(y0) * buf.stride + x0;
  const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * sizeof *first;
  for (int y = y0 + 1; y < y1; ++y)
    std::memcpy(buf.bits + static_cast<std::ptrdiff_t>(y) * buf.stride + x0, first, bytes);
}

void raster_lines(const PixelBuffer& buf, int x0, int y0, int x1, int y1, int count,
                  std::uint32_t value) {
  const bool steep =
      std::abs(static_cast<long long>(y1) - y0) > std::abs(static_cast<long long>(x1) - x0);
  for (int k = 0; k < count; ++k) {
    if (steep)
      raster_line(buf, x0 + k, y0, x1 + k, y1, 1, value);
    else
      raster_line(buf, x0, y0 + k, x1, y1 + k, 1, value);
  }
}

namespace {

std::int64_t floor_div(std::int64_t n, std::int64_t d) {  // d > 0
  const std::int64_t q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

// n(y) / d for consecutive rows y, where n grows by the same amount each row: its floor and ceiling
// follow row by row by a whole step and a remainder, with no division after the first row.
class RowQuotient {
 public:
  RowQuotient(std::int64_t n, std::int64_t per_row, std::int64_t d) : d_(d) {
    q_ = floor_div(n, d);
    r_ = n - q_ * d;
    whole_ = floor_div(per_row, d);
    part_ = per_row - whole_ * d;
  }
  std::int64_t floor() const { return q_; }
  std::int64_t ceil() const { return q_ + (r_ > 0 ? 1 : 0); }
  void next() {
    q_ += whole_;
    r_ += part_;
    if (r_ >= d_) {
      r_ -= d_;
      ++q_;
    }
  }
  void skip(std::int64_t rows) {
    q_ += whole_ * rows;
    r_ += part_ * rows;
    const std::int64_t carry = floor_div(r_, d_);
    q_ += carry;
    r_ -= carry * d_;
  }

 private:
  std::int64_t d_, q_ = 0, r_ = 0, whole_ = 0, part_ = 0;  // n = q d + r, 0 <= r < d
};

// A thick line of the usual sizes (coordinates up to 2^16, pens up to 1024, buffers up to 2^16
// rows), each row worked out exactly in integers: the pixels within half a pen of an end,
// 4 ((x - ex)^2 + (y - ey)^2) <= pen^2, or of the segment between them, 4 across^2 <= pen^2 len^2
// with 0 <= along <= len^2 (across and along: (P - A) x d and (P - A) . d).
constexpr std::int64_t kSmall = 1 << 16;
void exact_line(const PixelBuffer& buf, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                std::int64_t y1, std::int64_t pen, std::uint32_t value) {
  if (y1 < y0) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const std::int64_t dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy, w2 = pen * pen;
  std::int64_t reach = static_cast<std::int64_t>(std::sqrt(static_cast<double>(w2 * len2) / 4));
  while (reach > 0 && 4 * reach * reach > w2 * len2) --reach;
  while (4 * (reach + 1) * (reach + 1) <= w2 * len2) ++reach;
  const std::int64_t top = std::max<std::int64_t>(0, y0 - pen / 2);
  const std::int64_t bottom = std::min<std::int64_t>(buf.height - 1, y1 + pen / 2);
  if (top > bottom) return;
  const std::int64_t t = top - y0;  // rows below the first end, in the top row
  // The band: (x - x0) dy within t dx -+ reach. Along the segment: (x - x0) dx within
  // [-t dy, len2 - t dy], divided by |dx| the right way round.
  RowQuotient band_lo(t * dx - reach, dx, std::max<std::int64_t>(dy, 1));
  RowQuotient band_hi(t * dx + reach, dx, std::max<std::int64_t>(dy, 1));
  const std::int64_t adx = std::max<std::int64_t>(std::abs(dx), 1);
  RowQuotient along_lo(dx >= 0 ? -t * dy : t * dy - len2, dx >= 0 ? -dy : dy, adx);
  RowQuotient along_hi(dx >= 0 ? len2 - t * dy : t * dy, dx >= 0 ? -dy : dy, adx);
  constexpr std::int64_t kNone = INT64_MAX;
  const auto draw = [&](std::int64_t y, std::int64_t lo, std::int64_t hi) {
    if (lo > hi || hi < 0 || lo >= buf.width) return;
    span(buf, static_cast<int>(y), static_cast<int>(std::max<std::int64_t>(lo, -1)),
         static_cast<int>(std::min<std::int64_t>(hi, buf.width)), value);
  };
  // Rows more than half a pen from both ends (y0 + pen / 2 < y < y1 - pen / 2) meet neither end
  // nor the limits along the segment, only the band.
  const std::int64_t mid_first = std::max(top, y0 + pen / 2 + 1);
  const std::int64_t mid_last = std::min(bottom, y1 - pen / 2 - 1);
  const auto near_an_end = [&](std::int64_t y) {
    std::int64_t lo = kNone, hi = -kNone;
    for (const auto& [ex, ey] : {std::pair{x0, y0}, std::pair{x1, y1}}) {
      const std::int64_t v = w2 - 4 * (y - ey) * (y - ey);  // 4 (x - ex)^2 <= v
      if (v < 0) continue;
      const std::int64_t half = isqrt(v / 4);
      lo = std::min(lo, ex - half);
      hi = std::max(hi, ex + half);
    }
    if (len2 > 0) {
      const std::int64_t ty = y - y0;
      std::int64_t blo = -kNone, bhi = kNone;
      if (dy > 0) {
        blo = x0 + band_lo.ceil();
        bhi = x0 + band_hi.floor();
      } else if (std::abs(ty * dx) > reach) {
        blo = kNone;  // a level line: its band holds whole rows or none
      }
      if (dx != 0) {
        blo = std::max(blo, x0 + along_lo.ceil());
        bhi = std::min(bhi, x0 + along_hi.floor());
      } else if (ty * dy < 0 || ty * dy > len2) {
        blo = kNone;  // an upright line: the rows between its ends
      }
      if (blo <= bhi) {
        lo = std::min(lo, blo);
        hi = std::max(hi, bhi);
      }
    }
    band_lo.next();
    band_hi.next();
    along_lo.next();
    along_hi.next();
    draw(y, lo, hi);
  };
  std::int64_t y = top;
  for (; y <= bottom && y < mid_first; ++y) near_an_end(y);
  if (y <= mid_last) {
    along_lo.skip(mid_last - y + 1);
    along_hi.skip(mid_last - y + 1);
    for (; y <= mid_last; ++y) {
      draw(y, x0 + band_lo.ceil(), x0 + band_hi.floor());
      band_lo.next();
      band_hi.next();
    }
  }
  for (; y <= bottom; ++y) near_an_end(y);
}

}  // namespace

void raster_line(const PixelBuffer& buf, int x0, int y0, int x1, int y1, int pen_width,
                 std::uint32_t value) {
  if (buf.width <= 0 || buf.height <= 0) return;
  if (pen_width <= 1) {
    bresenham(buf, x0, y0, x1, y1, value);
    return;
  }
  if (pen_width <= 1024 && buf.height <= kSmall &&
      std::max({std::abs(static_cast<std::int64_t>(x0)), std::abs(static_cast<std::int64_t>(y0)),
                std::abs(static_cast<std::int64_t>(x1)),
                std::abs(static_cast<std::int64_t>(y1))}) <= kSmall) {
    exact_line(buf, x0, y0, x1, y1, pen_width, value);
    return;
  }
  constexpr double kEps = 1e-9;
  const double h = pen_width / 2.0;
  const double ax = x0, ay = y0, dx = static_cast<double>(x1) - x0,
               dy = static_cast<double>(y1) - y0;
  const double len2 = dx * dx + dy * dy, len = std::sqrt(len2);
  // Rows clamped in floating point first: ends and pen may reach beyond an int's range.
  const int top = static_cast<int>(std::max(0.0, std::floor(std::min(ay, ay + dy) - h)));
  const int bottom =
      static_cast<int>(std::min(buf.height - 1.0, std::ceil(std::max(ay, ay + dy) + h)));
  // Rows more than a pen's half width from both ends, between them, cross the body alone, away
  // from its ends: there the columns move by dx / dy a row, with no root and no division.
  const double near = h + 1;
  const double mid_top = std::min(ay, ay + dy) + near, mid_bottom = std::max(ay, ay + dy) - near;
  const double step = dy != 0 ? dx / dy : 0, half = dy != 0 ? h * len / std::abs(dy) : 0;
  for (int y = top; y <= bottom; ++y) {
    if (y > mid_top && y < mid_bottom) {
      const double centre = ax + (y - ay) * step;
      const double lo = std::ceil(centre - half - kEps), hi = std::floor(centre + half + kEps);
      if (hi >= 0 && lo < buf.width)
        span(buf, y, static_cast<int>(std::max(lo, -1.0)),
             static_cast<int>(std::min(hi, static_cast<double>(buf.width))), value);
      continue;
    }
    Interval row;
    // The two round ends.
    const double ends[2][2] = {{ax, ay}, {ax + dx, ay + dy}};
    for (const auto& e : ends) {
      const double r2 = h * h - (y - e[1]) * (y - e[1]);
      if (r2 >= -kEps) {
        const double w = std::sqrt(std::max(0.0, r2));
        row.hull({e[0] - w, e[0] + w});
      }
    }
    // The body: 0 <= (P - A).d <= |d|^2 and |(P - A) x d| <= h |d|, with P = (x, y).
    if (len2 > 0) {
      const double yc = y - ay;
      Interval body = solve(dy, yc * dx - h * len, yc * dx + h * len);  // (x - ax) range
      const Interval along = solve(dx, -yc * dy, len2 - yc * dy);
      body.clip(along.lo, along.hi);
      if (!body.empty()) row.hull({body.lo + ax, body.hi + ax});
    }
    if (row.empty()) continue;
    const double lo = std::ceil(row.lo - kEps), hi = std::floor(row.hi + kEps);
    if (hi < 0 || lo >= buf.width) continue;
    span(buf, y, static_cast<int>(std::max(lo, -1.0)),
         static_cast<int>(std::min(hi, static_cast<double>(buf.width))), value);
  }
}

namespace {

// Within these the squares below stay inside 64 bits; the picture box passes no more.
constexpr int kMaxRadius = 1 << 30, kMaxPen = 1 << 29;

// A thick circle in units of half pixels: a pixel at (dx, dy) from the centre is painted when
// (2r - w)^2 <= 4 (dx^2 + dy^2) <= (2r + w)^2 (the inner bound only when 2r > w).
struct RingBounds {
  std::int64_t outer, outer2, inner2;
};
RingBounds ring_bounds(int r, int pen_width) {
  const std::int64_t outer = 2LL * r + pen_width;
  const std::int64_t inner = 2LL * r - pen_width;
  return {outer, outer * outer, inner > 0 ? inner * inner : -1};
}

// floor(sqrt(v)) for v >= 0; when n > 0 it is taken as a guess close to that (the value of the
// row before) and walked to it, which costs less than a root when rows follow one another.
std::int64_t root_near(std::int64_t v, std::int64_t n) {
  if (n <= 0) return isqrt(v);
  while (n > 0 && n * n > v) --n;
  while ((n + 1) * (n + 1) <= v) ++n;
  return n;
}

// The columns |dx| in [lo, hi] that the ring covers in the row where q = 4 dy^2; false when none.
// lo and hi come in as guesses (0: none) and go out as the row's values.
bool ring_row(std::int64_t outer2, std::int64_t inner2, std::int64_t q, std::int64_t& lo,
              std::int64_t& hi) {
  if (q > outer2) return false;
  hi = root_near((outer2 - q) / 4, hi);
  if (inner2 < 0 || q > inner2) {
    lo = 0;
    return true;
  }
  // |dx| >= lo, where lo is the smallest with 4 (lo^2 + dy^2) >= inner2.
  const std::int64_t need = inner2 - q;  // 4 lo^2 >= need
  if (lo <= 0) lo = isqrt(need / 4);
  while (lo > 0 && 4 * (lo - 1) * (lo - 1) >= need) --lo;
  while (4 * lo * lo < need) ++lo;
  return lo <= hi;
}

// Columns cx - hi .. cx - lo and cx + lo .. cx + hi of row y (one span when lo is 0).
void ring_spans(const PixelBuffer& buf, std::int64_t y, std::int64_t cx, std::int64_t lo,
                std::int64_t hi, std::uint32_t v) {
  auto clamped = [&](std::int64_t x) {
    return static_cast<int>(std::clamp<std::int64_t>(x, -1, buf.width));
  };
  const int row = static_cast<int>(y);
  if (lo == 0) {
    span(buf, row, clamped(cx - hi), clamped(cx + hi), v);
    return;
  }
  span(buf, row, clamped(cx - hi), clamped(cx - lo), v);
  span(buf, row, clamped(cx + lo), clamped(cx + hi), v);
}

}  // namespace

void raster_circle(const PixelBuffer& buf, int cx, int cy, int r, int pen_width,
                   std::uint32_t value) {
  if (buf.width <= 0 || buf.height <= 0 || r < 0) return;
  r = std::min(r, kMaxRadius);
  pen_width = std::min(pen_width, kMaxPen);
  if (pen_width <= 1) {
    midpoint_circle(buf, cx, cy, r, value);
    return;
  }
  const RingBounds b = ring_bounds(r, pen_width);
  const std::int64_t reach = b.outer / 2;
  const std::int64_t top = std::max<std::int64_t>(cy - reach, 0);
  const std::int64_t bottom = std::min<std::int64_t>(cy + reach, buf.height - 1);
  for (std::int64_t y = top; y <= bottom; ++y) {
    std::int64_t lo = 0, hi = 0;
    if (ring_row(b.outer2, b.inner2, 4 * (y - cy) * (y - cy), lo, hi))
      ring_spans(buf, y, cx, lo, hi, value);
  }
}

bool RingBatch::add(int cx, int cy, int r, int pen_width, std::uint32_t value) {
  constexpr std::size_t kMaxRings = 1024;
  r = std::min(r, kMaxRadius);
  pen_width = std::min(pen_width, kMaxPen);
  if (r < 0 || pen_width <= 1) return false;
  if (!rings_.empty()) {
    if (cx != cx_ || cy != cy_ || pen_width != pen_ || r < r_) return false;
    if (r == r_) {  // the same pixels: only the later colour shows
      rings_.back().value = value;
      return true;
    }
    if (rings_.size() == kMaxRings) return false;
  }
  cx_ = cx;
  cy_ = cy;
  pen_ = pen_width;
  r_ = r;
  const RingBounds b = ring_bounds(r, pen_width);
  rings_.push_back({b.outer2, b.inner2, value});
  return true;
}

void RingBatch::flush(const PixelBuffer& buf) {
  if (rings_.empty() || buf.width <= 0 || buf.height <= 0) {
    rings_.clear();
    return;
  }
  // Rings grow outwards, so in every row the columns they cover grow too: walking from the last
  // ring inwards, each one adds just the columns inside all those drawn after it. The rows at the
  // same distance above and below the centre are alike: the second is copied from the first.
  // Distances t from the centre's row whose row above (cy - t) or below (cy + t) is in the buffer:
  // [max(0, cy - last), cy] above and [max(1, -cy), last - cy] below, within the rings' reach.
  const std::int64_t reach = ring_bounds(r_, pen_).outer / 2;
  const std::int64_t cy = cy_, last = static_cast<std::int64_t>(buf.height) - 1;
  std::int64_t first = INT64_MAX, final = -1;
  if (cy >= 0) {
    first = std::max<std::int64_t>(0, cy - last);
    final = cy;
  }
  if (cy <= last - 1) {
    first = std::min(first, std::max<std::int64_t>(1, -cy));
    final = std::max(final, last - cy);
  }
  for (std::int64_t t = first; t <= std::min(final, reach); ++t) {
    const std::int64_t above = cy - t, below = cy + t;
    const bool has_above = above >= 0 && above <= last;
    const bool has_below = t > 0 && below >= 0 && below <= last;
    if (!has_above && !has_below) continue;
    const std::int64_t y = has_above ? above : below;
    std::uint32_t* row = buf.bits + static_cast<std::ptrdiff_t>(y) * buf.stride;
    // The painted columns as runs: those left of the centre grow rightwards ring by ring, those
    // right of it leftwards.
    left_runs_.clear();
    right_runs_.clear();
    const auto paint = [&](std::int64_t from, std::int64_t to, std::uint32_t v, bool right) {
      const int x0 = static_cast<int>(std::max<std::int64_t>(from, 0));
      const int x1 = static_cast<int>(std::min<std::int64_t>(to, buf.width - 1));
      if (x0 > x1) return;
      fill_words(row + x0, static_cast<std::size_t>(x1 - x0) + 1, v);
      auto& runs = right ? right_runs_ : left_runs_;
      if (!right && !runs.empty() && runs.back().x1 + 1 == x0)
        runs.back().x1 = x1;
      else if (right && !runs.empty() && x1 + 1 == runs.back().x0)
        runs.back().x0 = x0;
      else
        runs.push_back({x0, x1});
    };
    const std::int64_t q = 4 * t * t;
    std::int64_t covered = INT64_MAX;  // columns from here outwards are painted
    for (auto it = rings_.rbegin(); it != rings_.rend() && covered > 0; ++it) {
      if (it->outer2 < q) break;  // this ring and every smaller one miss the row
      std::int64_t& lo = it->lo;
      std::int64_t& hi = it->hi;
      if (!ring_row(it->outer2, it->inner2, q, lo, hi)) continue;
      if (lo < covered) {
        const std::int64_t h = std::min(hi, covered - 1);
        if (lo == 0) {
          paint(cx_ - h, cx_ + h, it->value, false);
        } else {
          paint(cx_ - h, cx_ - lo, it->value, false);
          paint(cx_ + lo, cx_ + h, it->value, true);
        }
      }
      covered = std::min(covered, lo);
    }
    if (has_above && has_below) {
      std::uint32_t* mirror = buf.bits + static_cast<std::ptrdiff_t>(below) * buf.stride;
      for (const auto* runs : {&left_runs_, &right_runs_})
        for (const Run& r : *runs)
          std::memcpy(mirror + r.x0, row + r.x0,
                      static_cast<std::size_t>(r.x1 - r.x0 + 1) * sizeof *row);
    }
  }
  rings_.clear();
}

bool BoxBatch::add(int x0, int y0, int x1, int y1, std::uint32_t value) {
  constexpr std::size_t kMaxBoxes = 1024;
  if (boxes_.size() == kMaxBoxes) return false;
  boxes_.push_back({x0, y0, x1, y1, value});
  return true;
}

void BoxBatch::flush(const PixelBuffer& buf, std::optional<std::uint32_t> background) {
  if (!background && boxes_.size() == 1) {  // nothing to share
    const Box& b = boxes_.front();
    fill_span_rect(buf, b.x0, b.y0, b.x1, b.y1, b.value);
    boxes_.clear();
    return;
  }
  std::size_t kept = 0;  // the boxes clipped to the buffer, those left
  edges_.assign({0, buf.height});
  for (Box b : boxes_) {
    b.x0 = std::max(b.x0, 0);
    b.x1 = std::min(b.x1, buf.width);
    b.y0 = std::max(b.y0, 0);
    b.y1 = std::min(b.y1, buf.height);
    if (b.x0 >= b.x1 || b.y0 >= b.y1) continue;
    boxes_[kept++] = b;
    edges_.push_back(b.y0);
    edges_.push_back(b.y1);
  }
  boxes_.resize(kept);
  if (buf.width <= 0 || buf.height <= 0) {
    boxes_.clear();
    return;
  }
  std::sort(edges_.begin(), edges_.end());
  edges_.erase(std::unique(edges_.begin(), edges_.end()), edges_.end());
  // Bands of rows between edges: every box covers all the rows of a band or none of them. Each
  // band's boxes, in the order they came, are listed at first_[band] .. first_[band + 1] of in_.
  const std::size_t bands = edges_.size() - 1;
  auto band_of = [&](int y) {
    return static_cast<std::size_t>(std::lower_bound(edges_.begin(), edges_.end(), y) -
                                    edges_.begin());
  };
  first_.assign(bands + 1, 0);
  for (const Box& b : boxes_)
    for (std::size_t k = band_of(b.y0), end = band_of(b.y1); k < end; ++k) ++first_[k + 1];
  for (std::size_t k = 0; k < bands; ++k) first_[k + 1] += first_[k];
  in_.resize(first_[bands]);
  fill_.assign(first_.begin(), first_.end() - 1);
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    for (std::size_t k = band_of(boxes_[i].y0), end = band_of(boxes_[i].y1); k < end; ++k)
      in_[fill_[k]++] = i;
  std::vector<Run>& runs = runs_;  // the columns that a band's boxes cover, left to right
  for (std::size_t k = 0; k < bands; ++k) {
    const int top = edges_[k], bottom = edges_[k + 1];
    if (background) span(buf, top, 0, buf.width - 1, *background);
    runs.clear();
    for (std::size_t j = first_[k]; j < first_[k + 1]; ++j) {
      const Box& b = boxes_[in_[j]];
      span(buf, top, b.x0, b.x1 - 1, b.value);
      runs.push_back({b.x0, b.x1});
    }
    if (background) {
      runs.assign(1, {0, buf.width});
    } else {
      std::sort(runs.begin(), runs.end(), [](Run a, Run b) { return a.x0 < b.x0; });
      std::size_t n = 0;
      for (const Run& r : runs) {
        if (n > 0 && r.x0 <= runs[n - 1].x1)
          runs[n - 1].x1 = std::max(runs[n - 1].x1, r.x1);
        else
          runs[n++] = r;
      }
      runs.resize(n);
    }
    const std::uint32_t* first = buf.bits + static_cast<std::ptrdiff_t>(top) * buf.stride;
    for (int y = top + 1; y < bottom; ++y)
      for (const Run& r : runs)
        std::memcpy(buf.bits + static_cast<std::ptrdiff_t>(y) * buf.stride + r.x0, first + r.x0,
                    static_cast<std::size_t>(r.x1 - r.x0) * sizeof *first);
  }
  boxes_.clear();
}

}  // namespace quillon::forms
