// The segment walk, the TIFF structure and the IFD entries of a JPEG's
// Exif data.
#include "ExifReader.h"

#include "FactoryObject.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/TaggedValSet.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace zefcorek::exif {
namespace {

constexpr uint16_t kSoi = 0xFFD8, kEoi = 0xFFD9, kSos = 0xFFDA, kApp1 = 0xFFE1, kApp2 = 0xFFE2;
constexpr int kMaxFillBytes = 5;  // the sixth FF in a row is an error

constexpr uint16_t kExifPointer = 0x8769, kGpsPointer = 0x8825, kInteropPointer = 0xA005;

enum class IfdKind { Main, Exif, Gps, Interop };

struct Segment {
  uint16_t marker;
  uint64_t length;    // from the marker on
  uint64_t position;  // of the marker's first byte
};

// How a TIFF entry type is stored: its value type, the size of one element
// in the file, and whether the data fits the entry's 4-byte field.
struct EntryType {
  uint32_t valueType;
  uint32_t elementSize;
  bool supported;
};

EntryType entryTypeOf(uint16_t type) {
  switch (type) {
    case 1: return {TVT_UINT, 1, true};     // BYTE
    case 2: return {TVT_STRING, 1, true};   // ASCII
    case 3: return {TVT_UINT, 2, true};     // SHORT
    case 4: return {TVT_UINT, 4, true};     // LONG
    case 5: return {TVT_DOUBLE, 8, true};   // RATIONAL
    case 7: return {TVT_BYTES, 1, true};    // UNDEFINED
    case 9: return {TVT_INT, 4, true};      // SLONG
    case 10: return {TVT_DOUBLE, 8, true};  // SRATIONAL
    default: return {0, 0, false};
  }
}

class Reader {
public:
  Reader(ByteSource& source, ITaggedValSet* mainSet) : source_(source), main_(mainSet) {}

  ZRESULT run() {
    std::vector<Segment> segments;
    if (const ZRESULT walked = walkSegments(segments); walked != ZR_OK) return walked;
    for (const Segment& segment : segments) {
      ZRESULT result = ZR_OK;
      if (segment.marker == kApp1) result = readApp1(segment);
      if (segment.marker == kApp2) result = readApp2(segment);
      if (result != ZR_OK) return result;
    }
    return ZR_OK;
  }

private:
  // --- the JPEG structure (big-endian) ---

  bool readBytes(uint64_t position, void* buffer, size_t count) {
    return position <= size_ && count <= size_ - position && source_.read(position, buffer, count);
  }
  bool readBig16(uint64_t position, uint16_t& value) {
    uint8_t bytes[2];
    if (!readBytes(position, bytes, 2)) return false;
    value = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    return true;
  }

  ZRESULT walkSegments(std::vector<Segment>& segments) {
    size_ = source_.size();
    uint64_t position = 0;
    bool sawSoi = false;
    while (position < size_) {
      if (sawSoi) {
        // Fill bytes: read up to the first byte that is not FF, then step
        // back to the FF before it.
        uint64_t probe = position;
        for (int fill = 0;;) {
          uint8_t byte = 0;
          if (!readBytes(probe, &byte, 1)) return ZR_FAILED;
          ++probe;
          if (byte != 0xFF) break;
          if (++fill > kMaxFillBytes) return ZR_FAILED;
        }
        if (probe < 2) return ZR_FAILED;
        position = probe - 2;
      }
      uint16_t marker = 0;
      if (!readBig16(position, marker)) return ZR_FAILED;
      if (!sawSoi && marker != kSoi) return ZR_FAILED;
      uint64_t length = 0;
      if (marker == kSoi) {
        sawSoi = true;
      } else if (marker == kSos) {
        // Skip the entropy-coded data: on at the last two bytes (EOI).
        if (position + 4 > size_) return ZR_FAILED;
        length = size_ - position - 4;
      } else if (marker != kEoi) {
        uint16_t field = 0;
        if (!readBig16(position + 2, field) || field < 2) return ZR_FAILED;
        length = field;
      }
      segments.push_back({marker, length + 2, position});
      if (marker == kEoi || marker == kApp1) break;
      position += length + 2;
    }
    return ZR_OK;
  }

