// PaintGradient: twelve diamond and circle patterns on a 256 x 256 user grid, brightening from
// black towards the base colour (odd codes) or darkening from it (even codes), one shape per
// step k = 0..255 drawn with a 12-pixel pen.
#include <algorithm>
#include <array>
#include <string>

#include "msgdefs/msgdefs.h"

namespace quillon::msgdefs {

namespace {

int component(const std::wstring& digits, std::size_t from) {
  if (digits.size() < from + 3) return 0;
  return std::stoi(digits.substr(from, 3));
}

// Runs one drawing statement; a failure skips the statement and nothing else.
template <class F>
void ignoring_failure(F&& f) {
  forms::ErrObject err;
  forms::attempt(err, std::forward<F>(f));
}

}  // namespace

void PaintGradient(forms::PictureBox& target, forms::OleColor& colour, std::int16_t direction) {
  if (colour == kColourMinusOne) return;
  ignoring_failure([&] { target.SetAutoRedraw(true); });

  int red = 0, green = 0, blue = 0;
  std::int32_t saved_height = 0, saved_width = 0, saved_mode = 0;
  std::int16_t saved_pen = 1;
  std::int32_t cx = 0, cy = 0;
  const bool fade_in = (direction % 2) != 0;  // odd codes brighten from black
  // From the colour's resolution to the background change, the first failure ends the painter.
  try {
    if (forms::is_system_color(colour)) colour = forms::resolve_color(colour);
    std::wstring text = std::to_wstring(static_cast<std::int32_t>(colour));
    const std::wstring digits = ColorToRGBText(text);
    red = component(digits, 0);
    green = component(digits, 3);
    blue = component(digits, 6);

    saved_height = forms::to_long(target.ScaleHeight());
    saved_width = forms::to_long(target.ScaleWidth());
    saved_mode = target.ScaleMode();
    saved_pen = forms::to_integer(target.DrawWidth());

    target.SetDrawMode(13);
    target.SetDrawWidth(12);
    target.SetScaleMode(3);
    target.SetScaleHeight(256);
    target.SetScaleWidth(256);

    const std::int32_t mid_x = forms::to_long(target.ScaleWidth() / 2);
    const std::int32_t mid_y = forms::to_long(target.ScaleHeight() / 2);
    const std::int32_t right = forms::to_long(target.ScaleWidth());
    const std::int32_t bottom = forms::to_long(target.ScaleHeight());
    switch (direction) {
      case 9:
      case 10:
        cx = 0;
        cy = 0;
        break;
      case 11:
      case 12:
        cx = right;
        cy = 0;
        break;
      case 13:
      case 14:
        cx = 0;
        cy = bottom;
        break;
      case 15:
      case 16:
        cx = right;
        cy = bottom;
        break;
      default:
        cx = mid_x;
        cy = mid_y;
        break;
    }
    target.SetBackColor(fade_in ? (colour & 0xFFFFFF) : 0);
  } catch (const std::exception&) {
    return;
  }

  ignoring_failure([&] { target.Cls(); });
  const bool diamond = direction == 5 || direction == 6;
  // The corners of diamond k (left, top, right, bottom), in the user scale and in pixels: a
  // diamond whose next one has the same pixel corners is drawn over whole by it and is skipped.
  using S = forms::Single;
  struct Corners {
    S ax, ay, bx, by;
    std::array<int, 8> px;
  };
  std::array<Corners, 256> corners{};
  if (diamond) {
    const auto to_px = target.to_pixels();
    for (int k = 0; k <= 255; ++k) {
      const float f = static_cast<float>(k) / 255.0f;
      const float a = 1.0f - f, b = 1.0f + f;
      Corners& c = corners[static_cast<std::size_t>(k)];
      c.ax = S(static_cast<double>(a) * cx);
      c.ay = S(static_cast<double>(a) * cy);
      c.bx = S(static_cast<double>(b) * cx);
      c.by = S(static_cast<double>(b) * cy);
      c.px = {to_px.x(c.ax), to_px.y(S(cy)), to_px.x(S(cx)), to_px.y(c.ay),
              to_px.x(c.bx), to_px.x(S(cx)), to_px.y(c.by),  to_px.y(S(cy))};
    }
  }
  for (int k = 0; k <= 255; ++k) {
    const int i = fade_in ? k : 255 - k;
    const forms::Rgb step = forms::rgb(std::min(i, red), std::min(i, green), std::min(i, blue));
    if (diamond) {
      const Corners& c = corners[static_cast<std::size_t>(k)];
      if (k < 255 && c.px == corners[static_cast<std::size_t>(k) + 1].px) continue;
      const S ax = c.ax, ay = c.ay, bx = c.bx, by = c.by;
      ignoring_failure([&] { target.Line(S(ax), S(cy), S(cx), S(ay), step); });
      ignoring_failure([&] { target.LineTo(S(bx), S(cy), step); });
      ignoring_failure([&] { target.LineTo(S(cx), S(by), step); });
      ignoring_failure([&] { target.LineTo(S(ax), S(cy), step); });
    } else {
      ignoring_failure([&] {
        target.Circle(static_cast<forms::Single>(cx), static_cast<forms::Single>(cy),
                      static_cast<forms::Single>(k), step);
      });
    }
  }

  ignoring_failure([&] { target.SetScaleHeight(static_cast<forms::Single>(saved_height)); });
  ignoring_failure([&] { target.SetScaleWidth(static_cast<forms::Single>(saved_width)); });
  ignoring_failure([&] { target.SetScaleMode(saved_mode); });
  ignoring_failure([&] { target.SetDrawWidth(saved_pen); });
}

}  // namespace quillon::msgdefs
