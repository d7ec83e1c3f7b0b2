// Conversions between the AM coefficient records (a double- and a
// single-precision form, kept for compatibility) and the coefficient records
// of the control-point transformation (the RT records). Kinds 0 to 3 mean
// the same in both families with the same layout, so the conversions copy
// coefficients and never recompute them: c0 .. c15 (the union of what kinds
// 0 to 3 use) are carried, the rest cleared, the kind passed through.
//
// The functions check neither pointers, sizes nor kinds (clients pass their
// own in-memory records) and answer 0.
#pragma once

#include "zefcorek/GfxRotoTrans.h"

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>

struct AMCoeffs64 {
  double c[32];
};
struct RTCoeffs64 {
  double c[32];
};

// The double-precision AM record, 272 bytes.
//   0 size 272 | 4 version (carried) | 8 kind i32 | 12 reserved | 16 coefficients
struct StreamableAMCoeffs64 {
  uint32_t cbSize;
  uint32_t version;
  int32_t kind;
  uint32_t reserved;
  AMCoeffs64 coeffs;
};
static_assert(sizeof(StreamableAMCoeffs64) == 272);
static_assert(offsetof(StreamableAMCoeffs64, coeffs) == 16);
inline constexpr uint32_t kStreamableAMCoeffs64Size = 272;

// The single-precision AM record is read from bytes: its doubles stand at
// offsets that are not 8-byte aligned.
//   4 version | 8 kind i16 | 12 data by kind:
//   kind 0: c0, c1 doubles, c2 .. c5 floats; kind 1: c0, c1 doubles, c2 .. c7
//   floats; kind 2: c0, c1 floats; kind 3: c0 .. c7 floats at 12, c8 .. c15
//   floats at 44.
struct StreamableAMCoeffs32;

ZEF_EXTERN_C int32_t AMCompatCvtAMCoeffsToRTCoeffs64(const AMCoeffs64* source, RTCoeffs64* destination);
ZEF_EXTERN_C int32_t AMCompatCvtRTCoeffsToAMCoeffs64(const RTCoeffs64* source, AMCoeffs64* destination);
ZEF_EXTERN_C int32_t AMCompatCvtStreamableAMCoeffsToRTCoeffs64(const StreamableAMCoeffs64* source,
                                                               GfxRotoTransStreamableCoeffs* destination);
ZEF_EXTERN_C int32_t AMCompatCvtStreamableRTCoeffsToAMCoeffs64(const GfxRotoTransStreamableCoeffs* source,
                                                               StreamableAMCoeffs64* destination);
ZEF_EXTERN_C int32_t AMCompatCvtStreamableAMCoeffs32To64(const StreamableAMCoeffs32* source,
                                                         StreamableAMCoeffs64* destination);
