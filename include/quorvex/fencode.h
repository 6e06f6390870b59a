/* Text encodings: the registry of text encoding codes, the five font encodings that tell which
 * bytes begin and continue a double-byte character, the conversion dispatcher, Unicode support
 * (UTF-8, UTF-16, per-encoding tables loaded from ".UCOD" files, XML name classes), the
 * character-list builder that every conversion writes into, the encoding-aware string routines,
 * the host's escape notation and its control bytes for export.
 *
 * Conventions:
 *  1. Until F_FdeInitFontEncs runs, the public lead/trail tables are all zero: no byte begins a
 *     double-byte character, the dialog encoding is 0 and the locale flags are -1. The
 *     conversions themselves know their encodings and work without it; conversions into and
 *     out of Unicode for the double-byte sets need F_FdeInitUnicode.
 *  2. Returned strings are new blocks from the base allocator; release them with F_Free.
 *  3. Bad input never writes past a buffer: fixed-size results are cut at a character
 *     boundary, and a text cut in the middle of a double-byte character loses only that half.
 *  4. A character without a counterpart becomes '?' when converting out of Unicode (invisible
 *     format characters such as the soft hyphen are dropped instead) or between double-byte
 *     sets; a byte without a Unicode value produces nothing when converting into Unicode;
 *     per-byte maps of the host set drop characters for which they give 0.
 *  5. An invalid encoding code is a contract violation and goes to the assertion path. */
#ifndef QUORVEX_FENCODE_H
#define QUORVEX_FENCODE_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

/* Text encoding codes. */
enum {
  FdeTextEncHost = 0, /* the host's own 8-bit set */
  FdeTextEncISOLatin1 = 1,
  FdeTextEncASCII = 2,
  FdeTextEncANSI = 3, /* windows-1252 */
  FdeTextEncMacASCII = 4,
  FdeTextEncJIS7 = 5,
  FdeTextEncShiftJIS = 6,
  FdeTextEncEUCJP = 7,
  FdeTextEncBig5 = 8,
  FdeTextEncCNSEUC = 9,
  FdeTextEncGBEUC = 10,
  FdeTextEncHZ = 11,
  FdeTextEncKSCEUC = 12,
  FdeTextEncUTF8 = 16,
  FdeTextEncUTF16 = 17,
  FdeTextEncLast = 17
};

/* Font encoding ids. */
enum {
  fdeVodudUdazuEncodingId = 0,
  fdeJISX0208_ShiftJISEncodingId = 1,
  fdeKSC5601_1992EncodingId = 2,
  fdeBIG5EncodingId = 3,
  fdeGB2312_80_EUCEncodingId = 4,
  fdeLastEncodingId = 4
};

/* A font encoding: lead[b] is non-zero when b begins a double-byte character, trail[b] when b
 * may follow a lead byte. */
typedef struct FdeFontEncT {
  UCharT lead[256];
  UCharT trail[256];
  ConStringT name;
} FdeFontEncT;

extern FdeFontEncT fdeFontEncs[fdeLastEncodingId + 1];
extern IntT fdeDialogEncodingId;
/* -1 until determined, then 0 or 1. */
extern IntT fdeLocaleIsEUC, fdeLocaleIsJIS, fdeLocaleIsCNS, fdeLocaleIsRoman;

/* Fills the five font encodings, selects the dialog encoding whose name equals the argument
 * ignoring case (0 when none does), determines the locale flags; returns the dialog encoding. */
IntT F_FdeInitFontEncs(ConStringT dialogEncodingName);
/* Locale flags from the character-type locale, once, while the EUC and CNS flags are
 * undetermined. The process locale is left as it was. */
VoidT checkEUC(VoidT);
/* The locale kind of a locale name: 'E' EUC, 'J' JIS, 'S' Shift_JIS, 'C' CNS, 'R' Roman. */
IntT FdeLocaleKind(ConStringT localeName);

ConStringT F_FontEncName(IntT id); /* null above the last id */
IntT F_FontEncId(ConStringT name); /* ignoring case; 0 when none matches */
IntT F_FontEncToTextEnc(IntT id);
IntT F_TextEncToFontEnc(IntT code);
/* True when byte b begins a double-byte character / may follow one in font encoding id, by
 * the public tables (so all false before F_FdeInitFontEncs). */
BoolT FdeIsLeadByte(IntT id, UCharT b);
BoolT FdeIsTrailByte(IntT id, UCharT b);

