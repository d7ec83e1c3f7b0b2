// The two line readers against each other: over any bytes, in any text
// encoding and at any capacity, the buffered stream (with any window size)
// gives the same lines, results and lengths as the stream that reads unit by
// unit, and every read either moves on or ends the text.
#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"
#include "FuzzScratchFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Line = std::tuple<std::u16string, ZRESULT, uint32_t>;

template <typename Stream>
Stream* make(const CLSID& id) {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&id, &out, 0) != S_OK) std::abort();
  return static_cast<Stream*>(out);
}

// Every line until the text ends (or the reader fails), at most `limit`.
std::vector<Line> readAll(IFIOIStream* stream, uint32_t capacity, size_t limit) {
  std::vector<Line> lines;
  std::vector<WCHAR> buffer(capacity, u'#');
  while (stream->AtEnd() == ZR_NO && lines.size() < limit) {
    uint32_t before = 0;
    uint32_t after = 0;
    stream->GetPosition(&before);
    uint32_t length = 0;
    const ZRESULT result = stream->ReadText(buffer.data(), capacity, &length);
    stream->GetPosition(&after);
    if (result != ZR_OK && result != ZR_NO) {
      lines.emplace_back(u"", result, 0);
      break;
    }
    if (length >= capacity || buffer[length] != 0) std::abort();
    // A read that neither moves on nor ends the text would be repeated for ever.
    if (after == before && stream->AtEnd() == ZR_NO) std::abort();
    lines.emplace_back(std::u16string(buffer.data(), length), result, length);
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zef::fuzz::FuzzInput input(data, size);
  const uint32_t encoding = input.byte() % 5;  // 0 keeps what Open detected
  const bool noMark = input.byte() % 2 != 0;
  const uint32_t capacity = 2 + input.byte() % 40;
  const uint32_t window = 1 + input.byte() % 16;
  const std::u16string name = zef::fuzz::ScratchFile::write(input.rest());
  const size_t limit = size + 2;  // more lines than bytes means no progress

  IFIOIStream* plain = make<IFIOIStream>(CLSID_IFIOIStreamImp);
  IFIOIBufferedStream* buffered = make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp);
  buffered->SetBufferSize(window);
  for (IFIOIStream* stream : {plain, static_cast<IFIOIStream*>(buffered)}) {
    if (stream->SetName(name.c_str()) != ZR_OK || stream->Open(0) != ZR_OK) std::abort();
    stream->SetTextEncoding(encoding, noMark);
  }
  const std::vector<Line> expected = readAll(plain, capacity, limit);
  const std::vector<Line> lines = readAll(buffered, capacity, limit);
  if (lines != expected || expected.size() >= limit) std::abort();
  if (!expected.empty() && std::get<1>(expected.front()) == ZR_OK) zef::fuzz::noteAccepted();
  plain->Release();
  buffered->Release();
  return 0;
}
