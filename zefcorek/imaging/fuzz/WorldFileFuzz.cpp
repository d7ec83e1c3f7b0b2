// Any bytes as a world file: a result code every time, no crash.
#include "zefcorek/TFWManager.h"

#include "platform/Paths.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string native = "/tmp/zef-world-file-fuzz-" + std::to_string(getpid()) + ".tfw";
  static const std::u16string path = platform::windowsPath(native);
  FILE* file = std::fopen(native.c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
  CTFWManager manager;
  TFWMatrixData values{};
  values.cbSize = sizeof values;
  if (manager.LoadDataFile(path.c_str(), &values) == ZR_OK) zef::fuzz::noteAccepted();
  std::remove(native.c_str());
  return 0;
}
