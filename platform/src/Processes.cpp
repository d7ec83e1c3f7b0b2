// The shell's execute calls and process handles; see Processes.h.
#include "platform/Processes.h"

#include "ProcessSpawn.h"
#include "Waitable.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/Utf16.h"
#include "platform/FileSyscalls.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A started program that the caller holds a handle to. Closing the handle
// while the program runs leaves it running, as on Windows; it is then
// reaped only when the caller ends, so callers wait before they close.
class ProcessObject final : public platform::KernelObject {
public:
  explicit ProcessObject(pid_t pid) : pid_(pid) {}

  pid_t pid() const { return pid_; }

  // Reaps the child if it has ended (or waits for it when `block`); true
  // once its exit status is known.
  bool poll(bool block) {
    if (exited_) return true;
    int status = 0;
    pid_t result;
    do {
      result = waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return false;
    exited_ = true;
    if (result < 0) {
      exitCode_ = 0;  // reaped elsewhere: the status is lost, not running
      return true;
    }
    exitCode_ =
        WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : 128u + static_cast<DWORD>(WTERMSIG(status));
    return true;
  }
  DWORD exitCode() const { return exitCode_; }

private:
  pid_t pid_;
  bool exited_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
};

std::u16string textOf(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

struct LaunchPlan {
  std::vector<std::string> arguments;
  std::string workingFolder;
};

std::optional<std::string> environmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

std::string serviceControlTool() {
  if (auto configured = environmentValue("ZEF_SERVICE_CONTROL_TOOL")) return *configured;
  const std::string beside = platform::detail::runningProgramFolder() + "/zefsc";
  if (platform::fileSyscalls().access(beside.c_str(), X_OK) == 0) return beside;
  return "zefsc";
}

bool isExecutableFile(const std::string& path) {
  struct stat info;
  return platform::fileSyscalls().stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         platform::fileSyscalls().access(path.c_str(), X_OK) == 0;
}

bool hasFolder(std::u16string_view file) {
  return file.find(u'\\') != std::u16string_view::npos || file.find(u'/') != std::u16string_view::npos;
}

// "cmd.exe /C net start|stop NAME": the service-control tool, with the verb
// and the name. Anything else given to cmd.exe has no meaning here.
std::optional<LaunchPlan> serviceCommandPlan(const std::vector<std::u16string>& parameters) {
  if (parameters.size() != 4) return std::nullopt;
  if (!platform::equalsIgnoreCase(parameters[0], u"/C") || !platform::equalsIgnoreCase(parameters[1], u"net"))
    return std::nullopt;
  const bool start = platform::equalsIgnoreCase(parameters[2], u"start");
  if (!start && !platform::equalsIgnoreCase(parameters[2], u"stop")) return std::nullopt;
  return LaunchPlan{{serviceControlTool(), start ? "start" : "stop", platform::wideToAnsiLenient(parameters[3])}, {}};
}

// "http:", "https:", "mailto:": a scheme of two or more letters, so a drive
// letter ("C:") is not taken for one.
bool isUrl(std::u16string_view file) {
  const size_t colon = file.find(u':');
  if (colon == std::u16string_view::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char16_t c = file[i];
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    const bool other = i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.');
    if (!letter && !other) return false;
  }
  return true;
}

// The system's text editor, asked to show a file: the opener shows it.
bool isTextEditor(std::u16string_view file) {
  return platform::equalsIgnoreCase(file, u"notepad.exe") || platform::equalsIgnoreCase(file, u"notepad");
}

bool isCommandInterpreter(std::u16string_view file) {
  return platform::equalsIgnoreCase(file, u"cmd.exe") || platform::equalsIgnoreCase(file, u"cmd");
}

// Decides what to run for a verb, a file and its parameters; an SE_ERR_
// code when there is nothing that could be run.
intptr_t planLaunch(const SHELLEXECUTEINFOW& info, LaunchPlan& plan) {
  const std::u16string verb = textOf(info.lpVerb);
  const std::u16string file = textOf(info.lpFile);
  if (file.empty()) return SE_ERR_FNF;
  const auto parameters = platform::splitCommandLine(textOf(info.lpParameters));
  if (info.lpDirectory && *info.lpDirectory) {
    auto folder = platform::nativePath(info.lpDirectory);
    if (!folder) return SE_ERR_PNF;
    plan.workingFolder = *folder;
  }

  const std::string opener = environmentValue("ZEF_OPENER").value_or("xdg-open");
  const bool elevate = platform::equalsIgnoreCase(verb, u"runas");
  const bool open = verb.empty() || platform::equalsIgnoreCase(verb, u"open") || elevate;

  // A URL goes to the opener as it is, never through the path mapping.
  if (isUrl(file)) {
    if (!open) return SE_ERR_NOASSOC;
    plan.arguments = {opener, platform::wideToAnsiLenient(file)};
    return 0;
  }
  if (isTextEditor(file) && open && !parameters.empty()) {
    // The editor takes its whole parameter text as one file name, blanks
    // included; quotes around it are optional.
    std::u16string name = textOf(info.lpParameters);
    while (!name.empty() && name.front() == u' ') name.erase(0, 1);
    while (!name.empty() && name.back() == u' ') name.pop_back();
    if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"') name = name.substr(1, name.size() - 2);
    auto document = platform::nativePath(name);
    if (!document || platform::fileSyscalls().access(document->c_str(), F_OK) != 0) return SE_ERR_FNF;
    plan.arguments = {opener, *document};
    return 0;
  }

  if (isCommandInterpreter(file)) {
    auto service = serviceCommandPlan(parameters);
    if (!service) return SE_ERR_NOASSOC;
    service->workingFolder = plan.workingFolder;
    plan = *service;
    return 0;
  }

  std::string program;
  if (hasFolder(file)) {
    auto native = platform::nativePath(file);
    if (!native) return SE_ERR_FNF;
    program = *native;
  } else {
    program = platform::wideToAnsiLenient(file);
  }

  std::vector<std::string> arguments;
  for (const auto& parameter : parameters) arguments.push_back(platform::wideToAnsiLenient(parameter));

  if (!open) return SE_ERR_NOASSOC;

  // A program ("*.exe") that may not be run is refused, never handed to
  // the opener as a document.
  if (hasFolder(file) && platform::isProgramName(file) && platform::fileSyscalls().access(program.c_str(), F_OK) == 0 &&
      !isExecutableFile(program)) {
    return SE_ERR_ACCESSDENIED;
  }
  // A document goes to the opener with its path as the one argument.
  const bool isProgram = !hasFolder(file) || isExecutableFile(program);
  if (!isProgram) {
    if (platform::fileSyscalls().access(program.c_str(), F_OK) != 0) return SE_ERR_FNF;
    plan.arguments = {opener, program};
    return 0;
  }

  plan.arguments = {program};
  plan.arguments.insert(plan.arguments.end(), arguments.begin(), arguments.end());
  if (elevate) {
    auto elevator = environmentValue("ZEF_ELEVATE_COMMAND");
    if (!elevator) return SE_ERR_ACCESSDENIED;
    plan.arguments.insert(plan.arguments.begin(), *elevator);
  }
  return 0;
}

intptr_t shellErrorOf(int error) {
  switch (error) {
    case ENOENT: return SE_ERR_FNF;
    case ENOTDIR: return SE_ERR_PNF;
    case EACCES:
    case EPERM: return SE_ERR_ACCESSDENIED;
    case ENOMEM: return SE_ERR_OOM;
    default: return SE_ERR_FNF;
  }
}

DWORD lastErrorOf(intptr_t shellError) {
  switch (shellError) {
    case SE_ERR_PNF: return ERROR_PATH_NOT_FOUND;
    case SE_ERR_ACCESSDENIED: return ERROR_ACCESS_DENIED;
    case SE_ERR_OOM: return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_NOASSOC: return ERROR_NO_ASSOCIATION;
    default: return ERROR_FILE_NOT_FOUND;
  }
}

HINSTANCE shellResult(intptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

}  // namespace

std::vector<std::u16string> platform::splitCommandLine(std::u16string_view line) {
  std::vector<std::u16string> arguments;
  size_t i = 0;
  const auto isBlank = [](char16_t unit) { return unit == u' ' || unit == u'\t'; };
  while (true) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::u16string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || !isBlank(line[i]))) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == u'\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == u'"') {
        argument.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          argument += u'"';
          ++i;
          continue;
        }
        if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
          argument += u'"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      argument.append(backslashes, u'\\');
      if (i < line.size() && (quoted || !isBlank(line[i]))) argument += line[i++];
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hProcess = nullptr;
  LaunchPlan plan;
  if (const intptr_t refused = planLaunch(*info, plan)) {
    info->hInstApp = shellResult(refused);
    SetLastError(lastErrorOf(refused));
    return FALSE;
  }
  const bool wantsHandle = (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0;
  platform::detail::SpawnRequest request{plan.arguments, {}, plan.workingFolder, !wantsHandle};
  const pid_t pid = platform::detail::spawnProgram(request);
  if (pid < 0) {
    const intptr_t error = shellErrorOf(-pid);
    info->hInstApp = shellResult(error);
    SetLastError(lastErrorOf(error));
    return FALSE;
  }
  info->hInstApp = shellResult(33);
  if (wantsHandle) info->hProcess = platform::registerHandle(new ProcessObject(pid));
  return TRUE;
}

