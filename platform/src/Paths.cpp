// Windows-form paths to Linux paths and back.
#include "platform/Paths.h"

#include "platform/CodePage.h"
#include "platform/FileSyscalls.h"
#include "platform/Utf16.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool exists(const std::string& path) {
  struct stat info {};
  return platform::fileSyscalls().lstat(path.c_str(), &info) == 0;
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Whether `candidate` names the same file as `wanted` ignoring case. Two
// ASCII names are compared as they stand, since case folding maps ASCII to
// ASCII unit for unit; a folder holds many entries, and this keeps the
// common ones from being converted.
bool sameNameIgnoringCase(std::string_view candidate, std::string_view wantedText, bool wantedIsAscii,
                          const std::u16string& wanted) {
  if (wantedIsAscii && isAscii(candidate)) {
    return candidate.size() == wantedText.size() &&
           std::equal(candidate.begin(), candidate.end(), wantedText.begin(),
                      [](char a, char b) { return foldAscii(a) == foldAscii(b); });
  }
  const auto wide = platform::ansiToWide(candidate);
  return wide && platform::equalNamesIgnoringCase(*wide, wanted);
}

// The entry of `folder` whose name matches `name` ignoring case, if any.
std::optional<std::string> findIgnoringCase(const std::string& folder, const std::string& name) {
  const auto wanted = platform::ansiToWide(name);
  if (!wanted) return std::nullopt;
  const bool wantedIsAscii = isAscii(name);
  std::optional<std::string> best;
  for (const std::string& candidate : platform::folderEntryNames(folder.empty() ? "." : folder)) {
    if (!sameNameIgnoringCase(candidate, name, wantedIsAscii, *wanted)) continue;
    if (!best || candidate < *best) best = candidate;
  }
  return best;
}

// Walks the components of a Linux path and replaces each one that does not
// exist by a case-insensitive match, as long as the folder above exists.
std::string resolveCase(const std::string& path) {
  std::string resolved;
  size_t pos = 0;
  if (!path.empty() && path[0] == '/') {
    resolved.push_back('/');
    pos = 1;
  }
  bool folderExists = true;
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    const std::string folder = resolved;
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    const bool special = component == "." || component == "..";
    if (folderExists && !special && !exists(resolved + component)) {
      if (auto match = findIgnoringCase(folder, component)) component = *match;
    }
    resolved += component;
    folderExists = folderExists && exists(resolved);
  }
  // Keep a trailing separator: it says the caller means a folder.
  if (!path.empty() && path.back() == '/' && resolved.back() != '/') resolved += '/';
  return resolved;
}

bool isDriveLetter(char16_t unit) { return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z'); }

}  // namespace

std::string platform::platformRoot() {
  if (isPlatformRootRelocated()) return withoutTrailingSlashes(environmentValue("ZEF_PLATFORM_ROOT"));
  const std::string dataHome = environmentValue("XDG_DATA_HOME");
  if (!dataHome.empty()) return withoutTrailingSlashes(dataHome) + "/zef";
  return withoutTrailingSlashes(environmentValue("HOME")) + "/.local/share/zef";
}

bool platform::isPlatformRootRelocated() { return !environmentValue("ZEF_PLATFORM_ROOT").empty(); }

std::optional<std::string> platform::driveFolder(char16_t letter) {
  if (!isDriveLetter(letter)) return std::nullopt;
  const std::string drives = platformRoot() + "/drives";
  const char lower = static_cast<char>(platform::foldCaseUnit(letter));
  for (const char name : {lower, static_cast<char>(lower - 0x20)}) {
    std::string folder = drives + "/" + name;
    struct stat info {};
    if (fileSyscalls().stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return folder;
  }
  return std::nullopt;
}

std::optional<std::string> platform::nativePath(std::u16string_view windowsPath) {
  if (windowsPath.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  std::string prefix;
  if (windowsPath.size() >= 2 && windowsPath[1] == u':' && isDriveLetter(windowsPath[0])) {
    auto folder = driveFolder(windowsPath[0]);
    if (!folder) return std::nullopt;
    prefix = *folder + "/";
    windowsPath.remove_prefix(2);
  }
  auto text = wideToAnsi(windowsPath);
  if (!text) return std::nullopt;
  for (char& c : *text) {
    if (c == '\\') c = '/';
  }
  if (!prefix.empty()) {
    const size_t firstKept = text->find_first_not_of('/');
    text->erase(0, firstKept == std::string::npos ? text->size() : firstKept);
  }
  return resolveCase(prefix + *text);
}

std::u16string platform::windowsPath(std::string_view nativePath) {
  std::u16string drive;
  std::string_view rest = nativePath;
  const std::string drives = platformRoot() + "/drives/";
  if (nativePath.substr(0, drives.size()) == drives && nativePath.size() > drives.size()) {
    const char letter = nativePath[drives.size()];
    const bool endsHere = nativePath.size() == drives.size() + 1 || nativePath[drives.size() + 1] == '/';
    if (endsHere && isDriveLetter(static_cast<char16_t>(letter))) {
      drive = {static_cast<char16_t>(platform::foldCaseUnit(static_cast<char16_t>(letter)) - 0x20), u':'};
      rest = nativePath.substr(drives.size() + 1);
      if (rest.empty()) rest = "/";
    }
  }
  std::u16string out = drive + ansiToWideLenient(rest);
  for (char16_t& unit : out) {
    if (unit == u'/') unit = u'\\';
  }
  return out;
}

bool platform::equalNamesIgnoringCase(std::u16string_view a, std::u16string_view b) { return equalsIgnoreCase(a, b); }

bool platform::isProgramName(std::u16string_view name) {
  return name.size() >= 4 && equalsIgnoreCase(name.substr(name.size() - 4), u".exe");
}
