// The serial port connection over a COM port.
#include "DeviceConnectionBase.h"
#include "Utf8StreamDecoder.h"

#include "zefcorek/ClassMakers.h"
#include "zefcorek/SerialPort.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/CommPorts.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/Synchronization.h"
#include "platform/TextTools.h"

#include <algorithm>
#include <new>

namespace {

using zefcorek::devices::ConnectionClass;

constexpr ConnectionClass kSerialClass = {
    u"ISerialPortImp", u"CSerialPortSyncWnd", zefcorek::ConnectionKind::SerialPort, DEVCONN_SERIAL, 512,
    /*traced=*/false,  /*guarded=*/false};
constexpr uint16_t kMinimumTimeout = 500;
constexpr DWORD kWriteChunk = 32;
constexpr DWORD kAllPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kMaxDword = 0xFFFFFFFF;

// Elapsed milliseconds on the tick counter. A counter found below the start
// (it wrapped) restarts the measure.
class TickTimer {
public:
  TickTimer() : start_(GetTickCount()) {}
  DWORD elapsed() {
    const DWORD now = GetTickCount();
    if (now < start_) {
      start_ = now;
      return 0;
    }
    return now - start_;
  }

private:
  DWORD start_;
};

// A manual-reset event with the OVERLAPPED it serves, for one call.
struct OverlappedCall {
  OverlappedCall() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~OverlappedCall() {
    if (event) CloseHandle(event);
  }
  OVERLAPPED& fresh() {
    if (event) ResetEvent(event);
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event;
    return overlapped;
  }
  HANDLE event;
  OVERLAPPED overlapped{};
};

class ISerialPortImp final : public zefcorek::devices::DeviceConnectionBase, public virtual ISerialPort {
public:
  ISerialPortImp() : DeviceConnectionBase(kSerialClass) {}
  ~ISerialPortImp() override { finishConnection(); }

  IStdInterface* CastToTopInterface() override { return static_cast<ISerialPort*>(this); }
  IDeviceConnection* GetTopInterface() override { return static_cast<ISerialPort*>(this); }

  bool IsOpen() override { return port_ != INVALID_HANDLE_VALUE; }

  TConnResult Open() override;

  TConnResult Close() override {
    if (!IsOpen()) return {CONN_OK};
    (void)CancelNonBlockingReadOp();
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    return {CONN_OK};
  }

  uint16_t Write(const void* bytes, uint16_t count) override;

  TConnResult Read(void* buffer, uint16_t count, bool wait, uint16_t* got) override {
    return readPort(buffer, count, wait, settings_.Timeout1, settings_.Timeout2,
                    /*sleepBeforePoll=*/!wait, got);
  }
  TConnResult ReadEx(void* buffer, uint16_t count, uint32_t timeoutMs, uint16_t* got) override {
    return readPort(buffer, count, true, timeoutMs, timeoutMs, /*sleepBeforePoll=*/false, got);
  }
  TConnResult ReadTextUntil(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint16_t* got) override {
    return readUntil(buffer, length, terminator, settings_.Timeout1, settings_.Timeout2,
                     /*strict=*/false, got);
  }
  TConnResult ReadTextUntilEx(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint32_t timeoutMs,
                              uint16_t* got) override {
    return readUntil(buffer, length, terminator, timeoutMs, timeoutMs, /*strict=*/true, got);
  }

  TConnResult GetIOInfo(TDeviceIOInfo* info) override {
    if (info == nullptr) return {CONN_BAD_ARGUMENT};
    COMSTAT status{};
    DWORD errors = 0;
    if (!IsOpen() || !ClearCommError(port_, &errors, &status)) return {CONN_FAILED};
    *info = {status.cbInQue, status.cbOutQue};
    return {CONN_OK};
  }

  TSerialPortSettings* GetSettings() override { return &settings_; }

  TConnResult SetSettings(const TSerialPortSettings* settings) override {
    if (settings == nullptr) return {CONN_BAD_ARGUMENT};
    settings_ = *settings;
    settings_.Timeout1 = std::max(settings_.Timeout1, kMinimumTimeout);
    settings_.Timeout2 = std::max(settings_.Timeout2, kMinimumTimeout);
    return {CONN_OK};
  }

