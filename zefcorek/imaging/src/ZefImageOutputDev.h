// ZefImageOutputDev: the output device of the PDF image capture. Instead of
// writing files it turns every image and stencil mask a page draws into a
// CachedImgDef record: a raster image with its page, size, depth and
// placement on the page. DCT images go through a temporary file to the
// process-wide image expert's loader; the others are decoded by the PDF
// engine and copied in.
//
// Records are kept in capture order in an IPtrList of owned CachedImgDef
// pointers. A record whose pixels could not be had keeps a null image: it
// is counted and can be joined, but is not handed to the result list.
#pragma once

#include "ImageOutputDev.h"
#include "zefcorek/PdfCapture.h"

#include "platform/Export.h"

#include <cstdint>

class PdfDocument;
struct IPtrList;

// Where an image lies on its page: whole device pixels at 96 dpi, y
// growing downward. Corners in the order first sample of the first row,
// last of the first row, first of the last row, last of the last row.
struct CachedImgPlacement {
  bool valid;
  bool rotated;
  double corners[4][2];
  double minX, maxX, minY, maxY;  // the corners' bounding box
};

struct CachedImgDef {
  uint32_t index;  // capture number within the run, from 0
  bool isJpeg;     // came through the JPEG pass-through
  uint32_t page;
  uint32_t width;   // samples per row in the PDF
  uint32_t height;  // rows in the PDF
  bool isInline;
  uint32_t bitsPerPixel;  // the raster image's depth
  CachedImgPlacement placement;
  IRasterImage* image;  // one reference; null when the pixels could not be had
};

// Places the image's unit square by the matrix [a b c d e f] (the CTM the
// engine gives at 96 dpi, upside down) and says which flips make the
// stored rows read as the page shows them.
ZEF_EXPORT void ComputePlacement(const double ctm[6], CachedImgPlacement& placement, bool& flipH,
                                 bool& flipV);

class ZEF_EXPORT ZefImageOutputDev : public ImageOutputDev {
public:
  // Neither is owned; both must outlive the run.
  ZefImageOutputDev(PdfDocument* document, PDFII::PDFImgExtractOptions* options);
  ~ZefImageOutputDev() override;

  void startPage(int pageNum, GfxState* state, XRef* xref) override;
  void drawImageMask(GfxState* state, Object* ref, Stream* str, int width, int height, bool invert,
                     bool interpolate, bool inlineImg) override;
  void drawImage(GfxState* state, Object* ref, Stream* str, int width, int height,
                 GfxImageColorMap* colorMap, bool interpolate, const int* maskColors,
                 bool inlineImg) override;
  // The number of records.
  int getImageCount() override;

  // The record at `index`, or null past the end.
  virtual CachedImgDef* GetCapturedImage(uint32_t index);
  // Joins the pieces of one picture (built with the extractor).
  virtual void JoinPieces();
  // A new list of every record that has an image, in order, with 4-bit
  // images converted to 8 bits first; one reference for the caller.
  virtual PDFII::IPDFCapturedImgList* CreateCapturedImgList();

private:
  void capture(GfxState* state, Stream* str, int width, int height, GfxImageColorMap* colorMap,
               bool inlineImg);
  IRasterImage* captureJpeg(Stream* str);
  IRasterImage* captureBits(Stream* str, int width, int height, GfxImageColorMap* colorMap);
  IRasterImage* capturePixels(Stream* str, int width, int height, GfxImageColorMap* colorMap,
                              uint32_t bitsPerPixel);
  void freeCapturedImages();

  PdfDocument* document_;
  PDFII::PDFImgExtractOptions* options_;
  IPtrList* records_ = nullptr;  // owned CachedImgDef pointers; null when it could not be made
  uint32_t currentPage_ = 1;
};
