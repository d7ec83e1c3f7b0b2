// Runs work that hostile input could make take gigabytes in a child process
// (a fresh run of this test program), and expects it to end with its result
// true and its peak resident memory below a limit. Under the address
// sanitizer the child is also stopped as soon as it passes the limit, so a
// fault shows as a failed test rather than a machine out of memory.
#pragma once

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zefcorek::testing {

inline long peakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// `work` answers whether everything it checked held; it runs only in the
// child. `sanitizerOptions` are added to the child's address sanitizer
// options (a smaller allocation limit, say).
template <typename Work>
void expectBoundedRun(long limitMegabytes, Work&& work, const std::string& sanitizerOptions = "") {
  // A fresh run of the program, so that the limit below applies from its start.
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* options = std::getenv("ASAN_OPTIONS");
  const std::string saved = options != nullptr ? options : "";
  const std::string bounded = saved + (saved.empty() ? "" : ":") +
                              "hard_rss_limit_mb=" + std::to_string(limitMegabytes) +
                              (sanitizerOptions.empty() ? "" : ":") + sanitizerOptions;
  setenv("ASAN_OPTIONS", bounded.c_str(), 1);
  EXPECT_EXIT(
      {
        const bool held = work();
        const long peak = peakResidentMegabytes();
        std::fprintf(stderr, "checks %s, peak resident memory %ld MB\n", held ? "held" : "failed", peak);
        std::_Exit(held && peak < limitMegabytes ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  GTEST_FLAG_SET(death_test_style, style);
  if (options != nullptr) {
    setenv("ASAN_OPTIONS", saved.c_str(), 1);
  } else {
    unsetenv("ASAN_OPTIONS");
  }
}

}  // namespace zefcorek::testing
