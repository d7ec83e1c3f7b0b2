// ImageOutputDev: an output device of the PDF engine that writes every
// image and stencil mask a page draws to a numbered file beside a root
// path: raw JPEG data (pass-through of DCT streams), a binary PBM bitmap or
// a binary PPM pixmap. The capture device derives from it for its numbering
// and pass-through flag and writes no files.
//
// Files are "<root>-NNN.jpg/.pbm/.ppm" (at least three digits), numbered
// before they are opened, and opened through the platform file layer, so a
// root in Windows form names the file it means. A file that cannot be
// opened is reported and its image skipped. An image decoded to PBM or PPM
// that has more than kMaxImagePixels pixels (see ImgIO.h) is numbered,
// reported and skipped, as is one whose memory cannot be had; isPartial()
// then says that the run left an image out. No exception leaves a drawing
// operation.
#pragma once

#include "platform/Export.h"

#include <OutputDev.h>

#include <string>

class ZEF_EXPORT ImageOutputDev : public OutputDev {
public:
  ImageOutputDev(const char* fileRoot, bool dumpJPEG);
  ~ImageOutputDev() override;

  bool upsideDown() override { return true; }
  bool useDrawChar() override { return false; }
  bool interpretType3Chars() override { return false; }
  bool needNonText() override { return true; }

  void drawImageMask(GfxState* state, Object* ref, Stream* str, int width, int height, bool invert, bool interpolate,
                     bool inlineImg) override;
  void drawImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                 bool interpolate, const int* maskColors, bool inlineImg) override;

  virtual bool isOk() { return ok_; }
  // Whether an image was left out for its size or for lack of memory.
  bool isPartial() const { return partial_; }
  // Files numbered so far, those that failed to open included.
  virtual int getImageCount() { return imageNumber_; }

protected:
  // The next file name with this extension; the number grows.
  const std::string& nextFileName(const char* extension);
  // Whether the stream's JPEG bytes are passed through unchanged.
  bool isJpegPassThrough(Stream* str, bool inlineImg) const;
  // Whether width x height passes the size limit of decoded images.
  static bool withinPixelLimit(int width, int height);

  std::string fileRoot_;  // the root path as given (UTF-8, Windows form)
  std::string fileName_;  // the last name made by nextFileName
  bool dumpJPEG_;         // pass DCT streams through as .jpg files
  int imageNumber_ = 0;   // the number of the next file
  bool ok_ = true;
  bool partial_ = false;  // an image was left out (see isPartial)

private:
  // Reports and marks an image beyond the size limit (its file already
  // numbered); true when it is to be skipped.
  bool skipsOversized(int width, int height);
  void writeJpeg(Stream* str);
  void writeBitmap(Stream* str, int width, int height, bool invertBits);
  void writePixmap(Stream* str, int width, int height, GfxImageColorMap* colorMap);
};
