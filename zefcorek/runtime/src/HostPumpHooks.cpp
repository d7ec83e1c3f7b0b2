// The message-pump hooks over the host's application object.
#include "zefcorek/HostPumpHooks.h"

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
std::atomic<int32_t> inProcessMessages{0};

platform::HostApplication& application() {
  platform::HostApplication* host = hostApplication.load();
  return host ? *host : platform::defaultHostApplication();
}

// The identifiers of the callers whose pumps run, made on first use and kept
// for the life of the process.
IStringList* callerList() {
  static IStringList* list = [] {
    void* made = nullptr;
    return zefCoreKAllocIntf(&CLSID_IStringListImp, &made, 0) == S_OK ? static_cast<IStringList*>(made)
                                                                      : nullptr;
  }();
  return list;
}

}  // namespace

HRESULT zefCoreKSetVCLApp(platform::HostApplication* host) {
  hostApplication.store(host);
  inProcessMessages.store(0);
  return S_OK;
}

bool zefCoreKSetVCLApp_Terminated() { return application().Terminated(); }

HRESULT zefCoreKVCLApp_AlreadyInProcessMessages(bool* out) {
  if (!out) return E_INVALIDARG;
  *out = inProcessMessages.load() != 0;
  return S_OK;
}

HRESULT zefCoreKVCLApp_CallProcessMessages(const WCHAR* callerId) {
  IStringList* callers = callerList();
  if (!callers) return E_FAIL;
  const WCHAR* caller = callerId ? callerId : u"";
  if (inProcessMessages.load() < 1) {
    uint32_t index = kNoStringIndex;
    callers->Lock(u"zefCoreKVCLApp_CallProcessMessages() #2");
    callers->Add(caller, &index);
    inProcessMessages.fetch_add(1);
    callers->Unlock();
    application().ProcessMessages();
    callers->Lock(u"zefCoreKVCLApp_CallProcessMessages() #3");
    inProcessMessages.fetch_sub(1);
    callers->Delete(index);
    callers->Unlock();
    return S_OK;
  }
  // A pump is running: report the two callers, whatever their length.
  std::u16string last;
  callers->Lock(u"zefCoreKVCLApp_CallProcessMessages() #1");
  const uint32_t count = callers->GetCount();
  const WCHAR* text = nullptr;
  if (count > 0 && callers->GetStringPtr(count - 1, &text) == ZR_OK && text) last = text;
  callers->Unlock();
  const std::u16string line =
      platform::formatText(u"Racing condition detected: last two caller IDs are '%s','%s'", last,
                           std::u16string(caller));
  zefcorekLog(line.c_str(), u"ZefCoreK");
  application().CheckSynchronize();
  return S_FALSE;
}
