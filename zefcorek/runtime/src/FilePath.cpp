// TFilePath: a path value kept both whole and split into its parts.
#include "zefcorek/FilePath.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/KnownFolders.h"
#include "platform/Paths.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

using View = std::u16string_view;

bool isSeparator(WCHAR unit) { return unit == u'\\' || unit == u'/'; }

// Copies at most capacity - 1 units of `text` and terminates.
template <size_t N>
void store(WCHAR (&field)[N], View text) {
  const size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.begin(), length, field);
  std::fill(field + length, field + N, WCHAR{0});
}

View viewOf(const WCHAR* text) { return text ? View(text) : View(); }

// The parts of a path by the splitting rules described in the header.
struct Parts {
  View drive, dir, name, ext;
};

Parts splitPath(View path) {
  Parts parts;
  if (path.size() >= 2 && path[1] == u':') {
    parts.drive = path.substr(0, 2);
    path.remove_prefix(2);
  }
  const size_t lastSeparator = path.find_last_of(u"\\/");
  if (lastSeparator != View::npos) {
    parts.dir = path.substr(0, lastSeparator + 1);
    path.remove_prefix(lastSeparator + 1);
  }
  const size_t dot = path.find_last_of(u'.');
  parts.name = dot == View::npos ? path : path.substr(0, dot);
  parts.ext = dot == View::npos ? View() : path.substr(dot);
  return parts;
}

std::u16string mergePath(View drive, View dir, View name, View ext) {
  std::u16string path(drive);
  if (!drive.empty() && drive.back() != u':') path += u':';
  path += dir;
  if (!dir.empty() && !isSeparator(dir.back())) path += u'\\';
  path += name;
  if (!ext.empty() && ext.front() != u'.') path += u'.';
  path += ext;
  return path;
}

// Turns slashes into backslashes; true when any was turned.
bool toBackslashes(std::u16string& text) {
  bool turned = false;
  for (auto& unit : text) {
    if (unit != u'/') continue;
    unit = u'\\';
    turned = true;
  }
  return turned;
}

bool hasCharacterOf(View text, View forbidden) { return text.find_first_of(forbidden) != View::npos; }

}  // namespace

TFilePath::TFilePath() { Clear(); }

TFilePath::TFilePath(const WCHAR* text, PathType type) {
  Clear();
  SetPath(text, type);
}

TFilePath::TFilePath(const char* text, PathType type) {
  Clear();
  const std::u16string wide = platform::ansiToWideLenient(text ? text : "");
  SetPath(wide.c_str(), type);
}

void TFilePath::Clear() {
  type_ = PathType::Unspecified;
  store(path_, View());
  store(drive_, View());
  store(dir_, View());
  store(name_, View());
  store(ext_, View());
}

int TFilePath::GetDriveLen() const { return static_cast<int>(View(drive_).size()); }
int TFilePath::GetDirLen() const { return static_cast<int>(View(dir_).size()); }
int TFilePath::GetNameLen() const { return static_cast<int>(View(name_).size()); }
int TFilePath::GetExtLen() const { return static_cast<int>(View(ext_).size()); }

void TFilePath::setPathText(View text) {
  std::u16string path(text.substr(0, kPathCapacity - 1));
  toBackslashes(path);
  store(path_, path);
}

void TFilePath::split() {
  const Parts parts = splitPath(path_);
  // Copies first: the parts are views into path_.
  const std::u16string drive(parts.drive), dir(parts.dir), name(parts.name), ext(parts.ext);
  store(drive_, drive);
  store(dir_, dir);
  store(name_, name);
  store(ext_, ext);
  if (type_ != PathType::Folder || (name.empty() && ext.empty())) return;
  // A folder path: its last component belongs to the folder part.
  const View path(path_);
  if (path.size() + 1 > kPathCapacity - 1) return;
  setPathText(std::u16string(path) + u'\\');
  split();
}

// A merge longer than the path field is cut there; the parts are then split
// again from the cut path, so that they never describe more than it holds.
void TFilePath::merge() {
  std::u16string path = mergePath(drive_, dir_, name_, ext_);
  const bool turned = toBackslashes(path);
  const bool cut = path.size() > static_cast<size_t>(kPathCapacity) - 1;
  store(path_, View(path).substr(0, kPathCapacity - 1));
  if (turned || cut) split();
}

