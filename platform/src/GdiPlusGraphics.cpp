// GDI+ figures drawn with cairo into the DC's DIB section.
//
// At 32 bpp with the usual channel masks cairo draws straight into the DIB's
// rows (CAIRO_FORMAT_RGB24). The picture's row 0 may be the last row in
// memory, and cairo wants the first row first, so the matrix flips a
// bottom-up DIB. Other formats are drawn into a 32-bpp scratch copy of the
// touched rectangle, converted there and back; converting a 15, 16 or
// 24-bpp pixel to 32 bits and back gives the same pixel, so only what the
// figure touched changes.
#include "platform/GdiPlusGraphics.h"

#include "GdiObjects.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace gdi = platform::gdi;

namespace {

// The rectangle a figure may touch, right and bottom exclusive.
struct PixelBox {
  int left;
  int top;
  int right;
  int bottom;
  bool isEmpty() const { return left >= right || top >= bottom; }
};

PixelBox intersect(PixelBox a, const PixelBox& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

PixelBox boxAround(double left, double top, double right, double bottom, double margin) {
  auto clampToInt = [](double v) { return static_cast<int>(std::clamp(v, -1e9, 1e9)); };
  return {clampToInt(std::floor(left - margin)), clampToInt(std::floor(top - margin)),
          clampToInt(std::ceil(right + margin)) + 1, clampToInt(std::ceil(bottom + margin)) + 1};
}

bool hasUsualMasks(const gdi::BitmapObject& bitmap) {
  return bitmap.header.biCompression != BI_BITFIELDS ||
         (bitmap.masks[0] == 0x00FF0000 && bitmap.masks[1] == 0x0000FF00 && bitmap.masks[2] == 0x000000FF);
}

void setSource(cairo_t* cr, Gdiplus::ARGB color) {
  cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0,
                        ((color >> 24) & 0xFF) / 255.0);
}

using Figure = std::function<void(cairo_t*)>;

// Runs `figure` on a cairo context whose user space is the picture's pixel
// centres, clipped to `box` (picture pixels).
void drawOnContext(cairo_t* cr, const PixelBox& box, bool antiAlias, const Figure& figure) {
  cairo_set_antialias(cr, antiAlias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_rectangle(cr, box.left - 0.5, box.top - 0.5, box.right - box.left, box.bottom - box.top);
  cairo_clip(cr);
  figure(cr);
}

void drawDirect(gdi::BitmapObject& bitmap, const PixelBox& box, bool antiAlias, const Figure& figure) {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(bitmap.bits, CAIRO_FORMAT_RGB24, bitmap.width(),
                                                                 bitmap.height(), static_cast<int>(bitmap.rowBytes));
  cairo_t* cr = cairo_create(surface);
  if (bitmap.isTopDown()) {
    cairo_translate(cr, 0.5, 0.5);
  } else {
    cairo_translate(cr, 0.5, bitmap.height() - 0.5);
    cairo_scale(cr, 1.0, -1.0);
  }
  drawOnContext(cr, box, antiAlias, figure);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

void drawThroughScratch(gdi::BitmapObject& bitmap, const PixelBox& box, bool antiAlias, const Figure& figure) {
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
  std::vector<uint32_t> scratch(static_cast<size_t>(stride / 4) * height);
  const platform::PixelFormat format = bitmap.format();
  const int bpp = bitmap.bitsPerPixel();
  for (int y = 0; y < height; ++y) {
    const BYTE* row = bitmap.row(box.top + y);
    uint32_t* target = scratch.data() + static_cast<size_t>(y) * (stride / 4);
    for (int x = 0; x < width; ++x) {
      const COLORREF color = format.toColor(platform::readPixel(row, box.left + x, bpp));
      target[x] = (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
    }
  }
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(scratch.data()),
                                                                 CAIRO_FORMAT_RGB24, width, height, stride);
  cairo_t* cr = cairo_create(surface);
  cairo_translate(cr, 0.5 - box.left, 0.5 - box.top);
  drawOnContext(cr, box, antiAlias, figure);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  for (int y = 0; y < height; ++y) {
    BYTE* row = bitmap.row(box.top + y);
    const uint32_t* source = scratch.data() + static_cast<size_t>(y) * (stride / 4);
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = source[x];
      const COLORREF color =
          RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
      platform::writePixel(row, box.left + x, bpp, format.fromColor(color));
    }
  }
}

// Draws `figure` into the DC's DIB within `reach` (picture pixels the
// figure can touch). WrongState without a DIB section to draw into.
Gdiplus::Status drawFigure(HDC dc, PixelBox reach, bool antiAlias, const Figure& figure) {
  auto* context = gdi::lookupDC(dc);
  if (!context) return Gdiplus::Status::InvalidParameter;
  auto* bitmap = gdi::lookupBitmap(context->bitmap);
  if (!bitmap || bitmap->isStock || bitmap->bitsPerPixel() < 15) return Gdiplus::Status::WrongState;
  PixelBox box = intersect(reach, {0, 0, bitmap->width(), bitmap->height()});
  if (context->clip) {
    const RECT& clip = context->clip->box;
    box = intersect(box, {clip.left, clip.top, clip.right, clip.bottom});
  }
  if (box.isEmpty()) return Gdiplus::Status::Ok;
  if (bitmap->bitsPerPixel() == 32 && hasUsualMasks(*bitmap)) {
    drawDirect(*bitmap, box, antiAlias, figure);
  } else {
    drawThroughScratch(*bitmap, box, antiAlias, figure);
  }
  return Gdiplus::Status::Ok;
}

}  // namespace

Gdiplus::Graphics::Graphics(HDC dc) : dc_(dc) {
  auto* context = gdi::lookupDC(dc);
  auto* bitmap = context ? gdi::lookupBitmap(context->bitmap) : nullptr;
  if (!bitmap || bitmap->isStock) lastStatus_ = Status::WrongState;
}

Gdiplus::Graphics::~Graphics() = default;

Gdiplus::Status Gdiplus::Graphics::SetSmoothingMode(SmoothingMode mode) {
  smoothing_ = mode;
  return lastStatus_ = Status::Ok;
}

Gdiplus::Status Gdiplus::Graphics::DrawLineI(const Pen* pen, int x1, int y1, int x2, int y2) {
  if (!pen) return lastStatus_ = Status::InvalidParameter;
  const double width = std::max(0.0f, pen->width());
  const PixelBox reach =
      boxAround(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), width / 2 + 1);
  return lastStatus_ = drawFigure(dc_, reach, smoothing_ == SmoothingMode::AntiAlias, [&](cairo_t* cr) {
           setSource(cr, pen->color());
           cairo_set_line_width(cr, width);
           cairo_move_to(cr, x1, y1);
           cairo_line_to(cr, x2, y2);
           cairo_stroke(cr);
         });
}

