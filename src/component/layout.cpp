// The message window's layout, to the twip. Every quantity starts at 0 in each call, and a step
// that fails leaves its target as it was.
#include "component/layout.h"

#include "forms/controls.h"

namespace quillon::component {

using forms::attempt;
using forms::Single;

namespace {

constexpr std::int32_t kRightTextMargin = 270;
constexpr std::int32_t kButtonWidth = 1095;
constexpr std::int32_t kButtonGap = 105;
constexpr std::int32_t kRowMargin = 570;
constexpr Single kButtonStep = 1200;
constexpr std::int32_t kIconLeft = 120;
constexpr std::int32_t kIconGap = 150;
constexpr std::int32_t kPlainTextLeft = 150;
constexpr std::int32_t kPlainTextTop = 150;
constexpr std::int32_t kRoomRightOfText = 255;
constexpr Single kScreenMargin = 240;
constexpr std::int32_t kIconTop = 180;
constexpr std::int32_t kGapUnderText = 180;
constexpr std::int32_t kIconBottomMargin = 150;
constexpr std::int32_t kTextTopCorrection = 15;
constexpr std::int32_t kCentreGrid = 15;
constexpr std::int32_t kCentreShift = 30;
constexpr std::int32_t kButtonRowHeight = 1050;
constexpr Single kCloseBoxFromRight = 360;
constexpr std::int32_t kHiddenRowStrip = 270;

// 32-bit signed sum with the run time's overflow check.
std::int32_t checked(std::int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) forms::raise_overflow();
  return static_cast<std::int32_t>(v);
}

// Left edge of the message text for its alignment; never left of text_left.
std::int32_t MessageTextLeft(window::MessageBox& w, std::int32_t text_left,
                             std::int16_t alignment) {
  const double window_width = w.Width();
  const double text_width = w.MsgText().Width();
  std::int32_t x = text_left;
  if (alignment == 1) {
    x = forms::to_long(window_width - text_width - kRightTextMargin);
  } else if (alignment == 2) {
    const std::int32_t h = forms::to_long((window_width - text_width) / 2);
    x = checked(static_cast<std::int64_t>(h) - h % kCentreGrid - kCentreShift);
  }
  return x > text_left ? x : text_left;
}

bool IconTallerThanText(window::MessageBox& w, const LayoutInput& in) {
  return in.icon_index >= 0 && w.MsgText().Height() < static_cast<Single>(in.icon_height);
}

// Top of the message text: its middle 15 above the icon's middle beside a taller icon.
std::int32_t MessageTextTop(window::MessageBox& w, const LayoutInput& in) {
  if (IconTallerThanText(w, in)) {
    return forms::to_long((static_cast<double>(in.icon_height) - w.MsgText().Height()) / 2 +
                          kIconTop - kTextTopCorrection);
  }
  return kPlainTextTop;
}

}  // namespace

std::int16_t ButtonsNeed(std::int16_t count) {
  return forms::to_integer(count * kButtonWidth + kRowMargin + (count - 1) * kButtonGap);
}

