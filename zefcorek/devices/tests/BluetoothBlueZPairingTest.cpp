// Pairing over BlueZ: our agent against a mocked BlueZ whose Pair calls it
// with the request each case plans, and the host answering through the
// opener's loop, as Open runs it.
#include "MockServiceBus.h"
#include "PairingHost.h"

#include "zefcorek/BluetoothConnection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace {

constexpr uint32_t kNotAuthenticated = 1244;

std::string addressText(uint64_t address) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", unsigned(address >> 40) & 0xFF,
                unsigned(address >> 32) & 0xFF, unsigned(address >> 24) & 0xFF, unsigned(address >> 16) & 0xFF,
                unsigned(address >> 8) & 0xFF, unsigned(address) & 0xFF);
  return text;
}

TEST(BluetoothBlueZPairingTest, AgentRequestsMeetTheHostsAnswers) {
  struct Case {
    const char* name;
    const char* request;  // what BlueZ asks our agent
    uint32_t number;      // the passkey or PIN BlueZ shows
    bool autoAccept;
    const char* pinText;
    bool hostAccepts;
    std::optional<uint32_t> hostValue;
    // expected
    std::optional<uint32_t> askedMethod;  // unset: the host is not asked
    uint32_t askedValue;
    const char* answer;  // what the agent answered BlueZ
    bool paired;
  };
  const Case cases[] = {
      {"PIN known", "RequestPinCode", 0, true, "1234", true, {}, {}, 0, "string \"pin 1234\"", true},
      {"PIN leading zero", "RequestPinCode", 0, true, "0123", true, {}, {}, 0, "string \"pin 0123\"", true},
      {"PIN from host", "RequestPinCode", 0, true, "", true, 4321u, BTPAIR_LEGACY_PIN, 0, "string \"pin 4321\"", true},
      {"PIN none",
       "RequestPinCode",
       0,
       true,
       "",
       true,
       {},
       BTPAIR_LEGACY_PIN,
       0,
       "string \"refused org.bluez.Error.Rejected\"",
       false},
      {"PIN refused",
       "RequestPinCode",
       0,
       false,
       "1234",
       false,
       {},
       BTPAIR_LEGACY_PIN,
       1234,
       "string \"refused org.bluez.Error.Rejected\"",
       false},
      {"passkey entry", "RequestPasskey", 0, true, "", true, 778899u, BTPAIR_PASSKEY_ENTRY, 0,
       "string \"passkey 778899\"", true},
      {"comparison auto", "RequestConfirmation", 55, true, "", true, {}, {}, 0, "string \"agreed\"", true},
      {"comparison refused",
       "RequestConfirmation",
       987654,
       false,
       "",
       false,
       {},
       BTPAIR_NUMERIC_COMPARISON,
       987654,
       "string \"refused org.bluez.Error.Rejected\"",
       false},
      {"notification auto", "DisplayPasskey", 123456, true, "", true, {}, {}, 0, "string \"agreed\"", true},
      {"notification refused",
       "DisplayPasskey",
       123456,
       false,
       "",
       false,
       {},
       BTPAIR_PASSKEY_NOTIFICATION,
       123456,
       "string \"cancelled\"",
       false},
      {"PIN shown", "DisplayPinCode", 5678, true, "", true, {}, {}, 0, "string \"agreed\"", true},
      {"just works auto", "RequestAuthorization", 0, true, "", true, {}, {}, 0, "string \"agreed\"", true},
      {"just works refused",
       "RequestAuthorization",
       0,
       false,
       "",
       false,
       {},
       BTPAIR_NUMERIC_COMPARISON,
       0,
       "string \"refused org.bluez.Error.Rejected\"",
       false},
  };
  MockBlueZBus bus(BLUEZ_MOCK_TEMPLATE);
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  uint64_t address = 0x00A0B0C0D000ull;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = addressText(++address);
    ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:" + text + " string:Station"));
    ASSERT_TRUE(
        bus.mock("PlanPairing string:" + text + " string:" + c.request + " uint32:" + std::to_string(c.number)));

    PairingHost host;
    host.accept = c.hostAccepts;
    host.newValue = c.hostValue;
    const PairingOutcome outcome = pairThroughOpener(address, c.autoAccept, c.pinText, host);

    ASSERT_EQ(host.queries.size(), c.askedMethod ? 1u : 0u);
    if (c.askedMethod) {
      EXPECT_EQ(host.queries[0].Method, *c.askedMethod);
      EXPECT_EQ(host.queries[0].Value, c.askedValue);
      EXPECT_EQ(host.queries[0].Address, address);
    }
    EXPECT_EQ(bus.ask("/ org.bluez.Mock.PairingAnswer string:" + text), c.answer);
    EXPECT_EQ(outcome.result, c.paired ? ERROR_SUCCESS : kNotAuthenticated);
    std::string path = "/org/bluez/hci0/dev_" + text;
    for (char& ch : path) ch = ch == ':' ? '_' : ch;
    EXPECT_EQ(bus.property(path, "org.bluez.Device1", "Paired"), c.paired ? "boolean true" : "boolean false");
  }
}

