// Ctrl+C and Ctrl+Insert through the registered DLL: real keys (SendInput) while the box is up put
// the box on the clipboard as Unicode text; the box stays up and its countdown ends it as before.
// (Every button set, caption rule and what stays unchanged: tests/window/message_box_test.cpp.)
#include "com_support.h"

namespace quillon::housing::test {
namespace {

// Inside the box's modal loop, one step every 50 ms: after the first focus, Ctrl and the key go
// down and up through the system's input queue; later the clipboard is read.
WORD g_key = 0;
int g_tick = 0;
std::wstring g_copied;

void CALLBACK step(HWND, UINT, UINT_PTR id, DWORD) {
  if (++g_tick == 6) {
    INPUT in[4]{};
    const WORD keys[] = {VK_CONTROL, g_key, g_key, VK_CONTROL};
    for (int i = 0; i < 4; ++i)
      in[i] = {INPUT_KEYBOARD, {.ki = {keys[i], 0, i < 2 ? 0u : KEYEVENTF_KEYUP, 0, 0}}};
    SendInput(4, in, sizeof in[0]);
  } else if (g_tick == 10) {
    KillTimer(nullptr, id);
    forms::win32::ClipboardScope clipboard(nullptr);
    HANDLE h = clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    const auto* text = h ? static_cast<const wchar_t*>(GlobalLock(h)) : nullptr;
    g_copied = text ? text : L"(none)";
    if (text) GlobalUnlock(h);
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
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.flags) + (row.hide ? " hidden" : ""));
    ComPtr<_Quillon> q;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Quillon, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon, q.put_void()),
        S_OK);
    q->put_SoundBeep(VARIANT_FALSE);
    q->put_TimerSeconds(1);
    q->put_HideButtons(row.hide ? VARIANT_TRUE : VARIANT_FALSE);
    if (forms::win32::ClipboardScope clipboard(nullptr); clipboard) EmptyClipboard();
    g_key = row.key;
    g_tick = 0;
    SetTimer(nullptr, 0, 50, step);
    UniqueBstr text(L"Fish & chips\r\nor not?"), title(L"Caf\u00e9 & Co");
    short result = -1;
    ASSERT_EQ(q->MsgBox(text.get(), row.flags, title.get(), &result), S_OK);
    EXPECT_EQ(result, 0) << "the countdown ended the box";
    EXPECT_EQ(g_copied, std::wstring(dashes) + L"Caf\u00e9 & Co\r\n" + dashes +
                            L"Fish & chips\r\nor not?\r\n" + dashes + row.buttons + L"\r\n" +
                            dashes);
  }
}

}  // namespace
}  // namespace quillon::housing::test
