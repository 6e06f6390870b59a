#!/usr/bin/env python3
"""Describe office documents as LibreOffice itself reads them.

Independent of Quorvex's own readers: every fact printed here comes from what LibreOffice
writes back after opening the document, never from parsing the input directly.

For the files given (.odt, .docx, or anything else LibreOffice opens as a text document),
one headless soffice run converts them all to .odt and a second converts them all to plain
text (one pair of runs per import filter: the filter of each known extension is forced,
see IMPORT_FILTERS), into a private temporary directory with a private user profile. The produced
.odt packages are then read with zipfile and ElementTree.

Output (stdout) is one JSON object keyed by each path exactly as given on the command
line; each value is:

  opens             true when LibreOffice produced an .odt for the file
  text              LibreOffice's plain-text export (body text only; UTF-8, BOM removed)
  paragraphs        counts of text:p and text:h elements, by where they are:
                      body           in office:text of content.xml, outside notes; includes
                                     table cells, frames/text boxes, sections, lists
                      tables         those of "body" that are inside a table cell
                      frames         those of "body" that are inside a draw:frame
                      footnotes      in the body of text:note text:note-class="footnote"
                      endnotes       in the body of text:note text:note-class="endnote"
                      header_footer  in style:header/footer(-left/-first) of the master
                                     pages in styles.xml
                      total          body + footnotes + endnotes + header_footer
                    (comments/annotations are not counted anywhere)
  styles_defined    display names of the common paragraph styles in styles.xml
                    (office:styles), in file order
  styles_used       sorted display names of the paragraph styles of all counted
                    paragraphs, automatic styles resolved to their parent style
  paragraph_styles  the resolved display name per counted paragraph, in this order: the
                    content.xml body in document order (a note's paragraphs follow the
                    paragraph holding its citation), then header/footer paragraphs in
                    styles.xml order; null for a paragraph with no style at all
  paragraph_regions parallel to paragraph_styles: "body", "table", "frame", "footnote",
                    "endnote", "header" or "footer" (innermost container wins, notes over
                    tables over frames)
  paragraph_overridden
                    parallel to paragraph_styles: whether that paragraph counts in "overrides"
  overrides         how many counted paragraphs have an automatic style that sets
                    paragraph or text properties of its own (an fo: or style: attribute on
                    style:paragraph-properties / style:text-properties, or tab stops);
                    LibreOffice's bookkeeping attributes such as officeooo:rsid do not count
  style_names       map from display name to internal name for styles_defined
  style_values      map from display name (styles_defined) to what the style computes once
                    its chain is resolved as ODF says (the default paragraph style, then each
                    parent from the top down; a percentage font size, margin or indent is of
                    the parent's value, style:font-size-rel adds to it): font, size (pt),
                    weight (100-900), italic, colour, left, right, indent, above, below (pt),
                    line ("prop 120", "fixed 14", "at-least 12", "leading 2"), align,
                    underline and strike ("none", "single", "double") and caps ("none",
                    "small-caps", "uppercase", "lowercase")

"Display name" is style:display-name when present, else style:name, as LibreOffice writes
them: e.g. "Heading 1" (internal Heading_20_1), "Text body" (Text_20_body). LibreOffice's
user interface shows the style named "Standard" as "Default Paragraph Style"; the file,
and so this tool, calls it "Standard".

Exit status: 0 when every file opened; 2 when some file did not open (JSON is still
printed; --allow-unopened makes this 0); 1 when soffice is missing, fails or times out.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile
import xml.etree.ElementTree as ET

NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "draw": "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
}
SVG_NS = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"


def q(prefix, local):
    return "{%s}%s" % (NS[prefix], local)


P, H = q("text", "p"), q("text", "h")
NOTE, NOTE_BODY, NOTE_CITATION = q("text", "note"), q("text", "note-body"), q("text", "note-citation")
TABLE_CELL, COVERED_CELL = q("table", "table-cell"), q("table", "covered-table-cell")
FRAME = q("draw", "frame")
ANNOTATION = q("office", "annotation")
STYLE_NAME = q("text", "style-name")
PROPERTY_NAMESPACES = ("{%s}" % NS["fo"], "{%s}" % NS["style"])
HEADER_FOOTER = {
    q("style", "header"): "header", q("style", "header-left"): "header",
    q("style", "header-first"): "header", q("style", "footer"): "footer",
    q("style", "footer-left"): "footer", q("style", "footer-first"): "footer",
}


class SofficeError(Exception):
    pass


def find_soffice(explicit):
    chosen = explicit or os.environ.get("SOFFICE")
    if chosen:
        path = shutil.which(chosen)
        if not path:
            raise SofficeError("soffice not found: %s" % chosen)
        return path
    for candidate in ("soffice", "libreoffice"):
        if candidate:
            path = shutil.which(candidate)
            if path:
                return path
    raise SofficeError("soffice not found (install LibreOffice Writer, or set SOFFICE or --soffice)")


# Import filter forced per extension, so that a damaged package is reported as not opening
# instead of LibreOffice falling back to importing its bytes as plain text.
IMPORT_FILTERS = {
    ".odt": "writer8", ".ott": "writer8_template", ".fodt": "OpenDocument Text Flat XML",
    ".docx": "MS Word 2007 XML", ".dotx": "MS Word 2007 XML Template", ".doc": "MS Word 97",
}


def run_soffice(soffice, profile_dir, infilter, target, inputs, outdir, timeout):
    cmd = [soffice, "-env:UserInstallation=file://" + profile_dir, "--headless", "--norestore",
           "--nolockcheck"]
    if infilter:
        cmd.append("--infilter=" + infilter)
    cmd += ["--convert-to", target, "--outdir", outdir] + inputs
    try:
        done = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise SofficeError("soffice --convert-to %s timed out after %ss" % (target, timeout))
    except OSError as e:
        raise SofficeError("cannot run %s: %s" % (soffice, e))
    if done.returncode != 0:
        raise SofficeError("soffice --convert-to %s exited with status %d: %s" % (
            target, done.returncode, (done.stderr or done.stdout).decode("utf-8", "replace").strip()))
    return done


def paragraph_style_table(root, container_tag):
    """Paragraph styles under root's container (office:styles or office:automatic-styles):
    name -> element."""
    out = {}
    container = root.find(container_tag)
    if container is None:
        return out
    for st in container.findall(q("style", "style")):
        if st.get(q("style", "family")) == "paragraph":
            out[st.get(q("style", "name"))] = st
    return out


def display_name(common, name):
    st = common.get(name)
    if st is not None and st.get(q("style", "display-name")):
        return st.get(q("style", "display-name"))
    return name


def sets_own_properties(st):
    for tag in ("paragraph-properties", "text-properties"):
        props = st.find(q("style", tag))
        if props is None:
            continue
        if any(k.startswith(PROPERTY_NAMESPACES) for k in props.attrib):
            return True
        tabs = props.find(q("style", "tab-stops"))
        if tabs is not None and len(tabs):
            return True
    return False


class Resolver:
    """Resolves a paragraph's text:style-name against the automatic styles of the XML file it is
    in, then the common styles of styles.xml."""

    def __init__(self, common, automatic):
        self.common, self.automatic = common, automatic

    def resolve(self, name):
        """(display name of the named style or None, whether an automatic style sets properties)"""
        override = False
        seen = set()
        while name is not None and name in self.automatic and name not in self.common \
                and name not in seen:
            seen.add(name)
            st = self.automatic[name]
            override = override or sets_own_properties(st)
            name = st.get(q("style", "parent-style-name"))
        if name is None:
            return None, override
        return display_name(self.common, name), override


def walk(elem, region, resolver, out):
    """Collects (style, region, override) for every text:p/text:h under elem in document
    order. region is the innermost container's kind."""
    for child in elem:
        tag = child.tag
        if tag == ANNOTATION or tag == NOTE_CITATION:
            continue
        if tag in (P, H):
            style, override = resolver.resolve(child.get(STYLE_NAME))
            out.append((style, region, override))
            walk(child, region, resolver, out)
        elif tag == NOTE:
            cls = child.get(q("text", "note-class"), "footnote")
            body = child.find(NOTE_BODY)
            if body is not None:
                walk(body, "endnote" if cls == "endnote" else "footnote", resolver, out)
        elif tag in (TABLE_CELL, COVERED_CELL):
            walk(child, region if region in ("footnote", "endnote") else "table", resolver, out)
        elif tag == FRAME:
            walk(child, region if region != "body" else "frame", resolver, out)
        else:
            walk(child, region, resolver, out)


