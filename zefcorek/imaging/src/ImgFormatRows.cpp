// The library's format rows and their handlers.
#include "ImgFormatRows.h"

#include "ImageLibrary.h"
#include "ImageLibraryIO.h"
#include "RasterImageImp.h"
#include "zefcorek/ComStream.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/SizedRecord.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace {

struct FormatRow {
  const char16_t* description;
  uint32_t ids[2];  // a second id of 0: none
  const char16_t* extensions[3];
  FREE_IMAGE_FORMAT libraryFormat;
  int saveFlags;
};

constexpr FormatRow kRows[zefcorek::kLibraryFormatCount] = {
    {u"Windows Bitmap (*.bmp)", {2, 0}, {u"bmp"}, FIF_BMP, 0},
    {u"JPEG/JFIF (*.jpg,*.jif,*.jpeg)", {5, 6}, {u"jpg", u"jif", u"jpeg"}, FIF_JPEG,
     JPEG_QUALITYGOOD},
    {u"Tagged Image File Format (*.tif,*.tiff)", {4, 0}, {u"tif", u"tiff"}, FIF_TIFF, TIFF_LZW},
    {u"Portable Network Graphics (*.png)", {14, 0}, {u"png"}, FIF_PNG, PNG_Z_DEFAULT_COMPRESSION},
    {u"Truevision Targa (*.tga)", {7, 0}, {u"tga"}, FIF_TARGA, 0},
};
constexpr int kJpegRow = 1;

// A new image around `bitmap` in *out, marked with the row's first id; 30
// (the bitmap unloaded) when it cannot be made.
ZRESULT wrapLoaded(IImgIOExpert* expert, FIBITMAP* bitmap, uint32_t formatId,
                   IRasterImage** out) {
  auto* image = new (std::nothrow) IFIRasterImageImp(expert, bitmap);
  if (image == nullptr) {
    FreeImage_Unload(bitmap);
    return ZR_OUTOFMEMORY;
  }
  image->SetUserWord(formatId);
  *out = static_cast<IRasterImage*>(image);
  return ZR_OK;
}

// An input stream must be open before the image library may read it.
ZRESULT checkOpen(IFIOIStream* stream) {
  HANDLE handle = nullptr;
  if (const ZRESULT result = stream->GetHandle(&handle); result != ZR_OK) return result;
  uint32_t position = 0;
  return stream->GetPosition(&position);
}

