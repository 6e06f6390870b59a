// 16.16 fixed-point arithmetic. Products and quotients are formed in 64 bits so that no
// intermediate can overflow; results outside the 32-bit range saturate where noted.
#include <quorvex/fdemetric.h>
#include <quorvex/fdemem.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int64_t kMax = INT32_MAX;
constexpr int64_t kMin = INT32_MIN;

uint32_t Magnitude(int32_t v) {
  return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
}

MetricT Saturate(int64_t v) {
  if (v > kMax) {
    ++FdeMetricOverflow;
    return INT32_MAX;
  }
  if (v < kMin) {
    ++FdeMetricOverflow;
    return INT32_MIN;
  }
  return static_cast<MetricT>(v);
}

// a * b / 65536 on magnitudes, in wrapping 32-bit pieces.
uint32_t MulMagnitudes(uint32_t ua, uint32_t ub) {
  uint32_t ah = ua >> 16, al = ua & 0xFFFF, bh = ub >> 16, bl = ub & 0xFFFF;
  return ((ah * bh) << 16) + ah * bl + al * bh + ((al * bl) >> 16);
}

}  // namespace

extern "C" {

IntT FdeMetricOverflow = 0;

MetricT F_MetricFloat(RealT d) {
  double v = d * 65536.0;
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<MetricT>(v);  // truncates toward zero
}

RealT F_MetricToFloat(MetricT m) {
  const float scale = std::bit_cast<float>(0x37800000u);  // 1/65536
  return static_cast<double>(static_cast<float>(m) * scale);
}

MetricT F_MetricMake(IntT numerator, IntT denominator) {
  auto shift = [](IntT v) { return static_cast<MetricT>(static_cast<uint32_t>(v) << 16); };
  return F_MetricDiv(shift(numerator), shift(denominator));
}

MetricT F_MetricMul(MetricT a, MetricT b) {
  uint32_t r = MulMagnitudes(Magnitude(a), Magnitude(b));
  if ((a < 0) != (b < 0)) r = 0u - r;
  return static_cast<MetricT>(r);
}

MetricT F_MetricDiv(MetricT a, MetricT b) {
  if (b == 0) {
    ++FdeMetricOverflow;
    FdeFail();
  }
  if (b == FDE_METRIC_ONE) return a;
  // The exact quotient truncated toward zero; whole-number divisors give a / k the same way.
  return Saturate(static_cast<int64_t>(a) * 65536 / b);
}

MetricT F_MetricFractMul(MetricT a, MetricT b, MetricT c) {
  if (c == 0) FdeFail();
  bool negative = ((a < 0) + (b < 0) + (c < 0)) % 2 == 1;
  uint64_t ua = Magnitude(a), ub = Magnitude(b), uc = Magnitude(c);
  while (ub > 0x10000 || uc > 0x10000) {
    ub >>= 1;
    uc >>= 1;
  }
  uint64_t lo = (ua % 0x8000) * ub;
  uint64_t p = (ua >> 15) * ub + (lo >> 15);
  // A divisor shifted away entirely means the quotient is far beyond range.
  if (uc == 0 || p / uc > 0x7FFF) {
    FdeMetricOverflow = 1;
    return negative ? INT32_MIN : INT32_MAX;
  }
  uint64_t r = ((p / uc) << 15) + (((p % uc) << 15) + (lo % 0x8000)) / uc;
  int64_t v = static_cast<int64_t>(r);
  return static_cast<MetricT>(negative ? -v : v);
}

MetricT F_MetricSquare(MetricT m) {
  uint32_t u = Magnitude(m);
  return static_cast<MetricT>(MulMagnitudes(u, u));
}

MetricT F_MetricSqrt(MetricT m) {
  if (m < 0) FdeFail();
  if (m == 0) return 0;
  int64_t x = m;
  for (int i = 0; i < 50; ++i) {
    int64_t next = (x + F_MetricDiv(m, static_cast<MetricT>(x))) >> 1;
    if (std::llabs(next - x) <= FDE_METRIC_TOLERANCE) return static_cast<MetricT>(next);
    x = next;
  }
  return F_MetricFloat(std::sqrt(F_MetricToFloat(m)));
}

BoolT F_MetricApproxEqual(MetricT a, MetricT b) {
  return std::llabs(static_cast<int64_t>(a) - b) < FDE_METRIC_TOLERANCE;
}

VoidT F_MetricConstrainAngle(MetricT *angle, MetricT lo) {
  if (angle == nullptr) FdeFail();
  int64_t off = (static_cast<int64_t>(*angle) - lo) % FDE_METRIC_TURN;
  if (off < 0) off += FDE_METRIC_TURN;
  int64_t r = lo + off;
  // A window that reaches past the largest metric cannot hold every angle; stay in range.
  if (r > kMax) r -= FDE_METRIC_TURN;
  *angle = static_cast<MetricT>(r);
}

VoidT F_MetricNormalizeAngle(MetricT *angle) {
  F_MetricConstrainAngle(angle, 0);
}

}  // extern "C"
