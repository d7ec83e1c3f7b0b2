#include "ExifFixture.h"
#include "FIImgIOExpertImp.h"
#include "ImageLibraryIO.h"
#include "ImgFormatRows.h"
#include "RasterImageImp.h"
#include "ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ComStream.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"
#include "zefcorek/TaggedValSet.h"

#include "platform/GdiTypes.h"

#include "FreeImageApi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using zefcorek::testing::ScratchFolder;

// A COM stream over bytes in memory. `shortAfter` makes reads that would
// pass that many bytes deliver what is left before it and answer S_FALSE.
class MemoryStream final : public IStream {
public:
  explicit MemoryStream(std::string bytes = {}, size_t shortAfter = SIZE_MAX)
      : bytes_(std::move(bytes)), shortAfter_(shortAfter) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    const size_t end = std::min({bytes_.size(), shortAfter_, position_ + count});
    const size_t got = end > position_ ? end - position_ : 0;
    std::memcpy(buffer, bytes_.data() + position_, got);
    position_ += got;
    if (read) *read = static_cast<ULONG>(got);
    return got == count ? S_OK : S_FALSE;
  }
  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
    if (bytes_.size() < position_ + count) bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    if (written) *written = count;
    return S_OK;
  }
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    const int64_t base = origin == STREAM_SEEK_SET   ? 0
                         : origin == STREAM_SEEK_CUR ? static_cast<int64_t>(position_)
                                                     : static_cast<int64_t>(bytes_.size());
    if (base + move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<size_t>(base + move.QuadPart);
    if (newPosition) newPosition->QuadPart = position_;
    return S_OK;
  }
  HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT Clone(IStream**) override { return E_NOTIMPL; }

  const std::string& bytes() const { return bytes_; }

private:
  std::string bytes_;
  size_t shortAfter_;
  size_t position_ = 0;
};

// A test picture: every pixel differs, palette images use their ramp.
IFIRasterImageImp* makePicture(int bpp, IImgIOExpert* expert) {
  auto* image = new IFIRasterImageImp(expert, nullptr);
  EXPECT_EQ(image->Allocate(16, 8, bpp, nullptr), ZR_OK);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const COLORREF color = bpp <= 8 ? static_cast<COLORREF>((x + y) % 2) : RGB(x * 16, y * 32, (x * y) % 256);
      EXPECT_EQ(image->SetPixel(x, y, color), ZR_OK);
    }
  }
  return image;
}

// Mean absolute difference of the colours of two images of one size.
double meanDifference(IRasterImage* a, IRasterImage* b) {
  uint32_t width = 0, height = 0, otherWidth = 0, otherHeight = 0;
  EXPECT_EQ(a->GetSize(&width, &height), ZR_OK);
  EXPECT_EQ(b->GetSize(&otherWidth, &otherHeight), ZR_OK);
  if (width != otherWidth || height != otherHeight) return 1e9;
  double total = 0;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t p[3], q[3];
      EXPECT_EQ(a->GetPixelRGB(x, y, p), ZR_OK);
      EXPECT_EQ(b->GetPixelRGB(x, y, q), ZR_OK);
      for (int c = 0; c < 3; ++c) total += std::abs(p[c] - q[c]);
    }
  }
  return total / (width * height * 3.0);
}

// The compression tag (259) of the first directory of a little-endian TIFF.
int tiffCompression(const std::string& file) {
  const auto u16 = [&](size_t at) { return uint8_t(file[at]) | uint8_t(file[at + 1]) << 8; };
  const auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
  if (file.size() < 8 || file.compare(0, 2, "II") != 0) return -1;
  const size_t directory = u32(4);
  for (int entry = 0; entry < u16(directory); ++entry) {
    const size_t at = directory + 2 + 12 * static_cast<size_t>(entry);
    if (u16(at) == 259) return u16(at + 8);
  }
  return -1;
}

class ImageFormatsTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(zefcorek::addLibraryFormats(expert_), ZR_OK);
    ASSERT_EQ(expert_->CreateLoader(&loader_), ZR_OK);
    ASSERT_EQ(expert_->CreateSaver(&saver_), ZR_OK);
  }
  void TearDown() override {
    loader_->Release();
    saver_->Release();
    expert_->Release();
  }

  ScratchFolder folder_;
  IFIImgIOExpertImp* expert_ = new IFIImgIOExpertImp();
  IImgLoader* loader_ = nullptr;
  IImgSaver* saver_ = nullptr;
};

