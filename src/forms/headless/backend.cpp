// The headless backend: screen, platform services, form peers, the script of input and the
// virtual clock.
#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <map>
#include <stdexcept>

#include "forms/headless/headless.h"
#include "forms/headless/internal.h"

namespace quillon::forms::headless {

namespace {

constexpr std::int64_t kDefaultModalIdleLimitMs = 10 * 60 * 1000;
constexpr WindowHandle kFirstFormHandle = 0x1000;
constexpr WindowHandle kCallerHandle = 0x100;
constexpr WindowHandle kOtherWindowHandle = 0x200;

// GetSysColor(0..30) in a fresh Wine 8 prefix on this system.
constexpr std::array<Rgb, 31> kWineColours = {
    rgb(255, 255, 255), rgb(37, 111, 149),  rgb(50, 150, 250),  rgb(128, 128, 128),
    rgb(255, 255, 255), rgb(255, 255, 255), rgb(158, 158, 158), rgb(0, 0, 0),
    rgb(0, 0, 0),       rgb(0, 0, 0),       rgb(255, 255, 255), rgb(255, 255, 255),
    rgb(128, 128, 128), rgb(48, 150, 250),  rgb(255, 255, 255), rgb(245, 245, 245),
    rgb(166, 166, 166), rgb(166, 166, 166), rgb(0, 0, 0),       rgb(200, 200, 200),
    rgb(255, 255, 255), rgb(106, 106, 106), rgb(227, 227, 227), rgb(0, 0, 0),
    rgb(255, 255, 255), rgb(255, 255, 255), rgb(224, 224, 224), rgb(50, 150, 250),
    rgb(128, 128, 128), rgb(48, 150, 250),  rgb(255, 255, 255)};

std::string control_label(const Control& c) {
  return c.index() >= 0 ? c.name() + "(" + std::to_string(c.index()) + ")" : c.name();
}

}  // namespace

Rgb wine_default_sys_color(int index) {
  return index >= 0 && index < static_cast<int>(kWineColours.size())
             ? kWineColours[static_cast<std::size_t>(index)]
             : 0;
}

// One loaded form as the backend sees it. Shared between the peer, the backend's list and any
// modal loop running for it, so that a loop survives the destruction of the peer.
struct FormState {
  HeadlessBackend::Impl* owner = nullptr;
  Form* form = nullptr;
  WindowHandle handle = 0;
  bool alive = true;
  bool shown = false;
  Control* focused = nullptr;  // the platform's focus: kept while another window is active
  WindowHandle previous_active = 0;
  std::vector<std::pair<Timer*, std::int64_t>> timers;  // enabled timers and their next tick
};

struct HeadlessBackend::Impl {
  // --- Screen
  struct ScreenImpl final : Screen {
    ScreenSpec size;
    Single Width() const override {
      return static_cast<Single>(size.width_px) * size.twips_per_pixel;
    }
    Single Height() const override {
      return static_cast<Single>(size.height_px) * size.twips_per_pixel;
    }
    Single TwipsPerPixelX() const override { return size.twips_per_pixel; }
    Single TwipsPerPixelY() const override { return size.twips_per_pixel; }
  };

  // --- Platform services
  struct PlatformImpl final : PlatformServices {
    Impl* impl = nullptr;
    WindowHandle active_window() override { return impl->active; }
    PixelRect window_rect(WindowHandle w) override { return impl->rect_of(w); }
    std::wstring window_text(WindowHandle w, int max_chars) override {
      std::wstring t;
      if (w == kCallerHandle && impl->caller_set) t = impl->caller_caption;
      if (w == kOtherWindowHandle) t = L"Other window";
      if (max_chars >= 0 && static_cast<int>(t.size()) > max_chars)
        t.resize(static_cast<std::size_t>(max_chars));
      return t;
    }
    Rgb sys_color(int index) override {
      auto it = impl->colour_overrides.find(index);
      return it != impl->colour_overrides.end() ? it->second : wine_default_sys_color(index);
    }
    int system_metrics(int index) override {
      return (index == 11 || index == 12) ? impl->screen.size.icon_px : 0;
    }
    IconHandle load_stock_icon(std::int32_t id) override {
      return (id >= 32513 && id <= 32516) ? stock_icon_handle(id - 32512, impl->screen.size.icon_px)
                                          : 0;
    }
    void set_topmost(WindowHandle w, bool on_top) override {
      impl->topmost[w] = on_top;
      impl->record("SetTopmost " + std::to_string(on_top ? 1 : 0));
    }
    void drag_window(WindowHandle) override {
      ++impl->drags;
      impl->record("DragWindow");
    }
    void play_message_sound() override {
      ++impl->sounds;
      impl->record("PlaySound");
    }
    void copy_text(const std::wstring& text) override {
      impl->clipboard = text;
      impl->record("CopyText");
    }
    bool high_contrast() override { return impl->high_contrast; }
  };

