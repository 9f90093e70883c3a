// The accessible object of a form's window: what WM_GETOBJECT answers for OBJID_CLIENT.
//
// Implemented:
// - the window itself (name, role, state, place, parent) through the system's standard client
//   object (CreateStdAccessibleObject);
// - the form's parts (forms/accessible.h: heading title, close box, message, buttons) as simple
//   elements, child ids 1..n in reading order: name, role, state, place in screen pixels, access
//   key as "Alt+K", "Press" as the default action of push buttons, navigation, hit testing, the
//   focused part, taking the focus, and the default action, which does what a click does;
// - lifetime: a client may hold the object after the form unloaded; it then answers
//   CO_E_OBJNOTCONNECTED and never reaches the form. Calls from another thread than the window's
//   get RPC_E_WRONG_THREAD (clients elsewhere reach it through the marshaled reference).
#include <atomic>
#include <new>

#include "forms/controls.h"
#include "forms/win32/internal.h"
#include "forms/win32/win32.h"

namespace quillon::forms::win32 {

namespace {

std::atomic<long> g_live_objects{0};

HRESULT put_string(const std::wstring& s, BSTR* out) {
  *out = UniqueBstr(s).release();
  return *out ? S_OK : E_OUTOFMEMORY;
}

long role_of(AccessibleRole role) {
  return role == AccessibleRole::kPushButton ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_STATICTEXT;
}

long state_of(const AccessiblePart& p, const Control* focused) {
  if (p.role == AccessibleRole::kStaticText) return STATE_SYSTEM_READONLY;
  long s = p.enabled ? 0 : STATE_SYSTEM_UNAVAILABLE;
  if (p.focusable) s |= STATE_SYSTEM_FOCUSABLE;
  if (p.control == focused) s |= STATE_SYSTEM_FOCUSED;
  if (p.is_default) s |= STATE_SYSTEM_DEFAULT;
  return s;
}

void set_child(VARIANT* out, long id) {
  ::VariantInit(out);
  out->vt = VT_I4;
  out->lVal = id;
}

class ClientObject final : public IAccessible {
 public:
  ClientObject(std::shared_ptr<const AccessibleLink> link, ComPtr<IAccessible> standard)
      : link_(std::move(link)), standard_(std::move(standard)) {
    ++g_live_objects;
  }
  ~ClientObject() { --g_live_objects; }
  ClientObject(const ClientObject&) = delete;
  ClientObject& operator=(const ClientObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != __uuidof(IAccessible))
      return E_NOINTERFACE;
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IDispatch: no type information; clients call through the vtable.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (const HRESULT hr = usable(); FAILED(hr)) return hr;
    return standard_->get_accParent(out);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override {
    if (!out) return E_POINTER;
    *out = 0;
    return guarded([&] {
      *out = static_cast<long>(accessible_parts(*link_->form).size());
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    // The parts are simple elements: no object of their own.
    return on_child(
        child, [](const AccessiblePart&) { return S_FALSE; }, [] { return E_INVALIDARG; });
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return on_child(
        child, [&](const AccessiblePart& p) { return put_string(p.name, out); },
        [&] { return standard_->get_accName(child, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return on_child(
        child, [](const AccessiblePart&) { return DISP_E_MEMBERNOTFOUND; },
        [&] { return standard_->get_accValue(child, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return on_child(
        child, [](const AccessiblePart&) { return DISP_E_MEMBERNOTFOUND; },
        [&] { return standard_->get_accDescription(child, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    return on_child(
        child,
        [&](const AccessiblePart& p) {
          set_child(out, role_of(p.role));
          return S_OK;
        },
        [&] { return standard_->get_accRole(child, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    return on_child(
        child,
        [&](const AccessiblePart& p) {
          set_child(out, state_of(p, link_->form->peer()->focused()));
          return S_OK;
        },
        [&] { return standard_->get_accState(child, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return on_child(
        child, [](const AccessiblePart&) { return DISP_E_MEMBERNOTFOUND; },
        [&] { return standard_->get_accHelp(child, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return on_child(
        child,
        [&](const AccessiblePart& p) {
          return p.access_key ? put_string(std::wstring(L"Alt+") + p.access_key, out)
                              : DISP_E_MEMBERNOTFOUND;
        },
        [&] { return standard_->get_accKeyboardShortcut(child, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    return guarded([&] {
      const Control* focused = link_->form->peer()->focused();
      const auto parts = accessible_parts(*link_->form);
      for (std::size_t i = 0; i < parts.size(); ++i)
        if (focused && parts[i].control == focused) {
          set_child(out, static_cast<long>(i + 1));
          return S_OK;
        }
      if (::GetFocus() != link_->hwnd) return S_FALSE;
      set_child(out, CHILDID_SELF);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    if (const HRESULT hr = usable(); FAILED(hr)) return hr;
    return S_FALSE;  // nothing here is selectable
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return on_child(
        child,
        [&](const AccessiblePart& p) {
          return p.role == AccessibleRole::kPushButton ? put_string(L"Press", out)
                                                       : DISP_E_MEMBERNOTFOUND;
        },
        [&] { return standard_->get_accDefaultAction(child, out); });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return on_child(
        child,
        [&](const AccessiblePart& p) {
          if (flags != SELFLAG_TAKEFOCUS || !p.focusable) return E_INVALIDARG;
          static_cast<CommandButton*>(p.control)->SetFocus();
          return S_OK;
        },
        [&] { return standard_->accSelect(flags, child); });
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h,
                                        VARIANT child) override {
    if (!x || !y || !w || !h) return E_POINTER;
    *x = *y = *w = *h = 0;
    return on_child(
        child,
        [&](const AccessiblePart& p) {
          POINT origin{p.rect.left, p.rect.top};
          ::ClientToScreen(link_->hwnd, &origin);
          *x = origin.x;
          *y = origin.y;
          *w = p.rect.right - p.rect.left;
          *h = p.rect.bottom - p.rect.top;
          return S_OK;
        },
        [&] { return standard_->accLocation(x, y, w, h, child); });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    return guarded([&] {
      const long n = static_cast<long>(accessible_parts(*link_->form).size());
      if (start.vt != VT_I4 || start.lVal < 0 || start.lVal > n) return E_INVALIDARG;
      long to = 0;
      if (start.lVal == CHILDID_SELF) {
        if (direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD)
          return standard_->accNavigate(direction, start, out);
        to = direction == NAVDIR_FIRSTCHILD ? 1 : n;
      } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN ||
                 direction == NAVDIR_RIGHT) {
        to = start.lVal + 1;
      } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP ||
                 direction == NAVDIR_LEFT) {
        to = start.lVal - 1;
      } else {
        return E_INVALIDARG;
      }
      if (to < 1 || to > n) return S_FALSE;
      set_child(out, to);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    return guarded([&] {
      POINT pt{x, y};
      RECT client{};
      ::ScreenToClient(link_->hwnd, &pt);
      ::GetClientRect(link_->hwnd, &client);
      if (!::PtInRect(&client, pt)) return standard_->accHitTest(x, y, out);
      const auto parts = accessible_parts(*link_->form);
      long id = CHILDID_SELF;
      for (std::size_t i = 0; i < parts.size() && id == CHILDID_SELF; ++i) {
        const RECT r{parts[i].rect.left, parts[i].rect.top, parts[i].rect.right,
                     parts[i].rect.bottom};
        if (::PtInRect(&r, pt)) id = static_cast<long>(i + 1);
      }
      set_child(out, id);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return on_child(
        child,
        [](const AccessiblePart& p) {
          return do_default_action(*p.control) == Handled::kYes ? S_OK : DISP_E_MEMBERNOTFOUND;
        },
        [&] { return standard_->accDoDefaultAction(child); });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  HRESULT usable() const {
    if (!link_->form || !standard_) return CO_E_OBJNOTCONNECTED;
    if (::GetCurrentThreadId() != link_->thread) return RPC_E_WRONG_THREAD;
    return S_OK;
  }
  // Runs f on the window's thread while the form is up; nothing thrown leaves the object.
  template <class F>
  HRESULT guarded(F&& f) const {
    if (const HRESULT hr = usable(); FAILED(hr)) return hr;
    try {
      DpiScope dpi(win32_backend().screen(), link_->dpi);
      return f();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  // on_part for the child ids 1..n of the parts, on_self for the window itself.
  template <class P, class S>
  HRESULT on_child(const VARIANT& child, P&& on_part, S&& on_self) const {
    return guarded([&]() -> HRESULT {
      if (child.vt != VT_I4) return E_INVALIDARG;
      if (child.lVal == CHILDID_SELF) return on_self();
      const auto parts = accessible_parts(*link_->form);
      if (child.lVal < 1 || static_cast<std::size_t>(child.lVal) > parts.size())
        return E_INVALIDARG;
      return on_part(parts[static_cast<std::size_t>(child.lVal - 1)]);
    });
  }

  std::atomic<ULONG> refs_{0};
  std::shared_ptr<const AccessibleLink> link_;
  ComPtr<IAccessible> standard_;
};

}  // namespace

LRESULT answer_client_object(const std::shared_ptr<AccessibleLink>& link,
                             ComPtr<IAccessible>& cache, WPARAM wp) {
  if (!link->form) return 0;
  if (!cache) {
    ComPtr<IAccessible> standard;
    if (FAILED(::CreateStdAccessibleObject(link->hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                           standard.put_void())))
      return 0;
    cache = ComPtr<IAccessible>(new (std::nothrow) ClientObject(link, std::move(standard)));
    if (!cache) return 0;
  }
  return ::LresultFromObject(__uuidof(IAccessible), wp, cache.get());
}

long live_accessible_objects() {
  return g_live_objects;
}

}  // namespace quillon::forms::win32