  TConnResult Purge(uint32_t) override {
    if (!IsOpen()) return {CONN_FAILED};
    purgePort();
    return {CONN_OK};
  }

  TConnResult SetBreak(bool on) override {
    if (!IsOpen()) return {CONN_FAILED};
    (void)(on ? SetCommBreak(port_) : ClearCommBreak(port_));
    return {CONN_OK};
  }

  static void EnableIOLogging(const WCHAR* path, bool deleteFirst) {
    enableIOLogging(zefcorek::ConnectionKind::SerialPort, path, deleteFirst);
  }
  static bool IsIOLoggingEnabled() { return isIOLoggingEnabled(zefcorek::ConnectionKind::SerialPort); }

protected:
  // Reads are the class's own; the shared read loop is not used.
  uint16_t receiveNow(uint8_t*, uint16_t) override { return 0; }
  uint32_t readTimeoutMs() override { return settings_.Timeout2; }
  void afterCancel() override {
    if (IsOpen()) purgePort();
  }

private:
  void purgePort();
  DCB portState();
  uint32_t queuedInput();
  TConnResult readPort(void* buffer, uint16_t count, bool wait, uint32_t transferTimeout, uint32_t arrivalTimeout,
                       bool sleepBeforePoll, uint16_t* got);
  TConnResult readUntil(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint32_t transferTimeout,
                        uint32_t arrivalTimeout, bool strict, uint16_t* got);

