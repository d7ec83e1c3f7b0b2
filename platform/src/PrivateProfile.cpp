// The private-profile functions over IniDocument, with the locked, atomic
// write-through that lets several processes share one ini file.
//
// Writers serialise on an advisory lock (flock) of the ini file itself.
// Because a write replaces the file by renaming a new one over it, a writer
// that waited for the lock may hold it on a file that is no longer the one
// under the name; it then takes the lock again on the current file. Readers
// take no lock: the rename makes every file they open whole.
#include "platform/PrivateProfile.h"

#include "IniDocument.h"

#include "platform/FileSyscalls.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/Utf16.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::ini::Document;

std::u16string_view viewOf(LPCWSTR text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

bool failWithErrno() {
  SetLastError(platform::errorFromErrno(errno));
  return false;
}

// The Linux path of an ini file; a bare name lives in the Windows folder.
std::optional<std::string> iniFilePath(LPCWSTR fileName) {
  if (fileName == nullptr || *fileName == 0) return std::nullopt;
  std::u16string name(fileName);
  if (name.find_first_of(u"\\/") == std::u16string::npos) {
    WCHAR folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
      return std::nullopt;
    }
    name = std::u16string(folder) + u"\\" + name;
  }
  return platform::nativePath(name);
}

std::optional<std::string> readAll(int fd) {
  const auto& calls = platform::fileSyscalls();
  std::string bytes;
  char chunk[16384];
  for (;;) {
    const ssize_t count =
        platform::retryAfterSignal([&] { return calls.read(fd, chunk, sizeof chunk); });
    if (count < 0) return std::nullopt;
    if (count == 0) return bytes;
    bytes.append(chunk, static_cast<size_t>(count));
  }
}

// The document of a file for reading; a missing or unreadable file is empty.
Document readDocument(LPCWSTR fileName) {
  const auto path = iniFilePath(fileName);
  if (!path) return Document::parse({});
  const auto& calls = platform::fileSyscalls();
  const int fd = platform::retryAfterSignal(
      [&] { return calls.open(path->c_str(), O_RDONLY | O_CLOEXEC, 0); });
  if (fd < 0) return Document::parse({});
  const auto bytes = readAll(fd);
  calls.close(fd);
  return Document::parse(bytes ? *bytes : std::string());
}

