// The per-kind I/O trace files and the exported switches that turn them on
// and off.
#include "zefcorek/IOTraceFile.h"

#include "zefcorek/ZefCoreK.h"

#include "platform/Files.h"
#include "platform/Handles.h"

#include <string>

zefcorek::IOTraceFile::~IOTraceFile() { closeLocked(); }

void zefcorek::IOTraceFile::closeLocked() {
  if (file_ == nullptr) return;
  CloseHandle(file_);
  file_ = nullptr;
}

void zefcorek::IOTraceFile::enable(const WCHAR* path, bool deleteFirst) {
  const std::lock_guard lock(mutex_);
  closeLocked();
  if (path == nullptr) return;
  const std::u16string name(path);
  if (name.size() > kMaxPathChars) return;
  if (deleteFirst) DeleteFileW(name.c_str());
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  file_ = file;
}

bool zefcorek::IOTraceFile::isEnabled() {
  const std::lock_guard lock(mutex_);
  return file_ != nullptr;
}

bool zefcorek::IOTraceFile::write(const void* bytes, DWORD count) {
  const std::lock_guard lock(mutex_);
  if (file_ == nullptr) return false;
  // A trace only grows: what an earlier run or another reader left in the
  // file stays in front of the new bytes.
  SetFilePointer(file_, 0, nullptr, FILE_END);
  DWORD written = 0;
  return WriteFile(file_, bytes, count, &written, nullptr) != FALSE && written == count;
}

zefcorek::IOTraceFile& zefcorek::ioTraceFile(ConnectionKind kind) {
  static IOTraceFile serialPort;
  static IOTraceFile bluetooth;
  static IOTraceFile tcp;
  static IOTraceFile udp;
  switch (kind) {
    case ConnectionKind::SerialPort: return serialPort;
    case ConnectionKind::Bluetooth: return bluetooth;
    case ConnectionKind::Tcp: return tcp;
    case ConnectionKind::Udp: return udp;
  }
  __builtin_unreachable();
}

using zefcorek::ConnectionKind;
using zefcorek::ioTraceFile;

void zefCoreKISerialPortEnableIOLogging(const WCHAR* path, bool deleteFirst) {
  ioTraceFile(ConnectionKind::SerialPort).enable(path, deleteFirst);
}
bool zefCoreKISerialPortIsIOLoggingEnabled() { return ioTraceFile(ConnectionKind::SerialPort).isEnabled(); }
void zefCoreKIBluetoothConnectionEnableIOLogging(const WCHAR* path, bool deleteFirst) {
  ioTraceFile(ConnectionKind::Bluetooth).enable(path, deleteFirst);
}
bool zefCoreKIBluetoothConnectionIsIOLoggingEnabled() { return ioTraceFile(ConnectionKind::Bluetooth).isEnabled(); }
void zefCoreKITCPConnectionEnableIOLogging(const WCHAR* path, bool deleteFirst) {
  ioTraceFile(ConnectionKind::Tcp).enable(path, deleteFirst);
}
bool zefCoreKITCPConnectionIsIOLoggingEnabled() { return ioTraceFile(ConnectionKind::Tcp).isEnabled(); }
void zefCoreKIUDPConnectionEnableIOLogging(const WCHAR* path, bool deleteFirst) {
  ioTraceFile(ConnectionKind::Udp).enable(path, deleteFirst);
}
bool zefCoreKIUDPConnectionIsIOLoggingEnabled() { return ioTraceFile(ConnectionKind::Udp).isEnabled(); }
