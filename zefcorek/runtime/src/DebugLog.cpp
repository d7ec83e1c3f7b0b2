// The process-wide debug log: the log pointer, the pending count, the file
// log and zefcorekLog.
#include "zefcorek/DebugLog.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "textrum/CLxxStrArray.h"
#include "textrum/LStrFunctions.h"
#include "textrum/LStrSplit.h"

#include "platform/Clock.h"
#include "platform/Format.h"

#include <atomic>
#include <mutex>
#include <new>
#include <string>

namespace {

std::atomic<IDebugLog*> currentLog{nullptr};
// Entries handed out by zefcorekLog and not yet released; never above
// kDebugLogPendingLimit.
std::atomic<uint32_t> pendingEntries{0};

const WCHAR* levelName(int32_t level) {
  static constexpr const WCHAR* kNames[] = {u"I", u"W", u"E", u"RX", u"TX"};
  if (level < 0 || level > 4) return kNames[0];
  return kNames[level];
}

// Every line break ("\r\n", "\n" or "\r") becomes one "\r", in two passes
// through a marker so that "\r\n" is not read as two breaks.
CLWideStr normalisedLineBreaks(const CLWideStr& message) {
  static constexpr WCHAR kMarker[] = u"{$CRLF$}";
  CLWideStr step1(LStrReplaceW(message.Handle(), u"\r\n", kMarker), /*owns=*/true);
  CLWideStr step2(LStrReplaceW(step1.Handle(), u"\n", kMarker), /*owns=*/true);
  return CLWideStr(LStrReplaceW(step2.Handle(), kMarker, u"\r"), /*owns=*/true);
}

void destroyEntry(DbgLogEntryEx* entry) { delete entry; }

// The release function of the entries zefcorekLog makes.
void releaseLoggedEntry(DbgLogEntryEx* entry) {
  uint32_t pending = pendingEntries.load();
  while (pending > 0 && !pendingEntries.compare_exchange_weak(pending, pending - 1)) {}
  destroyEntry(entry);
}

// Counts one more pending entry unless the limit is reached.
bool reservePendingEntry() {
  uint32_t pending = pendingEntries.load();
  do {
    if (pending >= kDebugLogPendingLimit) return false;
  } while (!pendingEntries.compare_exchange_weak(pending, pending + 1));
  return true;
}

std::u16string localTimeText() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return platform::formatText(std::u16string_view(u"%02u:%02u:%02u.%03u"), now.wHour, now.wMinute, now.wSecond,
                              now.wMilliseconds);
}

// The file log: one output stream, one lock around each entry's lines.
class IDebugLogToFileImp final : public IDebugLog {
public:
  explicit IDebugLogToFileImp(const WCHAR* path) : path_(path ? path : u"") {
    void* made = nullptr;
    if (zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &made, 0) != S_OK) return;
    stream_ = static_cast<IFIOOStream*>(made);
    if (stream_->SetName(path_.c_str()) != 0 || stream_->Open(0) != 0) {
      stream_->Release();
      stream_ = nullptr;
    }
  }
  ~IDebugLogToFileImp() override {
    if (stream_) stream_->Release();
  }
  IDebugLogToFileImp(const IDebugLogToFileImp&) = delete;
  IDebugLogToFileImp& operator=(const IDebugLogToFileImp&) = delete;

  bool isOpen() { return stream_ != nullptr && stream_->IsClosed() == 0; }

  HRESULT WriteEntry(const DbgLogEntry* entry) override {
    if (entry == nullptr || !isOpen()) return E_FAIL;
    CLWideStrArray lines;
    SplitBySepExW(normalisedLineBreaks(entry->message), u'\r', lines, /*trim=*/false);
    const WCHAR* level = levelName(entry->level);
    std::u16string line;
    std::lock_guard lock(writing_);
    for (int i = 0; i < lines.Count(); ++i) {
      line.clear();
      (void)platform::appendFormatted<char16_t>(line, u"%-16s - %+24s - %s : %s", entry->time.Text(),
                                                entry->source.Text(), level, lines[i]->Text());
      // A failed write is not reported line by line; the log goes on.
      (void)stream_->WriteText(line.c_str(), static_cast<int32_t>(line.size()));
    }
    return S_OK;
  }

  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override {
    const HRESULT result = WriteEntry(entry);
    if (entry == nullptr) return result;
    if (entry->release) {
      entry->release(entry);
    } else {
      destroyEntry(entry);
    }
    return result;
  }

private:
  std::u16string path_;
  IFIOOStream* stream_ = nullptr;  // owned reference; null when the file could not be opened
  std::mutex writing_;             // keeps one entry's lines together
};

// The file log this library installed, so that it can be destroyed again.
std::atomic<IDebugLogToFileImp*> ownFileLog{nullptr};

}  // namespace

IDebugLog::~IDebugLog() = default;

HRESULT ZefCoreKSetDebugLog(IDebugLog* log) {
  currentLog.store(log);
  return S_OK;
}

IDebugLog* ZefCoreKGetDebugLog() { return currentLog.load(); }

HRESULT ZefCoreKAllocDebugLogToFile(const WCHAR* path) {
  if (currentLog.load() != nullptr) return E_FAIL;
  auto* log = new (std::nothrow) IDebugLogToFileImp(path);
  if (log == nullptr) return E_FAIL;
  if (!log->isOpen()) {
    delete log;
    return E_FAIL;
  }
  IDebugLog* none = nullptr;
  if (!currentLog.compare_exchange_strong(none, log)) {
    delete log;  // another thread installed a log meanwhile
    return E_FAIL;
  }
  ownFileLog.store(log);
  return S_OK;
}

HRESULT zefcorekLog(const WCHAR* message, const WCHAR* source) {
  if (message == nullptr || source == nullptr) return E_INVALIDARG;
  IDebugLog* log = currentLog.load();
  if (log == nullptr) return S_FALSE;
  if (!reservePendingEntry()) return E_OUTOFMEMORY;
  auto* entry = new (std::nothrow) DbgLogEntryEx;
  if (entry == nullptr) {
    uint32_t one = 1;
    pendingEntries.fetch_sub(one);
    return E_OUTOFMEMORY;
  }
  entry->level = DBGLOG_INFO;
  entry->source.AssignSz(source);
  entry->message.AssignSz(message);
  entry->time.AssignText(localTimeText());
  entry->release = releaseLoggedEntry;
  (void)log->WriteAndReleaseEntry(entry);
  return S_OK;
}

uint32_t zefcorek::debugLogPendingCount() { return pendingEntries.load(); }

void zefcorek::releaseDebugLogToFile() {
  IDebugLogToFileImp* own = ownFileLog.exchange(nullptr);
  if (own == nullptr) return;
  IDebugLog* expected = own;
  currentLog.compare_exchange_strong(expected, nullptr);
  delete own;
}
