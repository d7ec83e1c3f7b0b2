// Contour lines: cutting triangles by levels and chaining the pieces.
#include "zefcorek/IsoLiner.h"

#include "RecordLists.h"

#include "zefcorek/RecList.h"

#include <cmath>
#include <utility>

namespace {

// Ends whose squared distance is below this join.
constexpr double kNear2 = 0.0001;
constexpr unsigned kSpareNodes = 512;

IRecList* makeSegmentList() {
  IRecList* list = zefcorek::makeRecordList(sizeof(IsoLineSegment));
  if (list == nullptr) return nullptr;
  if (list->SetOption(1, 1) != ZR_OK || list->SetOption(2, kSpareNodes) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

bool near(const T_POINT2D& a, const T_POINT2D& b) {
  const double dx = a.x - b.x, dy = a.y - b.y;
  return dx * dx + dy * dy < kNear2;
}

// The point at height level on the edge from a to b. An edge whose ends
// share their height (the level runs along it) ends at b, the middle vertex.
T_POINT2D onEdge(const tagT_POINT3D& a, const tagT_POINT3D& b, double level) {
  if (b.z == a.z) return {b.x, b.y};
  const double t = (level - a.z) / (b.z - a.z);
  return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
}

int compareLevels(const void* a, const void* b, void*) {
  const double za = static_cast<const IsoLineSegment*>(a)->z;
  const double zb = static_cast<const IsoLineSegment*>(b)->z;
  return za < zb ? -1 : (za > zb ? 1 : 0);
}

}  // namespace

T_ISOLINER::T_ISOLINER()
    : RefZ(0.0), DeltaZ(10.0), segments_(makeSegmentList()), line_(makeSegmentList()), closed_(false) {
  // Half a tracer is no tracer: without both lists it stays inert.
  if (segments_ == nullptr || line_ == nullptr) {
    if (segments_ != nullptr) segments_->Release();
    if (line_ != nullptr) line_->Release();
    segments_ = line_ = nullptr;
  }
}

T_ISOLINER::~T_ISOLINER() {
  if (segments_ != nullptr) segments_->Release();
  if (line_ != nullptr) line_->Release();
}

void T_ISOLINER::BeginProcess() {
  if (segments_ == nullptr) return;
  segments_->Clear(false);
  line_->Clear(false);
  closed_ = false;
}

bool T_ISOLINER::ProcessTrg(const tagT_POINT3D* p) {
  if (segments_ == nullptr || !std::isfinite(DeltaZ) || !(DeltaZ > 0)) return false;
  int lo = 0, hi = 0;
  for (int k = 1; k < 3; ++k) {
    if (p[k].z < p[lo].z)
      lo = k;
    else if (p[k].z > p[hi].z)
      hi = k;
  }
  if (!(p[lo].z < p[hi].z)) return false;
  const int mid = 3 - lo - hi;
  const tagT_POINT3D& low = p[lo];
  const tagT_POINT3D& middle = p[mid];
  const tagT_POINT3D& high = p[hi];

  double first = low.z - std::fmod(low.z - RefZ, DeltaZ);
  if (first < low.z) first += DeltaZ;
  double last = high.z - std::fmod(high.z - RefZ, DeltaZ);
  if (last > high.z) last -= DeltaZ;
  if (first > last) return false;
  const double levels = std::round((last - first) / DeltaZ) + 1;
  if (!(levels <= kMaxLevelsPerTriangle)) return false;

  // The level's value comes from its whole number of intervals above RefZ,
  // not from this triangle's lowest height: the fmod above rounds
  // differently from triangle to triangle, and pieces of one level must
  // carry one value to be joined.
  const double firstStep = std::round((first - RefZ) / DeltaZ);
  for (unsigned i = 0; i < unsigned(levels); ++i) {
    const double level = RefZ + (firstStep + i) * DeltaZ;
    const bool belowMiddle = level < middle.z;
    const tagT_POINT3D& a = belowMiddle ? low : high;
    const tagT_POINT3D& c = belowMiddle ? high : low;
    IsoLineSegment s{level, onEdge(a, middle, level), onEdge(a, c, level)};
    if (s.pt1.x < s.pt2.x) std::swap(s.pt1, s.pt2);
    if (segments_->AddTail(&s, nullptr) != ZR_OK) return false;
  }
  return true;
}

void T_ISOLINER::EndProcess() {
  if (segments_ != nullptr) (void)segments_->Sort(&compareLevels, nullptr);
}

bool T_ISOLINER::PrepareNextIsoLine() {
  if (segments_ == nullptr) return false;
  line_->Clear(false);
  closed_ = false;
  if (segments_->IsEmpty() == ZR_OK) return false;
  // Passes from the tail (the highest level, the last stored first) until a
  // pass joins nothing; each pass stops at the first piece of another level.
  for (;;) {
    bool joined = false;
    IRecList::Node* node = nullptr;
    segments_->GetTail(&node);
    while (node != nullptr) {
      IRecList::Node* previous = nullptr;
      segments_->GetPrevNode(node, &previous);
      void* record = nullptr;
      segments_->GetNodeRecordPtr(node, &record);
      const int result = AttachSegToCurrIsoLine(static_cast<const IsoLineSegment*>(record));
      if (result == kRingClosed) {
        segments_->RemoveNode(node, false);
        return true;
      }
      if (result == kOtherLevel) break;
      if (result == kAttached) {
        segments_->RemoveNode(node, false);
        joined = true;
      }
      node = previous;
    }
    if (!joined) return true;
  }
}

IRecList* T_ISOLINER::GetPreparedIsoLine(bool& closed) {
  if (line_ == nullptr || line_->IsEmpty() == ZR_OK) return nullptr;
  closed = closed_;
  return line_;
}

int T_ISOLINER::AttachSegToCurrIsoLine(const IsoLineSegment* s) {
  if (line_ == nullptr) return kNoContact;
  IRecList::Node* headNode = nullptr;
  line_->GetHead(&headNode);
  if (headNode == nullptr) {
    (void)line_->AddTail(s, nullptr);
    closed_ = false;
    return kAttached;
  }
  IRecList::Node* tailNode = nullptr;
  line_->GetTail(&tailNode);
  void* headRecord = nullptr;
  void* tailRecord = nullptr;
  line_->GetNodeRecordPtr(headNode, &headRecord);
  line_->GetNodeRecordPtr(tailNode, &tailRecord);
  const auto& first = *static_cast<const IsoLineSegment*>(headRecord);
  const auto& last = *static_cast<const IsoLineSegment*>(tailRecord);
  if (s->z != first.z) return kOtherLevel;

  const T_POINT2D start = first.pt1, end = last.pt2;
  const bool a = near(s->pt1, start);
  const bool b = near(s->pt2, start);
  const bool c = !a && near(s->pt1, end);
  const bool d = !b && near(s->pt2, end);
  const bool atStart = a || b, atEnd = c || d;
  if (!atStart && !atEnd) return kNoContact;
  IsoLineSegment copy = *s;
  if (a || d) std::swap(copy.pt1, copy.pt2);
  if (atStart && atEnd) {
    (void)line_->AddTail(&copy, nullptr);
    closed_ = true;
    return kRingClosed;
  }
  if (atStart)
    (void)line_->AddHead(&copy, nullptr);
  else
    (void)line_->AddTail(&copy, nullptr);
  return kAttached;
}
