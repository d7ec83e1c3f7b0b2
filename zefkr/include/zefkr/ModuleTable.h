// ModuleTable: the module names of ZefKR.ini beside the program, section
// "Modules", one "id=name" line per module.
//
// 501 slots; at most 500 are filled from the file, so the last slot always
// keeps its start value (id -9999, id text "$$$INVALID$$$", the default
// name) and marks the end of the table for the lookups.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zefkr {

struct ModuleSlot {
  int32_t id = -9999;
  std::u16string idText = u"$$$INVALID$$$";
  std::u16string name;
};

class ModuleTable {
public:
  static constexpr int kSlots = 501;
  static constexpr int kFillableSlots = 500;
  static constexpr int kMaxNameLength = 4000;

  // Resets every slot to its start value with `defaultName` (the message
  // for a module without an entry), then fills slots in file order from the
  // "Modules" lines of `iniPath`. A line whose "=" is missing or first is
  // skipped; a key of decimal digits is the id, any other key gives id -1
  // and the key (blanks trimmed) as id text. A missing file or section
  // leaves every slot at its start value. Answers the slots filled.
  int Load(std::u16string_view iniPath, std::u16string_view defaultName);

  const ModuleSlot& operator[](int index) const { return slots_[static_cast<size_t>(index)]; }

private:
  std::array<ModuleSlot, kSlots> slots_;
};

}  // namespace zefkr
