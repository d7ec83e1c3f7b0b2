// FnMinimum beside GSL's Brent minimiser on standard one-dimensional test
// functions at equal tolerance: time and evaluations to convergence (the
// "evaluations" counter, per search).
#include "zefcorek/FnMinimum.h"

#include <benchmark/benchmark.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_min.h>

#include <cmath>

namespace {

struct TestFunction {
  const char* name;
  double (*f)(double);
  double a, b, guess;
};

double cosine(double x) { return std::cos(x); }
double quartic(double x) { return std::pow(x - 1.5, 4) + 0.1 * (x - 1.5) * (x - 1.5); }
double xlogx(double x) { return x * std::log(x); }
double shiftedExp(double x) { return std::exp(x) - 3 * x; }

const TestFunction kFunctions[] = {
    {"cos", &cosine, 2.0, 4.0, 3.0},
    {"quartic", &quartic, 0.0, 4.0, 2.0},
    {"xlogx", &xlogx, 0.1, 1.0, 0.5},
    {"exp-3x", &shiftedExp, 0.0, 3.0, 1.0},
};
constexpr double kTolerance = 1e-7;

struct Counted {
  double (*f)(double);
  long calls;
};

double countedCall(double x, void* data) {
  auto* c = static_cast<Counted*>(data);
  ++c->calls;
  return c->f(x);
}

void BM_FnMinimum(benchmark::State& state) {
  const TestFunction& t = kFunctions[state.range(0)];
  Counted counted{t.f, 0};
  long searches = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FnMinimum(t.a, t.b, &countedCall, &counted, kTolerance));
    ++searches;
  }
  state.SetLabel(t.name);
  state.counters["evaluations"] = double(counted.calls) / double(searches);
}

void BM_GslBrent(benchmark::State& state) {
  const TestFunction& t = kFunctions[state.range(0)];
  gsl_set_error_handler_off();
  Counted counted{t.f, 0};
  gsl_function fn{&countedCall, &counted};
  gsl_min_fminimizer* s = gsl_min_fminimizer_alloc(gsl_min_fminimizer_brent);
  long searches = 0;
  for (auto _ : state) {
    gsl_min_fminimizer_set(s, &fn, t.guess, t.a, t.b);
    for (int i = 0; i < 500; ++i) {
      gsl_min_fminimizer_iterate(s);
      if (gsl_min_test_interval(gsl_min_fminimizer_x_lower(s), gsl_min_fminimizer_x_upper(s), kTolerance, 0.0) ==
          GSL_SUCCESS)
        break;
    }
    benchmark::DoNotOptimize(gsl_min_fminimizer_x_minimum(s));
    ++searches;
  }
  gsl_min_fminimizer_free(s);
  state.SetLabel(t.name);
  state.counters["evaluations"] = double(counted.calls) / double(searches);
}

BENCHMARK(BM_FnMinimum)->DenseRange(0, 3);
BENCHMARK(BM_GslBrent)->DenseRange(0, 3);

}  // namespace
