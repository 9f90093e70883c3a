// What a backend supplies to the forms toolkit: the screen, the platform services that the
// window asks of the operating system, text layout, raster canvases, and the native side of a
// loaded form (its window, its controls, its message or event loop).
//
// Two backends implement this: forms/headless (in-memory, virtual clock, pixel buffers) and
// forms/win32 (real windows, GDI, message loop); both draw shapes with forms/raster.h. Nothing
// here includes a platform header.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "forms/navigation.h"
#include "forms/types.h"

namespace quillon::forms {

class Form;
class Control;
class CommandButton;
class PictureBox;

using WindowHandle = std::uintptr_t;  // an HWND on Windows; an opaque id headless. 0 = none
using IconHandle = std::uintptr_t;    // an HICON on Windows; an opaque id headless. 0 = none

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The screen object: whole-screen size in twips and the twips-per-pixel factors.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual Single Width() const = 0;
  virtual Single Height() const = 0;
  virtual Single TwipsPerPixelX() const = 0;
  virtual Single TwipsPerPixelY() const = 0;
};

// Font of a label or button. "MS Sans Serif" 8.25 pt regular is the toolkit default.
struct Font {
  std::wstring name = L"MS Sans Serif";
  Single size = 8.25f;
  int weight = 400;  // 700 bold
  int charset = 0;
  bool operator==(const Font&) const = default;
};

// Text measurement, one per backend (GDI on Windows, a real font stack headless).
// Text is shown literally: "&" is never an access-key marker here.
struct TextExtent {
  int width_px = 0;
  int height_px = 0;
};
class TextLayout {
 public:
  virtual ~TextLayout() = default;
  // Size of text laid out in font. Lines break at the text's own line breaks ("\r\n", "\n",
  // "\r"); when wrap_width_px is given, also at word boundaries to fit that width (a word wider
  // than the width is broken). An empty text measures one line high and 0 wide.
  virtual TextExtent measure(const std::wstring& text, const Font& font,
                             std::optional<int> wrap_width_px) = 0;
};

// A 32-bit RGB raster: the persistent image of a picture box. Pixel coordinates, origin top-left.
// Colours are plain RGB (system colours are resolved before they get here).
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
  // New size; the whole surface becomes fill.
  virtual void reset(int width, int height, Rgb fill) = 0;
  // New size keeping what fits of the pixels at the top left; the new area becomes fill.
  virtual void resize(int width, int height, Rgb fill) = 0;
  // Fill the half-open pixel rectangle [x0, x1) x [y0, y1) (clipped to the surface).
  virtual void fill_rect(int x0, int y0, int x1, int y1, Rgb colour) = 0;
  // A straight line with a solid pen pen_width pixels wide, round ends, centred on the path
  // from (x0, y0) to (x1, y1); aliased, like the platform's pens.
  virtual void line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) = 0;
  // A circle outline of radius r pixels around (cx, cy), pen pen_width pixels wide centred on it.
  virtual void circle(int cx, int cy, int r, int pen_width, Rgb colour) = 0;
  // Draw an icon at its own size with its top-left corner at (x, y).
  virtual void draw_icon(int x, int y, IconHandle icon) = 0;
  virtual Rgb pixel(int x, int y) const = 0;
};