TEST_F(ImageFormatsTest, RowsAreListedInDescriptionOrder) {
  uint32_t count = 0;
  ASSERT_EQ(expert_->GetFormatCount(&count), ZR_OK);
  ASSERT_EQ(count, 5u);
  const uint32_t firstIds[] = {5, 14, 4, 7, 2};
  for (uint32_t index = 0; index < 5; ++index) {
    ImgFormatInfo row{};
    row.cbSize = sizeof row;
    ASSERT_EQ(expert_->GetFormatInfo(index, &row), ZR_OK);
    EXPECT_EQ(row.FormatIds[0], firstIds[index]);
    EXPECT_EQ(row.Flags, kImgFormatCanLoad | kImgFormatCanSave);
    EXPECT_EQ(row.GetMetadata != nullptr, index == 0) << "only JPEG has metadata";
  }
  EXPECT_EQ(expert_->CastToTopInterface(), static_cast<IStdInterface*>(expert_));
}

TEST_F(ImageFormatsTest, FilesRoundTripThroughSaverAndLoader) {
  const struct {
    const char* name;
    uint32_t formatId;  // 0: by the extension
    int bpp;
    double tolerance;  // mean difference per channel
    uint32_t userWord;
  } cases[] = {
      {"one.bmp", 0, 1, 0, 2},   {"eight.bmp", 0, 8, 0, 2}, {"rgb.bmp", 0, 24, 0, 2},
      {"rgba.bmp", 0, 32, 0, 2}, {"pic.png", 0, 24, 0, 14}, {"pic.tga", 0, 24, 0, 7},
      {"pic.tif", 0, 24, 0, 4},  {"pic.jpg", 5, 24, 12, 5}, {"by-id.dat", 6, 24, 12, 0},
  };
  for (const auto& row : cases) {
    IFIRasterImageImp* picture = makePicture(row.bpp, expert_);
    const std::u16string path = folder_.name(row.name);
    ASSERT_EQ(saver_->SaveToFile(row.formatId, path.c_str(), picture), ZR_OK) << row.name;
    // A name whose extension names no format is read by id only.
    if (row.userWord == 0) {
      IRasterImage* none = nullptr;
      EXPECT_EQ(loader_->LoadFromFile(path.c_str(), &none), ZR_NO);
      picture->Release();
      continue;
    }
    IRasterImage* loaded = nullptr;
    ASSERT_EQ(loader_->LoadFromFile(path.c_str(), &loaded), ZR_OK) << row.name;
    EXPECT_EQ(loaded->GetUserWord(), row.userWord) << row.name;
    EXPECT_LE(meanDifference(picture, loaded), row.tolerance) << row.name;
    loaded->Release();
    picture->Release();
  }
  // Both JPEG ids save with the same flags, so the same bytes.
  EXPECT_EQ(folder_.read("pic.jpg"), folder_.read("by-id.dat"));
  EXPECT_EQ(tiffCompression(folder_.read("pic.tif")), 5) << "LZW";
}

TEST_F(ImageFormatsTest, StreamsRoundTripThroughSaverAndLoader) {
  IFIRasterImageImp* picture = makePicture(24, expert_);
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &made, 0), S_OK);
  auto* out = static_cast<IFIOOStream*>(made);
  ASSERT_EQ(out->SetName(folder_.name("stream.bin").c_str()), ZR_OK);
  ASSERT_EQ(out->Open(0), ZR_OK);
  uint32_t written = 0;
  ASSERT_EQ(picture->SaveToStream(14, out, &written), ZR_OK);
  EXPECT_GT(written, 8u);
  out->Close();
  out->Release();

  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IFIOIStreamImp, &made, 0), S_OK);
  auto* in = static_cast<IFIOIStream*>(made);
  ASSERT_EQ(in->SetName(folder_.name("stream.bin").c_str()), ZR_OK);
  IRasterImage* loaded = nullptr;
  EXPECT_EQ(loader_->LoadFromStream(14, 0, in, &loaded), ZR_FAILED) << "not open";
  ASSERT_EQ(in->Open(0), ZR_OK);
  ASSERT_EQ(loader_->LoadFromStream(14, 0, in, &loaded), ZR_OK);
  EXPECT_EQ(loaded->GetUserWord(), 14u);
  EXPECT_EQ(meanDifference(picture, loaded), 0);
  loaded->Release();
  in->Release();
  picture->Release();
}

