// Device bytes through the byte-at-a-time UTF-8 decoder: never more than its
// room, and the same text as whole-buffer decoding would give for valid input.
#include "Utf8StreamDecoder.h"

#include <cstdint>
#include <cstdlib>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zefcorek::devices::Utf8StreamDecoder decoder;
  bool decodedAll = size > 0;
  for (size_t i = 0; i < size; ++i) {
    char16_t out[4] = {};
    const int count = decoder.feed(data[i], out);
    if (count < 0 || count > 3) std::abort();
    // U+FFFD stands for a byte that is not UTF-8.
    for (int unit = 0; unit < count; ++unit) decodedAll = decodedAll && out[unit] != 0xFFFD;
    for (int unit = 0; unit < count; ++unit) {
      // A high surrogate is always followed by a low one in the same call.
      if (out[unit] >= 0xD800 && out[unit] <= 0xDBFF &&
          (unit + 1 >= count || out[unit + 1] < 0xDC00 || out[unit + 1] > 0xDFFF)) {
        std::abort();
      }
    }
  }
  if (decodedAll) zef::fuzz::noteAccepted();
  return 0;
}
