// The shared part of the device connections (see DeviceConnectionBase.h).
#include "DeviceConnectionBase.h"

#include "IOTraceReport.h"
#include "OperationConventions.h"

#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/Synchronization.h"
#include "platform/Threads.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Worker polling steps and the pause after a completion.
constexpr DWORD kWorkerIdleMs = 25;
constexpr DWORD kWorkerAfterDoneMs = 200;
constexpr DWORD kCancelStepMs = 50;
// A waiting read sleeps this long between empty attempts instead of spinning.
constexpr unsigned kReadRetryMs = 1;

// Registers a connection class's window class once per process.
bool registerWindowClass(const WCHAR* name, WNDPROC procedure) {
  static std::mutex mutex;
  static std::vector<std::u16string>* registered = new std::vector<std::u16string>;
  std::lock_guard lock(mutex);
  if (std::find(registered->begin(), registered->end(), name) != registered->end()) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = name;
  if (RegisterClassExW(&windowClass) == 0) {
    if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    // Left by an earlier load of this library, with a procedure that is gone
    // with it: the class is made again with this load's procedure.
    UnregisterClassW(name, nullptr);
    if (RegisterClassExW(&windowClass) == 0) return false;
  }
  registered->emplace_back(name);
  return true;
}

}  // namespace

using zefcorek::devices::DeviceConnectionBase;

DeviceConnectionBase::DeviceConnectionBase(const ConnectionClass& connectionClass) : class_(connectionClass) {
  wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!registerWindowClass(class_.windowClass, syncWndProc)) return;
  window_ = CreateWindowExW(0, class_.windowClass, class_.windowClass, WS_POPUP | WS_DISABLED, 0, 0, 1, 1, HWND_MESSAGE,
                            nullptr, nullptr, this);
  if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

DeviceConnectionBase::~DeviceConnectionBase() {
  assert(finished_ && "the connection class must call finishConnection in its destructor");
  stopWorker();
  if (window_) {
    // Completions still queued for the window must not reach this object.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
      DestroyWindow(window_);
    } else {
      // Only the owning thread may destroy it; it does so when it pumps.
      PostMessageW(window_, WM_CLOSE, 0, 0);
    }
  }
  if (wake_) CloseHandle(wake_);
}

void DeviceConnectionBase::finishConnection() {
  if (finished_) return;
  finished_ = true;
  stopWorker();
  (void)Close();
}

int DeviceConnectionBase::GetConnectionType() { return class_.connectionType; }

bool DeviceConnectionBase::WriteByte(uint8_t value) { return Write(&value, 1) == 1; }

TConnResult DeviceConnectionBase::Read(void* buffer, uint16_t count, bool wait, uint16_t* got) {
  TConnResult result{CONN_FAILED};
  runShared(u"Read", [&] { result = readLoop(buffer, count, wait, readTimeoutMs(), got); });
  return result;
}

TConnResult DeviceConnectionBase::ReadEx(void* buffer, uint16_t count, uint32_t timeoutMs, uint16_t* got) {
  TConnResult result{CONN_FAILED};
  runShared(u"ReadEx", [&] { result = readLoop(buffer, count, true, timeoutMs, got); });
  return result;
}

TConnResult DeviceConnectionBase::readLoop(void* buffer, uint16_t count, bool wait, uint32_t timeoutMs, uint16_t* got) {
  if (!IsOpen()) return {CONN_FAILED};
  if (got == nullptr) return {CONN_BAD_ARGUMENT};
  *got = 0;
  if (count > 0 && buffer == nullptr) return {CONN_BAD_ARGUMENT};
  auto* bytes = static_cast<uint8_t*>(buffer);
  const uint64_t start = platform::clock().monotonicMs();
  for (;;) {
    if (*got < count) {
      const uint16_t taken = receiveNow(bytes + *got, static_cast<uint16_t>(count - *got));
      if (taken > 0) {
        reportData(DEVIO_RECEIVED, bytes + *got, taken);
        *got = static_cast<uint16_t>(*got + taken);
        continue;
      }
    }
    if (!wait || *got >= count || cancelling()) return {CONN_OK};
    if (platform::clock().monotonicMs() - start > timeoutMs) return {CONN_TIMEOUT};
    zefCoreKSleep(kReadRetryMs);
  }
}

