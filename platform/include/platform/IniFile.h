// TIniFile: the application framework's ini-file object, reading and
// writing one file through the private-profile functions.
//
// The object holds only the file name; every call goes to the file, so
// there is nothing to load or save and several objects (or processes) on one
// file see each other's writes at once. Opening a missing file is allowed:
// reads give the defaults and the first write creates it.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ZEF_EXPORT TIniFile {
public:
  explicit TIniFile(std::u16string fileName);
  virtual ~TIniFile();

  const std::u16string& FileName() const { return fileName_; }

  // The value (at most 2,047 characters), or `defaultValue` when missing.
  std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                            std::u16string_view defaultValue) const;
  // The value when the whole text is an integer: an optional sign, then
  // decimal digits or "$"/"0x" and hexadecimal digits, in the 32-bit range;
  // else `defaultValue`.
  int ReadInteger(std::u16string_view section, std::u16string_view ident, int defaultValue) const;
  // ReadInteger(section, ident, 0 or 1) != 0.
  bool ReadBool(std::u16string_view section, std::u16string_view ident, bool defaultValue) const;

  // Writes return false when the file cannot be written.
  bool WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value);
  bool WriteInteger(std::u16string_view section, std::u16string_view ident, int value);
  // Stores "1" or "0".
  bool WriteBool(std::u16string_view section, std::u16string_view ident, bool value);

  // The section readers give whole lists, whatever their size.
  // The section's key names in file order.
  std::vector<std::u16string> ReadSection(std::u16string_view section) const;
  // The section's lines as stored ("key=value", comments included).
  std::vector<std::u16string> ReadSectionValues(std::u16string_view section) const;
  std::vector<std::u16string> ReadSections() const;
  bool SectionExists(std::u16string_view section) const;
  bool ValueExists(std::u16string_view section, std::u16string_view ident) const;

  bool EraseSection(std::u16string_view section);
  bool DeleteKey(std::u16string_view section, std::u16string_view ident);
  // Every write is already on disk; kept for the callers that flush.
  bool UpdateFile();

private:
  std::u16string fileName_;  // as given; a bare name lives in the Windows folder
};

// Parses a whole text as the framework's integer conversion does (see
// ReadInteger); false when it is not an integer.
ZEF_EXPORT bool parseFrameworkInteger(std::u16string_view text, int& value);

}  // namespace platform
