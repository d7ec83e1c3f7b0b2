// The TCP and UDP connections over loopback peers.
#include "zefcorek/SocketConnections.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/DebugLog.h"
#include "zefcorek/ZefCoreK.h"

#include "ConnectionTestSupport.h"

#include "fixtures/SocketPeers.h"

#include "platform/Paths.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using zefcorek::testing::Completion;
using zefcorek::testing::dataReadRequest;
using zefcorek::testing::pumpUntil;
using zefcorek::testing::recordCompletion;
using zefcorek::testing::RecordingLog;

template <class Interface>
struct Made {
  explicit Made(const GUID& classId) {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&classId, &out, 0), S_OK);
    connection = static_cast<Interface*>(out);
  }
  ~Made() {
    if (connection) connection->Release();
  }
  Interface* operator->() const { return connection; }
  Interface* connection = nullptr;
};

template <class Parms>
Parms parmsFor(uint16_t port, uint16_t timeout1 = 2000, const char16_t* host = u"127.0.0.1") {
  Parms parms{};
  std::u16string(host).copy(parms.HostName, 255);
  parms.Port = port;
  parms.Timeout1 = timeout1;
  parms.Timeout2 = 4000;
  return parms;
}

size_t threadCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++count;
  return count;
}

TEST(TCPConnectionTest, ParametersAndFailedOpens) {
  Made<ITCPConnection> tcp(CLSID_ITCPConnectionImp);
  EXPECT_EQ(tcp->GetConnectionType(), DEVCONN_TCP);
  EXPECT_EQ(tcp->GetTopInterface(), static_cast<IDeviceConnection*>(tcp.connection));
  EXPECT_EQ(tcp->GetParms()->Timeout1, 2000);
  EXPECT_EQ(tcp->GetParms()->Timeout2, 4000);
  TTCPConnectionParms parms = parmsFor<TTCPConnectionParms>(1, 100);
  parms.Timeout2 = 0;
  EXPECT_EQ(tcp->SetParms(&parms).Value, CONN_OK);
  EXPECT_EQ(tcp->GetParms()->Timeout1, 300);
  EXPECT_EQ(tcp->GetParms()->Timeout2, 300);
  EXPECT_EQ(tcp->SetParms(nullptr).Value, CONN_BAD_ARGUMENT);

  uint16_t freePort = 0;
  {
    fixtures::UdpPeer probe(false);
    freePort = probe.port();
  }
  const size_t threadsBefore = threadCount();
  for (const auto& [host, port] : {std::pair{u"no-such-host.invalid", uint16_t{80}}, {u"127.0.0.1", freePort}}) {
    parms = parmsFor<TTCPConnectionParms>(port, 300, host);
    tcp->SetParms(&parms);
    EXPECT_EQ(tcp->Open().Value, CONN_FAILED);
    EXPECT_FALSE(tcp->IsOpen());
  }
  EXPECT_EQ(threadCount(), threadsBefore);
  TDeviceIOInfo info{7, 7};
  EXPECT_EQ(tcp->GetIOInfo(&info).Value, CONN_FAILED);
  EXPECT_EQ(info.InQueue, 0u);
  EXPECT_EQ(tcp->Close().Value, CONN_OK);
  EXPECT_EQ(tcp->Write("x", 1), 0);
}

