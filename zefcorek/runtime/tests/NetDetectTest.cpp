// The connection watcher, with loopback listeners as its probe servers and
// its timer on the virtual clock.
#include "zefcorek/NetDetect.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/Internet.h"
#include "platform/Registry.h"
#include "platform/WindowMessages.h"

#include "ScratchFolder.h"

#include "testsupport/MessageQueue.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// A listening socket on 127.0.0.1 that counts the connections it was offered.
class Listener {
public:
  explicit Listener(int backlog = 16) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, backlog);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { close(); }

  uint16_t port() const { return port_; }
  int fd() const { return fd_; }
  std::u16string address() const {
    const std::string text = "127.0.0.1:" + std::to_string(port_);
    return std::u16string(text.begin(), text.end());
  }
  // Accepts what is waiting; answers how many connections came so far.
  int accepted() {
    if (fd_ < 0) return count_;
    fcntl(fd_, F_SETFL, O_NONBLOCK);
    while (true) {
      const int client = accept(fd_, nullptr, nullptr);
      if (client < 0) break;
      ::close(client);
      ++count_;
    }
    return count_;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

private:
  int fd_ = -1;
  uint16_t port_ = 0;
  int count_ = 0;
};

// Fills a listener's accept queue (listen backlog 0), so that further
// connects hang unanswered. Answers the sockets to close at the end.
std::vector<int> fillAcceptQueue(const Listener& listener) {
  std::vector<int> fillers;
  for (int i = 0; i < 16; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(listener.port());
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers.push_back(fd);
  }
  return fillers;
}

void setProbe(const char16_t* name, const std::u16string& address) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, zefcorek::kConnectionTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                 static_cast<DWORD>((address.size() + 1) * sizeof(char16_t)));
  RegCloseKey(key);
}

struct Told {
  int listener;
  int32_t state;
};
std::vector<Told> told;

void firstListener(int32_t state, void* context) { told.push_back({*static_cast<int*>(context), state}); }
void secondListener(int32_t state, void* /*context*/) { told.push_back({2, state}); }

LRESULT idleProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

using testsupport::drainMessages;

class NetDetectTest : public ::testing::Test {
protected:
  void SetUp() override {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_INetDetectImp, &made, 0), S_OK);
    detect_ = static_cast<INetDetect*>(made);
    WNDCLASSEXW windowClass{};
    windowClass.lpfnWndProc = idleProcedure;
    windowClass.lpszClassName = u"NetDetectTestWindow";
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, u"NetDetectTestWindow", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    told.clear();
  }
  void TearDown() override {
    detect_->Release();
    DestroyWindow(window_);
    drainMessages();
    platform::setConnectedStateOverride(std::nullopt);
    platform::setConnectionCheckTimeoutSeconds(0);
  }

  zefcorek::testing::ScratchFolder scratch_;
  platform::VirtualClock clock_;
  platform::ScopedClock useClock_{clock_};
  INetDetect* detect_ = nullptr;
  HWND window_ = nullptr;
  int one_ = 1;
};

TEST_F(NetDetectTest, FactoryRowAndInterface) {
  EXPECT_EQ(detect_->GetRefCount(), 1);
  void* out = &one_;
  EXPECT_EQ(detect_->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &one_);
  EXPECT_EQ(detect_->AddListener(nullptr, nullptr), ZR_BADARG);
  EXPECT_EQ(detect_->RemoveListener(firstListener), ZR_BADARG);
  EXPECT_EQ(detect_->RemoveListener(nullptr), ZR_BADARG);
  EXPECT_EQ(detect_->Stop(), ZR_OK);
}

