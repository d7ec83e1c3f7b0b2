#include "PdfCapturedImgListImp.h"
#include "PdfDocument.h"
#include "ProcessImageIO.h"
#include "RasterImageImp.h"
#include "ScratchFolder.h"
#include "ZefImageOutputDev.h"

#include "fixtures/PdfWriter.h"

#include "platform/CodePage.h"

#include "FreeImageApi.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;
using Rgb = std::array<uint8_t, 3>;

TEST(ComputePlacementTest, CornersFlipsAndRotation) {
  const struct {
    const char* what;
    double ctm[6];
    bool valid, rotated, flipH, flipV;
    double corners[4][2];
  } cases[] = {
      {"upright",
       {200, 0, 0, -100, 10.5, 300.5},
       true,
       false,
       false,
       false,
       {{10, 200}, {210, 200}, {10, 300}, {210, 300}}},
      {"edges on pixel boundaries",
       {200, 0, 0, -100, 10, 300},
       true,
       false,
       false,
       false,
       {{9, 199}, {210, 199}, {9, 300}, {210, 300}}},
      {"turned a quarter",
       {0, -200, 100, 0, 10.5, 300.5},
       true,
       true,
       false,
       true,
       {{110, 300}, {110, 100}, {10, 300}, {10, 100}}},
      {"mirrored",
       {-200, 0, 0, -100, 210.5, 300.5},
       true,
       false,
       true,
       false,
       {{210, 200}, {10, 200}, {210, 300}, {10, 300}}},
      {"no area", {200, 100, 400, 200, 0, 0}, false, false, false, false, {}},
  };
  for (const auto& row : cases) {
    CachedImgPlacement placement;
    bool flipH = true, flipV = true;
    ComputePlacement(row.ctm, placement, flipH, flipV);
    EXPECT_EQ(placement.valid, row.valid) << row.what;
    EXPECT_EQ(flipH, row.flipH) << row.what;
    EXPECT_EQ(flipV, row.flipV) << row.what;
    if (!row.valid) continue;
    EXPECT_EQ(placement.rotated, row.rotated) << row.what;
    for (int corner = 0; corner < 4; ++corner) {
      EXPECT_EQ(placement.corners[corner][0], row.corners[corner][0]) << row.what << corner;
      EXPECT_EQ(placement.corners[corner][1], row.corners[corner][1]) << row.what << corner;
    }
  }
  CachedImgPlacement placement;
  bool flipH, flipV;
  const double upright[6] = {200, 0, 0, -100, 10.5, 300.5};
  ComputePlacement(upright, placement, flipH, flipV);
  EXPECT_EQ(placement.minX, 10);
  EXPECT_EQ(placement.maxX, 210);
  EXPECT_EQ(placement.minY, 200);
  EXPECT_EQ(placement.maxY, 300);
}

IRasterImage* makeImage() {
  auto* image = new IFIRasterImageImp(nullptr, nullptr);
  EXPECT_EQ(image->Allocate(2, 2, 24, nullptr), ZR_OK);
  return image;
}