void TFilePath::SetPath(const WCHAR* text, PathType type) {
  const PathType keptType = type == PathType::Unspecified ? type_ : type;
  Clear();
  type_ = keptType;
  if (viewOf(text).empty()) return;
  setPathText(text);
  split();
}

void TFilePath::AppendPath(const WCHAR* text, PathType type) {
  if (!text) return;
  const View addition(text);
  if (View(path_).size() + addition.size() + 1 > static_cast<size_t>(kPathCapacity)) return;
  const PathType remembered = type_;
  if (type_ != PathType::Folder) {
    type_ = PathType::Folder;
    split();  // a file path gains its trailing backslash
  }
  setPathText(std::u16string(path_) + std::u16string(addition));
  type_ = type == PathType::Unspecified ? remembered : type;
  split();
}

void TFilePath::SetDrive(const WCHAR* text) {
  store(drive_, viewOf(text));
  merge();
}

void TFilePath::SetDir(const WCHAR* text) {
  store(dir_, viewOf(text));
  merge();
}

void TFilePath::SetName(const WCHAR* text) {
  store(name_, viewOf(text));
  merge();
}

void TFilePath::SetExt(const WCHAR* text) {
  store(ext_, viewOf(text));
  merge();
}

void TFilePath::SetPathType(PathType type) {
  type_ = type;
  split();
  if (type != PathType::File) return;
  const View path(path_);
  // A root ("\" or "C:\") keeps its backslash: without it, it is no path.
  const bool isRoot = path.size() == 1 || (path.size() == 3 && path[1] == u':');
  if (path.empty() || path.back() != u'\\' || isRoot) return;
  setPathText(path.substr(0, path.size() - 1));
  split();
}

void TFilePath::SetExtPrefix(const WCHAR* prefix) {
  View wanted = viewOf(prefix);
  if (!wanted.empty() && wanted.front() == u'.') wanted.remove_prefix(1);
  if (wanted.empty()) return;
  View ext(ext_);
  if (ext.empty()) {
    store(ext_, wanted);
    merge();
    return;
  }
  if (ext.front() == u'.') ext.remove_prefix(1);
  if (ext.size() >= wanted.size() && platform::equalNamesIgnoringCase(ext.substr(0, wanted.size()), wanted)) return;
  const std::u16string prefixed = u"." + std::u16string(wanted) + std::u16string(ext);
  store(ext_, prefixed);
  merge();
}

CLWideStr TFilePath::ExtractPathNoFileNameStr() const {
  return CLWideStr(std::u16string(drive_) + std::u16string(dir_));
}

CLWideStr TFilePath::ExtractFileNameStr() const { return CLWideStr(std::u16string(name_) + std::u16string(ext_)); }

TFilePath TFilePath::ExtractPathNoFileName() const {
  return TFilePath((std::u16string(drive_) + std::u16string(dir_)).c_str());
}

TFilePath TFilePath::ExtractFileName() const {
  return TFilePath((std::u16string(name_) + std::u16string(ext_)).c_str());
}

bool TFilePath::FileExists() const {
  const DWORD attributes = GetFileAttributesW(path_);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TFilePath::FolderExists() const {
  const DWORD attributes = GetFileAttributesW(path_);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An answer that the folder was already there is checked: when a file holds
// the name, there is no folder, and success would be a lie.
bool TFilePath::CreateFolder() const {
  if (IsEmpty() || hasCharacterOf(path_, u"*?<>|\"\t\n")) return false;
  const int answer = SHCreateDirectoryExW(nullptr, path_, nullptr);
  if (answer == static_cast<int>(ERROR_SUCCESS)) return true;
  const bool existed =
      answer == static_cast<int>(ERROR_ALREADY_EXISTS) || answer == static_cast<int>(ERROR_FILE_EXISTS);
  return existed && FolderExists();
}

bool IsValidFileName(const WCHAR* name) {
  const View text = viewOf(name);
  return !text.empty() && !hasCharacterOf(text, u"\\/:*?<>|\"\t\n");
}
