// The control-point transformation: Compute of the affine kind at 4, 100
// and 8192 points, and TransformPoints of 10^6 points. numpy's lstsq on the
// same design matrices and its vectorised product are Python figures taken
// outside this binary (the closing note gives them).
#include "zefcorek/GfxRotoTrans.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

IGfxRotoTrans* makeFit(int points, uint32_t kind = grtAffine) {
  void* made = nullptr;
  zefCoreKAllocIntf(&CLSID_IGfxRotoTransImp, &made, 0);
  auto* rt = static_cast<IGfxRotoTrans*>(made);
  rt->SetParam(grpKind, kind);
  std::mt19937 random(9);
  std::uniform_real_distribution<double> coordinate(0, 4000);
  std::normal_distribution<double> noise(0, 0.5);
  for (int i = 0; i < points; ++i) {
    GfxRotoTransPoint p{};
    p.cbSize = kGfxRotoTransPointSize;
    p.srcX = coordinate(random);
    p.srcY = coordinate(random);
    p.dstX = 0.5 * p.srcX - 0.1 * p.srcY + 500000 + noise(random);
    p.dstY = 0.1 * p.srcX + 0.5 * p.srcY + 5000000 + noise(random);
    p.weight = 1 + (i % 3);
    rt->AddPoint(&p, nullptr);
  }
  return rt;
}

void BM_ComputeAffine(benchmark::State& state) {
  IGfxRotoTrans* rt = makeFit(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(rt->Compute(false));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  rt->Release();
}
BENCHMARK(BM_ComputeAffine)->Arg(4)->Arg(100)->Arg(8192)->Unit(benchmark::kMicrosecond);

// Kinds 6 (plain affine), 9 (weighted affine) and 18 (projective).
void BM_ComputeKind(benchmark::State& state) {
  IGfxRotoTrans* rt = makeFit(static_cast<int>(state.range(1)), static_cast<uint32_t>(state.range(0)));
  ZRESULT result = 0;
  for (auto _ : state) benchmark::DoNotOptimize(result = rt->Compute(false));
  state.SetItemsProcessed(state.iterations() * state.range(1));
  // The destinations lie near (5e5, 5e6): whether the fit converged there.
  state.counters["result"] = result;
  rt->Release();
}
BENCHMARK(BM_ComputeKind)
    ->ArgsProduct({{grtAffinePlain, grtWeightedAffine, grtProjective, grtRigid, grtScaleRotate, grtRotateScale},
                   {4, 100, 8192}})
    ->Unit(benchmark::kMicrosecond);

void BM_TransformPoints(benchmark::State& state) {
  IGfxRotoTrans* rt = makeFit(100);
  rt->Compute(false);
  constexpr uint32_t kPoints = 1'000'000;
  std::vector<T_POINT2D> in(kPoints), out(kPoints);
  std::mt19937 random(1);
  std::uniform_real_distribution<double> coordinate(0, 4000);
  for (T_POINT2D& p : in) p = {coordinate(random), coordinate(random)};
  for (auto _ : state) {
    benchmark::DoNotOptimize(rt->TransformPoints(in.data(), out.data(), kPoints));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  rt->Release();
}
BENCHMARK(BM_TransformPoints)->Unit(benchmark::kMillisecond);

}  // namespace
