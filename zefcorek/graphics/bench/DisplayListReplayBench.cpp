// Replaying a recording: the display list onto a counting target beside
// cairo replaying its recording surface onto an image surface, on the same
// 10^6 moves in 10^4 groups (one polyline per group), with a clip that shows
// a tenth of the groups and with everything visible. cairo also rasterises
// what it replays; the display list only hands lines to the target.
#include "zefcorek/DisplayList.h"

#include "../tests/NullDispListTarget.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int kGroups = 10'000;
constexpr int kPerGroup = 100;
constexpr int kCell = 100;  // each group lies in its own cell
constexpr int kGrid = 100;  // cells per row
constexpr int kExtent = kCell * kGrid;

// Fixed-seed polylines, one per cell.
const std::vector<int32_t>& points() {
  static const std::vector<int32_t> data = [] {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> within(0, kCell - 1);
    std::vector<int32_t> out;
    out.reserve(2 * kGroups * kPerGroup);
    for (int g = 0; g < kGroups; ++g) {
      const int32_t ox = (g % kGrid) * kCell, oy = (g / kGrid) * kCell;
      for (int i = 0; i < kPerGroup; ++i) {
        out.push_back(ox + within(random));
        out.push_back(oy + within(random));
      }
    }
    return out;
  }();
  return data;
}

class CountingTarget : public graphics_test::NullDispListTarget {
public:
  ZRESULT DrawPoint(int32_t, int32_t) override { return ++drawn, 0; }
  ZRESULT DrawLine(int32_t, int32_t, int32_t, int32_t, const int32_t*) override { return ++drawn, 0; }
  int64_t drawn = 0;
};

// The clip's height in rows of cells: the whole extent or a tenth of it.
double clipHeight(const benchmark::State& state) { return state.range(0) == 10 ? kExtent / 10.0 : kExtent; }

void BM_DisplayListReplay(benchmark::State& state) {
  const std::vector<int32_t>& xy = points();
  auto* list = new IDisplayListImp(nullptr);
  TDispListOpInfo info{};
  info.cbSize = kDispListOpInfoSize;
  for (int g = 0; g < kGroups; ++g) {
    info.refs.values[0] = static_cast<uint32_t>(g);
    list->BeginGroup(&info, 0);
    list->PenUp();
    for (int i = 0; i < kPerGroup; ++i) {
      const size_t at = 2 * (static_cast<size_t>(g) * kPerGroup + i);
      list->MoveTo(xy[at], xy[at + 1]);
      list->PenDown();
    }
    list->EndGroup(&info);
  }
  auto* target = new CountingTarget();
  TDispListExecuteParms parms{};
  parms.cbSize = kDispListExecuteParmsSize;
  parms.clipX2 = kExtent;
  parms.clipY2 = clipHeight(state);
  parms.hatchScale = 1.0;
  parms.target = target;
  for (auto _ : state) benchmark::DoNotOptimize(list->Execute(&parms));
  state.counters["lines_per_replay"] = static_cast<double>(target->drawn) / state.iterations();
  state.SetItemsProcessed(state.iterations() * kGroups * kPerGroup);
  list->Release();
  target->Release();
}
BENCHMARK(BM_DisplayListReplay)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_CairoReplay(benchmark::State& state) {
  const std::vector<int32_t>& xy = points();
  cairo_surface_t* recording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
  cairo_t* cr = cairo_create(recording);
  for (int g = 0; g < kGroups; ++g) {
    const size_t first = 2 * static_cast<size_t>(g) * kPerGroup;
    cairo_move_to(cr, xy[first], xy[first + 1]);
    for (int i = 1; i < kPerGroup; ++i) cairo_line_to(cr, xy[first + 2 * i], xy[first + 2 * i + 1]);
    cairo_stroke(cr);
  }
  cairo_destroy(cr);
  // A 1:10 image of the extent, clipped like the display list.
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kExtent / 10, kExtent / 10);
  for (auto _ : state) {
    cairo_t* out = cairo_create(image);
    cairo_scale(out, 0.1, 0.1);
    cairo_rectangle(out, 0, 0, kExtent, clipHeight(state));
    cairo_clip(out);
    cairo_set_source_surface(out, recording, 0, 0);
    cairo_paint(out);
    cairo_destroy(out);
  }
  state.SetItemsProcessed(state.iterations() * kGroups * kPerGroup);
  cairo_surface_destroy(image);
  cairo_surface_destroy(recording);
}
BENCHMARK(BM_CairoReplay)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
