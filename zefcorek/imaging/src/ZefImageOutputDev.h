// ZefImageOutputDev: the output device of the PDF image capture. Instead of
// writing files it turns every image and stencil mask a page draws into a
// CachedImgDef record: a raster image with its page, size, depth and
// placement on the page. DCT images go through a temporary file to the
// process-wide image expert's loader; the others are decoded by the PDF
// engine and copied in.
//
// Records are kept in capture order in an IPtrList of owned CachedImgDef
// pointers. A record whose pixels could not be had keeps a null image: it
// is counted and can be joined, but is not handed to the result list, and
// isPartial() says so. That is the case for an image of more than
// kMaxImagePixels pixels (see ImgIO.h), which is never allocated, and for
// one whose memory cannot be had; no exception reaches the engine.
#pragma once

#include "ImageOutputDev.h"
#include "zefcorek/PdfCapture.h"

#include "platform/Export.h"

#include <cstdint>
#include <vector>

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

// One record's part in joining: its group (0: none, else from 1), the
// record that continues it (-1: none), and its role (0 alone, 1 head of a
// chain, 2 appended, 3 appended after a vertical flip).
struct JoinLink {
  int32_t group = 0;
  int32_t next = -1;
  int32_t role = 0;
};

// Finds chains of records (in capture order) that continue each other on
// the page: stacked strips with equal left and right edges, or rotated
// strips side by side, each within 2 pixels of the other, searched forward
// among the records of one page and depth. A record continues at most one
// other. `links` gets one entry per record; answers the number of groups.
ZEF_EXPORT int FindJoinGroups(const std::vector<const CachedImgDef*>& records, std::vector<JoinLink>& links);

// Places the image's unit square by the matrix [a b c d e f] (the CTM the
// engine gives at 96 dpi, upside down) and says which flips make the
// stored rows read as the page shows them.
ZEF_EXPORT void ComputePlacement(const double ctm[6], CachedImgPlacement& placement, bool& flipH, bool& flipV);

class ZEF_EXPORT ZefImageOutputDev : public ImageOutputDev {
public:
  // Neither is owned; both must outlive the run.
  ZefImageOutputDev(PdfDocument* document, PDFII::PDFImgExtractOptions* options);
  ~ZefImageOutputDev() override;

  void startPage(int pageNum, GfxState* state, XRef* xref) override;
  void drawImageMask(GfxState* state, Object* ref, Stream* str, int width, int height, bool invert, bool interpolate,
                     bool inlineImg) override;
  void drawImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                 bool interpolate, const int* maskColors, bool inlineImg) override;
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
  void captureGuarded(GfxState* state, Stream* str, int width, int height, GfxImageColorMap* colorMap, bool inlineImg);
  void capture(GfxState* state, Stream* str, int width, int height, GfxImageColorMap* colorMap, bool inlineImg);
  IRasterImage* captureJpeg(Stream* str);
  IRasterImage* captureBits(Stream* str, int width, int height, GfxImageColorMap* colorMap);
  IRasterImage* capturePixels(Stream* str, int width, int height, GfxImageColorMap* colorMap, uint32_t bitsPerPixel);
  void freeCapturedImages();
  // The joined record of one group, its image pasted from the pieces; null
  // when the group is left as it is (a piece without an image).
  CachedImgDef* joinGroup(const std::vector<CachedImgDef*>& pieces, const std::vector<int32_t>& roles);

  PdfDocument* document_;
  PDFII::PDFImgExtractOptions* options_;
  IPtrList* records_ = nullptr;  // owned CachedImgDef pointers; null when it could not be made
  uint32_t currentPage_ = 1;
};
