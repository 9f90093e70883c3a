// A headless screen of 1024 x 768 pixels at 15 twips per pixel for tests that show message
// boxes, and helpers to look at the windows that are up.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/quillon.h"
#include "forms/headless/headless.h"
#include "msgdefs/shared.h"
#include "window/message_box.h"

namespace quillon::testing {

class BoxTest : public ::testing::Test {
 protected:
  ~BoxTest() override { window::ReleaseThreadWindows(); }

  // The one window of this thread that is up.
  static window::MessageBox& Up() {
    auto up = window::LoadedWindows();
    if (up.size() != 1) throw std::runtime_error("expected exactly one window up");
    return *up.front();
  }
  // Captions of the buttons that are shown, in index order.
  static std::vector<std::wstring> ShownCaptions(const window::MessageBox& w) {
    std::vector<std::wstring> out;
    for (int i = 0; i <= 3; ++i)
      if (w.MsgButton(i).Visible()) out.push_back(w.MsgButton(i).Caption());
    return out;
  }
  // Index of the default button, -1 when there is none.
  static int DefaultIndex(const window::MessageBox& w) {
    for (int i = 0; i <= 3; ++i)
      if (w.MsgButton(i).Default()) return i;
    return -1;
  }
  // Shows a modeless box through q and returns its window.
  static window::MessageBox& Modeless(Quillon& q, const std::wstring& message,
                                      std::int16_t flags = 0, const std::wstring& title = L"") {
    q.SetModal(kVbFalse);
    EXPECT_EQ(q.MsgBox(message, flags, title), 0) << "a modeless call returns at once with 0";
    return Up();
  }
  int Count(const std::string& event) const {
    int n = 0;
    for (const auto& e : backend.log()) n += e == event ? 1 : 0;
    return n;
  }

  forms::headless::HeadlessBackend backend;
  forms::BackendScope scope{backend};
};

}  // namespace quillon::testing
