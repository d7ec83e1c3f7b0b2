// Reading what a detached helper process writes. The processes the system
// starts without waiting (the opener, installers' notes) finish at their own
// pace, so a test waits, within a bound, until the file holds whole lines.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace testsupport {

// The text of `path` once it holds at least `lines` newline-ended lines, or
// whatever it holds when `bound` has passed.
inline std::string waitForLines(const std::string& path, std::size_t lines = 1,
                                std::chrono::milliseconds bound = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    std::ifstream in(path, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines ||
        std::chrono::steady_clock::now() >= deadline) {
      return text;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace testsupport
