// The scanner thread and its exports. The thread only ever stops at its own
// steps: every wait is 100 ms at most and checks the end request and the
// pause count, both of which the host's thread writes as atomics.
#include "BluetoothUtils.h"
#include "BthPropsDLL.h"

#include "zefcorek/BluetoothScanner.h"
#include "zefcorek/DebugLog.h"
#include "zefcorek/HostMessagePump.h"

#include "platform/BluetoothLookup.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/TThread.h"
#include "platform/WinSock.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

using zefcorek::devices::TBthPropsDLL;

constexpr const WCHAR* kLogSource = u"TBTScannerThread";
constexpr DWORD kStepMs = 100;
constexpr int kRepeatSteps = 30;
constexpr DWORD kRetryMs = 1000;
constexpr DWORD kShutDownStepMs = 20;
constexpr uint16_t kSerialPortService = 0x1101;
constexpr DWORD kInquiryFlags =
    LUP_RES_SERVICE | LUP_RETURN_BLOB | LUP_RETURN_ADDR | LUP_RETURN_TYPE | LUP_RETURN_NAME | LUP_CONTAINERS;
static_assert(kInquiryFlags == 0x8332);

enum ScannerEvent { kInquiryBegan = 0, kInquiryStarting = 1, kDeviceAccepted = 2, kInquiryEnded = 3 };

void log(const std::u16string& text) { (void)zefcorekLog(text.c_str(), kLogSource); }

// Copies a text into a fixed field, at most capacity - 1 characters.
void copyText(WCHAR* field, size_t capacity, std::u16string_view text) {
  const size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(field, text.data(), length * sizeof(WCHAR));
  field[length] = 0;
}

class TBTScannerThread final : public TThread {
public:
  TBTScannerThread(const TBthPropsDLL* table, TBluetoothScannerCtl* ctl)
      : TThread(/*createSuspended=*/true), table_(table), ctl_(ctl) {}
  ~TBTScannerThread() override {
    Terminate();
    (void)WaitFor();
  }

  // The thread runs only once StartBluetoothScanner resumes it.
  void AfterConstruction() override {}

  std::atomic<int> pauseCount{0};
  std::atomic<bool> paused{false};

protected:
  void Execute() override;

private:
  void DoSyncNotify(int event);
  bool startUp();
  // False when the lookup could not begin (the loop then starts again).
  bool inquire();
  void fillEntry(TBluetoothScannerResEntry& entry, const WSAQUERYSETW& result);
  bool accepts(const TBluetoothScannerResEntry& entry);
  HRESULT findSerialPortService(uint64_t address);
  void waitBeforeRepeat();
  void pauseIfAsked();
  void sleepSteps(DWORD totalMs);
  std::u16string addressText(const SOCKET_ADDRESS& address);

  TBluetoothScannerResults& results() { return *ctl_->Results; }

  const TBthPropsDLL* table_;  // kept; the inquiry goes through the sockets layer
  TBluetoothScannerCtl* ctl_;
  bool flush_ = true;
};

void TBTScannerThread::DoSyncNotify(int event) {
  log(u"-> DoSyncNotify()");
  if (ctl_->Callback != nullptr && ctl_->Callback(event, ctl_->Results, ctl_->User) == 0) {
    log(u"----> Terminate()");
    Terminate();
  }
  log(u"<- DoSyncNotify()");
}

// Sockets, one RFCOMM socket and its protocol information.
bool TBTScannerThread::startUp() {
  WSADATA data{};
  log(u"-> WSAStartup()");
  const int started = WSAStartup(MAKEWORD(2, 2), &data);
  log(u"<- WSAStartup()");
  if (started != 0) {
    results().LastError = WSAGetLastError();
    return false;
  }
  log(u"-> socket()");
  const SOCKET probe = platform::socket(AF_BTH, SOCK_STREAM_TYPE, BTHPROTO_RFCOMM);
  log(u"<- socket()");
  if (probe == INVALID_SOCKET) {
    results().LastError = WSAGetLastError();
    return false;
  }
  int length = sizeof results().ProtocolInfo;
  log(u"-> getsockopt()");
  const int read = platform::getsockopt(probe, SOL_SOCKET_LEVEL, SO_PROTOCOL_INFOW_OPTION,
                                        reinterpret_cast<char*>(results().ProtocolInfo), &length);
  log(u"<- getsockopt()");
  if (read != 0) {
    results().LastError = read;
    log(u"-> closesocket()");
    (void)platform::closesocket(probe);
    log(u"<- closesocket()");
    return false;
  }
  results().Flags |= 1;
  log(u"-> closesocket()");
  (void)platform::closesocket(probe);
  log(u"<- closesocket()");
  return true;
}

