// Formatting of I/O trace reports (see IOTraceReport.h).
#include "IOTraceReport.h"

#include "platform/Format.h"

namespace {

const char* traceTag(int kind) {
  switch (kind) {
    case 0: return "TX:";
    case 1: return "RX:";
    case 3: return "E :";
    default: return "I :";  // 2 and anything unknown
  }
}

void appendEscaped(std::string& out, uint8_t byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '{';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
  out += '}';
}

}  // namespace

void zefcorek::devices::appendIOTraceReport(std::string& out, int kind, std::span<const uint8_t> bytes,
                                            const SYSTEMTIME& utc) {
  std::string lineStart = platform::formatText(std::string_view("%02d:%02d:%02d:%03d "), int{utc.wHour},
                                               int{utc.wMinute}, int{utc.wSecond}, int{utc.wMilliseconds});
  lineStart += traceTag(kind);
  out.reserve(out.size() + lineStart.size() + bytes.size() * 4 + 2);
  out += lineStart;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t byte = bytes[i];
    const bool lineBreak = byte == 0x0D && i + 1 < bytes.size() && bytes[i + 1] == 0x0A;
    if (lineBreak) {
      out += "{0D}{0A}";
      ++i;
      if (i + 1 < bytes.size()) {
        out += "\r\n";
        out += lineStart;
      }
      continue;
    }
    if (byte >= 0x21 && byte <= 0x7E) {
      out += static_cast<char>(byte);
      continue;
    }
    appendEscaped(out, byte);
  }
  out += "\r\n";
}
