// IGfxRotoTransImp: reading and editing the rotation and scale of a fit.
#include "zefcorek/GfxRotoTrans.h"

#include "zefcorek/Angles.h"

#include <cmath>

namespace {

// The direction of (b, a) as an angle: atan2(a, b), and 0 for (0, 0).
double dir(double a, double b) { return a == 0 && b == 0 ? 0 : std::atan2(a, b); }

enum class Family { Similarity, Rigid, Affine, AxisScales, Bilinear, Raw, TwoScale, Oriented, None };

Family familyOf(uint32_t kind) {
  switch (kind) {
    case 0:
    case 4:
    case 7:
    case 8: return Family::Similarity;
    case 10:
    case 11: return Family::Rigid;
    case 1:
    case 5:
    case 9: return Family::Affine;
    case 2: return Family::AxisScales;
    case 3: return Family::Bilinear;
    case 6:
    case 17:
    case 18: return Family::Raw;
    case 12:
    case 13:
    case 19:
    case 20: return Family::TwoScale;
    case 14:
    case 15:
    case 16: return Family::Oriented;
    default: return Family::None;
  }
}

}  // namespace

ZRESULT IGfxRotoTransImp::GetRotationAngle(double* angle, uint32_t axis) {
  if (angle == nullptr) return ZR_BADARG;
  if (solved_ == 0 || axis > 1) {
    *angle = 0;
    return ZR_FAILED;
  }
  const double* c = c_;
  switch (familyOf(kind_)) {
    case Family::Similarity:
    case Family::Rigid: {
      const double theta = dir(c[2], c[3]);
      *angle = axis == 0 ? theta : aeClampTo2PI(theta + M_PI / 2);
      return ZR_OK;
    }
    case Family::Affine: *angle = axis == 0 ? dir(-c[3], c[2]) : dir(c[4], c[5]); return ZR_OK;
    case Family::TwoScale: *angle = axis == 0 ? dir(c[5], c[4]) : dir(c[4], c[5]); return ZR_OK;
    case Family::Oriented: {
      const double theta = M_PI / 2 - orientCoeffs().alpha;
      *angle = axis == 0 ? theta : aeClampTo2PI(theta + M_PI / 2);
      return ZR_OK;
    }
    case Family::AxisScales: *angle = axis == 0 ? 0 : M_PI / 2; return ZR_OK;
    case Family::Bilinear: *angle = 0; return ZR_FAILED;
    case Family::Raw:
    case Family::None: return ZR_FAILED;
  }
  return ZR_FAILED;
}

