// Splitting rows of separated values, integer range lists, and loading a
// text file as rows.
#include "zefcorek/CsvRows.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/StringList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Scan.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

namespace {

// LoadCSVFile reads lines in pieces of this many characters.
constexpr uint32_t kCsvLineCapacity = 512;

std::u16string_view trimBlanks(std::u16string_view text) {
  size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

std::u16string_view viewOf(const WCHAR* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

IStringList* makeStringList() {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IStringListImp, &out, 0) != S_OK)
    return nullptr;
  return static_cast<IStringList*>(out);
}

// Walks a trimmed row and hands each field (untrimmed, as collected) to
// onField(field, isLast). Outside quotes the separator ends a field; a
// double quote toggles the quoted state and is kept when keepQuotes is set.
// onField returns false to stop the walk.
template <typename OnField>
void walkFields(std::u16string_view row, WCHAR separator, bool keepQuotes, OnField&& onField) {
  std::u16string field;
  bool inQuotes = false;
  for (WCHAR c : row) {
    if (c == u'"') {
      inQuotes = !inQuotes;
      if (keepQuotes)
        field += c;
      continue;
    }
    if (c == separator && !inQuotes) {
      if (!onField(std::u16string_view(field), /*isLast=*/false))
        return;
      field.clear();
      continue;
    }
    field += c;
  }
  onField(std::u16string_view(field), /*isLast=*/true);
}

WCHAR* newWideString(std::u16string_view text) {
  auto* copy = new (std::nothrow) WCHAR[text.size() + 1];
  if (copy == nullptr)
    return nullptr;
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
  if (value < 0)
    digits[--first] = u'-';
  out.append(digits + first, std::size(digits) - first);
}

}  // namespace

IStringList* SplitCSVRowToStringList(WCHAR separator, const WCHAR* row) {
  IStringList* list = makeStringList();
  if (list == nullptr)
    return nullptr;
  bool failed = false;
  walkFields(trimBlanks(viewOf(row)), separator, /*keepQuotes=*/true,
             [&](std::u16string_view raw, bool isLast) {
               std::u16string_view field = trimBlanks(raw);
               if (field.size() >= 2 && field.front() == u'"' && field.back() == u'"')
                 field = field.substr(1, field.size() - 2);
               // A trailing separator adds no empty last field.
               if (isLast && trimBlanks(raw).empty())
                 return true;
               failed = list->AddN(field.data(), static_cast<uint32_t>(field.size()), nullptr) != ZR_OK;
               return !failed;
             });
  if (failed || list->GetCount() == 0) {
    list->Release();
    return nullptr;
  }
  return list;
}

IStringList* SplitCSVRowOfStringList(WCHAR separator, IStringList* list, uint32_t index) {
  if (list == nullptr)
    return nullptr;
  const WCHAR* row = nullptr;
  if (list->GetStringPtr(index, &row) != ZR_OK)
    return nullptr;
  return SplitCSVRowToStringList(separator, row);
}

int32_t SplitCSVRowToFieldsArray(int32_t maxFields, WCHAR separator, const WCHAR* row,
                                 WCHAR** fields) {
  if (fields == nullptr || maxFields <= 0)
    return 0;
  int32_t stored = 0;
  walkFields(trimBlanks(viewOf(row)), separator, /*keepQuotes=*/false,
             [&](std::u16string_view raw, bool isLast) {
               // After the last separator only a field with text counts, so
               // a trailing separator adds nothing; a row without any
               // separator still gives its one field.
               if (isLast && raw.empty())
                 return false;
               WCHAR* copy = newWideString(trimBlanks(raw));
               if (copy == nullptr)
                 return false;
               fields[stored++] = copy;
               return stored < maxFields;
             });
  return stored;
}

void FreeSplitCSVRowFieldsArray(int32_t count, WCHAR** fields) {
  if (fields == nullptr)
    return;
  for (int32_t i = 0; i < count; ++i) {
    delete[] fields[i];
    fields[i] = nullptr;
  }
}

int32_t ParseCSVRowOfInts(int32_t maxCount, WCHAR separator, const WCHAR* row, int32_t* out) {
  if (out == nullptr || maxCount <= 0)
    return 0;
  IStringList* list = SplitCSVRowToStringList(separator, row);
  if (list == nullptr)
    return 0;
  int32_t stored = 0;
  uint32_t count = list->GetCount();
  for (uint32_t i = 0; i < count && stored < maxCount; ++i) {
    const WCHAR* field = nullptr;
    list->GetStringPtr(i, &field);
    int32_t first = 0;
    int32_t last = 0;
    int read = platform::scanText(viewOf(field), u"%ld-%ld", &first, &last);
    if (read <= 0)
      continue;
    if (read == 1)
      last = first;
    // 64-bit steps, so a range ending at INT32_MAX cannot wrap round.
    for (int64_t value = first; value <= last && stored < maxCount; ++value)
      out[stored++] = static_cast<int32_t>(value);
  }
  list->Release();
  return stored;
}

WCHAR* ComposeCSVRowOfInts(int32_t count, WCHAR separator, const int32_t* values, WCHAR* out) {
  if (out == nullptr)
    return out;
  std::u16string text;
  for (int32_t i = 0; values != nullptr && i < count;) {
    int32_t runEnd = i;
    while (runEnd + 1 < count && int64_t{values[runEnd + 1]} == int64_t{values[runEnd]} + 1)
      ++runEnd;
    if (!text.empty())
      text += separator;
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
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IFIOIBufferedStreamImp, &made, 0) != S_OK)
    return nullptr;
  // The buffered stream reads the same lines as the plain file stream (same
  // open flags, byte-order marks and line ends) but fills a window buffer
  // instead of asking the file for every byte, which makes loading large
  // files about a hundred times faster.
  IFIOIStream* stream = static_cast<IFIOIBufferedStream*>(made);
  if (stream->SetName(path) != ZR_OK || stream->Open(0) != ZR_OK) {
    stream->Release();
    return nullptr;
  }
  IStringList* list = makeStringList();
  if (list == nullptr) {
    stream->Release();
    return nullptr;
  }
  // A line longer than the piece buffer arrives in several pieces (ReadText
  // answers 1 for each cut piece); they are joined so that a long row stays
  // one row instead of being broken into several.
  WCHAR piece[kCsvLineCapacity];
  std::u16string longLine;
  bool inLongLine = false;
  while (stream->AtEnd() == ZR_NO) {
    uint32_t length = 0;
    uint32_t before = 0;
    uint32_t after = 0;
    if (stream->GetPosition(&before) != ZR_OK)
      break;
    ZRESULT r = stream->ReadText(piece, kCsvLineCapacity, &length);
    // A reader that does not move on would never end this loop.
    if (stream->GetPosition(&after) != ZR_OK || after == before)
      break;
    if (r == ZR_NO) {
      longLine.append(piece, length);
      inLongLine = true;
      continue;
    }
    if (r != ZR_OK)
      break;
    if (!inLongLine) {
      list->AddN(piece, length, nullptr);
      continue;
    }
    longLine.append(piece, length);
    list->AddN(longLine.data(), static_cast<uint32_t>(longLine.size()), nullptr);
    longLine.clear();
    inLongLine = false;
  }
  if (inLongLine)
    list->AddN(longLine.data(), static_cast<uint32_t>(longLine.size()), nullptr);
  stream->Close();
  stream->Release();
  return list;
}
