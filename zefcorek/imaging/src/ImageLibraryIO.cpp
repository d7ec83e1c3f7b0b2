// The image library's file and stream routes.
#include "ImageLibraryIO.h"

#include "DecodeChecks.h"
#include "ImageLibrary.h"
#include "zefcorek/ComStream.h"
#include "zefcorek/ImgIO.h"

#include <cstdint>
#include <cstdio>

namespace {

IStream* streamOf(fi_handle handle) { return static_cast<IStream*>(handle); }

// size x count in one call's ULONG, or nothing when it does not fit.
bool byteCount(unsigned size, unsigned count, ULONG& bytes) {
  const uint64_t total = uint64_t{size} * count;
  if (total > UINT32_MAX) return false;
  bytes = static_cast<ULONG>(total);
  return true;
}

unsigned DLL_CALLCONV readProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  ULONG bytes = 0, got = 0;
  if (!byteCount(size, count, bytes)) return 0;
  return streamOf(handle)->Read(buffer, bytes, &got) == S_OK ? count : 0;
}

unsigned DLL_CALLCONV writeProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  ULONG bytes = 0, written = 0;
  if (!byteCount(size, count, bytes)) return 0;
  return streamOf(handle)->Write(buffer, bytes, &written) == S_OK ? count : 0;
}

int DLL_CALLCONV seekProc(fi_handle handle, long offset, int origin) {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  return streamOf(handle)->Seek(move, static_cast<DWORD>(origin), nullptr) == S_OK ? 0 : -1;
}

long DLL_CALLCONV tellProc(fi_handle handle) {
  LARGE_INTEGER none;
  none.QuadPart = 0;
  ULARGE_INTEGER position;
  position.QuadPart = 0;
  if (streamOf(handle)->Seek(none, STREAM_SEEK_CUR, &position) != S_OK) return 0;
  return static_cast<long>(position.QuadPart);
}

bool readable(FREE_IMAGE_FORMAT format) { return format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format); }

// A file opened for the library's handle routes.
unsigned DLL_CALLCONV fileReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(std::fread(buffer, size, count, static_cast<FILE*>(handle)));
}
unsigned DLL_CALLCONV fileWriteProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(std::fwrite(buffer, size, count, static_cast<FILE*>(handle)));
}
int DLL_CALLCONV fileSeekProc(fi_handle handle, long offset, int origin) {
  return std::fseek(static_cast<FILE*>(handle), offset, origin);
}
long DLL_CALLCONV fileTellProc(fi_handle handle) { return std::ftell(static_cast<FILE*>(handle)); }

// The load behind every route: the data's format checked first (see
// DecodeChecks.h), then decoded.
FIBITMAP* loadChecked(FREE_IMAGE_FORMAT format, FreeImageIO& io, fi_handle handle) {
  if (!readable(format) || !zefcorek::imagelib::mayDecode(format, io, handle)) return nullptr;
  return FreeImage_LoadFromHandle(format, &io, handle, 0);
}

}  // namespace

FreeImageIO zefcorek::imagelib::comStreamIO() { return {readProc, writeProc, seekProc, tellProc}; }

FIBITMAP* zefcorek::imagelib::LoadBitmapFile(const WCHAR* path) {
  const auto native = nativePathOf(path);
  if (!native) return nullptr;
  FILE* file = std::fopen(native->c_str(), "rb");
  if (file == nullptr) return nullptr;
  FreeImageIO io{fileReadProc, fileWriteProc, fileSeekProc, fileTellProc};
  FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, file, 0);
  if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(native->c_str());
  FIBITMAP* bitmap = loadChecked(format, io, file);
  std::fclose(file);
  return bitmap;
}

FIBITMAP* zefcorek::imagelib::LoadBitmapStream(IStream* stream) {
  if (stream == nullptr) return nullptr;
  FreeImageIO io = comStreamIO();
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, stream, 0);
  return loadChecked(format, io, stream);
}

bool zefcorek::imagelib::SaveBitmapStream(FIBITMAP* bitmap, IStream* stream, FREE_IMAGE_FORMAT format, int flags) {
  if (stream == nullptr) return false;
  FreeImageIO io = comStreamIO();
  return FreeImage_SaveToHandle(format, bitmap, &io, stream, flags) != FALSE;
}

bool zefcorek::imagelib::SaveBitmapFile(FIBITMAP* bitmap, const WCHAR* path, FREE_IMAGE_FORMAT format, int flags) {
  const auto native = nativePathOf(path);
  if (!native || bitmap == nullptr) return false;
  return FreeImage_Save(format, bitmap, native->c_str(), flags) != FALSE;
}

FIBITMAP* zefcorek::imagelib::LoadScaledBitmap(const WCHAR* path, int width, int height) {
  if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > kMaxImagePixels) return nullptr;
  FIBITMAP* loaded = LoadBitmapFile(path);
  if (loaded == nullptr) return nullptr;
  FIBITMAP* scaled = FreeImage_Rescale(loaded, width, height, FILTER_BICUBIC);
  FreeImage_Unload(loaded);
  return scaled;
}
