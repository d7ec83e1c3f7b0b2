// The part every device connection class shares: the I/O report (callback
// and trace file), the hidden notification window, the non-blocking read
// worker, the operations that sit on a medium's raw read and write, the
// exception guard and the entry/exit traces.
//
// A class adds its medium: Open, IsOpen, Close, Write, GetIOInfo,
// GetTopInterface, and the two hooks below (receiveNow, readTimeoutMs). Its
// destructor calls finishConnection() first, while its own members still
// exist, because the worker reads through the class's virtual operations.
//
// Threads: operations are called from the host's thread; the worker runs a
// non-blocking read on its own thread and hands the completion back through
// a message posted to the hidden window, which belongs to the thread that
// made the connection. The request's Kind, the cancel and stop flags are
// atomics; the request record itself is written by RunNonBlockingReadOp
// before Kind is set and by the worker before Kind is cleared.
#pragma once

#include "zefcorek/DeviceConnection.h"
#include "zefcorek/IOTraceFile.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"
#include "platform/WindowMessages.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace zefcorek::devices {

// What distinguishes one connection class from another in the shared part.
struct ConnectionClass {
  const WCHAR* name;         // "ITCPConnectionImp": traces and exception texts
  const WCHAR* windowClass;  // "CTCPConnectionSyncWnd": class name and title
  ConnectionKind traceKind;  // which trace file the class writes
  int connectionType;        // GetConnectionType
  uint16_t textBufferBytes;  // ANSI buffer of ReadText (512; Bluetooth 2048)
  bool traced;               // entry/exit traces of the shared operations
  bool guarded;              // exception guard of the shared operations
};

// The message that carries a completion to the hidden window.
inline constexpr UINT kNonBlockingReadDone = WM_USER + 0x63;

class ZEF_EXPORT DeviceConnectionBase : public IStdInterfaceImp, public virtual IDeviceConnection {
public:
  explicit DeviceConnectionBase(const ConnectionClass& connectionClass);
  ~DeviceConnectionBase() override;
  DeviceConnectionBase(const DeviceConnectionBase&) = delete;
  DeviceConnectionBase& operator=(const DeviceConnectionBase&) = delete;

  int GetConnectionType() override;
  bool WriteByte(uint8_t value) override;
  TConnResult Read(void* buffer, uint16_t count, bool wait, uint16_t* got) override;
  TConnResult ReadEx(void* buffer, uint16_t count, uint32_t timeoutMs, uint16_t* got) override;
  TConnResult ReadByte(uint8_t* value, bool wait) override;
  TConnResult WriteText(const WCHAR* text) override;
  TConnResult ReadText(WCHAR* buffer, uint16_t length, bool wait, uint16_t* got) override;
  // Not supported on this medium: 1.
  TConnResult ReadTextUntil(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint16_t* got) override;
  TConnResult ReadTextUntilEx(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint32_t timeoutMs,
                              uint16_t* got) override;
  TConnResult ReadTextEx(WCHAR* buffer, uint16_t length, uint32_t timeoutMs, uint16_t* got) override;
  TConnResult ReadTextA(char* buffer, uint16_t length, bool wait, uint16_t* got) override;
  TConnResult RunNonBlockingReadOp(const TNonBlockingReadOp* request) override;
  TConnResult CancelNonBlockingReadOp() override;
  bool IsNonBlockingReadOpRunning() override;
  TConnResult SetIOCallback(DeviceIOCallback callback, void* user) override;
  TConnResult ReportDataIO(int kind, const void* bytes, uint32_t count) override;

  // The class's trace switch (the static EnableIOLogging of each class).
  static void enableIOLogging(ConnectionKind kind, const WCHAR* path, bool deleteFirst);
  static bool isIOLoggingEnabled(ConnectionKind kind);

  HWND notificationWindow() const { return window_; }
  const ConnectionClass& connectionClass() const { return class_; }

protected:
  // Takes up to `count` received bytes into `into` without waiting; the
  // number taken (0 when nothing is there or the medium failed).
  virtual uint16_t receiveNow(uint8_t* into, uint16_t count) = 0;
  // The time-out of a waiting Read.
  virtual uint32_t readTimeoutMs() = 0;
  // Runs after a cancel of a pending request (the serial port purges).
  virtual void afterCancel() {}

  // Stops the worker cooperatively and closes the connection; the derived
  // destructor calls it first. Safe to call twice.
  void finishConnection();

  // The report of one portion: the callback (count not 0), then the trace.
  void reportData(int kind, const void* bytes, uint32_t count);
  // True while a cancel of a non-blocking read runs (blocking reads end).
  bool cancelling() const { return cancelling_.load(); }

  // Runs `body` under the class's trace and exception conventions for
  // `operation`; on an exception shows "Exception in <Class>::<op>()" and
  // returns normally (the caller's result keeps what it held).
  template <class Body>
  void runOperation(const WCHAR* operation, Body&& body, bool traced, bool guarded);
  template <class Body>
  void runShared(const WCHAR* operation, Body&& body) {
    runOperation(operation, body, class_.traced, class_.guarded);
  }

  // The entry/exit traces and the exception box (also used directly).
  void traceEntry(const WCHAR* operation);
  void traceExit(const WCHAR* operation);
  void showException(const WCHAR* operation);

private:
  TConnResult readLoop(void* buffer, uint16_t count, bool wait, uint32_t timeoutMs, uint16_t* got);
  // The text reads, on the class's own Read or ReadEx, through a buffer of
  // bufferBytes ANSI bytes.
  TConnResult readTextLoop(WCHAR* buffer, uint16_t length, uint16_t bufferBytes, uint16_t* got,
                           const std::function<TConnResult(char*, uint16_t, uint16_t*)>& readBytes);
  static constexpr uint16_t kTextExBufferBytes = 512;
  bool startWorker();
  void stopWorker();
  static DWORD workerMain(void* self);
  void workerLoop();
  void performRequest();
  // Hands the oldest completed request to its done callback.
  void deliverCompletion();
  static LRESULT syncWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  const ConnectionClass& class_;
  HWND window_ = nullptr;                // hidden window on the creating thread; null when it failed
  DeviceIOCallback callback_ = nullptr;  // set by SetIOCallback (host thread)
  void* callbackUser_ = nullptr;

  // The connection's copy of the pending or last request. Written by
  // RunNonBlockingReadOp while no request is pending and by the worker while
  // one is.
  TNonBlockingReadOp request_{};
  // Requests the worker finished, oldest first, one per completion message
  // posted: the host may issue the next request before it pumps, so each
  // completion carries its own record. The done callback gets a pointer to
  // `delivered_`, the copy of the one being reported.
  std::mutex completedMutex_;
  std::deque<TNonBlockingReadOp> completed_;
  TNonBlockingReadOp delivered_{};
  std::atomic<uint32_t> kind_{0};        // request_.Kind as the threads see it
  std::atomic<bool> cancelling_{false};  // a cancel runs: reads end early
  std::atomic<bool> stopping_{false};    // the worker ends at its next step
  HANDLE worker_ = nullptr;              // worker thread, made on first request
  HANDLE wake_ = nullptr;                // auto-reset event: wakes the worker's waits
  bool finished_ = false;                // finishConnection ran
};

template <class Body>
void DeviceConnectionBase::runOperation(const WCHAR* operation, Body&& body, bool traced, bool guarded) {
  if (traced) traceEntry(operation);
  if (!guarded) {
    body();
  } else {
    try {
      body();
    } catch (...) {
      showException(operation);
    }
  }
  if (traced) traceExit(operation);
}

}  // namespace zefcorek::devices
