// The DIB canvas's icons and the GDI text layout, without windows: lines of text that break where
// they should. The shapes, clipping and bad sizes are in the agreement test, which this suite runs
// on the DIB canvas (tests/forms/canvas_agreement_test.cpp).
#include <gtest/gtest.h>

#include "forms/win32/internal.h"
#include "win32/support.h"

namespace quillon::forms::win32 {
namespace {

TEST(DibCanvas, StockIconsLandAtTheirCornerWithoutAlpha) {
  DibCanvas c(48, 48, rgb(1, 2, 3));
  const auto icon = reinterpret_cast<IconHandle>(::LoadIconW(nullptr, MAKEINTRESOURCEW(32513)));
  ASSERT_NE(icon, 0u);
  c.draw_icon(8, 12, icon);
  c.draw_icon(0, 0, 0);  // no icon: nothing
  int changed = 0, outside = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x) {
      const bool differs = c.pixel(x, y) != rgb(1, 2, 3);
      const bool in = x >= 8 && x < 40 && y >= 12 && y < 44;
      (in ? changed : outside) += differs;
    }
  EXPECT_GT(changed, 100);
  EXPECT_EQ(outside, 0);
}

struct TextCase {
  const char* name;
  std::wstring text;
  std::optional<int> wrap;
  int lines;
};

class GdiLayout : public ::testing::TestWithParam<TextCase> {};

TEST_P(GdiLayout, BreaksLinesWhereTheTextAndTheWidthSay) {
  const TextCase& c = GetParam();
  GdiText& text = win32_backend().gdi_text();
  const Font font;
  const auto lines = text.layout(c.text, font, c.wrap);
  if (c.lines >= 0) {
    EXPECT_EQ(static_cast<int>(lines.size()), c.lines) << c.name;
  } else {
    EXPECT_GE(lines.size(), 2u) << c.name;
  }
  const TextExtent e = text.measure(c.text, font, c.wrap);
  EXPECT_EQ(e.height_px, text.line_height(font) * static_cast<int>(lines.size())) << c.name;
  for (const auto& l : lines) {
    if (c.wrap && l.length > 1) {
      EXPECT_LE(l.width_px, *c.wrap) << c.name;  // only a single character may overflow
    }
    EXPECT_LE(l.start + l.length, c.text.size()) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GdiLayout,
    ::testing::Values(
        TextCase{"empty", L"", std::nullopt, 1},
        TextCase{"CR LF, LF and CR each break once", L"a\r\nb\nc\rd", std::nullopt, 4},
        TextCase{"a final line break adds an empty line", L"a\r\n", std::nullopt, 2},
        TextCase{"words wrap at the width", L"one two three four five six", 40, 6},
        TextCase{"a word wider than the width is broken", L"abcdefghijklmnop", 20, -1},
        TextCase{"a width of zero still makes progress", L"abc", 0, 3}),
    [](const auto& info) { return ::quillon::testing::case_name(info.param.name); });

TEST(GdiLayout, LongLinesWithoutSpacesAreMeasuredWhole) {
  // DrawTextW cuts such a line at 1,024 characters; the layout must not.
  GdiText& text = win32_backend().gdi_text();
  const Font font;
  const int w1 = text.measure(L"W", font, std::nullopt).width_px;
  const std::wstring longest(16000, L'W');
  EXPECT_EQ(text.measure(longest, font, std::nullopt).width_px, 16000 * w1);
  const auto wrapped = text.layout(longest, font, 400);
  std::size_t total = 0;
  for (const auto& l : wrapped) total += l.length;
  EXPECT_EQ(total, longest.size()) << "no character is lost when a long word is broken";
}

TEST(GdiLayout, BoldTextIsWiderAndTheDefaultLineIsThirteenPixels) {
  GdiText& text = win32_backend().gdi_text();
  Font bold;
  bold.weight = 700;
  EXPECT_EQ(text.line_height(Font{}), 13);
  EXPECT_GT(text.measure(L"Message", bold, std::nullopt).width_px,
            text.measure(L"Message", Font{}, std::nullopt).width_px);
}

TEST(Win32Platform, AnswersFromTheSystemWithBadInputHandled) {
  PlatformServices& p = win32_backend().platform();
  HWND w = ::CreateWindowExW(0, L"STATIC", L"Caf\u00e9 \u20ac5 \u4e2d\u6587", WS_POPUP, 10, 20, 30,
                             40, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  const auto h = reinterpret_cast<WindowHandle>(w);
  for (const auto& [n, want] : std::initializer_list<std::pair<int, std::wstring>>{
           {255, L"Caf\u00e9 \u20ac5 \u4e2d\u6587"}, {3, L"Caf"}, {0, L""}, {-5, L""}})
    EXPECT_EQ(p.window_text(h, n), want) << n;
  EXPECT_EQ(p.window_text(0, 255), L"") << "no window";
  const PixelRect r = p.window_rect(h);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 60);

  for (bool on : {true, false, true}) {
    p.set_topmost(h, on);
    EXPECT_EQ((::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, on);
    EXPECT_NE(::GetActiveWindow(), w) << "the band changes, the front does not";
  }
  ::DestroyWindow(w);

  for (std::int32_t id : {32513, 32514, 32515, 32516}) EXPECT_NE(p.load_stock_icon(id), 0u) << id;
  for (std::int32_t id : {0, -1, 32513 + 65536, 99}) EXPECT_EQ(p.load_stock_icon(id), 0u) << id;
  // A system colour through the toolkit's resolution (an index in the low byte).
  EXPECT_EQ(resolve_color(0x80000105), static_cast<Rgb>(::GetSysColor(COLOR_WINDOW)));
}

}  // namespace
}  // namespace quillon::forms::win32
