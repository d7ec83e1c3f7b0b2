// Case-blind comparison and upper-casing of user text by the locale's case
// rules, beside the fixed, locale-free folding of names on the same texts.
// Each pair of texts differs only in case, so every character is compared.
#include "platform/CaseRules.h"
#include "platform/Utf16.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Which text: 0 ASCII, 1 Cyrillic; without i or I, so that the Turkish
// rules compare them equal too.
std::u16string sample(int64_t script, bool upper) {
  const std::u16string word = script == 0 ? (upper ? u"PROGRAM DATA " : u"program data ")
                                          : (upper ? u"\u041F\u0420\u041E\u0413\u0420\u0410\u041C\u041C\u0410 "
                                                   : u"\u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430 ");
  std::u16string text;
  while (text.size() < 64) text += word;
  return text;
}

// Arguments: the script, then 0 the fixed folding, 1 the rules of the
// untailored locale, 2 the Turkish rules.
void BM_CompareIgnoringCase(benchmark::State& state) {
  const std::u16string a = sample(state.range(0), false);
  const std::u16string b = sample(state.range(0), true);
  const platform::CaseRules rules(state.range(1) == 2 ? "tr_TR" : "");
  for (auto _ : state) {
    benchmark::DoNotOptimize(state.range(1) == 0 ? platform::compareIgnoreCase(a, b) : rules.compareIgnoreCase(a, b));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(a.size() * sizeof(char16_t)));
}
BENCHMARK(BM_CompareIgnoringCase)->ArgsProduct({{0, 1}, {0, 1, 2}});

void BM_UpperCase(benchmark::State& state) {
  const std::u16string text = sample(state.range(0), false);
  const platform::CaseRules rules(state.range(1) == 2 ? "tr_TR" : "");
  for (auto _ : state) {
    if (state.range(1) == 0) {
      std::u16string copy = text;
      platform::toUpperInPlace(copy);
      benchmark::DoNotOptimize(copy.data());
    } else {
      benchmark::DoNotOptimize(rules.upper(text).data());
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_UpperCase)->ArgsProduct({{0, 1}, {0, 1, 2}});

}  // namespace
