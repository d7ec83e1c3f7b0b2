// The file output stream, its text writers, the length-prefixed UTF-16
// strings, and the stream's factory row.
#include "FileOutputStream.h"

#include "FileInputStream.h"
#include "LineReader.h"
#include "StreamAdapters.h"
#include "zefcorek/ClassMakers.h"

#include "platform/CodePage.h"
#include "platform/TextTools.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <vector>

namespace {

constexpr char kLineEnd[] = {'\r', '\n'};

}  // namespace

void* zefcorek::makeIFIOOStreamImp(intptr_t) { return static_cast<IFIOOStream*>(new (std::nothrow) IFIOOStreamImp()); }

zefcorek::IFIOOStreamImp::~IFIOOStreamImp() { Close(); }

HRESULT zefcorek::IFIOOStreamImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT zefcorek::IFIOOStreamImp::SetName(const WCHAR* name) { return setName(name); }

ZRESULT zefcorek::IFIOOStreamImp::GetName(WCHAR* buffer, uint32_t* length) { return getName(buffer, length); }

ZRESULT zefcorek::IFIOOStreamImp::Open(uint32_t flags) {
  if (isOpen()) return ZR_FAILED;
  const DWORD disposition = (flags & FIO_OPEN_EXISTING) ? OPEN_EXISTING
                            : (flags & FIO_OPEN_APPEND) ? OPEN_ALWAYS
                                                        : CREATE_ALWAYS;
  const ZRESULT opened = openFile(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, disposition);
  if (opened != ZR_OK) return opened;
  return (flags & FIO_OPEN_APPEND) ? SeekAbs(keptSize()) : ZR_OK;
}

ZRESULT zefcorek::IFIOOStreamImp::Close() { return closeFile(); }

ZRESULT zefcorek::IFIOOStreamImp::IsClosed() { return isOpen() ? ZR_OK : ZR_NO; }

