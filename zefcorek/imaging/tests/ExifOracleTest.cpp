// The Exif reader beside libexif on the same files: every tag libexif
// reports in IFD0, IFD1, Exif, GPS and Interoperability is in the matching
// set with the same count and values.
#include "ExifFixture.h"
#include "ExifReader.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/TaggedValSet.h"
#include "zefcorek/ZefCoreK.h"

#include <libexif/exif-data.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One value as both sides can show it: numbers as doubles, text as bytes.
struct Flat {
  uint32_t tag;
  std::vector<double> numbers;
  std::string text;
  bool operator==(const Flat&) const = default;
};

std::vector<Flat> libexifValues(ExifContent* content, ExifByteOrder order) {
  std::vector<Flat> out;
  for (unsigned i = 0; i < content->count; ++i) {
    ExifEntry* entry = content->entries[i];
    Flat flat{entry->tag, {}, {}};
    const unsigned size = exif_format_get_size(entry->format);
    for (unsigned k = 0; k < entry->components; ++k) {
      const unsigned char* at = entry->data + k * size;
      switch (entry->format) {
        case EXIF_FORMAT_BYTE: flat.numbers.push_back(*at); break;
        case EXIF_FORMAT_SHORT: flat.numbers.push_back(exif_get_short(at, order)); break;
        case EXIF_FORMAT_LONG: flat.numbers.push_back(exif_get_long(at, order)); break;
        case EXIF_FORMAT_SLONG: flat.numbers.push_back(exif_get_slong(at, order)); break;
        case EXIF_FORMAT_RATIONAL: {
          const ExifRational r = exif_get_rational(at, order);
          flat.numbers.push_back(static_cast<double>(r.numerator) / r.denominator);
          break;
        }
        default: break;
      }
    }
    if (entry->format == EXIF_FORMAT_ASCII || entry->format == EXIF_FORMAT_UNDEFINED) {
      flat.text.assign(reinterpret_cast<const char*>(entry->data), entry->size);
    }
    out.push_back(flat);
  }
  return out;
}

std::vector<Flat> ourValues(ITaggedValSet* set) {
  std::vector<Flat> out;
  uint32_t count = 0;
  EXPECT_EQ(set->GetValueCount(&count), ZR_OK);
  for (uint32_t i = 0; i < count; ++i) {
    TaggedValue value{};
    value.cbSize = kTaggedValueSize;
    EXPECT_EQ(set->GetValueAt(i, &value), ZR_OK);
    Flat flat{value.tag, {}, {}};
    for (uintptr_t k = 0; k < value.count; ++k) {
      const bool one = value.count == 1;
      switch (value.type) {
        case TVT_UINT:
          flat.numbers.push_back(one ? value.value.u : static_cast<uint32_t*>(value.value.storage)[k]);
          break;
        case TVT_INT:
          flat.numbers.push_back(one ? value.value.i : static_cast<int32_t*>(value.value.storage)[k]);
          break;
        case TVT_DOUBLE:
          flat.numbers.push_back(one ? value.value.d : static_cast<double*>(value.value.storage)[k]);
          break;
        case TVT_STRING: flat.text.push_back(static_cast<char>(static_cast<char16_t*>(value.value.storage)[k])); break;
        case TVT_BYTES: flat.text.push_back(static_cast<char>(static_cast<uint8_t*>(value.value.storage)[k])); break;
        default: break;
      }
    }
    out.push_back(flat);
  }
  return out;
}

using exiffixture::subSet;

TEST(ExifOracleTest, SameTagsAndValuesAsLibexif) {
  int compared = 0;
  for (bool bigEndian : {false, true}) {
    const std::string file = exiffixture::jpeg({exiffixture::exifSegment(exiffixture::mainTiff(bigEndian))});
    ExifData* theirs = exif_data_new();
    exif_data_unset_option(theirs, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(theirs, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_load_data(theirs, reinterpret_cast<const unsigned char*>(file.data()),
                        static_cast<unsigned>(file.size()));
    const ExifByteOrder order = exif_data_get_byte_order(theirs);

    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_ITaggedValSetImp, &made, 0), S_OK);
    auto* ours = static_cast<ITaggedValSet*>(made);
    zefcorek::exif::MemorySource source({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    ASSERT_EQ(zefcorek::exif::readJpegExif(source, ours), ZR_OK);
    ITaggedValSet* exifSet = subSet(ours, 1);
    ITaggedValSet* gps = subSet(ours, 2);
    ITaggedValSet* interop = subSet(exifSet, 3);

    std::vector<Flat> main = libexifValues(theirs->ifd[EXIF_IFD_0], order);
    const std::vector<Flat> ifd1 = libexifValues(theirs->ifd[EXIF_IFD_1], order);
    main.insert(main.end(), ifd1.begin(), ifd1.end());
    const struct {
      std::vector<Flat> expected;
      ITaggedValSet* set;
    } pairs[] = {
        {main, ours},
        {libexifValues(theirs->ifd[EXIF_IFD_EXIF], order), exifSet},
        {libexifValues(theirs->ifd[EXIF_IFD_GPS], order), gps},
        {libexifValues(theirs->ifd[EXIF_IFD_INTEROPERABILITY], order), interop},
    };
    for (const auto& pair : pairs) {
      EXPECT_EQ(ourValues(pair.set), pair.expected) << (bigEndian ? "MM" : "II");
      compared += static_cast<int>(pair.expected.size());
    }
    for (ITaggedValSet* each : {interop, exifSet, gps, ours}) each->Release();
    exif_data_unref(theirs);
  }
  EXPECT_EQ(compared, 2 * 7) << "every value of the fixture was compared";
}

}  // namespace
