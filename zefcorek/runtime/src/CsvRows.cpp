// Splitting rows of separated values, integer range lists, and loading a
// text file as rows.
#include "zefcorek/CsvRows.h"

#include "BufferedInputStream.h"
#include "PackedStringList.h"

#include "zefcorek/FileStreams.h"
#include "zefcorek/StringList.h"

#include "platform/Scan.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// LoadCSVFile reads lines in pieces of this many characters.
constexpr uint32_t kCsvLineCapacity = 512;

inline std::u16string_view trimBlanks(std::u16string_view text) {
  size_t first = 0;
  size_t end = text.size();
  while (first < end && text[first] == u' ') ++first;
  while (end > first && text[end - 1] == u' ') --end;
  return text.substr(first, end - first);
}

const WCHAR* skipBlanks(const WCHAR* text) {
  while (*text == u' ') ++text;
  return text;
}

// Finds, one after the other, the separators, double quotes and the NUL
// of a row, so that the row is measured by the same pass that finds its
// fields. With SSE2 (part of the x86-64 baseline) it reads whole aligned
// 16-byte blocks and hands out every stop of a block before loading the
// next; the last block may run past the NUL, but never off the page that
// holds it. Those bytes are no part of the text, hence no address checks.
class StopFinder {
public:
  __attribute__((no_sanitize_address)) StopFinder(const WCHAR* text, WCHAR separator) : separator_(separator) {
#if defined(__SSE2__)
    const uintptr_t address = reinterpret_cast<uintptr_t>(text);
    assert(address % alignof(WCHAR) == 0);
    block_ = reinterpret_cast<const WCHAR*>(address & ~uintptr_t{15});
    // Units of the first block that lie before `text` do not count.
    const unsigned before = static_cast<unsigned>(address & 15);
    stops_ = (stopsIn(block_) >> before) << before;
#else
    next_ = text;
#endif
  }

  // The next stop; after the NUL it must not be called again.
  __attribute__((no_sanitize_address)) const WCHAR* next() {
#if defined(__SSE2__)
    while (stops_ == 0) {
      block_ += kBlockUnits;
      stops_ = stopsIn(block_);
    }
    const unsigned bit = static_cast<unsigned>(__builtin_ctz(stops_));
    stops_ &= ~(3u << bit);  // each unit has two bits
    return block_ + bit / 2;
#else
    while (*next_ != 0 && *next_ != separator_ && *next_ != u'"') ++next_;
    return next_++;
#endif
  }

private:
#if defined(__SSE2__)
  static constexpr size_t kBlockUnits = 16 / sizeof(WCHAR);

  __attribute__((no_sanitize_address)) unsigned stopsIn(const WCHAR* block) const {
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
    const __m128i separators = _mm_cmpeq_epi16(units, _mm_set1_epi16(static_cast<short>(separator_)));
    const __m128i quotes = _mm_cmpeq_epi16(units, _mm_set1_epi16(u'"'));
    const __m128i nuls = _mm_cmpeq_epi16(units, _mm_setzero_si128());
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(separators, quotes), nuls)));
  }

  const WCHAR* block_;
  unsigned stops_;  // two bits for each stop in the block
#else
  const WCHAR* next_;
#endif
  WCHAR separator_;
};

// The fields of one row, gathered before the row's list is made: places
// in the row, on the stack for ordinary rows.
class FieldViews {
public:
  // A plain pair, so that the array in place needs no clearing.
  using Field = zefcorek::PackedPiece;

  explicit FieldViews(const WCHAR* row) : row_(row) {}

  void push(std::u16string_view field) {
    const Field piece{static_cast<size_t>(field.data() - row_), field.size()};
    if (count_ < std::size(inPlace_)) {
      inPlace_[count_++] = piece;
      return;
    }
    if (spilled_.empty()) spilled_.assign(inPlace_, inPlace_ + count_);
    spilled_.push_back(piece);
    ++count_;
  }
  size_t size() const { return count_; }
  const Field* begin() const { return spilled_.empty() ? inPlace_ : spilled_.data(); }
  const Field* end() const { return begin() + count_; }

private:
  const WCHAR* row_;  // where the offsets count from
  Field inPlace_[32];
  std::vector<Field> spilled_;  // all fields once more than fit in place
  size_t count_ = 0;
};

std::u16string_view viewOf(const WCHAR* text) { return std::u16string_view(text, platform::utf16Length(text)); }

// A row ready for walkFields: past its leading blanks and NUL-terminated.
// Where the separator is itself a blank the trailing blanks would separate
// empty fields, so that row is walked as a trimmed copy.
class RowText {
public:
  RowText(const WCHAR* row, WCHAR separator) : begin_(skipBlanks(row == nullptr ? u"" : row)) {
    if (separator != u' ') return;
    trimmed_ = trimBlanks(viewOf(begin_));
    begin_ = trimmed_.c_str();
  }
  const WCHAR* begin() const { return begin_; }

private:
  std::u16string trimmed_;
  const WCHAR* begin_;
};

