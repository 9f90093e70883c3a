// Colour resolution: the one routine every painter and backend uses for OLE_COLOR values.
#include <gtest/gtest.h>

#include "forms/headless/headless.h"

namespace quillon::forms {
namespace {

TEST(ColourTest, ResolvesSystemAndPlainColours) {
  headless::HeadlessBackend hb;
  BackendScope scope{hb};
  for (int i = 0; i < 256; ++i) hb.set_sys_color(i, rgb(i, 255 - i, 7));  // each index its own
  const struct {
    OleColor colour;
    Rgb want;
  } rows[] = {
      {0x80000000, rgb(0, 255, 7)},   // system colour 0
      {0x8000000F, rgb(15, 240, 7)},  // button face
      {0x800000FF, rgb(255, 0, 7)},   // the last index
      {0x80000105, rgb(5, 250, 7)},   // the low byte names the colour
      {0xFFFFFFFF, rgb(255, 0, 7)},   // -1 as a colour
      {0x7F123456, 0x00123456},       // a plain colour's top byte is ignored
      {0x00FFFFFF, 0x00FFFFFF},      {0x00000000, 0x00000000},
  };
  for (const auto& r : rows) EXPECT_EQ(resolve_color(r.colour), r.want) << std::hex << r.colour;
}

}  // namespace
}  // namespace quillon::forms
