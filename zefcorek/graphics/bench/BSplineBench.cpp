// Sampling an open cubic B-spline of 10^4 control points at 16 samples per
// knot span: IGfxBSpline's Compute beside GSL's gsl_bspline evaluation of
// the same clamped curve at the same parameters.
#include "zefcorek/GfxBSpline.h"
#include "zefcorek/GfxPoints.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <benchmark/benchmark.h>
#include <gsl/gsl_bspline.h>
#include <gsl/gsl_vector.h>

#include <random>
#include <vector>

namespace {

constexpr int kControlPoints = 10'000;
constexpr int kSteps = 16;
constexpr int kDegree = 3;

const std::vector<tagT_POINT3D>& controlPoints() {
  static const std::vector<tagT_POINT3D> points = [] {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> jitter(-1, 1);
    std::vector<tagT_POINT3D> out;
    for (int i = 0; i < kControlPoints; ++i) out.push_back({static_cast<double>(i), jitter(random), 0});
    return out;
  }();
  return points;
}

template <typename Interface>
Interface* make(const CLSID& id) {
  void* made = nullptr;
  zefCoreKAllocIntf(&id, &made, 0);
  return static_cast<Interface*>(made);
}

void BM_GfxBSplineCompute(benchmark::State& state) {
  auto* source = make<IGfxPtDestination3>(CLSID_IGfxPtDestination3Imp);
  for (const tagT_POINT3D& p : controlPoints()) source->AddPoint(&p);
  auto* spline = make<IGfxBSpline>(CLSID_IGfxBSplineImp);
  spline->SetStepCount(kSteps);
  spline->SetSource(source);
  uint32_t samples = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto* destination = make<IGfxPtDestination3>(CLSID_IGfxPtDestination3Imp);
    spline->SetDestination(destination);
    state.ResumeTiming();
    benchmark::DoNotOptimize(spline->Compute());
    state.PauseTiming();
    destination->GetCount(&samples);
    spline->SetDestination(nullptr);
    destination->Release();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * samples);
  spline->Release();
  source->Release();
}
BENCHMARK(BM_GfxBSplineCompute)->Unit(benchmark::kMillisecond);

void BM_GslBSplineEval(benchmark::State& state) {
  const std::vector<tagT_POINT3D>& control = controlPoints();
  const int spans = kControlPoints - kDegree;
  gsl_bspline_workspace* work = gsl_bspline_alloc(kDegree + 1, spans + 1);
  gsl_bspline_knots_uniform(0, spans, work);
  gsl_vector* basis = gsl_vector_alloc(kDegree + 1);
  std::vector<tagT_POINT3D> out(static_cast<size_t>(spans) * kSteps + 1);
  for (auto _ : state) {
    for (size_t i = 0; i < out.size(); ++i) {
      const double t = i + 1 < out.size() ? static_cast<double>(i) / kSteps : spans - 0.00001;
      size_t first = 0, last = 0;
      gsl_bspline_eval_nonzero(t, basis, &first, &last, work);
      tagT_POINT3D p{0, 0, 0};
      for (size_t j = first; j <= last; ++j) {
        const double b = gsl_vector_get(basis, j - first);
        p.x += b * control[j].x;
        p.y += b * control[j].y;
        p.z += b * control[j].z;
      }
      out[i] = p;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * out.size());
  gsl_vector_free(basis);
  gsl_bspline_free(work);
}
BENCHMARK(BM_GslBSplineEval)->Unit(benchmark::kMillisecond);

}  // namespace
