#include "ExifFixture.h"
#include "ExifInfoExtractorImp.h"
#include "ExifReader.h"
#include "ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/TaggedValSet.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace exiffixture;

ITaggedValSet* newSet() {
  void* made = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_ITaggedValSetImp, &made, 0), S_OK);
  return static_cast<ITaggedValSet*>(made);
}

// Reads `bytes`; the set (or null) in *out.
ZRESULT readBytes(const std::string& bytes, ITaggedValSet** out) {
  ITaggedValSet* set = newSet();
  zefcorek::exif::MemorySource source({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  const ZRESULT result = zefcorek::exif::readJpegExif(source, set);
  if (result != ZR_OK) {
    set->Release();
    set = nullptr;
  }
  *out = set;
  return result;
}

TaggedValue valueOf(ITaggedValSet* set, uint32_t tag) {
  TaggedValue value{};
  value.cbSize = kTaggedValueSize;
  EXPECT_EQ(set->FindValue(tag, &value, nullptr), ZR_OK) << std::hex << tag;
  return value;
}

TEST(ExifReaderTest, MainFixtureInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "MM" : "II");
    ITaggedValSet* set = nullptr;
    ASSERT_EQ(readBytes(jpeg({exifSegment(mainTiff(bigEndian))}), &set), ZR_OK);
    uint32_t id = 9;
    EXPECT_EQ(set->GetID(&id), ZR_OK);
    EXPECT_EQ(id, 0u);
    const TaggedValue width = valueOf(set, 0x0100);
    EXPECT_EQ(width.type, TVT_UINT);
    EXPECT_EQ(width.value.u, 640u);
    const TaggedValue resolution = valueOf(set, 0x011A);
    EXPECT_EQ(resolution.type, TVT_DOUBLE);
    EXPECT_EQ(resolution.value.d, 300.0);
    const TaggedValue make = valueOf(set, 0x010F);
    EXPECT_EQ(make.type, TVT_STRING);
    ASSERT_EQ(make.count, 3u);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(make.value.storage), 3), std::u16string(u"AB\0", 3));
    EXPECT_EQ(valueOf(set, 0x0128).value.u, 3u) << "IFD1 is appended to the main set";
    TaggedValue pointer{};
    pointer.cbSize = kTaggedValueSize;
    EXPECT_EQ(set->FindValue(0x8769, &pointer, nullptr), ZR_NO) << "pointers are not stored";

    ITaggedValSet* exifSet = subSet(set, 1);
    ASSERT_NE(exifSet, nullptr);
    EXPECT_EQ(valueOf(exifSet, 0xA002).value.u, 640u);
    ITaggedValSet* interop = subSet(exifSet, 3);
    ASSERT_NE(interop, nullptr);
    const TaggedValue index = valueOf(interop, 0x0001);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(index.value.storage)), u"R98");
    ITaggedValSet* gps = subSet(set, 2);
    ASSERT_NE(gps, nullptr);
    const TaggedValue version = valueOf(gps, 0x0000);
    ASSERT_EQ(version.count, 4u);
    EXPECT_EQ(static_cast<const uint32_t*>(version.value.storage)[0], 2u);
    for (ITaggedValSet* each : {interop, exifSet, gps, set}) each->Release();
  }
}

