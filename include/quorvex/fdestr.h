/* NUL-terminated 8-bit strings in the host character set.
 *
 * A null string reads as the empty string; routines that write into a buffer do nothing for a
 * null buffer. Routines ending in N take the full size of the destination (NUL included) and
 * never store more than that; a size of 0 stores nothing. Case folding goes through the two
 * constant 256-entry tables below, never through the platform locale. */
#ifndef QUORVEX_FDESTR_H
#define QUORVEX_FDESTR_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

extern const UCharT *const FdeMToLower;
extern const UCharT *const FdeMToUpper;

StringT F_StrNew(UIntT length);
StringT F_StrCopyString(ConStringT s);
UIntT F_StrLen(ConStringT s);

VoidT F_StrCpy(StringT dst, ConStringT src);
UIntT F_StrCpyN(StringT dst, ConStringT src, UIntT size);
VoidT F_StrTrunc(StringT s, UIntT position);
UIntT F_StrCat(StringT dst, ConStringT src);
UIntT F_StrCatN(StringT dst, ConStringT src, UIntT size);
UIntT F_StrNCatN(StringT dst, ConStringT src, UIntT count, UIntT size);
UIntT F_StrCatCharN(StringT dst, UCharT c, UIntT size);
UIntT F_StrCatIntN(StringT dst, IntT value, UIntT size);

BoolT F_StrEqual(ConStringT a, ConStringT b);
BoolT F_StrIEqual(ConStringT a, ConStringT b);
BoolT F_StrEqualN(ConStringT a, ConStringT b, IntT n);
BoolT F_StrIEqualN(ConStringT a, ConStringT b, IntT n);
BoolT F_StrSIEqual(ConStringT a, ConStringT b);
IntT F_StrCmp(ConStringT a, ConStringT b);
IntT F_StrICmp(ConStringT a, ConStringT b);
IntT F_StrCmpN(ConStringT a, ConStringT b, UIntT n);
IntT F_StrICmpN(ConStringT a, ConStringT b, UIntT n);
IntT F_StrMCmp(ConStringT a, ConStringT b);
/* qsort comparator over arrays of string pointers. */
IntT F_StrQsortCmp(const void *a, const void *b);
BoolT F_StrPrefix(ConStringT s, ConStringT prefix);
BoolT F_StrIPrefix(ConStringT s, ConStringT prefix);
BoolT F_StrPrefixN(ConStringT s, ConStringT prefix, IntT n);
BoolT F_StrSuffix(ConStringT s, ConStringT suffix);
BoolT F_StrISuffix(ConStringT s, ConStringT suffix);

StringT F_StrChr(ConStringT s, UCharT c);
StringT F_StrRChr(ConStringT s, UCharT c);
IntT F_StrSubString(ConStringT s, ConStringT sought);
VoidT F_StrStrip(StringT s, ConStringT set);
VoidT F_StrStripLeadingSpaces(StringT s);
VoidT F_StrStripTrailingSpaces(StringT s);
VoidT F_StrReverse(StringT s, IntT n);
IntT F_StrAlphaToInt(ConStringT s);
RealT F_StrAlphaToReal(ConStringT s);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDESTR_H */
