// IGfxRotoTrans: a plane coordinate transformation estimated from control
// points, pairs of a source point (x, y) and a destination point (X, Y).
//
// The client fills a table of up to 8192 control points, chooses one of 21
// kinds of fit, computes it, reads residuals and coefficients and transforms
// points both ways. A fit can be taken out as a 308-byte record and put back
// into any object, which then transforms without control points.
//
// Results are the ZR_* codes (0 ok, 1 not found, 2 failed, 10 bad argument,
// 21 not supported); a degenerate weighted similarity answers E_FAIL.
// Operations are declared in their slot order; never reorder them.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/StdInterface.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The 21 kinds of fit (parameter 0).
enum GfxRotoTransKind : uint32_t {
  grtSimilarity = 0,
  grtAffine = 1,
  grtAxisScales = 2,
  grtBilinear = 3,
  grtSimilarityCentred = 4,
  grtConditionedAffine = 5,
  grtAffinePlain = 6,
  grtWeightedSimilarity = 7,
  grtWeightedSimilarityCentred = 8,
  grtWeightedAffine = 9,
  grtRigid = 10,
  grtRigidCentred = 11,
  grtScaleRotate = 12,
  grtScaleRotateCentred = 13,
  grtOrientRigid = 14,
  grtOrientSimilarity = 15,
  grtOrientStretched = 16,
  grtWeightedAffinePlain = 17,
  grtProjective = 18,
  grtRotateScale = 19,
  grtRotateScaleCentred = 20,
};
inline constexpr uint32_t kGfxRotoTransLastKind = grtRotateScaleCentred;

// Parameters (GetParam / SetParam) and their option bits.
inline constexpr uint32_t grpKind = 0;
inline constexpr uint32_t grpInputOptions = 1;
inline constexpr uint32_t grpResultOptions = 2;
inline constexpr uint32_t grtDropDuplicates = 0x1;  // input option
inline constexpr uint32_t grtConformAffine = 0x1;   // result option

inline constexpr uint32_t kGfxRotoTransCapacity = 8192;
inline constexpr uint32_t kNoPointIndex = 0xFFFFFFFF;

#pragma pack(push, 4)

// One control point, a sized record of 212 bytes (204 in its older form,
// without the weight). For kind 2 source and destination are the two ends
// of one measured segment in one space.
//
//   offset  field
//   0       cbSize: 212 (or 204)
//   4, 12   source x, y
//   20, 28  destination x, y
//   36      measured length (kind 2)
//   44      direction angle, radians (kind 2 with flag bit 0)
//   52      kind-2 flags: bit 0 = the length lies along the angle
//   56      name: 64 UTF-16 units, at most 63 characters
//   184     reserved, 16 bytes; 200 reserved u32 (kept as given)
//   204     weight
struct GfxRotoTransPoint {
  uint32_t cbSize;
  double srcX, srcY;
  double dstX, dstY;
  double length;
  double angle;
  uint32_t flags;
  char16_t name[64];
  uint8_t reserved[16];
  uint32_t reserved2;
  double weight;
};

// A fit taken out of an object: 308 bytes, byte-exact for clients that
// persist it.
//
//   offset  field
//   0       cbSize: 308
//   4       version: 0
//   8       number of control points when taken (not read back)
//   12      kind
//   16, 32  forward and inverse residual (T_POINT2D)
//   48      reserved, 0
//   52      the coefficient block (256 bytes; only the kind's part filled)
struct GfxRotoTransStreamableCoeffs {
  uint32_t cbSize;
  uint32_t version;
  uint32_t pointCount;
  uint32_t kind;
  double forwardX, forwardY;
  double inverseX, inverseY;
  uint32_t reserved;
  uint8_t coeffs[256];
};

#pragma pack(pop)

inline constexpr uint32_t kGfxRotoTransPointSize = 212;
inline constexpr uint32_t kGfxRotoTransPointOldSize = 204;
inline constexpr uint32_t kGfxRotoTransCoeffsSize = 308;

static_assert(sizeof(GfxRotoTransPoint) == kGfxRotoTransPointSize);
static_assert(offsetof(GfxRotoTransPoint, srcX) == 4 && offsetof(GfxRotoTransPoint, srcY) == 12);
static_assert(offsetof(GfxRotoTransPoint, dstX) == 20 && offsetof(GfxRotoTransPoint, dstY) == 28);
static_assert(offsetof(GfxRotoTransPoint, length) == 36 && offsetof(GfxRotoTransPoint, angle) == 44);
static_assert(offsetof(GfxRotoTransPoint, flags) == 52 && offsetof(GfxRotoTransPoint, name) == 56);
static_assert(offsetof(GfxRotoTransPoint, reserved) == 184);
static_assert(offsetof(GfxRotoTransPoint, reserved2) == 200);
static_assert(offsetof(GfxRotoTransPoint, weight) == 204);
static_assert(sizeof(GfxRotoTransStreamableCoeffs) == kGfxRotoTransCoeffsSize);
static_assert(offsetof(GfxRotoTransStreamableCoeffs, kind) == 12);
static_assert(offsetof(GfxRotoTransStreamableCoeffs, forwardX) == 16);
static_assert(offsetof(GfxRotoTransStreamableCoeffs, inverseX) == 32);
static_assert(offsetof(GfxRotoTransStreamableCoeffs, reserved) == 48);
static_assert(offsetof(GfxRotoTransStreamableCoeffs, coeffs) == 52);

