// The two 14 x 14 pictures of the heading's close box: raised (shown) and pressed in.
#pragma once

#include "forms/controls.h"

namespace quillon::window {

// Face colour of both pictures. Every face pixel has this one value.
inline constexpr forms::Rgb kCloseBoxFace = forms::rgb(211, 211, 198);

forms::Picture CloseBoxUpPicture();
forms::Picture CloseBoxDownPicture();

// The high-contrast pictures, in the system colours of the moment: a button-face square framed
// and crossed in button text (raised), a highlight square framed and crossed in highlight text
// (pressed).
forms::Picture HighContrastCloseBoxPicture(bool pressed);

}  // namespace quillon::window
