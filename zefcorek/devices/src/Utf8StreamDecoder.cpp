// Byte-at-a-time UTF-8 decoding (see Utf8StreamDecoder.h).
#include "Utf8StreamDecoder.h"

#include "platform/TextTools.h"

namespace {
constexpr char16_t kReplacement = 0xFFFD;
}

int zefcorek::devices::Utf8StreamDecoder::emit(uint32_t codePoint, char16_t* out) {
  const bool invalid = codePoint < minimum_ || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF);
  if (invalid) {
    out[0] = kReplacement;
    return 1;
  }
  return static_cast<int>(platform::encodeUtf16(codePoint, out));
}

int zefcorek::devices::Utf8StreamDecoder::feed(uint8_t byte, char16_t* out) {
  int written = 0;
  if (remaining_ > 0) {
    if ((byte & 0xC0) == 0x80) {
      codePoint_ = (codePoint_ << 6) | (byte & 0x3F);
      if (--remaining_ > 0) return 0;
      return emit(codePoint_, out);
    }
    // Cut short: the sequence is replaced, the byte starts afresh.
    remaining_ = 0;
    out[written++] = kReplacement;
  }
  if (byte < 0x80) {
    out[written++] = byte;
    return written;
  }
  if ((byte & 0xE0) == 0xC0) {
    codePoint_ = byte & 0x1F;
    minimum_ = 0x80;
    remaining_ = 1;
  } else if ((byte & 0xF0) == 0xE0) {
    codePoint_ = byte & 0x0F;
    minimum_ = 0x800;
    remaining_ = 2;
  } else if ((byte & 0xF8) == 0xF0) {
    codePoint_ = byte & 0x07;
    minimum_ = 0x10000;
    remaining_ = 3;
  } else {
    out[written++] = kReplacement;  // a stray continuation or an invalid lead
  }
  return written;
}
