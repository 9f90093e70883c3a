// Headless text: FreeType with the face that Wine's GDI shows here for the toolkit's font.
//
// Measured under Wine 8 on this system (a fresh prefix, GetTextFace/GetTextMetrics/
// GetTextExtentPoint32): "MS Sans Serif" 8.25 pt (lfHeight -11) is served by DejaVu Sans at an
// 11-pixel em, bold by DejaVu Sans Bold; tmHeight 13 (ascent 10, descent 3); "Message Text" is
// 78 px wide, bold "Message" 54 px. We load the same faces, scale the ascent and descent from
// the OS/2 Windows metrics as GDI does, and advance by hinted whole-pixel widths, so headless
// layout matches what the Wine build measures. Wine's own bitmap "MS Sans Serif"
// (ms_sans_serif.ttf, strikes of 13/16/20 px only) is the fallback when DejaVu is missing.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "forms/headless/internal.h"

namespace quillon::forms::headless {

// One character's aliased glyph, rendered once: its pixels that are set (a run of the face's
// dot store), as offsets from the pen position on the baseline.
struct Glyph {
  std::uint32_t first = 0, count = 0;
  int left = 0, top = 0, right = 0, bottom = 0;  // bounds of the dots, half-open
};

// A face's per-character answers are kept in tables indexed by the UTF-16 unit and in one store
// of dots, so a new character costs no allocation of its own: a long text of new characters
// grows the stores a few times, not once per character.
struct FontFace {
  static constexpr std::size_t kUnits = 0x10000;
  static constexpr std::int32_t kUnknown = -1;

  FT_Face face = nullptr;
  int ascent = 10;
  int descent = 3;
  // Indexed by the UTF-16 unit; the last entry stands for anything beyond (the missing glyph).
  std::vector<std::int32_t> advances = std::vector<std::int32_t>(kUnits + 1, kUnknown);
  std::vector<std::int32_t> glyph_index = std::vector<std::int32_t>(kUnits + 1, kUnknown);
  std::vector<Glyph> glyphs;
  std::vector<std::pair<int, int>> dots;

  static std::size_t unit(wchar_t ch) {
    return std::min(static_cast<std::size_t>(static_cast<std::make_unsigned_t<wchar_t>>(ch)),
                    kUnits);
  }
  FT_UInt index_of(std::size_t unit) const {
    return unit < kUnits ? FT_Get_Char_Index(face, static_cast<FT_ULong>(unit)) : 0;
  }

  int advance(wchar_t ch) {
    const std::size_t u = unit(ch);
    std::int32_t& adv = advances[u];
    if (adv == kUnknown) {
      adv = 0;
      if (FT_Load_Glyph(face, index_of(u), FT_LOAD_DEFAULT) == 0)
        adv = static_cast<std::int32_t>((face->glyph->metrics.horiAdvance + 32) >> 6);
    }
    return adv;
  }

  const Glyph& glyph(wchar_t ch) {
    const std::size_t u = unit(ch);
    std::int32_t& index = glyph_index[u];
    if (index != kUnknown) return glyphs[static_cast<std::size_t>(index)];
    Glyph g;
    g.first = static_cast<std::uint32_t>(dots.size());
    if (FT_Load_Glyph(face, index_of(u), FT_LOAD_DEFAULT | FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) ==
        0) {
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap& bm = slot->bitmap;
      for (unsigned row = 0; row < bm.rows; ++row)
        for (unsigned col = 0; col < bm.width; ++col) {
          const unsigned char* line = bm.buffer + row * static_cast<unsigned>(bm.pitch);
          const bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (line[col / 8] >> (7 - col % 8)) & 1
                                                              : line[col] >= 128;
          if (!on) continue;
          const int dx = slot->bitmap_left + static_cast<int>(col);
          const int dy = static_cast<int>(row) - slot->bitmap_top;
          dots.emplace_back(dx, dy);
          g.left = std::min(g.left, dx);
          g.right = std::max(g.right, dx + 1);
          g.top = std::min(g.top, dy);
          g.bottom = std::max(g.bottom, dy + 1);
        }
    }
    g.count = static_cast<std::uint32_t>(dots.size()) - g.first;
    index = static_cast<std::int32_t>(glyphs.size());
    glyphs.push_back(g);
    return glyphs.back();
  }
};

struct FontStack::Impl {
  FT_Library library = nullptr;
  std::map<std::tuple<bool, int>, FontFace> faces;  // (bold, pixel em)
  // The last few layouts: a caption is measured again at each change of its label's size and
  // drawn again at each rendering.
  struct Laid {
    std::wstring text;
    const FontFace* face = nullptr;
    std::optional<int> wrap;
    std::vector<Line> lines;
  };
  std::array<Laid, 4> laid;
  std::size_t next_laid = 0;
  // The widths of the last text's prefixes (see break_lines): a caption is broken again at each
  // new width of its label.
  std::vector<int> prefix;
  std::wstring prefix_text;
  const FontFace* prefix_face = nullptr;
  ~Impl() {
    for (auto& [key, f] : faces)
      if (f.face) FT_Done_Face(f.face);
    if (library) FT_Done_FreeType(library);
  }
};

namespace {
thread_local FontStack* t_stack = nullptr;  // this thread's, while it lives
}  // namespace

FontStack::FontStack() : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0) throw std::runtime_error("FreeType did not start");
  t_stack = this;
}
FontStack::~FontStack() {
  if (t_stack == this) t_stack = nullptr;
}

