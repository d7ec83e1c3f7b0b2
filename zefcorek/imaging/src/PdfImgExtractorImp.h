// The PDF image extractor: one open document, and the two extractions over
// its page loop.
#pragma once

#include "zefcorek/PdfCapture.h"

#include <memory>

class PdfDocument;
class OutputDev;

namespace PDFII {

class ZEF_EXPORT IPDFImgExtractorImp final : public CountedUnknownImp<IPDFImgExtractor> {
public:
  IPDFImgExtractorImp();

  HRESULT QueryInterface(REFIID iid, void** out) override;

  bool IsOpen() override;
  HRESULT Open(const char* path, const PDFOpenPasswords* passwords, uint32_t* errorCode) override;
  bool Close() override;
  uint32_t GetPageCount() override;
  HRESULT ExtractImagesToFolder(uint32_t firstPage, uint32_t lastPage, const char* folder, const char* rootName,
                                uint32_t* imageCount) override;
  HRESULT ExtractImagesToList(PDFImgExtractOptions* options) override;

private:
  ~IPDFImgExtractorImp();
  // Resolves 0 and out-of-range page numbers against the page count.
  void resolvePages(uint32_t& firstPage, uint32_t& lastPage);
  void runPages(OutputDev* device, uint32_t firstPage, uint32_t lastPage);
  // The operations' bodies; the public ones keep exceptions inside.
  HRESULT openDocument(const char* path, const PDFOpenPasswords* passwords, uint32_t* errorCode);
  HRESULT extractToFolder(uint32_t firstPage, uint32_t lastPage, const char* folder, const char* rootName,
                          uint32_t* imageCount);
  HRESULT extractToList(PDFImgExtractOptions* options);

  std::unique_ptr<PdfDocument> document_;  // null while closed
};

}  // namespace PDFII
