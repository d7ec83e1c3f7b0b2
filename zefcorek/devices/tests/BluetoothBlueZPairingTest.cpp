// Pairing over BlueZ: our agent against a mocked BlueZ whose Pair calls it
// with the request each case plans, and the host answering through the
// opener's loop, as Open runs it.
#include "MockServiceBus.h"
#include "PairingHost.h"

#include "zefcorek/BluetoothConnection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

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
