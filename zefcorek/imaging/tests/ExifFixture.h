// Builds JPEG files with Exif data for the tests: SOI, APPn segments, a
// TIFF structure in either byte order from a table of IFDs, and EOI; and
// reads the sets the reader makes of them.
#pragma once

#include "zefcorek/TaggedValSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace exiffixture {

struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  std::vector<uint32_t> values;  // elements (RATIONAL: numerator, denominator pairs)
  std::string text = {};         // ASCII data, its NUL included in count
  int target = -1;               // a pointer entry: the IFD it points at
};

struct Tiff {
  bool bigEndian = false;
  std::vector<std::vector<Entry>> ifds;
  std::vector<int> chain = {0};  // the main chain, in order
  bool oddLink = false;          // give IFD1's offset one byte early
  int loopTo = -1;               // the last IFD of the chain links back here
};

inline void put(std::string& out, uint64_t at, uint32_t value, int size, bool bigEndian) {
  for (int i = 0; i < size; ++i) {
    const int shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
    out[at + i] = static_cast<char>(value >> shift);
  }
}

inline size_t elementSize(uint16_t type) {
  switch (type) {
    case 3:
    case 8: return 2;
    case 4:
    case 9: return 4;
    case 5:
    case 10: return 8;
    default: return 1;
  }
}

inline std::string tiffBytes(const Tiff& tiff) {
  // Layout: header, then each IFD followed by its data, all at even offsets.
  std::vector<uint32_t> offsets;
  uint32_t at = 8;
  for (const auto& ifd : tiff.ifds) {
    offsets.push_back(at);
    uint32_t size = 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
    for (const Entry& entry : ifd) {
      const size_t bytes = elementSize(entry.type) * entry.count;
      if (bytes > 4 || entry.type == 5 || entry.type == 10) size += static_cast<uint32_t>(bytes);
    }
    at += size + (size % 2);
  }
  std::string out(at, '\0');
  out[0] = out[1] = tiff.bigEndian ? 'M' : 'I';
  put(out, 2, 42, 2, tiff.bigEndian);
  put(out, 4, offsets[tiff.chain.front()], 4, tiff.bigEndian);
  for (size_t k = 0; k < tiff.ifds.size(); ++k) {
    const auto& ifd = tiff.ifds[k];
    uint32_t pos = offsets[k];
    put(out, pos, static_cast<uint32_t>(ifd.size()), 2, tiff.bigEndian);
    uint32_t data = pos + 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
    for (size_t e = 0; e < ifd.size(); ++e) {
      const Entry& entry = ifd[e];
      const uint32_t at12 = pos + 2 + 12 * static_cast<uint32_t>(e);
      put(out, at12, entry.tag, 2, tiff.bigEndian);
      put(out, at12 + 2, entry.type, 2, tiff.bigEndian);
      put(out, at12 + 4, entry.count, 4, tiff.bigEndian);
      if (entry.target >= 0) {
        put(out, at12 + 8, offsets[entry.target], 4, tiff.bigEndian);
        continue;
      }
      const size_t bytes = elementSize(entry.type) * entry.count;
      const bool inline4 = bytes <= 4 && entry.type != 5 && entry.type != 10;
      uint32_t target = inline4 ? at12 + 8 : data;
      if (!inline4) {
        put(out, at12 + 8, data, 4, tiff.bigEndian);
        data += static_cast<uint32_t>(bytes);
      }
      if (entry.type == 2) {
        for (size_t i = 0; i < entry.text.size(); ++i) out[target + i] = entry.text[i];
        continue;
      }
      const int size = static_cast<int>(elementSize(entry.type));
      const int each = entry.type == 5 || entry.type == 10 ? 4 : size;
      for (uint32_t value : entry.values) {
        put(out, target, value, each, tiff.bigEndian);
        target += each;
      }
    }
    // The link to the next IFD of the main chain.
    uint32_t next = 0;
    for (size_t c = 0; c + 1 < tiff.chain.size(); ++c) {
      if (tiff.chain[c] == static_cast<int>(k)) next = offsets[tiff.chain[c + 1]] - (tiff.oddLink ? 1 : 0);
    }
    if (tiff.loopTo >= 0 && static_cast<int>(k) == tiff.chain.back()) next = offsets[tiff.loopTo];
    put(out, pos + 2 + 12 * static_cast<uint32_t>(ifd.size()), next, 4, tiff.bigEndian);
  }
  return out;
}

inline std::string segment(uint8_t marker, const std::string& body) {
  const size_t length = body.size() + 2;
  return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                     static_cast<char>(length & 0xFF)} +
         body;
}

inline std::string exifSegment(const Tiff& tiff) { return segment(0xE1, std::string("Exif\0\0", 6) + tiffBytes(tiff)); }

inline std::string jpeg(const std::vector<std::string>& segments) {
  std::string out = "\xFF\xD8";
  for (const auto& each : segments) out += each;
  return out + "\xFF\xD9";
}

// The main fixture: IFD0 with a SHORT, a RATIONAL, an ASCII text, pointers
// to an Exif IFD (with its Interoperability IFD) and a GPS IFD; IFD1 with
// one value.
inline Tiff mainTiff(bool bigEndian) {
  Tiff tiff;
  tiff.bigEndian = bigEndian;
  tiff.ifds = {
      {{0x0100, 3, 1, {640}},
       {0x011A, 5, 1, {300, 1}},
       {0x010F, 2, 3, {}, std::string("AB\0", 3)},
       {0x8769, 4, 1, {}, {}, 1},
       {0x8825, 4, 1, {}, {}, 3}},
      {{0xA002, 4, 1, {640}}, {0xA005, 4, 1, {}, {}, 2}},
      {{0x0001, 2, 4, {}, std::string("R98\0", 4)}},
      {{0x0000, 1, 4, {2, 2, 0, 0}}},
      {{0x0128, 3, 1, {3}}},
  };
  tiff.chain = {0, 4};
  return tiff;
}

// The sub-set of `set` with the id; a failure when there is none.
inline ITaggedValSet* subSet(ITaggedValSet* set, uint32_t id) {
  ITaggedValSet* sub = nullptr;
  EXPECT_EQ(set->FindSubSetByID(id, &sub, nullptr), ZR_OK) << id;
  return sub;
}

}  // namespace exiffixture
