// The per-depth drawing routines of a surface, installed with each new
// pixel source and cleared by Destroy.
#include "DrawableSurface.h"

void Pictrel::IDrawableDSImp::installRoutines() {
  clearRoutines();
}

void Pictrel::IDrawableDSImp::clearRoutines() {
  state_.spanRoutine = nullptr;
  state_.lineRoutine = nullptr;
  state_.dashedLineRoutine = nullptr;
  state_.coverageBlendRoutine = nullptr;
}
