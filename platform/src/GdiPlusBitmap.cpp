// The GDI+ bitmap decoded by the image library from memory.
#include "platform/GdiPlusBitmap.h"

// Our GDI types first: the image library then takes them as its own.
#include "platform/Gdi.h"

#include <FreeImage.h>

#include <cstring>
#include <vector>

namespace {

// The stream's bytes from its start; false when it cannot be read.
bool readAll(platform::IStream* stream, std::vector<BYTE>& bytes) {
  ULONGLONG size = 0;
  if (stream->Seek(0, platform::STREAM_SEEK_END, &size) != S_OK || size > 0x7FFFFFFF) return false;
  if (stream->Seek(0, platform::STREAM_SEEK_SET, nullptr) != S_OK) return false;
  bytes.resize(static_cast<size_t>(size));
  ULONG read = 0;
  return stream->Read(bytes.data(), static_cast<ULONG>(size), &read) == S_OK && read == size;
}

}  // namespace

Gdiplus::Bitmap::Bitmap(platform::IStream* stream) {
  std::vector<BYTE> bytes;
  if (!stream || !readAll(stream, bytes) || bytes.empty()) {
    status_ = Status::InvalidParameter;
    return;
  }
  FIMEMORY* memory = FreeImage_OpenMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory, 0);
  FIBITMAP* decoded = format == FIF_UNKNOWN ? nullptr : FreeImage_LoadFromMemory(format, memory, 0);
  FreeImage_CloseMemory(memory);
  FIBITMAP* argb = decoded ? FreeImage_ConvertTo32Bits(decoded) : nullptr;
  if (decoded) FreeImage_Unload(decoded);
  if (!argb) {
    status_ = Status::UnknownImageFormat;
    return;
  }
  width_ = FreeImage_GetWidth(argb);
  height_ = FreeImage_GetHeight(argb);
  argb_.resize(static_cast<size_t>(width_) * height_);
  // The image library keeps its rows bottom-up, blue first: a little-endian
  // ARGB word per pixel.
  for (UINT y = 0; y < height_; ++y)
    std::memcpy(argb_.data() + static_cast<size_t>(y) * width_,
                FreeImage_GetScanLine(argb, static_cast<int>(height_ - 1 - y)), static_cast<size_t>(width_) * 4);
  FreeImage_Unload(argb);
}

Gdiplus::Bitmap::~Bitmap() = default;

Gdiplus::Status Gdiplus::Bitmap::LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data) {
  if (status_ != Status::Ok) return status_;
  if (!data || format != PixelFormat32bppARGB || (flags & ImageLockModeRead) == 0) return Status::InvalidParameter;
  if (rect && (rect->X != 0 || rect->Y != 0 || rect->Width != static_cast<int>(width_) ||
               rect->Height != static_cast<int>(height_)))
    return Status::InvalidParameter;
  if (locked_) return Status::WrongState;
  locked_ = true;
  *data = {width_, height_, static_cast<int>(width_ * 4), PixelFormat32bppARGB, argb_.data(), 0};
  return Status::Ok;
}

Gdiplus::Status Gdiplus::Bitmap::UnlockBits(BitmapData* data) {
  if (!data || !locked_) return Status::WrongState;
  locked_ = false;
  return Status::Ok;
}
