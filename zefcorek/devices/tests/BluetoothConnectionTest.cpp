// The Bluetooth connection against the fake radio stack, whose RFCOMM links
// are socket pairs with an echo peer (or a scripted connect error).
#include "zefcorek/BluetoothConnection.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "ConnectionTestSupport.h"

#include "platform/BluetoothFake.h"
#include "platform/Sockets.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace {

using zefcorek::testing::dataReadRequest;
using zefcorek::testing::pumpUntil;

constexpr uint64_t kDevice = 0x00A0B0C0D0E0ull;

struct Made {
  Made() {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IBluetoothConnectionImp, &out, 0), S_OK);
    connection = static_cast<IBluetoothConnection*>(out);
  }
  ~Made() {
    if (connection) connection->Release();
  }
  IBluetoothConnection* operator->() const { return connection; }
  IBluetoothConnection* connection = nullptr;
};

// Echoes what arrives on its end of each link until the other end closes.
class EchoPeer {
public:
  EchoPeer() = default;
  ~EchoPeer() {
    for (const int fd : fds_) ::shutdown(fd, SHUT_RDWR);
    for (auto& thread : threads_) thread.join();
    for (const int fd : fds_) ::close(fd);
  }
  int connect() {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
    const int fd = pair[1];
    fds_.push_back(fd);
    threads_.emplace_back([this, fd] {
      char buffer[4096];
      for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        if (echo && ::send(fd, buffer, static_cast<size_t>(got), MSG_NOSIGNAL) != got) return;
      }
    });
    return pair[0];
  }
  // Sends on the newest link.
  bool sendAll(const std::string& bytes) {
    return ::send(fds_.back(), bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  std::atomic<bool> echo{true};

private:
  std::vector<int> fds_;
  std::vector<std::thread> threads_;
};

platform::FakeBluetoothDevice device(bool authenticated) {
  platform::FakeBluetoothDevice made;
  made.address = kDevice;
  made.name = u"GNSS receiver";
  made.authenticated = authenticated;
  made.remembered = authenticated;
  return made;
}

struct Stack {
  platform::FakeBluetoothBackend fake;
  EchoPeer peer;
  Stack() {
    fake.devices.push_back(device(true));
    fake.rfcommFactory = [this](const SOCKADDR_BTH&, int*) { return peer.connect(); };
  }
};

TBluetoothConnParms parmsFor(uint64_t address, uint32_t port = 4) {
  TBluetoothConnParms parms{};
  parms.Address = address;
  parms.Port = port;
  parms.ReadWriteTimeoutMs = 1000;
  parms.SecondTimeoutMs = 1000;
  parms.AutoAccept = 1;
  return parms;
}

bool refuse(TBluetoothPairingQuery*) { return false; }
bool acceptAll(TBluetoothPairingQuery*) { return true; }

TEST(BluetoothConnectionTest, ParametersAndPairedState) {
  Stack stack;
  platform::ScopedBluetoothBackend active(&stack.fake);
  Made bt;
  EXPECT_EQ(bt->GetConnectionType(), DEVCONN_BLUETOOTH);
  EXPECT_EQ(bt->GetTopInterface(), static_cast<IDeviceConnection*>(bt.connection));
  EXPECT_EQ(bt->GetParms()->ReadWriteTimeoutMs, 2000);
  EXPECT_EQ(bt->GetParms()->SecondTimeoutMs, 4000);
  EXPECT_EQ(bt->GetParms()->AutoAccept, 1);

  TBluetoothConnParms parms = parmsFor(kDevice);
  parms.ReadWriteTimeoutMs = 0;
  parms.SecondTimeoutMs = 0;
  parms.PairingUserData = &parms;
  EXPECT_EQ(bt->SetParms(&parms).Value, CONN_OK);
  EXPECT_EQ(bt->GetParms()->ReadWriteTimeoutMs, 300);
  EXPECT_EQ(bt->GetParms()->SecondTimeoutMs, 300);
  EXPECT_EQ(bt->GetParms()->PairingUserData, &parms);
  EXPECT_EQ(bt->SetParms(nullptr).Value, CONN_BAD_ARGUMENT);
  // Text writes on the closed link: a null text is refused before "closed".
  const std::pair<const WCHAR*, uint32_t> writes[] = {
      {nullptr, CONN_BAD_ARGUMENT}, {u"", CONN_FAILED}, {u"x", CONN_FAILED}};
  for (const auto& [text, status] : writes) EXPECT_EQ(bt->WriteText(text).Value, status);

  bool paired = true;
  EXPECT_EQ(bt->IsDevicePaired(0, &paired).Value, CONN_BAD_ARGUMENT);
  EXPECT_FALSE(paired);
  EXPECT_EQ(bt->IsDevicePaired(kDevice, nullptr).Value, CONN_BAD_ARGUMENT);
  EXPECT_EQ(bt->IsDevicePaired(kDevice, &paired).Value, CONN_OK);
  EXPECT_TRUE(paired);
  EXPECT_EQ(bt->IsDevicePaired(0x1234, &paired).Value, CONN_OK);  // unknown to the stack
  EXPECT_FALSE(paired);
}

TEST(BluetoothConnectionTest, WithoutARadioStackNothingOpens) {
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  Made bt;
  const TBluetoothConnParms parms = parmsFor(kDevice);
  bt->SetParms(&parms);
  EXPECT_EQ(bt->Open().Value, CONN_FAILED);
  EXPECT_FALSE(bt->IsOpen());
  bool paired = true;
  EXPECT_EQ(bt->IsDevicePaired(kDevice, &paired).Value, CONN_FAILED);
  EXPECT_FALSE(paired);
}

TEST(BluetoothConnectionTest, EchoesBytesAndBoundsTextReads) {
  Stack stack;
  platform::ScopedBluetoothBackend active(&stack.fake);
  Made bt;
  const TBluetoothConnParms parms = parmsFor(kDevice, 7);
  bt->SetParms(&parms);
  ASSERT_EQ(bt->Open().Value, CONN_OK);
  EXPECT_TRUE(bt->IsOpen());
  const auto connects = stack.fake.connects();
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_EQ(+connects[0].port, 7u);  // packed fields: read by value
  EXPECT_EQ(+connects[0].btAddr, kDevice);
  EXPECT_EQ(+connects[0].addressFamily, AF_BTH);

  EXPECT_EQ(bt->Write("hello", 5), 5);
  char bytes[8] = {};
  uint16_t got = 0;
  EXPECT_EQ(bt->Read(bytes, 5, true, &got).Value, CONN_OK);
  EXPECT_EQ(std::string(bytes, got), "hello");

  TDeviceIOInfo info{};
  EXPECT_EQ(bt->GetIOInfo(&info).Value, CONN_OK);
  EXPECT_EQ(info.InQueue, 1u);
  WCHAR text[3001] = {};
  EXPECT_EQ(bt->ReadTextUntil(text, 3000, u"\r", &got).Value, CONN_FAILED);

  stack.peer.echo = false;
  ASSERT_TRUE(stack.peer.sendAll(std::string(3000, 'x')));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  got = 0;
  EXPECT_EQ(bt->ReadText(text, 3000, true, &got).Value, CONN_OK);
  EXPECT_GT(got, 0);
  EXPECT_LE(got, 2047);
  const uint16_t first = got;
  got = 0;
  (void)bt->ReadTextEx(text, 3000, 500, &got);
  EXPECT_LE(got, 511);
  EXPECT_GT(first + got, 511);

  EXPECT_EQ(bt->Close().Value, CONN_OK);
  EXPECT_FALSE(bt->IsOpen());
  EXPECT_EQ(bt->GetIOInfo(&info).Value, CONN_FAILED);
}

TEST(BluetoothConnectionTest, ServiceClassSendsPortZero) {
  Stack stack;
  platform::ScopedBluetoothBackend active(&stack.fake);
  Made bt;
  TBluetoothConnParms parms = parmsFor(kDevice, 9);
  parms.ServiceClassId = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
  bt->SetParms(&parms);
  ASSERT_EQ(bt->Open().Value, CONN_OK);
  const auto connects = stack.fake.connects();
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_EQ(+connects[0].port, 0u);
  const GUID service = connects[0].serviceClassId;
  EXPECT_EQ(service.Data1, 0x1101u);
}

TEST(BluetoothConnectionTest, ConnectErrorsMapToStatuses) {
  struct Case {
    int error;
    uint32_t status;
  };
  const Case cases[] = {{WSAECONNREFUSED, BTCONN_REFUSED},
                        {WSAETIMEDOUT, BTCONN_TIMED_OUT},
                        {WSAEADDRNOTAVAIL, BTCONN_ADDRESS_NOT_AVAILABLE},
                        {WSAEHOSTDOWN, BTCONN_HOST_DOWN},
                        {WSAENETDOWN, CONN_FAILED}};
  platform::FakeBluetoothBackend fake;
  fake.devices.push_back(device(true));
  platform::ScopedBluetoothBackend active(&fake);
  Made bt;
  const TBluetoothConnParms parms = parmsFor(kDevice);
  bt->SetParms(&parms);
  for (const Case& c : cases) {
    fake.rfcommFactory = [&](const SOCKADDR_BTH&, int* error) {
      *error = c.error;
      return -1;
    };
    EXPECT_EQ(bt->Open().Value, c.status) << c.error;
    EXPECT_FALSE(bt->IsOpen());
  }
}

TEST(BluetoothConnectionTest, PairingStepOnlyForAnUnpairedDeviceWithACallback) {
  Stack stack;
  stack.fake.devices[0] = device(false);
  stack.fake.authentication = platform::FakeBluetoothAuthentication{};
  platform::ScopedBluetoothBackend active(&stack.fake);
  Made bt;
  TBluetoothConnParms parms = parmsFor(kDevice);
  bt->SetParms(&parms);
  ASSERT_EQ(bt->Open().Value, CONN_OK);  // no callback: straight to connect
  EXPECT_EQ(stack.fake.calls(), std::vector<std::string>{});
  bt->Close();

  parms.PairingCallback = &refuse;  // the PIN is empty, so the host is asked
  bt->SetParms(&parms);
  EXPECT_EQ(bt->Open().Value, CONN_FAILED);
  EXPECT_FALSE(bt->IsOpen());
  EXPECT_EQ(stack.fake.connects().size(), 1u);  // the refused pairing never connected

  stack.fake.authentication->callbacks = 0;  // the stack gives up without asking
  stack.fake.authentication->failure = 258;
  parms.PairingCallback = &acceptAll;
  bt->SetParms(&parms);
  EXPECT_EQ(bt->Open().Value, BTCONN_TIMED_OUT);
  EXPECT_FALSE(bt->IsOpen());

  stack.fake.authentication->callbacks = 1;
  std::strcpy(parms.PinText, "0000");
  bt->SetParms(&parms);
  ASSERT_EQ(bt->Open().Value, CONN_OK);
  const auto responses = stack.fake.responses();
  ASSERT_FALSE(responses.empty());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(responses.back().pinInfo.pin), 4), "0000");
  bool paired = false;
  EXPECT_EQ(bt->IsDevicePaired(kDevice, &paired).Value, CONN_OK);
  EXPECT_TRUE(paired);
}

