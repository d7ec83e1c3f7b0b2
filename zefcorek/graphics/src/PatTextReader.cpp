// The ".pat" hatch pattern text reader.
//
// A pattern file is a sequence of lines. After leading spaces (0x20 only):
//   - empty, ';' or Ctrl-Z (0x1A): a comment; ";[PrwScale=<number>]" right
//     after a header sets that pattern's preview scale;
//   - '*': a header "*NAME,description" opening a pattern (the name up to
//     the first ',' as it stands, the description trimmed);
//   - anything else: a data line "angle, x, y, shift, spacing[, dash...]"
//     with the angle in degrees and up to six dash lengths (> 0 a dash,
//     < 0 a gap, 0 a dot).
// Lines are read 512 characters at most; the rest of a longer line is
// skipped. A malformed data line discards every record of the call.
#include "PatternFiles.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "textrum/CLWideStr.h"
#include "textrum/LStrFunctions.h"
#include "textrum/LStrSplit.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace zefcorek::hatch {

namespace {

constexpr uint32_t kLineCapacity = 512;
constexpr uint32_t kInitialLines = 8;
constexpr size_t kMinDataFields = 5;
constexpr size_t kMaxDataFields = kMinDataFields + kHatchPatternMaxDashes;

enum class LineKind { Comment, Header, Data };

struct Line {
  std::u16string text;  // after the leading spaces
  LineKind kind = LineKind::Comment;
};

// Reads one line into `line`; a line longer than the buffer is cut there and
// its remainder skipped. The stream's code on a failure.
ZRESULT readLine(IFIOIStream* stream, Line* line) {
  WCHAR buffer[kLineCapacity] = {};
  uint32_t length = 0;
  ZRESULT result = stream->ReadText(buffer, kLineCapacity, &length);
  if (result != ZR_OK && result != ZR_NO) return result;
  length = std::min<uint32_t>(length, kLineCapacity - 1);
  std::u16string_view text(buffer, length);
  while (result == ZR_NO) {
    WCHAR rest[kLineCapacity] = {};
    uint32_t restLength = 0;
    result = stream->ReadText(rest, kLineCapacity, &restLength);
    if (result != ZR_OK && result != ZR_NO) return result;
  }
  const size_t start = std::min(text.find_first_not_of(u' '), text.size());
  line->text.assign(text.substr(start));
  if (line->text.empty() || line->text[0] == u';' || line->text[0] == 0x1A)
    line->kind = LineKind::Comment;
  else if (line->text[0] == u'*')
    line->kind = LineKind::Header;
  else
    line->kind = LineKind::Data;
  return ZR_OK;
}

// Opens `path` for reading; the stream or the code in *result.
IFIOIStream* openInput(const WCHAR* path, ZRESULT* result) {
  IFIOIStream* stream = makeInputStream();
  if (stream == nullptr) {
    *result = ZR_OUTOFMEMORY;
    return nullptr;
  }
  *result = stream->SetName(path);
  if (*result == ZR_OK) *result = stream->Open(0);
  if (*result != ZR_OK) {
    stream->Release();
    return nullptr;
  }
  return stream;
}

// Copies at most `units - 1` units of `text` into a zero-filled field.
void copyField(char16_t* field, size_t units, std::u16string_view text) {
  const size_t kept = std::min(text.size(), units - 1);
  std::memcpy(field, text.data(), kept * sizeof(char16_t));
  field[kept] = u'\0';
}

std::u16string trimmedBothSides(std::u16string_view text) {
  LWideStrRec* source = LStrAllocFromWSzStrW(text.data(), static_cast<int>(text.size()));
  LWideStrRec* left = LStrTrimLeftW(source);
  LWideStrRec* both = LStrTrimRightW(left);
  std::u16string out(LStrCstrW(both), static_cast<size_t>(LStrLengthW(both)));
  LStrDestroyW(both);
  LStrDestroyW(left);
  LStrDestroyW(source);
  return out;
}

// "*NAME,description": the name as it stands, the description trimmed.
void readHeader(std::u16string_view header, HatchPatternInfo* info) {
  const std::u16string_view body = header.substr(1);
  const size_t comma = body.find(u',');
  copyField(info->name, kHatchPatternNameUnits, body.substr(0, comma));
  if (comma != std::u16string_view::npos)
    copyField(info->description, kHatchPatternDescriptionUnits, trimmedBothSides(body.substr(comma + 1)));
}

// ";[PrwScale=<number>]" exactly; the number's absolute value. (By value:
// the record's double is not 8-byte aligned.)
bool readPreviewScale(std::u16string_view text, double* scale) {
  constexpr std::u16string_view prefix = u";[PrwScale=";
  if (text.substr(0, prefix.size()) != prefix || text.empty() || text.back() != u']') return false;
  double value = 0;
  if (!parsePatNumber(text.substr(prefix.size(), text.size() - prefix.size() - 1), &value)) return false;
  *scale = std::fabs(value);
  return true;
}

// One data line into `line`; false when malformed.
bool readDataLine(std::u16string_view text, HatchPatternLine* line) {
  CLWideStrArray fields;
  const CLWideStr source{std::u16string(text)};
  const int count = SplitBySepExW(source, u',', fields, /*trim=*/true);
  if (count < static_cast<int>(kMinDataFields) || count > static_cast<int>(kMaxDataFields)) return false;
  double values[kMaxDataFields] = {};
  for (int i = 0; i < count; ++i) {
    if (!parsePatNumber(fields[i]->Text(), &values[i])) return false;
  }
  *line = HatchPatternLine{};
  line->angle = values[0] * (1.0 / 180.0) * M_PI;
  line->originX = values[1];
  line->originY = values[2];
  line->shift = values[3];
  line->spacing = values[4];
  line->dashCount = static_cast<uint32_t>(count) - kMinDataFields;
  for (uint32_t i = 0; i < line->dashCount; ++i) line->dashes[i].length = values[kMinDataFields + i];
  computeDashFractions(line);
  return true;
}

class PatReader {
public:
  PatReader(IHatchRegistry* registry, const WCHAR* path, HatchPatternInfo** out)
      : registry_(registry), path_(path), out_(out) {}

