// The socket reader and writer: sizes, buffer rules, and their threads over
// loopback peers, with system calls failed or counted through the seam.
#include "BufferedSocketIO.h"

#include "fixtures/SocketPeers.h"
#include "testsupport/LoopbackAddress.h"

#include "platform/Sockets.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

namespace {

using zefcorek::devices::IBufferedReadFromSocketImp;
using zefcorek::devices::IBufferedWriteToSocketImp;
using testsupport::loopbackAddress;

// A platform socket that is closed at the end of the scope.
struct Socket {
  explicit Socket(int type) : handle(platform::socket(AF_INET_FAMILY, type, 0)) {}
  ~Socket() {
    if (handle != INVALID_SOCKET) platform::closesocket(handle);
  }
  SOCKET handle;
};

void connectTo(const Socket& socket, uint16_t port) {
  const SOCKADDR_IN address = loopbackAddress(port);
  ASSERT_EQ(platform::connect(socket.handle, reinterpret_cast<const SOCKADDR*>(&address), sizeof address), 0);
}

template <class Predicate>
bool eventually(Predicate predicate, int timeoutMs = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string pattern(size_t size, size_t offset = 0) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('A' + (i + offset) % 26);
  return bytes;
}

TEST(BufferedSocketIOTest, SizesAndBufferRules) {
  const struct {
    uint32_t kind;
    uint32_t block;
  } kinds[] = {{0, 512}, {1, 1460}, {2, 1526}, {9, 256}};
  for (const auto& row : kinds) {
    IBufferedReadFromSocketImp reader(INVALID_SOCKET, row.kind, 100, true);
    EXPECT_EQ(reader.blockSize(), row.block) << "kind " << row.kind;
    EXPECT_EQ(reader.capacity(), row.block) << "a small capacity is raised to the block";
  }
  IBufferedWriteToSocketImp small(INVALID_SOCKET, 1, 10);
  EXPECT_EQ(small.capacity(), 64u);

  IBufferedWriteToSocketImp writer(INVALID_SOCKET, 1, 8192);
  const std::string big = pattern(10'000);
  uint32_t accepted = 0;
  EXPECT_EQ(writer.WriteToBuffer(big.data(), 10'000, &accepted), 8192u);
  EXPECT_EQ(accepted, 8192u);
  EXPECT_EQ(writer.WriteToBuffer(big.data(), 10, &accepted), 0u) << "full";
  EXPECT_EQ(writer.WriteToBuffer(nullptr, 10, &accepted), 0u);

  IBufferedReadFromSocketImp reader(INVALID_SOCKET, 1, 8192, true);
  char out[4];
  uint32_t got = 9;
  EXPECT_EQ(reader.ReadFromBuffer(out, 0, &got), 0u);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(reader.ReadFromBuffer(nullptr, 4, &got), 0u);
  // Never started: only the fields are reset.
  reader.StopThread();
  writer.StopThread();
}

// Counts sends and their sizes; fails the first one when asked.
std::atomic<int> sendCalls{0};
std::atomic<size_t> largestSend{0};
std::atomic<bool> failFirstSend{false};
std::atomic<int> recvCalls{0};
std::atomic<bool> failFirstRecv{false};

ssize_t countingSend(int fd, const void* buffer, size_t length, int flags) {
  ++sendCalls;
  size_t largest = largestSend.load();
  while (length > largest && !largestSend.compare_exchange_weak(largest, length)) {}
  if (failFirstSend.exchange(false)) {
    errno = ECONNRESET;
    return -1;
  }
  return platform::defaultSocketSyscalls().send(fd, buffer, length, flags);
}

ssize_t countingRecv(int fd, void* buffer, size_t length, int flags) {
  ++recvCalls;
  if (failFirstRecv.exchange(false)) {
    errno = ECONNRESET;
    return -1;
  }
  return platform::defaultSocketSyscalls().recv(fd, buffer, length, flags);
}

class SocketSeamTest : public ::testing::Test {
protected:
  void SetUp() override {
    sendCalls = 0;
    largestSend = 0;
    recvCalls = 0;
    failFirstSend = false;
    failFirstRecv = false;
    platform::socketSyscalls().send = countingSend;
    platform::socketSyscalls().recv = countingRecv;
  }
  platform::ScopedSocketSyscalls restore_;
};

TEST_F(SocketSeamTest, WriterSendsInOrderInBlocksOfAtMost64Bytes) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  Socket socket(SOCK_STREAM_TYPE);
  connectTo(socket, peer.port());
  IBufferedWriteToSocketImp writer(socket.handle, 1, 8192);
  ASSERT_TRUE(writer.StartThread());
  const std::string bytes = pattern(5000);
  size_t offered = 0;
  while (offered < bytes.size()) {
    offered += writer.WriteToBuffer(bytes.data() + offered, static_cast<uint32_t>(bytes.size() - offered), nullptr);
  }
  ASSERT_TRUE(peer.waitForBytes(bytes.size(), 5000));
  writer.StopThread();
  EXPECT_EQ(peer.received(), bytes);
  EXPECT_LE(largestSend.load(), 64u);
  EXPECT_GE(sendCalls.load(), 5000 / 64);
}

TEST_F(SocketSeamTest, AFailedSendDropsItsBlockAndTheNextGoesOut) {
  fixtures::TcpPeer echo(fixtures::TcpPeerMode::kEcho);
  Socket socket(SOCK_STREAM_TYPE);
  connectTo(socket, echo.port());
  IBufferedWriteToSocketImp writer(socket.handle, 1, 8192);
  failFirstSend = true;
  ASSERT_TRUE(writer.StartThread());
  const std::string dropped(64, 'x');
  writer.WriteToBuffer(dropped.data(), 64, nullptr);
  ASSERT_TRUE(eventually([&] { return sendCalls.load() >= 1 && writer.buffered() == 0; }));
  const std::string kept(10, 'k');
  writer.WriteToBuffer(kept.data(), 10, nullptr);
  ASSERT_TRUE(echo.waitForBytes(10, 3000));
  writer.StopThread();
  EXPECT_EQ(echo.received(), kept);
}

// Counts what the preview saw; keeps `keep` bytes of each block (0: all).
struct Preview {
  std::atomic<uint32_t> seen{0};
  uint32_t setCount = 0;  // 0 leaves the count alone
  bool accept = true;
};

bool previewBlock(const void*, uint32_t* count, void* context) {
  auto* preview = static_cast<Preview*>(context);
  preview->seen += *count;
  if (preview->setCount != 0) *count = preview->setCount;
  return preview->accept;
}

TEST_F(SocketSeamTest, ReaderKeepsTheNewestBytesWhenFull) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kAcceptOnly);
  Socket socket(SOCK_STREAM_TYPE);
  connectTo(socket, peer.port());
  IBufferedReadFromSocketImp reader(socket.handle, 1, 8192, /*overwriteOldest=*/true);
  Preview preview;
  reader.SetSocketDataPreviewCB(previewBlock, &preview);
  ASSERT_TRUE(reader.StartThread());
  const std::string bytes = pattern(8192 + 1460);
  ASSERT_TRUE(peer.sendToClient(bytes));
  ASSERT_TRUE(eventually([&] { return preview.seen.load() == bytes.size(); }));
  reader.StopThread();
  std::string buffered(8192, '\0');
  EXPECT_EQ(reader.ReadFromBuffer(buffered.data(), 10'000, nullptr), 8192u);
  EXPECT_EQ(buffered, bytes.substr(1460));
}

TEST_F(SocketSeamTest, PreviewDecidesWhatIsKept) {
  const struct {
    const char* name;
    bool accept;
    uint32_t setCount;
    std::string kept;
  } cases[] = {
      {"refused", false, 0, ""},
      {"lowered", true, 3, "abc"},
      {"raised: only what arrived", true, 5000, "abcdef"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    fixtures::TcpPeer peer(fixtures::TcpPeerMode::kAcceptOnly);
    Socket socket(SOCK_STREAM_TYPE);
    connectTo(socket, peer.port());
    IBufferedReadFromSocketImp reader(socket.handle, 1, 8192, true);
    Preview preview;
    preview.accept = row.accept;
    preview.setCount = row.setCount;
    reader.SetSocketDataPreviewCB(previewBlock, &preview);
    ASSERT_TRUE(reader.StartThread());
    ASSERT_TRUE(peer.sendToClient("abcdef"));
    ASSERT_TRUE(eventually([&] { return preview.seen.load() == 6; }));
    reader.StopThread();
    std::string out(16, '\0');
    out.resize(reader.ReadFromBuffer(out.data(), 16, nullptr));
    EXPECT_EQ(out, row.kept);
  }
}

TEST_F(SocketSeamTest, ClosedPeerIsNotPolledInATightLoopAndStopIsPrompt) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kCloseAfter, 0);
  Socket socket(SOCK_STREAM_TYPE);
  connectTo(socket, peer.port());
  IBufferedReadFromSocketImp reader(socket.handle, 1, 8192, true);
  failFirstRecv = true;
  ASSERT_TRUE(reader.StartThread());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const auto stopStart = std::chrono::steady_clock::now();
  reader.StopThread();
  const auto stopTook = std::chrono::steady_clock::now() - stopStart;
  // Receives of 0 bytes come every 200 ms; a spinning reader makes thousands.
  EXPECT_LE(recvCalls.load(), 20);
  EXPECT_GE(recvCalls.load(), 2) << "the failed receive was retried";
  EXPECT_LT(stopTook, std::chrono::seconds(2));
}

TEST_F(SocketSeamTest, FailedReceiveIsRetriedAndDataArrives) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kAcceptOnly);
  Socket socket(SOCK_STREAM_TYPE);
  connectTo(socket, peer.port());
  IBufferedReadFromSocketImp reader(socket.handle, 1, 8192, true);
  ASSERT_TRUE(peer.sendToClient("hello"));
  failFirstRecv = true;
  ASSERT_TRUE(reader.StartThread());
  ASSERT_TRUE(eventually([&] { return reader.buffered() == 5; }));
  reader.StopThread();
  char out[8] = {};
  EXPECT_EQ(reader.ReadFromBuffer(out, 8, nullptr), 5u);
  EXPECT_EQ(std::string(out), "hello");
}

