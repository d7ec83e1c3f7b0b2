// IToolImp: the bookkeeping every tool shares. Events are checked for their
// type's minimum size, announced to the manager where the tool's options ask
// for it, and handed to one overridable handler per type; activation, phase
// changes and finished actions are told to the manager, and a failing
// notification undoes the activation change that caused it.
#include "zefcorek/Tool.h"

#include "CountedReferences.h"

#include <cstring>
#include <string_view>

ITool::~ITool() = default;
IToolManagerOwner::~IToolManagerOwner() = default;
IFriendTool::~IFriendTool() = default;
IToolManager::~IToolManager() = default;
IToolRegistry::~IToolRegistry() = default;

namespace {

// A notification answer that lets the caller go on: 0, or 1 (the manager has
// no owner to tell).
bool acceptedNotification(ZRESULT result) { return result == ZR_OK || result == ZR_NO; }

using zefcorek::graphics::handOut;
using zefcorek::graphics::replaceCounted;

constexpr size_t kNameUnits = 64;

std::u16string_view boundedName(const WCHAR* name, size_t limit) {
  size_t length = 0;
  while (length < limit && name[length] != u'\0') ++length;
  return {name, length};
}

}  // namespace

IToolImp::IToolImp() = default;

IToolImp::~IToolImp() {
  SetToolRegistry(nullptr);
  SetToolManager(nullptr);
}

HRESULT IToolImp::QueryInterface(REFIID iid, void** out) { return IStdInterfaceImp::QueryInterface(iid, out); }
ULONG IToolImp::AddRef() { return IStdInterfaceImp::AddRef(); }
ULONG IToolImp::Release() { return IStdInterfaceImp::Release(); }
LONG IToolImp::GetRefCount() { return IStdInterfaceImp::GetRefCount(); }
IStdInterface* IToolImp::CastToTopInterface() { return static_cast<ITool*>(this); }
bool IToolImp::SameInterface(IStdInterface* other) {
  return other != nullptr && other->CastToTopInterface() == CastToTopInterface();
}

// --- registry, manager, name, identifier -------------------------------------

ZRESULT IToolImp::GetToolRegistry(IToolRegistry** out) { return handOut(registry_, out); }

ZRESULT IToolImp::SetToolRegistry(IToolRegistry* registry) {
  replaceCounted(&registry_, registry);
  return ZR_OK;
}

ZRESULT IToolImp::GetToolManager(IToolManager** out) { return handOut(manager_, out); }

ZRESULT IToolImp::SetToolManager(IToolManager* manager) {
  replaceCounted(&manager_, manager);
  return ZR_OK;
}

const WCHAR* IToolImp::GetName() { return name_; }

ZRESULT IToolImp::SetName(const WCHAR* name) {
  if (name == nullptr) return ZR_BADARG;
  const std::u16string_view kept = boundedName(name, kNameUnits - 1);
  std::memcpy(name_, kept.data(), kept.size() * sizeof(WCHAR));
  name_[kept.size()] = u'\0';
  return ZR_OK;
}

ZRESULT IToolImp::CheckName(const WCHAR* name) {
  if (name == nullptr) return ZR_BADARG;
  return std::u16string_view(name) == boundedName(name_, kNameUnits) ? ZR_OK : ZR_NO;
}

ZRESULT IToolImp::GetID(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = id_;
  return ZR_OK;
}

ZRESULT IToolImp::SetID(uint32_t id) {
  id_ = id;
  return ZR_OK;
}

// --- activation and phases ----------------------------------------------------

ZRESULT IToolImp::notifyCode(uint32_t code) {
  ToolNotificationHdr notification{kToolNotificationMinSize, code, nullptr};
  return NotifyToMgr(&notification);
}

ZRESULT IToolImp::Activate() {
  if (active_ != 0) return ZR_FAILED;
  active_ = 1;
  ignoreMouseUp_ = 0;
  const ZRESULT result = notifyCode(kToolNotifyActivated);
  if (acceptedNotification(result)) return ZR_OK;
  active_ = 0;
  return result;
}

