// File-name utilities: checking a bare file name, the path value TFilePath,
// numbered backups and temporary file names.
#pragma once

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// A path split into drive, folder, name and extension, with a type that
// says whether it names a file or a folder. A plain value: copy it freely.
//
// After every change the parts are the split of the path and the path is the
// merge of the parts:
//   split  drive = a leading letter and colon; dir = what follows up to and
//          including the last separator; ext = from the last dot of the rest,
//          dot included; name = the rest between;
//   merge  drive, dir (a backslash added when it lacks a final one), name,
//          and ext (a dot added in front when it lacks one).
// Forward slashes are turned into backslashes. A non-empty path of type
// Folder ends with a backslash after SetPath, AppendPath and SetPathType,
// so its name and ext are empty. Texts that do not fit are cut: 259
// characters for the path, 255 for a part, 2 for the drive.
class ZEF_EXPORT TFilePath {
public:
  enum class PathType : int32_t { Unspecified = 0, File = 1, Folder = 2 };

  static constexpr int kPathCapacity = 260;
  static constexpr int kDriveCapacity = 3;
  static constexpr int kPartCapacity = 256;

  TFilePath();
  TFilePath(const WCHAR* text, PathType type = PathType::Unspecified);
  // `text` in the process code page (UTF-8); null reads as empty.
  TFilePath(const char* text, PathType type = PathType::Unspecified);

  void Clear();
  // Replaces the path; the type stays unless `type` is not Unspecified. A
  // null or empty text leaves an empty path.
  void SetPath(const WCHAR* text, PathType type = PathType::Unspecified);
  // Appends `text` as a component (a file path first becomes its folder).
  // Nothing changes when the result would be longer than 260 characters.
  // The type becomes `type` when given, else stays.
  void AppendPath(const WCHAR* text, PathType type = PathType::Unspecified);

  const WCHAR* GetPath() const { return path_; }
  const WCHAR* c_str() const { return path_; }
  operator const WCHAR*() const { return path_; }
  const WCHAR* GetDrive() const { return drive_; }
  const WCHAR* GetDir() const { return dir_; }
  const WCHAR* GetName() const { return name_; }
  const WCHAR* GetExt() const { return ext_; }
  int GetDriveLen() const;
  int GetDirLen() const;
  int GetNameLen() const;
  int GetExtLen() const;

  void SetDrive(const WCHAR* text);
  void SetDir(const WCHAR* text);
  void SetName(const WCHAR* text);
  void SetExt(const WCHAR* text);

  PathType GetPathType() const { return type_; }
  // Stores the type and splits again; File drops a trailing backslash.
  void SetPathType(PathType type);
  // Puts `prefix` in front of the extension (plan.dxf -> plan.~dxf with
  // "~"); nothing when the extension already starts with it, ignoring case.
  void SetExtPrefix(const WCHAR* prefix);

  CLWideStr ExtractPathNoFileNameStr() const;  // drive + dir
  CLWideStr ExtractFileNameStr() const;        // name + ext
  TFilePath ExtractPathNoFileName() const;     // drive + dir, type Unspecified
  TFilePath ExtractFileName() const;           // name + ext, type Unspecified

  bool IsEmpty() const { return path_[0] == 0; }
  // Whether a file (not a folder) or a folder exists at the path; links are
  // followed.
  bool FileExists() const;
  bool FolderExists() const;
  // Creates the folder and every missing folder above it. False for an
  // empty path, a path with a wildcard or another character no name may hold,
  // or when the folder does not exist afterwards.
  bool CreateFolder() const;

private:
  void split();
  void merge();
  void setPathText(std::u16string_view text);

  WCHAR path_[kPathCapacity];    // the whole path, backslash separators
  PathType type_;                // Unspecified, File or Folder
  WCHAR drive_[kDriveCapacity];  // "C:" or empty
  WCHAR dir_[kPartCapacity];     // folder part with its leading and trailing backslash
  WCHAR name_[kPartCapacity];    // file name without extension
  WCHAR ext_[kPartCapacity];     // extension with its dot
};

// True for a non-empty bare file name without \ / : * ? < > | " tab or LF.
ZEF_EXTERN_C bool IsValidFileName(const WCHAR* name);

// out = `path` with "~" in front of its extension (plan.dxf -> plan.~dxf,
// plan -> plan.~); true.
ZEF_EXTERN_C bool MakeBackupName(const WCHAR* path, CLWideStr& out);
// Copies the file to its backup name (overwriting); true when copied.
ZEF_EXTERN_C bool MakeBackupCopy(const WCHAR* path);
// Rotates numbered backups: with stem "bak", plan.dxf becomes plan.bak1,
// plan.bak1 becomes plan.bak2 and so on up to count + 1, the oldest beyond
// it deleted. The file itself no longer exists under its name afterwards.
// Failures are not reported; nothing happens when the file does not exist.
ZEF_EXTERN_C void MakeBackupCopies(const WCHAR* path, const WCHAR* stem, int count);

// Makes a new empty file in the private temporary folder named prefix,
// a number from 0 to 32767 and the extension (".tmp" when null), created
// exclusively so no other process can have it, and stores its name in `out`
// (at least 260 characters). False when no file could be made; when the
// temporary folder itself cannot be had, a message box says so first.
ZEF_EXTERN_C bool CreateTempFile(const WCHAR* prefix, const WCHAR* extension, WCHAR* out);
// A name not yet taken in `folder`: prefix, a counter from 1 and the
// extension; the file is not created. A null or empty folder does what
// CreateTempFile does.
ZEF_EXTERN_C bool CreateTempFileInFolder(const WCHAR* folder, const WCHAR* prefix, const WCHAR* extension, WCHAR* out);
