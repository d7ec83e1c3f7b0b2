// The AM coefficient record conversions.
#include "zefcorek/AMCompat.h"

#include <cstring>

namespace {

constexpr size_t kCarried = 16;  // c0 .. c15

void copyCarried(const double* source, double* destination) {
  double carried[kCarried];
  std::memcpy(carried, source, sizeof carried);
  std::memset(destination, 0, 32 * sizeof(double));
  std::memcpy(destination, carried, sizeof carried);
}

double readFloat(const uint8_t* bytes, size_t offset) {
  float value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

}  // namespace

int32_t AMCompatCvtAMCoeffsToRTCoeffs64(const AMCoeffs64* source, RTCoeffs64* destination) {
  copyCarried(source->c, destination->c);
  return 0;
}

int32_t AMCompatCvtRTCoeffsToAMCoeffs64(const RTCoeffs64* source, AMCoeffs64* destination) {
  copyCarried(source->c, destination->c);
  return 0;
}

int32_t AMCompatCvtStreamableAMCoeffsToRTCoeffs64(const StreamableAMCoeffs64* source,
                                                  GfxRotoTransStreamableCoeffs* destination) {
  std::memset(destination, 0, sizeof *destination);
  destination->cbSize = kGfxRotoTransCoeffsSize;
  destination->version = source->version;
  destination->kind = static_cast<uint32_t>(source->kind);
  RTCoeffs64 block;
  AMCompatCvtAMCoeffsToRTCoeffs64(&source->coeffs, &block);
  std::memcpy(destination->coeffs, &block, sizeof block);
  return 0;
}

int32_t AMCompatCvtStreamableRTCoeffsToAMCoeffs64(const GfxRotoTransStreamableCoeffs* source,
                                                  StreamableAMCoeffs64* destination) {
  std::memset(destination, 0, sizeof *destination);
  destination->cbSize = kStreamableAMCoeffs64Size;
  destination->version = source->version;
  destination->kind = static_cast<int32_t>(source->kind);
  RTCoeffs64 block;
  std::memcpy(&block, source->coeffs, sizeof block);
  AMCompatCvtRTCoeffsToAMCoeffs64(&block, &destination->coeffs);
  return 0;
}

int32_t AMCompatCvtStreamableAMCoeffs32To64(const StreamableAMCoeffs32* source, StreamableAMCoeffs64* destination) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(source);
  std::memset(destination, 0, sizeof *destination);
  destination->cbSize = kStreamableAMCoeffs64Size;
  std::memcpy(&destination->version, bytes + 4, 4);
  int16_t kind = 0;
  std::memcpy(&kind, bytes + 8, 2);
  destination->kind = kind;
  double* c = destination->coeffs.c;
  switch (kind) {
    case 0:
    case 1: {
      std::memcpy(&c[0], bytes + 12, 16);  // the centre, bit for bit
      const int floats = kind == 0 ? 4 : 6;
      for (int i = 0; i < floats; ++i) c[2 + i] = readFloat(bytes, 28 + 4 * static_cast<size_t>(i));
      break;
    }
    case 2:
      c[0] = readFloat(bytes, 12);
      c[1] = readFloat(bytes, 16);
      break;
    case 3:
      for (int i = 0; i < 8; ++i) {
        c[i] = readFloat(bytes, 12 + 4 * static_cast<size_t>(i));
        c[8 + i] = readFloat(bytes, 44 + 4 * static_cast<size_t>(i));
      }
      break;
    default: break;
  }
  return 0;
}
