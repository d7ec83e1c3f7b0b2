// The byte form of a tagged value set, written by SaveToStream and read by
// LoadFromStream. Little-endian throughout; doubles are IEEE 754 binary64,
// text UTF-16LE. A stream holds one set record, followed by its value
// records and then by its sub-sets, each again a set record with what
// follows it (depth first, in list order).
//
// Set record, 280 bytes:
//   offset  size  field
//   0       4     record size: 280
//   4       4     magic 0x774A6655 (bytes 55 66 4A 77)
//   8       4     version 0x100
//   12      4     set ID
//   16      256   name: 128 UTF-16 units, at most 127 characters, zero-filled
//   272     4     number of value records that follow
//   276     4     number of sub-sets that follow (after the value records)
//
// Value record, a 20-byte header and its payload:
//   offset  size  field
//   0       4     record size: 20 + payload bytes (read: only checked >= 20)
//   4       4     magic 0x663A5544 (bytes 44 55 3A 66)
//   8       4     tag
//   12      4     type 0 .. 4 (interface and custom values are not saved)
//   16      4     element count; for a string without its terminating zero
//   20      n     payload: count x 4 (types 0, 1), x 8 (2), x 2 (3), x 1 (4)
//
// Reading is guarded against hostile input: a payload larger than what the
// stream still holds is refused before anything is allocated, and sub-sets
// are read with an explicit stack to a bounded depth, so neither memory nor
// the stack follows a number from the stream.
#include "TaggedValSetImp.h"

#include "zefcorek/FileStreams.h"

#include <bit>
#include <cstring>
#include <new>
#include <vector>

static_assert(std::endian::native == std::endian::little, "payloads are written as they lie in memory");