void TBTScannerThread::Execute() {
  if (startUp()) {
    while (!Terminated()) {
      if (!inquire()) {
        pauseIfAsked();  // a host pausing a failing scanner gets its answer
        continue;
      }
      if (Terminated() || ctl_->Repeat == 0) break;
      waitBeforeRepeat();
    }
  }
  log(u"-> WSACleanup");
  (void)WSACleanup();
  log(u"<- WSACleanup");
}

bool TBTScannerThread::inquire() {
  DoSyncNotify(kInquiryStarting);
  BTH_QUERY_DEVICE query{0, 8};
  BLOB blob{sizeof query, reinterpret_cast<uint8_t*>(&query)};
  WSAQUERYSETW restrictions{};
  restrictions.dwSize = sizeof restrictions;
  restrictions.dwNameSpace = NS_BTH;
  restrictions.lpBlob = &blob;
  HANDLE_LOOKUP lookup = nullptr;
  log(u"-> WSALookupServiceBegin");
  const int begun = WSALookupServiceBeginW(&restrictions, LUP_CONTAINERS | (flush_ ? LUP_FLUSHCACHE : 0), &lookup);
  log(u"<- WSALookupServiceBegin");
  if (begun != 0) {
    const int error = WSAGetLastError();
    results().LastError = error;
    log(platform::formatText(u"WSALookupServiceBegin failed with status = %04X, error = %04X", begun, error));
    if (!Terminated() && pauseCount.load() <= 0) sleepSteps(kRetryMs);
    return false;
  }
  if (Terminated()) {
    log(u"-> WSALookupServiceEnd");
    (void)WSALookupServiceEnd(lookup);
    log(u"<- WSALookupServiceEnd");
    return true;
  }
  flush_ = false;
  DoSyncNotify(kInquiryBegan);

  std::vector<uint8_t> buffer(16384);
  int lastError = 0;
  while (!Terminated()) {
    std::fill(buffer.begin(), buffer.end(), 0);
    DWORD length = static_cast<DWORD>(buffer.size());
    auto* result = reinterpret_cast<WSAQUERYSETW*>(buffer.data());
    log(u"-> WSALookupServiceNext");
    const int fetched = WSALookupServiceNextW(lookup, kInquiryFlags, &length, result);
    log(u"<- WSALookupServiceNext");
    if (fetched != 0) {
      lastError = WSAGetLastError();
      DoSyncNotify(kInquiryEnded);
      break;
    }
    if (result->dwNumberOfCsAddrs != 1 || result->lpcsaBuffer == nullptr) continue;
    auto* entry = new (std::nothrow) TBluetoothScannerResEntry{};
    if (entry == nullptr) continue;
    fillEntry(*entry, *result);
    TBluetoothScannerResults& list = results();
    entry->Prev = list.Last;
    if (list.Last != nullptr) list.Last->Next = entry;
    if (list.First == nullptr) list.First = entry;
    list.Last = entry;
    ++list.Count;
    if (accepts(*entry)) {
      DoSyncNotify(kDeviceAccepted);
      continue;
    }
    list.Last = entry->Prev;
    if (list.Last != nullptr) list.Last->Next = nullptr;
    if (list.First == entry) list.First = nullptr;
    --list.Count;
    delete entry;
  }
  results().LastError = lastError == WSA_E_NO_MORE || lastError == WSAENOMORE ? 0 : lastError;
  log(u"-> WSALookupServiceEnd");
  (void)WSALookupServiceEnd(lookup);
  log(u"<- WSALookupServiceEnd");
  DoSyncNotify(kInquiryEnded);
  return true;
}

