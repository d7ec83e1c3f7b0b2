// The private-profile functions: typed reads and writes of ini files.
//
// A file name without a folder names a file in the Windows folder. Section
// and key names match ignoring case; blanks around section names, keys and
// values are trimmed. Files beginning with FF FE are UTF-16LE, others are in
// the ANSI code page (UTF-8, a leading byte order mark is kept); new files
// are UTF-8 with CR LF line ends.
//
// Every write goes to the file at once, and atomically: the writer takes an
// advisory lock on the file, writes the new contents to a temporary file
// beside it and renames that over the file, keeping the file's owner and
// mode. Two processes writing one file never lose each other's keys, and a
// reader always sees either the old or the new file, never part of one.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Copies the value of `key` in `section` into `buffer` (`size` characters
// with the terminator) and answers the characters copied. A missing file,
// section or key gives `defaultValue` (null means ""); a value longer than
// the buffer is cut to size - 1 characters. A null key lists the section's
// key names, a null section the file's section names: each name terminated,
// the list ended by one more terminator; a list that does not fit is cut,
// still ends in two terminators, and the answer is then size - 2.
ZEF_EXTERN_C DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer,
                                            DWORD size, LPCWSTR fileName);

// The leading decimal digits of the value (with an optional sign); 0 for a
// present value that does not start with a number; `defaultValue` when the
// key is missing.
ZEF_EXTERN_C UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName);

// Every non-empty line of the section (comments and lines without "="
// included, blanks trimmed), each terminated, the list ended by one more
// terminator. Answers the characters copied without the last terminator;
// when the list does not fit, it is cut, ends in two terminators and the
// answer is size - 2.
ZEF_EXTERN_C DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR fileName);

// Sets `key` in `section` to `value`: the first line holding the key is
// replaced in place, else the key is appended at the end of the section, or
// the section at the end of the file. A null value deletes the key, a null
// key the whole section; with all three null the file is flushed (always
// TRUE, every write is already on disk). Creates the file but not its
// folder. FALSE when the file cannot be read or written (the last error
// says why).
ZEF_EXTERN_C BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName);

// Replaces the lines of `section` with the NUL-separated, double-NUL-ended
// list `lines`; a null list deletes the section.
ZEF_EXTERN_C BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR fileName);

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A key and its value; no value stands for a missing key (or, as a change,
// its deletion).
struct ProfileKeyValue {
  std::u16string_view key;
  std::optional<std::u16string_view> value;
};

// The values of `keys` in `section`, all from one version of the file, so
// that keys changed together by one write are read together; a missing key
// gives no value.
[[nodiscard]] ZEF_EXPORT std::vector<std::optional<std::u16string>> readPrivateProfileValues(
    LPCWSTR section, std::initializer_list<std::u16string_view> keys, LPCWSTR fileName);

enum class ConditionalWrite {
  Written,   // every expectation held and the changes are on disk
  Outdated,  // a key no longer held its expected value: nothing was written
  Failed,    // the file could not be read or written (the last error says why)
};

// Sets or deletes the keys of `changes` in `section` in one locked write,
// only while every key of `expected` still holds its value there (compared
// exactly). Lets a writer answer what it read without undoing what another
// writer put there in between. A file that would have to be created for a
// deletion only is left missing.
[[nodiscard]] ZEF_EXPORT ConditionalWrite writePrivateProfileValuesIf(LPCWSTR section,
                                                                      const std::vector<ProfileKeyValue>& expected,
                                                                      const std::vector<ProfileKeyValue>& changes,
                                                                      LPCWSTR fileName);

}  // namespace platform