  // --- Text
  struct TextImpl final : TextLayout {
    TextExtent measure(const std::wstring& text, const Font& font,
                       std::optional<int> wrap_width_px) override {
      const FontStack::Extent x = font_stack().extent(text, font, wrap_width_px);
      TextExtent e;
      e.width_px = x.width_px;
      e.height_px = x.lines * font_stack().line_height(font);
      return e;
    }
  };

  ScreenImpl screen;
  PlatformImpl platform;
  TextImpl text;

  std::int64_t now = 0;
  std::deque<std::function<void()>> script;
  std::vector<std::shared_ptr<FormState>> forms;  // loaded forms, in load order
  WindowHandle next_handle = kFirstFormHandle;
  WindowHandle active = 0;
  bool caller_set = false;
  std::wstring caller_caption;
  PixelRect caller_rect;
  std::map<int, Rgb> colour_overrides;
  std::map<WindowHandle, bool> topmost;
  int drags = 0;
  std::int32_t sounds = 0;
  std::wstring clipboard;
  bool high_contrast = false;
  std::vector<std::string> events;
  std::weak_ptr<FormState> capture_form;
  Image* capture = nullptr;
  int stalls = 0;
  std::int64_t modal_idle_limit = kDefaultModalIdleLimitMs;

  ~Impl() {
    for (auto& f : forms) f->owner = nullptr;
  }

  void record(std::string e) { events.push_back(std::move(e)); }
  void announce(void (Form::*event)());

  PixelRect rect_of(WindowHandle w) const {
    if (w == kCallerHandle && caller_set) return caller_rect;
    for (const auto& f : forms)
      if (f->handle == w) {
        const Single t = screen.size.twips_per_pixel;
        PixelRect r;
        r.left = static_cast<int>(round_half_even(f->form->Left() / t));
        r.top = static_cast<int>(round_half_even(f->form->Top() / t));
        r.right = r.left + static_cast<int>(round_half_even(f->form->Width() / t));
        r.bottom = r.top + static_cast<int>(round_half_even(f->form->Height() / t));
        return r;
      }
    return {};
  }

  std::shared_ptr<FormState> state_of(WindowHandle w) const {
    for (const auto& f : forms)
      if (f->alive && f->handle == w) return f;
    return nullptr;
  }
  std::shared_ptr<FormState> active_state() const { return state_of(active); }
  // The form that input is meant for: the active one, else the last shown one.
  std::shared_ptr<FormState> input_target() const {
    if (auto s = active_state()) return s;
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
      if ((*it)->alive && (*it)->shown) return *it;
    return nullptr;
  }

  // --- events: each raised as one handler call, between script steps
  template <class F>
  void handler(F&& f) {
    f();
  }

  // The form's window becomes the active one; the toolkit brings the focus and raises Activate.
  void activate(const std::shared_ptr<FormState>& s, ActivatedFrom from) {
    active = s->handle;
    s->form->navigation().activated(from);
  }

  // The platform's focus moves; the toolkit hears of its arrival. Deactivation leaves it in place.
  void move_focus(FormState& s, Control* c) {
    if (!s.alive || s.focused == c) return;
    s.focused = c;
    if (c) s.form->navigation().focus_gained(*c);
  }

  Control* find(const FormState& s, const std::string& name, int index) const {
    for (const auto& c : s.form->controls())
      if (c->name() == name && c->index() == index) return c.get();
    return nullptr;
  }

