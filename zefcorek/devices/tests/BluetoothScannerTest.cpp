// The scanner's result lists, and the scanner thread against the fake radio
// stack's scripted inquiries (on a virtual clock, so its waits take no time).
#include "zefcorek/BluetoothScanner.h"

#include "zefcorek/DebugLog.h"

#include "platform/BluetoothFake.h"
#include "platform/BluetoothLookup.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

namespace {

// --- Lists -------------------------------------------------------------------

TBluetoothScannerResEntry* entryNamed(const char16_t* name, uint8_t connected = 0) {
  auto* entry = new TBluetoothScannerResEntry{};
  std::memcpy(entry->Name, name, (std::char_traits<char16_t>::length(name) + 1) * sizeof(WCHAR));
  entry->Connected = connected;
  entry->MajorDeviceClass = 7;
  return entry;
}

struct List {
  TBluetoothScannerResults results{};
  List() { InitBluetoothScannerResults(&results); }
  ~List() { CleanUpBluetoothScannerResults(&results); }
  List& add(const char16_t* name, uint8_t connected = 0) {
    TBluetoothScannerResEntry* entry = entryNamed(name, connected);
    entry->Prev = results.Last;
    if (results.Last != nullptr) results.Last->Next = entry;
    if (results.First == nullptr) results.First = entry;
    results.Last = entry;
    ++results.Count;
    return *this;
  }
  std::vector<std::u16string> names() const {
    std::vector<std::u16string> all;
    for (auto* e = results.First; e != nullptr; e = e->Next) all.emplace_back(e->Name);
    return all;
  }
};

struct MergeLog {
  std::vector<std::pair<std::u16string, int>> calls;
};
void recordMerge(TBluetoothScannerResEntry* entry, int added, void* user) {
  static_cast<MergeLog*>(user)->calls.emplace_back(entry->Name, added);
}

TEST(BluetoothResultsTest, InitCloneAndFind) {
  List list;
  EXPECT_EQ(list.results.LastError, -1);
  EXPECT_EQ(list.results.Count, 0u);
  EXPECT_EQ(InitBluetoothScannerResults(nullptr), E_INVALIDARG);
  EXPECT_EQ(CleanUpBluetoothScannerResults(nullptr), E_INVALIDARG);

  list.add(u"Level").add(u"Rover");
  list.results.Flags = 1;
  list.results.LastError = 0;
  list.results.ProtocolInfo[5] = 0x5A;
  List copy;
  copy.add(u"Stale");
  CleanUpBluetoothScannerResults(&copy.results);
  ASSERT_EQ(CloneBluetoothScannerResults(&list.results, &copy.results), S_OK);
  EXPECT_EQ(copy.names(), (std::vector<std::u16string>{u"Level", u"Rover"}));
  EXPECT_EQ(copy.results.Count, 2u);
  EXPECT_EQ(copy.results.Flags, 1u);
  EXPECT_EQ(copy.results.LastError, 0);
  EXPECT_EQ(copy.results.ProtocolInfo[5], 0x5A);
  EXPECT_EQ(copy.results.Last->Prev, copy.results.First);
  EXPECT_NE(copy.results.First, list.results.First);
  EXPECT_EQ(CloneBluetoothScannerResults(nullptr, &copy.results), E_INVALIDARG);

  TBluetoothScannerResEntry* probe = entryNamed(u"ROVER");
  EXPECT_EQ(FindResEntryInBluetoothScannerResults(&list.results, probe), list.results.Last);
  EXPECT_EQ(FindResEntryInBluetoothScannerResults(nullptr, probe), nullptr);
  EXPECT_EQ(FindResEntryInBluetoothScannerResults(&list.results, nullptr), nullptr);
  delete probe;
}

TEST(BluetoothResultsTest, MergeAddsUpdatesAndRemoves) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char16_t*, uint8_t>> kept, fresh;
    bool removeMissing;
    uint32_t added, updated, removed;
    std::vector<std::u16string> after;
    std::vector<std::pair<std::u16string, int>> calls;
  };
  const Case cases[] = {
      {"connected flag only", {{u"Level", 0}}, {{u"Level", 1}}, true, 0, 1, 0, {u"Level"}, {}},
      {"new device",
       {{u"Level", 0}},
       {{u"Level", 0}, {u"Rover", 0}},
       false,
       1,
       0,
       0,
       {u"Level", u"Rover"},
       {{u"Rover", 1}}},
      {"gone, kept", {{u"Level", 0}, {u"Rover", 0}}, {{u"Rover", 0}}, false, 0, 0, 0, {u"Level", u"Rover"}, {}},
      {"gone, removed", {{u"Level", 0}, {u"Rover", 0}}, {{u"Rover", 0}}, true, 0, 0, 1, {u"Rover"}, {{u"Level", 0}}},
      {"case only", {{u"rover", 0}}, {{u"ROVER", 0}}, true, 0, 0, 0, {u"rover"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    List kept;
    List fresh;
    for (const auto& [name, connected] : c.kept) kept.add(name, connected);
    for (const auto& [name, connected] : c.fresh) fresh.add(name, connected);
    MergeLog log;
    TBluetoothResultsMerge merge{&fresh.results, &kept.results, &recordMerge, &log, c.removeMissing, 9, 9, 9};
    ASSERT_EQ(RemoveAddOrUpdateBluetoothScannerResults(&merge), S_OK);
    EXPECT_EQ(merge.Added, c.added);
    EXPECT_EQ(merge.Updated, c.updated);
    EXPECT_EQ(merge.Removed, c.removed);
    EXPECT_EQ(kept.names(), c.after);
    EXPECT_EQ(log.calls, c.calls);
    EXPECT_EQ(kept.results.Count, c.after.size());
  }
  List one;
  TBluetoothResultsMerge merge{nullptr, &one.results, nullptr, nullptr, 0, 5, 5, 5};
  EXPECT_EQ(RemoveAddOrUpdateBluetoothScannerResults(&merge), E_INVALIDARG);
  EXPECT_EQ(merge.Added + merge.Updated + merge.Removed, 0u);
  merge = {&one.results, nullptr, nullptr, nullptr, 0, 5, 5, 5};
  EXPECT_EQ(RemoveAddOrUpdateBluetoothScannerResults(&merge), E_INVALIDARG);
  EXPECT_EQ(merge.Added + merge.Updated + merge.Removed, 0u);
  EXPECT_EQ(RemoveAddOrUpdateBluetoothScannerResults(nullptr), E_INVALIDARG);
}

// --- Scanner -----------------------------------------------------------------

platform::FakeBluetoothDevice device(uint64_t address, const char16_t* name, bool serialPort) {
  platform::FakeBluetoothDevice made;
  made.address = address;
  made.name = name;
  made.classOfDevice = (0x20u << 13) | (0x1Fu << 8) | (0x3u << 2);
  made.authenticated = true;
  made.connected = address % 2 == 1;
  if (serialPort) made.services = {0x1101};
  return made;
}

struct Host {
  std::mutex mutex;
  std::vector<int> events;
  std::vector<std::u16string> accepted;
  std::vector<int32_t> errorsAtStart;
  int stopAtEvent = -1;
  bool cleanEachRound = false;
};

int notify(int event, TBluetoothScannerResults* results, void* user) {
  auto* host = static_cast<Host*>(user);
  std::lock_guard lock(host->mutex);
  host->events.push_back(event);
  if (event == 1) {
    host->errorsAtStart.push_back(results->LastError);
    if (host->cleanEachRound) CleanUpBluetoothScannerResults(results);
  }
  if (event == 2) host->accepted.emplace_back(results->Last->Name);
  return event == host->stopAtEvent ? 0 : 1;
}

struct Scanner {
  platform::FakeBluetoothBackend fake;
  platform::VirtualClock clock;
  platform::ScopedClock virtualTime{clock};
  TBluetoothScannerResults results{};
  Host host;
  TBluetoothScannerCtl ctl{&results, 0, &notify, &host, 0, nullptr};

  Scanner() { fake.devices = {device(0xA1, u"Level", true), device(0xB2, u"", false), device(0xC3, u"Rover", true)}; }
  ~Scanner() {
    if (ctl.Thread != nullptr) (void)ShutDownBluetoothScanner(&ctl, nullptr, nullptr);
    CleanUpBluetoothScannerResults(&results);
  }
  void runToEnd() {
    platform::ScopedBluetoothBackend active(&fake);
    ASSERT_EQ(InitBluetoothScanner(&ctl), S_OK);
    ASSERT_EQ(StartBluetoothScanner(&ctl), S_OK);
    while (IsBluetoothScannerStillRunning(&ctl) == S_OK) std::this_thread::yield();
    ASSERT_EQ(ShutDownBluetoothScanner(&ctl, nullptr, nullptr), S_OK);
  }
};

TEST(BluetoothScannerTest, OneInquiryListsTheDevices) {
  Scanner scanner;
  platform::ScopedBluetoothBackend active(&scanner.fake);
  ASSERT_EQ(InitBluetoothScanner(&scanner.ctl), S_OK);
  EXPECT_NE(scanner.ctl.Thread, nullptr);
  EXPECT_EQ(IsBluetoothScannerStillRunning(&scanner.ctl), S_OK);  // made, not started
  ASSERT_EQ(StartBluetoothScanner(&scanner.ctl), S_OK);
  EXPECT_EQ(StartBluetoothScanner(&scanner.ctl), E_INVALIDARG);
  while (IsBluetoothScannerStillRunning(&scanner.ctl) == S_OK) std::this_thread::yield();
  EXPECT_EQ(IsBluetoothScannerStillRunning(&scanner.ctl), S_FALSE);
  ASSERT_EQ(ShutDownBluetoothScanner(&scanner.ctl, nullptr, nullptr), S_OK);
  EXPECT_EQ(scanner.ctl.Thread, nullptr);

  EXPECT_EQ(scanner.host.events, (std::vector<int>{1, 0, 2, 2, 2, 3, 3}));
  EXPECT_EQ(scanner.host.accepted, (std::vector<std::u16string>{u"Level", u"<Unknown>", u"Rover"}));
  const TBluetoothScannerResults& results = scanner.results;
  EXPECT_EQ(results.Flags & 1, 1u);
  EXPECT_EQ(results.LastError, 0);
  ASSERT_EQ(results.Count, 3u);
  const TBluetoothScannerResEntry& first = *results.First;
  EXPECT_EQ(std::u16string(first.RemoteAddress), u"(00:00:00:00:00:A1)");
  EXPECT_EQ(std::u16string(first.LocalAddress), u"(F0:E0:D0:C0:B0:A0)");
  EXPECT_EQ(first.Paired, 1);
  EXPECT_EQ(first.Connected, 1);
  EXPECT_EQ(first.Remembered, 0);
  EXPECT_EQ(first.MajorDeviceClass, 0x1Fu);
  EXPECT_EQ(first.MinorDeviceClass, 0x3u);
  EXPECT_EQ(first.ServiceClasses, 0x20u);
  EXPECT_EQ(first.Next->Connected, 0);
  WSAPROTOCOL_INFOW info;
  std::memcpy(&info, results.ProtocolInfo, sizeof info);
  EXPECT_EQ(info.iAddressFamily, AF_BTH);
  EXPECT_EQ(info.iProtocol, BTHPROTO_RFCOMM);
}

TEST(BluetoothScannerTest, FiltersBeforeAnyNotification) {
  struct Case {
    uint32_t filter;
    std::vector<std::u16string> accepted;
  };
  for (const Case& c : {Case{1, {u"Level", u"Rover"}}, Case{5, {}}}) {
    Scanner scanner;
    scanner.ctl.Filter = c.filter;
    scanner.runToEnd();
    EXPECT_EQ(scanner.host.accepted, c.accepted) << c.filter;
    EXPECT_EQ(scanner.results.Count, c.accepted.size());
    EXPECT_EQ(std::count(scanner.host.events.begin(), scanner.host.events.end(), 2),
              static_cast<long>(c.accepted.size()));
  }
}

TEST(BluetoothScannerTest, ACallbackAnsweringZeroEndsTheScanner) {
  Scanner scanner;
  scanner.ctl.Repeat = 1;
  scanner.host.stopAtEvent = 2;
  scanner.runToEnd();
  EXPECT_EQ(scanner.host.events, (std::vector<int>{1, 0, 2, 3}));  // ended after the first device
  EXPECT_EQ(scanner.fake.inquiryCount(), 1);
}

TEST(BluetoothScannerTest, AFailedLookupStartIsRetriedAfterASecond) {
  Scanner scanner;
  scanner.fake.inquiryFailures = {WSAENETDOWN};
  scanner.runToEnd();
  EXPECT_EQ(scanner.host.events, (std::vector<int>{1, 1, 0, 2, 2, 2, 3, 3}));
  EXPECT_EQ(scanner.host.errorsAtStart, (std::vector<int32_t>{-1, WSAENETDOWN}));
  EXPECT_GE(scanner.clock.sleptMs(), 1000u);
  EXPECT_EQ(scanner.fake.calls()[0], "Inquiry flush");  // the first inquiry flushes, the retry too
  EXPECT_EQ(scanner.fake.calls()[1], "Inquiry flush");
}

TEST(BluetoothScannerTest, PauseAndResumeBetweenInquiries) {
  Scanner scanner;
  scanner.ctl.Repeat = 1;
  scanner.host.cleanEachRound = true;
  platform::ScopedBluetoothBackend active(&scanner.fake);
  ASSERT_EQ(InitBluetoothScanner(&scanner.ctl), S_OK);
  ASSERT_EQ(StartBluetoothScanner(&scanner.ctl), S_OK);
  int idles = 0;
  const auto idle = [](void* user) { ++*static_cast<int*>(user); };
  ASSERT_EQ(PauseBluetoothScanner(&scanner.ctl, idle, &idles), S_OK);
  {
    // Paused: no inquiry runs, so the event list stands still.
    std::lock_guard lock(scanner.host.mutex);
    ASSERT_FALSE(scanner.host.events.empty());
    EXPECT_EQ(scanner.host.events.back(), 3);
  }
  const int inquiries = scanner.fake.inquiryCount();
  scanner.clock.advance(10'000);
  EXPECT_EQ(scanner.fake.inquiryCount(), inquiries);
  ASSERT_EQ(ResumeBluetoothScanner(&scanner.ctl, idle, &idles), S_OK);
  ASSERT_EQ(ShutDownBluetoothScanner(&scanner.ctl, idle, &idles), S_OK);
  EXPECT_EQ(scanner.ctl.Thread, nullptr);
}

TEST(BluetoothScannerTest, PauseReturnsForAnEndedScannerAndArgumentsAreChecked) {
  Scanner scanner;
  platform::ScopedBluetoothBackend active(&scanner.fake);
  EXPECT_EQ(InitBluetoothScanner(nullptr), E_INVALIDARG);
  TBluetoothScannerCtl empty{};
  EXPECT_EQ(InitBluetoothScanner(&empty), E_INVALIDARG);
  EXPECT_EQ(StartBluetoothScanner(&empty), E_INVALIDARG);
  EXPECT_EQ(IsBluetoothScannerStillRunning(&empty), E_INVALIDARG);
  EXPECT_EQ(PauseBluetoothScanner(&empty, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(ShutDownBluetoothScanner(&empty, nullptr, nullptr), E_INVALIDARG);

  ASSERT_EQ(InitBluetoothScanner(&scanner.ctl), S_OK);
  EXPECT_EQ(ShutDownBluetoothScanner(&scanner.ctl, nullptr, nullptr), S_OK);  // never started
  ASSERT_EQ(InitBluetoothScanner(&scanner.ctl), S_OK);
  ASSERT_EQ(StartBluetoothScanner(&scanner.ctl), S_OK);
  while (IsBluetoothScannerStillRunning(&scanner.ctl) == S_OK) std::this_thread::yield();
  EXPECT_EQ(PauseBluetoothScanner(&scanner.ctl, nullptr, nullptr), S_OK);  // the pump, no hang
  EXPECT_EQ(ResumeBluetoothScanner(&scanner.ctl, nullptr, nullptr), S_OK);
}

class ScannerLog final : public IDebugLog {
public:
  ScannerLog() { (void)ZefCoreKSetDebugLog(this); }
  ~ScannerLog() override { (void)ZefCoreKSetDebugLog(nullptr); }
  HRESULT WriteEntry(const DbgLogEntry* entry) override {
    std::lock_guard lock(mutex_);
    if (entry->source.Text() == u"TBTScannerThread") lines.emplace_back(entry->message.Text());
    return S_OK;
  }
  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override {
    const HRESULT result = WriteEntry(entry);
    entry->release(entry);
    return result;
  }
  std::vector<std::u16string> lines;

private:
  std::mutex mutex_;
};

TEST(BluetoothScannerTest, LogsEachStepInOrder) {
  ScannerLog log;
  Scanner scanner;
  scanner.fake.devices.resize(1);
  scanner.fake.inquiryFailures = {WSAENETDOWN};
  scanner.host.stopAtEvent = 2;
  scanner.runToEnd();
  const std::vector<std::u16string> expected = {
      u"-> WSAStartup()",
      u"<- WSAStartup()",
      u"-> socket()",
      u"<- socket()",
      u"-> getsockopt()",
      u"<- getsockopt()",
      u"-> closesocket()",
      u"<- closesocket()",
      u"-> DoSyncNotify()",
      u"<- DoSyncNotify()",
      u"-> WSALookupServiceBegin",
      u"<- WSALookupServiceBegin",
      u"WSALookupServiceBegin failed with status = FFFFFFFF, error = 2742",
      u"-> DoSyncNotify()",
      u"<- DoSyncNotify()",
      u"-> WSALookupServiceBegin",
      u"<- WSALookupServiceBegin",
      u"-> DoSyncNotify()",
      u"<- DoSyncNotify()",
      u"-> WSALookupServiceNext",
      u"<- WSALookupServiceNext",
      u"-> DoSyncNotify()",
      u"----> Terminate()",
      u"<- DoSyncNotify()",
      u"-> WSALookupServiceEnd",
      u"<- WSALookupServiceEnd",
      u"-> DoSyncNotify()",
      u"<- DoSyncNotify()",
      u"-> WSACleanup",
      u"<- WSACleanup",
  };
  EXPECT_EQ(log.lines, expected);
}

}  // namespace

#include "MockServiceBus.h"

namespace {

// One inquiry of the scanner thread over the active radio stack.
void scanOnce(uint32_t filter, TBluetoothScannerResults& results, Host& host) {
  platform::VirtualClock clock;  // the discovery's few seconds pass at once
  platform::ScopedClock virtualTime(clock);
  TBluetoothScannerCtl ctl{&results, 0, &notify, &host, filter, nullptr};
  ASSERT_EQ(InitBluetoothScanner(&ctl), S_OK);
  ASSERT_EQ(StartBluetoothScanner(&ctl), S_OK);
  while (IsBluetoothScannerStillRunning(&ctl) == S_OK) std::this_thread::yield();
  ASSERT_EQ(ShutDownBluetoothScanner(&ctl, nullptr, nullptr), S_OK);
}

TEST(BluetoothScannerBlueZTest, OneInquiryListsTheMockedDevices) {
  MockBlueZBus bus;
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:A1:B2:C3:D4:E5:F6 string:Meter"));
  ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:11:22:33:44:55:66 string:"));
  ASSERT_TRUE(bus.mock("PairDevice string:hci0 string:A1:B2:C3:D4:E5:F6 uint32:7936"));

  TBluetoothScannerResults results{};
  Host host;
  scanOnce(/*filter=*/0, results, host);

  EXPECT_EQ(results.LastError, 0);
  std::vector<std::u16string> names = host.accepted;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"<Unknown>", u"Meter"}));
  for (auto* entry = results.First; entry != nullptr; entry = entry->Next) {
    const bool meter = std::u16string(entry->Name) == u"Meter";
    EXPECT_EQ(std::u16string(entry->RemoteAddress), meter ? u"(A1:B2:C3:D4:E5:F6)" : u"(11:22:33:44:55:66)");
    EXPECT_EQ(entry->Paired, meter ? 1 : 0);
    EXPECT_EQ(entry->Connected, 0);
  }
  CleanUpBluetoothScannerResults(&results);
}

// Filter 1 has BlueZ search the services of a device it has not resolved
// yet (its cached UUIDs are empty), and drops the link made for the search.
TEST(BluetoothScannerBlueZTest, SerialPortFilterSearchesTheDevicesServices) {
  MockBlueZBus bus(BLUEZ_MOCK_TEMPLATE);
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:A1:B2:C3:D4:E5:F6 string:Meter"));
  ASSERT_TRUE(bus.mock("SetServices string:A1:B2:C3:D4:E5:F6 array:string:00001101-0000-1000-8000-00805f9b34fb"));
  ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:11:22:33:44:55:66 string:Headset"));
  ASSERT_TRUE(bus.mock("SetServices string:11:22:33:44:55:66 array:string:0000110b-0000-1000-8000-00805f9b34fb"));

  TBluetoothScannerResults results{};
  Host host;
  scanOnce(/*filter=*/1, results, host);

  EXPECT_EQ(results.LastError, 0);
  EXPECT_EQ(host.accepted, std::vector<std::u16string>{u"Meter"});
  EXPECT_EQ(bus.ask("/ org.bluez.Mock.ConnectCount string:A1:B2:C3:D4:E5:F6"), "uint32 1");
  EXPECT_EQ(bus.property("/org/bluez/hci0/dev_A1_B2_C3_D4_E5_F6", "org.bluez.Device1", "Connected"), "boolean false");
  CleanUpBluetoothScannerResults(&results);
}

}  // namespace
