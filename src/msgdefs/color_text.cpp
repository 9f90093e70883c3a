// The painter's text routines: a colour's decimal or "&H" text to nine decimal digits RRRGGGBBB,
// and a whole number's hexadecimal digits.
//
// ColorToRGBText checks its text instead of converting and catching, so nothing after its first
// step can fail: a text that is no hexadecimal number gives "", and no alert is ever shown (the
// component shows no platform message box of its own from inside its painters).
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <optional>

#include "msgdefs/msgdefs.h"

namespace quillon::msgdefs {

namespace {

// The run time's numeric test: optional blanks, a sign, digits with one decimal point and an
// exponent, or "&H"/"&O" digits. Returns the value.
std::optional<double> numeric_value(const std::wstring& text) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == L' ') ++i;
  while (n > i && text[n - 1] == L' ') --n;
  if (i == n) return std::nullopt;
  if (n - i >= 3 && text[i] == L'&' &&
      (text[i + 1] == L'H' || text[i + 1] == L'h' || text[i + 1] == L'O' || text[i + 1] == L'o')) {
    const int base = (text[i + 1] == L'H' || text[i + 1] == L'h') ? 16 : 8;
    double v = 0;
    for (std::size_t j = i + 2; j < n; ++j) {
      const wchar_t c = static_cast<wchar_t>(std::towupper(text[j]));
      int d;
      if (c >= L'0' && c <= L'9')
        d = c - L'0';
      else if (c >= L'A' && c <= L'F')
        d = c - L'A' + 10;
      else
        return std::nullopt;
      if (d >= base) return std::nullopt;
      v = v * base + d;
    }
    return v;
  }
  std::string ascii;
  for (std::size_t j = i; j < n; ++j) {
    const wchar_t c = text[j];
    if (!((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.' || c == L'e' ||
          c == L'E'))
      return std::nullopt;
    ascii += static_cast<char>(c);
  }
  // Grammar: [sign] digits [. digits] [e [sign] digits], at least one digit in the mantissa.
  std::size_t p = 0;
  if (p < ascii.size() && (ascii[p] == '+' || ascii[p] == '-')) ++p;
  std::size_t digits = 0;
  while (p < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[p]))) ++p, ++digits;
  if (p < ascii.size() && ascii[p] == '.') {
    ++p;
    while (p < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[p]))) ++p, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (p < ascii.size() && (ascii[p] == 'e' || ascii[p] == 'E')) {
    ++p;
    if (p < ascii.size() && (ascii[p] == '+' || ascii[p] == '-')) ++p;
    std::size_t exp_digits = 0;
    while (p < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[p])))
      ++p, ++exp_digits;
    if (exp_digits == 0) return std::nullopt;
  }
  if (p != ascii.size()) return std::nullopt;
  const double v = std::strtod(ascii.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

int hex_digit(wchar_t c) {
  c = static_cast<wchar_t>(std::towupper(c));
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::wstring DecToHex(const std::wstring& decimal_text) {
  const auto v = numeric_value(decimal_text);
  // A negative value would never reach 0 by floor division: it is a failure, as is a fraction.
  if (!v || *v < 0 || *v != std::floor(*v) || *v > 9007199254740992.0) return L"";
  double value = *v;
  std::wstring s;
  while (value != 0) {
    const double q = std::floor(value / 16);
    const int d = static_cast<int>(value - 16 * q);
    s.insert(s.begin(), L"0123456789ABCDEF"[d]);
    value = q;
  }
  return s.empty() ? L"0" : s;
}

std::wstring ColorToRGBText(std::wstring& text) {
  if (text.size() >= 2 && numeric_value(text.substr(1))) {
    text = DecToHex(text);
    if (text.empty()) return L"";  // no whole number 0 or above: the first step failed
  }
  std::wstring h = text;
  if (h.size() >= 2 && h[0] == L'&' && (h[1] == L'H' || h[1] == L'h')) h.erase(0, 2);
  h = L"0000000" + h;
  if (h.size() > 8) h = h.substr(h.size() - 8);  // an empty text leaves seven zeros
  for (wchar_t c : h)
    if (hex_digit(c) < 0) return L"";
  // The two digits from position pos (0-based), fewer where the text ends.
  auto byte_at = [&](std::size_t pos) {
    int v = 0;
    for (std::size_t i = pos; i < pos + 2 && i < h.size(); ++i) v = v * 16 + hex_digit(h[i]);
    return v;
  };
  const int red = byte_at(6), green = byte_at(4), blue = byte_at(2);
  wchar_t out[16];
  std::swprintf(out, 16, L"%03d%03d%03d", red, green, blue);
  return out;
}

}  // namespace quillon::msgdefs
