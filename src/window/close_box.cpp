// The close-box pictures, drawn from a description in whole pixels: two frame rings lit from the
// top left (raised) or from the bottom right (pressed), the face, and a black cross. Each ring
// and the cross's stroke are one step wide, a step being the size's whole multiple of 14 (rounded,
// at least 1 pixel), so that every size is sharp and 14 pixels gives the classic picture.
#include "window/close_box.h"

#include <algorithm>
#include <cmath>

#include "forms/backend.h"

namespace quillon::window {

namespace {

using forms::Bitmap;
using forms::Rgb;
using forms::rgb;

constexpr int kBaseSize = 14;       // pixels at 96 DPI
constexpr double kBaseTwips = 210;  // the same side in twips
constexpr int kCrossMargin = 4;     // pixels between the edge and the cross at the base size
constexpr Rgb kWhite = rgb(255, 255, 255);
constexpr Rgb kSilver = rgb(192, 192, 192);
constexpr Rgb kGrey = rgb(128, 128, 128);
constexpr Rgb kBlack = 0;

enum class Side { kTopLeft, kBottomRight };

// One ring of the frame on one side: `ring` steps in from that side's edges; along the edge it
// runs from `from` steps after the start to `to` steps before the end.
struct Edge {
  Side side;
  int ring, from, to;
  Rgb colour;
};

// Painted in order: later edges cover earlier ones where they meet.
constexpr Edge kRaised[] = {{Side::kTopLeft, 0, 0, 1, kWhite},
                            {Side::kTopLeft, 1, 1, 2, kSilver},
                            {Side::kBottomRight, 1, 1, 1, kGrey},
                            {Side::kBottomRight, 0, 0, 0, kBlack}};
constexpr Edge kPressed[] = {{Side::kTopLeft, 0, 0, 1, kGrey},
                             {Side::kTopLeft, 1, 0, 2, kGrey},
                             {Side::kBottomRight, 1, 1, 1, kSilver},
                             {Side::kBottomRight, 0, 0, 0, kWhite}};

class Drawing {
 public:
  explicit Drawing(int size, Rgb face)
      : n_(std::max(size, 1)),
        step_(std::max(1, static_cast<int>(std::lround(static_cast<double>(n_) / kBaseSize)))),
        b_{n_, n_,
           std::vector<Rgb>(static_cast<std::size_t>(n_) * static_cast<std::size_t>(n_), face)} {}

  // Rows [r0, r1) x columns [c0, c1), clipped.
  void box(int r0, int r1, int c0, int c1, Rgb c) {
    for (int r = std::max(r0, 0); r < std::min(r1, n_); ++r)
      for (int col = std::max(c0, 0); col < std::min(c1, n_); ++col)
        b_.pixels[static_cast<std::size_t>(r * n_ + col)] = c;
  }

  // The edge along the top (or bottom) and its mirror along the left (or right).
  void edge(const Edge& e) {
    const int in = e.side == Side::kTopLeft ? e.ring * step_ : n_ - (e.ring + 1) * step_;
    const int a = e.from * step_, z = n_ - e.to * step_;
    box(in, in + step_, a, z, e.colour);
    box(a, z, in, in + step_, e.colour);
  }

  // Both diagonals between the margins, one step thick.
  void cross(Rgb c) {
    const int m = static_cast<int>(std::lround(kCrossMargin * static_cast<double>(n_) / kBaseSize));
    for (int i = m; i + step_ <= n_ - m; ++i) {
      box(i, i + 1, i, i + step_, c);
      box(i, i + 1, n_ - i - step_, n_ - i, c);
    }
  }

  forms::Picture picture() { return std::make_shared<const Bitmap>(std::move(b_)); }

 private:
  int n_, step_;
  Bitmap b_;
};

forms::Picture Framed(const Edge (&edges)[4], int size_px) {
  Drawing d(size_px, kCloseBoxFace);
  for (const Edge& e : edges) d.edge(e);
  d.cross(kBlack);
  return d.picture();
}

}  // namespace

int CloseBoxPixels() {
  const double tpp = forms::backend().screen().TwipsPerPixelX();
  return tpp > 0 ? std::max(1, static_cast<int>(std::lround(kBaseTwips / tpp))) : kBaseSize;
}

forms::Picture CloseBoxUpPicture(int size_px) {
  return Framed(kRaised, size_px);
}

forms::Picture CloseBoxDownPicture(int size_px) {
  return Framed(kPressed, size_px);
}

forms::Picture HighContrastCloseBoxPicture(bool pressed, int size_px) {
  const Rgb face = forms::resolve_color(pressed ? 0x8000000D : 0x8000000F);
  const Rgb ink = forms::resolve_color(pressed ? 0x8000000E : 0x80000012);
  Drawing d(size_px, face);
  d.edge({Side::kTopLeft, 0, 0, 0, ink});
  d.edge({Side::kBottomRight, 0, 0, 0, ink});
  d.cross(ink);
  return d.picture();
}

}  // namespace quillon::window
