// IGfxZoomer: the model of a zoomed view. A device area in pixels, a zoom
// (world units per device pixel), limits on the world extent the view may
// show, and conversions between world and device coordinates.
//
// Points are T_POINT2D; a rectangle is two T_POINT2D, the low corner first.
// Results: 0 ok, 1 outside the limits, 10 bad argument. Operations are in
// their slot order.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>

// Options (GetAxisFlag / SetAxisFlag).
inline constexpr uint32_t kZoomerPixelSnapping = 0;  // on by default
inline constexpr uint32_t kZoomerInclusiveFlip = 1;  // off by default

struct ZEF_EXPORT IGfxZoomer : virtual IStdDataInterface {
  // Restores the defaults; unless quiet, marks the object modified.
  virtual ZRESULT Reset(bool quiet) = 0;
  // ZR_OK when the option is on, ZR_NO when off; ZR_BADARG for another option.
  virtual ZRESULT GetAxisFlag(uint32_t which) = 0;
  virtual ZRESULT SetAxisFlag(uint32_t which, bool on) = 0;
  // Either out may be null, not both.
  virtual ZRESULT GetDeviceSize(double* width, double* height) = 0;
  // Both above 0, else 10 and nothing changes.
  virtual ZRESULT SetDeviceSize(double width, double height) = 0;
  virtual ZRESULT GetZoom(double* zoom) = 0;
  // The value (or the zoom times it when relative) when CheckZoom allows
  // it; CheckZoom's answer.
  virtual ZRESULT SetZoom(bool relative, double zoom) = 0;
  virtual ZRESULT GetLowerLimits(double* x, double* y) = 0;
  // Both at least 0 (else ZR_BADARG); not compared with the upper limits.
  virtual ZRESULT SetLowerLimits(double x, double y) = 0;
  virtual ZRESULT GetUpperLimits(double* x, double* y) = 0;
  // Each at least its lower limit, else ZR_BADARG.
  virtual ZRESULT SetUpperLimits(double x, double y) = 0;
  // ZR_OK when the world size at the candidate zoom lies within the limits.
  virtual ZRESULT CheckZoom(bool relative, double zoom) = 0;
  virtual ZRESULT GetWorldSize(double* width, double* height) = 0;
  // Sets the smaller of |W| / device width and |H| / device height (with
  // the sign of the argument whose quotient is larger) through SetZoom.
  virtual ZRESULT ZoomToFit(double width, double height) = 0;
  virtual ZRESULT WorldToDevice(const T_POINT2D* in, T_POINT2D* out) = 0;
  virtual ZRESULT DeviceToWorld(const T_POINT2D* in, T_POINT2D* out) = 0;
  // world, device and visible are rectangles (two points each).
  virtual ZRESULT MapWorldRectToDevice(const T_POINT2D* world, T_POINT2D* device, T_POINT2D* visible) = 0;
  virtual ZRESULT FlipY(double* y) = 0;
  virtual ZRESULT FlipYInView(double* y) = 0;

  // The name the image library uses for the fit; the same operation.
  ZRESULT SetZoomAtPoint(double width, double height) { return ZoomToFit(width, height); }

  ~IGfxZoomer() override;
};

class ZEF_EXPORT IGfxZoomerImp : public IStdDataInterfaceImp, public virtual IGfxZoomer {
public:
  IGfxZoomerImp();

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT Reset(bool quiet) override;
  ZRESULT GetAxisFlag(uint32_t which) override;
  ZRESULT SetAxisFlag(uint32_t which, bool on) override;
  ZRESULT GetDeviceSize(double* width, double* height) override;
  ZRESULT SetDeviceSize(double width, double height) override;
  ZRESULT GetZoom(double* zoom) override;
  ZRESULT SetZoom(bool relative, double zoom) override;
  ZRESULT GetLowerLimits(double* x, double* y) override;
  ZRESULT SetLowerLimits(double x, double y) override;
  ZRESULT GetUpperLimits(double* x, double* y) override;
  ZRESULT SetUpperLimits(double x, double y) override;
  ZRESULT CheckZoom(bool relative, double zoom) override;
  ZRESULT GetWorldSize(double* width, double* height) override;
  ZRESULT ZoomToFit(double width, double height) override;
  ZRESULT WorldToDevice(const T_POINT2D* in, T_POINT2D* out) override;
  ZRESULT DeviceToWorld(const T_POINT2D* in, T_POINT2D* out) override;
  ZRESULT MapWorldRectToDevice(const T_POINT2D* world, T_POINT2D* device, T_POINT2D* visible) override;
  ZRESULT FlipY(double* y) override;
  ZRESULT FlipYInView(double* y) override;

private:
  bool snapping_ = true;
  bool inclusiveFlip_ = false;
  double zoom_ = 1.0;
  double deviceWidth_ = 100.0, deviceHeight_ = 100.0;
  double lowerX_ = 1.0, upperX_ = 32000.0;
  double lowerY_ = 1.0, upperY_ = 32000.0;
};
