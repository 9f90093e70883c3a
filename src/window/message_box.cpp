// The message window: design, event handlers, the countdown and the activity watcher.
#include "window/message_box.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "forms/accessible.h"
#include "msgdefs/msgdefs.h"
#include "msgdefs/shared.h"
#include "window/close_box.h"
#include "window/heading.h"

namespace quillon::window {

using forms::Single;

namespace {

constexpr forms::OleColor kLightGrey = 0x00C0C0C0;
constexpr forms::OleColor kGrey = 0x00808080;
constexpr forms::OleColor kDarkGrey = 0x00404040;

// System colours of the high-contrast look.
constexpr forms::OleColor kWindow = 0x80000005;
constexpr forms::OleColor kWindowText = 0x80000008;
constexpr forms::OleColor kCaptionText = 0x80000009;
constexpr forms::OleColor kInactiveCaptionText = 0x80000013;

// Caption of a pressed button -> result code, first match wins.
struct CaptionCode {
  const wchar_t* caption;
  std::int16_t code;
};
constexpr CaptionCode kCaptionCodes[] = {
    {kCaptionOK, kResultOK},       {kCaptionCancel, kResultCancel}, {kCaptionAbort, kResultAbort},
    {kCaptionRetry, kResultRetry}, {kCaptionIgnore, kResultIgnore}, {kCaptionYes, kResultYes},
    {kCaptionNo, kResultNo},
};

// Every line break (CR LF, lone LF, lone CR) as CR LF.
std::wstring crlf_lines(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      out += L"\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

MessageBox::MessageBox() : forms::Form("MessageBox") {
  OnLoad = [this] { Form_Load(); };
  OnActivate = [this] { Form_Activate(); };
  KeyDown = [this](std::int16_t k, std::int16_t s) { Form_KeyDown(k, s); };
  KeyUp = [this](std::int16_t k, std::int16_t s) { Form_KeyUp(k, s); };
  SettingChange = [this] { Form_SettingChange(); };
  DpiChange = [this] { Form_DpiChange(); };
}

MessageBox::~MessageBox() = default;

// ---------------------------------------------------------------------------------------------
// Design: the controls in their creation order, with their design values.

void MessageBox::Design() {
  msg_button_.clear();
  hline_.clear();

  SetWidth(5265);
  SetHeight(2010);
  SetKeyPreview(true);
  SetBackColor(kButtonFace);

  auto& background = add<forms::PictureBox>("Background", -1, nullptr);
  background.Move(0, 330, 5265, 1350);
  background.SetTabIndex(6);
  background_ = &background;

  for (int i = 3; i >= 0; --i) {
    auto& button = add<forms::CommandButton>("MsgButton", i, &background);
    button.Move(240 + 1200 * static_cast<Single>(i), 960, 1095, 375);
    button.SetCaption(L"Button" + std::to_wstring(i + 1));
    button.SetTabIndex(i);
    button.SetEnabled(false);
    button.SetVisible(false);
    button.SetTabStop(false);
    button.Click = [this](int index) { MsgButton_Click(index); };
    button.GotFocus = [this](int index) { MsgButton_GotFocus(index); };
    msg_button_.add(button);
  }

  auto& text = add<forms::Label>("MsgText", -1, &background);
  text.SetCaption(L"Message Text");
  text.SetBackStyle(0);
  text.SetWordWrap(false);
  text.SetAlignment(0);
  text.SetAutoSize(true);
  text.Move(750, 150, 1005, 195);
  text.SetTabIndex(7);
  text.MouseDown = [this](std::int16_t b, std::int16_t s, Single x, Single y) {
    MsgText_MouseDown(b, s, x, y);
  };
  msg_text_ = &text;

  // The 3-D lines under the heading, one below the other (their widths and places:
  // FitPixelParts).
  constexpr forms::OleColor kLineColours[] = {kLightGrey, kGrey, kDarkGrey};
  for (int i = 2; i >= 0; --i) {
    auto& line = add<forms::LineControl>("HLine", i, &background);
    line.SetEnds(0, 0, 5265, 0);
    line.SetBorderColor(kLineColours[i]);
    line.SetVisible(false);
    hline_.add(line);
  }

  auto& timer2 = add<forms::Timer>("Timer2", -1, nullptr);
  timer2.SetInterval(100);
  timer2.SetEnabled(false);
  timer2.OnTimer = [this] { Timer2_Timer(); };
  timer2_ = &timer2;

  auto& heading = add<forms::PictureBox>("TopHeading", -1, nullptr);
  heading.Move(0, 0, 5265, 330);
  heading.SetBackColor(kActiveTitleBar);
  heading.SetTabIndex(4);
  heading.MouseDown = [this](std::int16_t b, std::int16_t s, Single x, Single y) {
    TopHeading_MouseDown(b, s, x, y);
  };
  top_heading_ = &heading;

  // The close box (its size and pictures: FitPixelParts).
  auto& box_up = add<forms::Image>("ControlBoxUp", -1, &heading);
  box_up.Move(4905, 60, 210, 210);
  box_up.SetAccessible(forms::AccessibleRole::kPushButton, L"Close");
  box_up.MouseDown = [this](std::int16_t b, std::int16_t s, Single x, Single y) {
    ControlBoxUp_MouseDown(b, s, x, y);
  };
  box_up.MouseUp = [this](std::int16_t b, std::int16_t s, Single x, Single y) {
    ControlBoxUp_MouseUp(b, s, x, y);
  };
  control_box_up_ = &box_up;

  auto& caption = add<forms::Label>("TopCaption", -1, &heading);
  forms::Font bold;
  bold.weight = 700;
  caption.SetFont(bold);
  caption.SetCaption(L"Message");
  caption.SetForeColor(kHighlightText);
  caption.SetBackStyle(0);
  caption.SetAutoSize(true);
  caption.Move(75, 60, 765, 195);
  caption.SetTabIndex(5);
  caption.MouseDown = [this](std::int16_t b, std::int16_t s, Single x, Single y) {
    TopCaption_MouseDown(b, s, x, y);
  };
  top_caption_ = &caption;

  auto& timer1 = add<forms::Timer>("Timer1", -1, nullptr);
  timer1.SetInterval(1000);
  timer1.SetEnabled(false);
  timer1.OnTimer = [this] { Timer1_Timer(); };
  timer1_ = &timer1;

  auto& box_dn = add<forms::Image>("ControlBoxDn", -1, nullptr);
  box_dn.Move(1560, 1680, 210, 210);
  box_dn.SetVisible(false);
  control_box_dn_ = &box_dn;

  background.Paint = [this] { Background_Paint(); };
  background.MouseDown = [this](std::int16_t b, std::int16_t s, Single x, Single y) {
    Background_MouseDown(b, s, x, y);
  };
}

// ---------------------------------------------------------------------------------------------
// Control access

void MessageBox::require_loaded() const {
  if (!IsLoaded()) forms::raise(forms::kErrObjectUnloaded, "Object unloaded");
}

template <class T>
T& MessageBox::loaded(T* control) const {
  require_loaded();
  return *control;
}

forms::PictureBox& MessageBox::Background() const {
  return loaded(background_);
}
forms::CommandButton& MessageBox::MsgButton(int index) const {
  require_loaded();
  return msg_button_(index);
}
forms::Label& MessageBox::MsgText() const {
  return loaded(msg_text_);
}
forms::LineControl& MessageBox::HLine(int index) const {
  require_loaded();
  return hline_(index);
}
forms::Timer& MessageBox::Timer2() const {
  return loaded(timer2_);
}
forms::PictureBox& MessageBox::TopHeading() const {
  return loaded(top_heading_);
}
forms::Image& MessageBox::ControlBoxUp() const {
  return loaded(control_box_up_);
}
forms::Label& MessageBox::TopCaption() const {
  return loaded(top_caption_);
}
forms::Timer& MessageBox::Timer1() const {
  return loaded(timer1_);
}
forms::Image& MessageBox::ControlBoxDn() const {
  return loaded(control_box_dn_);
}

// ---------------------------------------------------------------------------------------------
// Loading and activation

void MessageBox::Form_Load() {
  FocusIndex = 0;
  caller_look_.reset();
  escape_down_ = false;
  FitPixelParts();
  msgdefs::SetTopmost(hWnd(), msgdefs::shared().KeepOnTop);
}

void MessageBox::Form_Activate() {
  forms::ErrObject err;
  auto& sh = msgdefs::shared();

  forms::attempt(err, [&] { ApplyLook(); });
  forms::attempt(err, [&] { PaintTop(true); });
  PaintBody(err);
  forms::attempt(err, [&] {
    for (int i = 0; i <= 3; ++i) {
      if (MsgButton(i).Default()) {
        FocusIndex = static_cast<std::int16_t>(i);
        break;
      }
    }
  });
  if (sh.TimerSeconds > 0) {
    forms::attempt(err, [&] { Timer1().SetEnabled(true); });
    ElapsedSeconds = 0;
  }
  forms::attempt(err, [&] { Timer2().SetEnabled(true); });
}

// A system setting changed while the box is up: the look of the moment, painted again.
void MessageBox::Form_SettingChange() {
  forms::ErrObject err;
  forms::attempt(err, [&] { ApplyLook(); });
  forms::attempt(
      err, [&] { PaintTop(hWnd() != 0 && hWnd() == forms::backend().platform().active_window()); });
  PaintBody(err);
}

// The screen's DPI changed while the box is up: what is drawn in whole pixels is made again at
// the new size, the call that showed the box lays it out again (texts measured in the new fonts),
// and the look of the moment is painted again.
void MessageBox::Form_DpiChange() {
  forms::ErrObject err;
  forms::attempt(err, [&] { FitPixelParts(); });
  if (LayOutAgain) forms::attempt(err, [&] { LayOutAgain(); });
  Form_SettingChange();
}

// The close box is a whole number of pixels that fits its picture (210 twips at 96 DPI); the 3-D
// lines are one pixel each per whole multiple of 96 DPI (1 up to 144 DPI, 2 at 192), one below the
// other.
void MessageBox::FitPixelParts() {
  auto& screen = forms::backend().screen();
  const int box_px = CloseBoxPixels();
  const Single box_side = static_cast<Single>(box_px) * screen.TwipsPerPixelX();
  for (forms::Image* box : {control_box_up_, control_box_dn_}) {
    box->SetWidth(box_side);
    box->SetHeight(box_side);
  }
  control_box_up_->SetPicture(CloseBoxUpPicture(box_px));
  control_box_dn_->SetPicture(CloseBoxDownPicture(box_px));
  if (caller_look_) {  // the high-contrast pictures follow in ApplyLook
    caller_look_->box_up = control_box_up_->GetPicture();
    caller_look_->box_down = control_box_dn_->GetPicture();
  }
  const Single tpp = screen.TwipsPerPixelY();
  const int line_px = tpp > 0 ? std::max(1, static_cast<int>(std::floor(15.0 / tpp + 1e-6))) : 1;
  for (int i = 0; i <= 2; ++i) {
    auto& line = hline_(i);
    const Single y = static_cast<Single>(i * line_px) * tpp;
    line.SetEnds(line.X1(), y, line.X2(), y);
    line.SetBorderWidth(line_px);
  }
}

void MessageBox::ApplyLook() {
  const bool high_contrast = HighContrast();
  if (!high_contrast && !caller_look_) return;
  auto& background = Background();
  auto& text = MsgText();
  auto& caption = TopCaption();
  if (!high_contrast) {
    const CallerLook look = *std::exchange(caller_look_, std::nullopt);
    background.SetBackColor(look.body);
    text.SetForeColor(look.text);
    caption.SetForeColor(look.caption);
    for (int i = 0; i <= 3; ++i)
      MsgButton(i).SetBackColor(look.buttons[static_cast<std::size_t>(i)]);
    for (int i = 0; i <= 2; ++i) HLine(i).SetBorderColor(look.lines[static_cast<std::size_t>(i)]);
    ControlBoxUp().SetPicture(look.box_up);
    ControlBoxDn().SetPicture(look.box_down);
    return;
  }
  if (!caller_look_) {
    CallerLook look{
        background.BackColor(),      text.ForeColor(),           caption.ForeColor(), {}, {},
        ControlBoxUp().GetPicture(), ControlBoxDn().GetPicture()};
    for (int i = 0; i <= 3; ++i)
      look.buttons[static_cast<std::size_t>(i)] = MsgButton(i).BackColor();
    for (int i = 0; i <= 2; ++i) look.lines[static_cast<std::size_t>(i)] = HLine(i).BorderColor();
    caller_look_ = std::move(look);
  }
  background.SetBackColor(kWindow);
  text.SetForeColor(kWindowText);
  for (int i = 0; i <= 3; ++i) MsgButton(i).SetBackColor(kButtonFace);
  for (int i = 0; i <= 2; ++i) HLine(i).SetBorderColor(i == 0 ? kWindowText : kWindow);
  // The pictures hold plain colours: made again for the system colours of the moment.
  ControlBoxUp().SetPicture(HighContrastCloseBoxPicture(false, CloseBoxPixels()));
  ControlBoxDn().SetPicture(HighContrastCloseBoxPicture(true, CloseBoxPixels()));
}

void MessageBox::PaintTop(bool active) {
  PaintHeading(TopHeading(), active);
  if (caller_look_) TopCaption().SetForeColor(active ? kCaptionText : kInactiveCaptionText);
}

// Bands or a pattern with the icon drawn on them, unless high contrast is on; a plain body gets
// its icon from the Paint event (or here, when its picture persists).
void MessageBox::PaintBody(forms::ErrObject& err) {
  auto& sh = msgdefs::shared();
  if (sh.GradientPaint == 0) return;
  if (caller_look_) {
    if (sh.IconIndex >= 0 && Background().AutoRedraw())
      forms::attempt(err, [&] { DrawMessageIcon(); });
    return;
  }
  if (sh.GradientDirection <= 4) {
    forms::attempt(err, [&] {
      msgdefs::ShadeBands(Background(), sh.BackColorBody, sh.GradientDirection, kVbFalse, kVbTrue);
    });
  } else {
    forms::attempt(
        err, [&] { msgdefs::PaintGradient(Background(), sh.BackColorBody, sh.GradientDirection); });
  }
  if (sh.IconIndex >= 0) forms::attempt(err, [&] { DrawMessageIcon(); });
}

// The stock icon with its top-left corner 120 twips right of and 180 below the body's corner.
void MessageBox::DrawMessageIcon() {
  auto& screen = forms::backend().screen();
  const int x = forms::to_long(120.0 / static_cast<double>(screen.TwipsPerPixelX()));
  const int y = forms::to_long(180.0 / static_cast<double>(screen.TwipsPerPixelY()));
  const forms::IconHandle icon = msgdefs::shared().IconHandle;
  if (icon != 0) Background().DrawIcon(x, y, icon);
}

void MessageBox::Background_Paint() {
  auto& sh = msgdefs::shared();
  if ((sh.GradientPaint == 0 || caller_look_) && sh.IconIndex >= 0) {
    forms::ErrObject err;
    forms::attempt(err, [&] { DrawMessageIcon(); });
  }
}

// ---------------------------------------------------------------------------------------------
// Copying

std::wstring MessageBox::CopyText() const {
  if (!IsLoaded()) return {};
  const std::wstring line = L"---------------------------\r\n";
  std::wstring buttons;
  for (int i = 0; i <= 3; ++i)
    if (const auto& b = msg_button_(i); b.Visible())
      buttons += forms::without_access_marker(b.Caption()) + L"   ";
  return line + crlf_lines(Caption()) + L"\r\n" + line + crlf_lines(msg_text_->Caption()) +
         L"\r\n" + line + buttons + L"\r\n" + line;
}

// ---------------------------------------------------------------------------------------------
// Ways of ending

void MessageBox::Finish(std::int16_t code) {
  msgdefs::shared().ResultCode = code;
  result_ = code;
  Unload();
}

void MessageBox::MsgButton_Click(int index) {
  forms::ErrObject err;
  std::wstring caption;
  if (!forms::attempt(err, [&] { caption = MsgButton(index).Caption(); })) return;
  for (const auto& entry : kCaptionCodes) {
    if (caption == entry.caption) {
      msgdefs::shared().ResultCode = entry.code;
      result_ = entry.code;
      break;
    }
  }
  Unload();
}

void MessageBox::Form_KeyDown(std::int16_t key_code, std::int16_t) {
  if (key_code == kKeyEscape) escape_down_ = true;
}

void MessageBox::Form_KeyUp(std::int16_t key_code, std::int16_t) {
  if (key_code != kKeyEscape || !escape_down_) return;
  escape_down_ = false;
  Finish(kResultCancel);
}

void MessageBox::MsgButton_GotFocus(int index) {
  FocusIndex = static_cast<std::int16_t>(index);
}

void MessageBox::ControlBoxUp_MouseDown(std::int16_t, std::int16_t, Single, Single) {
  forms::ErrObject err;
  forms::attempt(err, [&] { ControlBoxUp().SetPicture(ControlBoxDn().GetPicture()); });
}

void MessageBox::ControlBoxUp_MouseUp(std::int16_t, std::int16_t, Single, Single) {
  Finish(kResultCancel);
}

// ---------------------------------------------------------------------------------------------
// Dragging

void MessageBox::DragIfMoveable() {
  if (msgdefs::shared().Moveable != 0) msgdefs::DragWindow(*this);
}
void MessageBox::TopHeading_MouseDown(std::int16_t, std::int16_t, Single, Single) {
  DragIfMoveable();
}
void MessageBox::TopCaption_MouseDown(std::int16_t, std::int16_t, Single, Single) {
  DragIfMoveable();
}
void MessageBox::Background_MouseDown(std::int16_t, std::int16_t, Single, Single) {
  DragIfMoveable();
}
void MessageBox::MsgText_MouseDown(std::int16_t, std::int16_t, Single, Single) {
  DragIfMoveable();
}

// ---------------------------------------------------------------------------------------------
// Timers

void MessageBox::Timer1_Timer() {
  ElapsedSeconds = static_cast<std::int16_t>(ElapsedSeconds + 1);
  if (ElapsedSeconds >= msgdefs::shared().TimerSeconds) Finish(kResultNone);
}

void MessageBox::Timer2_Timer() {
  forms::ErrObject err;
  forms::WindowHandle own = 0;
  forms::WindowHandle active = 0;
  forms::attempt(err, [&] { own = hWnd(); });
  forms::attempt(err, [&] { active = forms::backend().platform().active_window(); });
  if (own != 0 && own == active) {
    if (!WasActive) {
      WasActive = true;
      forms::attempt(err, [&] { PaintTop(true); });
      forms::attempt(err, [&] { MsgButton(FocusIndex).SetFocus(); });
    }
  } else if (WasActive) {
    WasActive = false;
    forms::attempt(err, [&] { PaintTop(false); });
  }
}

// ---------------------------------------------------------------------------------------------
// The thread's windows

// Held through a plain pointer so that the thread-local record has no destructor for the C++ run
// time to run at thread exit (it would pin the library and free it from the exiting thread).
// ReleaseThreadWindows frees everything: the library calls it when a thread's last object goes
// with no window up, and when the thread ends.
namespace {
using ThreadWindows = std::vector<std::unique_ptr<MessageBox>>;
thread_local ThreadWindows* t_windows = nullptr;
}  // namespace

MessageBox& WindowForCall() {
  if (t_windows == nullptr) t_windows = new ThreadWindows();
  for (auto& w : *t_windows)
    if (!w->IsLoaded()) return *w;
  t_windows->push_back(std::make_unique<MessageBox>());
  return *t_windows->back();
}

std::vector<MessageBox*> LoadedWindows() {
  std::vector<MessageBox*> up;
  if (t_windows != nullptr)
    for (auto& w : *t_windows)
      if (w->IsLoaded()) up.push_back(w.get());
  return up;
}

void ReleaseThreadWindows() {
  if (t_windows == nullptr) return;
  for (auto& w : *t_windows) w->Unload();
  delete t_windows;
  t_windows = nullptr;
}

}  // namespace quillon::window
