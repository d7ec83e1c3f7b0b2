// Throughput of the wizard's download of one 200 MB update (request
// building, the progress callback and a pump of the platform queue after
// every block included) against the curl command-line tool fetching the
// same file from the same update-server double.
#include "zefkr/UpdateServer.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"
#include "platform/WindowMessages.h"

#include "fixtures/DownloadBench.h"
#include "fixtures/UpdateServerDouble.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr uint64_t kBodyBytes = 200ull * 1000 * 1000;

struct BenchFixture {
  BenchFixture() {
    char pattern[] = "/tmp/zef-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    folder = pattern;
    setenv("ZEF_PLATFORM_ROOT", folder.c_str(), 1);
    server.addFile("demo", "big.exe", fixtures::sharedGeneratedResponse(kBodyBytes));
  }
  ~BenchFixture() { std::filesystem::remove_all(folder); }

  fixtures::UpdateServerDouble server;
  std::string folder;
};

BenchFixture& fixture() {
  static BenchFixture instance;
  return instance;
}

struct Host : zefkr::ServerSessionHost {
  void Pause(double) override {}
  // The wizard pumps its queue after every block; so does the run here.
  void pumpOnce() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  bool searchesHidden() override { return false; }
  void ApplyProxySettings(INetInternetSession& session) override { session.SetProxy(nullptr, 0, nullptr, nullptr); }
  void setAutoTimerInterval(uint32_t) override {}
};

struct NoView : zefkr::ProgressView {
  int bar = 0;
  void setProgressLabel(const std::u16string&) override {}
  int barPosition() override { return bar; }
  void setBarPosition(int position) override { bar = position; }
  bool isPageVisible() override { return true; }
  void setRowImage(int, int) override {}
  void setPercentLabel(bool, const std::u16string&) override {}
  void repaint() override {}
};

void BM_DownloadUpdates(benchmark::State& state) {
  BenchFixture& f = fixture();
  unsetenv("http_proxy");
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_INetInternetSessionImp, &out, 0) != S_OK) std::abort();
  auto* session = static_cast<INetInternetSession*>(out);
  zefkr::ServerAddresses addresses;
  addresses.downloadUrl = platform::ansiToWideLenient(f.server.requestBase());
  addresses.locationA = platform::ansiToWideLenient(f.server.locationA());
  zefkr::WizardSession wizard;
  wizard.FUserID.AssignSz(u"user");
  wizard.FPassword.AssignSz(u"password");
  auto products = std::make_unique<zefkr::TKRDetectedProductList>();
  auto updates = std::make_unique<zefkr::TKRUpdateInfoList>();
  Host host;
  NoView view;
  for (auto _ : state) {
    updates->count = 1;
    updates->items[0] = zefkr::TKRUpdateInfo{};
    updates->items[0].folder = u"demo";
    updates->items[0].fileName = u"big.exe";
    updates->items[0].kind = u"run";
    zefkr::UpdateServerConversation conversation(wizard, *products, *updates, session, addresses, host, u"Bench", u"");
    const int32_t result = conversation.DownloadUpdates(view);
    if (result != 0 || wizard.FDownloadedCount != 1) state.SkipWithError("download failed");
    std::filesystem::remove(platform::wideToAnsiLenient(updates->items[0].downloadedFile));
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBodyBytes));
  session->Release();
}

void BM_CurlCommandLine(benchmark::State& state) {
  BenchFixture& f = fixture();
  const std::string url = f.server.locationA() + "demo/big.exe";
  const std::string path = f.folder + "/curl.bin";
  fixtures::timeCurlFetches(state, url, path, kBodyBytes);
}

BENCHMARK(BM_DownloadUpdates)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
