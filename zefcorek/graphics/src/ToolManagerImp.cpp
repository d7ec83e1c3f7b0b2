// IToolManagerImp: activation with one level of freezing, event dispatch
// with friend tools before and after the tool, and the tools' messages to
// the owner.
#include "zefcorek/ToolManager.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/PtrList.h"
#include "zefcorek/ZefCoreK.h"

#include "CountedReferences.h"

#include <new>

namespace {

IPtrList* makePointerList() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IPtrListImp, &made, 0) != S_OK) return nullptr;
  return static_cast<IPtrList*>(made);
}

using zefcorek::graphics::handOut;

// The owner's notifications need their size and code at least.
constexpr uint32_t kOwnerNotificationMinSize = 8;

bool sameTool(ITool* a, ITool* b) { return a != nullptr && a->SameInterface(b); }

// Calls `visit` on the friend entries of `tool`, in list order, until it
// answers true. Each next node is taken before the call: a friend may
// detach itself during it.
template <typename Entry, typename Visit>
void visitFriendsOf(IPtrList* friends, ITool* tool, Visit visit) {
  IPtrList::Node* node = nullptr;
  for (friends->GetHead(&node); node != nullptr;) {
    IPtrList::Node* next = nullptr;
    friends->GetNextNode(node, &next);
    void* item = nullptr;
    friends->GetItem(node, &item);
    const auto* entry = static_cast<const Entry*>(item);
    if (entry->tool->SameInterface(tool) && visit(*entry)) return;
    node = next;
  }
}

}  // namespace

IToolManagerImp::IToolManagerImp() : friends_(makePointerList()) {
  if (friends_ != nullptr) friends_->SetReleaseCallback(&ClearProc_FriendTools, this);
}

IToolManagerImp::~IToolManagerImp() {
  if (friends_ != nullptr) friends_->Release();
  if (registry_ != nullptr) registry_->SetToolManager(nullptr);
}

int32_t IToolManagerImp::CompareProc_FriendTools(void* item, void* key, void* /*context*/) {
  const auto* entry = static_cast<const FriendEntry*>(item);
  const auto* wanted = static_cast<const FriendEntry*>(key);
  const bool friendMatches = wanted->friendTool == nullptr || entry->friendTool == wanted->friendTool;
  return entry->tool == wanted->tool && friendMatches ? 0 : -1;
}

int32_t IToolManagerImp::ClearProc_FriendTools(void* item, TPtrListNode*, void*) {
  delete static_cast<FriendEntry*>(item);
  return 0;
}

// --- stored pointers ---------------------------------------------------------------

ZRESULT IToolManagerImp::GetMgrOwner(IToolManagerOwner** out) { return handOut(owner_, out); }

ZRESULT IToolManagerImp::SetMgrOwner(IToolManagerOwner* owner) {
  owner_ = owner;
  return ZR_OK;
}

ZRESULT IToolManagerImp::GetToolRegistry(IToolRegistry** out) { return handOut(registry_, out); }

ZRESULT IToolManagerImp::SetToolRegistry(IToolRegistry* registry) {
  registry_ = registry;
  if (registry != nullptr) registry->SetToolManager(this);
  return ZR_OK;
}

ZRESULT IToolManagerImp::GetActiveTool(ITool** out) { return handOut(active_, out); }

ZRESULT IToolManagerImp::GetFrozenTool(ITool** out) { return handOut(frozen_, out); }

// --- activation ------------------------------------------------------------------------

ZRESULT IToolManagerImp::ActivateTool(ITool* tool, int32_t freeze) {
  if (registry_ == nullptr) return ZR_FAILED;
  activating_ = 1;
  ZRESULT result = ZR_OK;
  if (active_ != nullptr) {
    if (freeze == 0 || tool == nullptr || sameTool(tool, active_)) {
      // Deactivating may bring a frozen tool back; unless it is the tool
      // asked for, it goes too.
      result = DeactivateTool();
      if (result == ZR_OK && active_ != nullptr && !sameTool(tool, active_)) result = DeactivateTool();
    } else {
      if (frozen_ != nullptr) {
        if (const ZRESULT failed = frozen_->Deactivate(); failed != ZR_OK) {
          activating_ = 0;
          return failed;
        }
      }
      // Set aside without deactivation: the tool stays active in its own eyes.
      frozen_ = active_;
      active_ = nullptr;
    }
  }
  if (result == ZR_OK && tool != nullptr) {
    result = registry_->IsToolRegistered(tool);
    if (result == ZR_OK) result = InternalActivateTool(tool);
  }
  activating_ = 0;
  return result;
}

