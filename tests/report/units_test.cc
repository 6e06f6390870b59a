// Display units: naming a document's unit and printing lengths in it.
#include <gtest/gtest.h>

#include <string>

#include <quorvex/fdemem.h>

#include "client/report.h"

namespace {

constexpr MetricT kPoint = 0x10000;
constexpr MetricT kInch = 0x480000;
constexpr MetricT kCentimeter = 0x1C58B1;
constexpr MetricT kQ = 0xB56B;  // 0.25 mm, as a document stores its Q size

std::string Format(MetricT m, MetricT unit, IntT decimals) {
  StringT s = FormatMetricInUnits(m, unit, decimals);
  std::string r = s ? s : "(null)";
  F_Free(s);
  return r;
}

TEST(DisplayUnits, LengthsInTheDocumentUnit) {
  EXPECT_STREQ(DisplayUnitName(kInch), "inches");
  EXPECT_EQ(Format(kInch, kInch, 3), "1.000");
  EXPECT_STREQ(DisplayUnitName(kPoint), "points");
  EXPECT_EQ(Format(kInch, kPoint, 3), "72.000");
  // 72 pt over 28.3464508 pt per centimetre, truncated to 1/65536 before printing.
  EXPECT_STREQ(DisplayUnitName(kCentimeter), "centimeters");
  EXPECT_EQ(Format(kInch, kCentimeter, 3), "2.540");
  // A negative first indent of a quarter inch keeps its sign.
  EXPECT_EQ(Format(-kInch / 4, kInch, 3), "-0.250");
}

TEST(DisplayUnits, FontSizesInPointsAndQ) {
  EXPECT_STREQ(FontDisplayUnitName(kPoint), "points");
  EXPECT_EQ(Format(12 * kPoint, kPoint, 2), "12.00");
  EXPECT_STREQ(FontDisplayUnitName(kQ), "Q");
  // 12 pt / 0.70866 pt = 16.933 Q.
  EXPECT_EQ(Format(12 * kPoint, kQ, 2), "16.93");
  EXPECT_STREQ(FontDisplayUnitName(0), "Q");
}

TEST(DisplayUnits, SizeNotInTheTableHasNoNameButConverts) {
  EXPECT_STREQ(DisplayUnitName(kInch + 1), "");
  EXPECT_STREQ(DisplayUnitName(2 * kPoint), "");
  EXPECT_EQ(Format(kInch, 2 * kPoint, 3), "36.000");
}

TEST(DisplayUnits, ZeroUnitPrintsZeroInsteadOfDividing) {
  EXPECT_STREQ(DisplayUnitName(0), "");
  EXPECT_EQ(Format(kInch, 0, 3), "0.000");
  EXPECT_EQ(Format(-kInch, 0, 2), "0.00");
}

}  // namespace
