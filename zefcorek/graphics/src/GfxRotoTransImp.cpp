// IGfxRotoTransImp: the control-point table, Compute, the forward and
// inverse formulas of the 21 kinds, the residuals and the coefficient
// record. The solvers live in GfxRotoTransSolvers.cpp.
//
// Notation: (x, y) a source point, (X, Y) a destination point, x' = x - c0
// and y' = y - c1 the source point relative to the source centre.
#include "zefcorek/GfxRotoTrans.h"

#include "zefcorek/ClassMakers.h"
#include "zefcorek/SizedRecord.h"

#include "platform/Utf16.h"

#include <cmath>
#include <cstring>
#include <new>

IGfxRotoTrans::~IGfxRotoTrans() = default;

void* zefcorek::makeIGfxRotoTransImp(intptr_t) {
  auto* made = new (std::nothrow) IGfxRotoTransImp();
  if (made != nullptr && !made->isUsable()) {
    made->Release();
    return nullptr;
  }
  return static_cast<IGfxRotoTrans*>(made);
}

namespace {

bool usesWeights(uint32_t kind) { return (kind >= 7 && kind <= 13) || (kind >= 17 && kind <= 20); }

bool isValidRecordSize(uint32_t size) { return size == kGfxRotoTransPointSize || size == kGfxRotoTransPointOldSize; }

// Bytes of the coefficient block that belong to a kind.
uint32_t kindBytes(uint32_t kind) {
  switch (kind) {
    case 0:
    case 6:
    case 7:
    case 10:
    case 11:
    case 17: return 48;
    case 1:
    case 4:
    case 8:
    case 9:
    case 18: return 64;
    case 2: return 16;
    case 5: return 80;
    case 3:
    case 12:
    case 13:
    case 19:
    case 20: return 128;
    case 14:
    case 15:
    case 16: return 76;
    default: return 0;
  }
}

double distance(double ax, double ay, double bx, double by) {
  return std::sqrt(std::fabs((ax - bx) * (ax - bx) + (ay - by) * (ay - by)));
}

void rotateAbout(const T_POINT2D& m, double c, double s, double& x, double& y) {
  const double dx = x - m.x, dy = y - m.y;
  x = m.x + dx * c - dy * s;
  y = m.y + dy * c + dx * s;
}

// One point through `map` (the forward or the inverse mapping); an unsolved
// object hands the point back unchanged and fails.
template <typename Map>
ZRESULT mapPoint(uint32_t solved, const T_POINT2D* in, T_POINT2D* out, Map map) {
  if (in == nullptr || out == nullptr) return ZR_BADARG;
  if (solved == 0) {
    *out = *in;
    return ZR_FAILED;
  }
  double u, v;
  if (!map(in->x, in->y, u, v)) return ZR_FAILED;
  *out = {u, v};
  return ZR_OK;
}

// `n` points through the object's own one-point call, stopping at the
// first that fails.
ZRESULT mapPoints(IGfxRotoTrans* object, ZRESULT (IGfxRotoTrans::*mapOne)(const T_POINT2D*, T_POINT2D*),
                  uint32_t solved, const T_POINT2D* in, T_POINT2D* out, uint32_t n) {
  if (in == nullptr || out == nullptr) return ZR_BADARG;
  if (solved == 0) return ZR_FAILED;
  for (uint32_t i = 0; i < n; ++i) {
    if (const ZRESULT result = (object->*mapOne)(&in[i], &out[i]); result != ZR_OK) return result;
  }
  return ZR_OK;
}

}  // namespace

IGfxRotoTransImp::IGfxRotoTransImp() : table_(new (std::nothrow) Slot[kGfxRotoTransCapacity]()) {}

IGfxRotoTransImp::~IGfxRotoTransImp() {
  Reset(/*keepPoints=*/false);
  delete[] table_;
}

HRESULT IGfxRotoTransImp::QueryInterface(REFIID, void** out) {
  if (out != nullptr) *out = nullptr;
  return ZR_NOTSUPPORTED;
}

// --- parameters and table ---------------------------------------------------------

