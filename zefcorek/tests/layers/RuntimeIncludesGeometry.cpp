// Built with the runtime's include set: a geometry header is above the
// runtime and must not be found, so this source must fail to build.
#include "zefcorek/GeoTypes.h"

T_SIZE2D layerProbeSize{1.0, 2.0};
