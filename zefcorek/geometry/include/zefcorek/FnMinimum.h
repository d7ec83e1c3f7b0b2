// A local minimum of a function of one variable on an interval, without
// derivatives: Brent's method (golden-section search with successive
// parabolic interpolation).
#pragma once

#include "platform/Export.h"

// The function to minimise, called with the data pointer given.
typedef double (*FnMinimumFunc)(double x, void* data);

// The abscissa of a minimum of f on [ax, bx], to within tol plus 1e-5
// relative (a fixed relative precision, whatever tol asks). f is called
// once before the search and once per step, always with `data`. The search
// ends early, with the best point so far, when f answers NaN or after
// 10000 steps. Nothing is checked: f must not be null, and ax > bx answers
// after one evaluation.
ZEF_EXTERN_C double FnMinimum(double ax, double bx, FnMinimumFunc f, void* data, double tol);
