#include "platform/MulDiv.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(MulDivTest, RoundsTheFullProductHalfAwayFromZero) {
  const struct {
    int number, numerator, denominator, expected;
  } cases[] = {
      // resolution conversions between dots per inch and per metre
      {96, 10000, 254, 3780},
      {50, 10000, 254, 1969},
      {2835, 254, 10000, 72},
      // halves go away from zero, in every sign combination
      {5, 1, 2, 3},
      {-5, 1, 2, -3},
      {5, 1, -2, -3},
      {-5, -1, -2, -3},
      {7, 1, 2, 4},
      // just under a half rounds towards zero
      {4, 1, 3, 1},
      {-4, 1, 3, -1},
      // the product needs 64 bits, the quotient does not
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {INT_MIN, INT_MIN, INT_MIN, INT_MIN},
      {0x40000000, 4, 8, 0x20000000},
      // a denominator of 0, and quotients outside 32 bits
      {1, 1, 0, -1},
      {INT_MAX, 2, 1, -1},
      {INT_MIN, -1, 1, -1},
      {INT_MIN, 1, -1, -1},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(MulDiv(row.number, row.numerator, row.denominator), row.expected)
        << row.number << " * " << row.numerator << " / " << row.denominator;
  }
}

TEST(MulDivTest, FourBitGreyRampSpansTheByte) {
  for (int level = 0; level < 16; ++level) {
    EXPECT_EQ(MulDiv(level, 255, 15), level * 17) << level;
  }
}

}  // namespace
