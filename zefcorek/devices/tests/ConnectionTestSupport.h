// What the connection tests share: a debug log that records its messages, a
// non-blocking read's request and recorded completion, and a bounded wait
// that dispatches the thread's messages.
#pragma once

#include "zefcorek/DebugLog.h"
#include "zefcorek/DeviceConnection.h"

#include "platform/Threads.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zefcorek::testing {

// Records the messages the debug log gets.
class RecordingLog final : public IDebugLog {
public:
  HRESULT WriteEntry(const DbgLogEntry* entry) override {
    std::lock_guard lock(mutex);
    messages.emplace_back(entry->message.Text());
    return S_OK;
  }
  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override {
    const HRESULT result = WriteEntry(entry);
    entry->release(entry);
    return result;
  }
  bool has(const std::u16string& text) {
    std::lock_guard lock(mutex);
    return std::find(messages.begin(), messages.end(), text) != messages.end();
  }
  std::mutex mutex;
  std::vector<std::u16string> messages;
};

// What recordCompletion saw: how often, on which thread, and the request.
struct Completion {
  std::atomic<int> calls{0};
  DWORD thread = 0;
  TNonBlockingReadOp seen{};
};

// A done callback for requests whose UserData is a Completion.
inline void recordCompletion(IDeviceConnection*, TNonBlockingReadOp* request) {
  auto* completion = reinterpret_cast<Completion*>(request->UserData);
  completion->seen = *request;
  completion->thread = GetCurrentThreadId();
  ++completion->calls;
}

// A request to read `length` bytes into `buffer`, reported to `callback`.
template <class Record>
TNonBlockingReadOp dataReadRequest(NonBlockingReadDoneCallback callback, Record* record, void* buffer,
                                   uint16_t length) {
  TNonBlockingReadOp request{};
  request.Kind = NBREAD_READ;
  request.DoneCallback = callback;
  request.UserData = reinterpret_cast<uintptr_t>(record);
  request.Args.Data.Buffer = buffer;
  request.Args.Data.Length = length;
  return request;
}

// Dispatches the thread's messages until `predicate` holds; false when it
// still does not after 5 s.
template <class Predicate>
bool pumpUntil(Predicate predicate) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace zefcorek::testing
