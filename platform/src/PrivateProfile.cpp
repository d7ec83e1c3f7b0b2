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

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

std::u16string_view viewOf(LPCWSTR text) { return text == nullptr ? std::u16string_view() : std::u16string_view(text); }

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

std::optional<std::string> readAll(int fd) { return platform::readToEnd(fd); }

Document readDocument(LPCWSTR fileName) { return *platform::ini::readIniFile(fileName); }

bool writeAll(int fd, std::string_view bytes) {
  return platform::writeFully(fd, bytes.data(), bytes.size()) == bytes.size();
}

// A descriptor, closed with its owner.
class Descriptor {
public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) platform::fileSyscalls().close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }

private:
  int fd_;
};

// The folder of an ini file, held open, and the file's name in it. Writers
// reach the file, its temporary copies and the rename only through the
// folder's descriptor and never follow a link there: a folder that other
// users can write must not let them point a writer (perhaps root) at
// another file.
class IniFolder {
public:
  // Opens the folder of `path`; nullptr (errno set) when it cannot be.
  static std::unique_ptr<IniFolder> open(const std::string& path);

  int fd() const { return fd_.get(); }
  const std::string& name() const { return name_; }

private:
  IniFolder(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

  Descriptor fd_;
  std::string name_;  // the ini file's name in the folder
};

std::unique_ptr<IniFolder> IniFolder::open(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") {
    errno = EISDIR;
    return nullptr;
  }
  const auto& calls = platform::fileSyscalls();
  const int fd =
      platform::retryAfterSignal([&] { return calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
  if (fd < 0) return nullptr;
  return std::unique_ptr<IniFolder>(new IniFolder(fd, std::move(name)));
}

// An ini file held under its writers' lock. The lock ends with the object.
class LockedFile {
public:
  explicit LockedFile(int fd) : fd_(fd) {}

  // Opens (creating when missing, if `create`) and locks the file now
  // under its name in the folder. A link or anything but a plain file
  // under that name fails (ELOOP, EINVAL).
  static std::unique_ptr<LockedFile> lock(const IniFolder& folder, bool create);

  int fd() const { return fd_.get(); }
  const struct stat& info() const { return info_; }

private:
  Descriptor fd_;
  struct stat info_ {};
};

std::unique_ptr<LockedFile> LockedFile::lock(const IniFolder& folder, bool create) {
  const auto& calls = platform::fileSyscalls();
  const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT : 0);
  for (;;) {
    const int fd =
        platform::retryAfterSignal([&] { return calls.openat(folder.fd(), folder.name().c_str(), flags, 0666); });
    if (fd < 0) return nullptr;
    auto file = std::make_unique<LockedFile>(fd);
    if (calls.fstat(fd, &file->info_) != 0) return nullptr;
    if (!S_ISREG(file->info_.st_mode)) {
      errno = EINVAL;
      return nullptr;
    }
    if (platform::retryAfterSignal([&] { return flock(fd, LOCK_EX); }) != 0) return nullptr;
    struct stat current {};
    // Another writer may have renamed a new file over this one while we
    // waited: lock the file that now has the name.
    if (calls.fstatat(folder.fd(), folder.name().c_str(), &current, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (current.st_dev == file->info_.st_dev && current.st_ino == file->info_.st_ino) {
      if (calls.fstat(fd, &file->info_) != 0) return nullptr;
      return file;
    }
  }
}

// Temporary copies are named "<file>.~<process id>-<count>.tmp", so that a
// later writer of the file can tell the leftovers of a writer that died
// before its rename (see removeStaleCopies).
constexpr std::string_view kTemporaryMark = ".~";
constexpr std::string_view kTemporarySuffix = ".tmp";

std::string temporaryNameFor(const std::string& name) {
  static std::atomic<unsigned> counter{0};
  return name + std::string(kTemporaryMark) + std::to_string(getpid()) + "-" + std::to_string(counter++) +
         std::string(kTemporarySuffix);
}

// The process id in a temporary copy's name of the file `name`, or 0 when
// `entry` is not such a name.
pid_t writerOfTemporary(std::string_view entry, std::string_view name) {
  const std::string prefix = std::string(name) + std::string(kTemporaryMark);
  if (entry.size() <= prefix.size() + kTemporarySuffix.size() || entry.substr(0, prefix.size()) != prefix ||
      entry.substr(entry.size() - kTemporarySuffix.size()) != kTemporarySuffix) {
    return 0;
  }
  const std::string_view middle = entry.substr(prefix.size(), entry.size() - prefix.size() - kTemporarySuffix.size());
  const size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9) return 0;
  pid_t pid = 0;
  for (const char digit : middle.substr(0, dash)) {
    if (digit < '0' || digit > '9') return 0;
    pid = pid * 10 + (digit - '0');
  }
  for (const char digit : middle.substr(dash + 1)) {
    if (digit < '0' || digit > '9') return 0;
  }
  return pid;
}

// Removes the temporary copies of the file left by writers that died
// between creating and renaming them. Called under the writers' lock, so no
// living writer of this file is between those steps; a copy whose process
// id now belongs to another living process is left alone.
void removeStaleCopies(const IniFolder& folder) {
  const int listFd = platform::retryAfterSignal(
      [&] { return platform::fileSyscalls().openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
  if (listFd < 0) return;
  DIR* listing = platform::fileSyscalls().fdopendir(listFd);
  if (listing == nullptr) {
    platform::fileSyscalls().close(listFd);
    return;
  }
  std::vector<std::string> stale;
  while (const dirent* entry = platform::fileSyscalls().readdir(listing)) {
    const pid_t writer = writerOfTemporary(entry->d_name, folder.name());
    if (writer <= 0 || writer == getpid()) continue;
    if (kill(writer, 0) == 0 || errno != ESRCH) continue;
    stale.emplace_back(entry->d_name);
  }
  platform::fileSyscalls().closedir(listing);
  for (const auto& name : stale) platform::fileSyscalls().unlinkat(folder.fd(), name.c_str(), 0);
}

// Writes `bytes` to a new file beside the ini file with the locked file's
// owner and mode and renames it over the file. False (errno set) when any
// step fails; the temporary file is then removed.
bool replaceAtomically(const IniFolder& folder, const LockedFile& target, std::string_view bytes, bool& ownerKept) {
  const auto& calls = platform::fileSyscalls();
  const std::string temporary = temporaryNameFor(folder.name());
  const int fd = platform::retryAfterSignal([&] {
    return calls.openat(folder.fd(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  });
  if (fd < 0) return false;
  const struct stat& info = target.info();
  ownerKept = calls.fchown(fd, info.st_uid, info.st_gid) == 0 || (info.st_uid == geteuid() && info.st_gid == getegid());
  const bool isWritten =
      ownerKept && writeAll(fd, bytes) && calls.fchmod(fd, info.st_mode & 07777) == 0 && calls.fsync(fd) == 0;
  const int savedErrno = errno;
  calls.close(fd);
  if (isWritten && calls.renameat(folder.fd(), temporary.c_str(), folder.fd(), folder.name().c_str()) == 0) {
    return true;
  }
  const int renameErrno = isWritten ? errno : savedErrno;
  calls.unlinkat(folder.fd(), temporary.c_str(), 0);
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

// One write transaction: lock, read, edit, write back when changed. The
// edit answers false to refuse the change (a name that could not be read
// back): nothing is written and the error is ERROR_INVALID_PARAMETER.
BOOL editFile(LPCWSTR fileName, const std::function<bool(Document&)>& edit,
              MissingFileKind missing = MissingFileKind::Create) {
  const auto path = iniFilePath(fileName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const auto folder = IniFolder::open(*path);
  if (!folder && errno == ENOENT && missing == MissingFileKind::LeaveMissing) return TRUE;
  if (!folder) return failWithErrno();
  auto file = LockedFile::lock(*folder, missing == MissingFileKind::Create);
  if (!file && errno == ENOENT && missing == MissingFileKind::LeaveMissing) return TRUE;
  if (!file) return failWithErrno();
  if (platform::fileSyscalls().lseek(file->fd(), 0, SEEK_SET) < 0) return failWithErrno();
  const auto before = readAll(file->fd());
  if (!before) return failWithErrno();
  Document document = Document::parse(*before);
  if (!edit(document)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string after = document.serialize();
  if (after == *before) return TRUE;
  removeStaleCopies(*folder);
  bool ownerKept = true;
  if (replaceAtomically(*folder, *file, after, ownerKept)) return TRUE;
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

// No fewer than the lines Document::parse makes of `bytes`, counted on the
// bytes themselves: every LF and every CR not before an LF ends a line, and
// a last line may have no end. Exact for one-byte encodings.
size_t lineCountBound(std::string_view bytes) {
  size_t count = 0;
  for (size_t at = 0; at < bytes.size(); ++at) {
    const char byte = bytes[at];
    if (byte == '\n' || (byte == '\r' && (at + 1 == bytes.size() || bytes[at + 1] != '\n'))) ++count;
  }
  if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') ++count;
  return count;
}

}  // namespace

std::optional<Document> platform::ini::readIniFile(const char16_t* fileName, size_t maxBytes, size_t maxLines) {
  const auto path = iniFilePath(fileName);
  if (!path) return Document::parse({});
  const auto& calls = platform::fileSyscalls();
  const int fd = platform::retryAfterSignal([&] { return calls.open(path->c_str(), O_RDONLY | O_CLOEXEC, 0); });
  if (fd < 0) return Document::parse({});
  std::optional<std::string> bytes;
  if (maxBytes == SIZE_MAX) {
    bytes = readAll(fd);
  } else {
    // One byte more than the bound tells a file at the bound from a larger one.
    std::string buffer(maxBytes + 1, '\0');
    const ssize_t count = platform::readFully(fd, buffer.data(), buffer.size());
    if (count >= 0) {
      buffer.resize(static_cast<size_t>(count));
      bytes = std::move(buffer);
    }
  }
  calls.close(fd);
  if (bytes && bytes->size() > maxBytes) return std::nullopt;
  // Each line read takes memory of its own, whatever its length.
  if (bytes && maxLines != SIZE_MAX && lineCountBound(*bytes) > maxLines) return std::nullopt;
  return Document::parse(bytes ? *bytes : std::string());
}

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR fileName) {
  if (section == nullptr) return copyList(readDocument(fileName).sectionNames(), buffer, size);
  if (key == nullptr) {
    const Document document = readDocument(fileName);
    const auto range = document.findSection(section);
    return copyList(range ? document.keyNames(*range) : std::vector<std::u16string>(), buffer, size);
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
  return copyList(range ? document.sectionLines(*range) : std::vector<std::u16string>(), buffer, size);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
  if (section == nullptr && key == nullptr && value == nullptr) return TRUE;
  if (section == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (key == nullptr) {
    return editFile(
        fileName,
        [&](Document& document) {
          document.deleteSection(section);
          return true;
        },
        MissingFileKind::LeaveMissing);
  }
  if (value == nullptr) {
    return editFile(
        fileName,
        [&](Document& document) {
          document.deleteKey(section, key);
          return true;
        },
        MissingFileKind::LeaveMissing);
  }
  return editFile(fileName, [&](Document& document) {
    if (!document.isReadableSectionName(section) || !document.isReadableKeyName(key) ||
        !document.isStorableValue(value)) {
      return false;
    }
    document.setValue(section, key, value);
    return true;
  });
}

BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR fileName) {
  if (section == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (lines == nullptr) {
    return editFile(
        fileName,
        [&](Document& document) {
          document.deleteSection(section);
          return true;
        },
        MissingFileKind::LeaveMissing);
  }
  std::vector<std::u16string> list;
  for (LPCWSTR line = lines; *line != 0; line += platform::utf16Length(line) + 1) {
    list.emplace_back(line);
  }
  return editFile(fileName, [&](Document& document) {
    if (!document.isReadableSectionName(section)) return false;
    for (const auto& line : list) {
      if (!document.isStorableValue(line)) return false;
    }
    document.replaceSection(section, list);
    return true;
  });
}

std::vector<std::optional<std::u16string>> platform::readPrivateProfileValues(
    LPCWSTR section, std::initializer_list<std::u16string_view> keys, LPCWSTR fileName) {
  const Document document = readDocument(fileName);
  const auto range = section == nullptr ? std::nullopt : document.findSection(section);
  std::vector<std::optional<std::u16string>> values;
  values.reserve(keys.size());
  for (const std::u16string_view key : keys) {
    const auto line = range ? document.findKey(*range, key) : std::nullopt;
    values.push_back(line ? std::optional(document.valueOf(*line)) : std::nullopt);
  }
  return values;
}

platform::ConditionalWrite platform::writePrivateProfileValuesIf(LPCWSTR section,
                                                                 const std::vector<ProfileKeyValue>& expected,
                                                                 const std::vector<ProfileKeyValue>& changes,
                                                                 LPCWSTR fileName) {
  if (section == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ConditionalWrite::Failed;
  }
  bool onlyDeletions = true;
  for (const ProfileKeyValue& change : changes) onlyDeletions = onlyDeletions && !change.value;
  bool isOutdated = false;
  const BOOL written = editFile(
      fileName,
      [&](Document& document) {
        const auto range = document.findSection(section);
        for (const ProfileKeyValue& expectation : expected) {
          const auto line = range ? document.findKey(*range, expectation.key) : std::nullopt;
          const bool holds =
              line ? expectation.value && document.valueOf(*line) == *expectation.value : !expectation.value;
          if (!holds) {
            isOutdated = true;
            return false;
          }
        }
        for (const ProfileKeyValue& change : changes) {
          if (!change.value) continue;
          if (!document.isReadableSectionName(section) || !document.isReadableKeyName(change.key) ||
              !document.isStorableValue(*change.value)) {
            return false;
          }
        }
        for (const ProfileKeyValue& change : changes) {
          if (change.value) {
            document.setValue(section, change.key, *change.value);
          } else {
            document.deleteKey(section, change.key);
          }
        }
        return true;
      },
      onlyDeletions ? MissingFileKind::LeaveMissing : MissingFileKind::Create);
  if (written) return ConditionalWrite::Written;
  return isOutdated ? ConditionalWrite::Outdated : ConditionalWrite::Failed;
}
