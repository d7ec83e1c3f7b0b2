// Symbol visibility of the system's shared libraries.
//
// Every library is compiled with hidden visibility by default; what another
// deliverable or a client may call is marked with ZEF_EXPORT. Plain functions
// that clients find by name are also extern "C" (ZEF_EXTERN_C).
#pragma once

#define ZEF_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
#define ZEF_EXTERN_C extern "C" ZEF_EXPORT
#else
#define ZEF_EXTERN_C ZEF_EXPORT
#endif
