// The PDF image capture device.
#include "ZefImageOutputDev.h"

#include "FactoryObject.h"
#include "FreeImageApi.h"
#include "PdfCapturedImgListImp.h"
#include "PdfDocument.h"
#include "ProcessImageIO.h"
#include "RasterImageImp.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/FilePath.h"
#include "zefcorek/PtrList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Files.h"
#include "platform/Handles.h"

#include <GfxState.h>
#include <Stream.h>

#include <cmath>
#include <new>
#include <vector>

namespace {

// A colour of the engine (16.16 fixed point) as a byte, as the dumper does.
BYTE byteOf(GfxColorComp component) { return static_cast<BYTE>((component * 255 + 0x8000) >> 16); }

RGBQUAD quadOf(GfxImageColorMap* colorMap, const unsigned char* pixel) {
  GfxRGB rgb;
  colorMap->getRGB(pixel, &rgb);
  RGBQUAD quad{};
  quad.rgbRed = byteOf(rgb.r);
  quad.rgbGreen = byteOf(rgb.g);
  quad.rgbBlue = byteOf(rgb.b);
  return quad;
}

// A new empty image holding the process-wide expert, as the factory makes
// it; null when it cannot be made.
IFIRasterImageImp* newImage() { return new (std::nothrow) IFIRasterImageImp(zefcorek::processImageExpert(), nullptr); }

bool isJpegCase(bool passThrough, GfxImageColorMap* colorMap) {
  if (!passThrough) return false;
  if (colorMap == nullptr) return true;  // a stencil mask
  const int components = colorMap->getNumPixelComps();
  return components == 1 || components == 3;
}

// The depth of the raster image for an image (null colour map: a mask).
uint32_t bitsPerPixelOf(bool jpeg, GfxImageColorMap* colorMap) {
  if (jpeg) return 24;
  if (colorMap == nullptr) return 1;
  const int components = colorMap->getNumPixelComps();
  if (components == 1) return static_cast<uint32_t>(colorMap->getBits());
  if (components == 3) return 24;
  if (components == 4) return 32;
  return 1;  // the first component as an index
}

}  // namespace

void ComputePlacement(const double ctm[6], CachedImgPlacement& placement, bool& flipH, bool& flipV) {
  const double a = ctm[0], b = ctm[1], c = ctm[2], d = ctm[3], e = ctm[4], f = ctm[5];
  placement = CachedImgPlacement{};
  flipH = flipV = false;
  // The device position of the first sample.
  const double startX = c + e;
  const double startY = d + f;
  const double det = b * c - a * d;
  if (std::fabs(det) < 1e-6) return;

  const bool rotated = std::fabs(b) > std::fabs(a);
  double width, height, shearX, shearY;
  if (!rotated) {
    width = a;
    height = b * c / a - d;
    shearY = b / a;
    shearX = -c / height;
  } else {
    width = -b;
    height = a * d / b - c;
    shearY = -a / b;
    shearX = d / height;
  }
  flipH = width < 0;
  flipV = height < 0;

  // Whole pixels, with a small margin so an edge on a pixel boundary does
  // not add a row or column.
  const auto span = [](double start, double extent, double& first) {
    const double last = extent >= 0 ? std::floor(start + extent + 0.01) : std::floor(start + extent - 0.01);
    first = extent >= 0 ? std::floor(start - 0.01) : std::floor(start + 0.01);
    return std::fabs(std::trunc(last - first)) + 1;
  };
  double x0 = 0, y0 = 0;
  const double pixelsW = span(startX, width, x0);
  const double pixelsH = span(startY, height, y0);
  const double wd = (pixelsW - 1) * (width >= 0 ? 1 : -1);
  const double hd = (pixelsH - 1) * (height >= 0 ? 1 : -1);

  double offsets[4][2];
  offsets[0][0] = 0;
  offsets[0][1] = 0;
  offsets[1][0] = wd;
  offsets[1][1] = std::trunc(shearY * wd);
  offsets[2][0] = std::floor(shearX * hd + 0.5);
  offsets[2][1] = std::trunc(shearY * offsets[2][0]) + hd;
  offsets[3][0] = offsets[2][0] + wd;
  offsets[3][1] = std::trunc(shearY * offsets[3][0]) + hd;
  for (int corner = 0; corner < 4; ++corner) {
    const double du = offsets[corner][0], dv = offsets[corner][1];
    placement.corners[corner][0] = rotated ? x0 + dv : x0 + du;
    placement.corners[corner][1] = rotated ? y0 - du : y0 + dv;
  }
  placement.minX = placement.maxX = placement.corners[0][0];
  placement.minY = placement.maxY = placement.corners[0][1];
  for (int corner = 1; corner < 4; ++corner) {
    const double x = placement.corners[corner][0], y = placement.corners[corner][1];
    if (x < placement.minX) placement.minX = x;
    if (x > placement.maxX) placement.maxX = x;
    if (y < placement.minY) placement.minY = y;
    if (y > placement.maxY) placement.maxY = y;
  }
  placement.rotated = rotated;
  placement.valid = true;
}

