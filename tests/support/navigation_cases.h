// Dialog navigation as the user meets it, stated once for both backends: key sequences typed into
// a form or a message box that is up, and what follows, in the style of Wine's message-sequence
// tests (record, compare with the expected sequence, print both on a mismatch).
//
// tests/forms/navigation_test.cpp runs every row on the headless backend with its scripted input;
// tests/win32/navigation_test.cpp runs them under Wine with real keyboard input (SendInput) to the
// window in front.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "forms/controls.h"

namespace quillon::testing {

// A row: the form, the keys typed into it, and what follows.
//  form:     the buttons of a NavigationForm ("&One | &Two [hidden]"), or "MsgBox <flags>".
//  keys:     strokes "Tab", "Enter", "Esc", "Space" or a letter, after modifiers ("Shift+Tab",
//            "Alt+H", "Ctrl+O"); "Space(down)" and "Esc(up)" are half strokes.
//  expected: the form's events in order ("GotFocus 1, Click 1"), key events and Activate only in
//            rows that name some; for a message box, "answer <what MsgBox returned>".
struct NavigationCase {
  const char* form;
  const char* keys;
  const char* expected;
};

constexpr const char* kThree = "&One | &Two | T&hree";

inline const NavigationCase kNavigationCases[] = {
    // The first focus goes to the default button, after Activate.
    {"&One | &Two | T&hree [default]", "", "Activate, GotFocus 2"},
    // A disabled default and a button without tab stop leave it to the first tab stop.
    {"&One [notab] | &Two | T&hree [default disabled]", "", "GotFocus 1"},
    // With no tab stop the first button that can take the focus gets it; Tab moves nothing.
    {"&One [hidden] | &Two [notab] | T&hree [notab]", "Tab", "GotFocus 1"},
    // Tab and Shift+Tab go by TabIndex and wrap round; Ctrl+Tab moves nothing.
    {kThree, "Tab Tab Tab Ctrl+Tab", "GotFocus 0, GotFocus 1, GotFocus 2, GotFocus 0"},
    {kThree, "Shift+Tab Shift+Tab", "GotFocus 0, GotFocus 2, GotFocus 1"},
    // Tab skips hidden, disabled and non-tab-stop buttons.
    {"&One | &Two [hidden] | T&hree [disabled] | &Four [notab] | F&ive", "Tab Tab",
     "GotFocus 0, GotFocus 4, GotFocus 0"},
    // Enter clicks the focused button rather than the default; the form sees every key first.
    {"&One [default] | &Two", "Tab Enter",
     "GotFocus 0, KeyDown 9, GotFocus 1, KeyUp 9, KeyDown 13, Click 1, KeyUp 13"},
    // Space pushes the focused button and clicks it after the form saw the release ...
    {kThree, "Space(down) Space(up)", "GotFocus 0, KeyDown 32, KeyUp 32, Click 0"},
    // ... but not a release whose press came before the form, nor once the focus moved on.
    {kThree, "Space(up) Space(down) Tab Space(up)", "GotFocus 0, GotFocus 1"},
    // Escape only reaches the form.
    {kThree, "Esc", "GotFocus 0, KeyDown 27, KeyUp 27"},
    // An access key focuses and clicks its button, with or without Alt.
    {kThree, "H Alt+T", "GotFocus 0, GotFocus 2, Click 2, GotFocus 1, Click 1"},
    // "&&" is a literal ampersand; the access key follows a single "&".
    {"&&Co | Fish && &Chips", "C", "GotFocus 0, GotFocus 1, Click 1"},
    // Hidden or disabled buttons, and Ctrl with a letter, have no access key.
    {"&One | &Two [disabled] | T&hree [hidden]", "T H Ctrl+O", "GotFocus 0"},
    // The message box: Escape answers Cancel, with Shift too, even with only an OK button or none.
    {"MsgBox 0", "Esc", "answer 2"},
    {"MsgBox 4", "Shift+Esc", "answer 2"},
    {"MsgBox 6", "Esc", "answer 2"},
    // An Escape release without its press is ignored.
    {"MsgBox 0", "Esc(up) Enter", "answer 1"},
    // Enter answers the default button, else the first (a fourth default of three is none).
    {"MsgBox 3+256", "Enter", "answer 7"},
    {"MsgBox 2+768", "Enter", "answer 3"},
    // Tab wraps over the hidden buttons; Space answers the button that Tab reached.
    {"MsgBox 4", "Tab Tab Enter", "answer 6"},
    {"MsgBox 3", "Tab Tab Space", "answer 2"},
    // An access key answers its button; Cancel has none.
    {"MsgBox 2", "R", "answer 4"},
    {"MsgBox 3", "C Enter", "answer 6"},
};

inline void PrintTo(const NavigationCase& c, std::ostream* os) {
  *os << c.form << " / " << c.keys;
}

// A test name from the row's form and keys, letters and digits only ("OneTwoThreeTabEnter").
inline std::string navigation_case_name(const ::testing::TestParamInfo<NavigationCase>& info) {
  std::string name;
  for (const char* text : {info.param.form, info.param.keys})
    for (const char* p = text; *p != '\0'; ++p)
      if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  return name;
}

// The flags of a message-box row; nullopt for a NavigationForm row.
inline std::optional<std::int16_t> msgbox_flags(const NavigationCase& c) {
  std::istringstream in(c.form);
  std::string word;
  if (!(in >> word) || word != "MsgBox") return std::nullopt;
  int flags = 0;
  for (int term = 0; in >> term;) flags += term;  // "3+256": the sign is read with the number
  return static_cast<std::int16_t>(flags);
}

// One key going down or up, with the modifier bits (1 Shift, 2 Ctrl, 4 Alt) held meanwhile.
enum class Stroke { kDown, kUp };
struct KeyEvent {
  std::uint16_t vk;
  Stroke stroke;
  std::int16_t shift;
};

inline std::vector<KeyEvent> key_events(const char* keys) {
  static const std::map<std::string, std::uint16_t> kVk = {
      {"Shift", 16}, {"Ctrl", 17}, {"Alt", 18},  {"Tab", 9},
      {"Enter", 13}, {"Esc", 27},  {"Space", 32}};
  auto bit = [](std::uint16_t modifier) { return 1 << (modifier - 16); };
  std::vector<KeyEvent> out;
  std::istringstream in(keys);
  for (std::string token; in >> token;) {
    std::vector<std::uint16_t> modifiers;
    for (auto plus = token.find('+'); plus != std::string::npos; plus = token.find('+')) {
      modifiers.push_back(kVk.at(token.substr(0, plus)));
      token.erase(0, plus + 1);
    }
    const auto half = token.find('(');
    const std::string name = token.substr(0, half);
    const std::string part = half == std::string::npos ? "" : token.substr(half);
    const auto vk = name.size() == 1 ? static_cast<std::uint16_t>(name[0]) : kVk.at(name);
    int shift = 0;
    for (auto m : modifiers) out.push_back({m, Stroke::kDown, std::int16_t(shift |= bit(m))});
    if (part != "(up)") out.push_back({vk, Stroke::kDown, std::int16_t(shift)});
    if (part != "(down)") out.push_back({vk, Stroke::kUp, std::int16_t(shift)});
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
      out.push_back({*m, Stroke::kUp, std::int16_t(shift &= ~bit(*m))});
  }
  return out;
}

// The form of the rows: a body with the buttons that the row names, each with its traits in
// brackets (default, hidden, disabled, notab). Button i has index i and TabIndex i; they are
// created last to first, as the message window creates its own, so that the tab order is not the
// order of creation. Records its events; the keys of Shift, Ctrl and Alt themselves are left out.
class NavigationForm : public forms::Form {
 public:
  explicit NavigationForm(std::string buttons) : Form("NavigationForm"), buttons_(buttons) {}
  std::vector<std::string> seen;