// A host that calls the platform's authentication functions itself, with
// answers of its own choosing: the PIN bytes or passkey it sends back.
struct DirectHost {
  std::string pin;
  ULONG passkey = 0;
  DWORD sent = 0xFFFFFFFF;  // what BluetoothSendAuthenticationResponseEx answered

  static BOOL answer(void* context, BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS* params) {
    auto* host = static_cast<DirectHost*>(context);
    BLUETOOTH_AUTHENTICATE_RESPONSE response{};
    response.bthAddressRemote = params->deviceInfo.Address;
    response.authMethod = params->authenticationMethod;
    if (params->authenticationMethod == BLUETOOTH_AUTHENTICATION_METHOD_LEGACY) {
      std::memcpy(response.pinInfo.pin, host->pin.data(), host->pin.size());
      response.pinInfo.pinLength = static_cast<uint8_t>(host->pin.size());
    } else {
      response.passkeyInfo.passkey = host->passkey;
    }
    host->sent = BluetoothSendAuthenticationResponseEx(nullptr, &response);
    return TRUE;
  }

  DWORD pair(uint64_t address, PFN_AUTHENTICATION_CALLBACK_EX callback = &DirectHost::answer) {
    BLUETOOTH_DEVICE_INFO info{};
    info.dwSize = sizeof info;
    info.Address.ullLong = address;
    HBLUETOOTH_AUTHENTICATION_REGISTRATION registration = nullptr;
    EXPECT_EQ(BluetoothRegisterForAuthenticationEx(&info, &registration, callback, this), ERROR_SUCCESS);
    const DWORD result =
        BluetoothAuthenticateDeviceEx(nullptr, nullptr, &info, nullptr, MITMProtectionNotRequiredBonding);
    EXPECT_TRUE(BluetoothUnregisterAuthentication(registration));
    return result;
  }
};

// BlueZ takes a PIN as UTF-8 text and a passkey of six digits; an answer it
// cannot take is a refusal, and the process goes on.
TEST(BluetoothBlueZPairingTest, AnswersBlueZCannotTakeAreRefusals) {
  struct Case {
    const char* name;
    const char* request;
    std::string pin;
    ULONG passkey;
    const char* answer;
  };
  const Case cases[] = {
      {"PIN text", "RequestPinCode", "12", 0, "string \"pin 12\""},
      {"PIN not text", "RequestPinCode", std::string("\xff\xfe\x31", 3), 0,
       "string \"refused org.bluez.Error.Rejected\""},
      {"largest passkey", "RequestPasskey", "", 999999, "string \"passkey 999999\""},
      {"passkey too large", "RequestPasskey", "", 1000000, "string \"refused org.bluez.Error.Rejected\""},
  };
  MockBlueZBus bus(BLUEZ_MOCK_TEMPLATE);
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  uint64_t address = 0x00A0B0C0E000ull;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = addressText(++address);
    ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:" + text + " string:Station"));
    ASSERT_TRUE(bus.mock("PlanPairing string:" + text + " string:" + c.request + " uint32:0"));
    DirectHost host{c.pin, c.passkey};
    const DWORD result = host.pair(address);
    EXPECT_EQ(host.sent, ERROR_SUCCESS);
    EXPECT_EQ(bus.ask("/ org.bluez.Mock.PairingAnswer string:" + text), c.answer);
    const bool paired = std::strncmp(c.answer, "string \"refused", 15) != 0;
    EXPECT_EQ(result, paired ? ERROR_SUCCESS : kNotAuthenticated);
  }
}