bool writeAll(int fd, std::string_view bytes) {
  const auto& calls = platform::fileSyscalls();
  while (!bytes.empty()) {
    const ssize_t count =
        platform::retryAfterSignal([&] { return calls.write(fd, bytes.data(), bytes.size()); });
    if (count <= 0) {
      if (count == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(count));
  }
  return true;
}

// An ini file held under its writers' lock. The lock ends with the object.
class LockedFile {
public:
  ~LockedFile() {
    if (fd_ >= 0) platform::fileSyscalls().close(fd_);
  }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  explicit LockedFile(int fd) : fd_(fd) {}

  // Opens (creating when missing, if `create`) and locks the file now
  // under `path`.
  static std::unique_ptr<LockedFile> lock(const std::string& path, bool create);

  int fd() const { return fd_; }
  const struct stat& info() const { return info_; }

private:

  int fd_ = -1;
  struct stat info_ {};
};

std::unique_ptr<LockedFile> LockedFile::lock(const std::string& path, bool create) {
  const auto& calls = platform::fileSyscalls();
  const int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
  for (;;) {
    const int fd = platform::retryAfterSignal(
        [&] { return calls.open(path.c_str(), flags, 0666); });
    if (fd < 0) return nullptr;
    auto file = std::make_unique<LockedFile>(fd);
    if (platform::retryAfterSignal([&] { return flock(fd, LOCK_EX); }) != 0) return nullptr;
    struct stat current {};
    if (calls.fstat(fd, &file->info_) != 0) return nullptr;
    // Another writer may have renamed a new file over this one while we
    // waited: lock the file that now has the name.
    if (calls.stat(path.c_str(), &current) != 0) continue;
    if (current.st_dev == file->info_.st_dev && current.st_ino == file->info_.st_ino) return file;
  }
}

std::string temporaryNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".~" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

// Writes `bytes` to a new file beside `path` with the locked file's owner
// and mode and renames it over `path`. False (errno set) when any step
// fails; the temporary file is then removed.
bool replaceAtomically(const std::string& path, const LockedFile& target, std::string_view bytes,
                       bool& ownerKept) {
  const auto& calls = platform::fileSyscalls();
  const std::string temporary = temporaryNameFor(path);
  const int fd = platform::retryAfterSignal([&] {
    return calls.open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  });
  if (fd < 0) return false;
  const struct stat& info = target.info();
  ownerKept = fchown(fd, info.st_uid, info.st_gid) == 0 ||
              (info.st_uid == geteuid() && info.st_gid == getegid());
  const bool isWritten = ownerKept && writeAll(fd, bytes) && fchmod(fd, info.st_mode & 07777) == 0 &&
                         fsync(fd) == 0;
  const int savedErrno = errno;
  calls.close(fd);
  if (isWritten && rename(temporary.c_str(), path.c_str()) == 0) return true;
  const int renameErrno = isWritten ? errno : savedErrno;
  calls.unlink(temporary.c_str());
  errno = renameErrno;
  return false;
}

// Last resort when a new file could not be given the old file's owner (a
// writer allowed to write a file it does not own): the file is rewritten in
// place, still under the lock. Readers may then see a partly written file,
// which is better than the file changing hands.
bool rewriteInPlace(const LockedFile& target, std::string_view bytes) {
  const auto& calls = platform::fileSyscalls();
  if (calls.lseek(target.fd(), 0, SEEK_SET) < 0) return false;
  if (!writeAll(target.fd(), bytes)) return false;
  return calls.ftruncate(target.fd(), static_cast<off_t>(bytes.size())) == 0;
}

// What a write does to a missing file: a deletion leaves it missing.
enum class MissingFileKind { Create, LeaveMissing };

// One write transaction: lock, read, edit, write back when changed.
BOOL editFile(LPCWSTR fileName, const std::function<void(Document&)>& edit,
              MissingFileKind missing = MissingFileKind::Create) {
  const auto path = iniFilePath(fileName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  auto file = LockedFile::lock(*path, missing == MissingFileKind::Create);
  if (!file && errno == ENOENT && missing == MissingFileKind::LeaveMissing) return TRUE;
  if (!file) return failWithErrno();
  if (platform::fileSyscalls().lseek(file->fd(), 0, SEEK_SET) < 0) return failWithErrno();
  const auto before = readAll(file->fd());
  if (!before) return failWithErrno();
  Document document = Document::parse(*before);
  edit(document);
  const std::string after = document.serialize();
  if (after == *before) return TRUE;
  bool ownerKept = true;
  if (replaceAtomically(*path, *file, after, ownerKept)) return TRUE;
  if (!ownerKept && rewriteInPlace(*file, after)) return TRUE;
  return failWithErrno();
}

DWORD copyValue(std::u16string_view value, LPWSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  const size_t count = std::min<size_t>(value.size(), size - 1);
  value.copy(buffer, count);
  buffer[count] = 0;
  return static_cast<DWORD>(count);
}

// A list of terminated texts ended by one more terminator.
DWORD copyList(const std::vector<std::u16string>& items, LPWSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  std::u16string joined;
  for (const auto& item : items) {
    joined += item;
    joined.push_back(0);
  }
  if (joined.size() + 1 <= size) {
    joined.copy(buffer, joined.size());
    buffer[joined.size()] = 0;
    if (joined.empty() && size >= 2) buffer[1] = 0;
    return static_cast<DWORD>(joined.size());
  }
  if (size < 2) {
    buffer[0] = 0;
    return 0;
  }
  joined.copy(buffer, size - 2);
  buffer[size - 2] = 0;
  buffer[size - 1] = 0;
  return size - 2;
}

std::optional<std::u16string> lookUp(LPCWSTR section, LPCWSTR key, LPCWSTR fileName) {
  const Document document = readDocument(fileName);
  const auto range = document.findSection(viewOf(section));
  if (!range) return std::nullopt;
  const auto line = document.findKey(*range, viewOf(key));
  if (!line) return std::nullopt;
  return document.valueOf(*line);
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer,
                               DWORD size, LPCWSTR fileName) {
  if (section == nullptr) return copyList(readDocument(fileName).sectionNames(), buffer, size);
  if (key == nullptr) {
    const Document document = readDocument(fileName);
    const auto range = document.findSection(section);
    return copyList(range ? document.keyNames(*range) : std::vector<std::u16string>(), buffer,
                    size);
  }
  if (const auto value = lookUp(section, key, fileName)) return copyValue(*value, buffer, size);
  std::u16string_view fallback = viewOf(defaultValue);
  while (!fallback.empty() && fallback.back() == u' ') fallback.remove_suffix(1);
  return copyValue(fallback, buffer, size);
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName) {
  if (section == nullptr || key == nullptr) return static_cast<UINT>(defaultValue);
  const auto value = lookUp(section, key, fileName);
  if (!value) return static_cast<UINT>(defaultValue);
  std::u16string_view text = *value;
  const bool isNegative = !text.empty() && text.front() == u'-';
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) text.remove_prefix(1);
  uint32_t number = 0;
  for (const char16_t unit : text) {
    if (unit < u'0' || unit > u'9') break;
    number = number * 10 + static_cast<uint32_t>(unit - u'0');
  }
  return isNegative ? 0u - number : number;
}

DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR fileName) {
  const Document document = readDocument(fileName);
  const auto range = section == nullptr ? std::nullopt : document.findSection(section);
  return copyList(range ? document.sectionLines(*range) : std::vector<std::u16string>(), buffer,
                  size);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
  if (section == nullptr && key == nullptr && value == nullptr) return TRUE;
  if (section == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (key == nullptr) {
    return editFile(fileName, [&](Document& document) { document.deleteSection(section); },
                    MissingFileKind::LeaveMissing);
  }
  if (value == nullptr) {
    return editFile(fileName, [&](Document& document) { document.deleteKey(section, key); },
                    MissingFileKind::LeaveMissing);
  }
  return editFile(fileName,
                  [&](Document& document) { document.setValue(section, key, value); });
}

BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR fileName) {
  if (section == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (lines == nullptr) {
    return editFile(fileName, [&](Document& document) { document.deleteSection(section); },
                    MissingFileKind::LeaveMissing);
  }
  std::vector<std::u16string> list;
  for (LPCWSTR line = lines; *line != 0; line += platform::utf16Length(line) + 1) {
    list.emplace_back(line);
  }
  return editFile(fileName,
                  [&](Document& document) { document.replaceSection(section, list); });
}
