// Named mutexes on flock'ed lock files.
#include "platform/NamedMutex.h"

#include "platform/CodePage.h"
#include "platform/FileSyscalls.h"
#include "platform/Handles.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

class MutexObject final : public platform::KernelObject {
public:
  explicit MutexObject(int fd) : fd_(fd) {}
  ~MutexObject() override {
    if (fd_ >= 0) platform::fileSyscalls().close(fd_);  // closing drops the lock
  }

private:
  int fd_;  // the open lock file; -1 for an unnamed mutex
};

// The name as a file name: separators and control characters become '_'.
std::string lockFileName(std::u16string_view name) {
  std::string text = platform::wideToAnsiLenient(name);
  for (char& c : text) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
  }
  return text + ".lock";
}

}  // namespace

HANDLE CreateMutexW(const SECURITY_ATTRIBUTES* /*attributes*/, BOOL initialOwner, LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_SUCCESS);
    return platform::registerHandle(new MutexObject(-1));
  }
  const auto folder = platform::runtimeFolder();
  if (!folder) return nullptr;
  const std::string path = *folder + "/" + lockFileName(name);
  const int fd = platform::retryAfterSignal(
      [&] { return platform::fileSyscalls().open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600); });
  if (fd < 0) {
    SetLastError(platform::errorFromErrno(errno));
    return nullptr;
  }
  int locked;
  do {
    locked = flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    // Someone holds it: this handle stands for the existing mutex only.
    platform::fileSyscalls().close(fd);
    const HANDLE handle = platform::registerHandle(new MutexObject(-1));
    SetLastError(ERROR_ALREADY_EXISTS);
    return handle;
  }
  // Without initial ownership the name still exists from here on; holding
  // the lock is how it stays alive across processes.
  (void)initialOwner;
  const HANDLE handle = platform::registerHandle(new MutexObject(fd));
  SetLastError(ERROR_SUCCESS);
  return handle;
}
