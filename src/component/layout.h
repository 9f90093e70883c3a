// Sizing and placing the message window for one call (all lengths in twips). Used by MsgBox.
#pragma once

#include <cstdint>

#include "forms/types.h"
#include "window/message_box.h"

namespace quillon::component {

// What the layout needs from the calling object and from the earlier steps of the call.
struct LayoutInput {
  std::int32_t icon_width = 0;
  std::int32_t icon_height = 0;
  std::int16_t icon_index = -1;  // negative: no icon
  std::int32_t width_setting = 0;
  std::int32_t height_setting = 0;
  std::int32_t top_setting = 0;
  std::int32_t left_setting = 0;
  std::int16_t start_position = 2;  // 0 manual, 1 centre of the owner, 2 centre of the screen
  std::int16_t alignment = 0;       // 0 left, 1 right, 2 centre
  std::int16_t heading_type = 0;    // 1: 3-D heading lines
  bool hide_buttons = false;
  bool control_box = true;
  std::int32_t owner_top = 0, owner_left = 0, owner_width = 0, owner_height = 0;
  std::int32_t title_need = 0;
  std::int32_t buttons_need = 0;
};

// Width asked for by a row of count buttons, in 16-bit arithmetic (1 -> 1665, 0 -> 465).
std::int16_t ButtonsNeed(std::int16_t count);

// Sizes the window from its text, buttons and title, places text, body, heading, lines and
// buttons, applies HideButtons, positions the window and shows or hides the close box. Every
// assignment runs on its own under the skip-on-failure rule; failures are recorded in err.
void LayOutWindow(window::MessageBox& w, const LayoutInput& in, forms::ErrObject& err);

}  // namespace quillon::component