TEST(CapturedImgListTest, EntriesHoldTheirImagesAndPages) {
  auto* list = new PDFII::IPDFCapturedImgListImp();
  IRasterImage* first = makeImage();
  IRasterImage* second = makeImage();
  EXPECT_EQ(list->Add(nullptr, 1), E_INVALIDARG);
  EXPECT_EQ(list->GetCount(), 0u);
  EXPECT_EQ(list->Add(first, 3), S_OK);
  EXPECT_EQ(list->Add(second, 5), S_OK);
  EXPECT_EQ(first->GetRefCount(), 2);
  EXPECT_EQ(list->GetCount(), 2u);
  EXPECT_EQ(list->GetPage(1), 5u);
  EXPECT_EQ(list->GetPage(2), 0xFFFFFFFFu);
  EXPECT_EQ(list->GetImage(2), nullptr);
  EXPECT_EQ(list->GetUserValueA(0), 0u);
  EXPECT_EQ(list->GetUserValueB(1), 0u);
  EXPECT_EQ(list->SetUserValueA(1, 77), S_OK);
  EXPECT_EQ(list->SetUserValueB(0, 88), S_OK);
  EXPECT_EQ(list->GetUserValueA(1), 77u);
  EXPECT_EQ(list->GetUserValueB(0), 88u);
  EXPECT_EQ(list->SetUserValueA(2, 1), E_INVALIDARG);
  EXPECT_EQ(list->GetUserValueB(0xFFFFFFFFu), 0xFFFFFFFFu);

  IRasterImage* got = list->GetImage(0);
  EXPECT_EQ(got, first);
  EXPECT_EQ(first->GetRefCount(), 3) << "each GetImage adds a reference";
  got->Release();

  void* out = &got;
  EXPECT_EQ(list->QueryInterface(IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, &got);
  EXPECT_EQ(list->Clear(), S_OK);
  EXPECT_EQ(list->GetCount(), 0u);
  EXPECT_EQ(first->GetRefCount(), 1);
  EXPECT_EQ(second->GetRefCount(), 1);
  EXPECT_EQ(list->Add(first, 1), S_OK);
  EXPECT_EQ(list->Release(), 0u);
  EXPECT_EQ(first->GetRefCount(), 1) << "the last release clears the list";
  first->Release();
  second->Release();
}

std::vector<uint8_t> ramp(int width, int height, int components) {
  std::vector<uint8_t> samples(static_cast<size_t>(width * height * components));
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 13 + 40);
  return samples;
}

fixtures::PdfImage dct(int components, const std::string& jpeg, bool inlineImage = false) {
  const char* space = components == 1 ? "/DeviceGray" : components == 3 ? "/DeviceRGB" : "/DeviceCMYK";
  return {std::string("/Width 8 /Height 8 /ColorSpace ") + space + " /BitsPerComponent 8 /Filter /DCTDecode", jpeg,
          inlineImage};
}

class CaptureDeviceTest : public testing::Test {
protected:
  // Runs every page of `pdf` through a capture device with these options.
  void run(const std::string& pdf) {
    folder_.write("in.pdf", pdf);
    const std::string name = platform::wideToAnsiLenient(folder_.name("in.pdf"));
    document_ = std::make_unique<PdfDocument>(name.c_str(), nullptr, nullptr);
    ASSERT_TRUE(document_->isOk());
    device_ = std::make_unique<ZefImageOutputDev>(document_.get(), &options_);
    document_->displayPages(device_.get(), 1, document_->getNumPages(), 96, 96, 0, false, true, false);
  }
  Rgb pixel(IRasterImage* image, int x, int y) {
    Rgb rgb{};
    EXPECT_EQ(image->GetPixelRGB(x, y, rgb.data()), ZR_OK);
    return rgb;
  }

  ScratchFolder folder_;
  PDFII::PDFImgExtractOptions options_{
      1, 0, PDFII::PDFII_CAPTURE_JPEG | PDFII::PDFII_CAPTURE_DECODED, 0, 0, nullptr, nullptr, nullptr};
  std::unique_ptr<PdfDocument> document_;
  std::unique_ptr<ZefImageOutputDev> device_;
};

