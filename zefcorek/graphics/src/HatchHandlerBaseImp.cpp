// IHatchHandlerBaseImp: the registry link and the boundary scan shared by
// every hatch handler (edge set, rotation, scan-line crossings).
#include "zefcorek/HatchHandlerImp.h"

#include "zefcorek/HatchRegistry.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <cmath>

namespace {

IRecList* makeEdgeList() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) != S_OK || made == nullptr) return nullptr;
  auto* list = static_cast<IRecList*>(made);
  if (list->SetOption(0, sizeof(HatchEdge)) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

// Calls `visit` with every edge record of the list, in order.
template <typename Visit>
void forEachEdge(IRecList* edges, Visit visit) {
  IRecList::Node* node = nullptr;
  for (edges->GetHead(&node); node != nullptr; edges->GetNextNode(node, &node)) {
    void* record = nullptr;
    edges->GetNodeRecordPtr(node, &record);
    visit(*static_cast<HatchEdge*>(record));
  }
}

double circleRadius(const HatchEdge& edge) { return std::hypot(edge.x2 - edge.x1, edge.y2 - edge.y1); }

// A growing box that starts at its first point.
struct Box {
  bool empty = true;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  void add(double x, double y) {
    if (empty) {
      minX = maxX = x;
      minY = maxY = y;
      empty = false;
      return;
    }
    minX = std::fmin(minX, x);
    minY = std::fmin(minY, y);
    maxX = std::fmax(maxX, x);
    maxY = std::fmax(maxY, y);
  }
  void addCircle(double cx, double cy, double r) {
    add(cx - r, cy - r);
    add(cx + r, cy + r);
  }
  void storeIn(HatchEdgeSet* set) const {
    set->minX = minX;
    set->minY = minY;
    set->maxX = maxX;
    set->maxY = maxY;
  }
};

// Reads boundary vertices from the job's array or through its callback.
class VertexSource {
public:
  explicit VertexSource(const HatchJob* job) : job_(job) {}
  ZRESULT get(uint32_t index, HatchVertex* out) const {
    if (job_->vertices != nullptr) {
      *out = job_->vertices[index];
      return ZR_OK;
    }
    return job_->vertexFunc(index, out, job_->vertexContext);
  }

private:
  const HatchJob* job_;
};

}  // namespace

IHatchHandlerBaseImp::IHatchHandlerBaseImp() = default;

IHatchHandlerBaseImp::~IHatchHandlerBaseImp() { SetRegistry(nullptr); }

HRESULT IHatchHandlerBaseImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IHatchHandlerBaseImp::GetRegistry(IHatchRegistry** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = registry_;
  if (registry_ != nullptr) registry_->AddRef();
  return ZR_OK;
}

ZRESULT IHatchHandlerBaseImp::SetRegistry(IHatchRegistry* registry) {
  if (registry != nullptr) registry->AddRef();
  if (registry_ != nullptr) registry_->Release();
  registry_ = registry;
  return ZR_OK;
}

