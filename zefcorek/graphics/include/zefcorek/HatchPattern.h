// The hatch pattern record: one pattern in memory, as the hatch registry
// keeps it and the hatch handlers fill it.
//
// A pattern is a set of line families. The record is a sized record shared
// with client programs, so its layout is fixed and holds no pointer: a head
// of 1060 bytes, then `capacity` line records of 196 bytes. Fields are packed
// on 4 bytes (the preview scale stands at offset 1044). The registry
// allocates and frees the records and reads only the first 1052 bytes (up to
// and with the preview scale); everything after belongs to the handler.
//
//   offset  size  field
//   0       4     cbSize: total size in bytes, set by the registry
//   4       128   leadingText: 64 UTF-16 units, zero-terminated
//   132     4     tag: filtered on by the registry's EnumPatternsByTag
//   136     128   name: 64 UTF-16 units (63 characters and a zero)
//   264     256   description: 128 UTF-16 units
//   520     4     kind: 0 = the record carries line data
//   524     512   fileName: 256 UTF-16 units, the file the pattern came from
//   1036    4     reserved
//   1040    4     indexInFile: 0-based position among its file's patterns
//   1044    8     prwScale: preview scale, 0 unless the file sets one
//   1052    4     capacity: line records the record has room for
//   1056    4     lineCount: line records in use (never above capacity)
//   1060    196×  lines
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 4)

// One entry of a line family's dash pattern.
struct HatchDashEntry {
  double length;  // > 0 drawn dash, < 0 gap, 0 dot (as the file gives it)
  double start;   // fraction of the dash period where the entry begins
  double end;     // fraction where it ends, at most 1.0
};

// One line family: parallel lines `spacing` apart through `origin`, each
// line's dash pattern displaced by `shift` from the previous line's.
struct HatchPatternLine {
  double angle;  // radians
  double originX;
  double originY;
  double spacing;      // perpendicular distance from one line to the next
  double shift;        // displacement of the dashes along the line per line
  uint32_t dashCount;  // 0..6; 0 is a continuous line
  HatchDashEntry dashes[6];
  double dashTotal;  // sum of |length| over the dashes in use; 0 if none
};

inline constexpr size_t kHatchPatternNameUnits = 64;
inline constexpr size_t kHatchPatternDescriptionUnits = 128;
inline constexpr size_t kHatchPatternFileNameUnits = 256;
inline constexpr size_t kHatchPatternMaxDashes = 6;

struct HatchPatternInfo {
  uint32_t cbSize;
  char16_t leadingText[64];
  uint32_t tag;
  char16_t name[kHatchPatternNameUnits];
  char16_t description[kHatchPatternDescriptionUnits];
  uint32_t kind;
  char16_t fileName[kHatchPatternFileNameUnits];
  uint32_t reserved;
  uint32_t indexInFile;
  double prwScale;
  uint32_t capacity;
  uint32_t lineCount;
  HatchPatternLine lines[1];  // in truth `capacity` of them
};

#pragma pack(pop)

// The registry's smallest record: the head up to and with the preview scale.
inline constexpr uint32_t kHatchPatternMinSize = 1052;
// The full head, up to the first line record.
inline constexpr uint32_t kHatchPatternHeadSize = 1060;
inline constexpr uint32_t kHatchPatternLineSize = 196;

// The size of a record with room for `capacity` line records.
constexpr uint64_t hatchPatternSizeFor(uint32_t capacity) {
  return kHatchPatternHeadSize + uint64_t{kHatchPatternLineSize} * capacity;
}

// The extra size to ask the registry for (on top of kHatchPatternMinSize) so
// that a record has room for exactly `capacity` (at least 1) line records.
constexpr uint64_t hatchPatternExtraFor(uint32_t capacity) {
  return hatchPatternSizeFor(capacity) - kHatchPatternMinSize;
}

static_assert(sizeof(HatchDashEntry) == 24);
static_assert(sizeof(HatchPatternLine) == kHatchPatternLineSize);
static_assert(offsetof(HatchPatternLine, dashes) == 44);
static_assert(offsetof(HatchPatternLine, dashTotal) == 188);
static_assert(offsetof(HatchPatternInfo, tag) == 132);
static_assert(offsetof(HatchPatternInfo, name) == 136);
static_assert(offsetof(HatchPatternInfo, description) == 264);
static_assert(offsetof(HatchPatternInfo, kind) == 520);
static_assert(offsetof(HatchPatternInfo, fileName) == 524);
static_assert(offsetof(HatchPatternInfo, indexInFile) == 1040);
static_assert(offsetof(HatchPatternInfo, prwScale) == 1044);
static_assert(offsetof(HatchPatternInfo, capacity) == kHatchPatternMinSize);
static_assert(offsetof(HatchPatternInfo, lines) == kHatchPatternHeadSize);
static_assert(hatchPatternExtraFor(8) == 7 * 196 + 204);
