// The library's format rows and their handlers.
#include "ImgFormatRows.h"

#include "ExifInfoExtractorImp.h"
#include "FactoryObject.h"
#include "ImageLibrary.h"
#include "ImageLibraryIO.h"
#include "RasterImageImp.h"
#include "zefcorek/ComStream.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/SizedRecord.h"
#include "zefcorek/TaggedValSet.h"
#include "zefcorek/ZefCoreK.h"
#include "zefcorek/ClassIds.h"

#include <algorithm>
#include <cmath>
#include <optional>
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
    {u"JPEG/JFIF (*.jpg,*.jif,*.jpeg)", {5, 6}, {u"jpg", u"jif", u"jpeg"}, FIF_JPEG, JPEG_QUALITYGOOD},
    {u"Tagged Image File Format (*.tif,*.tiff)", {4, 0}, {u"tif", u"tiff"}, FIF_TIFF, TIFF_LZW},
    {u"Portable Network Graphics (*.png)", {14, 0}, {u"png"}, FIF_PNG, PNG_Z_DEFAULT_COMPRESSION},
    {u"Truevision Targa (*.tga)", {7, 0}, {u"tga"}, FIF_TARGA, 0},
};
constexpr int kJpegRow = 1;

// A new image around `bitmap` in *out, marked with the row's first id; 30
// (the bitmap unloaded) when it cannot be made.
ZRESULT wrapLoaded(IImgIOExpert* expert, FIBITMAP* bitmap, uint32_t formatId, IRasterImage** out) {
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
int32_t loadFromStream(IImgIOExpert* expert, uint32_t /*formatId*/, uint32_t /*reserved*/, IFIOIStream* stream,
                       IRasterImage** out) {
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
int32_t saveToFile(IImgIOExpert* /*expert*/, IImgSaver* /*caller*/, uint32_t /*formatId*/, const WCHAR* path,
                   IRasterImage* image) {
  IFIRasterImageImp* imp = zefcorek::rasterImageImpOf(image);
  if (imp == nullptr) return ZR_FAILED;
  FIBITMAP* bitmap = nullptr;
  if (const ZRESULT result = imp->GetBitmap(&bitmap); result != ZR_OK) return result;
  const bool saved = zefcorek::imagelib::SaveBitmapFile(bitmap, path, kRows[Row].libraryFormat, kRows[Row].saveFlags);
  return saved ? ZR_OK : ZR_FAILED;
}

template <int Row>
int32_t saveToStream(IImgIOExpert* /*expert*/, IImgSaver* /*caller*/, uint32_t /*formatId*/, IFIOOStream* stream,
                     IRasterImage* image) {
  IFIRasterImageImp* imp = zefcorek::rasterImageImpOf(image);
  if (imp == nullptr || stream == nullptr) return ZR_BADARG;
  FIBITMAP* bitmap = nullptr;
  if (const ZRESULT result = imp->GetBitmap(&bitmap); result != ZR_OK) return result;
  if (bitmap == nullptr) return ZR_FAILED;
  if (const ZRESULT result = checkOpen(stream); result != ZR_OK) return result;
  IStream* com = nullptr;
  if (stream->CreateCOMStream(&com) != ZR_OK || com == nullptr) return ZR_FAILED;
  const bool saved = zefcorek::imagelib::SaveBitmapStream(bitmap, com, kRows[Row].libraryFormat, kRows[Row].saveFlags);
  com->Release();
  return saved ? ZR_OK : ZR_FAILED;
}

// A new tagged value set from the factory; null when it cannot be made.
ITaggedValSet* newTaggedSet() { return zefcorek::makeFactoryObject<ITaggedValSet>(CLSID_ITaggedValSetImp); }

// The five numbers of the information record.
struct ImageFacts {
  uint32_t width = 0, height = 0, bitsPerPixel = 0, dpiX = 0, dpiY = 0;
};

// Writes the facts into a 540-byte record (zeroed first) or, for the
// tagged form, into the new set already in Values: id 0, tag 0 the path,
// tags 10 to 14 the numbers.
ZRESULT putFacts(const WCHAR* path, void* record, const ImageFacts& facts) {
  auto* info = static_cast<ImgFileInfo*>(record);
  if (info->cbSize == sizeof(ImgFileInfo)) {
    DSStructInit(info);
    const std::u16string_view name(path);
    const size_t copied = std::min<size_t>(name.size(), std::size(info->FileName) - 1);
    std::copy_n(name.data(), copied, info->FileName);
    info->Width = facts.width;
    info->Height = facts.height;
    info->BitsPerPixel = facts.bitsPerPixel;
    info->DpiX = facts.dpiX;
    info->DpiY = facts.dpiY;
    return ZR_OK;
  }
  ITaggedValSet* set = static_cast<ImgFileTaggedInfo*>(record)->Values;
  ZRESULT result = set->SetID(0);
  if (result == ZR_OK) result = set->AddString(kImgInfoTagPath, path);
  const uint32_t numbers[] = {facts.width, facts.height, facts.bitsPerPixel, facts.dpiX, facts.dpiY};
  for (uint32_t index = 0; index < 5 && result == ZR_OK; ++index) {
    result = set->AddInt(kImgInfoTagWidth + index, static_cast<int32_t>(numbers[index]));
  }
  return result;
}

// Checks the record's size and, for the tagged form, puts a new set into
// Values (releasing the one there). 10 for another size, 30 without a set.
ZRESULT prepareInfo(void* record) {
  auto* info = static_cast<ImgFileInfo*>(record);
  if (info->cbSize == sizeof(ImgFileInfo)) return ZR_OK;
  if (info->cbSize != sizeof(ImgFileTaggedInfo)) return ZR_BADARG;
  auto* tagged = static_cast<ImgFileTaggedInfo*>(record);
  ITaggedValSet* set = newTaggedSet();
  if (set == nullptr) return ZR_OUTOFMEMORY;
  if (tagged->Values != nullptr) tagged->Values->Release();
  tagged->Values = set;
  return ZR_OK;
}

// The information by decoding the whole image.
template <int Row>
int32_t getInfoByDecoding(IImgIOExpert* expert, const WCHAR* path, void* record) {
  if (path == nullptr || record == nullptr) return ZR_BADARG;
  if (const ZRESULT prepared = prepareInfo(record); prepared != ZR_OK) return prepared;
  if (static_cast<ImgFileInfo*>(record)->cbSize == sizeof(ImgFileInfo)) DSStructInit(record);
  IRasterImage* image = nullptr;
  if (const ZRESULT result = loadFromFile<Row>(expert, path, &image); result != ZR_OK) {
    return result;
  }
  ImageFacts facts;
  (void)image->GetWidth(&facts.width);
  (void)image->GetHeight(&facts.height);
  (void)image->GetBPP(&facts.bitsPerPixel);
  (void)image->GetDPIX(&facts.dpiX);
  (void)image->GetDPIY(&facts.dpiY);
  image->Release();
  return putFacts(path, record, facts);
}

// JPEG metadata come from the Exif extractor.
int32_t getJpegMetadata(IImgIOExpert* expert, const WCHAR* path, ITaggedValSet** out) {
  if (expert == nullptr || path == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  auto* extractor = new (std::nothrow) ExifIOLib::IExifInfoExtractorImp();
  if (extractor == nullptr) return ZR_OUTOFMEMORY;
  const ZRESULT result = extractor->Extract(path, out);
  extractor->Release();
  if (result != ZR_OK) *out = nullptr;
  return result;
}

// The first element of a numeric value with this tag, when the set has one.
std::optional<double> numberOf(ITaggedValSet* set, uint32_t tag) {
  TaggedValue value{};
  value.cbSize = kTaggedValueSize;
  if (set->FindValue(tag, &value, nullptr) != ZR_OK || value.tag != tag || value.count == 0) {
    return std::nullopt;
  }
  const bool inlineValue = value.count == 1;
  switch (value.type) {
    case TVT_INT: return inlineValue ? value.value.i : static_cast<const int32_t*>(value.value.storage)[0];
    case TVT_UINT: return inlineValue ? value.value.u : static_cast<const uint32_t*>(value.value.storage)[0];
    case TVT_DOUBLE: return inlineValue ? value.value.d : static_cast<const double*>(value.value.storage)[0];
    default: return std::nullopt;
  }
}

// A number as an unsigned 32-bit one, or nothing when it cannot be one
// (negative, too large, not a number): such a value counts as absent.
std::optional<uint32_t> unsigned32(std::optional<double> number, double scale = 1) {
  if (!number) return std::nullopt;
  const double scaled = std::ceil(*number * scale);
  if (!(scaled >= 0 && scaled <= double{UINT32_MAX})) return std::nullopt;
  return static_cast<uint32_t>(scaled);
}

// A size in whole pixels: the number's whole part, when it fits.
std::optional<uint32_t> pixelsOf(ITaggedValSet* set, uint32_t tag) {
  const std::optional<double> number = numberOf(set, tag);
  if (!number) return std::nullopt;
  return unsigned32(std::trunc(*number));
}

// The facts from the Exif data, or nothing when width or height is missing
// (the image is then decoded).
std::optional<ImageFacts> factsFromMetadata(ITaggedValSet* metadata) {
  std::optional<uint32_t> width = pixelsOf(metadata, 0x0100);
  std::optional<uint32_t> height = pixelsOf(metadata, 0x0101);
  std::optional<uint32_t> bitsPerSample = pixelsOf(metadata, 0x0102);
  if (bitsPerSample && *bitsPerSample > UINT32_MAX / 3) bitsPerSample.reset();
  const std::optional<double> unit = numberOf(metadata, 0x0128);
  const std::optional<double> resolutionX = numberOf(metadata, 0x011A);
  const std::optional<double> resolutionY = numberOf(metadata, 0x011B);
  ITaggedValSet* exifSet = nullptr;
  if (metadata->FindSubSetByID(1, &exifSet, nullptr) == ZR_OK && exifSet != nullptr) {
    if (!width) width = pixelsOf(exifSet, 0xA002);
    if (!height) height = pixelsOf(exifSet, 0xA003);
    exifSet->Release();
  }
  if (!width || !height) return std::nullopt;
  ImageFacts facts;
  facts.width = *width;
  facts.height = *height;
  facts.bitsPerPixel = bitsPerSample.value_or(8) * 3;
  const auto dpiOf = [&](const std::optional<double>& resolution) -> uint32_t {
    const double resolutionUnit = unit.value_or(2);
    if (resolutionUnit == 2) return unsigned32(resolution).value_or(100);
    if (resolutionUnit == 3) return unsigned32(resolution, 2.54).value_or(100);
    return 100;
  };
  facts.dpiX = dpiOf(resolutionX);
  facts.dpiY = dpiOf(resolutionY);
  return facts;
}

// A JPEG's information comes from its Exif data when they hold its size;
// otherwise, and on any failure, the image is decoded.
int32_t getJpegInfo(IImgIOExpert* expert, const WCHAR* path, void* record) {
  if (path == nullptr || record == nullptr) return ZR_BADARG;
  const uint32_t size = static_cast<ImgFileInfo*>(record)->cbSize;
  if (size != sizeof(ImgFileInfo) && size != sizeof(ImgFileTaggedInfo)) return ZR_BADARG;
  ITaggedValSet* metadata = nullptr;
  if (getJpegMetadata(expert, path, &metadata) == ZR_OK) {
    const std::optional<ImageFacts> facts = factsFromMetadata(metadata);
    ZRESULT result = facts ? prepareInfo(record) : ZR_FAILED;
    if (result == ZR_OK) result = putFacts(path, record, *facts);
    if (result == ZR_OK && size == sizeof(ImgFileTaggedInfo)) {
      // The whole metadata go along as sub-set 100.
      ITaggedValSet* values = static_cast<ImgFileTaggedInfo*>(record)->Values;
      result = metadata->SetID(100);
      if (result == ZR_OK) result = values->AddSubSet(metadata, nullptr);
    }
    metadata->Release();
    if (result == ZR_OK) return ZR_OK;
  }
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
    case 0: return makeRow<0>();
    case 1: return makeRow<1>();
    case 2: return makeRow<2>();
    case 3: return makeRow<3>();
    default: return makeRow<4>();
  }
}

ZRESULT zefcorek::addLibraryFormats(IImgIOExpert* expert) {
  for (int index = 0; index < kLibraryFormatCount; ++index) {
    const ImgFormatInfo row = libraryFormatRow(index);
    if (const ZRESULT result = expert->AddFormat(&row, nullptr); result != ZR_OK) return result;
  }
  return ZR_OK;
}
