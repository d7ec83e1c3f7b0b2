#include "zefcorek/ZefCoreK.h"

#include "zefcorek/ClassIds.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

const GUID kUnknownId = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(FactoryTest, RefusesNullArguments) {
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IPtrListImp, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(msglibAllocIntf(&CLSID_MsgLibMessageLoader, nullptr), E_INVALIDARG);

  int sentinel = 0;
  void* out = &sentinel;
  EXPECT_EQ(zefCoreKAllocIntf(nullptr, &out, 0), E_INVALIDARG);
  EXPECT_EQ(out, nullptr);
  out = &sentinel;
  EXPECT_EQ(msglibAllocIntf(nullptr, &out), E_INVALIDARG);
  EXPECT_EQ(out, nullptr);
}

TEST(FactoryTest, UnknownIdentifiersGiveNoInterface) {
  int sentinel = 0;
  void* out = &sentinel;
  EXPECT_EQ(zefCoreKAllocIntf(&kUnknownId, &out, 7), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  // The message library knows the message loader only.
  for (const GUID* id : {&kUnknownId, &CLSID_IPtrListImp}) {
    out = &sentinel;
    EXPECT_EQ(msglibAllocIntf(id, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
  }
}

TEST(FactoryTest, SleepGoesThroughThePlatformClock) {
  platform::VirtualClock virtualClock;
  platform::ScopedClock scoped(virtualClock);
  zefCoreKSleep(250);
  zefCoreKSleep(0);
  EXPECT_EQ(virtualClock.sleptMs(), 250u);
}

}  // namespace