ZRESULT IToolImp::Deactivate() {
  if (active_ == 0) return ZR_FAILED;
  active_ = 0;
  ignoreMouseUp_ = 0;
  const ZRESULT result = notifyCode(kToolNotifyDeactivated);
  if (acceptedNotification(result)) return ZR_OK;
  active_ = 1;
  return result;
}

ZRESULT IToolImp::GetPhase(int32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = phase_;
  return ZR_OK;
}

ZRESULT IToolImp::GetPrevPhase(int32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = prevPhase_;
  return ZR_OK;
}

ZRESULT IToolImp::ChangePhase(int32_t phase, int32_t always) {
  prevPhase_ = phase_;
  phase_ = phase;
  if (always == 0 && phase_ == prevPhase_) return ZR_OK;
  return notifyCode(kToolNotifyPhaseChanged);
}

ZRESULT IToolImp::SetIsCyclic(int32_t cyclic) {
  cyclic_ = cyclic != 0 ? 1 : 0;
  return ZR_OK;
}

ZRESULT IToolImp::IsCyclic() { return cyclic_ != 0 ? ZR_OK : ZR_NO; }

ZRESULT IToolImp::GetKnownPt(uint32_t, ToolEventCoords*) { return kToolNotHandled; }

ZRESULT IToolImp::GetOption(uint32_t which, uint32_t* value) {
  if (value == nullptr) return ZR_BADARG;
  if (which != 0) {
    *value = 0;
    return ZR_BADARG;
  }
  *value = options_;
  return ZR_OK;
}

ZRESULT IToolImp::SetOption(uint32_t which, uint32_t value) {
  if (which != 0) return ZR_BADARG;
  options_ = value;
  return ZR_OK;
}

// --- events ----------------------------------------------------------------------

// Mouse down, move and up: announced to the manager first when the option
// bit asks for it; only 0 or "not handled" lets the handler run.
ZRESULT IToolImp::handleMouseEvent(ToolEventHdr* event, uint32_t optionBit) {
  if (event->cbSize < kToolEventMouseMinSize) return ZR_FAILED;
  if (event->type == kToolEventMouseUp && ignoreMouseUp_ != 0) return ZR_OK;
  if ((options_ & optionBit) != 0) {
    ToolEventNotification announcement{{kToolEventNotificationSize, kToolNotifyEventAnnounced, event}, optionBit};
    const ZRESULT result = NotifyToMgr(&announcement.hdr);
    if (result != ZR_OK && result != kToolNotHandled) return result;
  }
  switch (event->type) {
    case kToolEventMouseDown: return DoMouseDown(*event);
    case kToolEventMouseMove: return DoMouseMove(*event);
    default: return DoMouseUp(*event);
  }
}

ZRESULT IToolImp::HandleEvent(ToolEventHdr* event) {
  if (event == nullptr) return ZR_BADARG;
  currentEvent_ = event;
  // Minimum size and handler of the types without announcements.
  struct Plain {
    uint32_t minSize;
    ZRESULT (IToolImp::*handler)(ToolEventHdr&);
  };
  static constexpr Plain kPlain[] = {
      {kToolEventMouseMinSize, &IToolImp::DoMouseClick},
      {kToolEventKeyMinSize, &IToolImp::DoKeyDown},
      {kToolEventDisplayMinSize, &IToolImp::DoDocDisplay},
      {kToolEventActionMinSize, &IToolImp::DoAction},
  };
  switch (event->type) {
    case kToolEventMouseDown: return handleMouseEvent(event, kAnnounceMouseDown);
    case kToolEventMouseMove: return handleMouseEvent(event, kAnnounceMouseMove);
    case kToolEventMouseUp: return handleMouseEvent(event, kAnnounceMouseUp);
    case kToolEventMouseClick:
    case kToolEventKeyDown:
    case kToolEventDocDisplay:
    case kToolEventDoAction: {
      const Plain& plain = kPlain[event->type - kToolEventMouseClick];
      if (event->cbSize < plain.minSize) return ZR_FAILED;
      return (this->*plain.handler)(*event);
    }
    default: return ZR_NO;
  }
}

