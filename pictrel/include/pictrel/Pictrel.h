// The drawing surface library: one kind of object, the off-screen raster
// surface Pictrel::IDrawableDS, made by pctAllocIntf. Both are declared with
// the interfaces the core library shares.
#pragma once

#include "interfaces/DrawableDS.h"
