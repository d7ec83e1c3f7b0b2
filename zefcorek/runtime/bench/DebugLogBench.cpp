// Writing log lines to a file: zefcorekLog (file log) against a synchronous
// file sink of the peer logging library with the same line pattern. Both
// write 10^6 one-line messages per iteration into a fresh file.
#include "zefcorek/DebugLog.h"

#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kLines = 1'000'000;

std::string benchFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/zef-debuglog-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    setenv("ZEF_PLATFORM_ROOT", pattern, 1);
    return std::string(pattern);
  }();
  return folder;
}

void BM_ZefcorekLogToFile(benchmark::State& state) {
  const std::string path = benchFolder() + "/own.log";
  for (auto _ : state) {
    if (ZefCoreKAllocDebugLogToFile(platform::windowsPath(path).c_str()) != S_OK) {
      state.SkipWithError("cannot open the log file");
      return;
    }
    for (int i = 0; i < kLines; ++i) {
      benchmark::DoNotOptimize(zefcorekLog(u"device answered 42 bytes", u"ZefCoreK"));
    }
    zefcorek::releaseDebugLogToFile();
  }
  state.SetItemsProcessed(state.iterations() * kLines);
  std::filesystem::remove(path);
}

void BM_PeerSynchronousFileSink(benchmark::State& state) {
  const std::string path = benchFolder() + "/peer.log";
  for (auto _ : state) {
    auto logger = spdlog::basic_logger_st("ZefCoreK", path, /*truncate=*/true);
    // The same columns: time left-aligned in 16, source right-aligned in 24.
    logger->set_pattern("%H:%M:%S.%e     - %24n - I : %v", spdlog::pattern_time_type::local);
    for (int i = 0; i < kLines; ++i) logger->info("device answered 42 bytes");
    logger->flush();
    spdlog::drop("ZefCoreK");
  }
  state.SetItemsProcessed(state.iterations() * kLines);
  std::filesystem::remove(path);
}

BENCHMARK(BM_ZefcorekLogToFile)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_PeerSynchronousFileSink)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