TEST(BufferedSocketIOTest, DatagramsGoToTheStoredDestinationOnePerBlock) {
  fixtures::UdpPeer peer(/*echo=*/false);
  Socket socket(SOCK_DGRAM_TYPE);
  SOCKADDR_IN local = loopbackAddress(0);
  ASSERT_EQ(platform::bind(socket.handle, reinterpret_cast<SOCKADDR*>(&local), sizeof local), 0);
  int length = sizeof local;
  ASSERT_EQ(platform::getsockname(socket.handle, reinterpret_cast<SOCKADDR*>(&local), &length), 0);

  const SOCKADDR_IN destination = loopbackAddress(peer.port());
  IBufferedWriteToSocketImp writer(socket.handle, &destination, 8192);
  IBufferedReadFromSocketImp reader(socket.handle, 2, 8192, true);
  ASSERT_TRUE(writer.StartThread());
  ASSERT_TRUE(reader.StartThread());
  const std::string bytes = pattern(100);
  writer.WriteToBuffer(bytes.data(), 100, nullptr);
  ASSERT_TRUE(peer.waitForDatagrams(2, 3000));
  ASSERT_TRUE(peer.sendTo(platform::fromNetworkOrder16(local.sin_port), "reply"));
  ASSERT_TRUE(eventually([&] { return reader.buffered() == 5; }));
  writer.StopThread();
  reader.StopThread();
  const auto datagrams = peer.datagrams();
  ASSERT_EQ(datagrams.size(), 2u);
  EXPECT_EQ(datagrams[0], bytes.substr(0, 64));
  EXPECT_EQ(datagrams[1], bytes.substr(64));
  char out[8] = {};
  EXPECT_EQ(reader.ReadFromBuffer(out, 8, nullptr), 5u);
  EXPECT_EQ(std::string(out), "reply");
}

}  // namespace
