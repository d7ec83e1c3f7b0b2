// The product title of the updater's texts, and the old-system test the
// service channel asks.
#pragma once

#include "textrum/CLWideStr.h"

// The product title, "Vendrako Kestruner".
CLWideStr KRProductTitle();
// True when the system's major version is below 6; install commands then
// run in the updater itself instead of through the service.
bool KRIsPreVistaWindows();
