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

std::string scientific(const Decimal& decimal) {
  std::string text(1, decimal.digits[0]);
  if (decimal.digits.size() > 1) text += "." + decimal.digits.substr(1);
  return text + "E" + std::to_string(decimal.exponent);
}

std::string fixed(const Decimal& decimal) {
  const int exponent = decimal.exponent;
  const std::string& digits = decimal.digits;
  if (exponent < 0) return "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  const auto integerDigits = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= integerDigits) return digits + std::string(integerDigits - digits.size(), '0');
  return digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

}  // namespace

std::string textrum::decimalText(int64_t value) { return integerText(value); }

std::string textrum::decimalText(uint64_t value) { return integerText(value); }

std::string textrum::generalFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  const Decimal decimal = roundTo15Digits(std::fabs(value));
  const std::string sign = value < 0 ? "-" : "";
  if (decimal.exponent >= 15 || decimal.exponent <= -5) return sign + scientific(decimal);
  return sign + fixed(decimal);
}
