// File handles, reads, writes, seeks, attributes, searches, copies and moves.
#include "platform/Files.h"

#include "platform/CommPorts.h"
#include "platform/DeviceSetup.h"

#include "FileObject.h"
#include "platform/CodePage.h"
#include "platform/FileSyscalls.h"
#include "platform/LastError.h"
#include "platform/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <cstring>
#include <vector>

namespace {

using platform::fileSyscalls;
using platform::retryAfterSignal;

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether the folder that would hold `path` exists.
bool folderExists(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  struct stat info {};
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  return fileSyscalls().stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void fillTimes(const struct stat& info, FILETIME* creation, FILETIME* access, FILETIME* write) {
  if (creation) *creation = platform::fileTimeFromUnix(info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
  if (access) *access = platform::fileTimeFromUnix(info.st_atim.tv_sec, info.st_atim.tv_nsec);
  if (write) *write = platform::fileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
}

void fillAttributeData(const struct stat& info, const std::string& path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  data->dwFileAttributes = platform::attributesOf(info, baseName(path));
  fillTimes(info, &data->ftCreationTime, &data->ftLastAccessTime, &data->ftLastWriteTime);
  const auto size = static_cast<uint64_t>(S_ISDIR(info.st_mode) ? 0 : info.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size);
}

BOOL attributesOfPath(const std::optional<std::string>& path, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
  if (!path) return FALSE;
  if (level != GetFileExInfoStandard || !info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct stat st {};
  if (fileSyscalls().stat(path->c_str(), &st) != 0) return platform::failFromErrno();
  fillAttributeData(st, *path, static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(info));
  return TRUE;
}

int openFlagsFor(DWORD access, DWORD disposition) {
  int flags = O_CLOEXEC;
  const bool reads = access & GENERIC_READ;
  const bool writes = access & GENERIC_WRITE;
  flags |= writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS: return flags | O_CREAT | O_TRUNC;
    case OPEN_EXISTING: return flags;
    case OPEN_ALWAYS: return flags | O_CREAT;
    case TRUNCATE_EXISTING: return flags | O_TRUNC;
    default: return -1;
  }
}

// Copies all bytes of `in` to `out`; false with errno set on failure.
bool copyBytes(int in, int out) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t got = retryAfterSignal([&] { return fileSyscalls().read(in, buffer.data(), buffer.size()); });
    if (got < 0) return false;
    if (got == 0) return true;
    if (platform::writeFully(out, buffer.data(), static_cast<size_t>(got)) != static_cast<size_t>(got)) return false;
  }
}

bool copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  const int in = retryAfterSignal([&] { return fileSyscalls().open(from.c_str(), O_RDONLY | O_CLOEXEC, 0); });
  if (in < 0) return false;
  struct stat info {};
  if (fileSyscalls().fstat(in, &info) != 0 || S_ISDIR(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) errno = EACCES;
    const int saved = errno;
    fileSyscalls().close(in);
    errno = saved;
    return false;
  }
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
  const int out = retryAfterSignal([&] { return fileSyscalls().open(to.c_str(), flags, info.st_mode & 07777); });
  if (out < 0) {
    const int saved = errno;
    fileSyscalls().close(in);
    errno = saved;
    return false;
  }
  const bool copied = copyBytes(in, out);
  const int saved = errno;
  fileSyscalls().close(in);
  const bool closed = fileSyscalls().close(out) == 0;
  errno = copied ? errno : saved;
  return copied && closed;
}

// Wildcard match of '*' and '?' over UTF-16 names, ignoring case.
bool matchesPattern(std::u16string_view name, std::u16string_view pattern) {
  size_t n = 0, p = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
      continue;
    }
    if (p < pattern.size() &&
        (pattern[p] == u'?' || platform::equalNamesIgnoringCase(name.substr(n, 1), pattern.substr(p, 1)))) {
      ++n;
      ++p;
      continue;
    }
    if (starP == std::u16string_view::npos) return false;
    p = starP + 1;
    n = ++starN;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

