// A stream echoed through an open Bluetooth connection whose RFCOMM link is
// a socket pair of the fake radio stack, beside plain send and recv on the
// same kind of socket pair with the same echo peer.
//
// Both sides keep at most 4 KiB in flight, so the echo never outruns the
// connection's 8 KiB reader buffer.
#include "zefcorek/BluetoothConnection.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/BluetoothFake.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t kStreamBytes = size_t{10} << 20;
// At most this much is on its way back at a time: the connection's reader
// keeps the newest 8 KiB, so a sender far ahead would lose bytes.
constexpr size_t kInFlight = 4096;

// Echoes one end of a socket pair until the other end closes.
class EchoPair {
public:
  EchoPair() {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return;
    local_ = pair[0];
    remote_ = pair[1];
    thread_ = std::thread([fd = remote_] {
      char buffer[4096];
      for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0 || ::send(fd, buffer, static_cast<size_t>(got), MSG_NOSIGNAL) != got) return;
      }
    });
  }
  ~EchoPair() {
    if (remote_ >= 0) ::shutdown(remote_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (remote_ >= 0) ::close(remote_);
    if (local_ >= 0) ::close(local_);
  }
  // Hands the local end over (the connection's socket takes it).
  int takeLocal() { return std::exchange(local_, -1); }
  int local() const { return local_; }

private:
  int local_ = -1;
  int remote_ = -1;
  std::thread thread_;
};

// Streams kStreamBytes out and back with at most kInFlight bytes under way:
// `send(offset, count)` answers how many bytes it took, `receive()` how many
// came back.
template <class Send, class Receive>
void streamWithinWindow(Send send, Receive receive) {
  size_t sent = 0;
  size_t received = 0;
  while (received < kStreamBytes) {
    if (sent < kStreamBytes && sent - received < kInFlight) {
      sent += send(sent, std::min(kStreamBytes - sent, kInFlight - (sent - received)));
    }
    received += receive();
  }
}

void BM_BluetoothConnectionStream(benchmark::State& state) {
  EchoPair pair;
  platform::FakeBluetoothBackend fake;
  platform::FakeBluetoothDevice device;
  device.address = 0xA1;
  device.authenticated = true;
  fake.devices.push_back(device);
  fake.rfcommFactory = [&](const SOCKADDR_BTH&, int*) { return pair.takeLocal(); };
  platform::ScopedBluetoothBackend active(&fake);
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IBluetoothConnectionImp, &made, 0) != S_OK) return;
  auto* bt = static_cast<IBluetoothConnection*>(made);
  TBluetoothConnParms parms{};
  parms.Address = 0xA1;
  parms.Port = 1;
  parms.ReadWriteTimeoutMs = 5000;
  parms.SecondTimeoutMs = 5000;
  bt->SetParms(&parms);
  if (bt->Open().Value != CONN_OK) {
    state.SkipWithError("did not open");
    bt->Release();
    return;
  }
  const std::string payload(kStreamBytes, 'b');
  std::string sink(4096, '\0');
  for (auto _ : state) {
    streamWithinWindow(
        [&](size_t offset, size_t count) -> size_t {
          return bt->Write(payload.data() + offset, static_cast<uint16_t>(count));
        },
        [&]() -> size_t {
          uint16_t got = 0;
          bt->Read(sink.data(), 4096, false, &got);
          return got;
        });
  }
  bt->Release();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStreamBytes));
}
BENCHMARK(BM_BluetoothConnectionStream)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainSocketPairStream(benchmark::State& state) {
  EchoPair pair;
  const int fd = pair.local();
  const std::string payload(kStreamBytes, 'b');
  std::string sink(4096, '\0');
  for (auto _ : state) {
    streamWithinWindow(
        [&](size_t offset, size_t count) -> size_t {
          const ssize_t put = ::send(fd, payload.data() + offset, count, MSG_DONTWAIT | MSG_NOSIGNAL);
          return put > 0 ? static_cast<size_t>(put) : 0;
        },
        [&]() -> size_t {
          const ssize_t got = ::recv(fd, sink.data(), sink.size(), MSG_DONTWAIT);
          return got > 0 ? static_cast<size_t>(got) : 0;
        });
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStreamBytes));
}
BENCHMARK(BM_PlainSocketPairStream)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
