// The file streams of the core library: reading a named file (IFIOIStream),
// reading it through a window buffer or from a COM stream
// (IFIOIBufferedStream), and writing it (IFIOOStream).
//
// All three are made by the factory (CLSID_IFIOIStreamImp,
// CLSID_IFIOIBufferedStreamImp, CLSID_IFIOOStreamImp) and answer with the
// library's result codes: 0 ok or yes, 1 no / end / short, 2 failed or not
// open, 10 bad argument, 21 not supported, 30 out of memory. Positions and
// sizes are unsigned 32-bit; files of 4 GiB or more are outside the design.
//
// Text encodings of ReadText:
//   0  ANSI (UTF-8 here), one byte per unit; set by every Open
//   1  UTF-16LE after a byte-order mark (FF FE), which is skipped
//   2  UTF-16LE without a mark
//   3  UTF-8 after a byte-order mark (EF BB BF), which is skipped
//   4  UTF-8 without a mark
// Open detects a mark and sets 1 or 3. ReadText ends a line at LF, CR, CR LF
// or LF CR and does not store the line end.
#pragma once

#include "zefcorek/ComStream.h"
#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// Longest file name with its terminator.
inline constexpr uint32_t kFileStreamNameCapacity = 260;

// Open flags of the input streams: sharing with other openers.
inline constexpr uint32_t FIO_SHARE_READ = 0x1;
inline constexpr uint32_t FIO_SHARE_WRITE = 0x2;
// Open flags of the output stream: bit 0 opens an existing file only, bit 1
// opens or creates and appends; neither creates a new empty file.
inline constexpr uint32_t FIO_OPEN_EXISTING = 0x1;
inline constexpr uint32_t FIO_OPEN_APPEND = 0x2;

// SetTextEncoding kinds.
inline constexpr uint32_t FIO_TEXT_UTF16LE = 1;
inline constexpr uint32_t FIO_TEXT_UTF8 = 2;

// A read-only view of a whole file, made by IFIOIStream::CreateROMemMapping.
// It keeps its stream alive (one reference) and holds 64 values for the
// caller's use. QueryInterface answers ZR_NOTSUPPORTED.
struct ZEF_EXPORT IFIOROMemMapping : virtual IStdInterface {
  // The view's address; ZR_BADARG for a null out.
  virtual ZRESULT GetData(const void** out) = 0;
  virtual ZRESULT SetData(const void* data) = 0;
  // The number of mapped bytes; ZR_BADARG for a null out.
  virtual ZRESULT GetSize(uint32_t* out) = 0;
  virtual ZRESULT SetSize(uint32_t size) = 0;
  // Copies count bytes from offset: ZR_BADARG for a null buffer, an offset at or
  // past the size, or a range past the end; ZR_FAILED without a view.
  virtual ZRESULT ReadAt(uint32_t offset, void* buffer, uint32_t count) = 0;
  // Index below 64; ZR_BADARG otherwise (or for a null out).
  virtual ZRESULT GetUserValue(uint32_t index, uint32_t* out) = 0;
  virtual ZRESULT SetUserValue(uint32_t index, uint32_t value) = 0;
};

