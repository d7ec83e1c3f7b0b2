// Decimal and general floating-point texts of numbers, as ASCII.
//
// These are the simple forms the allocating functions need; the format
// engine of the platform layer may take their place later.
#pragma once

#include <cstdint>
#include <string>

namespace textrum {

std::string decimalText(int64_t value);
std::string decimalText(uint64_t value);
// At most 15 significant digits, '.' as decimal point, no trailing zeros.
// Fixed notation while the decimal exponent e (value = d.ddd x 10^e) lies in
// -5 < e < 15, else "dE[-]x" with no plus sign and no leading zeros.
// Special values: "NAN", "INF", "-INF".
std::string generalFloatText(double value);

// The ASCII text as Char units.
template <typename Char>
std::basic_string<Char> widenAscii(const std::string& ascii) {
  return std::basic_string<Char>(ascii.begin(), ascii.end());
}

}  // namespace textrum
