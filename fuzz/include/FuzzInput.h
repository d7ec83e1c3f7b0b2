// Splits one fuzz input into the pieces a target needs: small numbers that
// pick a mode, and texts in either encoding. Every read is bounded by the
// input; past its end the reads give zeros and empty texts, so a target
// never needs to check how much is left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zef::fuzz {

class FuzzInput {
public:
  FuzzInput(const uint8_t* data, size_t size)
      : data_(reinterpret_cast<const char*>(data)), size_(data == nullptr ? 0 : size) {}

  bool empty() const { return offset_ >= size_; }

  // One byte, or 0 past the end.
  uint8_t byte() {
    if (offset_ >= size_) return 0;
    return static_cast<uint8_t>(data_[offset_++]);
  }

  // Bytes up to the next separator byte 0xFF (excluded) or the end.
  std::string_view piece() {
    const size_t start = offset_;
    while (offset_ < size_ && static_cast<uint8_t>(data_[offset_]) != 0xFF) ++offset_;
    const std::string_view bytes(data_ + start, offset_ - start);
    if (offset_ < size_) ++offset_;
    return bytes;
  }

  // Everything not read yet.
  std::string_view rest() {
    const std::string_view bytes(data_ + offset_, size_ - offset_);
    offset_ = size_;
    return bytes;
  }

private:
  const char* data_;
  size_t size_;
  size_t offset_ = 0;
};

// Bytes read as little-endian UTF-16 units (an odd last byte is dropped), so
// a wide target sees every unit, lone surrogates included.
inline std::u16string wideUnits(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
    units.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8));
  }
  return units;
}

}  // namespace zef::fuzz