/* Registry. A code without a name gives "". */
ConStringT FdeTextEncValueToName(IntT code);
ConStringT FdeTextEncValueToMimeName(IntT code);
IntT FdeTextEncNameToValue(ConStringT name); /* 0 when none matches */

/* Character properties of the host set. */
#define FDE_CP_UPPER 0x01
#define FDE_CP_LOWER 0x02
#define FDE_CP_SPACE 0x04
#define FDE_CP_LETTER 0x08
#define FDE_CP_DIGIT 0x10
extern const UCharT FdeCharProps[256];
/* Compares letters and digits only, folded to upper case; the difference of the first unequal
 * folded characters, 0 when equal. */
IntT F_StrANICmp(ConStringT a, ConStringT b);

/* Character-list builder: the output of every conversion. The buffer is always terminated by
 * a NUL after `length` bytes; `capacity` counts the usable bytes before it. */
#define FDE_CHARLIST_TAG 0x4368726Eu
#define FDE_CL_CALLER_BUFFER 0x1u /* buffer is the caller's; copied to the heap on growth */
#define FDE_CL_FIXED 0x2u         /* never grows */
#define FDE_CL_OVERFLOW 0x4u      /* an addition did not fit */
typedef struct FdeCharListT {
  UIntT tag;
  UIntT capacity;
  UIntT length;
  UIntT chunk;
  UIntT flags;
  UStringT buffer;
} FdeCharListT;

/* A growable list on the heap, growing by chunk bytes (at least 1). 0, or -1 when out of
 * memory. */
IntT FdeCharListInit(FdeCharListT *list, UIntT chunk);
/* A list over the caller's buffer of size bytes (capacity size - 1). flags: FDE_CL_FIXED to
 * never grow, otherwise it moves to the heap on first growth (chunk at least 1). 0 or -1. */
IntT FdeCharListInitBuffer(FdeCharListT *list, UStringT buffer, UIntT size, UIntT chunk,
                           UIntT flags);
/* Adds bytes, cut to the room left; returns the number added. */
UIntT FdeCharListAdd(FdeCharListT *list, const void *bytes, UIntT count);
/* Adds one character of count bytes whole or not at all; 1 when added. */
BoolT FdeCharListAddChar(FdeCharListT *list, const void *bytes, UIntT count);
BoolT FdeCharListAddByte(FdeCharListT *list, UCharT byte);
/* The buffer as a heap string owned by the caller (a copy for a caller's buffer); the list is
 * spent (cleared; FdeCharListFree on it does nothing). Null, the list untouched, when out of
 * memory. */
UStringT FdeCharListDetach(FdeCharListT *list);
/* Releases a heap buffer (never the caller's) and clears the list. */
VoidT FdeCharListFree(FdeCharListT *list);

/* Conversion dispatcher: appends the conversion of length bytes to out. 0 on success; -1 for a
 * pair it does not convert (the bytes are then copied). For code 17 the bytes are native-order
 * UTF-16 units. */
IntT FdeTransliterateBytes(ConUStringT bytes, IntT length, FdeCharListT *out, IntT from, IntT to);
/* A new string converted from one code to another; the empty string for an unsupported pair.
 * Input and output of code 17 are 0-terminated native-order UTF-16. Null when out of memory. */
StringT F_StrConvertEnc(ConStringT string, IntT from, IntT to);
/* A new 0-terminated UTF-16 string of the text in the given code. */
UShortT *FdeTextEncStringToUTF16(ConStringT string, IntT code);
/* Number of units before the 0 unit. */
UIntT FdeUTF16Len(const UShortT *s);

