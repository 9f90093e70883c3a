// The forms toolkit's portable object model: a form and the control kinds that the message
// window uses (picture box, label, command button, image, line, timer), control arrays and the
// collection. The model holds every property; a backend's FormPeer follows its changes and turns
// native input into the events below. Lengths are Single twips; colours OLE_COLOR.
//
// Events are plain std::function members named as the run time names them; a form wires them to
// its handlers in its Design(). Backends raise them through the raise_* members.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "forms/accessible.h"
#include "forms/backend.h"
#include "forms/types.h"

namespace quillon::forms {

class Form;

// Twips <-> pixels on the current backend's screen (nearest, halves to even).
int to_pixels_x(Single twips);
int to_pixels_y(Single twips);

enum class ControlKind { PictureBox, Label, CommandButton, Image, Line, Timer };

// Mouse buttons and shift state as the run time reports them.
enum MouseButton : std::int16_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

using MouseEvent = std::function<void(std::int16_t button, std::int16_t shift, Single x, Single y)>;

// A small RGB bitmap: the picture of an image control.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // row-major, top row first
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
using Picture = std::shared_ptr<const Bitmap>;

class Control {
 public:
  Control(Form& form, ControlKind kind, std::string name, int index, Control* container);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  int index() const { return index_; }               // -1 when the control is not part of an array
  Control* container() const { return container_; }  // nullptr: directly on the form
  Form& form() const { return form_; }

  Single Left() const { return left_; }
  Single Top() const { return top_; }
  Single Width() const { return width_; }
  Single Height() const { return height_; }
  virtual void SetLeft(Single v);
  virtual void SetTop(Single v);
  virtual void SetWidth(Single v);
  virtual void SetHeight(Single v);
  void Move(Single left, Single top, Single width, Single height);

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  int TabIndex() const { return tab_index_; }
  void SetTabIndex(int v) { tab_index_ = v; }

  // Visible on screen: this control and every container up to the form are visible.
  bool Shown() const;

  // What assistive technology is told (forms/accessible.h); an empty name: from the caption.
  AccessibleRole Role() const { return role_; }
  const std::wstring& AccessibleName() const { return accessible_name_; }
  void SetAccessible(AccessibleRole role, std::wstring name = {});

 protected:
  void notify(Change what);

  Single left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  int tab_index_ = 0;

 private:
  Form& form_;
  ControlKind kind_;
  std::string name_;
  int index_;
  Control* container_;
  AccessibleRole role_;
  std::wstring accessible_name_;
};

// Label: text shown literally ("&" is no access key), with AutoSize and WordWrap.
// With AutoSize on, Width and Height follow the caption as soon as the caption, the word wrap,
// the font or (with word wrap) the width changes: without word wrap the label takes the width of
// its longest line; with word wrap it keeps its width and takes the height of the wrapped text.
class Label : public Control {
 public:
  Label(Form& form, std::string name, int index, Control* container);

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring v);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool v);
  int Alignment() const { return alignment_; }  // 0 left, 1 right, 2 centre
  void SetAlignment(int v);
  OleColor ForeColor() const { return fore_color_; }
  void SetForeColor(OleColor v);
  int BackStyle() const { return back_style_; }  // 0 transparent, 1 opaque
  void SetBackStyle(int v) { back_style_ = v; }
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& f);
  void SetWidth(Single v) override;
  void Refresh();

  MouseEvent MouseDown;
  void raise_MouseDown(std::int16_t b, std::int16_t s, Single x, Single y) {
    if (MouseDown) MouseDown(b, s, x, y);
  }

 private:
  void resize_to_caption();

  std::wstring caption_;
  bool auto_size_ = false;
  bool word_wrap_ = false;
  int alignment_ = 0;
  OleColor fore_color_ = 0x80000012;
  int back_style_ = 1;
  Font font_;
};

