// The colour text routines on any text: ColorToRGBText gives "" or nine decimal digits (each
// component 000..255), DecToHex gives "" or upper-case hexadecimal digits without leading zeros;
// plain decimal and "&H" texts give exactly their value.
#include <cstdint>
#include <cwchar>
#include <string>

#include "fuzz_input.h"
#include "msgdefs/msgdefs.h"

namespace {

using quillon::fuzz::fail;

bool all_of(const std::wstring& s, bool (*ok)(wchar_t)) {
  for (wchar_t c : s)
    if (!ok(c)) return false;
  return true;
}
bool is_digit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}
bool is_upper_hex(wchar_t c) {
  return is_digit(c) || (c >= L'A' && c <= L'F');
}

// The input as text: raw bytes one unit each (so that digits, signs and "&H" are easy to find),
// or the mixed UTF-16 generator.
std::wstring Text(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return quillon::fuzz::text(in, 300);
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  std::wstring s;
  for (std::size_t i = 0; i < bytes.size() && i < 300; ++i)
    s += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::wstring text = Text(in);

  const std::wstring hex = quillon::msgdefs::DecToHex(text);
  if (!all_of(hex, is_upper_hex)) fail("DecToHex gave a character that is no upper-case hex digit");
  if (hex.size() > 1 && hex[0] == L'0') fail("DecToHex gave a leading zero");
  if (hex.size() > 14) fail("DecToHex gave more digits than a whole double has");

  // Plain decimal digits (up to 15, exact in a double) give the value's hexadecimal digits.
  if (!text.empty() && text.size() <= 15 && all_of(text, is_digit)) {
    wchar_t expected[32];
    std::swprintf(expected, 32, L"%llX", std::stoull(text));
    if (hex != expected) fail("DecToHex gave another number than its decimal text");
  }

  std::wstring colour_text = text;
  const std::wstring rgb = quillon::msgdefs::ColorToRGBText(colour_text);
  // "&H" with one to six hexadecimal digits is a plain colour 0x00BBGGRR.
  if (text.size() >= 3 && text.size() <= 8 && text[0] == L'&' && text[1] == L'H' &&
      all_of(text.substr(2), is_upper_hex)) {
    const unsigned long v = std::stoul(text.substr(2), nullptr, 16);
    wchar_t expected[16];
    std::swprintf(expected, 16, L"%03lu%03lu%03lu", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    if (rgb != expected) fail("ColorToRGBText gave other components than its \"&H\" text");
  }
  // Decimal digits (two or more) of a value up to 16777215 are that plain colour.
  if (text.size() >= 2 && text.size() <= 15 && all_of(text, is_digit) &&
      std::stoull(text) <= 0xFFFFFF) {
    const unsigned long long v = std::stoull(text);
    wchar_t expected[16];
    std::swprintf(expected, 16, L"%03llu%03llu%03llu", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    if (rgb != expected) fail("ColorToRGBText gave other components than its decimal text");
  }
  if (!rgb.empty()) {
    if (rgb.size() != 9 || !all_of(rgb, is_digit)) fail("ColorToRGBText gave no nine digits");
    for (int i = 0; i < 3; ++i)
      if (std::stoi(std::wstring(rgb.substr(static_cast<std::size_t>(i) * 3, 3))) > 255)
        fail("ColorToRGBText gave a component above 255");
  }
  return 0;
}
