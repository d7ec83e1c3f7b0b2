// The tool base class against a scripted manager, and the tool registry.
#include "zefcorek/Tool.h"

#include "ToolFakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using graphics_test::FakeToolManager;
using graphics_test::RecordingTool;

// An event record of `size` bytes (the host's fields zero).
struct EventBuffer {
  EventBuffer(uint32_t type, uint32_t size) : bytes(std::max<uint32_t>(size, 8)) {
    hdr()->cbSize = size;
    hdr()->type = type;
  }
  ToolEventHdr* hdr() { return reinterpret_cast<ToolEventHdr*>(bytes.data()); }
  std::vector<uint64_t> bytes;
};

class ToolTest : public ::testing::Test {
protected:
  void SetUp() override {
    tool = new RecordingTool(u"tool");
    manager = new FakeToolManager();
    tool->SetToolManager(manager);
  }
  void TearDown() override {
    tool->Release();
    EXPECT_EQ(manager->GetRefCount(), 1);
    manager->Release();
  }
  RecordingTool* tool = nullptr;
  FakeToolManager* manager = nullptr;
};

TEST_F(ToolTest, FreshToolAndName) {
  auto* fresh = new RecordingTool();
  EXPECT_EQ(fresh->IsCyclic(), 0);
  int32_t phase = -1;
  EXPECT_EQ(fresh->GetPhase(&phase), 0);
  EXPECT_EQ(phase, 0);
  uint32_t id = 0;
  EXPECT_EQ(fresh->GetID(&id), 0);
  EXPECT_EQ(id, kNoToolId);
  EXPECT_FALSE(fresh->isActive());
  EXPECT_EQ(fresh->Deactivate(), 2);

  const std::u16string seventy(70, u'x');
  EXPECT_EQ(fresh->SetName((seventy.substr(0, 63) + u"yyyyyyy").c_str()), 0);
  EXPECT_EQ(std::u16string(fresh->GetName()), seventy.substr(0, 63));
  EXPECT_EQ(fresh->CheckName(seventy.substr(0, 63).c_str()), 0);
  EXPECT_EQ(fresh->CheckName(seventy.substr(0, 62).c_str()), 1);
  fresh->SetName(u"Line");
  EXPECT_EQ(fresh->CheckName(u"line"), 1);
  EXPECT_EQ(fresh->SetName(nullptr), 10);

  uint32_t value = 9;
  EXPECT_EQ(fresh->SetOption(0, 5), 0);
  EXPECT_EQ(fresh->GetOption(0, &value), 0);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(fresh->GetOption(1, &value), 10);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(fresh->SetOption(1, 5), 10);
  ToolEventCoords coords;
  EXPECT_EQ(fresh->GetKnownPt(0, &coords), kToolNotHandled);
  EXPECT_TRUE(fresh->SameInterface(fresh));
  EXPECT_FALSE(fresh->SameInterface(tool));
  EXPECT_FALSE(fresh->SameInterface(nullptr));
  fresh->Release();
}

// Each type one byte below its minimum answers 2; at the minimum its
// handler runs.
TEST_F(ToolTest, EventSizes) {
  const struct {
    uint32_t type;
    uint32_t minimum;
  } rows[] = {{0, 120}, {1, 120}, {2, 120}, {3, 120}, {4, 20}, {5, 12}, {6, 76}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.type);
    EventBuffer small(row.type, row.minimum - 1);
    EXPECT_EQ(tool->HandleEvent(small.hdr()), 2);
    EventBuffer enough(row.type, row.minimum);
    tool->handlerAnswer = 40 + static_cast<ZRESULT>(row.type);
    EXPECT_EQ(tool->HandleEvent(enough.hdr()), 40 + static_cast<ZRESULT>(row.type));
    EXPECT_EQ(tool->currentEvent(), enough.hdr());
  }
  EXPECT_EQ(tool->handled, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6}));
  EventBuffer unknown(7, 200);
  EXPECT_EQ(tool->HandleEvent(unknown.hdr()), 1);
  EXPECT_TRUE(manager->notices.empty());
}

