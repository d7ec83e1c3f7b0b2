// The Exif information extractor object: no state besides its count.
#pragma once

#include "zefcorek/ExifInfoExtractor.h"

namespace ExifIOLib {

class ZEF_EXPORT IExifInfoExtractorImp : public IStdInterfaceImp, public virtual IExifInfoExtractor {
public:
  IExifInfoExtractorImp();
  ~IExifInfoExtractorImp() override;

  // 21 for every id.
  HRESULT QueryInterface(REFIID iid, void** out) override;
  // The IExifInfoExtractor interface.
  IStdInterface* CastToTopInterface() override;
  ZRESULT Extract(const WCHAR* path, ITaggedValSet** out) override;
};

}  // namespace ExifIOLib
