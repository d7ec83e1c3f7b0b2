// Merging a fresh scanner list into a kept one of the same devices (every
// tenth one with a changed connected flag): the library's merge, which
// searches the kept list linearly for each entry, beside the same merge keyed
// by an unordered_map of case-folded names.
#include "zefcorek/BluetoothScanner.h"

#include "platform/Utf16.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <unordered_map>

namespace {

void fill(TBluetoothScannerResults& list, int devices, uint8_t connected) {
  InitBluetoothScannerResults(&list);
  for (int i = 0; i < devices; ++i) {
    auto* entry = new TBluetoothScannerResEntry{};
    const std::string digits = std::to_string(i);
    const std::u16string name = u"Device " + std::u16string(digits.begin(), digits.end());
    std::memcpy(entry->Name, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    entry->Connected = i % 10 == 0 ? connected : 0;
    entry->Prev = list.Last;
    if (list.Last != nullptr) list.Last->Next = entry;
    if (list.First == nullptr) list.First = entry;
    list.Last = entry;
    ++list.Count;
  }
}

std::u16string folded(const WCHAR* name) {
  std::u16string text(name);
  for (auto& c : text) c = platform::foldCaseUnit(c);
  return text;
}

// A kept and a fresh list of the same devices. Each round flips the fresh
// entries' connected state, so that every merge has updates to make.
class MergeLists {
public:
  explicit MergeLists(int devices) {
    fill(kept, devices, 0);
    fill(fresh, devices, 1);
  }
  ~MergeLists() {
    CleanUpBluetoothScannerResults(&kept);
    CleanUpBluetoothScannerResults(&fresh);
  }
  MergeLists(const MergeLists&) = delete;
  MergeLists& operator=(const MergeLists&) = delete;

  void nextRound() {
    for (auto* e = fresh.First; e != nullptr; e = e->Next) e->Connected = e->Connected != 0 ? flag_ : 0;
    flag_ = static_cast<uint8_t>(flag_ == 1 ? 2 : 1);
  }

  TBluetoothScannerResults kept;
  TBluetoothScannerResults fresh;

private:
  uint8_t flag_ = 1;
};

void BM_MergeLinear(benchmark::State& state) {
  MergeLists lists(static_cast<int>(state.range(0)));
  TBluetoothScannerResults& kept = lists.kept;
  TBluetoothScannerResults& fresh = lists.fresh;
  for (auto _ : state) {
    lists.nextRound();
    TBluetoothResultsMerge merge{&fresh, &kept, nullptr, nullptr, 1, 0, 0, 0};
    benchmark::DoNotOptimize(RemoveAddOrUpdateBluetoothScannerResults(&merge));
  }
}
BENCHMARK(BM_MergeLinear)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The same work with a map from folded names (the map is built per merge,
// as the lists carry no index).
void BM_MergeHashed(benchmark::State& state) {
  MergeLists lists(static_cast<int>(state.range(0)));
  TBluetoothScannerResults& kept = lists.kept;
  TBluetoothScannerResults& fresh = lists.fresh;
  for (auto _ : state) {
    lists.nextRound();
    std::unordered_map<std::u16string, TBluetoothScannerResEntry*> index;
    index.reserve(kept.Count);
    for (auto* e = kept.First; e != nullptr; e = e->Next) index.emplace(folded(e->Name), e);
    std::unordered_map<std::u16string, bool> present;
    present.reserve(fresh.Count);
    uint32_t updated = 0;
    for (auto* e = fresh.First; e != nullptr; e = e->Next) {
      std::u16string key = folded(e->Name);
      auto found = index.find(key);
      present.emplace(std::move(key), true);
      if (found == index.end()) continue;  // (no new devices in this data)
      if (found->second->Connected != e->Connected) {
        found->second->Connected = e->Connected;
        ++updated;
      }
    }
    for (auto* e = kept.First; e != nullptr; e = e->Next) benchmark::DoNotOptimize(present.count(folded(e->Name)));
    benchmark::DoNotOptimize(updated);
  }
}
BENCHMARK(BM_MergeHashed)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

}  // namespace
