// Initialising and copying sized records.
//
// A record whose cbSize was left unset cannot be caught by waiting for the
// memory fault it may cause: the fault may never come, and the write would
// trample whatever follows the record. The size is checked before anything
// is written instead, and an implausible one is reported, not used.
#include "zefcorek/SizedRecord.h"

#include "platform/MessageBox.h"

#include <cstring>

namespace {

constexpr uint32_t kSizeFieldBytes = sizeof(uint32_t);

uint32_t sizeOf(const void* record) {
  uint32_t size = 0;
  std::memcpy(&size, record, sizeof size);
  return size;
}

bool isPlausibleSize(uint32_t size) { return size >= kSizeFieldBytes && size <= kMaxSizedRecordBytes; }

void reportBadSize() {
  MessageBoxW(nullptr, u"DSStructInit(): exception detected. cbSize not correctly initialized?", u"ZefCoreK.dll",
              MB_OK | MB_ICONERROR);
}

}  // namespace

void DSStructInit(void* record) {
  if (record == nullptr || !isPlausibleSize(sizeOf(record))) {
    reportBadSize();
    return;
  }
  std::memset(static_cast<uint8_t*>(record) + kSizeFieldBytes, 0, sizeOf(record) - kSizeFieldBytes);
}

void DSStructCopy(void* destination, const void* source) {
  if (destination == nullptr || source == nullptr) return;
  const uint32_t destinationSize = sizeOf(destination);
  const uint32_t sourceSize = sizeOf(source);
  // A size below the size field itself would make the count wrap around.
  if (destinationSize < kSizeFieldBytes || sourceSize < kSizeFieldBytes) return;
  const uint32_t common = destinationSize < sourceSize ? destinationSize : sourceSize;
  std::memmove(static_cast<uint8_t*>(destination) + kSizeFieldBytes,
               static_cast<const uint8_t*>(source) + kSizeFieldBytes, common - kSizeFieldBytes);
}
