// Row-by-row rasterisation of thick lines and circles (see raster.h).
#include "forms/raster.h"

#include <algorithm>
#include <array>
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

// Writes columns x0 to x1 of a row, clipped to it. A run of fewer than eight pixels is written
// as eight when the pixels after it, up to limit, are written again later.
void put_run(std::uint32_t* row, int width, std::int64_t x0, std::int64_t x1, std::uint32_t v,
             std::int64_t limit) {
  x0 = std::max<std::int64_t>(x0, 0);
  x1 = std::min<std::int64_t>(x1, width - 1);
  if (x0 > x1) return;
  if (x1 - x0 < 8 && x0 + 8 <= std::min<std::int64_t>(limit, width)) {
    for (int k = 0; k < 8; ++k) row[x0 + k] = v;
  } else {
    fill_words(row + x0, static_cast<std::size_t>(x1 - x0) + 1, v);
  }
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
  RowQuotient() = default;
  RowQuotient(std::int64_t n, std::int64_t per_row, std::int64_t d) : d_(d) {
    q_ = floor_div(n, d);
    r_ = n - q_ * d;
    whole_ = floor_div(per_row, d);
    part_ = per_row - whole_ * d;
  }
  std::int64_t floor() const { return q_; }
  std::int64_t ceil() const { return q_ + (r_ > 0 ? 1 : 0); }
  void next() {  // without a branch: the carry goes either way at random from row to row
    r_ += part_;
    const std::int64_t carry = r_ >= d_;
    q_ += whole_ + carry;
    r_ -= d_ & -carry;
  }
  // x plus the floor (or the ceiling) of this row and the count - 1 rows after it, into out; the
  // quotient moves on past them.
  void rows(std::int64_t count, std::int64_t x, bool ceiling, std::int64_t* out) {
    RowQuotient q = *this;  // a local copy, which the compiler keeps in registers
    for (std::int64_t k = 0; k < count; ++k) {
      out[k] = x + (ceiling ? q.ceil() : q.floor());
      q.next();
    }
    *this = q;
  }
  void skip(std::int64_t rows) {
    q_ += whole_ * rows;
    r_ += part_ * rows;
    const std::int64_t carry = floor_div(r_, d_);
    q_ += carry;
    r_ -= carry * d_;
  }

 private:
  std::int64_t d_ = 1, q_ = 0, r_ = 0, whole_ = 0, part_ = 0;  // n = q d + r, 0 <= r < d
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

struct Point {
  std::int64_t x, y;
  bool operator==(const Point&) const = default;
};
Point operator-(Point a, Point b) {
  return {a.x - b.x, a.y - b.y};
}
std::int64_t cross(Point a, Point b) {
  return a.x * b.y - a.y * b.x;
}
std::int64_t dot(Point a, Point b) {
  return a.x * b.x + a.y * b.y;
}

// An outline's four corners as a convex region: its corners without repeats, and the way they go
// round (+1 or -1; 0 for a region with no inside, a point or a segment).
struct Region {
  std::array<Point, 4> p{};
  int m = 0;
  int turn = 0;
};

// False when the lines do not bound a convex region (or cover a point or a segment whole).
bool make_region(const std::array<Point, 4>& corners, Region& r) {
  r.m = 0;
  for (const Point& c : corners)
    if (r.m == 0 || c != r.p[r.m - 1]) r.p[r.m++] = c;
  while (r.m > 1 && r.p[r.m - 1] == r.p[0]) --r.m;
  const auto at = [&](int j) { return r.p[j % r.m]; };
  std::int64_t area2 = 0;
  for (int j = 0; j < r.m; ++j) area2 += cross(at(j), at(j + 1));
  r.turn = area2 > 0 ? 1 : area2 < 0 ? -1 : 0;
  for (int j = 0; j < r.m; ++j) {
    if (r.turn == 0) {  // every corner on one line
      if (cross(at(j) - at(0), at(1) - at(0)) != 0) return false;
      continue;
    }
    const Point e1 = at(j + 1) - at(j), e2 = at(j + 2) - at(j + 1);
    const std::int64_t c = cross(e1, e2);
    if (c * r.turn < 0 || (c == 0 && dot(e1, e2) <= 0)) return false;
  }
  return true;
}

bool contains(const Region& r, Point v) {
  if (r.turn != 0) {
    for (int j = 0; j < r.m; ++j)
      if (r.turn * cross(r.p[(j + 1) % r.m] - r.p[j], v - r.p[j]) < 0) return false;
    return true;
  }
  if (r.m == 1) return v == r.p[0];
  const Point d = r.p[1] - r.p[0];
  if (cross(d, v - r.p[0]) != 0) return false;
  std::int64_t lo = INT64_MAX, hi = INT64_MIN;
  for (int j = 0; j < r.m; ++j) {
    lo = std::min(lo, dot(r.p[j] - r.p[0], d));
    hi = std::max(hi, dot(r.p[j] - r.p[0], d));
  }
  const std::int64_t along = dot(v - r.p[0], d);
  return along >= lo && along <= hi;
}

// The pixels of a region more than half a pen inside every edge, row by row. For an edge from A
// along d, g = turn (dx (y - Ay) - dy (x - Ax)) is |d| times a pixel's distance inside it, and the
// pixel is far enough in when 4 g^2 > pen^2 |d|^2, that is g > reach. An edge that is not level
// bounds x from one side, by a quotient that follows row by row; a level edge bounds the rows.
// In each row one lower and one upper bound hold (the largest and the smallest), and which one
// changes at rows worked out at the start, so a row moves two quotients on, not one per edge.
// Rows are asked for in increasing order.
class Inside {
 public:
  void start(const Region& r, std::int64_t pen) {
    lower_.clear();
    upper_.clear();
    first_ = 1;
    last_ = 0;
    if (r.turn == 0) return;  // no inside
    first_ = INT64_MAX;
    last_ = INT64_MIN;
    for (int j = 0; j < r.m; ++j) {
      first_ = std::min(first_, r.p[j].y + 1);
      last_ = std::max(last_, r.p[j].y - 1);
    }
    first_ = std::max<std::int64_t>(first_, 0);  // rows above the buffer are never asked for
    for (int j = 0; j < r.m; ++j) {
      const Point a = r.p[j], d = r.p[(j + 1) % r.m] - a;
      const std::int64_t reach = isqrt(pen * pen * dot(d, d) / 4);
      const std::int64_t tdx = r.turn * d.x, alpha = -r.turn * d.y;
      if (alpha > 0)  // x - Ax > (reach - tdx (y - Ay)) / alpha
        lower_.add(a.x + 1, reach - tdx * (first_ - a.y), -tdx, alpha);
      else if (alpha < 0)  // x - Ax < (tdx (y - Ay) - reach) / -alpha
        upper_.add(a.x - 1, tdx * (first_ - a.y) - reach, tdx, -alpha);
      else if (tdx > 0)  // a level edge: tdx (y - Ay) > reach
        first_ = std::max(first_, a.y + reach / tdx + 1);
      else
        last_ = std::min(last_, a.y - reach / -tdx - 1);
    }
    lower_.order(true);
    upper_.order(false);
  }

  // The columns [lo[k], hi[k]] of the rows y0 + k, k < count (none when lo[k] > hi[k]).
  void band(std::int64_t y0, std::int64_t count, std::int64_t* lo, std::int64_t* hi) {
    const std::int64_t from = std::max(y0, first_), to = std::min(y0 + count - 1, last_);
    for (std::int64_t k = 0; k < count; ++k) {
      lo[k] = 1;
      hi[k] = 0;
    }
    if (from > to) return;
    lower_.rows(from - first_, to - from + 1, false, lo + (from - y0));
    upper_.rows(from - first_, to - from + 1, true, hi + (from - y0));
  }

 private:
  // x + (n + p t) / d in row first + t: rounded down for a lower bound, up for an upper one.
  struct Bound {
    RowQuotient q;
    std::int64_t x, n, p, d;
    std::int64_t t = 0;                             // the row its quotient is at
    std::int64_t from = INT64_MIN, to = INT64_MAX;  // the rows in which it is the one that holds
  };
  // The bounds on one side: the largest of the lower bounds holds, the smallest of the upper ones.
  class Side {
   public:
    void clear() { n_ = cur_ = 0; }
    void add(std::int64_t x, std::int64_t n, std::int64_t p, std::int64_t d) {
      b_[n_++] = Bound{RowQuotient(n, p, d), x, n, p, d};
    }
    // The rows in which each bound holds. Bound j against bound k, times d_j d_k, is K t >= R
    // with K = p_j d_k - p_k d_j and R = (x_k - x_j) d_j d_k - n_j d_k + n_k d_j, the other way
    // round for upper bounds; so each holds over an interval, and the intervals follow one another.
    void order(bool largest) {
      for (int j = 0; j < n_; ++j)
        for (int k = 0; k < n_; ++k) {
          if (k == j) continue;
          Bound &a = b_[j], &b = b_[k];
          const std::int64_t sign = largest ? 1 : -1;
          const std::int64_t K = sign * (a.p * b.d - b.p * a.d);
          const std::int64_t R = sign * ((b.x - a.x) * a.d * b.d - a.n * b.d + b.n * a.d);
          if (K > 0)
            a.from = std::max(a.from, -floor_div(-R, K));
          else if (K < 0)
            a.to = std::min(a.to, floor_div(-R, -K));
          else if (R > 0 || (R == 0 && k < j))  // never above it, or the same line as another
            a.to = INT64_MIN;
        }
      int kept = 0;  // those that hold somewhere, in the order of their rows
      for (int j = 0; j < n_; ++j) {
        if (b_[j].from > b_[j].to) continue;
        const Bound b = b_[j];
        int at = kept++;
        for (; at > 0 && b_[at - 1].from > b.from; --at) b_[at] = b_[at - 1];
        b_[at] = b;
      }
      n_ = kept;
    }
    // Rows t to t + count - 1 into out, from the bounds that hold in them.
    void rows(std::int64_t t, std::int64_t count, bool ceiling, std::int64_t* out) {
      while (count > 0) {
        while (cur_ + 1 < n_ && t > b_[cur_].to) ++cur_;
        Bound& b = b_[cur_];
        if (t != b.t) b.q.skip(t - b.t);
        const std::int64_t run = b.to - t >= count ? count : b.to - t + 1;
        b.q.rows(run, b.x, ceiling, out);
        b.t = t + run;
        t += run;
        out += run;
        count -= run;
      }
    }

   private:
    std::array<Bound, 4> b_{};
    int n_ = 0, cur_ = 0;
  };
  Side lower_, upper_;
  std::int64_t first_ = 1, last_ = 0;
};

}  // namespace

