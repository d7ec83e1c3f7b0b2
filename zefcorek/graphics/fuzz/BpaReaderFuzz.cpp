// Fuzz target of the ".BPA" binary pattern reader.
#include "PatternFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzPatternFile(data, size, ".BPA");
  return 0;
}
