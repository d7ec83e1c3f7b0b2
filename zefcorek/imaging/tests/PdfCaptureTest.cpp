#include "ImageOutputDev.h"
#include "PdfDocument.h"
#include "ScratchFolder.h"

#include "fixtures/PdfWriter.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

std::string utf8(const std::u16string& text) { return platform::wideToAnsiLenient(text); }

// Samples of a width x height image with `components` channels, a ramp so
// every byte differs from its neighbours.
std::vector<uint8_t> ramp(int width, int height, int components) {
  std::vector<uint8_t> samples(static_cast<size_t>(width * height * components));
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 37 + 11);
  return samples;
}

fixtures::PdfImage rgbImage(int width, int height, std::string data) {
  return {"/Width " + std::to_string(width) + " /Height " + std::to_string(height) +
              " /ColorSpace /DeviceRGB /BitsPerComponent 8",
          std::move(data)};
}

fixtures::PdfImage dctImage(int components, const std::string& jpeg, bool inlineImage = false) {
  const char* space = components == 1 ? "/DeviceGray" : components == 3 ? "/DeviceRGB" : "/DeviceCMYK";
  return {std::string("/Width 8 /Height 8 /ColorSpace ") + space + " /BitsPerComponent 8 /Filter /DCTDecode", jpeg,
          inlineImage};
}

class PdfDocumentTest : public testing::Test {
protected:
  // Opens `name` and answers what went to standard error meanwhile.
  std::string open(const std::string& name, const char* user = nullptr) {
    testing::internal::CaptureStderr();
    document_ = std::make_unique<PdfDocument>(name.c_str(), nullptr, user);
    return testing::internal::GetCapturedStderr();
  }

  ScratchFolder folder_;
  std::unique_ptr<PdfDocument> document_;
};

TEST_F(PdfDocumentTest, OpensChecksTheHeaderAndReportsFailures) {
  const std::string page = fixtures::makeImagePdf({{}});
  fixtures::PdfWriter noCatalog;
  const int notACatalog = noCatalog.add("42");
  const struct {
    const char* what;
    std::string bytes;   // empty: no file is written
    const char* openAs;  // the name given, in the scratch folder
    bool ok;
    int errorCode;
    std::string report;  // expected on standard error, "" for nothing
  } cases[] = {
      {"missing file", "", "none.pdf", false, 1, "Error: Couldn't open file '%NAME%'\n"},
      {"name in other case", page, "Other.PDF", true, 0, ""},
      {"junk before the header", fixtures::makeImagePdf({{}}, "%PDF-1.4", std::string(10, 'x')), "junk.pdf", true, 0,
       ""},
      {"version 1.7", fixtures::makeImagePdf({{}}, "%PDF-1.7"), "v17.pdf", true, 0, ""},
      {"version 2.0", fixtures::makeImagePdf({{}}, "%PDF-2.0"), "v20.pdf", true, 0,
       "Error: Warning: unsupported PDF version 2.0\n"},
      {"no digit after the mark", fixtures::makeImagePdf({{}}, "%PDF-x1.4"), "nodigit.pdf", true, 0,
       "Error: Warning: unsupported PDF version x1.4\n"},
      {"header at the last offset", fixtures::makeImagePdf({{}}, "%PDF-1.4", std::string(1018, ' ')), "late.pdf", true,
       0, ""},
      {"header past the window", fixtures::makeImagePdf({{}}, "%PDF-1.4", std::string(1019, ' ')), "toolate.pdf", true,
       0, "Error: Warning: not a PDF document?\n"},
      {"no catalog", noCatalog.build(notACatalog), "nocatalog.pdf", false, 2, "Error: Couldn't read page catalog\n"},
  };
  for (const auto& row : cases) {
    std::string name = utf8(folder_.name(row.openAs));
    if (!row.bytes.empty()) {
      std::string stored = row.openAs;
      if (std::string(row.what) == "name in other case") stored = "other.pdf";
      folder_.write(stored, row.bytes);
    }
    const std::string report = open(name);
    std::string expected = row.report;
    if (const size_t at = expected.find("%NAME%"); at != std::string::npos) {
      expected.replace(at, 6, name);
    }
    EXPECT_EQ(document_->isOk(), row.ok) << row.what;
    EXPECT_EQ(document_->getErrorCode(), row.errorCode) << row.what;
    EXPECT_EQ(report, expected) << row.what;
    if (row.ok) {
      EXPECT_EQ(document_->getNumPages(), 1) << row.what;
    }
  }
  // The version reads alike where the host's decimal separator is a comma.
  const std::string savedLocale = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
    folder_.write("v18.pdf", fixtures::makeImagePdf({{}}, "%PDF-1.8"));
    const std::string report = open(utf8(folder_.name("v18.pdf")));
    std::setlocale(LC_NUMERIC, savedLocale.c_str());
    EXPECT_EQ(report, "Error: Warning: unsupported PDF version 1.8\n");
  }
}

