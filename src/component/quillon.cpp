// The Quillon object: creation defaults and the rules of the 23 properties.
#include "component/quillon.h"

#include "forms/backend.h"

namespace quillon {

namespace {

using forms::OleColor;
using msgdefs::shared;

constexpr std::int32_t kStockIconIds[] = {32513, 32514, 32515, 32516};  // hand, ?, !, i
constexpr int kIconWidthMetric = 11;                                    // SM_CXICON
constexpr int kIconHeightMetric = 12;                                   // SM_CYICON

OleColor colour_or_default(OleColor value, OleColor fallback) {
  return value == kColourMinusOne ? fallback : value;
}

// An enumeration value arrives as 32 bits and is kept in 16; one that does not fit fails with
// the overflow error and leaves the setting unchanged.
std::int16_t enum_to_16(std::int32_t value, std::int16_t low, std::int16_t high,
                        std::int16_t fallback) {
  const std::int16_t v = forms::to_integer(value);
  return (v < low || v > high) ? fallback : v;
}

// The limit of Height and Width: the screen size less 240 twips, at the time of the assignment.
std::int32_t clamp_to_screen(std::int32_t value, forms::Single screen_extent) {
  const double limit = static_cast<double>(screen_extent) - 240.0;
  if (limit < static_cast<double>(value)) return forms::to_long(limit);
  return value;
}

}  // namespace

Quillon::Quillon() {
  SetBackColorBody(kButtonFace);
  SetForeColorBody(kButtonText);
  SetBackColorButtons(kButtonFace);
  SetBackColorHeading(kActiveTitleBar);
  SetForeColorHeading(kHighlightText);

  auto& s = shared();
  s.Moveable = kVbFalse;
  s.KeepOnTop = kVbTrue;
  ControlBox_ = kVbTrue;
  s.HeadingType = 0;
  TextAlignment_ = 0;
  s.SolidColorHeading = kVbFalse;
  SoundBeep_ = kVbTrue;
  s.TimerSeconds = 0;
  s.GradientPaint = kVbFalse;

  SetGradientDirection(1);

  s.Modal = kVbTrue;
  StartUpPosition_ = 2;
  Top_ = Left_ = Height_ = Width_ = 0;
  DefaultTitle_.clear();
  HideButtons_ = kVbFalse;

  auto& be = forms::backend();
  IconHeight_ = forms::to_long(static_cast<double>(be.screen().TwipsPerPixelY()) *
                               be.platform().system_metrics(kIconHeightMetric));
  IconWidth_ = forms::to_long(static_cast<double>(be.screen().TwipsPerPixelX()) *
                              be.platform().system_metrics(kIconWidthMetric));

  for (std::int32_t id : kStockIconIds) StockIconIds_.Add(id);
}

// Colours.
OleColor Quillon::BackColorBody() const {
  return shared().BackColorBody;
}
void Quillon::SetBackColorBody(OleColor v) {
  shared().BackColorBody = colour_or_default(v, kButtonFace);
}
void Quillon::SetBackColorButtons(OleColor v) {
  BackColorButtons_ = colour_or_default(v, kButtonFace);
}
OleColor Quillon::BackColorHeading() const {
  return shared().BackColorHeading;
}
void Quillon::SetBackColorHeading(OleColor v) {
  shared().BackColorHeading = colour_or_default(v, kActiveTitleBar);
}
void Quillon::SetForeColorBody(OleColor v) {
  ForeColorBody_ = colour_or_default(v, kButtonText);
}
void Quillon::SetForeColorHeading(OleColor v) {
  ForeColorHeading_ = colour_or_default(v, kHighlightText);
}

// Shared Booleans: stored as given.
VbBool Quillon::GradientPaint() const {
  return shared().GradientPaint;
}
void Quillon::SetGradientPaint(VbBool v) {
  shared().GradientPaint = v;
}
VbBool Quillon::SolidColorHeading() const {
  return shared().SolidColorHeading;
}
void Quillon::SetSolidColorHeading(VbBool v) {
  shared().SolidColorHeading = v;
}
VbBool Quillon::Moveable() const {
  return shared().Moveable;
}
void Quillon::SetMoveable(VbBool v) {
  shared().Moveable = v;
}
VbBool Quillon::KeepOnTop() const {
  return shared().KeepOnTop;
}
void Quillon::SetKeepOnTop(VbBool v) {
  shared().KeepOnTop = v;
}
VbBool Quillon::Modal() const {
  return shared().Modal;
}
void Quillon::SetModal(VbBool v) {
  shared().Modal = v;
}

// Enumerations.
std::int32_t Quillon::GradientDirection() const {
  return shared().GradientDirection;
}
void Quillon::SetGradientDirection(std::int32_t v) {
  std::int16_t code = enum_to_16(v, 1, 16, 1);
  // The patterned shapes come in FadeOut/FadeIn pairs (5/6, 7/8, ... 15/16); the stored code is
  // the partner of the public value, and reads back as such.
  if (code >= 5) code = static_cast<std::int16_t>(code % 2 ? code + 1 : code - 1);
  shared().GradientDirection = code;
}
std::int32_t Quillon::HeadingType() const {
  return shared().HeadingType;
}
void Quillon::SetHeadingType(std::int32_t v) {
  shared().HeadingType = enum_to_16(v, 0, 1, 0);
}
void Quillon::SetTextAlignment(std::int32_t v) {
  TextAlignment_ = enum_to_16(v, 0, 2, 0);
}
void Quillon::SetStartUpPosition(std::int32_t v) {
  StartUpPosition_ = enum_to_16(v, 0, 2, 2);
}

std::int16_t Quillon::TimerSeconds() const {
  return shared().TimerSeconds;
}
void Quillon::SetTimerSeconds(std::int16_t v) {
  shared().TimerSeconds = v < 0 ? std::int16_t{0} : v;
}

// Position and size.
void Quillon::SetTop(std::int32_t v) {
  Top_ = v < 0 ? 0 : v;
}
void Quillon::SetLeft(std::int32_t v) {
  Left_ = v < 0 ? 0 : v;
}
void Quillon::SetHeight(std::int32_t v) {
  Height_ = v < 0 ? 0 : clamp_to_screen(v, forms::backend().screen().Height());
}
void Quillon::SetWidth(std::int32_t v) {
  Width_ = v < 0 ? 0 : clamp_to_screen(v, forms::backend().screen().Width());
}

}  // namespace quillon