template <int Row>
int32_t loadFromFile(IImgIOExpert* expert, const WCHAR* path, IRasterImage** out) {
  if (path == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  FIBITMAP* bitmap = zefcorek::imagelib::LoadBitmapFile(path);
  if (bitmap == nullptr) return ZR_FAILED;
  return wrapLoaded(expert, bitmap, kRows[Row].ids[0], out);
}

template <int Row>
int32_t loadFromStream(IImgIOExpert* expert, uint32_t /*formatId*/, uint32_t /*reserved*/,
                       IFIOIStream* stream, IRasterImage** out) {
  if (stream == nullptr || out == nullptr) return ZR_FAILED;
  *out = nullptr;
  if (const ZRESULT result = checkOpen(stream); result != ZR_OK) return result;
  IStream* com = nullptr;
  if (stream->CreateCOMStream(&com) != ZR_OK || com == nullptr) return ZR_FAILED;
  FIBITMAP* bitmap = zefcorek::imagelib::LoadBitmapStream(com);
  com->Release();
  if (bitmap == nullptr) return ZR_FAILED;
  return wrapLoaded(expert, bitmap, kRows[Row].ids[0], out);
}

template <int Row>
int32_t saveToFile(IImgIOExpert* /*expert*/, IImgSaver* /*caller*/, uint32_t /*formatId*/,
                   const WCHAR* path, IRasterImage* image) {
  IFIRasterImageImp* imp = zefcorek::rasterImageImpOf(image);
  if (imp == nullptr) return ZR_FAILED;
  FIBITMAP* bitmap = nullptr;
  if (const ZRESULT result = imp->GetBitmap(&bitmap); result != ZR_OK) return result;
  const bool saved = zefcorek::imagelib::SaveBitmapFile(bitmap, path, kRows[Row].libraryFormat,
                                                        kRows[Row].saveFlags);
  return saved ? ZR_OK : ZR_FAILED;
}

template <int Row>
int32_t saveToStream(IImgIOExpert* /*expert*/, IImgSaver* /*caller*/, uint32_t /*formatId*/,
                     IFIOOStream* stream, IRasterImage* image) {
  IFIRasterImageImp* imp = zefcorek::rasterImageImpOf(image);
  if (imp == nullptr || stream == nullptr) return ZR_BADARG;
  FIBITMAP* bitmap = nullptr;
  if (const ZRESULT result = imp->GetBitmap(&bitmap); result != ZR_OK) return result;
  if (bitmap == nullptr) return ZR_FAILED;
  if (const ZRESULT result = checkOpen(stream); result != ZR_OK) return result;
  IStream* com = nullptr;
  if (stream->CreateCOMStream(&com) != ZR_OK || com == nullptr) return ZR_FAILED;
  const bool saved = zefcorek::imagelib::SaveBitmapStream(bitmap, com, kRows[Row].libraryFormat,
                                                          kRows[Row].saveFlags);
  com->Release();
  return saved ? ZR_OK : ZR_FAILED;
}

// The information by decoding the whole image. The tagged-set form needs
// the tagged value set, which this build lacks: it is not supported yet.
template <int Row>
int32_t getInfoByDecoding(IImgIOExpert* expert, const WCHAR* path, void* record) {
  if (path == nullptr || record == nullptr) return ZR_BADARG;
  auto* info = static_cast<ImgFileInfo*>(record);
  if (info->cbSize == sizeof(ImgFileTaggedInfo)) return ZR_NOTSUPPORTED;
  if (info->cbSize != sizeof(ImgFileInfo)) return ZR_BADARG;
  DSStructInit(info);
  IRasterImage* image = nullptr;
  if (const ZRESULT result = loadFromFile<Row>(expert, path, &image); result != ZR_OK) {
    return result;
  }
  const std::u16string_view name(path);
  const size_t copied = std::min<size_t>(name.size(), std::size(info->FileName) - 1);
  std::copy_n(name.data(), copied, info->FileName);
  (void)image->GetWidth(&info->Width);
  (void)image->GetHeight(&info->Height);
  (void)image->GetBPP(&info->BitsPerPixel);
  (void)image->GetDPIX(&info->DpiX);
  (void)image->GetDPIY(&info->DpiY);
  image->Release();
  return ZR_OK;
}

// JPEG metadata come from the Exif extractor, which this build lacks: no
// extractor can be made.
int32_t getJpegMetadata(IImgIOExpert* expert, const WCHAR* path, ITaggedValSet** out) {
  if (expert == nullptr || path == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  return ZR_OUTOFMEMORY;
}

// A JPEG's information would come from its metadata first; without them it
// is decoded, as the metadata route does whenever it fails.
int32_t getJpegInfo(IImgIOExpert* expert, const WCHAR* path, void* record) {
  ITaggedValSet* metadata = nullptr;
  (void)getJpegMetadata(expert, path, &metadata);
  return getInfoByDecoding<kJpegRow>(expert, path, record);
}

template <int Row>
ImgFormatInfo makeRow() {
  const FormatRow& data = kRows[Row];
  ImgFormatInfo row{};
  row.cbSize = sizeof row;
  std::fill(std::begin(row.FormatIds), std::end(row.FormatIds), kImgUnusedFormatId);
  row.FormatIds[0] = data.ids[0];
  if (data.ids[1] != 0) row.FormatIds[1] = data.ids[1];
  const std::u16string_view description(data.description);
  std::copy(description.begin(), description.end(), row.Description);
  for (const char16_t* extension : data.extensions) {
    if (extension == nullptr) break;
    const std::u16string_view text(extension);
    std::copy(text.begin(), text.end(), row.Extensions[row.ExtCount++]);
  }
  row.Flags = kImgFormatCanLoad | kImgFormatCanSave;
  row.LoadFromFile = loadFromFile<Row>;
  row.GetInfo = Row == kJpegRow ? getJpegInfo : getInfoByDecoding<Row>;
  row.GetMetadata = Row == kJpegRow ? getJpegMetadata : nullptr;
  row.SaveToFile = saveToFile<Row>;
  row.LoadFromStream = loadFromStream<Row>;
  row.SaveToStream = saveToStream<Row>;
  return row;
}

}  // namespace

ImgFormatInfo zefcorek::libraryFormatRow(int index) {
  switch (index) {
    case 0:
      return makeRow<0>();
    case 1:
      return makeRow<1>();
    case 2:
      return makeRow<2>();
    case 3:
      return makeRow<3>();
    default:
      return makeRow<4>();
  }
}

ZRESULT zefcorek::addLibraryFormats(IImgIOExpert* expert) {
  for (int index = 0; index < kLibraryFormatCount; ++index) {
    const ImgFormatInfo row = libraryFormatRow(index);
    if (const ZRESULT result = expert->AddFormat(&row, nullptr); result != ZR_OK) return result;
  }
  return ZR_OK;
}
