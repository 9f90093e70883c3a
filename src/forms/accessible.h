// What assistive technology is told about a loaded form, decided once for every backend: the
// parts that carry a role (static text, push buttons), in reading order, each with its name,
// access key, state and place; and each part's default action, which does what a click does.
// A backend turns this into its platform's accessibility interface (forms/win32/accessible.cpp).
#pragma once

#include <string>
#include <vector>

#include "forms/backend.h"
#include "forms/navigation.h"

namespace quillon::forms {

class Form;
class Control;

// The role a control plays for assistive technology. Labels are static text and command buttons
// push buttons unless the design says otherwise; an image that acts as a button says so.
enum class AccessibleRole { kNone, kStaticText, kPushButton };
// Whether showing a form announces an alert (a warning or an error) beside the dialog's start.
enum class Alert { kNone, kAlert };

struct AccessiblePart {
  Control* control = nullptr;
  AccessibleRole role = AccessibleRole::kNone;
  std::wstring name;        // the design's name, else the caption without its "&" marker
  wchar_t access_key = 0;   // 0: none
  bool is_default = false;  // the button that Enter presses
  bool focusable = false;   // a button that can take the focus now
  bool enabled = true;
  PixelRect rect;  // in the form's client area, pixels
};

// The shown parts of a loaded form that have a role, in reading order: rows from top to bottom
// (parts whose extents overlap vertically share a row), left to right within a row.
std::vector<AccessiblePart> accessible_parts(const Form& form);

// The default action of a part: a button is clicked as by the pointer; an image acting as a push
// button gets a press and a release of the left button. kNo when the part has none or cannot act.
Handled do_default_action(Control& control);

// A caption as it reads: "&" markers taken out, "&&" read as "&".
std::wstring without_access_marker(const std::wstring& caption);

}  // namespace quillon::forms