  // Reads until the header of pattern `first` has been read, then steps
  // back before it. 2 when the file holds no header, 1 when fewer.
  ZRESULT skipTo(IFIOIStream* stream, uint32_t first) {
    uint32_t headers = 0;
    bool sawHeader = false;
    while (stream->AtEnd() == ZR_NO) {
      uint32_t position = 0;
      stream->GetPosition(&position);
      Line line;
      if (const ZRESULT result = readLine(stream, &line); result != ZR_OK) return result;
      // As in counting, data before the first header makes the file malformed.
      if (line.kind == LineKind::Data && !sawHeader) return ZR_FAILED;
      if (line.kind != LineKind::Header) continue;
      sawHeader = true;
      if (headers++ == first) return stream->SeekAbs(position);
    }
    return sawHeader ? ZR_NO : ZR_FAILED;
  }

  ZRESULT read(IFIOIStream* stream, uint32_t first, uint32_t count) {
    HatchPatternInfo* open = nullptr;
    uint32_t opened = 0;
    while (stream->AtEnd() == ZR_NO) {
      Line line;
      if (const ZRESULT result = readLine(stream, &line); result != ZR_OK) return result;
      switch (line.kind) {
        case LineKind::Comment:
          if (double scale = 0; open != nullptr && readPreviewScale(line.text, &scale)) open->prwScale = scale;
          break;
        case LineKind::Header: {
          if (opened == count) return ZR_OK;
          if (const ZRESULT result = startPattern(first + opened, &open); result != ZR_OK) return result;
          out_[opened++] = open;
          readHeader(line.text, open);
          break;
        }
        case LineKind::Data:
          if (open == nullptr) return ZR_FAILED;
          if (const ZRESULT result = addLine(line.text, &out_[opened - 1]); result != ZR_OK) return result;
          open = out_[opened - 1];
          break;
      }
    }
    return opened == count ? ZR_OK : ZR_NO;
  }

private:
  ZRESULT startPattern(uint32_t index, HatchPatternInfo** info) {
    if (const ZRESULT result =
            registry_->AllocPatternInfo(static_cast<uint32_t>(hatchPatternExtraFor(kInitialLines)), info);
        result != ZR_OK)
      return result;
    (*info)->kind = 0;
    copyField((*info)->fileName, kHatchPatternFileNameUnits, path_);
    (*info)->reserved = 0;
    (*info)->indexInFile = index;
    (*info)->capacity = kInitialLines;
    (*info)->lineCount = 0;
    return ZR_OK;
  }

