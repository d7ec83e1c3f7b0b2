// IMessageLoaderImp: the message loader over TMsgListHashTable, its loaders
// and escape passes, and the message library's exported functions.
#include "zefcorek/MessageLoader.h"

#include "MsgListHashTable.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/FilePath.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Locale.h"
#include "platform/MessageBox.h"
#include "platform/PrivateProfile.h"
#include "platform/Scan.h"
#include "platform/TextTools.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr uint32_t kNone = TMsgListHashTable::kNone;
// Longest line and longest text, in characters.
constexpr size_t kMaxText = 2048;
constexpr uint32_t kSectionBufferLength = 32000;
constexpr uint32_t kGetMsgTextLength = 1024;

// The two escape passes. The first runs on every text; the second only on
// message-file texts without a hook, so that a doubled backslash from the
// first pass can still start an escape ("\\n" in a file is a line break).
enum class EscapePassKind { First, Second };

bool isLetter(char16_t unit, char16_t lower) { return unit == lower || unit == lower - 32; }

std::u16string unescape(std::u16string_view text, EscapePassKind pass) {
  std::u16string out;
  for (size_t at = 0; at < text.size() && out.size() < kMaxText; ++at) {
    const char16_t unit = text[at];
    if (unit != u'\\' || at + 1 >= text.size()) {
      out.push_back(unit);
      continue;
    }
    const char16_t next = text[at + 1];
    if (next == u'\\' || next == u'"') {
      out.push_back(next);
    } else if (next == u'_') {
      out.push_back(u' ');
    } else if (isLetter(next, u'n')) {
      out += u"\r\n";
    } else if (isLetter(next, u'r')) {
      out += u"\r\n";
      // "\r\n" written as four characters is one line break.
      if (at + 3 < text.size() && text[at + 2] == u'\\' && isLetter(text[at + 3], u'n')) at += 2;
    } else if (pass == EscapePassKind::First && isLetter(next, u't')) {
      out += u"    ";
    } else if (pass == EscapePassKind::Second && next == u'\'') {
      out.push_back(u'\'');
    } else {
      out.push_back(unit);  // kept; the next character is read normally
      continue;
    }
    ++at;
  }
  if (out.size() > kMaxText) out.resize(kMaxText);
  return out;
}

// "<unsigned number>=" at the start of `text`: the id and the offset after
// the '='.
bool parseNumericId(std::u16string_view text, uint32_t& id, size_t& textStart) {
  int consumed = -1;
  uint32_t number = 0;
  const platform::ScanTarget targets[] = {platform::ScanTarget::to(&number), platform::ScanTarget::to(&consumed)};
  const platform::ScanResult result = platform::scanArgs(text, u"%lU=%n", targets);
  if (result.count != 1 || consumed <= 0) return false;
  id = number;
  textStart = static_cast<size_t>(consumed);
  return true;
}

std::u16string_view skipBlanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  return text;
}

class IMessageLoaderImp : public IStdInterfaceImp, public virtual IMessageLoader {
public:
  IMessageLoaderImp() = default;

  HRESULT QueryInterface(REFIID, void** out) override {
    if (out != nullptr) *out = nullptr;
    return ZR_NOTSUPPORTED;
  }

