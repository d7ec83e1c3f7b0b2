// The image loader that an expert hands out: finds the row for a request in
// its expert and calls the row's handler.
#pragma once

#include "zefcorek/ImgIO.h"

class IImgLoaderImp : public IStdInterfaceImp, public virtual IImgLoader {
public:
  explicit IImgLoaderImp(IImgIOExpert* expert) : expert_(expert) {}
  ~IImgLoaderImp() override;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ZRESULT LoadFromFile(const WCHAR* path, IRasterImage** out) override;
  ZRESULT LoadFromStream(uint32_t formatId, uint32_t reserved, IFIOIStream* stream, IRasterImage** out) override;
  ZRESULT GetImageInfo(const WCHAR* path, void* record) override;
  ZRESULT GetImageMetadata(const WCHAR* path, ITaggedValSet** out) override;

  // Called by the expert as it is destroyed: every later call answers 2.
  void ForgetExpert() { expert_ = nullptr; }

private:
  // The row of the path's extension into `row`; the lookup's result.
  ZRESULT rowByExtension(const WCHAR* path, ImgFormatInfo& row);

  IImgIOExpert* expert_;  // not counted; null once the expert is gone
};

namespace zefcorek {
// A row record ready for a lookup: zeroed, cbSize set.
ImgFormatInfo emptyFormatRow();
// Zeroes a 540-byte information record (size kept); other records are left.
void clearFileInfo(void* record);
}  // namespace zefcorek
