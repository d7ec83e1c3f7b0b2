// The unbuffered file input stream and its factory row.
#include "FileInputStream.h"

#include "LineReader.h"
#include "StreamAdapters.h"
#include "zefcorek/ClassMakers.h"

#include "platform/FileMapping.h"

#include <new>

void* zefcorek::makeIFIOIStreamImp(intptr_t) { return static_cast<IFIOIStream*>(new (std::nothrow) IFIOIStreamImp()); }

zefcorek::IFIOIStreamImp::~IFIOIStreamImp() { Close(); }

HRESULT zefcorek::IFIOIStreamImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT zefcorek::IFIOIStreamImp::SetName(const WCHAR* name) { return setName(name); }

ZRESULT zefcorek::IFIOIStreamImp::GetName(WCHAR* buffer, uint32_t* length) { return getName(buffer, length); }

ZRESULT zefcorek::IFIOIStreamImp::Open(uint32_t flags) {
  if (isOpen()) return ZR_FAILED;
  const DWORD share =
      ((flags & FIO_SHARE_READ) ? FILE_SHARE_READ : 0) | ((flags & FIO_SHARE_WRITE) ? FILE_SHARE_WRITE : 0);
  const ZRESULT opened = openFile(GENERIC_READ, share, OPEN_EXISTING);
  encoding_ = 0;
  if (opened != ZR_OK) return opened;
  encoding_ = lines::detectByteOrderMark(*this);
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIStreamImp::Close() { return closeFile(); }

ZRESULT zefcorek::IFIOIStreamImp::IsClosed() { return isOpen() ? ZR_OK : ZR_NO; }

ZRESULT zefcorek::IFIOIStreamImp::GetHandle(HANDLE* out) {
  if (!out) return ZR_BADARG;
  *out = handle_;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIStreamImp::GetSize(uint32_t* out) {
  if (!isOpen()) return ZR_FAILED;
  if (!out) return ZR_BADARG;
  *out = keptSize();
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIStreamImp::GetPosition(uint32_t* out) { return filePosition(out); }

ZRESULT zefcorek::IFIOIStreamImp::SeekAbs(uint32_t position) {
  return seekFile(static_cast<int32_t>(position), FILE_BEGIN);
}

ZRESULT zefcorek::IFIOIStreamImp::SeekRel(int32_t offset) { return seekFile(offset, FILE_CURRENT); }

ZRESULT zefcorek::IFIOIStreamImp::AtEnd() {
  uint32_t position = 0;
  const ZRESULT code = GetPosition(&position);
  return code != ZR_OK ? code : atEndAnswer(position, keptSize());
}

ZRESULT zefcorek::IFIOIStreamImp::HasBytes(uint32_t count) {
  uint32_t position = 0;
  const ZRESULT code = GetPosition(&position);
  return code != ZR_OK ? code : hasBytesAnswer(position, keptSize(), count);
}

ZRESULT zefcorek::IFIOIStreamImp::Read(void* buffer, uint32_t count, uint32_t* read) {
  if (!buffer) return ZR_BADARG;
  if (!isOpen()) return ZR_FAILED;
  uint32_t got = 0;
  if (!readFile(buffer, count, &got)) return ZR_FAILED;
  if (read) {
    *read = got;
    return ZR_OK;
  }
  return got < count ? ZR_FAILED : ZR_OK;
}

ZRESULT zefcorek::IFIOIStreamImp::ReadText(WCHAR* buffer, uint32_t capacity, uint32_t* length) {
  return lines::readTextLine(*this, encoding_, buffer, capacity, length);
}

ZRESULT zefcorek::IFIOIStreamImp::CreateROMemMapping(IFIOROMemMapping** out) {
  if (!isOpen()) return ZR_FAILED;
  if (!out) return ZR_BADARG;
  *out = nullptr;
  HANDLE mapping =
      CreateFileMappingW(handle_, nullptr, PAGE_READONLY, attributes_.nFileSizeHigh, attributes_.nFileSizeLow, nullptr);
  if (!mapping) return ZR_OUTOFMEMORY;
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (!view) {
    CloseHandle(mapping);
    return ZR_OUTOFMEMORY;
  }
  IFIOROMemMapping* object = makeROMemMapping ? makeROMemMapping(this, mapping, view, keptSize()) : nullptr;
  if (!object) {
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    return ZR_OUTOFMEMORY;
  }
  *out = object;
  return ZR_OK;
}

ZRESULT zefcorek::IFIOIStreamImp::CreateCOMStream(IStream** out) {
  if (!out) return ZR_BADARG;
  *out = makeCOMIStream ? makeCOMIStream(this) : nullptr;
  return *out ? ZR_OK : ZR_OUTOFMEMORY;
}

ZRESULT zefcorek::IFIOIStreamImp::SetTextEncoding(uint32_t kind, bool noMark) {
  return lines::applyTextEncoding(encoding_, kind, noMark) ? ZR_OK : ZR_BADARG;
}
