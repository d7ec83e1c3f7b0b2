// Shared files of a group; see GroupFiles.h.
#include "platform/GroupFiles.h"

#include "platform/FileSyscalls.h"
#include "platform/LastError.h"
#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;

int failWithErrno() {
  SetLastError(platform::errorFromErrno(errno));
  return -1;
}

// Opens the file for reading, creating it when missing and `create` is
// set, and gives it its folder's group and a group-shared mode where that is
// missing and we may change it. The descriptor, or -1 (last error set).
int openShared(std::u16string_view windowsPath, bool create, bool& isShared) {
  isShared = false;
  const auto native = platform::nativePath(windowsPath);
  if (!native) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return -1;
  }
  const size_t slash = native->rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native->substr(0, slash);
  const std::string name = slash == std::string::npos ? *native : native->substr(slash + 1);
  const auto& calls = platform::fileSyscalls();
  const int folderFd =
      platform::retryAfterSignal([&] { return calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
  if (folderFd < 0) return failWithErrno();
  struct stat folderInfo {};
  const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  int fd = -1;
  bool isCreated = false;
  if (calls.fstat(folderFd, &folderInfo) == 0) {
    fd = platform::retryAfterSignal([&] { return calls.openat(folderFd, name.c_str(), flags, 0); });
    if (fd < 0 && errno == ENOENT && create) {
      fd = platform::retryAfterSignal([&] {
        return calls.openat(folderFd, name.c_str(), flags | O_CREAT | O_EXCL, platform::kGroupSharedFileMode);
      });
      isCreated = fd >= 0;
      // Another member created it first.
      if (fd < 0 && errno == EEXIST) {
        fd = platform::retryAfterSignal([&] { return calls.openat(folderFd, name.c_str(), flags, 0); });
      }
    }
  }
  const int savedErrno = errno;
  calls.close(folderFd);
  errno = savedErrno;
  if (fd < 0) return failWithErrno();

  struct stat info {};
  const bool isStated = calls.fstat(fd, &info) == 0;
  if (!isStated || !S_ISREG(info.st_mode)) {
    const int failure = isStated ? EINVAL : errno;
    calls.close(fd);
    errno = failure;
    return failWithErrno();
  }
  // A folder that its group may not write is no group's: its files keep
  // their group and mode, so no group gains a file it was not meant to
  // have.
  if ((folderInfo.st_mode & S_IWGRP) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return fd;
  }
  // Each change is tried on its own: an owner outside the folder's group
  // may still open the mode.
  if (info.st_gid != folderInfo.st_gid) calls.fchown(fd, static_cast<uid_t>(-1), folderInfo.st_gid);
  const mode_t wanted =
      isCreated ? platform::kGroupSharedFileMode : ((info.st_mode & 0777) | kGroupReadWrite) & ~mode_t{S_IWOTH};
  if ((info.st_mode & 07777) != wanted) calls.fchmod(fd, wanted);
  if (calls.fstat(fd, &info) != 0) return fd;
  isShared = info.st_gid == folderInfo.st_gid && (info.st_mode & kGroupReadWrite) == kGroupReadWrite;
  if (!isShared) SetLastError(ERROR_ACCESS_DENIED);
  return fd;
}

}  // namespace

bool platform::shareWithFolderGroup(std::u16string_view windowsPath, bool create) {
  bool isShared = false;
  const int fd = openShared(windowsPath, create, isShared);
  if (fd >= 0) fileSyscalls().close(fd);
  return isShared;
}

platform::GroupFileLock::Outcome platform::GroupFileLock::tryTake(std::u16string_view windowsPath,
                                                                  std::unique_ptr<GroupFileLock>& lock) {
  lock.reset();
  bool isShared = false;
  const int fd = openShared(windowsPath, /*create=*/true, isShared);
  if (fd < 0) return Outcome::Failed;
  if (platform::retryAfterSignal([&] { return flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
    const bool isBusy = errno == EWOULDBLOCK;
    if (!isBusy) failWithErrno();
    fileSyscalls().close(fd);
    return isBusy ? Outcome::Busy : Outcome::Failed;
  }
  lock.reset(new GroupFileLock(fd));
  return Outcome::Taken;
}

platform::GroupFileLock::~GroupFileLock() { fileSyscalls().close(fd_); }
