// The picture box's drawing members and the body painters, driven by the input: scale changes to
// any float (zero, negative, NaN, infinities, huge), pens of any width, shapes at any coordinates,
// colours of any kind, and the band and gradient painters with any colour, direction and size.
// The toolkit may refuse a value with forms::Error; anything else (a crash, a sanitizer report, a
// hang) is a fault. The surface stays within 150 x 150 pixels so each input is quick.
#include <cstdint>
#include <limits>

#include "forms/controls.h"
#include "forms/headless/headless.h"
#include "fuzz_input.h"
#include "msgdefs/msgdefs.h"

namespace {

using namespace quillon;
namespace headless = quillon::forms::headless;
using forms::Single;

constexpr int kMaxPx = 150;

class Sheet : public forms::Form {
 public:
  Sheet(Single w_twips, Single h_twips) : Form("Sheet"), w_(w_twips), h_(h_twips) {}
  forms::PictureBox* box = nullptr;

 protected:
  void Design() override {
    SetWidth(w_ + 2 * kFrameTwips);
    SetHeight(h_ + 2 * kFrameTwips);
    box = &add<forms::PictureBox>("Background", -1, nullptr);
    box->Move(0, 0, w_, h_);
  }

 private:
  Single w_, h_;
};

// A size in twips that gives at most kMaxPx pixels: sometimes 0 or fractional. A size that is
// no size at all (negative, NaN, infinite, beyond any screen) only when `bad` is allowed.
Single Extent(FuzzedDataProvider& in, float tpp, bool bad) {
  switch (in.ConsumeIntegralInRange(0, bad ? 6 : 2)) {
    case 0:
      return 0;
    case 1:
      return in.ConsumeFloatingPointInRange(0.0f, kMaxPx * tpp);
    case 2:
      return static_cast<Single>(in.ConsumeIntegralInRange(1, kMaxPx)) * tpp;
    case 3:
      return -static_cast<Single>(in.ConsumeIntegralInRange(1, 100000));
    case 4:
      // Beyond 32 bits of twips, or just inside them: no surface can be made that large.
      return in.ConsumeBool() ? std::numeric_limits<Single>::max()
                              : in.ConsumeFloatingPointInRange(1e9f, 1e12f);
    case 5:
      return std::numeric_limits<Single>::quiet_NaN();
    default:
      return in.ConsumeBool() ? std::numeric_limits<Single>::infinity()
                              : -std::numeric_limits<Single>::infinity();
  }
}

std::int16_t Direction(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? static_cast<std::int16_t>(in.ConsumeIntegralInRange(-2, 18))
                          : in.ConsumeIntegral<std::int16_t>();
}

VbBool Bool(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? (in.ConsumeBool() ? kVbTrue : kVbFalse)
                          : static_cast<VbBool>(in.ConsumeIntegral<std::int16_t>());
}

void Check(const forms::PictureBox& p) {
  const forms::Canvas& c = p.image();
  if (c.width() < 0 || c.height() < 0 || c.width() > kMaxPx + 1 || c.height() > kMaxPx + 1)
    fuzz::fail("the surface has a size outside the picture box");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  static constexpr float kTwipsPerPixel[] = {15.0f, 12.0f, 10.0f, 7.5f};
  headless::ScreenSpec screen;
  screen.twips_per_pixel = kTwipsPerPixel[in.ConsumeIntegralInRange(0, 3)];
  headless::HeadlessBackend hb(screen);
  forms::BackendScope scope(hb);

  const float tpp = screen.twips_per_pixel;
  Sheet sheet(Extent(in, tpp, false), Extent(in, tpp, false));
  sheet.Load();
  forms::PictureBox& p = *sheet.box;

  const int ops = in.ConsumeIntegralInRange(0, 40);
  for (int i = 0; i < ops && in.remaining_bytes() > 0; ++i) {
    try {
      switch (in.ConsumeIntegralInRange(0, 19)) {
        case 0:
          p.SetScaleMode(fuzz::boundary_int(in));
          break;
        case 1:
          p.SetScaleMode(in.ConsumeIntegralInRange(0, 7));
          break;
        case 2:
          p.SetScaleWidth(fuzz::single(in));
          break;
        case 3:
          p.SetScaleHeight(fuzz::single(in));
          break;
        case 4:
          p.SetDrawWidth(in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 40)
                                          : fuzz::boundary_int(in));
          break;
        case 5:
          p.SetDrawMode(fuzz::boundary_int(in));
          break;
        case 6:
          p.Line(fuzz::single(in), fuzz::single(in), fuzz::single(in), fuzz::single(in),
                 fuzz::colour(in));
          break;
        case 7:
          p.LineTo(fuzz::single(in), fuzz::single(in), fuzz::colour(in));
          break;
        case 8:
          p.FilledBox(fuzz::single(in), fuzz::single(in), fuzz::single(in), fuzz::single(in),
                      fuzz::colour(in));
          break;
        case 9:
          p.Circle(fuzz::single(in), fuzz::single(in), fuzz::single(in), fuzz::colour(in));
          break;
        case 10:
          p.SetBackColor(fuzz::colour(in));
          break;
        case 11:
          p.Cls();
          break;
        case 12:
          p.SetAutoRedraw(in.ConsumeBool());
          break;
        case 13:
          p.SetWidth(Extent(in, tpp, true));
          break;
        case 14:
          p.SetHeight(Extent(in, tpp, true));
          break;
        case 15:
          p.DrawIcon(fuzz::boundary_int(in), fuzz::boundary_int(in),
                     in.ConsumeIntegralInRange<forms::IconHandle>(0, 6));
          break;
        case 16:
          msgdefs::ShadeBands(p, fuzz::colour(in), Direction(in), Bool(in), Bool(in));
          break;
        case 17: {
          forms::OleColor c = fuzz::colour(in);
          const forms::OleColor before = c;
          msgdefs::PaintGradient(p, c, Direction(in));
          if (forms::is_system_color(before) && before != 0xFFFFFFFFu && forms::is_system_color(c))
            fuzz::fail("PaintGradient left a system colour in its caller's variable");
          break;
        }
        case 18:
          p.paint();
          break;
        default: {
          const headless::RgbImage img = headless::render(sheet);
          if (img.pixels.size() != static_cast<std::size_t>(img.width) * img.height)
            fuzz::fail("render gave an image of the wrong size");
          break;
        }
      }
    } catch (const forms::Error&) {
      // A refused value: the toolkit's run-time error, which a caller sees.
    }
    Check(p);
  }
  sheet.Unload();
  return 0;
}
