// Row operations: exchanging, mirroring and flipping rows, and turning the
// row order of the pixel memory.
#include "SurfaceDrawing.h"
#include "SurfaceTables.h"

#include <algorithm>
#include <utility>

namespace {

using Pictrel::SurfaceState;

size_t rowBytesOf(const SurfaceState& state) {
  return static_cast<size_t>(state.stride < 0 ? -state.stride : state.stride);
}

uint8_t swapNibbles(uint8_t byte) { return static_cast<uint8_t>((byte << 4) | (byte >> 4)); }

// Mirrors one row: whole bytes where the depth and width allow, else by
// pixel pairs.
void mirrorRow(SurfaceState& state, BYTE* row) {
  const int width = state.width();
  const int bpp = state.bitsPerPixel();
  if (bpp == 1 && width % 8 == 0) {
    std::reverse(row, row + width / 8);
    for (int i = 0; i < width / 8; ++i) row[i] = Pictrel::BitReverseTable[row[i]];
    return;
  }
  if (bpp == 4 && width % 2 == 0) {
    std::reverse(row, row + width / 2);
    for (int i = 0; i < width / 2; ++i) row[i] = swapNibbles(row[i]);
    return;
  }
  for (int left = 0, right = width - 1; left < right; ++left, --right) {
    const uint32_t a = platform::readPixel(row, left, bpp);
    platform::writePixel(row, left, bpp, platform::readPixel(row, right, bpp));
    platform::writePixel(row, right, bpp, a);
  }
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::SwapRows(int rowA, int rowB) {
  if (!state_.hasPixels()) return E_FAIL;
  if (rowA < 0 || rowB < 0 || rowA >= state_.height || rowB >= state_.height) return E_INVALIDARG;
  if (rowA == rowB) return S_OK;
  std::swap_ranges(state_.rows[static_cast<size_t>(rowA)], state_.rows[static_cast<size_t>(rowA)] + rowBytesOf(state_),
                   state_.rows[static_cast<size_t>(rowB)]);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::MirrorRow(int row) {
  if (!state_.hasPixels()) return E_FAIL;
  if (row < 0 || row >= state_.height) return E_INVALIDARG;
  mirrorRow(state_, state_.rows[static_cast<size_t>(row)]);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::FlipVertical() {
  if (!state_.hasPixels()) return E_FAIL;
  for (int i = 0; i < state_.height / 2; ++i) SwapRows(i, state_.height - 1 - i);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::MirrorHorizontal() {
  if (!state_.hasPixels()) return E_FAIL;
  for (BYTE* row : state_.rows) mirrorRow(state_, row);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::turnRowOrder(bool topDown) {
  if (!state_.hasPixels()) return E_FAIL;
  if (state_.topDown == topDown) return S_OK;
  // The memory is flipped and the row table turned with it, so picture rows
  // keep their pixels. The bitmap header and the DIB section keep their
  // order: GDI output of the surface shows the picture upside down after.
  FlipVertical();
  state_.topDown = topDown;
  state_.stride = -state_.stride;
  const auto rowBytes = static_cast<ptrdiff_t>(rowBytesOf(state_));
  for (int i = 0; i < state_.height; ++i) {
    const int stored = topDown ? i : state_.height - 1 - i;
    state_.rows[static_cast<size_t>(i)] = state_.bits + stored * rowBytes;
  }
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::MakeTopDown() { return turnRowOrder(true); }

HRESULT Pictrel::IDrawableDSImp::MakeBottomUp() { return turnRowOrder(false); }
