// How far the Windows canvas (per-pixel shapes, raster.cpp) is from the headless cairo canvas:
// every body style and both heading shadings are painted by the same painters on both, and the
// pixels compared. Native build; prints one line per picture.
//
//   canvas_compare [width height]     (default 351 x 90, a message box body)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "forms/headless/headless.h"
#include "forms/raster.h"
#include "msgdefs/msgdefs.h"

namespace {

using namespace quillon;
using forms::Rgb;

// The Windows canvas's shapes over a plain pixel buffer (no GDI needed for these).
class RasterCanvas final : public forms::Canvas {
 public:
  RasterCanvas(int w, int h, Rgb fill) { reset(w, h, fill); }
  int width() const override { return w_; }
  int height() const override { return h_; }
  void reset(int w, int h, Rgb fill) override {
    w_ = std::max(0, w);
    h_ = std::max(0, h);
    px_.assign(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_), fill);
  }
  void fill_rect(int x0, int y0, int x1, int y1, Rgb c) override {
    forms::fill_span_rect(buf(), x0, y0, x1, y1, c);
  }
  void line(int x0, int y0, int x1, int y1, int pen, Rgb c) override {
    forms::raster_line(buf(), x0, y0, x1, y1, pen, c);
  }
  void circle(int cx, int cy, int r, int pen, Rgb c) override {
    forms::raster_circle(buf(), cx, cy, r, pen, c);
  }
  void draw_icon(int, int, forms::IconHandle) override {}
  Rgb pixel(int x, int y) const override {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return 0;
    return px_[static_cast<std::size_t>(y * w_ + x)];
  }

 private:
  forms::PixelBuffer buf() { return {px_.data(), w_, h_, w_}; }
  int w_ = 0, h_ = 0;
  std::vector<Rgb> px_;
};

class RasterBackend : public forms::headless::HeadlessBackend {
 public:
  std::unique_ptr<forms::Canvas> make_canvas(int w, int h, Rgb fill) override {
    return std::make_unique<RasterCanvas>(w, h, fill);
  }
};

class OneBox : public forms::Form {
 public:
  OneBox(int w, int h) : Form("OneBox"), w_(w), h_(h) {}
  forms::PictureBox* box = nullptr;

 protected:
  void Design() override {
    box = &add<forms::PictureBox>("Box", -1, nullptr);
    box->Move(0, 0, static_cast<forms::Single>(w_ * 15), static_cast<forms::Single>(h_ * 15));
  }

 private:
  int w_, h_;
};

// Paints one picture on the given backend and returns its pixels.
std::vector<Rgb> paint(forms::Backend& backend, int w, int h, int kind, int code) {
  forms::BackendScope scope(backend);
  OneBox form(w, h);
  form.Load();
  forms::OleColor base = forms::rgb(96, 160, 224);
  if (kind == 0)
    msgdefs::ShadeBands(*form.box, base, static_cast<std::int16_t>(code), 0, -1);
  else if (kind == 1)
    msgdefs::PaintGradient(*form.box, base, static_cast<std::int16_t>(code));
  else
    msgdefs::ShadeBands(*form.box, base, 3, -1, code ? -1 : 0);  // heading, active/inactive
  std::vector<Rgb> out;
  const auto& img = form.box->image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) out.push_back(img.pixel(x, y));
  form.Unload();
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int w = argc > 2 ? std::atoi(argv[1]) : 351, h = argc > 2 ? std::atoi(argv[2]) : 90;
  forms::headless::HeadlessBackend cairo;
  RasterBackend raster;
  std::printf("%-26s %9s %9s %8s %14s\n", "picture (w x h)", "pixels", "differ", "share",
              "max |delta|");
  long all = 0, all_differ = 0;
  struct Job {
    const char* name;
    int kind, code;
  };
  std::vector<Job> jobs = {{"bands code 1", 0, 1},           {"bands code 2", 0, 2},
                           {"bands code 3", 0, 3},           {"bands code 4", 0, 4},
                           {"heading shaded, active", 2, 1}, {"heading shaded, inactive", 2, 0}};
  static const char* names[] = {"diamond 5", "diamond 6", "circle 7",  "circle 8",
                                "circle 9",  "circle 10", "circle 11", "circle 12",
                                "circle 13", "circle 14", "circle 15", "circle 16"};
  for (int c = 5; c <= 16; ++c) jobs.push_back({names[c - 5], 1, c});
  for (const Job& j : jobs) {
    const auto a = paint(cairo, w, h, j.kind, j.code);
    const auto b = paint(raster, w, h, j.kind, j.code);
    long differ = 0;
    int worst = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
      if (a[i] == b[i]) continue;
      ++differ;
      const int d = std::max({std::abs(forms::red_of(a[i]) - forms::red_of(b[i])),
                              std::abs(forms::green_of(a[i]) - forms::green_of(b[i])),
                              std::abs(forms::blue_of(a[i]) - forms::blue_of(b[i]))});
      worst = std::max(worst, d);
    }
    all += static_cast<long>(a.size());
    all_differ += differ;
    std::printf("%-26s %9zu %9ld %7.3f%% %14d\n", j.name, a.size(), differ,
                100.0 * static_cast<double>(differ) / static_cast<double>(a.size()), worst);
  }
  std::printf("%-26s %9ld %9ld %7.3f%%\n", "all", all, all_differ,
              100.0 * static_cast<double>(all_differ) / static_cast<double>(all));
  return 0;
}
