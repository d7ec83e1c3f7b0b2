// Hatch line generation, the solid fill, the hit test and the pattern
// measures of IHatchHandlerACADCompImp.
//
// Generation lays each line family of the pattern over the boundary: the
// edge set is rotated so that the family's lines are vertical (only when the
// rotation moved by more than 0.0001 rad, so families sharing an angle share
// one rotation), each line is a scan line, the crossings bound spans that the
// fill rule keeps or drops, and the kept spans are rotated back and cut into
// dashes, gaps and dots. Positions along a family advance by repeated
// addition, in the order the steps below give, so that results are
// reproducible to the last bit.
#include "zefcorek/HatchHandlerImp.h"

#include "zefcorek/HatchRegistry.h"

#include "zefcorek/SizedRecord.h"

#include "platform/MulDiv.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr double kRotationThreshold = 0.0001;
constexpr double kShortestDashedSpan = 0.000001;
constexpr double kNoDashYet = -9999.0;
constexpr double kQueryStartScale = 0.05;
// Alignment loops that would take more steps than this jump most of the way
// first (a base point far from the boundary must not stall the job).
constexpr double kMostAlignmentSteps = 1e6;

bool isSolid(const HatchPatternInfo* info) {
  size_t length = 0;
  while (length < kHatchPatternNameUnits && info->name[length] != u'\0') ++length;
  return platform::equalsIgnoreCase(std::u16string_view(info->name, length), u"SOLID");
}

bool isDashed(const HatchPatternLine& line) { return line.dashCount != 0 && line.dashTotal != 0; }

// The lines of a record, copied out: the record's doubles are only 4-byte
// aligned.
std::vector<HatchPatternLine> linesOf(const HatchPatternInfo* info) {
  const uint32_t room =
      info->cbSize > kHatchPatternHeadSize ? (info->cbSize - kHatchPatternHeadSize) / kHatchPatternLineSize : 0;
  const uint32_t count = std::min({info->lineCount, info->capacity, room});
  std::vector<HatchPatternLine> lines(count);
  if (count != 0) std::memcpy(lines.data(), info->lines, count * sizeof(HatchPatternLine));
  for (HatchPatternLine& line : lines) line.dashCount = std::min<uint32_t>(line.dashCount, kHatchPatternMaxDashes);
  return lines;
}

// Whether a family can be scanned at all: its scaled spacing is a finite
// number other than 0 (a step of 0 would never leave the boundary).
bool scannable(const HatchPatternLine& line, double scale) {
  const double spacing = line.spacing * scale;
  return spacing != 0 && std::isfinite(spacing);
}

// Checks the lines at scale S against the job's minimums; true when a line
// is too fine (status bit 1 or 2 set). Lines that cannot be scanned set bit
// 1 without marking the scale: doubling would never cure them.
bool tooFine(const std::vector<HatchPatternLine>& lines, double scale, HatchJob* job) {
  bool marked = false;
  for (const HatchPatternLine& line : lines) {
    if (!scannable(line, scale)) {
      job->status |= kHatchStatusSpacingTooFine;
      continue;
    }
    if (std::fabs(line.spacing) * scale < job->minSpacing) {
      job->status |= kHatchStatusSpacingTooFine;
      marked = true;
    } else if (isDashed(line) && line.dashTotal * scale < job->minDashPeriod) {
      job->status |= kHatchStatusDashTooFine;
      marked = true;
    }
  }
  return marked;
}

// Repeats `position += step` while `more(position)` holds, jumping most of
// a long way in one multiplication; `follow(k)` moves the companion value by
// k steps.
template <typename More, typename Follow>
void advanceWhile(double& position, double step, More more, Follow follow) {
  // Each jump at least halves what is left, so few are needed.
  while (more(position) && more(position + kMostAlignmentSteps * step)) {
    double k = kMostAlignmentSteps;
    while (more(position + 2 * k * step) && std::isfinite(2 * k * step)) k *= 2;
    position += k * step;
    follow(k);
  }
  for (int guard = 0; more(position) && guard < 4 * kMostAlignmentSteps; ++guard) {
    position += step;
    follow(1.0);
  }
}

