// Duplicate removal over a network list (restart from the first entry after
// each removal) beside one pass with a hash map of the names kept so far, on
// the same lists: 50 to 200 networks, about one name in three seen twice,
// one entry in four with a profile, a few hidden networks. Each iteration
// copies the list first (the removal works in place); both sides pay that.
#include "WlanNetworkList.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using zefcorek::devices::ssidBytes;

struct ListBlock {
  std::vector<unsigned char> bytes;
  WlanNetworkList* list() { return reinterpret_cast<WlanNetworkList*>(bytes.data()); }
};

ListBlock makeList(size_t count) {
  ListBlock block;
  block.bytes.resize(offsetof(WlanNetworkList, items) + count * sizeof(WlanNetworkRecord));
  WlanNetworkList* list = block.list();
  list->count = static_cast<DWORD>(count);
  std::mt19937 random(42);
  const size_t names = count * 2 / 3;
  for (size_t i = 0; i < count; ++i) {
    WlanNetworkRecord& network = list->items[i];
    network = WlanNetworkRecord{};
    if (random() % 20 != 0) {
      const std::string name = "network-" + std::to_string(random() % names);
      network.ssid.length = static_cast<ULONG>(name.size());
      std::memcpy(network.ssid.bytes, name.data(), name.size());
    }
    if (random() % 4 == 0) network.profileName[0] = u'P';
  }
  return block;
}

// The peer: one pass. Of one name the first entry with a profile stays, or
// the last entry when none has one - what the restarting removal leaves - so
// a later entry replaces the kept one while that has no profile.
void removeDuplicatesWithHashMap(WlanNetworkList& list) {
  std::unordered_map<std::string_view, DWORD> kept;
  kept.reserve(list.count);
  std::vector<bool> removed(list.count, false);
  for (DWORD i = 0; i < list.count; ++i) {
    const std::string_view name = ssidBytes(list.items[i]);
    if (name.empty()) continue;
    auto [at, inserted] = kept.try_emplace(name, i);
    if (inserted) continue;
    if (list.items[at->second].profileName[0] == u'\0') {
      removed[at->second] = true;
      at->second = i;
    } else {
      removed[i] = true;
    }
  }
  DWORD out = 0;
  for (DWORD i = 0; i < list.count; ++i) {
    if (!removed[i]) list.items[out++] = list.items[i];
  }
  list.count = out;
}

bool sameEntries(const WlanNetworkList& a, const WlanNetworkList& b) {
  return a.count == b.count && std::memcmp(a.items, b.items, a.count * sizeof(WlanNetworkRecord)) == 0;
}

template <void (*Remove)(WlanNetworkList&)>
void BM_RemoveDuplicates(benchmark::State& state) {
  const ListBlock source = makeList(static_cast<size_t>(state.range(0)));
  ListBlock work = source;
  ListBlock check = source;
  zefcorek::devices::removeDuplicateNetworks(*work.list());
  removeDuplicatesWithHashMap(*check.list());
  if (!sameEntries(*work.list(), *check.list())) state.SkipWithError("the two removals disagree");
  for (auto _ : state) {
    work.bytes = source.bytes;
    Remove(*work.list());
    benchmark::DoNotOptimize(work.list()->count);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_RemoveDuplicates<zefcorek::devices::removeDuplicateNetworks>)
    ->Name("BM_RemoveDuplicateNetworks")
    ->Arg(50)
    ->Arg(100)
    ->Arg(200);
BENCHMARK(BM_RemoveDuplicates<removeDuplicatesWithHashMap>)->Name("BM_HashMapSinglePass")->Arg(50)->Arg(100)->Arg(200);

}  // namespace
