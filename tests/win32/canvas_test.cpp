// The DIB canvas's icons and the GDI text layout, without windows: lines of text that break where
// they should. The shapes, clipping and bad sizes are in the agreement test, which this suite runs
// on the DIB canvas (tests/forms/canvas_agreement_test.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

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

// A drawing shown again: the same calls from the same colour on a canvas of the same size take
// the spare surface that already shows them, and anything else is drawn. Either way the pixels
// are those of the calls drawn one at a time.
TEST(DibCanvas, TakesASpareThatShowsTheSameDrawingRatherThanDrawingAgain) {
  using Call = std::function<void(DibCanvas&)>;
  const IconHandle stock = win32_backend().platform().load_stock_icon(32514);
  const IconHandle other = reinterpret_cast<IconHandle>(::LoadIconW(nullptr, IDI_HAND));
  const auto fill = [](Rgb ground) {
    return [=](DibCanvas& c) { c.fill_rect(0, 0, 120, 80, ground); };
  };
  const auto diamonds = [](Rgb colour) {
    return [=](DibCanvas& c) {
      for (int i = 0; i < 8; ++i) {
        const int r = 70 - 8 * i, v = static_cast<int>(colour) + i;
        c.line(60, 40 - r, 60 + r, 40, 6, v);
        c.line(60 + r, 40, 60, 40 + r, 6, v);
        c.line(60, 40 + r, 60 - r, 40, 6, v);
        c.line(60 - r, 40, 60, 40 - r, 6, v);
      }
    };
  };
  const Call rings = [](DibCanvas& c) {
    for (int i = 0; i < 8; ++i) c.circle(60, 40, 14 + 8 * i, 6, rgb(0, 20 * i, 200));
  };
  const auto icon = [](IconHandle h, int x) {
    return [=](DibCanvas& c) { c.draw_icon(x, 20, h); };
  };
  const Call base = fill(rgb(10, 20, 30)), blue = diamonds(rgb(0, 0, 200));
  const Call scribble = [](DibCanvas& c) { c.fill_rect(5, 5, 9, 9, rgb(255, 255, 255)); };
  const Call shown = [](DibCanvas& c) { (void)c.shown(); };
  const Call gdi = [](DibCanvas& c) {
    ::SetPixelV(c.dc(), 3, 3, RGB(255, 255, 255));
    c.mark_gdi_output();
  };
  const struct {
    const char* what;
    std::vector<Call> first, second;
    bool taken;
    int second_width = 120;
  } cases[] = {
      {"the same diamonds", {base, blue}, {base, blue}, true},
      {"the same rings and stock icon",
       {base, rings, icon(stock, 40)},
       {base, rings, icon(stock, 40)},
       true},
      {"another colour", {base, blue}, {base, diamonds(rgb(0, 200, 0))}, false},
      {"another ground", {base, blue}, {fill(rgb(1, 2, 3)), blue}, false},
      {"the icon elsewhere", {base, rings, icon(stock, 40)}, {base, rings, icon(stock, 44)}, false},
      {"an icon that is not a stock one",
       {base, rings, icon(other, 40)},
       {base, rings, icon(other, 40)},
       false},
      {"the same, then circles over the icon",  // taken, then drawn on
       {base, rings, icon(stock, 40)},
       {base, rings, icon(stock, 40), rings},
       true},
      {"drawn on after the lines", {base, blue, scribble}, {base, blue}, false},
      {"the same, then lines over the icon",
       {base, blue, icon(stock, 40)},
       {base, blue, icon(stock, 40), blue},
       true},
      {"an icon on one colour after the lines",
       {base, blue, shown, fill(rgb(1, 2, 3)), icon(stock, 40)},
       {base, blue},
       false},
      {"one colour after the lines, read",
       {base, blue, shown, fill(rgb(1, 2, 3)), shown},
       {base, blue},
       false},
      {"GDI output after the lines", {base, blue, gdi}, {base, blue}, false},
      {"another size", {base, blue}, {base, blue}, false, 121},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SurfacePool pool;
    // The first drawing's surface goes to the pool, then a newer spare that shows nothing.
    auto first = std::make_unique<DibCanvas>(120, 80, 0, &pool);
    auto plain = std::make_unique<DibCanvas>(c.second_width, 80, 0, &pool);
    for (const auto& call : c.first) call(*first);
    const std::uint32_t* first_bits = first->shown().bits;
    first.reset();
    plain.reset();
    DibCanvas second(c.second_width, 80, 0, &pool), one_by_one(c.second_width, 80, 0);
    for (const auto& call : c.second) {
      call(second);
      call(one_by_one);
      (void)one_by_one.pixel(0, 0);  // drawn now
    }
    const PixelBuffer got = second.shown(), want = one_by_one.shown();
    EXPECT_EQ(got.bits == first_bits, c.taken);
    EXPECT_EQ(std::memcmp(got.bits, want.bits, sizeof(std::uint32_t) * got.width * got.height), 0);
  }
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