bool OutlineBatch::add(int x0, int y0, int x1, int y1, int pen_width, std::uint32_t value) {
  constexpr std::size_t kMaxLines = 4 * 1024;
  if (pen_width <= 1 || pen_width > 1024 ||
      std::max({std::abs(static_cast<std::int64_t>(x0)), std::abs(static_cast<std::int64_t>(y0)),
                std::abs(static_cast<std::int64_t>(x1)), std::abs(static_cast<std::int64_t>(y1))}) >
          kSmall)
    return false;
  if (!lines_.empty()) {
    if (pen_width != pen_ || lines_.size() == kMaxLines) return false;
    const Line& last = lines_.back();
    const std::size_t in_outline = lines_.size() % 4;  // lines of the outline drawn so far
    if (in_outline != 0 && (x0 != last.x1 || y0 != last.y1 || value != last.value)) return false;
    if (in_outline == 3) {
      const Line& first = lines_[lines_.size() - 3];
      if (x1 != first.x0 || y1 != first.y0) return false;
    }
  }
  pen_ = pen_width;
  lines_.push_back({x0, y0, x1, y1, value});
  return true;
}

bool OutlineBatch::flush(const PixelBuffer& buf) {
  const bool filled = buf.width > 0 && buf.height > 0 && fill_nested(buf);
  if (!filled)
    for (const Line& l : lines_) raster_line(buf, l.x0, l.y0, l.x1, l.y1, pen_, l.value);
  lines_.clear();
  return filled;
}