ZRESULT IGfxRotoTransImp::GetAzimuth(double* azimuth, uint32_t mode) {
  if (const ZRESULT result = GetRotationAngle(azimuth, 0); result != ZR_OK) return result;
  *azimuth = aeAngle2Azimuth(*azimuth);
  if (mode == 1) {
    *azimuth = aeClampTo2PI(*azimuth - M_PI / 2);
  } else if (mode != 0) {
    *azimuth = 0;
    return ZR_BADARG;
  }
  if (std::fabs(*azimuth - 2 * M_PI) < 1e-06) *azimuth = 0;
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::GetScales(double* sx, double* sy) {
  if (sx == nullptr && sy == nullptr) return ZR_BADARG;
  if (solved_ == 0) return ZR_FAILED;
  const double* c = c_;
  double x = 0, y = 0;
  switch (familyOf(kind_)) {
    case Family::Similarity: x = y = std::sqrt(c[2] * c[2] + c[3] * c[3]); break;
    case Family::Affine:
      x = std::sqrt(c[2] * c[2] + c[3] * c[3]);
      y = std::sqrt(c[5] * c[5] + c[4] * c[4]);
      break;
    case Family::AxisScales:
      x = c[0];
      y = c[1];
      break;
    case Family::Rigid: x = y = 1.0; break;
    case Family::TwoScale:
      x = c[2];
      y = c[3];
      break;
    case Family::Oriented: {
      const GfxOrientCoeffs o = orientCoeffs();
      x = o.s;
      y = o.s * o.r;
      break;
    }
    case Family::Bilinear:
    case Family::Raw:
    case Family::None: return ZR_FAILED;
  }
  if (sx != nullptr) *sx = x;
  if (sy != nullptr) *sy = y;
  return ZR_OK;
}

// A divisor scale of 0 gives no ratio: 1.0 and 2 rather than infinity.
ZRESULT IGfxRotoTransImp::GetScaleRatioXY(double* ratio) {
  if (ratio == nullptr) return ZR_BADARG;
  double sx = 0, sy = 0;
  const ZRESULT result = GetScales(&sx, &sy);
  *ratio = 1.0;
  if (result != ZR_OK) return result;
  if (sy == 0) return ZR_FAILED;
  *ratio = sx / sy;
  return ZR_OK;
}

ZRESULT IGfxRotoTransImp::GetScaleRatioYX(double* ratio) {
  if (ratio == nullptr) return ZR_BADARG;
  double sx = 0, sy = 0;
  const ZRESULT result = GetScales(&sx, &sy);
  *ratio = 1.0;
  if (result != ZR_OK) return result;
  if (sx == 0) return ZR_FAILED;
  *ratio = sy / sx;
  return ZR_OK;
}

// The residuals are kept as they are.
ZRESULT IGfxRotoTransImp::RemoveRotation() {
  if (solved_ == 0) return ZR_FAILED;
  double* c = c_;
  switch (familyOf(kind_)) {
    case Family::Similarity:
      c[3] = std::sqrt(c[2] * c[2] + c[3] * c[3]);
      c[2] = 0;
      break;
    case Family::Affine:
      c[2] = std::sqrt(c[2] * c[2] + c[3] * c[3]);
      c[3] = 0;
      c[4] = std::sqrt(c[4] * c[4] + c[5] * c[5]);
      c[5] = 0;
      break;
    case Family::Rigid:
      c[2] = 0;
      c[3] = 1;
      break;
    case Family::TwoScale:
      c[4] = 1;
      c[5] = 0;
      c[12] = 1;
      c[13] = 0;
      break;
    case Family::Oriented: {
      GfxOrientCoeffs o = orientCoeffs();
      o.alpha = 0;
      o.p = 0;
      o.q = 1;
      setOrientCoeffs(o);
      break;
    }
    case Family::AxisScales: break;
    case Family::Bilinear:
    case Family::Raw:
    case Family::None: return ZR_FAILED;
  }
  SetModified(true);
  return ZR_OK;
}

// The residuals are recomputed; the object is not marked modified. A row of
// length 0 (kinds 1, 5, 9) cannot be scaled to 1: 2 and nothing changes.
ZRESULT IGfxRotoTransImp::RemoveScale() {
  if (solved_ == 0) return ZR_FAILED;
  double* c = c_;
  switch (familyOf(kind_)) {
    case Family::Similarity: {
      const double s = std::sqrt(c[2] * c[2] + c[3] * c[3]);
      if (s != 0) {
        c[2] /= s;
        c[3] /= s;
      }
      break;
    }
    case Family::Affine: {
      const double s1 = std::sqrt(c[2] * c[2] + c[3] * c[3]);
      const double s2 = std::sqrt(c[5] * c[5] + c[4] * c[4]);
      if (s1 == 0 || s2 == 0) return ZR_FAILED;
      c[2] /= s1;
      c[3] /= s1;
      c[4] /= s2;
      c[5] /= s2;
      break;
    }
    case Family::Rigid: break;
    case Family::TwoScale:
      c[2] = c[3] = 1;
      c[10] = c[11] = 1;
      break;
    case Family::Oriented: {
      GfxOrientCoeffs o = orientCoeffs();
      if (o.s == 0) return ZR_FAILED;
      o.p /= o.s;
      o.q /= o.s;
      o.s = 1;
      setOrientCoeffs(o);
      break;
    }
    case Family::Raw: return ZR_FAILED;
    case Family::AxisScales:
    case Family::Bilinear: return ZR_NOTSUPPORTED;
    case Family::None: return ZR_FAILED;
  }
  return ComputeResiduals();
}
