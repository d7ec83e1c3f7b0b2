// The process-wide debug log: any part of the library (the message-pump
// hooks, the device connections) and any host that installs a log writes
// diagnostic entries to it.
//
// A file log writes one line per line of an entry's message:
//   "%-16s - %+24s - %s : %s"   time, source (right-aligned), level, line
// as ANSI (UTF-8) text with CR LF. The levels are "I", "W", "E", "RX", "TX"
// (0 to 4; anything else prints as "I").
//
// The log pointer and the count of pending entries are safe across threads,
// and one lock around each entry's write keeps the lines of two threads
// from mixing.
#pragma once

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <mutex>

struct IFIOOStream;

struct ZEF_EXPORT DbgLogEntry {
  DbgLogEntry();
  int32_t level = 0;    // 0 information, 1 warning, 2 error, 3 received, 4 sent
  CLWideStr source;     // who writes
  CLWideStr message;
  CLWideStr time;       // already formatted
};

struct ZEF_EXPORT DbgLogEntryEx : DbgLogEntry {
  // Disposes of the entry after writing; null: the writer deletes it.
  void (*release)(DbgLogEntryEx* entry) = nullptr;
};

// A plain interface, no IUnknown base; operations in their slot order.
struct ZEF_EXPORT IDebugLog {
  // Two operations that do nothing and answer 0.
  virtual HRESULT Reserved0();
  virtual HRESULT Reserved1();
  virtual HRESULT WriteEntry(const DbgLogEntry* entry) = 0;
  // Writes, then disposes of the entry (its release function, else delete).
  virtual HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) = 0;
  virtual ~IDebugLog();
};

// The debug log into a file (created, or emptied when it exists).
class ZEF_EXPORT IDebugLogToFileImp : public IDebugLog {
public:
  explicit IDebugLogToFileImp(const WCHAR* path);
  ~IDebugLogToFileImp() override;
  IDebugLogToFileImp(const IDebugLogToFileImp&) = delete;
  IDebugLogToFileImp& operator=(const IDebugLogToFileImp&) = delete;

  bool IsOpen() const;
  // E_FAIL for a null entry or a log that is not open.
  HRESULT WriteEntry(const DbgLogEntry* entry) override;
  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override;

private:
  CLWideStr path_;
  IFIOOStream* stream_ = nullptr;  // counted reference; null when it could not be made
  std::mutex writing_;             // one entry's lines at a time
};

// Replaces the log (null switches logging off); a log set by the caller
// stays the caller's. S_OK.
ZEF_EXTERN_C HRESULT ZefCoreKSetDebugLog(IDebugLog* log);
ZEF_EXTERN_C IDebugLog* ZefCoreKGetDebugLog();
// Makes a file log the process-wide log: E_FAIL when a log is set or the
// file cannot be opened. The library owns this log and frees it when it is
// replaced.
ZEF_EXTERN_C HRESULT ZefCoreKAllocDebugLogToFile(const WCHAR* path);
// One information entry with the local time "hh:nn:ss.zzz". E_INVALIDARG for
// a null text, S_FALSE without a log, E_OUTOFMEMORY while 256 entries are
// pending (nothing is written then).
ZEF_EXTERN_C HRESULT zefcorekLog(const WCHAR* message, const WCHAR* source);

namespace zefcorek {
inline constexpr uint32_t kMaxPendingLogEntries = 256;
// Entries handed to the log by zefcorekLog and not yet released.
ZEF_EXPORT uint32_t pendingLogEntries();
}  // namespace zefcorek
