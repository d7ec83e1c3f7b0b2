// Device bytes into trace text: any bytes give lines of printable text only.
#include "IOTraceReport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int kind = data[0] % 6;
  const SYSTEMTIME stamp{2026, 1, 1, 1, 23, 59, 59, 999};
  std::string text;
  zefcorek::devices::appendIOTraceReport(text, kind, {data + 1, size - 1}, stamp);
  if (!text.empty()) zef::fuzz::noteAccepted();
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool lineEnd = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (lineEnd) {
      ++i;
      continue;
    }
    if (c < 0x20 || c > 0x7E) std::abort();
  }
  return 0;
}
