#include <gtest/gtest.h>
#include <quorvex/fdemetric.h>

#include <cmath>
#include <cstdint>

namespace {

// The 16.16 quotient by extended-precision floating point, truncated toward zero.
int64_t RealDiv(int32_t a, int32_t b) {
  return static_cast<int64_t>(std::trunc(static_cast<long double>(a) * 65536 / b));
}

TEST(MetricMulDiv, RoundingAndWholeDivisors) {
  EXPECT_EQ(F_MetricDiv(0x30000, 0x20000), 0x18000);
  EXPECT_EQ(F_MetricDiv(0x10000, 0x8000), 0x20000);
  EXPECT_EQ(F_MetricDiv(0x10000, 0x30000), 0x5555);
  EXPECT_EQ(F_MetricDiv(-0x10000, 0x30000), -0x5555);
  EXPECT_EQ(F_MetricDiv(-7, 0x10000), -7);
  EXPECT_EQ(F_MetricMake(3, 2), 0x18000);
  EXPECT_EQ(F_MetricMul(0x18000, 0x18000), 0x24000);
  EXPECT_EQ(F_MetricMul(-0x18000, 0x18000), -0x24000);
  EXPECT_EQ(F_MetricMul(-0x18000, -0x10000), 0x18000);
  EXPECT_EQ(F_MetricSquare(-0x20000), 0x40000);
  // Sweep odd divisors against the real quotient; out-of-range ones saturate and count.
  FdeMetricOverflow = 0;
  int overflows = 0;
  for (int32_t a : {1, 0x12345, -0x7654321, 0x40000000, INT32_MIN + 1}) {
    for (int32_t b : {3, 0x10001, -0x8001, 0x123456, -0x7FFFFFFF}) {
      int64_t want = RealDiv(a, b);
      if (want > INT32_MAX || want < INT32_MIN) {
        ++overflows;
        want = want > 0 ? INT32_MAX : INT32_MIN;
      }
      EXPECT_EQ(F_MetricDiv(a, b), want) << a << "/" << b;
    }
  }
  EXPECT_EQ(FdeMetricOverflow, overflows);
}

TEST(MetricMulDiv, OverflowSaturatesAndCounts) {
  FdeMetricOverflow = 0;
  EXPECT_EQ(F_MetricDiv(0x7FFFFFFF, 0x8000), INT32_MAX);
  EXPECT_EQ(FdeMetricOverflow, 1);
  EXPECT_EQ(F_MetricDiv(-0x7FFFFFFF, 0x8000), INT32_MIN);
  EXPECT_EQ(F_MetricDiv(INT32_MIN, -0x10000), INT32_MAX);  // -32768.0 / -1.0
  EXPECT_EQ(FdeMetricOverflow, 3);
  EXPECT_EQ(F_MetricDiv(INT32_MIN, 0x10000), INT32_MIN);
  EXPECT_EQ(FdeMetricOverflow, 3);
  EXPECT_DEATH(F_MetricDiv(1, 0), "");
  EXPECT_DEATH(F_MetricMake(1, 0), "");
  EXPECT_EQ(F_MetricFractMul(0x30000, 0x10000, 0x20000), 0x18000);
  EXPECT_EQ(F_MetricFractMul(-0x30000, 1, 3), -0x10000);
  FdeMetricOverflow = 0;
  F_MetricFractMul(0x7FFFFFFF, 0x7FFFFFFF, 1);
  EXPECT_EQ(FdeMetricOverflow, 1);
  EXPECT_DEATH(F_MetricFractMul(1, 1, 0), "");
}

TEST(MetricConvert, FloatAndSqrt) {
  EXPECT_EQ(F_MetricFloat(1.5), 0x18000);
  EXPECT_EQ(F_MetricFloat(-1.0 / 65536 * 1.5), -1);  // truncation toward zero
  EXPECT_EQ(F_MetricFloat(1e9), INT32_MAX);
  EXPECT_EQ(F_MetricFloat(-1e9), INT32_MIN);
  EXPECT_DOUBLE_EQ(F_MetricToFloat(0x8000), 0.5);
  EXPECT_DOUBLE_EQ(F_MetricToFloat(0x1000001), 256.0);  // single precision drops the low bit
  EXPECT_NEAR(F_MetricSqrt(0x40000), 0x20000, 16);
  EXPECT_EQ(F_MetricSqrt(0), 0);
  for (int32_t m : {1, 0x10000, 0x123456, 0x40000000, INT32_MAX}) {
    double want = std::sqrt(m / 65536.0) * 65536.0;
    EXPECT_NEAR(F_MetricSqrt(m), want, 17) << m;
  }
  EXPECT_DEATH(F_MetricSqrt(-1), "");
  EXPECT_TRUE(F_MetricApproxEqual(0x10000, 0x1000F));
  EXPECT_FALSE(F_MetricApproxEqual(0x10000, 0x10010));
  EXPECT_FALSE(F_MetricApproxEqual(INT32_MIN, INT32_MAX));
}

TEST(MetricAngles, FoldingIntoOneTurn) {
  MetricT a = -0x5A0000;
  F_MetricNormalizeAngle(&a);
  EXPECT_EQ(a, 0x10E0000);
  a = 2 * FDE_METRIC_TURN;
  F_MetricNormalizeAngle(&a);
  EXPECT_EQ(a, 0);
  a = INT32_MIN;
  F_MetricConstrainAngle(&a, -0xB40000);  // [-180, 180)
  EXPECT_GE(a, -0xB40000);
  EXPECT_LT(a, 0xB40000);
  EXPECT_EQ((static_cast<int64_t>(a) - INT32_MIN) % FDE_METRIC_TURN, 0);
}

TEST(Languages, TableBothWays) {
  EXPECT_EQ(F_LanguageString(0), nullptr);
  EXPECT_EQ(F_LanguageString(25), nullptr);
  EXPECT_STREQ(F_LanguageString(1), "usenglish");
  EXPECT_STREQ(F_LanguageString(24), "newdutch");
  EXPECT_EQ(F_LanguageNumber("deutsch"), 3);
  EXPECT_EQ(F_LanguageNumber("Deutsch"), 0);
  EXPECT_EQ(F_LanguageNumber(nullptr), 0);
  for (int i = 1; i <= 24; ++i) EXPECT_EQ(F_LanguageNumber(F_LanguageString(i)), i);
}

}  // namespace
