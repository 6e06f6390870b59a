/* Signed 16.16 fixed-point metrics (0x10000 is 1.0; one point for lengths, one degree for
 * angles) and the table of the host's language numbers. */
#ifndef QUORVEX_FDEMETRIC_H
#define QUORVEX_FDEMETRIC_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

#define FDE_METRIC_ONE 0x10000
#define FDE_METRIC_TURN 0x1680000 /* 360 degrees */
#define FDE_METRIC_TOLERANCE 16

/* Counts overflows of F_MetricDiv (and divisions by zero); set to 1 by an overflowing
 * F_MetricFractMul. Never cleared by the library: clear it before the calls you check. */
extern IntT FdeMetricOverflow;

MetricT F_MetricFloat(RealT d);
RealT F_MetricToFloat(MetricT m);
MetricT F_MetricMake(IntT numerator, IntT denominator);
MetricT F_MetricMul(MetricT a, MetricT b);
MetricT F_MetricDiv(MetricT a, MetricT b);
MetricT F_MetricFractMul(MetricT a, MetricT b, MetricT c);
MetricT F_MetricSquare(MetricT m);
MetricT F_MetricSqrt(MetricT m);
BoolT F_MetricApproxEqual(MetricT a, MetricT b);
VoidT F_MetricConstrainAngle(MetricT *angle, MetricT lo);
VoidT F_MetricNormalizeAngle(MetricT *angle);

/* Name of a host language number (1 "usenglish" .. 24 "newdutch"), null for others. */
ConStringT F_LanguageString(IntT language);
/* Number of a language name (exact case), 0 when unknown. */
IntT F_LanguageNumber(ConStringT name);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDEMETRIC_H */