ZRESULT IGfxRotoTransImp::GetParam(uint32_t which, uint32_t* value) {
  if (value == nullptr || which > grpResultOptions) return ZR_BADARG;
  const uint32_t values[] = {kind_, inputOptions_, resultOptions_};
  *value = values[which];
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::SetParam(uint32_t which, uint32_t value) {
  if (which > grpResultOptions) return ZR_BADARG;
  uint32_t* fields[] = {&kind_, &inputOptions_, &resultOptions_};
  if (*fields[which] == value) return ZR_OK;
  *fields[which] = value;
  return Reset(/*keepPoints=*/true);
}

ZRESULT IGfxRotoTransImp::Reset(bool keepPoints) {
  if (!keepPoints) {
    count_ = 0;
    nextPointId_ = 1;
    if (table_ != nullptr) std::memset(static_cast<void*>(table_), 0, kGfxRotoTransCapacity * sizeof(Slot));
  }
  solved_ = 0;
  forwardResidual_ = {0, 0};
  inverseResidual_ = {0, 0};
  SetModified(true);
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::GetCapacity(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = kGfxRotoTransCapacity;
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::GetPointCount(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = count_;
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::GetPointID(uint32_t index, uint32_t* id) {
  if (id == nullptr || index >= count_) return ZR_BADARG;
  *id = table_[index].id;
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::IndexOfPointID(uint32_t id, uint32_t* index) {
  if (index == nullptr) return ZR_BADARG;
  for (uint32_t i = 0; i < count_; ++i) {
    if (table_[i].id == id) {
      *index = i;
      return ZR_OK;
    }
  }
  *index = kNoPointIndex;
  return ZR_BADARG;
}

// Every new point takes the next ID, which then advances, so IDs are unique
// in the table; DeletePoint hands the newest one back.
ZRESULT IGfxRotoTransImp::AddPoint(const GfxRotoTransPoint* record, uint32_t* id) {
  if (record == nullptr || !isValidRecordSize(record->cbSize)) return ZR_BADARG;
  if (count_ == kGfxRotoTransCapacity) return ZR_FAILED;
  Slot& slot = table_[count_];
  std::memcpy(&slot.record, record, record->cbSize);
  if (record->cbSize == kGfxRotoTransPointOldSize) {
    slot.record.cbSize = kGfxRotoTransPointSize;
    slot.record.weight = 1.0;
  }
  if (kind_ == grtAxisScales) slot.record.length = std::fabs(slot.record.length);
  if (usesWeights(kind_)) slot.record.weight = std::fabs(slot.record.weight);
  slot.id = nextPointId_++;
  if (id != nullptr) *id = slot.id;
  ++count_;
  solved_ = 0;
  SetModified(true);
  return ZR_OK;
}

void IGfxRotoTransImp::removeSlot(uint32_t index) {
  std::memmove(static_cast<void*>(&table_[index]), &table_[index + 1], (count_ - index - 1) * sizeof(Slot));
  --count_;
}

ZRESULT IGfxRotoTransImp::DeletePoint(uint32_t index) {
  if (index >= count_) return ZR_BADARG;
  if (table_[index].id + 1 == nextPointId_) --nextPointId_;
  removeSlot(index);
  solved_ = 0;
  SetModified(true);
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::DeletePointByID(uint32_t id) {
  uint32_t index = 0;
  if (IndexOfPointID(id, &index) != ZR_OK) return ZR_BADARG;
  return DeletePoint(index);
}

ZRESULT IGfxRotoTransImp::GetPoint(uint32_t index, GfxRotoTransPoint* record) {
  if (index >= count_ || record == nullptr || !isValidRecordSize(record->cbSize)) return ZR_BADARG;
  DSStructInit(record);
  DSStructCopy(record, &table_[index].record);
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::GetPointByID(uint32_t id, GfxRotoTransPoint* record) {
  uint32_t index = 0;
  if (IndexOfPointID(id, &index) != ZR_OK) return ZR_BADARG;
  return GetPoint(index, record);
}

ZRESULT IGfxRotoTransImp::SetPoint(uint32_t index, const GfxRotoTransPoint* record) {
  if (index >= count_ || record == nullptr || !isValidRecordSize(record->cbSize)) return ZR_BADARG;
  GfxRotoTransPoint& stored = table_[index].record;
  std::memcpy(&stored, record, record->cbSize);
  stored.cbSize = kGfxRotoTransPointSize;
  stored.weight = record->cbSize == kGfxRotoTransPointOldSize ? 1.0 : std::fabs(record->weight);
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::FindPointByName(const WCHAR* name, uint32_t* index) {
  if (index != nullptr) *index = kNoPointIndex;
  if (name == nullptr || index == nullptr) return ZR_BADARG;
  for (uint32_t i = 0; i < count_; ++i) {
    const char16_t* stored = table_[i].record.name;
    size_t length = 0;
    while (length < 64 && stored[length] != u'\0') ++length;
    if (platform::equalsIgnoreCase(std::u16string_view(stored, length), name)) {
      *index = i;
      return ZR_OK;
    }
  }
  return ZR_NO;
}

// Kind 2 records hold both ends of a segment in the source space, so the
// source shift or rotation applies to both and the destination one to none.
ZRESULT IGfxRotoTransImp::ShiftPoints(const T_POINT2D* sourceShift, const T_POINT2D* destinationShift) {
  if (sourceShift == nullptr && destinationShift == nullptr) return ZR_BADARG;
  // The points of a kind above the last stay where they are.
  const bool moves = kind_ <= kGfxRotoTransLastKind;
  const bool segments = kind_ == grtAxisScales;
  const T_POINT2D* dstShift = segments ? sourceShift : destinationShift;
  for (uint32_t i = 0; moves && i < count_; ++i) {
    GfxRotoTransPoint& r = table_[i].record;
    if (sourceShift != nullptr) {
      r.srcX = r.srcX + sourceShift->x;
      r.srcY = r.srcY + sourceShift->y;
    }
    if (dstShift != nullptr) {
      r.dstX = r.dstX + dstShift->x;
      r.dstY = r.dstY + dstShift->y;
    }
  }
  if (count_ > 0) SetModified(true);
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::RotatePoints(const T_POINT2D* sourceCentre, const T_POINT2D* destinationCentre,
                                       double angle) {
  if (sourceCentre == nullptr && destinationCentre == nullptr) return ZR_BADARG;
  const bool moves = kind_ <= kGfxRotoTransLastKind;
  const double c = std::cos(angle), s = std::sin(angle);
  const bool segments = kind_ == grtAxisScales;
  const T_POINT2D* dstCentre = segments ? sourceCentre : destinationCentre;
  for (uint32_t i = 0; moves && i < count_; ++i) {
    GfxRotoTransPoint& r = table_[i].record;
    if (sourceCentre != nullptr) {
      double x = r.srcX, y = r.srcY;
      rotateAbout(*sourceCentre, c, s, x, y);
      r.srcX = x;
      r.srcY = y;
    }
    if (dstCentre != nullptr) {
      double x = r.dstX, y = r.dstY;
      rotateAbout(*dstCentre, c, s, x, y);
      r.dstX = x;
      r.dstY = y;
    }
  }
  if (count_ > 0) SetModified(true);
  return ZR_OK;
}

// --- computing -------------------------------------------------------------------------

ZRESULT IGfxRotoTransImp::Compute(bool restoreOnFailure) {
  GfxRotoTransStreamableCoeffs saved{};
  saved.cbSize = kGfxRotoTransCoeffsSize;
  const bool heldFit = GetCoeffs(&saved) == ZR_OK;
  solved_ = 0;
  ZRESULT result = PrepareCompute();
  if (result == ZR_OK) {
    switch (kind_) {
      case grtSimilarity:
      case grtSimilarityCentred: result = SolveSimilarity(); break;
      case grtAffine: result = SolveAffine(); break;
      case grtAxisScales: result = SolveAxisScales(); break;
      case grtBilinear:
        // The backward fit runs only after a good forward one.
        result = SolveBilinear(true);
        if (result == ZR_OK) result = SolveBilinear(false);
        break;
      case grtConditionedAffine: result = SolveConditionedAffine(); break;
      case grtAffinePlain:
      case grtWeightedAffinePlain: result = SolveAffinePlain(); break;
      case grtWeightedAffine: result = SolveWeightedAffine(); break;
      case grtProjective: result = SolveProjective(); break;
      case grtWeightedSimilarity:
      case grtWeightedSimilarityCentred: result = SolveWeightedSimilarity(); break;
      case grtRigid:
      case grtRigidCentred: result = SolveRigid(); break;
      case grtScaleRotate:
      case grtScaleRotateCentred:
        result = SolveScaleRotate(true);
        if (result == ZR_OK) result = SolveScaleRotate(false);
        break;
      case grtRotateScale:
      case grtRotateScaleCentred:
        result = SolveRotateScale(true);
        if (result == ZR_OK) result = SolveRotateScale(false);
        break;
      case grtOrientRigid:
      case grtOrientSimilarity:
      case grtOrientStretched: result = SolveOriented(kind_); break;
      default:
        // A kind above 20 runs nothing; ComputeResiduals then finds the
        // object unsolved.
        break;
    }
  }
  if (result == ZR_OK) result = ComputeResiduals();
  if (result == ZR_OK) result = FinishCompute();
  if (result != ZR_OK) {
    solved_ = 0;
    if (restoreOnFailure && heldFit) SetCoeffs(&saved, /*keepPoints=*/true);
  }
  return result;
}

ZRESULT IGfxRotoTransImp::PrepareCompute() {
  if ((inputOptions_ & grtDropDuplicates) != 0) return RemoveDuplicatePoints();
  return ZR_OK;
}

// Of each group of points closer than 1e-6 at either end the last one in
// table order stays; the others are gone for good.
ZRESULT IGfxRotoTransImp::RemoveDuplicatePoints() {
  if (kind_ == grtAxisScales) return ZR_OK;
  constexpr double kSamePoint = 1e-06;
  for (uint32_t i = 0; i < count_;) {
    const GfxRotoTransPoint& a = table_[i].record;
    bool duplicate = false;
    for (uint32_t j = i + 1; j < count_ && !duplicate; ++j) {
      const GfxRotoTransPoint& b = table_[j].record;
      duplicate = distance(a.srcX, a.srcY, b.srcX, b.srcY) < kSamePoint ||
                  distance(a.dstX, a.dstY, b.dstX, b.dstY) < kSamePoint;
    }
    if (duplicate)
      removeSlot(i);
    else
      ++i;
  }
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::FinishCompute() {
  if ((kind_ == grtAffine || kind_ == grtWeightedAffine) && (resultOptions_ & grtConformAffine) != 0)
    return ConformAffine();
  return ZR_OK;
}

// Makes the rows (c2, c3) and (c5, c4) orthogonal and of their mean length.
// A c4 of 0 cannot place c3: rows already orthogonal are only evened, any
// other case (and a zero row) fails without a change.
ZRESULT IGfxRotoTransImp::ConformAffine() {
  double c3 = c_[3];
  if (c_[4] != 0)
    c3 = -(c_[2] * c_[5]) / c_[4];
  else if (c_[2] * c_[5] != 0)
    return ZR_FAILED;
  const double s1 = std::sqrt(c_[2] * c_[2] + c3 * c3);
  const double s2 = std::sqrt(c_[5] * c_[5] + c_[4] * c_[4]);
  if (s1 == 0 || s2 == 0 || !std::isfinite(s1) || !std::isfinite(s2)) return ZR_FAILED;
  const double m = (s1 + s2) / 2;
  c_[3] = c3;
  c_[2] *= m / s1;
  c_[3] *= m / s1;
  c_[4] *= m / s2;
  c_[5] *= m / s2;
  return ComputeResiduals();
}

// Each sum becomes sqrt(sum) / n (not the root-mean-square). A point whose
// image cannot be formed adds nothing; no points give (0, 0).
ZRESULT IGfxRotoTransImp::ComputeResiduals() {
  if (solved_ == 0) return ZR_FAILED;
  forwardResidual_ = {0, 0};
  inverseResidual_ = {0, 0};
  if (count_ == 0) return ZR_OK;
  double rx = 0, ry = 0, ix = 0, iy = 0;
  for (uint32_t i = 0; i < count_; ++i) {
    const GfxRotoTransPoint& r = table_[i].record;
    if (kind_ == grtAxisScales) {
      double ax, ay, bx, by;
      if (forward(r.srcX, r.srcY, ax, ay) && forward(r.dstX, r.dstY, bx, by)) {
        const double d = distance(ax, ay, bx, by) - r.length;
        rx += d * d;
      }
      continue;
    }
    double X, Y;
    if (forward(r.srcX, r.srcY, X, Y)) {
      rx += (r.dstX - X) * (r.dstX - X);
      ry += (r.dstY - Y) * (r.dstY - Y);
    }
    double x, y;
    if (inverse(r.dstX, r.dstY, x, y)) {
      ix += (r.srcX - x) * (r.srcX - x);
      iy += (r.srcY - y) * (r.srcY - y);
    }
  }
  const double n = count_;
  forwardResidual_ = {std::sqrt(rx) / n, std::sqrt(ry) / n};
  inverseResidual_ = {std::sqrt(ix) / n, std::sqrt(iy) / n};
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::GetResiduals(T_POINT2D* forwardOut, T_POINT2D* inverseOut) {
  if (forwardOut == nullptr && inverseOut == nullptr) return ZR_BADARG;
  const bool solved = solved_ != 0;
  if (forwardOut != nullptr) *forwardOut = solved ? forwardResidual_ : T_POINT2D{0, 0};
  if (inverseOut != nullptr) *inverseOut = solved ? inverseResidual_ : T_POINT2D{0, 0};
  return solved ? ZR_OK : ZR_FAILED;
}

bool IGfxRotoTransImp::NeedsCompute() { return solved_ == 0; }

// --- the formulas ----------------------------------------------------------------------

GfxOrientCoeffs IGfxRotoTransImp::orientCoeffs() const {
  GfxOrientCoeffs o{};
  const auto* block = reinterpret_cast<const uint8_t*>(c_);
  std::memcpy(&o.flags, block, 4);
  double* fields[] = {&o.alpha, &o.tx, &o.ty, &o.s, &o.r, &o.p, &o.q, &o.ex, &o.ey};
  for (size_t i = 0; i < 9; ++i) std::memcpy(fields[i], block + 4 + 8 * i, 8);
  return o;
}

void IGfxRotoTransImp::setOrientCoeffs(const GfxOrientCoeffs& o) {
  auto* block = reinterpret_cast<uint8_t*>(c_);
  std::memcpy(block, &o.flags, 4);
  const double fields[] = {o.alpha, o.tx, o.ty, o.s, o.r, o.p, o.q, o.ex, o.ey};
  for (size_t i = 0; i < 9; ++i) std::memcpy(block + 4 + 8 * i, &fields[i], 8);
}

bool IGfxRotoTransImp::forward(double x, double y, double& X, double& Y) const {
  const double* c = c_;
  const double xr = x - c[0], yr = y - c[1];
  switch (kind_) {
    case 0:
    case 7:
    case 10:
    case 11:
      X = c[3] * xr - c[2] * yr + c[4];
      Y = c[2] * xr + c[3] * yr + c[5];
      return true;
    case 4:
    case 8:
      X = c[3] * xr - c[2] * yr + c[4] + c[6];
      Y = c[2] * xr + c[3] * yr + c[5] + c[7];
      return true;
    case 1:
    case 9:
      X = c[2] * xr + c[3] * yr + c[6];
      Y = c[5] * xr + c[4] * yr + c[7];
      return true;
    case 5:
      X = c[2] * xr + c[3] * yr + c[6] + c[8];
      Y = c[5] * xr + c[4] * yr + c[7] + c[9];
      return true;
    case 2:
      X = c[0] * x;
      Y = c[1] * y;
      return true;
    case 3:
      X = c[0] + c[1] * x + c[2] * y + c[3] * x * y;
      Y = c[4] + c[5] * x + c[6] * y + c[7] * x * y;
      return true;
    case 6:
    case 17:
      X = c[0] * x + c[1] * y + c[2];
      Y = c[3] * x + c[4] * y + c[5];
      return true;
    case 12:
    case 13: {
      const double u = kind_ == 13 ? xr : x, v = kind_ == 13 ? yr : y;
      X = c[2] * c[4] * u - c[3] * c[5] * v + c[6];
      Y = c[2] * c[5] * u + c[3] * c[4] * v + c[7];
      return true;
    }
    case 14:
    case 15:
    case 16: {
      const GfxOrientCoeffs o = orientCoeffs();
      if ((o.flags & kOrientShiftOnly) != 0) {
        X = x + o.ex;
        Y = y + o.ey;
        return true;
      }
      const double t = o.r * y;
      X = o.q * x + o.p * t + o.tx;
      Y = o.q * t - o.p * x + o.ty;
      return true;
    }
    case 18: {
      const double v = c[6] * x + c[7] * y + 1;
      if (v == 0) return false;
      X = (c[0] * x + c[1] * y + c[2]) / v;
      Y = (c[3] * x + c[4] * y + c[5]) / v;
      return true;
    }
    case 19:
    case 20: {
      const double u = kind_ == 20 ? xr : x, v = kind_ == 20 ? yr : y;
      X = c[2] * c[4] * u + c[2] * c[5] * v + c[6];
      Y = c[3] * c[4] * v - c[3] * c[5] * u + c[7];
      return true;
    }
    default: return false;
  }
}

// A division by zero (a vanishing scale or determinant) fails instead of
// producing infinities.
bool IGfxRotoTransImp::inverse(double X, double Y, double& x, double& y) const {
  const double* c = c_;
  switch (kind_) {
    case 0:
    case 7:
    case 4:
    case 8: {
      const bool centred = kind_ == 4 || kind_ == 8;
      const double u = X - c[4] - (centred ? c[6] : 0), v = Y - c[5] - (centred ? c[7] : 0);
      const double d = c[2] * c[2] + c[3] * c[3];
      if (d == 0) return false;
      x = c[0] + (v * c[2] + u * c[3]) / d;
      y = c[1] + (v * c[3] - u * c[2]) / d;
      return true;
    }
    case 10:
    case 11: {
      const double u = X - c[4], v = Y - c[5];
      x = c[0] + c[2] * v + c[3] * u;
      y = c[1] + c[3] * v - c[2] * u;
      return true;
    }
    case 1:
    case 9:
    case 5: {
      const double D = c[3] * c[5] - c[2] * c[4];
      if (D == 0) return false;
      const double t6 = kind_ == 5 ? c[6] + c[8] : c[6];
      const double t7 = kind_ == 5 ? c[7] + c[9] : c[7];
      x = c[0] + ((t6 - X) * c[4] - (t7 - Y) * c[3]) / D;
      y = c[1] + ((t7 - Y) * c[2] - (t6 - X) * c[5]) / D;
      return true;
    }
    case 2:
      if (c[0] == 0 || c[1] == 0) return false;
      x = X / c[0];
      y = Y / c[1];
      return true;
    case 3:
      x = c[8] + c[9] * X + c[10] * Y + c[11] * X * Y;
      y = c[12] + c[13] * X + c[14] * Y + c[15] * X * Y;
      return true;
    case 6:
    case 17: {
      const double D = c[0] * c[4] - c[3] * c[1];
      if (D == 0) return false;
      x = (c[1] * c[5] + X * c[4] - Y * c[1] - c[4] * c[2]) / D;
      y = (c[3] * c[2] + Y * c[0] - X * c[3] - c[0] * c[5]) / D;
      return true;
    }
    case 12:
      x = c[10] * c[12] * X - c[11] * c[13] * Y + c[14];
      y = c[10] * c[13] * X + c[11] * c[12] * Y + c[15];
      return true;
    case 13: {
      const double D = c[2] * c[3];
      if (D == 0) return false;
      const double u = X - c[6], v = Y - c[7];
      x = c[0] + (c[5] * c[3] * v + c[4] * c[3] * u) / D;
      y = c[1] + (c[4] * c[2] * v - c[5] * c[2] * u) / D;
      return true;
    }
    case 14:
    case 15:
    case 16: {
      const GfxOrientCoeffs o = orientCoeffs();
      if ((o.flags & kOrientShiftOnly) != 0) {
        x = X - o.ex;
        y = Y - o.ey;
        return true;
      }
      const double d = o.p * o.p + o.q * o.q;
      if (std::sqrt(d) <= 0x1p-52 || o.r == 0) return false;
      x = ((X - o.tx) * o.q + (o.ty - Y) * o.p) / d;
      y = ((Y - o.ty) * o.q + (X - o.tx) * o.p) / (d * o.r);
      return true;
    }
    case 18: {
      const double D =
          c[4] * c[6] * X + c[1] * c[3] + c[0] * c[7] * Y - c[0] * c[4] - c[1] * c[6] * Y - c[3] * c[7] * X;
      if (D == 0) return false;
      x = (c[5] * c[7] * X + c[2] * c[4] + c[1] * Y - c[1] * c[5] - c[2] * c[7] * Y - c[4] * X) / D;
      y = (c[3] * X + c[2] * c[6] * Y + c[0] * c[5] - c[0] * Y - c[2] * c[3] - c[5] * c[6] * X) / D;
      return true;
    }
    case 19:
    case 20: {
      const double u = kind_ == 20 ? X - c[8] : X, v = kind_ == 20 ? Y - c[9] : Y;
      x = c[10] * c[12] * u + c[10] * c[13] * v + c[14];
      y = c[11] * c[12] * v - c[11] * c[13] * u + c[15];
      return true;
    }
    default: return false;
  }
}

ZRESULT IGfxRotoTransImp::TransformPoint(const T_POINT2D* in, T_POINT2D* out) {
  return mapPoint(solved_, in, out, [this](double x, double y, double& X, double& Y) { return forward(x, y, X, Y); });
}

ZRESULT IGfxRotoTransImp::InverseTransformPoint(const T_POINT2D* in, T_POINT2D* out) {
  return mapPoint(solved_, in, out, [this](double X, double Y, double& x, double& y) { return inverse(X, Y, x, y); });
}

ZRESULT IGfxRotoTransImp::TransformPoints(const T_POINT2D* in, T_POINT2D* out, uint32_t n) {
  return mapPoints(this, &IGfxRotoTrans::TransformPoint, solved_, in, out, n);
}

ZRESULT IGfxRotoTransImp::InverseTransformPoints(const T_POINT2D* in, T_POINT2D* out, uint32_t n) {
  return mapPoints(this, &IGfxRotoTrans::InverseTransformPoint, solved_, in, out, n);
}

// --- the coefficient record ----------------------------------------------------------

ZRESULT IGfxRotoTransImp::GetCoeffs(GfxRotoTransStreamableCoeffs* record) {
  if (record == nullptr || record->cbSize != kGfxRotoTransCoeffsSize) return ZR_BADARG;
  DSStructInit(record);
  if (solved_ == 0) return ZR_FAILED;
  record->version = 0;
  record->pointCount = count_;
  record->kind = kind_;
  record->forwardX = forwardResidual_.x;
  record->forwardY = forwardResidual_.y;
  record->inverseX = inverseResidual_.x;
  record->inverseY = inverseResidual_.y;
  std::memcpy(record->coeffs, c_, kindBytes(kind_));
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::SetCoeffs(const GfxRotoTransStreamableCoeffs* record, bool keepPoints) {
  if (record == nullptr || record->cbSize != kGfxRotoTransCoeffsSize || record->version != 0) return ZR_BADARG;
  if (record->kind > kGfxRotoTransLastKind) return ZR_FAILED;
  Reset(keepPoints);
  kind_ = record->kind;
  solved_ = 1;
  forwardResidual_ = {record->forwardX, record->forwardY};
  inverseResidual_ = {record->inverseX, record->inverseY};
  std::memcpy(c_, record->coeffs, kindBytes(kind_));
  return ZR_OK;
}
