// Loading the module table from the "Modules" section of ZefKR.ini.
#include "zefkr/ModuleTable.h"

#include "platform/IniFile.h"

#include <limits>

namespace {

std::u16string_view trimBlanks(std::u16string_view text) {
  const auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A module id is a non-empty run of decimal digits within the int32 range;
// a sign (a negative id) makes the key a text id.
bool parseModuleId(std::u16string_view key, int32_t& id) {
  if (key.empty()) return false;
  int64_t value = 0;
  for (const char16_t c : key) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
    if (value > std::numeric_limits<int32_t>::max()) return false;
  }
  id = static_cast<int32_t>(value);
  return true;
}

std::u16string decimalText(int32_t value) {
  std::u16string text;
  for (const char c : std::to_string(value)) text.push_back(static_cast<char16_t>(c));
  return text;
}

}  // namespace

int zefkr::ModuleTable::Load(std::u16string_view iniPath, std::u16string_view defaultName) {
  for (auto& slot : slots_) slot = ModuleSlot{-9999, u"$$$INVALID$$$", std::u16string(defaultName)};

  const platform::TIniFile file{std::u16string(iniPath)};
  int filled = 0;
  for (const std::u16string& line : file.ReadSectionValues(u"Modules")) {
    if (filled >= kFillableSlots) break;
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos || equals == 0) continue;

    ModuleSlot& slot = slots_[static_cast<size_t>(filled)];
    const std::u16string_view key = std::u16string_view(line).substr(0, equals);
    const std::u16string_view trimmedKey = trimBlanks(key);
    if (parseModuleId(trimmedKey, slot.id)) {
      slot.idText = decimalText(slot.id);
    } else {
      slot.id = -1;
      slot.idText = std::u16string(trimmedKey);
    }
    slot.name = line.substr(equals + 1, kMaxNameLength);
    ++filled;
  }
  return filled;
}