// The inside spans of one scan line under a fill rule. Crossings are sorted
// by y; ring numbers map to counters densely.
class SpanWalker {
public:
  SpanWalker(uint32_t fillRule, uint32_t ringCount, const std::vector<uint32_t>& rings)
      : rule_(fillRule), ringCount_(ringCount), rings_(rings), counters_(rings.size()) {
    identity_ = rings_.empty() || rings_.back() == rings_.size() - 1;
  }

  // Calls emit(y1, y2) for each inside span.
  template <typename Emit>
  void walk(const std::vector<HatchCrossing>& crossings, Emit emit) {
    std::fill(counters_.begin(), counters_.end(), 0u);
    int64_t depth = 0, winding = 0, hole = 0;
    bool pending = false;
    double pendingStart = 0, pendingEnd = 0;
    const bool merging = rule_ == 1 || rule_ == 4 || rule_ == 5 || rule_ == 6;
    for (size_t i = 0; i < crossings.size(); ++i) {
      const HatchCrossing& c = crossings[i];
      const HatchCrossing* p = i > 0 ? &crossings[i - 1] : nullptr;
      bool inside = false;
      if (rule_ == 0) {
        inside = (i % 2) == 1;
      } else if (rule_ == 1) {
        if (p != nullptr) winding += p->direction;
        inside = winding != 0;
      } else {
        bool odd = false;
        if (p != nullptr) {
          uint32_t& counter = counters_[slot(p->ring)];
          ++counter;
          odd = (counter % 2) == 1;
          depth += odd ? 1 : -1;
        }
        switch (rule_) {
          case 2: inside = depth == 1; break;
          case 3: inside = depth == static_cast<int64_t>(ringCount_); break;
          case 4: inside = depth > 1; break;
          case 5: inside = depth != 0; break;
          default:  // 6
            if (p != nullptr && p->flags == kHatchVertexHole) hole += odd ? 1 : -1;
            inside = hole < 1 && depth != 0;
            break;
        }
      }
      if (merging && inside) {
        if (!pending) pendingStart = p->y;
        pending = true;
        pendingEnd = c.y;
      }
      if (merging && i + 1 == crossings.size()) inside = false;
      if (pending == inside) continue;
      if (!pending) {
        emit(p->y, c.y);
        continue;
      }
      emit(pendingStart, pendingEnd);
      pending = false;
    }
  }

private:
  size_t slot(uint32_t ring) const {
    if (identity_) return ring;
    return static_cast<size_t>(std::lower_bound(rings_.begin(), rings_.end(), ring) - rings_.begin());
  }

  uint32_t rule_;
  uint32_t ringCount_;
  const std::vector<uint32_t>& rings_;
  std::vector<uint32_t> counters_;
  bool identity_ = true;
};

// The distinct ring numbers of an edge set, sorted.
std::vector<uint32_t> ringsOf(IRecList* edges) {
  std::vector<uint32_t> rings;
  IRecList::Node* node = nullptr;
  for (edges->GetHead(&node); node != nullptr; edges->GetNextNode(node, &node)) {
    void* record = nullptr;
    edges->GetNodeRecordPtr(node, &record);
    rings.push_back(static_cast<HatchEdge*>(record)->ring);
  }
  std::sort(rings.begin(), rings.end());
  rings.erase(std::unique(rings.begin(), rings.end()), rings.end());
  return rings;
}

void copyCrossings(IRecList* list, std::vector<HatchCrossing>& out) {
  out.clear();
  IRecList::Node* node = nullptr;
  for (list->GetHead(&node); node != nullptr; list->GetNextNode(node, &node)) {
    void* record = nullptr;
    list->GetNodeRecordPtr(node, &record);
    out.push_back(*static_cast<HatchCrossing*>(record));
  }
}

