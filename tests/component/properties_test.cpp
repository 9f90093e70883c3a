// The property rules of a Quillon object, one row a property: its default, what each write reads
// back as (written in order on one object), and whether the objects of a thread share it. Then
// the rules that are not one value: the title's copy and the icon metrics.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "component/quillon.h"
#include "forms/headless/headless.h"

namespace quillon {
namespace {

using forms::headless::HeadlessBackend;
using forms::headless::ScreenSpec;

// The write fails with the overflow error and the old value stays.
constexpr std::int64_t kOverflow = std::numeric_limits<std::int64_t>::min();

struct Rule {
  const char* name;
  std::function<void(Quillon&, std::int64_t)> set;
  std::function<std::int64_t(const Quillon&)> get;
  std::int64_t default_value;
  bool shared;
  std::vector<std::pair<std::int64_t, std::int64_t>> writes;  // value written, value read back
};

// clang-format off
#define QUILLON_PROPERTY(P)                                                          \
  #P, [](Quillon& q, std::int64_t v) { q.Set##P(static_cast<decltype(q.P())>(v)); }, \
      [](const Quillon& q) -> std::int64_t { return q.P(); }
// clang-format on

using Writes = std::vector<std::pair<std::int64_t, std::int64_t>>;

// Any colour is kept; -1 gives the default.
Writes colour(std::int64_t fallback) {
  return {{0x12345678, 0x12345678},
          {0xFFFFFFFF, fallback},
          {0xFFFFFFFE, 0xFFFFFFFE},
          {0x80000005, 0x80000005},
          {0, 0}};
}
// A Boolean keeps all sixteen bits.
const Writes kBoolean = {{-1, -1}, {2, 2}, {-32768, -32768}, {0, 0}, {1, 1}};
// Out of range falls back to the default; codes 5 to 16 swap in pairs; beyond 16 bits fails.
const Writes kDirections = {{4, 4},
                            {0, 1},
                            {6, 5},
                            {17, 1},
                            {5, 6},
                            {-5, 1},
                            {11, 12},
                            {32767, 1},
                            {16, 15},
                            {32768, kOverflow},
                            {-32769, kOverflow},
                            {100000, kOverflow},
                            {-32768, 1},
                            {12, 11}};
const Writes kHeadings = {{1, 1}, {2, 0}, {1, 1}, {-1, 0}, {1, 1}, {70000, kOverflow}};
const Writes kPositions = {{0, 0}, {3, 2}, {1, 1}, {-1, 2}, {0, 0}, {40000, kOverflow}};
// Negative lengths are 0; Height and Width stop at the screen (15360 x 11520 twips) less 240
// twips, Top and Left do not.
const Writes kHeights = {
    {20000, 11280}, {-1, 0}, {11281, 11280}, {2147483647, 11280}, {11280, 11280}};
const Writes kWidths = {{15120, 15120}, {-2147483647 - 1, 0}, {15121, 15120}, {1, 1}};

const Rule kRules[] = {
    {QUILLON_PROPERTY(BackColorBody), 0x8000000F, true, colour(0x8000000F)},
    {QUILLON_PROPERTY(BackColorButtons), 0x8000000F, false, colour(0x8000000F)},
    {QUILLON_PROPERTY(BackColorHeading), 0x80000002, true, colour(0x80000002)},
    {QUILLON_PROPERTY(ForeColorBody), 0x80000012, false, colour(0x80000012)},
    {QUILLON_PROPERTY(ForeColorHeading), 0x8000000E, false, colour(0x8000000E)},
    {QUILLON_PROPERTY(GradientPaint), kVbFalse, true, kBoolean},
    {QUILLON_PROPERTY(SolidColorHeading), kVbFalse, true, kBoolean},
    {QUILLON_PROPERTY(Moveable), kVbFalse, true, kBoolean},
    {QUILLON_PROPERTY(KeepOnTop), kVbTrue, true, kBoolean},
    {QUILLON_PROPERTY(Modal), kVbTrue, true, kBoolean},
    {QUILLON_PROPERTY(SoundBeep), kVbTrue, false, kBoolean},
    {QUILLON_PROPERTY(ControlBox), kVbTrue, false, kBoolean},
    {QUILLON_PROPERTY(HideButtons), kVbFalse, false, kBoolean},
    {QUILLON_PROPERTY(GradientDirection), 1, true, kDirections},
    {QUILLON_PROPERTY(HeadingType), 0, true, kHeadings},
    {QUILLON_PROPERTY(TextAlignment), 0, false, {{2, 2}, {3, 0}, {1, 1}, {-40000, kOverflow}}},
    {QUILLON_PROPERTY(StartUpPosition), 2, false, kPositions},
    {QUILLON_PROPERTY(TimerSeconds), 0, true, {{-5, 0}, {32767, 32767}, {-32768, 0}, {3, 3}}},
    {QUILLON_PROPERTY(Top), 0, false, {{-100, 0}, {2147483647, 2147483647}}},
    {QUILLON_PROPERTY(Left), 0, false, {{50000, 50000}, {-1, 0}, {7, 7}}},
    {QUILLON_PROPERTY(Height), 0, false, kHeights},
    {QUILLON_PROPERTY(Width), 0, false, kWidths},
};

class PropertiesTest : public ::testing::Test {
 protected:
  HeadlessBackend backend_{ScreenSpec{1024, 768, 15.0f, 32}};
  forms::BackendScope scope_{backend_};
};

TEST_F(PropertiesTest, EachRuleFromItsDefaultThroughItsWritesToWhoSeesThem) {
  for (const Rule& r : kRules) {
    SCOPED_TRACE(r.name);
    Quillon a;
    Quillon b;
    EXPECT_EQ(r.get(a), r.default_value);
    for (const auto& [value, want] : r.writes) {
      const std::int64_t before = r.get(a);
      if (want != kOverflow) {
        r.set(a, value);
        EXPECT_EQ(r.get(a), want) << value;
        continue;
      }
      try {
        r.set(a, value);
        ADD_FAILURE() << value << " did not fail";
      } catch (const forms::Error& e) {
        EXPECT_EQ(e.number(), forms::kErrOverflow) << value;
      }
      EXPECT_EQ(r.get(a), before) << value << " changed the value";
    }
    const std::int64_t last = r.get(a);
    ASSERT_NE(last, r.default_value);
    EXPECT_EQ(r.get(b), r.shared ? last : r.default_value);
    Quillon c;  // a new object resets the shared settings for every object of the thread
    EXPECT_EQ(r.get(a), r.shared ? r.default_value : last);
  }
}

TEST_F(PropertiesTest, DefaultTitleKeepsAnyTextAsACopy) {
  Quillon q;
  EXPECT_EQ(q.DefaultTitle(), L"");
  std::wstring title = L"Grüße \u65E5\u672C \U0001F600 & more" + std::wstring(100000, L'x');
  q.SetDefaultTitle(title);
  title[0] = L'?';
  EXPECT_EQ(q.DefaultTitle().size(), title.size());
  EXPECT_EQ(q.DefaultTitle()[0], L'G');
  Quillon other;
  EXPECT_EQ(q.DefaultTitle()[0], L'G');
  EXPECT_EQ(other.DefaultTitle(), L"");
}

TEST(IconMetricsTest, IconSizeFollowsTwipsPerPixelAndStockIdsAreFixed) {
  // Twips per pixel, icon pixels, icon twips (7.5 rounds half to even).
  for (const auto& [tpp, icon_px, expected] :
       {std::tuple{15.0f, 32, 480}, {12.0f, 32, 384}, {15.0f, 48, 720}, {7.5f, 1, 8}}) {
    HeadlessBackend backend(ScreenSpec{1024, 768, tpp, icon_px});
    forms::BackendScope scope(backend);
    Quillon q;
    EXPECT_EQ(q.IconWidth(), expected) << tpp << " x " << icon_px;
    EXPECT_EQ(q.IconHeight(), expected) << tpp << " x " << icon_px;
    ASSERT_EQ(q.StockIconIds().Count(), 4);
    for (long i = 1; i <= 4; ++i) EXPECT_EQ(q.StockIconIds().Item(i), 32512 + i);
    for (long bad : {0L, 5L, -1L}) EXPECT_THROW(q.StockIconIds().Item(bad), forms::Error) << bad;
  }
}

}  // namespace
}  // namespace quillon
