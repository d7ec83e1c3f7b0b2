// The split functions: cut one text into fields at a separator, at fixed
// widths, at column ranges, or into a name and a value.
//
// Rules shared by every function here:
//   - A function that fills an array first empties it with Clear(true), so
//     its items are reused, then appends each field in order.
//   - With `trim`, every field loses its leading and trailing characters with
//     codes up to 32 (spaces, tabs, line breaks and other controls). Bytes of
//     a multibyte UTF-8 character are never trimmed.
//   - The source's index base does not change the result.
//   - The source may be one of the wrappers being filled (an item of the
//     array, or one of the caller's fields): the text is read before any
//     field is written.
//   - Every function takes the narrow (A) or the wide (W) family; both
//     behave alike. The overloads without the letter at the end pick the
//     family from their arguments.
#pragma once

#include "textrum/CLAnsiStr.h"
#include "textrum/CLWideStr.h"
#include "textrum/CLxxStrArray.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Fills fields[0 .. maxFields) with the text between separators, in order,
// and returns the number of fields found (at most maxFields); text after
// the last of them is dropped. The remaining wrappers get the empty string.
// An empty source has no field; adjacent separators give an empty field; a
// separator at the very end gives none after it. maxFields <= 0 or null
// fields: nothing is written and 0 is returned.
ZEF_EXTERN_C int SplitBySepA(const CLAnsiStr& source, char separator, int maxFields, CLAnsiStr* fields,
                             bool trim) noexcept;
ZEF_EXTERN_C int SplitBySepW(const CLWideStr& source, WCHAR separator, int maxFields, CLWideStr* fields,
                             bool trim) noexcept;

// The same without a limit, into the array; returns the array's count.
ZEF_EXTERN_C int SplitBySepExA(const CLAnsiStr& source, char separator, CLAnsiStrArray& array, bool trim) noexcept;
ZEF_EXTERN_C int SplitBySepExW(const CLWideStr& source, WCHAR separator, CLWideStrArray& array, bool trim) noexcept;

// Appends exactly fieldCount fields: the i-th is the next widths[i]
// characters (fewer at the end of the text, empty past it). A negative width
// counts as 0. Returns the array's count; null widths give no field.
ZEF_EXTERN_C int SplitByFixedLayoutA(const CLAnsiStr& source, int fieldCount, const int* widths, CLAnsiStrArray& array,
                                     bool trim) noexcept;
ZEF_EXTERN_C int SplitByFixedLayoutW(const CLWideStr& source, int fieldCount, const int* widths, CLWideStrArray& array,
                                     bool trim) noexcept;

// Appends exactly fieldCount fields: ranges holds fieldCount pairs (first,
// last) of 1-based character positions, whatever the source's index base;
// the i-th field is the characters first to last, both included, that lie
// in the text (empty when none does or last < first). Returns the array's
// count; null ranges give no field.
ZEF_EXTERN_C int SplitByFixedLayoutExA(const CLAnsiStr& source, int fieldCount, const int* ranges,
                                       CLAnsiStrArray& array, bool trim) noexcept;
ZEF_EXTERN_C int SplitByFixedLayoutExW(const CLWideStr& source, int fieldCount, const int* ranges,
                                       CLWideStrArray& array, bool trim) noexcept;

// Splits a NUL-terminated text at its first separator into the name before
// it and the value after it (further separators included) and appends both:
// true, count 2. A null text or one without the separator: false, and the
// array is left empty.
ZEF_EXTERN_C bool SplitNamedEquA(const char* text, CLAnsiStrArray& array, bool trim, char separator) noexcept;
ZEF_EXTERN_C bool SplitNamedEquW(const WCHAR* text, CLWideStrArray& array, bool trim, WCHAR separator) noexcept;

// --- Overloads on the wrapper types -------------------------------------------

inline int SplitBySep(const CLAnsiStr& source, char separator, int maxFields, CLAnsiStr* fields, bool trim) noexcept {
  return SplitBySepA(source, separator, maxFields, fields, trim);
}
inline int SplitBySep(const CLWideStr& source, WCHAR separator, int maxFields, CLWideStr* fields, bool trim) noexcept {
  return SplitBySepW(source, separator, maxFields, fields, trim);
}
inline int SplitBySepEx(const CLAnsiStr& source, char separator, CLAnsiStrArray& array, bool trim) noexcept {
  return SplitBySepExA(source, separator, array, trim);
}
inline int SplitBySepEx(const CLWideStr& source, WCHAR separator, CLWideStrArray& array, bool trim) noexcept {
  return SplitBySepExW(source, separator, array, trim);
}
inline int SplitByFixedLayout(const CLAnsiStr& source, int fieldCount, const int* widths, CLAnsiStrArray& array,
                              bool trim) noexcept {
  return SplitByFixedLayoutA(source, fieldCount, widths, array, trim);
}
inline int SplitByFixedLayout(const CLWideStr& source, int fieldCount, const int* widths, CLWideStrArray& array,
                              bool trim) noexcept {
  return SplitByFixedLayoutW(source, fieldCount, widths, array, trim);
}
inline int SplitByFixedLayoutEx(const CLAnsiStr& source, int fieldCount, const int* ranges, CLAnsiStrArray& array,
                                bool trim) noexcept {
  return SplitByFixedLayoutExA(source, fieldCount, ranges, array, trim);
}
inline int SplitByFixedLayoutEx(const CLWideStr& source, int fieldCount, const int* ranges, CLWideStrArray& array,
                                bool trim) noexcept {
  return SplitByFixedLayoutExW(source, fieldCount, ranges, array, trim);
}
inline bool SplitNamedEqu(const char* text, CLAnsiStrArray& array, bool trim, char separator) noexcept {
  return SplitNamedEquA(text, array, trim, separator);
}
inline bool SplitNamedEqu(const WCHAR* text, CLWideStrArray& array, bool trim, WCHAR separator) noexcept {
  return SplitNamedEquW(text, array, trim, separator);
}
