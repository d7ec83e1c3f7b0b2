// The renaming database beside two std::unordered_map keyed by the case-
// folded texts (100,000 pairs added, then looked up both ways), and the
// objects-by-code index beside std::unordered_map<std::u16string, T*> (a
// million Find calls).
#include "zefcorek/ZefCodesRenamingDB.h"
#include "zefcorek/ZefObjsWithCodeDB.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "CodeSamples.h"

#include "platform/Utf16.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using namespace CodesDB;

constexpr size_t kPairs = 100000;
constexpr size_t kObjects = 1000000;

std::vector<std::u16string> uniqueTexts(size_t count, unsigned seed, char16_t mark) {
  auto texts = codes_bench::sampleCodes(count, seed);
  for (size_t i = 0; i < texts.size(); ++i) texts[i] += mark + std::u16string(TZefStdCode(int64_t(i)).c_str());
  return texts;
}

std::u16string folded(const std::u16string& text) {
  std::u16string out(text);
  for (char16_t& unit : out) unit = platform::foldCaseUnit(unit);
  return out;
}

void BM_RenamingDBAddAndLookUp(benchmark::State& state) {
  const auto oldTexts = uniqueTexts(kPairs, 1, u'o'), newTexts = uniqueTexts(kPairs, 2, u'n');
  const std::vector<TZefStdCode> oldCodes(oldTexts.begin(), oldTexts.end());
  const std::vector<TZefStdCode> newCodes(newTexts.begin(), newTexts.end());
  for (auto _ : state) {
    void* out = nullptr;
    (void)zefCoreKAllocIntf(&CLSID_IZefCodesRenamingDBImp, &out, 0);
    auto* db = static_cast<IZefCodesRenamingDB*>(out);
    for (size_t i = 0; i < kPairs; ++i) (void)db->Add(oldCodes[i], i, newCodes[i], i);
    uintptr_t sum = 0;
    TZefStdCode other;
    for (size_t i = 0; i < kPairs; ++i) {
      (void)db->GetNewCode(oldCodes[i], &other);
      sum += static_cast<uintptr_t>(other.GetHash());
      (void)db->GetOldCode(newCodes[i], &other);
      sum += static_cast<uintptr_t>(other.GetHash());
    }
    benchmark::DoNotOptimize(sum);
    state.PauseTiming();
    db->Release();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_RenamingDBAddAndLookUp)->Unit(benchmark::kMillisecond);

void BM_PeerMapsAddAndLookUp(benchmark::State& state) {
  const auto oldTexts = uniqueTexts(kPairs, 1, u'o'), newTexts = uniqueTexts(kPairs, 2, u'n');
  for (auto _ : state) {
    std::unordered_map<std::u16string, std::u16string> forward, backward;
    for (size_t i = 0; i < kPairs; ++i) {
      const std::u16string oldKey = folded(oldTexts[i]), newKey = folded(newTexts[i]);
      if (forward.count(oldKey) || backward.count(newKey)) continue;
      forward.emplace(oldKey, newTexts[i]);
      backward.emplace(newKey, oldTexts[i]);
    }
    size_t sum = 0;
    for (size_t i = 0; i < kPairs; ++i) {
      sum += forward.find(folded(oldTexts[i]))->second.size();
      sum += backward.find(folded(newTexts[i]))->second.size();
    }
    benchmark::DoNotOptimize(sum);
    state.PauseTiming();
    forward.clear();
    backward.clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_PeerMapsAddAndLookUp)->Unit(benchmark::kMillisecond);

class BenchObject final : public IObjWithCode {
public:
  explicit BenchObject(const std::u16string& text) : code_(text) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  const TZefStdCode* GetCode() override { return &code_; }

private:
  TZefStdCode code_;
};

void BM_ObjsWithCodeDBFind(benchmark::State& state) {
  const auto texts = uniqueTexts(kObjects, 3, u'x');
  std::deque<BenchObject> objects(texts.begin(), texts.end());
  const std::vector<TZefStdCode> keys(texts.begin(), texts.end());
  void* out = nullptr;
  (void)zefCoreKAllocIntf(&CLSID_IZefObjsWithCodeDBImp, &out, 0);
  auto* db = static_cast<IZefObjsWithCodeDB*>(out);
  for (BenchObject& object : objects) (void)db->AddObject(&object);
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (const TZefStdCode& key : keys) {
      IObjWithCode* found = nullptr;
      (void)db->Find(key, &found);
      sum += reinterpret_cast<uintptr_t>(found);
    }
    benchmark::DoNotOptimize(sum);
  }
  db->Release();
  state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_ObjsWithCodeDBFind)->Unit(benchmark::kMillisecond);

void BM_PeerObjectMapFind(benchmark::State& state) {
  const auto texts = uniqueTexts(kObjects, 3, u'x');
  std::deque<BenchObject> objects(texts.begin(), texts.end());
  std::unordered_map<std::u16string, BenchObject*> map;
  for (size_t i = 0; i < kObjects; ++i) map.emplace(folded(texts[i]), &objects[i]);
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (const std::u16string& text : texts) sum += reinterpret_cast<uintptr_t>(map.find(folded(text))->second);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_PeerObjectMapFind)->Unit(benchmark::kMillisecond);

}  // namespace