ZRESULT IToolImp::DoMouseDown(ToolEventMouseDown&) { return ZR_NO; }
ZRESULT IToolImp::DoMouseMove(ToolEventMouseMove&) { return ZR_NO; }
ZRESULT IToolImp::DoMouseUp(ToolEventMouseUp&) { return ZR_NO; }
ZRESULT IToolImp::DoMouseClick(ToolEventMouseClick&) { return ZR_NO; }
ZRESULT IToolImp::DoKeyDown(ToolEventKeyDown&) { return ZR_NO; }
ZRESULT IToolImp::DoDocDisplay(ToolEventDocDisplay&) { return ZR_NO; }
ZRESULT IToolImp::DoAction(ToolEventDoAction&) { return ZR_NO; }

// --- messages through the manager ------------------------------------------------

ZRESULT IToolImp::NotifyToMgr(ToolNotificationHdr* notification) {
  if (notification == nullptr || notification->cbSize < kToolNotificationMinSize) return ZR_BADARG;
  if (manager_ == nullptr) return ZR_FAILED;
  return manager_->HandleToolNotification(this, notification);
}

ZRESULT IToolImp::PostActionDone(ToolNotificationHdr* notification, int32_t* endOfCycle) {
  if (notification != nullptr &&
      (notification->cbSize < kToolNotificationMinSize || notification->code != kToolNotifyActionDone))
    return ZR_BADARG;
  return NotifyToMgrActionDone(notification, endOfCycle);
}

// A cyclic tool starts over after an action; a non-cyclic one ends its
// cycle, which the manager is told with a code 6.
ZRESULT IToolImp::NotifyToMgrActionDone(ToolNotificationHdr* notification, int32_t* endOfCycle) {
  if (endOfCycle == nullptr) return ZR_BADARG;
  const ZRESULT result = notification != nullptr ? NotifyToMgr(notification) : notifyCode(kToolNotifyActionDone);
  if (!acceptedNotification(result)) return result;
  if (cyclic_ != 0) {
    *endOfCycle = 0;
    return result;
  }
  *endOfCycle = 1;
  return NotifyToMgrEndOfCycle();
}

ZRESULT IToolImp::NotifyToMgrEndOfCycle() { return notifyCode(kToolNotifyEndOfCycle); }

ZRESULT IToolImp::PostDrawRequest(ToolDrawRequestHdr* request) {
  if (request == nullptr || request->cbSize < kToolDrawRequestMinSize) return ZR_BADARG;
  if (manager_ == nullptr) return ZR_FAILED;
  return manager_->HandleToolDrawRequest(this, request);
}

ZRESULT IToolImp::QueryAcceptPt(ToolEventCoords* coords) {
  if (coords == nullptr) return ZR_BADARG;
  if (manager_ == nullptr) return ZR_FAILED;
  ToolInfoAcceptPoint request{{sizeof(ToolInfoAcceptPoint), kToolInfoAcceptPoint}, *coords};
  const ZRESULT result = manager_->HandleToolInfoRequest(this, &request.hdr);
  if (result == ZR_OK) *coords = request.coords;
  return result;
}

ZRESULT IToolImp::ReqMinTrackSize(tagT_POINT3D* size) {
  if (size == nullptr) return ZR_BADARG;
  if (manager_ == nullptr) return ZR_FAILED;
  ToolInfoMinTrackSize request{{sizeof(ToolInfoMinTrackSize), kToolInfoMinTrackSize}, *size};
  const ZRESULT result = manager_->HandleToolInfoRequest(this, &request.hdr);
  if (result == ZR_OK) *size = request.size;
  return result;
}
