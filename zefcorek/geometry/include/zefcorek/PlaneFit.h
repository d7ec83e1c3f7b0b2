// IPlaneFit: collects 3-D points with the caller's ids and fits the height
// plane z = a*x + b*y + c to them by least squares (vertical residuals).
//
// Made by the factory (CLSID_IPlaneFitImp) with one reference. Results are
// HRESULTs. The points are kept newest first: index 0 is the point added
// last.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>

// The plane record the object keeps and exchanges with clients.
struct T_PLANEFITDATA {
  uint32_t valid;  // 1 when a, b, c hold a fitted or set plane
  double a;
  double b;
  double c;
};
static_assert(sizeof(T_PLANEFITDATA) == 32, "layout of the plane record");

struct ZEF_EXPORT IPlaneFit : IUnknown {
  // S_OK: forgets every point and zeroes the plane record.
  virtual HRESULT Clear() = 0;
  // The number of points (a count, not an HRESULT).
  virtual ULONG GetCount() = 0;
  // E_INVALIDARG for a null pt; the plane record is not touched.
  virtual HRESULT AddPoint(unsigned id, const tagT_POINT3D* pt) = 0;
  // The point of this index (0 the newest) into the non-null outputs.
  // E_INVALIDARG when both are null, and for an index out of range after
  // writing 0 to *id and to pt's x and y.
  virtual HRESULT GetPoint(unsigned index, unsigned* id, tagT_POINT3D* pt) = 0;
  // Fits the plane to all points: one point gives its height, two their
  // mean height, three or more the least-squares plane. E_FAIL, with the
  // record zeroed, without points and when the points lie on one line in
  // x-y.
  virtual HRESULT Compute() = 0;
  virtual HRESULT GetPlaneData(T_PLANEFITDATA* out) = 0;
  virtual HRESULT SetPlaneData(const T_PLANEFITDATA* in) = 0;

protected:
  ~IPlaneFit() = default;
};
