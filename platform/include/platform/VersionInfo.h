// Version information of program and library files.
//
// Our binaries carry their version in an ELF note (see platform/VersionNote.h)
// that these calls find by reading the file's section table; nothing is
// loaded or run. A file without the note (a text file, a foreign binary)
// answers as a file without version information does on the system the
// callers were written for: size 0 and ERROR_RESOURCE_TYPE_NOT_FOUND.
//
// The block GetFileVersionInfoW writes, little-endian:
//
//   offset  size  meaning
//        0     2  total size of the block (92)
//        2     2  size of the fixed information (52)
//        4     2  type, 0 (binary)
//        6    32  key u"VS_VERSION_INFO" with its terminator
//       38     2  padding to a 4-byte boundary
//       40    52  VS_FIXEDFILEINFO
//
// VerQueryValueW answers the root block "\" with the fixed information; no
// other block exists.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;  // major << 16 | minor
  DWORD dwFileVersionLS;  // release << 16 | build
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BDu;
inline constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000u;
inline constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003Fu;
inline constexpr DWORD VS_FF_DEBUG = 0x1;
inline constexpr DWORD VS_FF_PRERELEASE = 0x2;
inline constexpr DWORD VFT_APP = 0x1;
inline constexpr DWORD VFT_DLL = 0x2;
inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// Size of the version block of a file, 0 when it has none or cannot be read.
// *handle (when given) is set to 0.
ZEF_EXPORT DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, DWORD* handle);
// Copies the version block (at most `length` bytes) into `data`.
ZEF_EXPORT BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data);
// Points *buffer into `block` at the value of `subBlock`; only "\" exists.
ZEF_EXPORT BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length);