// Command button with the graphical style: the face shows BackColor. "&" in the caption marks the
// access key. Enter on the focused or default button, Space on the focused one and the access key
// raise Click (see Navigation). SetFocus fails with error 5 on a hidden or disabled button.
class CommandButton : public Control {
 public:
  CommandButton(Form& form, std::string name, int index, Control* container);

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring v);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool v);
  bool Default() const { return default_; }
  void SetDefault(bool v);  // true clears Default on every other button of the form
  OleColor BackColor() const { return back_color_; }
  void SetBackColor(OleColor v);
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& f);
  void SetFocus();

  std::function<void(int index)> Click;
  std::function<void(int index)> GotFocus;
  void raise_Click() {
    if (Click) Click(index());
  }
  void raise_GotFocus() {
    if (GotFocus) GotFocus(index());
  }

 private:
  std::wstring caption_;
  bool tab_stop_ = true;
  bool default_ = false;
  OleColor back_color_ = 0x8000000F;
  Font font_;
};

// Image control: shows a picture at its own size. The release of a mouse button is delivered to
// the image that saw the press, wherever the pointer is then.
class Image : public Control {
 public:
  Image(Form& form, std::string name, int index, Control* container);
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(Picture p);

  MouseEvent MouseDown;
  MouseEvent MouseUp;
  void raise_MouseDown(std::int16_t b, std::int16_t s, Single x, Single y) {
    if (MouseDown) MouseDown(b, s, x, y);
  }
  void raise_MouseUp(std::int16_t b, std::int16_t s, Single x, Single y) {
    if (MouseUp) MouseUp(b, s, x, y);
  }

 private:
  Picture picture_;
};

// Line control: a line from (X1, Y1) to (X2, Y2) in its container's twips, BorderWidth pixels
// wide: that many one-pixel lines, each a pixel below the last (right of it when steep).
class LineControl : public Control {
 public:
  LineControl(Form& form, std::string name, int index, Control* container);
  Single X1() const { return x1_; }
  Single Y1() const { return y1_; }
  Single X2() const { return x2_; }
  Single Y2() const { return y2_; }
  void SetEnds(Single x1, Single y1, Single x2, Single y2);
  void SetX2(Single v);
  OleColor BorderColor() const { return border_color_; }
  void SetBorderColor(OleColor v);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int px);

 private:
  Single x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  int border_width_ = 1;
  OleColor border_color_ = 0x80000008;
};

// Timer: ticks every Interval ms while Enabled, as events on the form's thread, never inside
// another handler.
class Timer : public Control {
 public:
  Timer(Form& form, std::string name, int index, Control* container);
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  bool TimerEnabled() const { return Enabled(); }

  std::function<void()> OnTimer;
  void raise_Timer() {
    if (OnTimer) OnTimer();
  }

 private:
  int interval_ = 0;
};

// Picture box: a surface with a persistent image (AutoRedraw), a scale, a pen and the drawing
// members. All drawing lands in image(), the pixels that the backend shows. With AutoRedraw off a
// repaint first erases the surface to BackColor and then raises Paint (see paint()); with it on a
// repaint shows the stored image and raises nothing.
class PictureBox : public Control {
 public:
  PictureBox(Form& form, std::string name, int index, Control* container);
  ~PictureBox() override;

  OleColor BackColor() const { return back_color_; }
  void SetBackColor(OleColor v);  // erases every graphic, the persistent image too
  bool AutoRedraw() const { return auto_redraw_; }
  void SetAutoRedraw(bool v);

  // Scale: 0 user, 1 twips (default), 3 pixels. Setting ScaleWidth or ScaleHeight makes a user
  // scale with its origin at the top-left corner of the inner area; setting ScaleMode 1 or 3
  // brings back that unit with the origin at 0.
  int ScaleMode() const { return scale_mode_; }
  void SetScaleMode(int v);
  Single ScaleWidth() const;
  Single ScaleHeight() const;
  void SetScaleWidth(Single v);
  void SetScaleHeight(Single v);
  Single ScaleLeft() const { return scale_left_; }
  Single ScaleTop() const { return scale_top_; }

