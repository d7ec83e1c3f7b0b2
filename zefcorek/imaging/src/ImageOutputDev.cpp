// The image file dumper.
#include "ImageOutputDev.h"

#include "PdfReport.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Handles.h"

#include <GfxState.h>
#include <Stream.h>

#include <cstdio>
#include <vector>

namespace {

// A file of the dumper, written in blocks through the platform file layer.
class DumpFile {
public:
  explicit DumpFile(const std::string& name) {
    const std::u16string wide = platform::ansiToWideLenient(name);
    file_ = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) file_ = nullptr;
  }
  ~DumpFile() {
    flush();
    if (file_ != nullptr) CloseHandle(file_);
  }
  DumpFile(const DumpFile&) = delete;
  DumpFile& operator=(const DumpFile&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  void put(unsigned char byte) {
    buffer_.push_back(byte);
    if (buffer_.size() >= kBlock) flush();
  }
  void put(const std::string& text) {
    for (char c : text) put(static_cast<unsigned char>(c));
  }
  void putZeros(size_t count) {
    for (size_t i = 0; i < count; ++i) put(0);
  }

private:
  static constexpr size_t kBlock = 64 * 1024;

  void flush() {
    if (file_ == nullptr || buffer_.empty()) return;
    DWORD written = 0;
    WriteFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr);
    buffer_.clear();
  }

  HANDLE file_ = nullptr;
  std::vector<unsigned char> buffer_;
};

std::string sizeLine(int width, int height) { return std::to_string(width) + " " + std::to_string(height) + "\n"; }

}  // namespace

ImageOutputDev::ImageOutputDev(const char* fileRoot, bool dumpJPEG)
    : fileRoot_(fileRoot != nullptr ? fileRoot : ""), dumpJPEG_(dumpJPEG) {}

ImageOutputDev::~ImageOutputDev() = default;

const std::string& ImageOutputDev::nextFileName(const char* extension) {
  char number[16];
  std::snprintf(number, sizeof number, "-%03d.", imageNumber_++);
  fileName_ = fileRoot_ + number + extension;
  return fileName_;
}

bool ImageOutputDev::isJpegPassThrough(Stream* str, bool inlineImg) const {
  return dumpJPEG_ && str->getKind() == strDCT && !inlineImg;
}

void ImageOutputDev::drawImageMask(GfxState* /*state*/, Object* /*ref*/, Stream* str, int width, int height,
                                   bool /*invert*/, bool /*interpolate*/, bool inlineImg) {
  if (isJpegPassThrough(str, inlineImg)) {
    writeJpeg(str);
    return;
  }
  writeBitmap(str, width, height, /*invertBits=*/false);
}

void ImageOutputDev::drawImage(GfxState* /*state*/, Object* /*ref*/, Stream* str, int width, int height,
                               GfxImageColorMap* colorMap, bool /*interpolate*/, const int* /*maskColors*/,
                               bool inlineImg) {
  const int components = colorMap->getNumPixelComps();
  if (isJpegPassThrough(str, inlineImg) && (components == 1 || components == 3)) {
    writeJpeg(str);
    return;
  }
  if (components == 1 && colorMap->getBits() == 1) {
    // Samples of 0 are black in the image, 1 bits are black in PBM.
    writeBitmap(str, width, height, /*invertBits=*/true);
    return;
  }
  writePixmap(str, width, height, colorMap);
}

void ImageOutputDev::writeJpeg(Stream* str) {
  DumpFile file(nextFileName("jpg"));
  if (!file.isOpen()) {
    zefcorek::pdfReport("Couldn't open image file '%s'", fileName_.c_str());
    return;
  }
  // The bytes below the DCT filter: the JPEG data as stored.
  Stream* raw = str->getNextStream();
  raw->reset();
  for (int c; (c = raw->getChar()) != EOF;) file.put(static_cast<unsigned char>(c));
  raw->close();
}

void ImageOutputDev::writeBitmap(Stream* str, int width, int height, bool invertBits) {
  DumpFile file(nextFileName("pbm"));
  if (!file.isOpen()) {
    zefcorek::pdfReport("Couldn't open image file '%s'", fileName_.c_str());
    return;
  }
  file.put("P4\n" + sizeLine(width, height));
  str->reset();
  const size_t size = static_cast<size_t>(height) * ((static_cast<size_t>(width) + 7) / 8);
  for (size_t index = 0; index < size; ++index) {
    const int c = str->getChar();
    if (c == EOF) {
      // A stream that ends early: the rest of the bitmap is zero bytes.
      file.putZeros(size - index);
      break;
    }
    file.put(static_cast<unsigned char>(invertBits ? c ^ 0xFF : c));
  }
  str->close();
}

void ImageOutputDev::writePixmap(Stream* str, int width, int height, GfxImageColorMap* colorMap) {
  DumpFile file(nextFileName("ppm"));
  if (!file.isOpen()) {
    zefcorek::pdfReport("Couldn't open image file '%s'", fileName_.c_str());
    return;
  }
  file.put("P6\n" + sizeLine(width, height) + "255\n");
  const int components = colorMap->getNumPixelComps();
  ImageStream image(str, width, components, colorMap->getBits());
  image.reset();
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    // The engine pads a short row with 0xFF bytes and never ends a line
    // early by itself, so the end of the data is seen before each row.
    const unsigned char* pixel = str->lookChar() == EOF ? nullptr : image.getLine();
    if (pixel == nullptr) {
      // A stream that ends early: zero rows, and nothing more is read.
      file.putZeros(rowBytes * static_cast<size_t>(height - y));
      break;
    }
    for (int x = 0; x < width; ++x, pixel += components) {
      GfxRGB rgb;
      colorMap->getRGB(pixel, &rgb);
      for (GfxColorComp c : {rgb.r, rgb.g, rgb.b}) {
        file.put(static_cast<unsigned char>((c * 255 + 0x8000) >> 16));
      }
    }
  }
  image.close();
}
