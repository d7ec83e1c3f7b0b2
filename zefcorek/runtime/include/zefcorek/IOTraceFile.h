// The I/O trace files of the device connections: one per kind of connection,
// shared by all connections of that kind in the process. A connection writes
// the bytes it sends and receives into its kind's file while tracing is on.
// Clients switch tracing through the functions of ZefCoreK.h; the class is
// for the connections (and tests).
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <mutex>

namespace zefcorek {

enum class ConnectionKind { SerialPort, Bluetooth, Tcp, Udp };

class ZEF_EXPORT IOTraceFile {
public:
  IOTraceFile() = default;
  ~IOTraceFile();
  IOTraceFile(const IOTraceFile&) = delete;
  IOTraceFile& operator=(const IOTraceFile&) = delete;

  // Closes any open trace file. A null path leaves tracing off. Otherwise
  // the file is deleted first when `deleteFirst` is set, then opened for
  // reading and writing, shared for reading, created when missing. A path
  // of kMaxPathChars characters or more leaves tracing off rather than
  // tracing into a file of a shortened name.
  void enable(const WCHAR* path, bool deleteFirst);
  // True while the trace file is open.
  bool isEnabled();
  // Appends bytes to the open trace file; false when tracing is off or the
  // write fails.
  bool write(const void* bytes, DWORD count);

  static constexpr size_t kMaxPathChars = MAX_PATH - 1;

private:
  void closeLocked();

  std::mutex mutex_;       // connections trace from their own threads
  HANDLE file_ = nullptr;  // open trace file, null while tracing is off
};

// The trace file of one kind of connection.
ZEF_EXPORT IOTraceFile& ioTraceFile(ConnectionKind kind);

}  // namespace zefcorek