// The pieces of a dashed span of length D starting at phase t (a fraction
// of the dash period T): calls piece(u0, u1, drawn) for dashes and gaps and
// dot(u) for dots, u the fraction of the span.
template <typename Piece, typename Dot>
void walkDashes(const HatchPatternLine& line, double scale, double period, double y1, double length, double phase,
                Piece piece, Dot dot) {
  const double t = std::fmod(y1 - phase, period) / period;
  uint32_t k = 0;
  for (uint32_t tries = 0; line.dashes[k].end < t && tries < line.dashCount; ++tries) k = (k + 1) % line.dashCount;
  double r = (line.dashes[k].end - t) * period;
  if (line.dashes[k].length < 0) r = -r;
  double u = 0;
  // Each full cycle of the pattern moves u on; a cycle that cannot (a dash
  // too short to register against the span) ends the walk.
  double cycleStart = -1;
  while (u < 1) {
    if (k == 0) {
      if (u == cycleStart) break;
      cycleStart = u;
    }
    if (r == 0) {
      dot(u);
    } else {
      const double next = std::min(u + std::fabs(r) / length, 1.0);
      if (r > 0) piece(u, next);
      u = next;
    }
    k = (k + 1) % line.dashCount;
    r = line.dashes[k].length * scale;
  }
}

// The record handed to the job's segment callback, reused throughout.
class SegmentSender {
public:
  SegmentSender(HatchJob* job, const HatchPatternInfo* info) : job_(job) {
    record_.cbSize = kHatchSegmentRecSize;
    DSStructInit(&record_);
    record_.context = job->segmentContext;
    record_.pattern = job->pattern;
    record_.info = info;
  }
  void begin() {
    record_.kind = kHatchSegmentBegin;
    job_->segmentFunc(&record_);
  }
  void piece(double x1, double y1, double x2, double y2, bool dot) {
    record_.kind = kHatchSegmentPiece;
    record_.startX = x1;
    record_.startY = y1;
    record_.endX = x2;
    record_.endY = y2;
    record_.flags = dot ? kHatchSegmentDot : 0;
    ++job_->segmentCount;
    job_->segmentFunc(&record_);
  }
  // Bit 0 of the first byte of startX tells whether the job stopped early.
  void end(bool stoppedEarly) {
    record_.kind = kHatchSegmentEnd;
    unsigned char bytes[sizeof(double)];
    std::memcpy(bytes, &record_.startX, sizeof(bytes));
    bytes[0] = static_cast<unsigned char>(stoppedEarly ? bytes[0] | 1 : bytes[0] & ~1);
    std::memcpy(&record_.startX, bytes, sizeof(bytes));
    record_.flags = 0;
    job_->segmentFunc(&record_);
  }

private:
  HatchJob* job_;
  HatchSegmentRec record_{};
};

struct ClipBox {
  double minX, minY, maxX, maxY;
};

// Rotation about a centre, as the edge set is rotated.
struct Rotation {
  double angle, c, s, cx, cy;
  Rotation(double a, double centreX, double centreY)
      : angle(a), c(std::cos(a)), s(std::sin(a)), cx(centreX), cy(centreY) {}
  void forward(double px, double py, double& x, double& y) const {
    x = (px - cx) * c - (py - cy) * s + cx;
    y = (py - cy) * c + (px - cx) * s + cy;
  }
  // The point (X, y) of the rotated frame back in the job's frame.
  void back(double X, double y, double& outX, double& outY) const {
    outX = (y - cy) * s + (X - cx) * c + cx;
    outY = (y - cy) * c - (X - cx) * s + cy;
  }
};

ClipBox rotatedClip(const HatchJob* job, const Rotation& rotation) {
  const double corners[4][2] = {
      {job->clipX1, job->clipY1}, {job->clipX2, job->clipY1}, {job->clipX2, job->clipY2}, {job->clipX1, job->clipY2}};
  ClipBox box{};
  for (int i = 0; i < 4; ++i) {
    double x, y;
    rotation.forward(corners[i][0], corners[i][1], x, y);
    if (i == 0) {
      box = {x, y, x, y};
      continue;
    }
    box.minX = std::min(box.minX, x);
    box.minY = std::min(box.minY, y);
    box.maxX = std::max(box.maxX, x);
    box.maxY = std::max(box.maxY, y);
  }
  return box;
}

