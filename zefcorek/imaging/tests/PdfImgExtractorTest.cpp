#include "BoundedRun.h"
#include "ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/PdfCapture.h"
#include "zefcorek/ZefCoreK.h"

#include "fixtures/PdfWriter.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::expectBoundedRun;
using zefcorek::testing::ScratchFolder;

class PdfImgExtractorTest : public testing::Test {
protected:
  void SetUp() override {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IPDFImgExtractorImp, &made, 0), S_OK);
    extractor_ = static_cast<PDFII::IPDFImgExtractor*>(made);
  }
  void TearDown() override { extractor_->Release(); }

  std::string ansiName(const std::string& name) { return platform::wideToAnsiLenient(folder_.name(name)); }
  // A file of `pages` pages with one small grey image each.
  std::string writePages(const std::string& name, size_t pages) {
    const fixtures::PdfImage image{"/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x10\x20"};
    folder_.write(name, fixtures::makeImagePdf(std::vector<std::vector<fixtures::PdfImage>>(pages, {image})));
    return ansiName(name);
  }
  HRESULT open(const std::string& path, uint32_t& code, const char* user = "") {
    PDFII::PDFOpenPasswords passwords{};
    std::snprintf(passwords.userPassword, sizeof passwords.userPassword, "%s", user);
    return extractor_->Open(path.c_str(), &passwords, &code);
  }

  ScratchFolder folder_;
  PDFII::IPDFImgExtractor* extractor_ = nullptr;
};

