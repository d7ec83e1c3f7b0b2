// The COM stream adapters: a file input stream (IFIOCOMIStream) or a file
// output stream (IFIOCOMOStream) seen as the platform's IStream. An adapter
// holds no reference on its stream, which must outlive it; clones serve the
// same stream and so share its position.
#include "StreamAdapters.h"

#include "platform/Files.h"
#include "platform/OleString.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// What both adapters do alike; `Stream` is the file stream served.
template <typename Stream>
class COMStreamAdapter : public CountedUnknownImp<IStream> {
public:
  explicit COMStreamAdapter(Stream* stream) : stream_(stream) {}
  virtual ~COMStreamAdapter() = default;

  HRESULT QueryInterface(REFIID, void** out) override {
    if (out != nullptr) *out = nullptr;
    return E_FAIL;
  }

  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    uint32_t got = 0;
    const ZRESULT result = stream_->Read(buffer, count, &got);
    if (read != nullptr) *read = result == ZR_OK ? got : 0;
    return result == ZR_OK ? S_OK : E_FAIL;
  }

  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    // Only the low 32 bits of the move: the file streams are 32-bit.
    const uint32_t low = move.u.LowPart;
    ZRESULT result = ZR_FAILED;
    switch (origin) {
      case STREAM_SEEK_SET: result = stream_->SeekAbs(low); break;
      case STREAM_SEEK_CUR: result = stream_->SeekRel(static_cast<int32_t>(low)); break;
      case STREAM_SEEK_END: result = SeekFromEnd(static_cast<int32_t>(low)); break;
      default: break;
    }
    if (result != ZR_OK) return E_FAIL;
    if (newPosition != nullptr) {
      uint32_t position = 0;
      (void)stream_->GetPosition(&position);
      newPosition->QuadPart = position;
    }
    return S_OK;
  }

  HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }

protected:
  virtual ZRESULT SeekFromEnd(int32_t move) = 0;

  Stream* stream_;  // not owned: it outlives the adapter
};

class IFIOCOMIStream final : public COMStreamAdapter<IFIOIStream> {
public:
  using COMStreamAdapter::COMStreamAdapter;

  HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

  HRESULT Stat(STATSTG* stat, DWORD flag) override {
    if (stat == nullptr) return E_FAIL;
    std::memset(stat, 0, sizeof(*stat));
    if (flag == STATFLAG_DEFAULT) {
      WCHAR name[kFileStreamNameCapacity] = {};
      uint32_t length = 0;
      if (stream_->GetName(name, &length) == ZR_OK) {
        length = std::min<uint32_t>(length, kFileStreamNameCapacity - 1);
        auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc((length + 1) * sizeof(WCHAR)));
        if (copy != nullptr) {
          std::memcpy(copy, name, length * sizeof(WCHAR));
          copy[length] = 0;
          stat->pwcsName = copy;
        }
      }
    }
    stat->type = STGTY_STREAM;
    uint32_t size = 0;
    (void)stream_->GetSize(&size);
    stat->cbSize.QuadPart = size;
    HANDLE handle = nullptr;
    if (stream_->GetHandle(&handle) == ZR_OK) (void)GetFileTime(handle, &stat->ctime, &stat->atime, &stat->mtime);
    stat->grfMode = STGM_SHARE_DENY_WRITE;
    stat->grfLocksSupported = LOCK_EXCLUSIVE;
    return S_OK;
  }

  HRESULT Clone(IStream** clone) override {
    if (clone == nullptr) return E_FAIL;
    *clone = new (std::nothrow) IFIOCOMIStream(stream_);
    return S_OK;
  }

private:
  ZRESULT SeekFromEnd(int32_t move) override {
    uint32_t size = 0;
    const ZRESULT result = stream_->GetSize(&size);
    if (result != ZR_OK) return result;
    return stream_->SeekAbs(static_cast<uint32_t>(size + static_cast<uint32_t>(move)));
  }
};

class IFIOCOMOStream final : public COMStreamAdapter<IFIOOStream> {
public:
  using COMStreamAdapter::COMStreamAdapter;

  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
    const ZRESULT result = stream_->Write(buffer, count);
    if (written != nullptr) *written = result == ZR_OK ? count : 0;
    return result == ZR_OK ? S_OK : E_FAIL;
  }

  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }

  // A reading adapter over the output stream's input part.
  HRESULT Clone(IStream** clone) override {
    if (clone == nullptr) return E_FAIL;
    *clone = new (std::nothrow) IFIOCOMIStream(static_cast<IFIOIStream*>(stream_));
    return S_OK;
  }

private:
  ZRESULT SeekFromEnd(int32_t) override { return ZR_NOTSUPPORTED; }
};

}  // namespace

IStream* zefcorek::makeCOMIStream(IFIOIStream* stream) { return new (std::nothrow) IFIOCOMIStream(stream); }

IStream* zefcorek::makeCOMOStream(IFIOOStream* stream) { return new (std::nothrow) IFIOCOMOStream(stream); }
