#include "platform/WinSock.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

namespace {

TEST(WinSockTest, StartUpAndCleanUpPair) {
  const struct {
    WORD requested;
    int result;
    WORD version;
  } cases[] = {
      {MAKEWORD(2, 2), 0, MAKEWORD(2, 2)},
      {MAKEWORD(1, 1), 0, MAKEWORD(1, 1)},
      {MAKEWORD(3, 0), 0, MAKEWORD(2, 2)},  // newer than we know: 2.2
      {MAKEWORD(0, 9), WSAVERNOTSUPPORTED, 0},
  };
  int started = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.requested);
    WSADATA data;
    EXPECT_EQ(WSAStartup(c.requested, &data), c.result);
    EXPECT_EQ(data.wVersion, c.version);
    EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
    started += c.result == 0 ? 1 : 0;
  }
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
  for (int i = 0; i < started; ++i) EXPECT_EQ(WSACleanup(), 0);
  // One clean-up too many.
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSANOTINITIALISED));
}

}  // namespace
