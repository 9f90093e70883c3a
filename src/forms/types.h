// Basic value types of the forms toolkit and the run-time error model.
//
// The toolkit mirrors a classic forms run time: lengths are Single twips, colours are OLE_COLOR,
// a failing member throws forms::Error carrying the run-time error number, and callers that work
// under the skip-on-failure rule catch it with attempt().
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

namespace quillon::forms {

using Single = float;
using OleColor = std::uint32_t;  // 0x00BBGGRR, or 0x800000nn for system colour nn
using Rgb = std::uint32_t;       // always a plain 0x00BBGGRR value

inline constexpr OleColor kSystemColorBit = 0x80000000u;
inline constexpr bool is_system_color(OleColor c) {
  return (c & kSystemColorBit) != 0;
}
inline constexpr Rgb rgb(int r, int g, int b) {
  return static_cast<Rgb>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr int red_of(Rgb c) {
  return static_cast<int>(c & 0xFF);
}
inline constexpr int green_of(Rgb c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int blue_of(Rgb c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

// Run-time error numbers used by the toolkit.
enum ErrorNumber : int {
  kErrInvalidCall = 5,  // invalid procedure call or argument (e.g. SetFocus on a hidden button)
  kErrOverflow = 6,     // a value does not fit its 16- or 32-bit target
  kErrSubscript = 9,    // subscript out of range (control array, collection)
  kErrObjectUnloaded = 364,   // the form or control is not loaded
  kErrInvalidProperty = 380,  // invalid property value
};

class Error : public std::runtime_error {
 public:
  Error(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

[[noreturn]] inline void raise(int number, const char* description) {
  throw Error(number, description);
}
[[noreturn]] inline void raise_overflow() {
  raise(kErrOverflow, "Overflow");
}

// Nearest integer, a half going to the even neighbour (the run time's CLng/CInt rounding), in the
// default rounding mode. Where doubles are computed as doubles, adding and taking away 2^52 does
// exactly that without a call (the Windows runtime's nearbyint costs as much as a thick line row).
inline double round_half_even(double x) {
#if FLT_EVAL_METHOD == 0
  constexpr double kTwo52 = 4503599627370496.0;
  if (!(std::fabs(x) < kTwo52)) return x;  // whole already, or not a number
  const double big = std::copysign(kTwo52, x);
  return std::copysign((x + big) - big, x);
#else
  return std::nearbyint(x);
#endif
}

// CLng: nearest, halves to even; fails with overflow outside 32 bits.
inline std::int32_t to_long(double x) {
  const double r = round_half_even(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) raise_overflow();
  return static_cast<std::int32_t>(r);
}
// CInt: nearest, halves to even; fails with overflow outside 16 bits.
inline std::int16_t to_integer(double x) {
  const double r = round_half_even(x);
  if (!(r >= -32768.0 && r <= 32767.0)) raise_overflow();
  return static_cast<std::int16_t>(r);
}

// The error object of one procedure: Number is above 0 once a failure was recorded.
struct ErrObject {
  int Number = 0;
  std::string Description;
  void Clear() {
    Number = 0;
    Description.clear();
  }
};

// Skip-on-failure: run one step; if it fails, record the failure and carry on.
// Returns true when the step completed.
template <class F>
bool attempt(ErrObject& err, F&& step) {
  try {
    std::forward<F>(step)();
    return true;
  } catch (const Error& e) {
    err.Number = e.number();
    err.Description = e.what();
  } catch (const std::exception& e) {
    err.Number = kErrInvalidCall;
    err.Description = e.what();
  }
  return false;
}

}  // namespace quillon::forms
