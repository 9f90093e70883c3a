// Ctrl+C and Ctrl+Insert through the registered DLL: real keys (SendInput) while the box is up put
// the box on the clipboard as Unicode text; the box stays up with its focus, and its countdown
// ends it as before. (Every button set and caption rule: tests/window/message_box_test.cpp.)
#include "com_support.h"

namespace quillon::housing::test {
namespace {

void send_key(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

std::wstring clipboard_text() {
  std::wstring text = L"(none)";
  forms::win32::ClipboardScope clipboard(nullptr);
  if (HANDLE h = clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr)
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
      text = p;
      GlobalUnlock(h);
    }
  return text;
}

// Inside the box's modal loop, one step every 50 ms: wait for the first focus, press the chord,
// then read the clipboard and the focus.
struct Showing {
  WORD key = 0;
  int tick = 0;
  HWND focus_before = nullptr, focus_after = nullptr;
  std::wstring copied;
} g_showing;

void CALLBACK step(HWND, UINT, UINT_PTR id, DWORD) {
  Showing& r = g_showing;
  if (++r.tick == 6) {
    r.focus_before = GetFocus();
    send_key(VK_CONTROL, true);
    send_key(r.key, true);
    send_key(r.key, false);
    send_key(VK_CONTROL, false);
  } else if (r.tick == 10) {
    KillTimer(nullptr, id);
    r.focus_after = GetFocus();
    r.copied = clipboard_text();
  }
}

TEST(CopyTest, CtrlCAndCtrlInsertPutTheBoxOnTheClipboard) {
  const wchar_t dashes[] = L"---------------------------\r\n";
  const struct {
    short flags;
    bool hide;
    WORD key;
    const wchar_t* buttons;
  } rows[] = {{3 + 32, false, 'C', L"Yes   No   Cancel   "},
              {3 + 32, true, VK_INSERT, L""},
              {1, false, VK_INSERT, L"OK   Cancel   "},
              {1, true, 'C', L""}};
  Apartment apartment;
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"QuillonLib.Quillon", &clsid), S_OK);
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.flags) + (row.hide ? " hidden" : "") + " key " +
                 std::to_string(row.key));
    ComPtr<_Quillon> q;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon, q.put_void()),
              S_OK);
    q->put_SoundBeep(VARIANT_FALSE);
    q->put_TimerSeconds(1);
    q->put_HideButtons(row.hide ? VARIANT_TRUE : VARIANT_FALSE);
    if (forms::win32::ClipboardScope clipboard(nullptr); clipboard) EmptyClipboard();
    g_showing = Showing{};
    g_showing.key = row.key;
    SetTimer(nullptr, 0, 50, step);
    UniqueBstr text(L"Fish & chips\r\nor not?"), title(L"Caf\u00e9 & Co");
    short result = -1;
    ASSERT_EQ(q->MsgBox(text.get(), row.flags, title.get(), &result), S_OK);
    EXPECT_EQ(result, 0) << "the countdown ended the box";
    EXPECT_EQ(g_showing.copied, std::wstring(dashes) + L"Caf\u00e9 & Co\r\n" + dashes +
                                    L"Fish & chips\r\nor not?\r\n" + dashes + row.buttons +
                                    L"\r\n" + dashes);
    EXPECT_EQ(g_showing.focus_after, g_showing.focus_before);
  }
}

}  // namespace
}  // namespace quillon::housing::test
