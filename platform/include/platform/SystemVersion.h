// The system version the programs see.
//
// There is one setting, the major version (6 unless set), so every reader
// (the updater's old-system checks, the service channel) agrees on it.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};

// Fills the record: the NT platform and the configured major version.
// FALSE (ERROR_INSUFFICIENT_BUFFER) when its size field is too small.
ZEF_EXPORT BOOL GetVersionExW(OSVERSIONINFOW* info);

namespace platform {
ZEF_EXPORT DWORD windowsMajorVersion();
ZEF_EXPORT void setWindowsMajorVersion(DWORD major);
}  // namespace platform
