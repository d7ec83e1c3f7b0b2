// IPv4 sockets and the emulated overlapped I/O over loopback peers.
#include "platform/Sockets.h"

#include "fixtures/SocketPeers.h"
#include "testsupport/LoopbackAddress.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

using testsupport::loopbackAddress;

struct Connected {
  explicit Connected(uint16_t port) {
    handle = platform::socket(AF_INET_FAMILY, SOCK_STREAM_TYPE, IPPROTO_TCP_PROTOCOL);
    const SOCKADDR_IN address = loopbackAddress(port);
    result = platform::connect(handle, reinterpret_cast<const SOCKADDR*>(&address), sizeof address);
    event = WSACreateEvent();
  }
  ~Connected() {
    WSACloseEvent(event);
    platform::closesocket(handle);
  }
  SOCKET handle;
  int result;
  WSAEVENT event;
};

TEST(SocketsTest, PendingReceiveCompletesWhenDataArrives) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  Connected client(peer.port());
  ASSERT_EQ(client.result, 0);
  char block[16] = {};
  WSABUF buffer{sizeof block, block};
  WSAOVERLAPPED overlapped{};
  overlapped.hEvent = client.event;
  DWORD count = 0;
  DWORD flags = 0;
  ASSERT_EQ(WSARecv(client.handle, &buffer, 1, &count, &flags, &overlapped, nullptr), SOCKET_ERROR);
  ASSERT_EQ(static_cast<DWORD>(WSAGetLastError()), WSA_IO_PENDING);
  EXPECT_FALSE(WSAGetOverlappedResult(client.handle, &overlapped, &count, FALSE, &flags));
  EXPECT_EQ(static_cast<DWORD>(WSAGetLastError()), WSA_IO_INCOMPLETE);
  EXPECT_EQ(WSAWaitForMultipleEvents(1, &client.event, FALSE, 20, FALSE), WSA_WAIT_TIMEOUT);

  // The echo of a send completes the receive inside the wait.
  char hello[] = "hello";
  WSABUF out{5, hello};
  WSAOVERLAPPED sendOverlapped{};
  DWORD sent = 0;
  ASSERT_EQ(WSASend(client.handle, &out, 1, &sent, 0, &sendOverlapped, nullptr), 0);
  EXPECT_EQ(sent, 5u);
  ASSERT_EQ(WSAWaitForMultipleEvents(1, &client.event, FALSE, 3000, FALSE), WSA_WAIT_EVENT_0);
  ASSERT_TRUE(WSAGetOverlappedResult(client.handle, &overlapped, &count, FALSE, &flags));
  EXPECT_EQ(std::string(block, count), "hello");
}

TEST(SocketsTest, CancelAndSetWakeAWaiter) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kAcceptOnly);
  Connected client(peer.port());
  ASSERT_EQ(client.result, 0);
  char block[16];
  WSABUF buffer{sizeof block, block};
  WSAOVERLAPPED overlapped{};
  overlapped.hEvent = client.event;
  DWORD count = 0;
  DWORD flags = 0;
  ASSERT_EQ(WSARecv(client.handle, &buffer, 1, &count, &flags, &overlapped, nullptr), SOCKET_ERROR);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    CancelIo(reinterpret_cast<HANDLE>(client.handle));
  });
  EXPECT_EQ(WSAWaitForMultipleEvents(1, &client.event, FALSE, 5000, FALSE), WSA_WAIT_EVENT_0);
  canceller.join();
  EXPECT_FALSE(WSAGetOverlappedResult(client.handle, &overlapped, &count, FALSE, &flags));
  EXPECT_EQ(static_cast<DWORD>(WSAGetLastError()), WSA_OPERATION_ABORTED);

  WSAResetEvent(client.event);
  std::thread setter([&] { WSASetEvent(client.event); });
  EXPECT_EQ(WSAWaitForMultipleEvents(1, &client.event, FALSE, 5000, FALSE), WSA_WAIT_EVENT_0);
  setter.join();
}

TEST(SocketsTest, ErrorsAreWsaCodes) {
  // A port nobody listens on: bind one, close it, connect to it.
  uint16_t freePort = 0;
  {
    fixtures::UdpPeer probe(false);
    freePort = probe.port();
  }
  Connected refused(freePort);
  EXPECT_EQ(refused.result, SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);

  EXPECT_EQ(platform::socket(10, SOCK_STREAM_TYPE, 0), INVALID_SOCKET);
  EXPECT_EQ(platform::inet_addr("not an address"), 0xFFFFFFFFu);
  EXPECT_EQ(platform::gethostbyname("no-such-host.invalid"), nullptr);
  HOSTENT* local = platform::gethostbyname("127.0.0.1");
  ASSERT_NE(local, nullptr);
  ASSERT_NE(local->h_addr_list[0], nullptr);
  uint32_t address = 0;
  std::memcpy(&address, local->h_addr_list[0], 4);
  EXPECT_EQ(address, platform::inet_addr("127.0.0.1"));

  const SOCKET s = platform::socket(AF_INET_FAMILY, SOCK_STREAM_TYPE, 0);
  const int on = 1;
  for (const auto& [level, option] : {std::pair{SOL_SOCKET_LEVEL, SO_KEEPALIVE_OPTION},
                                      {SOL_SOCKET_LEVEL, SO_RCVBUF_OPTION},
                                      {SOL_SOCKET_LEVEL, SO_SNDBUF_OPTION},
                                      {SOL_SOCKET_LEVEL, SO_DONTLINGER_OPTION},
                                      {IPPROTO_TCP_PROTOCOL, TCP_NODELAY_OPTION}}) {
    EXPECT_EQ(platform::setsockopt(s, level, option, reinterpret_cast<const char*>(&on), sizeof on), 0) << option;
  }
  EXPECT_EQ(platform::closesocket(s), 0);
}

}  // namespace