TEST(TCPConnectionTest, EchoRoundTripsAndTraces) {
  RecordingLog log;
  ZefCoreKSetDebugLog(&log);
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  {
    Made<ITCPConnection> tcp(CLSID_ITCPConnectionImp);
    const TTCPConnectionParms parms = parmsFor<TTCPConnectionParms>(peer.port(), 300);
    tcp->SetParms(&parms);
    ASSERT_EQ(tcp->Open().Value, CONN_OK);
    ASSERT_TRUE(tcp->IsOpen());

    EXPECT_EQ(tcp->Write("hello", 5), 5);
    char bytes[8] = {};
    uint16_t got = 0;
    EXPECT_EQ(tcp->Read(bytes, 5, true, &got).Value, CONN_OK);
    EXPECT_EQ(std::string(bytes, got), "hello");

    EXPECT_EQ(tcp->WriteText(u"Gr\u00fc\u00dfe").Value, CONN_OK);
    WCHAR text[16];
    EXPECT_EQ(tcp->ReadTextEx(text, 16, 2000, &got).Value, CONN_TIMEOUT)
        << "fewer bytes than asked for: the text that came, with 3";
    EXPECT_EQ(std::u16string(text, got), u"Gr\u00fc\u00dfe");

    // Reopening connects again.
    ASSERT_EQ(tcp->Open().Value, CONN_OK);
    EXPECT_EQ(tcp->Write("abc", 3), 3);
    char narrow[4];
    EXPECT_EQ(tcp->ReadTextA(narrow, 4, true, &got).Value, CONN_OK);
    EXPECT_EQ(std::string(narrow), "abc");

    TDeviceIOInfo info{};
    EXPECT_EQ(tcp->GetIOInfo(&info).Value, CONN_OK);
    EXPECT_EQ(info.InQueue, 1u);
    EXPECT_EQ(info.OutQueue, 0u);
    EXPECT_EQ(tcp->ReadTextUntil(text, 16, u"\r", &got).Value, CONN_FAILED);
    EXPECT_EQ(tcp->Read(bytes, 1, true, &got).Value, CONN_TIMEOUT);
    EXPECT_EQ(tcp->Close().Value, CONN_OK);
    EXPECT_FALSE(tcp->IsOpen());
  }
  ZefCoreKSetDebugLog(nullptr);
  EXPECT_TRUE(log.has(u"ITCPConnectionImp::Open() - In"));
  EXPECT_TRUE(log.has(u"ITCPConnectionImp::Open() - Out"));
  EXPECT_TRUE(log.has(u"ITCPConnectionImp::Write() - Out"));
}