TEST_F(PdfDocumentTest, EncryptedFilesNeedTheRightPassword) {
  const std::string plain = folder_.native("plain.pdf");
  folder_.write("plain.pdf", fixtures::makeImagePdf({{}}));
  const std::string command =
      "qpdf --encrypt secret owner 256 -- '" + plain + "' '" + folder_.native("locked.pdf") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::string locked = utf8(folder_.name("locked.pdf"));

  EXPECT_EQ(open(locked, "wrong"), "");
  EXPECT_FALSE(document_->isOk());
  EXPECT_EQ(document_->getErrorCode(), 4);
  open(locked);
  EXPECT_EQ(document_->getErrorCode(), 4) << "no password";
  open(locked, "secret");
  EXPECT_TRUE(document_->isOk());
  EXPECT_EQ(document_->getNumPages(), 1);
}

// Counts the pages it is given and asks the document to stop during one.
class PageCounter : public OutputDev {
public:
  PageCounter(PdfDocument& document, int stopDuring) : document_(document), stopDuring_(stopDuring) {}
  bool upsideDown() override { return true; }
  bool useDrawChar() override { return false; }
  bool interpretType3Chars() override { return false; }
  void startPage(int page, GfxState*, XRef*) override {
    pages.push_back(page);
    if (page == stopDuring_) document_.stopRequested = 1;
  }
  void endPage() override { ++ended; }

  std::vector<int> pages;
  int ended = 0;

private:
  PdfDocument& document_;
  int stopDuring_;
};

