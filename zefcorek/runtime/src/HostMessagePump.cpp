// The message-pump hooks: the host's application object, the count of
// running pumps and the identifiers of their callers.
#include "zefcorek/HostMessagePump.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/DebugLog.h"
#include "zefcorek/StringList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Format.h"
#include "platform/HostApplication.h"

#include <atomic>
#include <mutex>
#include <string>

namespace {

std::atomic<platform::HostApplication*> hostApplication{nullptr};
// Pumps started through the hooks and not yet finished.
std::atomic<int32_t> inProcessMessages{0};

// The host's application object; the platform's default one (remembered)
// when none was set.
platform::HostApplication* application() {
  platform::HostApplication* host = hostApplication.load();
  if (host != nullptr) return host;
  platform::HostApplication* fallback = platform::defaultHostApplication();
  hostApplication.compare_exchange_strong(host, fallback);
  return hostApplication.load();
}

// The identifiers of the running pumps' callers, made on first use and kept
// for the life of the process; null when it cannot be made.
IStringList* callerList() {
  static IStringList* list = [] {
    void* made = nullptr;
    IStringList* madeList = nullptr;
    if (zefCoreKAllocIntf(&CLSID_IStringListImp, &made, 0) == S_OK) {
      madeList = static_cast<IStringList*>(made);
    }
    return madeList;
  }();
  return list;
}

// The caller of the innermost running pump; empty when the list is empty.
std::u16string lastCaller(IStringList* callers) {
  std::u16string last;
  (void)callers->Lock(u"zefCoreKVCLApp_CallProcessMessages() #1");
  const uint32_t count = callers->GetCount();
  const WCHAR* text = nullptr;
  if (count > 0 && callers->GetStringPtr(count - 1, &text) == 0 && text != nullptr) last = text;
  (void)callers->Unlock();
  return last;
}

}  // namespace

HRESULT zefCoreKSetVCLApp(platform::HostApplication* application) {
  hostApplication.store(application);
  inProcessMessages.store(0);
  return S_OK;
}

bool zefCoreKSetVCLApp_Terminated() {
  platform::HostApplication* host = application();
  return host != nullptr && host->Terminated();
}

HRESULT zefCoreKVCLApp_AlreadyInProcessMessages(bool* out) {
  if (out == nullptr) return E_INVALIDARG;
  if (application() == nullptr) return E_FAIL;
  *out = inProcessMessages.load() != 0;
  return S_OK;
}

HRESULT zefCoreKVCLApp_CallProcessMessages(const WCHAR* callerId) {
  platform::HostApplication* host = application();
  if (host == nullptr) return E_FAIL;
  IStringList* callers = callerList();
  if (callers == nullptr) return E_FAIL;
  const WCHAR* caller = callerId != nullptr ? callerId : u"";

  if (inProcessMessages.load() >= 1) {
    // Built to its full length, so long caller identifiers are not cut.
    const std::u16string report =
        platform::formatText(std::u16string_view(u"Racing condition detected: last two caller IDs are '%s','%s'"),
                             lastCaller(callers), caller);
    (void)zefcorekLog(report.c_str(), u"ZefCoreK");
    host->CheckSynchronize();
    return S_FALSE;
  }

  uint32_t index = 0;
  (void)callers->Lock(u"zefCoreKVCLApp_CallProcessMessages() #2");
  const bool added = callers->Add(caller, &index) == 0;
  inProcessMessages.fetch_add(1);
  (void)callers->Unlock();

  host->ProcessMessages();

  (void)callers->Lock(u"zefCoreKVCLApp_CallProcessMessages() #3");
  // A host set meanwhile reset the count; it must not go below 0, or every
  // later pump would look nested.
  int32_t running = inProcessMessages.load();
  while (running > 0 && !inProcessMessages.compare_exchange_weak(running, running - 1)) {}
  if (added) (void)callers->Delete(index);
  (void)callers->Unlock();
  return S_OK;
}
