// Lengths: the model keeps them as metrics (1/65536 point); files and prompts speak points.
#pragma once

#include <cmath>
#include <cstdint>

namespace qvhost {

inline double MetricToPoints(int32_t m) {
  return m / 65536.0;
}

// Fails (false) outside the 32-bit range.
inline bool PointsToMetric(double pt, int32_t &out) {
  double v = std::round(pt * 65536.0);
  if (!std::isfinite(v) || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

}  // namespace qvhost
