// Dialog navigation, decided once for every backend: the first focus of a showing, the focus
// that comes back with a later activation, Tab and Shift+Tab, Enter on the focused or default
// button, Space on the focused button, access keys, Ctrl+C and Ctrl+Insert (the form's copy text
// to the clipboard), and the form's preview of every key.
//
// A backend only reports what happened on its platform (a key went down or up, a character was
// typed, a button was clicked, the focus arrived or left, the window became active) and applies
// what comes back through its FormPeer: it moves the native focus (and reports the arrival), and
// shows a button pushed in or raised. The events of the form and its buttons (Activate, KeyDown,
// KeyUp, GotFocus, Click) are raised here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon::forms {

class Form;
class Control;
class CommandButton;

// Key codes that the toolkit acts on (the platform's virtual-key codes).
enum KeyCode : std::int16_t {
  kKeyTab = 9,
  kKeyReturn = 13,
  kKeyEscape = 27,
  kKeySpace = 32,
  kKeyInsert = 45,
  kKeyC = 67
};
// Bits of the shift argument of key and mouse events.
enum ShiftMask : std::int16_t { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

// Whether the toolkit used a piece of input; the platform's default handling gets the rest.
enum class Handled { kNo, kYes };
// Where the activation came from. Only an activation from another window of this program (or the
// first one) raises Activate.
enum class ActivatedFrom { kThisProgram, kElsewhere };
// How a button shows: raised, or pushed in while Space is held on it.
enum class ButtonFace { kRaised, kPushed };

// The access key of a caption: the character after the first single "&", upper case ("&&" is a
// literal "&"); 0 when there is none.
wchar_t access_key(const std::wstring& caption);

class Navigation {
 public:
  explicit Navigation(Form& form);
  ~Navigation();
  Navigation(const Navigation&) = delete;
  Navigation& operator=(const Navigation&) = delete;

  // --- What the backend reports. Each may raise events whose handlers unload the form; the
  // input counts as handled then.
  Handled key_down(std::int16_t key_code, std::int16_t shift);
  Handled key_up(std::int16_t key_code, std::int16_t shift);
  Handled character(wchar_t ch);
  // The platform's button was clicked (by the pointer or a click message). kNo: it cannot be.
  Handled clicked(CommandButton& button);
  void focus_gained(Control& control);
  void focus_lost(Control& control);
  // The form's window became the active one.
  void activated(ActivatedFrom from);
  // The form's window is up. A showing that did not get the front still counts as the first
  // activation: Activate is raised, the focus waits for a real activation.
  void shown();

  // --- What the program asks: SetFocus.
  void set_focus(CommandButton& button);

  // --- The rules.
  static bool can_focus(const CommandButton& button);  // visible up to the form, enabled
  std::vector<CommandButton*> tab_order() const;       // focusable tab stops by TabIndex
  CommandButton* default_button() const;               // the default, if it can take the focus
  // The focus of a showing: the default button, else the first tab stop, else any button that
  // can take the focus (nullptr: the form itself).
  CommandButton* first_focus() const;

  // --- Called by the form.
  void loaded();    // a fresh showing begins
  void unloaded();  // handlers of the last showing that are still running must stop

 private:
  template <class F>
  bool raise(const std::string& event, F&& handler);
  Control* focused() const;
  CommandButton* focused_button() const;
  bool previews() const;
  enum class Direction { kForward, kBack };
  void move_focus(Control* control);
  void tab(Direction direction);
  void click(CommandButton& button);
  void release_press();

  Form& form_;
  std::shared_ptr<bool> loaded_;    // false once the showing this state belongs to ended
  bool activated_ = false;          // the first activation (or showing) was reported
  bool first_focus_quiet_ = false;  // the first focus is landing: its GotFocus follows Activate
  Control* pending_got_focus_ = nullptr;
  Control* last_focus_ = nullptr;     // comes back with a later activation
  CommandButton* pressed_ = nullptr;  // Space went down on it and is not released yet
};

}  // namespace quillon::forms
