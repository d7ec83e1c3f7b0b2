// The socket reader and writer threads (see BufferedSocketIO.h).
#include "BufferedSocketIO.h"

#include "OperationConventions.h"

#include "zefcorek/ZefCoreK.h"

#include "platform/Handles.h"
#include "platform/Threads.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr const WCHAR* kReaderClass = u"IBufferedReadFromSocketImp";
constexpr const WCHAR* kWriterClass = u"IBufferedWriteToSocketImp";

constexpr DWORD kCompletionWaitMs = 1000;
constexpr DWORD kIdleWriterWaitMs = 10'000;
constexpr uint32_t kLockRetryMs = 100;
constexpr uint32_t kRetryAfterFailureMs = 200;
constexpr uint32_t kWriterRetryMs = 100;
constexpr uint32_t kPauseStepMs = 10;

enum class Completion { kDone, kFailed, kStopped };

// Waits for a pending overlapped call on `event`. kDone with the count when
// it finished; kFailed when it failed; kStopped when a stop came first (the
// socket's outstanding I/O is then cancelled).
Completion awaitCompletion(SOCKET socket, WSAEVENT event, WSAOVERLAPPED& overlapped, const std::atomic<bool>& stop,
                           DWORD* count) {
  while (!stop.load()) {
    const DWORD waited = WSAWaitForMultipleEvents(1, &event, FALSE, kCompletionWaitMs, FALSE);
    if (waited == WSA_WAIT_TIMEOUT) continue;
    if (waited != WSA_WAIT_EVENT_0) return Completion::kFailed;
    DWORD flags = 0;
    if (WSAGetOverlappedResult(socket, &overlapped, count, FALSE, &flags)) {
      return Completion::kDone;
    }
    if (static_cast<DWORD>(WSAGetLastError()) != WSA_IO_INCOMPLETE) return Completion::kFailed;
    // Set without a completion: a wake for a stop, checked above.
    WSAResetEvent(event);
  }
  CancelIo(reinterpret_cast<HANDLE>(socket));
  return Completion::kStopped;
}

// Takes a buffer lock by trying, sleeping between tries.
void enterByTrying(CRITICAL_SECTION& lock) {
  while (!TryEnterCriticalSection(&lock)) zefCoreKSleep(kLockRetryMs);
}

// Sleeps up to `milliseconds` in short steps, ending early on a stop; true
// when no stop came.
bool pauseUnless(const std::atomic<bool>& stop, uint32_t milliseconds) {
  for (uint32_t slept = 0; slept < milliseconds && !stop.load(); slept += kPauseStepMs) {
    zefCoreKSleep(kPauseStepMs);
  }
  return !stop.load();
}

// The thread fields the reader and the writer both keep.
struct IOThreadFields {
  HANDLE& thread;
  DWORD& threadId;
  std::atomic<bool>& stopRequested;
  std::atomic<bool>& threadFinished;
};

// Starts `proc` on `self` unless a thread runs; true when one runs.
bool startIOThread(IOThreadFields fields, LPTHREAD_START_ROUTINE proc, void* self) {
  if (fields.thread != nullptr) return true;
  fields.threadId = 0;
  fields.stopRequested.store(false);
  fields.threadFinished.store(false);
  fields.thread = CreateThread(nullptr, 0, proc, self, 0, &fields.threadId);
  if (fields.thread == nullptr) fields.threadFinished.store(true);
  return fields.thread != nullptr;
}

// Requests a stop and calls `wake` (which ends the thread's waits) until the
// thread has ended, then resets the fields.
template <typename Wake>
void stopIOThread(IOThreadFields fields, DWORD retryMs, Wake wake) {
  if (fields.thread != nullptr) {
    fields.stopRequested.store(true);
    do {
      wake();
    } while (WaitForSingleObject(fields.thread, retryMs) != WAIT_OBJECT_0);
    CloseHandle(fields.thread);
  }
  fields.threadId = 0;
  fields.thread = nullptr;
  fields.stopRequested.store(false);
  fields.threadFinished.store(true);
}

}  // namespace

using zefcorek::devices::IBufferedReadFromSocketImp;
using zefcorek::devices::IBufferedWriteToSocketImp;

uint32_t zefcorek::devices::socketReceiveBlock(uint32_t kind) {
  switch (kind) {
    case 0: return 512;
    case 1: return 1460;
    case 2: return 1526;
    default: return 256;
  }
}

