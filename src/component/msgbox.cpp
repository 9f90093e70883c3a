// The MsgBox call: from its arguments to the window's result.
//
// Every single assignment or call runs under the skip-on-failure rule (forms::attempt): a step
// that fails is abandoned, its target keeps its value, and the call goes on. Only a failure up to
// and including the load of the window changes the course of the call (it then returns 0 and
// shows nothing). Nothing ever reaches the caller.
#include <array>
#include <memory>

#include "component/layout.h"
#include "component/quillon.h"
#include "msgdefs/msgdefs.h"
#include "window/message_box.h"

namespace quillon {

namespace {

using forms::attempt;

// The buttons of each button set, from MsgButton(0) on.
struct ButtonSet {
  std::int16_t count;
  std::array<const wchar_t*, 3> captions;
};
constexpr std::array<ButtonSet, 6> kButtonSets = {{
    {1, {window::kCaptionOK, nullptr, nullptr}},
    {2, {window::kCaptionOK, window::kCaptionCancel, nullptr}},
    {3, {window::kCaptionAbort, window::kCaptionRetry, window::kCaptionIgnore}},
    {3, {window::kCaptionYes, window::kCaptionNo, window::kCaptionCancel}},
    {2, {window::kCaptionYes, window::kCaptionNo, nullptr}},
    {2, {window::kCaptionRetry, window::kCaptionCancel, nullptr}},
}};

// The flags word taken apart by arithmetic on its signed value (division truncates to zero).
struct Flags {
  std::int16_t default_button;  // D: 0 for a negative word
  std::int16_t button_set;      // L after the icon bits are taken away: 0..15
  std::int16_t icon_number;     // I before it is clamped: -1 none, 0..3 stock icons, 4..14 unnamed
};
Flags DecodeFlags(std::int16_t buttons) {
  std::int16_t d = static_cast<std::int16_t>(buttons / 256);
  if (d < 0) d = 0;
  std::int16_t low = static_cast<std::int16_t>(buttons - d * 256);
  const std::int16_t icon = static_cast<std::int16_t>(low / 16 - 1);
  const std::int16_t clamped = icon < 0 ? std::int16_t{0} : icon;
  if (low >= 16) low = static_cast<std::int16_t>(low - (clamped + 1) * 16);
  if (low < 0) low = 0;
  return {d, low, icon};
}

constexpr const wchar_t* kFallbackTitle = L"Message";
constexpr std::int32_t kStopIconId = 32513, kExclamationIconId = 32515;
constexpr int kTitleChars = 254;

// What a showing is laid out from: the call's texts, its stock icon and the layout's inputs.
struct Showing {
  std::wstring title, message;
  std::int32_t icon_id = 0;  // 0: none
  component::LayoutInput in;
};

// The steps of a showing that depend on the screen's DPI: the texts measured in its fonts (the
// message unwrapped first, as designed), the stock icon at its icon size, then the layout. A DPI
// change while the box is up runs them again.
void MeasureAndLayOut(window::MessageBox& w, Showing& s, forms::ErrObject& err) {
  attempt(err, [&] { w.TopCaption().SetCaption(s.title); });
  attempt(err, [&] {
    s.in.title_need = forms::to_long(static_cast<double>(w.TopCaption().Width()) + 300);
  });
  if (s.in.control_box) attempt(err, [&] { s.in.title_need = s.in.title_need + 270; });
  if (s.icon_id != 0)
    attempt(err, [&] {
      msgdefs::shared().IconHandle = forms::backend().platform().load_stock_icon(s.icon_id);
    });
  attempt(err, [&] { w.MsgText().SetWordWrap(false); });
  attempt(err, [&] { w.MsgText().SetCaption(s.message); });
  component::LayOutWindow(w, s.in, err);
}

}  // namespace

std::int16_t Quillon::MsgBox(const std::wstring& message, std::int16_t buttons,
                             const std::wstring& title) {
  try {
    const std::wstring message_copy = message;
    const std::wstring title_copy = title;
    forms::ErrObject err;
    auto& sh = msgdefs::shared();
    auto showing = std::make_shared<Showing>();
    component::LayoutInput& in = showing->in;

    forms::WindowHandle active = 0;
    attempt(err, [&] { active = forms::backend().platform().active_window(); });

    // The owner rectangle, for a window centred on the calling window.
    if (StartUpPosition_ == 1) {
      if (active == 0) {
        StartUpPosition_ = 2;
      } else {
        forms::PixelRect r;
        if (attempt(err, [&] { r = forms::backend().platform().window_rect(active); })) {
          auto& screen = forms::backend().screen();
          const double tx = screen.TwipsPerPixelX();
          const double ty = screen.TwipsPerPixelY();
          attempt(err, [&] { in.owner_top = forms::to_long(r.top * ty); });
          attempt(err, [&] { in.owner_left = forms::to_long(r.left * tx); });
          attempt(err, [&] {
            in.owner_width = forms::to_long((static_cast<double>(r.right) - r.left) * tx);
          });
          attempt(err, [&] {
            in.owner_height = forms::to_long((static_cast<double>(r.bottom) - r.top) * ty);
          });
        }
      }
    }

    // A window of this thread that is not up; a failed load shows nothing.
    window::MessageBox* box = nullptr;
    attempt(err, [&] {
      box = &window::WindowForCall();
      box->Load();
    });
    if (err.Number > 0 || box == nullptr || !box->IsLoaded()) {
      if (box != nullptr && box->IsLoaded()) attempt(err, [&] { box->Unload(); });
      return 0;
    }
    window::MessageBox& w = *box;

    // Colours.
    attempt(err, [&] { w.TopCaption().SetForeColor(ForeColorHeading_); });
    attempt(err, [&] { w.Background().SetBackColor(sh.BackColorBody); });
    attempt(err, [&] { w.MsgText().SetForeColor(ForeColorBody_); });
    for (int i = 0; i <= 3; ++i)
      attempt(err, [&] { w.MsgButton(i).SetBackColor(BackColorButtons_); });

    // Title: the argument, the default title, the active window's caption, or "Message".
    attempt(err, [&] { w.TopCaption().SetCaption(std::wstring()); });
    std::wstring t = title_copy;
    if (t.empty()) t = DefaultTitle_;
    if (t.empty() && static_cast<std::intptr_t>(active) > 0)
      attempt(err, [&] { t = forms::backend().platform().window_text(active, kTitleChars); });
    if (t.empty()) t = kFallbackTitle;
    showing->title = t;
    attempt(err, [&] { w.SetCaption(t); });  // the window's own text: the taskbar, screen readers

    // Flags word: icon, button set, default button. An icon number without a stock icon shows
    // no icon at all (it neither reserves room nor draws the handle an earlier call left).
    const Flags flags = DecodeFlags(buttons);
    std::int16_t icon_index = flags.icon_number;
    std::int32_t icon_id = 0;
    if (flags.icon_number >= 0) {
      if (flags.icon_number + 1 > StockIconIds_.Count()) {
        icon_index = -1;
      } else {
        attempt(err, [&] { icon_id = StockIconIds_.Item(flags.icon_number + 1); });
      }
    }
    sh.IconIndex = icon_index;
    // A stop or exclamation icon makes the showing an alert, as with the system's own box.
    w.SetAlert(icon_id == kStopIconId || icon_id == kExclamationIconId ? forms::Alert::kAlert
                                                                       : forms::Alert::kNone);

    std::int16_t count = 0;
    if (flags.button_set < static_cast<std::int16_t>(kButtonSets.size())) {
      const ButtonSet& set = kButtonSets[static_cast<std::size_t>(flags.button_set)];
      count = set.count;
      for (int i = 0; i < set.count; ++i) {
        attempt(err, [&] { w.MsgButton(i).SetCaption(set.captions[static_cast<std::size_t>(i)]); });
        attempt(err, [&] { w.MsgButton(i).SetEnabled(true); });
      }
    }
    for (int i = 0; i <= 3; ++i) {
      attempt(err, [&] { w.MsgButton(i).SetVisible(w.MsgButton(i).Enabled()); });
      attempt(err, [&] { w.MsgButton(i).SetTabStop(w.MsgButton(i).Enabled()); });
    }
    attempt(err, [&] { in.buttons_need = component::ButtonsNeed(count); });
    if (flags.default_button + 1 <= count)
      attempt(err, [&] { w.MsgButton(flags.default_button).SetDefault(true); });

    // The message and the layout.
    showing->message = message_copy;
    showing->icon_id = icon_id;
    attempt(err, [&] { w.MsgText().SetAlignment(TextAlignment_); });
    in.icon_width = IconWidth_;
    in.icon_height = IconHeight_;
    in.icon_index = sh.IconIndex;
    in.width_setting = Width_;
    in.height_setting = Height_;
    in.top_setting = Top_;
    in.left_setting = Left_;
    in.start_position = StartUpPosition_;
    in.alignment = TextAlignment_;
    in.heading_type = sh.HeadingType;
    in.hide_buttons = HideButtons_ != 0;
    in.control_box = ControlBox_ != 0;
    MeasureAndLayOut(w, *showing, err);
    w.LayOutAgain = [&w, showing] {
      forms::ErrObject again;
      MeasureAndLayOut(w, *showing, again);
    };

    // Show, and the result.
    sh.ResultCode = 0;
    w.ClearResult();
    if (SoundBeep_ != 0) attempt(err, [&] { forms::backend().platform().play_message_sound(); });
    const bool modal = sh.Modal != 0;
    const bool shown = attempt(err, [&] { w.Show(modal); });
    if (!modal) return 0;
    // A modal showing that failed must not leave its window up behind the caller.
    if (!shown && w.IsLoaded()) attempt(err, [&] { w.Unload(); });
    return w.Result();
  } catch (...) {
    return 0;
  }
}

}  // namespace quillon
