// Test doubles of the tool framework: a tool that records its handler calls,
// and a manager that records what tools send it and answers from a script.
#pragma once

#include "zefcorek/Tool.h"

#include <deque>
#include <string>
#include <vector>

namespace graphics_test {

// A tool whose handlers record the event type and answer `handlerAnswer`.
class RecordingTool : public IToolImp {
public:
  explicit RecordingTool(const std::u16string& name = u"", std::vector<std::string>* log = nullptr) : log_(log) {
    SetName(name.c_str());
  }

  ZRESULT DoMouseDown(ToolEventMouseDown& e) override { return record(e); }
  ZRESULT DoMouseMove(ToolEventMouseMove& e) override { return record(e); }
  ZRESULT DoMouseUp(ToolEventMouseUp& e) override { return record(e); }
  ZRESULT DoMouseClick(ToolEventMouseClick& e) override { return record(e); }
  ZRESULT DoKeyDown(ToolEventKeyDown& e) override { return record(e); }
  ZRESULT DoDocDisplay(ToolEventDocDisplay& e) override { return record(e); }
  ZRESULT DoAction(ToolEventDoAction& e) override { return record(e); }

  ZRESULT Activate() override {
    activatingSeen = manager_ != nullptr ? manager_->ActivatingTool() : -1;
    const ZRESULT result = IToolImp::Activate();
    note("activate", result);
    return result;
  }
  ZRESULT Deactivate() override {
    const ZRESULT result = IToolImp::Deactivate();
    note("deactivate", result);
    return result;
  }

  void ignoreNextMouseUp() { ignoreMouseUp_ = 1; }
  bool isActive() const { return active_ != 0; }
  ToolEventHdr* currentEvent() const { return currentEvent_; }

  std::vector<uint32_t> handled;  // event types that reached a handler
  ZRESULT handlerAnswer = 0;
  ZRESULT activatingSeen = -1;  // ActivatingTool() asked from Activate

private:
  ZRESULT record(ToolEventHdr& e) {
    handled.push_back(e.type);
    note("event", e.type);
    return handlerAnswer;
  }
  // Log lines read "what:name:value".
  void note(const char* what, int value) {
    if (log_ != nullptr) log_->push_back(std::string(what) + ":" + nameAscii() + ":" + std::to_string(value));
  }
  std::string nameAscii() {
    std::string out;
    for (const WCHAR* p = GetName(); *p != u'\0'; ++p) out.push_back(static_cast<char>(*p));
    return out;
  }

  std::vector<std::string>* log_;
};

// A manager that records notifications and requests and answers from a
// script (0 once the script is used up).
class FakeToolManager : public IStdInterfaceImp, public virtual IToolManager {
public:
  struct Notice {
    uint32_t code;
    ToolEventHdr* event;
    uint32_t optionBit;  // code 5 only
    uint32_t cbSize;
  };
  std::vector<Notice> notices;
  std::deque<ZRESULT> answers;
  std::vector<ITool*> detached;  // DetachFriendTool(tool, null) calls
  std::vector<uint32_t> infoKinds;
  ZRESULT idleAnswer = 0;

  ZRESULT HandleToolNotification(ITool*, ToolNotificationHdr* n) override {
    Notice notice{n->code, n->event, 0, n->cbSize};
    if (n->code == kToolNotifyEventAnnounced) notice.optionBit = reinterpret_cast<ToolEventNotification*>(n)->optionBit;
    notices.push_back(notice);
    return next();
  }
  ZRESULT HandleToolInfoRequest(ITool*, ToolInfoRequestHdr* r) override {
    infoKinds.push_back(r->kind);
    if (r->kind == kToolInfoAcceptPoint) reinterpret_cast<ToolInfoAcceptPoint*>(r)->coords.pixelX = 77;
    if (r->kind == kToolInfoMinTrackSize) reinterpret_cast<ToolInfoMinTrackSize*>(r)->size.z = 3.5;
    return next();
  }
  ZRESULT DetachFriendTool(ITool* tool, IFriendTool* friendTool) override {
    if (friendTool == nullptr) detached.push_back(tool);
    return 0;
  }
  ZRESULT ApplicationIsIdle(int32_t* more) override {
    if (more != nullptr) *more = 0;
    return idleAnswer;
  }

  ZRESULT GetMgrOwner(IToolManagerOwner**) override { return 21; }
  ZRESULT SetMgrOwner(IToolManagerOwner*) override { return 21; }
  ZRESULT GetToolRegistry(IToolRegistry**) override { return 21; }
  ZRESULT SetToolRegistry(IToolRegistry*) override { return 21; }
  ZRESULT GetActiveTool(ITool**) override { return 21; }
  ZRESULT GetFrozenTool(ITool**) override { return 21; }
  ZRESULT ActivateTool(ITool*, int32_t) override { return 21; }
  ZRESULT ActivateToolByID(uint32_t, int32_t) override { return 21; }
  ZRESULT DeactivateTool() override { return 21; }
  ZRESULT IsAnyToolActive() override { return 21; }
  ZRESULT IsAnyToolFrozen() override { return 21; }
  ZRESULT IsToolActive(ITool*) override { return 21; }
  ZRESULT IsToolActiveByID(uint32_t) override { return 21; }
  ZRESULT IsToolActiveByName(const WCHAR*) override { return 21; }
  ZRESULT IsToolFrozen(ITool*) override { return 21; }
  ZRESULT IsToolFrozenByID(uint32_t) override { return 21; }
  ZRESULT IsToolFrozenByName(const WCHAR*) override { return 21; }
  ZRESULT DispatchEvent(ToolEventHdr*) override { return 21; }
  ZRESULT DispatchEventToFriendTools(ITool*, int32_t, ToolEventHdr*, int32_t*) override { return 21; }
  ZRESULT DispatchNotificationToFriendTools(ITool*, ToolNotificationHdr*) override { return 21; }
  ZRESULT ActivatingTool() override { return 1; }
  ZRESULT DeactivatingTool() override { return 1; }
  ZRESULT HandleToolDrawRequest(ITool*, ToolDrawRequestHdr*) override { return next(); }
  ZRESULT AttachFriendTool(ITool*, IFriendTool*, uint32_t) override { return 21; }

private:
  ZRESULT next() {
    if (answers.empty()) return 0;
    const ZRESULT answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace graphics_test