// Where a family starts: its first scan position X and dash phase P, before
// alignment to the boundary.
struct FamilyStart {
  double x, phase;
};

FamilyStart familyStart(const HatchPatternLine& line, double scale, const HatchJob* job) {
  const double psi = M_PI / 2 - line.angle;
  const double vx = scale * line.originX - job->baseX;
  const double vy = scale * line.originY - job->baseY;
  return {vx * std::cos(psi) - vy * std::sin(psi), vy * std::cos(psi) + vx * std::sin(psi)};
}

// A family's scan step, the side its positions advance to, and the turn
// that brings its lines upright.
struct FamilyStep {
  double step, sign, rho;
};

FamilyStep familyStep(const HatchPatternLine& line, double scale, const HatchJob* job) {
  const double spacing = line.spacing * scale;
  return {std::fabs(spacing), spacing < 0 ? -1.0 : 1.0, M_PI / 2 - (line.angle + job->angle)};
}

// Turns the edge set by `rho` about the job's centre unless `rotation`
// already stands within kRotationThreshold of it; true when it turned.
bool turnEdgeSet(IHatchHandlerBaseImp& handler, HatchEdgeSet* set, double rho, const HatchJob* job,
                 Rotation& rotation) {
  if (!(std::fabs(rho - rotation.angle) > kRotationThreshold)) return false;
  const double centre[2] = {job->centreX, job->centreY};
  handler.RotateEdgeSet(set, rho, centre);
  rotation = Rotation(rho, job->centreX, job->centreY);
  return true;
}

// Brings the dash phase below the box, as generation aligns it.
void alignPhase(double& phase, double period, double boxMinY) {
  advanceWhile(
      phase, period, [&](double p) { return p + period < boxMinY; }, [](double) {});
  advanceWhile(
      phase, -period, [&](double p) { return boxMinY < p; }, [](double) {});
  phase -= 1000 * period;
}

// Common checks of a job before generation or a hit test; the pattern
// record in *info on success.
ZRESULT prepareJob(HatchJob* job, IHatchRegistry* registry, IRecList* crossings, HatchPatternInfo** info) {
  job->minSpacing = std::fabs(job->minSpacing);
  job->minDashPeriod = std::fabs(job->minDashPeriod);
  job->status &= ~(kHatchStatusCancelled | kHatchStatusSpacingTooFine | kHatchStatusDashTooFine);
  job->segmentCount = 0;
  if (registry == nullptr) return ZR_FAILED;
  if (crossings == nullptr) return ZR_OUTOFMEMORY;
  return registry->GetPatternInfo(job->pattern, info);
}

bool progressStops(HatchJob* job, int percent) {
  return job->progressFunc != nullptr && job->progressFunc(percent, job->progressContext) == 0;
}

}  // namespace

// --- generation ---------------------------------------------------------------------

