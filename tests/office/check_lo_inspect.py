#!/usr/bin/env python3
"""Self-test of lo_inspect.py against two fixtures whose content is known from how they were
made (tests/fixtures/office/src/rich_fodt.py and src/pydocx_doc.py), a damaged copy of one,
and a soffice that fails.

  check_lo_inspect.py FIXTURE_DIR [--soffice PATH]

Exits 0 when every check passes, 1 otherwise, listing each failed check.
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
TOOL = os.path.join(HERE, "lo_inspect.py")
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def run(args, soffice):
    cmd = [sys.executable, TOOL, "--indent", "0"] + (["--soffice", soffice] if soffice else []) + args
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")


def places(entry, style):
    """Regions of the paragraphs in that style."""
    return {r for s, r in zip(entry["paragraph_styles"], entry["paragraph_regions"]) if s == style}


def check_rich(e):
    check(e["opens"], "rich.odt opens")
    check(e["paragraphs"] == {"body": 20, "tables": 6, "frames": 1, "footnotes": 2, "endnotes": 1,
                              "header_footer": 3, "total": 26},
          "rich.odt paragraph counts: %s" % e["paragraphs"])
    check(len(e["paragraph_styles"]) == 26 == len(e["paragraph_regions"]),
          "rich.odt one style and region per paragraph")
    # Styles placed in one region only by rich_fodt.py.
    check(places(e, "Footer Line") == {"footer"}, "Footer Line only in the footer: %s" % places(e, "Footer Line"))
    check(places(e, "Footnote Line") == {"footnote"}, "Footnote Line only in a footnote")
    check(places(e, "Endnote") == {"endnote"}, "Endnote in the endnote")
    check(places(e, "Header") == {"header"}, "Header in the header")
    check(places(e, "Frame Text") == {"frame"}, "Frame Text only in the text box")
    check(places(e, "Inner Cell Text") == {"table"}, "Inner Cell Text only in the nested table")
    counts = collections.Counter(e["paragraph_styles"])
    check(counts["Cell Text"] == 4 and counts["Inner Cell Text"] == 2 and counts["Section Text"] == 2
          and counts["Text body"] == 6 and counts["Footer Line"] == 2,
          "rich.odt per-style counts: %s" % dict(counts))
    check(e["paragraph_styles"][0] == "Heading 1" and e["paragraph_styles"][2] == "Footnote",
          "rich.odt order: heading first, the first footnote right after its citing paragraph")
    for unused in ("Unused Alpha", "Unused Beta"):
        check(unused in e["styles_defined"] and unused not in e["styles_used"],
              "%s defined and unused" % unused)
    check(e["style_names"].get("Heading 1") == "Heading_20_1", "Heading 1's internal name")
    check("Heading_20_1" not in e["styles_used"], "internal names never shown as used styles")
    # P1, P2 (Text body), P3 (Cell Text), P4 (Heading 2) in the body and MP1 in the footer.
    check(e["overrides"] == 5, "rich.odt overrides: %s" % e["overrides"])
    overridden = collections.Counter(s for s, o in zip(e["paragraph_styles"], e["paragraph_overridden"]) if o)
    check(overridden == {"Text body": 2, "Cell Text": 1, "Heading 2": 1, "Footer Line": 1},
          "rich.odt overridden paragraphs: %s" % dict(overridden))
    check("Outer B1 aligned right" in e["text"] and "Second item" in e["text"],
          "rich.odt plain text")


def check_pydocx(e):
    check(e["opens"], "pydocx.docx opens")
    p = e["paragraphs"]
    check(p["body"] == 25 and p["tables"] == 9 and p["header_footer"] == 3
          and p["footnotes"] == 0 and p["endnotes"] == 0,
          "pydocx.docx paragraph counts: %s" % p)
    check(places(e, "Footer Only") == {"footer"}, "Footer Only only in the footer")
    check(places(e, "Cell Text") == {"table"}, "Cell Text only in the table")
    counts = collections.Counter(e["paragraph_styles"])
    # Word's "Normal" is LibreOffice's "Standard".
    check(counts["Standard"] == 4 and counts["List Bullet"] == 3 and counts["Header"] == 2
          and counts["Cell Text"] == 6, "pydocx.docx per-style counts: %s" % dict(counts))
    check("Never Used" in e["styles_defined"] and "Never Used" not in e["styles_used"],
          "Never Used defined and unused")
    check("Quorvex python-docx fixture" in e["text"], "pydocx.docx plain text")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("fixtures")
    ap.add_argument("--soffice")
    args = ap.parse_args()
    rich = os.path.join(args.fixtures, "rich.odt")
    pydocx = os.path.join(args.fixtures, "pydocx.docx")

    rc, out, err = run([rich, pydocx], args.soffice)
    if rc != 0:
        print("lo_inspect failed (%d) on the fixtures: %s" % (rc, err), file=sys.stderr)
        return 1
    result = json.loads(out)
    check(sorted(result) == sorted([rich, pydocx]), "keyed by the paths given")
    check_rich(result[rich])
    check_pydocx(result[pydocx])

    work = tempfile.mkdtemp(prefix="check-lo-inspect-")
    try:
        # A package cut short must be reported as not opening, not read as plain text.
        cut = os.path.join(work, "cut.odt")
        with open(rich, "rb") as src, open(cut, "wb") as dst:
            dst.write(src.read()[:3000])
        rc, out, err = run([cut], args.soffice)
        check(rc == 2, "damaged .odt: exit status 2, got %d" % rc)
        check(rc == 2 and json.loads(out)[cut]["opens"] is False, "damaged .odt: opens false")
        check("could not open" in err, "damaged .odt: message on stderr")
        rc, _, err = run(["--allow-unopened", cut], args.soffice)
        check(rc == 0, "--allow-unopened: exit status 0, got %d" % rc)
        # A soffice that fails is an error of its own.
        rc, _, err = run(["--soffice", shutil.which("false") or "/bin/false", rich], None)
        check(rc == 1 and "exited with status" in err, "failing soffice: exit 1 with a message")
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for f in failures:
        print("FAILED: %s" % f, file=sys.stderr)
    if not failures:
        print("lo_inspect self-test passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