FontStack& font_stack() {
  thread_local FontStack stack;
  return stack;
}

FontFace& FontStack::face(const Font& font) {
  const bool bold = font.weight >= 600;
  // Points at the screen's DPI (1440 twips per inch), as GDI sizes them.
  const double dpi = 1440.0 / static_cast<double>(backend().screen().TwipsPerPixelY());
  const int em = std::max(1, static_cast<int>(std::lround(font.size * dpi / 72.0)));
  auto key = std::make_tuple(bold, em);
  auto it = impl_->faces.find(key);
  if (it != impl_->faces.end()) return it->second;
  FontFace f;
  const char* regular[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                           "/usr/share/wine/fonts/ms_sans_serif.ttf"};
  const char* boldfaces[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                             "/usr/share/wine/fonts/ms_sans_serif.ttf"};
  if (bold) {
    for (const char* p : boldfaces)
      if (FT_New_Face(impl_->library, p, 0, &f.face) == 0) break;
  } else {
    for (const char* p : regular)
      if (FT_New_Face(impl_->library, p, 0, &f.face) == 0) break;
  }
  if (!f.face) throw std::runtime_error("no font for the headless text layout");
  if (FT_IS_SCALABLE(f.face)) {
    FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(em));
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_OS2));
    const double upem = f.face->units_per_EM;
    const double asc = os2 ? os2->usWinAscent : f.face->ascender;
    const double desc = os2 ? os2->usWinDescent : -f.face->descender;
    f.ascent = static_cast<int>(std::lround(asc * em / upem));
    f.descent = static_cast<int>(std::lround(desc * em / upem));
  } else {
    FT_Select_Size(f.face, 0);
    f.ascent = static_cast<int>(f.face->size->metrics.ascender >> 6);
    f.descent = static_cast<int>((-f.face->size->metrics.descender) >> 6);
  }
  return impl_->faces.emplace(key, std::move(f)).first->second;
}

int FontStack::line_height(const Font& font) {
  FontFace& f = face(font);
  return f.ascent + f.descent;
}
int FontStack::ascent(const Font& font) {
  return face(font).ascent;
}

int FontStack::text_width(const std::wstring& text, const Font& font) {
  FontFace& f = face(font);
  int w = 0;
  for (wchar_t ch : text) w += f.advance(ch);
  return w;
}

const std::vector<FontStack::Line>& FontStack::layout(const std::wstring& text, const Font& font,
                                                      std::optional<int> wrap_width_px) {
  FontFace& f = face(font);
  for (const Impl::Laid& l : impl_->laid)
    if (l.face == &f && l.wrap == wrap_width_px && l.text == text) return l.lines;
  Impl::Laid& slot = impl_->laid[impl_->next_laid];
  impl_->next_laid = (impl_->next_laid + 1) % impl_->laid.size();
  slot.face = nullptr;  // until the lines are in
  slot.lines.clear();
  break_lines(f, text, wrap_width_px, [&](std::size_t begin, std::size_t end, int w) {
    slot.lines.push_back({text.substr(begin, end - begin), w});
  });
  slot.text = text;
  slot.wrap = wrap_width_px;
  slot.face = &f;
  return slot.lines;
}