ZRESULT IHatchHandlerACADCompImp::GenerateHatch(HatchJob* job) {
  if (job == nullptr || job->cbSize < kHatchJobSize || job->pattern == nullptr || job->ringCount == 0 ||
      job->vertexCount <= 1 || job->segmentFunc == nullptr)
    return ZR_BADARG;
  HatchPatternInfo* info = nullptr;
  if (const ZRESULT result = prepareJob(job, registry_, crossings_, &info); result != ZR_OK) return result;
  const std::vector<HatchPatternLine> lines = linesOf(info);
  const bool solid = isSolid(info);

  // The scale: a query (scale 0) doubles from 0.05 until no line is too fine.
  double scale = job->scale;
  if (scale == 0) {
    scale = solid ? 1.0 : kQueryStartScale;
    while (!solid && tooFine(lines, scale, job) && std::isfinite(scale)) scale *= 2;
    job->scale = 10 * scale;
    return ZR_OK;
  }
  if (solid || tooFine(lines, scale, job)) return FillSolid(job);

  HatchEdgeSet set;
  if (const ZRESULT result = BuildEdgeSet(job, &set); result != ZR_OK) return result;
  const std::vector<uint32_t> rings = ringsOf(set.edges);
  SpanWalker spans(job->fillRule, job->ringCount, rings);
  SegmentSender sender(job, info);
  sender.begin();

  ZRESULT result = ZR_OK;
  ClipBox clip{job->clipX1, job->clipY1, job->clipX2, job->clipY2};
  Rotation rotation(0, job->centreX, job->centreY);
  std::vector<HatchCrossing> crossings;
  for (size_t j = 0; j < lines.size() && result == ZR_OK; ++j) {
    const HatchPatternLine& line = lines[j];
    if (!scannable(line, scale)) {
      job->status |= kHatchStatusSpacingTooFine;
      continue;
    }
    const int percent = MulDiv(static_cast<int>(j + 1), 100, static_cast<int>(lines.size()));
    const FamilyStep family = familyStep(line, scale, job);
    const double step = family.step, sign = family.sign;
    if (turnEdgeSet(*this, &set, family.rho, job, rotation)) clip = rotatedClip(job, rotation);
    FamilyStart start = familyStart(line, scale, job);
    double x = start.x;
    double phase = start.phase;
    const double shift = -line.shift * scale;
    advanceWhile(
        x, step, [&](double v) { return v + step < set.minX; }, [&](double k) { phase += k * sign * shift; });
    advanceWhile(
        x, -step, [&](double v) { return set.minX < v; }, [&](double k) { phase -= k * sign * shift; });
    const double period = line.dashTotal * scale;
    const bool dashed = isDashed(line) && period != 0;
    if (dashed) alignPhase(phase, period, set.minY);
    const double count = std::floor((set.maxX - x + step) / step);
    for (double k = 0; k < count; ++k) {
      if (progressStops(job, percent)) {
        job->status |= kHatchStatusCancelled;
        result = ZR_NO;
        break;
      }
      if (clip.minX <= x && x <= clip.maxX && IntersectScanLine(&set, x, crossings_) == ZR_OK) {
        copyCrossings(crossings_, crossings);
        spans.walk(crossings, [&](double y1, double y2) {
          double ax, ay, bx, by;
          rotation.back(x, y1, ax, ay);
          rotation.back(x, y2, bx, by);
          if (!dashed) {
            sender.piece(ax, ay, bx, by, /*dot=*/false);
            return;
          }
          const double length = std::fabs(y2 - y1);
          if (length <= kShortestDashedSpan) return;
          auto at = [&](double u, double& px, double& py) {
            px = ax + u * (bx - ax);
            py = ay + u * (by - ay);
          };
          walkDashes(
              line, scale, period, y1, length, phase,
              [&](double u0, double u1) {
                double x0, y0, x1, y1e;
                at(u0, x0, y0);
                at(u1, x1, y1e);
                sender.piece(x0, y0, x1, y1e, /*dot=*/false);
              },
              [&](double u) {
                double px, py;
                at(u, px, py);
                sender.piece(px, py, px, py, /*dot=*/true);
              });
        });
      }
      x += step;
      if (dashed) {
        phase += sign * shift;
        advanceWhile(
            phase, -period, [&](double p) { return set.minY < p; }, [](double) {});
      }
    }
  }
  set.edges->Release();
  sender.end(result != ZR_OK);
  crossings_->Clear(/*release=*/false);
  return result;
}

