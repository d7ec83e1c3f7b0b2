// Speed of the string records against the standard strings.
//
// Narrow assignment and cloning share the text, so their cost must stay flat
// as the text grows, while a std::string copy grows with it. Wide records
// copy on assignment and grow their automation string on every append; the
// append benchmark shows what that costs against std::u16string's amortised
// growth.
#include "textrum/LStr.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

// Deterministic printable text of `length` bytes.
std::string sampleText(size_t length) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::string text(length, ' ');
  for (char& c : text) c = static_cast<char>(letter(random));
  return text;
}

void narrowSizes(benchmark::internal::Benchmark* bench) { bench->RangeMultiplier(8)->Range(16, 1 << 20); }

void BM_NarrowAssign(benchmark::State& state) {
  const std::string text = sampleText(static_cast<size_t>(state.range(0)));
  LAnsiStrRec* source = LStrAllocFromASzStrA(text.data(), static_cast<int>(text.size()));
  LAnsiStrRec* destination = LStrAllocA();
  LAnsiStrRec* empty = LStrAllocA();
  for (auto _ : state) {
    benchmark::DoNotOptimize(LStrAssignA(destination, source));
    LStrAssignA(destination, empty);  // drop the share again, as the copy below frees
  }
  state.SetItemsProcessed(state.iterations());
  LStrDestroyA(source);
  LStrDestroyA(destination);
  LStrDestroyA(empty);
}
BENCHMARK(BM_NarrowAssign)->Apply(narrowSizes);

void BM_StdStringAssign(benchmark::State& state) {
  const std::string source = sampleText(static_cast<size_t>(state.range(0)));
  std::string destination;
  for (auto _ : state) {
    destination = source;
    benchmark::DoNotOptimize(destination.data());
    destination = std::string();  // release the buffer, as the record does
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdStringAssign)->Apply(narrowSizes);

void BM_NarrowClone(benchmark::State& state) {
  const std::string text = sampleText(static_cast<size_t>(state.range(0)));
  LAnsiStrRec* source = LStrAllocFromASzStrA(text.data(), static_cast<int>(text.size()));
  for (auto _ : state) {
    LAnsiStrRec* clone = LStrAllocCloneAA(source);
    benchmark::DoNotOptimize(clone);
    LStrDestroyA(clone);
  }
  state.SetItemsProcessed(state.iterations());
  LStrDestroyA(source);
}
BENCHMARK(BM_NarrowClone)->Apply(narrowSizes);

void BM_StdStringCopy(benchmark::State& state) {
  const std::string source = sampleText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string copy(source);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdStringCopy)->Apply(narrowSizes);

// Appends `range(0)` pieces of 16 units to an empty string.
constexpr char16_t kPiece[] = u"0123456789abcdef";
constexpr int kPieceLength = 16;

void appendCounts(benchmark::internal::Benchmark* bench) { bench->RangeMultiplier(8)->Range(8, 1 << 15); }

void BM_WideAppend(benchmark::State& state) {
  const auto pieces = state.range(0);
  for (auto _ : state) {
    LWideStrRec* record = LStrAllocW();
    for (int64_t i = 0; i < pieces; ++i) LStrAppendWSzStrW(record, kPiece, kPieceLength);
    benchmark::DoNotOptimize(LStrCstrW(record));
    LStrDestroyW(record);
  }
  state.SetItemsProcessed(state.iterations() * pieces);
}
BENCHMARK(BM_WideAppend)->Apply(appendCounts);

void BM_StdU16StringAppend(benchmark::State& state) {
  const auto pieces = state.range(0);
  for (auto _ : state) {
    std::u16string text;
    for (int64_t i = 0; i < pieces; ++i) text.append(kPiece, kPieceLength);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * pieces);
}
BENCHMARK(BM_StdU16StringAppend)->Apply(appendCounts);

// Appends `range(0)` single characters to an empty string.
void BM_WideAppendChar(benchmark::State& state) {
  const auto count = state.range(0);
  for (auto _ : state) {
    LWideStrRec* record = LStrAllocW();
    for (int64_t i = 0; i < count; ++i) LStrAppendCharW(record, kPiece[i & 15]);
    benchmark::DoNotOptimize(LStrCstrW(record));
    LStrDestroyW(record);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_WideAppendChar)->Apply(appendCounts);

void BM_StdU16StringPushBack(benchmark::State& state) {
  const auto count = state.range(0);
  for (auto _ : state) {
    std::u16string text;
    for (int64_t i = 0; i < count; ++i) text.push_back(kPiece[i & 15]);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_StdU16StringPushBack)->Apply(appendCounts);

}  // namespace