// The system's rule on top: a pattern ending in ".*" also matches a name
// without any dot, so "*.*" lists "README" too.
bool matchesFindPattern(std::u16string_view name, std::u16string_view pattern) {
  if (matchesPattern(name, pattern)) return true;
  if (!pattern.ends_with(u".*") || name.find(u'.') != std::u16string_view::npos) return false;
  return matchesPattern(name, pattern.substr(0, pattern.size() - 2));
}

class FindObject final : public platform::KernelObject {
public:
  struct Entry {
    std::string path;
    std::u16string name;
  };
  explicit FindObject(std::vector<Entry> entries) : entries_(std::move(entries)) {}
  // Fills `data` with the next entry that still exists; false at the end.
  bool next(WIN32_FIND_DATAW* data) {
    while (next_ < entries_.size()) {
      const Entry& entry = entries_[next_++];
      struct stat info {};
      if (fileSyscalls().stat(entry.path.c_str(), &info) != 0) continue;
      *data = {};
      WIN32_FILE_ATTRIBUTE_DATA attributes{};
      fillAttributeData(info, entry.path, &attributes);
      data->dwFileAttributes = attributes.dwFileAttributes;
      data->ftCreationTime = attributes.ftCreationTime;
      data->ftLastAccessTime = attributes.ftLastAccessTime;
      data->ftLastWriteTime = attributes.ftLastWriteTime;
      data->nFileSizeHigh = attributes.nFileSizeHigh;
      data->nFileSizeLow = attributes.nFileSizeLow;
      const size_t length = std::min<size_t>(entry.name.size(), MAX_PATH - 1);
      std::copy_n(entry.name.begin(), length, data->cFileName);
      return true;
    }
    return false;
  }

private:
  std::vector<Entry> entries_;  // matches in byte order of their names
  size_t next_ = 0;             // index of the entry the next call answers
};

std::vector<FindObject::Entry> findMatches(std::u16string_view pattern) {
  const size_t separator = pattern.find_last_of(u"\\/");
  const std::u16string_view folderPart =
      separator == std::u16string_view::npos ? std::u16string_view() : pattern.substr(0, separator + 1);
  const std::u16string_view namePart = separator == std::u16string_view::npos ? pattern : pattern.substr(separator + 1);
  std::vector<FindObject::Entry> entries;
  if (namePart.find_first_of(u"*?") == std::u16string_view::npos) {
    auto path = platform::nativePath(pattern);
    struct stat info {};
    if (!namePart.empty() && path && fileSyscalls().stat(path->c_str(), &info) == 0) {
      entries.push_back({*path, platform::ansiToWideLenient(baseName(*path))});
    }
    return entries;
  }
  auto folder = folderPart.empty() ? std::optional<std::string>(".") : platform::nativePath(folderPart);
  if (!folder) return entries;
  for (const std::string& name : platform::folderEntryNames(*folder)) {
    auto wide = platform::ansiToWide(name);
    if (!wide || !matchesFindPattern(*wide, namePart)) continue;
    std::string path = *folder;
    if (path.back() != '/') path += '/';
    entries.push_back({path + name, *wide});
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
  return entries;
}

std::atomic<UINT> errorMode{0};

}  // namespace

platform::FileObject::~FileObject() { fileSyscalls().close(fd_); }

