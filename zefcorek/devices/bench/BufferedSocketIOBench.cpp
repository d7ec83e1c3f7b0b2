// The socket writer and reader over loopback TCP against a plain blocking
// send/recv loop on the same echo peer: 10 MiB streamed through, and 1,000
// round trips of 64 bytes.
#include "BufferedSocketIO.h"

#include "fixtures/SocketPeers.h"
#include "testsupport/LoopbackAddress.h"

#include "platform/Sockets.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using zefcorek::devices::IBufferedReadFromSocketImp;
using zefcorek::devices::IBufferedWriteToSocketImp;

constexpr size_t kStreamBytes = size_t{10} << 20;
constexpr uint32_t kBlock = 4096;
constexpr int kRoundTrips = 1000;

SOCKET connectedSocket(uint16_t port) {
  const SOCKET s = platform::socket(AF_INET_FAMILY, SOCK_STREAM_TYPE, 0);
  const SOCKADDR_IN address = testsupport::loopbackAddress(port);
  if (platform::connect(s, reinterpret_cast<const SOCKADDR*>(&address), sizeof address) != 0) {
    platform::closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

// Blocking calls: without an OVERLAPPED the platform waits until done.
size_t blockingSend(SOCKET s, const char* data, size_t size) {
  WSABUF buffer{static_cast<ULONG>(size), const_cast<char*>(data)};
  DWORD sent = 0;
  return WSASend(s, &buffer, 1, &sent, 0, nullptr, nullptr) == 0 ? sent : 0;
}

size_t blockingReceive(SOCKET s, char* data, size_t size) {
  WSABUF buffer{static_cast<ULONG>(size), data};
  DWORD got = 0;
  DWORD flags = 0;
  return WSARecv(s, &buffer, 1, &got, &flags, nullptr, nullptr) == 0 ? got : 0;
}

void BM_BufferedStream(benchmark::State& state) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  const SOCKET s = connectedSocket(peer.port());
  const std::string payload(kStreamBytes, 'z');
  std::string sink(8192, '\0');
  for (auto _ : state) {
    IBufferedWriteToSocketImp writer(s, 1, 8192);
    IBufferedReadFromSocketImp reader(s, 1, 8192, /*overwriteOldest=*/false);
    writer.StartThread();
    reader.StartThread();
    // Lock-step blocks, with a 1 ms pause when a buffer has nothing to give
    // or no room, as the connections use them.
    for (size_t done = 0; done < kStreamBytes; done += kBlock) {
      uint32_t offered = 0;
      while (offered < kBlock) {
        const uint32_t taken = writer.WriteToBuffer(payload.data() + done + offered, kBlock - offered, nullptr);
        offered += taken;
        if (taken == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      uint32_t received = 0;
      while (received < kBlock) {
        const uint32_t got = reader.ReadFromBuffer(sink.data(), kBlock - received, nullptr);
        received += got;
        if (got == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    writer.StopThread();
    reader.StopThread();
  }
  platform::closesocket(s);
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

void BM_BlockingStream(benchmark::State& state) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  const SOCKET s = connectedSocket(peer.port());
  const std::string payload(kStreamBytes, 'z');
  std::string sink(65536, '\0');
  for (auto _ : state) {
    std::thread sender([&] {
      size_t sent = 0;
      while (sent < kStreamBytes) {
        const size_t moved = blockingSend(s, payload.data() + sent, kStreamBytes - sent);
        if (moved == 0) break;
        sent += moved;
      }
    });
    size_t received = 0;
    while (received < kStreamBytes) {
      const size_t got = blockingReceive(s, sink.data(), sink.size());
      if (got == 0) break;
      received += got;
    }
    sender.join();
  }
  platform::closesocket(s);
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

void BM_BufferedRoundTrips(benchmark::State& state) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  const SOCKET s = connectedSocket(peer.port());
  const std::string message(64, 'r');
  char answer[64];
  for (auto _ : state) {
    IBufferedWriteToSocketImp writer(s, 1, 8192);
    IBufferedReadFromSocketImp reader(s, 1, 8192, false);
    writer.StartThread();
    reader.StartThread();
    for (int i = 0; i < kRoundTrips; ++i) {
      writer.WriteToBuffer(message.data(), 64, nullptr);
      uint32_t got = 0;
      while (got < 64) got += reader.ReadFromBuffer(answer + got, 64 - got, nullptr);
    }
    writer.StopThread();
    reader.StopThread();
  }
  platform::closesocket(s);
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}

void BM_BlockingRoundTrips(benchmark::State& state) {
  fixtures::TcpPeer peer(fixtures::TcpPeerMode::kEcho);
  const SOCKET s = connectedSocket(peer.port());
  const std::string message(64, 'r');
  char answer[64];
  for (auto _ : state) {
    for (int i = 0; i < kRoundTrips; ++i) {
      blockingSend(s, message.data(), 64);
      size_t got = 0;
      while (got < 64) got += blockingReceive(s, answer + got, 64 - got);
    }
  }
  platform::closesocket(s);
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}

BENCHMARK(BM_BufferedStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_BlockingStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_BufferedRoundTrips)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_BlockingRoundTrips)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
