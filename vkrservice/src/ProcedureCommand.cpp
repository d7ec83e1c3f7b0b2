// The service's procedure-command executor; see ProcedureCommand.h.
#include "ProcedureCommand.h"

#include "textrum/LStrSplit.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/PrivateProfile.h"
#include "platform/Processes.h"

#include <string>
#include <vector>

namespace {

// A value longer than this is cut when copied between ini files.
constexpr size_t kMaxCopiedValue = 4000;

std::u16string textOf(const CLWideStr& wrapper) { return std::u16string(wrapper.Text()); }

// Starts the installer and waits for it with a real process wait: polling an
// exit code would take an installer that itself exits with the "still
// running" value for one that never ends.
int runInstaller(const std::u16string& file, const std::u16string& parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
  info.lpVerb = u"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = u"";
  info.nShow = SW_SHOWDEFAULT;
  if (!ShellExecuteExW(&info)) return kProcedureNotStarted;
  if (info.hProcess) {
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
  }
  return kProcedureDone;
}

bool canReadFile(const std::u16string& name) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// Every line of the section, as the list of NUL-terminated lines the
// profile functions hand out, in a buffer grown until the list fits.
std::vector<std::u16string> sectionLines(const std::u16string& section, const std::u16string& file) {
  std::vector<WCHAR> buffer(4096);
  DWORD length;
  while (true) {
    length = GetPrivateProfileSectionW(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                       file.c_str());
    if (length + 2 < buffer.size() || buffer.size() >= (1u << 24)) break;
    buffer.resize(buffer.size() * 4);
  }
  std::vector<std::u16string> lines;
  for (size_t at = 0; at < length && buffer[at] != 0;) {
    std::u16string line(buffer.data() + at);
    at += line.size() + 1;
    lines.push_back(std::move(line));
  }
  return lines;
}

// Replaces the target's section with the key and value lines of the
// source's section. A source that cannot be read fails before the target
// is touched, so a mistyped name never empties a product's settings.
int copyIniSection(const std::u16string& source, const std::u16string& target, const std::u16string& section) {
  if (!canReadFile(source)) return kProcedureFailed;
  const auto lines = sectionLines(section, source);
  if (!WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, target.c_str())) return kProcedureFailed;
  for (const auto& line : lines) {
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos) continue;
    // Comments are not key lines and are not copied.
    const size_t first = line.find_first_not_of(u" \t");
    if (first == equals || line[first] == u';' || line[first] == u'[') continue;
    const std::u16string key = line.substr(0, equals);
    const std::u16string value = line.substr(equals + 1, kMaxCopiedValue);
    if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), target.c_str()))
      return kProcedureFailed;
  }
  if (!WritePrivateProfileStringW(nullptr, nullptr, nullptr, target.c_str())) return kProcedureFailed;
  return kProcedureDone;
}

}  // namespace

int KRRunProcedureCommand(TVKRServ* /*service*/, const WCHAR* command) {
  CLWideStrArray parts;
  if (!SplitNamedEquW(command, parts, /*trim=*/true, u'=') || parts.Count() != 2) return kProcedureFailed;
  const std::u16string name = textOf(*parts[0]);
  const std::u16string rest = textOf(*parts[1]);

  if (name == u"RUN") {
    // The parameters are everything after the first bar, bars included.
    const size_t bar = rest.find(u'|');
    if (bar == std::u16string::npos) return kProcedureFailed;
    return runInstaller(rest.substr(0, bar), rest.substr(bar + 1));
  }
  if (name == u"INI") {
    CLWideStrArray fields;
    if (SplitBySepExW(*parts[1], u'|', fields, /*trim=*/false) != 3) return kProcedureFailed;
    return copyIniSection(textOf(*fields[0]), textOf(*fields[1]), textOf(*fields[2]));
  }
  return kProcedureFailed;
}
