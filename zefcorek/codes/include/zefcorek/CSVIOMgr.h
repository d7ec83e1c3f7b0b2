// ICSVIOMgr: reads and writes delimited text (CSV) row by row against a
// column schema the host declares.
//
// Each column has a type, an identifier the host chooses and a quoting flag.
// Read parses every data line into one typed cell per column and hands the
// cells to the read callback; Write asks the write callback to fill the
// cells of one row after the other and writes each row as a line ending in
// CR LF. Made by the factory for CLSID_ICSVIOMgrImp; results are the
// library's codes (0 ok, 1 stopped by the callback, 2 failed, 10 bad
// argument, 21 not supported).
//
// Column types and how a field is read and written:
//   0  ignored: read as an empty cell, written as an empty field
//   1  double            "%lf"   "%0.5lf"
//   2  unsigned 32-bit   "%lu"   "%lu"
//   3  signed 32-bit     "%ld"   "%ld"
//   4  text, at most 255 UTF-16 units, in a buffer the manager owns for the
//      duration of one Read or Write ("#set_me!#" until set)
// Numbers always use '.' as the decimal point.
//
// Limits: 31 columns; lines of at most 2,047 units; fields of at most 1,023.
// A longer line or field ends Read with 2, a longer formatted line ends
// Write with 2; a longer text field is cut to 255 units in its cell.
// Quotes inside a written text are not doubled, and on reading every double
// quote only switches quoting on or off.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// A column of the schema (copied in and out).
struct CSVColumnDef {
  uint8_t Type;   // 0 .. 4, see above
  uint8_t Id;     // the host's identifier
  uint8_t Flags;  // CSV_COLUMN_QUOTED
  uint8_t Reserved;
};
static_assert(sizeof(CSVColumnDef) == 4);

inline constexpr uint8_t CSV_COLUMN_QUOTED = 0x01;  // enclose text in quotes when writing
inline constexpr uint8_t CSV_CELL_EMPTY = 0x01;     // the field is (or is to be written) empty

// Text cells hold this many units, the terminator included.
inline constexpr unsigned kCSVTextCapacity = 256;
inline constexpr unsigned kCSVMaxColumns = 31;

// One field of the current row; the manager keeps one per column.
//   offset  size  field
//   0       1     Type   the column's type
//   1       1     Id     the column's identifier
//   2       1     Flags  CSV_CELL_EMPTY
//   3       5     (padding)
//   8       8     Value  double, u32, i32, or the text buffer's address
struct CSVCell {
  uint8_t Type;
  uint8_t Id;
  uint8_t Flags;
  union {
    double Double;
    uint32_t UInt;
    int32_t Int;
    WCHAR* Text;  // kCSVTextCapacity units owned by the manager
  } Value;
};
static_assert(sizeof(CSVCell) == 16);

// Called per data line; lineNumber counts every line from 1, header lines
// included; fieldCount is the column count. 0 stops the reading.
using CSVReadCallback = int (*)(unsigned lineNumber, unsigned fieldCount, CSVCell* cells, void* context);
// Called per row to fill the cells; rowIndex counts from 0. 0: no more rows.
using CSVWriteCallback = int (*)(unsigned rowIndex, unsigned columnCount, CSVCell* cells, void* context);

struct ZEF_EXPORT ICSVIOMgr : virtual IStdInterface {
  // ZR_OK; the schema becomes empty.
  virtual ZRESULT ClearColumns() = 0;
  virtual unsigned GetColumnCount() = 0;
  // ZR_OK with the new index in *index (may be null); ZR_BADARG for a null def; 2 and
  // index -1 when 31 columns exist.
  virtual ZRESULT AddColumn(const CSVColumnDef* def, unsigned* index) = 0;
  // ZR_OK with a copy; ZR_BADARG for a null def or an index out of range (def zeroed).
  virtual ZRESULT GetColumn(unsigned index, CSVColumnDef* def) = 0;
  // ZR_OK; ZR_BADARG for a null def or an index out of range.
  virtual ZRESULT SetColumn(unsigned index, const CSVColumnDef* def) = 0;
  // ZR_OK when a column has the identifier, else ZR_NO.
  virtual ZRESULT HasColumnId(unsigned char id) = 0;
  // ZR_OK; either out may be null.
  virtual ZRESULT GetReadCallback(CSVReadCallback* fn, void** context) = 0;
  virtual ZRESULT SetReadCallback(CSVReadCallback fn, void* context) = 0;
  virtual ZRESULT GetWriteCallback(CSVWriteCallback* fn, void** context) = 0;
  virtual ZRESULT SetWriteCallback(CSVWriteCallback fn, void* context) = 0;
  virtual WCHAR GetSeparator() = 0;
  // ZR_OK; ZR_FAILED for the separator 0 (nothing changes). With `trailing` every
  // written line ends with one more separator.
  virtual ZRESULT SetSeparator(WCHAR separator, bool trailing) = 0;
  virtual unsigned GetHeaderLineCount() = 0;
  // Lines Read skips before the data. ZR_OK.
  virtual ZRESULT SetHeaderLineCount(unsigned count) = 0;
  // Reads the file (Windows-form path): ZR_OK at its end; ZR_NO when the callback
  // answered 0; ZR_FAILED for a bad line, no columns or a stream failure (its code);
  // 10 for a null or empty path. Trailing type-0 columns leave the schema.
  virtual ZRESULT Read(const WCHAR* path) = 0;
  // Writes the file, created or truncated: ZR_OK when the callback answered 0;
  // ZR_FAILED without columns or callback, or for a line that cannot be formatted;
  // a stream's failure code; ZR_BADARG for a null or empty path.
  virtual ZRESULT Write(const WCHAR* path) = 0;
};