/* Per-pair conversions; each appends to out and returns 0. */
IntT FdeJisToShiftJis(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeJisToEuc(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeShiftJisToJis(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeShiftJisToEuc(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeEucToJis(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeEucToShiftJis(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeBig52CNSEUC(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeCNSEUC2Big5(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeGb8ToHz(ConUStringT s, IntT n, FdeCharListT *out);
IntT FdeHzToGb8(ConUStringT s, IntT n, FdeCharListT *out);
/* JIS X 0208 row/cell bytes (0x21..0x7E) to Shift_JIS and back, in place. The reverse gives
 * bytes outside 0x21..0x7E for Shift_JIS codes that JIS X 0208 does not hold. */
VoidT Fdejis2sjis(UCharT *hi, UCharT *lo);
VoidT Fdesjis2jis(UCharT *hi, UCharT *lo);
/* Widens the half-width katakana byte (Shift_JIS 0xA1..0xDF) to its JIS X 0208 code
 * (row << 8 | cell), combining a following sound mark (next, 0 for none) where the set has the
 * combined character; *jis gets the code, the result is the number of bytes used (1 or 2),
 * 0 when hw is not a half-width katakana. */
IntT Fdehan2zen(UCharT hw, UCharT next, UShortT *jis);
/* Adds 0x80 to every byte of a 7-bit GB run, in place. */
VoidT Fdegb72gb8(UCharT *s, IntT n);

/* Unicode. The 8-bit tables: 0xFFFF marks a byte without a Unicode value. */
enum {
  FdeUniTableHost = 0,
  FdeUniTableLatin1 = 1,
  FdeUniTableSymbol = 2,
  FdeUniTableDingbats = 3,
  FdeUniTableWingdings = 4
};
const UShortT *FdeUnicode8BitTable(IntT which);

/* A loaded ".UCOD" table: rows by lead byte, the single-byte row in slot 0. */
typedef struct FdeUniRowT {
  UCharT first, last;    /* trail byte range */
  const UShortT *values; /* last - first + 1 values */
} FdeUniRowT;
typedef struct FdeUniTableT {
  const FdeUniRowT *rows[256]; /* null for a lead byte without a row */
  FdeUniRowT store[256];
  UShortT *data; /* every row's values */
} FdeUniTableT;

/* Reads a table file; null when it is missing or malformed (every field is checked against the
 * file's length). */
FdeUniTableT *FdeLoadUnicodeTable(ConStringT path);
VoidT FdeFreeUnicodeTable(FdeUniTableT *table);
/* Loads dir/unicode/<name>.UCOD for the four double-byte font encodings, replacing any tables
 * loaded before; returns the number loaded. */
IntT F_FdeInitUnicode(ConStringT dir);
/* Releases the loaded tables. */
VoidT F_FdeFreeUnicode(VoidT);
/* The loaded table of a font encoding, or null. */
const FdeUniTableT *FdeUnicodeTableOf(IntT fontEnc);
/* Unicode of one character (a byte, or lead << 8 | trail) of a font encoding; 0xFFFF when
 * there is none. */
UIntT FdeCharToUnicode(IntT fontEnc, UIntT ch);

BoolT F_LCharIsSafeForAscii(UIntT c);
/* XML 1.0 name characters; first non-zero asks whether c may start a name. */
BoolT F_LCharIsSafeForName(UIntT c, BoolT first);

/* Encoding-aware string routines: as their plain counterparts, with a font encoding id. A lead
 * byte followed by a valid trail byte is one character: never split, searched for or folded as
 * two. A character argument is a byte or lead << 8 | trail. Case folding goes through the host
 * set's tables for id 0 and folds only ASCII letters for the double-byte encodings. */
UIntT F_StrLenEnc(ConStringT s, IntT enc); /* characters */
StringT F_StrChrEnc(ConStringT s, UIntT c, IntT enc);
StringT F_StrRChrEnc(ConStringT s, UIntT c, IntT enc);
IntT F_StrStrEnc(ConStringT s, ConStringT sought, IntT enc); /* byte offset or -1 */
BoolT F_StrIEqualEnc(ConStringT a, ConStringT b, IntT enc);
IntT F_StrICmpEnc(ConStringT a, ConStringT b, IntT enc);
BoolT F_StrIPrefixEnc(ConStringT s, ConStringT prefix, IntT enc);
UIntT F_StrCpyNEnc(StringT dst, ConStringT src, UIntT size, IntT enc);
UIntT F_StrCatNEnc(StringT dst, ConStringT src, UIntT size, IntT enc);
UIntT F_StrNCatNEnc(StringT dst, ConStringT src, UIntT count, UIntT size, IntT enc);
/* True when a cut before byte position pos would split a double-byte character. */
BoolT IsSplittingDBChar(ConStringT s, IntT pos, IntT enc);

/* The host's escape notation, read and written in the dialog encoding. Results go to a buffer
 * of size bytes and hold at most 255 bytes when read and fewer than 254 when written, cut at a
 * character (and escape) boundary; the result is the length written. */
#define FDE_DBTEXT_MAX 255
IntT FdeDbTextToMaker(ConStringT text, StringT out, IntT size);
IntT FdeMakerToDbText(ConStringT text, StringT out, IntT size);
/* Control bytes for export and back, in place. */
VoidT FdeFMControlToExternal(StringT s);
VoidT FdeExternalControlToFM(StringT s);

QUORVEX_END_DECLS

#endif /* QUORVEX_FENCODE_H */