void LayOutWindow(window::MessageBox& w, const LayoutInput& in, forms::ErrObject& err) {
  auto& screen = forms::backend().screen();

  // Width needs of the text.
  std::int32_t text_left = 0;
  std::int32_t text_need = 0;
  attempt(err, [&] {
    text_left = in.icon_index >= 0
                    ? checked(static_cast<std::int64_t>(in.icon_width) + kIconLeft + kIconGap)
                    : kPlainTextLeft;
  });
  attempt(err, [&] {
    text_need =
        forms::to_long(static_cast<double>(w.MsgText().Width()) + text_left + kRoomRightOfText);
  });

  // Window width: the largest need, the screen limit, then the Width setting with word wrap.
  attempt(err, [&] {
    std::int32_t width = in.title_need;
    if (text_need > in.buttons_need && text_need > in.title_need) {
      width = text_need;
    } else if (in.buttons_need > in.title_need) {
      width = in.buttons_need;
    }
    w.SetWidth(static_cast<Single>(width));
  });
  attempt(err, [&] {
    const Single limit = screen.Width() - kScreenMargin;
    if (limit < w.Width()) w.SetWidth(limit);
  });
  if (in.width_setting > 0) {
    attempt(err, [&] { w.SetWidth(static_cast<Single>(in.width_setting)); });
    attempt(err, [&] { w.MsgText().SetWordWrap(true); });
    attempt(err, [&] {
      w.MsgText().SetWidth(static_cast<Single>(
          checked(static_cast<std::int64_t>(in.width_setting) - text_left - kRoomRightOfText)));
    });
  }

  // Text position.
  attempt(err, [&] {
    w.MsgText().SetLeft(static_cast<Single>(MessageTextLeft(w, text_left, in.alignment)));
  });
  attempt(err, [&] { w.MsgText().SetTop(static_cast<Single>(MessageTextTop(w, in))); });

  // Window height.
  if (in.height_setting < 1) {
    std::int32_t content_bottom = 0;
    attempt(err, [&] {
      if (IconTallerThanText(w, in)) {
        content_bottom =
            checked(static_cast<std::int64_t>(in.icon_height) + kIconTop + kIconBottomMargin);
      } else {
        content_bottom = forms::to_long(static_cast<double>(w.MsgText().Height()) +
                                        w.MsgText().Top() + kGapUnderText);
      }
    });
    attempt(err, [&] {
      w.SetHeight(static_cast<Single>(
          checked(static_cast<std::int64_t>(content_bottom) + kButtonRowHeight)));
    });
  } else {
    attempt(err, [&] { w.SetHeight(static_cast<Single>(in.height_setting)); });
  }

  // Body, heading and the 3-D heading lines.
  std::int32_t full_width = 0;
  attempt(err, [&] { full_width = forms::to_long(w.Width()); });
  attempt(err, [&] { w.Background().SetHeight(w.Height() - w.Background().Top()); });
  attempt(err, [&] { w.Background().SetWidth(static_cast<Single>(full_width)); });
  attempt(err, [&] { w.TopHeading().SetWidth(static_cast<Single>(full_width)); });
  for (int i = 0; i <= 2; ++i) {
    if (in.heading_type == 1) {
      attempt(err, [&] { w.HLine(i).SetX2(static_cast<Single>(full_width)); });
      attempt(err, [&] { w.HLine(i).SetVisible(true); });
    } else {
      attempt(err, [&] { w.HLine(i).SetVisible(false); });
    }
  }

  // Buttons: one row, centred; all four placed, the unused ones right of the row.
  for (int i = 0; i <= 3; ++i)
    attempt(err, [&] { w.MsgButton(i).SetTop(w.Height() - kButtonRowHeight); });
  std::int32_t row_width = 0;
  attempt(err,
          [&] { row_width = checked(static_cast<std::int64_t>(in.buttons_need) - kRowMargin); });
  attempt(err, [&] { w.MsgButton(0).SetLeft((w.Width() - static_cast<Single>(row_width)) / 2); });
  for (int i = 1; i <= 3; ++i)
    attempt(err, [&] { w.MsgButton(i).SetLeft(w.MsgButton(i - 1).Left() + kButtonStep); });
  attempt(err, [&] { w.MsgText().Refresh(); });

  if (in.hide_buttons) {
    for (int i = 0; i <= 3; ++i) {
      attempt(err, [&] { w.MsgButton(i).SetVisible(false); });
      attempt(err, [&] { w.MsgButton(i).SetEnabled(false); });
    }
    attempt(err, [&] {
      w.SetHeight(w.Height() - w.MsgButton(0).Height() - static_cast<Single>(kHiddenRowStrip));
    });
  }

  // Position on the screen.
  switch (in.start_position) {
    case 0:
      attempt(err, [&] { w.SetTop(static_cast<Single>(in.top_setting)); });
      attempt(err, [&] { w.SetLeft(static_cast<Single>(in.left_setting)); });
      break;
    case 1:
      attempt(err, [&] {
        w.SetTop(static_cast<Single>(in.owner_top) +
                 (static_cast<Single>(in.owner_height) - w.Height()) / 2);
      });
      attempt(err, [&] {
        w.SetLeft(static_cast<Single>(in.owner_left) +
                  (static_cast<Single>(in.owner_width) - w.Width()) / 2);
      });
      break;
    case 2:
      attempt(err, [&] { w.SetTop((screen.Height() - w.Height()) / 2); });
      attempt(err, [&] { w.SetLeft((screen.Width() - w.Width()) / 2); });
      break;
    default:
      break;
  }

  // Close box.
  if (in.control_box) {
    attempt(err, [&] { w.ControlBoxUp().SetLeft(w.Width() - kCloseBoxFromRight); });
    attempt(err, [&] { w.ControlBoxUp().SetVisible(true); });
    attempt(err, [&] { w.ControlBoxUp().SetEnabled(true); });
  } else {
    attempt(err, [&] { w.ControlBoxUp().SetVisible(false); });
    attempt(err, [&] { w.ControlBoxUp().SetEnabled(false); });
  }
}

}  // namespace quillon::component
