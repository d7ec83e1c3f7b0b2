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
  Pictrel::walkLine(walk, [&](int x, int y) { DepthOps<Bpp>::set(state.rows[static_cast<size_t>(y)], x, pixel); });
}

template <int Bpp>
void drawDashedLine(SurfaceState& state, const LineWalk& walk, uint32_t pixelA, uint32_t pixelB) {
  Pictrel::walkLine(walk, [&](int x, int y) {
    const bool isA = Pictrel::isDashA(walk.yMajor ? y : x);
    DepthOps<Bpp>::set(state.rows[static_cast<size_t>(y)], x, isA ? pixelA : pixelB);
  });
}

// Coverage blends: colour c over pixel d with coverage α (0-255).
uint32_t mix(uint32_t c, uint32_t d, uint32_t alpha) { return c * alpha + d * (255 - alpha); }

// Blue, green and red bytes at `p`.
void mixBytes(BYTE* p, COLORREF color, uint8_t alpha) {
  p[0] = static_cast<BYTE>(mix(GetBValue(color), p[0], alpha) >> 8);
  p[1] = static_cast<BYTE>(mix(GetGValue(color), p[1], alpha) >> 8);
  p[2] = static_cast<BYTE>(mix(GetRValue(color), p[2], alpha) >> 8);
}

void blend24(SurfaceState& state, int x, int y, COLORREF color, uint8_t alpha) {
  mixBytes(state.rows[static_cast<size_t>(y)] + 3 * x, color, alpha);
}

// 32 bpp with blue, green, red in the low bytes: the alpha byte becomes α.
void blend32(SurfaceState& state, int x, int y, COLORREF color, uint8_t alpha) {
  BYTE* p = state.rows[static_cast<size_t>(y)] + 4 * x;
  mixBytes(p, color, alpha);
  p[3] = alpha;
}

// 32 bpp with other masks: each channel at its shift; the alpha byte 0xFF.
void blend32Masked(SurfaceState& state, int x, int y, COLORREF color, uint8_t alpha) {
  BYTE* row = state.rows[static_cast<size_t>(y)];
  const uint32_t pixel = platform::readPixel(row, x, 32);
  const uint8_t shifts[3] = {state.redShift, state.greenShift, state.blueShift};
  const uint32_t channels[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
  uint32_t result = 0xFF000000u;
  for (int i = 0; i < 3; ++i) {
    const uint32_t d = (pixel >> shifts[i]) & 0xFF;
    result |= ((mix(channels[i], d, alpha) / 256) & 0xFF) << shifts[i];
  }
  platform::writePixel(row, x, 32, result);
}

// 16 bpp: five-bit channels widened by << 3 (six-bit green by << 2) before
// the mix and narrowed after it.
template <bool SixGreenBits>
void blend16(SurfaceState& state, int x, int y, COLORREF color, uint8_t alpha) {
  BYTE* row = state.rows[static_cast<size_t>(y)];
  const uint32_t pixel = platform::readPixel(row, x, 16);
  auto five = [&](uint32_t c, uint8_t shift) {
    const uint32_t d = (pixel >> shift) & 0x1F;
    return ((mix(c, d << 3, alpha) >> 11) & 0x1F) << shift;
  };
  uint32_t green = 0;
  if constexpr (SixGreenBits) {
    const uint32_t d = (pixel >> state.greenShift) & 0x3F;
    green = ((mix(GetGValue(color), d << 2, alpha) >> 10) & 0x3F) << state.greenShift;
  } else {
    green = five(GetGValue(color), state.greenShift);
  }
  platform::writePixel(row, x, 16,
                       five(GetRValue(color), state.redShift) | green | five(GetBValue(color), state.blueShift));
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
  const DWORD* masks = state_.dib.dsBitfields;
  switch (state_.bitsPerPixel()) {
    case 16: state_.coverageBlendRoutine = state_.greenHasSixBits ? &blend16<true> : &blend16<false>; break;
    case 24: state_.coverageBlendRoutine = &blend24; break;
    case 32:
      state_.coverageBlendRoutine =
          masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF ? &blend32 : &blend32Masked;
      break;
    default: break;  // the smooth figures refuse palette depths
  }
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

void Pictrel::dashedSpan(SurfaceState& state, int x0, int x1, int y, uint32_t pixelA, uint32_t pixelB) {
  withDepth(state.bitsPerPixel(), [&](auto depth) {
    BYTE* row = state.rows[static_cast<size_t>(y)];
    for (int x = x0; x <= x1; ++x) DepthOps<decltype(depth)::value>::set(row, x, isDashA(x1 - x) ? pixelA : pixelB);
  });
}

void Pictrel::verticalSpan(SurfaceState& state, VerticalKind kind, int x, int y0, int y1, uint32_t pixel) {
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

void Pictrel::dashedVerticalSpan(SurfaceState& state, int x, int y0, int y1, uint32_t pixelA, uint32_t pixelB) {
  withDepth(state.bitsPerPixel(), [&](auto depth) {
    for (int y = y0; y <= y1; ++y)
      DepthOps<decltype(depth)::value>::set(state.rows[static_cast<size_t>(y)], x, isDashA(y1 - y) ? pixelA : pixelB);
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
