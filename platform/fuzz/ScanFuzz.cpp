// The scanf-style reader under hostile texts and formats: any pair reads
// without going out of bounds, stores only through targets of its kind and
// answers a count no larger than the targets it was given.
#include "platform/Scan.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using platform::ScanTarget;
using zef::fuzz::FuzzInput;

// One target of every kind, each in its own storage.
struct Targets {
  int8_t i8 = 0;
  int16_t i16 = 0;
  int32_t i32 = 0;
  int64_t i64 = 0;
  uint8_t u8 = 0;
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  uint64_t u64 = 0;
  float f = 0;
  double d = 0;
  char c = 0;
  char16_t wc = 0;
  std::string s;
  std::u16string ws;

  ScanTarget pick(uint8_t which) {
    switch (which % 14) {
      case 0: return ScanTarget::to(&i8);
      case 1: return ScanTarget::to(&i16);
      case 2: return ScanTarget::to(&i32);
      case 3: return ScanTarget::to(&i64);
      case 4: return ScanTarget::to(&u8);
      case 5: return ScanTarget::to(&u16);
      case 6: return ScanTarget::to(&u32);
      case 7: return ScanTarget::to(&u64);
      case 8: return ScanTarget::to(&f);
      case 9: return ScanTarget::to(&d);
      case 10: return ScanTarget::to(&c);
      case 11: return ScanTarget::to(&wc);
      case 12: return ScanTarget::to(&s);
      default: return ScanTarget::to(&ws);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const bool wide = input.byte() % 2 != 0;
  Targets storage;
  std::vector<ScanTarget> targets;
  const int count = input.byte() % 8;
  for (int i = 0; i < count; ++i) targets.push_back(storage.pick(input.byte()));
  const std::string_view format = input.piece();
  const std::string_view text = input.rest();
  platform::ScanResult result;
  if (wide) {
    const std::u16string wideFormat = zef::fuzz::wideUnits(format);
    const std::u16string wideText = zef::fuzz::wideUnits(text);
    result = platform::scanArgs(wideText, wideFormat, targets);
  } else {
    result = platform::scanArgs(text, format, targets);
  }
  if (result.count < -1 || result.count > count) std::abort();
  if (result.status.ok() && result.count > 0) zef::fuzz::noteAccepted();
  return 0;
}
