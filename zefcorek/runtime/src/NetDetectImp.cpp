// INetDetectImp: the connection watcher on a platform timer.
//
// The timer's event id is the object itself, so the timer procedure finds
// the object from the id alone. A timer without a window gets an id of its
// own from the thread's queue instead; such watchers are found in a table
// by thread and id. Listeners are kept in a record list of {callback,
// context} records in registration order.
#include "zefcorek/NetDetect.h"

#include "ConnectionTest.h"
#include "NetProxy.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Internet.h"
#include "platform/WindowMessages.h"

#include <map>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kStoppedPeriodMs = 60'000;
constexpr uint32_t kShortestPeriodMs = 1'000;
constexpr int32_t kStateUnknown = -1;
constexpr char16_t kAgent[] = u"INetDetect";

// One listener record. Pointer-sized fields: 16 bytes here.
struct ListenerRecord {
  TNetDetectListener callback;
  void* context;
};

int32_t matchCallback(const void* record, const void* key, void* /*context*/) {
  return static_cast<const ListenerRecord*>(record)->callback == *static_cast<const TNetDetectListener*>(key) ? 0 : 1;
}

class INetDetectImp;

// The watchers whose timer has no window, by the thread whose queue runs the
// timer and the id that queue gave it. A stopped or destroyed watcher is
// gone from here, so a tick already queued for it finds nothing.
class ThreadTimerWatchers {
public:
  using Key = std::pair<std::thread::id, UINT_PTR>;
  static void add(const Key& key, INetDetectImp* watcher) {
    std::lock_guard lock(mutex());
    table()[key] = watcher;
  }
  // Also from another thread than the timer's (a watcher released there).
  static void remove(const Key& key) {
    std::lock_guard lock(mutex());
    table().erase(key);
  }
  static INetDetectImp* find(UINT_PTR timerId) {
    std::lock_guard lock(mutex());
    const auto found = table().find({std::this_thread::get_id(), timerId});
    return found == table().end() ? nullptr : found->second;
  }

private:
  static std::mutex& mutex() {
    static std::mutex instance;
    return instance;
  }
  static std::map<Key, INetDetectImp*>& table() {
    static std::map<Key, INetDetectImp*> instance;
    return instance;
  }
};

class INetDetectImp final : public IStdInterfaceImp, public virtual INetDetect {
public:
  INetDetectImp() {
    void* made = nullptr;
    if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) == S_OK) {
      listeners_ = static_cast<IRecList*>(made);
      if (listeners_->SetOption(0, sizeof(ListenerRecord)) != ZR_OK) {
        listeners_->Release();
        listeners_ = nullptr;
      }
    }
  }
  ~INetDetectImp() override {
    Stop();
    if (listeners_) listeners_->Release();
  }

  bool usable() const { return listeners_ != nullptr; }

  HRESULT QueryInterface(REFIID /*iid*/, void** /*out*/) override { return ZR_NOTSUPPORTED; }

  ZRESULT CheckConnection() override {
    if (!proxy_.host.empty()) {
      DWORD flags = 0;
      return InternetGetConnectedState(&flags, 0) ? kNetConnected : kNetNotConnected;
    }
    return zefcorek::connection_test::RunConnectionTest() ? kNetConnected : kNetNotConnected;
  }

  ZRESULT Start(HWND window, uint32_t periodMs) override {
    if (timerId_ != 0) return ZR_OK;
    periodMs_ = periodMs < kShortestPeriodMs ? kShortestPeriodMs : periodMs;
    const auto eventId = reinterpret_cast<UINT_PTR>(this);
    timerId_ = SetTimer(window, eventId, periodMs_, timerProcedure);
    if (timerId_ == 0) {
      lastState_ = kStateUnknown;
      return ZR_FAILED;
    }
    timerWindow_ = window;
    timerThread_ = std::this_thread::get_id();
    if (!window) ThreadTimerWatchers::add({timerThread_, timerId_}, this);
    // The first tick always tells the listeners.
    lastState_ = kStateUnknown;
    openInternet();
    return ZR_OK;
  }

  ZRESULT Stop() override {
    if (timerId_ == 0) return ZR_OK;
    // With a window the id is the object itself; without one, the queue's,
    // and another thread's queue uses the same ids for timers of its own:
    // there, only the table entry goes, and the timer ticks into nothing.
    if (timerWindow_ || timerThread_ == std::this_thread::get_id()) KillTimer(timerWindow_, timerId_);
    if (!timerWindow_) ThreadTimerWatchers::remove({timerThread_, timerId_});
    timerId_ = 0;
    timerWindow_ = nullptr;
    periodMs_ = kStoppedPeriodMs;
    lastState_ = kStateUnknown;
    if (internet_) InternetCloseHandle(internet_);
    internet_ = nullptr;
    return ZR_OK;
  }

  ZRESULT AddListener(TNetDetectListener callback, void* context) override {
    if (!callback) return ZR_BADARG;
    const ListenerRecord record{callback, context};
    IRecList::Node* node = nullptr;
    return listeners_->AddTail(&record, &node);
  }

  ZRESULT RemoveListener(TNetDetectListener callback) override {
    if (!callback) return ZR_BADARG;
    IRecList::Node* node = nullptr;
    if (listeners_->FindNode(matchCallback, nullptr, &callback, &node) != ZR_OK || !node) {
      return ZR_BADARG;
    }
    return listeners_->RemoveNode(node, false) == ZR_OK ? ZR_OK : ZR_BADARG;
  }

  ZRESULT SetProxy(const WCHAR* host, uint32_t port, const WCHAR* user, const WCHAR* password) override {
    // Only spaces are cut from the host here.
    proxy_.assign(host, port, user, password, [](char16_t c) { return c == u' '; });
    return ZR_OK;
  }

