// The image format table and the dispatch of the expert.
#include "zefcorek/ImgIOExpertImp.h"

#include "FactoryObject.h"
#include "ImgLoaderImp.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/FilePath.h"
#include "zefcorek/SizedRecord.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace {

// A zero-terminated text in a fixed array, which a row copied from a caller
// may have filled to the end.
std::u16string_view boundedText(const WCHAR* text, size_t capacity) {
  return std::u16string_view(text, std::find(text, text + capacity, u'\0') - text);
}

int32_t releaseRow(void* item, IPtrList::Node* /*node*/, void* /*context*/) {
  delete static_cast<ImgFormatInfo*>(item);
  return 0;
}

// Sorted insertion: passes every row whose description is less than or
// equal to the new one's, so equal descriptions keep the order of adding.
int32_t compareDescriptions(void* newItem, void* nodeItem, void* /*context*/, bool /*isTail*/) {
  const auto* added = static_cast<const ImgFormatInfo*>(newItem);
  const auto* stored = static_cast<const ImgFormatInfo*>(nodeItem);
  const int order = platform::compareIgnoreCase(boundedText(added->Description, kImgDescriptionChars),
                                                boundedText(stored->Description, kImgDescriptionChars));
  return order < 0 ? -1 : 0;
}

bool servesFormatId(const ImgFormatInfo& row, uint32_t formatId) {
  for (int index = 0; index < kImgSearchedFormatIds; ++index) {
    if (row.FormatIds[index] == kImgUnusedFormatId) return false;
    if (row.FormatIds[index] == formatId) return true;
  }
  return false;
}

bool servesExtension(const ImgFormatInfo& row, std::u16string_view extension) {
  const uint32_t count = std::min<uint32_t>(row.ExtCount, kImgMaxExtensions);
  for (uint32_t index = 0; index < count; ++index) {
    const auto stored = boundedText(row.Extensions[index], kImgExtensionChars);
    if (platform::compareIgnoreCase(stored, extension) == 0) return true;
  }
  return false;
}

bool isRowRecord(const ImgFormatInfo* record) { return record != nullptr && record->cbSize == sizeof(ImgFormatInfo); }

// Takes the one shared loader or saver, making it on first use.
template <typename Made, typename Interface>
ZRESULT shareObject(Made*& cached, IImgIOExpert* expert, Interface** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (cached == nullptr) cached = new (std::nothrow) Made(expert);
  if (cached == nullptr) return ZR_OUTOFMEMORY;
  cached->AddRef();
  *out = cached;
  return ZR_OK;
}

}  // namespace

ImgFormatInfo zefcorek::emptyFormatRow() {
  ImgFormatInfo row{};
  row.cbSize = sizeof(ImgFormatInfo);
  return row;
}

void zefcorek::clearFileInfo(void* record) {
  auto* info = static_cast<ImgFileInfo*>(record);
  if (info != nullptr && info->cbSize == sizeof(ImgFileInfo)) DSStructInit(info);
}

IImgIOExpertImp::IImgIOExpertImp() = default;

IImgIOExpertImp::~IImgIOExpertImp() {
  if (loader_ != nullptr) {
    loader_->ForgetExpert();
    loader_->Release();
  }
  if (saver_ != nullptr) {
    saver_->ForgetExpert();
    saver_->Release();
  }
  if (formats_ != nullptr) formats_->Release();
}

HRESULT IImgIOExpertImp::QueryInterface(REFIID /*iid*/, void** /*out*/) { return ZR_NOTSUPPORTED; }

ZRESULT IImgIOExpertImp::GetFormatCount(uint32_t* count) {
  if (count == nullptr) return ZR_BADARG;
  *count = 0;
  if (formats_ == nullptr) return ZR_OK;
  unsigned listed = 0;
  const ZRESULT result = formats_->GetCount(&listed);
  *count = listed;
  return result;
}

ZRESULT IImgIOExpertImp::AddFormat(const ImgFormatInfo* info, IPtrList::Node** outNode) {
  if (!isRowRecord(info)) return ZR_BADARG;
  if (formats_ == nullptr) {
    formats_ = zefcorek::makeFactoryObject<IPtrList>(CLSID_IPtrListImp);
    if (formats_ == nullptr) return ZR_OUTOFMEMORY;
    formats_->SetReleaseCallback(releaseRow, this);
  }
  auto* row = new (std::nothrow) ImgFormatInfo(zefcorek::emptyFormatRow());
  if (row == nullptr) return ZR_OUTOFMEMORY;
  DSStructCopy(row, info);
  IPtrList::Node* node = nullptr;
  const ZRESULT result = formats_->InsertSorted(row, compareDescriptions, this, &node);
  if (result != ZR_OK) {
    delete row;
    return result;
  }
  if (outNode != nullptr) *outNode = node;
  return ZR_OK;
}