  // --- timers
  void schedule(FormState& s, Timer& t) {
    auto& v = s.timers;
    v.erase(std::remove_if(v.begin(), v.end(), [&](const auto& p) { return p.first == &t; }),
            v.end());
    if (t.Enabled() && t.Interval() > 0) {
      // Keep creation order among timers so that simultaneous ticks come in a fixed order.
      const auto& cs = s.form->controls();
      auto pos_of = [&](const Timer* x) {
        return std::find_if(cs.begin(), cs.end(), [&](const auto& c) { return c.get() == x; }) -
               cs.begin();
      };
      auto at = std::find_if(v.begin(), v.end(),
                             [&](const auto& p) { return pos_of(p.first) > pos_of(&t); });
      v.insert(at, {&t, now + t.Interval()});
    }
  }

  // Earliest due tick: form order, then creation order, break ties.
  bool next_tick(std::int64_t& when) const {
    bool any = false;
    for (const auto& f : forms)
      if (f->alive)
        for (const auto& [t, due] : f->timers)
          if (!any || due < when) {
            when = due;
            any = true;
          }
    return any;
  }

  void advance_to(std::int64_t target) {
    for (;;) {
      std::int64_t when = 0;
      if (!next_tick(when) || when > target) break;
      // Fire the first timer due at `when`.
      std::shared_ptr<FormState> fs;
      Timer* t = nullptr;
      for (const auto& f : forms) {
        if (!f->alive) continue;
        for (auto& p : f->timers)
          if (p.second == when) {
            fs = f;
            t = p.first;
            p.second = when + t->Interval();
            break;
          }
        if (t) break;
      }
      now = std::max(now, when);
      if (!t) break;
      record("Timer " + control_label(*t));
      handler([&] { t->raise_Timer(); });
    }
    now = std::max(now, target);
  }

  // --- script steps
  void push(std::function<void()> step) { script.push_back(std::move(step)); }

  void run_one() {
    auto step = std::move(script.front());
    script.pop_front();
    step();
  }

  // The character that a key press types, as the platform's keyboard translation gives it
  // (0: none; Ctrl with a letter types a control character, which no access key uses).
  static wchar_t typed(int code, int shift) {
    if (shift & kCtrlMask) return 0;
    if (code >= 'A' && code <= 'Z')
      return static_cast<wchar_t>((shift & kShiftMask) ? code : code - 'A' + 'a');
    if ((code >= '0' && code <= '9') || code == kKeyTab || code == kKeyReturn ||
        code == kKeyEscape || code == kKeySpace)
      return static_cast<wchar_t>(code);
    return 0;
  }

  void key_down(int code, int shift) {
    auto s = active_state();
    if (!s) {
      record("KeyDown dropped (no form active)");
      return;
    }
    Navigation& nav = s->form->navigation();
    nav.key_down(static_cast<std::int16_t>(code), static_cast<std::int16_t>(shift));
    if (const wchar_t ch = typed(code, shift); ch && s->alive) nav.character(ch);
  }

  void key_up(int code, int shift) {
    auto s = active_state();
    if (!s) {
      record("KeyUp dropped (no form active)");
      return;
    }
    s->form->navigation().key_up(static_cast<std::int16_t>(code), static_cast<std::int16_t>(shift));
  }

  std::shared_ptr<FormState> bring_forward_for_mouse() {
    auto s = input_target();
    if (s && active != s->handle) return_to(s);
    return s;
  }

  void return_to(const std::shared_ptr<FormState>& s) {
    if (!s || !s->alive) return;
    if (active == s->handle) return;
    activate(s, active != 0 ? ActivatedFrom::kThisProgram : ActivatedFrom::kElsewhere);
  }

  void click(const std::string& name, int index) {
    auto s = bring_forward_for_mouse();
    if (!s || !s->alive) throw std::runtime_error("click(" + name + "): no form is showing");
    Control* c = find(*s, name, index);
    if (!c) throw std::runtime_error("click(" + name + "): no such control on " + s->form->name());
    if (c->kind() == ControlKind::CommandButton) {
      if (s->form->navigation().clicked(*static_cast<CommandButton*>(c)) == Handled::kNo)
        record("Click ignored " + control_label(*c));
      return;
    }
    mouse_down(name, index, 1, 0, 0);
    mouse_up(1, 0, 0);
  }

