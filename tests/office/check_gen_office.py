#!/usr/bin/env python3
"""Checks that LibreOffice opens bench/gen_office.py's documents and reads in them what the
generator says it wrote (its --summary), on a small instance of each format.

  check_gen_office.py GEN_OFFICE_PY [--soffice PATH] [--paragraphs N] [--styles S]
                      [--extra "GENERATOR OPTIONS"]

--extra passes more options to the generator (the scaling ones: --chain, --table-rows,
--table-cols, --flows, --nesting); the text boxes or headers --flows makes are then counted too.
"""

import argparse
import collections
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("generator")
    ap.add_argument("--soffice")
    ap.add_argument("--paragraphs", type=int, default=2000)
    ap.add_argument("--styles", type=int, default=100)
    ap.add_argument("--extra", default="", help="more options for the generator")
    args = ap.parse_args()
    failures = []
    work = tempfile.mkdtemp(prefix="check-gen-office-")
    try:
        summaries, files = {}, []
        for fmt in ("odt", "docx"):
            out = os.path.join(work, "gen." + fmt)
            done = subprocess.run([sys.executable, args.generator, "--paragraphs", str(args.paragraphs),
                                   "--styles", str(args.styles), "--format", fmt, "--summary", out]
                                  + args.extra.split(),
                                  stdout=subprocess.PIPE, check=True)
            summaries[out] = json.loads(done.stdout)
            files.append(out)
        cmd = [sys.executable, os.path.join(HERE, "lo_inspect.py"), "--no-text", "--indent", "0"]
        if args.soffice:
            cmd += ["--soffice", args.soffice]
        done = subprocess.run(cmd + files, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=900)
        if done.returncode != 0:
            print("lo_inspect failed (%d): %s" % (done.returncode, done.stderr.decode()), file=sys.stderr)
            return 1
        seen = json.loads(done.stdout)
        for f in files:
            want, got = summaries[f], seen[f]
            name = os.path.basename(f)
            p, q = want["paragraphs"], got["paragraphs"]
            # Text boxes are in the body of an .odt; a .docx's stories are headers.
            boxes, headers = (p["flows"], 0) if f.endswith(".odt") else (0, p["flows"])
            if not (q["body"] == p["body"] + p["tables"] + boxes and q["tables"] == p["tables"]
                    and q["frames"] == boxes and q["header_footer"] == headers
                    and q["footnotes"] == p["footnotes"] and q["total"] == p["total"] == args.paragraphs):
                failures.append("%s: paragraphs %s, generator says %s" % (name, q, p))
            bench_used = [s for s in got["styles_used"] if s.startswith("Bench ")]
            if len(bench_used) != want["custom_styles_used"] or len(bench_used) != len(got["styles_used"]):
                failures.append("%s: styles used %s, generator says %d Bench styles" % (
                    name, got["styles_used"], want["custom_styles_used"]))
            bench_defined = [s for s in got["styles_defined"] if s.startswith("Bench ")]
            if len(bench_defined) != want["custom_styles_defined"]:
                failures.append("%s: %d Bench styles defined, generator says %d" % (
                    name, len(bench_defined), want["custom_styles_defined"]))
            regions = collections.defaultdict(set)
            for s, r in zip(got["paragraph_styles"], got["paragraph_regions"]):
                regions[s].add(r)
            only_tables = sum(1 for rs in regions.values() if rs == {"table"})
            only_notes = sum(1 for rs in regions.values() if rs == {"footnote"})
            if (only_tables, only_notes) != (want["styles_only_in_tables"], want["styles_only_in_footnotes"]):
                failures.append("%s: styles only in tables/footnotes %d/%d, generator says %d/%d" % (
                    name, only_tables, only_notes, want["styles_only_in_tables"],
                    want["styles_only_in_footnotes"]))
            # LibreOffice's .docx import adds widow/orphan settings of its own to every table
            # cell paragraph, so only the .odt count is exact.
            if f.endswith(".odt") and got["overrides"] != want["direct_formatting"]:
                failures.append("%s: %d overrides, generator says %d" % (
                    name, got["overrides"], want["direct_formatting"]))
            if f.endswith(".docx"):
                outside = sum(1 for r, o in zip(got["paragraph_regions"], got["paragraph_overridden"])
                              if o and r != "table")
                if not 0 < outside <= want["direct_formatting"]:
                    failures.append("%s: %d overrides outside tables, generator says %d in all" % (
                        name, outside, want["direct_formatting"]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAILED: %s" % f, file=sys.stderr)
    if not failures:
        print("gen_office documents read back as generated")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
