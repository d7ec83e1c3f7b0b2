// Objects the tests take from the core library's factory.
#pragma once

#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

namespace zefcorek::testing {

// A new object of the class, as the interface; the caller owns the reference.
template <class Interface>
Interface* make(const CLSID& id) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&id, &out, 0), S_OK);
  return static_cast<Interface*>(out);
}

}  // namespace zefcorek::testing
