// Per-pixel shapes: boxes, lines and circles computed row by row into a 32-bit pixel buffer. Both
// canvases draw every shape with them (the Win32 canvas into its DIB, the headless canvas into its
// own buffer), so a preview shows the pixels that the DLL paints.
//
// Pixel convention: pixel (x, y) covers [x, x+1) x [y, y+1); a shape laid out around integer
// coordinates paints the pixels whose centres lie inside it, edges included (a level line
// with a 12-pixel pen covers 13 rows: its own and 6 either side). A 1-pixel pen is Bresenham (both
// end points) and the midpoint circle. This file includes no platform header.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace quillon::forms {

struct PixelBuffer {
  std::uint32_t* bits = nullptr;  // top row first
  int width = 0;
  int height = 0;
  int stride = 0;  // in pixels
};

// Clips the segment (ax, ay)-(bx, by) to [x0, x1] x [y0, y1] (Liang-Barsky); false when nothing
// of it is left.
bool clip_segment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1,
                  double y1);
// Copies the top-left width x height pixels of src to the same place in dst (both hold them).
void copy_corner(const PixelBuffer& dst, const PixelBuffer& src, int width, int height);
// Fills [x0, x1) x [y0, y1), clipped to the buffer.
void fill_span_rect(const PixelBuffer& buf, int x0, int y0, int x1, int y1, std::uint32_t value);
// A line pen_width pixels wide with round ends, centred on (x0, y0)-(x1, y1).
void raster_line(const PixelBuffer& buf, int x0, int y0, int x1, int y1, int pen_width,
                 std::uint32_t value);
// `count` one-pixel lines (Bresenham): the first on (x0, y0)-(x1, y1), each next one a pixel below
// the last, or right of it for a line steeper than 45 degrees.
void raster_lines(const PixelBuffer& buf, int x0, int y0, int x1, int y1, int count,
                  std::uint32_t value);
// A circle outline of radius r with a pen pen_width pixels wide centred on it; a disc of radius
// r + pen_width / 2 when the pen covers the centre. r above 2^30 and pens above 2^29 pixels (more
// than the picture box passes) are taken as those.
void raster_circle(const PixelBuffer& buf, int cx, int cy, int r, int pen_width,
                   std::uint32_t value);

// Concentric circles drawn one after another with the same centre and pen, each at least as large
// as the one before (a gradient's rings), held back and then drawn at once: row by row from the
// largest ring inwards, each pixel written once, in the colour of the last ring that covers it.
// The pixels are those of raster_circle for each circle in turn; a canvas draws what it holds
// before anything else touches its pixels, and drops it when its whole surface is replaced.
class RingBatch {
 public:
  // True when the circle joins the batch; false when it cannot (a one-pixel pen, another centre
  // or pen, a smaller radius, a full batch): draw the batch, then the circle.
  bool add(int cx, int cy, int r, int pen_width, std::uint32_t value);
  // Draws what is held into buf and empties the batch.
  void flush(const PixelBuffer& buf);
  void clear() { rings_.clear(); }
  bool empty() const { return rings_.empty(); }

 private:
  struct Ring {
    std::int64_t outer2, inner2;  // bounds of 4 (dx^2 + dy^2), as raster_circle has them
    std::uint32_t value;
    std::int64_t lo = 0, hi = 0;  // the columns it covered in the last row drawn
  };
  int cx_ = 0, cy_ = 0, pen_ = 0, r_ = 0;
  std::vector<Ring> rings_;
  struct Run {
    int x0, x1;  // inclusive
  };
  std::vector<Run> left_runs_, right_runs_;  // the columns painted in a row
};

// Closed outlines drawn one after another with the same pen (a gradient's diamonds), each of four
// thick lines joined end to end, held back and then drawn at once. When every outline is convex,
// lies inside the next one, and no corner moves by more than half a pen from one outline to the
// next, a pixel within the last outline shows the outline just before the first one that holds
// it more than half a pen inside its edges: those pixels are found row by row from the outlines'
// insides and each is written once. Otherwise the lines are drawn one by one. Either way the pixels
// are those of raster_line for each line in turn; the canvases hold this batch as they hold the
// rings.
class OutlineBatch {
 public:
  // True when the line joins the batch; false when it cannot (a one-pixel pen, another pen, a
  // line that does not go on from the last one or does not close an outline of four, a full
  // batch): draw the batch, then the line.
  bool add(int x0, int y0, int x1, int y1, int pen_width, std::uint32_t value);
  // Draws what is held into buf and empties the batch: true when the outlines were filled from
  // their insides, false when the lines were drawn one by one.
  bool flush(const PixelBuffer& buf);
  void clear() { lines_.clear(); }
  bool empty() const { return lines_.empty(); }

 private:
  struct Line {
    int x0, y0, x1, y1;
    std::uint32_t value;
  };
  // Fills the pixels inside the last outline's pen when the outlines allow it; false (nothing
  // drawn) when they do not.
  bool fill_nested(const PixelBuffer& buf);
  int pen_ = 0;
  std::vector<Line> lines_;
};

// Boxes filled one after another, held back and then drawn at once: the rows that the same boxes
// cross look alike, so each run of such rows is drawn once and copied (side-by-side bands cost a
// row and copies rather than a row per band). The pixels are those of fill_span_rect for each box
// in turn; with a background, every other pixel of the buffer is set to it as well (a surface of
// one colour made real in the same pass).
class BoxBatch {
 public:
  // False when the batch is full: draw it, then the box.
  bool add(int x0, int y0, int x1, int y1, std::uint32_t value);
  void flush(const PixelBuffer& buf, std::optional<std::uint32_t> background = std::nullopt);
  void clear() { boxes_.clear(); }
  bool empty() const { return boxes_.empty(); }

 private:
  struct Box {
    int x0, y0, x1, y1;
    std::uint32_t value;
  };
  struct Run {
    int x0, x1;
  };
  std::vector<Box> boxes_;
  // Working memory, kept from flush to flush.
  std::vector<int> edges_;
  std::vector<std::size_t> first_, fill_, in_;
  std::vector<Run> runs_;
};

}  // namespace quillon::forms
