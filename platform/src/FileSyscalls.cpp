// The real system calls behind the platform file layer's table.
#include "platform/FileSyscalls.h"

#include <cassert>
#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
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
    realOpen,  ::close,     ::read,     ::write,     ::lseek,    ::ftruncate,
    realFstat, realStat,    realLstat,  ::mkdir,     ::unlink,   realRenameNoReplace,
    ::mmap,    ::munmap,    realOpenat, realFstatat, ::renameat, ::unlinkat,
    ::opendir, ::fdopendir, ::readdir,  ::closedir,  ::fchmod,   ::fchown,
    ::fsync,   ::access,    ::realpath, ::readlink,  ::rename,   ::chmod,
    ::chown,   ::rmdir,     ::mkdtemp,
};

}  // namespace

ssize_t platform::readFully(int fd, void* buffer, size_t size) {
  size_t total = 0;
  while (total < size) {
    const ssize_t got =
        retryAfterSignal([&] { return fileSyscalls().read(fd, static_cast<char*>(buffer) + total, size - total); });
    if (got < 0) return -1;
    if (got == 0) break;
    assert(static_cast<size_t>(got) <= size - total && "a read never returns more than was asked for");
    total += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(total);
}

std::optional<std::string> platform::readToEnd(int fd) {
  std::string bytes;
  char chunk[16384];
  for (;;) {
    const ssize_t count = retryAfterSignal([&] { return fileSyscalls().read(fd, chunk, sizeof chunk); });
    if (count < 0) return std::nullopt;
    if (count == 0) return bytes;
    bytes.append(chunk, static_cast<size_t>(count));
  }
}

std::optional<std::string> platform::readFileToEnd(const std::string& path) {
  const int fd = retryAfterSignal([&] { return fileSyscalls().open(path.c_str(), O_RDONLY | O_CLOEXEC, 0); });
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bytes = readToEnd(fd);
  const int readError = errno;
  fileSyscalls().close(fd);
  errno = readError;
  return bytes;
}

std::vector<std::string> platform::folderEntryNames(const std::string& path) {
  std::vector<std::string> names;
  DIR* listing = fileSyscalls().opendir(path.c_str());
  if (listing == nullptr) return names;
  while (const dirent* entry = fileSyscalls().readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    names.emplace_back(name);
  }
  fileSyscalls().closedir(listing);
  return names;
}

size_t platform::writeFully(int fd, const void* buffer, size_t size) {
  size_t total = 0;
  while (total < size) {
    const ssize_t put = retryAfterSignal(
        [&] { return fileSyscalls().write(fd, static_cast<const char*>(buffer) + total, size - total); });
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      break;
    }
    assert(static_cast<size_t>(put) <= size - total && "a write never takes more than it was given");
    total += static_cast<size_t>(put);
  }
  return total;
}

bool platform::replaceFileWhole(const std::string& path, std::string_view bytes, mode_t mode) {
  FileSyscalls& calls = fileSyscalls();
  const std::string temporary = path + ".tmp";
  const int fd = retryAfterSignal(
      [&] { return calls.open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode); });
  if (fd < 0) return false;
  const bool written = writeFully(fd, bytes.data(), bytes.size()) == bytes.size();
  const int writeError = errno;
  const bool closed = calls.close(fd) == 0;
  if (written && closed && calls.rename(temporary.c_str(), path.c_str()) == 0) return true;
  const int error = written ? errno : writeError;
  calls.unlink(temporary.c_str());
  errno = error;
  return false;
}

platform::FileSyscalls& platform::fileSyscalls() {
  static FileSyscalls table = kRealCalls;
  return table;
}

const platform::FileSyscalls& platform::defaultFileSyscalls() { return kRealCalls; }