void forget_layouts() {
  if (t_stack == nullptr) return;
  FontStack::Impl& impl = *t_stack->impl_;
  impl.laid = {};
  impl.prefix = {};
  impl.prefix_text = {};
  impl.prefix_face = nullptr;
}

// Calls take(begin, end, width) for each line of text, in order: CR LF, CR and LF each end a
// line, and with a wrap width, words that do not fit move to the next line.
template <class Take>
void FontStack::break_lines(FontFace& f, const std::wstring& text, std::optional<int> wrap_width_px,
                            Take&& take) {
  // prefix[i]: width of the first i characters, so any piece measures in constant time (a line
  // break adds nothing to it).
  std::vector<int>& prefix = impl_->prefix;
  if (impl_->prefix_face != &f || impl_->prefix_text != text) {
    impl_->prefix_face = nullptr;  // until the widths are in
    prefix.assign(text.size() + 1, 0);
    for (std::size_t i = 0; i < text.size(); ++i)
      prefix[i + 1] = prefix[i] + (text[i] == L'\r' || text[i] == L'\n' ? 0 : f.advance(text[i]));
    impl_->prefix_text = text;
    impl_->prefix_face = &f;
  }
  auto width = [&](std::size_t a, std::size_t b) { return prefix[b] - prefix[a]; };
  // The first of what is sought at or after `from`, or `end` when there is none before it.
  auto first_space = [&](std::size_t from, std::size_t end) {
    return std::min(text.find(L' ', from), end);
  };
  auto first_non_space = [&](std::size_t from, std::size_t end) {
    return std::min(text.find_first_not_of(L' ', from), end);
  };
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find_first_of(L"\r\n", start), text.size());
    if (!wrap_width_px || start == end) {
      take(start, end, width(start, end));
    } else {
      const int limit = std::max(1, *wrap_width_px);
      for (std::size_t pos = start; pos < end;) {
        // Take words while they fit.
        std::size_t last_fit = pos;
        for (std::size_t next = pos; next < end;) {
          const std::size_t word_end = first_space(first_non_space(next, end), end);
          if (width(pos, word_end) > limit) break;
          last_fit = next = word_end;
        }
        if (last_fit == pos) {
          // The first word alone is too wide: break it between characters (at least one), after
          // the last that fits (widths only grow along the text).
          const std::size_t stop = first_space(pos + 1, end);
          const auto over = std::upper_bound(prefix.begin() + static_cast<std::ptrdiff_t>(pos + 2),
                                             prefix.begin() + static_cast<std::ptrdiff_t>(stop + 1),
                                             prefix[pos] + limit);
          last_fit = static_cast<std::size_t>(over - prefix.begin()) - 1;
        }
        std::size_t line_end = last_fit;
        while (line_end > pos && text[line_end - 1] == L' ') --line_end;
        take(pos, line_end, width(pos, line_end));
        pos = first_non_space(last_fit, end);  // spaces at a break vanish
      }
    }
    if (end == text.size()) break;
    start = end + (text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n' ? 2 : 1);
  }
}

FontStack::Extent FontStack::extent(const std::wstring& text, const Font& font,
                                    std::optional<int> wrap_width_px) {
  FontFace& f = face(font);
  Extent e;
  break_lines(f, text, wrap_width_px, [&](std::size_t, std::size_t, int w) {
    e.width_px = std::max(e.width_px, w);
    ++e.lines;
  });
  return e;
}

void FontStack::draw(RasterCanvas& canvas, int x, int y_top, const std::wstring& text,
                     const Font& font, Rgb colour, int clip_x0, int clip_y0, int clip_x1,
                     int clip_y1) {
  FontFace& f = face(font);
  const int baseline = y_top + f.ascent;
  long long pen = x;
  for (wchar_t ch : text) {
    const Glyph& g = f.glyph(ch);
    if (pen + g.right > clip_x0 && pen + g.left < clip_x1 && baseline + g.bottom > clip_y0 &&
        baseline + g.top < clip_y1) {
      for (std::uint32_t i = g.first; i < g.first + g.count; ++i) {
        const auto [dx, dy] = f.dots[i];
        const long long px = pen + dx;
        const int py = baseline + dy;
        if (px >= clip_x0 && px < clip_x1 && py >= clip_y0 && py < clip_y1)
          canvas.set_pixel(static_cast<int>(px), py, colour);
      }
    }
    pen += f.advance(ch);
  }
}

}  // namespace quillon::forms::headless
