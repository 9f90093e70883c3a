// The message window: one form that shows one message. Its controls are created afresh with
// their design values at every Load; the fields FocusIndex, ElapsedSeconds and WasActive belong
// to the window object and survive unloads.
//
// The window ends a showing on a button, the Escape key, the close box or the countdown; each
// leaves its code in the thread's shared ResultCode and in the window's own Result(), then
// unloads the window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "forms/controls.h"

namespace quillon::window {

// Result codes of the standard message box.
enum ResultCodes : std::int16_t {
  kResultNone = 0,
  kResultOK = 1,
  kResultCancel = 2,
  kResultAbort = 3,
  kResultRetry = 4,
  kResultIgnore = 5,
  kResultYes = 6,
  kResultNo = 7,
};

// The button captions; the window turns a pressed button into its result by its caption.
inline constexpr const wchar_t* kCaptionOK = L"&OK";
inline constexpr const wchar_t* kCaptionCancel = L"Cancel";
inline constexpr const wchar_t* kCaptionAbort = L"&Abort";
inline constexpr const wchar_t* kCaptionRetry = L"&Retry";
inline constexpr const wchar_t* kCaptionIgnore = L"&Ignore";
inline constexpr const wchar_t* kCaptionYes = L"&Yes";
inline constexpr const wchar_t* kCaptionNo = L"&No";

inline constexpr int kKeyEscape = 27;

class MessageBox : public forms::Form {
 public:
  MessageBox();
  ~MessageBox() override;

  // The controls of the loaded window. Each accessor fails with error 364 when the window is not
  // loaded, and MsgButton / HLine with error 9 outside their indexes.
  forms::PictureBox& Background() const;
  forms::CommandButton& MsgButton(int index) const;
  forms::Label& MsgText() const;
  forms::LineControl& HLine(int index) const;
  forms::Timer& Timer2() const;
  forms::PictureBox& TopHeading() const;
  forms::Image& ControlBoxUp() const;
  forms::Label& TopCaption() const;
  forms::Timer& Timer1() const;
  forms::Image& ControlBoxDn() const;

  // Fields of the window object.
  std::int16_t FocusIndex = 0;
  std::int16_t ElapsedSeconds = 0;
  bool WasActive = false;
  // Lays the box out again for the call that showed it (the call sets it): run when the screen's
  // DPI changes under the box.
  std::function<void()> LayOutAgain;

  // The code that ended this window's last showing (0 until a way of ending set one).
  std::int16_t Result() const { return result_; }
  void ClearResult() { result_ = kResultNone; }

  // The box as text, the way the system's own box copies itself: title, message and the shown
  // buttons' captions (each followed by three spaces) between dashed lines, CR LF line ends.
  std::wstring CopyText() const override;

  // Event handlers.
  void Form_Load();
  void Form_Activate();
  void Form_KeyDown(std::int16_t key_code, std::int16_t shift);
  void Form_KeyUp(std::int16_t key_code, std::int16_t shift);
  void Form_SettingChange();
  void Form_DpiChange();
  void Background_Paint();
  void MsgButton_GotFocus(int index);
  void MsgButton_Click(int index);
  void ControlBoxUp_MouseDown(std::int16_t button, std::int16_t shift, forms::Single x,
                              forms::Single y);
  void ControlBoxUp_MouseUp(std::int16_t button, std::int16_t shift, forms::Single x,
                            forms::Single y);
  void TopHeading_MouseDown(std::int16_t button, std::int16_t shift, forms::Single x,
                            forms::Single y);
  void TopCaption_MouseDown(std::int16_t button, std::int16_t shift, forms::Single x,
                            forms::Single y);
  void Background_MouseDown(std::int16_t button, std::int16_t shift, forms::Single x,
                            forms::Single y);
  void MsgText_MouseDown(std::int16_t button, std::int16_t shift, forms::Single x, forms::Single y);
  void Timer1_Timer();
  void Timer2_Timer();

 protected:
  void Design() override;

 private:
  void require_loaded() const;
  template <class T>
  T& loaded(T* control) const;
  void DrawMessageIcon();
  // Sizes and pictures of what is drawn in whole pixels, at the screen's DPI of the moment.
  void FitPixelParts();
  // The look of the moment: with high contrast on, system colours and no bands or patterns (the
  // caller's colours kept aside); with it off again, the caller's colours back.
  void ApplyLook();
  void PaintTop(bool active);
  void PaintBody(forms::ErrObject& err);
  void DragIfMoveable();
  void Finish(std::int16_t code);

  forms::PictureBox* background_ = nullptr;
  forms::ControlArray<forms::CommandButton> msg_button_;
  forms::Label* msg_text_ = nullptr;
  forms::ControlArray<forms::LineControl> hline_;
  forms::Timer* timer2_ = nullptr;
  forms::PictureBox* top_heading_ = nullptr;
  forms::Image* control_box_up_ = nullptr;
  forms::Label* top_caption_ = nullptr;
  forms::Timer* timer1_ = nullptr;
  forms::Image* control_box_dn_ = nullptr;

  struct CallerLook {
    forms::OleColor body = 0, text = 0, caption = 0;
    std::array<forms::OleColor, 4> buttons{};
    std::array<forms::OleColor, 3> lines{};
    forms::Picture box_up, box_down;
  };
  std::optional<CallerLook> caller_look_;  // set while the high-contrast look is on

  std::int16_t result_ = kResultNone;
  // The Escape key went down while this showing was up; only then does its release close the
  // window (a release left over from a key pressed before the window appeared does nothing).
  bool escape_down_ = false;
};

// The message windows of the calling thread. In the ordinary case there is one, reused by every
// call on the thread; a call made while that window is still up (a modeless window, or a call
// from a host event during a modal wait) gets another window of its own.
MessageBox& WindowForCall();  // a window of this thread that is not loaded (created when needed)
std::vector<MessageBox*> LoadedWindows();  // this thread's windows that are up, oldest first
// Unloads and destroys every window of this thread. The record has no destructor of its own: call
// it before the backend that loaded them goes away (tests, previews); the library calls it when a
// thread's last object is released with no window up, and when the thread ends.
void ReleaseThreadWindows();

}  // namespace quillon::window
