// The tool manager with recording tools in a real registry, a recording
// owner and scripted friends.
#include "zefcorek/ToolManager.h"

#include "ToolFakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using graphics_test::RecordingTool;

std::string ascii(const WCHAR* text) {
  std::string out;
  for (; text != nullptr && *text != u'\0'; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

// Records the manager's notifications as "on:NAME" / "off:NAME".
class RecordingOwner : public IStdInterfaceImp, public virtual IToolManagerOwner {
public:
  ZRESULT OwnerReserved0() override { return 21; }
  ZRESULT OwnerReserved1() override { return 21; }
  ZRESULT OwnerReserved2() override { return 21; }
  ZRESULT OwnerReserved3() override { return 21; }
  ZRESULT OnToolMgrNotification(IToolManager*, ToolMgrNotificationHdr* n) override {
    uint32_t id = 0;
    n->tool->GetID(&id);
    EXPECT_EQ(id, n->toolId);
    EXPECT_EQ(n->cbSize, kToolMgrNotificationSize);
    notices.push_back(std::string(n->code == 0 ? "on:" : "off:") + ascii(n->tool->GetName()));
    return 0;
  }
  ZRESULT OnToolNotification(IToolManager*, ITool*, ToolNotificationHdr* n) override {
    toolCodes.push_back(n->code);
    return 0;
  }
  ZRESULT OnToolDrawRequest(IToolManager*, ITool*, ToolDrawRequestHdr*) override { return 31; }
  ZRESULT OnToolInfoRequest(IToolManager*, ITool*, ToolInfoRequestHdr*) override { return 32; }
  std::vector<std::string> notices;
  std::vector<uint32_t> toolCodes;
};

class ScriptedFriend : public IStdInterfaceImp, public virtual IFriendTool {
public:
  ScriptedFriend(std::string name, std::vector<std::string>* log) : name_(name), log_(log) {}
  ZRESULT OnFriendEvent(ITool*, int32_t before, ToolEventHdr*, int32_t* handled) override {
    log_->push_back(name_ + (before != 0 ? ":before" : ":after"));
    *handled = handleBefore && before != 0 ? 1 : 0;
    return 0;
  }
  ZRESULT OnFriendNotification(ITool* tool, ToolNotificationHdr*) override {
    log_->push_back(name_ + ":notified");
    if (detachFrom != nullptr) detachFrom->DetachFriendTool(tool, this);
    return notifyAnswer;
  }
  bool handleBefore = false;
  ZRESULT notifyAnswer = 0;
  IToolManager* detachFrom = nullptr;

private:
  std::string name_;
  std::vector<std::string>* log_;
};

class ToolManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    registry = new IToolRegistryImp();
    manager = new IToolManagerImp();
    owner = new RecordingOwner();
    for (const char16_t* name : {u"A", u"B", u"C"}) {
      tools.push_back(new RecordingTool(name, &log));
      EXPECT_EQ(registry->RegisterTool(tools.back(), kNoToolId), 0);
    }
    // Hands the manager to the registered tools.
    manager->SetToolRegistry(registry);
    manager->SetMgrOwner(owner);
  }
  void TearDown() override {
    for (RecordingTool* tool : tools) registry->UnregisterTool(tool);
    for (RecordingTool* tool : tools) {
      EXPECT_EQ(tool->GetRefCount(), 1);
      tool->Release();
    }
    for (ScriptedFriend* f : friends) f->Release();
    manager->Release();
    EXPECT_EQ(registry->GetRefCount(), 1);
    registry->Release();
    owner->Release();
  }
  ScriptedFriend* makeFriend(const std::string& name, ITool* tool) {
    friends.push_back(new ScriptedFriend(name, &log));
    EXPECT_EQ(manager->AttachFriendTool(tool, friends.back(), 0), 0);
    return friends.back();
  }
  std::string activeName() {
    ITool* tool = nullptr;
    manager->GetActiveTool(&tool);
    const std::string name = tool != nullptr ? ascii(tool->GetName()) : "-";
    if (tool != nullptr) tool->Release();
    return name;
  }
  std::string frozenName() {
    ITool* tool = nullptr;
    manager->GetFrozenTool(&tool);
    const std::string name = tool != nullptr ? ascii(tool->GetName()) : "-";
    if (tool != nullptr) tool->Release();
    return name;
  }

  IToolRegistryImp* registry = nullptr;
  IToolManagerImp* manager = nullptr;
  RecordingOwner* owner = nullptr;
  std::vector<RecordingTool*> tools;
  std::vector<ScriptedFriend*> friends;
  std::vector<std::string> log;
};

