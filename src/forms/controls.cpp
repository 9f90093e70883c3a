// Portable model of the form and its simple controls. The picture box's drawing semantics live
// in picture.cpp.
#include "forms/controls.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon::forms {

namespace {
thread_local Backend* t_backend = nullptr;
BackendSource g_default_backend = nullptr;  // set once, while the program starts
}  // namespace

Backend& backend() {
  if (t_backend) return *t_backend;
  if (!g_default_backend) throw std::logic_error("no forms backend is linked into this program");
  return g_default_backend();
}

void set_default_backend(BackendSource source) {
  g_default_backend = source;
}

Rgb resolve_color(OleColor c) {
  if (is_system_color(c)) return backend().platform().sys_color(static_cast<int>(c & 0xFF));
  return c & 0x00FFFFFFu;
}

BackendScope::BackendScope(Backend& b) : previous_(t_backend) {
  t_backend = &b;
}
BackendScope::~BackendScope() {
  t_backend = previous_;
}

namespace {
// Nearest pixel count, saturated to the int range (a huge Single has no int value).
int saturate_px(double px) {
  const double r = round_half_even(px);
  if (!(r > -2147483648.0)) return std::numeric_limits<int>::min();  // also NaN
  if (r > 2147483647.0) return std::numeric_limits<int>::max();
  return static_cast<int>(r);
}
// A width or height: a finite value of 0 or more.
void check_size(Single v) {
  if (!(v >= 0) || std::isinf(v)) raise(kErrInvalidProperty, "Invalid property value");
}
}  // namespace

int to_pixels_x(Single twips) {
  return saturate_px(static_cast<double>(twips) /
                     static_cast<double>(backend().screen().TwipsPerPixelX()));
}
int to_pixels_y(Single twips) {
  return saturate_px(static_cast<double>(twips) /
                     static_cast<double>(backend().screen().TwipsPerPixelY()));
}

// ---------------------------------------------------------------------------------------------
// Control

Control::Control(Form& form, ControlKind kind, std::string name, int index, Control* container)
    : form_(form),
      kind_(kind),
      name_(std::move(name)),
      index_(index),
      container_(container),
      role_(kind == ControlKind::Label           ? AccessibleRole::kStaticText
            : kind == ControlKind::CommandButton ? AccessibleRole::kPushButton
                                                 : AccessibleRole::kNone) {}

void Control::SetAccessible(AccessibleRole role, std::wstring name) {
  role_ = role;
  accessible_name_ = std::move(name);
}

void Control::notify(Change what) {
  form_.control_changed(this, what);
}

