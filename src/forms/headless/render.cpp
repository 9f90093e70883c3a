// Rendering a loaded form as the user would see it: the dialog frame, the form's background and
// every shown control in its container, clipped to it. Lightweight controls (labels, images,
// lines) lie on their container's surface under the windowed ones (picture boxes, buttons);
// among each group a later control lies on top of an earlier one.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "forms/headless/headless.h"
#include "forms/headless/internal.h"

namespace quillon::forms::headless {

namespace {

// Pixel positions and sizes are kept within +-2^29, so that sums of two of them stay in an int
// whatever size or place a control was given.
int bounded(long long v) {
  constexpr long long kLimit = 1LL << 29;
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

struct Clip {
  int x0, y0, x1, y1;
  Clip intersect(const Clip& o) const {
    return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  }
};

class Renderer {
 public:
  Renderer(const Form& form, RasterCanvas& out) : form_(form), out_(out) {
    if (auto* hb = dynamic_cast<HeadlessBackend*>(&backend())) focused_ = hb->focused();
  }

  void fill(const Clip& c, int x0, int y0, int x1, int y1, Rgb colour) {
    Clip r = Clip{x0, y0, x1, y1}.intersect(c);
    out_.fill_rect(r.x0, r.y0, r.x1, r.y1, colour);
  }
  void dot(const Clip& c, int x, int y, Rgb colour) {
    if (x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1) out_.set_pixel(x, y, colour);
  }

  // Children of `parent` whose inner area starts at (ox, oy), clipped to `clip`.
  void children(const Control* parent, int ox, int oy, const Clip& clip) {
    std::vector<const Control*> light, windowed;
    for (const auto& c : form_.controls()) {
      if (c->container() != parent || !c->Visible()) continue;
      switch (c->kind()) {
        case ControlKind::Label:
        case ControlKind::Image:
        case ControlKind::Line:
          light.push_back(c.get());
          break;
        case ControlKind::PictureBox:
        case ControlKind::CommandButton:
          windowed.push_back(c.get());
          break;
        case ControlKind::Timer:
          break;
      }
    }
    for (const Control* c : light) draw(*c, ox, oy, clip);
    for (const Control* c : windowed) draw(*c, ox, oy, clip);
  }

  void draw(const Control& c, int ox, int oy, const Clip& clip) {
    const int x = bounded(static_cast<long long>(ox) + to_pixels_x(c.Left()));
    const int y = bounded(static_cast<long long>(oy) + to_pixels_y(c.Top()));
    const int w = bounded(to_pixels_x(c.Width())), h = bounded(to_pixels_y(c.Height()));
    const Clip box = Clip{x, y, x + w, y + h}.intersect(clip);
    switch (c.kind()) {
      case ControlKind::PictureBox: {
        const auto& pb = static_cast<const PictureBox&>(c);
        const Canvas& img = pb.image();
        // Only the part inside the clip: a surface may be far larger than what shows of it.
        const int j0 = std::max(0, box.y0 - y), j1 = std::min(img.height(), box.y1 - y);
        const int i0 = std::max(0, box.x0 - x), i1 = std::min(img.width(), box.x1 - x);
        const auto* raster = dynamic_cast<const RasterCanvas*>(&img);
        if (raster && raster->flat()) {
          fill(box, x + i0, y + j0, x + i1, y + j1, *raster->flat());
        } else {
          const PixelBuffer to = out_.pixels();
          for (int j = j0; j < j1; ++j) {
            if (raster && i0 < i1) {
              std::copy(raster->row(j) + i0, raster->row(j) + i1,
                        to.bits + static_cast<std::ptrdiff_t>(y + j) * to.stride + x + i0);
              continue;
            }
            for (int i = i0; i < i1; ++i) dot(box, x + i, y + j, img.pixel(i, j));
          }
        }
        children(&c, x, y, box);
        break;
      }
      case ControlKind::Label: {
        const auto& l = static_cast<const Label&>(c);
        if (l.BackStyle() == 1) fill(box, x, y, x + w, y + h, resolve_color(0x8000000F));
        std::optional<int> wrap;
        if (l.WordWrap()) wrap = std::max(1, w);
        const auto& lines = font_stack().layout(l.Caption(), l.GetFont(), wrap);
        const int lh = font_stack().line_height(l.GetFont());
        const Rgb colour = l.Enabled() ? resolve_color(l.ForeColor()) : resolve_color(0x80000011);
        int ty = y;
        for (const auto& line : lines) {
          int tx = x;
          if (l.Alignment() == 1) tx = x + w - line.width_px;
          if (l.Alignment() == 2) tx = x + (w - line.width_px) / 2;
          font_stack().draw(out_, tx, ty, line.text, l.GetFont(), colour, box.x0, box.y0, box.x1,
                            box.y1);
          ty += lh;
        }
        break;
      }
      case ControlKind::CommandButton:
        button(static_cast<const CommandButton&>(c), x, y, w, h, box);
        break;
      case ControlKind::Image: {
        const auto& im = static_cast<const Image&>(c);
        if (const Picture& p = im.GetPicture())
          for (int j = 0; j < p->height; ++j)
            for (int i = 0; i < p->width; ++i) dot(box, x + i, y + j, p->at(i, j));
        break;
      }
      case ControlKind::Line: {
        // One-pixel lines with both ends, on the part of the container that shows: the shape
        // the Win32 backend draws on the container's surface.
        const auto& ln = static_cast<const LineControl&>(c);
        const Clip view = clip.intersect({0, 0, out_.width(), out_.height()});
        if (view.x0 >= view.x1 || view.y0 >= view.y1) break;
        const PixelBuffer all = out_.pixels();
        const PixelBuffer part{
            all.bits + static_cast<std::ptrdiff_t>(view.y0) * all.stride + view.x0,
            view.x1 - view.x0, view.y1 - view.y0, all.stride};
        raster_lines(part, bounded(static_cast<long long>(ox) + to_pixels_x(ln.X1()) - view.x0),
                     bounded(static_cast<long long>(oy) + to_pixels_y(ln.Y1()) - view.y0),
                     bounded(static_cast<long long>(ox) + to_pixels_x(ln.X2()) - view.x0),
                     bounded(static_cast<long long>(oy) + to_pixels_y(ln.Y2()) - view.y0),
                     ln.BorderWidth(), resolve_color(ln.BorderColor()));
        break;
      }
      case ControlKind::Timer:
        break;
    }
  }

  void button(const CommandButton& b, int x, int y, int w, int h, const Clip& box) {
    fill(box, x, y, x + w, y + h, resolve_color(b.BackColor()));
    const Rgb light = resolve_color(0x80000014), dark = resolve_color(0x80000015),
              shadow = resolve_color(0x80000010);
    int inset = 0;
    if (b.Default()) {
      frame(box, x, y, w, h, 0, 0);
      inset = 1;
    }
    frame(box, x + inset, y + inset, w - 2 * inset, h - 2 * inset, light, dark);
    frame(box, x + inset + 1, y + inset + 1, w - 2 * inset - 2, h - 2 * inset - 2,
          resolve_color(b.BackColor()), shadow);
    // Caption: "&" marks the access key, which is underlined.
    std::wstring text;
    int underline = -1;
    const std::wstring& cap = b.Caption();
    for (std::size_t i = 0; i < cap.size(); ++i) {
      if (cap[i] == L'&' && i + 1 < cap.size()) {
        ++i;
        if (cap[i] != L'&') underline = static_cast<int>(text.size());
      }
      text += cap[i];
    }
    const Font& f = b.GetFont();
    const int tw = font_stack().text_width(text, f), lh = font_stack().line_height(f);
    const int tx = x + (w - tw) / 2, ty = y + (h - lh) / 2;
    const Rgb colour = b.Enabled() ? resolve_color(0x80000012) : resolve_color(0x80000011);
    const Clip inner = Clip{x + 2, y + 2, x + w - 2, y + h - 2}.intersect(box);
    font_stack().draw(out_, tx, ty, text, f, colour, inner.x0, inner.y0, inner.x1, inner.y1);
    if (underline >= 0) {
      const int ux =
          tx + font_stack().text_width(text.substr(0, static_cast<std::size_t>(underline)), f);
      const int uw =
          font_stack().text_width(text.substr(static_cast<std::size_t>(underline), 1), f);
      fill(inner, ux, ty + font_stack().ascent(f) + 1, ux + uw, ty + font_stack().ascent(f) + 2,
           colour);
    }
    if (&b == focused_) {
      for (int i = x + 4; i < x + w - 4; i += 2) {
        dot(inner, i, y + 4, 0);
        dot(inner, i, y + h - 5, 0);
      }
      for (int j = y + 4; j < y + h - 4; j += 2) {
        dot(inner, x + 4, j, 0);
        dot(inner, x + w - 5, j, 0);
      }
    }
  }

  // A one-pixel frame: top and left in `tl`, bottom and right in `br`.
  void frame(const Clip& c, int x, int y, int w, int h, Rgb tl, Rgb br) {
    if (w <= 0 || h <= 0) return;
    fill(c, x, y, x + w, y + 1, tl);
    fill(c, x, y, x + 1, y + h, tl);
    fill(c, x, y + h - 1, x + w, y + h, br);
    fill(c, x + w - 1, y, x + w, y + h, br);
  }

 private:
  const Form& form_;
  RasterCanvas& out_;
  const Control* focused_ = nullptr;
};

}  // namespace

RgbImage to_image(const Canvas& canvas) {
  RgbImage img;
  img.width = canvas.width();
  img.height = canvas.height();
  const std::size_t n = static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height);
  if (const auto* raster = dynamic_cast<const RasterCanvas*>(&canvas)) {
    if (raster->flat())
      img.pixels.assign(n, *raster->flat());
    else if (n > 0)
      img.pixels.assign(raster->row(0), raster->row(0) + n);
    return img;
  }
  img.pixels.resize(n);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      img.pixels[static_cast<std::size_t>(y * img.width + x)] = canvas.pixel(x, y);
  return img;
}

RgbImage render(const Form& form) {
  const int w = std::max(0, bounded(to_pixels_x(form.Width())));
  const int h = std::max(0, bounded(to_pixels_y(form.Height())));
  const int frame = to_pixels_x(Form::kFrameTwips);
  RasterCanvas out(w, h, resolve_color(0x8000000F));
  Renderer r(form, out);
  const Clip all{0, 0, w, h};
  // Dialog frame: a raised double edge, then the face colour.
  r.frame(all, 0, 0, w, h, resolve_color(0x80000016), resolve_color(0x80000015));
  r.frame(all, 1, 1, w - 2, h - 2, resolve_color(0x80000014), resolve_color(0x80000010));
  const Clip inner{frame, frame, w - frame, h - frame};
  r.fill(inner, inner.x0, inner.y0, inner.x1, inner.y1, resolve_color(form.BackColor()));
  if (form.IsLoaded()) r.children(nullptr, frame, frame, inner);
  return to_image(out);
}

void save_png(const RgbImage& img, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(f, &std::fclose);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng failed");
  }
  std::vector<unsigned char> row(static_cast<std::size_t>(img.width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot write " + path);
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(img.width), static_cast<png_uint_32>(img.height),
               8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const Rgb c = img.at(x, y);
      row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>(red_of(c));
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>(green_of(c));
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>(blue_of(c));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

}  // namespace quillon::forms::headless
