// The Exif reader behind the extractor, over any source of bytes.
//
// Byte format (JPEG numbers big-endian, TIFF numbers in the byte order the
// TIFF header names):
//   JPEG   FF D8 (SOI), then segments: FF xx marker, a 2-byte length that
//          counts itself (none for SOI/EOI; the scan after SOS is skipped
//          to the last two bytes), FF D9 (EOI). Up to four FF fill bytes
//          may precede a marker.
//   APP1   FF E1, length, "Exif\0\0", then the TIFF structure (its base).
//   TIFF   "II" or "MM", 42, the offset of IFD0 from the base (at least 8).
//   IFD    a 2-byte entry count, 12-byte entries {tag u16, type u16,
//          count u32, value or offset u32}, then the 4-byte offset of the
//          next IFD (0: none), each offset from the base.
//   APP2   FF E2, length, "FPXR\0\0": a FlashPix segment.
// Every offset and count read is checked against the end of the source
// before anything is allocated; a chain of IFDs that loops or grows past
// kMaxChainedIfds ends with 2. A sub-IFD that several pointers name is read
// once, and the entries and data read (12 bytes an entry, plus the data
// stored outside entries) may not add up to more than the APP1 segment's
// length: overlapping IFDs or shared data that would make more values than
// the segment holds end with 2.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <span>

struct ITaggedValSet;

namespace zefcorek::exif {

inline constexpr int kMaxChainedIfds = 64;

// Random access to the file's bytes.
class ZEF_EXPORT ByteSource {
public:
  virtual ~ByteSource();
  virtual uint64_t size() = 0;
  // False unless all `count` bytes at `position` were read.
  virtual bool read(uint64_t position, void* buffer, size_t count) = 0;
};

class ZEF_EXPORT MemorySource final : public ByteSource {
public:
  explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t size() override { return bytes_.size(); }
  bool read(uint64_t position, void* buffer, size_t count) override;

private:
  std::span<const uint8_t> bytes_;
};

// Reads the JPEG's Exif data into `mainSet` (which the caller made);
// exported for the tests and the fuzz target.
ZEF_EXPORT ZRESULT readJpegExif(ByteSource& source, ITaggedValSet* mainSet);

}  // namespace zefcorek::exif
