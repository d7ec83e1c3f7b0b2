// The serial port beside libserialport on one pty pair whose master echoes
// what it gets: 1 MiB out and back in lock-step blocks of 4 KiB, and 1-byte
// request/answer round trips. And the port enumeration over this machine's
// serial devices beside libserialport's port list (both name sets printed).
#include "zefcorek/ClassIds.h"
#include "zefcorek/SerialPort.h"
#include "zefcorek/SerialPortEnumeration.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CommPorts.h"

#include "testsupport/PtyPair.h"

#include <benchmark/benchmark.h>
#include <libserialport.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr size_t kStreamBytes = size_t{1} << 20;
constexpr uint16_t kBlock = 4096;
constexpr int kRoundTrips = 1000;

// A private platform root for the device map, made once.
void usePrivateRoot() {
  static const bool made = [] {
    char pattern[] = "/tmp/zef-serial-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    setenv("ZEF_PLATFORM_ROOT", pattern, 1);
    return true;
  }();
  (void)made;
}

// The master side sends back whatever arrives, until stopped.
class Echo {
public:
  explicit Echo(testsupport::PtyPair& pty)
      : pty_(pty), thread_([this] {
          while (!stop_) {
            const std::string got = pty_.readMaster(1, 5);
            if (!got.empty()) pty_.writeMaster(got);
          }
        }) {}
  ~Echo() {
    stop_ = true;
    thread_.join();
  }

private:
  testsupport::PtyPair& pty_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

ISerialPort* openPort(unsigned number) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_ISerialPortImp, &made, 0) != S_OK) return nullptr;
  auto* port = static_cast<ISerialPort*>(made);
  TSerialPortSettings settings;
  settings.PortNumber = static_cast<uint16_t>(number);
  settings.BaudRate = 115200;
  port->SetSettings(&settings);
  if (port->Open().Value != CONN_OK) {
    port->Release();
    return nullptr;
  }
  return port;
}

sp_port* openPeer(const testsupport::PtyPair& pty) {
  sp_port* port = nullptr;
  if (sp_get_port_by_name(("/dev/" + pty.devicePath()).c_str(), &port) != SP_OK) return nullptr;
  if (sp_open(port, SP_MODE_READ_WRITE) != SP_OK) {
    sp_free_port(port);
    return nullptr;
  }
  return port;
}

// Our serial port on the pty's slave side.
class OurPort {
public:
  explicit OurPort(const testsupport::PtyPair& pty) : port_(openPort(pty.comNumber())) {}
  ~OurPort() {
    if (port_) port_->Release();
  }
  OurPort(const OurPort&) = delete;
  OurPort& operator=(const OurPort&) = delete;

  bool opened() const { return port_ != nullptr; }
  // Writes `count` bytes and reads as many back; false when the read timed out.
  bool writeAndReadBack(const char* out, char* back, uint16_t count) {
    port_->Write(out, count);
    uint16_t got = 0;
    return port_->Read(back, count, true, &got).Value == CONN_OK;
  }
  void roundTrip() {
    port_->WriteByte('?');
    uint8_t answer = 0;
    port_->ReadByte(&answer, true);
  }

private:
  ISerialPort* port_;
};

// The peer library's port on the pty's slave side.
class PeerPort {
public:
  explicit PeerPort(const testsupport::PtyPair& pty) : port_(openPeer(pty)) {}
  ~PeerPort() {
    if (port_) {
      sp_close(port_);
      sp_free_port(port_);
    }
  }
  PeerPort(const PeerPort&) = delete;
  PeerPort& operator=(const PeerPort&) = delete;

  bool opened() const { return port_ != nullptr; }
  bool writeAndReadBack(const char* out, char* back, uint16_t count) {
    sp_blocking_write(port_, out, count, 2000);
    return sp_blocking_read(port_, back, count, 4000) == count;
  }
  void roundTrip() {
    char request = '?';
    char answer = 0;
    sp_blocking_write(port_, &request, 1, 2000);
    sp_blocking_read(port_, &answer, 1, 4000);
  }

private:
  sp_port* port_;
};

template <class Port>
void streamBench(benchmark::State& state) {
  usePrivateRoot();
  testsupport::PtyPair pty;
  Echo echo(pty);
  Port port(pty);
  if (!port.opened()) {
    state.SkipWithError("no port");
    return;
  }
  const std::string payload(kBlock, 's');
  std::string back(kBlock, '\0');
  for (auto _ : state) {
    for (size_t done = 0; done < kStreamBytes; done += kBlock) {
      if (!port.writeAndReadBack(payload.data(), back.data(), kBlock)) {
        state.SkipWithError("read timed out");
        break;
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

template <class Port>
void roundTripBench(benchmark::State& state) {
  usePrivateRoot();
  testsupport::PtyPair pty;
  Echo echo(pty);
  Port port(pty);
  if (!port.opened()) {
    state.SkipWithError("no port");
    return;
  }
  for (auto _ : state) {
    for (int i = 0; i < kRoundTrips; ++i) port.roundTrip();
  }
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}

void BM_SerialPortStream(benchmark::State& state) { streamBench<OurPort>(state); }
void BM_PeerLibraryStream(benchmark::State& state) { streamBench<PeerPort>(state); }
void BM_SerialPortRoundTrips(benchmark::State& state) { roundTripBench<OurPort>(state); }
void BM_PeerLibraryRoundTrips(benchmark::State& state) { roundTripBench<PeerPort>(state); }

void BM_FindSerialPorts(benchmark::State& state) {
  usePrivateRoot();
  platform::scanSerialDevices();
  auto list = std::make_unique<TSerialPortList>();
  for (auto _ : state) {
    zefCoreKFindSerialPorts(SERIALPORTS_SERIAL | SERIALPORTS_MODEM, list.get());
    benchmark::DoNotOptimize(list->EntryCount);
  }
  std::string names;
  for (uint32_t i = 0; i < list->EntryCount; ++i) {
    names += " COM" + std::to_string(list->Entries[i].PortNumber);
  }
  std::fprintf(stderr, "ports found:%s\n", names.empty() ? " (none)" : names.c_str());
}

void BM_PeerLibraryListPorts(benchmark::State& state) {
  sp_port** ports = nullptr;
  for (auto _ : state) {
    if (sp_list_ports(&ports) != SP_OK) {
      state.SkipWithError("no list");
      return;
    }
    sp_free_port_list(ports);
  }
  std::string names;
  if (sp_list_ports(&ports) == SP_OK) {
    for (int i = 0; ports[i] != nullptr; ++i) names += std::string(" ") + sp_get_port_name(ports[i]);
    sp_free_port_list(ports);
  }
  std::fprintf(stderr, "peer ports found:%s\n", names.empty() ? " (none)" : names.c_str());
}

BENCHMARK(BM_SerialPortStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_PeerLibraryStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_SerialPortRoundTrips)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_PeerLibraryRoundTrips)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_FindSerialPorts)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeerLibraryListPorts)->Unit(benchmark::kMicrosecond);

}  // namespace
