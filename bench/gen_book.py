#!/usr/bin/env python3
"""Generates a book of many generated documents as benchmark input for the book commands.

  gen_book.py --components 200 --paragraphs 2000 OUTDIR [--styles 150] [--format mixed|odt|docx]

OUTDIR receives part0001.odt, part0002.docx, ... (with --format mixed, odd components are .odt
and even ones .docx) made by gen_office.py with a seed of their own, and docs.book, the JSON
book listing them in order. The folder alone is a book too (quorvex-host run --book OUTDIR).
"""

import argparse
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_office  # noqa: E402


def component_name(i, fmt):
    if fmt == "mixed":
        fmt = "odt" if i % 2 else "docx"
    return "part%04d.%s" % (i, fmt)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("out")
    ap.add_argument("--components", type=int, default=20)
    ap.add_argument("--paragraphs", type=int, default=2000, help="paragraphs per component")
    ap.add_argument("--styles", type=int, default=150, help="custom styles per component")
    ap.add_argument("--format", choices=("mixed", "odt", "docx"), default="mixed")
    args = ap.parse_args(argv)
    if args.components < 1:
        ap.error("need at least one component")
    os.makedirs(args.out, exist_ok=True)
    names = []
    for i in range(1, args.components + 1):
        name = component_name(i, args.format)
        try:
            plan = gen_office.Plan(args.paragraphs, args.styles, 0.15, 0.05, 0.3, 0.05, i)
        except ValueError as e:
            ap.error(str(e))
        write = gen_office.write_odt if name.endswith(".odt") else gen_office.write_docx
        write(plan, os.path.join(args.out, name))
        names.append(name)
    with open(os.path.join(args.out, "docs.book"), "w") as f:
        json.dump({"type": "book", "components": names}, f, indent=1)
        f.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