  ZRESULT Clear() override {
    table_.Clear();
    minId_ = maxId_ = kNone;
    return ZR_OK;
  }
  ZRESULT LoadFromFile(const WCHAR* path) override { return loadFile(path, 0, false); }
  ZRESULT GetCount(uint32_t* count) override {
    if (count == nullptr) return ZR_BADARG;
    *count = table_.Count();
    return ZR_OK;
  }
  ZRESULT GetMinMaxIDs(uint32_t* minId, uint32_t* maxId) override {
    if (minId == nullptr && maxId == nullptr) return ZR_BADARG;
    if (minId != nullptr) *minId = minId_;
    if (maxId != nullptr) *maxId = maxId_;
    return ZR_OK;
  }
  ZRESULT GetMsgText(uint32_t id, WCHAR* buffer, uint32_t* length) override {
    const ZRESULT result = GetMsgByID(id, buffer, kGetMsgTextLength);
    if (length != nullptr) *length = buffer == nullptr ? 0 : static_cast<uint32_t>(platform::utf16Length(buffer));
    return result;
  }
  ZRESULT GetLoadCallback(TMsgTextConvertFunc* hook, void** context) override {
    if (hook == nullptr && context == nullptr) return ZR_BADARG;
    if (hook != nullptr) *hook = convert_;
    if (context != nullptr) *context = convertContext_;
    return ZR_OK;
  }
  ZRESULT SetLoadCallback(TMsgTextConvertFunc hook, void* context) override {
    convert_ = hook;
    convertContext_ = context;
    return ZR_OK;
  }
  ZRESULT LoadFromIniSection(const WCHAR* iniPath, const WCHAR* section) override;
  ZRESULT GetMsgByID(uint32_t id, WCHAR* buffer, uint32_t length) override {
    if (buffer == nullptr || length == 0) return ZR_BADARG;
    buffer[0] = 0;
    if (length < 2) return ZR_BADARG;
    if (id < minId_ || id > maxId_) return ZR_NO;
    return copyText(table_.LocateByID(id), buffer, length);
  }
  ZRESULT LoadFromFileEx(const WCHAR* path, uint32_t flags) override { return loadFile(path, flags, true); }
  ZRESULT GetMsgByStrID(const WCHAR* stringId, WCHAR* buffer, uint32_t length) override {
    if (stringId == nullptr || buffer == nullptr || length == 0) return ZR_BADARG;
    buffer[0] = 0;
    if (length < 2) return ZR_BADARG;
    return copyText(table_.LocateByStrID(stringId), buffer, length);
  }
  ZRESULT HasID(uint32_t id) override {
    return table_.LocateByID(id) != nullptr && id >= minId_ && id <= maxId_ ? ZR_OK : ZR_NO;
  }
  ZRESULT AddMessages(uint32_t line, uint32_t id, const WCHAR* text, bool replace) override;
  ZRESULT GetMsgIterator(bool byLine, TMsgIterator* iterator) override {
    if (iterator == nullptr) return ZR_BADARG;
    table_.GetMsgIterator(byLine, *iterator);
    return ZR_OK;
  }
  ZRESULT MsgIteratorAdvance(TMsgIterator* iterator) override {
    if (iterator == nullptr) return ZR_BADARG;
    table_.MsgIteratorAdvance(*iterator);
    return ZR_OK;
  }
  ZRESULT GetMsgTempTagByID(uint32_t id, int32_t* tag) override {
    if (tag == nullptr) return E_INVALIDARG;
    return table_.GetMsgTempTagByID(id, *tag) ? ZR_OK : ZR_NO;
  }
  ZRESULT SetMsgTempTagByID(uint32_t id, int32_t tag) override {
    return table_.SetMsgTempTagByID(id, tag) ? ZR_OK : ZR_NO;
  }

private:
  static ZRESULT copyText(const MsgListHashRec* entry, WCHAR* buffer, uint32_t length) {
    if (entry == nullptr) return ZR_NO;
    const size_t count = std::min<size_t>(entry->text.size(), length - 1);
    entry->text.copy(buffer, count);
    buffer[count] = 0;
    return ZR_OK;
  }

  // The first escape pass, then the hook when one is set, else (message
  // files only) the second pass.
  std::u16string convertText(std::u16string_view raw, uint32_t line, uint32_t id, bool isMessageFile) const {
    std::u16string text = unescape(raw, EscapePassKind::First);
    if (convert_ == nullptr) {
      return isMessageFile ? unescape(text, EscapePassKind::Second) : text;
    }
    std::vector<WCHAR> out(kMaxText + 1, 0);
    convert_(line, id, text.c_str(), out.data(), convertContext_);
    out.back() = 0;  // a hook that writes too much is cut, never read past
    return std::u16string(out.data());
  }

  void widenIds(uint32_t id) {
    minId_ = std::min(minId_, id);
    maxId_ = std::max(maxId_, id);
  }

  ZRESULT loadFile(const WCHAR* path, uint32_t flags, bool isEx);
  ZRESULT parseLines(IFIOIBufferedStream& stream, bool allowStringIds);
  ZRESULT parseLine(std::u16string_view line, bool allowStringIds);
  void reportFailure(const WCHAR* path) const;

  TMsgListHashTable table_;
  uint32_t minId_ = kNone;                 // smallest numeric id held (kNone: none yet)
  uint32_t maxId_ = kNone;                 // largest numeric id held
  TMsgTextConvertFunc convert_ = nullptr;  // the hook of SetLoadCallback
  void* convertContext_ = nullptr;         // handed to the hook
  int32_t lineCounter_ = -1;               // lines read by the last load
};

