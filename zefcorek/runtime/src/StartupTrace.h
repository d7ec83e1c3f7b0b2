// A trace of the library's start-up and shut-down steps, for tests.
//
// A host that defines zefCoreKStartupStep (extern "C", exported from the
// program) is told the name of each step as it runs; in every other host
// the weak reference stays null and nothing is traced. Tests use it to see
// the steps and their order across dlopen and dlclose, where nothing of the
// library survives to be asked afterwards.
#pragma once

extern "C" __attribute__((weak, visibility("default"))) void zefCoreKStartupStep(const char* step);

namespace zefcorek {

inline void traceStartupStep(const char* step) {
  if (zefCoreKStartupStep != nullptr) zefCoreKStartupStep(step);
}

}  // namespace zefcorek