PT_PER_UNIT = {"pt": 1.0, "in": 72.0, "cm": 72 / 2.54, "mm": 72 / 25.4, "pc": 12.0, "px": 0.75}


def length_pt(v):
    for unit, k in PT_PER_UNIT.items():
        if v.endswith(unit):
            try:
                return float(v[:-len(unit)]) * k
            except ValueError:
                return None
    return None


def percent(v):
    if v.endswith("%"):
        try:
            return float(v[:-1])
        except ValueError:
            return None
    return None


def relative(value, of):
    """A length, or a percentage of `of`; None for neither."""
    pt = length_pt(value)
    if pt is not None:
        return pt
    pc = percent(value)
    return of * pc / 100 if pc is not None else None


ALIGN = {"left": "start", "right": "end"}
WEIGHT = {"normal": 400, "bold": 700}


def apply_properties(st, vals, fonts):
    """Applies one style's own paragraph and text properties onto the values it inherits."""
    tp = st.find(q("style", "text-properties"))
    if tp is not None:
        a = lambda ns, k: tp.get(q(ns, k))  # noqa: E731
        if a("fo", "font-size") is not None:
            v = relative(a("fo", "font-size"), vals["size"])
            vals["size"] = v if v is not None else vals["size"]
        elif a("style", "font-size-rel") is not None and length_pt(a("style", "font-size-rel")):
            vals["size"] += length_pt(a("style", "font-size-rel"))
        if a("style", "font-name") is not None:
            vals["font"] = fonts.get(a("style", "font-name"), a("style", "font-name"))
        elif a("fo", "font-family") is not None:
            vals["font"] = a("fo", "font-family").strip("'\"")
        if a("fo", "font-weight") is not None:
            w = a("fo", "font-weight")
            vals["weight"] = WEIGHT.get(w, int(w) if w.isdigit() else vals["weight"])
        if a("fo", "font-style") is not None:
            vals["italic"] = a("fo", "font-style") in ("italic", "oblique")
        if a("fo", "color") is not None:
            vals["colour"] = a("fo", "color").lower()
        # One setting each: a style that gives any part of it gives all of it.
        for key, what in (("underline", "underline"), ("strike", "line-through")):
            style, kind = a("style", "text-%s-style" % what), a("style", "text-%s-type" % what)
            if style is not None or kind is not None:
                on = (style or "solid") != "none" and kind != "none"
                vals[key] = "none" if not on else (kind if kind == "double" else "single")
        variant, transform = a("fo", "font-variant"), a("fo", "text-transform")
        if variant is not None or transform is not None:
            vals["caps"] = (transform if transform in ("uppercase", "lowercase") else
                            "small-caps" if variant == "small-caps" else "none")
    pp = st.find(q("style", "paragraph-properties"))
    if pp is None:
        return
    a = lambda k: pp.get(q("fo", k))  # noqa: E731
    sides = {"left": "margin-left", "right": "margin-right", "above": "margin-top",
             "below": "margin-bottom"}
    for key, attr in sides.items():
        v = a(attr) if a(attr) is not None else a("margin")
        if v is not None:
            r = relative(v, vals[key])
            vals[key] = r if r is not None else vals[key]
    if a("text-indent") is not None:
        r = relative(a("text-indent"), vals["indent"])
        vals["indent"] = r if r is not None else vals["indent"]
    line = a("line-height")
    if line is not None:
        if line == "normal":
            vals["line"] = "prop 100"
        elif percent(line) is not None:
            vals["line"] = "prop %g" % percent(line)
        elif length_pt(line) is not None:
            vals["line"] = "fixed %.2f" % length_pt(line)
    for attr, kind in (("line-height-at-least", "at-least"), ("line-spacing", "leading")):
        v = pp.get(q("style", attr))
        if v is not None and length_pt(v) is not None:
            vals["line"] = "%s %.2f" % (kind, length_pt(v))
    if a("text-align") is not None:
        vals["align"] = ALIGN.get(a("text-align"), a("text-align"))


