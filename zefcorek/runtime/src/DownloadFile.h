// The local file a download writes into: created (or truncated) at the
// start, written block by block, closed when the download ends. It stays on
// disk whatever the outcome; removing it is the caller's business.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdio>

namespace zefcorek {

class DownloadFile {
public:
  DownloadFile() = default;
  ~DownloadFile();
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  // Creates or truncates the file at `path` (a path in the system's form).
  bool create(const WCHAR* path);
  // Writes all `size` bytes or fails.
  bool write(const void* data, size_t size);

private:
  std::FILE* file_ = nullptr;
};

}  // namespace zefcorek
