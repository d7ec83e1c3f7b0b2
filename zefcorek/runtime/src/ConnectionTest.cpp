// The connection test: probes of two configured servers with the dial-up
// switch held off meanwhile.
#include "ConnectionTest.h"

#include "zefcorek/NetDetect.h"

#include "platform/CodePage.h"
#include "platform/Internet.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/WinSock.h"

#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr char16_t kInternetSettingsKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr char16_t kEnableAutodial[] = u"EnableAutodial";
constexpr uint16_t kDefaultProbePort = 80;

void reportUnexpected(const char16_t* function) {
  const std::u16string text = u"Unexpected exception in ConnectionTest@" + std::u16string(function) + u"()";
  MessageBoxW(nullptr, text.c_str(), nullptr, MB_ICONERROR);
}

// Runs `body`; an exception escaping it is shown and answers false.
template <typename Body>
bool guarded(const char16_t* function, Body body) {
  try {
    return body();
  } catch (...) {
    reportUnexpected(function);
    return false;
  }
}

struct ProbeAddress {
  std::string host;
  uint16_t port;
};

// "a.b.c.d" or "a.b.c.d:port" from value `name` of the probe key.
std::optional<ProbeAddress> probeAddress(const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, zefcorek::kConnectionTestKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  WCHAR text[128] = {};
  DWORD type = 0;
  DWORD size = sizeof text - sizeof(WCHAR);  // room for a terminator
  const LONG read = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  const std::string value = platform::wideToAnsiLenient(text);
  const size_t colon = value.find(':');
  if (colon == std::string::npos) return ProbeAddress{value, kDefaultProbePort};
  const std::string portText = value.substr(colon + 1);
  if (portText.empty() || portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const unsigned long port = std::stoul(portText);
  if (port == 0 || port > 65535) return std::nullopt;
  return ProbeAddress{value.substr(0, colon), static_cast<uint16_t>(port)};
}

bool probe(const char16_t* valueName) {
  const auto address = probeAddress(valueName);
  return address && platform::probeTcpConnection(address->host, address->port);
}

// The dial-up switch, held off while the probes run so that they cannot
// start a dial-up connection. Only a REG_DWORD or a 4-byte REG_BINARY
// counts; anything else is left alone.
class AutodialHold {
public:
  AutodialHold() {
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettingsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    BYTE data[4] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExW(key_, kEnableAutodial, nullptr, &type_, data, &size) != ERROR_SUCCESS || size != 4 ||
        (type_ != REG_DWORD && type_ != REG_BINARY)) {
      return;
    }
    uint32_t value = 0;
    std::memcpy(&value, data, sizeof value);
    if (value == 0) return;
    const BYTE off[4] = {};
    wasOn_ = RegSetValueExW(key_, kEnableAutodial, 0, type_, off, sizeof off) == ERROR_SUCCESS;
  }
  ~AutodialHold() {
    if (wasOn_) {
      const BYTE on[4] = {1, 0, 0, 0};
      RegSetValueExW(key_, kEnableAutodial, 0, type_, on, sizeof on);
    }
    if (key_) RegCloseKey(key_);
  }
  AutodialHold(const AutodialHold&) = delete;
  AutodialHold& operator=(const AutodialHold&) = delete;

private:
  HKEY key_ = nullptr;
  DWORD type_ = 0;
  bool wasOn_ = false;  // switched off here; written back on at the end
};

}  // namespace

bool zefcorek::connection_test::InitWinsock() {
  return guarded(u"InitWinsock", [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
  });
}

void zefcorek::connection_test::UninitWinsock() {
  guarded(u"UninitWinsock", [] {
    WSACleanup();
    return true;
  });
}

bool zefcorek::connection_test::TestConnectionWithZefSH() {
  return guarded(u"TestConnectionWithZefSH", [] { return probe(u"Probe1"); });
}

bool zefcorek::connection_test::TestConnectionWithGoogle() {
  return guarded(u"TestConnectionWithGoogle", [] { return probe(u"Probe2"); });
}

bool zefcorek::connection_test::RunConnectionTest() {
  const AutodialHold autodialOff;
  if (!InitWinsock()) return false;
  const bool reachable = TestConnectionWithZefSH() || TestConnectionWithGoogle();
  UninitWinsock();
  return reachable;
}
