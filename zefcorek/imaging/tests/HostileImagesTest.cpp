#include "BoundedRun.h"
#include "FIImgIOExpertImp.h"
#include "ImgFormatRows.h"
#include "RasterImageImp.h"
#include "ScratchFolder.h"

#include "zefcorek/ImgIO.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::expectBoundedRun;
using zefcorek::testing::ScratchFolder;

std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (size_t at = 0; at + 1 < hex.size(); at += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16)));
  return bytes;
}

void put16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void put32(std::string& bytes, size_t at, uint32_t value) {
  put16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
  put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

// A Targa header (18 bytes) without id text or colour map.
std::string targaHeader(uint8_t imageType, uint16_t width, uint16_t height, uint8_t pixelBits) {
  std::string header(18, '\0');
  header[2] = static_cast<char>(imageType);
  put16(header, 12, width);
  put16(header, 14, height);
  header[16] = static_cast<char>(pixelBits);
  return header;
}

// A 6 x 4 run-length Targa at 24 bits: one run per row, of `runs[row]`
// pixels of one colour each.
std::string runLengthTarga(const std::vector<int>& runs) {
  std::string file = targaHeader(10, 6, 4, 24);
  for (size_t row = 0; row < runs.size(); ++row) {
    file.push_back(static_cast<char>(0x80 | (runs[row] - 1)));
    file += std::string{static_cast<char>(10 * row), static_cast<char>(20 * row), static_cast<char>(30 * row)};
  }
  return file;
}

// A version-2 Targa of 2 x 2 pixels whose postage stamp says it is
// `side` x `side` pixels and holds `stampBytes` bytes of them.
std::string stampedTarga(uint8_t side, size_t stampBytes) {
  std::string file = targaHeader(2, 2, 2, 24) + std::string(12, '\0');
  const size_t stampAt = file.size();
  file += std::string{static_cast<char>(side), static_cast<char>(side)} + std::string(stampBytes, '\0');
  const size_t extensionAt = file.size();
  std::string extension(495, '\0');
  put16(extension, 0, 495);
  put32(extension, 486, static_cast<uint32_t>(stampAt));
  std::string footer(8, '\0');
  put32(footer, 0, static_cast<uint32_t>(extensionAt));
  return file + extension + footer + std::string("TRUEVISION-XFILE.\0", 18);
}

class HostileImagesTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(zefcorek::addLibraryFormats(expert_), ZR_OK);
    ASSERT_EQ(expert_->CreateLoader(&loader_), ZR_OK);
  }
  void TearDown() override {
    loader_->Release();
    expert_->Release();
  }

  // The information, the plain load and the box-fitted load of a file all
  // fail with ZR_FAILED.
  bool allRefused(const std::u16string& path) {
    ImgFileInfo info{};
    info.cbSize = sizeof info;
    IRasterImage* image = nullptr;
    const bool refused = expert_->GetImageInfo(path.c_str(), &info) == ZR_FAILED &&
                         loader_->LoadFromFile(path.c_str(), &image) == ZR_FAILED && image == nullptr &&
                         expert_->LoadImage(path.c_str(), 64, 64, 0, &image) == ZR_FAILED && image == nullptr;
    return refused;
  }

  ScratchFolder folder_;
  IFIImgIOExpertImp* expert_ = new IFIImgIOExpertImp();
  IImgLoader* loader_ = nullptr;
};

TEST_F(HostileImagesTest, TargaDataTheLibraryMishandlesIsRefused) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      // Pixel data past the end of the file (a colour map of 0xDA3A entries).
      {"freed bitmap", fromHex("02010afa3adab010f1f0d72c01000a00103adf9a5ad7")},
      // Fewer bytes after the header than rows.
      {"empty read cache", fromHex("00010b0000020010e35872830900060008538654641f")},
      // Runs past the last pixel, into the padding of the rows.
      {"packet past the end",
       fromHex("0100090100070018223a01c306000b000842f54a8147b624838649b98b2192060bc19e9959dc907c16913f828f3ea0d7ce95"
               "224fddd873605fbc19ea")},
      {"last run too long", runLengthTarga({6, 6, 6, 7})},
      {"runs end early", runLengthTarga({6, 6, 6})},
      {"header cut short", targaHeader(2, 6, 4, 24).substr(0, 17)},
      {"postage stamp larger than its bytes", stampedTarga(255, 4)},
  };
  for (const auto& row : cases) {
    EXPECT_TRUE(allRefused(folder_.write("hostile.tga", row.bytes))) << row.what;
  }

  // Sound run-length data still loads, pixel for pixel.
  IRasterImage* image = nullptr;
  ASSERT_EQ(loader_->LoadFromFile(folder_.write("runs.tga", runLengthTarga({6, 6, 6, 6})).c_str(), &image), ZR_OK);
  uint8_t rgb[3] = {};
  ASSERT_EQ(image->GetPixelRGB(5, 3, rgb), ZR_OK);
  EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{90, 60, 30})) << "the last run, at the top";
  image->Release();
  // And so does a version-2 file whose postage stamp fits its bytes.
  ASSERT_EQ(loader_->LoadFromFile(folder_.write("stamped.tga", stampedTarga(1, 3)).c_str(), &image), ZR_OK);
  image->Release();
}