ZefImageOutputDev::ZefImageOutputDev(PdfDocument* document, PDFII::PDFImgExtractOptions* options)
    : ImageOutputDev("", /*dumpJPEG=*/true),
      document_(document),
      options_(options),
      records_(zefcorek::makeFactoryObject<IPtrList>(CLSID_IPtrListImp)) {}

ZefImageOutputDev::~ZefImageOutputDev() {
  freeCapturedImages();
  if (records_ != nullptr) records_->Release();
}

void ZefImageOutputDev::freeCapturedImages() {
  const auto count = static_cast<uint32_t>(getImageCount());
  for (uint32_t index = 0; index < count; ++index) {
    CachedImgDef* record = GetCapturedImage(index);
    if (record == nullptr) continue;
    if (record->image != nullptr) record->image->Release();
    delete record;
  }
  if (records_ != nullptr) (void)records_->Clear(/*release=*/false);
}

void ZefImageOutputDev::startPage(int pageNum, GfxState* /*state*/, XRef* /*xref*/) {
  currentPage_ = static_cast<uint32_t>(pageNum);
  if (options_->progress == nullptr) return;
  if (!options_->progress(options_->context, currentPage_, static_cast<uint32_t>(getImageCount()))) {
    document_->stopRequested = 1;
  }
}

int ZefImageOutputDev::getImageCount() {
  unsigned count = 0;
  if (records_ == nullptr || records_->GetCount(&count) != ZR_OK) return 0;
  return static_cast<int>(count);
}

CachedImgDef* ZefImageOutputDev::GetCapturedImage(uint32_t index) {
  if (index >= static_cast<uint32_t>(getImageCount())) return nullptr;
  void* item = nullptr;
  if (records_->GetAt(index, &item) != ZR_OK) return nullptr;
  return static_cast<CachedImgDef*>(item);
}

void ZefImageOutputDev::drawImageMask(GfxState* state, Object* /*ref*/, Stream* str, int width, int height,
                                      bool /*invert*/, bool /*interpolate*/, bool inlineImg) {
  captureGuarded(state, str, width, height, /*colorMap=*/nullptr, inlineImg);
}

void ZefImageOutputDev::drawImage(GfxState* state, Object* /*ref*/, Stream* str, int width, int height,
                                  GfxImageColorMap* colorMap, bool /*interpolate*/, const int* /*maskColors*/,
                                  bool inlineImg) {
  captureGuarded(state, str, width, height, colorMap, inlineImg);
}

void ZefImageOutputDev::captureGuarded(GfxState* state, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                                       bool inlineImg) {
  // The engine is not to see our exceptions: memory that cannot be had
  // leaves the image out of the result, and the run goes on.
  try {
    capture(state, str, width, height, colorMap, inlineImg);
  } catch (const std::bad_alloc&) {
    partial_ = true;
  }
}