ZRESULT IImgIOExpertImp::GetFormatInfo(uint32_t index, ImgFormatInfo* out) {
  if (!isRowRecord(out)) return ZR_BADARG;
  DSStructInit(out);
  if (formats_ == nullptr) return ZR_FAILED;
  void* item = nullptr;
  if (formats_->GetAt(index, &item) != ZR_OK || item == nullptr) return ZR_BADARG;
  *out = *static_cast<const ImgFormatInfo*>(item);
  return ZR_OK;
}

ZRESULT IImgIOExpertImp::SetFormatInfo(uint32_t index, const ImgFormatInfo* info) {
  if (!isRowRecord(info)) return ZR_BADARG;
  if (formats_ == nullptr) return ZR_FAILED;
  void* item = nullptr;
  if (formats_->GetAt(index, &item) != ZR_OK || item == nullptr) return ZR_BADARG;
  DSStructCopy(item, info);
  return ZR_OK;
}

ZRESULT IImgIOExpertImp::RemoveFormat(const ImgFormatInfo* stored) {
  if (formats_ == nullptr) return ZR_FAILED;
  return formats_->RemoveItem(const_cast<ImgFormatInfo*>(stored), /*release=*/true) == ZR_OK ? ZR_OK : ZR_FAILED;
}

ZRESULT IImgIOExpertImp::FindFormatByExt(uint32_t formatId, const WCHAR* path, ImgFormatInfo* out) {
  return findFormat(formatId, path, /*asFile=*/true, out);
}

ZRESULT IImgIOExpertImp::FindFormatByPath(uint32_t formatId, const WCHAR* path, ImgFormatInfo* out) {
  return findFormat(formatId, path, /*asFile=*/false, out);
}

ZRESULT IImgIOExpertImp::findFormat(uint32_t formatId, const WCHAR* path, bool asFile, ImgFormatInfo* out) {
  if (!isRowRecord(out) || (formatId == 0 && path == nullptr)) return ZR_BADARG;
  DSStructInit(out);
  const TFilePath split(path, asFile ? TFilePath::PathType::File : TFilePath::PathType::Unspecified);
  // The extension keeps its dot: "." alone names no format.
  const std::u16string_view extension(split.GetExt(), split.GetExtLen());
  if (formats_ == nullptr || (formatId == 0 && extension.size() < 2)) return ZR_NO;

  IPtrList::Node* node = nullptr;
  ZRESULT result = formats_->GetHead(&node);
  while (result == ZR_OK && node != nullptr) {
    void* item = nullptr;
    result = formats_->GetItem(node, &item);
    if (result != ZR_OK) return result;
    const auto& row = *static_cast<const ImgFormatInfo*>(item);
    const bool hit = formatId != 0 ? servesFormatId(row, formatId) : servesExtension(row, extension.substr(1));
    if (hit) {
      *out = row;
      return ZR_OK;
    }
    result = formats_->GetNextNode(node, &node);
  }
  return result == ZR_OK ? ZR_NO : result;
}

ZRESULT IImgIOExpertImp::CreateLoader(IImgLoader** out) { return shareObject(loader_, this, out); }

ZRESULT IImgIOExpertImp::CreateSaver(IImgSaver** out) { return shareObject(saver_, this, out); }

ZRESULT IImgIOExpertImp::GetImageInfo(const WCHAR* path, void* record) {
  if (path == nullptr || record == nullptr) return ZR_BADARG;
  IImgLoader* loader = nullptr;
  const ZRESULT made = CreateLoader(&loader);
  if (made != ZR_OK) {
    zefcorek::clearFileInfo(record);
    return made;
  }
  const ZRESULT result = loader->GetImageInfo(path, record);
  loader->Release();
  return result;
}

ZRESULT IImgIOExpertImp::LoadImage(const WCHAR* /*path*/, uint32_t /*maxWidth*/, uint32_t /*maxHeight*/,
                                   uint32_t /*reserved*/, IRasterImage** /*out*/) {
  return ZR_NOTSUPPORTED;
}

ZRESULT IImgIOExpertImp::GetImageMetadata(const WCHAR* path, ITaggedValSet** out) {
  if (path == nullptr || out == nullptr) return ZR_BADARG;
  IImgLoader* loader = nullptr;
  const ZRESULT made = CreateLoader(&loader);
  if (made != ZR_OK) {
    *out = nullptr;
    return made;
  }
  const ZRESULT result = loader->GetImageMetadata(path, out);
  loader->Release();
  return result;
}
