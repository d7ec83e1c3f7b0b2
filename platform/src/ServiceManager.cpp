// The service database and the control calls; see ServiceManager.h.
#include "platform/ServiceManager.h"

#include "ProcessSpawn.h"
#include "ServiceControlSocket.h"

#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/Utf16.h"
#include "platform/FileSyscalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The handles: one kind for the manager, one for a service. SC_HANDLE
// values are kernel-object handles so stale ones are refused.
class ManagerObject final : public platform::KernelObject {
public:
  explicit ManagerObject(std::string folder) : folder_(std::move(folder)) {}
  const std::string& folder() const { return folder_; }

private:
  std::string folder_;  // the Linux folder of the database
};

class ServiceObject final : public platform::KernelObject {
public:
  ServiceObject(std::string folder, std::u16string name) : folder_(std::move(folder)), name_(std::move(name)) {}
  const std::string& folder() const { return folder_; }
  const std::u16string& name() const { return name_; }

private:
  std::string folder_;
  std::u16string name_;  // as registered
};

std::optional<std::string> databaseFolder() {
  auto common = platform::knownFolderPath(CSIDL_COMMON_APPDATA);
  if (!common) return std::nullopt;
  const std::string folder = *common + "/ZefServices";
  if (platform::fileSyscalls().mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return std::nullopt;
  return folder;
}

// Service names become file names: no separators, nothing hidden, not
// empty, and short enough for a socket path.
bool isValidServiceName(std::u16string_view name) {
  if (name.empty() || name.size() > 80 || name[0] == u'.') return false;
  for (char16_t unit : name) {
    if (unit < 0x20 || unit == u'/' || unit == u'\\') return false;
  }
  return true;
}

std::string foldedFileName(std::u16string_view name) {
  std::u16string folded(name);
  platform::toLowerInPlace(folded);
  return platform::wideToAnsiLenient(folded);
}

std::string recordPath(const std::string& folder, std::u16string_view name) {
  return folder + "/" + foldedFileName(name) + ".service";
}

std::optional<platform::ServiceRecord> readRecord(const std::string& path) {
  const std::optional<std::string> bytes = platform::readFileToEnd(path);
  if (!bytes) return std::nullopt;
  std::istringstream in(*bytes);
  platform::ServiceRecord record;
  std::string line;
  while (std::getline(in, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "Name")
      record.name = platform::ansiToWideLenient(value);
    else if (key == "DisplayName")
      record.displayName = platform::ansiToWideLenient(value);
    else if (key == "BinaryPath")
      record.binaryPath = platform::ansiToWideLenient(value);
    else if (key == "StartType")
      record.startType = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    else if (key == "Group")
      record.group = value;
  }
  if (record.name.empty()) return std::nullopt;
  return record;
}

std::string oneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// Written to a temporary file and renamed over the record, so a reader
// never sees half a record.
bool writeRecord(const std::string& path, const platform::ServiceRecord& record) {
  std::ostringstream text;
  text << "Name=" << oneLine(platform::wideToAnsiLenient(record.name)) << "\n"
       << "DisplayName=" << oneLine(platform::wideToAnsiLenient(record.displayName)) << "\n"
       << "BinaryPath=" << oneLine(platform::wideToAnsiLenient(record.binaryPath)) << "\n"
       << "StartType=" << record.startType << "\n"
       << "Group=" << oneLine(record.group) << "\n";
  return platform::replaceFileWhole(path, text.str(), 0666);
}

ServiceObject* serviceOf(SC_HANDLE handle) {
  return platform::lookupHandleAs<ServiceObject>(reinterpret_cast<HANDLE>(handle));
}
ManagerObject* managerOf(SC_HANDLE handle) {
  return platform::lookupHandleAs<ManagerObject>(reinterpret_cast<HANDLE>(handle));
}
SC_HANDLE handleOf(platform::KernelObject* object) {
  return reinterpret_cast<SC_HANDLE>(platform::registerHandle(object));
}

std::string socketPathIn(const std::string& folder, std::u16string_view name) {
  return folder + "/" + foldedFileName(name) + ".sock";
}

void fillStatus(SERVICE_STATUS* status, DWORD state, DWORD controlsAccepted) {
  if (!status) return;
  *status = SERVICE_STATUS{};
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = state;
  status->dwControlsAccepted = controlsAccepted;
}

}  // namespace

SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access) {
  if (machine && *machine) {
    SetLastError(ERROR_INVALID_NAME);  // only the local computer exists
    return nullptr;
  }
  if (database && !platform::equalsIgnoreCase(database, u"ServicesActive")) {
    SetLastError(ERROR_DATABASE_DOES_NOT_EXIST);
    return nullptr;
  }
  auto folder = databaseFolder();
  if (!folder) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if ((access & SC_MANAGER_CREATE_SERVICE) && platform::fileSyscalls().access(folder->c_str(), W_OK) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return handleOf(new ManagerObject(*folder));
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR name, DWORD /*access*/) {
  auto* database = managerOf(manager);
  if (!database) return nullptr;
  if (!name || !isValidServiceName(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  auto record = readRecord(recordPath(database->folder(), name));
  if (!record) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  return handleOf(new ServiceObject(database->folder(), record->name));
}

SC_HANDLE CreateServiceW(SC_HANDLE manager, LPCWSTR name, LPCWSTR displayName, DWORD /*access*/, DWORD /*serviceType*/,
                         DWORD startType, DWORD /*errorControl*/, LPCWSTR binaryPath, LPCWSTR /*loadOrderGroup*/,
                         DWORD* /*tagId*/, LPCWSTR /*dependencies*/, LPCWSTR /*startName*/, LPCWSTR /*password*/) {
  auto* database = managerOf(manager);
  if (!database) return nullptr;
  if (!name || !isValidServiceName(name) || !binaryPath || !*binaryPath) {
    SetLastError(!binaryPath || !*binaryPath ? ERROR_INVALID_PARAMETER : ERROR_INVALID_NAME);
    return nullptr;
  }
  const std::string path = recordPath(database->folder(), name);
  if (readRecord(path)) {
    SetLastError(ERROR_SERVICE_EXISTS);
    return nullptr;
  }
  platform::ServiceRecord record{name, displayName ? displayName : name, binaryPath, startType, {}};
  if (!writeRecord(path, record)) {
    SetLastError(platform::errorFromErrno(errno));
    return nullptr;
  }
  return handleOf(new ServiceObject(database->folder(), record.name));
}

BOOL DeleteService(SC_HANDLE service) {
  auto* object = serviceOf(service);
  if (!object) return FALSE;
  if (unlink(recordPath(object->folder(), object->name()).c_str()) != 0) {
    SetLastError(errno == ENOENT ? ERROR_SERVICE_DOES_NOT_EXIST : platform::errorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  auto* object = platform::lookupHandle(reinterpret_cast<HANDLE>(handle));
  if (!dynamic_cast<ManagerObject*>(object) && !dynamic_cast<ServiceObject*>(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(reinterpret_cast<HANDLE>(handle));
}

BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) {
  auto* object = serviceOf(service);
  if (!object) return FALSE;
  platform::detail::ControlReply reply;
  const std::string socketPath = socketPathIn(object->folder(), object->name());
  int error = platform::detail::sendServiceControl(socketPath, control, reply);
  // No reply: the service may have stopped while the control was on its
  // way. Asking again tells a service that is gone (stopped) from one that
  // hangs; only a question is repeated, never a control that acts.
  if (error == EPROTO) {
    platform::detail::ControlReply probe;
    const int again = platform::detail::sendServiceControl(socketPath, SERVICE_CONTROL_INTERROGATE, probe);
    if (again == ENOENT || again == ECONNREFUSED) error = again;
    if (again == 0 && control == SERVICE_CONTROL_INTERROGATE) {
      error = 0;
      reply = probe;
    }
  }
  // A service that has stopped answers the clients still queued with the
  // state "stopped" and takes no control.
  const bool isStopped = error == 0 && !reply.accepted && reply.currentState == SERVICE_STOPPED;
  if (error == ENOENT || error == ECONNREFUSED || isStopped) {
    fillStatus(status, SERVICE_STOPPED, 0);
    SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    return FALSE;
  }
  if (error == EACCES || error == EPERM) {
    fillStatus(status, SERVICE_RUNNING, 0);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (error != 0) {
    fillStatus(status, SERVICE_STOPPED, 0);
    SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
    return FALSE;
  }
  fillStatus(status, reply.currentState, reply.controlsAccepted);
  if (!reply.accepted) {
    SetLastError(ERROR_INVALID_SERVICE_CONTROL);
    return FALSE;
  }
  return TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
  if (!status) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!serviceOf(service)) return FALSE;
  const DWORD savedError = GetLastError();
  if (ControlService(service, SERVICE_CONTROL_INTERROGATE, status)) return TRUE;
  // Stopped, or running behind a socket we may not use: both are answers.
  const DWORD error = GetLastError();
  if (error == ERROR_SERVICE_NOT_ACTIVE || error == ERROR_ACCESS_DENIED) {
    SetLastError(savedError);
    return TRUE;
  }
  return FALSE;
}

BOOL StartServiceW(SC_HANDLE service, DWORD /*argumentCount*/, LPCWSTR* /*arguments*/) {
  auto* object = serviceOf(service);
  if (!object) return FALSE;
  auto record = readRecord(recordPath(object->folder(), object->name()));
  if (!record) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return FALSE;
  }
  SERVICE_STATUS status;
  if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  const auto words = platform::splitCommandLine(record->binaryPath);
  if (words.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  auto program = platform::nativePath(words[0]);
  if (!program) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  platform::detail::SpawnRequest request;
  request.arguments.push_back(*program);
  for (size_t i = 1; i < words.size(); ++i) request.arguments.push_back(platform::wideToAnsiLenient(words[i]));
  request.extraEnvironment.push_back("ZEF_SERVICE_NAME=" + platform::wideToAnsiLenient(record->name));
  request.detached = true;
  const pid_t started = platform::detail::spawnProgram(request);
  if (started < 0) {
    SetLastError(platform::errorFromErrno(-started));
    return FALSE;
  }
  return TRUE;
}

std::optional<platform::ServiceRecord> platform::serviceRecordOf(SC_HANDLE service) {
  auto* object = serviceOf(service);
  if (!object) return std::nullopt;
  return readRecord(recordPath(object->folder(), object->name()));
}

BOOL platform::setServiceControlGroup(SC_HANDLE service, std::string_view group) {
  auto* object = serviceOf(service);
  if (!object) return FALSE;
  const std::string path = recordPath(object->folder(), object->name());
  auto record = readRecord(path);
  if (!record) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return FALSE;
  }
  record->group = std::string(group);
  if (!writeRecord(path, *record)) {
    SetLastError(errorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

std::string platform::serviceSocketPath(std::u16string_view serviceName) {
  auto folder = databaseFolder();
  return socketPathIn(folder.value_or("/var/lib/ZefServices"), serviceName);
}