// Each ring closes on itself: the successor of a ring's last vertex is the
// ring's first. A kind-1 vertex is a circle's centre, its successor a point
// on it; a kind-2 vertex starts three vertices that make no edge.
ZRESULT IHatchHandlerBaseImp::BuildEdgeSet(const HatchJob* job, HatchEdgeSet* set) {
  set->edges = makeEdgeList();
  if (set->edges == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = ZR_OK;
  if (job->vertices == nullptr && job->vertexFunc == nullptr) result = ZR_BADARG;
  const VertexSource source(job);
  Box box;
  uint32_t ringFirst = 0;
  bool inRing = false;
  uint32_t ring = 0;
  for (uint32_t i = 0; i < job->vertexCount && result == ZR_OK;) {
    HatchVertex vertex{};
    if ((result = source.get(i, &vertex)) != ZR_OK) break;
    if (!inRing || vertex.ring != ring) {
      inRing = true;
      ring = vertex.ring;
      ringFirst = i;
    }
    if (vertex.kind == kHatchVertexSkip3) {
      i += 3;
      continue;
    }
    HatchVertex next{};
    const bool sameRing = i + 1 < job->vertexCount && (result = source.get(i + 1, &next)) == ZR_OK && next.ring == ring;
    if (result != ZR_OK) break;
    if (!sameRing && (result = source.get(ringFirst, &next)) != ZR_OK) break;
    const bool circle = vertex.kind == kHatchVertexCircle;
    const HatchEdge edge{vertex.ring,  circle ? kHatchEdgeCircle : kHatchEdgeSegment,
                         vertex.flags, vertex.x,
                         vertex.y,     next.x,
                         next.y,       vertex.x,
                         vertex.y,     next.x,
                         next.y};
    if ((result = set->edges->AddTail(&edge, nullptr)) != ZR_OK) break;
    if (circle) {
      box.addCircle(edge.x1, edge.y1, circleRadius(edge));
    } else {
      box.add(edge.x1, edge.y1);
      box.add(edge.x2, edge.y2);
    }
    i += circle ? 2 : 1;
  }
  if (result != ZR_OK) {
    set->edges->Release();
    set->edges = nullptr;
    return result;
  }
  box.storeIn(set);
  return ZR_OK;
}

// A segment adds its rotated first point only: its second is the next
// edge's first in a closed ring.
ZRESULT IHatchHandlerBaseImp::UpdateEdgeSetBounds(HatchEdgeSet* set) {
  Box box;
  forEachEdge(set->edges, [&](const HatchEdge& edge) {
    if (edge.kind == kHatchEdgeCircle)
      box.addCircle(edge.rx1, edge.ry1, circleRadius(edge));
    else
      box.add(edge.rx1, edge.ry1);
  });
  box.storeIn(set);
  return ZR_OK;
}

ZRESULT IHatchHandlerBaseImp::RotateEdgeSet(HatchEdgeSet* set, double angle, const double* centre) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double cx = centre[0];
  const double cy = centre[1];
  auto rotate = [&](double px, double py, double& outX, double& outY) {
    outX = (px - cx) * c - (py - cy) * s + cx;
    outY = (py - cy) * c + (px - cx) * s + cy;
  };
  forEachEdge(set->edges, [&](HatchEdge& edge) {
    rotate(edge.x1, edge.y1, edge.rx1, edge.ry1);
    rotate(edge.x2, edge.y2, edge.rx2, edge.ry2);
  });
  return UpdateEdgeSetBounds(set);
}

int32_t IHatchHandlerBaseImp::CompareCrossings(const void* a, const void* b, void*) {
  const double ya = static_cast<const HatchCrossing*>(a)->y;
  const double yb = static_cast<const HatchCrossing*>(b)->y;
  if (ya < yb) return -1;
  return ya > yb ? 1 : 0;
}

ZRESULT IHatchHandlerBaseImp::IntersectScanLine(HatchEdgeSet* set, double x, IRecList* crossings) {
  crossings->Clear(/*release=*/false);
  if (x < set->minX || x > set->maxX) return ZR_OK;
  ZRESULT result = ZR_OK;
  auto add = [&](const HatchEdge& edge, double y, int32_t direction) {
    const HatchCrossing crossing{0, edge.ring, edge.flags, 0, y, y, y, direction, &edge};
    if (result == ZR_OK) result = crossings->AddTail(&crossing, nullptr);
  };
  forEachEdge(set->edges, [&](const HatchEdge& edge) {
    if (edge.kind == kHatchEdgeCircle) {
      const double r = circleRadius(edge);
      const double d = x - edge.rx1;
      if (!(std::fabs(d) < r)) return;
      const double h = d == 0 ? r : std::sqrt(std::fabs(r * r - d * d));
      const int32_t direction = d > 0 ? 1 : (d < 0 ? -1 : 0);
      add(edge, edge.ry1 - h, direction);
      add(edge, edge.ry1 + h, direction);
      return;
    }
    const double ax = edge.rx1, ay = edge.ry1, bx = edge.rx2, by = edge.ry2;
    const bool crosses = (ax <= x && x < bx) || (bx <= x && x < ax);
    if (!crosses) return;
    add(edge, ay + (x - ax) * (by - ay) / (bx - ax), bx > ax ? 1 : -1);
  });
  if (result != ZR_OK) return result;
  return crossings->Sort(&CompareCrossings, nullptr);
}
