// Binary resources of the system's modules (bitmaps, PNG pictures), beside
// their string tables.
//
// A module registers its resources when it starts; tests register theirs
// under a module handle of their own. A resource is named by type and name,
// each a number (MAKEINTRESOURCEW) or a text compared without regard to
// case. A bitmap resource (RT_BITMAP) is a BMP file without its 14-byte
// file header.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <span>

struct HRSRC__ {
  int unused;
};
using HRSRC = HRSRC__*;

inline LPCWSTR MAKEINTRESOURCEW(UINT id) { return reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(id & 0xFFFF)); }
inline bool IS_INTRESOURCE(LPCWSTR name) { return reinterpret_cast<uintptr_t>(name) <= 0xFFFF; }
inline const LPCWSTR RT_BITMAP = MAKEINTRESOURCEW(2);

namespace platform {

// Adds (or replaces) a copy of the bytes under the module, type and name.
ZEF_EXPORT void registerBinaryResource(HINSTANCE module, LPCWSTR type, LPCWSTR name, std::span<const BYTE> bytes);
// Drops every binary resource of the module.
ZEF_EXPORT void unregisterBinaryResources(HINSTANCE module);

}  // namespace platform

// The resource, or null (ERROR_RESOURCE_NAME_NOT_FOUND).
ZEF_EXTERN_C HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
// The resource's bytes as a handle for LockResource; they stay valid until
// the module's resources are dropped.
ZEF_EXTERN_C HGLOBAL LoadResource(HMODULE module, HRSRC resource);
ZEF_EXTERN_C LPVOID LockResource(HGLOBAL data);
ZEF_EXTERN_C DWORD SizeofResource(HMODULE module, HRSRC resource);
// Nothing to free: resources live as long as their module's registration.
ZEF_EXTERN_C BOOL FreeResource(HGLOBAL data);

inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT LR_LOADFROMFILE = 0x0010;
inline constexpr UINT LR_CREATEDIBSECTION = 0x2000;

// A DIB section at the bitmap's own depth from a bitmap resource or (with
// LR_LOADFROMFILE, `instance` null) a ".bmp" file: BI_RGB at 1, 4, 8, 24
// and 32 bpp, BI_BITFIELDS at 16 and 32; run-length compression is refused.
// Every size and offset is checked against the data; null for anything
// else (last error ERROR_INVALID_DATA).
ZEF_EXTERN_C HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags);