// Option bits announce mouse events with code 5 before the handler; the
// manager's answer decides whether the handler runs.
TEST_F(ToolTest, AnnouncedMouseEvents) {
  const struct {
    uint32_t type;
    uint32_t bit;
    ZRESULT answer;
    ZRESULT result;
    bool handled;
  } rows[] = {
      {0, 1, 0, 0, true}, {1, 4, 0x15, 0, true}, {2, 2, 0, 0, true}, {1, 4, 1, 1, false}, {0, 1, 2, 2, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.type);
    tool->handled.clear();
    manager->notices.clear();
    tool->SetOption(0, row.bit);
    manager->answers = {row.answer};
    EventBuffer event(row.type, 120);
    EXPECT_EQ(tool->HandleEvent(event.hdr()), row.result);
    ASSERT_EQ(manager->notices.size(), 1u);
    EXPECT_EQ(manager->notices[0].code, 5u);
    EXPECT_EQ(manager->notices[0].event, event.hdr());
    EXPECT_EQ(manager->notices[0].optionBit, row.bit);
    EXPECT_EQ(manager->notices[0].cbSize, kToolEventNotificationSize);
    EXPECT_EQ(tool->handled.size(), row.handled ? 1u : 0u);
  }
  // Bits of other types announce nothing.
  manager->notices.clear();
  tool->SetOption(0, 4);
  EventBuffer down(0, 120);
  EXPECT_EQ(tool->HandleEvent(down.hdr()), 0);
  EXPECT_TRUE(manager->notices.empty());
  // Without a manager an announced event fails.
  tool->SetToolManager(nullptr);
  EventBuffer move(1, 120);
  EXPECT_EQ(tool->HandleEvent(move.hdr()), 2);
}

TEST_F(ToolTest, IgnoredMouseUpLastsUntilActivationChanges) {
  EventBuffer up(2, 120);
  tool->ignoreNextMouseUp();
  EXPECT_EQ(tool->HandleEvent(up.hdr()), 0);
  EXPECT_EQ(tool->HandleEvent(up.hdr()), 0);
  EXPECT_TRUE(tool->handled.empty());
  ASSERT_EQ(tool->Activate(), 0);
  tool->handlerAnswer = 9;
  EXPECT_EQ(tool->HandleEvent(up.hdr()), 9);
  tool->ignoreNextMouseUp();
  ASSERT_EQ(tool->Deactivate(), 0);
  EXPECT_EQ(tool->HandleEvent(up.hdr()), 9);
}

TEST_F(ToolTest, ActivationIsUndoneWhenTheNotificationFails) {
  manager->answers = {1};
  EXPECT_EQ(tool->Activate(), 0) << "1: the manager has no owner";
  EXPECT_EQ(tool->Activate(), 2);
  manager->answers = {7};
  EXPECT_EQ(tool->Deactivate(), 7);
  EXPECT_TRUE(tool->isActive());
  EXPECT_EQ(tool->Deactivate(), 0);
  manager->answers = {8};
  EXPECT_EQ(tool->Activate(), 8);
  EXPECT_FALSE(tool->isActive());
  std::vector<uint32_t> codes;
  for (const auto& notice : manager->notices) codes.push_back(notice.code);
  EXPECT_EQ(codes, (std::vector<uint32_t>{0, 1, 1, 0}));
  EXPECT_EQ(manager->notices[0].cbSize, kToolNotificationMinSize);
  tool->SetToolManager(nullptr);
  EXPECT_EQ(tool->Activate(), 2);
}

TEST_F(ToolTest, PhasesAndActions) {
  EXPECT_EQ(tool->ChangePhase(0, 0), 0);
  EXPECT_TRUE(manager->notices.empty());
  EXPECT_EQ(tool->ChangePhase(0, 1), 0);
  manager->answers = {6};
  EXPECT_EQ(tool->ChangePhase(3, 0), 6);
  int32_t phase = 0;
  tool->GetPhase(&phase);
  EXPECT_EQ(phase, 3);
  tool->GetPrevPhase(&phase);
  EXPECT_EQ(phase, 0);
  ASSERT_EQ(manager->notices.size(), 2u);
  EXPECT_EQ(manager->notices[1].code, 2u);

  manager->notices.clear();
  int32_t endOfCycle = -1;
  ToolNotificationHdr wrong{kToolNotificationMinSize, 2, nullptr};
  EXPECT_EQ(tool->PostActionDone(&wrong, &endOfCycle), 10);
  EXPECT_EQ(tool->PostActionDone(nullptr, nullptr), 10);
  // Cyclic: the action is told and the cycle goes on.
  EXPECT_EQ(tool->PostActionDone(nullptr, &endOfCycle), 0);
  EXPECT_EQ(endOfCycle, 0);
  // Not cyclic: code 3, then code 6 whose answer is the result.
  tool->SetIsCyclic(0);
  EXPECT_EQ(tool->IsCyclic(), 1);
  manager->answers = {1, 5};
  EXPECT_EQ(tool->PostActionDone(nullptr, &endOfCycle), 5);
  EXPECT_EQ(endOfCycle, 1);
  // A failing code 3 is returned with endOfCycle untouched.
  endOfCycle = -1;
  manager->answers = {4};
  ToolNotificationHdr own{kToolNotificationMinSize, 3, nullptr};
  EXPECT_EQ(tool->PostActionDone(&own, &endOfCycle), 4);
  EXPECT_EQ(endOfCycle, -1);
  std::vector<uint32_t> codes;
  for (const auto& notice : manager->notices) {
    codes.push_back(notice.code);
    EXPECT_EQ(notice.cbSize, kToolNotificationMinSize);
  }
  EXPECT_EQ(codes, (std::vector<uint32_t>{3, 3, 6, 3}));
}