TEST_F(NetDetectTest, PollsAtItsPeriodAndTellsEachChangeOnceInOrder) {
  Listener first;
  Listener second;
  setProbe(u"Probe1", first.address());
  setProbe(u"Probe2", second.address());
  ASSERT_EQ(detect_->AddListener(firstListener, &one_), ZR_OK);
  ASSERT_EQ(detect_->AddListener(secondListener, nullptr), ZR_OK);

  // 500 is raised to 1,000; a second Start keeps the running period.
  ASSERT_EQ(detect_->Start(window_, 500), ZR_OK);
  ASSERT_EQ(detect_->Start(window_, 5000), ZR_OK);
  clock_.advance(999);
  EXPECT_EQ(drainMessages(), 0);
  clock_.advance(1);
  EXPECT_EQ(drainMessages(), 1);
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].listener, 1);
  EXPECT_EQ(told[0].state, kNetConnected);
  EXPECT_EQ(told[1].listener, 2);
  EXPECT_EQ(first.accepted(), 1);
  // The second probe is not tried when the first succeeds.
  EXPECT_EQ(second.accepted(), 0);

  // Unchanged: nobody is told again.
  clock_.advance(1000);
  EXPECT_EQ(drainMessages(), 1);
  EXPECT_EQ(told.size(), 2u);
  EXPECT_EQ(first.accepted(), 2);

  // Both servers gone: told once, in order, and not again.
  first.close();
  second.close();
  clock_.advance(1000);
  drainMessages();
  ASSERT_EQ(told.size(), 4u);
  EXPECT_EQ(told[2].listener, 1);
  EXPECT_EQ(told[2].state, kNetNotConnected);
  EXPECT_EQ(told[3].listener, 2);
  clock_.advance(1000);
  drainMessages();
  EXPECT_EQ(told.size(), 4u);

  // After Stop and Start the first tick tells the state again.
  EXPECT_EQ(detect_->RemoveListener(secondListener), ZR_OK);
  EXPECT_EQ(detect_->Stop(), ZR_OK);
  clock_.advance(5000);
  EXPECT_EQ(drainMessages(), 0);
  ASSERT_EQ(detect_->Start(window_, 1500), ZR_OK);
  clock_.advance(1499);
  EXPECT_EQ(drainMessages(), 0);
  clock_.advance(1);
  drainMessages();
  ASSERT_EQ(told.size(), 5u);
  EXPECT_EQ(told[4].listener, 1);
  EXPECT_EQ(told[4].state, kNetNotConnected);
}

TEST_F(NetDetectTest, SecondProbeAnswersWhenTheFirstFailsAndNoAddressIsUnreachable) {
  EXPECT_EQ(detect_->CheckConnection(), kNetNotConnected);
  Listener second;
  setProbe(u"Probe2", second.address());
  EXPECT_EQ(detect_->CheckConnection(), kNetConnected);
  EXPECT_EQ(second.accepted(), 1);
  // A malformed address counts as a failed probe.
  setProbe(u"Probe1", u"127.0.0.1:99999");
  second.close();
  EXPECT_EQ(detect_->CheckConnection(), kNetNotConnected);
}

TEST_F(NetDetectTest, WithAProxyOnlyTheConnectedStateCounts) {
  Listener first;
  setProbe(u"Probe1", first.address());
  ASSERT_EQ(detect_->SetProxy(u"  proxy.example  ", 70000, u"user", u"secret"), ZR_OK);
  platform::setConnectedStateOverride(false);
  EXPECT_EQ(detect_->CheckConnection(), kNetNotConnected);
  platform::setConnectedStateOverride(true);
  EXPECT_EQ(detect_->CheckConnection(), kNetConnected);
  ASSERT_EQ(detect_->Start(window_, 1000), ZR_OK);
  detect_->Stop();
  EXPECT_EQ(first.accepted(), 0);
  // An empty host is no proxy: the probes count again.
  detect_->SetProxy(u"", 8080, nullptr, nullptr);
  platform::setConnectedStateOverride(false);
  EXPECT_EQ(detect_->CheckConnection(), kNetConnected);
}

// Without a window the timer belongs to the thread: its ticks reach the
// watcher, and neither Stop nor the watcher's end leaves it firing.
TEST_F(NetDetectTest, WindowlessTimerTicksUntilStoppedOrDestroyed) {
  Listener first;
  setProbe(u"Probe1", first.address());
  ASSERT_EQ(detect_->AddListener(firstListener, &one_), ZR_OK);
  ASSERT_EQ(detect_->Start(nullptr, 1000), ZR_OK);
  clock_.advance(1000);
  drainMessages();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].state, kNetConnected);

  EXPECT_EQ(detect_->Stop(), ZR_OK);
  clock_.advance(5000);
  EXPECT_EQ(drainMessages(), 0);
  EXPECT_EQ(first.accepted(), 1);

  // A second watcher, released while its timer runs.
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_INetDetectImp, &made, 0), S_OK);
  auto* other = static_cast<INetDetect*>(made);
  ASSERT_EQ(other->AddListener(secondListener, nullptr), ZR_OK);
  ASSERT_EQ(other->Start(nullptr, 1000), ZR_OK);
  ASSERT_EQ(detect_->Start(nullptr, 1000), ZR_OK);
  other->Release();
  clock_.advance(1000);
  drainMessages();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[1].listener, 1);  // only the one still alive
}