  ZRESULT readApp1(const Segment& segment) {
    if (segment.length < 11) return ZR_NO;
    uint8_t head[10];
    if (!readBytes(segment.position, head, sizeof head)) return ZR_FAILED;
    const uint32_t field = uint32_t{head[2]} << 8 | head[3];
    if (std::memcmp(head + 4, "Exif\0\0", 6) != 0 || field <= 14 || field != segment.length - 2) {
      return ZR_NO;
    }
    base_ = segment.position + 10;
    // A well-formed segment holds every entry and every value's data once.
    budget_ = segment.length;
    uint8_t tiff[8];
    if (!readBytes(base_, tiff, sizeof tiff)) return ZR_FAILED;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
      bigEndian_ = false;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
      bigEndian_ = true;
    } else {
      return ZR_FAILED;
    }
    const uint32_t magic = number(tiff + 2, 2);
    const uint32_t firstIfd = number(tiff + 4, 4);
    if (magic < 42 || firstIfd < 8) return ZR_FAILED;
    (void)main_->SetID(0);

    // IFD0 and every IFD chained after it go into the main set.
    std::set<uint64_t> visited;
    uint64_t next = base_ + firstIfd;
    for (;;) {
      if (next % 2 != 0) ++next;
      if (size_ < 4 || next > size_ - 4) return ZR_FAILED;
      if (!visited.insert(next).second || visited.size() > kMaxChainedIfds) return ZR_FAILED;
      uint64_t after = 0;
      if (const ZRESULT result = readIfd(next, IfdKind::Main, main_, after); result != ZR_OK) {
        return result;
      }
      if (after % 2 != 0) ++after;
      uint8_t link[4];
      if (!readBytes(after, link, sizeof link)) return ZR_FAILED;
      const uint32_t offset = number(link, 4);
      if (offset == 0) return ZR_OK;
      next = base_ + offset;
    }
  }

  ZRESULT readApp2(const Segment& segment) {
    if (segment.length < 12) return ZR_NO;
    uint8_t head[11];
    if (!readBytes(segment.position, head, sizeof head)) return ZR_FAILED;
    const uint32_t field = uint32_t{head[2]} << 8 | head[3];
    if (std::memcmp(head + 4, "FPXR\0", 5) != 0 || head[9] != 0 || field <= 14 || field != segment.length - 2) {
      return ZR_NO;
    }
    ITaggedValSet* flashPix = newSet(4);
    if (flashPix == nullptr) return ZR_OUTOFMEMORY;
    const ZRESULT added = main_->AddSubSet(flashPix, nullptr);
    flashPix->Release();
    return added;
  }

  // --- the TIFF structure (the file's byte order) ---

