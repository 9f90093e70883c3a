// The preview tool: pictures of the component's painted surfaces, made on the headless backend.
//
//   preview styles OUTDIR   the 16 body styles (bands 1..4, patterns 5..16) on a 400 x 200 pixel
//                           body and the four heading looks (active/inactive x solid/shaded)
//   preview box ...         whole message boxes (see box.cpp)
//   preview --help          usage, with every option of "preview box"
#include <cstdio>
#include <filesystem>
#include <string>

#include "forms/headless/headless.h"
#include "msgdefs/msgdefs.h"
#include "preview/box.h"
#include "window/close_box.h"
#include "window/heading.h"

namespace {

using namespace quillon;
using forms::rgb;

// Public names of the patterns, by the internal code that each one stores.
const char* const kStyleNames[17] = {
    "",
    "bands_top_to_bottom",
    "bands_bottom_to_top",
    "bands_left_to_right",
    "bands_right_to_left",
    "diamond_center_fadein",
    "diamond_center_fadeout",
    "circle_center_fadein",
    "circle_center_fadeout",
    "circle_top_left_fadein",
    "circle_top_left_fadeout",
    "circle_top_right_fadein",
    "circle_top_right_fadeout",
    "circle_bottom_left_fadein",
    "circle_bottom_left_fadeout",
    "circle_bottom_right_fadein",
    "circle_bottom_right_fadeout",
};

constexpr forms::Rgb kBodyColour = rgb(90, 160, 230);

// A body surface of its own.
class Body : public forms::Form {
 public:
  Body() : Form("Body") {}
  forms::PictureBox* box = nullptr;

 protected:
  void Design() override {
    SetWidth(400 * 15 + 2 * kFrameTwips);
    SetHeight(200 * 15 + 2 * kFrameTwips);
    box = &add<forms::PictureBox>("Background", -1, nullptr);
    box->Move(0, 0, 400 * 15, 200 * 15);
  }
};

// The heading bar as the window designs it: the bar, the bold title and the close box.
class Heading : public forms::Form {
 public:
  Heading() : Form("Heading") {}
  forms::PictureBox* bar = nullptr;

 protected:
  void Design() override {
    SetWidth(400 * 15 + 2 * kFrameTwips);
    SetHeight(330 + 2 * kFrameTwips);
    bar = &add<forms::PictureBox>("TopHeading", -1, nullptr);
    bar->Move(0, 0, 400 * 15, 330);
    bar->SetBackColor(kActiveTitleBar);
    auto& box = add<forms::Image>("ControlBoxUp", -1, bar);
    box.Move(400 * 15 - 360, 60, 210, 210);
    box.SetPicture(window::CloseBoxUpPicture());
    auto& title = add<forms::Label>("TopCaption", -1, bar);
    title.Move(75, 60, 765, 195);
    forms::Font bold;
    bold.weight = 700;
    title.SetFont(bold);
    title.SetBackStyle(0);
    title.SetForeColor(kHighlightText);
    title.SetAutoSize(true);
    title.SetCaption(L"Message title");
  }
};

int styles(const std::filesystem::path& out) {
  std::filesystem::create_directories(out);
  int written = 0;
  for (int code = 1; code <= 16; ++code) {
    Body body;
    body.Load();
    forms::OleColor colour = kBodyColour;
    if (code <= 4)
      msgdefs::ShadeBands(*body.box, colour, static_cast<std::int16_t>(code), kVbFalse, kVbTrue);
    else
      msgdefs::PaintGradient(*body.box, colour, static_cast<std::int16_t>(code));
    char name[80];
    std::snprintf(name, sizeof name, "body_%02d_%s.png", code, kStyleNames[code]);
    forms::headless::save_png(forms::headless::to_image(body.box->image()), (out / name).string());
    body.Unload();
    ++written;
  }
  auto& shared = msgdefs::shared();
  const msgdefs::SharedSettings saved = shared;
  shared.BackColorHeading = kActiveTitleBar;
  for (VbBool solid : {kVbTrue, kVbFalse})
    for (bool active : {true, false}) {
      shared.SolidColorHeading = solid;
      Heading heading;
      heading.Load();
      window::PaintHeading(*heading.bar, active);
      const std::string name = std::string("heading_") + (active ? "active" : "inactive") + "_" +
                               (solid ? "solid" : "shaded") + ".png";
      forms::headless::save_png(forms::headless::render(heading), (out / name).string());
      heading.Unload();
      ++written;
    }
  shared = saved;
  std::printf("%d pictures in %s\n", written, out.string().c_str());
  return 0;
}

constexpr const char* kUsage =
    "usage: preview styles OUTDIR\n"
    "       preview box [OPTION VALUE]... --out FILE.png\n"
    "       preview box --gallery DIR\n"
    "       preview --help\n";

int usage() {
  std::fprintf(stderr, "%s", kUsage);
  return 2;
}

int help() {
  std::printf("%s\n", kUsage);
  std::printf(
      "Pictures made on the headless backend, with the pixels that Quillon.dll paints.\n"
      "  styles OUTDIR       the 16 body styles and the 4 heading looks, one PNG each\n"
      "  box --gallery DIR   a representative set of whole message boxes, one PNG each\n"
      "  box ...             one message box, shown modelessly and saved as a PNG\n\n");
  print_box_options(stdout);
  return 0;
}

bool is_help(const std::string& word) {
  return word == "--help" || word == "-h";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string what = argv[1];
  if (is_help(what) || (what == "box" && argc == 3 && is_help(argv[2]))) return help();
  try {
    if (what == "styles") return argc == 3 ? styles(argv[2]) : usage();
    if (what == "box") return preview_box({argv + 2, argv + argc});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "preview: %s\n", e.what());
    return 1;
  }
  return usage();
}