def style_values(styles_root, content_root, common):
    fonts = {}
    for root in (styles_root, content_root):
        decls = root.find(q("office", "font-face-decls"))
        for face in (decls if decls is not None else []):
            fonts[face.get(q("style", "name"))] = (face.get("{%s}font-family" % SVG_NS) or
                                                  "").strip("'\"")
    base = {"font": "", "size": 12.0, "weight": 400, "italic": False, "colour": "#000000",
            "left": 0.0, "right": 0.0, "indent": 0.0, "above": 0.0, "below": 0.0,
            "line": "prop 100", "align": "start", "underline": "none", "strike": "none",
            "caps": "none"}
    office_styles = styles_root.find(q("office", "styles"))
    for d in (office_styles if office_styles is not None else []):
        if d.tag == q("style", "default-style") and d.get(q("style", "family")) == "paragraph":
            apply_properties(d, base, fonts)
    memo = {}

    def resolve(name, depth=0):
        if name in memo:
            return memo[name]
        st = common[name]
        parent = st.get(q("style", "parent-style-name"))
        vals = dict(resolve(parent, depth + 1) if parent in common and depth < 100 else base)
        apply_properties(st, vals, fonts)
        memo[name] = vals
        return vals

    out = {}
    for name in common:
        vals = dict(resolve(name))
        for k in ("size", "left", "right", "indent", "above", "below"):
            vals[k] = round(vals[k], 2)
        out[display_name(common, name)] = vals
    return out


