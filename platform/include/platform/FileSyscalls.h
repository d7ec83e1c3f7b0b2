// The system calls of the platform file layer, behind one replaceable table.
//
// Every file, folder and mapping call of the platform layer goes through the
// table below instead of calling the C library directly. Tests replace single
// entries to inject faults (a read that fails once, a disk that is full, a
// write interrupted by a signal) and check that the layer reports them and
// cleans up; production code never touches the table. Sockets, pipes and
// serial devices keep their own calls: they are not files.
#pragma once

#include "platform/Export.h"

#include <dirent.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace platform {

struct FileSyscalls {
  int (*open)(const char* path, int flags, mode_t mode);
  int (*close)(int fd);
  ssize_t (*read)(int fd, void* buffer, size_t count);
  ssize_t (*write)(int fd, const void* buffer, size_t count);
  off_t (*lseek)(int fd, off_t offset, int whence);
  int (*ftruncate)(int fd, off_t length);
  int (*fstat)(int fd, struct stat* info);
  int (*stat)(const char* path, struct stat* info);
  int (*lstat)(const char* path, struct stat* info);
  int (*mkdir)(const char* path, mode_t mode);
  int (*unlink)(const char* path);
  // Renames without replacing an existing destination (EEXIST when it does).
  int (*renameNoReplace)(const char* from, const char* to);
  void* (*mmap)(void* address, size_t length, int protection, int flags, int fd, off_t offset);
  int (*munmap)(void* address, size_t length);
  // Calls relative to an open folder, for writers that must not be led
  // elsewhere by a link or a renamed folder.
  int (*openat)(int folder, const char* name, int flags, mode_t mode);
  int (*fstatat)(int folder, const char* name, struct stat* info, int flags);
  int (*renameat)(int fromFolder, const char* from, int toFolder, const char* to);
  int (*unlinkat)(int folder, const char* name, int flags);
  // Folder listings.
  DIR* (*opendir)(const char* path);
  DIR* (*fdopendir)(int folder);
  struct dirent* (*readdir)(DIR* listing);
  int (*closedir)(DIR* listing);
  // Owner and mode of an open file.
  int (*fchmod)(int fd, mode_t mode);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*fsync)(int fd);
  // Calls by path outside open files: whether a program may run, the
  // resolved form of a path, the target of a link (the /proc entries), the
  // owner and mode of a socket's name, folders made and removed.
  int (*access)(const char* path, int mode);
  char* (*realpath)(const char* path, char* resolved);
  ssize_t (*readlink)(const char* path, char* buffer, size_t size);
  // Renames, replacing an existing destination.
  int (*rename)(const char* from, const char* to);
  int (*chmod)(const char* path, mode_t mode);
  int (*chown)(const char* path, uid_t owner, gid_t group);
  int (*rmdir)(const char* path);
  // Makes a fresh private folder from a name ending in "XXXXXX", which it
  // fills in.
  char* (*mkdtemp)(char* pattern);
};

// The table in force. Tests may change entries; `defaultFileSyscalls` gives
// the real calls back.
ZEF_EXPORT FileSyscalls& fileSyscalls();
ZEF_EXPORT const FileSyscalls& defaultFileSyscalls();

// Restores the real table when the scope ends (tests).
class ScopedFileSyscalls {
public:
  ScopedFileSyscalls() = default;
  ~ScopedFileSyscalls() { fileSyscalls() = defaultFileSyscalls(); }
  ScopedFileSyscalls(const ScopedFileSyscalls&) = delete;
  ScopedFileSyscalls& operator=(const ScopedFileSyscalls&) = delete;
};

// The one read loop and the one write loop of the layer, through the table,
// with interrupted calls retried.
//
// Reads until `size` bytes or the end of the file; the count read, or -1
// with errno set when a read fails.
[[nodiscard]] ZEF_EXPORT ssize_t readFully(int fd, void* buffer, size_t size);
// Every byte up to the end of the file; nothing (errno set) when a read
// fails.
[[nodiscard]] ZEF_EXPORT std::optional<std::string> readToEnd(int fd);
// Every byte of the file at a native `path` (small files: records, /proc
// entries); nothing (errno set) when it cannot be opened or read.
[[nodiscard]] ZEF_EXPORT std::optional<std::string> readFileToEnd(const std::string& path);
// The names in the folder at a native `path`, in the order the folder lists
// them, without "." and ".."; empty when it cannot be listed.
[[nodiscard]] ZEF_EXPORT std::vector<std::string> folderEntryNames(const std::string& path);
// Writes all `size` bytes; answers how many were written: all of them, or
// fewer with errno set. A write that takes no byte at all would be asked
// for ever: it counts as a full disk (ENOSPC).
[[nodiscard]] ZEF_EXPORT size_t writeFully(int fd, const void* buffer, size_t size);
// Writes `bytes` to "<path>.tmp" (created with `mode`, never through a link)
// and renames it over the file at a native `path`, so a reader sees the old
// file or the new one, never half of it. False with errno set when a step
// fails; the temporary file is removed then.
[[nodiscard]] ZEF_EXPORT bool replaceFileWhole(const std::string& path, std::string_view bytes, mode_t mode);

// Calls `call` again while it fails with EINTR. Only calls that may safely be
// repeated go through here (never close: the descriptor is gone either way).
template <typename Call>
auto retryAfterSignal(Call call) -> decltype(call());

}  // namespace platform

#include <cerrno>

template <typename Call>
auto platform::retryAfterSignal(Call call) -> decltype(call()) {
  for (;;) {
    auto result = call();
    if (!(result == -1 && errno == EINTR)) return result;
  }
}