void Control::SetLeft(Single v) {
  left_ = v;
  notify(Change::Geometry);
}
void Control::SetTop(Single v) {
  top_ = v;
  notify(Change::Geometry);
}
void Control::SetWidth(Single v) {
  check_size(v);
  width_ = v;
  notify(Change::Geometry);
}
void Control::SetHeight(Single v) {
  check_size(v);
  height_ = v;
  notify(Change::Geometry);
}
void Control::Move(Single left, Single top, Single width, Single height) {
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}
void Control::SetVisible(bool v) {
  visible_ = v;
  notify(Change::Visible);
}
void Control::SetEnabled(bool v) {
  enabled_ = v;
  notify(Change::Enabled);
}
bool Control::Shown() const {
  for (const Control* c = this; c; c = c->container())
    if (!c->Visible()) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Label

Label::Label(Form& form, std::string name, int index, Control* container)
    : Control(form, ControlKind::Label, std::move(name), index, container) {}

void Label::resize_to_caption() {
  if (!auto_size_) return;
  auto& screen = backend().screen();
  std::optional<int> wrap;
  if (word_wrap_) wrap = std::max(1, to_pixels_x(width_));
  const TextExtent e = backend().text().measure(caption_, font_, wrap);
  if (!word_wrap_) width_ = static_cast<Single>(e.width_px) * screen.TwipsPerPixelX();
  height_ = static_cast<Single>(e.height_px) * screen.TwipsPerPixelY();
  notify(Change::Geometry);
}

void Label::SetCaption(std::wstring v) {
  caption_ = std::move(v);
  resize_to_caption();
  notify(Change::Caption);
}
void Label::SetAutoSize(bool v) {
  auto_size_ = v;
  resize_to_caption();
}
void Label::SetWordWrap(bool v) {
  word_wrap_ = v;
  resize_to_caption();
  notify(Change::Caption);
}
void Label::SetAlignment(int v) {
  if (v < 0 || v > 2) raise(kErrInvalidProperty, "Invalid property value");
  alignment_ = v;
  notify(Change::Caption);
}
void Label::SetForeColor(OleColor v) {
  fore_color_ = v;
  notify(Change::Colour);
}
void Label::SetFont(const Font& f) {
  font_ = f;
  resize_to_caption();
  notify(Change::Caption);
}
void Label::SetWidth(Single v) {
  Control::SetWidth(v);
  if (word_wrap_) resize_to_caption();
}
void Label::Refresh() {
  if (FormPeer* p = form().peer()) p->refresh(*this);
}

// ---------------------------------------------------------------------------------------------
// CommandButton

CommandButton::CommandButton(Form& form, std::string name, int index, Control* container)
    : Control(form, ControlKind::CommandButton, std::move(name), index, container) {}

void CommandButton::SetCaption(std::wstring v) {
  caption_ = std::move(v);
  notify(Change::Caption);
}
void CommandButton::SetTabStop(bool v) {
  tab_stop_ = v;
  notify(Change::TabStop);
}
void CommandButton::SetDefault(bool v) {
  if (v) {
    for (const auto& c : form().controls()) {
      if (c.get() != this && c->kind() == ControlKind::CommandButton) {
        auto* b = static_cast<CommandButton*>(c.get());
        if (b->default_) {
          b->default_ = false;
          b->notify(Change::Default);
        }
      }
    }
  }
  default_ = v;
  notify(Change::Default);
}
void CommandButton::SetBackColor(OleColor v) {
  back_color_ = v;
  notify(Change::Colour);
}
void CommandButton::SetFont(const Font& f) {
  font_ = f;
  notify(Change::Caption);
}
void CommandButton::SetFocus() {
  if (!form().peer() || !form().IsShown() || !Navigation::can_focus(*this))
    raise(kErrInvalidCall, "Invalid procedure call or argument");
  form().navigation().set_focus(*this);
}

// ---------------------------------------------------------------------------------------------
// Image, LineControl, Timer

Image::Image(Form& form, std::string name, int index, Control* container)
    : Control(form, ControlKind::Image, std::move(name), index, container) {}

void Image::SetPicture(Picture p) {
  picture_ = std::move(p);
  notify(Change::Picture);
}

LineControl::LineControl(Form& form, std::string name, int index, Control* container)
    : Control(form, ControlKind::Line, std::move(name), index, container) {}

void LineControl::SetEnds(Single x1, Single y1, Single x2, Single y2) {
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  notify(Change::Geometry);
}
void LineControl::SetX2(Single v) {
  x2_ = v;
  notify(Change::Geometry);
}
void LineControl::SetBorderColor(OleColor v) {
  border_color_ = v;
  notify(Change::Colour);
}

void LineControl::SetBorderWidth(int px) {
  border_width_ = std::max(1, px);
  notify(Change::Geometry);
}

Timer::Timer(Form& form, std::string name, int index, Control* container)
    : Control(form, ControlKind::Timer, std::move(name), index, container) {}

void Timer::SetInterval(int ms) {
  if (ms < 0 || ms > 65535) raise(kErrInvalidProperty, "Invalid property value");
  interval_ = ms;
  notify(Change::TimerState);
}

// ---------------------------------------------------------------------------------------------
// Form

Form::Form(std::string name) : name_(std::move(name)) {}

Form::~Form() {
  navigation_.unloaded();
  if (loaded_ && peer_) peer_->unload();
}

void Form::Load() {
  if (loaded_) return;
  // Whatever the last showing left behind is freed now, outside any of its handlers.
  retired_peer_.reset();
  retired_controls_.clear();
  controls_.clear();
  shown_ = false;
  Design();
  loaded_ = true;
  navigation_.loaded();
  peer_ = backend().load(*this);
  if (OnLoad) OnLoad();
}

void Form::Show(bool modal) {
  Load();
  if (!loaded_) return;  // the load handler unloaded the form
  shown_ = true;
  peer_->show(modal);
}

void Form::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  shown_ = false;
  navigation_.unloaded();
  if (peer_) peer_->unload();
  retired_peer_ = std::move(peer_);
  retired_controls_ = std::move(controls_);
  controls_.clear();
}

WindowHandle Form::hWnd() const {
  return loaded_ && peer_ ? peer_->handle() : 0;
}

void Form::SetLeft(Single v) {
  left_ = v;
  control_changed(nullptr, Change::Geometry);
}
void Form::SetTop(Single v) {
  top_ = v;
  control_changed(nullptr, Change::Geometry);
}
void Form::SetWidth(Single v) {
  check_size(v);
  width_ = v;
  control_changed(nullptr, Change::Geometry);
}
void Form::SetHeight(Single v) {
  check_size(v);
  height_ = v;
  control_changed(nullptr, Change::Geometry);
}

void Form::SetCaption(std::wstring v) {
  caption_ = std::move(v);
  control_changed(nullptr, Change::Caption);
}

void Form::control_changed(Control* control, Change what) {
  if (loaded_ && peer_) peer_->changed(control, what);
}

}  // namespace quillon::forms
