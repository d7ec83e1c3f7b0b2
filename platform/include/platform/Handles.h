// Kernel-object handles: the one table behind HANDLE values.
//
// A HANDLE handed out by the platform layer (files, find searches, file
// mappings, and whatever other kinds later layers add) is the address of a
// KernelObject registered here. Every call that takes a handle looks it up
// first, so a stale or made-up handle is refused with ERROR_INVALID_HANDLE
// instead of being dereferenced, and CloseHandle works for every kind.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

namespace platform {

class ZEF_EXPORT KernelObject {
public:
  KernelObject() = default;
  virtual ~KernelObject();
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
};

// Registers `object` (ownership passes to the table) and returns its handle.
ZEF_EXPORT HANDLE registerHandle(KernelObject* object);

// The live object behind `handle`, or nullptr (last error ERROR_INVALID_HANDLE)
// for a handle that is not live. The object stays valid until the handle is
// closed; a handle is used by one thread at a time.
ZEF_EXPORT KernelObject* lookupHandle(HANDLE handle);

// The object behind `handle` when it is of kind T, else nullptr with
// ERROR_INVALID_HANDLE.
template <typename T>
T* lookupHandleAs(HANDLE handle);

}  // namespace platform

// Destroys the object behind the handle; FALSE (ERROR_INVALID_HANDLE) for a
// handle that is not live.
ZEF_EXPORT BOOL CloseHandle(HANDLE handle);

#include "platform/LastError.h"

template <typename T>
T* platform::lookupHandleAs(HANDLE handle) {
  auto* object = dynamic_cast<T*>(lookupHandle(handle));
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}
