// MsgBox from its arguments: the flags word, the title rule, the sound, and the one window that
// the calls of a thread share (with a window of its own for a call made while that one is up).
#include <string>
#include <thread>
#include <vector>

#include "support/box_fixture.h"

namespace quillon::testing {
namespace {

using window::MessageBox;
using Captions = std::vector<std::wstring>;

// ---------------------------------------------------------------------------------------------
// The flags word

struct Decode {
  std::int16_t flags;
  Captions shown;
  int default_index;        // -1: no default button
  std::int16_t icon_index;  // as the window sees it; negative: no icon
  std::int32_t icon_id;     // stock icon loaded, 0: none
};

class DecodeTest : public BoxTest, public ::testing::WithParamInterface<Decode> {};

TEST_P(DecodeTest, ButtonsIconAndDefault) {
  const Decode& d = GetParam();
  msgdefs::shared().IconHandle = 0;
  Quillon q;
  MessageBox& w = Modeless(q, L"Decode", d.flags);
  EXPECT_EQ(ShownCaptions(w), d.shown);
  EXPECT_EQ(DefaultIndex(w), d.default_index);
  EXPECT_EQ(msgdefs::shared().IconIndex, d.icon_index);
  const forms::IconHandle expected =
      d.icon_id != 0 ? backend.platform().load_stock_icon(d.icon_id) : 0;
  EXPECT_EQ(msgdefs::shared().IconHandle, expected);
  for (int i = 0; i <= 3; ++i) {
    EXPECT_EQ(w.MsgButton(i).TabStop(), w.MsgButton(i).Visible()) << i;
    EXPECT_EQ(w.MsgButton(i).Enabled(), w.MsgButton(i).Visible()) << i;
  }
}

const Captions kOK = {L"&OK"};
const Captions kOKCancel = {L"&OK", L"Cancel"};
const Captions kAbortRetryIgnore = {L"&Abort", L"&Retry", L"&Ignore"};
const Captions kYesNoCancel = {L"&Yes", L"&No", L"Cancel"};
const Captions kYesNo = {L"&Yes", L"&No"};
const Captions kRetryCancel = {L"&Retry", L"Cancel"};

const Decode kDecodes[] = {
    {0, kOK, 0, -1, 0},
    {1, kOKCancel, 0, -1, 0},
    {2, kAbortRetryIgnore, 0, -1, 0},
    {3, kYesNoCancel, 0, -1, 0},
    {4, kYesNo, 0, -1, 0},
    {5, kRetryCancel, 0, -1, 0},
    {6, {}, -1, -1, 0},
    {4 + 32 + 256, kYesNo, 1, 1, 32514},
    {3 + 512, kYesNoCancel, 2, -1, 0},
    {2 + 768, kAbortRetryIgnore, -1, -1, 0},
    {4096, kOK, -1, -1, 0},
    {4096 + 4 + 48, kYesNo, -1, 2, 32515},
    {19, kYesNoCancel, 0, 0, 32513},
    {64 + 1, kOKCancel, 0, 3, 32516},
    {-1, kOK, 0, -1, 0},
    {-32768, kOK, 0, -2049, 0},
    {32767, {}, -1, -1, 0},  // 127 x 256 + 255: icon number 14, set 15
    // Icon numbers without a stock icon show no icon at all.
    {80, kOK, 0, -1, 0},
};

INSTANTIATE_TEST_SUITE_P(Flags, DecodeTest, ::testing::ValuesIn(kDecodes), [](const auto& info) {
  const int v = info.param.flags;
  return v < 0 ? "minus" + std::to_string(-v) : std::to_string(v);
});

// ---------------------------------------------------------------------------------------------
// The title

struct TitleCase {
  const char* name;
  std::wstring title;
  std::wstring default_title;
  bool caller;  // a window of the host is active
  std::wstring caller_caption;
  std::wstring expected;
};

class TitleTest : public BoxTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(TitleTest, ChoosesTheTitle) {
  const TitleCase& t = GetParam();
  if (t.caller) backend.set_caller_window(t.caller_caption, {10, 10, 400, 300});
  Quillon q;
  q.SetDefaultTitle(t.default_title);
  EXPECT_EQ(Modeless(q, L"Body", 0, t.title).TopCaption().Caption(), t.expected);
  EXPECT_EQ(q.DefaultTitle(), t.default_title);
}

const std::wstring kLongCaption(300, L'x');

const TitleCase kTitles[] = {
    {"ArgumentWins", L"Arg", L"Default", true, L"Host", L"Arg"},
    {"OneBlankIsATitle", L" ", L"Default", true, L"Host", L" "},
    {"DefaultTitle", L"", L"Default", true, L"Host", L"Default"},
    {"ActiveWindowCaption", L"", L"", true, L"Host window", L"Host window"},
    {"NoActiveWindow", L"", L"", false, L"", L"Message"},
    {"ActiveWindowWithoutCaption", L"", L"", true, L"", L"Message"},
    {"CaptionCutTo254", L"", L"", true, kLongCaption, std::wstring(254, L'x')},
    {"AmpersandKeptLiterally", L"Save && Exit & Go", L"", false, L"", L"Save && Exit & Go"},
    {"NonAsciiTitle", L"Gr\u00fc\u00dfe \u65e5\u672c", L"", false, L"",
     L"Gr\u00fc\u00dfe \u65e5\u672c"},
};

INSTANTIATE_TEST_SUITE_P(Titles, TitleTest, ::testing::ValuesIn(kTitles),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Sound, colours and the literal message

TEST_F(BoxTest, SoundStartsBeforeTheWindowShowsOnlyWhenSet) {
  for (VbBool beep : {kVbTrue, VbBool{1}, kVbFalse}) {
    Quillon q;
    q.SetSoundBeep(beep);
    const auto before = backend.sound_plays();
    std::int32_t at_show = -1;
    backend.call([&] { at_show = backend.sound_plays(); });
    backend.key(27);
    EXPECT_EQ(q.MsgBox(L"Beep?"), 2);
    EXPECT_EQ(at_show - before, beep != 0 ? 1 : 0);
  }
}

TEST_F(BoxTest, ColoursReachTheirControls) {
  Quillon q;
  q.SetForeColorHeading(0x00010203);
  q.SetBackColorBody(0x00040506);
  q.SetForeColorBody(0x00070809);
  q.SetBackColorButtons(0x000A0B0C);
  MessageBox& w = Modeless(q, L"Colours & more", 2);
  EXPECT_EQ(w.TopCaption().ForeColor(), 0x00010203u);
  EXPECT_EQ(w.Background().BackColor(), 0x00040506u);
  EXPECT_EQ(w.MsgText().ForeColor(), 0x00070809u);
  for (int i = 0; i <= 3; ++i) EXPECT_EQ(w.MsgButton(i).BackColor(), 0x000A0B0Cu);
  EXPECT_EQ(w.MsgText().Caption(), L"Colours & more");
}

// ---------------------------------------------------------------------------------------------
// The thread's window

// The second call, through another object, gets the same window with only its own buttons.
TEST_F(BoxTest, TwoObjectsShareOneWindowAndOneResult) {
  Quillon a;
  a.SetDefaultTitle(L"From A");
  Quillon b;
  std::vector<MessageBox*> seen;
  std::vector<std::wstring> titles;
  std::vector<Captions> captions;
  auto look = [&] {
    seen.push_back(&Up());
    titles.push_back(Up().TopCaption().Caption());
    captions.push_back(ShownCaptions(Up()));
  };
  backend.call(look);
  backend.click("MsgButton", 0);
  EXPECT_EQ(a.MsgBox(L"A", 3), 6);
  EXPECT_EQ(msgdefs::shared().ResultCode, 6);
  backend.call(look);
  backend.click("MsgButton", 1);
  EXPECT_EQ(b.MsgBox(L"B", 4), 7);
  EXPECT_EQ(msgdefs::shared().ResultCode, 7);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_EQ(titles, (std::vector<std::wstring>{L"From A", L"Message"}));
  EXPECT_EQ(captions, (std::vector<Captions>{kYesNoCancel, kYesNo}));
}

TEST_F(BoxTest, CallWhileAModelessWindowIsUpGetsAWindowOfItsOwn) {
  Quillon q;
  MessageBox& first = Modeless(q, L"Modeless", 3);

  q.SetModal(kVbTrue);
  Captions inner;
  std::size_t up_during = 0;
  backend.call([&] {
    up_during = window::LoadedWindows().size();
    inner = ShownCaptions(*window::LoadedWindows().back());
  });
  backend.click("MsgButton", 0);
  EXPECT_EQ(q.MsgBox(L"Modal", 0), 1);
  EXPECT_EQ(up_during, 2u);
  EXPECT_EQ(inner, kOK);

  // The modeless window is still up, unchanged, and still works.
  ASSERT_EQ(&Up(), &first);
  EXPECT_EQ(ShownCaptions(first), kYesNoCancel);
  EXPECT_EQ(first.MsgText().Caption(), L"Modeless");
  backend.click("MsgButton", 1);
  backend.run_script();
  EXPECT_FALSE(first.IsLoaded());
  EXPECT_EQ(first.Result(), 7);

  // Once it is down, the thread's window serves the next call again.
  backend.call([&] { EXPECT_EQ(&Up(), &first); });
  backend.key(27);
  EXPECT_EQ(q.MsgBox(L"Again"), 2);
}

TEST_F(BoxTest, NestedModalCallsReturnInOrderEachItsOwnCode) {
  Quillon outer_q;
  Quillon inner_q;
  std::int16_t inner = -1;
  // A host event during the outer wait makes a second call, answered Yes; then the outer
  // window is answered No.
  backend.call([&] { inner = inner_q.MsgBox(L"Inner", 4); });
  backend.click("MsgButton", 0);
  backend.click("MsgButton", 1);
  EXPECT_EQ(outer_q.MsgBox(L"Outer", 4), 7);
  EXPECT_EQ(inner, 6);
}

TEST_F(BoxTest, OuterWindowClosedDuringInnerWaitKeepsItsOwnCode) {
  Quillon q;
  std::int16_t inner = -1;
  backend.call([&] {
    MessageBox* outer_window = &Up();
    // The inner call's script: first the outer window is answered (Retry), then the inner one.
    backend.call([outer_window] { outer_window->MsgButton_Click(1); });
    backend.click("MsgButton", 1);
    inner = q.MsgBox(L"Inner", 1);  // OK, Cancel
  });
  EXPECT_EQ(q.MsgBox(L"Outer", 2), 4);
  EXPECT_EQ(inner, 2);
  EXPECT_TRUE(window::LoadedWindows().empty());
}

TEST_F(BoxTest, EachThreadHasItsOwnWindowAndSettings) {
  Quillon q;
  q.SetTimerSeconds(9);
  MessageBox* main_window = &Modeless(q, L"Main thread", 4);
  MessageBox* other_window = nullptr;
  std::size_t other_up = 0;
  std::int16_t other_seconds = -1;
  std::thread([&] {
    forms::headless::HeadlessBackend other_backend;
    forms::BackendScope other_scope(other_backend);
    Quillon other;
    other.SetModal(kVbFalse);
    other.MsgBox(L"Other thread");
    other_up = window::LoadedWindows().size();
    other_window = window::LoadedWindows().front();
    other_seconds = msgdefs::shared().TimerSeconds;
    window::ReleaseThreadWindows();
  }).join();
  EXPECT_EQ(other_up, 1u);
  EXPECT_NE(other_window, main_window);
  EXPECT_EQ(other_seconds, 0);
  EXPECT_EQ(&Up(), main_window);
  EXPECT_EQ(msgdefs::shared().TimerSeconds, 9);
}

TEST_F(BoxTest, ModalShowThatCannotEndReturnsZeroAndLeavesNoWindowUp) {
  Quillon q;
  EXPECT_EQ(q.MsgBox(L"Nobody answers"), 0);
  EXPECT_TRUE(window::LoadedWindows().empty());
  backend.key(27);
  EXPECT_EQ(q.MsgBox(L"Next call works"), 2);
}

}  // namespace
}  // namespace quillon::testing
