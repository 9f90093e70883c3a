// Pieces of the headless backend shared between its files (not part of its public API).
#pragma once

#include <cairo.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "forms/backend.h"
#include "forms/controls.h"
#include "forms/raster.h"

namespace quillon::forms::headless {

// Icons: a bitmap whose pixels with the top byte set are transparent.
inline constexpr Rgb kTransparent = 0xFF000000u;
const Bitmap* stock_icon_bitmap(IconHandle handle);  // handles 1..4, else nullptr

// The cairo canvas: an RGB24 image surface, aliased drawing.
//
// Pixel convention: pixel (x, y) covers the unit square [x, x+1) x [y, y+1); a drawing
// coordinate p names that pixel, so shapes are laid out around pixel centres (x + 0.5, y + 0.5).
// A pixel is painted when its centre lies inside the shape (CAIRO_ANTIALIAS_NONE). fill_rect is
// half-open; a 1-pixel pen is drawn with Bresenham (both end points, the midpoint circle), wider
// pens as cairo strokes with round caps centred on the path.
class CairoCanvas final : public Canvas {
 public:
  CairoCanvas(int width, int height, Rgb fill);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  int width() const override { return width_; }
  int height() const override { return height_; }
  void reset(int width, int height, Rgb fill) override;
  void fill_rect(int x0, int y0, int x1, int y1, Rgb colour) override;
  void line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) override;
  void circle(int cx, int cy, int r, int pen_width, Rgb colour) override;
  void draw_icon(int x, int y, IconHandle icon) override;
  Rgb pixel(int x, int y) const override;

  void set_pixel(int x, int y, Rgb colour);
  PixelBuffer pixels() const;
  cairo_surface_t* surface() const { return surface_; }

 private:
  void create(int width, int height, Rgb fill);
  void destroy();
  void set_source(Rgb colour);

  int width_ = 0, height_ = 0;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

// Text with a real font stack (FreeType).
struct FontFace;  // one loaded face at one size
class FontStack {
 public:
  FontStack();
  ~FontStack();
  // One laid-out line: the text and its width.
  struct Line {
    std::wstring text;
    int width_px = 0;
  };
  int line_height(const Font& font);
  int ascent(const Font& font);
  int text_width(const std::wstring& text, const Font& font);
  std::vector<Line> layout(const std::wstring& text, const Font& font,
                           std::optional<int> wrap_width_px);
  // Draw one line with its baseline origin at (x, y_top + ascent); aliased glyphs.
  void draw(CairoCanvas& canvas, int x, int y_top, const std::wstring& text, const Font& font,
            Rgb colour, int clip_x0, int clip_y0, int clip_x1, int clip_y1);

 private:
  FontFace& face(const Font& font);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
FontStack& font_stack();  // one per thread

}  // namespace quillon::forms::headless
