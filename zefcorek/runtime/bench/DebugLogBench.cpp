// Writing 10^6 lines through zefcorekLog into a file, against spdlog's
// synchronous file sink writing the same lines with the same layout
// ("%-16s - %+24s - %s : %s", CR LF).
#include "zefcorek/DebugLog.h"

#include <benchmark/benchmark.h>

#ifdef ZEF_BENCH_SPDLOG
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kLines = 1'000'000;

std::string scratchFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/zef-bench-log-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    return std::string(pattern);
  }();
  return folder;
}

void BM_ZefCoreKLog(benchmark::State& state) {
  const std::string path = scratchFolder() + "/zefcorek.log";
  const std::u16string widePath(path.begin(), path.end());
  for (auto _ : state) {
    if (ZefCoreKAllocDebugLogToFile(widePath.c_str()) != S_OK) state.SkipWithError("no log");
    for (int i = 0; i < kLines; ++i) zefcorekLog(u"the device answered after 12 ms", u"ZefCoreK");
    ZefCoreKSetDebugLog(nullptr);  // closes the file
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kLines);
  std::filesystem::remove(path);
}

#ifdef ZEF_BENCH_SPDLOG
void BM_SpdlogFileSink(benchmark::State& state) {
  const std::string path = scratchFolder() + "/spdlog.log";
  for (auto _ : state) {
    auto sink = std::make_shared<spdlog::sinks::basic_file_sink_st>(path, /*truncate=*/true);
    spdlog::logger logger("ZefCoreK", sink);
    // The same columns: the time in 16, the source right-aligned in 24.
    logger.set_formatter(std::make_unique<spdlog::pattern_formatter>(
        "%H:%M:%S.%e     - %24n - I : %v", spdlog::pattern_time_type::local, "\r\n"));
    for (int i = 0; i < kLines; ++i) logger.info("the device answered after 12 ms");
    logger.flush();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kLines);
  std::filesystem::remove(path);
}
BENCHMARK(BM_SpdlogFileSink)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
#endif

BENCHMARK(BM_ZefCoreKLog)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
