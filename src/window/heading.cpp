#include "window/heading.h"

#include "msgdefs/msgdefs.h"

namespace quillon::window {

bool HighContrast() {
  return forms::backend().platform().high_contrast();
}

void PaintHeading(forms::PictureBox& top_heading, bool active) {
  const msgdefs::SharedSettings& s = msgdefs::shared();
  const bool high_contrast = HighContrast();
  const forms::OleColor colour =
      active ? (high_contrast ? kActiveTitleBar : s.BackColorHeading) : kInactiveTitleBar;
  if (s.SolidColorHeading != 0 || high_contrast)
    top_heading.SetBackColor(colour);
  else
    msgdefs::ShadeBands(top_heading, colour, 3, kVbTrue, active ? kVbTrue : kVbFalse);
}

}  // namespace quillon::window
