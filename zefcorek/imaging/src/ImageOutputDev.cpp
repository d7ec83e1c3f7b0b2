// The image file dumper.
#include "ImageOutputDev.h"

#include "PdfReport.h"
#include "zefcorek/ImgIO.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Handles.h"

#include <GfxState.h>
#include <Stream.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdio>
#include <new>
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
  void put(const unsigned char* bytes, size_t count) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    if (buffer_.size() >= kBlock) flush();
  }
  void put(const std::string& text) { put(reinterpret_cast<const unsigned char*>(text.data()), text.size()); }
  // In blocks: the count may be far more than the memory one should take.
  void putZeros(size_t count) {
    while (count > 0) {
      const size_t taken = std::min(count, kBlock);
      buffer_.resize(buffer_.size() + taken, 0);
      if (buffer_.size() >= kBlock) flush();
      count -= taken;
    }
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

// The colours of an image's pixels as RGB bytes. The colour of a pixel
// depends on its component bytes alone, so each value of a one-component
// pixel (at most 256) is converted once, and a pixel equal to the one
// before takes that one's colour; every other pixel asks the colour map.
class PixelColors {
public:
  explicit PixelColors(GfxImageColorMap* colorMap)
      : colorMap_(colorMap), components_(static_cast<size_t>(colorMap->getNumPixelComps())) {}

  // Writes the three bytes of each of `width` pixels of `line` to `out`.
  void convertLine(const unsigned char* line, int width, unsigned char* out) {
    for (int x = 0; x < width; ++x, line += components_, out += 3) {
      const unsigned char* rgb = components_ == 1 ? singleComponent(line[0]) : severalComponents(line);
      out[0] = rgb[0];
      out[1] = rgb[1];
      out[2] = rgb[2];
    }
  }

private:
  const unsigned char* singleComponent(unsigned char value) {
    std::array<unsigned char, 3>& rgb = byValue_[value];
    if (!known_.test(value)) {
      convert(&value, rgb);
      known_.set(value);
    }
    return rgb.data();
  }

  const unsigned char* severalComponents(const unsigned char* pixel) {
    if (!hasLast_ || !std::equal(pixel, pixel + components_, lastPixel_.begin())) {
      lastPixel_.assign(pixel, pixel + components_);
      convert(pixel, lastColor_);
      hasLast_ = true;
    }
    return lastColor_.data();
  }

  void convert(const unsigned char* pixel, std::array<unsigned char, 3>& rgb) const {
    GfxRGB color;
    colorMap_->getRGB(pixel, &color);
    rgb = {toByte(color.r), toByte(color.g), toByte(color.b)};
  }

  static unsigned char toByte(GfxColorComp component) {
    return static_cast<unsigned char>((component * 255 + 0x8000) >> 16);
  }

  GfxImageColorMap* colorMap_;
  size_t components_;
  std::array<std::array<unsigned char, 3>, 256> byValue_{};
  std::bitset<256> known_;
  std::vector<unsigned char> lastPixel_;
  std::array<unsigned char, 3> lastColor_{};
  bool hasLast_ = false;
};

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

bool ImageOutputDev::withinPixelLimit(int width, int height) {
  // No pixels at all take no memory either.
  return width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) <= kMaxImagePixels;
}

void ImageOutputDev::drawImageMask(GfxState* /*state*/, Object* /*ref*/, Stream* str, int width, int height,
                                   bool /*invert*/, bool /*interpolate*/, bool inlineImg) {
  try {
    if (isJpegPassThrough(str, inlineImg)) {
      writeJpeg(str);
      return;
    }
    writeBitmap(str, width, height, /*invertBits=*/false);
  } catch (const std::bad_alloc&) {
    partial_ = true;
  }
}

void ImageOutputDev::drawImage(GfxState* /*state*/, Object* /*ref*/, Stream* str, int width, int height,
                               GfxImageColorMap* colorMap, bool /*interpolate*/, const int* /*maskColors*/,
                               bool inlineImg) {
  try {
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
  } catch (const std::bad_alloc&) {
    partial_ = true;
  }
}

bool ImageOutputDev::skipsOversized(int width, int height) {
  if (withinPixelLimit(width, height)) return false;
  zefcorek::pdfReport("Image file '%s' left out: %d x %d pixels is too large", fileName_.c_str(), width, height);
  partial_ = true;
  return true;
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
  unsigned char block[4096];
  for (int count; (count = raw->doGetChars(sizeof block, block)) > 0;) file.put(block, static_cast<size_t>(count));
  raw->close();
}

void ImageOutputDev::writeBitmap(Stream* str, int width, int height, bool invertBits) {
  nextFileName("pbm");
  if (skipsOversized(width, height)) return;
  DumpFile file(fileName_);
  if (!file.isOpen()) {
    zefcorek::pdfReport("Couldn't open image file '%s'", fileName_.c_str());
    return;
  }
  file.put("P4\n" + sizeLine(width, height));
  str->reset();
  const size_t size = static_cast<size_t>(height) * ((static_cast<size_t>(width) + 7) / 8);
  unsigned char block[4096];
  for (size_t index = 0; index < size;) {
    const int count = str->doGetChars(static_cast<int>(std::min(size - index, sizeof block)), block);
    if (count <= 0) {
      // A stream that ends early: the rest of the bitmap is zero bytes.
      file.putZeros(size - index);
      break;
    }
    if (invertBits) {
      for (int i = 0; i < count; ++i) block[i] ^= 0xFF;
    }
    file.put(block, static_cast<size_t>(count));
    index += static_cast<size_t>(count);
  }
  str->close();
}

void ImageOutputDev::writePixmap(Stream* str, int width, int height, GfxImageColorMap* colorMap) {
  nextFileName("ppm");
  if (skipsOversized(width, height)) return;
  DumpFile file(fileName_);
  if (!file.isOpen()) {
    zefcorek::pdfReport("Couldn't open image file '%s'", fileName_.c_str());
    return;
  }
  file.put("P6\n" + sizeLine(width, height) + "255\n");
  const int components = colorMap->getNumPixelComps();
  ImageStream image(str, width, components, colorMap->getBits());
  image.reset();
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  PixelColors colors(colorMap);
  std::vector<unsigned char> row(rowBytes);
  for (int y = 0; y < height; ++y) {
    // The engine pads a short row with 0xFF bytes and never ends a line
    // early by itself, so the end of the data is seen before each row.
    const unsigned char* pixel = str->lookChar() == EOF ? nullptr : image.getLine();
    if (pixel == nullptr) {
      // A stream that ends early: zero rows, and nothing more is read.
      file.putZeros(rowBytes * static_cast<size_t>(height - y));
      break;
    }
    colors.convertLine(pixel, width, row.data());
    file.put(row.data(), rowBytes);
  }
  image.close();
}
