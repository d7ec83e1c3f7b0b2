// Anti-aliased lines and discs through our own coverage rasteriser beside
// cairo's default anti-aliasing on the same 1024 × 1024 32-bpp buffer. Our
// benchmarks also report, as information, how far our drawing of the figures
// lies from cairo's: the largest difference of one colour channel and the
// share of pixels that differ at all, both drawn once on cleared buffers
// outside the timing.
#include "BenchSurfaces.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kSide = 1024;

struct Stroke {
  int x0, y0, x1, y1;
  uint32_t color;
};

const std::vector<Stroke>& strokes(size_t count, int spread) {
  static std::vector<Stroke> lines;
  static std::vector<Stroke> discs;
  std::vector<Stroke>& list = spread > 100 ? lines : discs;
  if (!list.empty()) return list;
  std::mt19937 random(777);
  std::uniform_int_distribution<int> anywhere(0, kSide - 1);
  std::uniform_int_distribution<int> offset(-spread, spread);
  list.resize(count);
  for (Stroke& s : list) {
    s.x0 = anywhere(random);
    s.y0 = anywhere(random);
    s.x1 = std::clamp(s.x0 + offset(random), 0, kSide - 1);
    s.y1 = std::clamp(s.y0 + offset(random), 0, kSide - 1);
    s.color = random() & 0x00FFFFFF;
  }
  return list;
}

const std::vector<Stroke>& lines() { return strokes(10000, 400); }
const std::vector<Stroke>& discs() { return strokes(1000, 40); }

struct Canvas : benchsupport::CairoCanvas {
  Canvas() : CairoCanvas(kSide) {}
  // Black everywhere; cairo is told that its buffer changed behind it.
  void clear() const {
    std::memset(surface->GetBits(), 0, static_cast<size_t>(kSide) * kSide * 4);
    cairo_surface_mark_dirty(cairoSurface);
  }
};

void drawOurLines(const Canvas& canvas, int width) {
  for (const Stroke& s : lines()) canvas.surface->AALine(s.x0, s.y0, s.x1, s.y1, width, s.color);
}

void drawCairoLines(const Canvas& canvas) {
  for (const Stroke& s : lines()) {
    canvas.setColor(s.color);
    cairo_move_to(canvas.cairo, s.x0 + 0.5, s.y0 + 0.5);
    cairo_line_to(canvas.cairo, s.x1 + 0.5, s.y1 + 0.5);
    cairo_stroke(canvas.cairo);
  }
}

void drawOurDiscs(const Canvas& canvas) {
  for (const Stroke& s : discs()) canvas.surface->AAFilledCircle(s.x0, s.y0, std::abs(s.x1 - s.x0) + 2, s.color);
}

void drawCairoDiscs(const Canvas& canvas) {
  for (const Stroke& s : discs()) {
    canvas.setColor(s.color);
    cairo_arc(canvas.cairo, s.x0 + 0.5, s.y0 + 0.5, std::abs(s.x1 - s.x0) + 2.5, 0, 6.283185307);
    cairo_fill(canvas.cairo);
  }
}

// Draws the figures once each way on cleared buffers and reports the
// largest channel difference (blue, green, red; the fourth byte is not a
// colour in cairo's format) and the percentage of pixels that differ.
template <typename DrawOurs, typename DrawCairo>
void reportDifference(benchmark::State& state, DrawOurs drawOurs, DrawCairo drawCairo) {
  const Canvas ours;
  const Canvas theirs;
  ours.clear();
  theirs.clear();
  drawOurs(ours);
  drawCairo(theirs);
  cairo_surface_flush(theirs.cairoSurface);
  const auto* a = static_cast<const uint8_t*>(ours.surface->GetBits());
  const auto* b = static_cast<const uint8_t*>(theirs.surface->GetBits());
  int largest = 0;
  int64_t differing = 0;
  for (size_t pixel = 0; pixel < static_cast<size_t>(kSide) * kSide; ++pixel) {
    int here = 0;
    for (size_t channel = 0; channel < 3; ++channel) {
      here = std::max(here, std::abs(a[pixel * 4 + channel] - b[pixel * 4 + channel]));
    }
    largest = std::max(largest, here);
    differing += here != 0;
  }
  state.counters["max_pixel_diff"] = largest;
  state.counters["differing_pct"] = 100.0 * static_cast<double>(differing) / (static_cast<double>(kSide) * kSide);
}

void BM_SurfaceSmoothLines(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  reportDifference(
      state, [&](const Canvas& canvas) { drawOurLines(canvas, width); },
      [&](const Canvas& canvas) {
        cairo_set_line_width(canvas.cairo, width);
        drawCairoLines(canvas);
      });
  Canvas canvas;
  for (auto _ : state) drawOurLines(canvas, width);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines().size()));
}
BENCHMARK(BM_SurfaceSmoothLines)->Arg(1)->Arg(3);

void BM_CairoSmoothLines(benchmark::State& state) {
  Canvas canvas;
  cairo_set_line_width(canvas.cairo, static_cast<double>(state.range(0)));
  for (auto _ : state) drawCairoLines(canvas);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines().size()));
}
BENCHMARK(BM_CairoSmoothLines)->Arg(1)->Arg(3);

void BM_SurfaceSmoothDiscs(benchmark::State& state) {
  reportDifference(state, drawOurDiscs, drawCairoDiscs);
  Canvas canvas;
  for (auto _ : state) drawOurDiscs(canvas);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(discs().size()));
}
BENCHMARK(BM_SurfaceSmoothDiscs);

void BM_CairoSmoothDiscs(benchmark::State& state) {
  Canvas canvas;
  for (auto _ : state) drawCairoDiscs(canvas);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(discs().size()));
}
BENCHMARK(BM_CairoSmoothDiscs);

}  // namespace
