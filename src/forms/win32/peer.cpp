// The native side of a loaded form: one top-level window, painting, input, timers and message
// loop. Implemented: the form's window composes everything drawn (picture boxes with their
// persistent images, labels, lines, images) from one back buffer in its WM_PAINT, repainting only
// the invalid region; picture boxes, labels, lines and images are windowless, their mouse input
// hit-tested on the form. Push buttons are drawn by the form too: the form's window holds the
// native focus and says which button has it (the accessible focus event names the button), a
// left press pushes a button in while the pointer stays on it and a release on it clicks, and
// keys go to the toolkit's navigation. Each window is at its own DPI (per-monitor aware hosts):
// WM_DPICHANGED lays its form out again.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

#include "forms/accessible.h"
#include "forms/win32/internal.h"

namespace quillon::forms::win32 {

namespace {

// The mouse button that a button-down message reports.
std::int16_t button_of(UINT msg) {
  return msg == WM_LBUTTONDOWN ? kLeftButton : msg == WM_RBUTTONDOWN ? kRightButton : kMiddleButton;
}

constexpr UINT kDestroyMessage = WM_APP + 0x51;  // destroy the windows, outside every handler

std::wstring class_name(const wchar_t* base) {
  // Named after the module, so that a reloaded DLL never finds a class with a stale procedure.
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%ls_%p", base, static_cast<void*>(instance()));
  return buf;
}

std::int16_t shift_state() {
  std::int16_t s = 0;
  if (::GetKeyState(VK_SHIFT) & 0x8000) s |= 1;
  if (::GetKeyState(VK_CONTROL) & 0x8000) s |= 2;
  if (::GetKeyState(VK_MENU) & 0x8000) s |= 4;
  return s;
}

// Whether a button can hold the focus or a press (nullptr, the form itself, always can).
bool usable(const Control* c) {
  return !c || (c->Shown() && c->Enabled());
}

bool is_key_message(UINT msg) {
  return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP ||
         msg == WM_CHAR || msg == WM_SYSCHAR;
}

// What the rows of a paint's clip are to show, for rows not yet written into the back buffer: one
// colour from side to side, or a picture box's pixels. The paint puts them on the window straight
// from their colour or the picture box, which spares writing them into the back buffer and copying
// them out again: most of the paint of a large box. A row is written before anything is drawn on
// it.
class RowPlan {
 public:
  void start(const RECT& clip, const PixelBuffer& back) {
    clip_ = clip;
    back_ = back;
    rows_.assign(static_cast<std::size_t>(std::max<LONG>(0, clip.bottom - clip.top)), Row{});
  }
  // Whether r spans the clip from side to side, so that its rows can be left to the plan.
  bool whole_rows(const RECT& r) const { return r.left <= clip_.left && r.right >= clip_.right; }
  // Rows [y0, y1) are to show one colour (a DIB pixel), or the pixels of `from` with its corner
  // at `corner`.
  void fill(LONG y0, LONG y1, std::uint32_t colour) { set(y0, y1, Row{Row::kColour, colour, {}}); }
  void copy(LONG y0, LONG y1, const DibCanvas& from, POINT corner) {
    set(y0, y1, Row{Row::kPicture, 0, &from, corner.x, corner.y});
  }
  // Rows [y0, y1) are written into the back buffer, to be drawn on.
  void write(LONG y0, LONG y1) {
    const LONG w = clip_.right - clip_.left;
    for (LONG y = std::max(y0, clip_.top); y < std::min(y1, clip_.bottom); ++y) {
      Row& row = rows_[static_cast<std::size_t>(y - clip_.top)];
      std::uint32_t* out = back_.bits + static_cast<std::ptrdiff_t>(y) * back_.stride + clip_.left;
      if (row.kind == Row::kColour) {
        std::fill_n(out, w, row.colour);
      } else if (row.kind == Row::kPicture) {
        const PixelBuffer src = row.from->shown();
        std::copy_n(
            src.bits + static_cast<std::ptrdiff_t>(y - row.dy) * src.stride + (clip_.left - row.dx),
            w, out);
      }
      row = Row{};
    }
  }
  // The clip on the window, a run of alike rows at a time.
  void show(HDC window, HDC back) const {
    SavedDc saved(window);
    ::SelectObject(window, ::GetStockObject(DC_BRUSH));
    const LONG w = clip_.right - clip_.left, n = static_cast<LONG>(rows_.size());
    for (LONG i = 0, j = 0; i < n; i = j) {
      const Row& row = rows_[static_cast<std::size_t>(i)];
      for (j = i + 1; j < n && rows_[static_cast<std::size_t>(j)] == row;) ++j;
      const LONG y = clip_.top + i;
      if (row.kind == Row::kColour) {
        ::SetDCBrushColor(window, from_dib(row.colour));
        ::PatBlt(window, clip_.left, y, w, j - i, PATCOPY);
      } else if (row.kind == Row::kPicture) {
        ::BitBlt(window, clip_.left, y, w, j - i, row.from->dc(), clip_.left - row.dx, y - row.dy,
                 SRCCOPY);
      } else {
        ::BitBlt(window, clip_.left, y, w, j - i, back, clip_.left, y, SRCCOPY);
      }
    }
  }

 private:
  struct Row {
    enum Kind : std::uint8_t { kWritten, kColour, kPicture } kind = kWritten;
    std::uint32_t colour = 0;
    const DibCanvas* from = nullptr;
    LONG dx = 0, dy = 0;
    bool operator==(const Row&) const = default;
  };
  void set(LONG y0, LONG y1, const Row& row) {
    for (LONG y = std::max(y0, clip_.top); y < std::min(y1, clip_.bottom); ++y)
      rows_[static_cast<std::size_t>(y - clip_.top)] = row;
  }

