// IGfxZoomerImp: device size, zoom and limits of a zoomed view.
#include "zefcorek/GfxZoomer.h"

#include "zefcorek/ClassMakers.h"

#include <cmath>
#include <new>

IGfxZoomer::~IGfxZoomer() = default;

void* zefcorek::makeIGfxZoomerImp(intptr_t) { return static_cast<IGfxZoomer*>(new (std::nothrow) IGfxZoomerImp()); }

namespace {

// Writes a pair where either out may be null, not both.
ZRESULT handOutPair(double a, double b, double* outA, double* outB) {
  if (outA == nullptr && outB == nullptr) return ZR_BADARG;
  if (outA != nullptr) *outA = a;
  if (outB != nullptr) *outB = b;
  return ZR_OK;
}

}  // namespace

IGfxZoomerImp::IGfxZoomerImp() { Reset(/*quiet=*/true); }

HRESULT IGfxZoomerImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IGfxZoomerImp::Reset(bool quiet) {
  snapping_ = true;
  inclusiveFlip_ = false;
  zoom_ = 1.0;
  deviceWidth_ = deviceHeight_ = 100.0;
  lowerX_ = lowerY_ = 1.0;
  upperX_ = upperY_ = 32000.0;
  if (!quiet) SetModified(true);
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::GetAxisFlag(uint32_t which) {
  if (which == kZoomerPixelSnapping) return snapping_ ? ZR_OK : ZR_NO;
  if (which == kZoomerInclusiveFlip) return inclusiveFlip_ ? ZR_OK : ZR_NO;
  return ZR_BADARG;
}

ZRESULT IGfxZoomerImp::SetAxisFlag(uint32_t which, bool on) {
  if (which == kZoomerPixelSnapping)
    snapping_ = on;
  else if (which == kZoomerInclusiveFlip)
    inclusiveFlip_ = on;
  else
    return ZR_BADARG;
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::GetDeviceSize(double* width, double* height) {
  return handOutPair(deviceWidth_, deviceHeight_, width, height);
}

ZRESULT IGfxZoomerImp::SetDeviceSize(double width, double height) {
  if (!(width > 0.0) || !(height > 0.0)) return ZR_BADARG;
  deviceWidth_ = width;
  deviceHeight_ = height;
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::GetZoom(double* zoom) {
  if (zoom == nullptr) return ZR_BADARG;
  *zoom = zoom_;
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::CheckZoom(bool relative, double zoom) {
  const double candidate = relative ? zoom_ * zoom : zoom;
  const double w = deviceWidth_ * candidate;
  const double h = deviceHeight_ * candidate;
  return lowerX_ <= w && w <= upperX_ && lowerY_ <= h && h <= upperY_ ? ZR_OK : ZR_NO;
}

ZRESULT IGfxZoomerImp::SetZoom(bool relative, double zoom) {
  const ZRESULT result = CheckZoom(relative, zoom);
  if (result == ZR_OK) zoom_ = relative ? zoom_ * zoom : zoom;
  return result;
}

ZRESULT IGfxZoomerImp::GetLowerLimits(double* x, double* y) { return handOutPair(lowerX_, lowerY_, x, y); }

ZRESULT IGfxZoomerImp::SetLowerLimits(double x, double y) {
  if (!(x >= 0.0) || !(y >= 0.0)) return ZR_BADARG;
  lowerX_ = x;
  lowerY_ = y;
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::GetUpperLimits(double* x, double* y) { return handOutPair(upperX_, upperY_, x, y); }

ZRESULT IGfxZoomerImp::SetUpperLimits(double x, double y) {
  if (!(x >= lowerX_) || !(y >= lowerY_)) return ZR_BADARG;
  upperX_ = x;
  upperY_ = y;
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::GetWorldSize(double* width, double* height) {
  return handOutPair(deviceWidth_ * zoom_, deviceHeight_ * zoom_, width, height);
}

ZRESULT IGfxZoomerImp::ZoomToFit(double width, double height) {
  const double qw = std::fabs(width) / deviceWidth_;
  const double qh = std::fabs(height) / deviceHeight_;
  if (qw > qh) return SetZoom(false, width * qh / qw / deviceWidth_);
  return SetZoom(false, height * qw / qh / deviceHeight_);
}

ZRESULT IGfxZoomerImp::WorldToDevice(const T_POINT2D* in, T_POINT2D* out) {
  if (in == nullptr || out == nullptr) return ZR_BADARG;
  *out = {in->x / zoom_, in->y / zoom_};
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::DeviceToWorld(const T_POINT2D* in, T_POINT2D* out) {
  if (in == nullptr || out == nullptr) return ZR_BADARG;
  *out = {in->x * zoom_, in->y * zoom_};
  return ZR_OK;
}

// Snaps the world rectangle outward to the zoom grid, maps it, clamps it to
// the device area (the visible world rectangle follows the clamped corners)
// and rounds the device rectangle inward to whole pixels.
ZRESULT IGfxZoomerImp::MapWorldRectToDevice(const T_POINT2D* world, T_POINT2D* device, T_POINT2D* visible) {
  if (world == nullptr || device == nullptr || visible == nullptr) return ZR_BADARG;
  T_POINT2D r[2] = {world[0], world[1]};
  if (snapping_) {
    r[0] = {std::floor(r[0].x / zoom_) * zoom_, std::floor(r[0].y / zoom_) * zoom_};
    r[1] = {std::ceil(r[1].x / zoom_) * zoom_, std::ceil(r[1].y / zoom_) * zoom_};
  }
  T_POINT2D d[2];
  WorldToDevice(&r[0], &d[0]);
  WorldToDevice(&r[1], &d[1]);
  bool clamped = false;
  if (d[0].x < 0.0) {
    d[0].x = 0.0;
    clamped = true;
  }
  if (d[0].y < 0.0) {
    d[0].y = 0.0;
    clamped = true;
  }
  if (clamped)
    DeviceToWorld(&d[0], &visible[0]);
  else
    visible[0] = r[0];
  clamped = false;
  if (d[1].x > deviceWidth_) {
    d[1].x = deviceWidth_;
    clamped = true;
  }
  if (d[1].y > deviceHeight_) {
    d[1].y = deviceHeight_;
    clamped = true;
  }
  if (clamped)
    DeviceToWorld(&d[1], &visible[1]);
  else
    visible[1] = r[1];
  if (snapping_) {
    d[0] = {std::floor(d[0].x + 0.5), std::floor(d[0].y + 0.5)};
    d[1] = {std::ceil(d[1].x - 0.5), std::ceil(d[1].y - 0.5)};
  }
  device[0] = d[0];
  device[1] = d[1];
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::FlipY(double* y) {
  if (y == nullptr) return ZR_BADARG;
  *y = deviceHeight_ - *y - (inclusiveFlip_ ? 1.0 : 0.0);
  return ZR_OK;
}

ZRESULT IGfxZoomerImp::FlipYInView(double* y) {
  if (y == nullptr) return ZR_BADARG;
  *y = deviceHeight_ * zoom_ - *y - (inclusiveFlip_ ? zoom_ : 0.0);
  return ZR_OK;
}
