// The buffered input stream and its factory row.
#include "BufferedInputStream.h"

#include "FileInputStream.h"
#include "LineReader.h"
#include "zefcorek/ClassMakers.h"

#include <algorithm>
#include <cstring>
#include <new>

void* zefcorek::makeIFIOIBufferedStreamImp(intptr_t) {
  auto* stream = new (std::nothrow) IFIOIBufferedStreamImp();
  return static_cast<IFIOIBufferedStream*>(stream);
}

zefcorek::IFIOIBufferedStreamImp::IFIOIBufferedStreamImp() { SetBufferSize(kDefaultBufferSize); }

zefcorek::IFIOIBufferedStreamImp::~IFIOIBufferedStreamImp() {
  Close();
  SetBufferSize(0);
}

HRESULT zefcorek::IFIOIBufferedStreamImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT zefcorek::IFIOIBufferedStreamImp::SetName(const WCHAR* name) { return setName(name); }

ZRESULT zefcorek::IFIOIBufferedStreamImp::GetName(WCHAR* buffer, uint32_t* length) { return getName(buffer, length); }

void zefcorek::IFIOIBufferedStreamImp::resetBuffer() {
  if (buffer_) std::memset(buffer_.get(), 0, bufferSize_);
  filled_ = offset_ = logical_ = 0;
}