ZRESULT IToolManagerImp::InternalActivateTool(ITool* tool) {
  if (tool == nullptr) return ZR_BADARG;
  uint32_t id = kNoToolId;
  if (const ZRESULT result = tool->GetID(&id); result != ZR_OK) return result;
  if (const ZRESULT result = tool->Activate(); result != ZR_OK) return result;
  active_ = tool;
  ToolMgrNotificationHdr notification{kToolMgrNotificationSize, kToolMgrActivated, id, tool};
  NotifyToOwner(&notification);
  return ZR_OK;
}

ZRESULT IToolManagerImp::ActivateToolByID(uint32_t id, int32_t freeze) {
  if (registry_ == nullptr) return ZR_FAILED;
  ITool* tool = nullptr;
  if (const ZRESULT result = registry_->ToolByID(id, &tool); result != ZR_OK) return result;
  const ZRESULT result = ActivateTool(tool, freeze);
  tool->Release();
  return result;
}

ZRESULT IToolManagerImp::DeactivateTool() {
  if (active_ == nullptr) return ZR_NO;
  deactivating_ = 1;
  ITool* tool = active_;
  ZRESULT result = tool->Deactivate();
  if (result == ZR_OK) {
    uint32_t id = kNoToolId;
    result = tool->GetID(&id);
    if (result == ZR_OK) {
      ToolMgrNotificationHdr notification{kToolMgrNotificationSize, kToolMgrDeactivated, id, tool};
      NotifyToOwner(&notification);
    }
    active_ = frozen_;
    frozen_ = nullptr;
  }
  deactivating_ = 0;
  return result;
}

void IToolManagerImp::ToolUnregistering(ITool* tool) {
  if (sameTool(frozen_, tool)) frozen_ = nullptr;
  if (!sameTool(active_, tool)) return;
  DeactivateTool();
  // A tool that refuses to stop is dropped all the same: the registry is
  // about to release it.
  if (sameTool(active_, tool)) {
    active_ = frozen_;
    frozen_ = nullptr;
  }
}

ZRESULT IToolManagerImp::ActivatingTool() { return activating_ != 0 ? ZR_OK : ZR_NO; }

ZRESULT IToolManagerImp::DeactivatingTool() { return deactivating_ != 0 ? ZR_OK : ZR_NO; }

// --- queries ---------------------------------------------------------------------------

ZRESULT IToolManagerImp::IsAnyToolActive() { return active_ != nullptr ? ZR_OK : ZR_NO; }

ZRESULT IToolManagerImp::IsAnyToolFrozen() { return frozen_ != nullptr ? ZR_OK : ZR_NO; }

ZRESULT IToolManagerImp::isHeld(ITool* held, ITool* tool) {
  if (tool == nullptr) return ZR_BADARG;
  return tool->SameInterface(held) ? ZR_OK : ZR_NO;
}

// Looks the tool up in the registry (releasing the reference it hands out)
// and asks isHeld.
template <typename Lookup>
ZRESULT IToolManagerImp::isHeldVia(ITool* held, Lookup lookup) {
  if (registry_ == nullptr) return ZR_FAILED;
  ITool* tool = nullptr;
  if (const ZRESULT result = lookup(&tool); result != ZR_OK) return result;
  const ZRESULT result = isHeld(held, tool);
  tool->Release();
  return result;
}

ZRESULT IToolManagerImp::IsToolActive(ITool* tool) { return isHeld(active_, tool); }

ZRESULT IToolManagerImp::IsToolActiveByID(uint32_t id) {
  return isHeldVia(active_, [&](ITool** out) { return registry_->ToolByID(id, out); });
}

ZRESULT IToolManagerImp::IsToolActiveByName(const WCHAR* name) {
  return isHeldVia(active_, [&](ITool** out) { return registry_->ToolByName(name, out); });
}

ZRESULT IToolManagerImp::IsToolFrozen(ITool* tool) { return isHeld(frozen_, tool); }

ZRESULT IToolManagerImp::IsToolFrozenByID(uint32_t id) {
  return isHeldVia(frozen_, [&](ITool** out) { return registry_->ToolByID(id, out); });
}

ZRESULT IToolManagerImp::IsToolFrozenByName(const WCHAR* name) {
  return isHeldVia(frozen_, [&](ITool** out) { return registry_->ToolByName(name, out); });
}

// --- events and notifications ------------------------------------------------------------

ZRESULT IToolManagerImp::DispatchEvent(ToolEventHdr* event) {
  if (event == nullptr || event->cbSize < kToolEventHdrMinSize) return ZR_BADARG;
  if (active_ == nullptr) return ZR_NO;
  ITool* tool = active_;
  int32_t handled = 0;
  DispatchEventToFriendTools(tool, 1, event, &handled);
  if (handled != 0) return ZR_NO;
  // The frozen tool still shows on the document: it draws first.
  if (frozen_ != nullptr && event->type == kToolEventDocDisplay) frozen_->HandleEvent(event);
  const ZRESULT result = tool->HandleEvent(event);
  if (result == ZR_OK || result == ZR_NO) DispatchEventToFriendTools(tool, 0, event, &handled);
  return result;
}

