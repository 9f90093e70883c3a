// The shared module: settings that every object on a thread shares and that the message window
// reads directly, plus the three values that carry results between the call and the window.
// One copy per thread; every field is zero before the first object is created on the thread.
#pragma once

#include <cstdint>

#include "forms/backend.h"
#include "forms/types.h"

namespace quillon {

// The automation Boolean: True = -1, False = 0; every reader treats non-zero as True.
using VbBool = std::int16_t;
inline constexpr VbBool kVbTrue = -1;
inline constexpr VbBool kVbFalse = 0;

// Default colours (system colours).
inline constexpr forms::OleColor kButtonFace = 0x8000000F;
inline constexpr forms::OleColor kButtonText = 0x80000012;
inline constexpr forms::OleColor kActiveTitleBar = 0x80000002;
inline constexpr forms::OleColor kInactiveTitleBar = 0x80000003;
inline constexpr forms::OleColor kHighlightText = 0x8000000E;
inline constexpr forms::OleColor kColourMinusOne = 0xFFFFFFFF;

namespace msgdefs {

struct SharedSettings {
  std::int16_t ResultCode = 0;
  std::int16_t TimerSeconds = 0;
  std::int16_t GradientDirection = 0;  // internal gradient code (FadeOut/FadeIn pairs exchanged)
  VbBool Moveable = 0;
  VbBool KeepOnTop = 0;
  VbBool GradientPaint = 0;
  VbBool Modal = 0;
  forms::OleColor BackColorBody = 0;
  forms::OleColor BackColorHeading = 0;
  forms::IconHandle IconHandle = 0;
  std::int16_t HeadingType = 0;
  std::int16_t IconIndex = 0;
  VbBool SolidColorHeading = 0;
};

// This thread's copy.
SharedSettings& shared();

}  // namespace msgdefs
}  // namespace quillon