  RECT clip_{};
  PixelBuffer back_{};
  std::vector<Row> rows_;  // from the clip's top
};

class Win32FormPeer final : public FormPeer {
 public:
  Win32FormPeer(Form& form, Win32Backend& backend);
  ~Win32FormPeer() override;

  WindowHandle handle() const override { return reinterpret_cast<WindowHandle>(form_hwnd_); }
  void changed(Control* control, Change what) override;
  void refresh(Control& control) override;
  Control* focused() const override {
    return form_hwnd_ && ::GetFocus() == form_hwnd_ ? focus_ : nullptr;
  }
  void set_focus(Control* control) override;
  void show_face(CommandButton& button, ButtonFace face) override;
  void show(bool modal) override;
  void unload() override;

  static LRESULT CALLBACK form_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  static Win32FormPeer* from(HWND hwnd) {
    return reinterpret_cast<Win32FormPeer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // Raise an event; false when the handler unloaded the form or destroyed this peer, so the caller
  // must not go on with the event.
  template <class F>
  bool raise(F&& f) {
    auto alive = alive_;
    std::forward<F>(f)();
    return *alive && !dead_;
  }

  void create_windows();
  void destroy_windows();
  RECT pixel_rect(const Control& c) const;
  RECT form_rect(const Control& c) const;
  void place_form();
  void sync();
  void show_caption();
  void apply_timer(Timer& t);
  void invalidate(const Control* area);
  void invalidate_buttons();
  void disconnect_accessible();

  LRESULT on_form_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool on_key(UINT msg, WPARAM wp);
  void on_activate(WPARAM wp, LPARAM lp);
  void on_focus_arrived();
  void on_focus_left();
  CommandButton* button_at(POINT pt) const;
  Control* hit_test(const Control* container, POINT pt) const;
  void on_mouse_down(int button, WPARAM wp, LPARAM lp);
  void on_mouse_move(LPARAM lp);
  void on_mouse_up(int button, WPARAM wp, LPARAM lp);
  void on_dpi_changed(const RECT& suggested);

  void paint();
  void compose(const Control* container, const RECT& clip);
  void draw_label(Label& l, POINT origin, const RECT& clip);
  void draw_line(LineControl& l, const PixelBuffer& view, POINT origin);
  void draw_image(Image& im, const PixelBuffer& view, POINT origin);
  void draw_button(CommandButton& b, const RECT& clip);

  Form& form_;
  Win32Backend& backend_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool dead_ = false;        // unloaded: the windows only wait to be destroyed
  bool destroying_ = false;  // destroy_windows is running
  bool shown_ = false;       // shown once: the windows follow every change at once
  int modal_depth_ = 0;
  HWND form_hwnd_ = nullptr;
  std::wstring caption_;         // the window's text
  Win32Screen::MonitorDpi dpi_;  // the window's DPI
  std::vector<Timer*> timers_;   // timer id = position + 1
  std::vector<HWND> disabled_;   // other windows of the thread, disabled by a modal showing
  // Areas invalidated and not yet painted (a picture box, or nullptr for the whole form): drawing
  // calls come in hundreds.
  std::vector<const Control*> pending_;
  Control* pressed_ = nullptr;  // the control that saw the mouse press
  bool pressing_ = false;       // the form holds the capture for that press
  // The button with the focus while the form's window has it (kept while it does not, and
  // reported again when it comes back); nullptr: the form itself.
  Control* focus_ = nullptr;
  const CommandButton* face_pushed_ = nullptr;  // shown pushed in by the toolkit (Space held)
  CommandButton* tracking_ = nullptr;           // the left button went down on it
  bool tracking_inside_ = false;                // and the pointer is on it now
  DibCanvas* back_ = nullptr;  // the thread's back buffer, while a paint composes in it
  RECT client_{};              // the form's client area, while a paint composes
  RowPlan rows_;               // the rows of the paint's clip not yet written into the back buffer
  std::shared_ptr<AccessibleLink> accessible_link_;  // what the accessible object reads
  ComPtr<IAccessible> accessible_;                   // made on the first WM_GETOBJECT
};

// ---------------------------------------------------------------------------------------------
// Windows

std::mutex g_class_mutex;  // threads of a host may each show a box
bool g_classes_registered = false;
std::atomic<long> g_open_forms{0};

const std::wstring& form_class() {
  static const std::wstring name = class_name(L"QuillonForm");
  return name;
}
// Registers the form's window class once (again after unregister_window_classes); false when the
// system refused it.
bool register_classes() {
  std::lock_guard lock(g_class_mutex);
  if (g_classes_registered) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.hInstance = instance();
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpfnWndProc = &Win32FormPeer::form_proc;
  wc.lpszClassName = form_class().c_str();
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  g_classes_registered = true;
  return true;
}

}  // namespace

void unregister_window_classes() {
  std::lock_guard lock(g_class_mutex);
  if (!g_classes_registered) return;
  ::UnregisterClassW(form_class().c_str(), instance());
  g_classes_registered = false;
}

long open_form_windows() {
  return g_open_forms;
}

namespace {

Win32FormPeer::Win32FormPeer(Form& form, Win32Backend& backend) : form_(form), backend_(backend) {
  create_windows();
}

Win32FormPeer::~Win32FormPeer() {
  *alive_ = false;
  destroy_windows();
}

void Win32FormPeer::create_windows() {
  if (register_classes())
    form_hwnd_ = ::CreateWindowExW(0, form_class().c_str(), L"", WS_POPUP | WS_DLGFRAME, 0, 0, 1, 1,
                                   nullptr, nullptr, instance(), nullptr);
  if (!form_hwnd_) forms::raise(kErrInvalidCall, "The form's window could not be created");
  ++g_open_forms;
  backend_.screen().follow_window(form_hwnd_);  // before the form is laid out in pixels
  dpi_ = backend_.screen().monitor();
  ::SetWindowLongPtrW(form_hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  show_caption();
  accessible_link_ = std::make_shared<AccessibleLink>(
      AccessibleLink{&form_, form_hwnd_, ::GetCurrentThreadId(), dpi_});
  // The window takes its place and size when it is first shown (show()).
  for (const auto& c : form_.controls()) {
    if (c->kind() != ControlKind::Timer) continue;
    timers_.push_back(static_cast<Timer*>(c.get()));
    if (c->Enabled()) apply_timer(*timers_.back());  // a new window has no timer to stop
  }
}

void Win32FormPeer::destroy_windows() {
  if (!form_hwnd_ || destroying_) return;
  destroying_ = true;
  disconnect_accessible();
  ::SetWindowLongPtrW(form_hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(std::exchange(form_hwnd_, nullptr));
  --g_open_forms;
  destroying_ = false;
}

RECT Win32FormPeer::pixel_rect(const Control& c) const {
  const int x = to_pixels_x(c.Left()), y = to_pixels_y(c.Top());
  return RECT{x, y, x + to_pixels_x(c.Width()), y + to_pixels_y(c.Height())};
}

// A control's rectangle on the form's client area: its own, moved by each container's corner.
RECT Win32FormPeer::form_rect(const Control& c) const {
  RECT r = pixel_rect(c);
  for (const Control* k = c.container(); k; k = k->container())
    ::OffsetRect(&r, to_pixels_x(k->Left()), to_pixels_y(k->Top()));
  return r;
}

void Win32FormPeer::place_form() {
  if (!form_hwnd_) return;
  ::SetWindowPos(form_hwnd_, nullptr, to_pixels_x(form_.Left()), to_pixels_y(form_.Top()),
                 to_pixels_x(form_.Width()), to_pixels_y(form_.Height()),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Marks an area of the form for the next paint: a container's rectangle, or the whole form.
void Win32FormPeer::invalidate(const Control* area) {
  if (!form_hwnd_ || std::find(pending_.begin(), pending_.end(), area) != pending_.end() ||
      std::find(pending_.begin(), pending_.end(), nullptr) != pending_.end())
    return;
  pending_.push_back(area);
  if (!area) {
    ::InvalidateRect(form_hwnd_, nullptr, FALSE);
    return;
  }
  const RECT r = form_rect(*area);
  ::InvalidateRect(form_hwnd_, &r, FALSE);
}

// The buttons show the focus, and the default button its frame while no button has the focus.
void Win32FormPeer::invalidate_buttons() {
  for (const auto& c : form_.controls())
    if (c->kind() == ControlKind::CommandButton && c->Shown()) invalidate(c.get());
}

void Win32FormPeer::disconnect_accessible() {
  if (accessible_link_) *accessible_link_ = AccessibleLink{};
  accessible_.reset();
}

void Win32FormPeer::apply_timer(Timer& t) {
  if (!form_hwnd_) return;
  const auto pos = std::find(timers_.begin(), timers_.end(), &t);
  if (pos == timers_.end()) return;
  const auto id = static_cast<UINT_PTR>(pos - timers_.begin() + 1);
  if (!dead_ && t.Enabled() && t.Interval() > 0)
    ::SetTimer(form_hwnd_, id, static_cast<UINT>(t.Interval()), nullptr);  // restarts the period
  else
    ::KillTimer(form_hwnd_, id);
}

// ---------------------------------------------------------------------------------------------
// FormPeer

void Win32FormPeer::changed(Control* control, Change what) {
  if (!form_hwnd_ || dead_) return;
  if (control && control->kind() == ControlKind::Timer) {
    if (what == Change::Enabled || what == Change::TimerState)
      apply_timer(static_cast<Timer&>(*control));
    return;
  }
  // Until the form is first shown, its windows catch up in one pass when it is shown (sync()): a
  // message box is configured with dozens of changes, each a round trip otherwise.
  if (!shown_) return;
  if (!control) {
    if (what == Change::Geometry) place_form();  // the form's own window follows at once
    if (what == Change::Caption) show_caption();
    return;
  }
  if ((what == Change::Visible || what == Change::Enabled) && !usable(focus_)) {
    // The platform takes the focus from a button that it hides or disables.
    Control* gone = std::exchange(focus_, nullptr);
    invalidate_buttons();
    if (::GetFocus() == form_hwnd_ && !raise([&] { form_.navigation().focus_lost(*gone); })) return;
  }
  if (tracking_ && !usable(tracking_)) {
    tracking_ = nullptr;
    if (::GetCapture() == form_hwnd_) ::ReleaseCapture();
  }
  if (control->kind() == ControlKind::CommandButton) {
    // Its look: its place, or what it shows (the focus and the default frame of the others too).
    if (what == Change::Geometry || what == Change::Visible)
      invalidate(control->container());
    else
      invalidate_buttons();
    return;
  }
  // A picture box's own drawing repaints its rectangle; anything else, the area of its container
  // (where it was and where it is).
  const bool own = control->kind() == ControlKind::PictureBox &&
                   (what == Change::Picture || what == Change::Colour);
  invalidate(own ? control : control->container());
  if (control->kind() == ControlKind::PictureBox &&
      (what == Change::Geometry || what == Change::Visible))
    invalidate_buttons();  // the buttons on it go with it
}

void Win32FormPeer::sync() {
  place_form();
  show_caption();
}

// The window's text is the form's caption (each change a round trip to the system).
void Win32FormPeer::show_caption() {
  if (!form_hwnd_ || caption_ == form_.Caption()) return;
  caption_ = form_.Caption();
  ::SetWindowTextW(form_hwnd_, caption_.c_str());
}

void Win32FormPeer::refresh(Control& control) {
  if (!form_hwnd_ || dead_) return;
  if (!shown_) return;  // the first showing paints everything
  const bool own =
      control.kind() == ControlKind::PictureBox || control.kind() == ControlKind::CommandButton;
  const Control* area = own ? &control : control.container();
  const RECT r = area ? form_rect(*area) : RECT{};
  ::RedrawWindow(form_hwnd_, area ? &r : nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32FormPeer::set_focus(Control* control) {
  if (!form_hwnd_ || dead_) return;
  if (::GetFocus() != form_hwnd_) {
    focus_ = control;
    ::SetFocus(form_hwnd_);  // WM_SETFOCUS reports the arrival
    return;
  }
  if (focus_ == control) return;
  Control* left = std::exchange(focus_, control);
  if (left && !raise([&] { form_.navigation().focus_lost(*left); })) return;
  on_focus_arrived();
}

void Win32FormPeer::show_face(CommandButton& button, ButtonFace face) {
  const CommandButton* was = face_pushed_;
  if (face == ButtonFace::kPushed)
    face_pushed_ = &button;
  else if (face_pushed_ == &button)
    face_pushed_ = nullptr;
  if (was != face_pushed_) invalidate(&button);
}

void Win32FormPeer::show(bool modal) {
  if (!form_hwnd_ || dead_) return;
  auto alive = alive_;
  const bool appearing = !::IsWindowVisible(form_hwnd_);
  if (!shown_) {
    // The window catches up with the form, and is placed and shown in one step.
    shown_ = true;
    show_caption();
    ::SetWindowPos(form_hwnd_, HWND_TOP, to_pixels_x(form_.Left()), to_pixels_y(form_.Top()),
                   to_pixels_x(form_.Width()), to_pixels_y(form_.Height()),
                   appearing ? SWP_SHOWWINDOW : SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (appearing) {
    ::ShowWindow(form_hwnd_, SW_SHOW);
  }
  if (!*alive || dead_) return;
  if (dead_) return;
  if (appearing) {
    ::NotifyWinEvent(EVENT_SYSTEM_DIALOGSTART, form_hwnd_, OBJID_WINDOW, CHILDID_SELF);
    if (form_.GetAlert() == Alert::kAlert)
      ::NotifyWinEvent(EVENT_SYSTEM_ALERT, form_hwnd_, OBJID_WINDOW, CHILDID_SELF);
  }
  form_.navigation().shown();  // an Activate even when another program holds the front
  if (!*alive || dead_) return;
  // One paint shows what the Activate handler drew (a shaded body, the heading).
  ::UpdateWindow(form_hwnd_);
  if (!*alive || dead_ || !modal) return;
  // Other windows of this thread take no input while the form is up.
  if (modal_depth_ == 0) {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM self) CALLBACK -> BOOL {
          auto* p = reinterpret_cast<Win32FormPeer*>(self);
          if (w != p->form_hwnd_ && ::IsWindowVisible(w) && ::IsWindowEnabled(w)) {
            ::EnableWindow(w, FALSE);
            p->disabled_.push_back(w);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
  }
  ++modal_depth_;
  MSG msg;
  while (*alive && !dead_) {
    const BOOL r = ::GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) {
      // WM_QUIT: the form unloads so that the showing ends, and the quit goes on to the next loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      if (*alive && !dead_) form_.Unload();
      break;
    }
    if (r == -1) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (!*alive) return;
  --modal_depth_;
  if (dead_ && modal_depth_ == 0) destroy_windows();
}

void Win32FormPeer::unload() {
  if (dead_) return;
  dead_ = true;
  disconnect_accessible();
  focus_ = nullptr;
  face_pushed_ = nullptr;
  tracking_ = nullptr;
  if (!form_hwnd_) return;
  ::NotifyWinEvent(EVENT_SYSTEM_DIALOGEND, form_hwnd_, OBJID_WINDOW, CHILDID_SELF);
  for (std::size_t i = 0; i < timers_.size(); ++i) ::KillTimer(form_hwnd_, i + 1);
  const HWND capture = ::GetCapture();
  if (capture && capture == form_hwnd_) ::ReleaseCapture();
  for (HWND w : disabled_) ::EnableWindow(w, TRUE);  // before hiding, so they can take the front
  disabled_.clear();
  ::ShowWindow(form_hwnd_, SW_HIDE);
  // Destroyed outside every handler; the posted message also wakes a modal loop that is waiting
  // inside GetMessage when the unload came from a message sent by another thread.
  ::PostMessageW(form_hwnd_, kDestroyMessage, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Window procedures

LRESULT CALLBACK Win32FormPeer::form_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (Win32FormPeer* p = from(hwnd)) return p->on_form_message(hwnd, msg, wp, lp);
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Win32FormPeer::on_form_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DpiScope dpi(backend_.screen(), dpi_);
  switch (msg) {
    case kDestroyMessage:
      if (dead_ && modal_depth_ == 0) destroy_windows();
      return 0;
    case WM_NCDESTROY:
      if (!destroying_) {
        // Destroyed from outside: forget the window and unload, so that a modal showing ends.
        disconnect_accessible();
        form_hwnd_ = nullptr;
        --g_open_forms;
        if (!dead_) form_.Unload();
      }
      return ::DefWindowProcW(hwnd, msg, wp, lp);
    case WM_CLOSE:
      return 0;  // the form ends only through its own handlers
    case WM_GETOBJECT:
      if (static_cast<LONG>(lp) == OBJID_CLIENT && !dead_)
        return answer_client_object(accessible_link_, accessible_, wp);
      break;
    case WM_ACTIVATE:
      if (!dead_) on_activate(wp, lp);
      return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
      if (!dead_) raise([&] { form_.raise_SettingChange(); });
      if (!dead_ && form_hwnd_)
        ::RedrawWindow(form_hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      break;
    case WM_DPICHANGED:
      if (!dead_ && lp && backend_.screen().follow_dpi_change(hwnd, LOWORD(wp), HIWORD(wp))) {
        dpi_ = backend_.screen().monitor();
        if (accessible_link_->form) accessible_link_->dpi = dpi_;
        on_dpi_changed(*reinterpret_cast<const RECT*>(lp));
        return 0;
      }
      break;
    case WM_TIMER: {
      if (dead_ || wp == 0 || wp > timers_.size()) return 0;
      Timer& t = *timers_[wp - 1];
      if (t.Enabled() && t.Interval() > 0) raise([&] { t.raise_Timer(); });
      return 0;
    }
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFOCUS:
      on_focus_arrived();
      return 0;
    case WM_KILLFOCUS:
      on_focus_left();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      on_mouse_down(button_of(msg), wp, lp);
      return 0;
    case WM_MOUSEMOVE:
      on_mouse_move(lp);
      return 0;
    case WM_LBUTTONUP:
      on_mouse_up(kLeftButton, wp, lp);
      return 0;
    case WM_RBUTTONUP:
      on_mouse_up(kRightButton, wp, lp);
      return 0;
    case WM_MBUTTONUP:
      on_mouse_up(kMiddleButton, wp, lp);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != hwnd) {
        pressed_ = nullptr;  // the capture went elsewhere (a drag): no release follows
        pressing_ = false;
        if (CommandButton* b = std::exchange(tracking_, nullptr)) invalidate(b);
      }
      return 0;
  }
  if (is_key_message(msg) && on_key(msg, wp)) return 0;
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// The window went to a monitor of another DPI: the form lays itself out again at the new scale
// (same twips, new pixels); the window takes the suggested place with the new layout's size, its
// buttons their places and fonts, and everything is painted again.
void Win32FormPeer::on_dpi_changed(const RECT& suggested) {
  if (!raise([&] { form_.raise_DpiChange(); }) || !shown_) return;  // showing places it anyway
  const Screen& screen = backend_.screen();
  form_.SetLeft(static_cast<Single>(suggested.left) * screen.TwipsPerPixelX());
  form_.SetTop(static_cast<Single>(suggested.top) * screen.TwipsPerPixelY());
  sync();
  ::RedrawWindow(form_hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// ---------------------------------------------------------------------------------------------
// Activation and focus

// The form's window got the native focus, or the focus moved between its buttons: the buttons
// show it, assistive technology hears which button has it, and the toolkit of its arrival.
void Win32FormPeer::on_focus_arrived() {
  if (dead_) return;
  if (!usable(focus_)) focus_ = nullptr;
  invalidate_buttons();
  if (!focus_) return;  // the system announced the window itself
  const auto parts = accessible_parts(form_);
  const auto part = std::find_if(parts.begin(), parts.end(),
                                 [this](const AccessiblePart& p) { return p.control == focus_; });
  if (part != parts.end())
    ::NotifyWinEvent(EVENT_OBJECT_FOCUS, form_hwnd_, OBJID_CLIENT,
                     static_cast<LONG>(part - parts.begin() + 1));
  raise([&] { form_.navigation().focus_gained(*focus_); });
}

void Win32FormPeer::on_focus_left() {
  if (dead_) return;
  invalidate_buttons();
  if (focus_) raise([&] { form_.navigation().focus_lost(*focus_); });
}

void Win32FormPeer::on_activate(WPARAM wp, LPARAM lp) {
  // Deactivation takes the focus away (WM_KILLFOCUS); a minimised window is not active.
  if (LOWORD(wp) == WA_INACTIVE || HIWORD(wp)) return;
  // A window that is not shown yet can be made active (by a z-order change, say); that is no
  // activation of the form: showing it reports the first one.
  if (!::IsWindowVisible(form_hwnd_)) return;
  const HWND other = reinterpret_cast<HWND>(lp);
  DWORD pid = 0;
  if (other) ::GetWindowThreadProcessId(other, &pid);
  form_.navigation().activated(other && pid == ::GetCurrentProcessId() ? ActivatedFrom::kThisProgram
                                                                       : ActivatedFrom::kElsewhere);
}

// ---------------------------------------------------------------------------------------------
// Keys: reported to the toolkit's navigation; what it leaves goes on to the platform's default
// handling (the system button procedure or DefWindowProc).

bool Win32FormPeer::on_key(UINT msg, WPARAM wp) {
  if (dead_) return true;
  Navigation& nav = form_.navigation();
  const auto key = static_cast<std::int16_t>(wp & 0xFFFF);
  Handled handled = Handled::kNo;
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      handled = nav.key_down(key, shift_state());
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      handled = nav.key_up(key, shift_state());
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      handled = nav.character(static_cast<wchar_t>(wp));
      break;
  }
  return handled == Handled::kYes;
}

// ---------------------------------------------------------------------------------------------
// Mouse: a press goes to what is drawn under the pointer on the form: a button, which lies over
// everything else, else the topmost label or image of the innermost picture box there, else that
// picture box; the release goes to the control that saw the press.

// A shown button under the point (a disabled one too: it takes the press and does nothing).
CommandButton* Win32FormPeer::button_at(POINT pt) const {
  for (const auto& c : form_.controls()) {
    if (c->kind() != ControlKind::CommandButton || !c->Shown()) continue;
    const RECT r = form_rect(*c);
    if (::PtInRect(&r, pt)) return static_cast<CommandButton*>(c.get());
  }
  return nullptr;
}

Control* Win32FormPeer::hit_test(const Control* container, POINT pt) const {
  const auto& cs = form_.controls();
  // Picture boxes lie over the windowless controls beside them; the first made is the topmost.
  for (const auto& c : cs) {
    if (c->container() != container || c->kind() != ControlKind::PictureBox || !c->Shown())
      continue;
    const RECT r = form_rect(*c);
    if (::PtInRect(&r, pt)) return c->Enabled() ? hit_test(c.get(), pt) : nullptr;
  }
  for (auto it = cs.rbegin(); it != cs.rend(); ++it) {
    Control& c = **it;
    if (c.container() != container || !c.Shown() || !c.Enabled()) continue;
    if (c.kind() != ControlKind::Label && c.kind() != ControlKind::Image) continue;
    const RECT r = form_rect(c);
    if (::PtInRect(&r, pt)) return &c;
  }
  return const_cast<Control*>(container);
}

void Win32FormPeer::on_mouse_down(int button, WPARAM wp, LPARAM lp) {
  if (dead_) return;
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  if (CommandButton* b = button_at(pt)) {
    // As the platform's push button: the left button takes the focus to it and pushes it in.
    if (button != kLeftButton || !b->Enabled() || tracking_) return;
    auto alive = alive_;
    set_focus(b);
    if (!*alive || dead_ || !usable(b)) return;
    tracking_ = b;
    tracking_inside_ = true;
    ::SetCapture(form_hwnd_);
    invalidate(b);
    return;
  }
  Control* target = hit_test(nullptr, pt);
  if (!target) return;
  pressed_ = target;
  pressing_ = true;
  ::SetCapture(form_hwnd_);  // before the handler, whose drag may take the capture away
  const RECT r = form_rect(*target);
  const Single tx = backend_.screen().TwipsPerPixelX(), ty = backend_.screen().TwipsPerPixelY();
  const Single x = static_cast<Single>(pt.x - r.left) * tx,
               y = static_cast<Single>(pt.y - r.top) * ty;
  const auto b = static_cast<std::int16_t>(button);
  const auto s = static_cast<std::int16_t>(((wp & MK_SHIFT) ? 1 : 0) | ((wp & MK_CONTROL) ? 2 : 0) |
                                           ((::GetKeyState(VK_MENU) & 0x8000) ? 4 : 0));
  switch (target->kind()) {
    case ControlKind::Label:
      raise([&] { static_cast<Label*>(target)->raise_MouseDown(b, s, x, y); });
      break;
    case ControlKind::Image:
      raise([&] { static_cast<Image*>(target)->raise_MouseDown(b, s, x, y); });
      break;
    case ControlKind::PictureBox:
      raise([&] { static_cast<PictureBox*>(target)->raise_MouseDown(b, s, x, y); });
      break;
    default:
      break;
  }
}

// A pressed button shows pushed in while the pointer is on it.
void Win32FormPeer::on_mouse_move(LPARAM lp) {
  if (dead_ || !tracking_) return;
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  const RECT r = form_rect(*tracking_);
  if (const bool inside = ::PtInRect(&r, pt); inside != tracking_inside_) {
    tracking_inside_ = inside;
    invalidate(tracking_);
  }
}

void Win32FormPeer::on_mouse_up(int button, WPARAM wp, LPARAM lp) {
  if (dead_) return;
  if (tracking_) {
    // The left button's release on the pressed button clicks it; anywhere else it only lets go.
    if (button != kLeftButton) return;
    on_mouse_move(lp);
    CommandButton* b = std::exchange(tracking_, nullptr);
    const bool click = std::exchange(tracking_inside_, false);
    if (::GetCapture() == form_hwnd_) ::ReleaseCapture();
    invalidate(b);
    if (click) raise([&] { form_.navigation().clicked(*b); });
    return;
  }
  if (!pressed_) return;
  Control* target = std::exchange(pressed_, nullptr);
  if (std::exchange(pressing_, false) && !(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) &&
      ::GetCapture() == form_hwnd_)
    ::ReleaseCapture();
  if (target->kind() != ControlKind::Image) return;
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  const RECT r = form_rect(*target);
  const Single x = static_cast<Single>(pt.x - r.left) * backend_.screen().TwipsPerPixelX();
  const Single y = static_cast<Single>(pt.y - r.top) * backend_.screen().TwipsPerPixelY();
  const auto s = static_cast<std::int16_t>(((wp & MK_SHIFT) ? 1 : 0) | ((wp & MK_CONTROL) ? 2 : 0));
  raise([&] {
    static_cast<Image*>(target)->raise_MouseUp(static_cast<std::int16_t>(button), s, x, y);
  });
}

// ---------------------------------------------------------------------------------------------
// Painting

void Win32FormPeer::paint() {
  // Picture boxes without a persistent image erase and raise Paint where they are to be shown;
  // what their handlers draw is covered by this paint.
  RECT update{};
  if (!dead_ && ::GetUpdateRect(form_hwnd_, &update, FALSE)) {
    for (const auto& c : form_.controls()) {
      if (c->kind() != ControlKind::PictureBox || !c->Shown()) continue;
      auto& pb = static_cast<PictureBox&>(*c);
      RECT r = form_rect(pb), both{};
      if (pb.AutoRedraw() || !::IntersectRect(&both, &r, &update)) continue;
      if (!raise([&] { pb.paint(); })) {
        ::ValidateRect(form_hwnd_, nullptr);
        return;
      }
    }
  }
  PaintScope ps(form_hwnd_);
  pending_.clear();
  if (dead_) return;
  RECT client{}, clip{};
  ::GetClientRect(form_hwnd_, &client);
  if (!::IntersectRect(&clip, &client, &ps.area())) return;
  back_ = &backend_.back_buffer(client.right, client.bottom);
  client_ = client;
  rows_.start(clip, back_->pixels());
  compose(nullptr, clip);
  // The buttons lie over everything drawn.
  for (const auto& c : form_.controls())
    if (c->kind() == ControlKind::CommandButton && c->Shown())
      draw_button(static_cast<CommandButton&>(*c), clip);
  rows_.show(ps.dc(), back_->dc());
}

// Composes a container (a picture box, or the form for nullptr) within clip on the back buffer:
// its surface, its windowless controls in the order they were made, then the picture boxes on it
// (the first made on top). Rows that one colour or one picture box fills from side to side are
// left to the row plan.
void Win32FormPeer::compose(const Control* container, const RECT& clip) {
  const RECT area = container ? form_rect(*container) : client_;
  RECT vis{};
  if (!::IntersectRect(&vis, &area, &clip)) return;
  PixelBuffer dst = back_->pixels();
  const auto fill = [&](LONG left, LONG top, LONG right, LONG bottom, std::uint32_t colour) {
    if (top >= bottom) return;
    if (rows_.whole_rows(RECT{left, top, right, bottom})) return rows_.fill(top, bottom, colour);
    rows_.write(top, bottom);
    fill_span_rect(dst, left, top, right, bottom, colour);
  };
  const auto& cs = form_.controls();
  if (!container) {
    // The form's colour shows only where no picture box lies over it: rows that one picture box
    // spans from side to side are left to it.
    std::vector<std::pair<LONG, LONG>> covered;  // [top, bottom) row ranges
    for (const auto& c : cs) {
      if (c->container() || c->kind() != ControlKind::PictureBox || !c->Shown()) continue;
      const RECT r = form_rect(*c);
      if (r.left <= vis.left && r.right >= vis.right) covered.emplace_back(r.top, r.bottom);
    }
    std::sort(covered.begin(), covered.end());
    const std::uint32_t back = to_dib(resolve_color(form_.BackColor()));
    LONG y = vis.top;
    for (const auto& [top, bottom] : covered) {
      fill(vis.left, y, vis.right, std::min(top, vis.bottom), back);
      y = std::max(y, bottom);
    }
    fill(vis.left, y, vis.right, vis.bottom, back);
  } else {
    const auto& pb = static_cast<const PictureBox&>(*container);
    const Canvas& img = pb.image();
    const RECT image_rect{area.left, area.top, area.left + img.width(), area.top + img.height()};
    RECT shown{};
    const bool any = ::IntersectRect(&shown, &vis, &image_rect);
    if (!any || !::EqualRect(&shown, &vis))
      fill(vis.left, vis.top, vis.right, vis.bottom, to_dib(resolve_color(pb.BackColor())));
    const auto* dib = dynamic_cast<const DibCanvas*>(&img);
    const auto flat = dib ? dib->flat() : std::nullopt;
    if (any && flat) {
      // A surface of one colour: its colour, and the band of rows that holds its icon.
      const LONG band_top = area.top + flat->real_top, band_bottom = area.top + flat->real_bottom;
      const std::uint32_t colour = to_dib(flat->colour);
      const RECT band{shown.left, std::max(shown.top, band_top), shown.right,
                      std::min(shown.bottom, band_bottom)};
      if (band.top >= band.bottom) {
        fill(shown.left, shown.top, shown.right, shown.bottom, colour);
      } else {
        fill(shown.left, shown.top, shown.right, band.top, colour);
        fill(shown.left, band.bottom, shown.right, shown.bottom, colour);
        rows_.write(band.top, band.bottom);
        const PixelBuffer src = dib->surface_rows();
        const int w = shown.right - shown.left, sx = shown.left - area.left;
        for (LONG y = band.top; y < band.bottom; ++y)
          std::copy_n(src.bits + static_cast<std::ptrdiff_t>(y - area.top) * src.stride + sx, w,
                      dst.bits + static_cast<std::ptrdiff_t>(y) * dst.stride + shown.left);
      }
    } else if (any && dib && rows_.whole_rows(shown)) {
      rows_.copy(shown.top, shown.bottom, *dib, POINT{area.left, area.top});
    } else if (any) {
      rows_.write(shown.top, shown.bottom);
      const PixelBuffer src = dib ? dib->shown() : PixelBuffer{};
      const int w = shown.right - shown.left, sx = shown.left - area.left;
      for (int y = shown.top; y < shown.bottom; ++y) {
        std::uint32_t* out = dst.bits + static_cast<std::ptrdiff_t>(y) * dst.stride + shown.left;
        const int sy = y - area.top;
        if (dib)
          std::copy_n(src.bits + static_cast<std::ptrdiff_t>(sy) * src.stride + sx, w, out);
        else
          for (int x = 0; x < w; ++x) out[x] = to_dib(img.pixel(sx + x, sy));
      }
    }
  }
  // The container's own pixels, seen through its visible part, with its corner as the origin.
  const PixelBuffer view{dst.bits + static_cast<std::ptrdiff_t>(vis.top) * dst.stride + vis.left,
                         vis.right - vis.left, vis.bottom - vis.top, dst.stride};
  const POINT origin{area.left - vis.left, area.top - vis.top};
  for (const auto& c : cs) {
    if (c->container() != container || !c->Shown()) continue;
    switch (c->kind()) {
      case ControlKind::Label:
        draw_label(static_cast<Label&>(*c), POINT{area.left, area.top}, vis);
        break;
      case ControlKind::Line: {
        auto& l = static_cast<LineControl&>(*c);
        const LONG y1 = area.top + to_pixels_y(l.Y1()), y2 = area.top + to_pixels_y(l.Y2());
        rows_.write(std::min(y1, y2), std::max(y1, y2) + std::max(1, l.BorderWidth()));
        draw_line(l, view, origin);
        break;
      }
      case ControlKind::Image: {
        const RECT r = pixel_rect(*c);
        rows_.write(area.top + r.top, area.top + r.bottom);
        draw_image(static_cast<Image&>(*c), view, origin);
        break;
      }
      default:
        break;
    }
  }
  for (auto it = cs.rbegin(); it != cs.rend(); ++it)
    if ((*it)->container() == container && (*it)->kind() == ControlKind::PictureBox &&
        (*it)->Shown())
      compose(it->get(), vis);
}

void Win32FormPeer::draw_label(Label& l, POINT origin, const RECT& clip) {
  const HDC dc = back_->dc();
  back_->mark_gdi_output();
  RECT r = pixel_rect(l), shown{};
  ::OffsetRect(&r, origin.x, origin.y);
  if (!::IntersectRect(&shown, &r, &clip)) return;
  rows_.write(shown.top, shown.bottom);
  if (l.BackStyle() == 1) {
    const UniqueBrush face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
    ::FillRect(dc, &shown, face.get());
  }
  SavedDc saved(dc);
  GdiText& text = backend_.gdi_text();
  ::SelectObject(dc, text.font(l.GetFont()));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, resolve_color(l.ForeColor()));
  // A label breaks its lines at its own width, as the run time's labels do.
  const auto lines = text.layout(l.Caption(), l.GetFont(), std::max<int>(1, r.right - r.left));
  const int lh = text.line_height(l.GetFont());
  int y = r.top;
  for (const auto& line : lines) {
    if (y >= shown.bottom) break;
    int x = r.left;
    if (l.Alignment() == 1)
      x = r.right - line.width_px;
    else if (l.Alignment() == 2)
      x = r.left + (r.right - r.left - line.width_px) / 2;
    if (y + lh > shown.top)
      ::ExtTextOutW(dc, x, y, ETO_CLIPPED, &shown, l.Caption().c_str() + line.start,
                    static_cast<UINT>(line.length), nullptr);
    y += lh;
  }
}

void Win32FormPeer::draw_line(LineControl& l, const PixelBuffer& view, POINT origin) {
  raster_lines(view, origin.x + to_pixels_x(l.X1()), origin.y + to_pixels_y(l.Y1()),
               origin.x + to_pixels_x(l.X2()), origin.y + to_pixels_y(l.Y2()), l.BorderWidth(),
               to_dib(resolve_color(l.BorderColor())));
}

void Win32FormPeer::draw_image(Image& im, const PixelBuffer& view, POINT origin) {
  const Picture& pic = im.GetPicture();
  if (!pic) return;
  RECT r = pixel_rect(im);
  ::OffsetRect(&r, origin.x, origin.y);
  const int w = std::min(pic->width, static_cast<int>(r.right - r.left));
  const int h = std::min(pic->height, static_cast<int>(r.bottom - r.top));
  for (int y = 0; y < h; ++y) {
    const int dy = r.top + y;
    if (dy < 0 || dy >= view.height) continue;
    for (int x = 0; x < w; ++x) {
      const int dx = r.left + x;
      if (dx >= 0 && dx < view.width)
        view.bits[static_cast<std::ptrdiff_t>(dy) * view.stride + dx] = to_dib(pic->at(x, y));
    }
  }
}

// A push button: its face, a black frame when it has the focus (or is the default button and no
// button has the focus), raised or pushed in, its caption with the access key underlined, and
// the focus rectangle.
void Win32FormPeer::draw_button(CommandButton& b, const RECT& clip) {
  RECT r = form_rect(b), shown{};
  if (!::IntersectRect(&shown, &r, &clip)) return;
  rows_.write(shown.top, shown.bottom);
  const HDC dc = back_->dc();
  back_->mark_gdi_output();
  SavedDc whole(dc);
  ::IntersectClipRect(dc, shown.left, shown.top, shown.right, shown.bottom);
  const bool pushed = &b == face_pushed_ || (&b == tracking_ && tracking_inside_);
  const Control* has_focus = Win32FormPeer::focused();
  const bool focused = has_focus == &b;
  const bool disabled = !b.Enabled();
  const bool framed = focused || (b.Default() && !has_focus);
  const UniqueBrush face(::CreateSolidBrush(resolve_color(b.BackColor())));
  ::FillRect(dc, &r, face.get());
  if (framed) {
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::InflateRect(&r, -1, -1);
  }
  if (pushed) {
    ::FrameRect(dc, &r, ::GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    ::DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  }
  SavedDc saved(dc);
  ::SelectObject(dc, backend_.gdi_text().font(b.GetFont()));
  ::SetBkMode(dc, TRANSPARENT);
  RECT tr = r;
  if (pushed) ::OffsetRect(&tr, 1, 1);
  const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  const std::wstring& caption = b.Caption();
  if (disabled) {
    RECT shadow = tr;
    ::OffsetRect(&shadow, 1, 1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &shadow, flags);
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  } else {
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  }
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &tr, flags);
  if (focused) {
    RECT fr = r;
    ::InflateRect(&fr, -3, -3);
    ::SetTextColor(dc, 0);
    ::DrawFocusRect(dc, &fr);
  }
}

}  // namespace

std::unique_ptr<FormPeer> make_form_peer(Form& form, Win32Backend& backend) {
  return std::make_unique<Win32FormPeer>(form, backend);
}

}  // namespace quillon::forms::win32
