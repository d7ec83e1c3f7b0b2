// Polyline simplification by least-squares lines: growing runs, splitting,
// exchanging end points, joining, and the two output forms.
#include "zefcorek/PolySimplifier.h"

#include "RecordLists.h"

#include "zefcorek/ExtendedReal.h"

#include "zefcorek/RecList.h"

#include <algorithm>
#include <cmath>
#include <vector>

// The record of the line list: the exported line and how often the line
// came from joins (0 for grown lines; a split-off line takes its parent's).
//
// The stamps let the exchange pass skip a pair it found settled: stamp
// changes with every change of the line (from one counter, so no two states
// share a stamp), and settledSelf/settledNext hold the stamps of this line
// and of its successor when an exchange between them last moved nothing.
struct T_POLYSIMPLIFIER::LineRecord {
  TPolySimpLine line;
  uint32_t JoinCount;
  uint64_t stamp;
  uint64_t settledSelf;
  uint64_t settledNext;
};

namespace {

// Ties of the split scans within this go to the later candidate.
constexpr double kSplitTie = 1e-8;
constexpr double kJoinAngle = 0.04366;  // about 2.5 degrees between normals
constexpr double kLooseJoinAngle = 1.0;
constexpr int kMaxJoinCount = 10;
constexpr double kNoSpacing = 9.999999999999999e29;

using zefcorek::makeRecordList;
using zefcorek::recordCount;

T_POINT2D pointAt(IRecList* list, unsigned i) {
  T_POINT2D p{};
  list->GetAt(i, &p);
  return p;
}

// The foot of p on the line A x + B y + C = 0 with (A, B) a unit normal.
T_POINT2D foot(const TPolySimpLine& l, const T_POINT2D& p) {
  return {l.B * l.B * p.x - l.A * l.B * p.y - l.A * l.C, l.A * l.A * p.y - l.A * l.B * p.x - l.B * l.C};
}

// The first or last point of a list, straight from its end node.
T_POINT2D endPoint(IRecList* list, bool last) {
  IRecList::Node* node = nullptr;
  if (last)
    list->GetTail(&node);
  else
    list->GetHead(&node);
  void* record = nullptr;
  list->GetNodeRecordPtr(node, &record);
  return *static_cast<const T_POINT2D*>(record);
}

// The points of a line's list, read in one walk; the fits and measures run
// over this copy.
void collect(IRecList* list, std::vector<T_POINT2D>& out) {
  out.clear();
  if (list == nullptr) return;
  (void)list->ForEach(
      [](void* record, void* context, TRecListNodeType_Dummy*) -> int32_t {
        static_cast<std::vector<T_POINT2D>*>(context)->push_back(*static_cast<const T_POINT2D*>(record));
        return 1;
      },
      &out);
}

double distance2(const TPolySimpLine& l, const T_POINT2D& p) {
  const T_POINT2D f = foot(l, p);
  return (p.x - f.x) * (p.x - f.x) + (p.y - f.y) * (p.y - f.y);
}

}  // namespace

T_POLYSIMPLIFIER::T_POLYSIMPLIFIER()
    : basePoints_(makeRecordList(sizeof(T_POINT2D))), lines_(makeRecordList(sizeof(LineRecord))) {
  if (basePoints_ == nullptr || lines_ == nullptr) {
    if (basePoints_ != nullptr) basePoints_->Release();
    if (lines_ != nullptr) lines_->Release();
    basePoints_ = lines_ = nullptr;
    return;
  }
  (void)lines_->SetReleaseCallback(&ListListClearProc, this);
}

T_POLYSIMPLIFIER::~T_POLYSIMPLIFIER() {
  ClearSimp();
  if (basePoints_ != nullptr) basePoints_->Release();
  if (lines_ != nullptr) lines_->Release();
}

int32_t T_POLYSIMPLIFIER::ListListClearProc(void* record, TRecListNodeType_Dummy* /*node*/, void* /*context*/) {
  auto* line = static_cast<TPolySimpLine*>(record);
  if (line->Points != nullptr) line->Points->Release();
  line->Points = nullptr;
  return 0;
}

void T_POLYSIMPLIFIER::Clear() {
  ClearSimp();
  if (basePoints_ != nullptr) basePoints_->Clear(false);
}

void T_POLYSIMPLIFIER::ClearSimp() {
  if (lines_ != nullptr) lines_->Clear(true);
  lineIndex_.clear();
}