TConnResult DeviceConnectionBase::ReadByte(uint8_t* value, bool wait) {
  TConnResult result{CONN_FAILED};
  runShared(u"ReadByte", [&] {
    if (value == nullptr) {
      result = {CONN_BAD_ARGUMENT};
      return;
    }
    *value = 0;
    uint16_t got = 0;
    do {
      result = Read(value, 1, wait, &got);
    } while (wait && result.Value == CONN_OK && got == 0 && !cancelling());
    if (result.Value == CONN_OK && got == 0) result = {CONN_TIMEOUT};
  });
  return result;
}

TConnResult DeviceConnectionBase::WriteText(const WCHAR* text) {
  TConnResult result{CONN_FAILED};
  runShared(u"WriteText", [&] {
    if (!IsOpen()) return;
    if (text == nullptr) {
      result = {CONN_BAD_ARGUMENT};
      return;
    }
    const std::optional<std::string> ansi = platform::wideToAnsi(text);
    if (!ansi) return;
    // Write takes at most 65,535 bytes at a time; longer texts go in parts.
    size_t written = 0;
    while (written < ansi->size()) {
      const auto part = static_cast<uint16_t>(std::min<size_t>(ansi->size() - written, 0xFFFF));
      const uint16_t accepted = Write(ansi->data() + written, part);
      written += accepted;
      if (accepted < part) break;
    }
    result = {written == ansi->size() ? CONN_OK : CONN_FAILED};
  });
  return result;
}

TConnResult DeviceConnectionBase::ReadText(WCHAR* buffer, uint16_t length, bool wait, uint16_t* got) {
  TConnResult result{CONN_FAILED};
  runShared(u"ReadText", [&] {
    result = readTextLoop(buffer, length, class_.textBufferBytes, got,
                          [&](char* ansi, uint16_t count, uint16_t* taken) { return Read(ansi, count, wait, taken); });
  });
  return result;
}

TConnResult DeviceConnectionBase::ReadTextEx(WCHAR* buffer, uint16_t length, uint32_t timeoutMs, uint16_t* got) {
  TConnResult result{CONN_FAILED};
  // ReadTextEx keeps the common 512-byte buffer on every medium.
  runShared(u"ReadTextEx", [&] {
    result = readTextLoop(buffer, length, kTextExBufferBytes, got, [&](char* ansi, uint16_t count, uint16_t* taken) {
      return ReadEx(ansi, count, timeoutMs, taken);
    });
  });
  return result;
}

// The text reads take ANSI bytes into a zeroed buffer of the class's size and
// hand them over as wide text. A time-out hands over what did arrive, with
// status 3, rather than dropping bytes that were already taken.
TConnResult DeviceConnectionBase::readTextLoop(
    WCHAR* buffer, uint16_t length, uint16_t bufferBytes, uint16_t* got,
    const std::function<TConnResult(char*, uint16_t, uint16_t*)>& readBytes) {
  if (buffer == nullptr || length == 0 || got == nullptr) return {CONN_BAD_ARGUMENT};
  *got = 0;
  std::vector<char> ansi(bufferBytes, '\0');
  const auto wanted = static_cast<uint16_t>(std::min<size_t>(length - 1u, ansi.size() - 1u));
  uint16_t taken = 0;
  const TConnResult result = readBytes(ansi.data(), wanted, &taken);
  if (result.Value != CONN_OK && result.Value != CONN_TIMEOUT) return result;
  std::fill(buffer, buffer + length, u'\0');
  const std::u16string text = platform::ansiToWideLenient(std::string_view(ansi.data(), std::strlen(ansi.data())));
  // UTF-8 never takes fewer bytes than UTF-16 units, so the text fits.
  assert(text.size() < length);
  std::copy(text.begin(), text.end(), buffer);
  *got = static_cast<uint16_t>(text.size());
  return result;
}

TConnResult DeviceConnectionBase::ReadTextA(char* buffer, uint16_t length, bool wait, uint16_t* got) {
  TConnResult result{CONN_FAILED};
  runShared(u"ReadTextA", [&] {
    if (buffer == nullptr || length == 0 || got == nullptr) {
      result = {CONN_BAD_ARGUMENT};
      return;
    }
    std::memset(buffer, 0, length);
    uint16_t taken = 0;
    result = Read(buffer, static_cast<uint16_t>(length - 1), wait, &taken);
    buffer[taken] = '\0';
    *got = static_cast<uint16_t>(std::strlen(buffer));
  });
  return result;
}

