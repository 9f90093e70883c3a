#include "window/heading.h"

#include "msgdefs/msgdefs.h"

namespace quillon::window {

void PaintHeading(forms::PictureBox& top_heading, bool active) {
  const msgdefs::SharedSettings& s = msgdefs::shared();
  const forms::OleColor colour = active ? s.BackColorHeading : kInactiveTitleBar;
  if (s.SolidColorHeading != 0)
    top_heading.SetBackColor(colour);
  else
    msgdefs::ShadeBands(top_heading, colour, 3, kVbTrue, active ? kVbTrue : kVbFalse);
}

}  // namespace quillon::window
