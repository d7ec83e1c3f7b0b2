// Backup names, numbered backups and temporary files.
#include "zefcorek/FilePath.h"

#include "platform/Files.h"
#include "platform/KnownFolders.h"
#include "platform/MessageBox.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using View = std::u16string_view;

bool existsByFind(const std::u16string& path) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

// `path` with its extension replaced by stem and number ("%s%d").
std::u16string numberedBackup(const WCHAR* path, View stem, int number) {
  TFilePath backup(path);
  std::u16string ext(stem);
  for (const char digit : std::to_string(number)) ext += static_cast<WCHAR>(digit);
  backup.SetExt(ext.c_str());
  return backup.GetPath();
}

// folder + backslash (unless it ends with one) + prefix + number + extension.
std::u16string tempName(View folder, const WCHAR* prefix, const WCHAR* extension, unsigned number) {
  std::u16string name(folder);
  if (name.empty() || name.back() != u'\\') name += u'\\';
  if (prefix) name += prefix;
  for (const char digit : std::to_string(number)) name += static_cast<WCHAR>(digit);
  if (!extension) return name + u".tmp";
  if (extension[0] != u'.') name += u'.';
  return name + extension;
}

bool storeName(const std::u16string& name, WCHAR* out) {
  if (name.size() >= MAX_PATH) return false;
  std::copy(name.begin(), name.end(), out);
  out[name.size()] = 0;
  return true;
}

// Enough tries to find a free number among 32,768 even when most are taken.
constexpr int kMaxTempAttempts = 1 << 17;

}  // namespace

bool MakeBackupName(const WCHAR* path, CLWideStr& out) {
  TFilePath backup(path);
  backup.SetExtPrefix(u"~");
  out.AssignSz(backup.GetPath());
  return true;
}

bool MakeBackupCopy(const WCHAR* path) {
  CLWideStr backup;
  MakeBackupName(path, backup);
  return CopyFileW(path, backup.c_str(), /*failIfExists=*/FALSE);
}

void MakeBackupCopies(const WCHAR* path, const WCHAR* stem, int count) {
  if (!path || !existsByFind(path)) return;
  const View stemText = stem ? View(stem) : View();
  if (count < 1) count = 1;
  for (int i = count; i >= 1; --i) {
    const std::u16string older = numberedBackup(path, stemText, i);
    const std::u16string oldest = numberedBackup(path, stemText, i + 1);
    if (i == count && existsByFind(oldest)) DeleteFileW(oldest.c_str());
    if (existsByFind(older)) MoveFileW(older.c_str(), oldest.c_str());
  }
  const std::u16string newest = numberedBackup(path, stemText, 1);
  if (existsByFind(newest)) DeleteFileW(newest.c_str());
  MoveFileW(path, newest.c_str());
}

// The name is claimed by creating the file exclusively in the caller's
// private temporary folder: a name merely found free could be taken, or
// planted, by someone else before the caller opens it. Without that folder
// no file is made at all: the root of the file system is no place for one.
bool CreateTempFile(const WCHAR* prefix, const WCHAR* extension, WCHAR* out) {
  if (!out) return false;
  WCHAR folder[MAX_PATH] = {};
  const DWORD length = GetTempPathW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) {
    MessageBoxW(nullptr, u"GetTempPath() API failed!", nullptr, MB_OK);
    return false;
  }
  for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
    const std::u16string name = tempName(folder, prefix, extension, static_cast<unsigned>(std::rand() % 32768));
    HANDLE file =
        CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    CloseHandle(file);
    if (storeName(name, out)) return true;
    DeleteFileW(name.c_str());
    return false;
  }
  return false;
}

bool CreateTempFileInFolder(const WCHAR* folder, const WCHAR* prefix, const WCHAR* extension, WCHAR* out) {
  if (!folder || !folder[0]) return CreateTempFile(prefix, extension, out);
  if (!out) return false;
  for (unsigned counter = 1; counter < static_cast<unsigned>(kMaxTempAttempts); ++counter) {
    const std::u16string name = tempName(folder, prefix, extension, counter);
    if (!existsByFind(name)) return storeName(name, out);
  }
  return false;
}
