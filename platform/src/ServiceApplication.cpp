// The service framework; see ServiceApplication.h.
#include "platform/ServiceApplication.h"

#include "ServiceControlSocket.h"

#include "platform/CodePage.h"
#include "platform/Modules.h"
#include "platform/Paths.h"
#include "platform/Utf16.h"
#include "platform/FileSyscalls.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <iterator>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

bool isSystemControl(DWORD code) { return code >= SERVICE_CONTROL_STOP && code <= SERVICE_CONTROL_CONTINUE; }
bool isCustomControl(DWORD code) { return code >= 128 && code <= 255; }

constexpr DWORD kControlsAccepted = 0x3;  // stop, pause and continue

std::vector<std::u16string> commandLineArguments() {
  const std::string raw = platform::readFileToEnd("/proc/self/cmdline").value_or(std::string());
  std::vector<std::u16string> arguments;
  size_t start = 0;
  while (start < raw.size()) {
    const size_t end = raw.find('\0', start);
    const size_t stop = end == std::string::npos ? raw.size() : end;
    arguments.push_back(platform::ansiToWideLenient(std::string_view(raw).substr(start, stop - start)));
    start = stop + 1;
  }
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

bool isSwitch(std::u16string_view argument, std::u16string_view name) {
  if (argument.size() < 2 || (argument[0] != u'/' && argument[0] != u'-')) return false;
  return platform::equalsIgnoreCase(argument.substr(1), name);
}

void logLine(std::u16string_view source, std::u16string_view message) {
  const std::string line = platform::wideToAnsiLenient(source) + ": " + platform::wideToAnsiLenient(message) + "\n";
  ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
  (void)ignored;
}

long groupIdOf(const std::string& name) {
  if (name.empty()) return -1;
  const group* found = getgrnam(name.c_str());
  return found ? static_cast<long>(found->gr_gid) : -2;
}

bool userIsInGroup(uid_t user, gid_t groupId) {
  const passwd* account = getpwuid(user);
  if (!account) return false;
  if (account->pw_gid == groupId) return true;
  const group* found = getgrgid(groupId);
  if (!found) return false;
  for (char** member = found->gr_mem; member && *member; ++member) {
    if (std::strcmp(*member, account->pw_name) == 0) return true;
  }
  return false;
}

// One path of IsFileGuarded; `groupId` is the service's group or -1.
bool isPathGuarded(const std::string& path, long groupId, std::string& why) {
  struct stat info;
  if (platform::fileSyscalls().lstat(path.c_str(), &info) != 0) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISLNK(info.st_mode)) {
    why = path + " is a symbolic link";
    return false;
  }
  const bool ownerTrusted = info.st_uid == 0 || info.st_uid == geteuid() ||
                            (groupId >= 0 && userIsInGroup(info.st_uid, static_cast<gid_t>(groupId)));
  if (!ownerTrusted) {
    why = path + " is owned by user " + std::to_string(info.st_uid) + ", outside the service's group";
    return false;
  }
  if (info.st_mode & S_IWOTH) {
    why = path + " is writable by every user";
    return false;
  }
  const bool groupTrusted = info.st_gid == 0 || (groupId >= 0 && info.st_gid == static_cast<gid_t>(groupId));
  if ((info.st_mode & S_IWGRP) && !groupTrusted) {
    why = path + " is writable by group " + std::to_string(info.st_gid) + ", not the service's group";
    return false;
  }
  return true;
}

}  // namespace

// --- TService -------------------------------------------------------------

TService::TService(TServiceApplication* /*owner*/, std::u16string name, std::u16string displayName)
    : name_(std::move(name)), displayName_(std::move(displayName)) {
  if (const char* group = std::getenv("ZEF_SERVICE_GROUP")) ControlGroup = group;
}

TService::~TService() = default;

bool TService::HandleControlCode(DWORD /*code*/) { return false; }

void TService::Controller(DWORD code) {
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(code);
  }
  queueReady_.notify_one();
}

void TService::LogMessage(std::u16string_view message) const { logLine(name_, message); }

long TService::controlGroupId() const {
  const long id = groupIdOf(recordGroup_);
  return id < 0 ? -1 : id;
}

bool TService::IsFileGuarded(std::u16string_view windowsPath, std::string& why) const {
  auto native = platform::nativePath(windowsPath);
  if (!native) {
    why = "the path cannot be mapped";
    return false;
  }
  const long groupId = controlGroupId();
  const size_t slash = native->rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : native->substr(0, slash));
  return isPathGuarded(folder, groupId, why) && isPathGuarded(*native, groupId, why);
}

bool TService::grants(const TServiceEvent& event) {
  bool result = true;
  if (event) {
    result = false;
    event(this, result);
  }
  return result;
}

void TService::dispatch(DWORD code) {
  switch (code) {
    case SERVICE_CONTROL_STOP:
      if (grants(OnStop)) {
        state_ = SERVICE_STOPPED;
        stopped_ = true;
      }
      return;
    case SERVICE_CONTROL_PAUSE:
      if (grants(OnPause)) state_ = SERVICE_PAUSED;
      return;
    case SERVICE_CONTROL_CONTINUE:
      if (grants(OnContinue)) state_ = SERVICE_RUNNING;
      return;
    default:
      if (!HandleControlCode(code))
        LogMessage(u"control " + platform::ansiToWideLenient(std::to_string(code)) + u" not handled");
      return;
  }
}

