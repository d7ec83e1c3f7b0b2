// IToolManagerImp: the tool manager between a host view and its tools.
//
// It keeps one active tool and at most one frozen tool (an active tool set
// aside while another one runs, brought back when that one ends), routes the
// view's events to the active tool with the tool's friends around it, and
// passes the tools' notifications and requests on to its owner. Owner,
// registry and the two tools are held without references: the host keeps
// owner and registry alive, and the registry tells the manager before it
// lets go of a tool the manager holds (ToolUnregistering).
#pragma once

#include "zefcorek/Tool.h"

#include <cstdint>

struct IPtrList;
struct TPtrListNode;

class ZEF_EXPORT IToolManagerImp : public IStdInterfaceImp, public virtual IToolManager {
public:
  IToolManagerImp();
  // Frees the friend entries and tells the registry that its manager is gone.
  ~IToolManagerImp() override;

  ZRESULT GetMgrOwner(IToolManagerOwner** out) override;
  ZRESULT SetMgrOwner(IToolManagerOwner* owner) override;
  ZRESULT GetToolRegistry(IToolRegistry** out) override;
  ZRESULT SetToolRegistry(IToolRegistry* registry) override;
  ZRESULT GetActiveTool(ITool** out) override;
  ZRESULT GetFrozenTool(ITool** out) override;
  ZRESULT ActivateTool(ITool* tool, int32_t freeze) override;
  ZRESULT ActivateToolByID(uint32_t id, int32_t freeze) override;
  ZRESULT DeactivateTool() override;
  ZRESULT IsAnyToolActive() override;
  ZRESULT IsAnyToolFrozen() override;
  ZRESULT IsToolActive(ITool* tool) override;
  ZRESULT IsToolActiveByID(uint32_t id) override;
  ZRESULT IsToolActiveByName(const WCHAR* name) override;
  ZRESULT IsToolFrozen(ITool* tool) override;
  ZRESULT IsToolFrozenByID(uint32_t id) override;
  ZRESULT IsToolFrozenByName(const WCHAR* name) override;
  ZRESULT DispatchEvent(ToolEventHdr* event) override;
  ZRESULT DispatchEventToFriendTools(ITool* tool, int32_t before, ToolEventHdr* event, int32_t* handled) override;
  ZRESULT DispatchNotificationToFriendTools(ITool* tool, ToolNotificationHdr* notification) override;
  ZRESULT ActivatingTool() override;
  ZRESULT DeactivatingTool() override;
  ZRESULT HandleToolNotification(ITool* tool, ToolNotificationHdr* notification) override;
  ZRESULT HandleToolDrawRequest(ITool* tool, ToolDrawRequestHdr* request) override;
  ZRESULT HandleToolInfoRequest(ITool* tool, ToolInfoRequestHdr* request) override;
  ZRESULT AttachFriendTool(ITool* tool, IFriendTool* friendTool, uint32_t value) override;
  ZRESULT DetachFriendTool(ITool* tool, IFriendTool* friendTool) override;
  ZRESULT ApplicationIsIdle(int32_t* more) override;

  // 10 for a short record; 1 without an owner; else the owner's answer.
  ZRESULT NotifyToOwner(ToolMgrNotificationHdr* notification);
  // Activates a registered tool and tells the owner.
  ZRESULT InternalActivateTool(ITool* tool);
  // Called by the registry before it releases `tool`: an active tool is
  // deactivated (the owner is told, a frozen tool comes back), a frozen one
  // is forgotten, so the manager never holds a freed tool.
  void ToolUnregistering(ITool* tool);

  // Friend-list callbacks: 0 when an entry matches the key (a null friend
  // in the key matches any friend of the tool), -1 otherwise; the clear
  // callback deletes an entry.
  static int32_t CompareProc_FriendTools(void* item, void* key, void* context);
  static int32_t ClearProc_FriendTools(void* item, TPtrListNode* node, void* context);

private:
  struct FriendEntry {
    ITool* tool;
    IFriendTool* friendTool;
    uint32_t value;  // always 0
  };
  ZRESULT isHeld(ITool* held, ITool* tool);
  template <typename Lookup>
  ZRESULT isHeldVia(ITool* held, Lookup lookup);

  IToolManagerOwner* owner_ = nullptr;  // not counted
  IToolRegistry* registry_ = nullptr;   // not counted
  ITool* active_ = nullptr;             // not counted; registered while held
  uint32_t activating_ = 0;             // set while ActivateTool runs
  uint32_t deactivating_ = 0;           // set while DeactivateTool runs
  ITool* frozen_ = nullptr;             // not counted; registered while held
  IPtrList* friends_ = nullptr;         // FriendEntry items; owned, may be null
};