TEST_F(ToolTest, RequestsToTheHost) {
  ToolEventCoords coords;
  coords.values[2] = 1.5;
  manager->answers = {1};
  EXPECT_EQ(tool->QueryAcceptPt(&coords), 1);
  EXPECT_EQ(coords.pixelX, -1) << "copied back only on 0";
  EXPECT_EQ(tool->QueryAcceptPt(&coords), 0);
  EXPECT_EQ(coords.pixelX, 77);
  EXPECT_EQ(coords.values[2], 1.5);
  tagT_POINT3D size{1, 2, 0};
  EXPECT_EQ(tool->ReqMinTrackSize(&size), 0);
  EXPECT_EQ(size.z, 3.5);
  EXPECT_EQ(manager->infoKinds, (std::vector<uint32_t>{1, 1, 0}));

  ToolDrawRequestHdr draw{kToolDrawRequestMinSize - 1, 0, 0};
  EXPECT_EQ(tool->PostDrawRequest(&draw), 10);
  draw.cbSize = kToolDrawRequestMinSize;
  manager->answers = {3};
  EXPECT_EQ(tool->PostDrawRequest(&draw), 3);
  tool->SetToolManager(nullptr);
  EXPECT_EQ(tool->PostDrawRequest(&draw), 2);
  EXPECT_EQ(tool->QueryAcceptPt(&coords), 2);
  EXPECT_EQ(tool->QueryAcceptPt(nullptr), 10);
}

// --- registry -----------------------------------------------------------------------

class ToolRegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    registry = new IToolRegistryImp();
    for (const char16_t* name : {u"alpha", u"beta", u"gamma"}) tools.push_back(new RecordingTool(name));
  }
  void TearDown() override {
    for (RecordingTool* tool : tools) {
      registry->UnregisterTool(tool);
      EXPECT_EQ(tool->GetRefCount(), 1);
      tool->Release();
    }
    EXPECT_EQ(registry->GetRefCount(), 1);
    registry->Release();
  }
  uint32_t idOf(ITool* tool) {
    uint32_t id = 0;
    tool->GetID(&id);
    return id;
  }
  IToolRegistryImp* registry = nullptr;
  std::vector<RecordingTool*> tools;
};

TEST_F(ToolRegistryTest, Identifiers) {
  for (RecordingTool* tool : tools) ASSERT_EQ(registry->RegisterTool(tool, kNoToolId), 0);
  EXPECT_EQ(idOf(tools[0]), 0u);
  EXPECT_EQ(idOf(tools[2]), 2u);
  EXPECT_EQ(tools[1]->GetRefCount(), 2);
  ASSERT_EQ(registry->UnregisterToolByID(1), 0);
  EXPECT_EQ(idOf(tools[1]), kNoToolId);
  EXPECT_EQ(tools[1]->GetRefCount(), 1);
  IToolRegistry* held = nullptr;
  tools[1]->GetToolRegistry(&held);
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(registry->IsToolRegisteredByID(1), 1);
  EXPECT_EQ(registry->IsToolRegistered(tools[1]), 1);
  EXPECT_EQ(registry->UnregisterToolByID(1), 2);
  ASSERT_EQ(registry->RegisterTool(tools[1], kNoToolId), 0);
  EXPECT_EQ(idOf(tools[1]), 1u);
  EXPECT_EQ(registry->RegisterTool(nullptr, 0), 10);
}

