// The threads that move a socket connection's bytes: a reader that keeps a
// receive posted and appends what arrives to a bounded buffer, and a writer
// that drains its buffer to the socket in blocks of at most 64 bytes.
//
// Medium kinds and receive blocks: 0 Bluetooth RFCOMM (512 bytes), 1 TCP
// (1460), 2 UDP (1526, receive-from / send-to a stored destination), any
// other 256. The connection news both objects when it opens, starts their
// threads, and stops and deletes them (writer first) before it closes the
// socket.
//
// Each buffer is guarded by a critical section that is taken by trying and
// sleeping 100 ms between tries. The buffered byte count is mirrored in an
// atomic so that the threads may test for data without the lock.
//
// Stopping is cooperative: a stop request, a wake of the thread's waits (its
// socket event, the writer's data event) and a wait for the thread to end.
#pragma once

#include "zefcorek/DynBuffer.h"
#include "zefcorek/SocketConnections.h"

#include "platform/Export.h"
#include "platform/Sockets.h"
#include "platform/Synchronization.h"
#include "platform/WinTypes.h"

#include <atomic>
#include <cstdint>

namespace zefcorek::devices {

using SocketDataPreviewCB = ::SocketDataPreviewCB;

inline constexpr uint32_t kSocketWriteBlock = 64;

// The receive block of a medium kind.
ZEF_EXPORT uint32_t socketReceiveBlock(uint32_t kind);

class ZEF_EXPORT IBufferedReadFromSocket {
public:
  virtual ~IBufferedReadFromSocket();
  virtual DWORD IOThreadProc() = 0;
};

class ZEF_EXPORT IBufferedWriteToSocket {
public:
  virtual ~IBufferedWriteToSocket();
  virtual DWORD IOThreadProc() = 0;
};

class ZEF_EXPORT IBufferedReadFromSocketImp : public IBufferedReadFromSocket {
public:
  // The capacity is raised to the kind's receive block when smaller.
  IBufferedReadFromSocketImp(SOCKET socket, uint32_t kind, uint32_t capacity, bool overwriteOldest);
  // Stops the thread when the owner did not.
  ~IBufferedReadFromSocketImp() override;
  IBufferedReadFromSocketImp(const IBufferedReadFromSocketImp&) = delete;
  IBufferedReadFromSocketImp& operator=(const IBufferedReadFromSocketImp&) = delete;

  DWORD IOThreadProc() override;

  // Null switches previewing off.
  void SetSocketDataPreviewCB(SocketDataPreviewCB callback, void* context);
  // Starts the thread unless it runs; false when it cannot be made.
  bool StartThread();
  // Stops the thread (if any) and resets the thread fields.
  void StopThread();
  // Takes up to `maximum` bytes from the head of the buffer; the count (also
  // in *got when not null). 0 for a null destination or a 0 maximum.
  uint32_t ReadFromBuffer(void* destination, uint32_t maximum, uint32_t* got);

  uint32_t capacity() const { return capacity_; }
  uint32_t blockSize() const { return blockSize_; }
  uint32_t buffered() const { return buffered_.load(); }

private:
  void lockBuffer();
  void unlockBuffer();
  uint32_t receiveAmount();
  void keepBlock(const char* block, uint32_t count);
  bool pauseUnlessStopped(uint32_t milliseconds);
  static DWORD staticIOThreadProc(void* self);

  SOCKET socket_;
  uint32_t kind_;
  uint32_t blockSize_;
  SocketDataPreviewCB preview_ = nullptr;  // set before StartThread, read by the thread
  void* previewContext_ = nullptr;
  CRITICAL_SECTION lock_;  // guards buffer_
  uint32_t capacity_;
  bool overwriteOldest_;
  TDynBuffer buffer_;
  std::atomic<uint32_t> buffered_{0};  // buffer_'s size, for tests without the lock
  DWORD threadId_ = 0;
  HANDLE thread_ = nullptr;
  std::atomic<WSAEVENT> ioEvent_{nullptr};  // the thread's socket event while it runs
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> threadFinished_{true};
};

class ZEF_EXPORT IBufferedWriteToSocketImp : public IBufferedWriteToSocket {
public:
  // The capacity is at least 64.
  IBufferedWriteToSocketImp(SOCKET socket, uint32_t kind, uint32_t capacity);
  // Kind 2: every block goes to `destination`.
  IBufferedWriteToSocketImp(SOCKET socket, const SOCKADDR_IN* destination, uint32_t capacity);
  ~IBufferedWriteToSocketImp() override;
  IBufferedWriteToSocketImp(const IBufferedWriteToSocketImp&) = delete;
  IBufferedWriteToSocketImp& operator=(const IBufferedWriteToSocketImp&) = delete;

  DWORD IOThreadProc() override;

  bool StartThread();
  void StopThread();
  // Appends min(free space, count) bytes; the number accepted (also in
  // *accepted when not null). 0 for null data or a 0 count.
  uint32_t WriteToBuffer(const void* data, uint32_t count, uint32_t* accepted);

  uint32_t capacity() const { return capacity_; }
  uint32_t buffered() const { return buffered_.load(); }

private:
  void initialise();
  void lockBuffer();
  void unlockBuffer();
  uint32_t takeBlock(char* block);
  bool sendBlock(WSAEVENT event, const char* block, uint32_t count);
  bool pauseUnlessStopped(uint32_t milliseconds);
  static DWORD staticIOThreadProc(void* self);

  SOCKET socket_;
  uint32_t kind_;
  SOCKADDR_IN destination_{};   // kind 2 only
  HANDLE dataEvent_ = nullptr;  // auto-reset; set by every accepted write
  CRITICAL_SECTION lock_;
  uint32_t capacity_;
  TDynBuffer buffer_;
  std::atomic<uint32_t> buffered_{0};
  DWORD threadId_ = 0;
  HANDLE thread_ = nullptr;
  std::atomic<WSAEVENT> ioEvent_{nullptr};
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> threadFinished_{true};
};

}  // namespace zefcorek::devices
