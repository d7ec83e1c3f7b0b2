// INetDetect: whether the internet can be reached, on demand and by polling.
//
// Without an explicit proxy the test opens TCP connections to two probe
// servers (the maker's server first, a public one only when that fails);
// with a proxy it asks the system's connected state. Started on a window, a
// platform timer tests at a fixed period on that window's thread and tells
// registered listeners each change of the answer once, in the order they
// were registered.
//
// The probe servers are configuration, in the machine's registry under
// HKEY_LOCAL_MACHINE\Software\Vendrako SH\ZefCoreK\ConnectionTest: values
// "Probe1" (tried first) and "Probe2", REG_SZ "a.b.c.d" or "a.b.c.d:port"
// (port 80 when missing). A probe without an address counts as failed.
// Every probe's connect is bounded by platform::connectionCheckTimeoutSeconds.
//
// Objects come from zefCoreKAllocIntf with CLSID_INetDetectImp.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// The states told to listeners and answered by CheckConnection.
inline constexpr int32_t kNetConnected = 0;
inline constexpr int32_t kNetNotConnected = 1;

// A listener: called with the new state and the context given at
// registration. Listeners run on the thread of the window given to Start.
using TNetDetectListener = void (*)(int32_t state, void* context);

struct ZEF_EXPORT INetDetect : virtual IStdInterface {
  // ZR_OK connected, ZR_NO not connected.
  virtual ZRESULT CheckConnection() = 0;
  // Starts polling on `window`'s thread every `periodMs` (at least 1,000).
  // ZR_OK started or already running (the running period is kept); ZR_FAILED the timer
  // could not be set.
  virtual ZRESULT Start(HWND window, uint32_t periodMs) = 0;
  // Stops polling; the period goes back to 60,000 and the state to unknown.
  // Always ZR_OK.
  virtual ZRESULT Stop() = 0;
  // Appends a listener (the same callback may be added more than once).
  // ZR_BADARG for a null callback.
  virtual ZRESULT AddListener(TNetDetectListener callback, void* context) = 0;
  // Removes the first registration of `callback`; ZR_BADARG when null or unknown.
  virtual ZRESULT RemoveListener(TNetDetectListener callback) = 0;
  // The explicit proxy, with the internet session's rules: a null or empty
  // host means none (port 80); the host is trimmed; a port outside 1..65535
  // becomes 80; a null user or password clears both. Always ZR_OK.
  virtual ZRESULT SetProxy(const WCHAR* host, uint32_t port, const WCHAR* user, const WCHAR* password) = 0;
  ~INetDetect() override;
};

namespace zefcorek {
// Where the probe addresses live (HKEY_LOCAL_MACHINE).
inline constexpr char16_t kConnectionTestKey[] = u"Software\\Vendrako SH\\ZefCoreK\\ConnectionTest";
}  // namespace zefcorek
