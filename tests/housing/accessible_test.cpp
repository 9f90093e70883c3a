// What a screen reader sees of a shown box, through the registered DLL: the window's text, the
// accessible tree (AccessibleObjectFromWindow, AccessibleChildren) in reading order with names,
// roles, access keys, default actions, states and places, the default action doing what a click
// does, the object a client keeps after the box went (disconnected, yet holding the library), and
// the win events of a showing and of a focus change, seen by an out-of-context listener on a
// thread of its own.
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

// Records every win event of this process until it goes.
class Listener {
 public:
  Listener() {
    std::promise<void> up;
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
    up.get_future().wait();
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

VARIANT child_id(long id) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// " " and a string member of a part, or nothing when the part has none.
template <class Getter>
std::wstring member(IAccessible* acc, Getter get, long id) {
  UniqueBstr b;
  return (acc->*get)(child_id(id), b.put()) == S_OK ? L" " + b.str() : L"";
}

// One part as its role, name, access key, default action, and "default" for the default button.
std::wstring describe(IAccessible* acc, long id) {
  UniqueVariant role, state;
  acc->get_accRole(child_id(id), role.put());
  acc->get_accState(child_id(id), state.put());
  return (role->lVal == ROLE_SYSTEM_PUSHBUTTON ? L"button" : L"text") +
         member(acc, &IAccessible::get_accName, id) +
         member(acc, &IAccessible::get_accKeyboardShortcut, id) +
         member(acc, &IAccessible::get_accDefaultAction, id) +
         (state->lVal & STATE_SYSTEM_DEFAULT ? L" default" : L"");
}

enum Options { kCloseBox = 1, kHideButtons = 2, kAlert = 4 };
struct Row {
  const char* what;
  short flags;
  int options;
  const wchar_t* parts;  // in reading order, each followed by "|"
  long act;              // the part whose default action ends the showing
  short result;
};

struct Walk {
  std::wstring parts;
  bool inside_window = true;  // every part's place lies in the window
  long focused = 0;           // the tree's focus after it moved to the last part
  std::wstring focus_event;   // the name that the focus event gives
  HRESULT action = E_FAIL;
  ComPtr<IAccessible> kept;
} g_walk;
const Row* g_row = nullptr;
const wchar_t kTitle[] = L"Editor";

// Inside the box's modal loop: find the box by its window text, walk its tree, move the focus to
// the last part (when that is a button other than the default), then act.
void walk_box() {
  Walk& w = g_walk;
  const HWND box = FindWindowW(nullptr, kTitle);
  ComPtr<IAccessible> acc;
  if (FAILED(AccessibleObjectFromWindow(box, OBJID_CLIENT, __uuidof(IAccessible), acc.put_void())))
    return;
  long count = 0;
  acc->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  AccessibleChildren(acc.get(), 0, count, children.data(), &count);
  RECT window{};
  GetWindowRect(box, &window);
  for (const VARIANT& child : children) {
    w.parts += describe(acc.get(), child.lVal) + L"|";
    long x = 0, y = 0, cx = 0, cy = 0;
    acc->accLocation(&x, &y, &cx, &cy, child);
    w.inside_window &= cx > 0 && cy > 0 && x >= window.left && y >= window.top &&
                       x + cx <= window.right && y + cy <= window.bottom;
  }
  if (g_row->act == count && count > 4) {
    acc->accSelect(SELFLAG_TAKEFOCUS, child_id(count));
    UniqueVariant focus, child;
    acc->get_accFocus(focus.put());
    w.focused = focus->lVal;
    // The focus events so far, named through the objects they lead to: the first focus of the
    // showing, then the move (its event may still be on the way).
    for (int i = 0; i < 100 && w.focus_event.find(L"Cancel") == std::wstring::npos; ++i) {
      if (i) Sleep(10);
      w.focus_event.clear();
      ComPtr<IAccessible> from;
      for (const Event& e : Listener::seen(EVENT_OBJECT_FOCUS))
        if (SUCCEEDED(
                AccessibleObjectFromEvent(e.hwnd, e.object, e.child, from.put(), child.put())))
          w.focus_event += member(from.get(), &IAccessible::get_accName, child->lVal);
    }
  }
  w.kept = acc;
  w.action = acc->accDoDefaultAction(child_id(g_row->act));
}

TEST(AccessibleTest, TreeActionsAndEventsOfShownBoxes) {
  const Row rows[] = {
      {"Yes/No/Cancel, question icon", 3 + 32, kCloseBox,
       L"text Editor|button Close Press|text Save?|button Yes Alt+Y Press default|"
       L"button No Alt+N Press|button Cancel Press|",
       6, 2},
      {"OK only, exclamation icon, no close box", 48, kAlert,
       L"text Editor|text Save?|button OK Alt+O Press default|", 3, 1},
      {"Abort/Retry/Ignore, stop icon, the third the default", 2 + 16 + 512, kCloseBox | kAlert,
       L"text Editor|button Close Press|text Save?|button Abort Alt+A Press|"
       L"button Retry Alt+R Press|button Ignore Alt+I Press default|",
       4, 3},
      {"hidden buttons: the close box ends it", 64, kCloseBox | kHideButtons,
       L"text Editor|button Close Press|text Save?|", 2, 2},
  };
  Apartment apartment;
  Listener listener;
  const auto can_unload = export_of<HRESULT(WINAPI*)()>("DllCanUnloadNow");
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"QuillonLib.Quillon", &clsid), S_OK);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ComPtr<_Quillon> q;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon, q.put_void()),
              S_OK);
    q->put_SoundBeep(VARIANT_FALSE);
    q->put_TimerSeconds(5);  // ends a box that nothing else ends
    q->put_ControlBox(row.options & kCloseBox ? VARIANT_TRUE : VARIANT_FALSE);
    q->put_HideButtons(row.options & kHideButtons ? VARIANT_TRUE : VARIANT_FALSE);
    g_walk = {};
    g_row = &row;
    {
      std::lock_guard lock(g_events_mutex);
      g_events.clear();
    }
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
      KillTimer(nullptr, id);
      walk_box();
    });
    UniqueBstr text(L"Save?"), title(kTitle);
    short result = -1;
    ASSERT_EQ(q->MsgBox(text.get(), row.flags, title.get(), &result), S_OK);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(g_walk.action, S_OK);
    EXPECT_EQ(g_walk.parts, row.parts);
    EXPECT_TRUE(g_walk.inside_window);
    if (row.act == 6) {
      EXPECT_EQ(g_walk.focused, 6);
      EXPECT_EQ(g_walk.focus_event, L" Yes Cancel");
    }
    long count = -1;
    ASSERT_TRUE(g_walk.kept);
    EXPECT_EQ(g_walk.kept->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    q.reset();  // the kept object alone holds the library
    EXPECT_EQ(can_unload(), S_FALSE);
    g_walk.kept.reset();
    EXPECT_EQ(can_unload(), S_OK);
    EXPECT_EQ(Listener::seen(EVENT_SYSTEM_DIALOGSTART).size(), 1u);
    EXPECT_EQ(Listener::seen(EVENT_SYSTEM_ALERT).size(), row.options & kAlert ? 1u : 0u);
  }
}

}  // namespace
}  // namespace quillon::housing::test