ZRESULT IToolManagerImp::DispatchEventToFriendTools(ITool* tool, int32_t before, ToolEventHdr* event,
                                                    int32_t* handled) {
  if (tool == nullptr || event == nullptr || event->cbSize < kToolEventHdrMinSize || handled == nullptr)
    return ZR_BADARG;
  *handled = 0;
  if (friends_ == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = ZR_OK;
  int32_t friendHandled = 0;
  visitFriendsOf<FriendEntry>(friends_, tool, [&](const FriendEntry& entry) {
    result = entry.friendTool->OnFriendEvent(tool, before, event, &friendHandled);
    return result != ZR_OK || friendHandled != 0;
  });
  *handled = friendHandled;
  return result;
}

ZRESULT IToolManagerImp::DispatchNotificationToFriendTools(ITool* tool, ToolNotificationHdr* notification) {
  if (tool == nullptr || notification == nullptr || notification->cbSize < kToolNotificationMinSize) return ZR_BADARG;
  if (friends_ == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = ZR_OK;
  visitFriendsOf<FriendEntry>(friends_, tool, [&](const FriendEntry& entry) {
    const ZRESULT answer = entry.friendTool->OnFriendNotification(tool, notification);
    if (answer == ZR_OK || answer == ZR_NO || answer == kToolNotHandled) return false;
    result = answer;
    return true;
  });
  return result;
}

ZRESULT IToolManagerImp::HandleToolNotification(ITool* tool, ToolNotificationHdr* notification) {
  if (tool == nullptr || notification == nullptr || notification->cbSize < kToolNotificationMinSize) return ZR_BADARG;
  if (registry_ == nullptr) return ZR_FAILED;
  uint32_t id = kNoToolId;
  if (const ZRESULT result = registry_->ToolIDByTool(tool, &id); result != ZR_OK) return result;
  DispatchNotificationToFriendTools(tool, notification);
  if (owner_ == nullptr) return ZR_NO;
  return owner_->OnToolNotification(this, tool, notification);
}

ZRESULT IToolManagerImp::HandleToolDrawRequest(ITool* tool, ToolDrawRequestHdr* request) {
  if (tool == nullptr || request == nullptr || request->cbSize < kToolDrawRequestMinSize) return ZR_BADARG;
  if (owner_ == nullptr) return ZR_FAILED;
  return owner_->OnToolDrawRequest(this, tool, request);
}

ZRESULT IToolManagerImp::HandleToolInfoRequest(ITool* tool, ToolInfoRequestHdr* request) {
  if (tool == nullptr || request == nullptr || request->cbSize < kToolInfoRequestMinSize) return ZR_BADARG;
  if (owner_ == nullptr) return ZR_FAILED;
  return owner_->OnToolInfoRequest(this, tool, request);
}

ZRESULT IToolManagerImp::NotifyToOwner(ToolMgrNotificationHdr* notification) {
  if (notification == nullptr || notification->cbSize < kOwnerNotificationMinSize) return ZR_BADARG;
  if (owner_ == nullptr) return ZR_NO;
  return owner_->OnToolMgrNotification(this, notification);
}

// --- friends -------------------------------------------------------------------------------

ZRESULT IToolManagerImp::AttachFriendTool(ITool* tool, IFriendTool* friendTool, uint32_t) {
  if (tool == nullptr || friendTool == nullptr) return ZR_BADARG;
  if (registry_ == nullptr || registry_->IsToolRegistered(tool) != ZR_OK) return ZR_FAILED;
  if (friends_ == nullptr) return ZR_OUTOFMEMORY;
  auto* entry = new (std::nothrow) FriendEntry{tool, friendTool, 0};
  if (entry == nullptr) return ZR_OUTOFMEMORY;
  if (const ZRESULT result = friends_->AddTail(entry, nullptr); result != ZR_OK) {
    delete entry;
    return result;
  }
  return ZR_OK;
}

ZRESULT IToolManagerImp::DetachFriendTool(ITool* tool, IFriendTool* friendTool) {
  if (tool == nullptr) return ZR_BADARG;
  if (registry_ == nullptr || registry_->IsToolRegistered(tool) != ZR_OK) return ZR_FAILED;
  if (friends_ == nullptr) return ZR_OUTOFMEMORY;
  FriendEntry key{tool, friendTool, 0};
  for (;;) {
    unsigned index = 0;
    IPtrList::Node* node = nullptr;
    if (friends_->Search(&key, &CompareProc_FriendTools, this, &index, &node) != ZR_OK || node == nullptr) return ZR_OK;
    friends_->RemoveNode(node, /*release=*/true);
    if (friendTool != nullptr) return ZR_OK;
  }
}

ZRESULT IToolManagerImp::ApplicationIsIdle(int32_t* more) {
  if (more != nullptr && *more != 0) *more = 1;
  return ZR_OK;
}
