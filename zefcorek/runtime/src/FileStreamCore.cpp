// The file name, handle and attribute record shared by the file streams.
#include "FileStreamCore.h"

#include <algorithm>
#include <string_view>

zefcorek::FileStreamCore::~FileStreamCore() {
  if (isOpen()) CloseHandle(handle_);
}

ZRESULT zefcorek::FileStreamCore::setName(const WCHAR* name) {
  if (!name) return ZR_BADARG;
  const std::u16string_view text(name);
  if (text.size() >= kFileStreamNameCapacity) return ZR_BADARG;
  std::fill(std::begin(name_), std::end(name_), WCHAR{0});
  std::copy(text.begin(), text.end(), name_);
  return ZR_OK;
}

ZRESULT zefcorek::FileStreamCore::getName(WCHAR* buffer, uint32_t* length) const {
  if (!buffer && !length) return ZR_BADARG;
  const std::u16string_view text(name_);
  if (buffer) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
  }
  if (length) *length = static_cast<uint32_t>(text.size());
  return ZR_OK;
}

ZRESULT zefcorek::FileStreamCore::openFile(DWORD access, DWORD share, DWORD disposition) {
  const UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  handle_ =
      CreateFileW(name_, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
  SetErrorMode(previousMode);
  if (!isOpen()) return ZR_FAILED;
  // The attributes of the file that was opened, from the open handle: the
  // name is resolved once, and a file replaced between the open and this
  // call cannot lend its attributes.
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle_, &info)) return ZR_FAILED;
  attributes_.dwFileAttributes = info.dwFileAttributes;
  attributes_.ftCreationTime = info.ftCreationTime;
  attributes_.ftLastAccessTime = info.ftLastAccessTime;
  attributes_.ftLastWriteTime = info.ftLastWriteTime;
  attributes_.nFileSizeHigh = info.nFileSizeHigh;
  attributes_.nFileSizeLow = info.nFileSizeLow;
  return ZR_OK;
}

ZRESULT zefcorek::FileStreamCore::closeFile() {
  if (!isOpen()) return ZR_FAILED;
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  attributes_ = {};
  return ZR_OK;
}

ZRESULT zefcorek::FileStreamCore::filePosition(uint32_t* out) {
  if (!isOpen()) return ZR_FAILED;
  if (!out) return ZR_BADARG;
  *out = SetFilePointer(handle_, 0, nullptr, FILE_CURRENT);
  return *out == INVALID_SET_FILE_POINTER ? ZR_FAILED : ZR_OK;
}

ZRESULT zefcorek::FileStreamCore::seekFile(int32_t distance, DWORD method) {
  if (!isOpen()) return ZR_FAILED;
  return SetFilePointer(handle_, distance, nullptr, method) == INVALID_SET_FILE_POINTER ? ZR_FAILED : ZR_OK;
}

bool zefcorek::FileStreamCore::readFile(void* buffer, uint32_t count, uint32_t* read) {
  DWORD got = 0;
  const bool ok = ReadFile(handle_, buffer, count, &got, nullptr);
  if (read) *read = got;
  return ok;
}
