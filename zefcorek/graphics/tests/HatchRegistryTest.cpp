// The hatch registry over two fake handlers: handler runs in the pattern
// list, enumeration, look-ups, pattern records, forwarding and lifetimes.
#include "zefcorek/HatchRegistry.h"

#include "FakeHatchHandler.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using graphics_test::FakeHatchHandler;

constexpr GUID kClassA = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kClassB = {0xAAAAAAAA, 0xBBBB, 0xCCCC, {8, 7, 6, 5, 4, 3, 2, 1}};
constexpr GUID kNoClass{};

std::u16string nameOf(const HatchPatternInfo* info) { return info->name; }

class HatchRegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0), S_OK);
    registry = static_cast<IHatchRegistry*>(made);
    a = new FakeHatchHandler(kClassA, 7);
    b = new FakeHatchHandler(kClassB, 8);
    ASSERT_EQ(registry->RegisterHandler(a), 0);
    ASSERT_EQ(registry->RegisterHandler(b), 0);
  }
  void TearDown() override {
    EXPECT_EQ(registry->UnregisterAllHandlers(), 0);
    EXPECT_EQ(a->GetRefCount(), 1);
    EXPECT_EQ(b->GetRefCount(), 1);
    EXPECT_EQ(registry->GetRefCount(), 1);
    a->Release();
    b->Release();
    registry->Release();
  }

  HatchPatternNode add(FakeHatchHandler* handler, const std::u16string& name, uint32_t tag = 0) {
    HatchPatternInfo* info = nullptr;
    EXPECT_EQ(registry->AllocPatternInfo(0, &info), 0);
    std::memcpy(info->name, name.c_str(), (name.size() + 1) * sizeof(char16_t));
    info->tag = tag;
    HatchPatternNode node = nullptr;
    EXPECT_EQ(registry->AddPattern(handler, info, &node), 0);
    return node;
  }

  // Names of all patterns in list order.
  std::vector<std::u16string> names() {
    std::vector<std::u16string> out;
    registry->EnumPatterns(
        [](HatchPatternInfo* info, HatchPatternNode, IHatchHandler*, void* context) {
          static_cast<std::vector<std::u16string>*>(context)->push_back(nameOf(info));
          return 1;
        },
        &out);
    return out;
  }

  std::vector<std::u16string> namesOf(FakeHatchHandler* handler, ZRESULT* result = nullptr) {
    std::vector<std::u16string> out;
    const ZRESULT r = registry->EnumHandlerPatterns(
        handler,
        [](HatchPatternInfo* info, HatchPatternNode, IHatchHandler*, void* context) {
          static_cast<std::vector<std::u16string>*>(context)->push_back(nameOf(info));
          return 1;
        },
        &out);
    if (result != nullptr) *result = r;
    return out;
  }

  IHatchRegistry* registry = nullptr;
  FakeHatchHandler* a = nullptr;
  FakeHatchHandler* b = nullptr;
};

using Names = std::vector<std::u16string>;

TEST_F(HatchRegistryTest, PatternsOfOneHandlerStayContiguous) {
  add(a, u"A1");
  add(a, u"A2");
  HatchPatternNode a3 = add(a, u"A3");
  add(b, u"B1");
  add(a, u"A4");
  EXPECT_EQ(names(), (Names{u"A1", u"A2", u"A3", u"A4", u"B1"}));
  EXPECT_EQ(namesOf(a), (Names{u"A1", u"A2", u"A3", u"A4"}));
  EXPECT_EQ(namesOf(b), (Names{u"B1"}));
  int32_t index = -1;
  EXPECT_EQ(registry->IndexOfPatternNode(a3, &index), 0);
  EXPECT_EQ(index, 2);
}

