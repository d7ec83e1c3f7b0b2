// INetDetectImp: the connection watcher on a platform timer.
//
// The timer's event id is the object itself, so the timer procedure finds
// the object from the id alone. Listeners are kept in a record list of
// {callback, context} records in registration order.
#include "zefcorek/NetDetect.h"

#include "ConnectionTest.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Internet.h"
#include "platform/WindowMessages.h"

#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr uint32_t kStoppedPeriodMs = 60'000;
constexpr uint32_t kShortestPeriodMs = 1'000;
constexpr uint32_t kDefaultProxyPort = 80;
constexpr int32_t kStateUnknown = -1;
constexpr char16_t kAgent[] = u"INetDetect";

// One listener record. Pointer-sized fields: 16 bytes here.
struct ListenerRecord {
  TNetDetectListener callback;
  void* context;
};

std::u16string_view viewOf(const WCHAR* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

std::u16string trimmedBlanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return std::u16string(text);
}

std::u16string decimal(uint32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

int32_t matchCallback(const void* record, const void* key, void* /*context*/) {
  return static_cast<const ListenerRecord*>(record)->callback == *static_cast<const TNetDetectListener*>(key) ? 0 : 1;
}

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
    if (!proxyHost_.empty()) {
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
    // The first tick always tells the listeners.
    lastState_ = kStateUnknown;
    openInternet();
    return ZR_OK;
  }

  ZRESULT Stop() override {
    if (timerId_ == 0) return ZR_OK;
    KillTimer(timerWindow_, reinterpret_cast<UINT_PTR>(this));
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
    const bool hasHost = host != nullptr && *host != u'\0';
    proxyHost_ = hasHost ? trimmedBlanks(viewOf(host)) : std::u16string();
    proxyPort_ = hasHost && port >= 1 && port <= 65535 ? port : kDefaultProxyPort;
    if (user == nullptr || password == nullptr) {
      proxyUser_.clear();
      proxyPassword_.clear();
      return ZR_OK;
    }
    proxyUser_ = user;
    proxyPassword_ = password;
    return ZR_OK;
  }

private:
  static void timerProcedure(HWND /*window*/, UINT /*message*/, UINT_PTR eventId, DWORD /*time*/) {
    reinterpret_cast<INetDetectImp*>(eventId)->tick();
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
    if (proxyHost_.empty()) {
      internet_ = InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
      return;
    }
    const std::u16string list = u"HTTP=http://" + proxyHost_ + u":" + decimal(proxyPort_);
    internet_ = InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PROXY, list.c_str(), nullptr, 0);
    if (!internet_) return;
    if (!proxyUser_.empty() || !proxyPassword_.empty()) {
      InternetSetOptionW(internet_, INTERNET_OPTION_PROXY_USERNAME, const_cast<char16_t*>(proxyUser_.c_str()),
                         static_cast<DWORD>(proxyUser_.size()));
      InternetSetOptionW(internet_, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char16_t*>(proxyPassword_.c_str()),
                         static_cast<DWORD>(proxyPassword_.size()));
    }
  }

  HINTERNET internet_ = nullptr;   // opened by Start, closed by Stop
  IRecList* listeners_ = nullptr;  // owned; records of ListenerRecord
  uint32_t periodMs_ = kStoppedPeriodMs;
  UINT_PTR timerId_ = 0;               // nonzero while the timer runs
  HWND timerWindow_ = nullptr;         // the window given to Start
  int32_t lastState_ = kStateUnknown;  // last state told: -1, 0 or 1
  std::u16string proxyHost_;           // explicit proxy; empty = none
  uint32_t proxyPort_ = kDefaultProxyPort;
  std::u16string proxyUser_;
  std::u16string proxyPassword_;
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
