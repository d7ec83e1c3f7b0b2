// PdfDocument: a PDF file opened for the image capture, over the PDF
// engine's document.
//
// What is ours beside the engine: the file is found through the platform
// file layer (as named, else all in lower case, else all in upper case), the
// header is checked by our own rules so that its warnings show although the
// engine is quiet, the error codes and reports are the capture's, and the
// page loop has a stop flag that the capture device sets from its progress
// callback and that is tested after each page.
//
// Error codes: 0 none, 1 the file cannot be opened, 2 the page catalog
// cannot be read, 3 the cross-reference table is damaged beyond the
// engine's repair, 4 encrypted and the password is wrong or missing.
#pragma once

#include "platform/Export.h"

#include <memory>
#include <string>

class PDFDoc;
class OutputDev;

class ZEF_EXPORT PdfDocument {
public:
  // `fileName` is UTF-8 text in Windows form; an empty or null password
  // means none.
  PdfDocument(const char* fileName, const char* ownerPassword, const char* userPassword);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  bool isOk() const { return ok_; }
  int getErrorCode() const { return errorCode_; }
  // From the header; 0 when none was found.
  double getPDFVersion() const { return pdfVersion_; }
  int getNumPages() const;
  const std::string& fileName() const { return fileName_; }
  // The engine's document; null when the file could not be opened.
  PDFDoc* engineDocument() const { return document_.get(); }

  // Runs pages first..last (counted from 1) through `out`, one at a time;
  // ends after the page during which stopRequested was set. Nothing runs on
  // a document that is not ok.
  void displayPages(OutputDev* out, int firstPage, int lastPage, double hDPI, double vDPI, int rotate, bool useMediaBox,
                    bool crop, bool printing);
  void displayPage(OutputDev* out, int page, double hDPI, double vDPI, int rotate, bool useMediaBox, bool crop,
                   bool printing);

  // Set by the capture device to end the page loop after the current page;
  // only construction clears it.
  unsigned char stopRequested = 0;

private:
  void checkHeader(const std::string& head);

  std::string fileName_;  // the name as given
  double pdfVersion_ = 0;
  bool ok_ = false;
  int errorCode_ = 0;
  std::unique_ptr<PDFDoc> document_;
};