  // Appends a line record, doubling the record's capacity when it is full.
  ZRESULT addLine(std::u16string_view text, HatchPatternInfo** slot) {
    HatchPatternLine line;
    if (!readDataLine(text, &line)) return ZR_FAILED;
    HatchPatternInfo* info = *slot;
    if (info->lineCount == info->capacity) {
      const uint32_t capacity = info->capacity * 2;
      const uint64_t extra = hatchPatternExtraFor(capacity);
      if (extra > UINT32_MAX) return ZR_OUTOFMEMORY;
      if (const ZRESULT result = registry_->ReallocPatternInfo(static_cast<uint32_t>(extra), slot, /*keep=*/true);
          result != ZR_OK)
        return result;
      info = *slot;
      info->capacity = capacity;
    }
    std::memcpy(&info->lines[info->lineCount++], &line, sizeof(line));
    return ZR_OK;
  }

  IHatchRegistry* registry_;
  std::u16string_view path_;
  HatchPatternInfo** out_;
};

}  // namespace

IFIOIStream* makeInputStream() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IFIOIStreamImp, &made, 0) != S_OK) return nullptr;
  return static_cast<IFIOIStream*>(made);
}

IFIOOStream* makeOutputStream() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &made, 0) != S_OK) return nullptr;
  return static_cast<IFIOOStream*>(made);
}

bool hasBpaExtension(const WCHAR* path) {
  const std::u16string_view text(path);
  const size_t dot = text.find_last_of(u'.');
  if (dot == std::u16string_view::npos || text.find_first_of(u"\\/", dot) != std::u16string_view::npos) return false;
  return platform::equalsIgnoreCase(text.substr(dot), u".BPA");
}

// A '0' goes before every '.' that starts the text or follows '-', '+' or a
// space; the text is then read in the C locale's syntax by from_chars,
// which never looks at the process locale.
bool parsePatNumber(std::u16string_view text, double* out) {
  std::string ascii;
  ascii.reserve(text.size() + 4);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit > 0x7F) return false;
    if (unit == u'.' && (i == 0 || text[i - 1] == u'-' || text[i - 1] == u'+' || text[i - 1] == u' '))
      ascii.push_back('0');
    ascii.push_back(static_cast<char>(unit));
  }
  const size_t start = ascii.find_first_not_of(' ');
  const size_t end = ascii.find_last_not_of(' ');
  if (start == std::string::npos) return false;
  const char* first = ascii.data() + start;
  const char* last = ascii.data() + end + 1;
  if (*first == '+' && last - first > 1 && first[1] != '-') ++first;
  double value = 0;
  const auto [stop, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error != std::errc() || stop != last || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

void computeDashFractions(HatchPatternLine* line) {
  double total = 0;
  for (uint32_t i = 0; i < line->dashCount; ++i) total += std::fabs(line->dashes[i].length);
  line->dashTotal = total;
  if (total == 0) return;
  double sum = 0;
  for (uint32_t i = 0; i < line->dashCount; ++i) {
    line->dashes[i].start = std::min(sum / total, 1.0);
    sum += std::fabs(line->dashes[i].length);
    line->dashes[i].end = std::min(sum / total, 1.0);
  }
}

void freeRecords(IHatchRegistry* registry, HatchPatternInfo** out, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (out[i] != nullptr) registry->FreePatternInfo(out[i]);
    out[i] = nullptr;
  }
}

ZRESULT countPatPatterns(const WCHAR* path, uint32_t* count) {
  *count = 0;
  ZRESULT result = ZR_OK;
  IFIOIStream* stream = openInput(path, &result);
  if (stream == nullptr) return result;
  uint32_t headers = 0;
  while (result == ZR_OK && stream->AtEnd() == ZR_NO) {
    Line line;
    if ((result = readLine(stream, &line)) != ZR_OK) break;
    if (line.kind == LineKind::Header)
      ++headers;
    else if (line.kind == LineKind::Data && headers == 0)
      result = ZR_FAILED;
  }
  stream->Release();
  if (result == ZR_OK && headers == 0) result = ZR_FAILED;
  *count = result == ZR_OK ? headers : 0;
  return result;
}

ZRESULT loadPatPatterns(IHatchRegistry* registry, const WCHAR* path, uint32_t first, uint32_t count,
                        HatchPatternInfo** out) {
  std::fill(out, out + count, nullptr);
  ZRESULT result = ZR_OK;
  IFIOIStream* stream = openInput(path, &result);
  if (stream == nullptr) return result;
  PatReader reader(registry, path, out);
  result = reader.skipTo(stream, first);
  if (result == ZR_OK) result = reader.read(stream, first, count);
  stream->Release();
  if (result != ZR_OK && result != ZR_NO) freeRecords(registry, out, count);
  return result;
}

}  // namespace zefcorek::hatch
