// Pieces of the Win32 backend shared between its files (not part of its public API).
#pragma once

// clang-format off
#include <windows.h>  // first: the other platform headers need it
#include <oleacc.h>
// clang-format on

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "forms/backend.h"
#include "forms/controls.h"
#include "forms/raster.h"
#include "forms/win32/handles.h"

namespace quillon::forms::win32 {

HINSTANCE instance();  // the module set by set_module_instance, else the executable

// Plain RGB (0x00BBGGRR) <-> a 32-bit DIB pixel (0x00RRGGBB in memory order B, G, R, X).
inline std::uint32_t to_dib(Rgb c) {
  return (static_cast<std::uint32_t>(red_of(c)) << 16) |
         (static_cast<std::uint32_t>(green_of(c)) << 8) | static_cast<std::uint32_t>(blue_of(c));
}
inline Rgb from_dib(std::uint32_t v) {
  return rgb(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
             static_cast<int>(v & 0xFF));
}

// What the pixels of a surface show when a canvas drew them from one colour with calls that it held
// back: that colour, then the calls in order. A canvas that holds back the same calls on a surface
// of the same size takes a surface that already shows them rather than drawing them again: a
// host that shows the same patterned box again pays for its pattern once.
struct Drawing {
  struct Call {
    enum Kind : std::uint8_t { kLine, kCircle, kIcon } kind;
    int a, b, c, d, pen;   // the line's ends; the circle's centre and radius; the icon's corner
    std::uintptr_t value;  // the colour as a DIB pixel; the icon
    bool operator==(const Call&) const = default;
  };
  std::uint32_t ground = 0;
  std::vector<Call> calls;
  bool operator==(const Drawing&) const = default;
};

// A top-down 32-bit DIB section selected into its own memory DC.
struct DibSurface {
  int width = 0, height = 0;
  std::uint32_t* bits = nullptr;
  UniqueMemoryDc dc;
  UniqueBitmap bitmap;
  std::optional<SelectedObject> selected;
  std::shared_ptr<const Drawing> drawn;  // what the pixels show, when that is known
};

// The surfaces of canvases that went away, the last few kept for the next canvas of their size on
// any thread: a showing makes its picture boxes' images and, when the host makes an object per
// call, its thread's back buffer afresh, and a screen-sized surface fresh from the system costs
// more to fault in than the rest of a showing. One for the process (spare_surfaces()).
class SurfacePool {
 public:
  // A spare surface of exactly this size (one that shows no drawing when there is one), of at
  // least this size, or of this size that shows this drawing; none when there is none.
  std::unique_ptr<DibSurface> take(int width, int height);
  std::unique_ptr<DibSurface> take_at_least(int width, int height);
  std::unique_ptr<DibSurface> take_drawn(int width, int height, const Drawing& drawing);
  void give(std::unique_ptr<DibSurface> surface);
  void clear();

 private:
  template <class Fits>
  std::unique_ptr<DibSurface> take_if(Fits fits);

  std::mutex mutex_;
  std::vector<std::unique_ptr<DibSurface>> spare_;  // the most recent last
};
SurfacePool& spare_surfaces();

// The stock icons that the platform loaded as shared icons, by their size: a shared icon is never
// freed, so its handle keeps naming it, and asking an icon its size (GetIconInfo) copies its
// bitmaps. Other icons are asked each time.
void remember_shared_icon(HICON icon, SIZE size);
std::optional<SIZE> shared_icon_size(HICON icon);

// A canvas on a DIB surface: a picture box's persistent image (its surface from the pool and back
// to it), and the back buffer that forms are composed in before they reach the screen.
class DibCanvas final : public Canvas {
 public:
  DibCanvas(int width, int height, Rgb fill, SurfacePool* pool = nullptr);
  // A canvas on a surface made before, its pixels as they are.
  explicit DibCanvas(std::unique_ptr<DibSurface> surface);
  ~DibCanvas() override;
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  int width() const override { return s_->width; }
  int height() const override { return s_->height; }
  void reset(int width, int height, Rgb fill) override;
  void resize(int width, int height, Rgb fill) override;
  void fill_rect(int x0, int y0, int x1, int y1, Rgb colour) override;
  void line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) override;
  void circle(int cx, int cy, int r, int pen_width, Rgb colour) override;
  void draw_icon(int x, int y, IconHandle icon) override;
  Rgb pixel(int x, int y) const override;

