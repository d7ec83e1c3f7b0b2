// The checks before the image library decodes.
#include "DecodeChecks.h"

#include "zefcorek/ImgIO.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// Random access to the handle's bytes, by position from the start of the
// file as the library addresses them, through one block of memory.
class HandleBytes {
public:
  HandleBytes(FreeImageIO& io, fi_handle handle) : io_(io), handle_(handle) {
    start_ = io_.tell_proc(handle_);
    if (io_.seek_proc(handle_, 0, SEEK_END) == 0) end_ = io_.tell_proc(handle_);
    if (end_ < start_) end_ = start_;
  }
  ~HandleBytes() { io_.seek_proc(handle_, start_, SEEK_SET); }
  HandleBytes(const HandleBytes&) = delete;
  HandleBytes& operator=(const HandleBytes&) = delete;

  long start() const { return start_; }
  long end() const { return end_; }

  // False unless all `count` bytes at `position` lie in the file.
  bool read(long position, void* out, size_t count) {
    if (position < 0 || position > end_ || static_cast<long>(count) > end_ - position) return false;
    auto* bytes = static_cast<uint8_t*>(out);
    while (count > 0) {
      if (position < blockStart_ || position >= blockStart_ + static_cast<long>(block_.size())) {
        if (!fill(position)) return false;
      }
      const size_t offset = static_cast<size_t>(position - blockStart_);
      const size_t taken = std::min(count, block_.size() - offset);
      std::memcpy(bytes, block_.data() + offset, taken);
      bytes += taken;
      position += static_cast<long>(taken);
      count -= taken;
    }
    return true;
  }

private:
  static constexpr long kBlock = 64 * 1024;

  bool fill(long position) {
    const long size = std::min(kBlock, end_ - position);
    block_.resize(static_cast<size_t>(size));
    blockStart_ = position;
    if (io_.seek_proc(handle_, position, SEEK_SET) != 0 ||
        io_.read_proc(block_.data(), 1, static_cast<unsigned>(size), handle_) != static_cast<unsigned>(size)) {
      block_.clear();
      return false;
    }
    return true;
  }

  FreeImageIO& io_;
  fi_handle handle_;
  long start_ = 0;
  long end_ = 0;
  std::vector<uint8_t> block_;
  long blockStart_ = 0;
};

uint16_t little16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }
uint32_t little32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

// The Targa header, as the library reads it.
struct TargaHeader {
  uint8_t idLength, colorMapType, imageType;
  uint16_t colorMapLength;
  uint8_t colorMapBits;
  uint16_t width, height;
  uint8_t pixelBits;
};
constexpr long kTargaHeaderSize = 18;
constexpr long kTargaFooterSize = 26;
constexpr long kTargaExtensionSize = 495;
constexpr long kTargaStampOffsetInExtension = 486;
constexpr char kTargaSignature[18] = "TRUEVISION-XFILE.";

// A version-2 footer is only trusted where its extension area and postage
// stamp lie wholly in the file, the stamp's rows in the bytes before the footer.
bool targaFooterIsSound(HandleBytes& bytes, uint8_t pixelBits) {
  const long eof = bytes.end();
  // The library looks for the footer at start + end, as it counts.
  const long signatureAt = bytes.start() + eof - static_cast<long>(sizeof kTargaSignature);
  char signature[sizeof kTargaSignature] = {};
  if (signatureAt <= 0 || !bytes.read(signatureAt, signature, sizeof signature) ||
      std::memcmp(signature, kTargaSignature, sizeof signature) != 0) {
    return true;  // no footer: not read
  }
  const long footerAt = bytes.start() + eof - kTargaFooterSize;
  uint8_t footer[4];
  if (!bytes.read(footerAt, footer, sizeof footer)) return false;
  const uint32_t extensionAt = little32(footer);
  if (extensionAt == 0) return true;
  uint8_t stampField[4];
  if (static_cast<long>(extensionAt) > eof - kTargaExtensionSize ||
      !bytes.read(static_cast<long>(extensionAt) + kTargaStampOffsetInExtension, stampField, sizeof stampField)) {
    return false;
  }
  const uint32_t stampAt = little32(stampField);
  if (stampAt == 0 || stampAt >= static_cast<uint32_t>(footerAt)) return true;  // no stamp
  uint8_t stampSize[2];
  if (!bytes.read(static_cast<long>(stampAt), stampSize, sizeof stampSize)) return false;
  const uint64_t rowBytes = uint64_t{pixelBits} * stampSize[0] / 8;
  return uint64_t{stampSize[1]} * rowBytes + 2 <= static_cast<uint64_t>(footerAt) - stampAt;
}

