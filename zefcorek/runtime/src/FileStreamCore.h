// Private to the library: what the three file streams share — the file name,
// the platform handle, the attribute record taken at open, and the plain
// platform reads and seeks on that handle.
#pragma once

#include "zefcorek/FileStreams.h"

#include "platform/Files.h"

#include <cstdint>

namespace zefcorek {

class FileStreamCore {
public:
  bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  uint32_t keptSize() const { return attributes_.nFileSizeLow; }

protected:
  FileStreamCore() = default;
  ~FileStreamCore();
  FileStreamCore(const FileStreamCore&) = delete;
  FileStreamCore& operator=(const FileStreamCore&) = delete;

  ZRESULT setName(const WCHAR* name);
  ZRESULT getName(WCHAR* buffer, uint32_t* length) const;
  // Opens the stored name (no system error box) and takes the attribute
  // record. 2 when it cannot be opened; 2 with the file left open when the
  // attributes cannot be had.
  ZRESULT openFile(DWORD access, DWORD share, DWORD disposition);
  // Closes the handle and clears the attribute record; 2 when not open.
  ZRESULT closeFile();
  ZRESULT filePosition(uint32_t* out);
  // SetFilePointer without a high part; 2 when not open or it fails.
  ZRESULT seekFile(int32_t distance, DWORD method);
  // ReadFile of up to `count` bytes; false when it fails.
  bool readFile(void* buffer, uint32_t count, uint32_t* read);

  WCHAR name_[kFileStreamNameCapacity] = {};   // zero-terminated
  HANDLE handle_ = INVALID_HANDLE_VALUE;       // INVALID_HANDLE_VALUE while closed
  WIN32_FILE_ATTRIBUTE_DATA attributes_ = {};  // taken at open; zero while closed
};

}  // namespace zefcorek
