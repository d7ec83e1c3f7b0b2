// The executor of RUN and INI commands; see ProcedureCommand.h.
#include "servicechannel/ProcedureCommand.h"

#include "textrum/CLxxStrArray.h"
#include "textrum/LStrSplit.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/IniFile.h"
#include "platform/Processes.h"

#include <string>
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

// Replaces the target's section with the "key=value" lines of the source's
// section (lines with an empty value included). A source file that cannot
// be read fails before the target is touched, so a mistyped name never
// empties a product's settings; a source without the section empties it.
ProcedureResult copyIniSection(const std::u16string& source, const std::u16string& target,
                               const std::u16string& section) {
  if (!canReadFile(source)) return ProcedureResult::Failed;
  platform::TIniFile sourceFile(source);
  platform::TIniFile targetFile(target);
  const std::vector<std::u16string> lines = sourceFile.ReadSectionValues(section);
  // A write that fails fails the command: the product's settings must not
  // pass for copied when they are not.
  if (!targetFile.EraseSection(section)) return ProcedureResult::Failed;
  for (const std::u16string& line : lines) {
    if (!isKeyLine(line)) continue;
    const std::u16string_view view(line);
    const size_t equals = view.find(u'=');
    if (!targetFile.WriteString(section, view.substr(0, equals), view.substr(equals + 1, kMaxCopiedValue)))
      return ProcedureResult::Failed;
  }
  if (!targetFile.UpdateFile()) return ProcedureResult::Failed;
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
