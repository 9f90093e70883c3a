// MsgBox with settings, flags word, message and title all taken from the input, on a fresh
// headless screen. A modal call gets a script that ends it (Escape, a button, the close box or
// the countdown) after some other input; a modeless window is rendered and run for a while.
// Invariants: nothing throws out of MsgBox, the result is a result code, and once the thread's
// windows are released nothing is left up.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "component/quillon.h"
#include "forms/headless/headless.h"
#include "fuzz_input.h"
#include "window/message_box.h"

namespace {

using namespace quillon;
namespace headless = quillon::forms::headless;

constexpr std::size_t kMaxText = 3000;

// One property setter chosen by the input, with a value chosen by the input. The enumeration
// setters refuse values outside 16 bits with an overflow error, which a caller sees.
// A size setting: mostly one the default screen holds, sometimes beyond any screen (legal, but
// every surface of such a window is filled and painted pixel by pixel, which would dominate the
// run if it were common).
std::int32_t Size(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 15)) {
    case 0:
      return fuzz::boundary_int(in);
    case 1:
      return in.ConsumeIntegralInRange(-100, 20000);
    default:
      return in.ConsumeIntegralInRange(-100, 8000);
  }
}

void SetOneProperty(Quillon& q, FuzzedDataProvider& in) {
  auto vb = [&]() -> VbBool {
    return in.ConsumeBool() ? static_cast<VbBool>(in.ConsumeIntegral<std::int16_t>())
                            : (in.ConsumeBool() ? kVbTrue : kVbFalse);
  };
  try {
    switch (in.ConsumeIntegralInRange(0, 22)) {
      case 0:
        q.SetBackColorBody(fuzz::colour(in));
        break;
      case 1:
        q.SetBackColorButtons(fuzz::colour(in));
        break;
      case 2:
        q.SetBackColorHeading(fuzz::colour(in));
        break;
      case 3:
        q.SetForeColorBody(fuzz::colour(in));
        break;
      case 4:
        q.SetForeColorHeading(fuzz::colour(in));
        break;
      case 5:
        q.SetGradientPaint(vb());
        break;
      case 6:
        q.SetSolidColorHeading(vb());
        break;
      case 7:
        q.SetMoveable(vb());
        break;
      case 8:
        q.SetKeepOnTop(vb());
        break;
      case 9:
        q.SetModal(vb());
        break;
      case 10:
        q.SetSoundBeep(vb());
        break;
      case 11:
        q.SetControlBox(vb());
        break;
      case 12:
        q.SetHideButtons(vb());
        break;
      case 13:
        q.SetGradientDirection(fuzz::boundary_int(in));
        break;
      case 14:
        q.SetHeadingType(fuzz::boundary_int(in));
        break;
      case 15:
        q.SetTextAlignment(fuzz::boundary_int(in));
        break;
      case 16:
        q.SetStartUpPosition(fuzz::boundary_int(in));
        break;
      case 17:
        q.SetTimerSeconds(static_cast<std::int16_t>(fuzz::boundary_int(in)));
        break;
      case 18:
        q.SetTop(fuzz::boundary_int(in));
        break;
      case 19:
        q.SetLeft(fuzz::boundary_int(in));
        break;
      case 20:
        q.SetHeight(Size(in));
        break;
      case 21:
        q.SetWidth(Size(in));
        break;
      default:
        q.SetDefaultTitle(fuzz::text(in, 400));
        break;
    }
  } catch (const forms::Error& e) {
    if (e.number() != forms::kErrOverflow)
      fuzz::fail("a property setter raised a non-overflow error");
  }
}

// Input queued for a modal showing: a few steps of any kind, then (usually) one that ends it.
void Script(headless::HeadlessBackend& hb, Quillon& q, FuzzedDataProvider& in) {
  static const char* kMouseTargets[] = {"TopHeading", "TopCaption", "Background", "MsgText",
                                        "ControlBoxUp"};
  const int steps = in.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < steps; ++i) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
      case 0:
        hb.key(in.ConsumeIntegralInRange(0, 255), in.ConsumeIntegralInRange(0, 7));
        break;
      case 1:
        hb.key_down(27);
        break;
      case 2:
        hb.key_up(27);
        break;
      case 3:
        hb.wait(in.ConsumeIntegralInRange(0, 5000));
        break;
      case 4:
        hb.click("MsgButton", in.ConsumeIntegralInRange(0, 3));
        break;
      case 5:
        hb.mouse_down(kMouseTargets[in.ConsumeIntegralInRange<std::size_t>(0, 4)], -1,
                      in.ConsumeIntegralInRange(1, 4), fuzz::single(in), fuzz::single(in));
        break;
      case 6:
        hb.mouse_up(in.ConsumeIntegralInRange(1, 4), fuzz::single(in), fuzz::single(in));
        break;
      case 7:
        hb.activate_other_program();
        break;
      case 8:
        hb.return_to_form();
        break;
      default: {
        // A call made while the window is up (from a host event during the modal wait): it gets a
        // window of its own, shown modeless so that it returns at once.
        const std::wstring nested = fuzz::text(in, 200);
        const auto flags = in.ConsumeIntegral<std::int16_t>();
        hb.call([&q, nested, flags] {
          const VbBool was = q.Modal();
          q.SetModal(kVbFalse);
          const std::int16_t r = q.MsgBox(nested, flags, L"nested");
          if (r != 0) fuzz::fail("a modeless call returned a result");
          q.SetModal(was);
        });
        break;
      }
    }
  }
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
      hb.key(27);
      break;
    case 1:
      hb.click("MsgButton", in.ConsumeIntegralInRange(0, 3));
      break;
    case 2:
      hb.mouse_down("ControlBoxUp");
      hb.mouse_up();
      break;
    case 3:
      hb.wait(in.ConsumeIntegralInRange(0, 40000));
      break;
    default:
      break;  // nothing: the countdown, or the stall guard, ends the wait
  }
}

