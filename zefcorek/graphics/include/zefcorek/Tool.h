// Interactive tools and the interfaces they meet.
//
// A host runs editing tools in its views. Each tool (ITool) receives the
// view's events, moves through phases of its own and talks back through the
// tool manager (IToolManager), which routes events, keeps the active and
// frozen tool and passes a tool's notifications and requests on to its owner,
// the host (IToolManagerOwner). Friend tools (IFriendTool, host objects) see
// a tool's events before and after it and all its notifications. The tool
// registry (IToolRegistry) gives every tool an identifier.
//
// Operations are declared in their slot order; never reorder them. Yes/no
// operations answer 0 for yes and 1 for no. A hook answering 0x15
// (kToolNotHandled) did not handle the call and the caller goes on as on 0.
#pragma once

#include "zefcorek/StdInterface.h"
#include "zefcorek/ToolRecords.h"

#include <cstdint>

struct IPtrList;
struct IToolRegistry;
struct IToolManager;

struct ZEF_EXPORT ITool : virtual IStdInterface {
  // 0-3: the registry and the manager, with references (null when none).
  virtual ZRESULT GetToolRegistry(IToolRegistry** out) = 0;
  virtual ZRESULT SetToolRegistry(IToolRegistry* registry) = 0;
  virtual ZRESULT GetToolManager(IToolManager** out) = 0;
  virtual ZRESULT SetToolManager(IToolManager* manager) = 0;
  // 4-6: a name of at most 63 characters; CheckName is exact.
  virtual const WCHAR* GetName() = 0;
  virtual ZRESULT SetName(const WCHAR* name) = 0;
  virtual ZRESULT CheckName(const WCHAR* name) = 0;
  // 7, 8: the identifier the registry gave (kNoToolId when none).
  virtual ZRESULT GetID(uint32_t* out) = 0;
  virtual ZRESULT SetID(uint32_t id) = 0;
  // 9, 10: ZR_FAILED when already (in)active; the manager is told, and a failing
  // notification undoes the change.
  virtual ZRESULT Activate() = 0;
  virtual ZRESULT Deactivate() = 0;
  // 11: ZR_FAILED for a record below its type's minimum; ZR_NO for an unknown type.
  virtual ZRESULT HandleEvent(ToolEventHdr* event) = 0;
  // 12-15
  virtual ZRESULT GetPhase(int32_t* out) = 0;
  virtual ZRESULT GetPrevPhase(int32_t* out) = 0;
  virtual ZRESULT ChangePhase(int32_t phase, int32_t always) = 0;
  virtual ZRESULT PostActionDone(ToolNotificationHdr* notification, int32_t* endOfCycle) = 0;
  // 16, 17
  virtual ZRESULT SetIsCyclic(int32_t cyclic) = 0;
  virtual ZRESULT IsCyclic() = 0;
  // 18: a hook for derived tools.
  virtual ZRESULT GetKnownPt(uint32_t which, ToolEventCoords* out) = 0;
  // 19, 20: option 0 holds the announcement bits (1 mouse down, 2 mouse up,
  // 4 mouse move); other options: ZR_BADARG.
  virtual ZRESULT GetOption(uint32_t which, uint32_t* value) = 0;
  virtual ZRESULT SetOption(uint32_t which, uint32_t value) = 0;
  ~ITool() override;
};

// The host's side of a tool manager. Slots 0-3 are the host's own; the
// manager calls 4-7 and passes their answers back to the tool.
struct ZEF_EXPORT IToolManagerOwner : virtual IStdInterface {
  virtual ZRESULT OwnerReserved0() = 0;
  virtual ZRESULT OwnerReserved1() = 0;
  virtual ZRESULT OwnerReserved2() = 0;
  virtual ZRESULT OwnerReserved3() = 0;
  virtual ZRESULT OnToolMgrNotification(IToolManager* manager, ToolMgrNotificationHdr* notification) = 0;
  virtual ZRESULT OnToolNotification(IToolManager* manager, ITool* tool, ToolNotificationHdr* notification) = 0;
  virtual ZRESULT OnToolDrawRequest(IToolManager* manager, ITool* tool, ToolDrawRequestHdr* request) = 0;
  virtual ZRESULT OnToolInfoRequest(IToolManager* manager, ITool* tool, ToolInfoRequestHdr* request) = 0;
  ~IToolManagerOwner() override;
};

// A host object attached to a tool through the manager.
struct ZEF_EXPORT IFriendTool : virtual IStdInterface {
  // Called with before = 1 ahead of the tool and 0 after it; a non-zero
  // *handled before the tool keeps the event from the tool.
  virtual ZRESULT OnFriendEvent(ITool* tool, int32_t before, ToolEventHdr* event, int32_t* handled) = 0;
  virtual ZRESULT OnFriendNotification(ITool* tool, ToolNotificationHdr* notification) = 0;
  ~IFriendTool() override;
};

