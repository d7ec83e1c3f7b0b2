// Rows of separated values: splitting one row into fields, integer lists
// whose items may be ranges ("3-7"), and loading a whole text file as rows.
//
// Blanks are spaces (U+0020). A double quote opens and closes a quoted part
// in which the separator is an ordinary character.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct IStringList;

// Splits a row at `separator` into a new string list owned by the caller.
// The row and each field are trimmed of blanks; a field of two or more
// characters enclosed in double quotes loses those two quotes (quotes
// inside stay). Empty fields count, except a last one: a trailing
// separator adds no empty field. Null when the row holds no field (a null,
// empty or blank row) or the list cannot be made.
ZEF_EXTERN_C IStringList* SplitCSVRowToStringList(WCHAR separator, const WCHAR* row);

// SplitCSVRowToStringList of the list's item at `index`; null when the list
// is null or has no such item.
ZEF_EXTERN_C IStringList* SplitCSVRowOfStringList(WCHAR separator, IStringList* list, uint32_t index);

// Splits a row into at most maxFields new wide strings, which the caller
// frees with FreeSplitCSVRowFieldsArray. Double quotes are dropped wherever
// they stand (they only protect separators); fields are trimmed of blanks;
// a trailing separator adds no empty field. A row without a separator gives
// its one field. Returns the number of fields stored.
ZEF_EXTERN_C int32_t SplitCSVRowToFieldsArray(int32_t maxFields, WCHAR separator, const WCHAR* row, WCHAR** fields);
// Frees the first `count` non-null strings of the array.
ZEF_EXTERN_C void FreeSplitCSVRowFieldsArray(int32_t count, WCHAR** fields);

// Reads at most maxCount integers from a row: a field "a-b" gives a, a + 1,
// ..., b (nothing when a > b), a field with one number gives it, a field
// without a number is skipped. Returns the number stored.
ZEF_EXTERN_C int32_t ParseCSVRowOfInts(int32_t maxCount, WCHAR separator, const WCHAR* row, int32_t* out);

// Writes the values with runs of consecutive integers folded into ranges
// ("1-3,5,7-8") and returns out. The caller provides room: at most 24
// characters per value.
ZEF_EXTERN_C WCHAR* ComposeCSVRowOfInts(int32_t count, WCHAR separator, const int32_t* values, WCHAR* out);

// A new string list with one item per line of the text file; null when the
// file cannot be opened.
ZEF_EXTERN_C IStringList* LoadCSVFile(const WCHAR* path);
