// Device addresses to text and back, a million of them, beside the peer
// Bluetooth library's ba2str and str2ba on the same addresses.
#include "zefcorek/BluetoothUtilities.h"

#include <benchmark/benchmark.h>
#include <bluetooth/bluetooth.h>

#include <random>
#include <vector>

namespace {

constexpr int kAddresses = 1'000'000;

const std::vector<uint64_t>& addresses() {
  static const std::vector<uint64_t> list = [] {
    std::mt19937_64 random(7);
    std::vector<uint64_t> made(kAddresses);
    for (uint64_t& address : made) address = random() & 0xFFFFFFFFFFFFull;
    return made;
  }();
  return list;
}

void BM_AddressTextRoundTrip(benchmark::State& state) {
  const auto& list = addresses();
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint64_t address : list) {
      WCHAR text[20];
      BTDeviceAddressToString(address, text);
      uint64_t back = 0;
      BTDeviceAddressFromString(text, &back);
      sum += back;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kAddresses);
}

void BM_PeerAddressTextRoundTrip(benchmark::State& state) {
  const auto& list = addresses();
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint64_t address : list) {
      bdaddr_t bytes;
      for (int i = 0; i < 6; ++i) bytes.b[i] = static_cast<uint8_t>(address >> (i * 8));
      char text[18];
      ba2str(&bytes, text);
      bdaddr_t back;
      str2ba(text, &back);
      sum += back.b[0];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kAddresses);
}

BENCHMARK(BM_AddressTextRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_PeerAddressTextRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
