// Known folders, the private temporary folder, PathAppend and folder trees.
#include "platform/KnownFolders.h"

#include "FileObject.h"
#include "platform/CodePage.h"
#include "platform/FileSyscalls.h"
#include "platform/LastError.h"
#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string homeFolder() { return environmentValue("HOME"); }

// Creates `path` and the folders above it; 0 or the errno of the failing step.
int makeFolders(const std::string& path, mode_t mode) {
  struct stat info {};
  if (platform::fileSyscalls().stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    const int above = makeFolders(path.substr(0, slash), mode);
    if (above != 0) return above;
  }
  if (platform::fileSyscalls().mkdir(path.c_str(), mode) == 0 || errno == EEXIST) return 0;
  return errno;
}

std::optional<std::string> folderFor(int folder) {
  const bool relocated = platform::isPlatformRootRelocated();
  const std::string root = platform::platformRoot();
  switch (folder) {
    case CSIDL_COMMON_APPDATA: return relocated ? root + "/CommonAppData" : "/var/lib";
    case CSIDL_WINDOWS: return relocated ? root + "/Windows" : "/etc";
    case CSIDL_APPDATA: {
      if (relocated) return root + "/AppData";
      const std::string config = environmentValue("XDG_CONFIG_HOME");
      return config.empty() ? homeFolder() + "/.config" : config;
    }
    case CSIDL_PERSONAL: {
      if (relocated) return root + "/Documents";
      const std::string documents = environmentValue("XDG_DOCUMENTS_DIR");
      return documents.empty() ? homeFolder() + "/Documents" : documents;
    }
    default: return std::nullopt;
  }
}

// Copies `text` with its terminator into a caller's buffer of `capacity`
// units; false when it does not fit.
template <typename Char>
bool copyOut(std::basic_string_view<Char> text, Char* buffer, size_t capacity) {
  if (text.size() + 1 > capacity) return false;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = Char(0);
  return true;
}

template <typename Char>
size_t lengthOf(const Char* text) {
  return std::basic_string_view<Char>(text).size();
}

// Removes "." components and resolves ".." ones, keeping a drive or root
// prefix; ".." never climbs above the root.
template <typename Char>
std::basic_string<Char> canonicalized(std::basic_string_view<Char> path) {
  using String = std::basic_string<Char>;
  constexpr Char kSeparator = Char('\\');
  String prefix;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == Char(':')) {
    prefix = String(path.substr(0, 2));
    pos = 2;
  }
  while (pos < path.size() && path[pos] == kSeparator) {
    prefix += kSeparator;
    ++pos;
  }
  std::vector<String> parts;
  while (pos <= path.size()) {
    size_t end = path.find(kSeparator, pos);
    if (end == std::basic_string_view<Char>::npos) end = path.size();
    String part(path.substr(pos, end - pos));
    pos = end + 1;
    const bool isDot = part.size() == 1 && part[0] == Char('.');
    const bool isDotDot = part.size() == 2 && part[0] == Char('.') && part[1] == Char('.');
    if (part.empty() || isDot) continue;
    if (isDotDot) {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  String out = prefix;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += kSeparator;
    out += parts[i];
  }
  if (!path.empty() && path.back() == kSeparator && !parts.empty()) out += kSeparator;
  return out;
}

