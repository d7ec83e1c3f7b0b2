// The extractor: a file input stream from the factory under the reader.
#include "ExifInfoExtractorImp.h"

#include "ExifReader.h"
#include "FactoryObject.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/TaggedValSet.h"

namespace {

// The reader's bytes through an open file input stream.
class StreamSource final : public zefcorek::exif::ByteSource {
public:
  explicit StreamSource(IFIOIStream* stream) : stream_(stream) {}
  uint64_t size() override {
    uint32_t size = 0;
    return stream_->GetSize(&size) == ZR_OK ? size : 0;
  }
  bool read(uint64_t position, void* buffer, size_t count) override {
    if (position > UINT32_MAX || count > UINT32_MAX) return false;
    if (stream_->SeekAbs(static_cast<uint32_t>(position)) != ZR_OK) return false;
    return stream_->Read(buffer, static_cast<uint32_t>(count), nullptr) == ZR_OK;
  }

private:
  IFIOIStream* stream_;
};

}  // namespace

ExifIOLib::IExifInfoExtractorImp::IExifInfoExtractorImp() = default;

ExifIOLib::IExifInfoExtractorImp::~IExifInfoExtractorImp() = default;

HRESULT ExifIOLib::IExifInfoExtractorImp::QueryInterface(REFIID /*iid*/, void** /*out*/) { return ZR_NOTSUPPORTED; }

IStdInterface* ExifIOLib::IExifInfoExtractorImp::CastToTopInterface() { return static_cast<IExifInfoExtractor*>(this); }

ZRESULT ExifIOLib::IExifInfoExtractorImp::Extract(const WCHAR* path, ITaggedValSet** out) {
  if (path == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  auto* stream = zefcorek::makeFactoryObject<IFIOIStream>(CLSID_IFIOIStreamImp);
  if (stream == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = stream->SetName(path);
  if (result == ZR_OK) result = stream->Open(0);
  ITaggedValSet* set = nullptr;
  if (result == ZR_OK) {
    set = zefcorek::makeFactoryObject<ITaggedValSet>(CLSID_ITaggedValSetImp);
    if (set == nullptr) result = ZR_OUTOFMEMORY;
  }
  if (result == ZR_OK) {
    StreamSource source(stream);
    result = zefcorek::exif::readJpegExif(source, set);
  }
  stream->Release();
  if (result != ZR_OK) {
    if (set != nullptr) set->Release();
    return result;
  }
  *out = set;
  return ZR_OK;
}
