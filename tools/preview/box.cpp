// Preview of whole message boxes: builds a Quillon object from command-line options, shows the
// box modelessly on the headless backend and renders the window to a PNG file.
//
//   box --flags N --text T --title T [--gradient N] [--heading flat|3d] [--solid] [--align N]
//       [--width N] [--height N] [--hide-buttons] [--no-close-box] [--body RGB] [--buttons RGB]
//       [--heading-colour RGB] [--inactive] --out file.png
//   box --gallery DIR      renders a representative set of boxes into DIR
//
// Texts are UTF-8; "\n" in a text is a line break. Colours are numbers (0x00BBGGRR or decimal).
#include "preview/box.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "component/quillon.h"
#include "forms/headless/headless.h"
#include "window/message_box.h"

namespace {

using quillon::kVbFalse;
using quillon::kVbTrue;
using quillon::Quillon;
namespace headless = quillon::forms::headless;

struct BoxOptions {
  std::int16_t flags = 0;
  std::wstring text = L"Message text";
  std::wstring title;
  int gradient = 0;  // 0: solid body
  int heading = 0;
  bool solid_heading = false;
  int align = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool hide_buttons = false;
  bool close_box = true;
  long long body = -1;
  long long buttons = -1;
  long long heading_colour = -1;
  bool inactive = false;
  std::string out;
};

// UTF-8 to wide text; "\n" (backslash n) becomes a line break.
std::wstring Widen(const std::string& s) {
  std::wstring out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
      out += L"\r\n";
      i += 2;
      continue;
    }
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    ++i;
    for (; extra > 0 && i < s.size(); --extra, ++i) cp = (cp << 6) | (s[i] & 0x3F);
    out += static_cast<wchar_t>(cp);
  }
  return out;
}

long long Number(const std::string& s) {
  std::size_t used = 0;
  const long long v = std::stoll(s, &used, 0);
  if (used != s.size()) throw std::invalid_argument("not a number: " + s);
  return v;
}

BoxOptions Parse(const std::vector<std::string>& args) {
  BoxOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--flags") {
      o.flags = static_cast<std::int16_t>(Number(value()));
    } else if (a == "--text") {
      o.text = Widen(value());
    } else if (a == "--title") {
      o.title = Widen(value());
    } else if (a == "--gradient") {
      o.gradient = static_cast<int>(Number(value()));
    } else if (a == "--heading") {
      const std::string& h = value();
      if (h != "flat" && h != "3d") throw std::invalid_argument("--heading flat or 3d");
      o.heading = h == "3d" ? 1 : 0;
    } else if (a == "--solid") {
      o.solid_heading = true;
    } else if (a == "--align") {
      o.align = static_cast<int>(Number(value()));
    } else if (a == "--width") {
      o.width = static_cast<std::int32_t>(Number(value()));
    } else if (a == "--height") {
      o.height = static_cast<std::int32_t>(Number(value()));
    } else if (a == "--hide-buttons") {
      o.hide_buttons = true;
    } else if (a == "--no-close-box") {
      o.close_box = false;
    } else if (a == "--body") {
      o.body = Number(value());
    } else if (a == "--buttons") {
      o.buttons = Number(value());
    } else if (a == "--heading-colour") {
      o.heading_colour = Number(value());
    } else if (a == "--inactive") {
      o.inactive = true;
    } else if (a == "--out") {
      o.out = value();
    } else {
      throw std::invalid_argument("unknown option " + a);
    }
  }
  if (o.out.empty()) throw std::invalid_argument("--out file.png is required");
  return o;
}

// Shows one box on a fresh headless screen and writes its picture.
void Render(const BoxOptions& o) {
  headless::HeadlessBackend backend;
  quillon::forms::BackendScope scope(backend);
  struct Release {
    ~Release() { quillon::window::ReleaseThreadWindows(); }
  } release;

  Quillon q;
  q.SetModal(kVbFalse);
  q.SetSoundBeep(kVbFalse);
  if (o.gradient > 0) {
    q.SetGradientPaint(kVbTrue);
    q.SetGradientDirection(o.gradient);
  }
  q.SetHeadingType(o.heading);
  q.SetSolidColorHeading(o.solid_heading ? kVbTrue : kVbFalse);
  q.SetTextAlignment(o.align);
  q.SetWidth(o.width);
  q.SetHeight(o.height);
  q.SetHideButtons(o.hide_buttons ? kVbTrue : kVbFalse);
  q.SetControlBox(o.close_box ? kVbTrue : kVbFalse);
  if (o.body >= 0) q.SetBackColorBody(static_cast<quillon::forms::OleColor>(o.body));
  if (o.buttons >= 0) q.SetBackColorButtons(static_cast<quillon::forms::OleColor>(o.buttons));
  if (o.heading_colour >= 0)
    q.SetBackColorHeading(static_cast<quillon::forms::OleColor>(o.heading_colour));
  q.MsgBox(o.text, o.flags, o.title);

  auto up = quillon::window::LoadedWindows();
  if (up.empty()) throw std::runtime_error("the message box did not come up");
  backend.run_for(100);  // the watcher's first tick
  if (o.inactive) {
    backend.activate_other_program();
    backend.run_script();
    backend.run_for(100);
  }
  headless::save_png(headless::render(*up.front()), o.out);
}

