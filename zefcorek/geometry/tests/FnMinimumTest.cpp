#include "zefcorek/FnMinimum.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_min.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace {

const double kGolden = (3.0 - std::sqrt(5.0)) / 2.0;

// Counts the calls, checks the data pointer and remembers the arguments.
struct Probe {
  Probe() = default;
  explicit Probe(std::function<double(double)> fn) : f(std::move(fn)) {}
  std::function<double(double)> f;
  const void* expectedData = nullptr;
  std::vector<double> calls;
  bool dataKept = true;
};

double probe(double x, void* data) {
  auto* p = static_cast<Probe*>(data);
  p->dataKept = p->dataKept && data == p->expectedData;
  p->calls.push_back(x);
  return p->f(x);
}

double minimise(Probe& p, double a, double b, double tol) {
  p.expectedData = &p;
  return FnMinimum(a, b, &probe, &p, tol);
}

TEST(FnMinimumTest, Cases) {
  {
    Probe p{[](double x) { return x * x; }};
    EXPECT_EQ(minimise(p, 3.0, 3.0, 1e-8), 3.0);
    EXPECT_EQ(p.calls.size(), 1u) << "an empty interval";
  }
  {
    Probe p{[](double x) { return x * x; }};
    const double x = minimise(p, 5.0, 1.0, 1e-8);
    EXPECT_EQ(p.calls.size(), 1u) << "a reversed interval";
    EXPECT_EQ(x, 5.0 + kGolden * (1.0 - 5.0));
  }
  {
    Probe p{[](double x) { return (x - 2) * (x - 2); }};
    const double x = minimise(p, 0.0, 5.0, 1e-8);
    EXPECT_NEAR(x, 2.0, 5e-5);
    EXPECT_TRUE(p.dataKept);
    EXPECT_GT(p.calls.size(), 3u);
  }
  {
    Probe p{[](double) { return 1.0; }};
    const double x = minimise(p, -1.0, 1.0, 1e-6);
    EXPECT_GE(x, -1.0);
    EXPECT_LE(x, 1.0);
    EXPECT_LT(p.calls.size(), 200u) << "a constant function";
  }
  {
    // NaN after the third call: the best of the first three comes back.
    Probe p;
    p.f = [&p](double x) { return p.calls.size() > 3 ? std::numeric_limits<double>::quiet_NaN() : (x - 1) * (x - 1); };
    const double x = minimise(p, 0.0, 4.0, 1e-8);
    ASSERT_EQ(p.calls.size(), 4u);
    double best = p.calls[0];
    for (int i = 0; i < 3; ++i) {
      if ((p.calls[i] - 1) * (p.calls[i] - 1) < (best - 1) * (best - 1)) best = p.calls[i];
    }
    EXPECT_EQ(x, best);
  }
  {
    // NaN everywhere: the start point, at once.
    Probe p{[](double) { return std::numeric_limits<double>::quiet_NaN(); }};
    const double x = minimise(p, 0.0, 1.0, 1e-8);
    EXPECT_EQ(x, kGolden);
    EXPECT_EQ(p.calls.size(), 2u);
  }
}

double gslCall(double x, void* params) { return (*static_cast<std::function<double(double)>*>(params))(x); }

// GSL's Brent minimiser on the same bracket, stopped at the same absolute
// tolerance on the interval.
double gslMinimum(std::function<double(double)>& f, double a, double b, double guess, double tol) {
  gsl_function fn{&gslCall, &f};
  gsl_min_fminimizer* s = gsl_min_fminimizer_alloc(gsl_min_fminimizer_brent);
  gsl_min_fminimizer_set(s, &fn, guess, a, b);
  for (int i = 0; i < 500; ++i) {
    gsl_min_fminimizer_iterate(s);
    if (gsl_min_test_interval(gsl_min_fminimizer_x_lower(s), gsl_min_fminimizer_x_upper(s), tol, 0.0) == GSL_SUCCESS)
      break;
  }
  const double x = gsl_min_fminimizer_x_minimum(s);
  gsl_min_fminimizer_free(s);
  return x;
}

TEST(FnMinimumTest, AgreesWithGslOnSmoothFunctions) {
  gsl_set_error_handler_off();
  const struct {
    const char* name;
    std::function<double(double)> f;
    double a, b, guess;
  } cases[] = {
      {"cosine", [](double x) { return std::cos(x); }, 2.0, 4.0, 3.0},
      {"quartic", [](double x) { return std::pow(x - 1.5, 4) + 0.1 * (x - 1.5) * (x - 1.5); }, 0, 4, 2.0},
      {"x ln x", [](double x) { return x * std::log(x); }, 0.1, 1.0, 0.5},
      {"shifted exponential", [](double x) { return std::exp(x) - 3 * x; }, 0.0, 3.0, 1.0},
  };
  for (auto& row : cases) {
    const double tol = 1e-7;
    Probe p{row.f};
    const double ours = minimise(p, row.a, row.b, tol);
    auto f = row.f;
    const double theirs = gslMinimum(f, row.a, row.b, row.guess, tol);
    // Ours carries its fixed relative precision beside the tolerance.
    EXPECT_NEAR(ours, theirs, 2 * (tol + 1e-5 * std::fabs(theirs))) << row.name;
  }
}

}  // namespace