// Run-length data is trusted when the library's read cache holds at least a
// pixel and the packets, each wholly in the file, fill the image exactly.
bool targaRunsAreSound(HandleBytes& bytes, const TargaHeader& header) {
  const bool runLength = header.imageType == 9 || header.imageType == 10 || header.imageType == 11;
  if (!runLength) return true;
  long pixelsAt = 0;
  long pixelBytes = 0;
  switch (header.pixelBits) {
    case 8:
      pixelBytes = 1;
      pixelsAt = bytes.start() + kTargaHeaderSize + header.idLength +
                 (header.colorMapType > 0 ? long{header.colorMapLength} * header.colorMapBits / 8 : 0);
      break;
    case 15:
    case 16:
      pixelBytes = 2;
      // This depth is sought from the start of the file.
      pixelsAt = kTargaHeaderSize + header.idLength +
                 (header.colorMapType != 0 ? long{(header.colorMapBits + 7) / 8} * header.colorMapLength : 0);
      break;
    case 24:
    case 32:
      pixelBytes = header.pixelBits / 8;
      pixelsAt = bytes.start() + kTargaHeaderSize + header.idLength;
      break;
    default: return true;  // not decoded
  }
  if (header.height == 0 || pixelsAt > bytes.end() || (bytes.end() - pixelsAt) / header.height < pixelBytes) {
    return false;
  }
  const uint64_t pixels = uint64_t{header.width} * header.height;
  uint64_t filled = 0;
  long at = pixelsAt;
  while (filled < pixels) {
    uint8_t packet = 0;
    if (!bytes.read(at, &packet, 1)) return false;
    ++at;
    const unsigned count = (packet & 0x7Fu) + 1;
    if (filled + count > pixels) return false;
    const long dataBytes = (packet & 0x80) != 0 ? pixelBytes : pixelBytes * count;
    if (dataBytes > bytes.end() - at) return false;
    at += dataBytes;
    filled += count;
  }
  return true;
}

bool targaIsSound(HandleBytes& bytes) {
  uint8_t raw[kTargaHeaderSize];
  if (!bytes.read(bytes.start(), raw, sizeof raw)) return false;
  const TargaHeader header{raw[0], raw[1], raw[2], little16(raw + 5), raw[7], little16(raw + 12), little16(raw + 14),
                           raw[16]};
  return targaFooterIsSound(bytes, header.pixelBits) && targaRunsAreSound(bytes, header);
}

uint16_t big16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }

struct PixelSize {
  uint64_t width = 0, height = 0;
};

// The first frame of a GIF as the library's loader takes it: the logical
// screen, then the blocks up to the first image descriptor.
std::optional<PixelSize> gifFrameSize(HandleBytes& bytes) {
  uint8_t screen[13];
  long at = bytes.start();
  if (!bytes.read(at, screen, sizeof screen)) return std::nullopt;
  at += sizeof screen;
  const PixelSize screenSize{little16(screen + 6), little16(screen + 8)};
  if ((screen[10] & 0x80) != 0) at += 3L << ((screen[10] & 0x07) + 1);  // the global colour table
  for (;;) {
    uint8_t introducer = 0;
    if (!bytes.read(at++, &introducer, 1)) return std::nullopt;
    if (introducer == 0x2C) {
      uint8_t descriptor[8];
      if (!bytes.read(at, descriptor, sizeof descriptor)) return std::nullopt;
      const PixelSize frame{little16(descriptor + 4), little16(descriptor + 6)};
      // Both bound what a load may allocate.
      return frame.width * frame.height > screenSize.width * screenSize.height ? frame : screenSize;
    }
    if (introducer != 0x21) return std::nullopt;  // no image before the trailer, or not GIF data
    ++at;                                         // the extension's label
    for (uint8_t length = 1; length != 0; at += length) {
      if (!bytes.read(at++, &length, 1)) return std::nullopt;
    }
  }
}

// The size of an image in a format that the library sizes only by decoding
// it, read from the header where the format puts it; nothing for the
// formats not read here, and for a header that cannot be read.
std::optional<PixelSize> decodedOnlySize(FREE_IMAGE_FORMAT format, HandleBytes& bytes) {
  uint8_t header[20];
  switch (format) {
    case FIF_GIF: return gifFrameSize(bytes);
    case FIF_DDS:  // "DDS ", the header's size and flags, then height and width
      if (!bytes.read(bytes.start(), header, 20)) return std::nullopt;
      return PixelSize{little32(header + 16), little32(header + 12)};
    case FIF_SGI:  // magic, storage, bytes per channel and dimensions, then x and y
      if (!bytes.read(bytes.start(), header, 10)) return std::nullopt;
      return PixelSize{big16(header + 6), big16(header + 8)};
    case FIF_KOALA: return PixelSize{320, 200};  // the format's one size
    default: return std::nullopt;
  }
}

// The image's size from its header alone: the library's header-only load
// where it has one, else the header as read above. A format sized neither
// way is not decoded: its loader could take any memory.
bool withinPixelLimit(FREE_IMAGE_FORMAT format, FreeImageIO& io, fi_handle handle) {
  if (!FreeImage_FIFSupportsNoPixels(format)) {
    HandleBytes bytes(io, handle);
    const std::optional<PixelSize> size = decodedOnlySize(format, bytes);
    return size && size->width * size->height <= kMaxImagePixels;
  }
  const long start = io.tell_proc(handle);
  FIBITMAP* header = FreeImage_LoadFromHandle(format, &io, handle, FIF_LOAD_NOPIXELS);
  io.seek_proc(handle, start, SEEK_SET);
  if (header == nullptr) return false;
  const uint64_t pixels = uint64_t{FreeImage_GetWidth(header)} * FreeImage_GetHeight(header);
  FreeImage_Unload(header);
  return pixels <= kMaxImagePixels;
}

}  // namespace

bool zefcorek::imagelib::mayDecode(FREE_IMAGE_FORMAT format, FreeImageIO& io, fi_handle handle) {
  if (format == FIF_TARGA) {
    HandleBytes bytes(io, handle);
    if (!targaIsSound(bytes)) return false;
  }
  return withinPixelLimit(format, io, handle);
}
