// Dialog navigation: focus, keys and the default button, the same on every backend.
#include "forms/navigation.h"

#include <algorithm>
#include <cwctype>
#include <utility>

#include "forms/backend.h"
#include "forms/controls.h"

namespace quillon::forms {

namespace {

CommandButton* as_button(Control* c) {
  return c && c->kind() == ControlKind::CommandButton ? static_cast<CommandButton*>(c) : nullptr;
}

std::string label(const Control& c) {
  return c.index() >= 0 ? c.name() + "(" + std::to_string(c.index()) + ")" : c.name();
}

}  // namespace

wchar_t access_key(const std::wstring& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return static_cast<wchar_t>(std::towupper(caption[i + 1]));
  }
  return 0;
}

Navigation::Navigation(Form& form) : form_(form), loaded_(std::make_shared<bool>(false)) {}

Navigation::~Navigation() {
  *loaded_ = false;
}

void Navigation::loaded() {
  *loaded_ = false;
  loaded_ = std::make_shared<bool>(true);
  activated_ = false;
  first_focus_quiet_ = false;
  pending_got_focus_ = nullptr;
  last_focus_ = nullptr;
  pressed_ = nullptr;
}

void Navigation::unloaded() {
  *loaded_ = false;
  pending_got_focus_ = nullptr;
  last_focus_ = nullptr;
  pressed_ = nullptr;
}

// Raises one event; false when its handler ended the showing (or the form went away), so that
// the caller must not go on.
template <class F>
bool Navigation::raise(const std::string& event, F&& handler) {
  const auto alive = loaded_;
  if (!*alive) return false;
  if (FormPeer* p = form_.peer()) p->raising(event);
  std::forward<F>(handler)();
  return *alive;
}

// ---------------------------------------------------------------------------------------------
// The rules

bool Navigation::can_focus(const CommandButton& button) {
  return button.Shown() && button.Enabled();
}

std::vector<CommandButton*> Navigation::tab_order() const {
  std::vector<CommandButton*> order;
  for (const auto& c : form_.controls())
    if (CommandButton* b = as_button(c.get()); b && can_focus(*b) && b->TabStop())
      order.push_back(b);
  std::stable_sort(order.begin(), order.end(), [](const CommandButton* a, const CommandButton* b) {
    return a->TabIndex() < b->TabIndex();
  });
  return order;
}

CommandButton* Navigation::default_button() const {
  for (const auto& c : form_.controls())
    if (CommandButton* b = as_button(c.get()); b && b->Default() && can_focus(*b)) return b;
  return nullptr;
}

CommandButton* Navigation::first_focus() const {
  if (CommandButton* b = default_button()) return b;
  if (const auto order = tab_order(); !order.empty()) return order.front();
  CommandButton* first = nullptr;
  for (const auto& c : form_.controls())
    if (CommandButton* b = as_button(c.get());
        b && can_focus(*b) && (!first || b->TabIndex() < first->TabIndex()))
      first = b;
  return first;
}

Control* Navigation::focused() const {
  FormPeer* p = form_.peer();
  return p && *loaded_ ? p->focused() : nullptr;
}

CommandButton* Navigation::focused_button() const {
  return as_button(focused());
}

// The form sees every key first when it asks to, and always when none of its controls has the
// focus.
bool Navigation::previews() const {
  return form_.KeyPreview() || !focused();
}

// ---------------------------------------------------------------------------------------------
// Focus

void Navigation::move_focus(Control* control) {
  pending_got_focus_ = nullptr;  // whoever moves the focus now has the last word
  FormPeer* p = form_.peer();
  if (p && *loaded_ && p->focused() != control) p->set_focus(control);
}

void Navigation::set_focus(CommandButton& button) {
  move_focus(&button);
}

void Navigation::focus_gained(Control& control) {
  CommandButton* b = as_button(&control);
  if (!*loaded_ || !b) return;
  last_focus_ = b;
  if (pressed_ && pressed_ != b) release_press();
  if (first_focus_quiet_) return;
  pending_got_focus_ = nullptr;
  raise("GotFocus " + label(*b), [&] { b->raise_GotFocus(); });
}

void Navigation::focus_lost(Control& control) {
  if (&control == pressed_) release_press();
}

