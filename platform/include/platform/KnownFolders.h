// Known folders, the temporary folder and the shell's path helpers.
//
// One environment variable, ZEF_PLATFORM_ROOT, relocates every known folder
// below it (tests set it to a fresh folder):
//
//   folder                    relocated                 otherwise
//   CSIDL_COMMON_APPDATA      <root>/CommonAppData      /var/lib
//   CSIDL_APPDATA             <root>/AppData            $XDG_CONFIG_HOME, else ~/.config
//   CSIDL_PERSONAL            <root>/Documents          $XDG_DOCUMENTS_DIR, else ~/Documents
//   CSIDL_WINDOWS             <root>/Windows            /etc
//   temporary files           <root>/Temp               $TMPDIR (else /tmp)/zef-<uid>
//
// Known folders are created when missing (they always exist on the system
// the callers were written for). The temporary folder is private: mode 0700,
// owned by the caller; one that exists with another owner or wider rights,
// or that is a link, is refused rather than used, so no other user can plant
// or watch files in it.
#pragma once

#include "platform/Export.h"
#include "platform/Files.h"
#include "platform/WinTypes.h"

#include <optional>
#include <string>

inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_WINDOWS = 0x0024;
inline constexpr int CSIDL_COMMON_APPDATA = 0x0023;
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;
inline constexpr int CSIDL_FLAG_MASK = 0xFF00;
inline constexpr DWORD SHGFP_TYPE_CURRENT = 0;

// Fills `path` (at least MAX_PATH characters) with the folder, in Windows
// form without a trailing backslash. E_INVALIDARG for an unknown folder or a
// null buffer; E_FAIL when the folder cannot be created or its path does not
// fit.
ZEF_EXPORT HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);
ZEF_EXPORT HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);

// The private temporary folder with a trailing backslash. Answers its length
// without the terminator; when the buffer is too small, the size needed with
// the terminator; 0 on failure (the last error says why).
ZEF_EXPORT DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);
ZEF_EXPORT DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);

// Appends `more` to `path` (a MAX_PATH buffer) with one backslash between
// them, then removes "." components and resolves ".." ones. FALSE, with the
// path unchanged, when the result would not fit.
ZEF_EXPORT BOOL PathAppendW(LPWSTR path, LPCWSTR more);
ZEF_EXPORT BOOL PathAppendA(LPSTR path, LPCSTR more);

// Creates a folder and every missing folder above it. ERROR_SUCCESS when
// created, ERROR_ALREADY_EXISTS when the folder was there, ERROR_FILE_EXISTS
// when something else has the name, ERROR_BAD_PATHNAME for an empty path,
// else the error of the failing step.
ZEF_EXPORT int SHCreateDirectoryExW(HWND owner, LPCWSTR path, const SECURITY_ATTRIBUTES* security);
ZEF_EXPORT int SHCreateDirectoryExA(HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* security);

namespace platform {
// The Linux folder of a known folder (created when missing), or nullopt.
ZEF_EXPORT std::optional<std::string> knownFolderPath(int folder);
// The Linux path of the private temporary folder (created and checked).
ZEF_EXPORT std::optional<std::string> privateTempFolder();
// The per-user runtime folder (mode 0700, created and checked): the lock
// files of named mutexes and the window directory live there. It is
// <root>/Run when the platform root is relocated, else "vendrako" in
// $XDG_RUNTIME_DIR, else the private temporary folder.
ZEF_EXPORT std::optional<std::string> runtimeFolder();
}  // namespace platform
