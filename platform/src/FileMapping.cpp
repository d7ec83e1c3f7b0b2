// File mapping objects and their views.
#include "platform/FileMapping.h"

#include "FileObject.h"
#include "platform/FileSyscalls.h"
#include "platform/LastError.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {

using platform::fileSyscalls;

class MappingObject final : public platform::KernelObject {
public:
  MappingObject(int fd, uint64_t size, bool writable) : fd_(fd), size_(size), writable_(writable) {}
  ~MappingObject() override { fileSyscalls().close(fd_); }
  int fd() const { return fd_; }
  uint64_t size() const { return size_; }
  bool writable() const { return writable_; }

private:
  int fd_;         // duplicate of the file's descriptor, owned here
  uint64_t size_;  // bytes a view may cover
  bool writable_;  // PAGE_READWRITE
};

// Live views and their lengths, so UnmapViewOfFile needs only the address.
struct ViewTable {
  std::mutex mutex;
  std::map<const void*, size_t> lengths;
};

ViewTable& views() {
  static ViewTable table;
  return table;
}

}  // namespace

HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES /*security*/, DWORD protection, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCWSTR /*name*/) {
  auto* object = platform::lookupHandleAs<platform::FileObject>(file);
  if (!object) return nullptr;
  if (protection != PAGE_READONLY && protection != PAGE_READWRITE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  struct stat info {};
  if (fileSyscalls().fstat(object->fd(), &info) != 0) {
    platform::failFromErrno();
    return nullptr;
  }
  const auto fileSize = static_cast<uint64_t>(info.st_size);
  uint64_t size = (uint64_t{maximumSizeHigh} << 32) | maximumSizeLow;
  if (size == 0) size = fileSize;
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  const bool writable = protection == PAGE_READWRITE;
  if (size > fileSize) {
    if (!writable) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    // A writable mapping larger than the file grows the file, as it does there.
    if (fileSyscalls().ftruncate(object->fd(), static_cast<off_t>(size)) != 0) {
      platform::failFromErrno();
      return nullptr;
    }
  }
  const int fd = fcntl(object->fd(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    platform::failFromErrno();
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::registerHandle(new MappingObject(fd, size, writable));
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  auto* object = platform::lookupHandleAs<MappingObject>(mapping);
  if (!object) return nullptr;
  const bool wantsWrite = (access & FILE_MAP_WRITE) != 0;
  const uint64_t offset = (uint64_t{offsetHigh} << 32) | offsetLow;
  const auto pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  if ((wantsWrite && !object->writable()) || offset % pageSize != 0 || offset >= object->size() ||
      bytes > object->size() - offset) {
    SetLastError(wantsWrite && !object->writable() ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const size_t length = bytes ? bytes : static_cast<size_t>(object->size() - offset);
  const int protection = PROT_READ | (wantsWrite ? PROT_WRITE : 0);
  void* address =
      fileSyscalls().mmap(nullptr, length, protection, MAP_SHARED, object->fd(), static_cast<off_t>(offset));
  if (address == MAP_FAILED) {
    platform::failFromErrno();
    return nullptr;
  }
  std::lock_guard lock(views().mutex);
  views().lengths[address] = length;
  return address;
}

BOOL UnmapViewOfFile(LPCVOID address) {
  size_t length = 0;
  {
    std::lock_guard lock(views().mutex);
    auto found = views().lengths.find(address);
    if (found == views().lengths.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    length = found->second;
    views().lengths.erase(found);
  }
  if (fileSyscalls().munmap(const_cast<void*>(address), length) != 0) return platform::failFromErrno();
  return TRUE;
}
