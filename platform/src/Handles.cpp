// The table of live kernel-object handles.
#include "platform/Handles.h"

#include "platform/LastError.h"

#include <mutex>
#include <unordered_set>

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_set<platform::KernelObject*> live;
};

HandleTable& table() {
  static HandleTable instance;
  return instance;
}

}  // namespace

platform::KernelObject::~KernelObject() = default;

HANDLE platform::registerHandle(KernelObject* object) {
  std::lock_guard lock(table().mutex);
  table().live.insert(object);
  return object;
}

platform::KernelObject* platform::lookupHandle(HANDLE handle) {
  auto* object = static_cast<KernelObject*>(handle);
  std::lock_guard lock(table().mutex);
  if (table().live.count(object) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return object;
}

BOOL CloseHandle(HANDLE handle) {
  auto* object = static_cast<platform::KernelObject*>(handle);
  {
    std::lock_guard lock(table().mutex);
    if (table().live.erase(object) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  delete object;
  return TRUE;
}
