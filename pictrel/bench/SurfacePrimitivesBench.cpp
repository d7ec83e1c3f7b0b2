// The aliased figures on one 1024 × 1024 32-bpp surface beside pixman's
// fills and cairo without anti-aliasing on the same pixel buffer. Inputs
// come from a fixed seed; every iteration draws the whole set, and the
// items processed are figures, so the reported rate is per figure.
#include "BenchSurfaces.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pixman.h>

#include <random>
#include <vector>

namespace {

constexpr int kSide = 1024;

struct Figure {
  int x0, y0, x1, y1, x2, y2;
  uint32_t color;
};

std::vector<Figure> figures(size_t count, int spread) {
  std::mt19937 random(4242);
  std::uniform_int_distribution<int> anywhere(0, kSide - 1);
  std::uniform_int_distribution<int> offset(-spread, spread);
  std::vector<Figure> list(count);
  for (Figure& f : list) {
    f.x0 = anywhere(random);
    f.y0 = anywhere(random);
    f.x1 = std::clamp(f.x0 + offset(random), 0, kSide - 1);
    f.y1 = std::clamp(f.y0 + offset(random), 0, kSide - 1);
    f.x2 = std::clamp(f.x0 + offset(random), 0, kSide - 1);
    f.y2 = std::clamp(f.y0 + offset(random), 0, kSide - 1);
    f.color = random() & 0x00FFFFFF;
  }
  return list;
}

// Cairo draws here without anti-aliasing, as the surface does.
struct Canvas : benchsupport::CairoCanvas {
  Canvas() : CairoCanvas(kSide) {
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cairo, 1.0);
  }
  uint32_t* bits() const { return reinterpret_cast<uint32_t*>(surface->GetBits()); }
};

void report(benchmark::State& state, size_t count) {
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
}

const std::vector<Figure>& lines() {
  static const std::vector<Figure> list = figures(100000, kSide);
  return list;
}
const std::vector<Figure>& rectangles() {
  static const std::vector<Figure> list = figures(10000, 64);
  return list;
}
const std::vector<Figure>& circles() {
  static const std::vector<Figure> list = figures(10000, 32);
  return list;
}
const std::vector<Figure>& triangles() {
  static const std::vector<Figure> list = figures(1000, 128);
  return list;
}

// Draws the whole list on one canvas each iteration.
template <class Draw>
void drawEach(benchmark::State& state, const std::vector<Figure>& list, Draw&& draw) {
  Canvas canvas;
  for (auto _ : state)
    for (const Figure& f : list) draw(canvas, f);
  report(state, list.size());
}

void BM_SurfaceLines(benchmark::State& state) {
  drawEach(state, lines(),
           [](const Canvas& canvas, const Figure& f) { canvas.surface->Line(f.x0, f.y0, f.x1, f.y1, f.color); });
}
BENCHMARK(BM_SurfaceLines);

void BM_CairoLines(benchmark::State& state) {
  drawEach(state, lines(), [](const Canvas& canvas, const Figure& f) {
    canvas.setColor(f.color);
    cairo_move_to(canvas.cairo, f.x0 + 0.5, f.y0 + 0.5);
    cairo_line_to(canvas.cairo, f.x1 + 0.5, f.y1 + 0.5);
    cairo_stroke(canvas.cairo);
  });
}
BENCHMARK(BM_CairoLines);

void BM_SurfaceFilledRectangles(benchmark::State& state) {
  drawEach(state, rectangles(),
           [](const Canvas& canvas, const Figure& f) { canvas.surface->FillRect(f.x0, f.y0, f.x1, f.y1, f.color); });
}
BENCHMARK(BM_SurfaceFilledRectangles);

void BM_PixmanFilledRectangles(benchmark::State& state) {
  drawEach(state, rectangles(), [](const Canvas& canvas, const Figure& f) {
    const int left = std::min(f.x0, f.x1);
    const int top = std::min(f.y0, f.y1);
    pixman_fill(canvas.bits(), kSide, 32, left, top, std::abs(f.x1 - f.x0) + 1, std::abs(f.y1 - f.y0) + 1, f.color);
  });
}
BENCHMARK(BM_PixmanFilledRectangles);

void BM_CairoFilledRectangles(benchmark::State& state) {
  drawEach(state, rectangles(), [](const Canvas& canvas, const Figure& f) {
    canvas.setColor(f.color);
    cairo_rectangle(canvas.cairo, std::min(f.x0, f.x1), std::min(f.y0, f.y1), std::abs(f.x1 - f.x0) + 1,
                    std::abs(f.y1 - f.y0) + 1);
    cairo_fill(canvas.cairo);
  });
}
BENCHMARK(BM_CairoFilledRectangles);

void BM_SurfaceFilledCircles(benchmark::State& state) {
  drawEach(state, circles(), [](const Canvas& canvas, const Figure& f) {
    canvas.surface->FilledCircle(f.x0, f.y0, std::abs(f.x1 - f.x0), f.color);
  });
}
BENCHMARK(BM_SurfaceFilledCircles);

void BM_CairoFilledCircles(benchmark::State& state) {
  drawEach(state, circles(), [](const Canvas& canvas, const Figure& f) {
    canvas.setColor(f.color);
    cairo_arc(canvas.cairo, f.x0 + 0.5, f.y0 + 0.5, std::abs(f.x1 - f.x0) + 0.5, 0, 6.283185307);
    cairo_fill(canvas.cairo);
  });
}
BENCHMARK(BM_CairoFilledCircles);

void BM_SurfaceFilledTriangles(benchmark::State& state) {
  drawEach(state, triangles(), [](const Canvas& canvas, const Figure& f) {
    const tagT_IPOINT2D corners[] = {{f.x0, f.y0}, {f.x1, f.y1}, {f.x2, f.y2}};
    canvas.surface->FillTriangle(corners, f.color);
  });
}
BENCHMARK(BM_SurfaceFilledTriangles);

void BM_CairoFilledTriangles(benchmark::State& state) {
  drawEach(state, triangles(), [](const Canvas& canvas, const Figure& f) {
    canvas.setColor(f.color);
    cairo_move_to(canvas.cairo, f.x0, f.y0);
    cairo_line_to(canvas.cairo, f.x1, f.y1);
    cairo_line_to(canvas.cairo, f.x2, f.y2);
    cairo_close_path(canvas.cairo);
    cairo_fill(canvas.cairo);
  });
}
BENCHMARK(BM_CairoFilledTriangles);

void BM_SurfaceClear(benchmark::State& state) {
  Canvas canvas;
  for (auto _ : state) canvas.surface->Clear(0x00336699);
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 4);
}
BENCHMARK(BM_SurfaceClear);

void BM_PixmanClear(benchmark::State& state) {
  Canvas canvas;
  for (auto _ : state) pixman_fill(canvas.bits(), kSide, 32, 0, 0, kSide, kSide, 0x00996633);
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 4);
}
BENCHMARK(BM_PixmanClear);

}  // namespace
