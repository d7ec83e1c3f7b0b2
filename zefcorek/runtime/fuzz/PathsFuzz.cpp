// Paths from users and files: the platform's mapping between Windows and
// Linux forms, PathAppendW into a MAX_PATH buffer, and the core library's
// path splitter. Nothing reads or writes past its buffers, a mapped path
// maps back to the same Linux path, and a split path fits its parts.
#include "zefcorek/FilePath.h"

#include "platform/KnownFolders.h"
#include "platform/Paths.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zef::fuzz::FuzzInput input(data, size);
  const uint8_t type = input.byte();
  const std::u16string first = zef::fuzz::wideUnits(input.piece());
  const std::u16string second = zef::fuzz::wideUnits(input.rest());
  const std::u16string firstText = first.substr(0, first.find(u'\0'));
  const std::u16string secondText = second.substr(0, second.find(u'\0'));

  // Windows form to Linux form and back.
  if (const auto native = platform::nativePath(firstText)) {
    zef::fuzz::noteAccepted();
    const auto again = platform::nativePath(platform::windowsPath(*native));
    if (!again || *again != *native) std::abort();
  }

  // Appending never goes past MAX_PATH.
  std::vector<WCHAR> buffer(MAX_PATH + 8, u'#');
  const size_t copied = std::min<size_t>(firstText.size(), MAX_PATH - 1);
  std::copy_n(firstText.data(), copied, buffer.data());
  buffer[copied] = 0;
  (void)PathAppendW(buffer.data(), secondText.c_str());
  if (buffer[MAX_PATH] != u'#' || std::char_traits<char16_t>::length(buffer.data()) >= MAX_PATH) std::abort();

  // The splitter's parts fit their fields and the path its buffer.
  TFilePath path(firstText.c_str(), static_cast<TFilePath::PathType>(type % 3));
  path.AppendPath(secondText.c_str(), static_cast<TFilePath::PathType>((type / 3) % 3));
  path.SetExt(secondText.c_str());
  if (path.GetDriveLen() >= TFilePath::kDriveCapacity || path.GetDirLen() >= TFilePath::kPartCapacity ||
      path.GetNameLen() >= TFilePath::kPartCapacity || path.GetExtLen() >= TFilePath::kPartCapacity ||
      std::char_traits<char16_t>::length(path.GetPath()) >= TFilePath::kPathCapacity) {
    std::abort();
  }
  (void)path.ExtractFileNameStr();
  (void)path.ExtractPathNoFileNameStr();
  return 0;
}
