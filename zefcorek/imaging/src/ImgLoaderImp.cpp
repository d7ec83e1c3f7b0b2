// The loader: one format row per request, then the row's handler.
#include "ImgLoaderImp.h"

#include "zefcorek/FileStreams.h"

IImgLoaderImp::~IImgLoaderImp() = default;

HRESULT IImgLoaderImp::QueryInterface(REFIID /*iid*/, void** /*out*/) { return ZR_NOTSUPPORTED; }

ZRESULT IImgLoaderImp::rowByExtension(const WCHAR* path, ImgFormatInfo& row) {
  if (expert_ == nullptr) return ZR_FAILED;
  return expert_->FindFormatByExt(0, path, &row);
}

ZRESULT IImgLoaderImp::LoadFromFile(const WCHAR* path, IRasterImage** out) {
  if (path == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  ImgFormatInfo row = zefcorek::emptyFormatRow();
  if (const ZRESULT found = rowByExtension(path, row); found != ZR_OK) return found;
  if (row.LoadFromFile == nullptr) return ZR_FAILED;
  return row.LoadFromFile(expert_, path, out);
}

ZRESULT IImgLoaderImp::LoadFromStream(uint32_t formatId, uint32_t reserved, IFIOIStream* stream, IRasterImage** out) {
  if (stream == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (expert_ == nullptr) return ZR_FAILED;
  ImgFormatInfo row = zefcorek::emptyFormatRow();
  ZRESULT found;
  if (formatId == 0) {
    // A stream without a name gives the empty name: no extension, no row.
    WCHAR name[MAX_PATH] = {};
    if (stream->GetName(name, nullptr) != ZR_OK) name[0] = u'\0';
    found = expert_->FindFormatByExt(0, name, &row);
  } else {
    found = expert_->FindFormatByExt(formatId, nullptr, &row);
  }
  if (found != ZR_OK) return found;
  if (row.LoadFromStream == nullptr) return ZR_FAILED;
  return row.LoadFromStream(expert_, formatId, reserved, stream, out);
}

ZRESULT IImgLoaderImp::GetImageInfo(const WCHAR* path, void* record) {
  if (path == nullptr || record == nullptr) return ZR_BADARG;
  ImgFormatInfo row = zefcorek::emptyFormatRow();
  ZRESULT result = rowByExtension(path, row);
  if (result == ZR_OK) {
    result = row.GetInfo == nullptr ? ZR_FAILED : row.GetInfo(expert_, path, record);
  }
  if (result != ZR_OK) zefcorek::clearFileInfo(record);
  return result;
}

ZRESULT IImgLoaderImp::GetImageMetadata(const WCHAR* path, ITaggedValSet** out) {
  if (path == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  ImgFormatInfo row = zefcorek::emptyFormatRow();
  if (const ZRESULT found = rowByExtension(path, row); found != ZR_OK) return found;
  if (row.GetMetadata == nullptr) return ZR_FAILED;
  const ZRESULT result = row.GetMetadata(expert_, path, out);
  if (result != ZR_OK) *out = nullptr;
  return result;
}