  // The DC for GDI output into the pixels: call mark_gdi_output() after drawing with it.
  HDC dc() const {
    flush();
    return s_->dc.get();
  }
  void mark_gdi_output() {
    gdi_pending_ = true;
    written();
  }
  // The pixels, up to date, to be written; to be read only, shown().
  PixelBuffer pixels();
  PixelBuffer shown() const;
  // Resize without clearing when the size is unchanged (a back buffer).
  void ensure_size(int width, int height);
  // Gives up the surface, its pixels up to date; the canvas is left with none.
  std::unique_ptr<DibSurface> take_surface();
  // A surface of one colour (filled whole, and at most an icon drawn on it since): the colour,
  // and the band of rows [real_top, real_bottom) whose pixels are real (empty when none is).
  struct Flat {
    Rgb colour;
    int real_top, real_bottom;
  };
  std::optional<Flat> flat() const;
  // The pixels as they are, for reading the real band of a surface of one colour.
  PixelBuffer surface_rows() const {
    return PixelBuffer{s_->bits, s_->width, s_->height, s_->width};
  }

 private:
  void create(int width, int height);
  // The rows [y0, y1) come to hold their pixels (the colour of a surface of one colour).
  void make_rows_real(int y0, int y1) const;
  // The pixels change other than by the calls held back.
  void written() const {
    if (s_) s_->drawn.reset();
    held_.reset();
  }
  void draw_icon_now(int x, int y, HICON icon) const;
  bool holds_icon() const;  // a stock icon is held back after the lines
  // The pixels come up to date: the colour of a surface of one colour is written, GDI output
  // reaches them, and the rings or outlines held back are drawn.
  void flush() const;

  SurfacePool* pool_;
  mutable std::unique_ptr<DibSurface> s_;  // flush() may take a spare that shows the same
  // A surface filled whole is written when first drawn on or read, and an icon drawn on it writes
  // only its own rows: a body of one colour with its icon is composed from its colour and a band.
  mutable std::optional<std::uint32_t> flat_;  // the colour of every row outside the band
  mutable int real_top_ = 0, real_bottom_ = 0;
  mutable bool gdi_pending_ = false;
  mutable RingBatch rings_;  // at most one of these two holds anything
  mutable OutlineBatch outlines_;
  // Since the surface was last filled whole: its colour and every call since, while all of them
  // were held back (lines or circles in the batch, then stock icons).
  mutable std::optional<Drawing> held_;
};

// Text layout with GDI in the fonts that the controls name. Lines are laid out here rather than by
// DrawTextW, which cuts long lines without spaces.
class Win32Screen;

class GdiText final : public TextLayout {
 public:
  explicit GdiText(const Win32Screen& screen);
  TextExtent measure(const std::wstring& text, const Font& font,
                     std::optional<int> wrap_width_px) override;

  struct Line {
    std::size_t start = 0, length = 0;
    int width_px = 0;
  };
  std::vector<Line> layout(const std::wstring& text, const Font& font,
                           std::optional<int> wrap_width_px);
  int line_height(const Font& font);
  HFONT font(const Font& font);

 private:
  int width_of(const wchar_t* s, std::size_t n);

  // Fonts by name, size in hundredths of a point, weight, character set and DPI.
  using Key = std::tuple<std::wstring, int, int, int, int>;
  Key key_of(const Font& f) const;

  const Win32Screen& screen_;
  UniqueMemoryDc dc_;
  std::map<Key, UniqueFont> fonts_;
  std::map<Key, int> heights_;
};

// The screen as this thread's forms see it: at the system DPI, unless the thread is per-monitor
// aware and a form's window is on a monitor of another DPI. The form made last sets it; while a
// form's window handles a message, it is that window's.
class Win32Screen final : public Screen {
 public:
  struct MonitorDpi {
    int x = 0, y = 0;  // 0: the system DPI
  };