std::u16string TBTScannerThread::addressText(const SOCKET_ADDRESS& address) {
  WCHAR text[1024] = {};
  DWORD length = 1024;
  if (address.lpSockaddr == nullptr ||
      WSAAddressToStringW(address.lpSockaddr, static_cast<DWORD>(address.iSockaddrLength),
                          reinterpret_cast<const WSAPROTOCOL_INFOW*>(results().ProtocolInfo), text, &length) != 0) {
    return {};
  }
  return std::u16string(text);
}

void TBTScannerThread::fillEntry(TBluetoothScannerResEntry& entry, const WSAQUERYSETW& result) {
  const WCHAR* name = result.lpszServiceInstanceName;
  copyText(entry.Name, std::size(entry.Name), name != nullptr && *name != 0 ? name : u"<Unknown>");
  copyText(entry.LocalAddress, std::size(entry.LocalAddress), addressText(result.lpcsaBuffer->LocalAddr));
  copyText(entry.RemoteAddress, std::size(entry.RemoteAddress), addressText(result.lpcsaBuffer->RemoteAddr));
  if (result.lpBlob == nullptr || result.lpBlob->pBlobData == nullptr ||
      result.lpBlob->cbSize < sizeof(BTH_DEVICE_INFO)) {
    return;
  }
  BTH_DEVICE_INFO info;
  std::memcpy(&info, result.lpBlob->pBlobData, sizeof info);
  entry.Paired = (info.flags & BDIF_PAIRED) != 0;
  entry.Remembered = (info.flags & BDIF_PERSONAL) != 0;
  entry.Connected = (info.flags & BDIF_CONNECTED) != 0;
  const auto fields = zefcorek::devices::splitClassOfDevice(info.classOfDevice);
  entry.MajorDeviceClass = fields.major;
  entry.MinorDeviceClass = fields.minor;
  entry.ServiceClasses = fields.services;
}

bool TBTScannerThread::accepts(const TBluetoothScannerResEntry& entry) {
  uint64_t local = 0;
  uint64_t remote = 0;
  if (BTDeviceAddressFromString(entry.LocalAddress, &local) != S_OK ||
      BTDeviceAddressFromString(entry.RemoteAddress, &remote) != S_OK) {
    return false;
  }
  if (ctl_->Filter == 0) return true;
  if (ctl_->Filter == 1) return findSerialPortService(remote) == S_OK;
  return false;
}

HRESULT TBTScannerThread::findSerialPortService(uint64_t address) {
  if (address == 0) return E_INVALIDARG;
  SOCKADDR_BTH target{};
  target.addressFamily = AF_BTH;
  target.btAddr = address;
  WCHAR context[1024] = {};
  DWORD length = 1024;
  if (WSAAddressToStringW(reinterpret_cast<const SOCKADDR*>(&target), sizeof target,
                          reinterpret_cast<const WSAPROTOCOL_INFOW*>(results().ProtocolInfo), context, &length) != 0) {
    return E_FAIL;
  }
  BTH_QUERY_SERVICE query{};
  query.type = SDP_SERVICE_ATTRIBUTE_REQUEST;
  query.uuids[0].u.uuid16 = kSerialPortService;
  query.uuids[0].uuidType = SDP_ST_UUID16;
  query.numRange = 1;
  query.pRange[0] = {0x0004, 0x0004};  // the protocol descriptor list
  BLOB blob{sizeof query, reinterpret_cast<uint8_t*>(&query)};
  WSAQUERYSETW restrictions{};
  restrictions.dwSize = sizeof restrictions;
  restrictions.dwNameSpace = NS_BTH;
  restrictions.lpszContext = context;
  restrictions.lpBlob = &blob;
  HANDLE_LOOKUP lookup = nullptr;
  if (WSALookupServiceBeginW(&restrictions, LUP_FLUSHCACHE, &lookup) != 0) return E_FAIL;
  HRESULT found = S_FALSE;
  std::vector<uint8_t> buffer(8192);
  while (!Terminated()) {
    DWORD size = static_cast<DWORD>(buffer.size());
    if (WSALookupServiceNextW(lookup, LUP_RETURN_ALL, &size, reinterpret_cast<WSAQUERYSETW*>(buffer.data())) != 0) {
      break;
    }
    found = S_OK;
  }
  (void)WSALookupServiceEnd(lookup);
  return found;
}

