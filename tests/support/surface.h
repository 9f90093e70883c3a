// Test helpers shared by the forms, msgdefs and window tests: a form designed by a function, one
// picture box on a loaded form of the headless backend, and exact-pixel comparison of a surface
// with a picture written as text.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/headless/headless.h"

namespace quillon::testing {

// A test on a headless backend of its own.
class OnHeadless : public ::testing::Test {
 protected:
  forms::headless::HeadlessBackend hb;
  forms::BackendScope scope{hb};
};

// A form whose controls a test adds in its design function (the forms tests' scenes).
class TestForm : public forms::Form {
 public:
  explicit TestForm(std::function<void(TestForm&)> design)
      : Form("TestForm"), design_(std::move(design)) {}
  using Form::add;

 protected:
  void Design() override { design_(*this); }

 private:
  std::function<void(TestForm&)> design_;
};

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

// Compares every pixel of an image with `rows`, one character per pixel, each character mapped
// to a colour by `legend`. Prints the expected and the actual picture in those letters on a
// mismatch.
inline ::testing::AssertionResult PixelsAre(int width, int height,
                                            const std::function<forms::Rgb(int, int)>& at,
                                            const std::vector<std::string>& rows,
                                            const std::map<char, forms::Rgb>& legend) {
  std::string actual, expected;
  bool same = static_cast<int>(rows.size()) == height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      char ch = '?';
      for (const auto& [k, v] : legend)
        if (v == at(x, y)) ch = k;
      actual += ch;
    }
    actual += '\n';
  }
  for (const auto& r : rows) expected += r + '\n';
  if (same && actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected\n" << expected << "actual\n" << actual;
}
inline ::testing::AssertionResult PixelsAre(const forms::Canvas& image,
                                            const std::vector<std::string>& rows,
                                            const std::map<char, forms::Rgb>& legend) {
  return PixelsAre(
      image.width(), image.height(), [&](int x, int y) { return image.pixel(x, y); }, rows, legend);
}
inline ::testing::AssertionResult PixelsAre(const forms::Picture& picture,
                                            const std::vector<std::string>& rows,
                                            const std::map<char, forms::Rgb>& legend) {
  return PixelsAre(
      picture->width, picture->height, [&](int x, int y) { return picture->at(x, y); }, rows,
      legend);
}

}  // namespace quillon::testing