std::optional<std::string> platform::mappedPath(LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(name ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  auto path = nativePath(name);
  if (!path) SetLastError(ERROR_PATH_NOT_FOUND);
  return path;
}

BOOL platform::failFromErrno() {
  SetLastError(errorFromErrno(errno));
  return FALSE;
}

DWORD platform::attributesOf(const struct stat& info, const std::string& name) {
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

FILETIME platform::fileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  // 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
  constexpr int64_t kEpochDifference = 116444736000000000;
  const uint64_t ticks = static_cast<uint64_t>(seconds * 10'000'000 + nanoseconds / 100 + kEpochDifference);
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

int platform::fileDescriptor(HANDLE file) {
  auto* object = lookupHandleAs<FileObject>(file);
  return object ? object->fd() : -1;
}

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD /*share*/, LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition,
                   DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  // COM ports are devices of the serial device map, not files.
  if (name != nullptr && platform::parseComPortName(name, nullptr)) {
    return platform::openComPort(name, access);
  }
  // The device paths the device set-up functions hand out name devices too.
  if (name != nullptr && platform::isDeviceInterfacePath(name)) return platform::openDeviceInterface(name);
  const int flags = openFlagsFor(access, disposition);
  if (flags < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto path = platform::mappedPath(name);
  if (!path) return INVALID_HANDLE_VALUE;
  struct stat before {};
  const bool existed = fileSyscalls().stat(path->c_str(), &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // A program ("*.exe") is created runnable, as a linker makes it; the
  // umask still applies.
  const mode_t mode = platform::isProgramName(platform::ansiToWideLenient(*path)) ? 0777 : 0666;
  const int fd = retryAfterSignal([&] { return fileSyscalls().open(path->c_str(), flags, mode); });
  if (fd < 0) {
    platform::failFromErrno();
    if (errno == EEXIST) SetLastError(ERROR_FILE_EXISTS);
    if (errno == ENOENT && !folderExists(*path)) SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  struct stat info {};
  if (fileSyscalls().fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) errno = EISDIR;
    platform::failFromErrno();
    fileSyscalls().close(fd);
    return INVALID_HANDLE_VALUE;
  }
  const bool reportsExisting = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
  HANDLE handle = platform::registerHandle(new platform::FileObject(fd, *path));
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped) {
  if (BOOL result = FALSE; platform::comReadFile(file, buffer, count, read, overlapped, &result)) {
    return result;
  }
  if (read) *read = 0;
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  if (!object) return FALSE;
  if (overlapped || (!buffer && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ssize_t total = platform::readFully(object->fd(), buffer, count);
  if (total < 0) return platform::failFromErrno();
  if (read) *read = static_cast<DWORD>(total);
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped) {
  if (BOOL result = FALSE; platform::comWriteFile(file, buffer, count, written, overlapped, &result)) {
    return result;
  }
  if (written) *written = 0;
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  if (!object) return FALSE;
  if (overlapped || (!buffer && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto total = static_cast<DWORD>(platform::writeFully(object->fd(), buffer, count));
  if (written) *written = total;
  if (total < count) return platform::failFromErrno();
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  if (!object) return INVALID_SET_FILE_POINTER;
  int whence;
  switch (method) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
  }
  const int64_t offset =
      distanceHigh ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                          static_cast<uint32_t>(distance))
                   : static_cast<int64_t>(distance);
  const off_t position = fileSyscalls().lseek(object->fd(), offset, whence);
  if (position < 0) {
    if (errno == EINVAL) {
      SetLastError(ERROR_NEGATIVE_SEEK);
    } else {
      platform::failFromErrno();
    }
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(position);
}

BOOL SetEndOfFile(HANDLE file) {
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  if (!object) return FALSE;
  const off_t position = fileSyscalls().lseek(object->fd(), 0, SEEK_CUR);
  if (position < 0) return platform::failFromErrno();
  if (retryAfterSignal([&] { return fileSyscalls().ftruncate(object->fd(), position); }) != 0) {
    return platform::failFromErrno();
  }
  return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  struct stat info {};
  if (!object || fileSyscalls().fstat(object->fd(), &info) != 0) {
    if (object) platform::failFromErrno();
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<uint64_t>(info.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(size);
}

BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
  return attributesOfPath(platform::mappedPath(name), level, info);
}

BOOL GetFileAttributesExA(LPCSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto wide = platform::ansiToWide(name);
  if (!wide) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  return GetFileAttributesExW(wide->c_str(), level, info);
}

DWORD GetFileAttributesW(LPCWSTR name) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(name, GetFileExInfoStandard, &data)) return INVALID_FILE_ATTRIBUTES;
  return data.dwFileAttributes;
}

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  if (!object) return FALSE;
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct stat st {};
  if (fileSyscalls().fstat(object->fd(), &st) != 0) return platform::failFromErrno();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  fillAttributeData(st, object->path(), &data);
  *info = {};
  info->dwFileAttributes = data.dwFileAttributes;
  info->ftCreationTime = data.ftCreationTime;
  info->ftLastAccessTime = data.ftLastAccessTime;
  info->ftLastWriteTime = data.ftLastWriteTime;
  info->dwVolumeSerialNumber = static_cast<DWORD>(st.st_dev);
  info->nFileSizeHigh = data.nFileSizeHigh;
  info->nFileSizeLow = data.nFileSizeLow;
  info->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  info->nFileIndexHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_ino) >> 32);
  info->nFileIndexLow = static_cast<DWORD>(st.st_ino);
  return TRUE;
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  if (!object) return FALSE;
  struct stat st {};
  if (fileSyscalls().fstat(object->fd(), &st) != 0) return platform::failFromErrno();
  fillTimes(st, creation, lastAccess, lastWrite);
  return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto* search = new FindObject(findMatches(pattern));
  if (!search->next(data)) {
    delete search;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return platform::registerHandle(search);
}

BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data) {
  auto* object = platform::lookupHandleAs<FindObject>(search);
  if (!object) return FALSE;
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (object->next(data)) return TRUE;
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}

BOOL FindClose(HANDLE search) {
  if (!platform::lookupHandleAs<FindObject>(search)) return FALSE;
  return CloseHandle(search);
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  auto source = platform::mappedPath(from);
  if (!source) return FALSE;
  auto destination = platform::mappedPath(to);
  if (!destination) return FALSE;
  if (copyFile(*source, *destination, failIfExists)) return TRUE;
  platform::failFromErrno();
  if (errno == EEXIST) SetLastError(ERROR_FILE_EXISTS);
  return FALSE;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) { return MoveFileExW(from, to, 0); }

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  auto source = platform::mappedPath(from);
  if (!source) return FALSE;
  auto destination = platform::mappedPath(to);
  if (!destination) return FALSE;
  const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  const int renamed = replace ? fileSyscalls().renameat(AT_FDCWD, source->c_str(), AT_FDCWD, destination->c_str())
                              : fileSyscalls().renameNoReplace(source->c_str(), destination->c_str());
  if (renamed == 0) return TRUE;
  if (errno != EXDEV) {
    platform::failFromErrno();
    return FALSE;
  }
  // Another file system: copy, then delete the source.
  if (!copyFile(*source, *destination, /*failIfExists=*/!replace)) {
    platform::failFromErrno();
    if (errno == EEXIST) SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (fileSyscalls().unlink(source->c_str()) != 0) return platform::failFromErrno();
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR name) {
  auto path = platform::mappedPath(name);
  if (!path) return FALSE;
  struct stat info {};
  if (fileSyscalls().lstat(path->c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (fileSyscalls().unlink(path->c_str()) != 0) return platform::failFromErrno();
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES /*security*/) {
  auto path = platform::mappedPath(name);
  if (!path) return FALSE;
  if (fileSyscalls().mkdir(path->c_str(), 0777) != 0) return platform::failFromErrno();
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR name) {
  auto path = platform::mappedPath(name);
  if (!path) return FALSE;
  if (fileSyscalls().rmdir(path->c_str()) != 0) return platform::failFromErrno();
  return TRUE;
}

UINT SetErrorMode(UINT mode) { return errorMode.exchange(mode); }

bool DirectoryExists(std::u16string_view path) {
  const std::u16string name(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