unsigned T_POLYSIMPLIFIER::GetBasePtCount() const { return recordCount(basePoints_); }

int T_POLYSIMPLIFIER::AddBasePt(const T_POINT2D* p) {
  if (basePoints_ == nullptr || basePoints_->AddTail(p, nullptr) != ZR_OK) return -1;
  return int(recordCount(basePoints_)) - 1;
}

T_POINT2D* T_POLYSIMPLIFIER::GetBasePt(unsigned i) const {
  if (i >= recordCount(basePoints_)) return nullptr;
  void* p = nullptr;
  basePoints_->GetRecordPtrAt(i, &p);
  return static_cast<T_POINT2D*>(p);
}

unsigned T_POLYSIMPLIFIER::GetSimpLnCount() const { return unsigned(lineIndex_.size()); }

T_POLYSIMPLIFIER::LineRecord* T_POLYSIMPLIFIER::lineAt(unsigned i) const { return lineIndex_[i]; }

// The record a list operation just stored, for the index.
T_POLYSIMPLIFIER::LineRecord* T_POLYSIMPLIFIER::recordOf(TRecListNodeType_Dummy* node) const {
  void* p = nullptr;
  lines_->GetNodeRecordPtr(node, &p);
  return static_cast<LineRecord*>(p);
}

bool T_POLYSIMPLIFIER::appendLine(const LineRecord& rec) {
  IRecList::Node* node = nullptr;
  if (lines_->AddTail(&rec, &node) != ZR_OK || node == nullptr) return false;
  lineIndex_.push_back(recordOf(node));
  return true;
}

bool T_POLYSIMPLIFIER::GetSimpLn(unsigned i, TPolySimpLine* out) const {
  if (i >= GetSimpLnCount()) return false;
  *out = lineAt(i)->line;
  return true;
}

// The regression of y on x, or the vertical line, or the zero line.
void T_POLYSIMPLIFIER::fit(LineRecord& rec) const {
  std::vector<T_POINT2D> pts;
  collect(rec.line.Points, pts);
  fitPoints(rec.line, pts);
}

void T_POLYSIMPLIFIER::fitPoints(TPolySimpLine& l, const std::vector<T_POINT2D>& pts) {
  const unsigned n = unsigned(pts.size());
  if (n < 2) {
    l.A = l.B = l.C = 0;
    return;
  }
  ExtendedReal sx = 0, sy = 0, sxy = 0, sxx = 0, syy = 0;
  for (unsigned i = 0; i < n; ++i) {
    const T_POINT2D p = pts[i];
    sx += p.x;
    sy += p.y;
    sxy += ExtendedReal(p.x) * p.y;
    sxx += ExtendedReal(p.x) * p.x;
    syy += ExtendedReal(p.y) * p.y;
  }
  l.CenterX = double(sx / n);
  l.CenterY = double(sy / n);
  const ExtendedReal vxx = sxx - sx * sx / n;
  const ExtendedReal vxy = sxy - sy * sx / n;
  const ExtendedReal vyy = syy - sy * sy / n;
  if (vxx == 0 && vyy == 0) {
    l.A = l.B = l.C = 0;
    return;
  }
  if (vxx == 0) {
    l.A = 1;
    l.B = 0;
    l.C = double(-sx / n);
    return;
  }
  const double slope = double(vxy / vxx);
  const double intercept = double(((sy * sxx - sxy * sx) / n) / vxx);
  const T_POINT2D p0{0, slope * 0 + intercept};
  const T_POINT2D p1{1, slope * 1 + intercept};
  const double dy = p0.y - p1.y, dx = p1.x - p0.x;
  const double len = std::sqrt(std::fabs(dx * dx + dy * dy));
  l.A = dy / len;
  l.B = dx / len;
  l.C = -(l.B * p0.y + l.A * p0.x);
}

void T_POLYSIMPLIFIER::measurePoints(TPolySimpLine& l, const std::vector<T_POINT2D>& pts, unsigned first,
                                     unsigned last) {
  if (pts.empty()) {
    l.SumDist = l.MeanDist = 0;
    return;
  }
  ExtendedReal sum = 0;
  for (unsigned i = first; i <= last; ++i) sum += std::sqrt(std::fabs(distance2(l, pts[i])));
  l.SumDist = double(sum);
  l.MeanDist = double(sum / (last - first + 1));
}