// Removing entries mends the handler's run: the walk over the handler's
// patterns reads first .. last, and a new pattern goes after the last.
TEST_F(HatchRegistryTest, RemovalKeepsTheRunWhole) {
  struct Case {
    const char* what;
    std::vector<int> remove;  // indexes among A1, A2, A3
    Names left;
  };
  const Case cases[] = {
      {"middle", {1}, {u"A1", u"A3", u"A5"}},
      {"first", {0}, {u"A2", u"A3", u"A5"}},
      {"last", {2}, {u"A1", u"A2", u"A5"}},
      {"all", {0, 1, 2}, {u"A5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(registry->RemoveAllPatterns(), 0);
    add(b, u"B0");
    HatchPatternNode nodes[] = {add(a, u"A1"), add(a, u"A2"), add(a, u"A3")};
    add(b, u"B1");
    for (int i : c.remove) ASSERT_EQ(registry->RemovePatternNode(nodes[i]), 0);
    add(a, u"A5");
    EXPECT_EQ(namesOf(a), c.left);
    EXPECT_EQ(namesOf(b), (Names{u"B0", u"B1"}));
  }
  // Only entry: removing it clears the run; a new one starts at the end.
  ASSERT_EQ(registry->RemoveHandlerPatterns(a), 0);
  EXPECT_EQ(namesOf(a), Names{});
  HatchPatternInfo* info = nullptr;
  ASSERT_EQ(registry->FindPatternByName(u"B1", &info, nullptr), 0);
  EXPECT_EQ(registry->RemovePattern(a, info), 1) << "B1 belongs to b";
  EXPECT_EQ(registry->RemovePattern(b, info), 0);
  EXPECT_EQ(names(), (Names{u"B0"}));
}

TEST_F(HatchRegistryTest, Enumeration) {
  add(a, u"A1", 5);
  add(a, u"A2", 6);
  add(b, u"B1", 5);
  // A callback that removes the entry it is given walks on.
  EXPECT_EQ(registry->EnumPatterns(
                [](HatchPatternInfo*, HatchPatternNode node, IHatchHandler*, void* context) {
                  return static_cast<IHatchRegistry*>(context)->RemovePatternNode(node) == 0 ? 1 : 0;
                },
                registry),
            0);
  EXPECT_EQ(names(), Names{});

  add(a, u"A1", 5);
  add(a, u"A2", 6);
  add(b, u"B1", 5);
  auto stopAtOnce = [](HatchPatternInfo*, HatchPatternNode, IHatchHandler*, void*) { return 0; };
  EXPECT_EQ(registry->EnumHandlerPatterns(a, stopAtOnce, nullptr), 1);
  ZRESULT full = -1;
  namesOf(a, &full);
  EXPECT_EQ(full, 0);
  FakeHatchHandler* stranger = new FakeHatchHandler(kClassA);
  EXPECT_EQ(registry->EnumHandlerPatterns(stranger, stopAtOnce, nullptr), 10);
  stranger->Release();
  EXPECT_EQ(registry->EnumHandlerPatterns(a, nullptr, nullptr), 10);

  Names tagged;
  EXPECT_EQ(registry->EnumPatternsByTag(
                5,
                [](HatchPatternInfo* info, HatchPatternNode, IHatchHandler*, void* context) {
                  static_cast<Names*>(context)->push_back(nameOf(info));
                  return 1;
                },
                &tagged),
            0);
  EXPECT_EQ(tagged, (Names{u"A1", u"B1"}));
  EXPECT_EQ(registry->EnumPatternsByTag(6, stopAtOnce, nullptr), 1);

  std::vector<uint32_t> seen;
  EXPECT_EQ(registry->EnumHandlers(
                [](IHatchHandler*, uint32_t index, const GUID* id, void* context) {
                  auto* out = static_cast<std::vector<uint32_t>*>(context);
                  out->push_back(index);
                  out->push_back(id->Data1);
                  return 1;
                },
                &seen),
            0);
  EXPECT_EQ(seen, (std::vector<uint32_t>{0, kClassA.Data1, 1, kClassB.Data1}));
}

TEST_F(HatchRegistryTest, LookUps) {
  HatchPatternNode ansi = add(a, u"ANSI31");
  add(b, u"BRICK");

  HatchPatternInfo* info = nullptr;
  HatchPatternNode node = nullptr;
  EXPECT_EQ(registry->FindPatternByName(u"ansi31", &info, &node), 0);
  EXPECT_EQ(node, ansi);
  EXPECT_EQ(nameOf(info), u"ANSI31");
  EXPECT_EQ(registry->FindPatternByName(u"brick", nullptr, &node), 0);
  EXPECT_EQ(registry->FindPatternByName(u"brick", &info, nullptr), 0);
  EXPECT_EQ(registry->FindPatternByName(u"brick", nullptr, nullptr), 10);
  EXPECT_EQ(registry->FindPatternByName(u"none", &info, &node), 1);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(node, nullptr);

  int32_t index = 7;
  constexpr GUID unknown = {0x5, 0x5, 0x5, {5}};
  EXPECT_EQ(registry->IndexOfHandlerClassID(&unknown, &index), 1);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(registry->IndexOfHandlerClassID(&kClassB, &index), 0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(registry->IndexOfHandlerClassID(nullptr, &index), 10);
  EXPECT_EQ(index, -1);

  GUID id = kClassA;
  EXPECT_NE(registry->GetHandlerClassID(2, &id), 0);
  EXPECT_EQ(std::memcmp(&id, &kNoClass, sizeof(GUID)), 0);
  EXPECT_EQ(registry->GetHandlerClassID(1, &id), 0);
  EXPECT_EQ(id.Data1, kClassB.Data1);
  b->failInfo = true;
  EXPECT_NE(registry->GetHandlerClassID(1, &id), 0);
  EXPECT_EQ(std::memcmp(&id, &kNoClass, sizeof(GUID)), 0);
  b->failInfo = false;

  IHatchHandler* found = nullptr;
  EXPECT_EQ(registry->FindHandler(&kClassB, &found), 0);
  EXPECT_EQ(found, static_cast<IHatchHandler*>(b));
  found->Release();
  EXPECT_EQ(registry->FindHandler(&unknown, &found), 1);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(registry->GetHandler(5, &found), 10);
  EXPECT_EQ(found, nullptr);

  EXPECT_EQ(registry->GetPatternHandler(ansi, &found), 0);
  EXPECT_EQ(found, static_cast<IHatchHandler*>(a));
  found->Release();
  ASSERT_EQ(registry->RemovePatternNode(ansi), 0);
  // A stale node is looked up, not read.
  EXPECT_EQ(registry->GetPatternHandler(ansi, &found), 10);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(registry->GetPatternInfo(ansi, &info), 10);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(registry->IndexOfPatternNode(ansi, &index), 2);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(registry->RemovePatternNode(ansi), 2);
  uint32_t count = 0;
  EXPECT_EQ(registry->GetHandlerCount(&count), 0);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(registry->GetPatternNode(3, &node), 10);
  EXPECT_EQ(node, nullptr);
}

TEST_F(HatchRegistryTest, PatternRecords) {
  HatchPatternInfo* info = nullptr;
  ASSERT_EQ(registry->AllocPatternInfo(200, &info), 0);
  EXPECT_EQ(info->cbSize, kHatchPatternMinSize + 200);
  auto* bytes = reinterpret_cast<unsigned char*>(info);
  for (uint32_t i = 4; i < info->cbSize; ++i) bytes[i] = static_cast<unsigned char>(i);

  // Keep to a smaller size copies only the new size and keeps its own size.
  HatchPatternInfo* grown = info;
  ASSERT_EQ(registry->ReallocPatternInfo(100, &grown, true), 0);
  EXPECT_EQ(grown->cbSize, kHatchPatternMinSize + 100);
  bytes = reinterpret_cast<unsigned char*>(grown);
  for (uint32_t i = 4; i < grown->cbSize; ++i) ASSERT_EQ(bytes[i], static_cast<unsigned char>(i)) << i;
  // Without keep the record comes back zeroed.
  ASSERT_EQ(registry->ReallocPatternInfo(0, &grown, false), 0);
  EXPECT_EQ(grown->cbSize, kHatchPatternMinSize);
  EXPECT_EQ(grown->tag, 0u);

  // Extra sizes whose total does not fit cbSize are refused up front.
  HatchPatternInfo* huge = grown;
  EXPECT_EQ(registry->AllocPatternInfo(0xFFFFFFFFu - 1051, &huge), 30);
  EXPECT_EQ(huge, nullptr);
  huge = grown;
  EXPECT_EQ(registry->ReallocPatternInfo(0xFFFFFFFFu, &huge, true), 30);
  EXPECT_EQ(huge, grown) << "the old record stays on failure";

  // Records below the registry's minimum.
  grown->cbSize = kHatchPatternMinSize - 1;
  HatchPatternNode node = nullptr;
  EXPECT_EQ(registry->AddPattern(a, grown, &node), 10);
  EXPECT_EQ(node, nullptr);
  EXPECT_EQ(registry->ReallocPatternInfo(10, &grown, true), 10);
  grown->cbSize = kHatchPatternMinSize;
  FakeHatchHandler* stranger = new FakeHatchHandler(kClassA);
  EXPECT_EQ(registry->AddPattern(stranger, grown, &node), 2);
  stranger->Release();
  EXPECT_EQ(registry->FreePatternInfo(grown), 0);
  EXPECT_EQ(registry->FreePatternInfo(nullptr), 10);
}

TEST_F(HatchRegistryTest, JobsReachTheOwningHandler) {
  HatchPatternNode nodeA = add(a, u"A1");
  HatchPatternNode nodeB = add(b, u"B1");
  HatchJob job{};
  job.cbSize = kHatchJobSize;
  job.pattern = nodeB;
  const double point[2] = {1.5, 2.5};
  EXPECT_EQ(registry->ExecuteHatch(&job), 8);
  EXPECT_EQ(registry->ExecuteHatchEx(&job, point, 0.25), 8);
  job.pattern = nodeA;
  EXPECT_EQ(registry->ExecuteHatch(&job), 7);
  HatchMeasureRec measure{};
  measure.cbSize = kHatchMeasureRecSize;
  measure.pattern = nodeA;
  EXPECT_EQ(registry->QueryHatch(&measure), 7);
  ASSERT_EQ(b->calls.size(), 2u);
  EXPECT_EQ(b->calls[0].op, 10);
  EXPECT_EQ(b->calls[0].record, &job);
  EXPECT_EQ(b->calls[1].op, 11);
  EXPECT_EQ(b->calls[1].point, point);
  EXPECT_EQ(b->calls[1].tolerance, 0.25);
  ASSERT_EQ(a->calls.size(), 2u);
  EXPECT_EQ(a->calls[1].op, 9);

  // Short records, missing and stale nodes: 10 and no handler call.
  a->calls.clear();
  HatchJob shortJob = job;
  shortJob.cbSize = kHatchJobSize - 1;
  HatchMeasureRec shortMeasure = measure;
  shortMeasure.cbSize = kHatchMeasureRecSize - 1;
  EXPECT_EQ(registry->ExecuteHatch(&shortJob), 10);
  EXPECT_EQ(registry->ExecuteHatchEx(&shortJob, point, 0), 10);
  EXPECT_EQ(registry->QueryHatch(&shortMeasure), 10);
  EXPECT_EQ(registry->ExecuteHatch(nullptr), 10);
  ASSERT_EQ(registry->RemovePatternNode(nodeA), 0);
  EXPECT_EQ(registry->ExecuteHatch(&job), 10);
  EXPECT_EQ(registry->ExecuteHatchEx(&job, point, 0), 10);
  EXPECT_EQ(registry->QueryHatch(&measure), 10);
  job.pattern = nullptr;
  EXPECT_EQ(registry->ExecuteHatch(&job), 10);
  EXPECT_TRUE(a->calls.empty());
}

TEST_F(HatchRegistryTest, InterfaceAnswers) {
  void* out = &out;
  EXPECT_EQ(registry->QueryInterface(IID_IUnknown, &out), 21);
  EXPECT_EQ(out, &out);
  uint32_t value = 9;
  EXPECT_EQ(registry->GetOption(0, &value), 10);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(registry->SetOption(0, 1), 10);
  HatchJob job{};
  job.cbSize = kHatchJobSize;
  EXPECT_EQ(registry->ExportHatchToDXF(&job, u"x.dxf"), 10) << "no vertices of either kind";
}

// Registration hands the registry to the handler and each holds the other;
// unregistering in any of three ways frees the patterns and ends both links.
TEST(HatchRegistryLifetime, ReferencesBalance) {
  enum class Ending { One, All, Destroy };
  for (Ending ending : {Ending::One, Ending::All, Ending::Destroy}) {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0), S_OK);
    auto* registry = static_cast<IHatchRegistry*>(made);
    auto* handler = new FakeHatchHandler(kClassA);
    ASSERT_EQ(registry->RegisterHandler(handler), 0);
    EXPECT_EQ(handler->registry(), registry);
    EXPECT_EQ(handler->GetRefCount(), 2);
    EXPECT_EQ(registry->GetRefCount(), 2);
    ASSERT_EQ(registry->RegisterHandler(handler), 0) << "registering twice is allowed";
    HatchPatternInfo* info = nullptr;
    ASSERT_EQ(registry->AllocPatternInfo(0, &info), 0);
    ASSERT_EQ(registry->AddPattern(handler, info, nullptr), 0);
    EXPECT_EQ(registry->RegisterHandler(nullptr), 10);

    EXPECT_EQ(handler->GetRefCount(), 3);
    EXPECT_EQ(registry->GetRefCount(), 2);

    switch (ending) {
      case Ending::One:
        EXPECT_EQ(registry->UnregisterHandler(handler), 0);
        EXPECT_EQ(registry->UnregisterHandler(handler), 0);
        EXPECT_EQ(registry->UnregisterHandler(handler), 10);
        break;
      case Ending::All: EXPECT_EQ(registry->UnregisterAllHandlers(), 0); break;
      case Ending::Destroy:
        // Only the handler's own link is cut: destruction must unregister it.
        handler->SetRegistry(nullptr);
        break;
    }
    EXPECT_EQ(handler->registry(), nullptr);
    EXPECT_EQ(registry->GetRefCount(), 1);
    registry->Release();
    EXPECT_EQ(handler->GetRefCount(), 1);
    handler->Release();
  }
}

}  // namespace