TConnResult DeviceConnectionBase::ReadTextUntil(WCHAR*, uint16_t, const WCHAR*, uint16_t*) { return {CONN_FAILED}; }

TConnResult DeviceConnectionBase::ReadTextUntilEx(WCHAR*, uint16_t, const WCHAR*, uint32_t, uint16_t*) {
  return {CONN_FAILED};
}

TConnResult DeviceConnectionBase::SetIOCallback(DeviceIOCallback callback, void* user) {
  callback_ = callback;
  callbackUser_ = user;
  return {CONN_OK};
}

TConnResult DeviceConnectionBase::ReportDataIO(int kind, const void* bytes, uint32_t count) {
  reportData(kind, bytes, count);
  return {CONN_OK};
}

void DeviceConnectionBase::reportData(int kind, const void* bytes, uint32_t count) {
  runOperation(
      u"ReportDataIO",
      [&] {
        if (count != 0 && callback_ != nullptr) {
          callback_(static_cast<IDeviceConnection*>(this), kind, bytes, count, callbackUser_);
        }
        IOTraceFile& trace = ioTraceFile(class_.traceKind);
        if (!trace.isEnabled()) return;
        SYSTEMTIME utc{};
        GetSystemTime(&utc);
        std::string text;
        const std::span<const uint8_t> data(static_cast<const uint8_t*>(bytes), bytes != nullptr ? count : 0);
        appendIOTraceReport(text, kind, data, utc);
        // One write per report: the trace file's lock keeps reports whole.
        (void)trace.write(text.data(), static_cast<DWORD>(text.size()));
      },
      /*traced=*/false, class_.guarded);
}

void DeviceConnectionBase::enableIOLogging(ConnectionKind kind, const WCHAR* path, bool deleteFirst) {
  ioTraceFile(kind).enable(path, deleteFirst);
}

bool DeviceConnectionBase::isIOLoggingEnabled(ConnectionKind kind) { return ioTraceFile(kind).isEnabled(); }

// --- Non-blocking reads -----------------------------------------------------

TConnResult DeviceConnectionBase::RunNonBlockingReadOp(const TNonBlockingReadOp* request) {
  TConnResult result{CONN_FAILED};
  runShared(u"RunNonBlockingReadOp", [&] {
    if (request == nullptr) {
      result = {CONN_BAD_ARGUMENT};
      return;
    }
    if (!IsOpen()) return;
    if (worker_ != nullptr && kind_.load() != NBREAD_NONE) (void)CancelNonBlockingReadOp();
    // The record first, the kind last: the worker starts on the kind.
    request_ = *request;
    kind_.store(request->Kind);
    if (worker_ == nullptr && !startWorker()) return;
    if (wake_) SetEvent(wake_);
    result = {CONN_OK};
  });
  return result;
}

TConnResult DeviceConnectionBase::CancelNonBlockingReadOp() {
  runShared(u"CancelNonBlockingReadOp", [&] {
    if (worker_ == nullptr || kind_.load() == NBREAD_NONE) return;
    // The reads of the worker end early while the flag is set; it then
    // clears the kind without posting a completion.
    while (kind_.load() != NBREAD_NONE) {
      cancelling_.store(true);
      if (window_) PostMessageW(window_, WM_NULL, 0, 0);
      if (wake_) SetEvent(wake_);
      zefCoreKSleep(kCancelStepMs);
    }
    afterCancel();
    cancelling_.store(false);
  });
  return {CONN_OK};
}

bool DeviceConnectionBase::IsNonBlockingReadOpRunning() { return worker_ != nullptr && kind_.load() != NBREAD_NONE; }

bool DeviceConnectionBase::startWorker() {
  worker_ = CreateThread(nullptr, 0, workerMain, this, CREATE_SUSPENDED, nullptr);
  if (worker_ == nullptr) return false;
  SetThreadPriority(worker_, THREAD_PRIORITY_BELOW_NORMAL);
  ResumeThread(worker_);
  return true;
}

