// The heading's close box, raised (shown) and pressed in: 14 x 14 pixels at 96 DPI and drawn
// afresh at each screen's size from one description of its frames and cross.
#pragma once

#include "forms/controls.h"

namespace quillon::window {

// Face colour of both pictures. Every face pixel has this one value.
inline constexpr forms::Rgb kCloseBoxFace = forms::rgb(211, 211, 198);

// The close box's side on this screen: 14 pixels at 96 DPI, in proportion at any other
// (round(14 * DPI / 96): 18 at 120, 21 at 144, 28 at 192).
int CloseBoxPixels();

forms::Picture CloseBoxUpPicture(int size_px = 14);
forms::Picture CloseBoxDownPicture(int size_px = 14);

// The high-contrast pictures, in the system colours of the moment: a button-face square framed
// and crossed in button text (raised), a highlight square framed and crossed in highlight text
// (pressed).
forms::Picture HighContrastCloseBoxPicture(bool pressed, int size_px = 14);

}  // namespace quillon::window