// Vertical lines one job unit apart over the unrotated boundary.
ZRESULT IHatchHandlerACADCompImp::FillSolid(HatchJob* job) {
  if (crossings_ == nullptr) return ZR_OUTOFMEMORY;
  HatchEdgeSet set;
  if (const ZRESULT result = BuildEdgeSet(job, &set); result != ZR_OK) return result;
  const std::vector<uint32_t> rings = ringsOf(set.edges);
  SpanWalker spans(job->fillRule, job->ringCount, rings);
  SegmentSender sender(job, &hatchSolidPattern());
  sender.begin();
  ZRESULT result = ZR_OK;
  const double lines = std::floor(set.maxX - set.minX + 1);
  const int total = lines > INT32_MAX ? INT32_MAX : static_cast<int>(lines);
  std::vector<HatchCrossing> crossings;
  double x = set.minX;
  for (int k = 0; k < total; ++k, x += 1) {
    if (progressStops(job, MulDiv(k, 100, total))) {
      job->status |= kHatchStatusCancelled;
      result = ZR_NO;
      break;
    }
    if (!(job->clipX1 <= x && x <= job->clipX2)) continue;
    if (IntersectScanLine(&set, x, crossings_) != ZR_OK) continue;
    copyCrossings(crossings_, crossings);
    spans.walk(crossings, [&](double y1, double y2) { sender.piece(x, y1, x, y2, false); });
  }
  set.edges->Release();
  sender.end(result != ZR_OK);
  crossings_->Clear(/*release=*/false);
  return result;
}

// --- hit test -------------------------------------------------------------------------

ZRESULT IHatchHandlerACADCompImp::HitTestHatch(HatchJob* job, const double* point, double tolerance) {
  if (job == nullptr || job->cbSize < kHatchJobSize || job->pattern == nullptr || job->ringCount == 0 ||
      job->vertexCount <= 2 || point == nullptr)
    return ZR_BADARG;
  HatchPatternInfo* info = nullptr;
  if (const ZRESULT result = prepareJob(job, registry_, crossings_, &info); result != ZR_OK) return result;
  const std::vector<HatchPatternLine> lines = linesOf(info);
  const double scale = job->scale;
  if (tooFine(lines, scale, job) ||
      std::any_of(lines.begin(), lines.end(), [&](const HatchPatternLine& l) { return !scannable(l, scale); }))
    return ZR_NO;

  HatchEdgeSet set;
  if (const ZRESULT result = BuildEdgeSet(job, &set); result != ZR_OK) return result;
  const double px = point[0], py = point[1];
  bool hit = false;
  if (set.minX <= px && px <= set.maxX && set.minY <= py && py <= set.maxY) {
    const std::vector<uint32_t> rings = ringsOf(set.edges);
    SpanWalker spans(job->fillRule, job->ringCount, rings);
    Rotation rotation(0, job->centreX, job->centreY);
    double qx = px, qy = py;
    std::vector<HatchCrossing> crossings;
    for (size_t j = 0; j < lines.size() && !hit; ++j) {
      const HatchPatternLine& line = lines[j];
      const FamilyStep family = familyStep(line, scale, job);
      const double step = family.step, sign = family.sign;
      if (turnEdgeSet(*this, &set, family.rho, job, rotation)) rotation.forward(px, py, qx, qy);
      const FamilyStart start = familyStart(line, scale, job);
      double x = start.x;
      double phase = start.phase;
      const double shift = -line.shift * scale;
      advanceWhile(
          x, step, [&](double v) { return v <= qx - tolerance; }, [&](double k) { phase += k * sign * shift; });
      advanceWhile(
          x, -step, [&](double v) { return qx + tolerance <= v; }, [&](double k) { phase -= k * sign * shift; });
      const double period = line.dashTotal * scale;
      const bool dashed = isDashed(line) && period != 0;
      if (dashed) alignPhase(phase, period, set.minY);
      if (!(std::fabs(x - qx) <= tolerance) || IntersectScanLine(&set, x, crossings_) != ZR_OK) continue;
      copyCrossings(crossings_, crossings);
      spans.walk(crossings, [&](double y1, double y2) {
        if (hit) return;
        if (!dashed) {
          hit = y1 - tolerance < qy && qy < y2 + tolerance;
          return;
        }
        const double length = std::fabs(y2 - y1);
        if (length <= kShortestDashedSpan) return;
        walkDashes(
            line, scale, period, y1, length, phase,
            [&](double u0, double u1) {
              const double ya = y1 + u0 * (y2 - y1), yb = y1 + u1 * (y2 - y1);
              hit = hit || (ya - tolerance < qy && qy < yb + tolerance);
            },
            [&](double u) {
              const double ya = y1 + u * (y2 - y1);
              hit = hit || std::fabs(qy - ya) < tolerance;
            });
      });
    }
  }
  set.edges->Release();
  crossings_->Clear(/*release=*/false);
  return hit ? ZR_OK : ZR_NO;
}

