// TIniFile over the private-profile functions.
#include "platform/IniFile.h"

#include "IniDocument.h"

#include "platform/PrivateProfile.h"
#include "platform/Utf16.h"

#include <cstdint>

namespace {

constexpr DWORD kValueBufferLength = 2048;

int digitValue(char16_t unit, int radix) {
  int value = 99;
  if (unit >= u'0' && unit <= u'9') value = unit - u'0';
  if (unit >= u'a' && unit <= u'f') value = unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') value = unit - u'A' + 10;
  return value < radix ? value : -1;
}

}  // namespace

bool platform::parseFrameworkInteger(std::u16string_view text, int& value) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  const bool isNegative = !text.empty() && text.front() == u'-';
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) text.remove_prefix(1);
  int radix = 10;
  if (!text.empty() && text.front() == u'$') {
    radix = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    radix = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  int64_t magnitude = 0;
  for (const char16_t unit : text) {
    const int digit = digitValue(unit, radix);
    if (digit < 0) return false;
    magnitude = magnitude * radix + digit;
    // Hexadecimal texts may spell the full 32-bit pattern (FFFFFFFF is -1).
    const int64_t limit = radix == 16 ? 0xFFFFFFFFll : 0x80000000ll;
    if (magnitude > limit) return false;
  }
  if (radix == 10 && !isNegative && magnitude > INT32_MAX) return false;
  const auto bits = static_cast<uint32_t>(magnitude);
  value = static_cast<int>(isNegative ? 0u - bits : bits);
  return true;
}

platform::TIniFile::TIniFile(std::u16string fileName) : fileName_(std::move(fileName)) {}

platform::TIniFile::~TIniFile() = default;

std::u16string platform::TIniFile::ReadString(std::u16string_view section, std::u16string_view ident,
                                              std::u16string_view defaultValue) const {
  std::u16string buffer(kValueBufferLength, u'\0');
  const DWORD length = GetPrivateProfileStringW(std::u16string(section).c_str(), std::u16string(ident).c_str(),
                                                std::u16string(defaultValue).c_str(), buffer.data(), kValueBufferLength,
                                                fileName_.c_str());
  buffer.resize(length);
  return buffer;
}

int platform::TIniFile::ReadInteger(std::u16string_view section, std::u16string_view ident, int defaultValue) const {
  int value = defaultValue;
  if (!parseFrameworkInteger(ReadString(section, ident, u""), value)) return defaultValue;
  return value;
}

bool platform::TIniFile::ReadBool(std::u16string_view section, std::u16string_view ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

bool platform::TIniFile::WriteString(std::u16string_view section, std::u16string_view ident,
                                     std::u16string_view value) {
  return WritePrivateProfileStringW(std::u16string(section).c_str(), std::u16string(ident).c_str(),
                                    std::u16string(value).c_str(), fileName_.c_str()) != FALSE;
}

bool platform::TIniFile::WriteInteger(std::u16string_view section, std::u16string_view ident, int value) {
  const std::string text = std::to_string(value);
  return WriteString(section, ident, std::u16string(text.begin(), text.end()));
}

bool platform::TIniFile::WriteBool(std::u16string_view section, std::u16string_view ident, bool value) {
  return WriteString(section, ident, value ? u"1" : u"0");
}

// The section readers take the lists from the document itself rather than
// through a fixed buffer, so a section or a list of any size comes back
// whole.
std::vector<std::u16string> platform::TIniFile::ReadSection(std::u16string_view section) const {
  const ini::Document document = *ini::readIniFile(fileName_.c_str());
  const auto range = document.findSection(section);
  return range ? document.keyNames(*range) : std::vector<std::u16string>();
}

std::vector<std::u16string> platform::TIniFile::ReadSectionValues(std::u16string_view section) const {
  const ini::Document document = *ini::readIniFile(fileName_.c_str());
  const auto range = document.findSection(section);
  return range ? document.sectionLines(*range) : std::vector<std::u16string>();
}

std::vector<std::u16string> platform::TIniFile::ReadSections() const {
  return ini::readIniFile(fileName_.c_str())->sectionNames();
}

bool platform::TIniFile::SectionExists(std::u16string_view section) const { return !ReadSection(section).empty(); }

bool platform::TIniFile::ValueExists(std::u16string_view section, std::u16string_view ident) const {
  for (const auto& key : ReadSection(section)) {
    if (equalsIgnoreCase(key, ident)) return true;
  }
  return false;
}

bool platform::TIniFile::EraseSection(std::u16string_view section) {
  return WritePrivateProfileStringW(std::u16string(section).c_str(), nullptr, nullptr, fileName_.c_str()) != FALSE;
}

bool platform::TIniFile::DeleteKey(std::u16string_view section, std::u16string_view ident) {
  return WritePrivateProfileStringW(std::u16string(section).c_str(), std::u16string(ident).c_str(), nullptr,
                                    fileName_.c_str()) != FALSE;
}

bool platform::TIniFile::UpdateFile() {
  return WritePrivateProfileStringW(nullptr, nullptr, nullptr, fileName_.c_str()) != FALSE;
}
