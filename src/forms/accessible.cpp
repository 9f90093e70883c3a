// The accessible view of a form: its parts in reading order and their default actions.
#include "forms/accessible.h"

#include <algorithm>

#include "forms/controls.h"

namespace quillon::forms {

namespace {

// The control's rectangle in the form's client area: its pixel rectangle in its container,
// moved by each container's place (as the backends place native child windows).
PixelRect form_rect(const Control& c) {
  int x = to_pixels_x(c.Left()), y = to_pixels_y(c.Top());
  for (const Control* k = c.container(); k; k = k->container()) {
    x += to_pixels_x(k->Left());
    y += to_pixels_y(k->Top());
  }
  return {x, y, x + to_pixels_x(c.Width()), y + to_pixels_y(c.Height())};
}

std::wstring caption_of(const Control& c) {
  if (c.kind() == ControlKind::Label) return static_cast<const Label&>(c).Caption();
  if (c.kind() == ControlKind::CommandButton)
    return without_access_marker(static_cast<const CommandButton&>(c).Caption());
  return {};
}

}  // namespace

std::wstring without_access_marker(const std::wstring& caption) {
  std::wstring out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

std::vector<AccessiblePart> accessible_parts(const Form& form) {
  std::vector<AccessiblePart> parts;
  for (const auto& c : form.controls()) {
    if (c->Role() == AccessibleRole::kNone || !c->Shown()) continue;
    AccessiblePart p{c.get(), c->Role(), c->AccessibleName(), 0,
                     false,   false,     c->Enabled(),        form_rect(*c)};
    if (p.name.empty()) p.name = caption_of(*c);
    if (c->kind() == ControlKind::CommandButton) {
      const auto& b = static_cast<const CommandButton&>(*c);
      p.access_key = access_key(b.Caption());
      p.is_default = b.Default();
      p.focusable = Navigation::can_focus(b);
    }
    parts.push_back(std::move(p));
  }
  std::stable_sort(parts.begin(), parts.end(),
                   [](const auto& a, const auto& b) { return a.rect.top < b.rect.top; });
  // Rows: a part that starts above the bottom of the row so far joins it.
  for (std::size_t row = 0; row < parts.size();) {
    std::size_t end = row + 1;
    for (int bottom = parts[row].rect.bottom; end < parts.size() && parts[end].rect.top < bottom;
         ++end)
      bottom = std::max(bottom, parts[end].rect.bottom);
    std::stable_sort(parts.begin() + static_cast<std::ptrdiff_t>(row),
                     parts.begin() + static_cast<std::ptrdiff_t>(end),
                     [](const auto& a, const auto& b) { return a.rect.left < b.rect.left; });
    row = end;
  }
  return parts;
}

Handled do_default_action(Control& control) {
  if (control.Role() != AccessibleRole::kPushButton || !control.Shown() || !control.Enabled())
    return Handled::kNo;
  if (control.kind() == ControlKind::CommandButton)
    return control.form().navigation().clicked(static_cast<CommandButton&>(control));
  if (control.kind() != ControlKind::Image) return Handled::kNo;
  auto& image = static_cast<Image&>(control);
  image.raise_MouseDown(kLeftButton, 0, 0, 0);
  if (image.form().IsLoaded()) image.raise_MouseUp(kLeftButton, 0, 0, 0);
  return Handled::kYes;
}

}  // namespace quillon::forms
