// The ".BPA" binary pattern file: a dump of pattern records without the
// fields that only make sense in memory. Little-endian throughout.
//
// File, wide form (the only form written):
//   offset  size  field
//   0       4     marker 0xFFFFFFFF: the text fields are UTF-16
//   4       4     pattern count N
//   8       -     N pattern blocks
// File, narrow form (read only): no marker; offset 0 holds N and the blocks
// follow at 4. The form is wide exactly when the first u32 is 0xFFFFFFFF.
//
// Pattern block (wide; the narrow form has 64, 64 and 128 bytes of ANSI
// text instead, so its numbers start at 256):
//   0     128   leading text, 64 UTF-16 units
//   128   128   name, 64 units
//   256   256   description, 128 units
//   512   4     kind
//   516   4     index in file
//   520   8     preview scale (f64)
//   528   4     capacity        } only when kind is 0
//   532   4     line count L    }
//   536   -     L line blocks   }
// Line block (52 + 24 × D bytes): angle, origin x, origin y, spacing, shift
// (five f64), dash count D (u32, at most 6), D dash entries (length, start,
// end: three f64), dash total (f64).
//
// Every count read is checked against the bytes that remain and the room a
// record has, so a damaged file is refused instead of overrunning a record.
#include "PatternFiles.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Processes.h"

#include <algorithm>
#include <iterator>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

namespace zefcorek::hatch {

namespace {

static_assert(std::endian::native == std::endian::little, "the file's numbers are copied as they stand in memory");

constexpr uint32_t kWideMarker = 0xFFFFFFFF;
constexpr uint32_t kLineBlockFixedBytes = 52;
constexpr uint32_t kDashEntryBytes = 24;
// The most line records a pattern read from a file may have room for (a
// record of about 12.8 MB): a damaged capacity must not ask for gigabytes.
constexpr uint32_t kMostBpaCapacity = 65536;

// Reads fields in order with a sticky failure: after the first short read
// every further read yields zeros and failed() stays true.
class BlockReader {
public:
  explicit BlockReader(IFIOIStream* stream) : stream_(stream) {}

  void bytes(void* out, uint32_t count) {
    if (failed_) {
      std::memset(out, 0, count);
      return;
    }
    uint32_t got = 0;
    if (stream_->Read(out, count, &got) != ZR_OK || got != count) {
      failed_ = true;
      std::memset(out, 0, count);
    }
  }
  template <typename T>
  T value() {
    T v{};
    bytes(&v, sizeof(T));
    return v;
  }
  uint32_t remaining() {
    uint32_t size = 0, position = 0;
    stream_->GetSize(&size);
    stream_->GetPosition(&position);
    return size > position ? size - position : 0;
  }
  void fail() { failed_ = true; }
  bool failed() const { return failed_; }

private:
  IFIOIStream* stream_;
  bool failed_ = false;
};

// A text field of `units` units; the last unit always stays a terminator.
void readText(BlockReader& in, bool wide, char16_t* field, size_t units) {
  if (wide) {
    in.bytes(field, static_cast<uint32_t>(units * sizeof(char16_t)));
  } else {
    std::string narrow(units, '\0');
    in.bytes(narrow.data(), static_cast<uint32_t>(units));
    narrow.resize(std::strlen(narrow.c_str()));
    const std::u16string text = platform::ansiToWideLenient(narrow);
    std::memset(field, 0, units * sizeof(char16_t));
    std::memcpy(field, text.data(), std::min(text.size(), units - 1) * sizeof(char16_t));
  }
  field[units - 1] = u'\0';
}

bool readLineBlock(BlockReader& in, HatchPatternLine* line) {
  line->angle = in.value<double>();
  line->originX = in.value<double>();
  line->originY = in.value<double>();
  line->spacing = in.value<double>();
  line->shift = in.value<double>();
  line->dashCount = in.value<uint32_t>();
  if (line->dashCount > kHatchPatternMaxDashes) return false;
  for (uint32_t d = 0; d < line->dashCount; ++d) {
    line->dashes[d].length = in.value<double>();
    line->dashes[d].start = in.value<double>();
    line->dashes[d].end = in.value<double>();
  }
  line->dashTotal = in.value<double>();
  return !in.failed();
}

// One pattern block into a new record; null with the code on failure.
HatchPatternInfo* readPatternBlock(IHatchRegistry* registry, BlockReader& in, bool wide, ZRESULT* result) {
  HatchPatternInfo head{};
  readText(in, wide, head.leadingText, std::size(head.leadingText));
  readText(in, wide, head.name, kHatchPatternNameUnits);
  readText(in, wide, head.description, kHatchPatternDescriptionUnits);
  head.kind = in.value<uint32_t>();
  head.indexInFile = in.value<uint32_t>();
  head.prwScale = in.value<double>();
  if (head.kind == 0) {
    head.capacity = in.value<uint32_t>();
    head.lineCount = in.value<uint32_t>();
  }
  *result = ZR_FAILED;
  if (in.failed() || head.lineCount > head.capacity || head.capacity > kMostBpaCapacity ||
      uint64_t{head.lineCount} * kLineBlockFixedBytes > in.remaining())
    return nullptr;
  HatchPatternInfo* info = nullptr;
  *result = registry->AllocPatternInfo(static_cast<uint32_t>(hatchPatternExtraFor(head.capacity)), &info);
  if (*result != ZR_OK) return nullptr;
  std::memcpy(reinterpret_cast<char*>(info) + sizeof(uint32_t), reinterpret_cast<const char*>(&head) + sizeof(uint32_t),
              kHatchPatternHeadSize - sizeof(uint32_t));
  for (uint32_t i = 0; i < head.lineCount; ++i) {
    HatchPatternLine line{};
    if (!readLineBlock(in, &line)) {
      registry->FreePatternInfo(info);
      *result = ZR_FAILED;
      return nullptr;
    }
    std::memcpy(&info->lines[i], &line, sizeof(line));
  }
  *result = ZR_OK;
  return info;
}

// Appends fields to a byte image of the file.
class BlockWriter {
public:
  void bytes(const void* data, size_t count) {
    const auto* first = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), first, first + count);
  }
  template <typename T>
  void value(T v) {
    bytes(&v, sizeof(T));
  }
  const std::vector<uint8_t>& image() const { return bytes_; }

private:
  std::vector<uint8_t> bytes_;
};

