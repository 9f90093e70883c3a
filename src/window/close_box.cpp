// The close-box pictures, drawn pixel by pixel: an edge lit from the top left (raised) or from
// the bottom right (pressed), the face, and a one-pixel black cross in rows and columns 4 to 9.
#include "window/close_box.h"

#include <algorithm>

#include "forms/backend.h"

namespace quillon::window {

namespace {

using forms::Bitmap;
using forms::Rgb;
using forms::rgb;

constexpr int kSize = 14;
constexpr Rgb kWhite = rgb(255, 255, 255);
constexpr Rgb kSilver = rgb(192, 192, 192);
constexpr Rgb kGrey = rgb(128, 128, 128);
constexpr Rgb kBlack = 0;

struct Canvas14 {
  Bitmap b{kSize, kSize, std::vector<Rgb>(kSize* kSize, kCloseBoxFace)};
  void set(int row, int col, Rgb c) { b.pixels[static_cast<std::size_t>(row * kSize + col)] = c; }
  void row(int r, int c0, int c1, Rgb c) {
    for (int col = c0; col <= c1; ++col) set(r, col, c);
  }
  void col(int c, int r0, int r1, Rgb colour) {
    for (int r = r0; r <= r1; ++r) set(r, c, colour);
  }
  void cross(Rgb c = kBlack) {
    for (int i = 4; i <= 9; ++i) {
      set(i, i, c);
      set(i, 13 - i, c);
    }
  }
};

}  // namespace

forms::Picture CloseBoxUpPicture() {
  Canvas14 p;
  p.row(0, 0, 12, kWhite);
  p.col(0, 0, 12, kWhite);
  p.row(1, 1, 11, kSilver);
  p.col(1, 1, 11, kSilver);
  p.row(12, 1, 12, kGrey);
  p.col(12, 1, 12, kGrey);
  p.row(13, 0, 13, kBlack);
  p.col(13, 0, 13, kBlack);
  p.cross();
  return std::make_shared<const Bitmap>(std::move(p.b));
}

forms::Picture CloseBoxDownPicture() {
  Canvas14 p;
  p.row(0, 0, 12, kGrey);
  p.col(0, 0, 12, kGrey);
  p.row(1, 0, 11, kGrey);
  p.col(1, 0, 11, kGrey);
  p.row(12, 1, 12, kSilver);
  p.col(12, 1, 12, kSilver);
  p.row(13, 0, 13, kWhite);
  p.col(13, 0, 13, kWhite);
  p.cross();
  return std::make_shared<const Bitmap>(std::move(p.b));
}

forms::Picture HighContrastCloseBoxPicture(bool pressed) {
  const Rgb face = forms::resolve_color(pressed ? 0x8000000D : 0x8000000F);
  const Rgb ink = forms::resolve_color(pressed ? 0x8000000E : 0x80000012);
  Canvas14 p;
  std::fill(p.b.pixels.begin(), p.b.pixels.end(), face);
  for (int edge : {0, kSize - 1}) {
    p.row(edge, 0, kSize - 1, ink);
    p.col(edge, 0, kSize - 1, ink);
  }
  p.cross(ink);
  return std::make_shared<const Bitmap>(std::move(p.b));
}

}  // namespace quillon::window