struct ZEF_EXPORT IGfxRotoTrans : virtual IStdDataInterface {
  // 0-2: parameters; a changed value resets the fit (points kept).
  virtual ZRESULT GetParam(uint32_t which, uint32_t* value) = 0;
  virtual ZRESULT SetParam(uint32_t which, uint32_t value) = 0;
  virtual ZRESULT Reset(bool keepPoints) = 0;
  // 3-15: the control-point table.
  virtual ZRESULT GetCapacity(uint32_t* out) = 0;
  virtual ZRESULT GetPointCount(uint32_t* out) = 0;
  virtual ZRESULT GetPointID(uint32_t index, uint32_t* id) = 0;
  virtual ZRESULT IndexOfPointID(uint32_t id, uint32_t* index) = 0;
  virtual ZRESULT AddPoint(const GfxRotoTransPoint* record, uint32_t* id) = 0;
  virtual ZRESULT DeletePointByID(uint32_t id) = 0;
  virtual ZRESULT DeletePoint(uint32_t index) = 0;
  virtual ZRESULT GetPointByID(uint32_t id, GfxRotoTransPoint* record) = 0;
  virtual ZRESULT GetPoint(uint32_t index, GfxRotoTransPoint* record) = 0;
  virtual ZRESULT SetPoint(uint32_t index, const GfxRotoTransPoint* record) = 0;
  virtual ZRESULT FindPointByName(const WCHAR* name, uint32_t* index) = 0;
  virtual ZRESULT ShiftPoints(const T_POINT2D* sourceShift, const T_POINT2D* destinationShift) = 0;
  virtual ZRESULT RotatePoints(const T_POINT2D* sourceCentre, const T_POINT2D* destinationCentre, double angle) = 0;
  // 16-24: fitting and applying.
  virtual ZRESULT Compute(bool restoreOnFailure) = 0;
  virtual ZRESULT GetResiduals(T_POINT2D* forward, T_POINT2D* inverse) = 0;
  virtual ZRESULT GetRotationAngle(double* angle, uint32_t axis) = 0;
  virtual ZRESULT GetAzimuth(double* azimuth, uint32_t mode) = 0;
  // Not a result code: true while no fit is held.
  virtual bool NeedsCompute() = 0;
  virtual ZRESULT TransformPoint(const T_POINT2D* in, T_POINT2D* out) = 0;
  virtual ZRESULT InverseTransformPoint(const T_POINT2D* in, T_POINT2D* out) = 0;
  virtual ZRESULT TransformPoints(const T_POINT2D* in, T_POINT2D* out, uint32_t n) = 0;
  virtual ZRESULT InverseTransformPoints(const T_POINT2D* in, T_POINT2D* out, uint32_t n) = 0;
  // 25-31: the coefficient record, rotation and scale.
  virtual ZRESULT GetCoeffs(GfxRotoTransStreamableCoeffs* record) = 0;
  virtual ZRESULT SetCoeffs(const GfxRotoTransStreamableCoeffs* record, bool keepPoints) = 0;
  virtual ZRESULT RemoveRotation() = 0;
  virtual ZRESULT RemoveScale() = 0;
  virtual ZRESULT GetScales(double* sx, double* sy) = 0;
  virtual ZRESULT GetScaleRatioXY(double* ratio) = 0;
  virtual ZRESULT GetScaleRatioYX(double* ratio) = 0;
  ~IGfxRotoTrans() override;
};

// The coefficients of the oriented kinds 14 to 16, held packed in the
// coefficient block (a u32 of flags, then nine doubles from offset 4).
struct GfxOrientCoeffs {
  uint32_t flags;  // bit 0 scale kept, bit 1 stretch estimated, bit 2 shift only
  double alpha, tx, ty, s, r, p, q, ex, ey;
};
inline constexpr uint32_t kOrientScaleKept = 0x1;
inline constexpr uint32_t kOrientStretch = 0x2;
inline constexpr uint32_t kOrientShiftOnly = 0x4;

// A control point as the solvers read it: source, destination, weight.
struct GfxControlPoint {
  double x, y, X, Y, w;
};

class ZEF_EXPORT IGfxRotoTransImp : public IStdDataInterfaceImp, public virtual IGfxRotoTrans {
public:
  IGfxRotoTransImp();
  // Empties the table through Reset(false).
  ~IGfxRotoTransImp() override;

  // False when the point table could not be allocated.
  bool isUsable() const { return table_ != nullptr; }

