// The native side of a loaded form: its windows, painting, input, timers and message loop.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

#include "forms/win32/internal.h"

namespace quillon::forms::win32 {

namespace {

// The mouse button that a button-down message reports.
std::int16_t button_of(UINT msg) {
  return msg == WM_LBUTTONDOWN ? kLeftButton : msg == WM_RBUTTONDOWN ? kRightButton : kMiddleButton;
}

constexpr UINT kDestroyMessage = WM_APP + 0x51;  // destroy the windows, outside every handler

std::atomic<WNDPROC> g_button_proc{nullptr};  // the system BUTTON procedure, one for all

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

bool is_key_message(UINT msg) {
  return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP ||
         msg == WM_CHAR || msg == WM_SYSCHAR;
}

class Win32FormPeer final : public FormPeer {
 public:
  Win32FormPeer(Form& form, Win32Backend& backend);
  ~Win32FormPeer() override;

  WindowHandle handle() const override { return reinterpret_cast<WindowHandle>(form_hwnd_); }
  void changed(Control* control, Change what) override;
  void refresh(Control& control) override;
  Control* focused() const override { return control_of(::GetFocus()); }
  void set_focus(Control* control) override;
  void show_face(CommandButton& button, ButtonFace face) override;
  void show(bool modal) override;
  void unload() override;

  static LRESULT CALLBACK form_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK picture_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK button_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

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
  HWND container_hwnd(const Control& c) const;
  HWND hwnd_of(const Control* c) const;
  Control* control_of(HWND hwnd) const;
  RECT pixel_rect(const Control& c) const;
  void place_form();
  void sync();
  void sync_button(Control& c, HWND h);
  void place(Control& c);
  void apply_timer(Timer& t);
  void invalidate_container(const Control& c);
  void invalidate(HWND h);
  void disconnect_accessible();

  LRESULT on_form_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT on_picture_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool on_common_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  bool on_key(UINT msg, WPARAM wp);
  void on_activate(WPARAM wp, LPARAM lp);
  void on_mouse_down(HWND hwnd, Control* container, int button, WPARAM wp, LPARAM lp);
  void on_mouse_up(int button, WPARAM wp, LPARAM lp);
  void on_command(WPARAM wp, LPARAM lp);

  void paint(HWND hwnd, Control* container);
  void draw_label(Label& l);
  void draw_line(LineControl& l);
  void draw_image(Image& im);
  void draw_button(const DRAWITEMSTRUCT& di);