TEST_F(HostileImagesTest, OversizedImagesAreRefusedBeforeDecoding) {
  // Headers of 30000 x 30000 pixels with a few bytes of data: gigabytes, if
  // they were decoded.
  std::string bitmap = "BM" + std::string(52, '\0') + "\0\0\0";
  bitmap[2] = 57;
  bitmap[10] = 54;
  bitmap[14] = 40;
  put16(bitmap, 18, 30000);
  put16(bitmap, 22, 30000);
  bitmap[26] = 1;
  bitmap[28] = 32;
  const std::string targa = targaHeader(2, 30000, 30000, 32) + "\0\0\0\0";

  // A JPEG whose frame header says 30000 x 30000.
  auto* picture = new IFIRasterImageImp(expert_, nullptr);
  ASSERT_EQ(picture->Allocate(6, 4, 24, nullptr), ZR_OK);
  IImgSaver* saver = nullptr;
  ASSERT_EQ(expert_->CreateSaver(&saver), ZR_OK);
  ASSERT_EQ(saver->SaveToFile(0, folder_.name("small.jpg").c_str(), picture), ZR_OK);
  saver->Release();
  picture->Release();
  std::string jpeg = folder_.read("small.jpg");
  const size_t frame = jpeg.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  jpeg[frame + 5] = jpeg[frame + 7] = static_cast<char>(30000 >> 8);
  jpeg[frame + 6] = jpeg[frame + 8] = static_cast<char>(30000 & 0xFF);

  const std::u16string bitmapPath = folder_.write("huge.bmp", bitmap);
  const std::u16string targaPath = folder_.write("huge.tga", targa);
  const std::u16string jpegPath = folder_.write("huge.jpg", jpeg);
  const std::u16string smallPath = folder_.name("small.jpg");
  expectBoundedRun(512, [&] {
    IRasterImage* image = nullptr;
    // A small image scaled to a box beyond the limit is refused as well.
    return allRefused(bitmapPath) && allRefused(targaPath) && allRefused(jpegPath) &&
           expert_->LoadImage(smallPath.c_str(), 30000, 30000, 0, &image) == ZR_FAILED && image == nullptr;
  });
}

// The image library reads some formats' sizes only by decoding them: their
// headers are read here instead, and a format whose size cannot be told
// that way is not decoded. The content decides the format, so each file
// goes by a name of another one.
TEST_F(HostileImagesTest, OversizedImagesOfFormatsWithoutHeaderLoadsAreRefused) {
  // GIF: screen and first frame of 30000 x 30000, one byte of pixel data.
  std::string gif = "GIF89a" + std::string(7, '\0') + "\x2C" + std::string(9, '\0') + fromHex("0202440100") + ";";
  put16(gif, 6, 30000);
  put16(gif, 8, 30000);
  put16(gif, 18, 30000);
  put16(gif, 20, 30000);
  // DDS: a 30000 x 30000 surface of 32-bit pixels, 16 bytes of them.
  std::string dds = "DDS " + std::string(124, '\0') + std::string(16, '\0');
  put32(dds, 4, 124);
  put32(dds, 8, 0x1007);
  put32(dds, 12, 30000);
  put32(dds, 16, 30000);
  put32(dds, 76, 32);
  put32(dds, 80, 0x41);
  put32(dds, 88, 32);
  put32(dds, 92, 0xFF0000);
  put32(dds, 96, 0xFF00);
  put32(dds, 100, 0xFF);
  put32(dds, 104, 0xFF000000);
  // SGI: 30000 x 30000 in one channel, big-endian numbers.
  std::string sgi = fromHex("01da000100027530753000010000") + std::string(512 - 14, '\0') + std::string(16, '\0');
  // XBM: a text header whose size the library finds only while decoding.
  const std::string xbm = "#define x_width 8\n#define x_height 1\nstatic char x_bits[] = {\n0x00,\n};\n";

  const std::u16string gifPath = folder_.write("gif.bmp", gif);
  const std::u16string ddsPath = folder_.write("dds.png", dds);
  const std::u16string sgiPath = folder_.write("sgi.tif", sgi);
  const std::u16string xbmPath = folder_.write("xbm.tga", xbm);
  expectBoundedRun(
      512, [&] { return allRefused(gifPath) && allRefused(ddsPath) && allRefused(sgiPath) && allRefused(xbmPath); });

  // A GIF of one pixel, by any name, still loads.
  IRasterImage* image = nullptr;
  const std::string onePixel = fromHex("47494638396101000100800000000000ffffff2c00000000010001000002024401003b");
  ASSERT_EQ(loader_->LoadFromFile(folder_.write("one.jpg", onePixel).c_str(), &image), ZR_OK);
  uint32_t width = 0, height = 0;
  EXPECT_EQ(image->GetSize(&width, &height), ZR_OK);
  EXPECT_EQ(width * height, 1u);
  image->Release();
}

}  // namespace
