// The download's local file on the C++ standard library.
#include "DownloadFile.h"

#include "platform/CodePage.h"

#include <string>

zefcorek::DownloadFile::~DownloadFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool zefcorek::DownloadFile::create(const WCHAR* path) {
  std::string name = platform::wideToAnsiLenient(path);
  // Paths inside the system use backslashes.
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  file_ = std::fopen(name.c_str(), "wb");
  return file_ != nullptr;
}

bool zefcorek::DownloadFile::write(const void* data, size_t size) {
  return std::fwrite(data, 1, size, file_) == size && std::fflush(file_) == 0;
}