TEST_F(PdfDocumentTest, PageLoopEndsAfterThePageThatAskedToStop) {
  folder_.write("five.pdf", fixtures::makeImagePdf({}, "%PDF-1.4", {}, 5));
  open(utf8(folder_.name("five.pdf")));
  ASSERT_TRUE(document_->isOk());
  ASSERT_EQ(document_->getNumPages(), 5);
  PageCounter counter(*document_, 3);
  document_->displayPages(&counter, 1, 5, 96, 96, 0, false, true, false);
  EXPECT_EQ(counter.pages, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(counter.ended, 3) << "the stopping page runs to its end";
}

class ImageDumperTest : public PdfDocumentTest {
protected:
  // Runs every page of `pdf` through a dumper with root <scratch>/out/doc.
  int dump(const std::string& pdf, int firstNumber = 0, const char* rootFolder = "out") {
    folder_.write("in.pdf", pdf);
    open(utf8(folder_.name("in.pdf")));
    EXPECT_TRUE(document_->isOk());
    std::filesystem::create_directories(folder_.native("out"));
    const std::string root = utf8(folder_.name(std::string(rootFolder) + "/doc"));
    struct Dumper : ImageOutputDev {
      Dumper(const char* root, int first) : ImageOutputDev(root, true) { imageNumber_ = first; }
    } dumper(root.c_str(), firstNumber);
    testing::internal::CaptureStderr();
    document_->displayPages(&dumper, 1, document_->getNumPages(), 72, 72, 0, false, true, false);
    report_ = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(dumper.isOk());
    return dumper.getImageCount();
  }
  std::string file(const std::string& name) { return folder_.read("out/" + name); }

  std::string report_;
};

TEST_F(ImageDumperTest, WritesEachImageKindToItsNumberedFile) {
  const std::string jpeg3 = fixtures::encodeJpeg(8, 8, 3, ramp(8, 8, 3));
  const std::string jpeg4 = fixtures::encodeJpeg(8, 8, 4, ramp(8, 8, 4));
  const std::string bits = "\x0F\xA5";  // 2 rows of one byte, 8 pixels wide
  const std::vector<fixtures::PdfImage> images = {
      dctImage(3, jpeg3),
      {"/Width 8 /Height 2 /ImageMask true /BitsPerComponent 1", bits},
      {"/Width 8 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 1", bits},
      rgbImage(2, 1, "\x10\x20\x30\x40\x50\x60"),
      dctImage(4, jpeg4),
      dctImage(3, jpeg3, /*inlineImage=*/true),
  };
  EXPECT_EQ(dump(fixtures::makeImagePdf({images})), 6);
  EXPECT_EQ(report_, "");

  EXPECT_EQ(file("doc-000.jpg"), jpeg3) << "the DCT bytes as embedded";
  EXPECT_EQ(file("doc-001.pbm"), "P4\n8 2\n\x0F\xA5") << "a stencil mask is not inverted";
  EXPECT_EQ(file("doc-002.pbm"), "P4\n8 2\n\xF0\x5A") << "a 1-bit image is inverted";
  EXPECT_EQ(file("doc-003.ppm"), std::string("P6\n2 1\n255\n\x10\x20\x30\x40\x50\x60", 17));
  const std::string cmyk = file("doc-004.ppm");
  EXPECT_EQ(cmyk.substr(0, 11), "P6\n8 8\n255\n") << "four components are decoded, not passed";
  EXPECT_EQ(cmyk.size(), 11u + 8 * 8 * 3);
  EXPECT_EQ(file("doc-005.ppm").size(), 11u + 8 * 8 * 3) << "an inline DCT image is decoded";
}

TEST_F(ImageDumperTest, JpegFilesMatchThePdfImagesTool) {
  const std::string jpeg = fixtures::encodeJpeg(8, 8, 1, ramp(8, 8, 1));
  EXPECT_EQ(dump(fixtures::makeImagePdf({{dctImage(1, jpeg)}})), 1);
  const std::string command = "pdfimages -j '" + folder_.native("in.pdf") + "' '" + folder_.native("out/tool") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(file("doc-000.jpg"), file("tool-000.jpg"));
  EXPECT_EQ(file("doc-000.jpg"), jpeg);
}

TEST_F(ImageDumperTest, NumbersGrowPastThreeDigitsAndUnopenableFilesAreSkipped) {
  const fixtures::PdfImage image = rgbImage(1, 1, "\x01\x02\x03");
  EXPECT_EQ(dump(fixtures::makeImagePdf({{image, image}}), 999), 1001);
  EXPECT_EQ(file("doc-999.ppm").size(), 14u);
  EXPECT_EQ(file("doc-1000.ppm").size(), 14u);

  EXPECT_EQ(dump(fixtures::makeImagePdf({{image}, {image}}), 0, "missing"), 2);
  const std::string root = utf8(folder_.name("missing/doc"));
  EXPECT_EQ(report_, "Error: Couldn't open image file '" + root + "-000.ppm'\n" + "Error: Couldn't open image file '" +
                         root + "-001.ppm'\n");
}

TEST_F(ImageDumperTest, ShortImageDataEndsInZeroRows) {
  // Three rows promised, one given.
  EXPECT_EQ(dump(fixtures::makeImagePdf({{rgbImage(1, 3, "\x11\x22\x33")}})), 1);
  EXPECT_EQ(file("doc-000.ppm"), std::string("P6\n1 3\n255\n\x11\x22\x33\0\0\0\0\0\0", 20));
}

}  // namespace