zefcorek::devices::IBufferedReadFromSocket::~IBufferedReadFromSocket() = default;
zefcorek::devices::IBufferedWriteToSocket::~IBufferedWriteToSocket() = default;

// --- Reader -------------------------------------------------------------------

IBufferedReadFromSocketImp::IBufferedReadFromSocketImp(SOCKET socket, uint32_t kind, uint32_t capacity,
                                                       bool overwriteOldest)
    : socket_(socket),
      kind_(kind),
      blockSize_(socketReceiveBlock(kind)),
      capacity_(std::max(capacity, socketReceiveBlock(kind))),
      overwriteOldest_(overwriteOldest) {
  InitializeCriticalSection(&lock_);
}

IBufferedReadFromSocketImp::~IBufferedReadFromSocketImp() {
  // A thread left running would use the freed object.
  StopThread();
  DeleteCriticalSection(&lock_);
}

void IBufferedReadFromSocketImp::lockBuffer() { enterByTrying(lock_); }

void IBufferedReadFromSocketImp::unlockBuffer() { LeaveCriticalSection(&lock_); }

void IBufferedReadFromSocketImp::SetSocketDataPreviewCB(SocketDataPreviewCB callback, void* context) {
  guardOperation(kReaderClass, u"SetSocketDataPreviewCB", [&] {
    preview_ = callback;
    previewContext_ = context;
  });
}

bool IBufferedReadFromSocketImp::StartThread() {
  bool started = thread_ != nullptr;
  guardOperation(kReaderClass, u"StartThread", [&] {
    started = startIOThread({thread_, threadId_, stopRequested_, threadFinished_}, staticIOThreadProc, this);
  });
  return started;
}

void IBufferedReadFromSocketImp::StopThread() {
  guardOperation(kReaderClass, u"StopThread", [&] {
    // Wake the thread's completion wait; its pauses poll the flag.
    stopIOThread({thread_, threadId_, stopRequested_, threadFinished_}, kLockRetryMs, [&] {
      if (WSAEVENT event = ioEvent_.load()) WSASetEvent(event);
    });
  });
}

uint32_t IBufferedReadFromSocketImp::ReadFromBuffer(void* destination, uint32_t maximum, uint32_t* got) {
  uint32_t taken = 0;
  guardOperation(kReaderClass, u"ReadFromBuffer", [&] {
    if (destination == nullptr || maximum == 0 || buffered_.load() == 0) return;
    lockBuffer();
    taken = std::min(maximum, buffer_.GetSize());
    if (!buffer_.HeadExtract(taken, destination)) taken = 0;
    buffered_.store(buffer_.GetSize());
    unlockBuffer();
  });
  if (got) *got = taken;
  return taken;
}

DWORD IBufferedReadFromSocketImp::staticIOThreadProc(void* self) {
  return static_cast<IBufferedReadFromSocketImp*>(self)->IOThreadProc();
}

bool IBufferedReadFromSocketImp::pauseUnlessStopped(uint32_t milliseconds) {
  return pauseUnless(stopRequested_, milliseconds);
}

// The amount to ask for: a block, or (keeping the oldest bytes) no more than
// the free space.
uint32_t IBufferedReadFromSocketImp::receiveAmount() {
  if (overwriteOldest_) return blockSize_;
  lockBuffer();
  const uint32_t free = capacity_ - std::min(capacity_, buffer_.GetSize());
  unlockBuffer();
  return std::min(blockSize_, free);
}

// Appends a received block; with OverwriteOldest the oldest bytes give way.
void IBufferedReadFromSocketImp::keepBlock(const char* block, uint32_t count) {
  lockBuffer();
  const uint32_t free = capacity_ - std::min(capacity_, buffer_.GetSize());
  const uint32_t fits = std::min(free, count);
  (void)buffer_.AppendData(fits, block);
  const uint32_t rest = count - fits;
  if (rest > 0 && overwriteOldest_) {
    (void)buffer_.HeadDelete(std::min(rest, buffer_.GetSize()));
    (void)buffer_.AppendData(rest, block + fits);
  }
  buffered_.store(buffer_.GetSize());
  unlockBuffer();
}

