// Preview of whole message boxes: builds a Quillon object from command-line options, shows the
// box modelessly on the headless backend and renders the window to a PNG file.
//
//   box [--text T] [--flags N] [--title T] [--PropertyName VALUE ...] [--inactive]
//       [--high-contrast] [--dpi N] --out file.png
//   box --gallery DIR      renders a representative set of boxes into DIR
//
// Every property of the component is an option of its own name (kProperties); `preview --help`
// lists them. Texts are UTF-8; "\n" in a text is a line break.
#include "preview/box.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "component/quillon.h"
#include "forms/headless/headless.h"
#include "window/message_box.h"

namespace {

using quillon::kVbFalse;
using quillon::kVbTrue;
using quillon::Quillon;
using quillon::forms::OleColor;
namespace headless = quillon::forms::headless;

// How a property's value is written on the command line.
enum class Kind { kColour, kBoolean, kEnumeration, kShort, kTwips, kText };

using Setter = std::variant<void (Quillon::*)(OleColor), void (Quillon::*)(std::int16_t),
                            void (Quillon::*)(std::int32_t), void (Quillon::*)(std::wstring)>;

struct Property {
  const char* name;
  Kind kind;
  Setter set;
  const char* help;
};

// The component's properties in the type library's order, each with its setter.
const Property kProperties[] = {
    {"BackColorBody", Kind::kColour, &Quillon::SetBackColorBody, "the body"},
    {"BackColorButtons", Kind::kColour, &Quillon::SetBackColorButtons, "the buttons"},
    {"BackColorHeading", Kind::kColour, &Quillon::SetBackColorHeading, "the heading bar"},
    {"ForeColorBody", Kind::kColour, &Quillon::SetForeColorBody, "the message"},
    {"ForeColorHeading", Kind::kColour, &Quillon::SetForeColorHeading, "the title"},
    {"GradientPaint", Kind::kBoolean, &Quillon::SetGradientPaint,
     "a shaded or patterned body (GradientDirection)"},
    {"GradientDirection", Kind::kEnumeration, &Quillon::SetGradientDirection,
     "1-4 bands, 5-16 diamond and circles (with GradientPaint True)"},
    {"HeadingType", Kind::kEnumeration, &Quillon::SetHeadingType, "0 flat, 1 3-D"},
    {"SolidColorHeading", Kind::kBoolean, &Quillon::SetSolidColorHeading,
     "the heading in one colour, not shaded"},
    {"TextAlignment", Kind::kEnumeration, &Quillon::SetTextAlignment, "0 left, 1 right, 2 centre"},
    {"Moveable", Kind::kBoolean, &Quillon::SetMoveable, "dragged by its body"},
    {"KeepOnTop", Kind::kBoolean, &Quillon::SetKeepOnTop, "always on top"},
    {"Modal", Kind::kBoolean, &Quillon::SetModal, "taken, but the preview shows modelessly"},
    {"TimerSeconds", Kind::kShort, &Quillon::SetTimerSeconds, "closes itself after N seconds"},
    {"SoundBeep", Kind::kBoolean, &Quillon::SetSoundBeep, "the message sound (silent here)"},
    {"ControlBox", Kind::kBoolean, &Quillon::SetControlBox, "the close box"},
    {"StartUpPosition", Kind::kEnumeration, &Quillon::SetStartUpPosition,
     "0 manual, 1 centre of form, 2 centre of screen"},
    {"Top", Kind::kTwips, &Quillon::SetTop, "with StartUpPosition 0"},
    {"Left", Kind::kTwips, &Quillon::SetLeft, "with StartUpPosition 0"},
    {"Height", Kind::kTwips, &Quillon::SetHeight, "0: fitted to the contents"},
    {"Width", Kind::kTwips, &Quillon::SetWidth, "0: fitted to the contents"},
    {"DefaultTitle", Kind::kText, &Quillon::SetDefaultTitle, "the title when the call has none"},
    {"HideButtons", Kind::kBoolean, &Quillon::SetHideButtons, "no buttons"},
};

// One property option as given, its value checked.
struct Setting {
  const Property* property;
  std::string text;
  long long number = 0;
  std::wstring wide;
};

struct BoxOptions {
  std::int16_t flags = 0;
  std::wstring text = L"Message text";
  std::wstring title;
  std::vector<Setting> settings;
  bool inactive = false;
  bool high_contrast = false;
  int dpi = 96;
  std::string out;
};

// A high-contrast black scheme, as a user might choose it: system colour index and its value.
constexpr std::pair<int, quillon::forms::Rgb> kHighContrastBlack[] = {
    {2, quillon::forms::rgb(128, 0, 128)},
    {3, quillon::forms::rgb(0, 128, 0)},
    {5, 0},
    {8, quillon::forms::rgb(255, 255, 255)},
    {9, quillon::forms::rgb(255, 255, 255)},
    {13, quillon::forms::rgb(26, 235, 255)},
    {14, 0},
    {15, 0},
    {16, quillon::forms::rgb(128, 128, 128)},
    {18, quillon::forms::rgb(255, 255, 255)},
    {19, quillon::forms::rgb(255, 255, 255)},
    {20, quillon::forms::rgb(255, 255, 255)},
    {21, quillon::forms::rgb(255, 255, 255)},
    {22, quillon::forms::rgb(192, 192, 192)}};

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

[[noreturn]] void Refuse(const std::string& option, const std::string& value,
                         const std::string& why) {
  throw std::invalid_argument(option + " " + value + ": " + why);
}

// A decimal or 0x-hex number, optionally negative, within [low, high].
long long Number(const std::string& option, const std::string& s, long long low, long long high) {
  std::string_view v = s;
  const bool negative = v.starts_with('-');
  if (negative) v.remove_prefix(1);
  int base = 10;
  if (v.starts_with("0x") || v.starts_with("0X")) {
    base = 16;
    v.remove_prefix(2);
  }
  unsigned long long u = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), u, base);
  if (ec == std::errc::invalid_argument || end != v.data() + v.size())
    Refuse(option, s, "not a number (decimal or 0x hex)");
  const auto magnitude = static_cast<long long>(u > (1ULL << 40) ? 1ULL << 40 : u);
  const long long n = negative ? -magnitude : magnitude;
  if (ec != std::errc() || n < low || n > high)
    Refuse(option, s, "out of range " + std::to_string(low) + ".." + std::to_string(high));
  return n;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