TEST_F(ImageFormatsTest, ContentDecidesBeforeTheExtension) {
  IFIRasterImageImp* picture = makePicture(24, expert_);
  const std::u16string disguised = folder_.name("really-png.bmp");
  ASSERT_EQ(saver_->SaveToFile(14, disguised.c_str(), picture), ZR_OK);
  ASSERT_EQ(folder_.read("really-png.bmp").substr(1, 3), "PNG");
  IRasterImage* loaded = nullptr;
  ASSERT_EQ(loader_->LoadFromFile(disguised.c_str(), &loaded), ZR_OK);
  EXPECT_EQ(loaded->GetUserWord(), 2u) << "the row's id, not the content's";
  EXPECT_EQ(meanDifference(picture, loaded), 0);
  loaded->Release();

  // Content nothing can read fails in the end.
  const std::u16string unknown = folder_.name("noise.png");
  folder_.write("noise.png", std::string(64, '\x01'));
  EXPECT_EQ(loader_->LoadFromFile(unknown.c_str(), &loaded), ZR_FAILED);
  EXPECT_EQ(loaded, nullptr);
  picture->Release();
}

TEST_F(ImageFormatsTest, InformationByDecoding) {
  IFIRasterImageImp* picture = makePicture(8, expert_);
  ASSERT_EQ(picture->SetDPIX(300), ZR_OK);
  const std::u16string path = folder_.name("info.bmp");
  ASSERT_EQ(saver_->SaveToFile(0, path.c_str(), picture), ZR_OK);
  ASSERT_EQ(saver_->SaveToFile(0, folder_.name("info.jpg").c_str(), picture), ZR_OK);
  picture->Release();

  ImgFileInfo info{};
  info.cbSize = sizeof info;
  info.Reserved = 7;
  ASSERT_EQ(expert_->GetImageInfo(path.c_str(), &info), ZR_OK);
  EXPECT_EQ(std::u16string(info.FileName), path);
  EXPECT_EQ(info.Width, 16u);
  EXPECT_EQ(info.Height, 8u);
  EXPECT_EQ(info.BitsPerPixel, 8u);
  EXPECT_EQ(info.DpiX, 300u);
  EXPECT_EQ(info.DpiY, 72u);
  EXPECT_EQ(info.Reserved, 0u) << "zeroed before it is filled";

  // Without metadata a JPEG is decoded too.
  ASSERT_EQ(expert_->GetImageInfo(folder_.name("info.jpg").c_str(), &info), ZR_OK);
  EXPECT_EQ(info.Width, 16u);
  EXPECT_EQ(info.BitsPerPixel, 8u) << "a grey JPEG";

  info.cbSize = 100;
  EXPECT_EQ(expert_->GetImageInfo(path.c_str(), &info), ZR_BADARG);
  EXPECT_EQ(expert_->GetImageInfo(folder_.name("info.jpg").c_str(), &info), ZR_BADARG);
  info.cbSize = sizeof info;
  EXPECT_EQ(expert_->GetImageInfo(folder_.name("missing.bmp").c_str(), &info), ZR_FAILED);
  EXPECT_EQ(info.Width, 0u);

  ITaggedValSet* metadata = reinterpret_cast<ITaggedValSet*>(&info);
  EXPECT_EQ(expert_->GetImageMetadata(path.c_str(), &metadata), ZR_FAILED) << "BMP has none";
  EXPECT_EQ(metadata, nullptr);
}

TEST_F(ImageFormatsTest, BoxFittedLoadingKeepsTheAspectRatio) {
  const struct {
    int width, height;
    uint32_t boxWidth, boxHeight;
    uint32_t expectedWidth, expectedHeight;
  } cases[] = {
      {800, 600, 200, 200, 200, 150},  // down
      {100, 50, 400, 400, 400, 200},   // up
      {16, 16, 16, 64, 16, 16},
  };
  for (const auto& row : cases) {
    auto* picture = new IFIRasterImageImp(expert_, nullptr);
    ASSERT_EQ(picture->Allocate(row.width, row.height, 24, nullptr), ZR_OK);
    ASSERT_EQ(picture->Fill(RGB(10, 200, 30)), ZR_OK);
    const std::u16string path = folder_.name("box.png");
    ASSERT_EQ(saver_->SaveToFile(0, path.c_str(), picture), ZR_OK);
    picture->Release();
    IRasterImage* image = nullptr;
    ASSERT_EQ(expert_->LoadImage(path.c_str(), row.boxWidth, row.boxHeight, 0, &image), ZR_OK);
    uint32_t width = 0, height = 0;
    EXPECT_EQ(image->GetSize(&width, &height), ZR_OK);
    EXPECT_EQ(width, row.expectedWidth) << row.width << "x" << row.height;
    EXPECT_EQ(height, row.expectedHeight) << row.width << "x" << row.height;
    EXPECT_EQ(image->GetUserWord(), 1u) << "no format id is recorded";
    uint8_t rgb[3];
    EXPECT_EQ(image->GetPixelRGB(width / 2, height / 2, rgb), ZR_OK);
    EXPECT_EQ(rgb[1], 200);
    image->Release();
  }
}