ZRESULT zefcorek::IFIOOStreamImp::GetHandle(HANDLE* out) {
  if (!out) return ZR_BADARG;
  *out = handle_;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOOStreamImp::GetSize(uint32_t* out) {
  if (!isOpen()) return ZR_FAILED;
  if (!out) return ZR_BADARG;
  *out = keptSize();
  return ZR_OK;
}

ZRESULT zefcorek::IFIOOStreamImp::GetPosition(uint32_t* out) { return filePosition(out); }

ZRESULT zefcorek::IFIOOStreamImp::seekAndTrack(int32_t distance, DWORD method) {
  if (!isOpen()) return ZR_FAILED;
  const DWORD position = SetFilePointer(handle_, distance, nullptr, method);
  if (position == INVALID_SET_FILE_POINTER) return ZR_FAILED;
  if (position > keptSize()) attributes_.nFileSizeLow = position;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOOStreamImp::SeekAbs(uint32_t position) {
  return seekAndTrack(static_cast<int32_t>(position), FILE_BEGIN);
}

ZRESULT zefcorek::IFIOOStreamImp::SeekRel(int32_t offset) { return seekAndTrack(offset, FILE_CURRENT); }

ZRESULT zefcorek::IFIOOStreamImp::AtEnd() {
  uint32_t position = 0;
  const ZRESULT code = GetPosition(&position);
  return code != ZR_OK ? code : atEndAnswer(position, keptSize());
}

ZRESULT zefcorek::IFIOOStreamImp::HasBytes(uint32_t count) {
  uint32_t position = 0;
  const ZRESULT code = GetPosition(&position);
  return code != ZR_OK ? code : hasBytesAnswer(position, keptSize(), count);
}

ZRESULT zefcorek::IFIOOStreamImp::Read(void* buffer, uint32_t count, uint32_t* read) {
  if (!buffer) return ZR_BADARG;
  if (!isOpen()) return ZR_FAILED;
  return readFile(buffer, count, read) ? ZR_OK : ZR_FAILED;
}

// Lines of 8-bit text, each byte the character of the same value.
ZRESULT zefcorek::IFIOOStreamImp::ReadText(WCHAR* buffer, uint32_t capacity, uint32_t* length) {
  if (!buffer || capacity < 2) return ZR_BADARG;
  uint32_t stored = 0;
  const lines::ScanEnd end =
      lines::scanLine<uint8_t>(*this, capacity - 1, [&](uint8_t byte) { buffer[stored++] = byte; });
  if (end.code != ZR_OK && end.code != ZR_NO) return end.code;
  buffer[stored] = 0;
  if (length) *length = stored;
  return end.lineEnd ? ZR_OK : ZR_NO;
}

ZRESULT zefcorek::IFIOOStreamImp::CreateROMemMapping(IFIOROMemMapping**) { return ZR_NOTSUPPORTED; }

ZRESULT zefcorek::IFIOOStreamImp::CreateCOMStream(IStream** out) {
  if (!out) return ZR_BADARG;
  *out = makeCOMOStream ? makeCOMOStream(this) : nullptr;
  return *out ? ZR_OK : ZR_OUTOFMEMORY;
}

ZRESULT zefcorek::IFIOOStreamImp::SetTextEncoding(uint32_t, bool) { return ZR_NOTSUPPORTED; }

ZRESULT zefcorek::IFIOOStreamImp::SetSize(uint32_t size) {
  if (!isOpen()) return ZR_FAILED;
  if (SetFilePointer(handle_, static_cast<LONG>(size), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !SetEndOfFile(handle_)) {
    return ZR_FAILED;
  }
  attributes_.nFileSizeLow = size;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOOStreamImp::Flush(uint32_t) { return IsClosed(); }

ZRESULT zefcorek::IFIOOStreamImp::Write(const void* buffer, uint32_t count) {
  if (!buffer) return ZR_BADARG;
  if (!isOpen()) return ZR_FAILED;
  const bool grows = HasBytes(count) == ZR_NO;
  DWORD written = 0;
  if (!WriteFile(handle_, buffer, count, &written, nullptr)) return ZR_FAILED;
  if (!grows) return ZR_OK;
  uint32_t position = 0;
  if (GetPosition(&position) == ZR_OK) attributes_.nFileSizeLow = position;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOOStreamImp::WriteAt(uint32_t position, bool restore, const void* buffer, uint32_t count) {
  uint32_t saved = 0;
  ZRESULT code = GetPosition(&saved);
  if (code == ZR_OK) code = SeekAbs(position);
  if (code == ZR_OK) code = Write(buffer, count);
  if (code == ZR_OK && restore) code = SeekAbs(saved);
  return code;
}

ZRESULT zefcorek::IFIOOStreamImp::WriteText(const WCHAR* text, int32_t length) {
  return writeText(text, length, FinalLineEndKind::AfterLastCharacter);
}

ZRESULT zefcorek::IFIOOStreamImp::WriteText2(const WCHAR* text, int32_t length) {
  return writeText(text, length, FinalLineEndKind::OnlyAfterLineBreak);
}

// Every character goes through the ANSI code page, also in the walk over a
// text with line breaks, so characters above U+00FF are never cut to their
// low byte. A surrogate pair is converted as one character; a lone
// surrogate has no ANSI form and is written as '?'.
ZRESULT zefcorek::IFIOOStreamImp::writeText(const WCHAR* text, int32_t length, FinalLineEndKind finalLineEnd) {
  if (!text) return ZR_BADARG;
  const std::u16string_view whole(text);
  const size_t count = length < 0 ? whole.size() : std::min<size_t>(static_cast<size_t>(length), whole.size());
  if (whole.find_first_of(u"\r\n") == std::u16string_view::npos) {
    // No line break anywhere: the whole text, whatever the length says.
    const std::string bytes = platform::wideToAnsiLenient(whole);
    ZRESULT code = Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (code == ZR_OK && finalLineEnd == FinalLineEndKind::AfterLastCharacter) code = Write(kLineEnd, 2);
    return code;
  }
  ZRESULT code = ZR_OK;
  bool lineEndOwed = false;
  size_t i = 0;
  while (code == ZR_OK && i < count) {
    const WCHAR unit = whole[i];
    if (unit == u'\r' || unit == u'\n') {
      if (lineEndOwed) code = Write(kLineEnd, 2);
      lineEndOwed = true;
      const WCHAR partner = unit == u'\r' ? u'\n' : u'\r';
      ++i;
      if (i < count && whole[i] == partner) ++i;
      continue;
    }
    if (lineEndOwed) {
      code = Write(kLineEnd, 2);
      if (code != ZR_OK) break;
    }
    const size_t units =
        platform::isHighSurrogate(unit) && i + 1 < count && platform::isLowSurrogate(whole[i + 1]) ? 2 : 1;
    const std::string bytes = platform::wideToAnsiLenient(whole.substr(i, units));
    code = Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    i += units;
    lineEndOwed = finalLineEnd == FinalLineEndKind::AfterLastCharacter && i == count;
  }
  if (code == ZR_OK && lineEndOwed) code = Write(kLineEnd, 2);
  return code;
}

// Length-prefixed UTF-16 strings, little-endian:
//
//   offset  size        meaning
//        0     2        byte count n (twice the number of code units)
//        2     n        the code units, no terminator
ZRESULT WriteUnicodeStrDotNet(IFIOOStream* stream, const WCHAR* text, int length) {
  if (!stream || !text || length < -1) return ZR_BADARG;
  const size_t units = length == -1 ? std::u16string_view(text).size() : static_cast<size_t>(length);
  // The prefix holds 65,534 bytes at most; a longer text would write a
  // count that does not match the units after it.
  if (units > 32767) return ZR_BADARG;
  const auto byteCount = static_cast<uint16_t>(units * 2);
  const unsigned char prefix[2] = {static_cast<unsigned char>(byteCount), static_cast<unsigned char>(byteCount >> 8)};
  ZRESULT code = stream->Write(prefix, 2);
  for (size_t i = 0; code == ZR_OK && i < units; ++i) {
    const unsigned char unit[2] = {static_cast<unsigned char>(text[i]), static_cast<unsigned char>(text[i] >> 8)};
    code = stream->Write(unit, 2);
  }
  return code;
}

ZRESULT ReadUnicodeStrDotNet(IFIOIStream* stream, WCHAR* buffer, uint32_t capacity) {
  if (!stream || !buffer || capacity == 0) return ZR_BADARG;
  buffer[0] = 0;
  unsigned char prefix[2] = {};
  ZRESULT code = stream->HasBytes(2);
  if (code == ZR_OK) code = stream->Read(prefix, 2, nullptr);
  if (code != ZR_OK) return code;
  const uint32_t byteCount = prefix[0] | (uint32_t{prefix[1]} << 8);
  if (byteCount % 2 != 0) return ZR_FAILED;
  code = stream->HasBytes(byteCount);
  if (code != ZR_OK) return code;
  const uint32_t taken = std::min(byteCount / 2, capacity - 1);
  std::vector<unsigned char> bytes(taken * 2);
  if (taken > 0) {
    code = stream->Read(bytes.data(), taken * 2, nullptr);
    if (code != ZR_OK) return code;
  }
  for (uint32_t i = 0; i < taken; ++i) buffer[i] = static_cast<WCHAR>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  buffer[taken] = 0;
  if (taken * 2 < byteCount) return stream->SeekRel(static_cast<int32_t>(byteCount - taken * 2));
  return ZR_OK;
}
