// The formatting engine against the C library's snprintf on the same narrow
// formats, into the same caller buffer. Inputs are fixed before the timed loop.
#include "platform/Format.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

char buffer[8192];

template <class... Args>
size_t engineFormat(std::string_view format, const Args&... args) {
  const platform::FormatArg stored[] = {platform::FormatArg::from(args)...};
  platform::FormatOutput<char> out{buffer, sizeof buffer, 0};
  (void)platform::formatArgs(out, format, stored);
  return out.length;
}

// Which formatter a benchmark runs: 0 the engine, 1 snprintf.
template <class... Args>
size_t formatWith(int formatter, const char* format, const Args&... args) {
  if (formatter == 0) return engineFormat(format, args...);
  return static_cast<size_t>(std::snprintf(buffer, sizeof buffer, format, args...));
}

void BM_Integers(benchmark::State& state) {
  const int formatter = static_cast<int>(state.range(0));
  int value = 123456789;
  for (auto _ : state) {
    benchmark::DoNotOptimize(formatWith(formatter, "%d %5u %08X %-6o|", value, 42u, 0xBEEFu, 511));
    value ^= 0x5555;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Integers)->Arg(0)->Arg(1);

void BM_Floats(benchmark::State& state) {
  const int formatter = static_cast<int>(state.range(0));
  double value = 3.14159265358979;
  for (auto _ : state) {
    benchmark::DoNotOptimize(formatWith(formatter, "%.3f %e %g", value, value * 1e10, value / 7));
    value += 1.0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Floats)->Arg(0)->Arg(1);

// A debug log line, with a message of growing length.
void BM_LogLine(benchmark::State& state) {
  const int formatter = static_cast<int>(state.range(0));
  const std::string message(static_cast<size_t>(state.range(1)), 'm');
  for (auto _ : state)
    benchmark::DoNotOptimize(
        formatWith(formatter, "%-16s - %+24s - %s : %s", "12:34:56.789", "IHTTPSessionImp", "I", message.c_str()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(message.size()));
}
BENCHMARK(BM_LogLine)->ArgsProduct({{0, 1}, {8, 64, 512, 4096}});

}  // namespace