// Walks a row from RowText and hands each field (untrimmed, as collected)
// to onField(field, isLast). Outside quotes the separator ends a field; a
// double quote toggles the quoted state and is kept when keepQuotes is set.
// The row ends at its NUL, less its trailing blanks, which can only belong
// to the last field. onField returns false to stop the walk. A field is a
// view into the row unless its quotes had to be dropped; then it is a view
// of `unquoted`, valid until the next field. Returns the end of the row,
// or null when onField stopped the walk.
template <typename OnField>
const WCHAR* walkFields(const WCHAR* row, WCHAR separator, bool keepQuotes, OnField&& onField) {
  std::u16string unquoted;
  auto fieldOf = [&](const WCHAR* start, const WCHAR* end, bool hasQuote) {
    std::u16string_view raw(start, static_cast<size_t>(end - start));
    if (!hasQuote || keepQuotes) return raw;
    unquoted.clear();
    for (WCHAR c : raw) {
      if (c != u'"') unquoted += c;
    }
    return std::u16string_view(unquoted);
  };
  bool inQuotes = false;
  bool hasQuote = false;
  const WCHAR* start = row;
  const WCHAR* pos = row;
  for (StopFinder stops(row, separator);;) {
    pos = stops.next();
    const WCHAR c = *pos;
    if (c == u'\0') break;
    if (c == u'"') {
      inQuotes = !inQuotes;
      hasQuote = true;
      continue;
    }
    if (c != separator || inQuotes) continue;
    if (!onField(fieldOf(start, pos, hasQuote), /*isLast=*/false)) return nullptr;
    start = pos + 1;
    hasQuote = false;
  }
  const WCHAR* end = pos;
  while (end > start && end[-1] == u' ') --end;
  onField(fieldOf(start, end, hasQuote), /*isLast=*/true);
  return end;
}

WCHAR* newWideString(std::u16string_view text) {
  auto* copy = new (std::nothrow) WCHAR[text.size() + 1];
  if (copy == nullptr) return nullptr;
  std::copy(text.begin(), text.end(), copy);
  copy[text.size()] = u'\0';
  return copy;
}

// Appends the decimal form of a value. Digits by hand: std::to_string would
// bring a GNU-unique symbol into the library, which then cannot be unloaded.
void appendInt(std::u16string& out, int32_t value) {
  WCHAR digits[12];
  size_t first = std::size(digits);
  // Magnitude in 64 bits, so INT32_MIN has one too.
  int64_t magnitude = value < 0 ? -int64_t{value} : int64_t{value};
  do {
    digits[--first] = static_cast<WCHAR>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[--first] = u'-';
  out.append(digits + first, std::size(digits) - first);
}

}  // namespace

IStringList* SplitCSVRowToStringList(WCHAR separator, const WCHAR* row) {
  // The fields are gathered first as pieces of the row. The list then gets
  // one packed copy of the trimmed row, and each item is its field's piece
  // of that copy, ended by a NUL written over the blank, quote or separator
  // that follows it (never part of another field).
  try {
    RowText text(row, separator);
    const WCHAR* begin = text.begin();
    FieldViews fields(begin);
    // Inlined: it runs once for every field.
    auto onField = [&](std::u16string_view raw, bool isLast) __attribute__((always_inline)) {
      std::u16string_view field = trimBlanks(raw);
      // A trailing separator adds no empty last field.
      if (isLast && field.empty()) return true;
      if (field.size() >= 2 && field.front() == u'"' && field.back() == u'"') field = field.substr(1, field.size() - 2);
      fields.push(field);
      return true;
    };
    const WCHAR* end = walkFields(begin, separator, /*keepQuotes=*/true, onField);
    if (fields.size() == 0) return nullptr;
    const std::u16string_view trimmed(begin, static_cast<size_t>(end - begin));
    zefcorek::PackedStringListBuilder builder(fields.size(), trimmed.size() + 1);
    if (builder.list() == nullptr || !builder.reserve(fields.size(), trimmed.size() + 1)) return nullptr;
    WCHAR* copy = builder.pack(trimmed);
    if (copy == nullptr) return nullptr;
    if (builder.addPackedPieces(copy, fields.begin(), fields.size()) != ZR_OK) return nullptr;
    return builder.take();
  } catch (const std::bad_alloc&) {
    return nullptr;  // a row of very many fields, and no memory to list them
  }
}

IStringList* SplitCSVRowOfStringList(WCHAR separator, IStringList* list, uint32_t index) {
  if (list == nullptr) return nullptr;
  const WCHAR* row = nullptr;
  if (list->GetStringPtr(index, &row) != ZR_OK) return nullptr;
  return SplitCSVRowToStringList(separator, row);
}

