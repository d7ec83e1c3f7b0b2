// The debug log and its file writer.
#include "zefcorek/DebugLog.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "textrum/LStrSplit.h"
#include "platform/Clock.h"
#include "platform/Format.h"

#include <atomic>
#include <new>
#include <string>

namespace {

constexpr const char16_t* kLevelNames[] = {u"I", u"W", u"E", u"RX", u"TX"};
constexpr char16_t kLineFormat[] = u"%-16s - %+24s - %s : %s";
constexpr char16_t kBreakMark[] = u"{$CRLF$}";

std::atomic<IDebugLog*> currentLog{nullptr};
// The log the library made itself (ZefCoreKAllocDebugLogToFile); freed when
// it is replaced.
std::atomic<IDebugLog*> ownedLog{nullptr};
std::atomic<uint32_t> pending{0};

std::u16string replacedAll(std::u16string text, std::u16string_view what, std::u16string_view with) {
  for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

// Every kind of line break becomes "\r".
std::u16string normalisedBreaks(std::u16string_view message) {
  std::u16string text = replacedAll(std::u16string(message), u"\r\n", kBreakMark);
  text = replacedAll(std::move(text), u"\n", kBreakMark);
  return replacedAll(std::move(text), kBreakMark, u"\r");
}

void releaseLibraryEntry(DbgLogEntryEx* entry) {
  uint32_t count = pending.load();
  while (count > 0 && !pending.compare_exchange_weak(count, count - 1)) {
  }
  delete entry;
}

void disposeOf(DbgLogEntryEx* entry) {
  if (!entry) return;
  if (entry->release) {
    entry->release(entry);
  } else {
    delete entry;
  }
}

}  // namespace

DbgLogEntry::DbgLogEntry() : source(u""), message(u""), time(u"") {}

HRESULT IDebugLog::Reserved0() { return 0; }
HRESULT IDebugLog::Reserved1() { return 0; }
IDebugLog::~IDebugLog() = default;

IDebugLogToFileImp::IDebugLogToFileImp(const WCHAR* path) : path_(path ? path : u"") {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &made, 0) != S_OK) return;
  stream_ = static_cast<IFIOOStream*>(made);
  if (stream_->SetName(path_.c_str()) != ZR_OK) return;
  stream_->Open(0);
}

IDebugLogToFileImp::~IDebugLogToFileImp() {
  if (stream_) stream_->Release();
}

bool IDebugLogToFileImp::IsOpen() const { return stream_ && stream_->IsClosed() == 0; }

HRESULT IDebugLogToFileImp::WriteEntry(const DbgLogEntry* entry) {
  if (!entry || !IsOpen()) return E_FAIL;
  const bool known = entry->level >= 0 && entry->level < static_cast<int32_t>(std::size(kLevelNames));
  const std::u16string level = known ? kLevelNames[entry->level] : kLevelNames[0];
  const std::u16string time(entry->time.Text());
  const std::u16string source(entry->source.Text());
  CLWideStrArray lines;
  SplitBySepExW(CLWideStr(normalisedBreaks(entry->message.Text())), u'\r', lines, /*trim=*/false);
  std::lock_guard lock(writing_);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::u16string line = platform::formatText(kLineFormat, time, source, level,
                                                     std::u16string(lines[i]->Text()));
    // A failed write is not reported line by line.
    stream_->WriteText(line.c_str(), static_cast<int32_t>(line.size()));
  }
  return S_OK;
}

HRESULT IDebugLogToFileImp::WriteAndReleaseEntry(DbgLogEntryEx* entry) {
  const HRESULT result = WriteEntry(entry);
  disposeOf(entry);
  return result;
}

uint32_t zefcorek::pendingLogEntries() { return pending.load(); }

HRESULT ZefCoreKSetDebugLog(IDebugLog* log) {
  IDebugLog* previous = currentLog.exchange(log);
  if (previous && previous != log && previous == ownedLog.load()) {
    ownedLog.store(nullptr);
    delete previous;
  }
  return S_OK;
}

IDebugLog* ZefCoreKGetDebugLog() { return currentLog.load(); }

HRESULT ZefCoreKAllocDebugLogToFile(const WCHAR* path) {
  if (currentLog.load()) return E_FAIL;
  auto* log = new (std::nothrow) IDebugLogToFileImp(path);
  if (!log || !log->IsOpen()) {
    delete log;
    return E_FAIL;
  }
  IDebugLog* expected = nullptr;
  if (!currentLog.compare_exchange_strong(expected, log)) {
    delete log;
    return E_FAIL;
  }
  ownedLog.store(log);
  return S_OK;
}

HRESULT zefcorekLog(const WCHAR* message, const WCHAR* source) {
  if (!message || !source) return E_INVALIDARG;
  IDebugLog* log = currentLog.load();
  if (!log) return S_FALSE;
  // Count the entry first, so two threads cannot both pass the limit.
  if (pending.fetch_add(1) >= zefcorek::kMaxPendingLogEntries) {
    pending.fetch_sub(1);
    return E_OUTOFMEMORY;
  }
  auto* entry = new (std::nothrow) DbgLogEntryEx;
  if (!entry) {
    pending.fetch_sub(1);
    return E_OUTOFMEMORY;
  }
  SYSTEMTIME now{};
  GetLocalTime(&now);
  entry->level = 0;
  entry->source.AssignSz(source);
  entry->message.AssignSz(message);
  entry->time.AssignUStr(platform::formatText(u"%02d:%02d:%02d.%03d", int32_t{now.wHour},
                                              int32_t{now.wMinute}, int32_t{now.wSecond},
                                              int32_t{now.wMilliseconds}));
  entry->release = releaseLibraryEntry;
  log->WriteAndReleaseEntry(entry);
  return S_OK;
}
