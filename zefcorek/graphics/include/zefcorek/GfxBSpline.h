// IGfxBSpline: a uniform B-spline of degree 2 or 3 through the control
// points of a point source, sampled s times per knot span into a point
// destination. An open control polygon gives a clamped curve from the first
// to the last control point; a closed one (the source's kGfxPtClosed bit) a
// periodic ring. IGfxSpline holds the source and destination; IGfxBSpline
// adds the rest of the one table of ten operations.
#pragma once

#include "zefcorek/GfxPoints.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>
#include <vector>

struct ZEF_EXPORT IGfxSpline : virtual IStdInterface {
  // With a reference for the caller (null when none); ZR_BADARG for a null out.
  virtual ZRESULT GetSource(IGfxPtSource3** out) = 0;
  // Keeps a reference on the new source (null allowed), drops the old one.
  virtual ZRESULT SetSource(IGfxPtSource3* source) = 0;
  virtual ZRESULT GetDestination(IGfxPtDestination3** out) = 0;
  virtual ZRESULT SetDestination(IGfxPtDestination3* destination) = 0;
  ~IGfxSpline() override;
};

struct ZEF_EXPORT IGfxBSpline : IGfxSpline {
  // 2 and 3; either out may be null, not both.
  virtual ZRESULT GetDegreeRange(uint32_t* min, uint32_t* max) = 0;
  virtual ZRESULT GetDegree(uint32_t* out) = 0;
  // ZR_FAILED for a degree outside the range (the degree stays).
  virtual ZRESULT SetDegree(uint32_t degree) = 0;
  virtual ZRESULT GetStepCount(uint32_t* out) = 0;
  // Samples per knot span, 2..128; else 10.
  virtual ZRESULT SetStepCount(uint32_t steps) = 0;
  // Appends (n - k) * s + 1 points (open) or n * s + 1 (closed) to the
  // destination and gives it the source's closed bit. ZR_FAILED without a source
  // or destination, for fewer than two control points, or when the
  // destination is not writable; other errors of either side are returned.
  virtual ZRESULT Compute() = 0;
  ~IGfxBSpline() override;
};

class ZEF_EXPORT IGfxBSplineImp : public IStdInterfaceImp, public virtual IGfxBSpline {
public:
  IGfxBSplineImp();
  // Drops the source and the destination.
  ~IGfxBSplineImp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT GetSource(IGfxPtSource3** out) override;
  ZRESULT SetSource(IGfxPtSource3* source) override;
  ZRESULT GetDestination(IGfxPtDestination3** out) override;
  ZRESULT SetDestination(IGfxPtDestination3* destination) override;
  ZRESULT GetDegreeRange(uint32_t* min, uint32_t* max) override;
  ZRESULT GetDegree(uint32_t* out) override;
  ZRESULT SetDegree(uint32_t degree) override;
  ZRESULT GetStepCount(uint32_t* out) override;
  ZRESULT SetStepCount(uint32_t steps) override;
  ZRESULT Compute() override;

private:
  ZRESULT evaluate(double t, uint32_t span, uint32_t first, uint32_t degree, uint32_t n, bool closed, uint32_t knots,
                   tagT_POINT3D* out);

  IGfxPtSource3* source_ = nullptr;            // counted
  IGfxPtDestination3* destination_ = nullptr;  // counted
  uint32_t degree_ = 3;
  uint32_t steps_ = 4;
  std::vector<tagT_POINT3D> work_;  // de Boor's points; grown, never shrunk
};