// Cooperative: the stop flag ends the worker's loop, the cancel flag ends a
// read in progress, the event cuts its waits short. Reads never block inside
// the medium (receiveNow does not wait), so the join is prompt.
void DeviceConnectionBase::stopWorker() {
  if (worker_ == nullptr) return;
  stopping_.store(true);
  cancelling_.store(true);
  if (wake_) SetEvent(wake_);
  WaitForSingleObject(worker_, INFINITE);
  CloseHandle(worker_);
  worker_ = nullptr;
  kind_.store(NBREAD_NONE);
  cancelling_.store(false);
}

DWORD DeviceConnectionBase::workerMain(void* self) {
  static_cast<DeviceConnectionBase*>(self)->workerLoop();
  return 0;
}

void DeviceConnectionBase::workerLoop() {
  while (!stopping_.load()) {
    if (cancelling_.load() && kind_.load() != NBREAD_NONE) {
      // A cancel of a request that never started (the medium is closed).
      request_.Kind = NBREAD_NONE;
      kind_.store(NBREAD_NONE);
      continue;
    }
    if (kind_.load() == NBREAD_NONE || !IsOpen()) {
      WaitForSingleObject(wake_, kWorkerIdleMs);
      continue;
    }
    performRequest();
    if (cancelling_.load()) {
      request_.Kind = NBREAD_NONE;
      kind_.store(NBREAD_NONE);
      continue;
    }
    request_.Kind = NBREAD_NONE;
    if (window_) {
      // Kept before Kind is cleared: after that the host may reuse request_.
      std::lock_guard lock(completedMutex_);
      completed_.push_back(request_);
    }
    kind_.store(NBREAD_NONE);
    if (window_) PostMessageW(window_, kNonBlockingReadDone, 0, reinterpret_cast<LPARAM>(this));
    WaitForSingleObject(wake_, kWorkerAfterDoneMs);
  }
}

void DeviceConnectionBase::performRequest() {
  uint16_t delivered = 0;
  TConnResult result{CONN_FAILED};
  switch (request_.Kind) {
    case NBREAD_READ:
      result = Read(request_.Args.Data.Buffer, request_.Args.Data.Length, true, &delivered);
      request_.Args.Data.Delivered = delivered;
      break;
    case NBREAD_TEXT:
      result = ReadText(static_cast<WCHAR*>(request_.Args.Data.Buffer), request_.Args.Data.Length, true, &delivered);
      request_.Args.Data.Delivered = delivered;
      break;
    case NBREAD_TEXT_UNTIL:
      result = ReadTextUntil(request_.Args.Text.Buffer, request_.Args.Text.Length, request_.Args.Text.Terminator,
                             &delivered);
      request_.Args.Text.Delivered = delivered;
      break;
    case NBREAD_TEXT_UNTIL_EX:
      result = ReadTextUntilEx(request_.Args.Text.Buffer, request_.Args.Text.Length, request_.Args.Text.Terminator,
                               request_.Args.Text.TimeoutMs, &delivered);
      request_.Args.Text.Delivered = delivered;
      break;
    default: break;  // an unknown kind completes as failed
  }
  request_.Result = result;
}

void DeviceConnectionBase::deliverCompletion() {
  runOperation(
      u"SyncWndProc",
      [&] {
        {
          std::lock_guard lock(completedMutex_);
          if (completed_.empty()) return;
          delivered_ = completed_.front();
          completed_.pop_front();
        }
        if (delivered_.DoneCallback) delivered_.DoneCallback(static_cast<IDeviceConnection*>(this), &delivered_);
      },
      /*traced=*/false, class_.guarded);
}

LRESULT DeviceConnectionBase::syncWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kNonBlockingReadDone: {
      // The window's own pointer, not the message's: a completion still
      // queued when the connection went finds a cleared pointer.
      auto* self = reinterpret_cast<DeviceConnectionBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self == nullptr || reinterpret_cast<LPARAM>(self) != lParam) return 0;
      self->deliverCompletion();
      return 0;
    }
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

// --- Traces and the exception box -------------------------------------------

void DeviceConnectionBase::traceEntry(const WCHAR* operation) { traceOperation(class_.name, operation, u"() - In"); }

void DeviceConnectionBase::traceExit(const WCHAR* operation) { traceOperation(class_.name, operation, u"() - Out"); }

void DeviceConnectionBase::showException(const WCHAR* operation) { showOperationException(class_.name, operation); }
