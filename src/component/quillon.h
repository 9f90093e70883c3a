// The public class Quillon: per-object settings, the 23 properties with their rules, and MsgBox.
// Ten settings are shared by every object of the thread (msgdefs::shared()); creating an object
// resets them. Property setters correct bad values silently; the four enumeration setters throw
// forms::Error(kErrOverflow) when the value does not fit in 16 bits, leaving the old value.
#pragma once

#include <cstdint>
#include <string>

#include "forms/controls.h"
#include "msgdefs/shared.h"

namespace quillon {

class Quillon {
 public:
  Quillon();  // the creation handler: every default, in the documented order

  // Colours (-1 gives the property's default system colour).
  forms::OleColor BackColorBody() const;
  void SetBackColorBody(forms::OleColor v);
  forms::OleColor BackColorButtons() const { return BackColorButtons_; }
  void SetBackColorButtons(forms::OleColor v);
  forms::OleColor BackColorHeading() const;
  void SetBackColorHeading(forms::OleColor v);
  forms::OleColor ForeColorBody() const { return ForeColorBody_; }
  void SetForeColorBody(forms::OleColor v);
  forms::OleColor ForeColorHeading() const { return ForeColorHeading_; }
  void SetForeColorHeading(forms::OleColor v);

  // Booleans keep their 16-bit value.
  VbBool GradientPaint() const;
  void SetGradientPaint(VbBool v);
  VbBool SolidColorHeading() const;
  void SetSolidColorHeading(VbBool v);
  VbBool Moveable() const;
  void SetMoveable(VbBool v);
  VbBool KeepOnTop() const;
  void SetKeepOnTop(VbBool v);
  VbBool Modal() const;
  void SetModal(VbBool v);
  VbBool SoundBeep() const { return SoundBeep_; }
  void SetSoundBeep(VbBool v) { SoundBeep_ = v; }
  VbBool ControlBox() const { return ControlBox_; }
  void SetControlBox(VbBool v) { ControlBox_ = v; }
  VbBool HideButtons() const { return HideButtons_; }
  void SetHideButtons(VbBool v) { HideButtons_ = v; }

  // Enumerations: 32-bit in the interface, 16-bit stored.
  std::int32_t GradientDirection() const;
  void SetGradientDirection(std::int32_t v);
  std::int32_t HeadingType() const;
  void SetHeadingType(std::int32_t v);
  std::int32_t TextAlignment() const { return TextAlignment_; }
  void SetTextAlignment(std::int32_t v);
  std::int32_t StartUpPosition() const { return StartUpPosition_; }
  void SetStartUpPosition(std::int32_t v);

  std::int16_t TimerSeconds() const;
  void SetTimerSeconds(std::int16_t v);

  // Position and size in twips.
  std::int32_t Top() const { return Top_; }
  void SetTop(std::int32_t v);
  std::int32_t Left() const { return Left_; }
  void SetLeft(std::int32_t v);
  std::int32_t Height() const { return Height_; }
  void SetHeight(std::int32_t v);
  std::int32_t Width() const { return Width_; }
  void SetWidth(std::int32_t v);

  const std::wstring& DefaultTitle() const { return DefaultTitle_; }
  void SetDefaultTitle(std::wstring v) { DefaultTitle_ = std::move(v); }

  // The call: same arguments and result codes as the platform's standard message box.
  // Never throws; returns 0 when the window could not be loaded.
  std::int16_t MsgBox(const std::wstring& message, std::int16_t buttons = 0,
                      const std::wstring& title = std::wstring());

  // Values worked out at creation.
  std::int32_t IconWidth() const { return IconWidth_; }
  std::int32_t IconHeight() const { return IconHeight_; }
  const forms::Collection<std::int32_t>& StockIconIds() const { return StockIconIds_; }

 private:
  // Per-object fields.
  forms::OleColor ForeColorBody_ = 0;
  forms::OleColor BackColorButtons_ = 0;
  forms::OleColor ForeColorHeading_ = 0;
  std::int32_t Top_ = 0;
  std::int32_t Left_ = 0;
  std::int32_t Height_ = 0;
  std::int32_t Width_ = 0;
  std::int32_t IconWidth_ = 0;
  std::int32_t IconHeight_ = 0;
  forms::Collection<std::int32_t> StockIconIds_;
  std::int16_t StartUpPosition_ = 0;
  std::int16_t TextAlignment_ = 0;
  VbBool SoundBeep_ = 0;
  VbBool ControlBox_ = 0;
  VbBool HideButtons_ = 0;
  std::wstring DefaultTitle_;
};

}  // namespace quillon
