// The picture box's drawing semantics, once for every backend, over the backend's Canvas.
//
// Pixel-edge convention: a scale coordinate maps to the pixel whose index is the nearest integer
// (halves to even) of its position in pixels from the left/top edge of the inner area; pixel i
// covers [i, i+1). So in pixel scale, coordinate 0 is the first column and ScaleWidth - 1 the
// last; in a user scale of 256 units on a 512-pixel surface, unit 128 is pixel 256. A filled box
// covers both corner pixels (inclusive on all four sides); a line covers both end pixels; a
// circle of radius r pixels has its pen centred on the ring of radius r around the centre pixel.
#include <algorithm>
#include <cmath>

#include "forms/controls.h"

namespace quillon::forms {

namespace {

// Twips per unit of the fixed scale modes (2 points, 4 characters, 5 inches, 6 mm, 7 cm).
double twips_per_unit_x(int mode) {
  switch (mode) {
    case 2:
      return 20.0;
    case 4:
      return 120.0;
    case 5:
      return 1440.0;
    case 6:
      return 1440.0 / 25.4;
    case 7:
      return 1440.0 / 2.54;
    default:
      return 1.0;
  }
}
double twips_per_unit_y(int mode) {
  return mode == 4 ? 240.0 : twips_per_unit_x(mode);
}

int clamp_px(double v) {
  const double r = round_half_even(v);
  if (!(r > -1073741824.0)) return -1073741824;  // also NaN
  if (r > 1073741824.0) return 1073741824;
  return static_cast<int>(r);
}

[[noreturn]] void invalid_property() {
  raise(kErrInvalidProperty, "Invalid property value");
}

}  // namespace

PictureBox::PictureBox(Form& form, std::string name, int index, Control* container)
    : Control(form, ControlKind::PictureBox, std::move(name), index, container) {}

PictureBox::~PictureBox() = default;

Rgb PictureBox::resolved_back() const {
  return resolve_color(back_color_);
}

int PictureBox::pixel_width() const {
  return std::max(0, to_pixels_x(width_));
}
int PictureBox::pixel_height() const {
  return std::max(0, to_pixels_y(height_));
}

// The image is made when it is first needed, erased to BackColor; an image that holds nothing but
// BackColor is not erased again (a box is sized, coloured and cleared several times before
// anything is drawn on it, and a screen-sized image costs a noticeable time to fill).
void PictureBox::ensure_image() {
  if (image_) return;
  image_ = backend().make_canvas(pixel_width(), pixel_height(), resolved_back());
  blank_ = resolved_back();
}

void PictureBox::erase() {
  const Rgb back = resolved_back();
  if (image_ && blank_ == back && image_->width() == pixel_width() &&
      image_->height() == pixel_height())
    return;
  if (!image_) {
    ensure_image();
    return;
  }
  image_->reset(pixel_width(), pixel_height(), back);
  blank_ = back;
}

void PictureBox::drawn() {
  blank_.reset();
  notify(Change::Picture);
}

Canvas& PictureBox::image() {
  ensure_image();
  return *image_;
}
const Canvas& PictureBox::image() const {
  const_cast<PictureBox*>(this)->ensure_image();
  return *image_;
}

void PictureBox::resize_image() {
  if (!image_) return;
  const int w = pixel_width(), h = pixel_height();
  if (w == image_->width() && h == image_->height()) return;
  const Rgb back = resolved_back();
  if (!auto_redraw_ || blank_ == back) {
    image_.reset();  // made again, blank, when it is next needed
    return;
  }
  image_->resize(w, h, back);  // the persistent image keeps what it holds; new area shows BackColor
}

void PictureBox::SetWidth(Single v) {
  Control::SetWidth(v);
  resize_image();
}
void PictureBox::SetHeight(Single v) {
  Control::SetHeight(v);
  resize_image();
}

void PictureBox::SetBackColor(OleColor v) {
  back_color_ = v;
  if (image_) erase();
  notify(Change::Picture);
}

void PictureBox::SetAutoRedraw(bool v) {
  auto_redraw_ = v;
}

// ---------------------------------------------------------------------------------------------
// Scale

void PictureBox::SetScaleMode(int v) {
  if (v < 0 || v > 7) invalid_property();
  if (v == 0) {
    // The present scale becomes the user scale.
    const Single w = ScaleWidth(), h = ScaleHeight();
    scale_width_ = w;
    scale_height_ = h;
  } else {
    scale_left_ = 0;
    scale_top_ = 0;
  }
  scale_mode_ = v;
}

Single PictureBox::ScaleWidth() const {
  if (scale_mode_ == 0) return scale_width_;
  if (scale_mode_ == 3) return static_cast<Single>(pixel_width());
  return static_cast<Single>(width_ / twips_per_unit_x(scale_mode_));
}
Single PictureBox::ScaleHeight() const {
  if (scale_mode_ == 0) return scale_height_;
  if (scale_mode_ == 3) return static_cast<Single>(pixel_height());
  return static_cast<Single>(height_ / twips_per_unit_y(scale_mode_));
}

void PictureBox::SetScaleWidth(Single v) {
  if (v == 0 || std::isnan(v)) invalid_property();
  if (scale_mode_ != 0) {
    scale_height_ = ScaleHeight();
    scale_mode_ = 0;
  }
  scale_width_ = v;
}
void PictureBox::SetScaleHeight(Single v) {
  if (v == 0 || std::isnan(v)) invalid_property();
  if (scale_mode_ != 0) {
    scale_width_ = ScaleWidth();
    scale_mode_ = 0;
  }
  scale_height_ = v;
}

PictureBox::ToPixels PictureBox::to_pixels() const {
  switch (scale_mode_) {
    case 0:
      return {scale_left_,
              scale_top_,
              static_cast<double>(pixel_width()),
              scale_width_,
              static_cast<double>(pixel_height()),
              scale_height_};
    case 3:
      return {scale_left_, scale_top_, 1, 1, 1, 1};
    default: {
      const Screen& screen = backend().screen();
      return {scale_left_,
              scale_top_,
              twips_per_unit_x(scale_mode_),
              static_cast<double>(screen.TwipsPerPixelX()),
              twips_per_unit_y(scale_mode_),
              static_cast<double>(screen.TwipsPerPixelY())};
    }
  }
}
int PictureBox::ToPixels::x(Single v) const {
  return clamp_px((static_cast<double>(v) - left) * num_x / den_x);
}
int PictureBox::ToPixels::y(Single v) const {
  return clamp_px((static_cast<double>(v) - top) * num_y / den_y);
}

// ---------------------------------------------------------------------------------------------
// Pen and drawing

void PictureBox::SetDrawWidth(int v) {
  if (v < 1 || v > 32767) invalid_property();
  draw_width_ = v;
}
void PictureBox::SetDrawMode(int v) {
  if (v < 1 || v > 16) invalid_property();
  draw_mode_ = v;
}

void PictureBox::Cls() {
  if (image_) erase();
  current_x_ = 0;
  current_y_ = 0;
  notify(Change::Picture);
}

void PictureBox::Line(Single x1, Single y1, Single x2, Single y2, OleColor colour) {
  const ToPixels px = to_pixels();
  image().line(px.x(x1), px.y(y1), px.x(x2), px.y(y2), draw_width_, resolve_color(colour));
  current_x_ = x2;
  current_y_ = y2;
  drawn();
}

void PictureBox::LineTo(Single x2, Single y2, OleColor colour) {
  Line(current_x_, current_y_, x2, y2, colour);
}

void PictureBox::FilledBox(Single x1, Single y1, Single x2, Single y2, OleColor colour) {
  const ToPixels px = to_pixels();
  const int ax = px.x(x1), bx = px.x(x2), ay = px.y(y1), by = px.y(y2);
  // A wider pen grows the box around its outline, as a centred pen would.
  const int lo = (draw_width_ - 1) / 2, hi = draw_width_ / 2;
  image().fill_rect(std::min(ax, bx) - lo, std::min(ay, by) - lo, std::max(ax, bx) + 1 + hi,
                    std::max(ay, by) + 1 + hi, resolve_color(colour));
  current_x_ = x2;
  current_y_ = y2;
  drawn();
}

void PictureBox::Circle(Single x, Single y, Single r, OleColor colour) {
  // The radius is measured in horizontal units; the circle stays round whatever the y unit.
  const Single origin = scale_mode_ == 0 ? scale_left_ : 0;
  // Both ends may be clamped far out (a zero or infinite scale): the difference needs 64 bits.
  const ToPixels px = to_pixels();
  const int r_px = static_cast<int>(std::min<long long>(
      std::llabs(static_cast<long long>(px.x(origin + std::fabs(r))) - px.x(origin)), 1LL << 30));
  image().circle(px.x(x), px.y(y), r_px, draw_width_, resolve_color(colour));
  current_x_ = x;
  current_y_ = y;
  drawn();
}

void PictureBox::DrawIcon(int x_px, int y_px, IconHandle icon) {
  image().draw_icon(x_px, y_px, icon);
  drawn();
}

void PictureBox::paint() {
  if (auto_redraw_) return;
  erase();
  if (Paint) Paint();
}

}  // namespace quillon::forms