long long Boolean(const std::string& option, const std::string& s) {
  if (Lower(s) == "true" || s == "1" || s == "-1") return kVbTrue;
  if (Lower(s) == "false" || s == "0") return kVbFalse;
  Refuse(option, s, "not a Boolean (True, False, 1, 0 or -1)");
}

Setting Read(const Property& p, const std::string& option, const std::string& s) {
  Setting v{&p, s, 0, {}};
  switch (p.kind) {
    case Kind::kColour:
      v.number = Number(option, s, INT32_MIN, UINT32_MAX);
      break;
    case Kind::kBoolean:
      v.number = Boolean(option, s);
      break;
    case Kind::kShort:
      v.number = Number(option, s, INT16_MIN, INT16_MAX);
      break;
    case Kind::kEnumeration:
    case Kind::kTwips:
      v.number = Number(option, s, INT32_MIN, INT32_MAX);
      break;
    case Kind::kText:
      v.wide = Widen(s);
      break;
  }
  return v;
}

const Property* Find(const std::string& option) {
  for (const auto& p : kProperties)
    if (option == std::string("--") + p.name) return &p;
  return nullptr;
}

// The property that the option names in another case, for the error message.
std::string Suggest(const std::string& option) {
  for (const auto& p : kProperties)
    if (Lower(option) == Lower(std::string("--") + p.name))
      return std::string(" (did you mean --") + p.name + "?)";
  return "";
}

BoxOptions Parse(const std::vector<std::string>& args) {
  BoxOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      // The next option is not taken as a value ("--Width --out f.png").
      if (i + 1 >= args.size() || (args[i + 1].starts_with("--") && args[i + 1].size() > 2 &&
                                   std::isalpha(static_cast<unsigned char>(args[i + 1][2]))))
        throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (const Property* p = Find(a)) {
      const std::string& v = value();
      o.settings.push_back(Read(*p, a, v));
    } else if (a == "--flags") {
      const std::string& v = value();
      o.flags = static_cast<std::int16_t>(Number(a, v, INT16_MIN, INT16_MAX));
    } else if (a == "--text" || a == "--message") {
      o.text = Widen(value());
    } else if (a == "--title") {
      o.title = Widen(value());
    } else if (a == "--inactive") {
      o.inactive = true;
    } else if (a == "--high-contrast") {
      o.high_contrast = true;
    } else if (a == "--dpi") {
      const std::string& v = value();
      o.dpi = static_cast<int>(Number(a, v, 48, 480));
    } else if (a == "--out") {
      o.out = value();
    } else {
      throw std::invalid_argument("unknown option " + a + Suggest(a));
    }
  }
  if (o.out.empty()) throw std::invalid_argument("--out file.png is required");
  return o;
}

// One setting through the property's setter; an enumeration beyond 16 bits fails there.
void Apply(Quillon& q, const Setting& s) {
  auto call = [&]<class Arg>(void (Quillon::*set)(Arg)) {
    if constexpr (std::is_same_v<Arg, std::wstring>)
      (q.*set)(s.wide);
    else
      (q.*set)(static_cast<Arg>(s.number));
  };
  try {
    std::visit(call, s.property->set);
  } catch (const quillon::forms::Error& e) {
    Refuse(std::string("--") + s.property->name, s.text, e.what());
  }
}