DWORD IBufferedReadFromSocketImp::IOThreadProc() {
  threadFinished_.store(false);
  guardOperation(kReaderClass, u"IOThreadProc", [&] {
    WSAOVERLAPPED overlapped{};
    const WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT) return;
    ioEvent_.store(event);
    std::vector<char> block(blockSize_);
    while (!stopRequested_.load()) {
      const uint32_t amount = receiveAmount();
      if (amount == 0) {
        pauseUnlessStopped(kRetryAfterFailureMs);
        continue;
      }
      WSAResetEvent(event);
      overlapped = WSAOVERLAPPED{};
      overlapped.hEvent = event;
      WSABUF buffer{amount, block.data()};
      DWORD count = 0;
      DWORD flags = 0;
      SOCKADDR sender{};
      int senderLength = sizeof sender;
      const int started =
          kind_ == 2 ? WSARecvFrom(socket_, &buffer, 1, &count, &flags, &sender, &senderLength, &overlapped, nullptr)
                     : WSARecv(socket_, &buffer, 1, &count, &flags, &overlapped, nullptr);
      Completion outcome = Completion::kDone;
      if (started != 0) {
        if (static_cast<DWORD>(WSAGetLastError()) != WSA_IO_PENDING) {
          pauseUnlessStopped(kRetryAfterFailureMs);
          continue;
        }
        outcome = awaitCompletion(socket_, event, overlapped, stopRequested_, &count);
        if (outcome == Completion::kStopped) pauseUnlessStopped(kLockRetryMs);
      }
      if (stopRequested_.load()) break;
      if (outcome != Completion::kDone) continue;
      if (count == 0) {
        // The peer closed its side: every receive now ends at once, so wait
        // instead of asking again straight away.
        pauseUnlessStopped(kRetryAfterFailureMs);
        continue;
      }
      uint32_t keep = count;
      if (preview_ != nullptr && !preview_(block.data(), &keep, previewContext_)) continue;
      // A preview cannot make more of the block than arrived.
      keepBlock(block.data(), std::min<uint32_t>(keep, count));
    }
    ioEvent_.store(nullptr);
    WSACloseEvent(event);
  });
  threadFinished_.store(true);
  return 0;
}

// --- Writer -------------------------------------------------------------------

IBufferedWriteToSocketImp::IBufferedWriteToSocketImp(SOCKET socket, uint32_t kind, uint32_t capacity)
    : socket_(socket), kind_(kind), capacity_(std::max(capacity, kSocketWriteBlock)) {
  traceOperation(kWriterClass, u"IBufferedWriteToSocketImp", u"() - In");
  guardOperation(kWriterClass, u"IBufferedWriteToSocketImp", [&] { initialise(); });
  traceOperation(kWriterClass, u"IBufferedWriteToSocketImp", u"() - out");
}

IBufferedWriteToSocketImp::IBufferedWriteToSocketImp(SOCKET socket, const SOCKADDR_IN* destination, uint32_t capacity)
    : socket_(socket), kind_(2), capacity_(std::max(capacity, kSocketWriteBlock)) {
  OperationTrace trace(kWriterClass, u"IBufferedWriteToSocketImp");
  guardOperation(kWriterClass, u"IBufferedWriteToSocketImp", [&] {
    if (destination != nullptr) destination_ = *destination;
    initialise();
  });
}

void IBufferedWriteToSocketImp::initialise() {
  InitializeCriticalSection(&lock_);
  dataEvent_ = CreateEventW(nullptr, FALSE, TRUE, nullptr);
}

IBufferedWriteToSocketImp::~IBufferedWriteToSocketImp() {
  OperationTrace trace(kWriterClass, u"~IBufferedWriteToSocketImp");
  StopThread();
  if (dataEvent_) CloseHandle(dataEvent_);
  DeleteCriticalSection(&lock_);
}

void IBufferedWriteToSocketImp::lockBuffer() { enterByTrying(lock_); }

void IBufferedWriteToSocketImp::unlockBuffer() { LeaveCriticalSection(&lock_); }

bool IBufferedWriteToSocketImp::StartThread() {
  OperationTrace trace(kWriterClass, u"StartThread");
  bool started = thread_ != nullptr;
  guardOperation(kWriterClass, u"StartThread", [&] {
    if (dataEvent_) SetEvent(dataEvent_);
    started = startIOThread({thread_, threadId_, stopRequested_, threadFinished_}, staticIOThreadProc, this);
  });
  return started;
}

