// Private to the library: the file output stream.
#pragma once

#include "FileStreamCore.h"
#include "zefcorek/FileStreams.h"

namespace zefcorek {

// Writes one named file straight through the platform: no buffer. The kept
// size (the attribute record's size) follows every write, seek and cut, so
// size queries need no platform call.
class IFIOOStreamImp final : public IStdInterfaceImp, public virtual IFIOOStream, private FileStreamCore {
public:
  IFIOOStreamImp() = default;
  ~IFIOOStreamImp() override;

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

  ZRESULT SetSize(uint32_t size) override;
  ZRESULT Flush(uint32_t unused) override;
  ZRESULT Write(const void* buffer, uint32_t count) override;
  ZRESULT WriteAt(uint32_t position, bool restore, const void* buffer, uint32_t count) override;
  ZRESULT WriteText(const WCHAR* text, int32_t length) override;
  ZRESULT WriteText2(const WCHAR* text, int32_t length) override;

private:
  enum class FinalLineEndKind { AfterLastCharacter, OnlyAfterLineBreak };
  // Moves the file pointer and grows the kept size when it lands past it.
  ZRESULT seekAndTrack(int32_t distance, DWORD method);
  ZRESULT writeText(const WCHAR* text, int32_t length, FinalLineEndKind finalLineEnd);
};

}  // namespace zefcorek