void T_POLYSIMPLIFIER::fitAndMeasure(LineRecord& rec) const {
  std::vector<T_POINT2D> pts;
  collect(rec.line.Points, pts);
  fitAndMeasurePoints(rec.line, pts);
}

void T_POLYSIMPLIFIER::fitAndMeasurePoints(TPolySimpLine& l, const std::vector<T_POINT2D>& pts) {
  fitPoints(l, pts);
  const unsigned n = unsigned(pts.size());
  measurePoints(l, pts, 0, n == 0 ? 0 : n - 1);
}

double T_POLYSIMPLIFIER::automaticTolerance() const {
  const unsigned n = recordCount(basePoints_);
  T_POINT2D lo = pointAt(basePoints_, 0), hi = lo;
  for (unsigned i = 1; i < n; ++i) {
    const T_POINT2D p = pointAt(basePoints_, i);
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
  }
  const double w = std::fabs(hi.x - lo.x), h = std::fabs(hi.y - lo.y);
  const double halfW = w / n * 0.5, halfH = h / n * 0.5;
  return 0.2 * std::sqrt(std::fabs(halfW + halfH));
}

// Runs grow while their mean distance stays within the tolerance; the point
// that breaks a run starts the next, and the last point joins the last run.
void T_POLYSIMPLIFIER::grow(double tolerance) {
  const unsigned n = recordCount(basePoints_);
  if (n == 0) return;
  std::vector<T_POINT2D> base;
  collect(basePoints_, base);
  LineRecord work{};
  std::vector<T_POINT2D> run;  // the points of the working record's list
  unsigned taken = 0, remaining = n, index = 0;
  while (index < n) {
    if (work.line.Points == nullptr) {
      work.line.Points = makeRecordList(sizeof(T_POINT2D));
      if (work.line.Points == nullptr) return;
      taken = 0;
      run.clear();
    }
    const T_POINT2D p = base[index];
    (void)work.line.Points->AddTail(&p, nullptr);
    run.push_back(p);
    ++taken;
    if (taken > 2) {
      fitAndMeasurePoints(work.line, run);
      if (remaining > 1 && work.line.MeanDist > tolerance) {
        // The run ends before this point, keeping the fit that included it.
        (void)work.line.Points->RemoveAt(taken - 1, 1, false);
        work.stamp = ++stamps_;
        if (!appendLine(work)) work.line.Points->Release();
        work.line.Points = nullptr;
        continue;
      }
    }
    --remaining;
    ++index;
  }
  fitAndMeasurePoints(work.line, run);
  if (taken == 1) {
    // A single point gives no line; it is the line's centre all the same.
    const T_POINT2D p = run[0];
    work.line.CenterX = p.x;
    work.line.CenterY = p.y;
  }
  work.stamp = ++stamps_;
  if (!appendLine(work)) work.line.Points->Release();
}

void T_POLYSIMPLIFIER::split(unsigned i) {
  LineRecord* rec = lineAt(i);
  std::vector<T_POINT2D> pts;
  collect(rec->line.Points, pts);
  const unsigned n = unsigned(pts.size());
  double bestForward = 1e300, bestBackward = 1e300;
  unsigned forward = 2, backward = n - 2;
  for (unsigned s = 2; s <= n - 2; ++s) {
    measurePoints(rec->line, pts, 0, s - 1);
    if (rec->line.MeanDist <= bestForward + kSplitTie) {
      bestForward = rec->line.MeanDist;
      forward = s;
    }
  }
  for (unsigned s = n - 2; s >= 2; --s) {
    measurePoints(rec->line, pts, s, n - 1);
    if (rec->line.MeanDist <= bestBackward + kSplitTie) {
      bestBackward = rec->line.MeanDist;
      backward = s;
    }
  }
  const unsigned pos = bestForward <= bestBackward ? forward : backward;

  LineRecord tail{};
  tail.JoinCount = rec->JoinCount;
  tail.line.Points = makeRecordList(sizeof(T_POINT2D));
  if (tail.line.Points == nullptr) return;
  for (unsigned k = pos; k < n; ++k) (void)tail.line.Points->AddTail(&pts[k], nullptr);
  IRecList::Node* node = nullptr;
  if (lines_->InsertAt(&tail, i + 1, &node) != ZR_OK || node == nullptr) {
    tail.line.Points->Release();
    return;
  }
  lineIndex_.insert(lineIndex_.begin() + i + 1, recordOf(node));
  (void)rec->line.Points->RemoveAt(pos, n - pos, false);
  fitAndMeasure(*rec);
  rec->stamp = ++stamps_;
  LineRecord* added = lineAt(i + 1);
  fitAndMeasure(*added);
  added->stamp = ++stamps_;
}

