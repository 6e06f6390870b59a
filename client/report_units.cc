// Display units of a document: naming the unit the user chose and printing lengths in it.
//
// A document stores each unit as the size of one unit in points (a metric). The host writes
// the sizes below exactly, so names are found by plain equality; any other size has no name
// but still converts.
#include <array>

#include "client/report.h"
#include "client/report_deps.h"

namespace {

struct UnitName {
  MetricT size;
  ConStringT name;
};

constexpr std::array<UnitName, 7> kDisplayUnits{{
    {0x480000, "inches"},
    {0x1C58B1, "centimeters"},
    {0x2D5AB, "millimeters"},
    {0xC0000, "picas"},
    {0x10000, "points"},
    {0x11159, "didots"},
    {0xCD02C, "ciceros"},
}};

constexpr MetricT kPoint = 0x10000;

}  // namespace

extern "C" {

ConStringT DisplayUnitName(MetricT unitSize) {
  for (const UnitName &u : kDisplayUnits)
    if (u.size == unitSize) return u.name;
  return "";
}

ConStringT FontDisplayUnitName(MetricT unitSize) {
  return unitSize == kPoint ? "points" : "Q";
}

StringT FormatMetricInUnits(MetricT m, MetricT unitSize, IntT decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  // A zero unit only comes from a failed read; dividing by it would end the process in the
  // middle of a report, so the number prints as 0 instead.
  double x = unitSize == 0 ? 0.0 : F_MetricToFloat(F_MetricDiv(m, unitSize));
  // The largest quotient a metric can hold (32768 units) stays far below the 256 bytes here.
  static constexpr ConStringT kFormats[] = {"%.0f", "%.1f", "%.2f", "%.3f", "%.4f",
                                            "%.5f", "%.6f", "%.7f", "%.8f", "%.9f"};
  char buf[256];
  F_Sprintf(buf, kFormats[decimals], x);
  return F_StrCopyString(buf);
}

ConStringT GetDocDisplayUnits(F_ObjHandleT docId) {
  return DisplayUnitName(F_ApiGetMetric(docId, docId, PROP_DisplayUnits));
}

ConStringT GetDocFontDisplayUnits(F_ObjHandleT docId) {
  return FontDisplayUnitName(F_ApiGetMetric(docId, docId, PROP_FontDisplayUnits));
}

StringT ConvertToDisplayUnits(F_ObjHandleT docId, MetricT m) {
  return FormatMetricInUnits(m, F_ApiGetMetric(docId, docId, PROP_DisplayUnits), 3);
}

StringT ConvertToFontDisplayUnits(F_ObjHandleT docId, MetricT m) {
  return FormatMetricInUnits(m, F_ApiGetMetric(docId, docId, PROP_FontDisplayUnits), 2);
}

}  // extern "C"
