// One CSV line to cells and back, by the schema's columns. Shared by Read
// and Write of the CSV manager and by its fuzz target's checks.
#pragma once

#include "zefcorek/CSVIOMgr.h"

#include <span>
#include <string>
#include <string_view>

namespace zefcorek::csv {

// Longest field text while a line is parsed, and longest line, in units
// (the terminator's unit left out).
inline constexpr size_t kMaxFieldUnits = 1023;
inline constexpr size_t kMaxLineUnits = 2047;
inline constexpr char16_t kUnsetText[] = u"#set_me!#";

enum class LineResult {
  Ok,
  TooFewFields,  // the line ended before every column had its field
  BadField,      // a number that does not read, a field too long, an unknown type
};

// Parses a line into cells[0 .. columns.size()): codes 1..31 leading the
// line are skipped; a double quote switches quoting and is dropped; the
// separator outside quotes, or the end (or a NUL), ends a field; spaces
// leading a field are dropped. Fields after the last column are ignored.
// Text cells point at textBuffers[k] (kCSVTextCapacity units each).
LineResult parseLine(std::u16string_view line, std::span<const CSVColumnDef> columns, char16_t separator,
                     std::span<CSVCell> cells, std::span<WCHAR* const> textBuffers);

// Formats one row: empty fields for type 0 and for cells flagged empty,
// numbers by the cell's type, texts quoted as their column says. False for
// an unknown cell type or a line longer than kMaxLineUnits.
bool formatLine(std::span<const CSVColumnDef> columns, std::span<const CSVCell> cells, char16_t separator,
                bool trailingSeparator, std::span<WCHAR* const> textBuffers, std::u16string& line);

}  // namespace zefcorek::csv
