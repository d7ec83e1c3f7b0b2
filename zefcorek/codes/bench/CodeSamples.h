// Deterministic code texts for the code benchmarks: prefixes of one to three
// letters, a separator now and then, zero-padded numbers, a few duplicates.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace codes_bench {

inline std::vector<std::u16string> sampleCodes(size_t count, unsigned seed) {
  std::mt19937_64 random(seed);
  std::vector<std::u16string> texts;
  texts.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::u16string text;
    const int letters = 1 + static_cast<int>(random() % 3);
    for (int k = 0; k < letters; ++k) text += static_cast<char16_t>((random() % 2 ? u'A' : u'a') + random() % 26);
    if (random() % 2) text += u'-';
    const int digits = 1 + static_cast<int>(random() % 5);
    uint64_t number = random() % 100000;
    std::u16string run;
    for (int k = 0; k < digits; ++k, number /= 10) run.insert(run.begin(), u'0' + number % 10);
    text += run;
    if (random() % 16 == 0) text += u"(2)";
    texts.push_back(text);
  }
  return texts;
}

}  // namespace codes_bench
