// Parsing and formatting of one CSV line; see CsvLine.h for the rules.
#include "CsvLine.h"

#include "platform/Format.h"
#include "platform/Scan.h"

#include <algorithm>

namespace {

using zefcorek::csv::LineResult;

enum ColumnType : uint8_t { kIgnored = 0, kDouble = 1, kUnsigned = 2, kSigned = 3, kText = 4 };

// Reads a whole non-empty field as one number of the column's type.
template <typename T>
bool readNumber(std::u16string_view field, std::u16string_view format, T& value) {
  T read{};
  if (platform::scanText(field, format, &read) != 1) return false;
  value = read;
  return true;
}

// Stores a parsed field into its cell.
bool endField(std::u16string_view field, const CSVColumnDef& column, CSVCell& cell, WCHAR* textBuffer) {
  cell.Type = column.Type;
  cell.Id = column.Id;
  cell.Flags = static_cast<uint8_t>(field.empty() ? (cell.Flags | CSV_CELL_EMPTY) : (cell.Flags & ~CSV_CELL_EMPTY));
  switch (column.Type) {
    case kIgnored: cell.Flags |= CSV_CELL_EMPTY; return true;
    case kDouble: cell.Value.Double = 0; return field.empty() || readNumber(field, u"%lf", cell.Value.Double);
    case kUnsigned: cell.Value.UInt = 0; return field.empty() || readNumber(field, u"%lu", cell.Value.UInt);
    case kSigned: cell.Value.Int = 0; return field.empty() || readNumber(field, u"%ld", cell.Value.Int);
    case kText: {
      // Cut to the cell's room: the buffer holds 255 units and the NUL.
      const size_t units = std::min<size_t>(field.size(), kCSVTextCapacity - 1);
      std::copy_n(field.data(), units, textBuffer);
      textBuffer[units] = 0;
      cell.Value.Text = textBuffer;
      return true;
    }
    default: return false;
  }
}

// A text cell's text: the manager's buffer is read within its room, a text
// the host pointed the cell at up to its NUL.
std::u16string_view cellText(const CSVCell& cell, const WCHAR* ownBuffer) {
  if (cell.Value.Text == nullptr) return {};
  if (cell.Value.Text != ownBuffer) return cell.Value.Text;
  const WCHAR* end = std::find(ownBuffer, ownBuffer + kCSVTextCapacity, u'\0');
  return std::u16string_view(ownBuffer, static_cast<size_t>(end - ownBuffer));
}

void appendText(std::u16string_view text, bool quoted, std::u16string& line) {
  const bool opens = !text.empty() && text.front() == u'"';
  const bool closes = !text.empty() && text.back() == u'"';
  if (!quoted || (opens && closes)) {
    line += text;
    return;
  }
  if (!opens) line += u'"';
  line += text;
  if (!closes) line += u'"';
}

}  // namespace

LineResult zefcorek::csv::parseLine(std::u16string_view line, std::span<const CSVColumnDef> columns, char16_t separator,
                                    std::span<CSVCell> cells, std::span<WCHAR* const> textBuffers) {
  size_t position = 0;
  while (position < line.size() && line[position] >= 1 && line[position] <= 31) ++position;
  std::u16string field;
  bool quoted = false;
  size_t fields = 0;
  for (; fields < columns.size(); ++position) {
    const char16_t unit = position < line.size() ? line[position] : u'\0';
    if (unit == u'"') {
      quoted = !quoted;
      continue;
    }
    if (unit == u'\0' || (unit == separator && !quoted)) {
      if (!endField(field, columns[fields], cells[fields], textBuffers[fields])) return LineResult::BadField;
      ++fields;
      field.clear();
      if (unit == u'\0') break;
      continue;
    }
    if (unit == u' ' && field.empty()) continue;
    if (field.size() == kMaxFieldUnits) return LineResult::BadField;
    field.push_back(unit);
  }
  return fields < columns.size() ? LineResult::TooFewFields : LineResult::Ok;
}

bool zefcorek::csv::formatLine(std::span<const CSVColumnDef> columns, std::span<const CSVCell> cells,
                               char16_t separator, bool trailingSeparator, std::span<WCHAR* const> textBuffers,
                               std::u16string& line) {
  line.clear();
  for (size_t index = 0; index < columns.size(); ++index) {
    if (index > 0) line += separator;
    const CSVCell& cell = cells[index];
    if (columns[index].Type == kIgnored || (cell.Flags & CSV_CELL_EMPTY) != 0) continue;
    switch (cell.Type) {
      case kIgnored: break;
      case kDouble: line += platform::formatText(u"%0.5lf", cell.Value.Double); break;
      case kUnsigned: line += platform::formatText(u"%lu", cell.Value.UInt); break;
      case kSigned: line += platform::formatText(u"%ld", cell.Value.Int); break;
      case kText:
        appendText(cellText(cell, textBuffers[index]), (columns[index].Flags & CSV_COLUMN_QUOTED) != 0, line);
        break;
      default: return false;
    }
  }
  if (trailingSeparator) line += separator;
  return line.size() <= kMaxLineUnits;
}
