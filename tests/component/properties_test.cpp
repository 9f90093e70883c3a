// The property rules of a Quillon object: defaults, corrections, fallbacks, the 16-bit overflow,
// the screen limits, and which settings are shared by the objects of a thread.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>

#include "component/quillon.h"
#include "forms/headless/headless.h"

namespace quillon {
namespace {

using forms::OleColor;
using forms::headless::HeadlessBackend;
using forms::headless::ScreenSpec;

class PropertiesTest : public ::testing::Test {
 protected:
  HeadlessBackend backend_{ScreenSpec{1024, 768, 15.0f, 32}};  // 15360 x 11520 twips
  forms::BackendScope scope_{backend_};
};

TEST_F(PropertiesTest, FreshObjectReadsEveryDefault) {
  Quillon q;
  EXPECT_EQ(q.BackColorBody(), 0x8000000Fu);
  EXPECT_EQ(q.BackColorButtons(), 0x8000000Fu);
  EXPECT_EQ(q.BackColorHeading(), 0x80000002u);
  EXPECT_EQ(q.ForeColorBody(), 0x80000012u);
  EXPECT_EQ(q.ForeColorHeading(), 0x8000000Eu);
  EXPECT_EQ(q.GradientPaint(), kVbFalse);
  EXPECT_EQ(q.GradientDirection(), 1);
  EXPECT_EQ(q.HeadingType(), 0);
  EXPECT_EQ(q.SolidColorHeading(), kVbFalse);
  EXPECT_EQ(q.TextAlignment(), 0);
  EXPECT_EQ(q.Moveable(), kVbFalse);
  EXPECT_EQ(q.KeepOnTop(), kVbTrue);
  EXPECT_EQ(q.Modal(), kVbTrue);
  EXPECT_EQ(q.TimerSeconds(), 0);
  EXPECT_EQ(q.SoundBeep(), kVbTrue);
  EXPECT_EQ(q.ControlBox(), kVbTrue);
  EXPECT_EQ(q.StartUpPosition(), 2);
  EXPECT_EQ(q.Top(), 0);
  EXPECT_EQ(q.Left(), 0);
  EXPECT_EQ(q.Height(), 0);
  EXPECT_EQ(q.Width(), 0);
  EXPECT_EQ(q.DefaultTitle(), L"");
  EXPECT_EQ(q.HideButtons(), kVbFalse);
  EXPECT_EQ(q.IconWidth(), 480);
  EXPECT_EQ(q.IconHeight(), 480);
  ASSERT_EQ(q.StockIconIds().Count(), 4);
  for (long i = 1; i <= 4; ++i) EXPECT_EQ(q.StockIconIds().Item(i), 32512 + i);
  for (long bad : {0L, 5L, -1L}) EXPECT_THROW(q.StockIconIds().Item(bad), forms::Error) << bad;
}

struct ColourCase {
  const char* name;
  void (Quillon::*set)(OleColor);
  OleColor (Quillon::*get)() const;
  OleColor fallback;
};

TEST_F(PropertiesTest, ColourMinusOneGivesTheDefaultAndEverythingElseIsKept) {
  const ColourCase cases[] = {
      {"BackColorBody", &Quillon::SetBackColorBody, &Quillon::BackColorBody, 0x8000000F},
      {"BackColorButtons", &Quillon::SetBackColorButtons, &Quillon::BackColorButtons, 0x8000000F},
      {"BackColorHeading", &Quillon::SetBackColorHeading, &Quillon::BackColorHeading, 0x80000002},
      {"ForeColorBody", &Quillon::SetForeColorBody, &Quillon::ForeColorBody, 0x80000012},
      {"ForeColorHeading", &Quillon::SetForeColorHeading, &Quillon::ForeColorHeading, 0x8000000E},
  };
  for (const auto& c : cases) {
    Quillon q;
    for (OleColor v : {0x000000FFu, 0xFFFFFFFEu, 0x80000005u, 0x12345678u, 0u}) {
      (q.*c.set)(v);
      EXPECT_EQ((q.*c.get)(), v) << c.name << " = " << v;
    }
    (q.*c.set)(0xFFFFFFFFu);
    EXPECT_EQ((q.*c.get)(), c.fallback) << c.name << " = -1";
  }
}

struct EnumCase {
  const char* name;
  void (Quillon::*set)(std::int32_t);
  std::int32_t (Quillon::*get)() const;
  std::int32_t value;
  std::optional<std::int32_t> expected;  // nullopt: overflow error, old value stays
};

TEST_F(PropertiesTest, EnumerationsFallBackSwapGradientPairsAndOverflowBeyond16Bits) {
  auto gd = std::make_pair(&Quillon::SetGradientDirection, &Quillon::GradientDirection);
  auto ht = std::make_pair(&Quillon::SetHeadingType, &Quillon::HeadingType);
  auto ta = std::make_pair(&Quillon::SetTextAlignment, &Quillon::TextAlignment);
  auto sp = std::make_pair(&Quillon::SetStartUpPosition, &Quillon::StartUpPosition);
  const EnumCase cases[] = {
      {"GradientDirection", gd.first, gd.second, 0, 1},
      {"GradientDirection", gd.first, gd.second, 17, 1},
      {"GradientDirection", gd.first, gd.second, -5, 1},
      {"GradientDirection", gd.first, gd.second, 4, 4},
      {"GradientDirection", gd.first, gd.second, 5, 6},
      {"GradientDirection", gd.first, gd.second, 6, 5},
      {"GradientDirection", gd.first, gd.second, 11, 12},
      {"GradientDirection", gd.first, gd.second, 16, 15},
      {"GradientDirection", gd.first, gd.second, 32767, 1},
      {"GradientDirection", gd.first, gd.second, -32768, 1},
      {"GradientDirection", gd.first, gd.second, 100000, std::nullopt},
      {"GradientDirection", gd.first, gd.second, 32768, std::nullopt},
      {"GradientDirection", gd.first, gd.second, -32769, std::nullopt},
      {"HeadingType", ht.first, ht.second, 2, 0},
      {"HeadingType", ht.first, ht.second, -1, 0},
      {"HeadingType", ht.first, ht.second, 1, 1},
      {"HeadingType", ht.first, ht.second, 70000, std::nullopt},
      {"TextAlignment", ta.first, ta.second, 3, 0},
      {"TextAlignment", ta.first, ta.second, 2, 2},
      {"TextAlignment", ta.first, ta.second, 1, 1},
      {"TextAlignment", ta.first, ta.second, -40000, std::nullopt},
      {"StartUpPosition", sp.first, sp.second, 3, 2},
      {"StartUpPosition", sp.first, sp.second, -1, 2},
      {"StartUpPosition", sp.first, sp.second, 0, 0},
      {"StartUpPosition", sp.first, sp.second, 1, 1},
      {"StartUpPosition", sp.first, sp.second, 40000, std::nullopt},
  };
  for (const auto& c : cases) {
    Quillon q;
    (q.*c.set)(c.name[0] == 'S' || c.name[0] == 'H' ? 1 : 2);  // a non-default value first
    const std::int32_t before = (q.*c.get)();
    if (c.expected) {
      (q.*c.set)(c.value);
      EXPECT_EQ((q.*c.get)(), *c.expected) << c.name << " = " << c.value;
    } else {
      try {
        (q.*c.set)(c.value);
        ADD_FAILURE() << c.name << " = " << c.value << " did not fail";
      } catch (const forms::Error& e) {
        EXPECT_EQ(e.number(), forms::kErrOverflow) << c.name;
      }
      EXPECT_EQ((q.*c.get)(), before) << c.name << " changed on overflow";
    }
  }
}

TEST_F(PropertiesTest, GradientCodeSetToItsOwnReadBackSwapsAgain) {
  Quillon q;
  for (std::int32_t v = 5; v <= 16; ++v) {
    q.SetGradientDirection(v);
    q.SetGradientDirection(q.GradientDirection());
    EXPECT_EQ(q.GradientDirection(), v);
  }
}

struct LengthCase {
  const char* name;
  void (Quillon::*set)(std::int32_t);
  std::int32_t (Quillon::*get)() const;
  std::int32_t value;
  std::int32_t expected;
};

TEST_F(PropertiesTest, LengthsClampNegativesAndTheScreenLimit) {
  const LengthCase cases[] = {
      {"Top", &Quillon::SetTop, &Quillon::Top, -100, 0},
      {"Top", &Quillon::SetTop, &Quillon::Top, 2147483647, 2147483647},
      {"Left", &Quillon::SetLeft, &Quillon::Left, 50000, 50000},
      {"Left", &Quillon::SetLeft, &Quillon::Left, -1, 0},
      {"Height", &Quillon::SetHeight, &Quillon::Height, 20000, 11280},
      {"Height", &Quillon::SetHeight, &Quillon::Height, 11280, 11280},
      {"Height", &Quillon::SetHeight, &Quillon::Height, 11281, 11280},
      {"Height", &Quillon::SetHeight, &Quillon::Height, -1, 0},
      {"Height", &Quillon::SetHeight, &Quillon::Height, 2147483647, 11280},
      {"Width", &Quillon::SetWidth, &Quillon::Width, 15120, 15120},
      {"Width", &Quillon::SetWidth, &Quillon::Width, 15121, 15120},
      {"Width", &Quillon::SetWidth, &Quillon::Width, -2147483647 - 1, 0},
      {"Width", &Quillon::SetWidth, &Quillon::Width, 1, 1},
  };
  for (const auto& c : cases) {
    Quillon q;
    (q.*c.set)(c.value);
    EXPECT_EQ((q.*c.get)(), c.expected) << c.name << " = " << c.value;
  }
}

TEST_F(PropertiesTest, TimerSecondsAndBooleansKeepTheirSixteenBits) {
  Quillon q;
  for (auto [v, want] : {std::pair<std::int16_t, std::int16_t>{-5, 0},
                         {-32768, 0},
                         {0, 0},
                         {32767, 32767},
                         {3, 3}}) {
    q.SetTimerSeconds(v);
    EXPECT_EQ(q.TimerSeconds(), want) << v;
  }
  using Get = VbBool (Quillon::*)() const;
  using Set = void (Quillon::*)(VbBool);
  const std::pair<Set, Get> booleans[] = {
      {&Quillon::SetGradientPaint, &Quillon::GradientPaint},
      {&Quillon::SetSolidColorHeading, &Quillon::SolidColorHeading},
      {&Quillon::SetMoveable, &Quillon::Moveable},
      {&Quillon::SetKeepOnTop, &Quillon::KeepOnTop},
      {&Quillon::SetModal, &Quillon::Modal},
      {&Quillon::SetSoundBeep, &Quillon::SoundBeep},
      {&Quillon::SetControlBox, &Quillon::ControlBox},
      {&Quillon::SetHideButtons, &Quillon::HideButtons},
  };
  for (auto [set, get] : booleans) {
    for (VbBool v : {VbBool{1}, VbBool{-1}, VbBool{0}, VbBool{2}, VbBool{-32768}}) {
      (q.*set)(v);
      EXPECT_EQ((q.*get)(), v);
    }
  }
}

TEST_F(PropertiesTest, DefaultTitleKeepsAnyTextAsACopy) {
  Quillon q;
  std::wstring title = L"Grüße \u65E5\u672C \U0001F600 & more";
  title += std::wstring(100000, L'x');
  q.SetDefaultTitle(title);
  title[0] = L'?';
  EXPECT_EQ(q.DefaultTitle().size(), title.size());
  EXPECT_EQ(q.DefaultTitle()[0], L'G');
  q.SetDefaultTitle(L"");
  EXPECT_EQ(q.DefaultTitle(), L"");
}

TEST_F(PropertiesTest, SharedSettingsFollowTheLastWriterAndResetOnEachCreation) {
  Quillon a;
  Quillon b;
  a.SetKeepOnTop(kVbFalse);
  a.SetModal(kVbFalse);
  a.SetTimerSeconds(7);
  a.SetGradientDirection(5);
  EXPECT_EQ(b.KeepOnTop(), kVbFalse);
  EXPECT_EQ(b.Modal(), kVbFalse);
  EXPECT_EQ(b.TimerSeconds(), 7);
  EXPECT_EQ(b.GradientDirection(), 6);

  a.SetDefaultTitle(L"Mine");
  a.SetWidth(4000);
  a.SetBackColorButtons(255);
  EXPECT_EQ(b.DefaultTitle(), L"");  // per-object settings stay with their object
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.BackColorButtons(), 0x8000000Fu);

