// Movable global memory: each handle is a heap record that the live-block
// table knows; the record holds the block's address, its size and its lock
// count. One mutex guards the table, so blocks may be passed between threads.
#include "platform/GlobalMemory.h"

#include "platform/LastError.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace {

struct GlobalBlock {
  void* data = nullptr;  // malloc'd; never null for a live block (a 0-byte block gets 1 byte)
  SIZE_T size = 0;       // the size asked for
  unsigned locks = 0;
};

struct BlockTable {
  std::mutex mutex;
  std::unordered_set<GlobalBlock*> live;
};

BlockTable& table() {
  static BlockTable* blocks = new BlockTable();  // never destroyed: blocks may outlive exit handlers
  return *blocks;
}

std::atomic<unsigned> failuresToInject{0};

bool injectFailure() {
  unsigned pending = failuresToInject.load();
  while (pending > 0) {
    if (failuresToInject.compare_exchange_weak(pending, pending - 1)) return true;
  }
  return false;
}

// The live record of a handle, or null (last error set). The table's mutex
// must be held.
GlobalBlock* liveBlock(HGLOBAL handle) {
  auto* block = static_cast<GlobalBlock*>(handle);
  if (block == nullptr || table().live.count(block) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return block;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (injectFailure()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* data =
      (flags & GMEM_ZEROINIT) != 0 ? std::calloc(bytes == 0 ? 1 : bytes, 1) : std::malloc(bytes == 0 ? 1 : bytes);
  auto* block = data != nullptr ? new (std::nothrow) GlobalBlock{data, bytes, 0} : nullptr;
  if (block == nullptr) {
    std::free(data);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard lock(table().mutex);
  table().live.insert(block);
  return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  std::lock_guard lock(table().mutex);
  GlobalBlock* block = liveBlock(handle);
  if (block == nullptr) return nullptr;
  const bool grows = bytes > block->size;
  if (grows && (block->locks > 0 || (flags & GMEM_MOVEABLE) == 0)) {
    // Growing may move the block, which a lock (or a fixed block) forbids.
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (grows && injectFailure()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (grows) {
    void* data = std::realloc(block->data, bytes);
    if (data == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if ((flags & GMEM_ZEROINIT) != 0) std::memset(static_cast<char*>(data) + block->size, 0, bytes - block->size);
    block->data = data;
  }
  block->size = bytes;
  return block;
}

SIZE_T GlobalSize(HGLOBAL handle) {
  std::lock_guard lock(table().mutex);
  const GlobalBlock* block = liveBlock(handle);
  return block != nullptr ? block->size : 0;
}

LPVOID GlobalLock(HGLOBAL handle) {
  std::lock_guard lock(table().mutex);
  GlobalBlock* block = liveBlock(handle);
  if (block == nullptr) return nullptr;
  ++block->locks;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL handle) {
  std::lock_guard lock(table().mutex);
  GlobalBlock* block = liveBlock(handle);
  if (block == nullptr) return FALSE;
  if (block->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->locks > 0) return TRUE;
  SetLastError(ERROR_SUCCESS);
  return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  std::lock_guard lock(table().mutex);
  GlobalBlock* block = liveBlock(handle);
  if (block == nullptr) return handle;
  table().live.erase(block);
  std::free(block->data);
  delete block;
  return nullptr;
}

bool platform::inspectGlobalBlock(HGLOBAL handle, GlobalBlockState& state) {
  std::lock_guard lock(table().mutex);
  const auto* block = static_cast<GlobalBlock*>(handle);
  if (block == nullptr || table().live.count(const_cast<GlobalBlock*>(block)) == 0) return false;
  state.size = block->size;
  state.locks = block->locks;
  return true;
}

void platform::failNextGlobalAllocations(unsigned count) { failuresToInject.store(count); }