struct Completion {
  std::atomic<int> calls{0};
  std::thread::id thread;
  TNonBlockingReadOp seen{};
};

void recordCompletion(IDeviceConnection*, TNonBlockingReadOp* request) {
  auto* completion = reinterpret_cast<Completion*>(request->UserData);
  completion->seen = *request;
  completion->thread = std::this_thread::get_id();
  ++completion->calls;
}

TEST(BluetoothConnectionTest, NonBlockingReadCompletesOnTheCreatingThread) {
  Stack stack;
  platform::ScopedBluetoothBackend active(&stack.fake);
  Made bt;
  const TBluetoothConnParms parms = parmsFor(kDevice);
  bt->SetParms(&parms);
  ASSERT_EQ(bt->Open().Value, CONN_OK);
  Completion completion;
  char buffer[8] = {};
  TNonBlockingReadOp request = dataReadRequest(recordCompletion, &completion, buffer, 3);
  ASSERT_EQ(bt->RunNonBlockingReadOp(&request).Value, CONN_OK);
  EXPECT_EQ(bt->Write("abc", 3), 3);
  pumpUntil([&] { return completion.calls.load() != 0; });
  ASSERT_EQ(completion.calls.load(), 1);
  EXPECT_EQ(completion.thread, std::this_thread::get_id());
  EXPECT_EQ(completion.seen.Result.Value, CONN_OK);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

}  // namespace
