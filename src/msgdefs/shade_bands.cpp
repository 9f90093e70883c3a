// ShadeBands: 85 parallel bands stepping by 3 per colour component away from a base colour.
//
// Band coordinates are 64-bit: a surface wider or taller than 32767 units is shaded whole (a
// 16-bit band coordinate would overflow there and leave the surface half painted), and the bands
// of a surface near 2^31 units never overflow either.
#include <algorithm>

#include "msgdefs/msgdefs.h"

namespace quillon::msgdefs {

void ShadeBands(forms::PictureBox& target, forms::OleColor colour, std::int16_t direction,
                VbBool lighten, VbBool fast) {
  using forms::to_long;
  if (colour == kColourMinusOne) return;
  target.Cls();
  target.SetAutoRedraw(true);
  if (direction < 1 || direction > 4) direction = 1;
  colour = forms::resolve_color(colour);

  std::int32_t red = static_cast<std::int32_t>(colour & 0xFF);
  std::int32_t green = static_cast<std::int32_t>((colour >> 8) & 0xFF);
  std::int32_t blue = static_cast<std::int32_t>((colour >> 16) & 0xFF);

  const double width = target.Width(), height = target.Height();
  std::int64_t x1 = 0, x2 = 0, y1 = 0, y2 = 0, step = 0;
  const bool across = direction == 3 || direction == 4;  // vertical bands, left or right
  if (across) {
    step = to_long(static_cast<float>(width / 85.0));
    x1 = direction == 4 ? to_long(width - step) : 0;
    x2 = x1 + step;
    y1 = 0;
    y2 = to_long(height);
  } else {
    step = to_long(static_cast<float>(height / 85.0));
    y1 = direction == 2 ? to_long(height - step) : 0;
    y2 = y1 + step;
    x1 = 0;
    x2 = to_long(width);
  }

  for (int i = 1; i <= 85; ++i) {
    if (i == 85 && direction == 2) y1 = 0;
    if (i == 85 && direction == 4) x1 = 0;
    red = std::max(red, 0);
    green = std::max(green, 0);
    blue = std::max(blue, 0);
    const forms::Rgb band =
        forms::rgb(std::min(red, 255), std::min(green, 255), std::min(blue, 255));
    target.FilledBox(static_cast<forms::Single>(x1), static_cast<forms::Single>(y1),
                     static_cast<forms::Single>(x2), static_cast<forms::Single>(y2), band);

    int change = 0;
    if (lighten == 0)
      change = -3;
    else if (fast != 0)
      change = (i % 2 == 0 || i >= 30) ? 3 : 0;
    else
      change = (i % 3 == 0) ? 3 : 0;
    red += change;
    green += change;
    blue += change;

    switch (direction) {
      case 1:
        y1 = y2;
        y2 = y1 + step;
        break;
      case 2:
        y1 = y1 - step;
        y2 = y1 + step;
        break;
      case 3:
        x1 = x2;
        x2 = x1 + step;
        break;
      default:
        x1 = x1 - step;
        x2 = x1 + step;
        break;
    }
  }
}

}  // namespace quillon::msgdefs
