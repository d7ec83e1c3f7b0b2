// UTF-8 decoded one byte at a time, as bytes arrive from a device.
//
// A character whose bytes come in several reads comes out whole once its
// last byte is in (two UTF-16 units for one above U+FFFF). A byte that
// cannot start or continue a sequence, an overlong form, a surrogate or a
// value above U+10FFFF gives U+FFFD; a sequence cut short by a byte that is
// no continuation gives U+FFFD and that byte is then read on its own.
#pragma once

#include "platform/Export.h"

#include <cstdint>

namespace zefcorek::devices {

class ZEF_EXPORT Utf8StreamDecoder {
public:
  // Feeds one byte; writes 0, 1, 2 or 3 units to `out` (room for 4) and
  // answers how many.
  int feed(uint8_t byte, char16_t* out);

private:
  int emit(uint32_t codePoint, char16_t* out);

  uint32_t codePoint_ = 0;  // bits gathered so far
  uint32_t minimum_ = 0;    // smallest value the sequence may encode
  int remaining_ = 0;       // continuation bytes still expected
};

}  // namespace zefcorek::devices