def describe_odt(path):
    with zipfile.ZipFile(path) as z:
        styles_root = ET.fromstring(z.read("styles.xml"))
        content_root = ET.fromstring(z.read("content.xml"))
    common = paragraph_style_table(styles_root, q("office", "styles"))
    found = []
    body = content_root.find(q("office", "body"))
    text = body.find(q("office", "text")) if body is not None else None
    if text is not None:
        walk(text, "body", Resolver(common, paragraph_style_table(content_root, q("office", "automatic-styles"))), found)
    master_resolver = Resolver(common, paragraph_style_table(styles_root, q("office", "automatic-styles")))
    masters = styles_root.find(q("office", "master-styles"))
    if masters is not None:
        for page in masters.findall(q("style", "master-page")):
            for area in page:
                if area.tag in HEADER_FOOTER and area.get(q("style", "display"), "true") != "false":
                    walk(area, HEADER_FOOTER[area.tag], master_resolver, found)
    counts = {"body": 0, "tables": 0, "frames": 0, "footnotes": 0, "endnotes": 0, "header_footer": 0}
    key = {"body": "body", "table": "body", "frame": "body", "footnote": "footnotes",
           "endnote": "endnotes", "header": "header_footer", "footer": "header_footer"}
    for _, region, _ in found:
        counts[key[region]] += 1
        if region == "table":
            counts["tables"] += 1
        elif region == "frame":
            counts["frames"] += 1
    counts["total"] = counts["body"] + counts["footnotes"] + counts["endnotes"] + counts["header_footer"]
    defined = [display_name(common, n) for n in common]
    return {
        "paragraphs": counts,
        "styles_defined": defined,
        "styles_used": sorted({s for s, _, _ in found if s is not None}),
        "paragraph_styles": [s for s, _, _ in found],
        "paragraph_regions": [r for _, r, _ in found],
        "paragraph_overridden": [o for _, _, o in found],
        "overrides": sum(1 for _, _, o in found if o),
        "style_names": {display_name(common, n): n for n in common},
        "style_values": style_values(styles_root, content_root, common),
    }