TEST_F(CaptureDeviceTest, JpegImagesPassThroughTheExpertsLoader) {
  const std::string rgbJpeg = fixtures::encodeJpeg(8, 8, 3, ramp(8, 8, 3));
  const std::string greyJpeg = fixtures::encodeJpeg(8, 8, 1, ramp(8, 8, 1));
  const std::string cmykJpeg = fixtures::encodeJpeg(8, 8, 4, ramp(8, 8, 4));
  fixtures::PdfImage placed = dct(3, rgbJpeg);
  placed.matrix = "150 0 0 75 7.875 566.625";
  options_.flags = PDFII::PDFII_CAPTURE_JPEG;
  run(fixtures::makeImagePdf({{placed, dct(1, greyJpeg), dct(4, cmykJpeg), dct(3, rgbJpeg, true)}}));

  ASSERT_EQ(device_->getImageCount(), 2) << "only DCT images of 1 and 3 components";
  CachedImgDef* first = device_->GetCapturedImage(0);
  EXPECT_TRUE(first->isJpeg);
  EXPECT_EQ(first->bitsPerPixel, 24u);
  EXPECT_EQ(first->page, 1u);
  EXPECT_TRUE(first->placement.valid);
  EXPECT_EQ(first->placement.corners[0][0], 10);
  EXPECT_EQ(first->placement.corners[0][1], 200);
  EXPECT_EQ(first->placement.corners[3][0], 210);
  EXPECT_EQ(first->placement.corners[3][1], 300);
  ASSERT_NE(first->image, nullptr);

  // The pixels are those the image library decodes from the same bytes.
  FIMEMORY* memory = FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(rgbJpeg.data())),
                                          static_cast<DWORD>(rgbJpeg.size()));
  FIBITMAP* direct = FreeImage_LoadFromMemory(FIF_JPEG, memory, 0);
  FreeImage_CloseMemory(memory);
  IRasterImage* reference = new IFIRasterImageImp(nullptr, direct);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(pixel(first->image, x, y), pixel(reference, x, y));
  }
  reference->Release();

  // A grey JPEG comes back at the 24 bits its record says.
  CachedImgDef* grey = device_->GetCapturedImage(1);
  uint32_t bpp = 0;
  ASSERT_NE(grey->image, nullptr);
  EXPECT_EQ(grey->image->GetBPP(&bpp), ZR_OK);
  EXPECT_EQ(bpp, 24u);
  EXPECT_EQ(grey->index, 1u);
}

TEST_F(CaptureDeviceTest, WithoutImageIoJpegRecordsHaveNoImage) {
  zefcorek::ScopedProcessImageExpert none(nullptr);
  std::vector<uint32_t> seen;
  options_.progress = [](void* context, uint32_t, uint32_t captured) {
    static_cast<std::vector<uint32_t>*>(context)->push_back(captured);
    return true;
  };
  options_.context = &seen;
  const std::string jpeg = fixtures::encodeJpeg(8, 8, 3, ramp(8, 8, 3));
  const fixtures::PdfImage grey{"/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x10\x20"};
  run(fixtures::makeImagePdf({{dct(3, jpeg), grey}, {dct(3, jpeg)}}));
  ASSERT_EQ(device_->getImageCount(), 3) << "the JPEG records are there";
  EXPECT_EQ(device_->GetCapturedImage(0)->image, nullptr);
  EXPECT_NE(device_->GetCapturedImage(1)->image, nullptr);
  EXPECT_EQ(seen, (std::vector<uint32_t>{0, 2}));
  PDFII::IPDFCapturedImgList* list = device_->CreateCapturedImgList();
  EXPECT_EQ(list->GetCount(), 1u) << "only the record with an image";
  list->Release();
}

