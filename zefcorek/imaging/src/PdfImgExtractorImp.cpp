// The PDF image extractor.
#include "PdfImgExtractorImp.h"

#include "ImageOutputDev.h"
#include "PdfDocument.h"
#include "ZefImageOutputDev.h"
#include "zefcorek/ClassMakers.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/KnownFolders.h"

#include <cstring>
#include <new>

namespace {

// The page loop's fixed arguments: 96 dpi, no rotation, the crop box, not
// printing.
constexpr double kDpi = 96.0;

bool isEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

// Whether the file exists (any case, as the platform's lookups go).
bool fileExists(const char* path) {
  const std::u16string name = platform::ansiToWideLenient(path);
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(name.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

}  // namespace

void* zefcorek::makeIPDFImgExtractorImp(intptr_t /*arg*/) {
  return static_cast<PDFII::IPDFImgExtractor*>(new (std::nothrow) PDFII::IPDFImgExtractorImp());
}

PDFII::IPDFImgExtractorImp::IPDFImgExtractorImp() = default;

PDFII::IPDFImgExtractorImp::~IPDFImgExtractorImp() = default;

HRESULT PDFII::IPDFImgExtractorImp::QueryInterface(REFIID /*iid*/, void** /*out*/) { return E_NOINTERFACE; }

bool PDFII::IPDFImgExtractorImp::IsOpen() { return document_ != nullptr; }

bool PDFII::IPDFImgExtractorImp::Close() {
  document_.reset();
  return true;
}

HRESULT PDFII::IPDFImgExtractorImp::Open(const char* path, const PDFOpenPasswords* passwords, uint32_t* errorCode) {
  try {
    return openDocument(path, passwords, errorCode);
  } catch (const std::bad_alloc&) {
    document_.reset();
    return E_OUTOFMEMORY;
  }
}

HRESULT PDFII::IPDFImgExtractorImp::openDocument(const char* path, const PDFOpenPasswords* passwords,
                                                 uint32_t* errorCode) {
  Close();
  if (isEmpty(path) || passwords == nullptr || errorCode == nullptr) return E_INVALIDARG;
  if (!fileExists(path)) {
    *errorCode = 1;
    return E_FAIL;
  }
  *errorCode = 0;
  // The passwords are bounded by their fields, terminated or not.
  const std::string owner(passwords->ownerPassword, strnlen(passwords->ownerPassword, sizeof passwords->ownerPassword));
  const std::string user(passwords->userPassword, strnlen(passwords->userPassword, sizeof passwords->userPassword));
  auto document = std::make_unique<PdfDocument>(path, owner.c_str(), user.c_str());
  if (!document->isOk()) {
    *errorCode = static_cast<uint32_t>(document->getErrorCode());
    return E_FAIL;
  }
  document_ = std::move(document);
  return S_OK;
}

uint32_t PDFII::IPDFImgExtractorImp::GetPageCount() {
  if (document_ == nullptr) return 0;
  const int count = document_->getNumPages();
  return count > 0 ? static_cast<uint32_t>(count) : 0;
}

void PDFII::IPDFImgExtractorImp::resolvePages(uint32_t& firstPage, uint32_t& lastPage) {
  const uint32_t count = GetPageCount();
  if (firstPage == 0) firstPage = 1;
  if (lastPage == 0 || lastPage > count) lastPage = count;
}

void PDFII::IPDFImgExtractorImp::runPages(OutputDev* device, uint32_t firstPage, uint32_t lastPage) {
  // A run stopped by its progress callback leaves the flag set: every
  // extraction starts with it clear, or a later one would end after its
  // first page.
  document_->stopRequested = 0;
  if (firstPage > lastPage) return;
  document_->displayPages(device, static_cast<int>(firstPage), static_cast<int>(lastPage), kDpi, kDpi, 0,
                          /*useMediaBox=*/false, /*crop=*/true, /*printing=*/false);
}

HRESULT PDFII::IPDFImgExtractorImp::ExtractImagesToFolder(uint32_t firstPage, uint32_t lastPage, const char* folder,
                                                          const char* rootName, uint32_t* imageCount) {
  try {
    return extractToFolder(firstPage, lastPage, folder, rootName, imageCount);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT PDFII::IPDFImgExtractorImp::extractToFolder(uint32_t firstPage, uint32_t lastPage, const char* folder,
                                                    const char* rootName, uint32_t* imageCount) {
  if (document_ == nullptr) return E_FAIL;
  if (isEmpty(folder) || isEmpty(rootName) || imageCount == nullptr) return E_INVALIDARG;
  resolvePages(firstPage, lastPage);
  char root[MAX_PATH] = {};
  if (std::strlen(folder) >= MAX_PATH) return E_INVALIDARG;
  std::strcpy(root, folder);
  // A root that does not fit is refused, not shortened.
  if (!PathAppendA(root, rootName)) return E_INVALIDARG;
  ImageOutputDev dumper(root, /*dumpJPEG=*/true);
  if (!dumper.isOk()) {
    *imageCount = 0;
    return E_FAIL;
  }
  runPages(&dumper, firstPage, lastPage);
  *imageCount = static_cast<uint32_t>(dumper.getImageCount());
  return dumper.isPartial() ? S_FALSE : S_OK;
}

HRESULT PDFII::IPDFImgExtractorImp::ExtractImagesToList(PDFImgExtractOptions* options) {
  try {
    return extractToList(options);
  } catch (const std::bad_alloc&) {
    if (options != nullptr) options->result = nullptr;
    return E_OUTOFMEMORY;
  }
}

HRESULT PDFII::IPDFImgExtractorImp::extractToList(PDFImgExtractOptions* options) {
  if (document_ == nullptr) return E_FAIL;
  if (options == nullptr) return E_INVALIDARG;
  resolvePages(options->firstPage, options->lastPage);
  ZefImageOutputDev device(document_.get(), options);
  if (!device.isOk()) {
    options->result = nullptr;
    return E_FAIL;
  }
  runPages(&device, options->firstPage, options->lastPage);
  if ((options->flags & PDFII_JOIN_PIECES) != 0) device.JoinPieces();
  options->result = device.CreateCapturedImgList();
  if (options->result == nullptr) return E_OUTOFMEMORY;
  return device.isPartial() ? S_FALSE : S_OK;
}