  void mouse_down(const std::string& name, int index, int button, float x, float y) {
    auto s = bring_forward_for_mouse();
    if (!s || !s->alive) throw std::runtime_error("mouse_down(" + name + "): no form is showing");
    Control* c = find(*s, name, index);
    if (!c) throw std::runtime_error("mouse_down(" + name + "): no such control");
    if (!c->Shown() || !c->Enabled()) {
      record("MouseDown ignored " + control_label(*c));
      return;
    }
    const auto b = static_cast<std::int16_t>(button);
    record("MouseDown " + control_label(*c));
    switch (c->kind()) {
      case ControlKind::Image:
        capture = static_cast<Image*>(c);
        capture_form = s;
        handler([&] { static_cast<Image*>(c)->raise_MouseDown(b, 0, x, y); });
        break;
      case ControlKind::Label:
        handler([&] { static_cast<Label*>(c)->raise_MouseDown(b, 0, x, y); });
        break;
      case ControlKind::PictureBox:
        handler([&] { static_cast<PictureBox*>(c)->raise_MouseDown(b, 0, x, y); });
        break;
      default:
        break;
    }
  }

  void mouse_up(int button, float x, float y) {
    auto s = capture_form.lock();
    Image* img = capture;
    capture = nullptr;
    capture_form.reset();
    if (!s || !s->alive || !img) return;
    record("MouseUp " + control_label(*img));
    handler([&] { img->raise_MouseUp(static_cast<std::int16_t>(button), 0, x, y); });
  }

  void paint_pictures(const std::shared_ptr<FormState>& s) {
    std::vector<PictureBox*> boxes;
    for (const auto& c : s->form->controls())
      if (c->kind() == ControlKind::PictureBox && c->Shown())
        boxes.push_back(static_cast<PictureBox*>(c.get()));
    for (PictureBox* b : boxes) {
      if (!s->alive) return;
      handler([&] { b->paint(); });
    }
  }

  void unloaded(FormState& s) {
    if (!s.alive) return;
    s.alive = false;
    s.timers.clear();
    s.focused = nullptr;
    record("Unload " + s.form->name());
    if (capture_form.lock().get() == &s) {
      capture = nullptr;
      capture_form.reset();
    }
    if (active == s.handle) {
      // The window that was active before this one shows again, if it still exists.
      WindowHandle back = s.previous_active;
      if (back >= kFirstFormHandle && !state_of(back)) back = 0;
      active = back;
    }
    s.owner = nullptr;  // a dead form never reaches the backend again
    forms.erase(
        std::remove_if(forms.begin(), forms.end(), [&](const auto& p) { return p.get() == &s; }),
        forms.end());
  }

  void run_modal(const std::shared_ptr<FormState>& s) {
    std::int64_t idle_since = -1;
    while (s->alive) {
      if (!script.empty()) {
        idle_since = -1;
        run_one();
        continue;
      }
      if (idle_since < 0) idle_since = now;
      std::int64_t when = 0;
      if (!next_tick(when) || when - idle_since > modal_idle_limit) {
        const std::string msg =
            "modal form never closed: no input left in the script and no timer closed " +
            s->form->name() + " within " + std::to_string(modal_idle_limit) + " ms of virtual time";
        std::fprintf(stderr, "headless backend: %s\n", msg.c_str());
        ++stalls;
        record("Stalled " + s->form->name());
        s->form->Unload();
        throw std::runtime_error(msg);
      }
      advance_to(when);
    }
  }
};

// ---------------------------------------------------------------------------------------------
// The peer

namespace {

class HeadlessPeer final : public FormPeer {
 public:
  explicit HeadlessPeer(std::shared_ptr<FormState> s) : s_(std::move(s)) {}
  ~HeadlessPeer() override {
    if (s_->owner && s_->alive) s_->owner->unloaded(*s_);
  }
  WindowHandle handle() const override { return s_->handle; }

