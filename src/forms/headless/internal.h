// Pieces of the headless backend shared between its files (not part of its public API).
#pragma once

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
// Stock icon `kind` 1..4 at size_px square (the screen's icon size) and back; nullptr for any
// other handle.
IconHandle stock_icon_handle(int kind, int size_px);
const Bitmap* stock_icon_bitmap(IconHandle handle);

// The headless canvas: a plain buffer of RGB pixels, top row first. Boxes, lines and circles are
// the shared per-pixel shapes (forms/raster.h), the same as on the Win32 canvas; text and icons
// are set pixel by pixel.
class RasterCanvas final : public Canvas {
 public:
  RasterCanvas(int width, int height, Rgb fill);
  ~RasterCanvas() override;
  RasterCanvas(const RasterCanvas&) = delete;
  RasterCanvas& operator=(const RasterCanvas&) = delete;

  int width() const override { return width_; }
  int height() const override { return height_; }
  void reset(int width, int height, Rgb fill) override;
  void resize(int width, int height, Rgb fill) override;
  void fill_rect(int x0, int y0, int x1, int y1, Rgb colour) override;
  void line(int x0, int y0, int x1, int y1, int pen_width, Rgb colour) override;
  void circle(int cx, int cy, int r, int pen_width, Rgb colour) override;
  void draw_icon(int x, int y, IconHandle icon) override;
  Rgb pixel(int x, int y) const override;

  void set_pixel(int x, int y, Rgb colour);
  // The pixels, for drawing: a surface of one colour gets its buffer here.
  PixelBuffer pixels();
  // The colour of every pixel while the surface is of one colour (nothing drawn on it since it
  // was made, reset or filled whole); otherwise none, and row() reads the pixels.
  std::optional<Rgb> flat() const {
    settle();
    return flat_;
  }
  // Row y (0 <= y < height), width() pixels; only when flat() is none.
  const Rgb* row(int y) const {
    settle();
    return bits_.get() + static_cast<std::size_t>(y) * width_;
  }

 private:
  void make_flat(Rgb colour);
  PixelBuffer unflatten();
  // Draws the rings, boxes or outlines held back, before anything reads the pixels.
  void settle() const;

  int width_ = 0, height_ = 0;
  // A surface of one colour needs no memory (layout resizes surfaces of thousands of pixels a
  // side many times before anything is drawn on them); the first drawing takes a buffer from
  // the thread's pool (see canvas.cpp) and fills it.
  std::optional<Rgb> flat_;
  std::unique_ptr<Rgb[]> bits_;
  std::size_t capacity_ = 0;
  RingBatch rings_;  // at most one of these three holds anything
  BoxBatch boxes_;
  OutlineBatch outlines_;
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
  // The widest line and the number of lines, without keeping them.
  struct Extent {
    int width_px = 0, lines = 0;
  };
  Extent extent(const std::wstring& text, const Font& font, std::optional<int> wrap_width_px);
  // Valid until the next call of layout.
  const std::vector<Line>& layout(const std::wstring& text, const Font& font,
                                  std::optional<int> wrap_width_px);
  // Draw one line with its baseline origin at (x, y_top + ascent); aliased glyphs.
  void draw(RasterCanvas& canvas, int x, int y_top, const std::wstring& text, const Font& font,
            Rgb colour, int clip_x0, int clip_y0, int clip_x1, int clip_y1);

 private:
  FontFace& face(const Font& font);
  template <class Take>
  void break_lines(FontFace& f, const std::wstring& text, std::optional<int> wrap_width_px,
                   Take&& take);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  friend void forget_layouts();
};
FontStack& font_stack();  // one per thread
void forget_layouts();    // the thread's kept layouts, if its font stack is still there

}  // namespace quillon::forms::headless
