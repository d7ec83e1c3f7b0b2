// Any bytes as a JPEG file for the Exif reader: a result code every time,
// no crash and no allocation beyond what the input holds.
#include "ExifReader.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/TaggedValSet.h"
#include "zefcorek/ZefCoreK.h"

#include <cstddef>
#include <cstdint>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_ITaggedValSetImp, &made, 0) != S_OK) return 0;
  auto* set = static_cast<ITaggedValSet*>(made);
  zefcorek::exif::MemorySource source({data, size});
  if (zefcorek::exif::readJpegExif(source, set) == ZR_OK) zef::fuzz::noteAccepted();
  set->Release();
  return 0;
}