  int DrawWidth() const { return draw_width_; }
  void SetDrawWidth(int v);  // pixels; below 1 fails with error 380
  int DrawMode() const { return draw_mode_; }
  void SetDrawMode(int v);  // 13 (copy pen) is the one mode drawn
  Single CurrentX() const { return current_x_; }
  Single CurrentY() const { return current_y_; }

  void Cls();  // erase to BackColor, current point to (0, 0)
  void Line(Single x1, Single y1, Single x2, Single y2, OleColor colour);
  void LineTo(Single x2, Single y2, OleColor colour);  // from the current point
  // Line (x1, y1)-(x2, y2), colour, BF: a filled box, both corners included.
  void FilledBox(Single x1, Single y1, Single x2, Single y2, OleColor colour);
  // A true circle of radius r (in horizontal scale units) around (x, y), with the current pen.
  void Circle(Single x, Single y, Single r, OleColor colour);
  // hDC-style icon drawing at pixel (x, y), the icon at its own size.
  void DrawIcon(int x_px, int y_px, IconHandle icon);

  void SetWidth(Single v) override;
  void SetHeight(Single v) override;

  Canvas& image();  // the surface's pixels (inner area)
  const Canvas& image() const;
  int pixel_width() const;  // inner size in pixels
  int pixel_height() const;
  // Scale units -> pixel coordinates of the surface (nearest, halves to even).
  int to_px_x(Single x) const { return to_pixels().x(x); }
  int to_px_y(Single y) const { return to_pixels().y(y); }
  // The same for many coordinates: the scale and the screen read once.
  struct ToPixels {
    double left, top, num_x, den_x, num_y, den_y;  // pixel = (v - left) * num / den
    int x(Single v) const;
    int y(Single v) const;
  };
  ToPixels to_pixels() const;

  // The backend calls this before it shows the surface: erases and raises Paint when AutoRedraw
  // is off; does nothing when it is on.
  void paint();

  std::function<void()> Paint;
  MouseEvent MouseDown;
  void raise_MouseDown(std::int16_t b, std::int16_t s, Single x, Single y) {
    if (MouseDown) MouseDown(b, s, x, y);
  }

 private:
  Rgb resolved_back() const;
  void ensure_image();
  void erase();  // the image, made or kept, holds BackColor alone
  void drawn();  // something was drawn on the image
  void resize_image();

  OleColor back_color_ = 0x8000000F;
  bool auto_redraw_ = false;
  int scale_mode_ = 1;
  Single scale_left_ = 0, scale_top_ = 0;
  Single scale_width_ = 0, scale_height_ = 0;  // user scale only
  int draw_width_ = 1;
  int draw_mode_ = 13;
  Single current_x_ = 0, current_y_ = 0;
  std::unique_ptr<Canvas> image_;
  std::optional<Rgb> blank_;  // the colour the whole image holds while nothing is drawn on it
};

// A control array: controls of one kind sharing a name, addressed by index.
template <class T>
class ControlArray {
 public:
  void add(T& control) { items_.push_back(&control); }
  T& operator()(int index) const {
    for (T* c : items_)
      if (c->index() == index) return *c;
    raise(kErrSubscript, "Control array element does not exist");
  }
  std::size_t size() const { return items_.size(); }
  void clear() { items_.clear(); }

 private:
  std::vector<T*> items_;
};

// The collection object: Add appends without a key; Item counts from 1 and fails outside.
template <class T>
class Collection {
 public:
  void Add(T value) { items_.push_back(std::move(value)); }
  const T& Item(long index) const {
    if (index < 1 || index > static_cast<long>(items_.size()))
      raise(kErrInvalidCall, "Invalid procedure call or argument");
    return items_[static_cast<std::size_t>(index - 1)];
  }
  long Count() const { return static_cast<long>(items_.size()); }

 private:
  std::vector<T> items_;
};

