// The version stamp our binaries carry, found by GetFileVersionInfoW.
//
// A binary stamps itself by defining one note in one of its sources:
//
//   ZEF_VERSION_NOTE(VFT_DLL, 1, 0, 0, 0, 1, 0, 0, 0, /*fileFlags=*/0);
//
// The note goes into the section ".note.zef.version", which the linker keeps
// as an SHT_NOTE section (and in the loaded note segment). Its layout is the
// standard ELF note, 4-byte aligned:
//
//   offset  size  meaning
//        0     4  name size, 11
//        4     4  descriptor size, 52
//        8     4  type, 1
//       12    12  name "ZefVersion", terminated and padded
//       24    52  VS_FIXEDFILEINFO, little-endian
#pragma once

#include "platform/VersionInfo.h"

namespace platform {

inline constexpr uint32_t kVersionNoteType = 1;
inline constexpr char kVersionNoteName[] = "ZefVersion";

struct VersionNote {
  uint32_t nameSize;
  uint32_t descriptorSize;
  uint32_t type;
  char name[12];
  VS_FIXEDFILEINFO info;
};
static_assert(sizeof(VersionNote) == 76);

constexpr VersionNote makeVersionNote(DWORD fileType, WORD fileMajor, WORD fileMinor, WORD fileRelease, WORD fileBuild,
                                      WORD productMajor, WORD productMinor, WORD productRelease, WORD productBuild,
                                      DWORD fileFlags) {
  return VersionNote{sizeof kVersionNoteName,
                     sizeof(VS_FIXEDFILEINFO),
                     kVersionNoteType,
                     {'Z', 'e', 'f', 'V', 'e', 'r', 's', 'i', 'o', 'n', 0, 0},
                     {VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, DWORD{fileMajor} << 16 | fileMinor,
                      DWORD{fileRelease} << 16 | fileBuild, DWORD{productMajor} << 16 | productMinor,
                      DWORD{productRelease} << 16 | productBuild, VS_FFI_FILEFLAGSMASK, fileFlags,
                      /*dwFileOS=*/0, fileType, /*dwFileSubtype=*/0, 0, 0}};
}

}  // namespace platform

#define ZEF_VERSION_NOTE(...)                     \
  [[gnu::used, gnu::section(".note.zef.version"), \
    gnu::aligned(4)]] static const ::platform::VersionNote zefVersionNote = ::platform::makeVersionNote(__VA_ARGS__)