bool platform::runServiceControlTool(std::string_view verb, std::u16string_view service, DWORD waitMs) {
  const bool waits = waitMs > 0;
  platform::detail::SpawnRequest request{
      {serviceControlTool(), std::string(verb), platform::wideToAnsiLenient(service)}, {}, {}, !waits};
  const pid_t pid = platform::detail::spawnProgram(request);
  if (pid < 0) return false;
  if (!waits) return true;
  HANDLE process = platform::registerHandle(new ProcessObject(pid));
  platform::waitForProcess(process, waitMs);
  CloseHandle(process);
  return true;
}

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, int show) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  ShellExecuteExW(&info);
  return info.hInstApp;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  auto* object = platform::lookupHandleAs<ProcessObject>(process);
  if (!object || !exitCode) {
    if (object) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  object->poll(/*block=*/false);
  *exitCode = object->exitCode();
  return TRUE;
}

DWORD platform::waitForProcess(HANDLE process, DWORD milliseconds) {
  auto* object = platform::lookupHandleAs<ProcessObject>(process);
  if (!object) return WAIT_FAILED;
  if (milliseconds == INFINITE) {
    object->poll(/*block=*/true);
    return WAIT_OBJECT_0;
  }
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!object->poll(/*block=*/false)) {
    if (GetTickCount64() >= deadline) return WAIT_TIMEOUT;
    Sleep(5);
  }
  return WAIT_OBJECT_0;
}

DWORD GetProcessId(HANDLE process) {
  auto* object = platform::lookupHandleAs<ProcessObject>(process);
  return object ? static_cast<DWORD>(object->pid()) : 0;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