TEST(TCPConnectionTest, WriteToAPeerThatReadsNothingEndsAfterTheTimeout) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kAcceptOnly, 0, /*receiveBuffer=*/4096);
  Made<ITCPConnection> tcp(CLSID_ITCPConnectionImp);
  const TTCPConnectionParms parms = parmsFor<TTCPConnectionParms>(peer.port(), 300);
  tcp->SetParms(&parms);
  ASSERT_EQ(tcp->Open().Value, CONN_OK);
  const std::string bytes(60'000, 'w');
  const uint16_t accepted = tcp->Write(bytes.data(), 60'000);
  EXPECT_GE(accepted, 8192);
  EXPECT_LT(accepted, 60'000);
}

TEST(TCPConnectionTest, NonBlockingReadCompletesWhileTheThreadPumps) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  Made<ITCPConnection> tcp(CLSID_ITCPConnectionImp);
  const TTCPConnectionParms parms = parmsFor<TTCPConnectionParms>(peer.port());
  tcp->SetParms(&parms);
  ASSERT_EQ(tcp->Open().Value, CONN_OK);
  Completion completion;
  char buffer[8] = {};
  TNonBlockingReadOp request = dataReadRequest(recordCompletion, &completion, buffer, 5);
  ASSERT_EQ(tcp->RunNonBlockingReadOp(&request).Value, CONN_OK);
  EXPECT_EQ(tcp->Write("12345", 5), 5);
  ASSERT_TRUE(pumpUntil([&] { return completion.calls.load() == 1; }));
  EXPECT_EQ(completion.seen.Result.Value, CONN_OK);
  EXPECT_EQ(completion.seen.Args.Data.Delivered, 5);
  EXPECT_EQ(std::string(buffer), "12345");
}

TEST(UDPConnectionTest, DatagramsBothWays) {
  fixtures::UdpPeer peer(/*echo=*/false);
  Made<IUDPConnection> udp(CLSID_IUDPConnectionImp);
  EXPECT_EQ(udp->GetConnectionType(), DEVCONN_UDP);
  EXPECT_EQ(udp->GetLocalPort(), 0);
  TUDPConnectionParms parms = parmsFor<TUDPConnectionParms>(peer.port());
  udp->SetParms(&parms);
  EXPECT_EQ(udp->SetRemotePort(9).Value, CONN_FAILED);
  EXPECT_EQ(udp->GetParms()->Port, peer.port());
  ASSERT_EQ(udp->Open().Value, CONN_OK);
  const uint16_t local = udp->GetLocalPort();
  ASSERT_NE(local, 0);

  ASSERT_TRUE(peer.sendTo(local, "AB"));
  ASSERT_TRUE(peer.sendTo(local, "CD"));
  char bytes[8] = {};
  uint16_t got = 0;
  EXPECT_EQ(udp->Read(bytes, 4, true, &got).Value, CONN_OK);
  EXPECT_EQ(std::string(bytes, got), "ABCD");

  const std::string block(100, 'u');
  EXPECT_EQ(udp->Write(block.data(), 100), 100);
  ASSERT_TRUE(peer.waitForDatagrams(2, 3000));
  const auto datagrams = peer.datagrams();
  ASSERT_EQ(datagrams.size(), 2u);
  EXPECT_EQ(datagrams[0].size(), 64u);
  EXPECT_EQ(datagrams[1].size(), 36u);

  EXPECT_EQ(udp->SetRemotePort(9).Value, CONN_OK);
  EXPECT_EQ(udp->GetParms()->Port, 9u);
}

bool sortingPreview(const void* block, uint32_t* count, void*) {
  const std::string text(static_cast<const char*>(block), *count);
  if (text == "drop") return false;
  if (text == "zero") *count = 0;
  return true;
}

TEST(UDPConnectionTest, PreviewShortensOrDropsDatagrams) {
  fixtures::UdpPeer peer(false);
  Made<IUDPConnection> udp(CLSID_IUDPConnectionImp);
  TUDPConnectionParms parms = parmsFor<TUDPConnectionParms>(peer.port());
  parms.DatagramPreviewCB = sortingPreview;
  udp->SetParms(&parms);
  ASSERT_EQ(udp->Open().Value, CONN_OK);
  for (const char* datagram : {"zero", "drop", "keep"}) {
    ASSERT_TRUE(peer.sendTo(udp->GetLocalPort(), datagram));
  }
  char bytes[8] = {};
  uint16_t got = 0;
  EXPECT_EQ(udp->Read(bytes, 4, true, &got).Value, CONN_OK);
  EXPECT_EQ(std::string(bytes, got), "keep");
  EXPECT_EQ(udp->ReadEx(bytes, 1, 300, &got).Value, CONN_TIMEOUT);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The log without its time stamps ("hh:mm:ss:zzz " at the start of each line).
std::string withoutStamps(const std::string& log) {
  std::string out;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) out += line.size() >= 13 ? line.substr(13) + "\n" : "?\n";
  return out;
}

TEST(SocketConnectionsTest, ExportedSwitchesWriteTheSessionLogs) {
  char pattern[] = "/tmp/socklog-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path folder = pattern;
  zefCoreKITCPConnectionEnableIOLogging(platform::windowsPath((folder / "tcp.log").string()).c_str(), true);
  zefCoreKIUDPConnectionEnableIOLogging(platform::windowsPath((folder / "udp.log").string()).c_str(), true);
  ASSERT_TRUE(zefCoreKITCPConnectionIsIOLoggingEnabled());
  {
    fixtures::TcpPeer tcpPeer(fixtures::TcpPeerMode::kEcho);
    Made<ITCPConnection> tcp(CLSID_ITCPConnectionImp);
    const TTCPConnectionParms tcpParms = parmsFor<TTCPConnectionParms>(tcpPeer.port());
    tcp->SetParms(&tcpParms);
    ASSERT_EQ(tcp->Open().Value, CONN_OK);
    tcp->Write("ping\r\n", 6);
    char bytes[8];
    uint16_t got = 0;
    ASSERT_EQ(tcp->Read(bytes, 6, true, &got).Value, CONN_OK);
    tcp->ReportDataIO(DEVIO_INFO, "note", 4);

    fixtures::UdpPeer udpPeer(false);
    Made<IUDPConnection> udp(CLSID_IUDPConnectionImp);
    const TUDPConnectionParms udpParms = parmsFor<TUDPConnectionParms>(udpPeer.port());
    udp->SetParms(&udpParms);
    ASSERT_EQ(udp->Open().Value, CONN_OK);
    udp->Write("d g", 3);
    ASSERT_TRUE(udpPeer.sendTo(udp->GetLocalPort(), "ok"));
    ASSERT_EQ(udp->Read(bytes, 2, true, &got).Value, CONN_OK);
  }
  zefCoreKITCPConnectionEnableIOLogging(nullptr, false);
  zefCoreKIUDPConnectionEnableIOLogging(nullptr, false);
  EXPECT_EQ(withoutStamps(readFile(folder / "tcp.log")), "TX:ping{0D}{0A}\r\nRX:ping{0D}{0A}\r\nI :note\r\n");
  EXPECT_EQ(withoutStamps(readFile(folder / "udp.log")), "TX:d{20}g\r\nRX:ok\r\n");
  fs::remove_all(folder);
}

}  // namespace