// End points go to the neighbour whose line they lie closer to, from the
// worse-fitting line, each line keeping at least two points.
bool T_POLYSIMPLIFIER::exchange(unsigned i) {
  LineRecord* left = lineAt(i);
  LineRecord* right = lineAt(i + 1);
  if (left->settledSelf == left->stamp && left->settledNext == right->stamp)
    return false;  // neither changed since they last exchanged nothing
  const TPolySimpLine leftFit = left->line, rightFit = right->line;
  bool moved = false;
  if (left->line.MeanDist > right->line.MeanDist) {
    while (recordCount(left->line.Points) > 2) {
      const unsigned last = recordCount(left->line.Points) - 1;
      const T_POINT2D p = endPoint(left->line.Points, /*last=*/true);
      if (!(distance2(rightFit, p) < distance2(leftFit, p))) break;
      (void)left->line.Points->RemoveAt(last, 1, false);
      (void)right->line.Points->AddHead(&p, nullptr);
      moved = true;
    }
  } else {
    while (recordCount(right->line.Points) > 2) {
      const T_POINT2D p = endPoint(right->line.Points, /*last=*/false);
      if (!(distance2(leftFit, p) < distance2(rightFit, p))) break;
      (void)right->line.Points->RemoveAt(0, 1, false);
      (void)left->line.Points->AddTail(&p, nullptr);
      moved = true;
    }
  }
  if (!moved) {
    left->settledSelf = left->stamp;
    left->settledNext = right->stamp;
    return false;
  }
  fitAndMeasure(*left);
  fitAndMeasure(*right);
  left->stamp = ++stamps_;
  right->stamp = ++stamps_;
  return true;
}

void T_POLYSIMPLIFIER::join(unsigned i) {
  LineRecord* left = lineAt(i);
  LineRecord* right = lineAt(i + 1);
  const unsigned n = recordCount(right->line.Points);
  for (unsigned k = 0; k < n; ++k) {
    const T_POINT2D p = pointAt(right->line.Points, k);
    (void)left->line.Points->AddTail(&p, nullptr);
  }
  left->JoinCount = std::min(left->JoinCount, right->JoinCount) + 1;
  (void)lines_->RemoveAt(i + 1, 1, /*release=*/true);
  lineIndex_.erase(lineIndex_.begin() + i + 1);
  fitAndMeasure(*left);
  left->stamp = ++stamps_;
}

void T_POLYSIMPLIFIER::splitPass(double tolerance, double& worst, bool& changed) {
  for (unsigned i = 0; i < GetSimpLnCount();) {
    LineRecord* rec = lineAt(i);
    if (tolerance < rec->line.MeanDist && recordCount(rec->line.Points) >= 4) {
      worst = std::max(worst, rec->line.MeanDist);
      changed = true;
      split(i);
      i += 2;
      continue;
    }
    ++i;
  }
}

bool T_POLYSIMPLIFIER::exchangePass() {
  bool moved = false;
  for (unsigned i = 0; i + 1 < GetSimpLnCount(); ++i) moved = exchange(i) || moved;
  return moved;
}

// The join test: normals within the angle threshold, and (unless a loose
// join of the iterations) offsets within twice the tolerance. The final
// pass ignores the join counts.
void T_POLYSIMPLIFIER::joinPass(uint32_t flags, double tolerance, bool iterating, bool& changed) {
  const double threshold = (flags & TPolySimpParms::kLooseJoin) ? kLooseJoinAngle : kJoinAngle;
  for (unsigned i = 0; i + 1 < GetSimpLnCount();) {
    const LineRecord* left = lineAt(i);
    const LineRecord* right = lineAt(i + 1);
    if (iterating && (left->JoinCount > kMaxJoinCount || right->JoinCount > kMaxJoinCount)) {
      ++i;
      continue;
    }
    const double sine = std::fabs(left->line.A * right->line.B - left->line.B * right->line.A);
    const double offset = std::fabs(left->line.C - right->line.C);
    const bool parallel = sine < threshold;
    const bool close = offset < 2 * tolerance;
    const bool loose = iterating && (flags & TPolySimpParms::kLooseJoin);
    if (!(parallel && (close || loose))) {
      ++i;
      continue;
    }
    changed = true;
    join(i);
    if (i > 0) --i;
  }
}