TEST_F(ImageFormatsTest, BoxFittedLoadingChecksItsArguments) {
  IFIRasterImageImp* picture = makePicture(24, expert_);
  ASSERT_EQ(saver_->SaveToFile(14, folder_.name("fit.raw").c_str(), picture), ZR_OK);
  picture->Release();
  IRasterImage* image = nullptr;
  EXPECT_EQ(expert_->LoadImage(u"a.png", 15, 100, 0, &image), ZR_BADARG);
  EXPECT_EQ(expert_->LoadImage(u"a.png", 100, 15, 0, &image), ZR_BADARG);
  EXPECT_EQ(expert_->LoadImage(nullptr, 100, 100, 0, &image), ZR_BADARG);
  // The information step finds no row for the name, though the library
  // could read the content.
  EXPECT_EQ(expert_->LoadImage(folder_.name("fit.raw").c_str(), 100, 100, 0, &image), ZR_NO);
  EXPECT_EQ(image, nullptr);
}

TEST_F(ImageFormatsTest, JpegInformationComesFromItsExifData) {
  IFIRasterImageImp* picture = makePicture(24, expert_);
  ASSERT_EQ(saver_->SaveToFile(0, folder_.name("plain.jpg").c_str(), picture), ZR_OK);
  picture->Release();
  const std::string plain = folder_.read("plain.jpg");
  using exiffixture::Entry;
  // The decoded picture is 16 x 8; the Exif data claim other sizes so the
  // route taken shows.
  const auto withExif = [&](const std::string& name, std::vector<Entry> ifd0, std::vector<Entry> exifIfd = {}) {
    exiffixture::Tiff tiff;
    tiff.ifds = {std::move(ifd0)};
    if (!exifIfd.empty()) {
      tiff.ifds[0].push_back({0x8769, 4, 1, {}, {}, 1});
      tiff.ifds.push_back(std::move(exifIfd));
    }
    folder_.write(name, plain.substr(0, 2) + exiffixture::exifSegment(tiff) + plain.substr(2));
    return folder_.name(name);
  };
  const Entry width{0x0100, 4, 1, {640}}, height{0x0101, 4, 1, {480}};
  const struct {
    const char* what;
    std::u16string path;
    uint32_t width, height, bitsPerPixel, dpiX, dpiY;
  } cases[] = {
      {"72 per inch",
       withExif("inch.jpg", {width, height, {0x0128, 3, 1, {2}}, {0x011A, 5, 1, {72, 1}}, {0x0102, 3, 1, {8}}}), 640,
       480, 24, 72, 100},
      {"28.35 per centimetre",
       withExif("cm.jpg",
                {width, height, {0x0128, 3, 1, {3}}, {0x011A, 5, 1, {2835, 100}}, {0x011B, 5, 1, {2835, 100}}}),
       640, 480, 24, 73, 73},
      {"no resolution, no bits per sample", withExif("bare.jpg", {width, height}), 640, 480, 24, 100, 100},
      {"pixel dimensions in the Exif IFD",
       withExif("exif.jpg", {{0x0102, 3, 1, {4}}}, {{0xA002, 4, 1, {320}}, {0xA003, 4, 1, {200}}}), 320, 200, 12, 100,
       100},
      {"no size: decoded", withExif("nosize.jpg", {{0xA20E, 5, 1, {3000, 1}}}), 16, 8, 24, 72, 72},
      {"no Exif: decoded", folder_.name("plain.jpg"), 16, 8, 24, 72, 72},
      // Values no unsigned 32-bit number can hold count as absent.
      {"negative width: decoded", withExif("negative.jpg", {{0x0100, 9, 1, {static_cast<uint32_t>(-640)}}, height}), 16,
       8, 24, 72, 72},
      {"negative rational height: decoded",
       withExif("negative-rational.jpg", {width, {0x0101, 10, 1, {static_cast<uint32_t>(-480), 1}}}), 16, 8, 24, 72,
       72},
      {"resolution past 32 bits",
       withExif(
           "huge-dpi.jpg",
           {width, height, {0x0128, 3, 1, {3}}, {0x011A, 5, 1, {4000000000u, 1}}, {0x011B, 5, 1, {4000000000u, 1}}}),
       640, 480, 24, 100, 100},
      {"bits per sample past 32 bits when tripled",
       withExif("huge-bits.jpg", {width, height, {0x0102, 4, 1, {0x60000000}}}), 640, 480, 24, 100, 100},
  };
  for (const auto& row : cases) {
    ImgFileInfo info{};
    info.cbSize = sizeof info;
    ASSERT_EQ(expert_->GetImageInfo(row.path.c_str(), &info), ZR_OK) << row.what;
    EXPECT_EQ(info.Width, row.width) << row.what;
    EXPECT_EQ(info.Height, row.height) << row.what;
    EXPECT_EQ(info.BitsPerPixel, row.bitsPerPixel) << row.what;
    EXPECT_EQ(info.DpiX, row.dpiX) << row.what;
    EXPECT_EQ(info.DpiY, row.dpiY) << row.what;
  }

  // The tagged form: id 0, the path, tags 10 to 14, the metadata as sub-set 100.
  ImgFileTaggedInfo tagged{sizeof tagged, nullptr};
  const std::u16string inch = folder_.name("inch.jpg");
  ASSERT_EQ(expert_->GetImageInfo(inch.c_str(), &tagged), ZR_OK);
  ASSERT_NE(tagged.Values, nullptr);
  uint32_t id = 9;
  EXPECT_EQ(tagged.Values->GetID(&id), ZR_OK);
  EXPECT_EQ(id, 0u);
  TaggedValue value{};
  value.cbSize = kTaggedValueSize;
  ASSERT_EQ(tagged.Values->FindValue(kImgInfoTagPath, &value, nullptr), ZR_OK);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value.value.storage)), inch);
  ASSERT_EQ(tagged.Values->FindValue(kImgInfoTagDpiX, &value, nullptr), ZR_OK);
  EXPECT_EQ(value.value.i, 72);
  ITaggedValSet* metadata = nullptr;
  ASSERT_EQ(tagged.Values->FindSubSetByID(100, &metadata, nullptr), ZR_OK);
  ASSERT_EQ(metadata->FindValue(0x0100, &value, nullptr), ZR_OK);
  EXPECT_EQ(value.value.u, 640u);
  metadata->Release();
  // A second call replaces the set; a BMP's tagged information is decoded.
  IFIRasterImageImp* bmp = makePicture(8, expert_);
  ASSERT_EQ(saver_->SaveToFile(0, folder_.name("t.bmp").c_str(), bmp), ZR_OK);
  bmp->Release();
  ASSERT_EQ(expert_->GetImageInfo(folder_.name("t.bmp").c_str(), &tagged), ZR_OK);
  ASSERT_EQ(tagged.Values->FindValue(kImgInfoTagWidth, &value, nullptr), ZR_OK);
  EXPECT_EQ(value.value.i, 16);
  tagged.Values->Release();
}