  uint32_t number(const uint8_t* bytes, int size) const {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
      const int index = bigEndian_ ? i : size - 1 - i;
      value = value << 8 | bytes[index];
    }
    return value;
  }

  static ITaggedValSet* newSet(uint32_t id) {
    auto* set = zefcorek::makeFactoryObject<ITaggedValSet>(CLSID_ITaggedValSetImp);
    if (set == nullptr) return nullptr;
    (void)set->SetID(id);
    return set;
  }

  // The kind of sub-IFD a pointer entry opens in an IFD of `kind`, if any.
  static bool subIfdOf(IfdKind kind, uint16_t tag, IfdKind& sub, uint32_t& id) {
    if (kind == IfdKind::Main && tag == kExifPointer) {
      sub = IfdKind::Exif;
      id = 1;
      return true;
    }
    if (kind == IfdKind::Main && tag == kGpsPointer) {
      sub = IfdKind::Gps;
      id = 2;
      return true;
    }
    if (kind == IfdKind::Exif && tag == kInteropPointer) {
      sub = IfdKind::Interop;
      id = 3;
      return true;
    }
    return false;
  }

  // Reads one IFD at `position` into `set`; `after` is the position past
  // its entries.
  ZRESULT readIfd(uint64_t position, IfdKind kind, ITaggedValSet* set, uint64_t& after) {
    uint8_t countBytes[2];
    if (!readBytes(position, countBytes, 2)) return ZR_FAILED;
    const uint32_t entries = number(countBytes, 2);
    for (uint32_t index = 0; index < entries; ++index) {
      uint8_t entry[12];
      if (!spend(sizeof entry) || !readBytes(position + 2 + 12 * uint64_t{index}, entry, sizeof entry)) {
        return ZR_FAILED;
      }
      const auto tag = static_cast<uint16_t>(number(entry, 2));
      const auto type = static_cast<uint16_t>(number(entry + 2, 2));
      const uint32_t count = number(entry + 4, 4);
      IfdKind subKind;
      uint32_t subId = 0;
      ZRESULT result;
      if (subIfdOf(kind, tag, subKind, subId)) {
        if (type != 4) return ZR_FAILED;
        result = readSubIfd(base_ + number(entry + 8, 4), subKind, subId, set);
      } else {
        result = storeEntry(tag, type, count, entry + 8, set);
      }
      if (result != ZR_OK) return result;
    }
    after = position + 2 + 12 * uint64_t{entries};
    return ZR_OK;
  }

  ZRESULT readSubIfd(uint64_t position, IfdKind kind, uint32_t id, ITaggedValSet* parent) {
    // Several pointers at one sub-IFD: it is read (and listed) once.
    if (!subIfdsRead_.insert(position).second) return ZR_OK;
    ITaggedValSet* sub = newSet(id);
    if (sub == nullptr) return ZR_OUTOFMEMORY;
    ZRESULT result = parent->AddSubSet(sub, nullptr);
    uint64_t after = 0;
    if (result == ZR_OK) result = readIfd(position, kind, sub, after);
    sub->Release();
    return result;
  }

  ZRESULT storeEntry(uint16_t tag, uint16_t type, uint32_t count, const uint8_t* field, ITaggedValSet* set) {
    const EntryType kind = entryTypeOf(type);
    if (!kind.supported) return ZR_FAILED;
    // In 64 bits, and checked against the file before anything is made.
    const uint64_t dataSize = uint64_t{kind.elementSize} * count;
    std::vector<uint8_t> data;
    if (dataSize <= 4 && type != 5 && type != 10) {
      data.assign(field, field + dataSize);
    } else {
      const uint64_t offset = base_ + number(field, 4);
      if (offset > size_ || dataSize > size_ - offset || !spend(dataSize)) return ZR_FAILED;
      data.resize(dataSize);
      if (!readBytes(offset, data.data(), data.size())) return ZR_FAILED;
    }
    TaggedValue* value = nullptr;
    if (const ZRESULT made = set->CreateValue(kind.valueType, count, &value); made != ZR_OK) {
      return made;
    }
    value->tag = tag;
    ZRESULT result = fill(*value, type, count, data);
    if (result == ZR_OK) result = set->AddValue(value, nullptr);
    (void)set->FreeValue(value);
    return result;
  }

  ZRESULT fill(TaggedValue& value, uint16_t type, uint32_t count, const std::vector<uint8_t>& data) {
    if (type == 2) {
      const std::string narrow(data.begin(), data.end());
      const std::u16string wide = platform::ansiToWideLenient(narrow);
      auto* units = static_cast<char16_t*>(value.value.storage);
      std::copy_n(wide.begin(), std::min<size_t>(wide.size(), count), units);
      return ZR_OK;
    }
    if (type == 7) {
      std::copy(data.begin(), data.end(), static_cast<uint8_t*>(value.value.storage));
      return ZR_OK;
    }
    const uint32_t size = entryTypeOf(type).elementSize;
    for (uint32_t index = 0; index < count; ++index) {
      const uint8_t* element = data.data() + size_t{index} * size;
      if (type == 5 || type == 10) {
        const uint32_t numerator = number(element, 4);
        const uint32_t denominator = number(element + 4, 4);
        if (denominator == 0) return ZR_FAILED;
        const double quotient =
            type == 5 ? static_cast<double>(numerator) / denominator
                      : static_cast<double>(static_cast<int32_t>(numerator)) / static_cast<int32_t>(denominator);
        if (count == 1) {
          value.value.d = quotient;
        } else {
          static_cast<double*>(value.value.storage)[index] = quotient;
        }
        continue;
      }
      const uint32_t element32 = number(element, static_cast<int>(size));
      if (count == 1) {
        value.value.u = element32;
      } else {
        static_cast<uint32_t*>(value.value.storage)[index] = element32;
      }
    }
    return ZR_OK;
  }

  // Takes `bytes` from the segment's budget; false once entries and data
  // would add up to more than the segment holds (they overlap).
  bool spend(uint64_t bytes) {
    if (bytes > budget_) return false;
    budget_ -= bytes;
    return true;
  }

  ByteSource& source_;
  ITaggedValSet* main_;
  uint64_t budget_ = 0;             // bytes of entries and data still to be read
  std::set<uint64_t> subIfdsRead_;  // positions of the sub-IFDs read so far
  uint64_t size_ = 0;
  uint64_t base_ = 0;       // file offset of the TIFF header
  bool bigEndian_ = false;  // the TIFF structure's byte order
};

}  // namespace

ByteSource::~ByteSource() = default;

bool MemorySource::read(uint64_t position, void* buffer, size_t count) {
  if (position > bytes_.size() || count > bytes_.size() - position) return false;
  // A rational of count 0 asks for no bytes into an empty buffer.
  if (count > 0) std::memcpy(buffer, bytes_.data() + position, count);
  return true;
}

ZRESULT readJpegExif(ByteSource& source, ITaggedValSet* mainSet) {
  Reader reader(source, mainSet);
  return reader.run();
}

}  // namespace zefcorek::exif
