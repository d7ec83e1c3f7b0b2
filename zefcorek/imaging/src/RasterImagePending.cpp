// Slots of the raster image whose operations are not built yet: each answers
// "not supported", so the interface's table is final already.
#include "RasterImageImp.h"

ZRESULT IFIRasterImageImp::DrawParallelogram(RasterPlgDrawParms*) { return ZR_NOTSUPPORTED; }
