#include "support/fixed.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "support/memory.h"

namespace {

constexpr Fixed kOne = 0x10000;

TEST(FixedDiv, WholeAndFractionalDivisors) {
  EXPECT_EQ(0x18000, FixedDiv(3 * kOne, 2 * kOne));
  EXPECT_EQ(-0x18000, FixedDiv(-3 * kOne, 2 * kOne));
  EXPECT_EQ(-0x18000, FixedDiv(3 * kOne, -2 * kOne));
  EXPECT_EQ(0x18000, FixedDiv(-3 * kOne, -2 * kOne));
  EXPECT_EQ(2 * kOne, FixedDiv(3 * kOne, 0x18000));
  EXPECT_EQ(-2 * kOne, FixedDiv(-3 * kOne, 0x18000));
  EXPECT_EQ(2 * kOne, FixedDiv(-3 * kOne, -0x18000));
  EXPECT_EQ(0, FixedDiv(0, 0x18000));
  EXPECT_EQ(0, FixedDiv(0, -0x18000));
}

TEST(FixedDiv, DividingByOneReturnsTheValue) {
  for (Fixed v : {0, 1, -1, 0x7FFFFFFF, INT32_MIN, 0x12345678, -0x2468}) {
    EXPECT_EQ(v, FixedDiv(v, kOne));
  }
}

TEST(FixedDiv, TruncatesTowardZero) {
  // 1/3 and -1/3 of one unit: 0x5555 in magnitude either way.
  EXPECT_EQ(0x5555, FixedDiv(kOne, 3 * kOne));
  EXPECT_EQ(-0x5555, FixedDiv(-kOne, 3 * kOne));
  EXPECT_EQ(0x5555, FixedDiv(1, 3));
  EXPECT_EQ(21845, FixedDiv(1, 3)) << "|a| * 65536 / |b|";
  // A ratio: 12pt over 10pt.
  EXPECT_EQ(0x13333, FixedDiv(12 * kOne, 10 * kOne));
  EXPECT_EQ(0x12492, FixedDiv(12 * kOne, 0xA8000)) << "12 / 10.5";
}

TEST(FixedDiv, SaturatesWhenTheQuotientOverflows) {
  EXPECT_EQ(0x7FFFFFFF, FixedDiv(0x7FFFFFFF, 1));
  EXPECT_EQ(INT32_MIN, FixedDiv(0x7FFFFFFF, -1));
  EXPECT_EQ(INT32_MIN, FixedDiv(-0x7FFFFFFF, 1));
  EXPECT_EQ(0x7FFFFFFF, FixedDiv(INT32_MIN, -3));
  // Exactly 2^31 fits 32 bits but not the sign: still saturated, never
  // turned negative.
  EXPECT_EQ(0x7FFFFFFF, FixedDiv(0x40000000, 0x8000));
  EXPECT_EQ(INT32_MIN, FixedDiv(-0x40000000, 0x8000));
  // The whole-number path has one overflow of its own.
  EXPECT_EQ(0x7FFFFFFF, FixedDiv(INT32_MIN, -kOne));
}

TEST(FixedDiv, LargeDivisorsWithTheTopBitSet) {
  EXPECT_EQ(kOne, FixedDiv(INT32_MIN, INT32_MIN + 0x10000 - 0x10000));
  EXPECT_EQ(0x1FFFF, FixedDiv(INT32_MIN, -0x40000001));
  EXPECT_EQ(kOne, FixedDiv(0x7FFFFFFF, 0x7FFFFFFF));
}

int g_stops = 0;
void CountStop() { ++g_stops; }

TEST(FixedDiv, DivisionByZeroAssertsAndSaturates) {
  FatalStopHandler previous = SetFatalStopHandler(CountStop);
  g_stops = 0;
  EXPECT_EQ(0x7FFFFFFF, FixedDiv(5, 0));
  EXPECT_EQ(INT32_MIN, FixedDiv(-5, 0));
  EXPECT_EQ(INT32_MIN, FixedDiv(0, 0));
  EXPECT_EQ(3, g_stops);
  SetFatalStopHandler(previous);
}

TEST(FixedToDouble, CarriesSinglePrecisionOnly) {
  EXPECT_EQ(32768.0, FixedToDouble(0x7FFFFFFF));
  EXPECT_EQ(1.5, FixedToDouble(0x18000));
  EXPECT_EQ(-1.0, FixedToDouble(-kOne));
  EXPECT_EQ(0.0, FixedToDouble(0));
  EXPECT_EQ(static_cast<double>(1.0f / 65536.0f), FixedToDouble(1));
  // 24 significant bits: 1000.00001 is not representable.
  EXPECT_EQ(1000.0, FixedToDouble(1000 * kOne + 1));
}

}  // namespace