// What the window asks of the operating system. One implementation per backend.
class PlatformServices {
 public:
  virtual ~PlatformServices() = default;
  // GetActiveWindow of the calling thread (0: none).
  virtual WindowHandle active_window() = 0;
  // GetWindowRect, in pixels.
  virtual PixelRect window_rect(WindowHandle window) = 0;
  // The window's caption, at most max_chars characters (wide, so non-ASCII titles survive).
  virtual std::wstring window_text(WindowHandle window, int max_chars) = 0;
  // GetSysColor(index): RGB value of system colour number index.
  virtual Rgb sys_color(int index) = 0;
  // GetSystemMetrics(index): 11 = icon width, 12 = icon height, in pixels.
  virtual int system_metrics(int index) = 0;
  // LoadIcon(no module, id) for the stock ids 32513..32516; 0 when there is none.
  virtual IconHandle load_stock_icon(std::int32_t id) = 0;
  // SetWindowPos into (true) or out of (false) the topmost band, no move, no size.
  virtual void set_topmost(WindowHandle window, bool on_top) = 0;
  // ReleaseCapture, then the platform's own modal move of the window by its caption.
  virtual void drag_window(WindowHandle window) = 0;
  // Starts the component's message sound (resource 103) asynchronously; returns at once.
  virtual void play_message_sound() = 0;
  // Puts text on the clipboard as Unicode text, replacing what was there; nothing on failure.
  virtual void copy_text(const std::wstring& text) = 0;
  // Whether the user asked for high contrast (the platform's accessibility setting).
  virtual bool high_contrast() = 0;
};

// Which control property changed, so that a native peer can follow the model.
enum class Change {
  Geometry,  // Left, Top, Width, Height (or a line's end points)
  Visible,
  Enabled,
  Caption,  // caption, alignment, word wrap, font
  Colour,   // ForeColor, BackColor of a label or button
  Picture,  // a picture box's image or an image control's picture changed: repaint
  TabStop,
  Default,
  TimerState  // a timer's Enabled or Interval
};

// The native side of one loaded form: created by the backend when the form loads, destroyed
// when it unloads. Unload can be called from inside any event handler of the form: a peer must
// make that safe (for instance by deferring the destruction of native objects until the
// handler has returned).
class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual WindowHandle handle() const = 0;
  // The model of a control (or of the form itself, control == nullptr) changed.
  virtual void changed(Control* control, Change what) = 0;
  // Repaint this control now (Refresh).
  virtual void refresh(Control& control) = 0;
  // The control that holds the keyboard focus (nullptr: none of the form's controls).
  virtual Control* focused() const = 0;
  // Move the keyboard focus to a control (nullptr: to the form itself) and report its arrival to
  // the form's Navigation. Nothing happens when the focus is there already.
  virtual void set_focus(Control* control) = 0;
  // Show a button raised or pushed in.
  virtual void show_face(CommandButton& button, ButtonFace face) = 0;
  // The toolkit is about to raise an event of the form ("Click Btn(1)"); a backend may log it.
  virtual void raising(const std::string& event) { (void)event; }
  // Show the form (modal: run the loop until the form unloads, then return).
  virtual void show(bool modal) = 0;
  // The form is unloading: destroy native windows and timers (safely, see above).
  virtual void unload() = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Screen& screen() = 0;
  virtual PlatformServices& platform() = 0;
  virtual TextLayout& text() = 0;
  virtual std::unique_ptr<Canvas> make_canvas(int width, int height, Rgb fill) = 0;
  // Create the native side of a form that is loading. The form's controls exist already.
  virtual std::unique_ptr<FormPeer> load(Form& form) = 0;
};

// The backend of the calling thread: the one a BackendScope installed for it (tests), else the
// program's own. The build, not the toolkit, chooses that one: every program links the chosen
// backend's use_backend.cpp, which hands its per-thread backend to set_default_backend.
Backend& backend();
using BackendSource = Backend& (*)();
void set_default_backend(BackendSource source);

// The RGB value of an OLE_COLOR, the one place where colours are resolved: 0x800000nn is system
// colour nn of the calling thread's platform (the low byte names it, as GetSysColor's index; the
// bits between are ignored like the top byte of a plain colour); a plain colour loses its top byte.
Rgb resolve_color(OleColor c);

class BackendScope {
 public:
  explicit BackendScope(Backend& b);
  ~BackendScope();
  BackendScope(const BackendScope&) = delete;
  BackendScope& operator=(const BackendScope&) = delete;

 private:
  Backend* previous_;
};

}  // namespace quillon::forms
