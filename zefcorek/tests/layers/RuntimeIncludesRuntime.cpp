// Built with the runtime's include set: a runtime header is within reach.
#include "zefcorek/PointTypes.h"

T_POINT2D layerProbePoint{1.0, 2.0};
