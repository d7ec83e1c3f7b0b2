// Loads arbitrary bytes as the stream form of a tagged value set, then saves
// what was loaded and loads that again: the second load must succeed.
#include "zefcorek/TaggedValSet.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "FuzzAccepted.h"

namespace {

// Scratch files for the whole run, removed at exit.
struct ScratchFile {
  std::string path;
  explicit ScratchFile(const char* tag) {
    std::string pattern = std::string("/tmp/zef-tvs-fuzz-") + tag + "-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd >= 0) close(fd);
    path = pattern;
  }
  ~ScratchFile() { unlink(path.c_str()); }
};

template <typename Stream>
Stream* openStream(const CLSID& classId, const std::string& file) {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&classId, &out, 0) != S_OK) return nullptr;
  auto* stream = static_cast<Stream*>(out);
  if (stream->SetName(platform::windowsPath(file).c_str()) != ZR_OK || stream->Open(0) != ZR_OK) {
    stream->Release();
    return nullptr;
  }
  return stream;
}

ZRESULT loadFile(ITaggedValSet* set, const std::string& file) {
  IFIOIStream* in = openStream<IFIOIStream>(CLSID_IFIOIStreamImp, file);
  if (in == nullptr) return ZR_FAILED;
  const ZRESULT result = set->LoadFromStream(in);
  in->Close();
  in->Release();
  return result;
}

ITaggedValSet* newSet() {
  void* out = nullptr;
  return zefCoreKAllocIntf(&CLSID_ITaggedValSetImp, &out, 0) == S_OK ? static_cast<ITaggedValSet*>(out) : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchFile input("in"), output("out");
  FILE* file = std::fopen(input.path.c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  ITaggedValSet* set = newSet();
  if (set == nullptr) return 0;
  if (loadFile(set, input.path) == ZR_OK) {
    zef::fuzz::noteAccepted();
    if (IFIOOStream* out = openStream<IFIOOStream>(CLSID_IFIOOStreamImp, output.path)) {
      const ZRESULT saved = set->SaveToStream(out);
      out->Close();
      out->Release();
      ITaggedValSet* again = newSet();
      if (saved == ZR_OK && again != nullptr && loadFile(again, output.path) != ZR_OK) std::abort();
      if (again != nullptr) again->Release();
    }
  }
  set->Release();
  return 0;
}