  TSerialPortSettings settings_{};
  HANDLE port_ = INVALID_HANDLE_VALUE;
  DCB dcb_{};  // as Open applied it
};

// Both directions emptied and pending transfers dropped, twice, with the
// error state cleared between.
void ISerialPortImp::purgePort() {
  (void)PurgeComm(port_, kAllPurges);
  zefCoreKSleep(10);
  DWORD errors = 0;
  (void)ClearCommError(port_, &errors, nullptr);
  zefCoreKSleep(10);
  (void)PurgeComm(port_, kAllPurges);
}

DCB ISerialPortImp::portState() {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  (void)GetCommState(port_, &dcb);
  dcb.fBinary = 1;
  dcb.fParity = 0;
  dcb.fAbortOnError = 0;
  dcb.fNull = 0;
  dcb.fErrorChar = 0;
  dcb.BaudRate = settings_.BaudRate;
  dcb.ByteSize = static_cast<BYTE>(settings_.DataBits & 0xFF);
  dcb.Parity = static_cast<BYTE>(settings_.Parity & 0xFF);
  dcb.StopBits = static_cast<BYTE>(settings_.StopBits & 0xFF);
  const auto character = [](uint16_t value, char fallback) {
    return (value & 0xFF) == 0 ? fallback : static_cast<char>(value & 0xFF);
  };
  dcb.XonChar = character(settings_.XonChar, 17);
  dcb.XoffChar = character(settings_.XoffChar, 19);
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fTXContinueOnXoff = 1;
  const DWORD dsrSensitivity = (settings_.Options >> 1) & 1;
  switch (settings_.Handshake) {
    case 0:
    case 1:
      dcb.fOutX = dcb.fInX = settings_.Handshake == 1 ? 1 : 0;
      dcb.fDtrControl = DTR_CONTROL_ENABLE;
      dcb.fRtsControl = RTS_CONTROL_ENABLE;
      dcb.fOutxCtsFlow = 0;
      dcb.fDsrSensitivity = dsrSensitivity;
      break;
    case 2:
      dcb.fOutX = dcb.fInX = 0;
      dcb.fDtrControl = DTR_CONTROL_ENABLE;
      dcb.fRtsControl = RTS_CONTROL_TOGGLE;
      dcb.fOutxCtsFlow = 1;
      dcb.fDsrSensitivity = dsrSensitivity;
      break;
    default: break;  // flow control as the port reported it
  }
  dcb.XonLim = 10;
  dcb.XoffLim = 10;
  return dcb;
}

TConnResult ISerialPortImp::Open() {
  if (IsOpen()) (void)Close();
  const std::u16string name =
      settings_.PortNumber < 10
          ? platform::formatText(std::u16string_view(u"COM%ld:"), int32_t{settings_.PortNumber})
          : platform::formatText(std::u16string_view(u"\\\\.\\COM%ld"), int32_t{settings_.PortNumber});
  port_ =
      CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (port_ == INVALID_HANDLE_VALUE) return {CONN_FAILED};
  (void)SetupComm(port_, 512, 256);
  purgePort();
  dcb_ = portState();
  COMMTIMEOUTS timeouts{kMaxDword, 0, 0, 0, 0};
  if (!SetCommState(port_, &dcb_) || !SetCommTimeouts(port_, &timeouts)) {
    (void)Close();
    return {CONN_FAILED};
  }
  purgePort();
  if (settings_.Handshake != 2) {
    // A pulse on the modem lines tells the device the port was opened.
    (void)EscapeCommFunction(port_, CLRRTS);
    (void)EscapeCommFunction(port_, CLRDTR);
    zefCoreKSleep(10);
    (void)EscapeCommFunction(port_, SETDTR);
    zefCoreKSleep(10);
    (void)EscapeCommFunction(port_, SETRTS);
  }
  purgePort();
  return {CONN_OK};
}

uint16_t ISerialPortImp::Write(const void* bytes, uint16_t count) {
  if (!IsOpen() || bytes == nullptr || count == 0) return 0;
  const auto* data = static_cast<const uint8_t*>(bytes);
  OverlappedCall call;
  TickTimer timer;
  uint32_t total = 0;
  while (total < count) {
    const DWORD chunk = std::min<DWORD>(kWriteChunk, count - total);
    DWORD written = 0;
    bool cut = false;
    OVERLAPPED& overlapped = call.fresh();
    if (!WriteFile(port_, data + total, chunk, &written, &overlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) break;
      for (;;) {
        if (GetOverlappedResult(port_, &overlapped, &written, FALSE)) break;
        if (GetLastError() != ERROR_IO_INCOMPLETE || timer.elapsed() > settings_.Timeout1) {
          CancelIo(port_);
          cut = true;
          break;
        }
        zefCoreKSleep(1);
      }
    }
    // Every chunk is reported, even one that wrote nothing.
    reportData(DEVIO_SENT, data + total, written);
    total += written;
    if (cut || (written == 0 && timer.elapsed() > settings_.Timeout1)) break;
  }
  return static_cast<uint16_t>(total);
}

uint32_t ISerialPortImp::queuedInput() {
  COMSTAT status{};
  DWORD errors = 0;
  if (!ClearCommError(port_, &errors, &status)) return 0;
  return status.cbInQue;
}

TConnResult ISerialPortImp::readPort(void* buffer, uint16_t count, bool wait, uint32_t transferTimeout,
                                     uint32_t arrivalTimeout, bool sleepBeforePoll, uint16_t* got) {
  if (!IsOpen()) return {CONN_FAILED};
  if (got == nullptr) return {CONN_BAD_ARGUMENT};
  *got = 0;
  if (count > 0 && buffer == nullptr) return {CONN_BAD_ARGUMENT};
  auto* bytes = static_cast<uint8_t*>(buffer);
  OverlappedCall call;
  TickTimer timer;
  while (*got < count) {
    DWORD read = 0;
    if (queuedInput() > 0) {
      OVERLAPPED& overlapped = call.fresh();
      if (!ReadFile(port_, bytes + *got, count - *got, &read, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) return {CONN_FAILED};
        if (sleepBeforePoll) zefCoreKSleep(20);
        while (!GetOverlappedResult(port_, &overlapped, &read, FALSE)) {
          if (GetLastError() != ERROR_IO_INCOMPLETE) {
            CancelIo(port_);
            return {wait ? CONN_FAILED : CONN_OK};
          }
          if (!wait) {
            CancelIo(port_);
            return {CONN_OK};
          }
          if (timer.elapsed() > transferTimeout) {
            CancelIo(port_);
            return {CONN_TIMEOUT};
          }
          zefCoreKSleep(1);
        }
      }
    }
    if (read > 0) {
      reportData(DEVIO_RECEIVED, bytes + *got, read);
      *got = static_cast<uint16_t>(*got + read);
    } else {
      if (!wait) return {CONN_OK};
      if (timer.elapsed() > arrivalTimeout) return {CONN_TIMEOUT};
      zefCoreKSleep(1);
    }
    if (cancelling()) return {CONN_OK};
  }
  return {CONN_OK};
}

// Reads one byte at a time until the terminator has arrived or the buffer
// (less its terminator) is full. Bytes are UTF-8: a character whose bytes
// come one by one is stored once whole; the byte 0x1A is stored as U+001A.
TConnResult ISerialPortImp::readUntil(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint32_t transferTimeout,
                                      uint32_t arrivalTimeout, bool strict, uint16_t* got) {
  if (!IsOpen()) return {CONN_FAILED};
  if (buffer == nullptr || length == 0) return {CONN_BAD_ARGUMENT};
  std::fill(buffer, buffer + length, u'\0');
  if (got == nullptr) return {CONN_BAD_ARGUMENT};
  *got = 0;
  if (terminator == nullptr || *terminator == u'\0') return {CONN_BAD_ARGUMENT};
  const std::u16string_view wanted(terminator);
  if (length <= wanted.size()) return {CONN_BAD_ARGUMENT};

  zefcorek::devices::Utf8StreamDecoder decoder;
  OverlappedCall call;
  TickTimer timer;
  size_t stored = 0;
  bool found = false;
  while (stored < static_cast<size_t>(length - 1)) {
    uint8_t byte = 0;
    DWORD read = 0;
    if (queuedInput() > 0) {
      OVERLAPPED& overlapped = call.fresh();
      if (!ReadFile(port_, &byte, 1, &read, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) {
          if (strict) return {CONN_FAILED};
          break;
        }
        while (!GetOverlappedResult(port_, &overlapped, &read, FALSE)) {
          if (GetLastError() != ERROR_IO_INCOMPLETE) {
            CancelIo(port_);
            return {CONN_FAILED};
          }
          if (timer.elapsed() > transferTimeout) {
            CancelIo(port_);
            return {CONN_TIMEOUT};
          }
          zefCoreKSleep(1);
        }
      }
    }
    if (read == 1) {
      reportData(DEVIO_RECEIVED, &byte, 1);
      char16_t units[4];
      int count = 0;
      if (byte == 0x1A) {
        units[count++] = 0x1A;
      } else {
        count = decoder.feed(byte, units);
      }
      // What does not fit is dropped, and a surrogate pair is never split:
      // half of one would leave the text ill-formed.
      const size_t room = static_cast<size_t>(length - 1) - stored;
      size_t fits = std::min(static_cast<size_t>(count), room);
      if (fits < static_cast<size_t>(count) && fits > 0 && platform::isHighSurrogate(units[fits - 1])) --fits;
      std::copy_n(units, fits, buffer + stored);
      stored += fits;
      const bool overflowed = fits < static_cast<size_t>(count);
      *got = static_cast<uint16_t>(stored);
      const size_t at = std::u16string_view(buffer, stored).find(wanted);
      if (at != std::u16string_view::npos) {
        stored = at + wanted.size();
        std::fill(buffer + stored, buffer + length, u'\0');
        *got = static_cast<uint16_t>(stored);
        found = true;
        break;
      }
      if (overflowed) break;
    } else if (timer.elapsed() > arrivalTimeout) {
      return {CONN_TIMEOUT};
    } else {
      zefCoreKSleep(1);
    }
    if (cancelling()) break;
  }
  return {found ? CONN_OK : CONN_NO_TERMINATOR};
}

}  // namespace

void* zefcorek::makeISerialPortImp(intptr_t) { return static_cast<ISerialPort*>(new (std::nothrow) ISerialPortImp()); }