// Two devices pair at once, each from a thread of its own; each answer goes
// to its own device.
TEST(BluetoothBlueZPairingTest, TwoPairingsAtOnceKeepTheirAnswers) {
  MockBlueZBus bus(BLUEZ_MOCK_TEMPLATE);
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  const uint64_t addresses[] = {0x00A0B0C0F001ull, 0x00A0B0C0F002ull};
  for (uint64_t address : addresses) {
    ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:" + addressText(address) + " string:Station"));
    ASSERT_TRUE(bus.mock("PlanPairing string:" + addressText(address) + " string:RequestPasskey uint32:0"));
  }
  // Both callbacks are running before either answers.
  struct Meeting {
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;
  } meeting;
  struct MeetingHost : DirectHost {
    Meeting* meeting = nullptr;
    static BOOL meetThenAnswer(void* context, BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS* params) {
      auto* host = static_cast<MeetingHost*>(context);
      std::unique_lock lock(host->meeting->mutex);
      ++host->meeting->count;
      host->meeting->arrived.notify_all();
      (void)host->meeting->arrived.wait_for(lock, std::chrono::seconds(30), [&] { return host->meeting->count == 2; });
      lock.unlock();
      return DirectHost::answer(context, params);
    }
  };
  MeetingHost hosts[2];
  DWORD results[2] = {0, 0};
  std::thread pairings[2];
  for (int i = 0; i < 2; ++i) {
    hosts[i].passkey = 111111 * (i + 1);
    hosts[i].meeting = &meeting;
    pairings[i] = std::thread([&, i] { results[i] = hosts[i].pair(addresses[i], &MeetingHost::meetThenAnswer); });
  }
  for (std::thread& pairing : pairings) pairing.join();
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(hosts[i].sent, ERROR_SUCCESS);
    EXPECT_EQ(results[i], ERROR_SUCCESS);
    EXPECT_EQ(bus.ask("/ org.bluez.Mock.PairingAnswer string:" + addressText(addresses[i])),
              "string \"passkey " + std::to_string(111111 * (i + 1)) + "\"");
  }
}

// While we pair, BlueZ may ask our agent about another device: that request
// is refused without the host's callback, which stays free for its own device.
TEST(BluetoothBlueZPairingTest, ARequestAboutAnotherDeviceIsRefusedUnasked) {
  MockBlueZBus bus(BLUEZ_MOCK_TEMPLATE);
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:00:11:22:33:44:CC string:Station"));
  ASSERT_TRUE(bus.mock("PlanPairing string:00:11:22:33:44:CC string:RequestConfirmation uint32:31337"));
  ASSERT_TRUE(bus.mock("PlanStrangerRequest string:00:11:22:33:44:CC string:66:55:44:33:22:11"));

  PairingHost host;
  const PairingOutcome outcome = pairThroughOpener(0x0011223344CCull, false, "", host);
  ASSERT_EQ(host.queries.size(), 1u);
  EXPECT_EQ(host.queries[0].Value, 31337u);
  EXPECT_EQ(bus.ask("/ org.bluez.Mock.StrangerAnswer string:00:11:22:33:44:CC"),
            "string \"refused org.bluez.Error.Rejected\"");
  EXPECT_EQ(bus.ask("/ org.bluez.Mock.PairingAnswer string:00:11:22:33:44:CC"), "string \"agreed\"");
  EXPECT_EQ(outcome.result, ERROR_SUCCESS);
}

TEST(BluetoothBlueZPairingTest, WizardPairsAndAnUnknownDeviceIsNotFound) {
  MockBlueZBus bus(BLUEZ_MOCK_TEMPLATE);
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:00:11:22:33:44:AA string:Station"));
  ASSERT_TRUE(bus.mock("PlanPairing string:00:11:22:33:44:AA string:RequestConfirmation uint32:31337"));

  PairingHost host;
  const TBluetoothPairingWizardParms parms{
      0x0011223344AAull, &PairingHost::answer, &host, &PairingHost::countIdle, &host, 0};
  EXPECT_EQ(ShowBluetoothPairingWizard(&parms), S_OK);
  ASSERT_EQ(host.queries.size(), 1u);  // the wizard never answers by itself
  EXPECT_EQ(host.queries[0].Method, BTPAIR_NUMERIC_COMPARISON);
  EXPECT_EQ(host.queries[0].Value, 31337u);
  EXPECT_GE(host.idles, 1);
  EXPECT_EQ(bus.property("/org/bluez/hci0/dev_00_11_22_33_44_AA", "org.bluez.Device1", "Paired"), "boolean true");

  PairingHost nobody;
  const PairingOutcome unknown = pairThroughOpener(0x0011223344BBull, true, "1234", nobody);
  EXPECT_FALSE(unknown.accepted);
  EXPECT_NE(unknown.result, ERROR_SUCCESS);
  EXPECT_TRUE(nobody.queries.empty());
}

}  // namespace