// A form: a top-level window with a fixed dialog frame and no title bar, sizes in outer twips.
// Load() creates the controls with their design values (Design()), creates the native side and
// raises Load; Unload() destroys the native side and ends a modal Show. The form object itself
// (and the fields of a derived form) stays for the next Load.
class Form {
 public:
  explicit Form(std::string name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& name() const { return name_; }

  void Load();            // nothing when already loaded
  void Show(bool modal);  // loads first when needed; modal returns once the form unloaded
  void Unload();          // safe from inside any event handler of the form
  bool IsLoaded() const { return loaded_; }
  bool IsShown() const { return shown_; }
  WindowHandle hWnd() const;  // 0 when not loaded

  Single Left() const { return left_; }
  Single Top() const { return top_; }
  Single Width() const { return width_; }
  Single Height() const { return height_; }
  void SetLeft(Single v);
  void SetTop(Single v);
  void SetWidth(Single v);
  void SetHeight(Single v);
  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool v) { key_preview_ = v; }
  OleColor BackColor() const { return back_color_; }
  void SetBackColor(OleColor v) { back_color_ = v; }
  // The window's own text (the title that the taskbar, window lists and screen readers show); a
  // form without a title bar keeps it too.
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring v);
  // Whether its showing is announced as an alert.
  Alert GetAlert() const { return alert_; }
  void SetAlert(Alert v) { alert_ = v; }
  static constexpr Single kFrameTwips = 45;  // fixed dialog frame on each side

  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  FormPeer* peer() const { return peer_.get(); }
  // Focus, keys and the default button: backends report their input here.
  Navigation& navigation() { return navigation_; }

  // Events.
  std::function<void()> OnLoad;
  std::function<void()> OnActivate;
  std::function<void(std::int16_t key_code, std::int16_t shift)> KeyDown;
  std::function<void(std::int16_t key_code, std::int16_t shift)> KeyUp;
  // A system setting or the system colours changed while the form is up.
  std::function<void()> SettingChange;
  // The screen's DPI changed under the form while it is up (a per-monitor aware window went to a
  // monitor of another DPI): the twips stay, their pixels change.
  std::function<void()> DpiChange;
  void raise_Activate() {
    if (OnActivate) OnActivate();
  }
  void raise_KeyDown(std::int16_t k, std::int16_t s) {
    if (KeyDown) KeyDown(k, s);
  }
  void raise_KeyUp(std::int16_t k, std::int16_t s) {
    if (KeyUp) KeyUp(k, s);
  }
  void raise_SettingChange() {
    if (SettingChange) SettingChange();
  }
  void raise_DpiChange() {
    if (DpiChange) DpiChange();
  }

  // What Ctrl+C and Ctrl+Insert put on the clipboard; empty: those keys copy nothing.
  virtual std::wstring CopyText() const { return {}; }

  // Internal: a control's model changed.
  void control_changed(Control* control, Change what);

 protected:
  // Create the controls with their design values and wire their events. Called by each Load.
  virtual void Design() = 0;

  template <class T, class... Args>
  T& add(std::string name, int index, Control* container, Args&&... args) {
    auto c =
        std::make_unique<T>(*this, std::move(name), index, container, std::forward<Args>(args)...);
    T& ref = *c;
    controls_.push_back(std::move(c));
    return ref;
  }

 private:
  std::string name_;
  bool loaded_ = false;
  bool shown_ = false;
  Single left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool key_preview_ = false;
  OleColor back_color_ = 0x8000000F;
  std::wstring caption_;
  Alert alert_ = Alert::kNone;
  std::vector<std::unique_ptr<Control>> controls_;
  std::unique_ptr<FormPeer> peer_;
  Navigation navigation_{*this};
  // Kept until the next Load, so that Unload from inside a handler never frees what is running.
  std::vector<std::unique_ptr<Control>> retired_controls_;
  std::unique_ptr<FormPeer> retired_peer_;
};

}  // namespace quillon::forms
