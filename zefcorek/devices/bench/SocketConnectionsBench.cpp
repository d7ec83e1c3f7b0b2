// The TCP connection against a plain blocking client, both talking to socat
// as the echo peer: 10 MiB echoed in lock-step blocks of 4 KiB and 1,000
// round trips of 64 bytes. The UDP connection against plain blocking
// datagram calls: 10,000 datagrams echoed by the loopback UDP peer.
#include "zefcorek/ClassIds.h"
#include "zefcorek/SocketConnections.h"
#include "zefcorek/ZefCoreK.h"

#include "fixtures/SocketPeers.h"
#include "testsupport/LoopbackAddress.h"

#include "platform/Sockets.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr size_t kStreamBytes = size_t{10} << 20;
constexpr int kRoundTrips = 1000;
constexpr int kDatagrams = 10'000;

// socat echoing every connection on a free loopback port.
class SocatEcho {
public:
  SocatEcho() {
    {
      fixtures::UdpPeer probe(false);
      port_ = probe.port();  // free for TCP too, most likely
    }
    const std::string listen = "TCP4-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr,fork";
    const char* argv[] = {"socat", listen.c_str(), "PIPE", nullptr};
    if (posix_spawnp(&pid_, "socat", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
      pid_ = -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  ~SocatEcho() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  uint16_t port() const { return port_; }
  bool running() const { return pid_ > 0; }

private:
  uint16_t port_ = 0;
  pid_t pid_ = -1;
};

ITCPConnection* openTcp(uint16_t port) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_ITCPConnectionImp, &made, 0) != S_OK) return nullptr;
  auto* tcp = static_cast<ITCPConnection*>(made);
  TTCPConnectionParms parms{};
  std::u16string(u"127.0.0.1").copy(parms.HostName, 255);
  parms.Port = port;
  parms.Timeout1 = 5000;
  parms.Timeout2 = 5000;
  tcp->SetParms(&parms);
  if (tcp->Open().Value != CONN_OK) {
    tcp->Release();
    return nullptr;
  }
  return tcp;
}

SOCKET connectBlocking(uint16_t port) {
  const SOCKET s = platform::socket(AF_INET_FAMILY, SOCK_STREAM_TYPE, 0);
  const SOCKADDR_IN address = testsupport::loopbackAddress(port);
  platform::connect(s, reinterpret_cast<const SOCKADDR*>(&address), sizeof address);
  return s;
}

size_t blockingTransfer(SOCKET s, char* data, size_t size, bool send) {
  WSABUF buffer{static_cast<ULONG>(size), data};
  DWORD moved = 0;
  DWORD flags = 0;
  const int result = send ? WSASend(s, &buffer, 1, &moved, 0, nullptr, nullptr)
                          : WSARecv(s, &buffer, 1, &moved, &flags, nullptr, nullptr);
  return result == 0 ? moved : 0;
}