void TService::serviceThreadLoop() {
  while (!stopped_) {
    DWORD code;
    {
      std::unique_lock lock(queueMutex_);
      queueReady_.wait(lock, [this] { return !queue_.empty(); });
      code = queue_.front();
      queue_.pop_front();
    }
    dispatch(code);
  }
}

bool TService::runAsService() {
  if (SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)) {
    if (SC_HANDLE service = OpenServiceW(manager, name_.c_str(), SERVICE_QUERY_STATUS)) {
      if (auto record = platform::serviceRecordOf(service)) recordGroup_ = record->group;
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
  }
  if (groupIdOf(recordGroup_) == -2) LogMessage(u"control group not found, admitting root only");

  const std::string socketPath = platform::serviceSocketPath(name_);
  const int listener = platform::detail::listenOnServiceSocket(socketPath, controlGroupId());
  if (listener < 0) {
    LogMessage(u"cannot listen on " + platform::ansiToWideLenient(socketPath) + u": " +
               platform::ansiToWideLenient(std::strerror(-listener)));
    return false;
  }
  state_ = SERVICE_START_PENDING;
  if (!grants(OnStart)) {
    close(listener);
    platform::fileSyscalls().unlink(socketPath.c_str());
    state_ = SERVICE_STOPPED;
    return false;
  }
  state_ = SERVICE_RUNNING;
  stopped_ = false;
  std::thread serviceThread([this] { serviceThreadLoop(); });

  const TServiceController controller = GetServiceController();
  const auto answerWhileRunning = [&](DWORD code) {
    platform::detail::ControlReply reply{0, state_.load(), kControlsAccepted};
    if (code == SERVICE_CONTROL_INTERROGATE) {
      reply.accepted = 1;
    } else if (isSystemControl(code) || isCustomControl(code)) {
      reply.accepted = 1;
      if (code == SERVICE_CONTROL_STOP) reply.currentState = SERVICE_STOP_PENDING;
      controller(code);
    }
    return reply;
  };
  platform::detail::ControlConnections connections;
  while (!stopped_) connections.serve(listener, /*timeoutMs=*/100, answerWhileRunning);
  serviceThread.join();
  // Stopped: the socket's name goes first, so a new client finds no service
  // (and takes it for stopped); those already connected are told so.
  platform::fileSyscalls().unlink(socketPath.c_str());
  connections.drain(listener, [](DWORD code) {
    const DWORD accepted = code == SERVICE_CONTROL_INTERROGATE ? 1 : 0;
    return platform::detail::ControlReply{accepted, SERVICE_STOPPED, 0};
  });
  close(listener);
  return true;
}

// --- TServiceApplication ----------------------------------------------------

TServiceApplication::TServiceApplication() = default;
TServiceApplication::~TServiceApplication() = default;

void TServiceApplication::Initialize() {
  arguments_ = commandLineArguments();
  initialized_ = true;
}

bool TServiceApplication::Installing() const {
  const auto arguments = initialized_ ? arguments_ : commandLineArguments();
  for (const auto& argument : arguments) {
    if (isSwitch(argument, u"install") || isSwitch(argument, u"uninstall")) return true;
  }
  return false;
}

TService* TServiceApplication::serviceStartedByManager() const {
  const char* name = std::getenv("ZEF_SERVICE_NAME");
  if (!name) return nullptr;
  const std::u16string wanted = platform::ansiToWideLenient(name);
  for (const auto& service : services_) {
    if (platform::equalsIgnoreCase(service->Name(), wanted)) return service.get();
  }
  return nullptr;
}

bool TServiceApplication::installServices(bool install) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    logLine(u"service", u"cannot open the service manager");
    return false;
  }
  bool ok = true;
  for (const auto& service : services_) {
    if (!install) {
      SC_HANDLE handle = OpenServiceW(manager, service->Name().c_str(), SERVICE_ALL_ACCESS);
      const bool removed = handle && DeleteService(handle);
      if (handle) CloseServiceHandle(handle);
      service->LogMessage(removed ? u"service removed" : u"cannot remove the service");
      ok = ok && removed;
      continue;
    }
    WCHAR program[4096] = {};
    GetModuleFileNameW(nullptr, program, 4096);
    const std::u16string commandLine = u"\"" + std::u16string(program) + u"\"";
    SC_HANDLE handle = CreateServiceW(
        manager, service->Name().c_str(), service->DisplayName().c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    const bool created = handle && platform::setServiceControlGroup(handle, service->ControlGroup);
    if (handle) CloseServiceHandle(handle);
    service->LogMessage(created ? u"service installed" : u"cannot install the service");
    ok = ok && created;
  }
  CloseServiceHandle(manager);
  return ok;
}

void TServiceApplication::Run() {
  if (!initialized_) Initialize();
  if (Installing()) {
    bool uninstall = false;
    for (const auto& argument : arguments_) uninstall = uninstall || isSwitch(argument, u"uninstall");
    exitCode_ = installServices(!uninstall) ? 0 : 1;
    return;
  }
  TService* service = serviceStartedByManager();
  if (!service) return;  // started from a console: nothing to serve
  exitCode_ = service->runAsService() ? 0 : 1;
}

TServiceApplication& ServiceApplication() {
  static TServiceApplication application;
  return application;
}
