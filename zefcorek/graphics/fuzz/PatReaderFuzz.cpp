// Fuzz target of the ".pat" pattern text reader.
#include "PatternFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzPatternFile(data, size, ".pat");
  return 0;
}