bool T_POLYSIMPLIFIER::Execute(const TPolySimpParms* parms) {
  ClearSimp();
  const unsigned n = GetBasePtCount();
  double tolerance = parms->Tolerance;
  if (tolerance < 0 && n > 0) tolerance = automaticTolerance();
  if (lines_ != nullptr) grow(tolerance);

  const unsigned maxIterations = parms->MaxIterations != 0 ? parms->MaxIterations : n;
  const uint32_t flags = parms->Flags;
  unsigned iteration = 0;
  bool aborted = false;
  // Once an iteration's passes leave every line as it was, the passes of the
  // next iterations would too (they depend on nothing else): they are
  // skipped, and only the counting and the callback go on.
  bool settled = false;
  for (;;) {
    bool changed = false;
    double worst = 0;
    if (lines_ != nullptr && !settled) {
      splitPass(tolerance, worst, changed);
      bool moved = false;
      if (flags & TPolySimpParms::kExchange) moved = exchangePass();
      if (flags & TPolySimpParms::kJoin) joinPass(flags, tolerance, /*iterating=*/true, changed);
      settled = !changed && !moved;
    }
    ++iteration;
    const bool goOn =
        !aborted && ((worst >= tolerance && changed && iteration <= maxIterations) || iteration <= GetSimpLnCount());
    if (!goOn && lines_ != nullptr) {
      if (flags & TPolySimpParms::kExchange) exchangePass();
      if (flags & (TPolySimpParms::kJoin | TPolySimpParms::kLooseJoin)) {
        bool unused = false;
        joinPass(flags, tolerance, /*iterating=*/false, unused);
      }
    }
    if (parms->IterationProc != nullptr) aborted = !parms->IterationProc(this, parms->IterationData, iteration);
    if (!goOn) break;
  }
  return !aborted;
}

unsigned T_POLYSIMPLIFIER::GetSimpPtCount() const { return 2 * GetSimpLnCount(); }

unsigned T_POLYSIMPLIFIER::GetSimpPtCountEx() const {
  const unsigned m = GetSimpLnCount();
  return m == 0 ? 0 : m + 1;
}

bool T_POLYSIMPLIFIER::GetSimpPt(unsigned i, T_POINT2D* out) const {
  if (i >= GetSimpPtCount()) return false;
  const TPolySimpLine& l = lineAt(i / 2)->line;
  const unsigned n = recordCount(l.Points);
  *out = foot(l, pointAt(l.Points, i % 2 == 0 ? 0 : n - 1));
  return true;
}

bool T_POLYSIMPLIFIER::GetSimpPtEx(unsigned i, T_POINT2D* out) const {
  const unsigned m = GetSimpLnCount();
  if (i >= GetSimpPtCountEx()) return false;
  if (i == 0) {
    const TPolySimpLine& l = lineAt(0)->line;
    *out = foot(l, pointAt(l.Points, 0));
    return true;
  }
  const TPolySimpLine& before = lineAt(i - 1)->line;
  const T_POINT2D end = foot(before, pointAt(before.Points, recordCount(before.Points) - 1));
  if (i == m) {
    *out = end;
    return true;
  }
  // Both ends of the junction projected onto the earlier line.
  const TPolySimpLine& after = lineAt(i)->line;
  const T_POINT2D start = foot(before, pointAt(after.Points, 0));
  *out = {(end.x + start.x) * 0.5, (end.y + start.y) * 0.5};
  return true;
}

bool T_POLYSIMPLIFIER::SuggestGetOrGetEx() const {
  const unsigned n = GetBasePtCount();
  if (n == 0) return true;
  double smallest = kNoSpacing, sum = 0;
  T_POINT2D previous = pointAt(basePoints_, 0);
  for (unsigned i = 1; i < n; ++i) {
    const T_POINT2D p = pointAt(basePoints_, i);
    const double dx = p.x - previous.x, dy = p.y - previous.y;
    const double d2 = dy * dy + dx * dx;
    if (d2 < smallest) smallest = d2;
    sum += d2;
    previous = p;
  }
  return sum / n > 4 * smallest;
}
