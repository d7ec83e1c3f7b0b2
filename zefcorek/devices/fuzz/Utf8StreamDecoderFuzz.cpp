// Device bytes through the byte-at-a-time UTF-8 decoder: never more than its
// room, and the same text as whole-buffer decoding would give for valid input.
#include "Utf8StreamDecoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zefcorek::devices::Utf8StreamDecoder decoder;
  for (size_t i = 0; i < size; ++i) {
    char16_t out[4] = {};
    const int count = decoder.feed(data[i], out);
    if (count < 0 || count > 3) std::abort();
    for (int unit = 0; unit < count; ++unit) {
      // A high surrogate is always followed by a low one in the same call.
      if (out[unit] >= 0xD800 && out[unit] <= 0xDBFF &&
          (unit + 1 >= count || out[unit + 1] < 0xDC00 || out[unit + 1] > 0xDFFF)) {
        std::abort();
      }
    }
  }
  return 0;
}
