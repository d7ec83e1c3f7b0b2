// Device address to text and back over a million addresses: the library's
// wide-text pair beside BlueZ's ba2str and str2ba on the same addresses.
#include "zefcorek/Bluetooth.h"

#include <benchmark/benchmark.h>

#include <bluetooth/bluetooth.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kAddresses = 1'000'000;

const std::vector<uint64_t>& addresses() {
  static const std::vector<uint64_t> made = [] {
    std::vector<uint64_t> list(kAddresses);
    std::mt19937_64 random(7);
    for (auto& address : list) address = random() & 0xFFFFFFFFFFFFull;
    return list;
  }();
  return made;
}

void BM_LibraryAddressText(benchmark::State& state) {
  const auto& list = addresses();
  WCHAR text[20];
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint64_t address : list) {
      (void)BTDeviceAddressToString(address, text);
      uint64_t back = 0;
      if (BTDeviceAddressFromString(text, &back) != S_OK) state.SkipWithError("did not read back");
      sum += back;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}
BENCHMARK(BM_LibraryAddressText)->Unit(benchmark::kMillisecond);

// BlueZ keeps the least significant byte first, as the library's address.
void BM_BlueZAddressText(benchmark::State& state) {
  const auto& list = addresses();
  char text[18];
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint64_t address : list) {
      bdaddr_t record;
      std::memcpy(record.b, &address, 6);
      (void)ba2str(&record, text);
      bdaddr_t back;
      (void)str2ba(text, &back);
      uint64_t value = 0;
      std::memcpy(&value, back.b, 6);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}
BENCHMARK(BM_BlueZAddressText)->Unit(benchmark::kMillisecond);

}  // namespace