struct ZEF_EXPORT IToolManager : virtual IStdInterface {
  // 0-5: stored pointers, handed out with a reference (null when none).
  virtual ZRESULT GetMgrOwner(IToolManagerOwner** out) = 0;
  virtual ZRESULT SetMgrOwner(IToolManagerOwner* owner) = 0;
  virtual ZRESULT GetToolRegistry(IToolRegistry** out) = 0;
  // Also hands this manager to the registry (and so to its tools).
  virtual ZRESULT SetToolRegistry(IToolRegistry* registry) = 0;
  virtual ZRESULT GetActiveTool(ITool** out) = 0;
  virtual ZRESULT GetFrozenTool(ITool** out) = 0;
  // 6-8: with freeze set the active tool is set aside (frozen) while `tool`
  // runs, and comes back when it is deactivated.
  virtual ZRESULT ActivateTool(ITool* tool, int32_t freeze) = 0;
  virtual ZRESULT ActivateToolByID(uint32_t id, int32_t freeze) = 0;
  virtual ZRESULT DeactivateTool() = 0;
  // 9-16: yes/no queries.
  virtual ZRESULT IsAnyToolActive() = 0;
  virtual ZRESULT IsAnyToolFrozen() = 0;
  virtual ZRESULT IsToolActive(ITool* tool) = 0;
  virtual ZRESULT IsToolActiveByID(uint32_t id) = 0;
  virtual ZRESULT IsToolActiveByName(const WCHAR* name) = 0;
  virtual ZRESULT IsToolFrozen(ITool* tool) = 0;
  virtual ZRESULT IsToolFrozenByID(uint32_t id) = 0;
  virtual ZRESULT IsToolFrozenByName(const WCHAR* name) = 0;
  // 17-19: events and notifications, with the friends around the tool.
  virtual ZRESULT DispatchEvent(ToolEventHdr* event) = 0;
  virtual ZRESULT DispatchEventToFriendTools(ITool* tool, int32_t before, ToolEventHdr* event, int32_t* handled) = 0;
  virtual ZRESULT DispatchNotificationToFriendTools(ITool* tool, ToolNotificationHdr* notification) = 0;
  // 20, 21: yes while ActivateTool (DeactivateTool) runs.
  virtual ZRESULT ActivatingTool() = 0;
  virtual ZRESULT DeactivatingTool() = 0;
  // 22-24: a tool's messages to the owner.
  virtual ZRESULT HandleToolNotification(ITool* tool, ToolNotificationHdr* notification) = 0;
  virtual ZRESULT HandleToolDrawRequest(ITool* tool, ToolDrawRequestHdr* request) = 0;
  virtual ZRESULT HandleToolInfoRequest(ITool* tool, ToolInfoRequestHdr* request) = 0;
  // 25, 26: friends; a null friend detaches all of the tool's.
  virtual ZRESULT AttachFriendTool(ITool* tool, IFriendTool* friendTool, uint32_t value) = 0;
  virtual ZRESULT DetachFriendTool(ITool* tool, IFriendTool* friendTool) = 0;
  // 27: a hook for derived managers.
  virtual ZRESULT ApplicationIsIdle(int32_t* more) = 0;
  ~IToolManager() override;
};

struct ZEF_EXPORT IToolRegistry : virtual IStdInterface {
  // 0: kNoToolId asks for the first free identifier. ZR_FAILED for an identifier in
  // use; ZR_BADARG for one above kMaxToolId.
  virtual ZRESULT RegisterTool(ITool* tool, uint32_t id) = 0;
  virtual ZRESULT UnregisterToolByID(uint32_t id) = 0;
  virtual ZRESULT UnregisterTool(ITool* tool) = 0;
  virtual ZRESULT IsToolRegistered(ITool* tool) = 0;
  virtual ZRESULT IsToolRegisteredByID(uint32_t id) = 0;
  // 5, 6: with a reference; 2 and null when none.
  virtual ZRESULT ToolByID(uint32_t id, ITool** out) = 0;
  virtual ZRESULT ToolByName(const WCHAR* name, ITool** out) = 0;
  // 7: ZR_FAILED with kNoToolId for a tool of another registry.
  virtual ZRESULT ToolIDByTool(ITool* tool, uint32_t* id) = 0;
  virtual ZRESULT GetToolManager(IToolManager** out) = 0;
  // 9: stored without a reference and handed to every tool.
  virtual ZRESULT SetToolManager(IToolManager* manager) = 0;
  virtual ZRESULT ApplicationIsIdle(int32_t* more) = 0;
  ~IToolRegistry() override;
};

// The largest identifier RegisterTool accepts: the table grows to id + 1
// items, so a larger one would ask for gigabytes.
inline constexpr uint32_t kMaxToolId = 0xFFFF;

// The base class of a host's tools: the bookkeeping of ITool, each event
// turned into one overridable handler (answering 1 here).
class ZEF_EXPORT IToolImp : public IStdInterfaceImp, public virtual ITool {
public:
  IToolImp();
  // Drops the registry and the manager.
  ~IToolImp() override;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  LONG GetRefCount() override;
  IStdInterface* CastToTopInterface() override;
  bool SameInterface(IStdInterface* other) override;

