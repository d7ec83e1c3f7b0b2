// The real system calls behind the platform file layer's table.
#include "platform/FileSyscalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int realOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int realStat(const char* path, struct stat* info) { return ::stat(path, info); }
int realLstat(const char* path, struct stat* info) { return ::lstat(path, info); }
int realFstat(int fd, struct stat* info) { return ::fstat(fd, info); }

int realRenameNoReplace(const char* from, const char* to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // A file system without the flag: check first. The gap between the check
  // and the rename is accepted only there.
  struct stat info {};
  if (::lstat(to, &info) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from, to);
}

int realOpenat(int folder, const char* name, int flags, mode_t mode) { return ::openat(folder, name, flags, mode); }
int realFstatat(int folder, const char* name, struct stat* info, int flags) {
  return ::fstatat(folder, name, info, flags);
}

constexpr platform::FileSyscalls kRealCalls = {
    realOpen,  ::close,  ::read,  ::write, ::lseek,  ::ftruncate,          realFstat,
    realStat,  realLstat, ::mkdir, ::unlink, realRenameNoReplace, ::mmap, ::munmap,
    realOpenat, realFstatat, ::renameat, ::unlinkat,
};

}  // namespace

platform::FileSyscalls& platform::fileSyscalls() {
  static FileSyscalls table = kRealCalls;
  return table;
}

const platform::FileSyscalls& platform::defaultFileSyscalls() { return kRealCalls; }