template <typename Char>
BOOL pathAppend(Char* path, const Char* more) {
  if (!path || !more) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::basic_string<Char> joined(path);
  std::basic_string_view<Char> tail(more);
  while (!tail.empty() && tail.front() == Char('\\')) tail.remove_prefix(1);
  if (!joined.empty() && joined.back() != Char('\\') && !tail.empty()) joined += Char('\\');
  joined += tail;
  const auto result = canonicalized<Char>(joined);
  if (!copyOut<Char>(result, path, MAX_PATH)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  return TRUE;
}

// Checks that the temporary folder is ours alone: a real folder, owned by
// the caller, with no rights for group or others.
bool isPrivateFolder(const std::string& path) {
  struct stat info {};
  if (platform::fileSyscalls().lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

// The folder used in place of the usual private temporary folder when that
// one is not ours (another user created it first, or put a link there): a
// fresh private folder beside it, made once and kept for the process.
std::optional<std::string> fallbackTempFolder(const std::string& usual) {
  static std::mutex mutex;
  static std::string recordedFor;  // the usual folder the fallback stands in for
  static std::string recorded;     // the fallback made for it
  std::lock_guard lock(mutex);
  if (recordedFor == usual && isPrivateFolder(recorded)) return recorded;
  std::string pattern = usual + "-XXXXXX";
  if (platform::fileSyscalls().mkdtemp(pattern.data()) == nullptr) {
    platform::failFromErrno();
    return std::nullopt;
  }
  recordedFor = usual;
  recorded = pattern;
  return recorded;
}

std::string narrowToWindowsForm(const std::u16string& wide) { return platform::wideToAnsiLenient(wide); }

}  // namespace

std::optional<std::string> platform::knownFolderPath(int folder) {
  auto path = folderFor(folder & ~CSIDL_FLAG_MASK);
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  const int error = makeFolders(*path, 0755);
  if (error != 0) {
    errno = error;
    failFromErrno();
    return std::nullopt;
  }
  return path;
}

std::optional<std::string> platform::privateTempFolder() {
  std::string path;
  if (isPlatformRootRelocated()) {
    path = platformRoot() + "/Temp";
    const int error = makeFolders(platformRoot(), 0755);
    if (error != 0) {
      errno = error;
      failFromErrno();
      return std::nullopt;
    }
  } else {
    std::string base = environmentValue("TMPDIR");
    if (base.empty()) base = "/tmp";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    path = base + "/zef-" + std::to_string(geteuid());
  }
  if (fileSyscalls().mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    failFromErrno();
    return std::nullopt;
  }
  // A folder that is not private to us is never used; a fresh one is.
  if (!isPrivateFolder(path)) return fallbackTempFolder(path);
  return path;
}

std::optional<std::string> platform::runtimeFolder() {
  std::string path;
  if (isPlatformRootRelocated()) {
    const int error = makeFolders(platformRoot(), 0755);
    if (error != 0) {
      errno = error;
      failFromErrno();
      return std::nullopt;
    }
    path = platformRoot() + "/Run";
  } else {
    const std::string runtime = environmentValue("XDG_RUNTIME_DIR");
    if (runtime.empty()) return privateTempFolder();
    path = runtime + "/vendrako";
  }
  if (fileSyscalls().mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    failFromErrno();
    return std::nullopt;
  }
  if (!isPrivateFolder(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return std::nullopt;
  }
  return path;
}

HRESULT SHGetFolderPathW(HWND /*owner*/, int folder, HANDLE /*token*/, DWORD /*flags*/, LPWSTR path) {
  if (!path) return E_INVALIDARG;
  path[0] = 0;
  if (!folderFor(folder & ~CSIDL_FLAG_MASK)) return E_INVALIDARG;
  const auto native = platform::knownFolderPath(folder);
  if (!native) return E_FAIL;
  const std::u16string windows = platform::windowsPath(*native);
  return copyOut<char16_t>(windows, path, MAX_PATH) ? S_OK : E_FAIL;
}

HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path) {
  if (!path) return E_INVALIDARG;
  WCHAR wide[MAX_PATH];
  const HRESULT result = SHGetFolderPathW(owner, folder, token, flags, wide);
  path[0] = 0;
  if (FAILED(result)) return result;
  return copyOut<char>(narrowToWindowsForm(wide), path, MAX_PATH) ? S_OK : E_FAIL;
}

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
  const auto native = platform::privateTempFolder();
  if (!native) return 0;
  const std::u16string windows = platform::windowsPath(*native) + u"\\";
  if (!buffer || windows.size() + 1 > bufferLength) return static_cast<DWORD>(windows.size() + 1);
  copyOut<char16_t>(windows, buffer, bufferLength);
  return static_cast<DWORD>(windows.size());
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  const auto native = platform::privateTempFolder();
  if (!native) return 0;
  const std::string windows = narrowToWindowsForm(platform::windowsPath(*native) + u"\\");
  if (!buffer || windows.size() + 1 > bufferLength) return static_cast<DWORD>(windows.size() + 1);
  copyOut<char>(windows, buffer, bufferLength);
  return static_cast<DWORD>(windows.size());
}

BOOL PathAppendW(LPWSTR path, LPCWSTR more) { return pathAppend<char16_t>(path, more); }

BOOL PathAppendA(LPSTR path, LPCSTR more) { return pathAppend<char>(path, more); }

int SHCreateDirectoryExW(HWND /*owner*/, LPCWSTR path, const SECURITY_ATTRIBUTES* /*security*/) {
  if (!path || !*path) {
    SetLastError(ERROR_BAD_PATHNAME);
    return static_cast<int>(ERROR_BAD_PATHNAME);
  }
  const auto native = platform::mappedPath(path);
  if (!native) return static_cast<int>(GetLastError());
  struct stat info {};
  if (platform::fileSyscalls().stat(native->c_str(), &info) == 0) {
    const DWORD answer = S_ISDIR(info.st_mode) ? ERROR_ALREADY_EXISTS : ERROR_FILE_EXISTS;
    SetLastError(answer);
    return static_cast<int>(answer);
  }
  std::string folder = *native;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const int error = makeFolders(folder, 0777);
  if (error != 0) {
    errno = error;
    platform::failFromErrno();
    return static_cast<int>(GetLastError());
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<int>(ERROR_SUCCESS);
}

int SHCreateDirectoryExA(HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* security) {
  if (!path) return SHCreateDirectoryExW(owner, nullptr, security);
  const auto wide = platform::ansiToWide(path);
  if (!wide) {
    SetLastError(ERROR_INVALID_NAME);
    return static_cast<int>(ERROR_INVALID_NAME);
  }
  return SHCreateDirectoryExW(owner, wide->c_str(), security);
}
