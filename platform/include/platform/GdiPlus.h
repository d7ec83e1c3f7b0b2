// The GDI+ stand-in: start-up and shut-down with counted tokens.
//
// Each successful start-up hands out a token of its own; the library counts
// as started while any token is live. Tests can make the next start-up fail
// to reach a caller's path without GDI+.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

namespace Gdiplus {

// GDI+ status codes (the values are the system's).
enum class Status : int {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
  UnsupportedGdiplusVersion = 17,
  GdiplusNotInitialized = 18,
  PropertyNotFound = 19,
  PropertyNotSupported = 20,
};

struct GdiplusStartupInput {
  uint32_t GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};

struct GdiplusStartupOutput {
  void* NotificationHook = nullptr;
  void* NotificationUnhook = nullptr;
};

}  // namespace Gdiplus

// Stores a new non-zero token in *token: Ok. A null token or input →
// InvalidParameter; a version other than 1 → UnsupportedGdiplusVersion;
// after failNextGdiplusStartup → GenericError. *token is 0 on failure.
ZEF_EXTERN_C Gdiplus::Status GdiplusStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                                            Gdiplus::GdiplusStartupOutput* output);
// Ends the start-up that handed out `token`; an unknown token does nothing.
ZEF_EXTERN_C void GdiplusShutdown(ULONG_PTR token);

namespace platform {

// Makes the next GdiplusStartup fail (once).
ZEF_EXPORT void failNextGdiplusStartup();
// True while any start-up token is live.
ZEF_EXPORT bool isGdiplusStarted();

}  // namespace platform