using Strings = std::vector<std::string>;

TEST_F(ToolManagerTest, ActivationScenarios) {
  ITool* A = tools[0];
  ITool* B = tools[1];
  ITool* C = tools[2];
  auto aActive = [&] { ASSERT_EQ(manager->ActivateTool(A, 0), 0); };
  auto aFrozenBActive = [&] {
    aActive();
    ASSERT_EQ(manager->ActivateTool(B, 1), 0);
  };
  const struct {
    const char* what;
    std::function<void()> prepare;
    std::function<ZRESULT()> act;
    ZRESULT result;
    std::string active, frozen;
    Strings notices;              // the owner's, after the preparation
    std::string activeInOwnEyes;  // tools whose Activate state is on
  } rows[] = {
      {"freeze A for B", aActive, [&] { return manager->ActivateTool(B, 1); }, 0, "B", "A", {"on:B"}, "AB"},
      {"B ends, A returns", aFrozenBActive, [&] { return manager->DeactivateTool(); }, 0, "A", "-", {"off:B"}, "A"},
      {"freeze B for C", aFrozenBActive, [&] { return manager->ActivateTool(C, 1); }, 0, "C", "B", {"on:C"}, "BC"},
      {"C replaces both",
       aFrozenBActive,
       [&] { return manager->ActivateTool(C, 0); },
       0,
       "C",
       "-",
       {"off:B", "off:A", "on:C"},
       "C"},
      {"null ends both",
       aFrozenBActive,
       [&] { return manager->ActivateTool(nullptr, 0); },
       0,
       "-",
       "-",
       {"off:B", "off:A"},
       ""},
      {"frozen A asked again",
       aFrozenBActive,
       [&] { return manager->ActivateTool(A, 0); },
       2,
       "A",
       "-",
       {"off:B"},
       "A"},
      {"nothing to deactivate", [] {}, [&] { return manager->DeactivateTool(); }, 1, "-", "-", {}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    manager->ActivateTool(nullptr, 0);
    row.prepare();
    owner->notices.clear();
    EXPECT_EQ(row.act(), row.result);
    EXPECT_EQ(activeName(), row.active);
    EXPECT_EQ(frozenName(), row.frozen);
    EXPECT_EQ(owner->notices, row.notices);
    std::string on;
    for (RecordingTool* tool : tools)
      if (tool->isActive()) on += ascii(tool->GetName());
    EXPECT_EQ(on, row.activeInOwnEyes);
  }
}

TEST_F(ToolManagerTest, ActivationRefusals) {
  auto* stray = new RecordingTool(u"D");
  EXPECT_EQ(manager->ActivateTool(stray, 0), 1) << "the registry's answer";
  EXPECT_EQ(activeName(), "-");
  stray->Release();
  auto* lonely = new IToolManagerImp();
  EXPECT_EQ(lonely->ActivateTool(tools[0], 0), 2);
  EXPECT_EQ(lonely->ActivateToolByID(0, 0), 2);
  EXPECT_EQ(lonely->IsToolActiveByID(0), 2);
  lonely->Release();
  // ActivatingTool: yes from inside a tool's Activate, no otherwise.
  ASSERT_EQ(manager->ActivateToolByID(1, 0), 0);
  EXPECT_EQ(tools[1]->activatingSeen, 0);
  EXPECT_EQ(manager->ActivatingTool(), 1);
  EXPECT_EQ(manager->DeactivatingTool(), 1);
  EXPECT_EQ(manager->IsToolActiveByName(u"B"), 0);
  EXPECT_EQ(manager->IsToolActiveByName(u"A"), 1);
  EXPECT_EQ(manager->IsToolActiveByName(u"Z"), 2);
  EXPECT_EQ(manager->IsToolActive(tools[1]), 0);
  EXPECT_EQ(manager->IsToolFrozenByID(1), 1);
  EXPECT_EQ(manager->IsAnyToolFrozen(), 1);
  EXPECT_EQ(manager->IsAnyToolActive(), 0);
  EXPECT_EQ(manager->IsToolActive(nullptr), 10);
  EXPECT_EQ(manager->ActivateToolByID(9, 0), 2);
}

TEST_F(ToolManagerTest, Dispatch) {
  RecordingTool* A = tools[0];
  RecordingTool* B = tools[1];
  ToolEventHdr display{120, kToolEventDocDisplay};
  ToolEventHdr key{120, kToolEventKeyDown};

  ScriptedFriend* f = makeFriend("f", B);
  EXPECT_EQ(manager->DispatchEvent(&key), 1) << "no active tool";
  EXPECT_EQ(log, Strings{});

  ASSERT_EQ(manager->ActivateTool(A, 0), 0);
  ASSERT_EQ(manager->ActivateTool(B, 1), 0);
  const struct {
    const char* what;
    ToolEventHdr* event;
    ZRESULT handlerAnswer;
    bool friendHandles;
    ZRESULT result;
    Strings log;
  } rows[] = {
      {"display reaches the frozen tool first",
       &display,
       0,
       false,
       0,
       {"f:before", "event:A:5", "event:B:5", "f:after"}},
      {"other types do not", &key, 1, false, 1, {"f:before", "event:B:4", "f:after"}},
      {"no friends after a failure", &key, 2, false, 2, {"f:before", "event:B:4"}},
      {"a friend takes the event", &key, 0, true, 1, {"f:before"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    log.clear();
    B->handlerAnswer = row.handlerAnswer;
    A->handlerAnswer = 9;  // ignored
    f->handleBefore = row.friendHandles;
    EXPECT_EQ(manager->DispatchEvent(row.event), row.result);
    EXPECT_EQ(log, row.log);
  }
  ToolEventHdr tiny{7, 0};
  EXPECT_EQ(manager->DispatchEvent(&tiny), 10);
}

TEST_F(ToolManagerTest, FriendNotifications) {
  RecordingTool* A = tools[0];
  ScriptedFriend* first = makeFriend("first", A);
  makeFriend("second", A);
  makeFriend("other", tools[1]);
  ToolNotificationHdr phase{kToolNotificationMinSize, kToolNotifyPhaseChanged, nullptr};

  // A friend that detaches itself during the walk; the walk goes on.
  first->detachFrom = manager;
  first->notifyAnswer = kToolNotHandled;
  EXPECT_EQ(manager->DispatchNotificationToFriendTools(A, &phase), 0);
  EXPECT_EQ(log, (Strings{"first:notified", "second:notified"}));
  log.clear();
  EXPECT_EQ(manager->DispatchNotificationToFriendTools(A, &phase), 0);
  EXPECT_EQ(log, (Strings{"second:notified"}));

  // A friend answering 2 stops the walk.
  ScriptedFriend* stopper = makeFriend("stopper", A);
  makeFriend("late", A);
  stopper->notifyAnswer = 2;
  log.clear();
  EXPECT_EQ(manager->DispatchNotificationToFriendTools(A, &phase), 2);
  EXPECT_EQ(log, (Strings{"second:notified", "stopper:notified"}));

  // Tool notifications reach the friends (result ignored) and the owner.
  log.clear();
  EXPECT_EQ(A->ChangePhase(4, 0), 0);
  EXPECT_EQ(log, (Strings{"second:notified", "stopper:notified"}));
  EXPECT_EQ(owner->toolCodes, (std::vector<uint32_t>{2}));
}

TEST_F(ToolManagerTest, RequestsAndFriendBookkeeping) {
  RecordingTool* A = tools[0];
  ToolDrawRequestHdr draw{kToolDrawRequestMinSize, 0, 0};
  ToolInfoRequestHdr info{kToolInfoRequestMinSize, 0};
  EXPECT_EQ(manager->HandleToolDrawRequest(A, &draw), 31);
  EXPECT_EQ(manager->HandleToolInfoRequest(A, &info), 32);
  draw.cbSize -= 1;
  info.cbSize -= 1;
  EXPECT_EQ(manager->HandleToolDrawRequest(A, &draw), 10);
  EXPECT_EQ(manager->HandleToolInfoRequest(A, &info), 10);
  draw.cbSize += 1;
  info.cbSize += 1;

  ToolNotificationHdr n{kToolNotificationMinSize, kToolNotifyActionDone, nullptr};
  auto* otherRegistry = new IToolRegistryImp();
  auto* stranger = new RecordingTool(u"S");
  ASSERT_EQ(otherRegistry->RegisterTool(stranger, kNoToolId), 0);
  EXPECT_EQ(manager->HandleToolNotification(stranger, &n), 2);
  EXPECT_EQ(manager->AttachFriendTool(stranger, nullptr, 0), 10);
  ScriptedFriend* unattached = new ScriptedFriend("unattached", &log);
  EXPECT_EQ(manager->AttachFriendTool(stranger, unattached, 0), 2);
  unattached->Release();
  otherRegistry->UnregisterTool(stranger);
  stranger->Release();
  otherRegistry->Release();

  manager->SetMgrOwner(nullptr);
  EXPECT_EQ(manager->HandleToolNotification(A, &n), 1);
  EXPECT_EQ(manager->HandleToolDrawRequest(A, &draw), 2);
  EXPECT_EQ(manager->HandleToolInfoRequest(A, &info), 2);
  manager->SetMgrOwner(owner);

  // The same pair twice sees each event twice; detaching an unknown pair
  // answers 0; a null friend detaches all of the tool's.
  ScriptedFriend* twice = makeFriend("twice", A);
  ASSERT_EQ(manager->AttachFriendTool(A, twice, 0), 0);
  ScriptedFriend* elsewhere = makeFriend("elsewhere", tools[1]);
  ToolEventHdr key{120, kToolEventKeyDown};
  int32_t handled = 0;
  EXPECT_EQ(manager->DispatchEventToFriendTools(A, 1, &key, &handled), 0);
  EXPECT_EQ(log, (Strings{"twice:before", "twice:before"}));
  EXPECT_EQ(manager->DetachFriendTool(A, elsewhere), 0);
  EXPECT_EQ(manager->DetachFriendTool(A, twice), 0);
  log.clear();
  manager->DispatchEventToFriendTools(A, 1, &key, &handled);
  EXPECT_EQ(log, (Strings{"twice:before"}));
  makeFriend("third", A);
  EXPECT_EQ(manager->DetachFriendTool(A, nullptr), 0);
  log.clear();
  manager->DispatchEventToFriendTools(A, 1, &key, &handled);
  EXPECT_EQ(log, Strings{});
  manager->DispatchEventToFriendTools(tools[1], 1, &key, &handled);
  EXPECT_EQ(log, (Strings{"elsewhere:before"}));
  int32_t more = 3;
  EXPECT_EQ(manager->ApplicationIsIdle(&more), 0);
  EXPECT_EQ(more, 1);
}

// Unregistering a tool the manager holds: the active one is deactivated
// (owner told) and a frozen one forgotten, so the manager never calls a
// freed tool once the host releases it.
TEST_F(ToolManagerTest, UnregisteringHeldTools) {
  ASSERT_EQ(manager->ActivateTool(tools[0], 0), 0);
  ASSERT_EQ(manager->ActivateTool(tools[1], 1), 0);
  owner->notices.clear();

  ASSERT_EQ(registry->UnregisterTool(tools[1]), 0);
  EXPECT_EQ(owner->notices, (Strings{"off:B"}));
  EXPECT_EQ(activeName(), "A") << "the frozen tool came back";
  EXPECT_FALSE(tools[1]->isActive());

  ASSERT_EQ(manager->ActivateTool(tools[2], 1), 0);
  owner->notices.clear();
  ASSERT_EQ(registry->UnregisterTool(tools[0]), 0);
  EXPECT_EQ(owner->notices, Strings{});
  EXPECT_EQ(activeName(), "C");
  EXPECT_EQ(frozenName(), "-");

  ASSERT_EQ(registry->UnregisterTool(tools[2]), 0);
  EXPECT_EQ(owner->notices, (Strings{"off:C"}));
  EXPECT_EQ(activeName(), "-");
  // Released by the host here; events must not reach them.
  for (RecordingTool* tool : tools) tool->Release();
  tools.clear();
  ToolEventHdr display{120, kToolEventDocDisplay};
  EXPECT_EQ(manager->DispatchEvent(&display), 1);
}

}  // namespace
