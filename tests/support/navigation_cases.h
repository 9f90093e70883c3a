// Dialog navigation as the user meets it, stated once for both backends: key sequences typed into
// a form or a message box that is up, and what follows, in the style of Wine's message-sequence
// tests (record, compare with the expected sequence, print both on a mismatch).
//
// tests/forms/navigation_test.cpp runs every row on the headless backend with its scripted input;
// tests/win32/navigation_test.cpp runs them under Wine with real keyboard input (SendInput) to the
// window in front.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "forms/controls.h"

namespace quillon::testing {

struct NavigationCase {
  const char* name;
  // The buttons of a NavigationForm ("&One | &Two [hidden]"), or "MsgBox <flags>".
  const char* form;
  // Strokes: "Tab", "Enter", "Esc", "Space" or a letter, after modifiers ("Shift+Tab", "Alt+H",
  // "Ctrl+O"); "Space(down)" and "Esc(up)" are half strokes.
  const char* keys;
  // The form's events in order ("GotFocus 1, Click 1"); key events and Activate are compared only
  // in rows that name some. For a message box: "answer <MsgBox's result>".
  const char* expected;
};

constexpr const char* kThree = "&One | &Two | T&hree";

inline const NavigationCase kNavigationCases[] = {
    // The first focus, after Activate.
    {"the first focus goes to the default button", "&One | &Two | T&hree [default]", "",
     "Activate, GotFocus 2"},
    {"a disabled default and a button without tab stop leave it to the first tab stop",
     "&One [notab] | &Two | T&hree [default disabled]", "", "GotFocus 1"},
    {"with no tab stop the first button that can take the focus gets it; Tab moves nothing",
     "&One [hidden] | &Two [notab] | T&hree [notab]", "Tab", "GotFocus 1"},
    // Tab and Shift+Tab, by TabIndex.
    {"Tab goes forward and wraps round", kThree, "Tab Tab Tab",
     "GotFocus 0, GotFocus 1, GotFocus 2, GotFocus 0"},
    {"Shift+Tab goes back and wraps round", kThree, "Shift+Tab Shift+Tab",
     "GotFocus 0, GotFocus 2, GotFocus 1"},
    {"Tab skips hidden, disabled and non-tab-stop buttons",
     "&One | &Two [hidden] | T&hree [disabled] | &Four [notab] | F&ive", "Tab Tab",
     "GotFocus 0, GotFocus 4, GotFocus 0"},
    {"Ctrl+Tab moves nothing", kThree, "Ctrl+Tab", "GotFocus 0"},
    // Enter, Space, Escape; the form sees every key first.
    {"Enter clicks the focused button, after the form saw the key", "&One [default] | &Two",
     "Tab Enter", "GotFocus 0, KeyDown 9, GotFocus 1, KeyUp 9, KeyDown 13, Click 1, KeyUp 13"},
    {"Space pushes the focused button and clicks it after the form saw the release", kThree,
     "Space(down) Space(up)", "GotFocus 0, KeyDown 32, KeyUp 32, Click 0"},
    {"a Space release whose press came before the form does nothing", kThree, "Space(up)",
     "GotFocus 0"},
    {"moving the focus while Space is held lets the press go", kThree, "Space(down) Tab Space(up)",
     "GotFocus 0, GotFocus 1"},
    {"Escape only reaches the form", kThree, "Esc", "GotFocus 0, KeyDown 27, KeyUp 27"},
    // Access keys.
    {"an access key focuses and clicks its button, with or without Alt", kThree, "H Alt+T",
     "GotFocus 0, GotFocus 2, Click 2, GotFocus 1, Click 1"},
    {"&& is a literal ampersand; the access key follows a single &", "&&Co | Fish && &Chips", "C",
     "GotFocus 0, GotFocus 1, Click 1"},
    {"hidden or disabled buttons and Ctrl with a letter have no access key",
     "&One | &Two [disabled] | T&hree [hidden]", "T H Ctrl+O", "GotFocus 0"},
    // The message box: the answer that the keys give.
    {"Escape answers Cancel, even with only an OK button", "MsgBox 0", "Esc", "answer 2"},
    {"Shift+Escape as well", "MsgBox 4", "Shift+Esc", "answer 2"},
    {"Escape with no button at all", "MsgBox 6", "Esc", "answer 2"},
    {"an Escape release without its press is ignored", "MsgBox 0", "Esc(up) Enter", "answer 1"},
    {"Enter answers the default button", "MsgBox 3+256", "Enter", "answer 7"},
    {"Enter without a default answers the first button", "MsgBox 2+4096", "Enter", "answer 3"},
    {"Tab wraps over the hidden buttons", "MsgBox 4", "Tab Tab Enter", "answer 6"},
    {"Space answers the button that Tab reached", "MsgBox 3", "Tab Tab Space", "answer 2"},
    {"Shift+Tab goes back from the first button", "MsgBox 3", "Shift+Tab Enter", "answer 2"},
    {"an access key answers its button", "MsgBox 2", "R", "answer 4"},
    {"and with Alt", "MsgBox 3", "Alt+N", "answer 7"},
    {"Cancel has no access key", "MsgBox 3", "C Enter", "answer 6"},
};

inline void PrintTo(const NavigationCase& c, std::ostream* os) {
  *os << c.name;
}
inline std::string row_name(const ::testing::TestParamInfo<NavigationCase>& info) {
  return "row" + std::to_string(info.index);
}

// The flags of a message-box row; nullopt for a NavigationForm row.
inline std::optional<std::int16_t> msgbox_flags(const NavigationCase& c) {
  std::istringstream in(c.form);
  std::string word;
  if (!(in >> word) || word != "MsgBox") return std::nullopt;
  int flags = 0, term = 0;
  while (in >> term) flags += term;  // "3+256": the sign is read with the number
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
  struct Name {
    const char* name;
    std::uint16_t vk;
  };
  static const Name kModifiers[] = {{"Shift", 16}, {"Ctrl", 17}, {"Alt", 18}};
  static const Name kKeys[] = {{"Tab", 9}, {"Enter", 13}, {"Esc", 27}, {"Space", 32}};
  std::vector<KeyEvent> out;
  std::istringstream in(keys);
  std::string token;
  while (in >> token) {
    std::vector<std::uint16_t> held;
    std::int16_t shift = 0;
    for (int bit = 0; bit < 3; ++bit) {
      const std::string prefix = std::string(kModifiers[bit].name) + "+";
      if (token.rfind(prefix, 0) != 0) continue;
      token.erase(0, prefix.size());
      shift = static_cast<std::int16_t>(shift | (1 << bit));
      held.push_back(kModifiers[bit].vk);
      out.push_back({kModifiers[bit].vk, Stroke::kDown, shift});
    }
    bool down = true, up = true;
    if (const auto half = token.find('('); half != std::string::npos) {
      down = token.substr(half) == "(down)";
      up = !down;
      token.erase(half);
    }
    std::uint16_t vk = static_cast<std::uint16_t>(token.size() == 1 ? token[0] : 0);
    for (const Name& k : kKeys)
      if (token == k.name) vk = k.vk;
    if (vk == 0) ADD_FAILURE() << "unknown key " << token << " in \"" << keys << "\"";
    if (down) out.push_back({vk, Stroke::kDown, shift});
    if (up) out.push_back({vk, Stroke::kUp, shift});
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
      shift = static_cast<std::int16_t>(shift & ~(1 << (*it - 16)));
      out.push_back({*it, Stroke::kUp, shift});
    }
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
    SetLeft(1500);
    SetTop(1500);
    SetKeyPreview(true);
    auto& body = add<forms::PictureBox>("Body", -1, nullptr);
    body.Move(0, 0, 4410, 2910);
    std::vector<std::string> specs;
    std::istringstream in(buttons_);
    for (std::string spec; std::getline(in, spec, '|');) specs.push_back(spec);
    for (int i = static_cast<int>(specs.size()) - 1; i >= 0; --i) {
      const std::string& spec = specs[static_cast<std::size_t>(i)];
      const auto traits = spec.find('[');
      std::string caption = spec.substr(0, traits);
      caption.erase(0, caption.find_first_not_of(' '));
      caption.erase(caption.find_last_not_of(' ') + 1);
      const std::string has = traits == std::string::npos ? "" : spec.substr(traits);
      auto& b = add<forms::CommandButton>("Btn", i, &body);
      b.Move(150 + 850 * static_cast<forms::Single>(i), 1800, 800, 375);
      b.SetCaption(std::wstring(caption.begin(), caption.end()));
      b.SetTabIndex(i);
      b.SetDefault(has.find("default") != std::string::npos);
      b.SetVisible(has.find("hidden") == std::string::npos);
      b.SetEnabled(has.find("disabled") == std::string::npos);
      b.SetTabStop(has.find("notab") == std::string::npos);
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
  EXPECT_EQ(recorded, expected) << c.name << "\n  form: " << c.form << "\n  keys: " << c.keys;
}

}  // namespace quillon::testing