  void changed(Control* control, Change what) override {
    auto* impl = s_->owner;
    if (!impl || !s_->alive || !control) return;
    if (control->kind() == ControlKind::Timer &&
        (what == Change::TimerState || what == Change::Enabled))
      impl->schedule(*s_, *static_cast<Timer*>(control));
    if (control == s_->focused && (what == Change::Visible || what == Change::Enabled) &&
        !(control->Shown() && control->Enabled())) {
      s_->focused = nullptr;  // the platform takes the focus from a control it hides or disables
      s_->form->navigation().focus_lost(*control);
    }
  }

  void refresh(Control& control) override {
    if (!s_->owner || !s_->alive) return;
    if (control.kind() == ControlKind::PictureBox) static_cast<PictureBox&>(control).paint();
  }

  Control* focused() const override { return s_->focused; }
  void set_focus(Control* control) override {
    if (s_->owner) s_->owner->move_focus(*s_, control);
  }
  void show_face(CommandButton&, ButtonFace) override {}  // the rendering shows no pushed face
  void raising(const std::string& event) override {
    if (s_->owner && s_->alive) s_->owner->record(event);
  }

  void show(bool modal) override {
    auto* impl = s_->owner;
    if (!impl || !s_->alive) return;
    auto s = s_;  // keeps the state for the loop even if this peer goes away
    if (!s->shown) {
      s->shown = true;
      s->previous_active = impl->active;
      impl->activate(s, ActivatedFrom::kThisProgram);
      if (s->alive) impl->paint_pictures(s);
    } else if (impl->active != s->handle) {
      impl->activate(s, ActivatedFrom::kThisProgram);
    }
    if (modal && s->alive) impl->run_modal(s);
  }

  void unload() override {
    if (s_->owner && s_->alive) s_->owner->unloaded(*s_);
  }

