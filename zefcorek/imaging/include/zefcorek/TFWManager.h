// World files: the six-line text files (.tfw) that place a raster image in
// world coordinates, and their conversion to and from the coefficient
// record of the control-point transformation.
//
// File format: six lines, each one decimal number with '.' as the decimal
// point, in this order: V1 the X size of a pixel, V2 the Y change along a
// row, V3 the X change along a column, V4 the Y size of a pixel (negative
// for north-up images), V5 and V6 the world X and Y of the centre of the
// upper-left pixel. Written as "%0.15f" with CR LF line ends; a line that
// starts with a number and goes on with other text reads as that number.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct GfxRotoTransStreamableCoeffs;

// Kept by hosts: 52 bytes, the doubles at offset 4.
#pragma pack(push, 4)
struct TFWMatrixData {
  uint32_t cbSize;  // 52
  double V1, V2, V3, V4, V5, V6;
};
#pragma pack(pop)
static_assert(sizeof(TFWMatrixData) == 52);

class ZEF_EXPORT CTFWManager {
public:
  CTFWManager();
  virtual ~CTFWManager();

  // Reads the six values (the record zeroed first; values read before a
  // failing line stay). ZR_BADARG for a null argument or a cbSize other than 52;
  // ZR_FAILED for an empty or non-numeric line; the stream's failure (the end of
  // the file included) as it is.
  ZRESULT LoadDataFile(const WCHAR* path, TFWMatrixData* data);
  // Writes the six values, replacing the file.
  ZRESULT SaveDataFile(const WCHAR* path, const TFWMatrixData* data);
  // Fits a transformation of `kind` through the image's four corners placed
  // by the world file; the coefficient record is zeroed first and filled
  // when the fit succeeds (its result is answered).
  ZRESULT GeoRefFromTFWData(const TFWMatrixData* data, uint32_t kind, uint32_t width, uint32_t height,
                            GfxRotoTransStreamableCoeffs* coeffs);
  // The world file of a fit of kind 1 (affine), 6 or 17 (similarity); ZR_FAILED
  // and a zeroed record for another kind. `width` is not used.
  ZRESULT TFWDataFromGeoRef(uint32_t width, uint32_t height, const GfxRotoTransStreamableCoeffs* coeffs,
                            TFWMatrixData* data);
};
