#include "zefcorek/SmartRef.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/WinRegistry.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <utility>

namespace {

// An object that only counts its references; it starts with its maker's.
struct Counted {
  int references = 1;
  uint32_t AddRef() { return static_cast<uint32_t>(++references); }
  uint32_t Release() { return static_cast<uint32_t>(--references); }
};

using Ref = SmrtRf::TSmartRef<Counted>;

TEST(SmartRefTest, HoldersCountTheirReferences) {
  const struct {
    const char* what;
    std::function<void(Counted&)> use;
    int referencesAfter;  // when the holders used are gone
  } cases[] = {
      {"taking adds one, dropping releases it",
       [](Counted& object) {
         Ref held(&object);
         EXPECT_EQ(object.references, 2);
       },
       1},
      {"a copy holds its own",
       [](Counted& object) {
         Ref held(&object);
         Ref copy(held);
         Ref assigned;
         assigned = copy;
         EXPECT_EQ(object.references, 4);
       },
       1},
      {"a move hands the reference over",
       [](Counted& object) {
         Ref held(&object);
         Ref moved(std::move(held));
         EXPECT_FALSE(held);
         EXPECT_EQ(object.references, 2);
       },
       1},
      {"assigning itself keeps it alive",
       [](Counted& object) {
         Ref held(&object);
         held.Assign(held.Get());
         EXPECT_EQ(object.references, 2);
       },
       1},
      {"adopting takes the maker's reference",
       [](Counted& object) {
         Ref held = Ref::Adopt(&object);
         EXPECT_EQ(object.references, 1);
       },
       0},
      {"clearing drops it early",
       [](Counted& object) {
         Ref held(&object);
         held.Clear();
         EXPECT_EQ(object.references, 1);
         EXPECT_EQ(held.Get(), nullptr);
       },
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Counted object;
    c.use(object);
    EXPECT_EQ(object.references, c.referencesAfter);
  }
}

// A registry object made for its holder ends with the holder's reference
// as its only one.
TEST(SmartRefTest, RegistryObjectLivesInItsHolder) {
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IWinRegistryImp, &made, 0), S_OK);
  IWinRegistryRef registry = IWinRegistryRef::Adopt(static_cast<IWinRegistry*>(made));
  ASSERT_TRUE(registry);
  EXPECT_EQ(registry->AddRef(), 2u);
  EXPECT_EQ(registry->Release(), 1u);
  {
    const IWinRegistryRef shared = registry;
    EXPECT_EQ(registry->AddRef(), 3u);
    EXPECT_EQ(registry->Release(), 2u);
  }
  EXPECT_EQ(registry->AddRef(), 2u);
  EXPECT_EQ(registry->Release(), 1u);
  EXPECT_TRUE(registry->Reset());
}

}  // namespace