// Renders a window as the user would see it, unless it is far larger than any screen (a Width or
// Height setting may ask for that; rendering it pixel by pixel would only slow the run down).
void Render(const window::MessageBox& w) {
  if (!w.IsLoaded()) return;
  const double px = static_cast<double>(w.Width()) * w.Height() / (12.0 * 12.0);
  if (!(px <= 2e5)) return;
  const headless::RgbImage img = headless::render(w);
  if (img.pixels.size() != static_cast<std::size_t>(img.width) * img.height)
    fuzz::fail("render gave an image of the wrong size");
}

// The oldest and the newest window that are up (nested calls may have put up many more).
void RenderUp(const std::vector<window::MessageBox*>& up) {
  if (up.empty()) return;
  Render(*up.front());
  if (up.size() > 1) Render(*up.back());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);

  headless::ScreenSpec screen;
  if (in.ConsumeBool()) {
    screen.width_px = 320;
    screen.height_px = 200;
    screen.twips_per_pixel = in.ConsumeBool() ? 12.0f : 15.0f;
    screen.icon_px = in.ConsumeBool() ? 16 : 32;
  }
  headless::HeadlessBackend hb(screen);
  forms::BackendScope scope(hb);
  // A modal window's countdown is at most 5 s below: one idle for longer has stalled (the
  // watcher would tick 6,000 times through the default 10 minutes).
  hb.set_modal_idle_limit(10'000);
  if (in.ConsumeBool()) {
    const int l = fuzz::boundary_int(in), t = fuzz::boundary_int(in);
    const int r = fuzz::boundary_int(in), b = fuzz::boundary_int(in);
    hb.set_caller_window(fuzz::text(in, 300), {l, t, r, b});
  }
  if (in.ConsumeBool())
    hb.set_sys_color(in.ConsumeIntegralInRange(0, 30), fuzz::colour(in) & 0xFFFFFF);

  {
    // One to three calls on the thread, the later ones on the window the earlier ones left (its
    // focus index, countdown and activity fields survive an unload), with settings changed between.
    Quillon q;
    const int calls = in.ConsumeIntegralInRange(1, 3);
    for (int call = 0; call < calls; ++call) {
      const int settings = in.ConsumeIntegralInRange(0, call == 0 ? 24 : 6);
      for (int i = 0; i < settings; ++i) SetOneProperty(q, in);
      const bool modal = in.ConsumeBool();
      q.SetModal(modal ? kVbTrue : kVbFalse);
      if (modal) {
        // Keep the modal wait short: a countdown of a few seconds, or none.
        q.SetTimerSeconds(static_cast<std::int16_t>(in.ConsumeIntegralInRange(0, 5)));
        Script(hb, q, in);
      }
      const auto flags = in.ConsumeIntegral<std::int16_t>();
      const std::wstring title = fuzz::text(in, kMaxText);
      const std::wstring message = fuzz::text(in, kMaxText);

      // The call takes the thread's first window that is not up.
      window::MessageBox* own = &window::WindowForCall();
      std::int16_t result = -1;
      try {
        result = q.MsgBox(message, flags, title);
      } catch (...) {
        fuzz::fail("MsgBox threw");
      }
      if (result < 0 || result > 7) fuzz::fail("MsgBox returned a code outside 0..7");
      if (!modal && result != 0) fuzz::fail("a modeless call returned a result");
      if (modal && own->IsLoaded()) fuzz::fail("a modal call returned with its window still up");

      if (!modal && !window::LoadedWindows().empty()) {
        // The modeless window lives on: its watcher and countdown tick, scripted input arrives.
        try {
          Script(hb, q, in);
          hb.run_script();
          hb.run_for(in.ConsumeIntegralInRange(0, 3000));
        } catch (const std::runtime_error&) {
          // Scripted input for a window that has gone: the script's own complaint.
        }
      }
    }
    // What is still up at the end, as the user would see it.
    RenderUp(window::LoadedWindows());
  }
  window::ReleaseThreadWindows();
  if (!window::LoadedWindows().empty()) fuzz::fail("windows left up after release");
  return 0;
}
