// The configured system version.
#include "platform/SystemVersion.h"

#include "platform/LastError.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<DWORD> majorVersion{6};
}  // namespace

DWORD platform::windowsMajorVersion() { return majorVersion.load(); }

void platform::setWindowsMajorVersion(DWORD major) { majorVersion.store(major); }

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const DWORD size = info->dwOSVersionInfoSize;
  std::memset(info, 0, sizeof *info);
  info->dwOSVersionInfoSize = size;
  info->dwMajorVersion = platform::windowsMajorVersion();
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 0;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  return TRUE;
}
