// SmoothPoly: corner cutting in the manner of Chaikin (G. Chaikin, "An
// algorithm for high-speed curve generation", Computer Graphics and Image
// Processing 3, 1974), with a strength factor and an optional vertex split
// in the first round.
//
// Layout of the output: every inner input vertex owns a block of P = 2^L
// positions (an open line keeps its two ends fixed, outside the blocks).
// Round by round the stride halves: each round rewrites the block starts
// and fills the positions half a stride after them.
#include "zefcorek/SmoothPoly.h"

#include "zefcorek/V3DList.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

struct XY {
  double x, y;
};

XY xyOf(const T_V3DVERTEX* v) { return {v->x, v->y}; }

void setXY(T_V3DLIST* list, size_t index, XY p) {
  T_V3DVERTEX* v = list->GetVertex(static_cast<unsigned>(index));
  T_VECTOR3D position(p.x, p.y, v->z);
  list->SetVertex(static_cast<unsigned>(index), &position);
}

}  // namespace

uint32_t SmoothPoly(const T_SMOOTHPARAMS* params, const T_V3DLIST* input, T_V3DLIST** result) {
  if (result == nullptr) return 0;
  *result = nullptr;
  if (params == nullptr || input == nullptr || params->method == 0 || params->level == 0) return 0;
  const uint64_t n = input->GetCount();
  if (n < 3) return 0;
  const uint32_t level = std::min(params->level, kSmoothMaxLevel);
  const bool closed = input->IsClosed() != 0;
  const uint64_t P = uint64_t{1} << level;
  const uint64_t total = closed ? n * P : n * P - 2 * (P - 1);
  if (total > 0xFFFFFFFFu) return 0;
  const double f = params->factor * 0.01;

  auto* out = new (std::nothrow) T_V3DLIST();
  if (out == nullptr) return 0;
  for (uint64_t i = 0; i < total; ++i) {
    if (out->Add(0.0, 0.0, 0.0) == T_V3DLIST::kNoIndex) {
      delete out;
      return 0;
    }
  }
  // The fixed ends of an open line.
  const size_t off = closed ? 0 : 1;
  if (!closed) {
    out->SetVertex(0, input->GetVertex(0));
    out->SetVertex(static_cast<unsigned>(total - 1), input->GetVertex(static_cast<unsigned>(n - 1)));
  }
  // The blocks: the input vertex at each block start, with its id, copied
  // without ids to the rest of its block.
  size_t m = static_cast<size_t>(n) - 2 * off;
  for (size_t i = 0; i < m; ++i) {
    const T_V3DVERTEX* source = input->GetVertex(static_cast<unsigned>(off + i));
    const size_t start = i * P + off;
    for (size_t at = start; at < std::min<size_t>(start + P, total); ++at)
      out->SetVertex(static_cast<unsigned>(at), source);
    out->ChangeID(static_cast<unsigned>(start), source->ID);
  }

  // The rounds.
  uint8_t method = params->method;
  size_t stride = P;
  const XY first = xyOf(out->GetVertex(0));
  const XY last = xyOf(out->GetVertex(static_cast<unsigned>(total - 1)));
  for (uint32_t round = 0; round < level; ++round) {
    const size_t half = stride / 2;
    const XY firstBlock = xyOf(out->GetVertex(static_cast<unsigned>(off)));
    XY previous = closed ? xyOf(out->GetVertex(static_cast<unsigned>((m - 1) * stride + off))) : first;
    for (size_t j = 0; j < m; ++j) {
      const size_t idx = j * stride + off;
      const XY cur = xyOf(out->GetVertex(static_cast<unsigned>(idx)));
      XY next;
      if (j + 1 < m)
        next = xyOf(out->GetVertex(static_cast<unsigned>(((j + 1) % m) * stride + off)));
      else
        next = closed ? firstBlock : last;
      XY at, after;
      if (method == 2) {
        const double dx = ((next.x - cur.x) * f - (previous.x - cur.x) * f) * 0.5;
        const double dy = ((next.y - cur.y) * f - (previous.y - cur.y) * f) * 0.5;
        at = {cur.x - dx, cur.y - dy};
        after = {cur.x + dx, cur.y + dy};
      } else {
        at = {cur.x + (previous.x - cur.x) * f, cur.y + (previous.y - cur.y) * f};
        after = {cur.x + (next.x - cur.x) * f, cur.y + (next.y - cur.y) * f};
      }
      setXY(out, idx, at);
      setXY(out, idx + half, after);
      previous = cur;
    }
    if (method == 2) method = 1;
    stride = half;
    m *= 2;
  }
  *result = out;
  return static_cast<uint32_t>(total);
}
