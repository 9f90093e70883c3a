// Shared helpers of the fuzz targets: values drawn from the input bytes, biased towards the
// boundaries that matter here (16- and 32-bit limits, system colours, -1) and text with the
// awkward parts of UTF-16 (lone surrogates, NULs, "&", line-break runs, very long lines).
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace quillon::fuzz {

// Stops the run with a message that names the broken invariant (libFuzzer saves the input).
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline std::int32_t boundary_int(FuzzedDataProvider& in) {
  static constexpr std::int32_t kValues[] = {
      0,      1,       -1,     2,      3,     4,     5,          12,
      13,     16,      17,     100,    255,   256,   1000,       4000,
      32767,  32768,   -32768, -32769, 65535, 65536, 0x7FFFFFFF, -0x7FFFFFFF - 1,
      120000, -120000, 1 << 24};
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return kValues[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kValues) - 1)];
    case 1:
      return in.ConsumeIntegralInRange<std::int32_t>(-40, 40);
    case 2:
      return in.ConsumeIntegral<std::int16_t>();
    default:
      return in.ConsumeIntegral<std::int32_t>();
  }
}

// A colour word: plain RGB, a system colour (valid index or not), -1, or anything.
inline std::uint32_t colour(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
      return in.ConsumeIntegral<std::uint32_t>() & 0x00FFFFFFu;
    case 1:
      return 0x80000000u | in.ConsumeIntegralInRange<std::uint32_t>(0, 40);
    case 2:
      return 0xFFFFFFFFu;
    case 3:
      return 0x80000000u | in.ConsumeIntegral<std::uint32_t>();
    default:
      return in.ConsumeIntegral<std::uint32_t>();
  }
}

// A float with the awkward values mixed in: 0, negative zero, NaN, infinities, huge, tiny.
inline float single(FuzzedDataProvider& in) {
  static constexpr float kValues[] = {0.0f,
                                      -0.0f,
                                      1.0f,
                                      -1.0f,
                                      0.5f,
                                      1.5f,
                                      2.5f,
                                      15.0f,
                                      1e-30f,
                                      -1e-30f,
                                      32767.0f,
                                      -32768.5f,
                                      2147483520.0f,
                                      2147483648.0f,
                                      -2147483904.0f,
                                      1e30f,
                                      -1e30f,
                                      std::numeric_limits<float>::max(),
                                      std::numeric_limits<float>::lowest(),
                                      std::numeric_limits<float>::denorm_min(),
                                      std::numeric_limits<float>::infinity(),
                                      -std::numeric_limits<float>::infinity(),
                                      std::numeric_limits<float>::quiet_NaN()};
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return kValues[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kValues) - 1)];
    case 1:
      return static_cast<float>(in.ConsumeIntegralInRange(-400, 5000));
    case 2:
      return in.ConsumeFloatingPointInRange(-10000.0f, 10000.0f);
    default:
      return in.ConsumeFloatingPoint<float>();
  }
}

// UTF-16 text of at most max_chars code units, one wchar_t per code unit (as a BSTR carries it).
inline std::wstring text(FuzzedDataProvider& in, std::size_t max_chars) {
  constexpr std::size_t kMaxBreaks = 250;
  std::size_t breaks = 0;
  std::wstring s;
  const std::size_t ops = in.ConsumeIntegralInRange<std::size_t>(0, 64);
  for (std::size_t op = 0; op < ops && s.size() < max_chars && in.remaining_bytes() > 0; ++op) {
    const std::uint8_t b = in.ConsumeIntegral<std::uint8_t>();
    if (b < 0x80) {  // one ASCII unit, NUL, CR, LF and "&" included
      s += static_cast<wchar_t>(b);
    } else if (b < 0xA0) {  // any code unit, surrogates included
      s += static_cast<wchar_t>(in.ConsumeIntegral<std::uint16_t>());
    } else if (b < 0xB0) {  // a lone or reversed surrogate
      const wchar_t hi = static_cast<wchar_t>(0xD800 + in.ConsumeIntegralInRange(0, 0x3FF));
      const wchar_t lo = static_cast<wchar_t>(0xDC00 + in.ConsumeIntegralInRange(0, 0x3FF));
      switch (b & 3) {
        case 0:
          s += hi;
          break;
        case 1:
          s += lo;
          break;
        case 2:
          s += lo;
          s += hi;
          break;
        default:
          s += hi;
          s += lo;
          break;
      }
    } else if (b < 0xE0) {  // a run of one piece
      static const wchar_t* kPieces[] = {L"\r\n",   L"\n",     L"\r",     L" ",
                                         L"W",      L"&",      L"\t",     L"\x00A0",
                                         L"\x200B", L"\x4E2D", L"\xFFFF", L"ii"};
      const std::size_t which = b % std::size(kPieces);
      const wchar_t* piece = kPieces[which];
      // Other pieces in runs of up to 2000; line breaks up to 250 in all, each of which makes the
      // window a line taller (250 lines reach beyond 32767 twips, more only add pixels to fill).
      std::size_t n = in.ConsumeIntegralInRange<std::size_t>(1, which < 3 ? 250 : 2000);
      if (which < 3) {
        n = std::min(n, kMaxBreaks - breaks);
        breaks += n;
      }
      const std::wstring_view p(piece);
      const std::size_t whole = std::min(n, (max_chars - s.size() + p.size() - 1) / p.size());
      s.reserve(s.size() + whole * p.size());
      if (p.size() == 1)
        s.append(whole, p[0]);
      else
        for (std::size_t i = 0; i < whole; ++i) s.append(p);
    } else {  // a word of ASCII letters
      const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(1, 12);
      for (std::size_t i = 0; i < n; ++i)
        s += static_cast<wchar_t>(L'a' + in.ConsumeIntegralInRange(0, 25));
    }
  }
  if (s.size() > max_chars) s.resize(max_chars);
  return s;
}

}  // namespace quillon::fuzz
