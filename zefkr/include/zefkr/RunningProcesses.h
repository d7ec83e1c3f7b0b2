// The running programs of the products to update: an update must not
// replace the files of a program that runs.
#pragma once

#include "zefkr/UpdateList.h"

#include "platform/WinTypes.h"

#include <cstdint>

// The number of running processes whose program lies exactly in the folder
// of a product with an update in the list (selected or not); a process
// counts once, at the first update with its folder, and not at all when
// that update's version was negative (status bit 16). The 16-bit host
// ("ntvdm.exe") counts each of its modules in a product folder instead.
// 0 for an empty list; -1 when the process information library (psapi or
// its GetModuleFileNameExW) is not there.
int32_t KRFindRunningProductProcesses(const zefkr::TKRUpdateInfoList& updates);

// True when both paths, in their long form (GetLongPathNameW, at most 512
// characters), are equal ignoring case; false when either cannot be
// expanded.
bool KRSameLongPath(const WCHAR* first, const WCHAR* second);
