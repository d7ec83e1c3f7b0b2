// The proxy settings: loading, validating and saving them, and handing them on.
#include "zefkr/ProxySettings.h"

#include "zefkr/Language.h"
#include "zefkr/VendrakoIni.h"

#include "zefcorek/NetDetect.h"
#include "zefcorek/NetInternetSession.h"
#include "zefcorek/NetModel.h"

#include "platform/Format.h"
#include "platform/Scan.h"

namespace {

constexpr char16_t kSection[] = u"ProxySettings";
constexpr int kDefaultDialogPort = 80;
constexpr int kHighestPort = 65535;

std::u16string scrambled(const std::u16string& text) {
  CLWideStr in;
  in.AssignSz(text.c_str());
  CLWideStr out;
  netmodelCryptString(in, out);
  return out.ToUnicodeString();
}

std::u16string unscrambled(const std::u16string& text) {
  CLWideStr in;
  in.AssignSz(text.c_str());
  CLWideStr out;
  netmodelDecryptString(in, out);
  return out.ToUnicodeString();
}

std::u16string trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return std::u16string(text);
}

}  // namespace

zefkr::ProxyDialogFields zefkr::loadProxyDialogFields(const TVendrakoIni& copies) {
  ProxyDialogFields fields;
  fields.portText = u"80";
  const platform::TIniFile* ini = copies.GetIni(0);
  if (!ini) return fields;
  fields.custom = ini->ReadInteger(kSection, u"Mode", 0) != 0;
  fields.address = ini->ReadString(kSection, u"ProxyAddressHTTP", u"");
  fields.portText = platform::formatText(u"%d", ini->ReadInteger(kSection, u"ProxyPortHTTP", kDefaultDialogPort));
  fields.user = unscrambled(ini->ReadString(kSection, u"ProxyUserID", u""));
  fields.password = unscrambled(ini->ReadString(kSection, u"ProxyPassword", u""));
  return fields;
}

zefkr::ProxySaveResult zefkr::saveProxyDialogFields(TVendrakoIni& copies, const ProxyDialogFields& fields,
                                                    std::u16string* errors) {
  errors->clear();
  int port = kDefaultDialogPort;
  const std::u16string address = trimmed(fields.address);
  if (fields.custom) {
    // Every problem is named in one box.
    if (address.empty()) *errors = KRGetMessage(3011).ToUnicodeString();
    const std::u16string portText = trimmed(fields.portText);
    // "%d" reads the leading number and ignores what follows it.
    if (!portText.empty() && (platform::scanText(portText, u"%d", &port) != 1 || port < 1 || port > kHighestPort)) {
      if (!errors->empty()) *errors += u"\r\n";
      *errors += KRGetMessage(3012).ToUnicodeString();
    }
    if (portText.empty()) port = kDefaultDialogPort;
  }
  if (!errors->empty()) return ProxySaveResult::kInvalid;
  platform::TIniFile* ini = copies.GetIni(0);
  if (!ini) return ProxySaveResult::kNoSettingsFile;
  ini->WriteInteger(kSection, u"Mode", fields.custom ? 1 : 0);
  if (fields.custom) {
    ini->WriteString(kSection, u"ProxyAddressHTTP", address);
    ini->WriteInteger(kSection, u"ProxyPortHTTP", port);
    ini->WriteString(kSection, u"ProxyUserID", scrambled(fields.user));
    ini->WriteString(kSection, u"ProxyPassword", scrambled(fields.password));
  }
  ini->UpdateFile();
  return ProxySaveResult::kSaved;
}

zefkr::ProxyForSession zefkr::proxyForSession(const TVendrakoIni& copies) {
  ProxyForSession proxy;
  const platform::TIniFile* ini = copies.GetIni(0);
  if (!ini || ini->ReadInteger(kSection, u"Mode", 0) == 0) return proxy;
  proxy.host = ini->ReadString(kSection, u"ProxyAddressHTTP", u"");
  proxy.port = static_cast<uint32_t>(ini->ReadInteger(kSection, u"ProxyPortHTTP", 0));
  proxy.user = unscrambled(ini->ReadString(kSection, u"ProxyUserID", u""));
  proxy.password = unscrambled(ini->ReadString(kSection, u"ProxyPassword", u""));
  if (proxy.port == 0 && !proxy.host.empty()) proxy.port = 80;
  return proxy;
}

void zefkr::ApplyProxySettings(INetDetect* watcher, INetInternetSession* session) {
  const TVendrakoIni copies;
  const ProxyForSession proxy = proxyForSession(copies);
  if (watcher) {
    watcher->SetProxy(proxy.host.c_str(), proxy.port, proxy.user.c_str(), proxy.password.c_str());
  }
  if (session) {
    session->SetProxy(proxy.host.c_str(), proxy.port, proxy.user.c_str(), proxy.password.c_str());
  }
}