struct ZEF_EXPORT IFIOIStream : virtual IStdInterface {
  // ZR_BADARG for null or a name of 260 characters or more; the open file (if
  // any) is not affected.
  virtual ZRESULT SetName(const WCHAR* name) = 0;
  // Copies the name (buffer of 260 characters) and/or its length; ZR_BADARG when
  // both are null.
  virtual ZRESULT GetName(WCHAR* buffer, uint32_t* length) = 0;
  // ZR_FAILED when already open or when the file cannot be opened.
  virtual ZRESULT Open(uint32_t flags) = 0;
  // ZR_FAILED when not open. The name and the text encoding stay.
  virtual ZRESULT Close() = 0;
  // ZR_NO when closed, ZR_OK when open.
  virtual ZRESULT IsClosed() = 0;
  virtual ZRESULT GetHandle(HANDLE* out) = 0;
  // The size taken at open (kept current by the output stream).
  virtual ZRESULT GetSize(uint32_t* out) = 0;
  virtual ZRESULT GetPosition(uint32_t* out) = 0;
  virtual ZRESULT SeekAbs(uint32_t position) = 0;
  virtual ZRESULT SeekRel(int32_t offset) = 0;
  // ZR_OK when the position is at or past the size, ZR_NO before it.
  virtual ZRESULT AtEnd() = 0;
  // ZR_OK when at least `count` bytes (and at least one) remain, else ZR_NO.
  virtual ZRESULT HasBytes(uint32_t count) = 0;
  // With `read` given: the number read, result ZR_OK even when short. Without:
  // ZR_FAILED when fewer than `count` bytes were read.
  virtual ZRESULT Read(void* buffer, uint32_t count, uint32_t* read) = 0;
  // Reads one line as wide text into `buffer` of `capacity` characters
  // (at least 2). ZR_OK when a line end was seen or the data ended; ZR_NO when the
  // line did not fit (the rest comes with the next call); ZR_FAILED on a failure.
  virtual ZRESULT ReadText(WCHAR* buffer, uint32_t capacity, uint32_t* length) = 0;
  virtual ZRESULT CreateROMemMapping(IFIOROMemMapping** out) = 0;
  virtual ZRESULT CreateCOMStream(IStream** out) = 0;
  // Kind 0 keeps the encoding; 1 selects UTF-16LE, 2 UTF-8, each with a mark
  // to skip unless `noMark`; an encoding of the same family stays. ZR_BADARG for
  // another kind.
  virtual ZRESULT SetTextEncoding(uint32_t kind, bool noMark) = 0;
};

struct ZEF_EXPORT IFIOOStream : virtual IFIOIStream {
  // Cuts or extends the file to `size`; the position is left at `size`.
  virtual ZRESULT SetSize(uint32_t size) = 0;
  // Nothing is buffered: answers IsClosed.
  virtual ZRESULT Flush(uint32_t unused) = 0;
  virtual ZRESULT Write(const void* buffer, uint32_t count) = 0;
  // Writes at `position`; with `restore` the position returns where it was.
  virtual ZRESULT WriteAt(uint32_t position, bool restore, const void* buffer, uint32_t count) = 0;
  // Writes wide text as ANSI text with CR LF line ends and a final CR LF.
  // `length` -1 takes the text up to its terminator. ZR_BADARG for null text.
  virtual ZRESULT WriteText(const WCHAR* text, int32_t length) = 0;
  // The same without the final CR LF (a text ending in a line break still
  // gets one).
  virtual ZRESULT WriteText2(const WCHAR* text, int32_t length) = 0;
};

struct ZEF_EXPORT IFIOIBufferedStream : virtual IFIOIStream {
  virtual ZRESULT GetBufferSize(uint32_t* out) = 0;
  // Only while closed (else ZR_FAILED); at most 1 MiB; 0 reads unbuffered.
  virtual ZRESULT SetBufferSize(uint32_t size) = 0;
  // Reads from `stream` (one reference held) instead of a file; null only
  // releases the stream attached before. The encoding is not detected.
  virtual ZRESULT AttachStream(IStream* stream) = 0;
  virtual ZRESULT ReleaseStream() = 0;
};

// Writes one length-prefixed UTF-16 string: a u16 byte count, then the code
// units little-endian. `length` -1 takes the text up to its terminator.
// ZR_BADARG for a null text or stream, or a text of more than 32,767 units.
ZEF_EXTERN_C ZRESULT WriteUnicodeStrDotNet(IFIOOStream* stream, const WCHAR* text, int length);
// Reads one length-prefixed string into `buffer` of `capacity` characters
// (at least 1); a longer string is cut and the rest skipped. ZR_NO at the end of
// the stream, ZR_FAILED for an odd byte count, ZR_BADARG for a null buffer or stream.
ZEF_EXTERN_C ZRESULT ReadUnicodeStrDotNet(IFIOIStream* stream, WCHAR* buffer, uint32_t capacity);