  // ZR_NOTSUPPORTED for every identifier, with *out null.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT GetParam(uint32_t which, uint32_t* value) override;
  ZRESULT SetParam(uint32_t which, uint32_t value) override;
  ZRESULT Reset(bool keepPoints) override;
  ZRESULT GetCapacity(uint32_t* out) override;
  ZRESULT GetPointCount(uint32_t* out) override;
  ZRESULT GetPointID(uint32_t index, uint32_t* id) override;
  ZRESULT IndexOfPointID(uint32_t id, uint32_t* index) override;
  ZRESULT AddPoint(const GfxRotoTransPoint* record, uint32_t* id) override;
  ZRESULT DeletePointByID(uint32_t id) override;
  ZRESULT DeletePoint(uint32_t index) override;
  ZRESULT GetPointByID(uint32_t id, GfxRotoTransPoint* record) override;
  ZRESULT GetPoint(uint32_t index, GfxRotoTransPoint* record) override;
  ZRESULT SetPoint(uint32_t index, const GfxRotoTransPoint* record) override;
  ZRESULT FindPointByName(const WCHAR* name, uint32_t* index) override;
  ZRESULT ShiftPoints(const T_POINT2D* sourceShift, const T_POINT2D* destinationShift) override;
  ZRESULT RotatePoints(const T_POINT2D* sourceCentre, const T_POINT2D* destinationCentre, double angle) override;
  ZRESULT Compute(bool restoreOnFailure) override;
  ZRESULT GetResiduals(T_POINT2D* forward, T_POINT2D* inverse) override;
  ZRESULT GetRotationAngle(double* angle, uint32_t axis) override;
  ZRESULT GetAzimuth(double* azimuth, uint32_t mode) override;
  bool NeedsCompute() override;
  ZRESULT TransformPoint(const T_POINT2D* in, T_POINT2D* out) override;
  ZRESULT InverseTransformPoint(const T_POINT2D* in, T_POINT2D* out) override;
  ZRESULT TransformPoints(const T_POINT2D* in, T_POINT2D* out, uint32_t n) override;
  ZRESULT InverseTransformPoints(const T_POINT2D* in, T_POINT2D* out, uint32_t n) override;
  ZRESULT GetCoeffs(GfxRotoTransStreamableCoeffs* record) override;
  ZRESULT SetCoeffs(const GfxRotoTransStreamableCoeffs* record, bool keepPoints) override;
  ZRESULT RemoveRotation() override;
  ZRESULT RemoveScale() override;
  ZRESULT GetScales(double* sx, double* sy) override;
  ZRESULT GetScaleRatioXY(double* ratio) override;
  ZRESULT GetScaleRatioYX(double* ratio) override;

protected:
  // One table slot: the record, always in its 212-byte form, and its ID.
  struct Slot {
    GfxRotoTransPoint record;
    uint32_t id;
  };

  ZRESULT PrepareCompute();
  ZRESULT RemoveDuplicatePoints();
  ZRESULT FinishCompute();
  ZRESULT ConformAffine();
  ZRESULT ComputeResiduals();
  ZRESULT SolveSimilarity();
  ZRESULT SolveAffine();
  ZRESULT SolveAxisScales();
  ZRESULT SolveBilinear(bool forward);
  ZRESULT SolveConditionedAffine();
  ZRESULT SolveAffinePlain();
  ZRESULT SolveWeightedAffine();
  ZRESULT SolveProjective();
  ZRESULT SolveWeightedSimilarity();
  ZRESULT SolveRigid();
  ZRESULT SolveScaleRotate(bool forward);
  ZRESULT SolveRotateScale(bool forward);
  ZRESULT SolveOriented(uint32_t kind);

  std::vector<GfxControlPoint> controlPoints() const;
  // Ends a solver from its solve step on: the object is marked modified on
  // every path, the result passes through.
  ZRESULT finishSolve(ZRESULT result);

  bool forward(double x, double y, double& X, double& Y) const;
  bool inverse(double X, double Y, double& x, double& y) const;
  GfxOrientCoeffs orientCoeffs() const;
  void setOrientCoeffs(const GfxOrientCoeffs& coeffs);
  void removeSlot(uint32_t index);

  uint32_t nextPointId_ = 1;
  uint32_t count_ = 0;
  // The table is allocated once, at its full capacity, with the object, so
  // adding and deleting points never allocates (it is not a member array:
  // an object of 1.8 MB would put its interface parts megabytes from its
  // start). Slots at and above count_ are unused. Null only when the object
  // could not be made.
  Slot* table_;
  uint32_t kind_ = grtAffine;
  uint32_t inputOptions_ = 0;
  uint32_t resultOptions_ = 0;
  uint32_t solved_ = 0;
  // The coefficient block: c0 .. c31, or for kinds 14 to 16 the packed
  // GfxOrientCoeffs (read and written through orientCoeffs / setOrientCoeffs).
  double c_[32] = {};
  T_POINT2D forwardResidual_{0, 0};
  T_POINT2D inverseResidual_{0, 0};
};