  Form& form_;
  Win32Backend& backend_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool dead_ = false;        // unloaded: the windows only wait to be destroyed
  bool destroying_ = false;  // destroy_windows is running
  bool shown_ = false;       // shown once: the windows follow every change at once
  int modal_depth_ = 0;
  HWND form_hwnd_ = nullptr;
  std::map<const Control*, HWND> windows_;  // picture boxes and buttons
  std::map<HWND, Control*> controls_;
  std::vector<Timer*> timers_;  // timer id = position + 1
  std::vector<HWND> disabled_;  // other windows of the thread, disabled by a modal showing
  std::vector<HWND> pending_;   // invalidated and not yet painted: drawing calls come in hundreds
  Control* pressed_ = nullptr;  // the control that saw the mouse press
  HWND pressed_hwnd_ = nullptr;
  DibCanvas back_{1, 1, 0};  // where each window is composed before it reaches the screen
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
const std::wstring& picture_class() {
  static const std::wstring name = class_name(L"QuillonPicture");
  return name;
}

// Registers both window classes once (again after unregister_window_classes); false when the
// system refused one.
bool register_classes() {
  std::lock_guard lock(g_class_mutex);
  if (g_classes_registered) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.hInstance = instance();
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  const struct {
    const std::wstring& name;
    WNDPROC proc;
  } classes[] = {{form_class(), &Win32FormPeer::form_proc},
                 {picture_class(), &Win32FormPeer::picture_proc}};
  for (const auto& c : classes) {
    wc.lpfnWndProc = c.proc;
    wc.lpszClassName = c.name.c_str();
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  g_classes_registered = true;
  return true;
}

}  // namespace

void unregister_window_classes() {
  std::lock_guard lock(g_class_mutex);
  if (!g_classes_registered) return;
  ::UnregisterClassW(form_class().c_str(), instance());
  ::UnregisterClassW(picture_class().c_str(), instance());
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
    form_hwnd_ =
        ::CreateWindowExW(0, form_class().c_str(), L"", WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN, 0,
                          0, 1, 1, nullptr, nullptr, instance(), nullptr);
  if (!form_hwnd_) forms::raise(kErrInvalidCall, "The form's window could not be created");
  ++g_open_forms;
  ::SetWindowLongPtrW(form_hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowTextW(form_hwnd_, form_.Caption().c_str());
  accessible_link_ =
      std::make_shared<AccessibleLink>(AccessibleLink{&form_, form_hwnd_, ::GetCurrentThreadId()});
  place_form();
  for (const auto& c : form_.controls()) {
    const HWND parent = container_hwnd(*c);
    const RECT r = pixel_rect(*c);
    HWND h = nullptr;
    if (c->kind() == ControlKind::PictureBox) {
      h = ::CreateWindowExW(
          0, picture_class().c_str(), L"",
          WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (c->Visible() ? WS_VISIBLE : 0), r.left,
          r.top, r.right - r.left, r.bottom - r.top, parent, nullptr, instance(), nullptr);
    } else if (c->kind() == ControlKind::CommandButton) {
      auto& b = static_cast<CommandButton&>(*c);
      h = ::CreateWindowExW(
          0, L"BUTTON", b.Caption().c_str(),
          WS_CHILD | WS_CLIPSIBLINGS | BS_OWNERDRAW | BS_NOTIFY | (b.Visible() ? WS_VISIBLE : 0) |
              (b.Enabled() ? 0 : WS_DISABLED) | (b.TabStop() ? WS_TABSTOP : 0),
          r.left, r.top, r.right - r.left, r.bottom - r.top, parent, nullptr, instance(), nullptr);
      if (h) {
        const auto previous = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32FormPeer::button_proc)));
        WNDPROC none = nullptr;
        g_button_proc.compare_exchange_strong(none, previous);
        ::SendMessageW(h, WM_SETFONT,
                       reinterpret_cast<WPARAM>(backend_.gdi_text().font(b.GetFont())), FALSE);
      }
    } else if (c->kind() == ControlKind::Timer) {
      timers_.push_back(static_cast<Timer*>(c.get()));
      apply_timer(*timers_.back());
    }
    if (h) {
      ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      windows_[c.get()] = h;
      controls_[h] = c.get();
    }
  }
}

void Win32FormPeer::destroy_windows() {
  if (!form_hwnd_ || destroying_) return;
  destroying_ = true;
  disconnect_accessible();
  for (auto& [h, c] : controls_) ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  ::SetWindowLongPtrW(form_hwnd_, GWLP_USERDATA, 0);
  const HWND h = std::exchange(form_hwnd_, nullptr);
  controls_.clear();
  windows_.clear();
  ::DestroyWindow(h);  // the children go with it
  --g_open_forms;
  destroying_ = false;
}

HWND Win32FormPeer::hwnd_of(const Control* c) const {
  auto it = windows_.find(c);
  return it == windows_.end() ? nullptr : it->second;
}

Control* Win32FormPeer::control_of(HWND hwnd) const {
  auto it = controls_.find(hwnd);
  return it == controls_.end() ? nullptr : it->second;
}

HWND Win32FormPeer::container_hwnd(const Control& c) const {
  if (HWND h = hwnd_of(c.container())) return h;
  return form_hwnd_;
}

RECT Win32FormPeer::pixel_rect(const Control& c) const {
  const int x = to_pixels_x(c.Left()), y = to_pixels_y(c.Top());
  return RECT{x, y, x + to_pixels_x(c.Width()), y + to_pixels_y(c.Height())};
}

void Win32FormPeer::place_form() {
  if (!form_hwnd_) return;
  ::SetWindowPos(form_hwnd_, nullptr, to_pixels_x(form_.Left()), to_pixels_y(form_.Top()),
                 to_pixels_x(form_.Width()), to_pixels_y(form_.Height()),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32FormPeer::place(Control& c) {
  if (HWND h = hwnd_of(&c)) {
    const RECT r = pixel_rect(c);
    ::MoveWindow(h, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  } else {
    invalidate_container(c);
  }
}

void Win32FormPeer::invalidate_container(const Control& c) {
  invalidate(container_hwnd(c));
}

void Win32FormPeer::invalidate(HWND h) {
  if (!h || std::find(pending_.begin(), pending_.end(), h) != pending_.end()) return;
  pending_.push_back(h);
  ::InvalidateRect(h, nullptr, FALSE);
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
  if (!control) {
    if (what == Change::Geometry) place_form();  // the form's own window follows at once
    if (what == Change::Caption) ::SetWindowTextW(form_hwnd_, form_.Caption().c_str());
    return;
  }
  // Until the form is first shown, its child windows catch up in one pass when it is shown
  // (sync()): a message box is configured with dozens of changes, each a round trip otherwise.
  if (!shown_) return;
  const HWND h = hwnd_of(control);
  if (!h) {
    invalidate_container(*control);  // windowless: repaint the container
    return;
  }
  switch (what) {
    case Change::Geometry:
      place(*control);
      break;
    case Change::Visible:
      ::ShowWindow(h, control->Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Change::Enabled:
      ::EnableWindow(h, control->Enabled());
      break;
    case Change::Caption:
    case Change::TabStop:
      sync_button(*control, h);
      invalidate(h);
      break;
    case Change::Colour:
    case Change::Default:
    case Change::Picture:
    case Change::TimerState:
      invalidate(h);
      break;
  }
}

void Win32FormPeer::sync_button(Control& c, HWND h) {
  if (c.kind() != ControlKind::CommandButton) return;
  auto& b = static_cast<CommandButton&>(c);
  ::SetWindowTextW(h, b.Caption().c_str());
  ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(backend_.gdi_text().font(b.GetFont())),
                 FALSE);
  const LONG_PTR style = ::GetWindowLongPtrW(h, GWL_STYLE);
  const LONG_PTR want = b.TabStop() ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
  if (want != style) ::SetWindowLongPtrW(h, GWL_STYLE, want);
}

void Win32FormPeer::sync() {
  place_form();
  for (const auto& [c, h] : windows_) {
    Control& ctl = *const_cast<Control*>(c);
    const RECT r = pixel_rect(ctl);
    ::SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    const LONG_PTR style = ::GetWindowLongPtrW(h, GWL_STYLE);
    if (((style & WS_VISIBLE) != 0) != ctl.Visible())
      ::ShowWindow(h, ctl.Visible() ? SW_SHOWNA : SW_HIDE);
    if (((style & WS_DISABLED) == 0) != ctl.Enabled()) ::EnableWindow(h, ctl.Enabled());
    sync_button(ctl, h);
  }
}

void Win32FormPeer::refresh(Control& control) {
  if (!form_hwnd_ || dead_) return;
  HWND h = hwnd_of(&control);
  if (!h) h = container_hwnd(control);
  if (!shown_) return;  // the first showing paints everything
  std::erase(pending_, h);
  ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32FormPeer::set_focus(Control* control) {
  const HWND h = control ? hwnd_of(control) : form_hwnd_;
  if (h && ::GetFocus() != h) ::SetFocus(h);  // BN_SETFOCUS reports the arrival
}

void Win32FormPeer::show_face(CommandButton& button, ButtonFace face) {
  if (HWND h = hwnd_of(&button)) ::SendMessageW(h, BM_SETSTATE, face == ButtonFace::kPushed, 0);
}

void Win32FormPeer::show(bool modal) {
  if (!form_hwnd_ || dead_) return;
  auto alive = alive_;
  if (!shown_) {
    sync();
    shown_ = true;
  }
  const bool appearing = !::IsWindowVisible(form_hwnd_);
  if (appearing) {
    ::ShowWindow(form_hwnd_, SW_SHOW);
    if (!*alive || dead_) return;
    ::UpdateWindow(form_hwnd_);
  }
  if (dead_) return;
  if (appearing) {
    ::NotifyWinEvent(EVENT_SYSTEM_DIALOGSTART, form_hwnd_, OBJID_WINDOW, CHILDID_SELF);
    if (form_.GetAlert() == Alert::kAlert)
      ::NotifyWinEvent(EVENT_SYSTEM_ALERT, form_hwnd_, OBJID_WINDOW, CHILDID_SELF);
  }
  form_.navigation().shown();  // an Activate even when another program holds the front
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
  if (!form_hwnd_) return;
  ::NotifyWinEvent(EVENT_SYSTEM_DIALOGEND, form_hwnd_, OBJID_WINDOW, CHILDID_SELF);
  for (std::size_t i = 0; i < timers_.size(); ++i) ::KillTimer(form_hwnd_, i + 1);
  const HWND capture = ::GetCapture();
  if (capture && (capture == form_hwnd_ || control_of(capture))) ::ReleaseCapture();
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

LRESULT CALLBACK Win32FormPeer::picture_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (Win32FormPeer* p = from(hwnd)) return p->on_picture_message(hwnd, msg, wp, lp);
  if (msg == WM_ERASEBKGND) return 1;
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32FormPeer::button_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Win32FormPeer* p = from(hwnd);
  if (p && is_key_message(msg) && p->on_key(msg, wp)) return 0;
  if (msg == WM_LBUTTONDBLCLK) msg = WM_LBUTTONDOWN;  // a quick second press is a press
  return ::CallWindowProcW(g_button_proc, hwnd, msg, wp, lp);
}

bool Win32FormPeer::on_common_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  result = 0;
  if (is_key_message(msg)) {
    if (on_key(msg, wp)) return true;
    result = ::DefWindowProcW(hwnd, msg, wp, lp);
    return true;
  }
  switch (msg) {
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_COMMAND:
      on_command(wp, lp);
      return true;
    case WM_DRAWITEM:
      draw_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      result = TRUE;
      return true;
    case WM_LBUTTONUP:
      on_mouse_up(kLeftButton, wp, lp);
      return true;
    case WM_RBUTTONUP:
      on_mouse_up(kRightButton, wp, lp);
      return true;
    case WM_MBUTTONUP:
      on_mouse_up(kMiddleButton, wp, lp);
      return true;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != pressed_hwnd_) {
        pressed_ = nullptr;  // the capture went elsewhere (a drag): no release follows
        pressed_hwnd_ = nullptr;
      }
      return true;
  }
  return false;
}

LRESULT Win32FormPeer::on_form_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  switch (msg) {
    case kDestroyMessage:
      if (dead_ && modal_depth_ == 0) destroy_windows();
      return 0;
    case WM_NCDESTROY:
      if (!destroying_) {
        // Destroyed from outside: forget the windows and unload, so that a modal showing ends.
        for (auto& [h, c] : controls_) ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        disconnect_accessible();
        form_hwnd_ = nullptr;
        --g_open_forms;
        controls_.clear();
        windows_.clear();
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
    case WM_TIMER: {
      if (dead_ || wp == 0 || wp > timers_.size()) return 0;
      Timer& t = *timers_[wp - 1];
      if (t.Enabled() && t.Interval() > 0) raise([&] { t.raise_Timer(); });
      return 0;
    }
    case WM_PAINT:
      paint(hwnd, nullptr);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      on_mouse_down(hwnd, nullptr, button_of(msg), wp, lp);
      return 0;
  }
  if (on_common_message(hwnd, msg, wp, lp, result)) return result;
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Win32FormPeer::on_picture_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  switch (msg) {
    case WM_PAINT:
      paint(hwnd, control_of(hwnd));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      on_mouse_down(hwnd, control_of(hwnd), button_of(msg), wp, lp);
      return 0;
  }
  if (on_common_message(hwnd, msg, wp, lp, result)) return result;
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------------------------------------
// Activation and focus

void Win32FormPeer::on_activate(WPARAM wp, LPARAM lp) {
  // Deactivation takes the focus away (BN_KILLFOCUS); a minimised window is not active.
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
// Mouse: presses go to the windowless control under the pointer (the topmost, the last created)
// or to the picture box; the release goes to the control that saw the press.

void Win32FormPeer::on_mouse_down(HWND hwnd, Control* container, int button, WPARAM wp, LPARAM lp) {
  if (dead_) return;
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  Control* target = container;
  const auto& cs = form_.controls();
  for (auto it = cs.rbegin(); it != cs.rend(); ++it) {
    Control& c = **it;
    if (c.container() != container || !c.Shown() || !c.Enabled()) continue;
    if (c.kind() != ControlKind::Label && c.kind() != ControlKind::Image) continue;
    const RECT r = pixel_rect(c);
    if (::PtInRect(&r, pt)) {
      target = &c;
      break;
    }
  }
  if (!target) return;
  pressed_ = target;
  pressed_hwnd_ = hwnd;
  ::SetCapture(hwnd);  // before the handler, whose drag may take the capture away
  const RECT r = target == container ? RECT{} : pixel_rect(*target);
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

void Win32FormPeer::on_mouse_up(int button, WPARAM wp, LPARAM lp) {
  if (dead_ || !pressed_) return;
  Control* target = std::exchange(pressed_, nullptr);
  const HWND from_hwnd = std::exchange(pressed_hwnd_, nullptr);
  if (!(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && ::GetCapture() == from_hwnd)
    ::ReleaseCapture();
  if (target->kind() != ControlKind::Image) return;
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  const RECT r = pixel_rect(*target);
  const Single x = static_cast<Single>(pt.x - r.left) * backend_.screen().TwipsPerPixelX();
  const Single y = static_cast<Single>(pt.y - r.top) * backend_.screen().TwipsPerPixelY();
  const auto s = static_cast<std::int16_t>(((wp & MK_SHIFT) ? 1 : 0) | ((wp & MK_CONTROL) ? 2 : 0));
  raise([&] {
    static_cast<Image*>(target)->raise_MouseUp(static_cast<std::int16_t>(button), s, x, y);
  });
}

void Win32FormPeer::on_command(WPARAM wp, LPARAM lp) {
  if (dead_) return;
  Control* c = control_of(reinterpret_cast<HWND>(lp));
  if (!c || c->kind() != ControlKind::CommandButton) return;
  auto& b = static_cast<CommandButton&>(*c);
  Navigation& nav = form_.navigation();
  switch (HIWORD(wp)) {
    case BN_CLICKED:
      nav.clicked(b);
      break;
    case BN_SETFOCUS:
    case BN_KILLFOCUS:
      // The default frame follows the focus.
      for (auto& [h, ctl] : controls_)
        if (ctl->kind() == ControlKind::CommandButton) ::InvalidateRect(h, nullptr, FALSE);
      if (HIWORD(wp) == BN_SETFOCUS)
        nav.focus_gained(b);
      else
        nav.focus_lost(b);
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Painting

void Win32FormPeer::paint(HWND hwnd, Control* container) {
  if (!dead_ && container && container->kind() == ControlKind::PictureBox) {
    // Paint handlers draw into the persistent image; their invalidations are covered by this
    // paint, which validates the window afterwards.
    if (!raise([&] { static_cast<PictureBox*>(container)->paint(); })) {
      ::ValidateRect(hwnd, nullptr);
      return;
    }
  }
  PaintScope ps(hwnd);
  std::erase(pending_, hwnd);
  if (dead_) return;
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  back_.ensure_size(w, h);
  const PixelBuffer dst = back_.pixels();
  if (container && container->kind() == ControlKind::PictureBox) {
    auto& pb = static_cast<PictureBox&>(*container);
    Canvas& img = pb.image();
    fill_span_rect(dst, 0, 0, w, h, to_dib(resolve_color(pb.BackColor())));
    const int cw = std::min(w, img.width()), ch = std::min(h, img.height());
    if (auto* dib = dynamic_cast<DibCanvas*>(&img)) {
      const PixelBuffer src = dib->pixels();
      for (int y = 0; y < ch; ++y)
        std::copy_n(src.bits + static_cast<std::ptrdiff_t>(y) * src.stride, cw,
                    dst.bits + static_cast<std::ptrdiff_t>(y) * dst.stride);
    } else {
      for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
          dst.bits[static_cast<std::ptrdiff_t>(y) * dst.stride + x] = to_dib(img.pixel(x, y));
    }
  } else {
    fill_span_rect(dst, 0, 0, w, h, to_dib(resolve_color(form_.BackColor())));
  }
  for (const auto& c : form_.controls()) {
    if (c->container() != container || !c->Shown()) continue;
    switch (c->kind()) {
      case ControlKind::Label:
        draw_label(static_cast<Label&>(*c));
        break;
      case ControlKind::Line:
        draw_line(static_cast<LineControl&>(*c));
        break;
      case ControlKind::Image:
        draw_image(static_cast<Image&>(*c));
        break;
      default:
        break;
    }
  }
  ::BitBlt(ps.dc(), 0, 0, w, h, back_.dc(), 0, 0, SRCCOPY);
}

void Win32FormPeer::draw_label(Label& l) {
  const HDC dc = back_.dc();
  back_.mark_gdi_output();
  RECT r = pixel_rect(l);
  if (l.BackStyle() == 1) {
    const UniqueBrush face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
    ::FillRect(dc, &r, face.get());
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
    if (y >= r.bottom) break;
    int x = r.left;
    if (l.Alignment() == 1)
      x = r.right - line.width_px;
    else if (l.Alignment() == 2)
      x = r.left + (r.right - r.left - line.width_px) / 2;
    ::ExtTextOutW(dc, x, y, ETO_CLIPPED, &r, l.Caption().c_str() + line.start,
                  static_cast<UINT>(line.length), nullptr);
    y += lh;
  }
}

void Win32FormPeer::draw_line(LineControl& l) {
  raster_line(back_.pixels(), to_pixels_x(l.X1()), to_pixels_y(l.Y1()), to_pixels_x(l.X2()),
              to_pixels_y(l.Y2()), 1, to_dib(resolve_color(l.BorderColor())));
}

void Win32FormPeer::draw_image(Image& im) {
  const Picture& pic = im.GetPicture();
  if (!pic) return;
  const PixelBuffer dst = back_.pixels();
  const RECT r = pixel_rect(im);
  const int w = std::min(pic->width, static_cast<int>(r.right - r.left));
  const int h = std::min(pic->height, static_cast<int>(r.bottom - r.top));
  for (int y = 0; y < h; ++y) {
    const int dy = r.top + y;
    if (dy < 0 || dy >= dst.height) continue;
    for (int x = 0; x < w; ++x) {
      const int dx = r.left + x;
      if (dx >= 0 && dx < dst.width)
        dst.bits[static_cast<std::ptrdiff_t>(dy) * dst.stride + dx] = to_dib(pic->at(x, y));
    }
  }
}

void Win32FormPeer::draw_button(const DRAWITEMSTRUCT& di) {
  Control* c = control_of(di.hwndItem);
  if (!c || c->kind() != ControlKind::CommandButton) return;
  auto& b = static_cast<CommandButton&>(*c);
  const HDC dc = di.hDC;
  RECT r = di.rcItem;
  const bool pushed = di.itemState & ODS_SELECTED;
  const bool focused = di.itemState & ODS_FOCUS;
  const bool disabled = di.itemState & ODS_DISABLED;
  const Control* has_focus = Win32FormPeer::focused();
  const bool framed =
      focused || (b.Default() && !(has_focus && has_focus->kind() == ControlKind::CommandButton));
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
