// The proxy settings of the updater: section "ProxySettings" of the common
// VENDRAKO.INI (copy 0 only).
//
//   key               type     meaning
//   Mode              integer  0 the system's settings, 1 the server below
//   ProxyAddressHTTP  text     proxy host
//   ProxyPortHTTP     integer  proxy port, 1 to 65,535 when written
//   ProxyUserID       text     user name, scrambled (netmodelCryptString)
//   ProxyPassword     text     password, scrambled the same way
//
// The scrambling only hides the texts from a casual look; it is no
// encryption.
#pragma once

#include <cstdint>
#include <string>

struct INetDetect;
struct INetInternetSession;

namespace zefkr {

class TVendrakoIni;

// What the dialog shows and edits.
struct ProxyDialogFields {
  bool custom = false;  // rbUseCustomSettings checked
  std::u16string address;
  std::u16string portText;  // as typed
  std::u16string user;      // in clear
  std::u16string password;  // in clear
};

// The fields as the dialog loads them (port 80 when none is stored).
// Defaults when copy 0 is not open.
ProxyDialogFields loadProxyDialogFields(const TVendrakoIni& copies);

// The server group's controls (but the authentication note) are enabled
// exactly when the system's settings are not chosen.
inline bool proxyServerFieldsEnabled(bool useSystemSettings) { return !useSystemSettings; }

enum class ProxySaveResult { kSaved, kInvalid, kNoSettingsFile };

// Validates the fields and, when valid, writes them to copy 0 (the system
// mode writes only "Mode"). kInvalid with `errors` holding every problem
// (messages 3011 and 3012, one per line); nothing is written then.
// kNoSettingsFile when copy 0 is not open: nothing is written.
ProxySaveResult saveProxyDialogFields(TVendrakoIni& copies, const ProxyDialogFields& fields, std::u16string* errors);

// What the session and the watcher are handed: the system's settings are an
// empty host and port 0; a host without a port goes with 80.
struct ProxyForSession {
  std::u16string host;
  uint32_t port = 0;
  std::u16string user;
  std::u16string password;
};
ProxyForSession proxyForSession(const TVendrakoIni& copies);

// Hands the stored settings to the watcher and then the session, each when
// it is not null.
void ApplyProxySettings(INetDetect* watcher, INetInternetSession* session);

}  // namespace zefkr