void zefcorek::IFIOIBufferedStreamImp::refill() {
  const uint32_t remaining = filled_ - offset_;
  if (remaining >= bufferSize_) return;
  if (remaining > 0) std::memmove(buffer_.get(), buffer_.get() + offset_, remaining);
  filled_ = remaining;
  offset_ = 0;
  const uint32_t wanted = bufferSize_ - remaining;
  if (attached_) {
    ULONG got = 0;
    if (SUCCEEDED(attached_->Read(buffer_.get() + filled_, wanted, &got))) filled_ += std::min<ULONG>(got, wanted);
    return;
  }
  uint32_t got = 0;
  if (readFile(buffer_.get() + filled_, wanted, &got)) filled_ += got;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::Open(uint32_t flags) {
  if (!isClosed()) return ZR_FAILED;
  resetBuffer();
  const DWORD share =
      ((flags & FIO_SHARE_READ) ? FILE_SHARE_READ : 0) | ((flags & FIO_SHARE_WRITE) ? FILE_SHARE_WRITE : 0);
  const ZRESULT opened = openFile(GENERIC_READ, share, OPEN_EXISTING);
  encoding_ = 0;
  if (opened != ZR_OK) return opened;
  refill();
  encoding_ = lines::detectByteOrderMark(*this);
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::Close() {
  if (isClosed()) return ZR_FAILED;
  if (attached_) {
    ReleaseStream();
  } else {
    closeFile();
  }
  attributes_ = {};
  resetBuffer();
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::IsClosed() { return isClosed() ? ZR_NO : ZR_OK; }

ZRESULT zefcorek::IFIOIBufferedStreamImp::GetHandle(HANDLE* out) {
  if (!out) return ZR_BADARG;
  if (attached_) {
    *out = nullptr;
    return ZR_FAILED;
  }
  *out = handle_;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::GetSize(uint32_t* out) {
  if (isClosed()) return ZR_FAILED;
  if (!out) return ZR_BADARG;
  *out = keptSize();
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::GetPosition(uint32_t* out) {
  if (isClosed()) return ZR_FAILED;
  if (!out) return ZR_BADARG;
  if (!isBuffered()) return filePosition(out);
  *out = logical_;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::seekOutsideWindow(int64_t position) {
  filled_ = offset_ = 0;
  if (position < 0 || position > INT32_MAX || attached_) return ZR_FAILED;
  if (seekFile(static_cast<int32_t>(position), FILE_BEGIN) != ZR_OK) return ZR_FAILED;
  logical_ = static_cast<uint32_t>(position);
  refill();
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::SeekAbs(uint32_t position) {
  if (isClosed()) return ZR_FAILED;
  if (!isBuffered()) return seekFile(static_cast<int32_t>(position), FILE_BEGIN);
  const uint32_t windowStart = logical_ - offset_;
  if (position >= windowStart && position - windowStart < filled_) {
    offset_ = position - windowStart;
    logical_ = position;
    return ZR_OK;
  }
  return seekOutsideWindow(position);
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::SeekRel(int32_t offset) {
  if (isClosed()) return ZR_FAILED;
  if (!isBuffered()) return seekFile(offset, FILE_CURRENT);
  if (offset >= -static_cast<int64_t>(offset_) && offset < static_cast<int64_t>(filled_) - offset_) {
    offset_ += offset;
    logical_ += offset;
    return ZR_OK;
  }
  return seekOutsideWindow(static_cast<int64_t>(logical_) + offset);
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::AtEnd() {
  uint32_t position = 0;
  const ZRESULT code = GetPosition(&position);
  return code != ZR_OK ? code : atEndAnswer(position, keptSize());
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::HasBytes(uint32_t count) {
  uint32_t position = 0;
  const ZRESULT code = GetPosition(&position);
  return code != ZR_OK ? code : hasBytesAnswer(position, keptSize(), count);
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::Read(void* buffer, uint32_t count, uint32_t* read) {
  if (!buffer) return ZR_BADARG;
  if (isClosed()) return ZR_FAILED;
  uint32_t total = 0;
  if (!isBuffered()) {
    bool ok = false;
    if (attached_) {
      ULONG got = 0;
      ok = SUCCEEDED(attached_->Read(buffer, count, &got));
      total = std::min<ULONG>(got, count);
    } else {
      ok = readFile(buffer, count, &total);
    }
    if (!ok) return ZR_FAILED;
  } else {
    auto* out = static_cast<uint8_t*>(buffer);
    while (total < count) {
      if (offset_ < filled_) {
        const uint32_t piece = std::min(filled_ - offset_, count - total);
        std::memcpy(out + total, buffer_.get() + offset_, piece);
        offset_ += piece;
        logical_ += piece;
        total += piece;
        continue;
      }
      refill();
      if (offset_ >= filled_) break;
    }
  }
  if (read) {
    *read = total;
    return ZR_OK;
  }
  return total < count ? ZR_FAILED : ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::ReadText(WCHAR* buffer, uint32_t capacity, uint32_t* length) {
  return lines::readTextLine(*this, encoding_, buffer, capacity, length);
}

zefcorek::lines::ScanEnd zefcorek::IFIOIBufferedStreamImp::scanBytes(uint32_t maxStored, std::string& bytes) {
  if (!isBuffered() || isClosed()) {
    return lines::scanLine<uint8_t>(*this, maxStored, [&](uint8_t byte) { bytes.push_back(static_cast<char>(byte)); });
  }
  uint32_t stored = 0;
  for (;;) {
    // HasBytes(1) on the logical position, then a byte in the window.
    if (logical_ >= keptSize()) return {ZR_NO, false};
    if (offset_ >= filled_) {
      refill();
      if (offset_ >= filled_) return {ZR_FAILED, false};  // Read would come back short
    }
    const uint8_t* window = buffer_.get() + offset_;
    const uint32_t available = std::min(filled_ - offset_, keptSize() - logical_);
    const uint32_t room = maxStored - stored;
    const uint32_t span = std::min(available, room);
    const auto taken = static_cast<uint32_t>(lines::findLineEnd(window, span));
    bytes.append(reinterpret_cast<const char*>(window), taken);
    stored += taken;
    offset_ += taken;
    logical_ += taken;
    const bool atLineEnd = taken < available && (window[taken] == 10 || window[taken] == 13);
    if (atLineEnd) {
      const uint8_t partner = window[taken] == 10 ? 13 : 10;
      ++offset_;
      ++logical_;
      if (HasBytes(1) != ZR_OK) return {ZR_OK, true};
      uint8_t next = 0;
      ZRESULT code = Read(&next, 1, nullptr);
      if (code == ZR_OK && next != partner) code = SeekRel(-1);
      return {code, true};
    }
    // The line is full and the next byte is no line end: a cut, with that
    // byte left for the next call.
    if (stored >= maxStored && taken < available) return {ZR_NO, false};
  }
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::readUtf8Line(WCHAR* buffer, uint32_t capacity, uint32_t* length) {
  // The fast path needs the line, and the byte after its last stored byte
  // or the end of the data, inside the window; anything else (a line that
  // runs past the window, a failed read, a position past the end) goes the
  // general way, which refills the window exactly when a byte-wise scan would.
  if (!isBuffered() || isClosed() || logical_ >= keptSize() || offset_ >= filled_) {
    return lines::readMultibyteLine(*this, buffer, capacity, length);
  }
  const uint32_t maxStored = capacity - 1;
  const uint8_t* window = buffer_.get() + offset_;
  const uint32_t available = std::min(filled_ - offset_, keptSize() - logical_);
  const uint32_t searched = static_cast<uint32_t>(std::min<uint64_t>(available, uint64_t{maxStored} + 1));
  const auto taken = static_cast<uint32_t>(lines::findLineEnd(window, searched));
  const bool lineEnd = taken < searched;
  const bool cut = !lineEnd && searched > maxStored;
  const bool dataEnd = !lineEnd && !cut && available == keptSize() - logical_;
  if (!lineEnd && !cut && !dataEnd) return lines::readMultibyteLine(*this, buffer, capacity, length);

  // A cut (or the end of the data) never splits a character: its first
  // bytes are left for the next call, unless they are all the line holds.
  const std::string_view bytes(reinterpret_cast<const char*>(window), cut ? maxStored : taken);
  size_t stored = bytes.size();
  if (!lineEnd) {
    const size_t tail = lines::incompleteUtf8Tail(bytes);
    if (tail > 0 && tail < bytes.size()) stored -= tail;
  }
  const uint32_t converted = lines::convertUtf8(bytes.substr(0, stored), buffer, capacity);
  if (length) *length = converted;
  offset_ += static_cast<uint32_t>(stored);
  logical_ += static_cast<uint32_t>(stored);
  if (!lineEnd) return AtEnd() == ZR_OK ? ZR_OK : ZR_NO;

  // LF CR and CR LF end one line: the partner of the line end is taken too.
  const uint8_t partner = window[taken] == 10 ? 13 : 10;
  ++offset_;
  ++logical_;
  if (HasBytes(1) != ZR_OK) return ZR_OK;
  uint8_t next = 0;
  ZRESULT code = Read(&next, 1, nullptr);
  if (code == ZR_OK && next != partner) code = SeekRel(-1);
  return code;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::CreateROMemMapping(IFIOROMemMapping**) { return ZR_NOTSUPPORTED; }

ZRESULT zefcorek::IFIOIBufferedStreamImp::CreateCOMStream(IStream**) { return ZR_NOTSUPPORTED; }

ZRESULT zefcorek::IFIOIBufferedStreamImp::SetTextEncoding(uint32_t kind, bool noMark) {
  return lines::applyTextEncoding(encoding_, kind, noMark) ? ZR_OK : ZR_BADARG;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::GetBufferSize(uint32_t* out) {
  if (!out) return ZR_BADARG;
  *out = bufferSize_;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::SetBufferSize(uint32_t size) {
  if (!isClosed()) return ZR_FAILED;
  size = std::min(size, kMaxBufferSize);
  if (size == bufferSize_) return ZR_OK;
  std::unique_ptr<uint8_t[]> fresh;
  if (size > 0) {
    fresh.reset(new (std::nothrow) uint8_t[size]());
    if (!fresh) return ZR_OUTOFMEMORY;
  }
  buffer_ = std::move(fresh);
  bufferSize_ = size;
  filled_ = offset_ = logical_ = 0;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::AttachStream(IStream* stream) {
  if (stream) stream->AddRef();
  ReleaseStream();
  attached_ = stream;
  std::fill(std::begin(name_), std::end(name_), WCHAR{0});
  attributes_ = {};
  if (!stream) return ZR_OK;
  LARGE_INTEGER zero{};
  ULARGE_INTEGER size{};
  stream->Seek(zero, STREAM_SEEK_END, &size);
  attributes_.nFileSizeLow = size.u.LowPart;
  attributes_.nFileSizeHigh = size.u.HighPart;
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  refill();
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIBufferedStreamImp::ReleaseStream() {
  resetBuffer();
  if (attached_) attached_->Release();
  attached_ = nullptr;
  return ZR_OK;
}
