// The headless backend: forms without a screen, for tests, previews and the native build.
//
// Implemented: the screen (fixed size, 15 twips per pixel by default); platform services answered
// from a simulation (active window, a caller window, Wine's default colour scheme, icon size,
// four synthetic stock icons, topmost and drag records, a sound counter, a clipboard, a high
// contrast switch); text layout with a real
// font stack (FreeType, the face that Wine shows for "MS Sans Serif" here); canvases drawn with
// the Win32 canvas's own per-pixel shapes; form peers driven by a script of input and a virtual
// clock; rendering of a whole form to an image.
//
// Input is scripted: click(), key(), wait() and the others append to one queue. A modal Show
// consumes the queue in order; when it runs dry while the form is still loaded, virtual time passes
// (timers tick) up to ten minutes, and then the Show throws instead of hanging. Timer ticks run
// only between script steps, never inside another handler. Keys, the characters they type, clicks
// and activations go to the form's Navigation as a platform would report them; the simulated
// platform leaves the focus in place while another window is active.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/backend.h"
#include "forms/controls.h"

namespace quillon::forms::headless {

struct ScreenSpec {
  int width_px = 1024;
  int height_px = 768;
  float twips_per_pixel = 15.0f;
  int icon_px = 32;
};

// The calling thread's own headless backend (the program's default when it links this backend).
Backend& thread_backend();

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(ScreenSpec screen_size = {});
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  // Backend
  Screen& screen() override;
  PlatformServices& platform() override;
  TextLayout& text() override;
  std::unique_ptr<Canvas> make_canvas(int width, int height, Rgb fill) override;
  std::unique_ptr<FormPeer> load(Form& form) override;

  // --- virtual clock
  std::int64_t now_ms() const;

  // --- scripted input, consumed in order by a modal Show (or run_script)
  void click(const std::string& control, int index = -1);  // a mouse click on a command button
  void key_down(int key_code, int shift = 0);
  void key_up(int key_code, int shift = 0);
  void key(int key_code, int shift = 0);  // down then up
  void mouse_down(const std::string& control, int index = -1, int button = 1, float x = 0,
                  float y = 0);
  void mouse_up(int button = 1, float x = 0, float y = 0);  // to the control that saw the press
  void wait(int ms);                                        // virtual time passes
  void activate_other_form_window();  // another window of the same program becomes active
  void activate_other_program();      // another program comes to the front (no active window)
  void return_to_form();  // the form is active again (Activate only when coming from our program)
  void call(std::function<void()> f);  // run f at this point of the script

  // --- running a modeless form
  void run_script();     // consume all queued input
  void run_for(int ms);  // virtual time passes, timers tick
  std::size_t pending_steps() const;

  // --- observation
  Form* active_form() const;  // the active window, when it is one of our forms
  // The focused control of the active form, or of the last shown form while another window is
  // active (the control that gets the focus back).
  Control* focused() const;
  std::vector<std::string> log() const;  // raised events, in order ("Activate MessageBox", ...)
  void clear_log();

  // --- configuration for tests
  void set_sys_color(int index, Rgb c);
  void set_icon_size(int px);
  // The user's high-contrast setting; a change is announced to every form that is up.
  void set_high_contrast(bool on);
  // The screen's DPI (twips per pixel, icon size) changes under the forms that are up, as when a
  // per-monitor aware window goes to a monitor of another DPI: each hears of it, then is painted
  // again.
  void set_dpi(float twips_per_pixel, int icon_px);
  std::wstring clipboard() const;  // the last text put on the clipboard
  void set_caller_window(std::wstring caption, PixelRect rect);
  WindowHandle caller_window() const;  // the caller window's handle (0 when none is set)
  std::int32_t sound_plays() const;
  bool topmost(WindowHandle w) const;
  int drag_count() const;
  // How many modal Shows failed because nothing was left that could close them. A caller that
  // runs Show under the skip-on-failure rule swallows the exception: tests can check this.
  int modal_stalls() const;
  // How long a modal Show may wait with nothing left in the script before it counts as stalled
  // (virtual milliseconds; 10 minutes unless set).
  void set_modal_idle_limit(std::int64_t ms);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The default Wine 8 colour scheme (GetSysColor 0..30 in a fresh prefix).
Rgb wine_default_sys_color(int index);

// A loaded form rendered as the user would see it: frame, controls and text.
struct RgbImage {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;  // row-major, top row first
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
RgbImage render(const Form& form);
// The image of one canvas (a picture box's surface).
RgbImage to_image(const Canvas& canvas);
void save_png(const RgbImage& img, const std::string& path);

}  // namespace quillon::forms::headless