def inspect(files, soffice=None, timeout=300, detect=False):
    soffice = find_soffice(soffice)
    work = tempfile.mkdtemp(prefix="lo-inspect-")
    try:
        indir, odtdir, txtdir = (os.path.join(work, d) for d in ("in", "odt", "txt"))
        for d in (indir, odtdir, txtdir):
            os.mkdir(d)
        staged = []
        for i, f in enumerate(files):
            if not os.path.isfile(f):
                raise FileNotFoundError(f)
            # A numbered copy keeps a.odt and a.docx (or two a.odt) apart in the outputs.
            name = "f%03d_%s" % (i, os.path.basename(f))
            shutil.copyfile(f, os.path.join(indir, name))
            staged.append(name)
        groups = {}
        for name in staged:
            ext = os.path.splitext(name)[1].lower()
            groups.setdefault(None if detect else IMPORT_FILTERS.get(ext), []).append(
                os.path.join(indir, name))
        profile = os.path.join(work, "profile")
        # One soffice run per import filter and output format, however many files.
        for infilter, inputs in groups.items():
            run_soffice(soffice, profile, infilter, "odt", inputs, odtdir, timeout)
            run_soffice(soffice, profile, infilter, "txt:Text (encoded):UTF8,LF", inputs, txtdir,
                        timeout)
        result = {}
        for f, name in zip(files, staged):
            stem = os.path.splitext(name)[0]
            odt, txt = os.path.join(odtdir, stem + ".odt"), os.path.join(txtdir, stem + ".txt")
            entry = {"opens": False}
            if os.path.isfile(odt) and zipfile.is_zipfile(odt):
                entry["opens"] = True
                text = ""
                if os.path.isfile(txt):
                    with open(txt, encoding="utf-8", errors="replace") as fh:
                        text = fh.read().lstrip("\ufeff")
                entry["text"] = text
                entry.update(describe_odt(odt))
            result[f] = entry
        return result
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("files", nargs="+", help=".odt/.docx (or other text documents) to inspect")
    ap.add_argument("--soffice", help="soffice executable (default: $SOFFICE or soffice on PATH)")
    ap.add_argument("--timeout", type=int, default=300, help="seconds allowed per soffice run")
    ap.add_argument("--allow-unopened", action="store_true",
                    help="exit 0 even when LibreOffice could not open some file")
    ap.add_argument("--detect", action="store_true",
                    help="let LibreOffice detect every file's type instead of forcing the import "
                         "filter of its extension (a damaged file may then open as plain text)")
    ap.add_argument("--no-text", action="store_true", help="leave the plain text out of the JSON")
    ap.add_argument("--indent", type=int, default=1, help="JSON indentation (0: one line)")
    args = ap.parse_args(argv)
    try:
        result = inspect(args.files, args.soffice, args.timeout, args.detect)
    except SofficeError as e:
        print("lo_inspect: %s" % e, file=sys.stderr)
        return 1
    except FileNotFoundError as e:
        print("lo_inspect: no such file: %s" % e, file=sys.stderr)
        return 1
    if args.no_text:
        for entry in result.values():
            entry.pop("text", None)
    json.dump(result, sys.stdout, indent=args.indent or None, ensure_ascii=False)
    sys.stdout.write("\n")
    unopened = [f for f, e in result.items() if not e["opens"]]
    if unopened:
        print("lo_inspect: LibreOffice could not open: %s" % ", ".join(unopened), file=sys.stderr)
        if not args.allow_unopened:
            return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
