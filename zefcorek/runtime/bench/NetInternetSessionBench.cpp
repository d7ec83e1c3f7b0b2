// Throughput of DownloadToFile against the curl command-line tool, both
// fetching the same 200 MB body from the loopback fixture server into a file.
#include "zefcorek/NetInternetSession.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "fixtures/DownloadBench.h"
#include "fixtures/FixtureServer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

constexpr uint64_t kBodyBytes = 200ull * 1000 * 1000;

// One server and one temporary folder for every run of the binary.
struct BenchFixture {
  BenchFixture() {
    char pattern[] = "/tmp/zef-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    folder = pattern;
    // Deterministic body, made once outside any timed loop.
    server.route("/update.exe", fixtures::sharedGeneratedResponse(kBodyBytes));
  }
  ~BenchFixture() { std::filesystem::remove_all(folder); }

  fixtures::FixtureServer server;
  std::string folder;
};

BenchFixture& fixture() {
  static BenchFixture instance;
  return instance;
}

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

void BM_DownloadToFile(benchmark::State& state) {
  BenchFixture& f = fixture();
  unsetenv("http_proxy");
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_INetInternetSessionImp, &out, 0) != S_OK) std::abort();
  auto* session = static_cast<INetInternetSession*>(out);
  session->Open(u"Bench");
  std::u16string url = wide(f.server.url("/update.exe"));
  std::u16string path = wide(f.folder + "/session.bin");
  for (auto _ : state) {
    ZRESULT result = session->DownloadToFile(url.c_str(), path.c_str(), nullptr, 0);
    if (result != ZR_OK) state.SkipWithError("download failed");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBodyBytes));
  session->Release();
}

void BM_CurlCommandLine(benchmark::State& state) {
  BenchFixture& f = fixture();
  std::string url = f.server.url("/update.exe");
  std::string path = f.folder + "/curl.bin";
  fixtures::timeCurlFetches(state, url, path, kBodyBytes);
}

BENCHMARK(BM_DownloadToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
