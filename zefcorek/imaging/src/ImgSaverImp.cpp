// The saver: the row of the format id (or the path's extension), then the
// row's handler with the row's first id.
#include "zefcorek/ImgIOExpertImp.h"

#include "ImgLoaderImp.h"

IImgSaverImp::IImgSaverImp(IImgIOExpert* expert) : expert_(expert) {}

IImgSaverImp::~IImgSaverImp() = default;

HRESULT IImgSaverImp::QueryInterface(REFIID /*iid*/, void** /*out*/) { return ZR_NOTSUPPORTED; }

ZRESULT IImgSaverImp::SaveToFile(uint32_t formatId, const WCHAR* path, IRasterImage* image) {
  if (path == nullptr || image == nullptr) return ZR_BADARG;
  if (expert_ == nullptr) return ZR_FAILED;
  ImgFormatInfo row = zefcorek::emptyFormatRow();
  if (const ZRESULT found = expert_->FindFormatByPath(formatId, path, &row); found != ZR_OK) {
    return found;
  }
  if (row.SaveToFile == nullptr) return ZR_FAILED;
  return row.SaveToFile(expert_, this, row.FormatIds[0], path, image);
}

ZRESULT IImgSaverImp::SaveToStream(uint32_t formatId, IFIOOStream* stream, IRasterImage* image) {
  if (stream == nullptr || image == nullptr) return ZR_BADARG;
  if (expert_ == nullptr) return ZR_FAILED;
  ImgFormatInfo row = zefcorek::emptyFormatRow();
  // Without a path only an id can pick the row: id 0 is a bad argument.
  if (const ZRESULT found = expert_->FindFormatByPath(formatId, nullptr, &row); found != ZR_OK) {
    return found;
  }
  if (row.SaveToStream == nullptr) return ZR_FAILED;
  return row.SaveToStream(expert_, this, row.FormatIds[0], stream, image);
}