void ZefImageOutputDev::capture(GfxState* state, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                                bool inlineImg) {
  if (width <= 0 || height <= 0 || records_ == nullptr) return;
  const auto samples = static_cast<uint32_t>(width);
  const auto rows = static_cast<uint32_t>(height);
  if (samples < options_->minWidth || rows < options_->minHeight) return;
  const bool jpeg = isJpegCase(isJpegPassThrough(str, inlineImg), colorMap);
  const uint32_t wanted = jpeg ? PDFII::PDFII_CAPTURE_JPEG : PDFII::PDFII_CAPTURE_DECODED;
  if ((options_->flags & wanted) == 0) return;

  auto* record = new (std::nothrow) CachedImgDef{};
  if (record == nullptr) {
    partial_ = true;
    return;
  }
  record->index = static_cast<uint32_t>(imageNumber_++);
  record->isJpeg = jpeg;
  record->page = currentPage_;
  record->width = samples;
  record->height = rows;
  record->isInline = inlineImg;
  record->bitsPerPixel = bitsPerPixelOf(jpeg, colorMap);
  bool flipH = false, flipV = false;
  ComputePlacement(state->getCTM(), record->placement, flipH, flipV);
  // The record is listed before its pixels exist: a failed capture leaves it
  // without an image.
  if (records_->AddTail(record, nullptr) != ZR_OK) {
    delete record;
    partial_ = true;
    return;
  }
  // An image beyond the size limit keeps its record but gets no pixels.
  if (!withinPixelLimit(width, height)) {
    partial_ = true;
    return;
  }
  const bool bitmapCopy = colorMap == nullptr || (colorMap->getNumPixelComps() == 1 && colorMap->getBits() == 1);
  if (jpeg) {
    record->image = captureJpeg(str);
  } else if (bitmapCopy) {
    record->image = captureBits(str, width, height, colorMap);
  } else {
    record->image = capturePixels(str, width, height, colorMap, record->bitsPerPixel);
  }
  if (record->image == nullptr) {
    partial_ = true;
    return;
  }
  if (flipH) (void)record->image->FlipHorizontal();
  if (flipV) (void)record->image->FlipVertical();
}

IRasterImage* ZefImageOutputDev::captureJpeg(Stream* str) {
  IImgIOExpert* expert = zefcorek::processImageExpert();
  if (expert == nullptr) return nullptr;
  // The temporary folder is the process's private one, and the file is
  // made there exclusively under its name: nobody else can have it.
  WCHAR name[MAX_PATH] = {};
  if (!CreateTempFile(u"ZefPImEx_", u"jpg", name) || name[0] == u'\0') return nullptr;
  HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  IRasterImage* image = nullptr;
  if (file != INVALID_HANDLE_VALUE) {
    // The JPEG data as stored, below the DCT filter.
    Stream* raw = str->getNextStream();
    raw->reset();
    std::vector<unsigned char> block;
    block.reserve(64 * 1024);
    bool written = true;
    const auto flush = [&] {
      DWORD done = 0;
      written = written && WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr) &&
                done == block.size();
      block.clear();
    };
    for (int c; (c = raw->getChar()) != EOF;) {
      block.push_back(static_cast<unsigned char>(c));
      if (block.size() == block.capacity()) flush();
    }
    flush();
    raw->close();
    CloseHandle(file);

    IImgLoader* loader = nullptr;
    if (written && expert->CreateLoader(&loader) == ZR_OK) {
      (void)loader->LoadFromFile(name, &image);
      loader->Release();
    }
  }
  DeleteFileW(name);
  // The record says 24 bits: a grey or CMYK JPEG is brought to that depth,
  // so that what the record says holds and joined pieces share one depth.
  uint32_t bpp = 0;
  if (image != nullptr && image->GetBPP(&bpp) == ZR_OK && bpp != 24 && image->ConvertToBPP(24, false) != ZR_OK) {
    image->Release();
    image = nullptr;
  }
  return image;
}

IRasterImage* ZefImageOutputDev::captureBits(Stream* str, int width, int height, GfxImageColorMap* colorMap) {
  IFIRasterImageImp* image = newImage();
  if (image == nullptr) return nullptr;
  RGBQUAD palette[2] = {};
  const bool mask = colorMap == nullptr;
  if (mask) {
    palette[0] = RGBQUAD{255, 255, 255, 0};
    palette[1] = RGBQUAD{0, 0, 0, 0};
  } else {
    for (unsigned char value = 0; value < 2; ++value) palette[value] = quadOf(colorMap, &value);
  }
  if (image->Allocate(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 1, palette) != ZR_OK) {
    image->Release();
    return nullptr;
  }
  str->reset();
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  const size_t stride = (static_cast<size_t>(width) + 31) / 32 * 4;
  uint8_t* bits = image->GetBits();
  std::vector<unsigned char> row(rowBytes);
  // The first image row is the top of the picture: the last stored row.
  for (int y = 0; y < height; ++y) {
    size_t got = 0;
    for (int c; got < rowBytes && (c = str->getChar()) != EOF;) row[got++] = static_cast<unsigned char>(c);
    unsigned char* target = bits + stride * static_cast<size_t>(height - 1 - y);
    for (size_t i = 0; i < got; ++i) target[i] = mask ? row[i] ^ 0xFF : row[i];
    // A stream that ends early leaves the remaining rows as allocated.
    if (got < rowBytes) break;
  }
  str->close();
  image->SetModified(false);
  return image;
}

