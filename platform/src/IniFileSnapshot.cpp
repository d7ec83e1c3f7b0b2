// An ini file read once, with its sections indexed by folded name.
#include "platform/IniFileSnapshot.h"

#include "IniDocument.h"

#include "platform/Utf16.h"

#include <unordered_map>

namespace {

// The name as section lookups compare it: blanks trimmed, case folded.
std::u16string lookupName(std::u16string_view name) { return platform::foldedCase(platform::ini::trimBlanks(name)); }

}  // namespace

struct platform::IniFileSnapshot::Contents {
  ini::Document document;
  std::unordered_map<std::u16string, ini::SectionRange> sections;  // the first of each name
};

platform::IniFileSnapshot::IniFileSnapshot(std::unique_ptr<Contents> contents) : contents_(std::move(contents)) {}
platform::IniFileSnapshot::IniFileSnapshot(IniFileSnapshot&&) noexcept = default;
platform::IniFileSnapshot& platform::IniFileSnapshot::operator=(IniFileSnapshot&&) noexcept = default;
platform::IniFileSnapshot::~IniFileSnapshot() = default;

std::optional<platform::IniFileSnapshot> platform::IniFileSnapshot::read(const std::u16string& fileName,
                                                                         Bounds bounds) {
  auto document = ini::readIniFile(fileName.c_str(), bounds.maxBytes, bounds.maxLines);
  if (!document) return std::nullopt;
  const std::vector<ini::NamedSection> sections = document->sections();
  if (sections.size() > bounds.maxSections) return std::nullopt;
  auto contents = std::make_unique<Contents>();
  contents->document = std::move(*document);
  for (const ini::NamedSection& section : sections) contents->sections.emplace(lookupName(section.name), section.range);
  return IniFileSnapshot(std::move(contents));
}

std::vector<std::u16string> platform::IniFileSnapshot::ReadSectionValues(std::u16string_view section) const {
  const auto found = contents_->sections.find(lookupName(section));
  if (found == contents_->sections.end()) return {};
  return contents_->document.sectionLines(found->second);
}
