// Writing 10^6 LINE entities with the DXF writer to a file on tmpfs. The
// peer, ezdxf's r12writer writing the same lines, is a Python figure taken
// outside this binary, for scale only.
#include "zefcorek/DxfWriter.h"

#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kLines = 1'000'000;

void BM_DxfWriteLines(benchmark::State& state) {
  const std::string native = "/dev/shm/zef-dxf-bench-" + std::to_string(getpid()) + ".dxf";
  const std::u16string path = platform::windowsPath(native);
  for (auto _ : state) {
    HANDLE file = nullptr;
    if (DXFCreate(path.c_str(), &file) == 0) {
      state.SkipWithError("cannot create the file");
      break;
    }
    for (int i = 0; i < kLines; ++i) DXFLine(file, i, i * 0.5, 0, i + 1.25, i * 0.5 + 2, 0, "HATCH");
    DXFClose(file);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
  std::remove(native.c_str());
}
BENCHMARK(BM_DxfWriteLines)->Unit(benchmark::kMillisecond);

}  // namespace