  a.SetBackColorBody(255);
  Quillon c;  // a new object resets the ten shared settings for everyone on the thread
  EXPECT_EQ(a.BackColorBody(), 0x8000000Fu);
  EXPECT_EQ(a.KeepOnTop(), kVbTrue);
  EXPECT_EQ(a.Modal(), kVbTrue);
  EXPECT_EQ(a.TimerSeconds(), 0);
  EXPECT_EQ(a.GradientDirection(), 1);
  EXPECT_EQ(a.DefaultTitle(), L"Mine");
  EXPECT_EQ(a.Width(), 4000);
}

TEST_F(PropertiesTest, ObjectsOnAnotherThreadHaveTheirOwnSharedSettings) {
  Quillon here;
  here.SetBackColorBody(255);
  here.SetTimerSeconds(9);
  forms::OleColor seen_there = 0;
  std::thread([&] {
    HeadlessBackend other;
    forms::BackendScope scope(other);
    Quillon there;
    there.SetTimerSeconds(3);
    seen_there = there.BackColorBody();
  }).join();
  EXPECT_EQ(seen_there, 0x8000000Fu);
  EXPECT_EQ(here.BackColorBody(), 255u);
  EXPECT_EQ(here.TimerSeconds(), 9);
}

TEST(IconSizeTest, FollowsTwipsPerPixelAndIconMetrics) {
  struct Case {
    float tpp;
    int icon_px;
    std::int32_t expected;
  };
  for (const Case c : {Case{15.0f, 32, 480}, Case{12.0f, 32, 384}, Case{15.0f, 48, 720},
                       Case{7.5f, 1, 8} /* 7.5 rounds half to even */, Case{9.0f, 16, 144}}) {
    HeadlessBackend backend(ScreenSpec{1024, 768, c.tpp, c.icon_px});
    forms::BackendScope scope(backend);
    Quillon q;
    EXPECT_EQ(q.IconWidth(), c.expected) << c.tpp << " x " << c.icon_px;
    EXPECT_EQ(q.IconHeight(), c.expected) << c.tpp << " x " << c.icon_px;
  }
}

}  // namespace
}  // namespace quillon
