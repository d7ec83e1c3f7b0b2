// Pairing against the fake radio stack, which plays the platform's callback
// thread with the method and number each case chooses.
#include "BluetoothPairing.h"
#include "BthPropsDLL.h"
#include "PairingHost.h"

#include "zefcorek/BluetoothConnection.h"
#include "zefcorek/DebugLog.h"

#include "platform/BluetoothFake.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using zefcorek::devices::TBluetoothPairingRequest;

constexpr uint64_t kDevice = 0x0011223344AAull;

class RecordingLog final : public IDebugLog {
public:
  RecordingLog() { (void)ZefCoreKSetDebugLog(this); }
  ~RecordingLog() override { (void)ZefCoreKSetDebugLog(nullptr); }
  HRESULT WriteEntry(const DbgLogEntry* entry) override {
    std::lock_guard lock(mutex_);
    if (entry->source.Text() == u"BluetoothUtils") lines_.emplace_back(entry->message.Text());
    return S_OK;
  }
  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override {
    const HRESULT result = WriteEntry(entry);
    entry->release(entry);
    return result;
  }
  std::vector<std::u16string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  bool has(const std::u16string& line) {
    const auto all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
  }

private:
  std::mutex mutex_;
  std::vector<std::u16string> lines_;
};

platform::FakeBluetoothDevice station() {
  platform::FakeBluetoothDevice device;
  device.address = kDevice;
  device.name = u"Total station";
  return device;
}

using Host = PairingHost;

struct PairingRun {
  platform::FakeBluetoothBackend fake;
  Host host;

  explicit PairingRun(const platform::FakeBluetoothAuthentication& authentication) {
    fake.authentication = authentication;
    fake.devices.push_back(station());
  }

  // Pairs through the opener's loop, as Open does.
  void pair(bool autoAccept, const char* pinText) {
    platform::ScopedBluetoothBackend active(&fake);
    accepted = pairThroughOpener(kDevice, autoAccept, pinText, host).accepted;
  }

  bool accepted = false;
};

platform::FakeBluetoothAuthentication plan(BLUETOOTH_AUTHENTICATION_METHOD method, ULONG number = 0) {
  platform::FakeBluetoothAuthentication authentication;
  authentication.method = method;
  authentication.number = number;
  return authentication;
}

std::string pinOf(const BLUETOOTH_AUTHENTICATE_RESPONSE& response) {
  return std::string(reinterpret_cast<const char*>(response.pinInfo.pin), response.pinInfo.pinLength);
}

