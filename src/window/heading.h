// Painting the heading bar in its active or inactive look, solid or shaded.
#pragma once

#include "forms/controls.h"

namespace quillon::window {

// Reads the thread's shared SolidColorHeading and BackColorHeading. Active: the heading colour,
// solid or shaded quickly lighter to the right; inactive: the inactive title-bar colour, solid or
// shaded slowly lighter. A shading failure (an overflow) reaches the caller.
// While the platform reports high contrast, the heading is the system's active or inactive caption
// colour, solid, whatever the settings say.
void PaintHeading(forms::PictureBox& top_heading, bool active);

// Whether the platform reports high contrast now.
bool HighContrast();

}  // namespace quillon::window