// --- measures -------------------------------------------------------------------------

ZRESULT IHatchHandlerACADCompImp::MeasurePattern(HatchMeasureRec* measure) {
  if (measure == nullptr || measure->cbSize < kHatchMeasureRecSize || measure->pattern == nullptr) return ZR_BADARG;
  measure->boxMinX = measure->boxMinY = measure->boxMaxX = measure->boxMaxY = 0;
  measure->pieceEstimate = 0;
  measure->shortestDash = kNoDashYet;
  measure->longestDash = 0;
  measure->meanDash = 0;
  measure->meanSpacing = 0;
  measure->piecesPerLine = 0;
  if (registry_ == nullptr) return ZR_FAILED;
  HatchPatternInfo* info = nullptr;
  if (const ZRESULT result = registry_->GetPatternInfo(measure->pattern, &info); result != ZR_OK) return result;
  const std::vector<HatchPatternLine> lines = linesOf(info);
  const double scale = measure->scale;

  // The box of each family's origin, one dash period along it and one
  // spacing across it, starting from (0, 0).
  auto grow = [&](double x, double y) {
    measure->boxMinX = std::min(measure->boxMinX, x);
    measure->boxMinY = std::min(measure->boxMinY, y);
    measure->boxMaxX = std::max(measure->boxMaxX, x);
    measure->boxMaxY = std::max(measure->boxMaxY, y);
  };
  for (const HatchPatternLine& line : lines) {
    const double a = measure->angle + line.angle;
    const double ox = scale * (line.originX * std::cos(a) - line.originY * std::sin(a));
    const double oy = scale * (line.originX * std::sin(a) + line.originY * std::cos(a));
    const double along = isDashed(line) ? scale * line.dashTotal : scale;
    grow(ox, oy);
    grow(ox + along * std::cos(a), oy + along * std::sin(a));
    grow(ox + scale * line.spacing * std::cos(a - M_PI / 2), oy + scale * line.spacing * std::sin(a - M_PI / 2));
  }
  const double diagonal = std::hypot(measure->boxMaxX - measure->boxMinX, measure->boxMaxY - measure->boxMinY);
  // Pieces are counted in 32 bits; a family that cannot be scanned has none.
  auto addPieces = [&](double pieces) {
    const double total = measure->pieceEstimate + std::trunc(pieces);
    measure->pieceEstimate = total >= UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
  };
  for (const HatchPatternLine& line : lines) {
    const double spacing = std::fabs(scale * line.spacing);
    const double pieces = scannable(line, scale) ? diagonal / spacing : 0;
    if (isDashed(line)) {
      addPieces(pieces * line.dashCount);
      measure->piecesPerLine += pieces * line.dashCount;
    } else {
      addPieces(pieces);
      measure->piecesPerLine += 1;
    }
    for (uint32_t d = 0; d < line.dashCount; ++d) {
      const double length = std::fabs(line.dashes[d].length) * scale;
      if (!(length > 0)) continue;
      if (measure->shortestDash == kNoDashYet) {
        measure->shortestDash = length;
        measure->longestDash = length;
      } else {
        measure->shortestDash = std::min(measure->shortestDash, length);
        measure->longestDash = std::max(measure->longestDash, length);
      }
      measure->meanDash += length;
    }
    if (isDashed(line)) measure->meanDash /= line.dashCount;
    measure->meanSpacing += spacing;
  }
  if (measure->shortestDash == kNoDashYet) measure->shortestDash = measure->longestDash = 0;
  if (!lines.empty()) {
    measure->meanSpacing /= static_cast<double>(lines.size());
    measure->piecesPerLine /= static_cast<double>(lines.size());
  }
  return ZR_OK;
}