TEST(BluetoothPairingTest, AnswersPerMethodAndHostAnswer) {
  struct Case {
    const char* name;
    BLUETOOTH_AUTHENTICATION_METHOD method;
    ULONG number;
    bool autoAccept;
    const char* pinText;
    bool hostAccepts;
    std::optional<uint32_t> hostValue;
    // expected
    bool hostAsked;
    uint32_t askedMethod, askedValue;
    int responses;  // 0 or 1
    bool negative;
    const char* pin;   // legacy: the PIN text sent
    uint32_t number2;  // other methods: the number sent
  };
  const Case cases[] = {
      {"legacy auto",
       BLUETOOTH_AUTHENTICATION_METHOD_LEGACY,
       0,
       true,
       "1234",
       true,
       {},
       false,
       0,
       0,
       1,
       false,
       "1234",
       0},
      {"legacy leading zero",
       BLUETOOTH_AUTHENTICATION_METHOD_LEGACY,
       0,
       true,
       "0123",
       true,
       {},
       false,
       0,
       0,
       1,
       false,
       "0123",
       0},
      {"legacy zeros",
       BLUETOOTH_AUTHENTICATION_METHOD_LEGACY,
       0,
       true,
       "0000",
       true,
       {},
       false,
       0,
       0,
       1,
       false,
       "0000",
       0},
      {"legacy hex", BLUETOOTH_AUTHENTICATION_METHOD_LEGACY, 0, true, "0x1A", true, {}, false, 0, 0, 1, false, "26", 0},
      {"legacy empty, no value",
       BLUETOOTH_AUTHENTICATION_METHOD_LEGACY,
       0,
       true,
       "",
       true,
       {},
       true,
       0,
       0,
       1,
       true,
       "",
       0},
      {"legacy empty, host value", BLUETOOTH_AUTHENTICATION_METHOD_LEGACY, 0, true, "", true, 4321u, true, 0, 0, 1,
       false, "4321", 0},
      {"legacy asked, refused",
       BLUETOOTH_AUTHENTICATION_METHOD_LEGACY,
       0,
       false,
       "1234",
       false,
       {},
       true,
       0,
       1234,
       1,
       true,
       "1234",
       0},
      {"numeric refused",
       BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON,
       987654,
       false,
       "",
       false,
       {},
       true,
       2,
       987654,
       1,
       true,
       nullptr,
       987654},
      {"numeric 000000",
       BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON,
       0,
       false,
       "",
       true,
       {},
       true,
       2,
       0,
       1,
       false,
       nullptr,
       0},
      {"numeric auto",
       BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON,
       55,
       true,
       "",
       true,
       {},
       false,
       0,
       0,
       1,
       false,
       nullptr,
       55},
      {"notification auto",
       BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY_NOTIFICATION,
       123456,
       true,
       "",
       true,
       {},
       false,
       0,
       0,
       1,
       false,
       nullptr,
       123456},
      {"passkey entry", BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY, 0, true, "", true, 778899u, true, 4, 0, 1, false,
       nullptr, 778899},
      {"out of band", BLUETOOTH_AUTHENTICATION_METHOD_OOB, 0, true, "1234", true, {}, true, 1, 0, 0, false, nullptr, 0},
      {"unknown method",
       static_cast<BLUETOOTH_AUTHENTICATION_METHOD>(9),
       0,
       true,
       "",
       true,
       {},
       true,
       5,
       0,
       0,
       false,
       nullptr,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PairingRun run(plan(c.method, c.number));
    run.host.accept = c.hostAccepts;
    run.host.newValue = c.hostValue;
    run.pair(c.autoAccept, c.pinText);
    ASSERT_EQ(run.host.queries.size(), c.hostAsked ? 1u : 0u);
    if (c.hostAsked) {
      EXPECT_EQ(run.host.queries[0].Method, c.askedMethod);
      EXPECT_EQ(run.host.queries[0].Value, c.askedValue);
      EXPECT_EQ(run.host.queries[0].Address, kDevice);
      EXPECT_EQ(run.host.queries[0].UserData, &run.host);
    }
    const auto responses = run.fake.responses();
    ASSERT_EQ(responses.size(), static_cast<size_t>(c.responses));
    if (c.responses == 0) continue;
    EXPECT_EQ(responses[0].bthAddressRemote.ullLong, kDevice);
    EXPECT_EQ(responses[0].authMethod, c.method);
    EXPECT_EQ(responses[0].negativeResponse != 0, c.negative);
    if (c.pin != nullptr) {
      EXPECT_EQ(pinOf(responses[0]), c.pin);
    } else {
      EXPECT_EQ(responses[0].numericCompInfo.NumericValue, c.number2);
    }
  }
}

TEST(BluetoothPairingTest, LogsEveryStepInOrder) {
  RecordingLog log;
  PairingRun run(plan(BLUETOOTH_AUTHENTICATION_METHOD_LEGACY));
  run.host.newValue = 4321;
  run.pair(/*autoAccept=*/true, "");
  EXPECT_TRUE(run.accepted);
  const std::vector<std::u16string> expected = {
      u"BluetoothRegisterForAuthenticationEx() == 0 (00000000)",
      u"-> BluetoothAuthenticationExCallback()",
      u"authenticationMethod = BLUETOOTH_AUTHENTICATION_METHOD_LEGACY",
      u"ioCapability = BLUETOOTH_IO_CAPABILITY_DISPLAYYESNO",
      u"authenticationRequirements = BLUETOOTH_MITM_ProtectionNotRequiredBonding",
      u"Pin/Passkey value was changed from 0 to 4321.",
      u"BluetoothSendAuthenticationResponseEx() == 0 (0)",
      u"<- BluetoothAuthenticationExCallback()",
      u"BluetoothAuthenticateDeviceEx() == 0 (00000000)",
      u"BluetoothUnregisterAuthentication() == 1 (00000001)",
  };
  EXPECT_EQ(log.lines(), expected);
}

TEST(BluetoothPairingTest, UnknownNamesAndIgnoredCallbacks) {
  RecordingLog log;
  {
    platform::FakeBluetoothAuthentication odd = plan(static_cast<BLUETOOTH_AUTHENTICATION_METHOD>(7), 42);
    odd.ioCapability = static_cast<BLUETOOTH_IO_CAPABILITY>(9);
    odd.requirements = static_cast<BLUETOOTH_AUTHENTICATION_REQUIREMENTS>(17);
    odd.callbacks = 2;
    PairingRun run(odd);
    run.pair(true, "");
    EXPECT_EQ(run.host.queries.size(), 1u);  // the second callback asks nothing
  }
  EXPECT_TRUE(log.has(u"authenticationMethod = unknown -> 7"));
  EXPECT_TRUE(log.has(u"ioCapability = unknown caps -> 9"));
  EXPECT_TRUE(log.has(u"authenticationRequirements = unknown -> 17"));
  EXPECT_TRUE(log.has(u"!!! callback called twice. ignoring second call."));
  EXPECT_TRUE(log.has(u"BluetoothAuthenticateDeviceEx() == 1244 (000004DC)"));

  platform::FakeBluetoothAuthentication other = plan(BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY_NOTIFICATION, 1);
  other.callbackAddress = 0x999;
  PairingRun run(other);
  run.pair(true, "1234");
  EXPECT_TRUE(run.host.queries.empty());
  EXPECT_TRUE(run.fake.responses().empty());
  EXPECT_FALSE(run.accepted);
  EXPECT_TRUE(log.has(u"Auth. request ignored (device address mismatch)"));
}

TEST(BluetoothPairingTest, WizardChecksItsArgumentsFirst) {
  platform::FakeBluetoothBackend fake;
  fake.authentication = plan(BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON, 31337);
  fake.devices.push_back(station());
  platform::ScopedBluetoothBackend active(&fake);

  Host host;
  TBluetoothPairingWizardParms parms{kDevice, &PairingHost::answer, &host, &PairingHost::countIdle, &host, 0};
  EXPECT_EQ(ShowBluetoothPairingWizard(nullptr), E_INVALIDARG);
  TBluetoothPairingWizardParms noCallback = parms;
  noCallback.PairingCallback = nullptr;
  EXPECT_EQ(ShowBluetoothPairingWizard(&noCallback), E_INVALIDARG);
  TBluetoothPairingWizardParms noIdle = parms;
  noIdle.IdleCallback = nullptr;
  EXPECT_EQ(ShowBluetoothPairingWizard(&noIdle), E_INVALIDARG);
  EXPECT_TRUE(fake.calls().empty());  // nothing started

  EXPECT_EQ(ShowBluetoothPairingWizard(&parms), S_OK);
  ASSERT_EQ(host.queries.size(), 1u);  // never answered automatically
  EXPECT_EQ(host.queries[0].Method, BTPAIR_NUMERIC_COMPARISON);
  EXPECT_EQ(host.queries[0].Value, 31337u);
  EXPECT_GE(host.idles, 1);
  EXPECT_TRUE(fake.devices[0].authenticated);

  host = {};
  host.accept = false;
  fake.devices[0].authenticated = false;
  EXPECT_EQ(ShowBluetoothPairingWizard(&parms), S_OK);  // whatever the outcome
  EXPECT_FALSE(fake.devices[0].authenticated);
}

// Nobody answers: after a minute the callback refuses instead of holding
// the radio stack's callback thread for good.
TEST(BluetoothPairingTest, AHostThatNeverAnswersIsRefusedAfterAMinute) {
  platform::FakeBluetoothBackend fake;
  fake.authentication = plan(BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY);
  platform::ScopedBluetoothBackend active(&fake);
  platform::VirtualClock clock;
  platform::ScopedClock virtualTime(clock);
  TBluetoothPairingRequest request;
  request.DeviceInfo.Address.ullLong = kDevice;
  request.Table = &zefcorek::devices::processBthPropsDLL();
  BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS params{};
  params.deviceInfo.Address.ullLong = kDevice;
  params.authenticationMethod = BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY;
  params.Passkey = 5;
  EXPECT_TRUE(zefcorek::devices::BluetoothAuthenticationExCallback(&request, &params));
  EXPECT_TRUE(request.Ask);  // asked, never answered
  EXPECT_GE(clock.sleptMs(), 60'000u);
  EXPECT_LT(clock.sleptMs(), 61'000u);
  const auto responses = fake.responses();
  ASSERT_EQ(responses.size(), 1u);
  EXPECT_EQ(responses[0].negativeResponse, 1);
}

TEST(BluetoothPairingTest, WizardNeedsTheRadioFunctions) {
  platform::FakeBluetoothBackend fake;
  fake.missingFunctions.insert("BluetoothSendAuthenticationResponseEx");
  platform::ScopedBluetoothBackend active(&fake);
  Host host;
  const TBluetoothPairingWizardParms parms{kDevice, &PairingHost::answer, &host, &PairingHost::countIdle, &host, 0};
  EXPECT_EQ(ShowBluetoothPairingWizard(&parms), E_FAIL);
  EXPECT_EQ(host.idles, 0);
}

}  // namespace