 protected:
  void Design() override {
    SetWidth(4500);
    SetHeight(3000);
    SetKeyPreview(true);
    auto& body = add<forms::PictureBox>("Body", -1, nullptr);
    body.Move(0, 0, 4410, 2910);
    std::vector<std::string> entries;
    std::istringstream in(buttons_);
    for (std::string entry; std::getline(in, entry, '|');) entries.push_back(entry);
    for (int i = static_cast<int>(entries.size()) - 1; i >= 0; --i) {
      std::istringstream words(entries[static_cast<std::size_t>(i)]);
      std::string caption, traits, word;
      while (words >> word) (word[0] == '[' || !traits.empty() ? traits : caption) += word + " ";
      caption.pop_back();
      auto has = [&](const char* trait) { return traits.find(trait) != std::string::npos; };
      auto& b = add<forms::CommandButton>("Btn", i, &body);
      b.Move(150 + 850 * static_cast<forms::Single>(i), 1800, 800, 375);
      b.SetCaption(std::wstring(caption.begin(), caption.end()));
      b.SetTabIndex(i);
      b.SetDefault(has("default"));
      b.SetVisible(!has("hidden"));
      b.SetEnabled(!has("disabled"));
      b.SetTabStop(!has("notab"));
      b.Click = [this](int index) { seen.push_back("Click " + std::to_string(index)); };
      b.GotFocus = [this](int index) { seen.push_back("GotFocus " + std::to_string(index)); };
    }
    OnActivate = [this] { seen.push_back("Activate"); };
    KeyDown = [this](std::int16_t k, std::int16_t) { key("KeyDown ", k); };
    KeyUp = [this](std::int16_t k, std::int16_t) { key("KeyUp ", k); };
  }

 private:
  void key(const char* what, std::int16_t k) {
    if (k < 16 || k > 18) seen.push_back(what + std::to_string(k));
  }
  std::string buttons_;
};

// Compares what was recorded with the row's expectation.
inline void expect_sequence(const NavigationCase& c, const std::vector<std::string>& seen) {
  const std::string expected = c.expected;
  std::string recorded;
  for (const std::string& e : seen) {
    if (e.rfind("Key", 0) == 0 && expected.find("Key") == std::string::npos) continue;
    if (e == "Activate" && expected.find("Activate") == std::string::npos) continue;
    recorded += (recorded.empty() ? "" : ", ") + e;
  }
  EXPECT_EQ(recorded, expected) << "form: " << c.form << "\nkeys: " << c.keys;
}

}  // namespace quillon::testing
