// IniFileSnapshot: an ini file read once into memory, for a reader that
// looks up many sections of one file (the server's update list): every
// lookup answers from the copy, in constant time, instead of reading the
// file again. The copy reads exactly as TIniFile reads the file; it is never
// written back.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ZEF_EXPORT IniFileSnapshot {
public:
  // What a file may hold to be read at all.
  struct Bounds {
    size_t maxBytes;
    size_t maxSections;
    size_t maxLines;
  };

  // Reads the file now. A missing or unreadable file reads as empty; a file
  // beyond any bound is not kept: nothing.
  [[nodiscard]] static std::optional<IniFileSnapshot> read(const std::u16string& fileName, Bounds bounds);

  IniFileSnapshot(IniFileSnapshot&&) noexcept;
  IniFileSnapshot& operator=(IniFileSnapshot&&) noexcept;
  ~IniFileSnapshot();

  // As TIniFile::ReadSectionValues: the lines of the first section of that
  // name, compared ignoring case.
  std::vector<std::u16string> ReadSectionValues(std::u16string_view section) const;

private:
  struct Contents;
  explicit IniFileSnapshot(std::unique_ptr<Contents> contents);

  std::unique_ptr<Contents> contents_;
};

}  // namespace platform