struct GalleryBox {
  const char* file;
  std::vector<std::string> args;
};

const std::vector<GalleryBox>& Gallery() {
  static const std::vector<GalleryBox> boxes = {
      {"set0-ok", {"--flags", "0", "--text", "The file has been saved."}},
      {"set1-ok-cancel", {"--flags", "1", "--text", "Send the report now?"}},
      {"set2-abort-retry-ignore", {"--flags", "2", "--text", "The drive is not ready."}},
      {"set3-yes-no-cancel", {"--flags", "3", "--text", "Save changes to Untitled?"}},
      {"set4-yes-no", {"--flags", "4", "--text", "Delete this item?"}},
      {"set5-retry-cancel", {"--flags", "5", "--text", "The printer is busy."}},
      {"set6-no-buttons", {"--flags", "6", "--text", "Close me with Escape."}},
      {"icon16-stop", {"--flags", "16", "--text", "A serious error occurred."}},
      {"icon32-question", {"--flags", "36", "--text", "Do you want to continue?"}},
      {"icon48-exclamation", {"--flags", "49", "--text", "Disk space is low."}},
      {"icon64-information", {"--flags", "64", "--text", "Backup finished."}},
      {"icon80-none", {"--flags", "80", "--text", "Icon value 80 names no stock icon."}},
      {"align0-left", {"--flags", "1", "--text", "Left\\nalignment of\\nthree lines"}},
      {"align1-right",
       {"--flags", "1", "--align", "1", "--text", "Right\\nalignment of\\nthree lines"}},
      {"align2-centre",
       {"--flags", "1", "--align", "2", "--text", "Centred\\nalignment of\\nthree lines"}},
      {"heading-3d", {"--flags", "4", "--heading", "3d", "--text", "A 3-D heading."}},
      {"heading-solid", {"--flags", "0", "--solid", "--text", "A solid heading."}},
      {"heading-inactive", {"--flags", "0", "--inactive", "--text", "An inactive heading."}},
      {"width4000-wrap",
       {"--flags", "48", "--width", "4000", "--text",
        "With a fixed width of 4000 twips the message wraps at word boundaries beside the "
        "icon, and the window grows in height to hold every line of it."}},
      {"hide-buttons", {"--flags", "3", "--hide-buttons", "--text", "No buttons at all."}},
      {"no-close-box", {"--flags", "0", "--no-close-box", "--text", "No close box."}},
      {"gradient1-bands", {"--flags", "64", "--gradient", "1", "--text", "Top to bottom."}},
      {"gradient3-bands", {"--flags", "4", "--gradient", "3", "--text", "Left to right."}},
      {"gradient5-diamond", {"--flags", "32", "--gradient", "5", "--text", "A diamond body."}},
      {"gradient13-circle", {"--flags", "1", "--gradient", "13", "--text", "A circle body."}},
      {"colours",
       {"--flags", "3", "--body", "0x00E0FFFF", "--buttons", "0x00C0E0C0", "--heading-colour",
        "0x00603000", "--text", "Custom colours & an ampersand."}},
      {"title-and-text-unicode",
       {"--flags", "64", "--title",
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        "--text", "Na\xC3\xAFve caf\xC3\xA9 text."}},
  };
  return boxes;
}

}  // namespace

int preview_box(int argc, char** argv) {
  try {
    std::vector<std::string> args(argv, argv + argc);
    // Leading words (the program name, a sub-command) are not options.
    while (!args.empty() && args.front().rfind("--", 0) != 0) args.erase(args.begin());
    if (args.size() == 2 && args[0] == "--gallery") {
      const std::filesystem::path dir = args[1];
      std::filesystem::create_directories(dir);
      for (const auto& box : Gallery()) {
        std::vector<std::string> a = box.args;
        a.push_back("--out");
        a.push_back((dir / (std::string(box.file) + ".png")).string());
        Render(Parse(a));
      }
      std::printf("%zu boxes in %s\n", Gallery().size(), dir.string().c_str());
      return 0;
    }
    Render(Parse(args));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "box: %s\n", e.what());
    return 1;
  }
}
