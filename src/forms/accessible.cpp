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
    AccessiblePart& p = parts.emplace_back();
    p.control = c.get();
    p.role = c->Role();
    p.name = c->AccessibleName().empty() ? caption_of(*c) : c->AccessibleName();
    p.enabled = c->Enabled();
    p.rect = form_rect(*c);
    if (c->kind() == ControlKind::CommandButton) {
      const auto& b = static_cast<const CommandButton&>(*c);
      p.access_key = access_key(b.Caption());
      p.is_default = b.Default();
      p.focusable = Navigation::can_focus(b);
    }
  }
  // Sorted through their places, the design's order breaking ties: rows by their top edges (a part
  // that starts above the bottom of the row so far joins it), left to right within a row.
  std::vector<std::size_t> order(parts.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto by = [&parts](int PixelRect::*edge) {
    return [&parts, edge](std::size_t a, std::size_t b) {
      const int ea = parts[a].rect.*edge, eb = parts[b].rect.*edge;
      return ea != eb ? ea < eb : a < b;
    };
  };
  std::sort(order.begin(), order.end(), by(&PixelRect::top));
  for (std::size_t row = 0; row < order.size();) {
    std::size_t end = row + 1;
    for (int bottom = parts[order[row]].rect.bottom;
         end < order.size() && parts[order[end]].rect.top < bottom; ++end)
      bottom = std::max(bottom, parts[order[end]].rect.bottom);
    std::sort(order.begin() + static_cast<std::ptrdiff_t>(row),
              order.begin() + static_cast<std::ptrdiff_t>(end), by(&PixelRect::left));
    row = end;
  }
  std::vector<AccessiblePart> sorted;
  sorted.reserve(parts.size());
  for (std::size_t i : order) sorted.push_back(std::move(parts[i]));
  return sorted;
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