 private:
  std::shared_ptr<FormState> s_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// HeadlessBackend

HeadlessBackend::HeadlessBackend(ScreenSpec screen_size) : impl_(std::make_unique<Impl>()) {
  impl_->screen.size = screen_size;
  impl_->platform.impl = impl_.get();
}
// The texts laid out on this screen are not kept for the next one.
HeadlessBackend::~HeadlessBackend() {
  forget_layouts();
}

Screen& HeadlessBackend::screen() {
  return impl_->screen;
}
PlatformServices& HeadlessBackend::platform() {
  return impl_->platform;
}
TextLayout& HeadlessBackend::text() {
  return impl_->text;
}
std::unique_ptr<Canvas> HeadlessBackend::make_canvas(int width, int height, Rgb fill) {
  return std::make_unique<RasterCanvas>(width, height, fill);
}

std::unique_ptr<FormPeer> HeadlessBackend::load(Form& form) {
  auto s = std::make_shared<FormState>();
  s->owner = impl_.get();
  s->form = &form;
  s->handle = impl_->next_handle++;
  impl_->forms.push_back(s);
  for (const auto& c : form.controls())
    if (c->kind() == ControlKind::Timer) impl_->schedule(*s, *static_cast<Timer*>(c.get()));
  impl_->record("Load " + form.name());
  return std::make_unique<HeadlessPeer>(std::move(s));
}

std::int64_t HeadlessBackend::now_ms() const {
  return impl_->now;
}

void HeadlessBackend::click(const std::string& control, int index) {
  impl_->push([this, control, index] { impl_->click(control, index); });
}
void HeadlessBackend::key_down(int key_code, int shift) {
  impl_->push([this, key_code, shift] { impl_->key_down(key_code, shift); });
}
void HeadlessBackend::key_up(int key_code, int shift) {
  impl_->push([this, key_code, shift] { impl_->key_up(key_code, shift); });
}
void HeadlessBackend::key(int key_code, int shift) {
  key_down(key_code, shift);
  key_up(key_code, shift);
}
void HeadlessBackend::mouse_down(const std::string& control, int index, int button, float x,
                                 float y) {
  impl_->push([=, this] { impl_->mouse_down(control, index, button, x, y); });
}
void HeadlessBackend::mouse_up(int button, float x, float y) {
  impl_->push([=, this] { impl_->mouse_up(button, x, y); });
}
void HeadlessBackend::wait(int ms) {
  impl_->push([this, ms] { impl_->advance_to(impl_->now + std::max(0, ms)); });
}
void HeadlessBackend::activate_other_form_window() {
  impl_->push([this] {
    impl_->active = kOtherWindowHandle;
    impl_->record("Activate other window");
  });
}
void HeadlessBackend::activate_other_program() {
  impl_->push([this] {
    impl_->active = 0;
    impl_->record("Activate other program");
  });
}
void HeadlessBackend::return_to_form() {
  impl_->push([this] {
    std::shared_ptr<FormState> target;
    for (auto it = impl_->forms.rbegin(); it != impl_->forms.rend(); ++it)
      if ((*it)->alive && (*it)->shown) {
        target = *it;
        break;
      }
    impl_->return_to(target);
  });
}
void HeadlessBackend::call(std::function<void()> f) {
  impl_->push(std::move(f));
}

void HeadlessBackend::run_script() {
  while (!impl_->script.empty()) impl_->run_one();
}
void HeadlessBackend::run_for(int ms) {
  impl_->advance_to(impl_->now + std::max(0, ms));
}
std::size_t HeadlessBackend::pending_steps() const {
  return impl_->script.size();
}

Form* HeadlessBackend::active_form() const {
  auto s = impl_->active_state();
  return s ? s->form : nullptr;
}
Control* HeadlessBackend::focused() const {
  // The control that has (or, while another window is active, will get back) the focus.
  auto s = impl_->input_target();
  return s ? s->focused : nullptr;
}
std::vector<std::string> HeadlessBackend::log() const {
  return impl_->events;
}
void HeadlessBackend::clear_log() {
  impl_->events.clear();
}

void HeadlessBackend::set_sys_color(int index, Rgb c) {
  impl_->colour_overrides[index] = c;
}
// Every form that is up hears of a change (like the platform's broadcast of a changed setting),
// then the whole window is painted again, as the Win32 peer has it redrawn.
void HeadlessBackend::Impl::announce(void (Form::*event)()) {
  const auto up = forms;
  for (const auto& s : up) {
    if (s->alive) (s->form->*event)();
    for (const auto& c : s->form->controls())
      if (s->alive && c->kind() == ControlKind::PictureBox) static_cast<PictureBox&>(*c).paint();
  }
}

void HeadlessBackend::set_high_contrast(bool on) {
  impl_->high_contrast = on;
  impl_->announce(&Form::raise_SettingChange);
}
void HeadlessBackend::set_dpi(float twips_per_pixel, int icon_px) {
  impl_->screen.size.twips_per_pixel = twips_per_pixel;
  impl_->screen.size.icon_px = icon_px;
  impl_->announce(&Form::raise_DpiChange);
}
std::wstring HeadlessBackend::clipboard() const {
  return impl_->clipboard;
}
void HeadlessBackend::set_icon_size(int px) {
  impl_->screen.size.icon_px = px;
}
void HeadlessBackend::set_caller_window(std::wstring caption, PixelRect rect) {
  impl_->caller_set = true;
  impl_->caller_caption = std::move(caption);
  impl_->caller_rect = rect;
  if (impl_->active == 0) impl_->active = kCallerHandle;
}
WindowHandle HeadlessBackend::caller_window() const {
  return impl_->caller_set ? kCallerHandle : 0;
}
std::int32_t HeadlessBackend::sound_plays() const {
  return impl_->sounds;
}
bool HeadlessBackend::topmost(WindowHandle w) const {
  auto it = impl_->topmost.find(w);
  return it != impl_->topmost.end() && it->second;
}
int HeadlessBackend::drag_count() const {
  return impl_->drags;
}
int HeadlessBackend::modal_stalls() const {
  return impl_->stalls;
}
void HeadlessBackend::set_modal_idle_limit(std::int64_t ms) {
  impl_->modal_idle_limit = ms;
}

}  // namespace quillon::forms::headless

namespace quillon::forms::headless {
Backend& thread_backend() {
  thread_local HeadlessBackend backend;
  return backend;
}
}  // namespace quillon::forms::headless
