// What a screen reader sees of a shown box, through the registered DLL: the window's text, the
// accessible tree (AccessibleObjectFromWindow, AccessibleChildren) in reading order with names,
// roles, access keys, default actions, states and places, the default action doing what a click
// does, the object a client keeps after the box went, and the win events of a showing and of
// a focus change, seen by an out-of-context listener on a thread of its own.
#include <oleacc.h>

#include <future>
#include <mutex>
#include <thread>

#include "com_support.h"

namespace quillon::housing::test {
namespace {

struct Event {
  DWORD event;
  HWND hwnd;
  LONG object, child;
};
std::mutex g_events_mutex;
std::vector<Event> g_events;

// Records every win event of this process until told to quit.
class Listener {
 public:
  Listener() {
    std::promise<void> up;
    auto ready = up.get_future();
    thread_ = std::thread([this, &up] {
      id_ = GetCurrentThreadId();
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue the events arrive in
      const HWINEVENTHOOK hook = SetWinEventHook(
          EVENT_MIN, EVENT_MAX, nullptr,
          [](HWINEVENTHOOK, DWORD e, HWND h, LONG o, LONG c, DWORD, DWORD) CALLBACK {
            std::lock_guard lock(g_events_mutex);
            g_events.push_back({e, h, o, c});
          },
          GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
      up.set_value();
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      UnhookWinEvent(hook);
    });
    ready.wait();
    // Wine: a thread learns of a new hook when it next asks the server for a message.
    MSG msg;
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
  }
  ~Listener() {
    PostThreadMessageW(id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  // The events so far that match, after waiting up to a second for the first one.
  static std::vector<Event> seen(DWORD event, HWND hwnd = nullptr) {
    std::vector<Event> out;
    for (int i = 0; i < 100 && out.empty(); ++i, Sleep(10)) {
      std::lock_guard lock(g_events_mutex);
      for (const Event& e : g_events)
        if (e.event == event && (!hwnd || e.hwnd == hwnd)) out.push_back(e);
    }
    return out;
  }

 private:
  std::thread thread_;
  DWORD id_ = 0;
};

std::wstring text_of(HRESULT hr, BSTR b) {
  UniqueBstr owner;
  *owner.put() = b;
  return SUCCEEDED(hr) ? owner.str() : std::wstring();
}

VARIANT child_id(long id) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// One part as a line: role, name, access key, default action, "default" for the default button.
std::wstring describe(IAccessible* acc, long id) {
  const VARIANT child = child_id(id);
  BSTR b = nullptr;
  UniqueVariant role, state;
  acc->get_accRole(child, role.put());
  acc->get_accState(child, state.put());
  std::wstring s = role->lVal == ROLE_SYSTEM_PUSHBUTTON   ? L"button"
                   : role->lVal == ROLE_SYSTEM_STATICTEXT ? L"text"
                                                          : L"?";
  const HRESULT name = acc->get_accName(child, &b);
  s += L" " + text_of(name, b);
  const HRESULT key = acc->get_accKeyboardShortcut(child, &b);
  if (key == S_OK) s += L" " + text_of(key, b);
  const HRESULT action = acc->get_accDefaultAction(child, &b);
  if (action == S_OK) s += L" " + text_of(action, b);
  if (state->lVal & STATE_SYSTEM_DEFAULT) s += L" default";
  return s;
}

struct Row {
  const char* what;
  short flags;
  bool control_box, hide_buttons;
  std::vector<std::wstring> parts;  // in reading order
  long act;                         // the part whose default action ends the showing
  short result;
  bool alert;
};

struct Walk {
  HWND hwnd = nullptr;
  std::wstring window_text;
  std::vector<std::wstring> parts;
  bool inside_window = true;  // every part's place lies in the window
  std::wstring focus_event_names;
  long focused = 0;  // the tree's focus after it moved
  HRESULT action = E_FAIL;
  ComPtr<IAccessible> kept;
};
Walk g_walk;

// Inside the box's modal loop: walk the tree, move the focus, then act.
void walk_box(const Row& row) {
  Walk& w = g_walk;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM) CALLBACK -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(h, name, 64);
        if (std::wcsncmp(name, L"QuillonForm", 11) == 0 && IsWindowVisible(h)) g_walk.hwnd = h;
        return TRUE;
      },
      0);
  wchar_t text[64] = {};
  GetWindowTextW(w.hwnd, text, 64);
  w.window_text = text;
  ComPtr<IAccessible> acc;
  if (FAILED(
          AccessibleObjectFromWindow(w.hwnd, OBJID_CLIENT, __uuidof(IAccessible), acc.put_void())))
    return;
  long count = 0;
  acc->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  LONG got = 0;
  AccessibleChildren(acc.get(), 0, count, children.data(), &got);
  RECT window{};
  GetWindowRect(w.hwnd, &window);
  for (LONG i = 0; i < got; ++i) {
    w.parts.push_back(describe(acc.get(), children[i].lVal));
    long x = 0, y = 0, cx = 0, cy = 0;
    acc->accLocation(&x, &y, &cx, &cy, children[i]);
    w.inside_window &= cx > 0 && cy > 0 && x >= window.left && y >= window.top &&
                       x + cx <= window.right && y + cy <= window.bottom;
  }
  // The focus moves to the last part, a button that is not the default: the tree and the focus
  // event name it (the event is the native button's: the system's proxy names it).
  if (row.act == got && !row.hide_buttons && got > 4) {
    acc->accSelect(SELFLAG_TAKEFOCUS, child_id(got));
    UniqueVariant focus;
    acc->get_accFocus(focus.put());
    w.focused = focus->lVal;
    for (const Event& e : Listener::seen(EVENT_OBJECT_FOCUS)) {
      ComPtr<IAccessible> from;
      UniqueVariant child;
      BSTR name = nullptr;
      if (SUCCEEDED(
              AccessibleObjectFromEvent(e.hwnd, e.object, e.child, from.put(), child.put()))) {
        const HRESULT hr = from->get_accName(*child.get(), &name);
        w.focus_event_names += text_of(hr, name) + L";";
      }
    }
  }
  w.kept = acc;
  w.action = acc->accDoDefaultAction(child_id(row.act));
}

const Row* g_row = nullptr;

TEST(AccessibleTest, TreeActionsAndEventsOfShownBoxes) {
  const std::wstring title = L"Editor", heading = L"text Editor", close = L"button Close Press",
                     message = L"text Save changes?";
  const Row rows[] = {
      {"Yes/No/Cancel, question icon",
       3 + 32,
       true,
       false,
       {heading, close, message, L"button Yes Alt+Y Press default", L"button No Alt+N Press",
        L"button Cancel Press"},
       6,
       2,
       false},
      {"OK only, exclamation icon, no close box",
       48,
       false,
       false,
       {heading, message, L"button OK Alt+O Press default"},
       3,
       1,
       true},
      {"Abort/Retry/Ignore, stop icon, third default",
       2 + 16 + 512,
       true,
       false,
       {heading, close, message, L"button Abort Alt+A Press", L"button Retry Alt+R Press",
        L"button Ignore Alt+I Press default"},
       4,
       3,
       true},
      {"HideButtons: the close box ends it",
       64,
       true,
       true,
       {heading, close, message},
       2,
       2,
       false},
  };
  Apartment apartment;
  Listener listener;
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"QuillonLib.Quillon", &clsid), S_OK);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ComPtr<_Quillon> q;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon, q.put_void()),
              S_OK);
    q->put_SoundBeep(VARIANT_FALSE);
    q->put_TimerSeconds(5);  // ends a box that nothing else ends
    q->put_ControlBox(row.control_box ? VARIANT_TRUE : VARIANT_FALSE);
    q->put_HideButtons(row.hide_buttons ? VARIANT_TRUE : VARIANT_FALSE);
    g_walk = {};
    g_row = &row;
    {
      std::lock_guard lock(g_events_mutex);
      g_events.clear();
    }
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
      KillTimer(nullptr, id);
      walk_box(*g_row);
    });
    UniqueBstr text(L"Save changes?"), caption(title);
    short result = -1;
    ASSERT_EQ(q->MsgBox(text.get(), row.flags, caption.get(), &result), S_OK);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(g_walk.action, S_OK);
    EXPECT_EQ(g_walk.window_text, title);
    EXPECT_EQ(g_walk.parts, row.parts);
    EXPECT_TRUE(g_walk.inside_window);
    if (row.act == static_cast<long>(row.parts.size()) && row.parts.size() > 4) {
      EXPECT_EQ(g_walk.focused, static_cast<long>(row.parts.size()));
      EXPECT_EQ(g_walk.focus_event_names, L"Cancel;");
    }
    long count = -1;
    ASSERT_TRUE(g_walk.kept);
    EXPECT_EQ(g_walk.kept->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(Listener::seen(EVENT_SYSTEM_DIALOGSTART, g_walk.hwnd).size(), 1u);
    EXPECT_EQ(Listener::seen(EVENT_SYSTEM_ALERT, g_walk.hwnd).size(), row.alert ? 1u : 0u);
    g_walk.kept.reset();
  }
}

}  // namespace
}  // namespace quillon::housing::test