IRasterImage* ZefImageOutputDev::capturePixels(Stream* str, int width, int height, GfxImageColorMap* colorMap,
                                               uint32_t bitsPerPixel) {
  const int components = colorMap->getNumPixelComps();
  std::vector<RGBQUAD> palette;
  if (bitsPerPixel <= 8) {
    palette.assign(256, RGBQUAD{255, 255, 255, 255});
    std::vector<unsigned char> pixel(static_cast<size_t>(components), 0);
    for (unsigned entry = 0; entry < (1u << bitsPerPixel); ++entry) {
      pixel[0] = static_cast<unsigned char>(entry);
      palette[entry] = quadOf(colorMap, pixel.data());
    }
  }
  IFIRasterImageImp* image = newImage();
  if (image == nullptr) return nullptr;
  if (image->Allocate(static_cast<uint32_t>(width), static_cast<uint32_t>(height), bitsPerPixel,
                      palette.empty() ? nullptr : palette.data()) != ZR_OK) {
    image->Release();
    return nullptr;
  }
  // At 8, 24 and 32 bits the stored row is written directly (what SetPixel
  // would store, without a call per pixel); other depths go through
  // SetPixel. Row y of the PDF image is picture row height - 1 - y.
  FIBITMAP* bitmap = nullptr;
  (void)image->GetBitmap(&bitmap);
  const unsigned stored = FreeImage_GetBPP(bitmap);
  const bool direct = stored == 8 || stored == 24 || stored == 32;
  const unsigned step = stored / 8;
  ImageStream rowsIn(str, width, components, colorMap->getBits());
  rowsIn.reset();
  for (int y = 0; y < height; ++y) {
    // The engine pads a short row and never ends a line by itself: the end
    // of the data is seen before each row, and the rest stays blank.
    const unsigned char* pixel = str->lookChar() == EOF ? nullptr : rowsIn.getLine();
    if (pixel == nullptr) break;
    BYTE* line = FreeImage_GetScanLine(bitmap, height - 1 - y);
    for (int x = 0; x < width; ++x, pixel += components) {
      if (bitsPerPixel <= 8) {
        if (direct) {
          line[x] = pixel[0];
        } else {
          (void)image->SetPixel(x, height - 1 - y, pixel[0]);
        }
        continue;
      }
      const RGBQUAD quad = quadOf(colorMap, pixel);
      if (!direct) {
        const uint32_t value = quad.rgbRed | (uint32_t{quad.rgbGreen} << 8) | (uint32_t{quad.rgbBlue} << 16);
        (void)image->SetPixel(x, height - 1 - y, value);
        continue;
      }
      BYTE* target = line + static_cast<size_t>(x) * step;
      target[FI_RGBA_RED] = quad.rgbRed;
      target[FI_RGBA_GREEN] = quad.rgbGreen;
      target[FI_RGBA_BLUE] = quad.rgbBlue;
      if (step == 4) target[FI_RGBA_ALPHA] = 0;
    }
  }
  rowsIn.close();
  image->SetModified(false);
  return image;
}

PDFII::IPDFCapturedImgList* ZefImageOutputDev::CreateCapturedImgList() {
  for (uint32_t index = 0; index < static_cast<uint32_t>(getImageCount()); ++index) {
    CachedImgDef* record = GetCapturedImage(index);
    if (record == nullptr || record->image == nullptr || record->bitsPerPixel != 4) continue;
    record->bitsPerPixel = 8;
    (void)record->image->ConvertToBPP(8, /*dither=*/false);
  }
  auto* list = new (std::nothrow) PDFII::IPDFCapturedImgListImp();
  if (list == nullptr) return nullptr;
  for (uint32_t index = 0; index < static_cast<uint32_t>(getImageCount()); ++index) {
    CachedImgDef* record = GetCapturedImage(index);
    if (record != nullptr && record->image != nullptr) (void)list->Add(record->image, record->page);
  }
  return list;
}
