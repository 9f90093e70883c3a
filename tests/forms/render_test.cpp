// Rendering a loaded form: frame, containers, z-order, clipping, text and the PNG file.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/surface.h"

namespace quillon::forms {
namespace {

using quillon::testing::TestForm;

constexpr Rgb kRed = rgb(255, 0, 0), kBlue = rgb(0, 0, 255), kGreen = rgb(0, 255, 0);

void Scene(TestForm& f) {
  f.SetWidth(20 * 15 + 2 * Form::kFrameTwips);  // 20 x 30 inner pixels
  f.SetHeight(30 * 15 + 2 * Form::kFrameTwips);
  auto& body = f.add<PictureBox>("Body", -1, nullptr);
  body.Move(0, 0, 20 * 15, 20 * 15);
  body.SetBackColor(kRed);
  auto& img = f.add<Image>("Img", -1, &body);  // 4 x 4 green, half outside the body
  img.Move(18 * 15, 2 * 15, 60, 60);
  img.SetPicture(std::make_shared<const Bitmap>(Bitmap{4, 4, std::vector<Rgb>(16, kGreen)}));
  auto& label = f.add<Label>("Text", -1, nullptr);
  label.Move(0, 21 * 15, 20 * 15, 9 * 15);
  label.SetForeColor(kBlue);
  label.SetBackStyle(0);
  label.SetCaption(L"&&");
}

class RenderTest : public ::testing::Test {
 protected:
  headless::HeadlessBackend hb;
  BackendScope scope{hb};
};

TEST_F(RenderTest, ControlsLieInTheirContainersClippedToThem) {
  TestForm s(Scene);
  s.Show(false);
  const headless::RgbImage img = headless::render(s);
  ASSERT_EQ(img.width, 26);
  ASSERT_EQ(img.height, 36);
  EXPECT_EQ(img.at(0, 0), hb.platform().sys_color(22));    // outer frame, lit edge
  EXPECT_EQ(img.at(25, 35), hb.platform().sys_color(21));  // outer frame, dark edge
  EXPECT_EQ(img.at(3, 3), kRed);                           // body from the inner corner
  EXPECT_EQ(img.at(3 + 18, 3 + 2), kGreen);                // the image inside the body
  EXPECT_EQ(img.at(3 + 19, 3 + 5), kGreen);
  EXPECT_EQ(img.at(3 + 20, 3 + 3), hb.platform().sys_color(15));  // clipped at the body's edge
  // The label shows "&&" literally: two ampersands in the text colour, nothing else.
  int blue = 0;
  for (int y = 3 + 21; y < 3 + 30; ++y)
    for (int x = 3; x < 3 + 20; ++x)
      if (img.at(x, y) == kBlue) ++blue;
  EXPECT_GT(blue, 10);
  const std::filesystem::path png =
      std::filesystem::temp_directory_path() / "quillon_render_test.png";
  headless::save_png(img, png.string());
  EXPECT_GT(std::filesystem::file_size(png), 50u);
  std::filesystem::remove(png);
}

TEST_F(RenderTest, AnUnloadedFormShowsOnlyItsFrame) {
  TestForm s(Scene);
  s.SetWidth(300);
  s.SetHeight(300);
  const headless::RgbImage img = headless::render(s);
  EXPECT_EQ(img.width, 20);
  EXPECT_EQ(img.at(10, 10), hb.platform().sys_color(15));
}

// Controls placed or sized far beyond any screen: rendering clips them and stays quick.
void FarScene(TestForm& f) {
  f.SetWidth(10 * 15 + 2 * Form::kFrameTwips);
  f.SetHeight(10 * 15 + 2 * Form::kFrameTwips);
  auto& line = f.add<LineControl>("Rule", -1, nullptr);
  line.SetEnds(-3e38f, 5 * 15, 3e38f, 5 * 15);
  line.SetBorderColor(kRed);
  f.add<PictureBox>("Huge", -1, nullptr).Move(3e38f, 3e38f, 3e38f, 3e38f);
  auto& label = f.add<Label>("Far", -1, nullptr);
  label.Move(-3e38f, 0, 3e38f, 150);
  label.SetAlignment(1);
  label.SetCaption(L"far");
}

TEST_F(RenderTest, FarAwayAndHugeControlsAreClipped) {
  TestForm s(FarScene);
  s.Show(false);
  const headless::RgbImage img = headless::render(s);
  ASSERT_EQ(img.width, 16);
  for (int x = 3; x < 13; ++x) EXPECT_EQ(img.at(x, 3 + 5), kRed) << x;
}

}  // namespace
}  // namespace quillon::forms
