// The updater's executor of RUN and INI commands.
#include "zefkr/ProcedureCommand.h"

#include "zefkr/VendrakoIni.h"

#include "textrum/CLxxStrArray.h"
#include "textrum/LStrSplit.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/IniFile.h"
#include "platform/PrivateProfile.h"
#include "platform/Processes.h"

#include <string>
#include <vector>

namespace {

// A value longer than this is cut when copied between ini files.
constexpr size_t kMaxCopiedValue = 4000;
constexpr DWORD kInfoFileLength = 260;

// Starts the installer and waits for the process itself: polling its exit
// code would take an installer that exits with the "still running" value
// for one that never ends.
bool runInstaller(const std::u16string& file, const std::u16string& parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask =
      SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC | SEE_MASK_NOZONECHECKS;
  info.lpVerb = u"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = u"";
  info.nShow = SW_SHOWDEFAULT;
  if (!ShellExecuteExW(&info)) return false;
  if (info.hProcess != nullptr) {
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
  }
  return true;
}

bool canReadFile(const std::u16string& name) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
int32_t copyIniSection(const std::u16string& source, const std::u16string& target,
                       const std::u16string& section) {
  if (!canReadFile(source)) return zefkr::kCommandBad;
  platform::TIniFile sourceFile(source);
  platform::TIniFile targetFile(target);
  const std::vector<std::u16string> lines = sourceFile.ReadSectionValues(section);
  // A write that fails fails the command, as in the service: the product's
  // settings must not pass for copied when they are not.
  if (!targetFile.EraseSection(section)) return zefkr::kCommandBad;
  for (const std::u16string& line : lines) {
    if (!isKeyLine(line)) continue;
    const size_t equals = line.find(u'=');
    if (!targetFile.WriteString(section, std::u16string_view(line).substr(0, equals),
                                std::u16string_view(line).substr(equals + 1, kMaxCopiedValue))) {
      return zefkr::kCommandBad;
    }
  }
  if (!targetFile.UpdateFile()) return zefkr::kCommandBad;
  return zefkr::kCommandDone;
}

std::u16string fieldText(const CLWideStrArray& fields, int index) {
  return std::u16string(fields[index]->Text());
}

}  // namespace

int32_t KRRunProcedureCommand(const WCHAR* command, CLWideStr& infoFile) {
  const std::u16string channel = zefkr::commonVendrakoIniPath();
  if (channel.empty()) return zefkr::kCommandNoCommonFolder;

  CLWideStrArray parts;
  if (!SplitNamedEquW(command, parts, /*trim=*/true, u'=') || parts.Count() != 2) {
    return zefkr::kCommandBad;
  }
  const std::u16string name = fieldText(parts, 0);
  const std::u16string value = fieldText(parts, 1);

  if (name == u"RUN") {
    // The parameters are everything after the first bar, bars included.
    const size_t bar = value.find(u'|');
    if (bar == std::u16string::npos) return zefkr::kCommandBad;
    if (!runInstaller(value.substr(0, bar), value.substr(bar + 1))) return zefkr::kCommandBad;
    WCHAR note[kInfoFileLength] = {};
    GetPrivateProfileStringW(u"VKRService", u"InfoFile", u"", note, kInfoFileLength,
                             channel.c_str());
    infoFile.AssignSz(note);
    return zefkr::kCommandDone;
  }
  if (name == u"INI") {
    CLWideStrArray fields;
    if (SplitBySepExW(*parts[1], u'|', fields, /*trim=*/false) != 3) return zefkr::kCommandBad;
    return copyIniSection(fieldText(fields, 0), fieldText(fields, 1), fieldText(fields, 2));
  }
  return zefkr::kCommandBad;
}
