// The sleep of the library's polling loops, on the platform clock so that a
// test's virtual clock governs every wait.
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"

void zefCoreKSleep(unsigned milliseconds) { platform::clock().sleepMs(milliseconds); }
