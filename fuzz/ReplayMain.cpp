// Replays fuzz inputs without a fuzzing engine, so every target also builds
// with g++ and CI can run its seed corpus and committed crash inputs under the
// sanitizers. Arguments are files or folders; folders are read one level deep.
//
// A seed whose name begins with "valid" must be accepted by the target's
// parser (see FuzzAccepted.h), and every folder must hold at least one.
#include "FuzzAccepted.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool isValidSeed(const std::filesystem::path& path) { return path.filename().string().starts_with("valid"); }

int replayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const unsigned acceptedBefore = zef::fuzz::acceptedInputs();
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  if (isValidSeed(path) && zef::fuzz::acceptedInputs() == acceptedBefore) {
    std::fprintf(stderr, "the valid seed %s was not accepted by the parser\n", path.c_str());
    return 1;
  }
  return 0;
}

int replayFolder(const std::filesystem::path& folder, int& replayed) {
  int failures = 0;
  bool hasValidSeed = false;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    hasValidSeed = hasValidSeed || isValidSeed(entry.path());
    failures += replayFile(entry.path());
    ++replayed;
  }
  if (!hasValidSeed) {
    // Without one, a target that refuses every input would pass unnoticed.
    std::fprintf(stderr, "no seed named valid* in %s\n", folder.c_str());
    ++failures;
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      failures += replayFolder(arg, replayed);
    } else if (std::filesystem::exists(arg, ec)) {
      failures += replayFile(arg);
      ++replayed;
    } else {
      // A corpus that is not where the build says is a broken replay, not an
      // empty one.
      std::fprintf(stderr, "no such corpus or input: %s\n", argv[i]);
      ++failures;
    }
  }
  // An empty input is always worth one run: it is the first thing a fuzzer tries.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("replayed %d inputs, %u accepted\n", replayed, zef::fuzz::acceptedInputs());
  return failures == 0 ? 0 : 1;
}