TEST_F(PdfImgExtractorTest, OpenReportsWhyItFailed) {
  uint32_t code = 99;
  PDFII::PDFOpenPasswords passwords{};
  EXPECT_EQ(extractor_->Open("", &passwords, &code), E_INVALIDARG);
  EXPECT_EQ(extractor_->Open("x.pdf", nullptr, &code), E_INVALIDARG);
  EXPECT_EQ(open(ansiName("missing.pdf"), code), E_FAIL);
  EXPECT_EQ(code, 1u);

  const std::string plain = writePages("plain.pdf", 3);
  ASSERT_EQ(std::system(("qpdf --encrypt secret owner 256 -- '" + folder_.native("plain.pdf") + "' '" +
                         folder_.native("locked.pdf") + "'")
                            .c_str()),
            0);
  EXPECT_EQ(open(ansiName("locked.pdf"), code, "wrong"), E_FAIL);
  EXPECT_EQ(code, 4u);
  EXPECT_FALSE(extractor_->IsOpen());
  EXPECT_EQ(open(ansiName("locked.pdf"), code, "secret"), S_OK);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(extractor_->GetPageCount(), 3u);

  // A failed open closes what was open.
  EXPECT_EQ(open(ansiName("missing.pdf"), code), E_FAIL);
  EXPECT_FALSE(extractor_->IsOpen());
  EXPECT_EQ(extractor_->GetPageCount(), 0u);
  EXPECT_TRUE(extractor_->Close());

  void* out = &code;
  EXPECT_EQ(extractor_->QueryInterface(IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, &code);
}

TEST_F(PdfImgExtractorTest, FolderExtractionResolvesThePageRange) {
  uint32_t code = 0, count = 99;
  EXPECT_EQ(extractor_->ExtractImagesToFolder(0, 0, "x", "y", &count), E_FAIL) << "closed";
  ASSERT_EQ(open(writePages("three.pdf", 3), code), S_OK);
  const std::string folder = platform::wideToAnsiLenient(folder_.name(""));
  const struct { uint32_t first, last, images; } cases[] = {{0, 0, 3}, {1, 1000, 3}, {2, 2, 1}, {3, 2, 0}};
  for (const auto& row : cases) {
    EXPECT_EQ(extractor_->ExtractImagesToFolder(row.first, row.last, folder.c_str(), "doc", &count), S_OK);
    EXPECT_EQ(count, row.images) << row.first << ".." << row.last;
  }
  EXPECT_TRUE(folder_.exists("doc-000.ppm"));
  EXPECT_EQ(extractor_->ExtractImagesToFolder(0, 0, folder.c_str(), "", &count), E_INVALIDARG);
  EXPECT_EQ(extractor_->ExtractImagesToFolder(0, 0, folder.c_str(), "doc", nullptr), E_INVALIDARG);
  const std::string tooLong(300, 'r');
  EXPECT_EQ(extractor_->ExtractImagesToFolder(0, 0, folder.c_str(), tooLong.c_str(), &count), E_INVALIDARG);
}

TEST_F(PdfImgExtractorTest, ListExtractionStopsWhereTheCallbackSays) {
  uint32_t code = 0;
  ASSERT_EQ(open(writePages("five.pdf", 5), code), S_OK);
  PDFII::PDFImgExtractOptions options{0,       0,      PDFII::PDFII_CAPTURE_DECODED,
                                      0,       0,      [](void*, uint32_t page, uint32_t) { return page != 2; },
                                      nullptr, nullptr};
  EXPECT_EQ(extractor_->ExtractImagesToList(nullptr), E_INVALIDARG);
  ASSERT_EQ(extractor_->ExtractImagesToList(&options), S_OK);
  EXPECT_EQ(options.firstPage, 1u) << "the range is written back";
  EXPECT_EQ(options.lastPage, 5u);
  ASSERT_NE(options.result, nullptr);
  ASSERT_EQ(options.result->GetCount(), 2u);
  EXPECT_EQ(options.result->GetPage(1), 2u);
  options.result->Release();

  // The next extraction starts afresh.
  options.progress = nullptr;
  ASSERT_EQ(extractor_->ExtractImagesToList(&options), S_OK);
  EXPECT_EQ(options.result->GetCount(), 5u);
  options.result->Release();

  options.firstPage = 4;
  options.lastPage = 3;
  ASSERT_EQ(extractor_->ExtractImagesToList(&options), S_OK);
  EXPECT_EQ(options.result->GetCount(), 0u);
  options.result->Release();
}

TEST_F(PdfImgExtractorTest, ImagesBeyondTheSizeLimitAreLeftOutAndSaidSo) {
  // A small file declaring one image of 40000 x 40000 RGB samples (gigabytes
  // of pixels) between two small ones.
  const fixtures::PdfImage small{"/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x10\x20"};
  const fixtures::PdfImage huge{"/Width 40000 /Height 40000 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                                std::string(64, 'x')};
  // And a JPEG whose dictionary says 8 x 6 but whose own frame says 30000 x 30000.
  std::string jpeg = fixtures::encodeJpeg(8, 6, 3, std::vector<uint8_t>(8 * 6 * 3, 0x80));
  const size_t frame = jpeg.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  jpeg[frame + 5] = jpeg[frame + 7] = static_cast<char>(30000 >> 8);
  jpeg[frame + 6] = jpeg[frame + 8] = static_cast<char>(30000 & 0xFF);
  const fixtures::PdfImage lying{"/Width 8 /Height 6 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                                 jpeg};
  folder_.write("huge.pdf", fixtures::makeImagePdf({{small, huge, small, lying}}));
  const std::string path = ansiName("huge.pdf");
  const std::string folder = platform::wideToAnsiLenient(folder_.name(""));
  expectBoundedRun(512, [&] {
    uint32_t code = 0;
    bool held = open(path, code) == S_OK;
    PDFII::PDFImgExtractOptions options{
        0, 0, PDFII::PDFII_CAPTURE_JPEG | PDFII::PDFII_CAPTURE_DECODED, 0, 0, nullptr, nullptr, nullptr};
    // Done, but not every image is in the list.
    const HRESULT listed = extractor_->ExtractImagesToList(&options);
    held = held && listed == S_FALSE && options.result != nullptr && options.result->GetCount() == 2;
    if (options.result != nullptr) options.result->Release();
    uint32_t count = 0;
    const HRESULT written = extractor_->ExtractImagesToFolder(0, 0, folder.c_str(), "huge", &count);
    held = held && written == S_FALSE && count == 4 && folder_.exists("huge-000.ppm") &&
           !folder_.exists("huge-001.ppm") && folder_.exists("huge-002.ppm") && folder_.exists("huge-003.jpg");
    std::fprintf(stderr, "list %#x, folder %#x, %u files\n", static_cast<unsigned>(listed),
                 static_cast<unsigned>(written), count);
    return held;
  });
}

TEST_F(PdfImgExtractorTest, AnImageWhoseMemoryCannotBeHadIsLeftOutAndSaidSo) {
#ifndef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the allocation limit is the address sanitizer's";
#endif
  // 10000 x 10000 RGB is within the size limit, but the child may allocate
  // no block above 128 MB: the pixels of that image cannot be had.
  const fixtures::PdfImage small{"/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x10\x20"};
  const fixtures::PdfImage large{"/Width 10000 /Height 10000 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                                 std::string(64, 'x')};
  folder_.write("large.pdf", fixtures::makeImagePdf({{small, large, small}}));
  const std::string path = ansiName("large.pdf");
  expectBoundedRun(
      512,
      [&] {
        uint32_t code = 0;
        PDFII::PDFImgExtractOptions options{0, 0, PDFII::PDFII_CAPTURE_DECODED, 0, 0, nullptr, nullptr, nullptr};
        const bool opened = open(path, code) == S_OK;
        const HRESULT listed = extractor_->ExtractImagesToList(&options);
        const bool held = opened && listed == S_FALSE && options.result != nullptr && options.result->GetCount() == 2;
        if (options.result != nullptr) options.result->Release();
        std::fprintf(stderr, "list %#x\n", static_cast<unsigned>(listed));
        return held;
      },
      "allocator_may_return_null=1:max_allocation_size_mb=128");
}

TEST_F(PdfImgExtractorTest, ShortImageDataIsPaddedInBoundedMemory) {
  // 9000 x 9000 RGB samples of which the stream holds a few: the pixmap file
  // gets 243 MB of zero bytes, written without holding them all at once.
  const fixtures::PdfImage shortData{"/Width 9000 /Height 9000 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                                     std::string(30, 'x')};
  folder_.write("short.pdf", fixtures::makeImagePdf({{shortData}}));
  const std::string path = ansiName("short.pdf");
  const std::string folder = platform::wideToAnsiLenient(folder_.name(""));
  expectBoundedRun(256, [&] {
    uint32_t code = 0, count = 0;
    const bool held = open(path, code) == S_OK &&
                      extractor_->ExtractImagesToFolder(0, 0, folder.c_str(), "short", &count) == S_OK && count == 1;
    std::error_code ignored;
    const uintmax_t size = std::filesystem::file_size(folder_.native("short-000.ppm"), ignored);
    std::filesystem::remove(folder_.native("short-000.ppm"), ignored);
    return held && size == 17 + 9000ull * 9000 * 3;
  });
}

TEST_F(PdfImgExtractorTest, ListAgreesWithPdfImages) {
  const std::string jpeg = fixtures::encodeJpeg(8, 6, 3, std::vector<uint8_t>(8 * 6 * 3, 0x80));
  const std::vector<std::vector<fixtures::PdfImage>> pages = {
      {{"/Width 5 /Height 3 /ColorSpace /DeviceRGB /BitsPerComponent 8", std::string(45, 'x')},
       {"/Width 8 /Height 6 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode", jpeg}},
      {},
      {{"/Width 16 /Height 2 /ImageMask true /BitsPerComponent 1", std::string(4, '\x0F')},
       {"/Width 3 /Height 7 /ColorSpace /DeviceGray /BitsPerComponent 8", std::string(21, 'y'), true}},
  };
  folder_.write("oracle.pdf", fixtures::makeImagePdf(pages));
  uint32_t code = 0;
  ASSERT_EQ(open(ansiName("oracle.pdf"), code), S_OK);
  PDFII::PDFImgExtractOptions options{
      0, 0, PDFII::PDFII_CAPTURE_JPEG | PDFII::PDFII_CAPTURE_DECODED, 0, 0, nullptr, nullptr, nullptr};
  ASSERT_EQ(extractor_->ExtractImagesToList(&options), S_OK);

  // pdfimages -list: two header lines, then "page num type width height ...".
  const std::string listing = folder_.native("listing.txt");
  ASSERT_EQ(std::system(("pdfimages -list '" + folder_.native("oracle.pdf") + "' > '" + listing + "'").c_str()), 0);
  std::ifstream in(listing);
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  uint32_t index = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    uint32_t page = 0, number = 0, width = 0, height = 0;
    std::string type;
    fields >> page >> number >> type >> width >> height;
    ASSERT_LT(index, options.result->GetCount()) << line;
    EXPECT_EQ(options.result->GetPage(index), page) << line;
    IRasterImage* image = options.result->GetImage(index);
    uint32_t ourWidth = 0, ourHeight = 0;
    EXPECT_EQ(image->GetSize(&ourWidth, &ourHeight), ZR_OK);
    EXPECT_EQ(ourWidth, width) << line;
    EXPECT_EQ(ourHeight, height) << line;
    image->Release();
    ++index;
  }
  EXPECT_EQ(index, 4u) << "every image of the fixture was listed";
  EXPECT_EQ(options.result->GetCount(), index);
  options.result->Release();
}

}  // namespace
