// The four synthetic stock icons of the headless backend (32 x 32, drawn in code):
// 1 stop (red disc, white X), 2 question (blue disc, white ?), 3 exclamation (yellow triangle,
// black !), 4 information (blue disc, white i). At another icon size, the 32 x 32 picture taken
// pixel for pixel by nearest neighbour. A handle is the kind and the size: 8 * size + kind.
#include <array>
#include <cmath>
#include <map>
#include <mutex>

#include "forms/headless/internal.h"

namespace quillon::forms::headless {

namespace {

constexpr int kSize = 32;

// 5 x 7 glyphs, drawn three times enlarged in the middle of the icon.
constexpr std::array<const char*, 7> kQuestion = {".###.", "#...#", "....#", "...#.",
                                                  "..#..", ".....", "..#.."};
constexpr std::array<const char*, 7> kBang = {"..#..", "..#..", "..#..", "..#..",
                                              "..#..", ".....", "..#.."};
constexpr std::array<const char*, 7> kInfo = {"..#..", ".....", ".##..", "..#..",
                                              "..#..", "..#..", ".###."};

void glyph(Bitmap& b, const std::array<const char*, 7>& g, Rgb colour, int top) {
  const int scale = 3, left = (kSize - 5 * scale) / 2;
  for (int r = 0; r < 7; ++r)
    for (int c = 0; c < 5; ++c)
      if (g[static_cast<std::size_t>(r)][c] == '#')
        for (int dy = 0; dy < scale; ++dy)
          for (int dx = 0; dx < scale; ++dx)
            b.pixels[static_cast<std::size_t>((top + r * scale + dy) * kSize + left + c * scale +
                                              dx)] = colour;
}

Bitmap disc(Rgb colour) {
  Bitmap b{kSize, kSize, std::vector<Rgb>(kSize * kSize, kTransparent)};
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
      if (dx * dx + dy * dy <= 15.0 * 15.0)
        b.pixels[static_cast<std::size_t>(y * kSize + x)] = colour;
    }
  return b;
}

Bitmap make(IconHandle h) {
  const Rgb white = rgb(255, 255, 255), black = 0;
  switch (h) {
    case 1: {
      Bitmap b = disc(rgb(220, 0, 0));
      for (int i = 9; i <= 22; ++i)
        for (int t = -1; t <= 1; ++t) {
          const int a = i + t;
          if (a < 0 || a >= kSize) continue;
          b.pixels[static_cast<std::size_t>(i * kSize + a)] = white;
          b.pixels[static_cast<std::size_t>(i * kSize + (31 - a))] = white;
        }
      return b;
    }
    case 2: {
      Bitmap b = disc(rgb(0, 70, 200));
      glyph(b, kQuestion, white, 5);
      return b;
    }
    case 3: {
      Bitmap b{kSize, kSize, std::vector<Rgb>(kSize * kSize, kTransparent)};
      for (int y = 2; y < 30; ++y) {
        const double half = (y - 2) * 15.0 / 27.0 + 0.5;
        for (int x = 0; x < kSize; ++x)
          if (std::abs(x + 0.5 - 16) <= half)
            b.pixels[static_cast<std::size_t>(y * kSize + x)] = rgb(250, 210, 0);
      }
      glyph(b, kBang, black, 8);
      return b;
    }
    case 4: {
      Bitmap b = disc(rgb(0, 70, 200));
      glyph(b, kInfo, white, 5);
      return b;
    }
    default:
      return {};
  }
}

}  // namespace

IconHandle stock_icon_handle(int kind, int size_px) {
  if (kind < 1 || kind > 4 || size_px < 1 || size_px > 256) return 0;
  return static_cast<IconHandle>(size_px) * 8 + static_cast<IconHandle>(kind);
}

const Bitmap* stock_icon_bitmap(IconHandle handle) {
  static const std::array<Bitmap, 4> icons = {make(1), make(2), make(3), make(4)};
  static std::mutex mutex;
  static std::map<IconHandle, Bitmap> sized;
  const IconHandle kind = handle % 8, size = handle / 8;
  if (kind < 1 || kind > 4 || size < 1 || size > 256) return nullptr;
  const Bitmap& base = icons[kind - 1];
  if (size == static_cast<IconHandle>(kSize)) return &base;
  const std::lock_guard lock(mutex);
  auto [it, made] = sized.try_emplace(handle);
  if (made) {
    const int n = static_cast<int>(size);
    it->second = Bitmap{n, n, std::vector<Rgb>(static_cast<std::size_t>(n) * n)};
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x)
        it->second.pixels[static_cast<std::size_t>(y * n + x)] =
            base.at(x * kSize / n, y * kSize / n);
  }
  return &it->second;
}

}  // namespace quillon::forms::headless