TEST_F(ToolRegistryTest, ExplicitIdentifiers) {
  ASSERT_EQ(registry->RegisterTool(tools[0], 5), 0);
  EXPECT_EQ(registry->FindUnusedToolID(), 0u);
  EXPECT_EQ(registry->FindTool(tools[0]), 5);
  for (uint32_t id = 0; id < 5; ++id) EXPECT_EQ(registry->IsToolRegisteredByID(id), 1);
  // An identifier in use: 2, both tools unchanged.
  EXPECT_EQ(registry->RegisterTool(tools[1], 5), 2);
  EXPECT_EQ(idOf(tools[1]), kNoToolId);
  EXPECT_EQ(tools[1]->GetRefCount(), 1);
  EXPECT_EQ(idOf(tools[0]), 5u);
  ASSERT_EQ(registry->RegisterTool(tools[1], kNoToolId), 0);
  EXPECT_EQ(idOf(tools[1]), 0u);
  // Identifiers past the table's sane range are refused before it grows.
  EXPECT_EQ(registry->RegisterTool(tools[2], 0xFFFFFFFE), 10);
  EXPECT_EQ(registry->RegisterTool(tools[2], kMaxToolId + 1), 10);
  EXPECT_EQ(idOf(tools[2]), kNoToolId);
  EXPECT_EQ(tools[2]->GetRefCount(), 1);
  EXPECT_EQ(registry->FindUnusedToolID(), 1u);
}

TEST_F(ToolRegistryTest, LookUps) {
  for (RecordingTool* tool : tools) ASSERT_EQ(registry->RegisterTool(tool, kNoToolId), 0);
  ITool* found = nullptr;
  EXPECT_EQ(registry->ToolByName(u"beta", &found), 0);
  EXPECT_EQ(found, static_cast<ITool*>(tools[1]));
  found->Release();
  EXPECT_EQ(registry->ToolByName(u"Beta", &found), 2);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(registry->ToolByName(u"bet", &found), 2);
  EXPECT_EQ(registry->ToolByName(nullptr, &found), 10);
  EXPECT_EQ(registry->ToolByID(2, &found), 0);
  EXPECT_EQ(found, static_cast<ITool*>(tools[2]));
  found->Release();
  EXPECT_EQ(registry->ToolByID(9, &found), 2);
  EXPECT_EQ(found, nullptr);

  uint32_t id = 0;
  EXPECT_EQ(registry->ToolIDByTool(tools[2], &id), 0);
  EXPECT_EQ(id, 2u);
  auto* other = new IToolRegistryImp();
  auto* stranger = new RecordingTool(u"stranger");
  ASSERT_EQ(other->RegisterTool(stranger, kNoToolId), 0);
  EXPECT_EQ(registry->ToolIDByTool(stranger, &id), 2);
  EXPECT_EQ(id, kNoToolId);
  EXPECT_EQ(registry->IsToolRegistered(stranger), 1) << "same identifier, another tool";
  other->UnregisterTool(stranger);
  stranger->Release();
  other->Release();
}

TEST_F(ToolRegistryTest, ManagerReachesEveryTool) {
  auto* manager = new FakeToolManager();
  ASSERT_EQ(registry->RegisterTool(tools[2], 0), 0);
  ASSERT_EQ(registry->RegisterTool(tools[0], 3), 0);
  ASSERT_EQ(registry->SetToolManager(manager), 0);
  for (int i : {0, 2}) {
    IToolManager* held = nullptr;
    tools[i]->GetToolManager(&held);
    EXPECT_EQ(held, manager);
    held->Release();
  }
  IToolManager* none = nullptr;
  tools[1]->GetToolManager(&none);
  EXPECT_EQ(none, nullptr);

  int32_t more = 5;
  manager->idleAnswer = 4;
  EXPECT_EQ(registry->ApplicationIsIdle(&more), 4);
  EXPECT_EQ(more, 0);

  ASSERT_EQ(registry->UnregisterTool(tools[0]), 0);
  EXPECT_EQ(manager->detached, (std::vector<ITool*>{tools[0]}));
  tools[0]->GetToolManager(&none);
  EXPECT_EQ(none, nullptr);
  registry->SetToolManager(nullptr);
  EXPECT_EQ(registry->ApplicationIsIdle(&more), 0);
  EXPECT_EQ(more, 1);
  EXPECT_EQ(manager->GetRefCount(), 1);
  manager->Release();
}

// A registry destroyed while it holds tools unregisters them.
TEST(ToolRegistryLifetime, DestructionUnregistersTools) {
  auto* registry = new IToolRegistryImp();
  auto* tool = new RecordingTool(u"kept");
  ASSERT_EQ(registry->RegisterTool(tool, kNoToolId), 0);
  EXPECT_EQ(registry->GetRefCount(), 2);
  // The host cuts the tool's own link, then drops the registry.
  tool->SetToolRegistry(nullptr);
  registry->Release();
  EXPECT_EQ(tool->GetRefCount(), 1);
  uint32_t id = 0;
  tool->GetID(&id);
  EXPECT_EQ(id, kNoToolId);
  tool->Release();
}

}  // namespace
