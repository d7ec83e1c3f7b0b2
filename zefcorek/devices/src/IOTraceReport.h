// The text of one I/O trace report.
//
// A report is one portion of traffic (or a host's note) written to the
// connection class's trace file as one or more lines:
//
//   "hh:mm:ss:zzz " tag bytes CR LF
//
// The stamp is UTC, taken once per report and repeated on every line. The
// tag is "TX:" (kind 0), "RX:" (1), "I :" (2), "E :" (3) or "I :" (any other
// kind). Bytes 0x21-0x7E stand as themselves; every other byte (the blank
// included) is written as "{XX}" in upper-case hex. A CR directly followed by
// an LF is written "{0D}{0A}" and, when bytes remain, ends the line: the next
// bytes start a new line with the same stamp and tag. A 0-byte report is a
// line of stamp and tag.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <span>
#include <string>

namespace zefcorek::devices {

// Appends the report's whole text to `out`.
ZEF_EXPORT void appendIOTraceReport(std::string& out, int kind, std::span<const uint8_t> bytes, const SYSTEMTIME& utc);

}  // namespace zefcorek::devices
