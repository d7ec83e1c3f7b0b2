// The WLAN helper over the NetworkManager back end, against a mock
// NetworkManager that the test starts on a private bus of its own.
#include "zefcorek/WlanHelper.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Wlan.h"
#include "platform/WlanNetworkManager.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 20000;

// The mock's process: started with its output on a pipe; the bus address is
// its first line. Stopped with SIGTERM, which makes it end its bus too.
class NetworkManagerMock {
public:
  NetworkManagerMock() {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      execl("/usr/bin/python3", "/usr/bin/python3", NM_MOCK_SCRIPT, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    address_ = readLine(out[0]);
    close(out[0]);
  }
  ~NetworkManagerMock() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  const std::string& address() const { return address_; }

private:
  static std::string readLine(int fd) {
    std::string line;
    pollfd wanted{fd, POLLIN, 0};
    while (poll(&wanted, 1, kStartTimeoutMs) == 1) {
      char c = 0;
      if (read(fd, &c, 1) != 1 || c == '\n') break;
      line.push_back(c);
    }
    return line;
  }

  pid_t pid_ = -1;
  std::string address_;
};

class WlanNetworkManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(mock_.address().empty()) << "the mock did not start";
    backend_ = platform::connectNetworkManagerWlan(mock_.address());
    ASSERT_NE(backend_, nullptr);
    platform::setWlanBackend(backend_.get());
    void* out = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IWlanHelperImp, &out, 0), S_OK);
    helper_ = static_cast<IWlanHelper*>(out);
    ASSERT_TRUE(helper_->IsApiLoaded());
  }
  void TearDown() override {
    if (helper_ != nullptr) helper_->Release();
    platform::useSystemWlanBackend();
  }

  std::vector<std::u16string> listed() {
    std::vector<std::u16string> names;
    TWlanNetworkInfo info;
    for (uint32_t i = 0; i < helper_->GetNetworkCount(); ++i) {
      EXPECT_EQ(helper_->GetNetworkInfo(i, &info), ZR_OK);
      names.push_back(info.SSID.ToUnicodeString() + u"/" + info.ProfileName.ToUnicodeString());
    }
    return names;
  }

  NetworkManagerMock mock_;
  std::unique_ptr<platform::WlanBackend> backend_;
  IWlanHelper* helper_ = nullptr;
};

TEST_F(WlanNetworkManagerTest, ListsDevicesAndAccessPoints) {
  ASSERT_EQ(helper_->GetInterfaceCount(), 1u);
  TWlanInterfaceInfo interface;
  ASSERT_EQ(helper_->GetInterfaceInfo(0, &interface), ZR_OK);
  EXPECT_EQ(interface.Description.ToUnicodeString(), u"wlan0");
  EXPECT_EQ(interface.State, WLAN_STATE_DISCONNECTED);

  ASSERT_EQ(helper_->SelectInterfaceByIndex(0, /*scan=*/true), ZR_OK);
  // Access points of one name are one network; security comes from the
  // access point's flags.
  struct Row {
    const char16_t* ssid;
    uint32_t bssids;
    uint32_t quality;
    bool secured;
    const char16_t* auth;
    const char16_t* cipher;
  };
  const Row rows[] = {
      {u"HomeNet", 2, 85, true, u"WPA2PSK", u"AES"},
      {u"Cafe", 1, 40, false, u"open", u"none"},
      {u"OldWep", 1, 30, true, u"open", u"WEP"},
      {u"Legacy", 1, 20, true, u"WPAPSK", u"TKIP"},
  };
  ASSERT_EQ(helper_->GetNetworkCount(), std::size(rows));
  for (uint32_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(i);
    TWlanNetworkInfo info;
    ASSERT_EQ(helper_->GetNetworkInfo(i, &info), ZR_OK);
    EXPECT_EQ(info.SSID.ToUnicodeString(), row.ssid);
    EXPECT_EQ(info.BssidCount, row.bssids);
    EXPECT_EQ(info.SignalQuality, row.quality);
    EXPECT_EQ(info.SecurityEnabled, row.secured);
    EXPECT_EQ(info.Authentication.ToUnicodeString(), row.auth);
    EXPECT_EQ(info.Cipher.ToUnicodeString(), row.cipher);
    EXPECT_TRUE(info.ProfileName.IsEmpty());
  }

  // No profile editor here.
  EXPECT_EQ(helper_->EditProfile(nullptr, u"Home"), ZR_FAILED);
}

TEST_F(WlanNetworkManagerTest, SetProfileAddsAConnectionAndConnectActivatesIt) {
  ASSERT_EQ(helper_->SelectInterfaceByIndex(0, /*scan=*/false), ZR_OK);
  int index = -1;
  ASSERT_EQ(helper_->SetProfile(u"Home", u"HomeNet", u"", u"", u"pass & word", &index), ZR_OK);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(listed(), (std::vector<std::u16string>{u"Cafe/", u"OldWep/", u"Legacy/", u"HomeNet/Home"}));

  // The marker went into the connection's user setting.
  const GUID guid = [&] {
    TWlanInterfaceInfo interface;
    EXPECT_EQ(helper_->GetInterfaceInfo(0, &interface), ZR_OK);
    return interface.InterfaceGuid;
  }();
  std::vector<uint8_t> marker;
  ASSERT_EQ(backend_->profileUserData(guid, u"Home", marker), ERROR_SUCCESS);
  ASSERT_EQ(marker.size(), 58u);
  EXPECT_EQ(std::memcmp(marker.data(), u"ProfileAuthor=App:VendrakoXE", 58), 0);

  // Overwriting keeps one connection of that name.
  ASSERT_EQ(helper_->SetProfile(u"Home", u"HomeNet", u"WPA2PSK", u"AES", u"other", &index), ZR_OK);
  std::vector<std::u16string> profiles;
  ASSERT_EQ(backend_->profiles(guid, profiles), ERROR_SUCCESS);
  EXPECT_EQ(profiles, std::vector<std::u16string>{u"Home"});

  EXPECT_EQ(helper_->Connect(u"Home", u"HomeNet"), ZR_OK);
  DWORD state = 0;
  ASSERT_EQ(backend_->interfaceState(guid, state), ERROR_SUCCESS);
  EXPECT_EQ(state, WLAN_STATE_CONNECTED);

  // An open network gets a profile named after it.
  EXPECT_EQ(helper_->Connect(u"Unknown", u"cafe"), ZR_OK);
  ASSERT_EQ(backend_->profiles(guid, profiles), ERROR_SUCCESS);
  EXPECT_EQ(profiles, (std::vector<std::u16string>{u"Home", u"Cafe"}));
}

}  // namespace

// Without an installed back end the system's NetworkManager is used: here
// the mock, standing in for the system bus.
TEST(WlanSystemBackendTest, UsesNetworkManagerOnTheSystemBus) {
  NetworkManagerMock mock;
  ASSERT_FALSE(mock.address().empty()) << "the mock did not start";
  ASSERT_EQ(setenv("DBUS_SYSTEM_BUS_ADDRESS", mock.address().c_str(), 1), 0);
  platform::useSystemWlanBackend();
  void* out = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IWlanHelperImp, &out, 0), S_OK);
  auto* helper = static_cast<IWlanHelper*>(out);
  EXPECT_TRUE(helper->IsApiLoaded());
  EXPECT_EQ(helper->GetInterfaceCount(), 1u);
  helper->Release();
}