TEST(ExifReaderTest, OutcomesOfOddFiles) {
  Tiff sshort = mainTiff(false);
  sshort.ifds[1].push_back({0x9999, 8, 1, {5}});
  Tiff zeroDenominator = mainTiff(true);
  zeroDenominator.ifds[0][1].values = {300, 0};
  Tiff shortPointer = mainTiff(false);
  shortPointer.ifds[0][3].type = 3;
  Tiff interopInIfd0 = mainTiff(false);
  interopInIfd0.ifds[0].push_back({0xA005, 4, 1, {77}});
  Tiff loop = mainTiff(false);
  loop.loopTo = 0;
  Tiff odd = mainTiff(false);
  odd.oddLink = true;
  const std::string exif = exifSegment(mainTiff(false));
  const std::string flashPix = segment(0xE2, std::string("FPXR\0\0", 6) + std::string(20, 'x'));
  const std::string xmp = segment(0xE1, "http://ns.adobe.com/xap/1.0/" + std::string(20, 'x'));
  const struct {
    const char* what;
    std::string file;
    ZRESULT expected;
  } cases[] = {
      {"not starting with FF D8", "\xFF\xD9" + exif, ZR_FAILED},
      {"a first APP1 holding XMP", jpeg({xmp, exif}), ZR_NO},
      {"an SSHORT entry", jpeg({exifSegment(sshort)}), ZR_FAILED},
      {"a zero denominator", jpeg({exifSegment(zeroDenominator)}), ZR_FAILED},
      {"an Exif pointer of type SHORT", jpeg({exifSegment(shortPointer)}), ZR_FAILED},
      {"0xA005 in IFD0 is a value", jpeg({exifSegment(interopInIfd0)}), ZR_OK},
      {"six fill bytes", "\xFF\xD8" + std::string(5, '\xFF') + exif + "\xFF\xD9", ZR_FAILED},
      {"five fill bytes", "\xFF\xD8" + std::string(4, '\xFF') + exif + "\xFF\xD9", ZR_OK},
      {"no APP1", jpeg({segment(0xE0, "JFIF\0stuff")}), ZR_OK},
      {"a chain that loops", jpeg({exifSegment(loop)}), ZR_FAILED},
      {"an odd link", jpeg({exifSegment(odd)}), ZR_OK},
      {"an SOS in the last bytes", std::string("\xFF\xD8\xFF\xDA\x00", 5), ZR_FAILED},
      {"a length below 2", std::string("\xFF\xD8\xFF\xE0\x00\x01\xFF\xD9", 8), ZR_FAILED},
      {"a foreign APP2 first", jpeg({segment(0xE2, "ICC_PROFILE" + std::string(10, 'x')), exif}), ZR_NO},
  };
  for (const auto& row : cases) {
    ITaggedValSet* set = nullptr;
    EXPECT_EQ(readBytes(row.file, &set), row.expected) << row.what;
    EXPECT_EQ(set == nullptr, row.expected != ZR_OK) << row.what;
    if (set != nullptr) set->Release();
  }

  // The FlashPix segment before the Exif one gives sub-set 4.
  ITaggedValSet* set = nullptr;
  ASSERT_EQ(readBytes(jpeg({flashPix, exif}), &set), ZR_OK);
  ITaggedValSet* marker = subSet(set, 4);
  ASSERT_NE(marker, nullptr);
  uint32_t values = 9;
  EXPECT_EQ(marker->GetValueCount(&values), ZR_OK);
  EXPECT_EQ(values, 0u);
  marker->Release();
  set->Release();
  // The odd link still reaches IFD1.
  ASSERT_EQ(readBytes(jpeg({exifSegment(odd)}), &set), ZR_OK);
  EXPECT_EQ(valueOf(set, 0x0128).value.u, 3u);
  set->Release();
}

TEST(ExifReaderTest, DamagedFilesGiveACodeAndNoCrash) {
  const std::string file = jpeg({exifSegment(mainTiff(true))});
  int variants = 0;
  const auto check = [&](const std::string& damaged) {
    ITaggedValSet* set = nullptr;
    const ZRESULT result = readBytes(damaged, &set);
    EXPECT_TRUE(result == ZR_OK || result == ZR_NO || result == ZR_FAILED || result == ZR_BADARG) << result;
    if (set != nullptr) set->Release();
    ++variants;
  };
  for (size_t length = 0; length < file.size(); ++length) check(file.substr(0, length));
  for (size_t at = 0; at < file.size(); ++at) {
    std::string flipped = file;
    flipped[at] = static_cast<char>(flipped[at] ^ 0xFF);
    check(flipped);
  }
  // Every 4-byte entry count raised to the largest number.
  const size_t base = 4 + 2 + 2 + 6;  // SOI, APP1 marker and length, "Exif\0\0"
  for (size_t at = base; at + 4 <= file.size(); ++at) {
    std::string raised = file;
    raised.replace(at, 4, "\xFF\xFF\xFF\xFF");
    check(raised);
  }
  EXPECT_EQ(variants, static_cast<int>(file.size() * 2 + (file.size() - base - 3)));
}