int32_t SplitCSVRowToFieldsArray(int32_t maxFields, WCHAR separator, const WCHAR* row, WCHAR** fields) {
  if (fields == nullptr || maxFields <= 0) return 0;
  int32_t stored = 0;
  RowText text(row, separator);
  walkFields(text.begin(), separator, /*keepQuotes=*/false, [&](std::u16string_view raw, bool isLast) {
    // After the last separator only a field with text counts, so
    // a trailing separator adds nothing; a row without any
    // separator still gives its one field.
    if (isLast && raw.empty()) return false;
    WCHAR* copy = newWideString(trimBlanks(raw));
    if (copy == nullptr) return false;
    fields[stored++] = copy;
    return stored < maxFields;
  });
  return stored;
}

void FreeSplitCSVRowFieldsArray(int32_t count, WCHAR** fields) {
  if (fields == nullptr) return;
  for (int32_t i = 0; i < count; ++i) {
    delete[] fields[i];
    fields[i] = nullptr;
  }
}

int32_t ParseCSVRowOfInts(int32_t maxCount, WCHAR separator, const WCHAR* row, int32_t* out) {
  if (out == nullptr || maxCount <= 0) return 0;
  IStringList* list = SplitCSVRowToStringList(separator, row);
  if (list == nullptr) return 0;
  int32_t stored = 0;
  uint32_t count = list->GetCount();
  for (uint32_t i = 0; i < count && stored < maxCount; ++i) {
    const WCHAR* field = nullptr;
    list->GetStringPtr(i, &field);
    int32_t first = 0;
    int32_t last = 0;
    int read = platform::scanText(viewOf(field), u"%ld-%ld", &first, &last);
    if (read <= 0) continue;
    if (read == 1) last = first;
    // 64-bit steps, so a range ending at INT32_MAX cannot wrap round.
    for (int64_t value = first; value <= last && stored < maxCount; ++value)
      out[stored++] = static_cast<int32_t>(value);
  }
  list->Release();
  return stored;
}

WCHAR* ComposeCSVRowOfInts(int32_t count, WCHAR separator, const int32_t* values, WCHAR* out) {
  if (out == nullptr) return out;
  std::u16string text;
  for (int32_t i = 0; values != nullptr && i < count;) {
    int32_t runEnd = i;
    while (runEnd + 1 < count && int64_t{values[runEnd + 1]} == int64_t{values[runEnd]} + 1) ++runEnd;
    if (!text.empty()) text += separator;
    appendInt(text, values[i]);
    if (runEnd > i) {
      text += u'-';
      appendInt(text, values[runEnd]);
    }
    i = runEnd + 1;
  }
  std::copy(text.begin(), text.end(), out);
  out[text.size()] = u'\0';
  return out;
}

IStringList* LoadCSVFile(const WCHAR* path) {
  // The buffered stream reads the same lines as the plain file stream (same
  // open flags, byte-order marks and line ends) but fills a window buffer
  // instead of asking the file for every byte, which makes loading large
  // files about a hundred times faster. It is made here as its own class,
  // so that the calls for every line are direct.
  auto* stream = new (std::nothrow) zefcorek::IFIOIBufferedStreamImp();
  if (stream == nullptr) return nullptr;
  if (stream->SetName(path) != ZR_OK || stream->Open(0) != ZR_OK) {
    stream->Release();
    return nullptr;
  }
  zefcorek::PackedStringListBuilder rows;
  if (rows.list() == nullptr) {
    stream->Release();
    return nullptr;
  }
  // Each line is read straight into the list's packed room. A line longer
  // than kCsvLineCapacity arrives in several pieces (ReadText answers 1 for
  // each cut piece); they are joined so that a long row stays one row
  // instead of being broken into several.
  std::u16string longLine;
  bool inLongLine = false;
  while (stream->AtEnd() == ZR_NO) {
    WCHAR* piece = rows.room(kCsvLineCapacity + 1);
    if (piece == nullptr) break;
    uint32_t length = 0;
    uint32_t before = 0;
    uint32_t after = 0;
    if (stream->GetPosition(&before) != ZR_OK) break;
    ZRESULT r = stream->ReadText(piece, kCsvLineCapacity, &length);
    // A reader that does not move on would never end this loop.
    if (stream->GetPosition(&after) != ZR_OK || after == before) break;
    if (r == ZR_NO) {
      longLine.append(piece, length);
      inLongLine = true;
      continue;
    }
    if (r != ZR_OK) break;
    if (!inLongLine) {
      (void)rows.addRoom(length);
      continue;
    }
    longLine.append(piece, length);
    (void)rows.add(longLine);
    longLine.clear();
    inLongLine = false;
  }
  if (inLongLine) (void)rows.add(longLine);
  stream->Close();
  stream->Release();
  return rows.take();
}