void TBTScannerThread::sleepSteps(DWORD totalMs) {
  for (DWORD slept = 0; slept < totalMs && !Terminated(); slept += kStepMs) Sleep(kStepMs);
}

void TBTScannerThread::waitBeforeRepeat() {
  for (int step = 0; step < kRepeatSteps && !Terminated() && pauseCount.load() <= 0; ++step) Sleep(kStepMs);
  pauseIfAsked();
}

void TBTScannerThread::pauseIfAsked() {
  if (Terminated() || pauseCount.load() <= 0) return;
  log(u"-> Bluetooth scanner paused");
  paused = true;
  while (!Terminated() && pauseCount.load() > 0) Sleep(kStepMs);
  paused = false;
  log(u"-> Bluetooth scanner resumed");
}

TBTScannerThread* threadOf(const TBluetoothScannerCtl* ctl) {
  if (ctl == nullptr || ctl->Results == nullptr || ctl->Thread == nullptr) return nullptr;
  return static_cast<TBTScannerThread*>(ctl->Thread);
}

void idleStep(BluetoothScannerIdleFunc idle, void* user, const WCHAR* callerId) {
  if (idle != nullptr) {
    idle(user);
  } else {
    (void)zefCoreKVCLApp_CallProcessMessages(callerId);
  }
}

}  // namespace

HRESULT InitBluetoothScanner(TBluetoothScannerCtl* ctl) {
  if (ctl == nullptr || ctl->Results == nullptr) return E_INVALIDARG;
  (void)InitBluetoothScannerResults(ctl->Results);
  if (!zefcorek::devices::EnsureBthPropsDLL()) return E_FAIL;
  auto* thread = new (std::nothrow) TBTScannerThread(&zefcorek::devices::processBthPropsDLL(), ctl);
  if (thread == nullptr) return E_OUTOFMEMORY;
  thread->AfterConstruction();
  ctl->Thread = thread;
  return S_OK;
}

HRESULT StartBluetoothScanner(TBluetoothScannerCtl* ctl) {
  TBTScannerThread* thread = threadOf(ctl);
  if (thread == nullptr || !thread->Suspended()) return E_INVALIDARG;
  thread->Resume();
  return S_OK;
}

HRESULT IsBluetoothScannerStillRunning(TBluetoothScannerCtl* ctl) {
  TBTScannerThread* thread = threadOf(ctl);
  if (thread == nullptr) return E_INVALIDARG;
  return thread->Finished() ? S_FALSE : S_OK;
}

HRESULT PauseBluetoothScanner(TBluetoothScannerCtl* ctl, BluetoothScannerIdleFunc idle, void* user) {
  TBTScannerThread* thread = threadOf(ctl);
  if (thread == nullptr) return E_INVALIDARG;
  ++thread->pauseCount;
  while (!thread->paused && thread->pauseCount.load() > 0 && !thread->Finished()) {
    idleStep(idle, user, u"PauseBluetoothScanner()");
    Sleep(kStepMs);
  }
  return S_OK;
}

HRESULT ResumeBluetoothScanner(TBluetoothScannerCtl* ctl, BluetoothScannerIdleFunc idle, void* user) {
  TBTScannerThread* thread = threadOf(ctl);
  if (thread == nullptr) return E_INVALIDARG;
  --thread->pauseCount;
  while (thread->paused && thread->pauseCount.load() == 0 && !thread->Finished()) {
    idleStep(idle, user, u"ResumeBluetoothScanner()");
    Sleep(kStepMs);
  }
  return S_OK;
}

HRESULT ShutDownBluetoothScanner(TBluetoothScannerCtl* ctl, BluetoothScannerIdleFunc idle, void* user) {
  TBTScannerThread* thread = threadOf(ctl);
  if (thread == nullptr) return E_INVALIDARG;
  if (!thread->Suspended()) {
    thread->Terminate();
    while (!thread->Finished()) {
      idleStep(idle, user, u"ShutDownBluetoothScanner()");
      Sleep(kShutDownStepMs);
    }
  }
  delete thread;
  ctl->Thread = nullptr;
  return S_OK;
}
