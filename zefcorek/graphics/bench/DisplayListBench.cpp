// Recording polylines: the display list beside cairo's recording surface on
// the same data, 10^6 moves in groups of 100 (one polyline per group).
#include "zefcorek/DisplayList.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int kMoves = 1'000'000;
constexpr int kPerGroup = 100;

// Fixed-seed points, made once outside the timed loops.
const std::vector<int32_t>& points() {
  static const std::vector<int32_t> data = [] {
    std::mt19937 random(42);
    std::uniform_int_distribution<int32_t> coordinate(0, 100000);
    std::vector<int32_t> out(2 * kMoves);
    for (int32_t& value : out) value = coordinate(random);
    return out;
  }();
  return data;
}

void BM_DisplayListRecord(benchmark::State& state) {
  const std::vector<int32_t>& xy = points();
  size_t records = 0;
  for (auto _ : state) {
    auto* list = new IDisplayListImp(nullptr);
    TDispListOpInfo info{};
    info.cbSize = kDispListOpInfoSize;
    records = 0;
    for (int move = 0; move < kMoves; move += kPerGroup) {
      info.refs.values[0] = static_cast<uint32_t>(move);
      list->BeginGroup(&info, 0);
      for (int i = move; i < move + kPerGroup; ++i) list->MoveTo(xy[2 * i], xy[2 * i + 1]);
      list->EndGroup(&info);
      records += kPerGroup + 2;
    }
    benchmark::DoNotOptimize(list);
    list->Release();
  }
  const size_t blocks = (records + kDLOpsPerBlock - 1) / kDLOpsPerBlock;
  state.SetItemsProcessed(state.iterations() * kMoves);
  state.counters["bytes_per_move"] = static_cast<double>(blocks * sizeof(DL_OPSBLOCK)) / kMoves;
}
BENCHMARK(BM_DisplayListRecord)->Unit(benchmark::kMillisecond);

void BM_CairoRecordingSurface(benchmark::State& state) {
  const std::vector<int32_t>& xy = points();
  for (auto _ : state) {
    cairo_surface_t* surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
    cairo_t* cr = cairo_create(surface);
    for (int move = 0; move < kMoves; move += kPerGroup) {
      cairo_move_to(cr, xy[2 * move], xy[2 * move + 1]);
      for (int i = move + 1; i < move + kPerGroup; ++i) cairo_line_to(cr, xy[2 * i], xy[2 * i + 1]);
      cairo_stroke(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  state.SetItemsProcessed(state.iterations() * kMoves);
}
BENCHMARK(BM_CairoRecordingSurface)->Unit(benchmark::kMillisecond);

}  // namespace
