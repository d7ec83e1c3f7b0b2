// Private to the library: the unbuffered file input stream.
#pragma once

#include "FileStreamCore.h"
#include "zefcorek/FileStreams.h"

namespace zefcorek {

// Reads one named file straight through the platform's file functions: every
// Read is one platform read, so line reading costs a read per unit. Callers
// that read many lines use the buffered stream.
class IFIOIStreamImp final : public IStdInterfaceImp, public virtual IFIOIStream, private FileStreamCore {
public:
  IFIOIStreamImp() = default;
  ~IFIOIStreamImp() override;

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

private:
  uint32_t encoding_ = 0;  // 0..4, see FileStreams.h; reset by every Open
};

// AtEnd and HasBytes of a stream at `position` of `size` bytes.
inline ZRESULT atEndAnswer(uint32_t position, uint32_t size) { return position >= size ? ZR_OK : ZR_NO; }
inline ZRESULT hasBytesAnswer(uint32_t position, uint32_t size, uint32_t count) {
  return position < size && size - position >= count ? ZR_OK : ZR_NO;
}

}  // namespace zefcorek