void IBufferedWriteToSocketImp::StopThread() {
  OperationTrace trace(kWriterClass, u"StopThread");
  guardOperation(kWriterClass, u"StopThread", [&] {
    // The data event ends the idle wait, the socket event a send's wait.
    stopIOThread({thread_, threadId_, stopRequested_, threadFinished_}, kWriterRetryMs, [&] {
      if (dataEvent_) SetEvent(dataEvent_);
      if (WSAEVENT event = ioEvent_.load()) WSASetEvent(event);
    });
  });
}

uint32_t IBufferedWriteToSocketImp::WriteToBuffer(const void* data, uint32_t count, uint32_t* accepted) {
  OperationTrace trace(kWriterClass, u"WriteToBuffer");
  uint32_t taken = 0;
  guardOperation(kWriterClass, u"WriteToBuffer", [&] {
    if (data == nullptr || count == 0) return;
    lockBuffer();
    const uint32_t free = capacity_ - std::min(capacity_, buffer_.GetSize());
    taken = std::min(free, count);
    if (taken > 0 && !buffer_.AppendData(taken, data)) taken = 0;
    buffered_.store(buffer_.GetSize());
    unlockBuffer();
    if (taken > 0 && dataEvent_) SetEvent(dataEvent_);
  });
  if (accepted) *accepted = taken;
  return taken;
}

DWORD IBufferedWriteToSocketImp::staticIOThreadProc(void* self) {
  return static_cast<IBufferedWriteToSocketImp*>(self)->IOThreadProc();
}

bool IBufferedWriteToSocketImp::pauseUnlessStopped(uint32_t milliseconds) {
  return pauseUnless(stopRequested_, milliseconds);
}

// Up to one block from the head of the buffer.
uint32_t IBufferedWriteToSocketImp::takeBlock(char* block) {
  if (buffered_.load() == 0) return 0;
  lockBuffer();
  uint32_t count = std::min(buffer_.GetSize(), kSocketWriteBlock);
  if (!buffer_.HeadExtract(count, block)) count = 0;
  buffered_.store(buffer_.GetSize());
  unlockBuffer();
  return count;
}

// Sends one block; false when it failed (its bytes are dropped) or a stop
// came. A send that moved only part of the block goes on with the rest, so a
// stream never loses bytes in its middle.
bool IBufferedWriteToSocketImp::sendBlock(WSAEVENT event, const char* block, uint32_t count) {
  uint32_t sent = 0;
  while (sent < count) {
    WSAResetEvent(event);
    WSAOVERLAPPED overlapped{};
    overlapped.hEvent = event;
    WSABUF buffer{count - sent, const_cast<char*>(block + sent)};
    DWORD moved = 0;
    const int started =
        kind_ == 2 ? WSASendTo(socket_, &buffer, 1, &moved, 0, reinterpret_cast<const SOCKADDR*>(&destination_),
                               sizeof destination_, &overlapped, nullptr)
                   : WSASend(socket_, &buffer, 1, &moved, 0, &overlapped, nullptr);
    if (started != 0) {
      if (static_cast<DWORD>(WSAGetLastError()) != WSA_IO_PENDING) return false;
      const Completion outcome = awaitCompletion(socket_, event, overlapped, stopRequested_, &moved);
      if (outcome == Completion::kStopped) pauseUnlessStopped(kWriterRetryMs);
      if (outcome != Completion::kDone) return false;
    }
    if (kind_ == 2) return true;  // a datagram goes whole or not at all
    sent += moved;
  }
  return true;
}

DWORD IBufferedWriteToSocketImp::IOThreadProc() {
  threadFinished_.store(false);
  guardOperation(kWriterClass, u"IOThreadProc", [&] {
    const WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT) return;
    ioEvent_.store(event);
    char block[kSocketWriteBlock];
    while (!stopRequested_.load()) {
      const uint32_t count = takeBlock(block);
      bool failed = false;
      if (count > 0 && !sendBlock(event, block, count)) {
        failed = true;
        pauseUnlessStopped(kWriterRetryMs);
      }
      if (stopRequested_.load()) break;
      if (count == 0) {
        WaitForSingleObject(dataEvent_, kIdleWriterWaitMs);
      } else if (failed) {
        pauseUnlessStopped(kWriterRetryMs);
      }
    }
    ioEvent_.store(nullptr);
    WSACloseEvent(event);
  });
  threadFinished_.store(true);
  return 0;
}