TEST(ImageStreamAdapterTest, StreamsCarryBitmapsAndShortReadsGiveNothing) {
  FIBITMAP* bitmap = FreeImage_Allocate(5, 4, 24);
  MemoryStream stream;
  ASSERT_TRUE(zefcorek::imagelib::SaveBitmapStream(bitmap, &stream, FIF_PNG, 0));
  ASSERT_EQ(stream.bytes().substr(1, 3), "PNG");
  MemoryStream reading(stream.bytes());
  FIBITMAP* loaded = zefcorek::imagelib::LoadBitmapStream(&reading);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(FreeImage_GetWidth(loaded), 5u);
  FreeImage_Unload(loaded);
  FreeImage_Unload(bitmap);
  EXPECT_EQ(zefcorek::imagelib::LoadBitmapStream(nullptr), nullptr);

  // Some bytes arrive, but the stream answers S_FALSE: no item counts.
  MemoryStream shortStream(std::string(100, 'x'), 10);
  FreeImageIO io = zefcorek::imagelib::comStreamIO();
  char buffer[16];
  EXPECT_EQ(io.read_proc(buffer, 4, 4, &shortStream), 0u);
  MemoryStream whole(std::string(100, 'x'));
  EXPECT_EQ(io.read_proc(buffer, 4, 4, &whole), 4u);
  EXPECT_EQ(io.tell_proc(&whole), 16);
  EXPECT_EQ(io.seek_proc(&whole, -6, SEEK_CUR), 0);
  EXPECT_EQ(io.tell_proc(&whole), 10);
  EXPECT_EQ(io.seek_proc(&whole, -200, SEEK_END), -1);
}

}  // namespace