TEST_F(CaptureDeviceTest, DecodedImagesAreCopiedWithTheirColours) {
  const std::string cmykJpeg = fixtures::encodeJpeg(8, 8, 4, ramp(8, 8, 4));
  const std::string rgbJpeg = fixtures::encodeJpeg(8, 8, 3, ramp(8, 8, 3));
  options_.flags = PDFII::PDFII_CAPTURE_DECODED;
  const std::vector<fixtures::PdfImage> images = {
      dct(3, rgbJpeg),  // skipped: passed through only with the other flag
      {"/Width 2 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8",
       std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\xFF", 12)},
      {"/Width 2 /Height 1 /ColorSpace [/Indexed /DeviceRGB 1 <FF000000FF00>] /BitsPerComponent 4",
       std::string("\x01", 1)},
      {"/Width 8 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 1", std::string("\x0F\xF0", 2)},
      {"/Width 8 /Height 1 /ImageMask true /BitsPerComponent 1", std::string("\x0F", 1)},
      dct(4, cmykJpeg),
      dct(3, rgbJpeg, /*inlineImage=*/true),
  };
  run(fixtures::makeImagePdf({images}));
  ASSERT_EQ(device_->getImageCount(), 6);

  // RGB: the first PDF row is the top of the picture (the last stored row).
  IRasterImage* rgb = device_->GetCapturedImage(0)->image;
  EXPECT_EQ(device_->GetCapturedImage(0)->bitsPerPixel, 24u);
  EXPECT_EQ(pixel(rgb, 0, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(rgb, 1, 1), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(rgb, 0, 0), (Rgb{0, 0, 255}));

  // A 1-bit grey image keeps black as black.
  CachedImgDef* bits = device_->GetCapturedImage(2);
  EXPECT_EQ(bits->bitsPerPixel, 1u);
  EXPECT_EQ(pixel(bits->image, 0, 1), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(bits->image, 7, 1), (Rgb{255, 255, 255}));
  // A stencil mask's painted samples (0 bits with the default decoding)
  // are black on white.
  CachedImgDef* mask = device_->GetCapturedImage(3);
  EXPECT_EQ(pixel(mask->image, 0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(mask->image, 7, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(device_->GetCapturedImage(4)->bitsPerPixel, 32u) << "a CMYK JPEG is decoded";
  EXPECT_TRUE(device_->GetCapturedImage(5)->isInline);
  EXPECT_FALSE(device_->GetCapturedImage(5)->isJpeg);

  // The 4-bit indexed image reaches the list at 8 bits with its colours.
  EXPECT_EQ(device_->GetCapturedImage(1)->bitsPerPixel, 4u);
  PDFII::IPDFCapturedImgList* list = device_->CreateCapturedImgList();
  ASSERT_EQ(list->GetCount(), 6u);
  IRasterImage* indexed = list->GetImage(1);
  uint32_t bpp = 0;
  EXPECT_EQ(indexed->GetBPP(&bpp), ZR_OK);
  EXPECT_EQ(bpp, 8u);
  EXPECT_EQ(pixel(indexed, 0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(indexed, 1, 0), (Rgb{0, 255, 0}));
  indexed->Release();
  EXPECT_EQ(device_->GetCapturedImage(1)->bitsPerPixel, 8u);
  device_.reset();
  EXPECT_EQ(list->GetPage(5), 1u) << "the list outlives the device";
  list->Release();
}

TEST_F(CaptureDeviceTest, SmallImagesLeaveNoRecordAndNoNumber) {
  const fixtures::PdfImage narrow{"/Width 99 /Height 200 /ColorSpace /DeviceGray /BitsPerComponent 8",
                                  std::string(99 * 200, '\x40')};
  const fixtures::PdfImage wide{"/Width 100 /Height 200 /ColorSpace /DeviceGray /BitsPerComponent 8",
                                std::string(100 * 200, '\x40')};
  options_.minWidth = 100;
  run(fixtures::makeImagePdf({{narrow, wide}}));
  ASSERT_EQ(device_->getImageCount(), 1);
  EXPECT_EQ(device_->GetCapturedImage(0)->index, 0u);
  EXPECT_EQ(device_->GetCapturedImage(0)->width, 100u);
  EXPECT_EQ(device_->GetCapturedImage(1), nullptr);
}

TEST_F(CaptureDeviceTest, ProgressSeesTheRunningCountAndCanStop) {
  struct Progress {
    std::vector<std::pair<uint32_t, uint32_t>> calls;  // page, captured so far
    uint32_t stopAt = 2;
  } progress;
  options_.progress = [](void* context, uint32_t page, uint32_t captured) {
    auto* seen = static_cast<Progress*>(context);
    seen->calls.emplace_back(page, captured);
    return page != seen->stopAt;
  };
  options_.context = &progress;
  const fixtures::PdfImage image{"/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x10\x20"};
  run(fixtures::makeImagePdf({{image, image}, {image}, {image}}));
  EXPECT_EQ(progress.calls, (std::vector<std::pair<uint32_t, uint32_t>>{{1, 0}, {2, 2}}));
  EXPECT_EQ(device_->getImageCount(), 3) << "the page that asked to stop ran to its end";
}

}  // namespace