// Window-less timer ids are the thread's own, so the same id names other
// timers on other threads: a watcher released on a thread other than the
// one running its timer leaves that thread's timers running.
TEST_F(NetDetectTest, WindowlessWatcherReleasedOnAnotherThreadLeavesThatThreadsTimers) {
  Listener first;
  setProbe(u"Probe1", first.address());
  const auto made = [] {
    void* object = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_INetDetectImp, &object, 0), S_OK);
    return static_cast<INetDetect*>(object);
  };
  std::thread host([&] {
    // Both timers are the first of a new thread's queue.
    INetDetect* staying = made();
    ASSERT_EQ(staying->AddListener(firstListener, &one_), ZR_OK);
    ASSERT_EQ(staying->Start(nullptr, 1000), ZR_OK);
    INetDetect* leaving = made();
    std::thread other([&] { EXPECT_EQ(leaving->Start(nullptr, 1000), ZR_OK); });
    other.join();
    leaving->Release();
    clock_.advance(1000);
    drainMessages();
    EXPECT_EQ(told.size(), 1u);
    staying->Release();
  });
  host.join();
}

TEST_F(NetDetectTest, StartFailsOnAWindowOfAnotherThread) {
  std::thread other([this] { EXPECT_EQ(detect_->Start(window_, 1000), ZR_FAILED); });
  other.join();
  EXPECT_EQ(detect_->Start(window_, 1000), ZR_OK);
}

TEST_F(NetDetectTest, AutodialIsHeldOffDuringTheTestOnly) {
  struct Case {
    const char* name;
    DWORD type;  // 0: no value
    DWORD size;
  };
  const Case cases[] = {{"dword", REG_DWORD, 4}, {"4-byte binary", REG_BINARY, 4}, {"absent", 0, 0}};
  constexpr char16_t kSettings[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  platform::setConnectionCheckTimeoutSeconds(1);
  Listener hanging(0);
  std::vector<int> fillers = fillAcceptQueue(hanging);
  Listener answering;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegDeleteValueW(key, u"EnableAutodial");
    const BYTE on[4] = {1, 0, 0, 0};
    if (c.type != 0) RegSetValueExW(key, u"EnableAutodial", 0, c.type, on, c.size);

    // The first probe hangs for the one-second time-out; meanwhile the value
    // is read from another thread.
    setProbe(u"Probe1", hanging.address());
    setProbe(u"Probe2", answering.address());
    // The watcher samples the value until the test is over.
    std::atomic<bool> finished{false};
    bool sawOff = false;
    bool sawValue = false;
    std::thread watcher([&] {
      while (!finished.load()) {
        BYTE data[4] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegQueryValueExW(key, u"EnableAutodial", nullptr, &type, data, &size) == ERROR_SUCCESS) {
          sawValue = true;
          sawOff |= data[0] == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
    EXPECT_EQ(detect_->CheckConnection(), kNetConnected);
    finished.store(true);
    watcher.join();

    BYTE data[4] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG after = RegQueryValueExW(key, u"EnableAutodial", nullptr, &type, data, &size);
    if (c.type == 0) {
      EXPECT_FALSE(sawValue);
      EXPECT_EQ(after, ERROR_FILE_NOT_FOUND);
    } else {
      EXPECT_TRUE(sawOff);
      ASSERT_EQ(after, ERROR_SUCCESS);
      EXPECT_EQ(type, c.type);
      EXPECT_EQ(data[0], 1);
    }
    RegCloseKey(key);
  }
  for (int fd : fillers) close(fd);
}

TEST_F(NetDetectTest, AProbeOfAServerThatNeverAnswersEndsAtTheTimeOut) {
  platform::setConnectionCheckTimeoutSeconds(1);
  Listener full(0);
  std::vector<int> fillers = fillAcceptQueue(full);
  setProbe(u"Probe1", full.address());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(detect_->CheckConnection(), kNetNotConnected);
  const auto took = std::chrono::steady_clock::now() - start;
  // Bounded by the setting (one second per probe), not the system's minutes.
  EXPECT_LT(took, std::chrono::seconds(10));
  for (int fd : fillers) close(fd);
}

}  // namespace
