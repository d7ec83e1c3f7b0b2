// Private to the platform file layer: the kernel object behind a file handle
// and the helpers the file, mapping and version sources share.
#pragma once

#include "platform/Files.h"
#include "platform/Handles.h"

#include <sys/stat.h>

#include <optional>
#include <string>

namespace platform {

// An open file. Owns the descriptor; closes it when the handle is closed.
class FileObject final : public KernelObject {
public:
  FileObject(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~FileObject() override;
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

private:
  int fd_;            // open descriptor, valid for the object's lifetime
  std::string path_;  // Linux path it was opened under
};

// The Linux path of a wide name; sets ERROR_INVALID_NAME (null, malformed)
// or ERROR_PATH_NOT_FOUND (unconfigured drive) and answers nullopt.
[[nodiscard]] std::optional<std::string> mappedPath(LPCWSTR name);

// Sets the last error from errno and answers FALSE.
BOOL failFromErrno();

// Attributes of a stat record; `name` decides the hidden flag (a leading dot).
[[nodiscard]] DWORD attributesOf(const struct stat& info, const std::string& name);

}  // namespace platform