namespace {

void ellipsePath(cairo_t* cr, double x, double y, double width, double height) {
  cairo_save(cr);
  cairo_translate(cr, x + width / 2, y + height / 2);
  cairo_scale(cr, std::max(width, 1e-9) / 2, std::max(height, 1e-9) / 2);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
}

}  // namespace

Gdiplus::Status Gdiplus::Graphics::DrawEllipseI(const Pen* pen, int x, int y, int width, int height) {
  if (!pen || width < 0 || height < 0) return lastStatus_ = Status::InvalidParameter;
  const double penWidth = std::max(0.0f, pen->width());
  const PixelBox reach =
      boxAround(x, y, static_cast<double>(x) + width, static_cast<double>(y) + height, penWidth / 2 + 1);
  return lastStatus_ = drawFigure(dc_, reach, smoothing_ == SmoothingMode::AntiAlias, [&](cairo_t* cr) {
           setSource(cr, pen->color());
           cairo_set_line_width(cr, penWidth);
           ellipsePath(cr, x, y, width, height);
           cairo_stroke(cr);
         });
}

Gdiplus::Status Gdiplus::Graphics::FillEllipseI(const SolidBrush* brush, int x, int y, int width, int height) {
  if (!brush || width < 0 || height < 0) return lastStatus_ = Status::InvalidParameter;
  const PixelBox reach = boxAround(x, y, static_cast<double>(x) + width, static_cast<double>(y) + height, 1);
  return lastStatus_ = drawFigure(dc_, reach, smoothing_ == SmoothingMode::AntiAlias, [&](cairo_t* cr) {
           setSource(cr, brush->color());
           ellipsePath(cr, x - 0.5, y - 0.5, width, height);
           cairo_fill(cr);
         });
}
