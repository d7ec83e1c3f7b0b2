// The per-depth drawing routines of a surface: spans, Bresenham lines and
// two-colour dashes, one template over the depth. The plain span, line and
// dashed line are installed with each new pixel source and cleared by
// Destroy; the XOR forms, the dashed span and the vertical spans switch on
// the depth at each call.
#include "SurfaceDrawing.h"

namespace {

using Pictrel::DepthOps;
using Pictrel::LineWalk;
using Pictrel::SurfaceState;

template <int Bpp>
void fillSpan(SurfaceState& state, int x0, int x1, int y, uint32_t pixel) {
  DepthOps<Bpp>::fill(state.rows[static_cast<size_t>(y)], x0, x1, pixel);
}

template <int Bpp>
void drawLine(SurfaceState& state, const LineWalk& walk, uint32_t pixel) {
  Pictrel::walkLine(walk, [&](int x, int y) {
    DepthOps<Bpp>::set(state.rows[static_cast<size_t>(y)], x, pixel);
  });
}

template <int Bpp>
void drawDashedLine(SurfaceState& state, const LineWalk& walk, uint32_t pixelA, uint32_t pixelB) {
  Pictrel::walkLine(walk, [&](int x, int y) {
    const bool isA = Pictrel::isDashA(walk.yMajor ? y : x);
    DepthOps<Bpp>::set(state.rows[static_cast<size_t>(y)], x, isA ? pixelA : pixelB);
  });
}

}  // namespace

void Pictrel::IDrawableDSImp::installRoutines() {
  clearRoutines();
  withDepth(state_.bitsPerPixel(), [this](auto depth) {
    constexpr int kBpp = decltype(depth)::value;
    state_.spanRoutine = &fillSpan<kBpp>;
    state_.lineRoutine = &drawLine<kBpp>;
    state_.dashedLineRoutine = &drawDashedLine<kBpp>;
  });
}

void Pictrel::IDrawableDSImp::clearRoutines() {
  state_.spanRoutine = nullptr;
  state_.lineRoutine = nullptr;
  state_.dashedLineRoutine = nullptr;
  state_.coverageBlendRoutine = nullptr;
}

void Pictrel::xorSpan(SurfaceState& state, int x0, int x1, int y, uint32_t pixel) {
  if (pixel == 0) return;
  withDepth(state.bitsPerPixel(), [&](auto depth) {
    BYTE* row = state.rows[static_cast<size_t>(y)];
    for (int x = x0; x <= x1; ++x) DepthOps<decltype(depth)::value>::flip(row, x, pixel);
  });
}

void Pictrel::dashedSpan(SurfaceState& state, int x0, int x1, int y, uint32_t pixelA,
                         uint32_t pixelB) {
  withDepth(state.bitsPerPixel(), [&](auto depth) {
    BYTE* row = state.rows[static_cast<size_t>(y)];
    for (int x = x0; x <= x1; ++x)
      DepthOps<decltype(depth)::value>::set(row, x, isDashA(x1 - x) ? pixelA : pixelB);
  });
}

void Pictrel::verticalSpan(SurfaceState& state, VerticalKind kind, int x, int y0, int y1,
                           uint32_t pixel) {
  if (kind == VerticalKind::Xor && pixel == 0) return;
  withDepth(state.bitsPerPixel(), [&](auto depth) {
    using Ops = DepthOps<decltype(depth)::value>;
    for (int y = y0; y <= y1; ++y) {
      BYTE* row = state.rows[static_cast<size_t>(y)];
      if (kind == VerticalKind::Xor) {
        Ops::flip(row, x, pixel);
      } else {
        Ops::set(row, x, pixel);
      }
    }
  });
}

void Pictrel::dashedVerticalSpan(SurfaceState& state, int x, int y0, int y1, uint32_t pixelA,
                                 uint32_t pixelB) {
  withDepth(state.bitsPerPixel(), [&](auto depth) {
    for (int y = y0; y <= y1; ++y)
      DepthOps<decltype(depth)::value>::set(state.rows[static_cast<size_t>(y)], x,
                                            isDashA(y1 - y) ? pixelA : pixelB);
  });
}

void Pictrel::xorLine(SurfaceState& state, const LineWalk& walk, uint32_t pixel) {
  if (pixel == 0) return;
  withDepth(state.bitsPerPixel(), [&](auto depth) {
    walkLine(walk, [&](int x, int y) {
      DepthOps<decltype(depth)::value>::flip(state.rows[static_cast<size_t>(y)], x, pixel);
    });
  });
}