bool OutlineBatch::fill_nested(const PixelBuffer& buf) {
  const std::size_t n = lines_.size() / 4;
  if (lines_.size() % 4 != 0 || n < 2 || buf.height > kSmall) return false;
  const std::int64_t pen = pen_;
  const auto corner = [&](std::size_t i, std::size_t j) {
    const Line& l = lines_[4 * i + j];
    return Point{l.x0, l.y0};
  };
  std::vector<Region> regions(n);
  for (std::size_t i = 0; i < n; ++i)
    if (!make_region({corner(i, 0), corner(i, 1), corner(i, 2), corner(i, 3)}, regions[i]))
      return false;
  // Each outline inside the next, with no corner moving by more than half a pen: then no pixel
  // of the next one's region is further than half a pen from this one, and every pixel more than
  // half a pen inside an outline (its "inside") is covered by the outline before it.
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = 0; j < 4; ++j) {
      const Point step = corner(i + 1, j) - corner(i, j);
      if (4 * dot(step, step) > pen * pen || !contains(regions[i + 1], corner(i, j))) return false;
    }
  // The last outline's pen as drawn; inside it, each pixel shows the outline before the first
  // whose inside holds it (insides grow outline by outline), and the first one's inside is left.
  for (std::size_t j = 0; j < 4; ++j) {
    const Line& l = lines_[4 * (n - 1) + j];
    exact_line(buf, l.x0, l.y0, l.x1, l.y1, pen, l.value);
  }
  // Each pixel between an outline's inside and the next one's takes the outline's colour. Bands
  // of rows are taken one at a time: first every outline's inside in each row of the band, from
  // the last outline inwards until none has any; then each row once from left to right, a run per
  // outline on either side and the innermost inside in the middle, or left when no outline covers
  // it. A short run is written as eight pixels, the ones after it being written again later.
  // Outlines whose corners lie alike above and below one line (at y and s - y, with the same s
  // for all) give rows y and s - y the same pixels: those below the line are copied.
  std::int64_t top = INT64_MAX, bottom = INT64_MIN;
  for (std::size_t j = 0; j < 4; ++j) {
    top = std::min(top, corner(n - 1, j).y);
    bottom = std::max(bottom, corner(n - 1, j).y);
  }
  const std::int64_t s = top + bottom;
  bool mirrored = true;
  for (std::size_t i = 0; i < n && mirrored; ++i)
    for (std::size_t j = 0; j < 4 && mirrored; ++j) {
      const Point c = corner(i, j), twin{c.x, s - c.y};
      bool found = false;
      for (std::size_t k = 0; k < 4; ++k) found = found || corner(i, k) == twin;
      mirrored = found;
    }
  constexpr std::int64_t kBand = 8;
  std::vector<Inside> inside(n);
  for (std::size_t i = 0; i < n; ++i) inside[i].start(regions[i], pen);
  std::vector<std::array<std::int64_t, kBand>> lo(n), hi(n);
  const auto fill_rows = [&](std::int64_t from, std::int64_t to) {  // rows [from, to)
    for (std::int64_t y0 = from; y0 < to; y0 += kBand) {
      const std::int64_t rows = std::min<std::int64_t>(kBand, to - y0);
      // gone[j]: the largest outline with no inside in row y0 + j (-1: every outline has one).
      std::array<std::int64_t, kBand> gone;
      gone.fill(-1);
      std::int64_t open = rows;
      for (std::size_t i = n; i-- > 0 && open > 0;) {
        inside[i].band(y0, rows, lo[i].data(), hi[i].data());
        for (std::int64_t j = 0; j < rows; ++j)
          if (gone[j] < 0 && lo[i][j] > hi[i][j]) {
            gone[j] = static_cast<std::int64_t>(i);
            --open;
          }
      }
      for (std::int64_t j = 0; j < rows; ++j) {
        const std::int64_t k = gone[j], last = static_cast<std::int64_t>(n) - 1;
        if (k == last) continue;
        const auto at = [](std::int64_t i) { return static_cast<std::size_t>(i); };
        const auto colour = [&](std::int64_t i) { return lines_[4 * at(i)].value; };
        // From left to right: the left side's runs from the last outline inwards, the middle,
        // then the right side's. The pixels up to the end are all written; with the first
        // outline's inside left as it is, those of the left side end there.
        const std::int64_t y = y0 + j;
        std::uint32_t* row = buf.bits + static_cast<std::ptrdiff_t>(y) * buf.stride;
        const std::int64_t end = hi[at(last)][j] + 1, left_end = k >= 0 ? end : lo[0][j];
        for (std::int64_t i = last; i >= k + 2; --i)
          put_run(row, buf.width, lo[at(i)][j], lo[at(i - 1)][j] - 1, colour(i - 1), left_end);
        if (k >= 0) put_run(row, buf.width, lo[at(k + 1)][j], hi[at(k + 1)][j], colour(k), end);
        for (std::int64_t i = k + 2; i <= last; ++i)
          put_run(row, buf.width, hi[at(i - 1)][j] + 1, hi[at(i)][j], colour(i - 1), end);
        if (!mirrored || s - y <= y || s - y >= buf.height) continue;
        std::uint32_t* twin = buf.bits + static_cast<std::ptrdiff_t>(s - y) * buf.stride;
        const auto copy = [&](std::int64_t x0, std::int64_t x1) {  // [x0, x1)
          x0 = std::max<std::int64_t>(x0, 0);
          x1 = std::min<std::int64_t>(x1, buf.width);
          if (x0 < x1)
            std::memcpy(twin + x0, row + x0, static_cast<std::size_t>(x1 - x0) * sizeof *row);
        };
        copy(lo[at(last)][j], left_end);
        if (k < 0) copy(hi[0][j] + 1, end);
      }
    }
  };
  if (mirrored) {  // the rows down to the line, those copied, then any beyond them
    fill_rows(0, std::min<std::int64_t>(s / 2 + 1, buf.height));
    fill_rows(std::max<std::int64_t>(s + 1, 0), buf.height);
  } else {
    fill_rows(0, buf.height);
  }
  return true;
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
