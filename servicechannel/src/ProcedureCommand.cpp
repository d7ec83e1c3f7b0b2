// The executor of RUN and INI commands; see ProcedureCommand.h.
#include "servicechannel/ProcedureCommand.h"

#include "textrum/CLxxStrArray.h"
#include "textrum/LStrSplit.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/IniFile.h"
#include "platform/PrivateProfile.h"
#include "platform/Processes.h"
#include "platform/TextTools.h"
#include "platform/Utf16.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using servicechannel::ProcedureResult;

// A value longer than this is cut when copied between ini files.
constexpr size_t kMaxCopiedValue = 4000;

// Starts the installer and waits for the process itself: polling its exit
// code would take an installer that exits with the "still running" value
// for one that never ends.
ProcedureResult runInstaller(const std::u16string& file, const std::u16string& parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC | SEE_MASK_NOZONECHECKS;
  info.lpVerb = u"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = u"";
  info.nShow = SW_SHOWDEFAULT;
  if (!ShellExecuteExW(&info)) return ProcedureResult::NotStarted;
  if (info.hProcess != nullptr) {
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
  }
  return ProcedureResult::Done;
}

bool canReadFile(const std::u16string& name) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// Whether a raw line of a section is a "key=value" line; comments and
// other lines are not copied.
bool isKeyLine(std::u16string_view line) {
  const size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos) return false;
  const std::u16string_view key = line.substr(0, equals);
  const size_t first = key.find_first_not_of(u" \t");
  return first != std::u16string_view::npos && key[first] != u';' && key[first] != u'[';
}

// A text up to its first NUL, which ends it as a written name or value
// ends there: a NUL must not split one source line into two target lines.
std::u16string_view untilNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

// The target section's new lines, from the source section's lines: only
// "key=value" lines, keys without their blanks, values cut to the copied
// length. A key given twice keeps its first place and spelling and takes
// its last value, as writing the keys one by one would leave it.
std::vector<std::u16string> copiedLines(const std::vector<std::u16string>& sourceLines) {
  std::vector<std::pair<std::u16string, std::u16string>> entries;
  std::unordered_map<std::u16string, size_t> entryOfKey;  // by folded key
  for (const std::u16string& line : sourceLines) {
    if (!isKeyLine(line)) continue;
    const std::u16string_view view(line);
    const size_t equals = view.find(u'=');
    const std::u16string_view key = platform::trimmed(untilNul(view.substr(0, equals)), platform::TrimSet::Blanks);
    if (key.empty()) continue;
    std::u16string value(untilNul(view.substr(equals + 1, kMaxCopiedValue)));
    const auto [at, isNew] = entryOfKey.emplace(platform::foldedCase(key), entries.size());
    if (isNew) {
      entries.emplace_back(key, std::move(value));
    } else {
      entries[at->second].second = std::move(value);
    }
  }
  std::vector<std::u16string> lines;
  lines.reserve(entries.size());
  for (const auto& [key, value] : entries) lines.push_back(key + u"=" + value);
  return lines;
}

// Replaces the target's section with the "key=value" lines of the source's
// section (lines with an empty value included); a source without the
// section removes it. A source file that cannot be read fails before the
// target is touched, so a mistyped name never empties a product's settings.
// The new section is written in one locked replacement of the whole file:
// a process killed at any moment leaves the old target or the new one, and
// a large section costs one write, not one per key.
ProcedureResult copyIniSection(const std::u16string& source, const std::u16string& target,
                               const std::u16string& section) {
  if (!canReadFile(source)) return ProcedureResult::Failed;
  const std::vector<std::u16string> lines = copiedLines(platform::TIniFile(source).ReadSectionValues(section));
  // A write that fails fails the command: the product's settings must not
  // pass for copied when they are not.
  if (lines.empty()) {
    return platform::TIniFile(target).EraseSection(section) ? ProcedureResult::Done : ProcedureResult::Failed;
  }
  std::u16string list;
  for (const std::u16string& line : lines) {
    list += line;
    list.push_back(u'\0');
  }
  if (!WritePrivateProfileSectionW(section.c_str(), list.c_str(), target.c_str())) return ProcedureResult::Failed;
  return ProcedureResult::Done;
}

std::u16string fieldText(const CLWideStrArray& fields, int index) { return std::u16string(fields[index]->Text()); }

// Splits "name=value" into its two parts; false when it is not one.
bool splitCommand(std::u16string_view command, CLWideStrArray& parts) {
  const std::u16string text(command);
  return SplitNamedEquW(text.c_str(), parts, /*trim=*/true, u'=') && parts.Count() == 2;
}

}  // namespace

servicechannel::ProcedureKind servicechannel::procedureKind(std::u16string_view command) {
  CLWideStrArray parts;
  if (!splitCommand(command, parts)) return ProcedureKind::Other;
  const std::u16string name = fieldText(parts, 0);
  if (name == u"RUN") return ProcedureKind::Run;
  if (name == u"INI") return ProcedureKind::Ini;
  return ProcedureKind::Other;
}

servicechannel::ProcedureResult servicechannel::runProcedureCommand(std::u16string_view command) {
  CLWideStrArray parts;
  if (!splitCommand(command, parts)) return ProcedureResult::Failed;
  const std::u16string name = fieldText(parts, 0);
  const std::u16string value = fieldText(parts, 1);

  if (name == u"RUN") {
    // The parameters are everything after the first bar, bars included.
    const size_t bar = value.find(u'|');
    if (bar == std::u16string::npos) return ProcedureResult::Failed;
    return runInstaller(value.substr(0, bar), value.substr(bar + 1));
  }
  if (name == u"INI") {
    CLWideStrArray fields;
    if (SplitBySepExW(*parts[1], u'|', fields, /*trim=*/false) != 3) return ProcedureResult::Failed;
    return copyIniSection(fieldText(fields, 0), fieldText(fields, 1), fieldText(fields, 2));
  }
  return ProcedureResult::Failed;
}