namespace {

constexpr uint32_t kSetRecordSize = 280;
constexpr uint32_t kSetMagic = 0x774A6655;
constexpr uint32_t kSetVersion = 0x100;
constexpr uint32_t kNameUnits = 128;
constexpr uint32_t kValueHeaderSize = 20;
constexpr uint32_t kValueMagic = 0x663A5544;
// Deepest nesting a stream may bring; deeper trees would make the recursive
// operations of a set (clearing, saving, cloning) run the stack out.
constexpr size_t kMaxLoadDepth = 512;

void put32(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}
uint32_t get32(const unsigned char* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

// Payload bytes of `count` elements of a savable type.
uint64_t payloadBytes(uint32_t type, uint64_t count) {
  switch (type) {
    case TVT_INT:
    case TVT_UINT: return count * 4;
    case TVT_DOUBLE: return count * 8;
    case TVT_STRING: return count * 2;
    default: return count;
  }
}

bool savable(const TaggedValue& value) { return value.type <= TVT_BYTES; }

ZRESULT readExactly(IFIOIStream* stream, void* buffer, uint32_t size) {
  return size == 0 ? ZR_OK : stream->Read(buffer, size, nullptr);
}

}  // namespace

// --- Saving -------------------------------------------------------------------------

ZRESULT zefcorek::ITaggedValSetImp::SaveToStream(IFIOOStream* stream) {
  if (stream == nullptr) return ZR_BADARG;
  unsigned char set[kSetRecordSize] = {};
  put32(set, kSetRecordSize);
  put32(set + 4, kSetMagic);
  put32(set + 8, kSetVersion);
  put32(set + 12, id_);
  const size_t nameUnits = hasName_ ? std::min<size_t>(name_.size(), kNameUnits - 1) : 0;
  for (size_t i = 0; i < nameUnits; ++i) {
    set[16 + 2 * i] = static_cast<unsigned char>(name_[i]);
    set[17 + 2 * i] = static_cast<unsigned char>(name_[i] >> 8);
  }
  uint32_t savedValues = 0;
  for (uint32_t index = 0; index < ValueCount(); ++index) savedValues += savable(*StoredValue(index)) ? 1 : 0;
  uint32_t subSets = 0;
  (void)GetSubSetCount(&subSets);
  put32(set + 272, savedValues);
  put32(set + 276, subSets);
  ZRESULT result = stream->Write(set, kSetRecordSize);

  for (uint32_t index = 0; result == ZR_OK && index < ValueCount(); ++index) {
    const TaggedValue& value = *StoredValue(index);
    if (!savable(value)) continue;
    const uint64_t count = value.type == TVT_STRING ? value.count - 1 : value.count;
    const uint64_t bytes = payloadBytes(value.type, count);
    unsigned char header[kValueHeaderSize];
    put32(header, static_cast<uint32_t>(kValueHeaderSize + bytes));
    put32(header + 4, kValueMagic);
    put32(header + 8, value.tag);
    put32(header + 12, value.type);
    put32(header + 16, static_cast<uint32_t>(count));
    result = stream->Write(header, kValueHeaderSize);
    if (result != ZR_OK || bytes == 0) continue;
    const bool inline_ = value.type <= TVT_DOUBLE && value.count == 1;
    result = stream->Write(inline_ ? static_cast<const void*>(&value.value) : value.value.storage,
                           static_cast<uint32_t>(bytes));
  }
  for (uint32_t index = 0; result == ZR_OK && index < subSets; ++index) {
    ITaggedValSet* child = nullptr;
    result = GetSubSet(index, &child);
    if (result != ZR_OK) break;
    result = child->SaveToStream(stream);
    child->Release();
  }
  return result;
}

// --- Loading ------------------------------------------------------------------------

namespace {

// Reads one value record into the set.
ZRESULT loadValue(IFIOIStream* stream, zefcorek::ITaggedValSetImp* set) {
  unsigned char header[kValueHeaderSize];
  ZRESULT result = readExactly(stream, header, kValueHeaderSize);
  if (result != ZR_OK) return result;
  const uint32_t type = get32(header + 12);
  const uint32_t count = get32(header + 16);
  if (get32(header) < kValueHeaderSize || get32(header + 4) != kValueMagic || type > TVT_BYTES) return ZR_FAILED;
  // The payload must be in the stream before anything is made for it.
  const uint64_t bytes = payloadBytes(type, count);
  if (bytes > UINT32_MAX || (bytes > 0 && stream->HasBytes(static_cast<uint32_t>(bytes)) != ZR_OK)) return ZR_FAILED;
  TaggedValue* value = nullptr;
  result = set->CreateValue(type, type == TVT_STRING ? count + 1 : count, &value);
  if (result != ZR_OK) return result;
  value->tag = get32(header + 8);
  const bool inline_ = type <= TVT_DOUBLE && count == 1;
  result = readExactly(stream, inline_ ? static_cast<void*>(&value->value) : value->value.storage,
                       static_cast<uint32_t>(bytes));
  if (result == ZR_OK) result = set->AddValue(value, nullptr);
  (void)set->FreeValue(value);
  return result;
}

// Reads a set record and its value records into `set`; `subSets` gets the
// number of sub-sets that follow. A record that is not a set record leaves
// the set untouched.
ZRESULT loadSetBody(IFIOIStream* stream, zefcorek::ITaggedValSetImp* set, uint32_t& subSets) {
  unsigned char record[kSetRecordSize];
  ZRESULT result = readExactly(stream, record, kSetRecordSize);
  if (result != ZR_OK) return result;
  if (get32(record) != kSetRecordSize || get32(record + 4) != kSetMagic || get32(record + 8) != kSetVersion)
    return ZR_FAILED;
  (void)set->Clear();
  (void)set->SetID(get32(record + 12));
  // Up to the first zero unit; a field without one gives all 128 units.
  std::u16string name;
  for (uint32_t i = 0; i < kNameUnits; ++i) {
    const char16_t unit = static_cast<char16_t>(record[16 + 2 * i] | record[17 + 2 * i] << 8);
    if (unit == 0) break;
    name.push_back(unit);
  }
  result = set->SetName(name.c_str());
  const uint32_t values = get32(record + 272);
  subSets = get32(record + 276);
  for (uint32_t index = 0; result == ZR_OK && index < values; ++index) result = loadValue(stream, set);
  return result;
}

}  // namespace

ZRESULT zefcorek::ITaggedValSetImp::LoadFromStream(IFIOIStream* stream) {
  if (stream == nullptr) return ZR_BADARG;
  struct Level {
    ITaggedValSetImp* set;  // the root holds no extra reference; the others are held by their parent
    uint32_t subSetsLeft;
  };
  std::vector<Level> levels;
  uint32_t subSets = 0;
  ZRESULT result = loadSetBody(stream, this, subSets);
  if (result != ZR_OK) return result;
  levels.push_back({this, subSets});
  while (result == ZR_OK && !levels.empty()) {
    Level& level = levels.back();
    if (level.subSetsLeft == 0) {
      levels.pop_back();
      continue;
    }
    --level.subSetsLeft;
    if (levels.size() >= kMaxLoadDepth) {
      result = ZR_FAILED;
      break;
    }
    auto* child = new (std::nothrow) ITaggedValSetImp();
    if (child == nullptr) {
      result = ZR_OUTOFMEMORY;
      break;
    }
    result = loadSetBody(stream, child, subSets);
    // Linked in as soon as its own record is read; should a deeper read fail,
    // the unfinished branch is taken out again below.
    if (result == ZR_OK) result = level.set->AddNewSubSet(child);
    child->Release();
    if (result == ZR_OK) levels.push_back({child, subSets});
  }
  // A sub-set whose loading did not finish is dropped whole; the sets that
  // were complete stay, as do the root's own values.
  if (result != ZR_OK && levels.size() > 1) (void)RemoveSubSet(levels[1].set);
  return result;
}
