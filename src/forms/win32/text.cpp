// Text layout with GDI: lines break at the text's own line breaks and, with a wrap width, at
// spaces (a word wider than the width is broken between characters).
#include <algorithm>
#include <cmath>

#include "forms/win32/internal.h"

namespace quillon::forms::win32 {

GdiText::GdiText(const Win32Screen& screen) : screen_(screen), dc_(::CreateCompatibleDC(nullptr)) {}

GdiText::Key GdiText::key_of(const Font& f) const {
  return {f.name, static_cast<int>(std::lround(f.size * 100)), f.weight, f.charset,
          screen_.dpi_y()};
}

HFONT GdiText::font(const Font& f) {
  const auto key = key_of(f);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second.get();
  const int height =
      -static_cast<int>(std::lround(static_cast<double>(f.size) * std::get<4>(key) / 72.0));
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = f.weight;
  lf.lfCharSet = static_cast<BYTE>(f.charset);
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  const std::size_t n = std::min<std::size_t>(f.name.size(), LF_FACESIZE - 1);
  std::copy_n(f.name.c_str(), n, lf.lfFaceName);
  HFONT h = ::CreateFontIndirectW(&lf);
  if (!h)
    h = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));  // never deleted below
  else
    fonts_.emplace(key, UniqueFont(h));
  return h;
}

int GdiText::line_height(const Font& f) {
  const auto key = key_of(f);
  auto it = heights_.find(key);
  if (it != heights_.end()) return it->second;
  SelectedObject sel(dc_.get(), font(f));
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc_.get(), &tm);
  heights_[key] = tm.tmHeight;
  return tm.tmHeight;
}

int GdiText::width_of(const wchar_t* s, std::size_t n) {
  if (n == 0) return 0;
  SIZE size{};
  ::GetTextExtentPoint32W(dc_.get(), s, static_cast<int>(n), &size);
  return size.cx;
}

std::vector<GdiText::Line> GdiText::layout(const std::wstring& text, const Font& f,
                                           std::optional<int> wrap_width_px) {
  SelectedObject sel(dc_.get(), font(f));
  std::vector<Line> lines;
  const std::size_t size = text.size();
  std::size_t pos = 0;
  for (;;) {
    // One paragraph: [pos, end).
    std::size_t end = pos;
    while (end < size && text[end] != L'\r' && text[end] != L'\n') ++end;
    std::size_t start = pos;
    if (!wrap_width_px) {
      lines.push_back({start, end - start, width_of(text.c_str() + start, end - start)});
    } else {
      const int limit = std::max(1, *wrap_width_px);
      bool first = true;
      while (first || start < end) {
        first = false;
        const std::size_t rest = end - start;
        int fit = 0;
        SIZE whole{};
        ::GetTextExtentExPointW(dc_.get(), text.c_str() + start, static_cast<int>(rest), limit,
                                &fit, nullptr, &whole);
        std::size_t take = rest, next = end;
        if (static_cast<std::size_t>(fit) < rest) {
          // Break after the last space that fits; else between characters.
          std::size_t brk = start + static_cast<std::size_t>(fit);
          while (brk > start && text[brk] != L' ') --brk;
          if (text[brk] == L' ' && brk > start) {
            take = brk - start;
            next = brk;
          } else {
            take = std::max<std::size_t>(1, static_cast<std::size_t>(fit));
            next = start + take;
          }
          while (next < end && text[next] == L' ') ++next;  // spaces at a break vanish
          while (take > 1 && text[start + take - 1] == L' ') --take;
        }
        const std::size_t shown = take;
        lines.push_back({start, shown, width_of(text.c_str() + start, shown)});
        start = next;
      }
    }
    if (end >= size) break;
    pos = end + ((text[end] == L'\r' && end + 1 < size && text[end + 1] == L'\n') ? 2 : 1);
  }
  return lines;
}

TextExtent GdiText::measure(const std::wstring& text, const Font& f,
                            std::optional<int> wrap_width_px) {
  const auto lines = layout(text, f, wrap_width_px);
  int w = 0;
  for (const Line& l : lines) w = std::max(w, l.width_px);
  return {w, line_height(f) * static_cast<int>(std::max<std::size_t>(1, lines.size()))};
}

}  // namespace quillon::forms::win32
