// The PDF image capture's records that cross to hosts: the captured image
// list and the extraction options.
//
// PDFImgExtractOptions holds pointers, so it is larger here than on the
// 32-bit system (32 bytes there). Byte layout:
//
//   offset  size  field
//        0     4  firstPage   first page, from 1 (0 means 1; written back)
//        4     4  lastPage    last page (0 or past the end: the page count)
//        8     4  flags       PDFII_CAPTURE_JPEG | PDFII_CAPTURE_DECODED |
//                             PDFII_JOIN_PIECES
//       12     4  minWidth    narrower images are skipped
//       16     4  minHeight   lower images are skipped
//       20     4  (alignment)
//       24     8  progress    called at each page start; null for none
//       32     8  context     handed back to progress
//       40     8  result      out: the captured images, one reference
#pragma once

#include "interfaces/RasterImage.h"

#include <cstddef>
#include <cstdint>

namespace PDFII {

inline constexpr uint32_t PDFII_CAPTURE_JPEG = 0x1;     // DCT images, passed through
inline constexpr uint32_t PDFII_CAPTURE_DECODED = 0x2;  // every other image
inline constexpr uint32_t PDFII_JOIN_PIECES = 0x4;

// Called at the start of each page with the number of images captured so
// far; false stops the run after that page.
using PDFPageProgressProc = bool (*)(void* context, uint32_t page, uint32_t capturedSoFar);

// The captured images in capture order, each with its page and two values
// the host may use. Indexes count from 0 and are compared unsigned.
// QueryInterface answers E_NOINTERFACE for every id, the out pointer left.
struct ZEF_EXPORT IPDFCapturedImgList : virtual IUnknown {
  virtual uint32_t GetCount() = 0;
  // The image with a new reference; null past the end.
  virtual IRasterImage* GetImage(uint32_t index) = 0;
  // 0xFFFFFFFF past the end.
  virtual uint32_t GetPage(uint32_t index) = 0;
  // Appends the image with a new reference; E_INVALIDARG for null.
  virtual HRESULT Add(IRasterImage* image, uint32_t page) = 0;
  virtual uint32_t GetUserValueA(uint32_t index) = 0;
  virtual HRESULT SetUserValueA(uint32_t index, uint32_t value) = 0;
  virtual uint32_t GetUserValueB(uint32_t index) = 0;
  virtual HRESULT SetUserValueB(uint32_t index, uint32_t value) = 0;
  // Releases every image once and empties the list.
  virtual HRESULT Clear() = 0;

protected:
  ~IPDFCapturedImgList() = default;
};

struct PDFImgExtractOptions {
  uint32_t firstPage;
  uint32_t lastPage;
  uint32_t flags;
  uint32_t minWidth;
  uint32_t minHeight;
  PDFPageProgressProc progress;
  void* context;
  IPDFCapturedImgList* result;
};
static_assert(offsetof(PDFImgExtractOptions, progress) == 24);
static_assert(offsetof(PDFImgExtractOptions, context) == 32);
static_assert(offsetof(PDFImgExtractOptions, result) == 40);
static_assert(sizeof(PDFImgExtractOptions) == 48);

// The passwords of Open: NUL-terminated ANSI texts of at most 33
// characters; an empty one means none. 68 bytes, no size field.
struct PDFOpenPasswords {
  char ownerPassword[34];
  char userPassword[34];
};
static_assert(sizeof(PDFOpenPasswords) == 68);

// The PDF image capture's entry point, made by the factory
// (CLSID_IPDFImgExtractorImp). One open document at a time. QueryInterface
// answers E_NOINTERFACE for every id, the out pointer left.
struct ZEF_EXPORT IPDFImgExtractor : virtual IUnknown {
  virtual bool IsOpen() = 0;
  // Closes any open document, then opens `path` (ANSI text). E_INVALIDARG
  // for a missing argument or an empty path; E_FAIL with *errorCode 1 when
  // the file is not found, else with the document's code (2 bad page
  // catalog, 3 damaged cross-reference table, 4 wrong or missing password).
  virtual HRESULT Open(const char* path, const PDFOpenPasswords* passwords, uint32_t* errorCode) = 0;
  // Always true.
  virtual bool Close() = 0;
  // 0 while closed.
  virtual uint32_t GetPageCount() = 0;
  // Writes the images of the pages to numbered files "<folder>\<rootName>-NNN"
  // (see the image dumper). Page 0 as the first means 1; 0 or past the end
  // as the last means the page count. S_FALSE when done but an image was
  // left out: one decoded image of more than kMaxImagePixels pixels (see
  // ImgIO.h) or one whose memory could not be had; E_OUTOFMEMORY when the
  // run itself ran out of memory.
  virtual HRESULT ExtractImagesToFolder(uint32_t firstPage, uint32_t lastPage, const char* folder, const char* rootName,
                                        uint32_t* imageCount) = 0;
  // Captures the images of the pages into options->result, writing the
  // resolved page range back into the options. S_FALSE when done but the
  // list lacks an image that was drawn and wanted: one of more than
  // kMaxImagePixels pixels (never allocated), one whose memory or file could
  // not be had, or whose data could not be loaded; E_OUTOFMEMORY (result
  // null) when the run itself ran out of memory.
  virtual HRESULT ExtractImagesToList(PDFImgExtractOptions* options) = 0;

protected:
  ~IPDFImgExtractor() = default;
};

}  // namespace PDFII
