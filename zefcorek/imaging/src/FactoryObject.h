// Objects the image code takes from the core library's factory.
#pragma once

#include "zefcorek/ZefCoreK.h"

namespace zefcorek {

// A new object of classId seen as Interface; null when the factory cannot
// make it.
template <typename Interface>
Interface* makeFactoryObject(const CLSID& classId) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&classId, &made, 0) != S_OK) return nullptr;
  return static_cast<Interface*>(made);
}

}  // namespace zefcorek
