// Module versions from the platform's version information, and the version
// stamp of the core library itself.
#include "zefcorek/ModuleVersion.h"

#include "zefcorek/DynBuffer.h"

#include "platform/BuildVersion.h"
#include "platform/Modules.h"
#include "platform/VersionInfo.h"
#include "platform/VersionNote.h"

#include <cstring>

ZEF_VERSION_NOTE(VFT_DLL, ZEF_BUILD_VERSION_MAJOR, ZEF_BUILD_VERSION_MINOR, ZEF_BUILD_VERSION_PATCH, 0,
                 ZEF_BUILD_VERSION_MAJOR, ZEF_BUILD_VERSION_MINOR, ZEF_BUILD_VERSION_PATCH, 0,
                 /*fileFlags=*/0);

int GetModuleVersionInfo(const WCHAR* fileName, TModuleVersionInfo* out) {
  if (!fileName || !out) return 0;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(fileName, &handle);
  if (size == 0) return 0;
  TDynBuffer block(size);
  uint8_t* data = block.GetPtr();
  if (!data || !GetFileVersionInfoW(fileName, handle, size, data)) return 0;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data, u"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return 0;
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, value, sizeof info);
  const bool useFileVersion = (info.dwProductVersionMS >> 16) == 0;
  const DWORD most = useFileVersion ? info.dwFileVersionMS : info.dwProductVersionMS;
  const DWORD least = useFileVersion ? info.dwFileVersionLS : info.dwProductVersionLS;
  out->major = static_cast<uint16_t>(most >> 16);
  out->minor = static_cast<uint16_t>(most);
  out->release = static_cast<uint16_t>(least >> 16);
  out->build = static_cast<uint16_t>(least);
  out->preRelease = info.dwFileFlags & VS_FF_PRERELEASE;
  return 1;
}

int GetModuleVersionInfoEx(HMODULE module, TModuleVersionInfo* out) {
  WCHAR fileName[513] = {};
  const DWORD length = GetModuleFileNameW(module, fileName, 513);
  if (length == 0 || length > 512) return 0;
  return GetModuleVersionInfo(fileName, out);
}
