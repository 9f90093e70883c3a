// Routines of the shared module used across the window and the painters.
#pragma once

#include <cstdint>
#include <string>

#include "forms/controls.h"
#include "msgdefs/shared.h"

namespace quillon::msgdefs {

// Puts the window into (on_top non-zero) or explicitly out of the topmost band.
void SetTopmost(forms::WindowHandle window, VbBool on_top);
// Lets the platform move the window as if its caption were dragged.
void DragWindow(forms::Form& window);

// 85 parallel bands from colour, stepping by 3 per component (darker, or lighter when lighten),
// starting at one edge: direction 1 top, 2 bottom, 3 left, 4 right (others count as 1).
// colour -1 paints nothing.
void ShadeBands(forms::PictureBox& target, forms::OleColor colour, std::int16_t direction,
                VbBool lighten, VbBool fast);

// The twelve diamond and circle patterns, codes 5 to 16. colour is the caller's variable: a
// system colour in it is replaced by its RGB value.
void PaintGradient(forms::PictureBox& target, forms::OleColor& colour, std::int16_t direction);

// Nine decimal digits RRRGGGBBB from the decimal or "&H" hexadecimal text of a colour, or "".
std::wstring ColorToRGBText(std::wstring& text);
// Upper-case hexadecimal digits of a whole number given as decimal text; "0" for 0; "" on failure.
std::wstring DecToHex(const std::wstring& decimal_text);

}  // namespace quillon::msgdefs
