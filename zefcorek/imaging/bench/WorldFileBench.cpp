// 10,000 world-file round trips (save, then load) through CTFWManager,
// beside GDAL's own world-file reader and writer on the same files.
#include "zefcorek/TFWManager.h"

#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <gdal/gdal.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRounds = 10'000;

std::string baseName() { return "/tmp/zef-world-bench-" + std::to_string(getpid()); }

void BM_WorldFileRoundTripOurs(benchmark::State& state) {
  const std::u16string path = platform::windowsPath(baseName() + "-ours.tfw");
  CTFWManager manager;
  TFWMatrixData data{sizeof(TFWMatrixData), 0.5, 0, 0, -0.5, 1000.25, 2000.75};
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      data.V5 = 1000.25 + round;
      benchmark::DoNotOptimize(manager.SaveDataFile(path.c_str(), &data));
      benchmark::DoNotOptimize(manager.LoadDataFile(path.c_str(), &data));
    }
  }
  std::remove((baseName() + "-ours.tfw").c_str());
  state.SetItemsProcessed(state.iterations() * kRounds);
}
BENCHMARK(BM_WorldFileRoundTripOurs)->Unit(benchmark::kMillisecond);

void BM_WorldFileRoundTripGdal(benchmark::State& state) {
  // GDAL names the world file after a base name and an extension.
  const std::string base = baseName() + "-gdal";
  double transform[6] = {1000, 0.5, 0, 2000, 0, -0.5};
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      transform[0] = 1000 + round;
      benchmark::DoNotOptimize(GDALWriteWorldFile(base.c_str(), "tfw", transform));
      benchmark::DoNotOptimize(GDALReadWorldFile(base.c_str(), "tfw", transform));
    }
  }
  std::remove((base + ".tfw").c_str());
  state.SetItemsProcessed(state.iterations() * kRounds);
}
BENCHMARK(BM_WorldFileRoundTripGdal)->Unit(benchmark::kMillisecond);

}  // namespace
