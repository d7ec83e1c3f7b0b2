// The GDI+ bitmap: an encoded picture (PNG, JPEG, BMP, GIF, TIFF) decoded
// from a stream, and its pixels lent as 32-bit ARGB rows.
#pragma once

#include "platform/ComStream.h"
#include "platform/Export.h"
#include "platform/GdiPlus.h"
#include "platform/WinTypes.h"

#include <vector>

namespace Gdiplus {

using PixelFormat = int;
inline constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
inline constexpr UINT ImageLockModeRead = 1;

struct Rect {
  int X;
  int Y;
  int Width;
  int Height;
};

struct BitmapData {
  UINT Width;
  UINT Height;
  int Stride;  // bytes from one row to the next, the top row first
  Gdiplus::PixelFormat PixelFormat;
  void* Scan0;
  UINT_PTR Reserved;
};

class ZEF_EXPORT Bitmap {
public:
  // Reads the whole stream and decodes it; GetLastStatus says whether that
  // worked (UnknownImageFormat for bytes no decoder takes).
  explicit Bitmap(platform::IStream* stream);
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  Status GetLastStatus() const { return status_; }
  UINT GetWidth() const { return width_; }
  UINT GetHeight() const { return height_; }
  // The whole picture, read only, as 32-bit ARGB (any picture can be lent
  // so); other rectangles, modes and formats answer InvalidParameter.
  Status LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data);
  Status UnlockBits(BitmapData* data);

private:
  Status status_ = Status::Ok;
  UINT width_ = 0;
  UINT height_ = 0;
  std::vector<uint32_t> argb_;  // top row first
  bool locked_ = false;
};

}  // namespace Gdiplus
