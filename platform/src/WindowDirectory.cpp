// The per-user window directory (see WindowDirectory.h for its layout).
#include "WindowDirectory.h"

#include "MessageQueue.h"
#include "platform/CodePage.h"
#include "platform/KnownFolders.h"
#include "platform/FileSyscalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <iterator>
#include <sstream>

namespace {

// Windows of other processes that FindWindowW handed out, by the local
// handle standing for each; leaked like the window table.
struct RemoteWindows {
  std::mutex mutex;
  std::map<HWND, std::string> socketPaths;
};

RemoteWindows& remoteWindows() {
  static auto* instance = new RemoteWindows;
  return *instance;
}

std::optional<std::string> directory() {
  const auto runtime = platform::runtimeFolder();
  if (!runtime) return std::nullopt;
  const std::string path = *runtime + "/windows";
  if (platform::fileSyscalls().mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
  struct stat info {};
  if (platform::fileSyscalls().lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
      (info.st_mode & 077) != 0) {
    return std::nullopt;
  }
  return path;
}

std::string entryName(pid_t pid, HWND window) {
  char name[64];
  std::snprintf(name, sizeof name, "%d-%lx", static_cast<int>(pid),
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)));
  return name;
}

// Field 22 of /proc/<pid>/stat: when the process started, in clock ticks
// since boot. Together with the pid it names one process for good.
std::optional<unsigned long long> processStartTime(pid_t pid) {
  const auto text = platform::readFileToEnd("/proc/" + std::to_string(pid) + "/stat");
  if (!text) return std::nullopt;
  std::istringstream in(*text);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  // The command name in parentheses may hold blanks; fields follow the last ')'.
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  for (int index = 3; index <= 22; ++index) {
    if (!(fields >> field)) return std::nullopt;
  }
  try {
    return std::stoull(field);
  } catch (...) {
    return std::nullopt;
  }
}

// Writes `text` to `path` through a temporary file, so a reader never sees
// half an entry.
bool writeEntry(const std::string& path, const std::string& text) {
  return platform::replaceFileWhole(path, text, 0600);
}

bool fillAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

struct ListedWindow {
  pid_t pid;
  std::string title;
  std::string socketPath;
};

// Reads one "<pid>-<handle>.win" entry; removes it when it is stale.
std::optional<ListedWindow> readEntry(const std::string& folder, const std::string& name) {
  const std::string base = name.substr(0, name.size() - 4);
  const int pid = std::atoi(base.c_str());
  if (pid <= 0) return std::nullopt;
  const auto text = platform::readFileToEnd(folder + "/" + name);
  if (!text) return std::nullopt;
  std::istringstream in(*text);
  std::string started;
  if (!std::getline(in, started)) return std::nullopt;
  std::string title((std::istreambuf_iterator<char>(in)), {});
  const auto current = processStartTime(pid);
  if (!current || std::to_string(*current) != started) {
    platform::fileSyscalls().unlink((folder + "/" + name).c_str());
    platform::fileSyscalls().unlink((folder + "/" + base + ".sock").c_str());
    return std::nullopt;
  }
  return ListedWindow{pid, std::move(title), folder + "/" + base + ".sock"};
}

}  // namespace

bool platform::publishWindow(HWND window, std::u16string_view title, MessageQueue& queue) {
  const auto folder = directory();
  const auto started = processStartTime(getpid());
  if (!folder || !started) return false;
  const std::string base = *folder + "/" + entryName(getpid(), window);

  const int socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (socket < 0) return false;
  const int on = 1;
  setsockopt(socket, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
  sockaddr_un address{};
  const std::string socketPath = base + ".sock";
  platform::fileSyscalls().unlink(socketPath.c_str());
  if (!fillAddress(socketPath, &address) || bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(socket);
    return false;
  }
  platform::fileSyscalls().chmod(socketPath.c_str(), 0600);
  if (!writeEntry(base + ".win", std::to_string(*started) + "\n" + wideToAnsiLenient(title))) {
    close(socket);
    platform::fileSyscalls().unlink(socketPath.c_str());
    return false;
  }
  queue.watchActivationSocket(socket, window);
  return true;
}

void platform::retitleWindow(HWND window, std::u16string_view title) {
  const auto folder = directory();
  const auto started = processStartTime(getpid());
  if (!folder || !started) return;
  const std::string base = *folder + "/" + entryName(getpid(), window);
  writeEntry(base + ".win", std::to_string(*started) + "\n" + wideToAnsiLenient(title));
}

void platform::withdrawWindow(HWND window, MessageQueue& queue) {
  queue.forgetActivationSocket(window);
  const auto folder = directory();
  if (!folder) return;
  const std::string base = *folder + "/" + entryName(getpid(), window);
  platform::fileSyscalls().unlink((base + ".win").c_str());
  platform::fileSyscalls().unlink((base + ".sock").c_str());
}

HWND platform::findPublishedWindow(std::u16string_view title) {
  const auto folder = directory();
  if (!folder) return nullptr;
  const std::string wanted = wideToAnsiLenient(title);
  std::optional<ListedWindow> match;
  for (const std::string& name : platform::folderEntryNames(*folder)) {
    if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".win") != 0) continue;
    auto listed = readEntry(*folder, name);
    if (!listed || listed->pid == getpid() || listed->title != wanted) continue;
    match = std::move(listed);
  }
  if (!match) return nullptr;
  const HWND handle = allocateWindowHandle();
  std::lock_guard lock(remoteWindows().mutex);
  remoteWindows().socketPaths[handle] = match->socketPath;
  return handle;
}

bool platform::sendActivationIfRemote(HWND window, bool* sent) {
  std::string socketPath;
  {
    std::lock_guard lock(remoteWindows().mutex);
    auto found = remoteWindows().socketPaths.find(window);
    if (found == remoteWindows().socketPaths.end()) return false;
    socketPath = found->second;
  }
  *sent = false;
  sockaddr_un address{};
  if (!fillAddress(socketPath, &address)) return true;
  const int socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return true;
  // The kernel attaches our credentials, which the receiver checks.
  *sent = sendto(socket, kActivationRequest, sizeof kActivationRequest - 1, 0, reinterpret_cast<sockaddr*>(&address),
                 sizeof address) >= 0;
  close(socket);
  return true;
}

platform::ActivationReceipt platform::receiveActivationRequest(int socket) {
  char payload[64];
  iovec part{payload, sizeof payload};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t length;
  do {
    length = recvmsg(socket, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
  } while (length < 0 && errno == EINTR);
  if (length < 0) return ActivationReceipt::kNone;

  bool ownUser = false;
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_CREDENTIALS) continue;
    ucred credentials{};
    std::memcpy(&credentials, CMSG_DATA(header), sizeof credentials);
    ownUser = credentials.uid == geteuid();
  }
  const bool wellFormed = static_cast<size_t>(length) == sizeof kActivationRequest - 1 &&
                          std::memcmp(payload, kActivationRequest, static_cast<size_t>(length)) == 0;
  return ownUser && wellFormed ? ActivationReceipt::kAccepted : ActivationReceipt::kRefused;
}
