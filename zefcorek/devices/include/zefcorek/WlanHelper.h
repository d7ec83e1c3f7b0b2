// IWlanHelper: brings the computer onto a wireless network.
//
// The helper lists the wireless interfaces, selects one, lists the networks
// it sees, stores a profile made from a built-in template and connects with
// a profile, waiting until the interface reports the connection. It reaches
// the wireless functions by name at run time (wlanapi.dll, wlanui.dll), so
// it also works, as "not ready", where they are missing. Made by the factory
// (CLSID_IWlanHelperImp) with one reference; used by one thread at a time.
//
// Results: 0 done, 2 failed or not ready, 10 bad argument or index.
#pragma once

#include "zefcorek/StdInterface.h"

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct TWlanInterfaceInfo {
  GUID InterfaceGuid;  // the null GUID when not filled
  CLWideStr Description;
  uint32_t State;  // 1 connected ... 7 authenticating; 0 not ready or other
};

struct TWlanNetworkInfo {
  CLWideStr ProfileName;  // empty: the network has no profile
  CLWideStr SSID;         // the network name's bytes, from the ANSI code page
  uint32_t BssType;       // 1 infrastructure, 2 independent, 3 any, 0 other
  uint32_t BssidCount;
  bool Connectable;
  uint32_t SignalQuality;  // 0 to 100
  bool SecurityEnabled;
  CLWideStr Authentication;  // "open", "shared", "WPA", "WPAPSK", "WPA2", "WPA2PSK" or empty
  CLWideStr Cipher;          // "none", "WEP", "TKIP", "AES" or empty
  bool Connected;
  bool HasProfile;
};

struct ZEF_EXPORT IWlanHelper : virtual IStdInterface {
  // Stores the text (null: the empty text); ZR_OK. Nothing else reads it.
  virtual ZRESULT SetTextOption(const WCHAR* text) = 0;
  virtual ZRESULT GetTextOption(CLWideStr* text) = 0;
  // Whether the wireless functions were found and a client handle opened.
  virtual bool IsApiLoaded() = 0;
  // Interfaces whose type is valid; only these are indexed below.
  virtual uint32_t GetInterfaceCount() = 0;
  // ZR_BADARG for a null record or an index not below the usable count (the record
  // is reset first).
  virtual ZRESULT GetInterfaceInfo(uint32_t index, TWlanInterfaceInfo* info) = 0;
  // Selects the index-th usable interface, optionally asks it to scan, and
  // fetches its network and profile lists: ZR_OK, ZR_FAILED when a list fails, ZR_BADARG for a
  // bad index.
  virtual ZRESULT SelectInterfaceByIndex(uint32_t index, bool scan) = 0;
  // As above for the interface with that GUID: ZR_BADARG when none has it.
  virtual ZRESULT SelectInterfaceByGUID(const GUID* guid, bool scan) = 0;
  // Networks of the selected interface; 0 without a selection.
  virtual uint32_t GetNetworkCount() = 0;
  virtual ZRESULT GetNetworkInfo(uint32_t index, TWlanNetworkInfo* info) = 0;
  // Connects with the profile (or the network's profile, made for an open
  // network), waiting up to 8 s for the connection: ZR_OK, ZR_FAILED, ZR_BADARG when both
  // names are null.
  virtual ZRESULT Connect(const WCHAR* profileName, const WCHAR* networkName) = 0;
  // The authentication and cipher texts of the first network of that name
  // (any case); ZR_FAILED when there is none or a number has no text.
  virtual ZRESULT GetNetworkSecurity(const WCHAR* networkName, CLWideStr* authentication, CLWideStr* cipher) = 0;
  // Stores a profile for all users (overwriting) and gives its index in the
  // refreshed profile list (-1 first); ZR_OK or ZR_FAILED. Empty authentication and
  // cipher texts are taken from the network.
  virtual ZRESULT SetProfile(const WCHAR* profileName, const WCHAR* networkName, const WCHAR* authentication,
                             const WCHAR* cipher, const WCHAR* key, int* index) = 0;
  // Opens the system's profile editor: ZR_OK, ZR_FAILED, ZR_BADARG for a null or empty name.
  virtual ZRESULT EditProfile(HWND owner, const WCHAR* profileName) = 0;
  ~IWlanHelper() override;
};
