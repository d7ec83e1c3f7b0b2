// The version stamp of the platform library itself.
#include "platform/BuildVersion.h"
#include "platform/VersionNote.h"

ZEF_VERSION_NOTE(VFT_DLL, ZEF_BUILD_VERSION_MAJOR, ZEF_BUILD_VERSION_MINOR, ZEF_BUILD_VERSION_PATCH, 0,
                 ZEF_BUILD_VERSION_MAJOR, ZEF_BUILD_VERSION_MINOR, ZEF_BUILD_VERSION_PATCH, 0,
                 /*fileFlags=*/0);
