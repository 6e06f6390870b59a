#!/usr/bin/env python3
"""Writes the widening of half-width katakana (U+FF61..U+FF9F) to full-width characters.

One line per half-width character: its code, the full-width character, and the single
full-width characters that it forms with a following voiced (U+FF9E) or semi-voiced (U+FF9F)
sound mark, 0 where none exists. Taken from the compatibility decompositions of the Unicode
character database that Python carries; the build turns these into JIS codes.
"""
import sys
import unicodedata

# The half-width sound marks decompose to the combining marks; the character sets we convert
# into hold only the spacing forms.
SPACING = {0x3099: 0x309B, 0x309A: 0x309C}


def composed(base, mark):
    s = unicodedata.normalize("NFC", base + mark)
    return ord(s) if len(s) == 1 else 0


def main(out):
    lines = []
    for code in range(0xFF61, 0xFFA0):
        wide = unicodedata.normalize("NFKC", chr(code))
        if len(wide) != 1:
            sys.exit("kana.py: U+%04X does not widen to one character" % code)
        w = SPACING.get(ord(wide), ord(wide))
        lines.append("%04X %04X %04X %04X" % (code, w, composed(chr(w), "\u3099"),
                                              composed(chr(w), "\u309A")))
    with open(out, "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
