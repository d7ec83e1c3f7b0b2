// The process-wide debug log.
//
// Any part of the library (the message-pump hooks, the device connections)
// and any host writes diagnostic entries to one log: an IDebugLog the host
// installs with ZefCoreKSetDebugLog, or the file log ZefCoreKAllocDebugLogToFile
// makes. zefcorekLog is the usual way in; it stamps the entry with the local
// time and hands it to the log, which owns it from then on and releases it
// through the entry's release function.
//
// A file log writes one line per line of a message:
//   "%-16s - %+24s - %s : %s"   time, source (right-aligned), level, text
// as ANSI (UTF-8) text with CR LF. Level names: "I", "W", "E", "RX", "TX" for
// 0 … 4; any other level prints as "I".
//
// Thread safety: the log pointer and the pending count may be used from any
// thread; the file log writes each entry under a lock, so lines of two
// threads never mix. Replacing a log while other threads write to it is the
// host's business (it must keep the old one alive until they are done).
#pragma once

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// Entry levels.
inline constexpr int32_t DBGLOG_INFO = 0;
inline constexpr int32_t DBGLOG_WARNING = 1;
inline constexpr int32_t DBGLOG_ERROR = 2;
inline constexpr int32_t DBGLOG_RECEIVED = 3;
inline constexpr int32_t DBGLOG_SENT = 4;

// Entries zefcorekLog may have handed out and not yet seen released.
inline constexpr uint32_t kDebugLogPendingLimit = 256;

struct ZEF_EXPORT DbgLogEntry {
  int32_t level = DBGLOG_INFO;
  CLWideStr source;   // who writes
  CLWideStr message;  // may hold several lines
  CLWideStr time;     // already formatted
};

struct ZEF_EXPORT DbgLogEntryEx : DbgLogEntry {
  // Disposes of the entry after writing; null: the writer deletes it.
  void (*release)(DbgLogEntryEx* entry) = nullptr;
};

// A plain interface (no reference counting); the library never deletes a log
// a host installed.
struct ZEF_EXPORT IDebugLog {
  // Reserved; do nothing and answer 0.
  virtual int32_t Reserved1() { return 0; }
  virtual int32_t Reserved2() { return 0; }
  // Writes the entry; E_FAIL for a null entry or a log that is not open.
  virtual HRESULT WriteEntry(const DbgLogEntry* entry) = 0;
  // WriteEntry, then releases the entry (its release function, or delete);
  // answers WriteEntry's result.
  virtual HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) = 0;
  virtual ~IDebugLog();
};

// Installs the process-wide log (null switches logging off); S_OK. The
// library takes no ownership.
ZEF_EXTERN_C HRESULT ZefCoreKSetDebugLog(IDebugLog* log);
// The process-wide log, or null.
ZEF_EXTERN_C IDebugLog* ZefCoreKGetDebugLog();
// Makes a file log on `path` (emptied when it exists, created when missing)
// and installs it: S_OK. E_FAIL when a log is already set or the file cannot
// be opened (then no log is set).
ZEF_EXTERN_C HRESULT ZefCoreKAllocDebugLogToFile(const WCHAR* path);
// Logs `message` at level 0 from `source` with the local time
// "hh:nn:ss.zzz". E_INVALIDARG for a null text, S_FALSE without a log,
// E_OUTOFMEMORY (nothing written) while 256 entries are pending; else S_OK.
ZEF_EXTERN_C HRESULT zefcorekLog(const WCHAR* message, const WCHAR* source);

namespace zefcorek {

// The entries zefcorekLog handed out and not yet released (tests, hosts).
ZEF_EXPORT uint32_t debugLogPendingCount();
// Destroys the file log ZefCoreKAllocDebugLogToFile installed, if it is still
// the process-wide log, and switches logging off (tests, host shutdown).
ZEF_EXPORT void releaseDebugLogToFile();

}  // namespace zefcorek
