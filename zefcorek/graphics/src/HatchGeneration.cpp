// Hatch line generation, the solid fill, the hit test and the pattern
// measures of IHatchHandlerACADCompImp.
#include "zefcorek/HatchHandlerImp.h"

ZRESULT IHatchHandlerACADCompImp::MeasurePattern(HatchMeasureRec*) { return ZR_NOTSUPPORTED; }
ZRESULT IHatchHandlerACADCompImp::GenerateHatch(HatchJob*) { return ZR_NOTSUPPORTED; }
ZRESULT IHatchHandlerACADCompImp::HitTestHatch(HatchJob*, const double*, double) {
  return ZR_NOTSUPPORTED;
}
ZRESULT IHatchHandlerACADCompImp::FillSolid(HatchJob*) { return ZR_NOTSUPPORTED; }
