// Opening a PDF file for the capture and running its pages.
#include "PdfDocument.h"

#include "PdfReport.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Paths.h"
#include "platform/Utf16.h"

#include <ErrorCodes.h>
#include <goo/GooString.h>
#include <OutputDev.h>
#include <PDFDoc.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// The header is looked for in this many leading bytes: "%PDF-" may start at
// offsets 0 to kHeaderWindow - 6.
constexpr size_t kHeaderWindow = 1024;
constexpr std::string_view kHeaderMark = "%PDF-";
// The newest version read without a warning (1.7 and a rounding margin).
constexpr double kNewestVersion = 1.7001;

// The first bytes of the file when it opens for reading, else nothing.
std::optional<std::string> readHead(const std::u16string& name) {
  HANDLE file =
      CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string head(kHeaderWindow, '\0');
  DWORD got = 0;
  if (!ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr)) got = 0;
  head.resize(got);
  CloseHandle(file);
  return head;
}

std::optional<GooString> passwordOf(const char* text) {
  if (text == nullptr || text[0] == '\0') return std::nullopt;
  return GooString(text);
}

}  // namespace

PdfDocument::PdfDocument(const char* fileName, const char* ownerPassword, const char* userPassword)
    : fileName_(fileName != nullptr ? fileName : "") {
  // As named, then all in lower case, then all in upper case.
  std::u16string name = platform::ansiToWideLenient(fileName_);
  std::optional<std::string> head = readHead(name);
  if (!head) {
    platform::toLowerInPlace(name);
    head = readHead(name);
  }
  if (!head) {
    platform::toUpperInPlace(name);
    head = readHead(name);
  }
  const std::optional<std::string> nativeName = head ? platform::nativePath(name) : std::nullopt;
  if (!nativeName) {
    zefcorek::pdfReport("Couldn't open file '%s'", fileName_.c_str());
    errorCode_ = errOpenFile;
    return;
  }
  checkHeader(*head);

  document_ = std::make_unique<PDFDoc>(std::make_unique<GooString>(*nativeName), passwordOf(ownerPassword),
                                       passwordOf(userPassword));
  ok_ = document_->isOk();
  if (ok_) return;
  errorCode_ = document_->getErrorCode();
  switch (errorCode_) {
    case errOpenFile: zefcorek::pdfReport("Couldn't open file '%s'", fileName_.c_str()); break;
    case errDamaged: zefcorek::pdfReport("Couldn't read xref table"); break;
    case errBadCatalog: zefcorek::pdfReport("Couldn't read page catalog"); break;
    default: break;
  }
}

PdfDocument::~PdfDocument() = default;

void PdfDocument::checkHeader(const std::string& head) {
  pdfVersion_ = 0;
  const size_t at = head.find(kHeaderMark);
  if (at == std::string::npos || at >= kHeaderWindow - kHeaderMark.size()) {
    zefcorek::pdfReport("Warning: not a PDF document?");
    return;
  }
  // The version is the first token after the mark.
  const size_t start = at + kHeaderMark.size();
  const size_t tokenStart = head.find_first_not_of(" \t\n\r", start);
  if (tokenStart == std::string::npos) {
    zefcorek::pdfReport("Warning: not a PDF document?");
    return;
  }
  const size_t tokenEnd = head.find_first_of(" \t\n\r", tokenStart);
  const std::string token =
      head.substr(tokenStart, tokenEnd == std::string::npos ? std::string::npos : tokenEnd - tokenStart);
  // Read in the file's own syntax, whatever decimal separator the host's
  // locale uses.
  std::from_chars(token.data(), token.data() + token.size(), pdfVersion_);
  const bool digitFirst = start < head.size() && std::isdigit(static_cast<unsigned char>(head[start])) != 0;
  if (!digitFirst || pdfVersion_ > kNewestVersion) {
    zefcorek::pdfReport("Warning: unsupported PDF version %s", token.c_str());
  }
}

int PdfDocument::getNumPages() const { return ok_ ? document_->getNumPages() : 0; }

void PdfDocument::displayPage(OutputDev* out, int page, double hDPI, double vDPI, int rotate, bool useMediaBox,
                              bool crop, bool printing) {
  if (!ok_ || out == nullptr) return;
  document_->displayPage(out, page, hDPI, vDPI, rotate, useMediaBox, crop, printing);
}

void PdfDocument::displayPages(OutputDev* out, int firstPage, int lastPage, double hDPI, double vDPI, int rotate,
                               bool useMediaBox, bool crop, bool printing) {
  if (!ok_ || out == nullptr) return;
  for (int page = firstPage; page <= lastPage; ++page) {
    displayPage(out, page, hDPI, vDPI, rotate, useMediaBox, crop, printing);
    if (stopRequested != 0) return;
  }
}
