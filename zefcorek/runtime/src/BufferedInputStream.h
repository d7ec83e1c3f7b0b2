// Private to the library: the buffered input stream.
#pragma once

#include "FileStreamCore.h"
#include "LineReader.h"
#include "zefcorek/FileStreams.h"

#include <memory>
#include <string>

namespace zefcorek {

// A file input stream that serves its reads from a window buffer, or reads
// from an attached COM stream instead of a named file.
//
// While the buffer is in use it holds the source bytes from
// (logical position - offset) up to (logical position - offset + filled),
// and the platform file pointer of a named file stands at the end of that
// window. With a buffer size of 0 the stream reads and seeks straight on the
// file, as the unbuffered input stream does.
class IFIOIBufferedStreamImp final : public IStdInterfaceImp,
                                     public virtual IFIOIBufferedStream,
                                     private FileStreamCore {
public:
  static constexpr uint32_t kDefaultBufferSize = 32768;
  static constexpr uint32_t kMaxBufferSize = 0x100000;

  IFIOIBufferedStreamImp();
  ~IFIOIBufferedStreamImp() override;

  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT SetName(const WCHAR* name) override;
  ZRESULT GetName(WCHAR* buffer, uint32_t* length) override;
  ZRESULT Open(uint32_t flags) override;
  ZRESULT Close() override;
  ZRESULT IsClosed() override;
  ZRESULT GetHandle(HANDLE* out) override;
  ZRESULT GetSize(uint32_t* out) override;
  ZRESULT GetPosition(uint32_t* out) override;
  ZRESULT SeekAbs(uint32_t position) override;
  ZRESULT SeekRel(int32_t offset) override;
  ZRESULT AtEnd() override;
  ZRESULT HasBytes(uint32_t count) override;
  ZRESULT Read(void* buffer, uint32_t count, uint32_t* read) override;
  ZRESULT ReadText(WCHAR* buffer, uint32_t capacity, uint32_t* length) override;
  ZRESULT CreateROMemMapping(IFIOROMemMapping** out) override;
  ZRESULT CreateCOMStream(IStream** out) override;
  ZRESULT SetTextEncoding(uint32_t kind, bool noMark) override;

  ZRESULT GetBufferSize(uint32_t* out) override;
  ZRESULT SetBufferSize(uint32_t size) override;
  ZRESULT AttachStream(IStream* stream) override;
  ZRESULT ReleaseStream() override;

  // Scans one line of bytes as lines::scanLine does over this stream's own
  // operations, but a window at a time instead of a byte at a time.
  lines::ScanEnd scanBytes(uint32_t maxStored, std::string& bytes);
  // Reads a line of 8-bit text as lines::readMultibyteLine does, decoding
  // it straight out of the window when the whole line is there.
  ZRESULT readUtf8Line(WCHAR* buffer, uint32_t capacity, uint32_t* length);

private:
  bool isBuffered() const { return bufferSize_ > 0; }
  bool isClosed() const { return !isOpen() && !attached_; }
  void resetBuffer();
  // Moves the unread bytes to the front and reads after them; a read error
  // looks like the end of the data.
  void refill();
  // Empties the buffer and moves the source to `position`; 2 when the
  // source cannot be positioned (always so for an attached stream).
  ZRESULT seekOutsideWindow(int64_t position);

  uint32_t encoding_ = 0;              // 0..4, see FileStreams.h
  uint32_t bufferSize_ = 0;            // bytes of buffer_; 0: unbuffered
  std::unique_ptr<uint8_t[]> buffer_;  // bufferSize_ bytes, or none
  uint32_t filled_ = 0;                // valid bytes in buffer_
  uint32_t offset_ = 0;                // index of the next byte handed out
  uint32_t logical_ = 0;               // source offset of the next byte handed out
  IStream* attached_ = nullptr;        // one reference held, or null
};

}  // namespace zefcorek