// The first activation puts the focus on the first focus quietly, raises Activate and then
// GotFocus, unless the Activate handler moved the focus itself. A later activation brings back
// the last focus (the platform reports its arrival, so GotFocus comes first) and raises Activate
// only when it comes from another window of this program.
void Navigation::activated(ActivatedFrom from) {
  const auto alive = loaded_;
  FormPeer* p = form_.peer();
  if (!*alive || !p) return;
  const bool first = !activated_;
  activated_ = true;
  CommandButton* back = as_button(last_focus_);
  Control* target = back && can_focus(*back) ? back : first_focus();
  pending_got_focus_ = first ? target : nullptr;
  first_focus_quiet_ = first;
  p->set_focus(target);
  first_focus_quiet_ = false;
  if (!*alive) return;
  if ((first || from == ActivatedFrom::kThisProgram) &&
      !raise("Activate " + form_.name(), [&] { form_.raise_Activate(); }))
    return;
  CommandButton* landed = as_button(std::exchange(pending_got_focus_, nullptr));
  if (landed && landed == focused())
    raise("GotFocus " + label(*landed), [&] { landed->raise_GotFocus(); });
}

void Navigation::shown() {
  if (activated_ || !*loaded_) return;
  activated_ = true;
  raise("Activate " + form_.name(), [&] { form_.raise_Activate(); });
}

void Navigation::tab(Direction direction) {
  const auto order = tab_order();
  if (order.empty()) return;
  const auto it = std::find(order.begin(), order.end(), focused_button());
  const std::size_t n = order.size();
  std::size_t next = direction == Direction::kForward ? 0 : n - 1;
  if (it != order.end()) {
    const auto i = static_cast<std::size_t>(it - order.begin());
    next = direction == Direction::kForward ? (i + 1) % n : (i + n - 1) % n;
  }
  move_focus(order[next]);
}

// ---------------------------------------------------------------------------------------------
// Clicks and keys

void Navigation::click(CommandButton& button) {
  if (can_focus(button)) raise("Click " + label(button), [&] { button.raise_Click(); });
}

void Navigation::release_press() {
  CommandButton* b = std::exchange(pressed_, nullptr);
  if (FormPeer* p = form_.peer(); b && p && *loaded_) p->show_face(*b, ButtonFace::kRaised);
}

Handled Navigation::clicked(CommandButton& button) {
  const auto alive = loaded_;
  if (!*alive || !can_focus(button)) return Handled::kNo;
  move_focus(&button);
  if (*alive) click(button);
  return Handled::kYes;
}

Handled Navigation::key_down(std::int16_t key_code, std::int16_t shift) {
  const auto alive = loaded_;
  if (!*alive) return Handled::kYes;
  if (previews() &&
      !raise("KeyDown " + std::to_string(key_code), [&] { form_.raise_KeyDown(key_code, shift); }))
    return Handled::kYes;
  switch (key_code) {
    case kKeyTab:
      if (shift & (kCtrlMask | kAltMask)) return Handled::kNo;
      tab((shift & kShiftMask) ? Direction::kBack : Direction::kForward);
      return Handled::kYes;
    case kKeyReturn: {
      CommandButton* target = focused_button();
      if (!target || !can_focus(*target)) target = default_button();
      if (target) click(*target);
      return Handled::kYes;
    }
    case kKeySpace: {
      // A push button: pushed in while the key is held, clicked when it is released on it.
      CommandButton* b = focused_button();
      if (!b) return Handled::kNo;
      if (pressed_ != b) {
        release_press();
        pressed_ = b;
        form_.peer()->show_face(*b, ButtonFace::kPushed);
      }
      return Handled::kYes;
    }
    case kKeyC:
    case kKeyInsert: {
      if ((shift & (kCtrlMask | kAltMask | kShiftMask)) != kCtrlMask) return Handled::kNo;
      const std::wstring text = form_.CopyText();
      if (text.empty()) return Handled::kNo;
      backend().platform().copy_text(text);
      return Handled::kYes;
    }
    default:
      return Handled::kNo;
  }
}

Handled Navigation::key_up(std::int16_t key_code, std::int16_t shift) {
  if (!*loaded_) return Handled::kYes;
  if (previews() &&
      !raise("KeyUp " + std::to_string(key_code), [&] { form_.raise_KeyUp(key_code, shift); }))
    return Handled::kYes;
  if (key_code != kKeySpace || !pressed_) return Handled::kNo;
  CommandButton* b = pressed_;
  release_press();
  if (b == focused_button()) click(*b);
  return Handled::kYes;
}

Handled Navigation::character(wchar_t ch) {
  // Tab, Enter and Escape did their work as keys; their characters go no further.
  if (ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == 27) return Handled::kYes;
  const auto key = static_cast<wchar_t>(std::towupper(ch));
  const auto alive = loaded_;
  if (key == 0 || !*alive) return Handled::kNo;
  for (const auto& c : form_.controls()) {
    CommandButton* b = as_button(c.get());
    if (!b || !can_focus(*b) || access_key(b->Caption()) != key) continue;
    move_focus(b);
    if (*alive) click(*b);
    return Handled::kYes;
  }
  return Handled::kNo;
}

}  // namespace quillon::forms