TEST(ExifReaderTest, EachSubIfdIsReadOnceAndValuesStayWithinTheSegment) {
  // IFD0 points at one Exif IFD forty times, and the Exif IFD at one
  // Interoperability IFD forty times: each is read once.
  Tiff fanOut;
  fanOut.ifds = {std::vector<Entry>(40, Entry{0x8769, 4, 1, {}, {}, 1}),
                 std::vector<Entry>(40, Entry{0xA005, 4, 1, {}, {}, 2}),
                 std::vector<Entry>(40, Entry{0x0001, 3, 1, {7}})};
  ITaggedValSet* set = nullptr;
  ASSERT_EQ(readBytes(jpeg({exifSegment(fanOut)}), &set), ZR_OK);
  uint32_t count = 0;
  EXPECT_EQ(set->GetSubSetCount(&count), ZR_OK);
  EXPECT_EQ(count, 1u);
  ITaggedValSet* exif = subSet(set, 1);
  ASSERT_NE(exif, nullptr);
  EXPECT_EQ(exif->GetSubSetCount(&count), ZR_OK);
  EXPECT_EQ(count, 1u);
  ITaggedValSet* interop = subSet(exif, 3);
  ASSERT_NE(interop, nullptr);
  EXPECT_EQ(interop->GetValueCount(&count), ZR_OK);
  EXPECT_EQ(count, 40u);
  interop->Release();
  exif->Release();
  set->Release();

  // Three hundred entries whose data is one shared block of 2000 bytes: far
  // more than the segment holds.
  Tiff shared;
  shared.ifds = {std::vector<Entry>(300, Entry{0x9000, 7, 4, {1, 2, 3, 4}})};
  shared.ifds[0].push_back(Entry{0x9001, 7, 2000, std::vector<uint32_t>(2000, 5)});
  std::string tiff = tiffBytes(shared);
  const size_t blockField = 8 + 2 + 12 * 300 + 8;
  for (size_t entry = 0; entry < 300; ++entry) {
    const size_t at = 8 + 2 + 12 * entry;
    put(tiff, at + 4, 2000, 4, false);
    tiff.replace(at + 8, 4, tiff.substr(blockField, 4));
  }
  EXPECT_EQ(readBytes(jpeg({segment(0xE1, std::string("Exif\0\0", 6) + tiff)}), &set), ZR_FAILED);
}

TEST(ExifExtractorTest, ExtractReadsAFileAndAnswersTheObjectModel) {
  zefcorek::testing::ScratchFolder folder;
  auto* extractor = new ExifIOLib::IExifInfoExtractorImp();
  const std::u16string path = folder.write("photo.jpg", jpeg({exifSegment(mainTiff(false))}));
  ITaggedValSet* set = reinterpret_cast<ITaggedValSet*>(&folder);
  EXPECT_EQ(extractor->Extract(nullptr, &set), ZR_BADARG);
  ASSERT_EQ(extractor->Extract(path.c_str(), &set), ZR_OK);
  EXPECT_EQ(valueOf(set, 0x0100).value.u, 640u);
  set->Release();
  EXPECT_NE(extractor->Extract(folder.name("missing.jpg").c_str(), &set), ZR_OK);
  EXPECT_EQ(set, nullptr);

  void* out = &folder;
  EXPECT_EQ(extractor->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &folder);
  EXPECT_EQ(extractor->CastToTopInterface(),
            static_cast<IStdInterface*>(static_cast<ExifIOLib::IExifInfoExtractor*>(extractor)));
  EXPECT_TRUE(extractor->SameInterface(extractor));
  EXPECT_FALSE(extractor->SameInterface(nullptr));
  extractor->Release();
}

}  // namespace