  ZRESULT GetToolRegistry(IToolRegistry** out) override;
  ZRESULT SetToolRegistry(IToolRegistry* registry) override;
  ZRESULT GetToolManager(IToolManager** out) override;
  ZRESULT SetToolManager(IToolManager* manager) override;
  const WCHAR* GetName() override;
  ZRESULT SetName(const WCHAR* name) override;
  ZRESULT CheckName(const WCHAR* name) override;
  ZRESULT GetID(uint32_t* out) override;
  ZRESULT SetID(uint32_t id) override;
  ZRESULT Activate() override;
  ZRESULT Deactivate() override;
  ZRESULT HandleEvent(ToolEventHdr* event) override;
  ZRESULT GetPhase(int32_t* out) override;
  ZRESULT GetPrevPhase(int32_t* out) override;
  ZRESULT ChangePhase(int32_t phase, int32_t always) override;
  ZRESULT PostActionDone(ToolNotificationHdr* notification, int32_t* endOfCycle) override;
  ZRESULT SetIsCyclic(int32_t cyclic) override;
  ZRESULT IsCyclic() override;
  ZRESULT GetKnownPt(uint32_t which, ToolEventCoords* out) override;
  ZRESULT GetOption(uint32_t which, uint32_t* value) override;
  ZRESULT SetOption(uint32_t which, uint32_t value) override;

  // The event handlers; derived tools override them.
  virtual ZRESULT DoMouseDown(ToolEventMouseDown& event);
  virtual ZRESULT DoMouseMove(ToolEventMouseMove& event);
  virtual ZRESULT DoMouseUp(ToolEventMouseUp& event);
  virtual ZRESULT DoMouseClick(ToolEventMouseClick& event);
  virtual ZRESULT DoKeyDown(ToolEventKeyDown& event);
  virtual ZRESULT DoDocDisplay(ToolEventDocDisplay& event);
  virtual ZRESULT DoAction(ToolEventDoAction& event);

  // The tool's messages through its manager: ZR_BADARG for a short record, ZR_FAILED
  // without a manager, else the manager's answer.
  ZRESULT NotifyToMgr(ToolNotificationHdr* notification);
  ZRESULT NotifyToMgrActionDone(ToolNotificationHdr* notification, int32_t* endOfCycle);
  ZRESULT NotifyToMgrEndOfCycle();
  ZRESULT PostDrawRequest(ToolDrawRequestHdr* request);
  // Asks the host about a point; on 0 the host's coordinates are copied back.
  ZRESULT QueryAcceptPt(ToolEventCoords* coords);
  ZRESULT ReqMinTrackSize(tagT_POINT3D* size);

protected:
  // The announcement bits of option 0.
  static constexpr uint32_t kAnnounceMouseDown = 0x1;
  static constexpr uint32_t kAnnounceMouseUp = 0x2;
  static constexpr uint32_t kAnnounceMouseMove = 0x4;

  ZRESULT notifyCode(uint32_t code);
  ZRESULT handleMouseEvent(ToolEventHdr* event, uint32_t optionBit);

  IToolRegistry* registry_ = nullptr;  // counted; set by the registry
  IToolManager* manager_ = nullptr;    // counted; set by the registry
  WCHAR name_[64] = {};
  uint32_t id_ = kNoToolId;
  int32_t phase_ = 0;
  int32_t prevPhase_ = 0;
  uint32_t active_ = 0;
  ToolEventHdr* currentEvent_ = nullptr;  // the event being handled
  uint8_t cyclic_ = 1;
  // Set by derived tools to swallow the next mouse-up; cleared when the
  // tool is activated or deactivated.
  uint8_t ignoreMouseUp_ = 0;
  uint32_t options_ = 0;
};

// The tool table: item i is the tool with identifier i or null.
class ZEF_EXPORT IToolRegistryImp : public IStdInterfaceImp, public virtual IToolRegistry {
public:
  IToolRegistryImp();
  // Unregisters the tools still held, so that none keeps a pointer to a
  // freed registry.
  ~IToolRegistryImp() override;

  ZRESULT RegisterTool(ITool* tool, uint32_t id) override;
  ZRESULT UnregisterToolByID(uint32_t id) override;
  ZRESULT UnregisterTool(ITool* tool) override;
  ZRESULT IsToolRegistered(ITool* tool) override;
  ZRESULT IsToolRegisteredByID(uint32_t id) override;
  ZRESULT ToolByID(uint32_t id, ITool** out) override;
  ZRESULT ToolByName(const WCHAR* name, ITool** out) override;
  ZRESULT ToolIDByTool(ITool* tool, uint32_t* id) override;
  ZRESULT GetToolManager(IToolManager** out) override;
  ZRESULT SetToolManager(IToolManager* manager) override;
  ZRESULT ApplicationIsIdle(int32_t* more) override;

  // The first free identifier (the item count when none is free).
  uint32_t FindUnusedToolID();
  // The index holding this very pointer, or -1.
  int32_t FindTool(ITool* tool);
  // The first tool whose GetID answers id (no reference), or null.
  ITool* FindToolByID(uint32_t id);

private:
  ZRESULT dropTool(ITool* tool);

  IPtrList* tools_ = nullptr;        // owned; null when the factory failed
  IToolManager* manager_ = nullptr;  // not counted
};