  Single Width() const override;
  Single Height() const override;
  Single TwipsPerPixelX() const override;
  Single TwipsPerPixelY() const override;

  int dpi_x() const;
  int dpi_y() const;
  // A form's window was made: the window of a per-monitor aware thread gives its DPI, any other
  // the system's.
  void follow_window(HWND window);
  // The system announced a form's new DPI (WM_DPICHANGED): taken when the window is per-monitor
  // aware (the only windows the system tells); false, and nothing changes, otherwise.
  bool follow_dpi_change(HWND window, int x, int y);
  // GetSystemMetrics at the screen's DPI.
  int metric(int index) const;
  MonitorDpi monitor() const { return {monitor_x_, monitor_y_}; }
  void set_monitor(MonitorDpi dpi) {
    monitor_x_ = dpi.x;
    monitor_y_ = dpi.y;
  }

 private:
  mutable int system_x_ = 0, system_y_ = 0;
  int monitor_x_ = 0, monitor_y_ = 0;  // 0: at the system DPI
};

// While a form's window handles a message (or its accessible object a call), the thread's screen
// is at that window's DPI.
class DpiScope {
 public:
  DpiScope(Win32Screen& screen, Win32Screen::MonitorDpi dpi)
      : screen_(screen), previous_(screen.monitor()) {
    screen.set_monitor(dpi);
  }
  ~DpiScope() { screen_.set_monitor(previous_); }
  DpiScope(const DpiScope&) = delete;
  DpiScope& operator=(const DpiScope&) = delete;

 private:
  Win32Screen& screen_;
  Win32Screen::MonitorDpi previous_;
};

class Win32Platform final : public PlatformServices {
 public:
  explicit Win32Platform(const Win32Screen& screen) : screen_(screen) {}
  WindowHandle active_window() override;
  PixelRect window_rect(WindowHandle window) override;
  std::wstring window_text(WindowHandle window, int max_chars) override;
  Rgb sys_color(int index) override;
  int system_metrics(int index) override;
  IconHandle load_stock_icon(std::int32_t id) override;
  void set_topmost(WindowHandle window, bool on_top) override;
  void drag_window(WindowHandle window) override;
  void play_message_sound() override;
  void copy_text(const std::wstring& text) override;
  bool high_contrast() override;

 private:
  const Win32Screen& screen_;
};

class Win32Backend final : public Backend {
 public:
  Win32Screen& screen() override { return screen_; }
  PlatformServices& platform() override { return platform_; }
  TextLayout& text() override { return text_; }
  GdiText& gdi_text() { return text_; }
  std::unique_ptr<Canvas> make_canvas(int width, int height, Rgb fill) override;
  std::unique_ptr<FormPeer> load(Form& form) override;
  // Where forms are composed before they reach the screen: one for the thread, at least the
  // size asked for, kept from one paint and one showing to the next.
  DibCanvas& back_buffer(int width, int height);
  ~Win32Backend() override;

 private:
  Win32Screen screen_;
  Win32Platform platform_{screen_};
  GdiText text_{screen_};
  std::optional<DibCanvas> back_;
};

Win32Backend& win32_backend();  // the calling thread's backend

std::unique_ptr<FormPeer> make_form_peer(Form& form, Win32Backend& backend);

// What the accessible object of a form's window reads (accessible.cpp). The peer holds the link
// while the form is up and empties it when the form unloads; an object that a client still holds
// then answers that it is no longer connected.
struct AccessibleLink {
  Form* form = nullptr;
  HWND hwnd = nullptr;
  DWORD thread = 0;             // the window's thread, the only one that may reach the form
  Win32Screen::MonitorDpi dpi;  // the window's DPI, which places the parts in pixels
};
// The answer to WM_GETOBJECT for OBJID_CLIENT: the link's object, made on first use and kept in
// cache (0 when the form is gone or the object could not be made).
LRESULT answer_client_object(const std::shared_ptr<AccessibleLink>& link,
                             ComPtr<IAccessible>& cache, WPARAM wp);

}  // namespace quillon::forms::win32
