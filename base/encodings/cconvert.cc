// Chinese: GB EUC and its 7-bit HZ form (RFC 1843), Big5 and CNS 11643 EUC. Big5 and CNS
// convert through dense sequence numbers (Big5 row * 157 + trail position; CNS plane, row and
// cell), with tables generated from the platform's converters.
//
// Readers are bounded by the text's length; a character cut off by the end is dropped.
#include "encinternal.h"

namespace qvenc {
namespace {

constexpr unsigned kBig5Rows = 94, kBig5Cells = 157, kCnsPlane = 94 * 94, kCnsPlanes = 7;

bool IsEucByte(unsigned b) {
  return b >= 0xA1 && b <= 0xFE;
}
bool IsGb7Byte(unsigned b) {
  return b >= 0x21 && b <= 0x7E;
}

// Big5 code -> its sequence number, or -1 when the bytes are not a Big5 character.
int Big52IBMSeq(unsigned lead, unsigned trail) {
  if (lead < 0xA1 || lead > 0xFE) return -1;
  int pos = trail >= 0x40 && trail <= 0x7E   ? int(trail - 0x40)
            : trail >= 0xA1 && trail <= 0xFE ? int(trail - 0xA1 + 63)
                                             : -1;
  return pos < 0 ? -1 : int((lead - 0xA1) * kBig5Cells) + pos;
}

// Big5 sequence number -> CNS sequence number, or -1 when CNS has no such character.
int IBMSeq2CNSSeq(int seq) {
  if (seq < 0 || seq >= int(kBig5Rows * kBig5Cells)) return -1;
  unsigned c = qvBig5ToCns[seq];
  return c == kNoUnicode ? -1 : int(c);
}

void CNSSeq2CNSEUC(FdeCharListT *out, int cns) {
  unsigned plane = unsigned(cns) / kCnsPlane + 1, rest = unsigned(cns) % kCnsPlane;
  unsigned char row = (unsigned char)(0xA1 + rest / 94), cell = (unsigned char)(0xA1 + rest % 94);
  if (plane == 1) {
    Put2(out, row, cell);
  } else {
    const unsigned char c[4] = {0x8E, (unsigned char)(0xA0 + plane), row, cell};
    FdeCharListAddChar(out, c, 4);
  }
}

const unsigned char kOpen[2] = {'~', '{'}, kClose[2] = {'~', '}'};

}  // namespace
}  // namespace qvenc

using namespace qvenc;

IntT FdeBig52CNSEUC(ConUStringT s, IntT n, FdeCharListT *out) {
  const FdeFontEncT &e = Classes(fdeBIG5EncodingId);
  for (int i = 0; i < n;) {
    unsigned b = s[i];
    if (b < 0x80) {
      Put(out, (unsigned char)b);
      ++i;
    } else if (CharLen(e, s, i, n) == 2) {
      int cns = IBMSeq2CNSSeq(Big52IBMSeq(b, s[i + 1]));
      if (cns < 0)
        Put(out, '?');
      else
        CNSSeq2CNSEUC(out, cns);
      i += 2;
    } else {
      if (!(e.lead[b] && i + 1 == n)) Put(out, '?');  // a lead cut off by the end is dropped
      ++i;
    }
  }
  return 0;
}

IntT FdeCNSEUC2Big5(ConUStringT s, IntT n, FdeCharListT *out) {
  for (int i = 0; i < n;) {
    unsigned b = s[i];
    if (b < 0x80) {
      Put(out, (unsigned char)b);
      ++i;
      continue;
    }
    unsigned plane, row, cell;
    int len;
    if (b == 0x8E) {
      len = 4;
      if (i + 4 > n) break;  // cut off by the end
      plane = s[i + 1] - 0xA0u, row = s[i + 2], cell = s[i + 3];
      if (s[i + 1] < 0xA1 || s[i + 1] > 0xB0) plane = 0;
    } else if (IsEucByte(b)) {
      len = 2;
      if (i + 2 > n) break;
      plane = 1, row = b, cell = s[i + 1];
    } else {
      Put(out, '?');
      ++i;
      continue;
    }
    if (plane == 0 || !IsEucByte(row) || !IsEucByte(cell)) {
      Put(out, '?');
      ++i;
      continue;
    }
    i += len;
    unsigned big5 = plane <= kCnsPlanes
                        ? qvCnsToBig5[(plane - 1) * kCnsPlane + (row - 0xA1) * 94 + (cell - 0xA1)]
                        : kNoUnicode;
    if (big5 == kNoUnicode)
      Put(out, '?');
    else
      Put2(out, (unsigned char)(big5 >> 8), (unsigned char)big5);
  }
  return 0;
}

VoidT Fdegb72gb8(UCharT *s, IntT n) {
  for (IntT i = 0; s && i < n; ++i)
    if (s[i] < 0x80) s[i] = (UCharT)(s[i] + 0x80);
}

IntT FdeGb8ToHz(ConUStringT s, IntT n, FdeCharListT *out) {
  const FdeFontEncT &e = Classes(fdeGB2312_80_EUCEncodingId);
  bool gb = false;
  for (int i = 0; i < n;) {
    unsigned b = s[i];
    if (i + 1 < n && IsEucByte(b) && IsEucByte(s[i + 1])) {
      if (!gb) FdeCharListAddChar(out, kOpen, 2);
      gb = true;
      Put2(out, (unsigned char)(b - 0x80), (unsigned char)(s[i + 1] - 0x80));
      i += 2;
      continue;
    }
    if (gb) FdeCharListAddChar(out, kClose, 2);
    gb = false;
    int len = CharLen(e, s, i, n);
    if (b == '~') {
      Put2(out, '~', '~');
    } else if (b < 0x80) {
      Put(out, (unsigned char)b);
    } else if (!(e.lead[b] && i + 1 == n)) {
      Put(out, '?');  // outside GB 2312; a lead cut off by the end is dropped
    }
    i += len;
  }
  if (gb) FdeCharListAddChar(out, kClose, 2);
  return 0;
}

IntT FdeHzToGb8(ConUStringT s, IntT n, FdeCharListT *out) {
  bool gb = false;
  for (int i = 0; i < n;) {
    unsigned b = s[i];
    if (b == '~') {
      unsigned c = i + 1 < n ? s[i + 1] : 0;
      if (c == '~')
        Put(out, '~');
      else if (c == '{')
        gb = true;
      else if (c == '}')
        gb = false;
      // "~" before a line end continues the line; any other pair is not HZ and is dropped.
      i += c ? 2 : 1;
      continue;
    }
    if (gb && IsGb7Byte(b)) {
      if (i + 1 >= n) break;  // cut off by the end
      if (IsGb7Byte(s[i + 1])) {
        UCharT pair[2] = {(UCharT)b, s[i + 1]};
        Fdegb72gb8(pair, 2);
        Put2(out, pair[0], pair[1]);
        i += 2;
      } else {
        Put(out, '?');
        ++i;
      }
      continue;
    }
    if (b == '\n' || b == '\r') gb = false;  // a GB run never spans lines
    Put(out, b < 0x80 ? (unsigned char)b : '?');
    ++i;
  }
  return 0;
}