ZRESULT IMessageLoaderImp::loadFile(const WCHAR* path, uint32_t flags, bool isEx) {
  if (path == nullptr) return ZR_BADARG;
  if ((flags & MSGLIB_KEEP_MESSAGES) == 0 || !isEx) {
    Clear();
    minId_ = kNone;
    maxId_ = 0;
  }
  IFIOIBufferedStream* stream = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IFIOIBufferedStreamImp, reinterpret_cast<void**>(&stream), 0) != S_OK ||
      stream == nullptr) {
    if (!isEx) reportFailure(path);
    return ZR_OUTOFMEMORY;
  }
  ZRESULT result = stream->SetName(path);
  if (result == ZR_OK) result = stream->Open(FIO_SHARE_READ);
  if (result == ZR_OK && isEx) {
    const bool noMark = (flags & MSGLIB_FILE_NO_MARK) != 0;
    if ((flags & MSGLIB_FILE_UTF16LE) != 0) {
      result = stream->SetTextEncoding(FIO_TEXT_UTF16LE, noMark);
    } else if ((flags & MSGLIB_FILE_UTF8) != 0) {
      result = stream->SetTextEncoding(FIO_TEXT_UTF8, noMark);
    }
  }
  if (result == ZR_OK) {
    result = parseLines(*stream, isEx && (flags & MSGLIB_STRING_IDS) != 0);
  }
  stream->Release();
  if (result != ZR_OK) reportFailure(path);
  return result;
}

ZRESULT IMessageLoaderImp::parseLines(IFIOIBufferedStream& stream, bool allowStringIds) {
  lineCounter_ = 0;
  std::vector<WCHAR> buffer(kMaxText + 1);
  while (stream.AtEnd() != ZR_OK) {
    uint32_t length = 0;
    ZRESULT read = stream.ReadText(buffer.data(), static_cast<uint32_t>(buffer.size()), &length);
    if (read == ZR_FAILED) return ZR_FAILED;
    ++lineCounter_;
    const std::u16string line(buffer.data(), length);
    // A line longer than the limit is cut there; its rest is skipped. A
    // reader that answers "cut" without moving on would never end: fail.
    while (read == ZR_NO) {
      uint32_t before = 0;
      uint32_t after = 0;
      if (stream.GetPosition(&before) != ZR_OK) return ZR_FAILED;
      read = stream.ReadText(buffer.data(), static_cast<uint32_t>(buffer.size()), &length);
      if (stream.GetPosition(&after) != ZR_OK || after == before) return ZR_FAILED;
    }
    if (read == ZR_FAILED) return ZR_FAILED;
    const ZRESULT parsed = parseLine(line, allowStringIds);
    if (parsed != ZR_OK) return parsed;
  }
  return ZR_OK;
}

ZRESULT IMessageLoaderImp::parseLine(std::u16string_view line, bool allowStringIds) {
  line = skipBlanks(line);
  if (line.empty() || line.front() == u';' || line.front() == u'[' || line.front() == u'{') {
    return ZR_OK;
  }
  const auto row = static_cast<uint32_t>(lineCounter_);
  uint32_t id = 0;
  size_t textStart = 0;
  if (parseNumericId(line, id, textStart)) {
    table_.Add(row, id, nullptr, convertText(line.substr(textStart), row, id, true));
    widenIds(id);
    return ZR_OK;
  }
  const size_t equals = line.find(u'=');
  if (!allowStringIds || equals == std::u16string_view::npos) return ZR_FAILED;
  const std::u16string stringId(line.substr(0, equals));
  table_.Add(row, CalcStrIdHash(stringId.c_str()), stringId.c_str(),
             convertText(line.substr(equals + 1), row, kNone, true));
  return ZR_OK;
}

void IMessageLoaderImp::reportFailure(const WCHAR* path) const {
  const TFilePath file(path);
  const std::u16string text =
      platform::formatText(u"Malformed string found in file <%s> at row <%d>.", file.GetName(), lineCounter_);
  MessageBoxW(nullptr, text.c_str(), nullptr, MB_ICONERROR);
}

ZRESULT IMessageLoaderImp::LoadFromIniSection(const WCHAR* iniPath, const WCHAR* section) {
  if (iniPath == nullptr || section == nullptr) return ZR_BADARG;
  Clear();
  minId_ = kNone;
  maxId_ = 0;
  lineCounter_ = 0;
  std::vector<WCHAR> buffer(kSectionBufferLength, 0);
  const DWORD length = GetPrivateProfileSectionW(section, buffer.data(), kSectionBufferLength, iniPath);
  for (size_t at = 0; at < length;) {
    const std::u16string_view entry(buffer.data() + at);
    at += entry.size() + 1;
    if (entry.empty()) break;
    ++lineCounter_;
    const std::u16string_view text = skipBlanks(entry);
    if (text.empty() || text.front() == u';') continue;
    uint32_t id = 0;
    size_t textStart = 0;
    if (!parseNumericId(text, id, textStart)) return ZR_FAILED;
    const auto row = static_cast<uint32_t>(lineCounter_);
    table_.Add(row, id, nullptr, convertText(text.substr(textStart, kMaxText), row, id, false));
    widenIds(id);
  }
  return ZR_OK;
}

