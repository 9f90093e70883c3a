// Test helpers: one picture box on a loaded form of the headless backend, and exact-pixel
// comparison of a surface with a picture written as text.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/headless/headless.h"

namespace quillon::testing {

// A form holding one picture box of width x height pixels (15 twips each), in twips scale.
class Surface : public forms::Form {
 public:
  Surface(int width_px, int height_px) : Form("Surface"), w_(width_px), h_(height_px) { Load(); }
  ~Surface() override { Unload(); }
  forms::PictureBox& box() { return *box_; }
  forms::Rgb at(int x, int y) { return box_->image().pixel(x, y); }

 protected:
  void Design() override {
    box_ = &add<forms::PictureBox>("Picture", -1, nullptr);
    box_->Move(0, 0, static_cast<forms::Single>(w_ * 15), static_cast<forms::Single>(h_ * 15));
  }

 private:
  int w_, h_;
  forms::PictureBox* box_ = nullptr;
};

// Compares every pixel of `image` with `rows`, one character per pixel, each character mapped
// to a colour by `legend`. Prints the actual picture in the same letters on a mismatch.
inline ::testing::AssertionResult PixelsAre(const forms::Canvas& image,
                                            const std::vector<std::string>& rows,
                                            const std::map<char, forms::Rgb>& legend) {
  std::string actual, diff;
  bool same = static_cast<int>(rows.size()) == image.height();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const forms::Rgb c = image.pixel(x, y);
      char ch = '?';
      for (const auto& [k, v] : legend)
        if (v == c) ch = k;
      actual += ch;
      if (y >= static_cast<int>(rows.size()) ||
          x >= static_cast<int>(rows[static_cast<std::size_t>(y)].size()) ||
          rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] != ch)
        same = false;
    }
    actual += '\n';
  }
  if (same) return ::testing::AssertionSuccess();
  std::string expected;
  for (const auto& r : rows) expected += r + '\n';
  return ::testing::AssertionFailure() << "expected\n" << expected << "actual\n" << actual;
}

}  // namespace quillon::testing
