// Number texts for the allocating functions.
#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

template <typename Integer>
std::string integerText(Integer value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// The decimal digits and exponent of |value| rounded to 15 significant
// digits: |value| = d.ddd... x 10^exponent, trailing zeros removed.
struct Decimal {
  std::string digits;
  int exponent;
};

Decimal roundTo15Digits(double magnitude) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);  // "d.dddddddddddddde+xx"
  Decimal decimal;
  const char* cursor = buffer;
  for (; *cursor != 'e'; ++cursor) {
    if (*cursor != '.') decimal.digits.push_back(*cursor);
  }
  decimal.exponent = std::atoi(cursor + 1);
  while (decimal.digits.size() > 1 && decimal.digits.back() == '0') decimal.digits.pop_back();
  return decimal;
}

// The texts are built by appending; GCC 12 warns falsely (-Wrestrict) on
// some chains of operator+ at -O3.
std::string scientific(const Decimal& decimal) {
  std::string text(1, decimal.digits[0]);
  if (decimal.digits.size() > 1) {
    text.push_back('.');
    text.append(decimal.digits, 1);
  }
  text.push_back('E');
  text.append(std::to_string(decimal.exponent));
  return text;
}

std::string fixed(const Decimal& decimal) {
  const int exponent = decimal.exponent;
  const std::string& digits = decimal.digits;
  std::string text;
  if (exponent < 0) {
    text.append("0.");
    text.append(static_cast<size_t>(-exponent - 1), '0');
    text.append(digits);
    return text;
  }
  const auto integerDigits = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= integerDigits) {
    text.append(digits);
    text.append(integerDigits - digits.size(), '0');
    return text;
  }
  text.append(digits, 0, integerDigits);
  text.push_back('.');
  text.append(digits, integerDigits);
  return text;
}

}  // namespace

std::string textrum::decimalText(int64_t value) { return integerText(value); }

std::string textrum::decimalText(uint64_t value) { return integerText(value); }

std::string textrum::generalFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  const Decimal decimal = roundTo15Digits(std::fabs(value));
  std::string text = value < 0 ? "-" : "";
  const bool useExponent = decimal.exponent >= 15 || decimal.exponent <= -5;
  text.append(useExponent ? scientific(decimal) : fixed(decimal));
  return text;
}