void BM_TcpConnectionStream(benchmark::State& state) {
  SocatEcho peer;
  ITCPConnection* tcp = peer.running() ? openTcp(peer.port()) : nullptr;
  if (tcp == nullptr) {
    state.SkipWithError("no echo peer");
    return;
  }
  const std::string payload(kStreamBytes, 's');
  std::string sink(4096, '\0');
  // Lock-step blocks: the connection keeps only the newest 8192 received
  // bytes, so a sender that runs ahead of the reader would lose data.
  constexpr uint16_t kBlock = 4096;
  for (auto _ : state) {
    for (size_t done = 0; done < kStreamBytes; done += kBlock) {
      if (tcp->Write(payload.data() + done, kBlock) != kBlock) {
        state.SkipWithError("write cut");
        break;
      }
      uint16_t got = 0;
      if (tcp->Read(sink.data(), kBlock, true, &got).Value != CONN_OK) {
        state.SkipWithError("read timed out");
        break;
      }
    }
  }
  tcp->Release();
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

void BM_BlockingClientStream(benchmark::State& state) {
  SocatEcho peer;
  const SOCKET s = connectBlocking(peer.port());
  std::string payload(kStreamBytes, 's');
  std::string sink(65536, '\0');
  for (auto _ : state) {
    std::thread sender([&] {
      size_t sent = 0;
      while (sent < kStreamBytes) {
        const size_t moved = blockingTransfer(s, payload.data() + sent, kStreamBytes - sent, true);
        if (moved == 0) break;
        sent += moved;
      }
    });
    size_t received = 0;
    while (received < kStreamBytes) {
      const size_t got = blockingTransfer(s, sink.data(), sink.size(), false);
      if (got == 0) break;
      received += got;
    }
    sender.join();
  }
  platform::closesocket(s);
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

void BM_TcpConnectionRoundTrips(benchmark::State& state) {
  SocatEcho peer;
  ITCPConnection* tcp = peer.running() ? openTcp(peer.port()) : nullptr;
  if (tcp == nullptr) {
    state.SkipWithError("no echo peer");
    return;
  }
  const std::string request(64, 'q');
  char answer[64];
  for (auto _ : state) {
    for (int i = 0; i < kRoundTrips; ++i) {
      tcp->Write(request.data(), 64);
      uint16_t got = 0;
      tcp->Read(answer, 64, true, &got);
    }
  }
  tcp->Release();
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}

void BM_BlockingClientRoundTrips(benchmark::State& state) {
  SocatEcho peer;
  const SOCKET s = connectBlocking(peer.port());
  std::string request(64, 'q');
  char answer[64];
  for (auto _ : state) {
    for (int i = 0; i < kRoundTrips; ++i) {
      blockingTransfer(s, request.data(), 64, true);
      size_t got = 0;
      while (got < 64) got += blockingTransfer(s, answer + got, 64 - got, false);
    }
  }
  platform::closesocket(s);
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}

void BM_UdpConnectionDatagrams(benchmark::State& state) {
  fixtures::UdpPeer peer(/*echo=*/true);
  void* made = nullptr;
  zefCoreKAllocIntf(&CLSID_IUDPConnectionImp, &made, 0);
  auto* udp = static_cast<IUDPConnection*>(made);
  TUDPConnectionParms parms{};
  std::u16string(u"127.0.0.1").copy(parms.HostName, 255);
  parms.Port = peer.port();
  parms.Timeout1 = 2000;
  parms.Timeout2 = 2000;
  udp->SetParms(&parms);
  udp->Open();
  const std::string datagram(32, 'd');
  char answer[32];
  for (auto _ : state) {
    for (int i = 0; i < kDatagrams; ++i) {
      udp->Write(datagram.data(), 32);
      uint16_t got = 0;
      udp->Read(answer, 32, true, &got);
    }
  }
  udp->Release();
  state.SetItemsProcessed(state.iterations() * kDatagrams);
}

void BM_BlockingDatagrams(benchmark::State& state) {
  fixtures::UdpPeer peer(true);
  const SOCKET s = platform::socket(AF_INET_FAMILY, SOCK_DGRAM_TYPE, 0);
  const SOCKADDR_IN to = testsupport::loopbackAddress(peer.port());
  std::string datagram(32, 'd');
  char answer[32];
  for (auto _ : state) {
    for (int i = 0; i < kDatagrams; ++i) {
      WSABUF out{32, datagram.data()};
      DWORD moved = 0;
      WSASendTo(s, &out, 1, &moved, 0, reinterpret_cast<const SOCKADDR*>(&to), sizeof to, nullptr, nullptr);
      WSABUF in{32, answer};
      DWORD flags = 0;
      WSARecvFrom(s, &in, 1, &moved, &flags, nullptr, nullptr, nullptr, nullptr);
    }
  }
  platform::closesocket(s);
  state.SetItemsProcessed(state.iterations() * kDatagrams);
}

BENCHMARK(BM_TcpConnectionStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_BlockingClientStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_TcpConnectionRoundTrips)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_BlockingClientRoundTrips)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_UdpConnectionDatagrams)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_BlockingDatagrams)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
