// The captured image list: owned entries {image with one reference, page,
// user values A and B} in an IPtrList from the factory.
#pragma once

#include "zefcorek/PdfCapture.h"

struct IPtrList;

namespace PDFII {

class ZEF_EXPORT IPDFCapturedImgListImp final : public CountedUnknownImp<IPDFCapturedImgList> {
public:
  IPDFCapturedImgListImp();

  HRESULT QueryInterface(REFIID iid, void** out) override;

  uint32_t GetCount() override;
  IRasterImage* GetImage(uint32_t index) override;
  uint32_t GetPage(uint32_t index) override;
  HRESULT Add(IRasterImage* image, uint32_t page) override;
  uint32_t GetUserValueA(uint32_t index) override;
  HRESULT SetUserValueA(uint32_t index, uint32_t value) override;
  uint32_t GetUserValueB(uint32_t index) override;
  HRESULT SetUserValueB(uint32_t index, uint32_t value) override;
  HRESULT Clear() override;

private:
  struct Entry {
    IRasterImage* image;  // one reference
    uint32_t page;
    uint32_t userA = 0;
    uint32_t userB = 0;
  };
  ~IPDFCapturedImgListImp();
  Entry* entryAt(uint32_t index);

  IPtrList* entries_ = nullptr;  // owned Entry pointers; null when it could not be made
};

}  // namespace PDFII
