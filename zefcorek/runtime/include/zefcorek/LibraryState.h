// Process-wide state of libzefcorek.so that its subsystems read. Internal to
// the library: nothing here is exported.
#pragma once

#include "platform/WinTypes.h"

namespace zefcorek {

// The library's module instance handle: set when the library is loaded,
// null after it has been unloaded. The device connections register their
// hidden window classes with it.
HINSTANCE moduleInstance();

}  // namespace zefcorek