ZRESULT IMessageLoaderImp::AddMessages(uint32_t line, uint32_t id, const WCHAR* text, bool replace) {
  if (text == nullptr) return ZR_BADARG;
  const std::u16string_view raw(text);
  std::u16string converted = convertText(raw.substr(0, kMaxText), kNone, id, false);
  if (table_.LocateByID(id) != nullptr) {
    if (!replace) return ZR_FAILED;
    table_.RemoveByID(id, /*all=*/false);
  }
  if (!table_.Add(line, id, nullptr, std::move(converted))) return ZR_FAILED;
  if (minId_ == kNone) {
    table_.GetMinMaxIDs(minId_, maxId_);
  } else if (id < minId_) {
    minId_ = id;
  } else if (id > maxId_) {
    maxId_ = id;
  }
  return ZR_OK;
}

// The languages the message files come in, in the order they are tried.
constexpr DWORD kMessageFileLanguages[] = {0x0404, 0x0407, 0x0409, 0x040C, 0x0410, 0x0411,
                                           0x0412, 0x0419, 0x041A, 0x0804, 0x0C0A, 0x0415};

}  // namespace

IMessageLoader::~IMessageLoader() = default;

void* zefcorek::makeIMessageLoaderImp(intptr_t) {
  return static_cast<IMessageLoader*>(new (std::nothrow) IMessageLoaderImp());
}

uint32_t CalcStrIdHash(const WCHAR* stringId) {
  if (stringId == nullptr) return 0;
  uint32_t hash = 0;
  uint32_t index = 0;
  for (const WCHAR* unit = stringId; *unit != 0; ++unit) {
    ++index;
    const uint32_t c = *unit;
    hash = ((c ^ hash) * 2) ^ (c + index);
  }
  return hash;
}

WCHAR* msglibGetMsgW(IMessageLoader* loader, uint32_t id, WCHAR* buffer, uint32_t length) {
  if (buffer == nullptr) return nullptr;
  if (length > 0) buffer[0] = 0;
  if (loader != nullptr) (void)loader->GetMsgByID(id, buffer, length);
  return buffer;
}

WCHAR* msglibGetMsg(IMessageLoader* loader, uint32_t id, WCHAR* buffer, uint32_t length) {
  return msglibGetMsgW(loader, id, buffer, length == 0 ? 256 : length);
}

char* msglibGetMsgA(IMessageLoader* loader, uint32_t id, char* buffer, uint32_t size) {
  if (buffer == nullptr) return nullptr;
  if (size == 0) return buffer;
  buffer[0] = 0;
  if (loader == nullptr) return buffer;
  std::vector<WCHAR> wide(kMaxText, 0);
  (void)loader->GetMsgByID(id, wide.data(), kMaxText);
  const auto narrow = platform::wideToAnsi(std::u16string_view(wide.data()));
  if (!narrow) return buffer;
  // Cut at a character boundary, never inside a multi-byte sequence.
  const size_t count = platform::wholeCharacterCut(*narrow, size - 1);
  narrow->copy(buffer, count);
  buffer[count] = 0;
  buffer[size - 1] = 0;
  return buffer;
}

const WCHAR* msglibGetStdFileExtByLCID(DWORD lcid) {
  static WCHAR extension[256];
  if (GetLocaleInfoW(lcid, LOCALE_SABBREVCTRYNAME | LOCALE_NOUSEROVERRIDE, extension, 256) == 0) {
    std::u16string_view(u"ITA").copy(extension, 3);
    extension[3] = 0;
  } else if (platform::equalsIgnoreCase(extension, u"USA")) {
    std::u16string_view(u"ENG").copy(extension, 3);
    extension[3] = 0;
  }
  return extension;
}

DWORD msglibGetLCIDByStdFileExt(const WCHAR* extension) {
  if (extension == nullptr || *extension == 0) return 0;
  std::u16string_view wanted(extension);
  if (wanted.front() == u'.') wanted.remove_prefix(1);
  for (const DWORD lcid : kMessageFileLanguages) {
    if (platform::equalsIgnoreCase(msglibGetStdFileExtByLCID(lcid), wanted)) return lcid;
  }
  return 0;
}