// Shows one box on a fresh headless screen and writes its picture.
void Render(const BoxOptions& o) {
  // The screen at the DPI: its twips per pixel, and the icon size that goes with it.
  headless::HeadlessBackend backend(
      {1024, 768, 1440.0f / static_cast<float>(o.dpi), (32 * o.dpi + 48) / 96});
  quillon::forms::BackendScope scope(backend);
  struct Release {
    ~Release() { quillon::window::ReleaseThreadWindows(); }
  } release;

  if (o.high_contrast) {
    for (const auto& [index, colour] : kHighContrastBlack) backend.set_sys_color(index, colour);
    backend.set_high_contrast(true);
  }
  Quillon q;
  q.SetSoundBeep(kVbFalse);
  for (const auto& s : o.settings) Apply(q, s);
  q.SetModal(kVbFalse);  // the window stays up to be pictured
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
       {"--flags", "1", "--TextAlignment", "1", "--text", "Right\\nalignment of\\nthree lines"}},
      {"align2-centre",
       {"--flags", "1", "--TextAlignment", "2", "--text", "Centred\\nalignment of\\nthree lines"}},
      {"heading-3d", {"--flags", "4", "--HeadingType", "1", "--text", "A 3-D heading."}},
      {"heading-solid",
       {"--flags", "0", "--SolidColorHeading", "True", "--text", "A solid heading."}},
      {"heading-inactive", {"--flags", "0", "--inactive", "--text", "An inactive heading."}},
      {"width4000-wrap",
       {"--flags", "48", "--Width", "4000", "--text",
        "With a fixed width of 4000 twips the message wraps at word boundaries beside the "
        "icon, and the window grows in height to hold every line of it."}},
      {"hide-buttons", {"--flags", "3", "--HideButtons", "True", "--text", "No buttons at all."}},
      {"no-close-box", {"--flags", "0", "--ControlBox", "False", "--text", "No close box."}},
      {"gradient1-bands",
       {"--flags", "64", "--GradientPaint", "True", "--GradientDirection", "1", "--text",
        "Top to bottom."}},
      {"gradient3-bands",
       {"--flags", "4", "--GradientPaint", "True", "--GradientDirection", "3", "--text",
        "Left to right."}},
      {"gradient5-diamond",
       {"--flags", "32", "--GradientPaint", "True", "--GradientDirection", "5", "--text",
        "A diamond body."}},
      {"gradient13-circle",
       {"--flags", "1", "--GradientPaint", "True", "--GradientDirection", "13", "--text",
        "A circle body."}},
      {"colours",
       {"--flags", "3", "--BackColorBody", "0x00E0FFFF", "--BackColorButtons", "0x00C0E0C0",
        "--BackColorHeading", "0x00603000", "--ForeColorBody", "0x00800000", "--ForeColorHeading",
        "0x0080FFFF", "--text", "Custom colours & an ampersand."}},
      {"default-title", {"--DefaultTitle", "Default title", "--text", "The call gave no title."}},
      {"title-and-text-unicode",
       {"--flags", "64", "--title",
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        "--text", "Na\xC3\xAFve caf\xC3\xA9 text."}},
  };
  return boxes;
}

const char* Metavar(Kind kind) {
  switch (kind) {
    case Kind::kColour:
      return "COLOUR";
    case Kind::kBoolean:
      return "BOOL";
    case Kind::kText:
      return "TEXT";
    case Kind::kTwips:
      return "TWIPS";
    default:
      return "N";
  }
}

}  // namespace

void print_box_options(std::FILE* to) {
  std::fprintf(to,
               "Options of 'preview box': the call MsgBox(text, flags, title)\n"
               "  --text TEXT (or --message)     the message; UTF-8, \\n breaks the line\n"
               "  --flags N                      buttons + icon + default button, as for MsgBox\n"
               "  --title TEXT                   the title\n"
               "  --inactive                     the heading as it looks behind another program\n"
               "  --high-contrast                with high contrast on (a black scheme)\n"
               "  --dpi N                        the screen at N dots per inch (48 to 480; 96)\n"
               "  --out FILE.png                 where the picture goes (required)\n"
               "and the component's properties, named exactly:\n");
  for (const auto& p : kProperties) {
    const std::string option = std::string("--") + p.name + " " + Metavar(p.kind);
    std::fprintf(to, "  %-30s %s\n", option.c_str(), p.help);
  }
  std::fprintf(
      to,
      "Numbers are decimal or 0x hex. COLOUR is 0x00BBGGRR, 0x800000nn for system colour\n"
      "nn, or -1 for the default; BOOL is True, False, 1, 0 or -1. A value that the property's\n"
      "type cannot hold is refused; others are corrected by the component's own rules\n"
      "(GradientDirection 20 gives 1), as for a script.\n");
}

int preview_box(const std::vector<std::string>& args) {
  try {
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