// A record the writer can dump: sized for its head and the lines it claims.
bool isWritable(const HatchPatternInfo* info) {
  if (info == nullptr || info->cbSize < kHatchPatternHeadSize) return false;
  if (info->kind != 0) return true;
  if (info->lineCount > info->capacity || info->cbSize < hatchPatternSizeFor(info->lineCount)) return false;
  for (uint32_t i = 0; i < info->lineCount; ++i) {
    if (info->lines[i].dashCount > kHatchPatternMaxDashes) return false;
  }
  return true;
}

void writePatternBlock(BlockWriter& out, const HatchPatternInfo* info) {
  out.bytes(info->leadingText, sizeof(info->leadingText));
  out.bytes(info->name, sizeof(info->name));
  out.bytes(info->description, sizeof(info->description));
  out.value(info->kind);
  out.value(info->indexInFile);
  out.value(info->prwScale);
  if (info->kind != 0) return;
  out.value(info->capacity);
  out.value(info->lineCount);
  for (uint32_t i = 0; i < info->lineCount; ++i) {
    const HatchPatternLine& line = info->lines[i];
    out.value(line.angle);
    out.value(line.originX);
    out.value(line.originY);
    out.value(line.spacing);
    out.value(line.shift);
    out.value(line.dashCount);
    for (uint32_t d = 0; d < line.dashCount; ++d) {
      out.value(line.dashes[d].length);
      out.value(line.dashes[d].start);
      out.value(line.dashes[d].end);
    }
    out.value(line.dashTotal);
  }
}

}  // namespace

ZRESULT loadBpaPatterns(IHatchRegistry* registry, const WCHAR* path, uint32_t first, uint32_t count,
                        HatchPatternInfo** out) {
  std::fill(out, out + count, nullptr);
  IFIOIStream* stream = makeInputStream();
  if (stream == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = stream->SetName(path);
  if (result == ZR_OK) result = stream->Open(0);
  if (result != ZR_OK) {
    stream->Release();
    return result;
  }
  BlockReader in(stream);
  const uint32_t marker = in.value<uint32_t>();
  const bool wide = marker == kWideMarker;
  const uint32_t patterns = wide ? in.value<uint32_t>() : marker;
  if (in.failed()) result = ZR_FAILED;
  for (uint32_t i = 0; i < patterns && result == ZR_OK; ++i) {
    HatchPatternInfo* info = readPatternBlock(registry, in, wide, &result);
    if (info == nullptr) break;
    if (i >= first && i - first < count)
      out[i - first] = info;
    else
      registry->FreePatternInfo(info);
  }
  stream->Release();
  if (result != ZR_OK) freeRecords(registry, out, count);
  return result;
}

ZRESULT saveBpaPatterns(const WCHAR* path, HatchPatternInfo* const* records, uint32_t count) {
  if (!std::all_of(records, records + count, isWritable)) return ZR_BADARG;
  BlockWriter image;
  image.value(kWideMarker);
  image.value(count);
  for (uint32_t i = 0; i < count; ++i) writePatternBlock(image, records[i]);

  // The patterns go to a file beside the target that is renamed over it once
  // whole, so a failed or interrupted save leaves the old file as it was.
  const std::u16string temporary =
      std::u16string(path) + u".~" + platform::ansiToWideLenient(std::to_string(GetCurrentProcessId())) + u".tmp";
  IFIOOStream* stream = makeOutputStream();
  if (stream == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = stream->SetName(temporary.c_str());
  if (result == ZR_OK) result = stream->Open(0);
  if (result == ZR_OK) result = stream->Write(image.image().data(), static_cast<uint32_t>(image.image().size()));
  const ZRESULT closed = stream->Close();
  if (result == ZR_OK) result = closed;
  stream->Release();
  if (result == ZR_OK && !MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) result = ZR_FAILED;
  if (result != ZR_OK) DeleteFileW(temporary.c_str());
  return result;
}

}  // namespace zefcorek::hatch
