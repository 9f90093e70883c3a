// The preview against the DLL, pixel by pixel: every body style and every heading look painted by
// the real painters on this build's canvas (the headless canvas natively, the DIB canvas in the
// Windows build), written to files or compared with the files that the other build wrote.
// `bench/run compare` does both and prints one line per picture.
//
//   canvas_compare --write DIR [width height]     one PPM file per picture into DIR
//   canvas_compare --against DIR [width height]   paints again and compares with DIR's pictures
//
// The body is 351 x 90 pixels unless given (a message box body); the heading bar 22 pixels high,
// shown above the body's top rows, where the 3-D look's three lines lie.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "msgdefs/msgdefs.h"
#include "msgdefs/shared.h"
#include "window/heading.h"

namespace {

using namespace quillon;
using forms::Rgb;

constexpr int kBarHeight = 22, kBodyRowsUnderBar = 6;

class Sheet : public forms::Form {
 public:
  Sheet(int w, int h) : Form("Sheet"), w_(w), h_(h) {}
  forms::PictureBox* bar = nullptr;
  forms::PictureBox* body = nullptr;

 protected:
  void Design() override {
    bar = &add<forms::PictureBox>("TopHeading", -1, nullptr);
    bar->Move(0, 0, static_cast<forms::Single>(w_ * 15), kBarHeight * 15);
    body = &add<forms::PictureBox>("Background", -1, nullptr);
    body->Move(0, kBarHeight * 15, static_cast<forms::Single>(w_ * 15),
               static_cast<forms::Single>(h_ * 15));
  }

 private:
  int w_, h_;
};

struct Picture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  void append(const forms::Canvas& c, int rows) {
    width = c.width();
    for (int y = 0; y < rows && y < c.height(); ++y, ++height)
      for (int x = 0; x < c.width(); ++x) pixels.push_back(c.pixel(x, y));
  }
};

struct Look {
  std::string name;
  std::function<Picture(Sheet&)> paint;
};

std::vector<Look> looks(int height) {
  const forms::OleColor base = forms::rgb(96, 160, 224);
  std::vector<Look> out;
  auto body = [height](Sheet& s) {
    Picture p;
    p.append(s.body->image(), height);
    return p;
  };
  out.push_back({"body solid", [=](Sheet& s) {
                   s.body->SetBackColor(base);
                   return body(s);
                 }});
  for (std::int16_t code = 1; code <= 16; ++code)
    out.push_back({std::string("body code ").append(std::to_string(code)), [=](Sheet& s) {
                     forms::OleColor colour = base;
                     if (code <= 4)
                       msgdefs::ShadeBands(*s.body, colour, code, kVbFalse, kVbTrue);
                     else
                       msgdefs::PaintGradient(*s.body, colour, code);
                     return body(s);
                   }});
  for (bool three_d : {false, true})
    for (VbBool solid : {kVbTrue, kVbFalse})
      for (bool active : {true, false}) {
        const std::string name = std::string("heading ") + (three_d ? "3-D " : "flat ") +
                                 (solid ? "solid " : "shaded ") + (active ? "active" : "inactive");
        out.push_back({name, [=](Sheet& s) {
                         msgdefs::SharedSettings& shared = msgdefs::shared();
                         const msgdefs::SharedSettings saved = shared;
                         shared.SolidColorHeading = solid;
                         shared.BackColorHeading = kActiveTitleBar;
                         window::PaintHeading(*s.bar, active);
                         shared = saved;
                         s.body->SetBackColor(kButtonFace);
                         // The 3-D look's lines: one pixel wide across the body's top rows, in
                         // twips as the window places them.
                         const forms::OleColor grey[] = {0xC0C0C0, 0x808080, 0x404040};
                         for (int i = 0; three_d && i < 3; ++i)
                           s.body->Line(0, 15.0f * i, s.body->Width(), 15.0f * i, grey[i]);
                         Picture p;
                         p.append(s.bar->image(), kBarHeight);
                         p.append(s.body->image(), kBodyRowsUnderBar);
                         return p;
                       }});
      }
  return out;
}

std::string file_name(const std::string& dir, std::string name) {
  for (char& c : name)
    if (c == ' ') c = '_';
  return dir + "/" + name + ".ppm";
}

bool write_ppm(const std::string& path, const Picture& p) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return false;
  std::fprintf(f.get(), "P6\n%d %d\n255\n", p.width, p.height);
  for (Rgb c : p.pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(forms::red_of(c)),
                                  static_cast<unsigned char>(forms::green_of(c)),
                                  static_cast<unsigned char>(forms::blue_of(c))};
    std::fwrite(rgb, 1, 3, f.get());
  }
  return true;
}

bool read_ppm(const std::string& path, Picture& p) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f || std::fscanf(f.get(), "P6 %d %d 255", &p.width, &p.height) != 2 ||
      std::fgetc(f.get()) != '\n' || p.width < 0 || p.height < 0)
    return false;
  p.pixels.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
  for (Rgb& c : p.pixels) {
    unsigned char rgb[3];
    if (std::fread(rgb, 1, 3, f.get()) != 3) return false;
    c = forms::rgb(rgb[0], rgb[1], rgb[2]);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode != "--write" && mode != "--against") {
    std::fprintf(stderr, "usage: canvas_compare --write|--against DIR [width height]\n");
    return 2;
  }
  const std::string dir = argv[2];
  const int w = argc > 4 ? std::atoi(argv[3]) : 351, h = argc > 4 ? std::atoi(argv[4]) : 90;
  if (mode == "--against")
    std::printf("%-32s %9s %9s %8s %12s\n", "picture", "pixels", "differ", "share", "max |delta|");
  long all = 0, all_differ = 0;
  int failures = 0;
  for (const Look& look : looks(h)) {
    Sheet sheet(w, h);
    sheet.Load();
    const Picture mine = look.paint(sheet);
    sheet.Unload();
    const std::string path = file_name(dir, look.name);
    if (mode == "--write") {
      if (!write_ppm(path, mine)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
      continue;
    }
    Picture theirs;
    if (!read_ppm(path, theirs) || theirs.width != mine.width || theirs.height != mine.height) {
      std::printf("%-32s missing or of another size: %s\n", look.name.c_str(), path.c_str());
      ++failures;
      continue;
    }
    long differ = 0;
    int worst = 0;
    for (std::size_t i = 0; i < mine.pixels.size(); ++i) {
      const Rgb a = mine.pixels[i], b = theirs.pixels[i];
      if (a == b) continue;
      ++differ;
      worst = std::max({worst, std::abs(forms::red_of(a) - forms::red_of(b)),
                        std::abs(forms::green_of(a) - forms::green_of(b)),
                        std::abs(forms::blue_of(a) - forms::blue_of(b))});
    }
    const long n = static_cast<long>(mine.pixels.size());
    all += n;
    all_differ += differ;
    std::printf("%-32s %9ld %9ld %7.3f%% %12d\n", look.name.c_str(), n, differ,
                100.0 * static_cast<double>(differ) / static_cast<double>(n), worst);
  }
  if (mode == "--against")
    std::printf("%-32s %9ld %9ld %7.3f%%\n", "all", all, all_differ,
                all ? 100.0 * static_cast<double>(all_differ) / static_cast<double>(all) : 0.0);
  return failures ? 1 : 0;
}
