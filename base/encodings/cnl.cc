// Character classes: characters safe to write as plain ASCII, and the XML 1.0 name
// characters (BaseChar, Ideographic, Digit, CombiningChar and Extender of its Appendix B).
#include <bitset>

#include "encinternal.h"

namespace {

struct NameSets {
  std::bitset<0x10000> name, first;
  NameSets() {
    auto mark = [](std::bitset<0x10000> &set, const unsigned short *r, unsigned count) {
      for (unsigned k = 0; k < count; ++k)
        for (unsigned c = r[2 * k]; c <= r[2 * k + 1]; ++c) set.set(c);
    };
    mark(first, qvXmlBaseChar, qvXmlBaseCharCount);
    mark(first, qvXmlIdeographic, qvXmlIdeographicCount);
    name = first;
    mark(name, qvXmlDigit, qvXmlDigitCount);
    mark(name, qvXmlCombining, qvXmlCombiningCount);
    mark(name, qvXmlExtender, qvXmlExtenderCount);
    name.set('-');
  }
};

const NameSets &Sets() {
  static const NameSets *s = new NameSets;  // built on first use, kept for the process
  return *s;
}

}  // namespace

BoolT F_LCharIsSafeForAscii(UIntT c) {
  return (c >= 0x20 && c <= 0x5B) || (c >= 0x5D && c <= 0x7D);
}

BoolT F_LCharIsSafeForName(UIntT c, BoolT first) {
  if (c > 0xFFFF) return 0;
  return first ? Sets().first.test(c) : Sets().name.test(c);
}
