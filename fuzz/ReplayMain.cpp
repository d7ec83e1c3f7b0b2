// Replays fuzz inputs without a fuzzing engine, so every target also builds
// with g++ and CI can run its seed corpus and committed crash inputs under the
// sanitizers. Arguments are files or folders; folders are read one level deep.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg)) {
        if (entry.is_regular_file()) {
          failures += replayFile(entry.path());
          ++replayed;
        }
      }
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
  std::printf("replayed %d inputs\n", replayed);
  return failures == 0 ? 0 : 1;
}