private:
  static void timerProcedure(HWND window, UINT /*message*/, UINT_PTR eventId, DWORD /*time*/) {
    if (window) {
      reinterpret_cast<INetDetectImp*>(eventId)->tick();
      return;
    }
    if (INetDetectImp* watcher = ThreadTimerWatchers::find(eventId)) watcher->tick();
  }

  void tick() {
    const int32_t state = CheckConnection();
    if (state == lastState_) return;
    lastState_ = state;
    tell(state);
  }

  // Calls every listener in registration order. The records are copied
  // first: a listener may add or remove listeners, or stop the watcher.
  void tell(int32_t state) {
    std::vector<ListenerRecord> records;
    unsigned count = 0;
    listeners_->GetCount(&count);
    for (unsigned i = 0; i < count; ++i) {
      ListenerRecord record{};
      if (listeners_->GetAt(i, &record) == ZR_OK) records.push_back(record);
    }
    for (const ListenerRecord& record : records) record.callback(state, record.context);
  }

  void openInternet() {
    if (proxy_.host.empty()) {
      internet_ = InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
      return;
    }
    const std::u16string list = proxy_.accessList();
    internet_ = InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PROXY, list.c_str(), nullptr, 0);
    if (!internet_) return;
    if (!proxy_.user.empty() || !proxy_.password.empty()) {
      InternetSetOptionW(internet_, INTERNET_OPTION_PROXY_USERNAME, const_cast<char16_t*>(proxy_.user.c_str()),
                         static_cast<DWORD>(proxy_.user.size()));
      InternetSetOptionW(internet_, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char16_t*>(proxy_.password.c_str()),
                         static_cast<DWORD>(proxy_.password.size()));
    }
  }

  HINTERNET internet_ = nullptr;   // opened by Start, closed by Stop
  IRecList* listeners_ = nullptr;  // owned; records of ListenerRecord
  uint32_t periodMs_ = kStoppedPeriodMs;
  UINT_PTR timerId_ = 0;               // nonzero while the timer runs
  HWND timerWindow_ = nullptr;         // the window given to Start
  std::thread::id timerThread_;        // the thread whose queue runs the timer
  int32_t lastState_ = kStateUnknown;  // last state told: -1, 0 or 1
  zefcorek::net::ProxySetting proxy_;  // explicit proxy; empty host = none
};

}  // namespace

INetDetect::~INetDetect() = default;

void* zefcorek::makeINetDetectImp(intptr_t /*arg*/) {
  auto* made = new (std::nothrow) INetDetectImp();
  if (made && !made->usable()) {
    made->Release();
    return nullptr;
  }
  return static_cast<INetDetect*>(made);
}
