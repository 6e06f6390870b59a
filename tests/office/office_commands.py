#!/usr/bin/env python3
"""Every changing command of the client, end to end on real .odt files, checked in LibreOffice.

  office_commands.py doc|book|new --host HOST --client CLIENT --client-dir DIR --fixtures DIR

Each run copies LibreOffice-made fixtures to a scratch folder and runs `quorvex-host run` (which
starts the real client) with --save. Then LibreOffice itself (lo_inspect.py: one soffice run
per output format for all files) opens the originals and the saved files, and the test compares
what LibreOffice reads:

  doc   DeleteUnusedParagraphs, RemoveNonlistParagraphs (with a tag list made as .odt and edited
        through LibreOffice), ConvertParagraphsInDoc (likewise with a conversion table),
        RemoveOverrides on single documents; ListParagraphUsage against LibreOffice's styles in use;
        after every change, every surviving style computes in LibreOffice what it did before
  book  the same four for a .book of .odt files, and both book listings
  new   a new document written as .odt (a tag list): LibreOffice finds its styles, paragraphs and
        table; a bad --output name, an unreadable --open file and a failed save are one-line
        errors that leave the files alone

Exit 0 when every check passes, 77 when soffice is missing (CTest skips), 1 otherwise.
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

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import lo_inspect  # noqa: E402

TEXT_NS = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
TABLE_NS = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"
STYLE_NS = "urn:oasis:names:tc:opendocument:xmlns:style:1.0"
# Besides LibreOffice 7.4's conversions: templates made by LibreOffice 4.3 (sizes relative to
# a parent nothing uses) and by OpenOffice.org (StarOffice 8), pandoc's OpenDocument writer,
# and Word documents made by python3-docx.
DOC_FIXTURES = ["rich.odt", "users-and-groups.odt", "zlib_how.odt", "lo-resume1page.ott",
                "ooo-fax-lines.ott", "lo-indexed.odt", "pandoc-writer.odt", "pydocx.docx",
                "rich.docx", "pydocx-refs.docx"]
# Documents too small for tag lists (one or no style in use besides the default): Delete
# Unused and Remove Overrides only. An empty body, two styles of one name, Word's own, and
# Google Docs' export (one paragraph).
SMALL_FIXTURES = ["pydocx-default.docx", "lo-pydocx-default.docx", "word-known-styles.docx",
                  "word-numbering.docx", "gdocs-export.docx"]
# The book mixes formats, as users' books do.
BOOK_FIXTURES = ["rich.odt", "valgrind-quick-start.odt", "libxslt-functions.odt", "pydocx.docx"]

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
    return cond


class Runner:
    def __init__(self, args, work):
        self.args, self.work = args, work

    def host(self, *argv, expect=0):
        """Runs the command with the client linked into the host, and the same command with the
        client as a process of its own over ONC RPC on a copy of the folders it names: both
        must make the same calls, print the same and leave the same files."""
        argv = list(argv)
        mirror = self.mirror(argv)
        done = self.run(argv, [], os.path.join(self.work, "calls-linked"))
        twin = self.run([a.replace(self.work, mirror) for a in argv],
                        ["--process", "--client", self.args.client],
                        os.path.join(mirror, "calls-process"))
        if expect is not None and done.returncode != expect:
            failures.append("%s: status %d, stderr: %s" % (" ".join(argv), done.returncode,
                                                          done.stderr.strip()))
        self.compare(argv, done, twin, mirror)
        shutil.rmtree(mirror)
        return done

    def run(self, argv, extra, log):
        cmd = [self.args.host, "run", "--client-dir", self.args.client_dir, "--call-log",
               log] + extra + argv
        if os.path.exists(log):
            os.unlink(log)
        return subprocess.run(cmd, cwd=self.work, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True, timeout=120)

    def mirror(self, argv):
        """A copy of every folder below the scratch folder that an argument names a file of."""
        mirror = self.work + "-twin"
        for a in argv:
            if not a.startswith(self.work + os.sep):
                continue
            folder = os.path.dirname(a)
            dst = folder.replace(self.work, mirror)
            os.makedirs(dst, exist_ok=True)
            for name in os.listdir(folder):
                src = os.path.join(folder, name)
                if (os.path.isfile(src) and not name.startswith("calls-") and
                        not os.path.exists(os.path.join(dst, name))):
                    shutil.copy2(src, os.path.join(dst, name))
        os.makedirs(mirror, exist_ok=True)
        return mirror

    def compare(self, argv, done, twin, mirror):
        what = " ".join(a.replace(self.work + os.sep, "") for a in argv)

        def calls(path):
            if not os.path.exists(path):
                return None
            with open(path) as fh:  # the init acknowledgement carries the client's pid
                return [("1000 <pid>" if ln.startswith("1000 ") else ln.replace(mirror, self.work))
                        for ln in fh.read().splitlines()]
        linked = calls(os.path.join(self.work, "calls-linked"))
        check(linked == calls(os.path.join(mirror, "calls-process")),
              "%s: the linked client's calls differ from the separate process's" % what)
        check(done.returncode == twin.returncode and
              done.stdout == twin.stdout.replace(mirror, self.work),
              "%s: the two transports printed different results" % what)
        for folder, _, files in os.walk(mirror):
            for name in files:
                if name.startswith("calls-"):
                    continue
                theirs = os.path.join(folder, name)
                check(package_content(theirs) == package_content(theirs.replace(mirror, self.work)),
                      "%s: %s differs between the two transports" % (what, name))

    def copy(self, name, as_name):
        dst = os.path.join(self.work, as_name)
        shutil.copyfile(os.path.join(self.args.fixtures, name), dst)
        return dst

    def book(self, name, comps):
        path = os.path.join(self.work, name)
        with open(path, "w") as f:
            json.dump({"type": "book", "components": comps}, f)
        return path


def package_content(path):
    """A file's bytes; for a package, its entries' names and bytes in order (an entry written
    anew carries the time it was written)."""
    if zipfile.is_zipfile(path):
        with zipfile.ZipFile(path) as z:
            return [(i.filename, z.read(i)) for i in z.infolist()]
    with open(path, "rb") as fh:
        return fh.read()


W_NS = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"

# Word's built-in styles that LibreOffice shows under names of its own when it opens a .docx.
LO_NAMES_OF_WORD = {"Standard": "Normal", "Text body": "Body Text", "Footnote": "Footnote Text",
                    "Endnote": "Endnote Text"}


def docx_paragraph_styles(path):
    """(w:name, whether it is the default) of each paragraph style of a .docx, in file order."""
    out = []
    with zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read("word/styles.xml"))
    for st in root.iter("{%s}style" % W_NS):
        name = st.find("{%s}name" % W_NS)
        if st.get("{%s}type" % W_NS, "paragraph") == "paragraph" and name is not None:
            out.append((name.get("{%s}val" % W_NS), st.get("{%s}default" % W_NS) in ("1", "true")))
    return out


def default_style(path):
    """The file's default paragraph style as the host names it (a .docx's w:default="1")."""
    if not path.endswith(".docx"):
        return "Standard"
    marked = [n for n, d in docx_paragraph_styles(path) if d]
    return marked[0] if marked else "Normal"


def styles_in_file(path):
    """Names of the named paragraph styles the package itself holds, as the host shows them
    (a .docx's w:name as written)."""
    names = set()
    with zipfile.ZipFile(path) as z:
        if path.endswith(".docx"):
            return {n for n, _ in docx_paragraph_styles(path)}
        root = ET.fromstring(z.read("styles.xml"))
    for st in root.iter("{%s}style" % STYLE_NS):
        if st.get("{%s}family" % STYLE_NS) == "paragraph":
            names.add(st.get("{%s}display-name" % STYLE_NS) or st.get("{%s}name" % STYLE_NS))
    return names


def inspect(files):
    """LibreOffice's reading of each file, with the names of a .docx's built-in styles put back
    to the file's own. "recreated" are the styles LibreOffice shows that the file does not hold:
    its own built-ins (Heading, Footer, Endnote, ...), which it adds on loading whenever the
    document has such a part, whatever the file says."""
    info = lo_inspect.inspect(files)
    for f, i in info.items():
        i["recreated"] = set()
        if not i.get("opens"):
            continue
        held = styles_in_file(f)
        i["default"] = default_style(f)
        if f.endswith(".docx"):
            # LibreOffice shows Word's built-ins under names of its own ("Standard") or
            # capitalised ("heading 1" as "Heading 1"): back to the file's name.
            lower = {}
            for n in held:
                lower.setdefault(n.lower(), []).append(n)

            def rename(n):
                if n is None or n in held:
                    return n
                if LO_NAMES_OF_WORD.get(n) in held:
                    return LO_NAMES_OF_WORD[n]
                same = lower.get(n.lower(), [])
                return same[0] if len(same) == 1 else n
            for key in ("styles_defined", "styles_used", "paragraph_styles"):
                i[key] = [rename(n) for n in i[key]]
            i["style_values"] = {rename(n): v for n, v in i["style_values"].items()}
        i["recreated"] = set(i["styles_defined"]) - held
    return info


def lo_used(info):
    """The styles LibreOffice finds in use, as the file defines them: a paragraph naming a style
    the file lacks is in LibreOffice's own built-in style of that name when it has one (pandoc
    names "Title" without defining it), and in the file's default style for the host."""
    return {info["default"] if n in info["recreated"] else n for n in info["styles_used"]}


def listing(stdout):
    """{file heading or "": set of tags listed as used} from the printed output document."""
    used, current, section = {}, "", None
    in_doc = False
    for line in stdout.splitlines():
        if line.startswith("--- output document"):
            in_doc = True
            continue
        if not in_doc or "| " not in line:
            continue
        tag, text = line.split("| ", 1)
        tag = tag.strip()
        if tag == "Heading1":
            current = text
            used.setdefault(current, set())
        elif tag == "Heading2":
            section = "used" if text.startswith("Paragraph Tags Used") else "unused"
        elif tag == "Body" and section == "used":
            used.setdefault(current, set()).add(text)
    return used


def rewrite_odt(path, edit):
    """Applies edit(root) to content.xml of the package at path (keeping every other entry)."""
    with zipfile.ZipFile(path) as z:
        items = [(i, z.read(i.filename)) for i in z.infolist()]
    content = dict((i.filename, data) for i, data in items)["content.xml"]
    for _, (prefix, uri) in ET.iterparse(__import__("io").BytesIO(content), events=["start-ns"]):
        ET.register_namespace(prefix, uri)
    root = ET.fromstring(content)
    edit(root)
    new = ET.tostring(root, encoding="UTF-8", xml_declaration=True)
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for info, data in items:
            z.writestr(info, new if info.filename == "content.xml" else data)
    os.replace(tmp, path)


def cell_text(cell):
    return "".join(cell.itertext())


def table_rows(root):
    return [r for r in root.iter("{%s}table-row" % TABLE_NS)]


def drop_row(first_cell):
    def edit(root):
        for tbl in root.iter("{%s}table" % TABLE_NS):
            for parent in tbl.iter():
                for row in list(parent):
                    if row.tag == "{%s}table-row" % TABLE_NS and \
                            cell_text(list(row)[0]) == first_cell:
                        parent.remove(row)
    return edit


def set_second_cell(first_cell, value):
    def edit(root):
        for row in table_rows(root):
            cells = list(row)
            if len(cells) >= 2 and cell_text(cells[0]) == first_cell:
                p = cells[1].find("{%s}p" % TEXT_NS)
                if p is None:
                    p = ET.SubElement(cells[1], "{%s}p" % TEXT_NS)
                for child in list(p):
                    p.remove(child)
                p.text = value
    return edit


def through_libreoffice(paths, work):
    """Has LibreOffice open each edited .odt and save it again, as a user's edit would leave it.
    Every file goes in under a name of its own: LibreOffice names what it saves after the input."""
    stage = os.path.join(work, "lo-edit")
    out = os.path.join(work, "lo-saved")
    os.makedirs(stage, exist_ok=True)
    os.makedirs(out, exist_ok=True)
    staged = []
    for i, p in enumerate(paths):
        staged.append(os.path.join(stage, "%d-%s" % (i, os.path.basename(p))))
        shutil.copyfile(p, staged[-1])
    profile = os.path.join(work, "profile")
    lo_inspect.run_soffice(lo_inspect.find_soffice(None), profile, "writer8", "odt", staged, out,
                           300)
    for p, s in zip(paths, staged):
        saved = os.path.join(out, os.path.basename(s))
        if check(os.path.isfile(saved), "LibreOffice did not save the edited %s" % p):
            shutil.copyfile(saved, p)


def least_used(info, exclude):
    counts = {}
    for s in info["paragraph_styles"]:
        if s and s not in exclude:
            counts[s] = counts.get(s, 0) + 1
    return sorted(counts, key=lambda s: (counts[s], s))


def compare_unchanged(name, before, after):
    if not check(after.get("opens"), "%s: LibreOffice cannot open the saved file" % name):
        return False
    check(after["text"] == before["text"], "%s: the text changed" % name)
    check(after["paragraphs"]["total"] == before["paragraphs"]["total"],
          "%s: %d paragraphs, was %d" % (name, after["paragraphs"]["total"],
                                         before["paragraphs"]["total"]))
    check_values(name, before, after)
    return True


# Where an OpenDocument file names paragraph styles besides paragraphs: (element, attribute).
STYLE_REFS = [("text:index-source-style", "text:style-name"),
              ("text:index-title-template", "text:style-name"),
              ("text:*-entry-template", "text:style-name"),
              ("text:notes-configuration", "text:default-style-name"),
              ("style:map", "style:apply-style-name"),
              ("style:style", "style:next-style-name"),
              ("style:style", "style:parent-style-name")]


def style_refs(path):
    """([(element, style named)], paragraph styles defined) of an OpenDocument package."""
    ns = {"text": TEXT_NS, "style": STYLE_NS}
    qn = lambda n: "{%s}%s" % (ns[n.split(":")[0]], n.split(":")[1])  # noqa: E731
    refs, defined = [], set()
    with zipfile.ZipFile(path) as z:
        roots = [ET.fromstring(z.read(p)) for p in ("content.xml", "styles.xml")]
    for root in roots:
        for el in root.iter():
            if el.tag == qn("style:style") and el.get(qn("style:family")) == "paragraph":
                defined.add(el.get(qn("style:name")))
            for tag, attr in STYLE_REFS:
                match = el.tag == qn(tag) if "*" not in tag else (
                    el.tag.startswith("{%s}" % TEXT_NS) and el.tag.endswith("-entry-template"))
                if match and el.get(qn(attr)):
                    refs.append((tag + " " + attr, el.get(qn(attr))))
    return refs, defined


def check_references(name, original, saved, moved=None):
    """No reference of the saved file names a style the original defined and the saved file
    does not; after a conversion (moved = (old, new) internal names) no index collects the old
    style but one collects the new where one collected the old."""
    if not saved.endswith((".odt", ".ott")):
        return
    was, defined_before = style_refs(original)
    now, defined = style_refs(saved)
    gone = sorted({"%s=%s" % r for r in now if r[1] in defined_before - defined})
    check(not gone, "%s: names deleted styles: %s" % (name, gone))
    if moved:
        src = "text:index-source-style text:style-name"
        if (src, moved[0]) in was:
            check((src, moved[0]) not in now and (src, moved[1]) in now,
                  "%s: the index does not follow %s to %s" % (name, moved[0], moved[1]))


def internal_name(path, display):
    with zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read("styles.xml"))
    for st in root.iter("{%s}style" % STYLE_NS):
        if (st.get("{%s}display-name" % STYLE_NS) or st.get("{%s}name" % STYLE_NS)) == display:
            return st.get("{%s}name" % STYLE_NS)
    return display


def check_values(name, before, after):
    """Every style that survives computes in LibreOffice what it computed before: font, size,
    weight, italic, colour, indents, spacing, line spacing and alignment (lengths to 0.06 pt:
    LibreOffice writes them back in its own units)."""
    for style, was in before["style_values"].items():
        now = after["style_values"].get(style)
        if now is None or style in after["recreated"]:
            continue
        diff = sorted(k for k in was if not (
            abs(was[k] - now[k]) <= 0.06 if isinstance(was[k], float) else was[k] == now[k]))
        if not check(not diff, "%s: style %s computes %s, was %s" % (
                name, style, {k: now[k] for k in diff}, {k: was[k] for k in diff})):
            return


def check_style_values(name, before, after):
    """check_values, for a file LibreOffice could open after the change."""
    if after.get("opens"):
        check_values(name, before, after)


def check_delete_unused(name, before, after, used_elsewhere=frozenset()):
    """A book's pass deletes only what no file of the book uses (`used_elsewhere`); the
    default paragraph style (before["default"]) is never deleted."""
    if not compare_unchanged(name, before, after):
        return
    check(after["paragraph_styles"] == before["paragraph_styles"],
          "%s: paragraph styles changed" % name)
    check(before["default"] in after["styles_defined"], "%s: the default style %s deleted" % (
        name, before["default"]))
    unused = set(before["styles_defined"]) - set(before["styles_used"]) - used_elsewhere - \
        {before["default"]}
    # LibreOffice writes "Standard" into every file it saves, used or not.
    left = (unused & set(after["styles_defined"])) - {"Standard"} - after["recreated"]
    check(not left, "%s: unused styles left: %s" % (name, sorted(left)))
    check(set(before["styles_used"]) <= set(after["styles_defined"]),
          "%s: used styles deleted: %s" % (name, sorted(set(before["styles_used"]) -
                                                       set(after["styles_defined"]))))


def check_remove_nonlist(name, before, after, dropped):
    if not compare_unchanged(name, before, after):
        return
    kept = set(before["styles_used"]) - {dropped}
    check(dropped not in set(after["styles_defined"]) - after["recreated"],
          "%s: %s not deleted" % (name, dropped))
    extra = set(after["styles_defined"]) - kept - {"Standard", before["default"]} - \
        after["recreated"]
    check(not extra, "%s: styles not on the list left: %s" % (name, sorted(extra)))
    check(kept <= set(after["styles_defined"]), "%s: listed styles deleted: %s" % (
        name, sorted(kept - set(after["styles_defined"]))))
    for i, (b, a) in enumerate(zip(before["paragraph_styles"], after["paragraph_styles"])):
        if b != dropped and not check(a == b, "%s: paragraph %d is %s, was %s" % (name, i, a, b)):
            break


def check_convert(name, before, after, source, dest):
    if not compare_unchanged(name, before, after):
        return
    want = [dest if s == source else s for s in before["paragraph_styles"]]
    # A .docx finds the target whatever its case ("Heading 1" is its "heading 1").
    diff = [i for i, (w, a) in enumerate(zip(want, after["paragraph_styles"]))
            if (w or "").lower() != (a or "").lower()]
    check(not diff, "%s: after converting %s to %s, paragraphs %s differ (first: %s, want %s)" % (
        name, source, dest, diff[:5], diff and after["paragraph_styles"][diff[0]],
        diff and want[diff[0]]))
    check(source not in after["styles_used"], "%s: %s still used" % (name, source))


def check_remove_overrides(name, before, after):
    if not compare_unchanged(name, before, after):
        return
    check(after["paragraph_styles"] == before["paragraph_styles"],
          "%s: paragraph styles changed" % name)
    # What stays is structural (a page break, list membership), never fonts or spacing. On
    # opening a .docx, LibreOffice itself sets widows and orphans or alignment directly on
    # many paragraphs that the file leaves alone: there, fewer is all that can be asked.
    if name.endswith(".docx"):
        check(after["overrides"] < before["overrides"] or before["overrides"] <= 1, "%s: no override removed (%d of %d)" % (
            name, after["overrides"], before["overrides"]))
        return
    check(after["overrides"] <= before["overrides"] // 4,
          "%s: more than a quarter of the overrides left (%d of %d)" % (
              name, after["overrides"], before["overrides"]))


def make_lists(r, target, is_book, work):
    """A tag list and a conversion table of the styles in use, as .odt, edited through
    LibreOffice: one style dropped from the list, one style converted to another."""
    flag = "--book" if is_book else "--doc"
    suffix = "Book" if is_book else ""
    keep, conv = os.path.join(work, "keep.odt"), os.path.join(work, "convert.odt")
    r.host(flag, target, "--command", "CreateParagraphList" + suffix, "--choose", "1",
           "--output", keep)
    r.host(flag, target, "--command", "CreateConversionDocument" + suffix, "--choose", "1",
           "--output", conv)
    return keep, conv


def run_doc(args, work):
    r = Runner(args, work)
    originals = [r.copy(f, "orig-" + f) for f in DOC_FIXTURES]
    before = inspect(originals)
    listings = {}
    saved = {}  # (command, fixture) -> path
    edits = {}
    for f, orig in zip(DOC_FIXTURES, originals):
        info = before[orig]
        check(info["opens"], "LibreOffice cannot open the fixture %s" % f)
        done = r.host("--doc", orig, "--command", "ListParagraphUsage")
        listings[f] = listing(done.stdout)
        for cmd in ("DeleteUnusedParagraphs", "RemoveOverrides"):
            saved[(cmd, f)] = r.copy(f, cmd + "-" + f)
            r.host("--doc", saved[(cmd, f)], "--command", cmd, "--answer", "ok", "--save")
        # Lists come from a copy of their own, so that no other run touches them.
        sub = os.path.join(work, "lists-" + f)
        os.mkdir(sub)
        keep, conv = make_lists(r, r.copy(f, "lists-" + f + "/" + f), False, sub)
        order = least_used(info, {"Standard"})
        dropped, source, dest = order[0], order[1], order[-1]
        rewrite_odt(keep, drop_row(dropped))
        rewrite_odt(conv, set_second_cell(source, dest))
        edits[f] = (keep, conv, dropped, source, dest)
    through_libreoffice([p for e in edits.values() for p in e[:2]], work)
    for f, (keep, conv, dropped, source, dest) in edits.items():
        saved[("RemoveNonlistParagraphs", f)] = r.copy(f, "RemoveNonlist-" + f)
        done = r.host("--doc", saved[("RemoveNonlistParagraphs", f)], "--open", keep,
                      "--command", "RemoveNonlistParagraphs", "--answer", "ok", "--save")
        check("could not be found" not in done.stdout, "%s: the edited tag list was not found"
              % f)
        saved[("ConvertParagraphsInDoc", f)] = r.copy(f, "Convert-" + f)
        done = r.host("--doc", saved[("ConvertParagraphsInDoc", f)], "--open", conv,
                      "--command", "ConvertParagraphsInDoc", "--answer", "ok", "--save")
        check("could not be found" not in done.stdout,
              "%s: the edited conversion table was not found" % f)
    small = [r.copy(f, "orig-" + f) for f in SMALL_FIXTURES]
    before.update(inspect(small))
    for f, orig in zip(SMALL_FIXTURES, small):
        check(before[orig]["opens"], "LibreOffice cannot open the fixture %s" % f)
        listings[f] = listing(r.host("--doc", orig, "--command", "ListParagraphUsage").stdout)
        for cmd in ("DeleteUnusedParagraphs", "RemoveOverrides"):
            saved[(cmd, f)] = r.copy(f, cmd + "-" + f)
            r.host("--doc", saved[(cmd, f)], "--command", cmd, "--answer", "ok", "--save")
    after = inspect(list(saved.values()))
    for (cmd, f), path in saved.items():
        orig = dict(zip(DOC_FIXTURES + SMALL_FIXTURES, originals + small))[f]
        check_style_values("%s %s" % (cmd, f), before[orig], after[path])
    for f, orig in zip(SMALL_FIXTURES, small):
        b = before[orig]
        used = set(listings[f].get(os.path.basename(orig), set()))
        check(used == lo_used(b), "%s: listed as used %s, LibreOffice uses %s" % (
            f, sorted(used), sorted(lo_used(b))))
        check_delete_unused("DeleteUnused " + f, b, after[saved[("DeleteUnusedParagraphs", f)]])
        check_remove_overrides("RemoveOverrides " + f, b, after[saved[("RemoveOverrides", f)]])
    for f, orig in zip(DOC_FIXTURES, originals):
        b = before[orig]
        used = set(listings[f].get(os.path.basename(orig), set()))
        check(used == lo_used(b), "%s: listed as used %s, LibreOffice uses %s" % (
            f, sorted(used), sorted(lo_used(b))))
        keep, conv, dropped, source, dest = edits[f]
        check_delete_unused("DeleteUnused " + f, b, after[saved[("DeleteUnusedParagraphs", f)]])
        check_remove_overrides("RemoveOverrides " + f, b, after[saved[("RemoveOverrides", f)]])
        check_remove_nonlist("RemoveNonlist " + f, b,
                             after[saved[("RemoveNonlistParagraphs", f)]], dropped)
        check_convert("Convert " + f, b, after[saved[("ConvertParagraphsInDoc", f)]], source, dest)
        for cmd in ("DeleteUnusedParagraphs", "RemoveOverrides", "RemoveNonlistParagraphs"):
            check_references(cmd + " " + f, orig, saved[(cmd, f)])
        if f.endswith((".odt", ".ott")):
            check_references("Convert " + f, orig, saved[("ConvertParagraphsInDoc", f)],
                             (internal_name(orig, source), internal_name(orig, dest)))


def run_book(args, work):
    r = Runner(args, work)
    os.mkdir(os.path.join(work, "orig"))
    originals = [r.copy(f, "orig/" + f) for f in BOOK_FIXTURES]
    before = inspect(originals)
    book = r.book("orig/all.book", BOOK_FIXTURES)
    whole = listing(r.host("--book", book, "--command", "ListParagraphUsageBook").stdout)
    each = listing(r.host("--book", book, "--command", "ListParagraphUsageBookIndFiles").stdout)
    all_used = set().union(*(set(before[o]["styles_used"]) for o in originals))
    # The combined listing names a tag once whatever its case ("heading 1" of a .docx and
    # "Heading 1" of an .odt are one line).
    folded = lambda names: {n.lower() for n in names}  # noqa: E731
    check(folded(set().union(*whole.values())) == folded(all_used),
          "book listing: %s, LibreOffice uses %s" % (sorted(set().union(*whole.values())),
                                                     sorted(all_used)))
    for f, o in zip(BOOK_FIXTURES, originals):
        check(each.get(f) == set(before[o]["styles_used"]),
              "book listing of %s: %s, LibreOffice uses %s" % (f, sorted(each.get(f, [])),
                                                              before[o]["styles_used"]))

    def fresh(cmd):
        d = os.path.join(work, cmd)
        os.mkdir(d)
        for f in BOOK_FIXTURES:
            r.copy(f, cmd + "/" + f)
        return d, r.book(cmd + "/all.book", BOOK_FIXTURES)

    runs = {}
    for cmd in ("DeleteUnusedParagraphsBook", "RemoveOverridesBook"):
        d, b = fresh(cmd)
        r.host("--book", b, "--command", cmd, "--answer", "ok", "--save")
        runs[cmd] = d
    keep, conv = make_lists(r, book, True, work)
    merged = {}
    for o in originals:
        for s in before[o]["paragraph_styles"]:
            if s and s != "Standard":
                merged[s] = merged.get(s, 0) + 1
    order = sorted(merged, key=lambda s: (merged[s], s))
    # A conversion only retags to a style the file has: the target is one every file defines.
    # (Names compared without case: a .docx's "heading 1" is found as "Heading 1".)
    everywhere = set.intersection(*({n.lower() for n in before[o]["styles_defined"]}
                                    for o in originals))
    dropped, source = order[0], order[1]
    dest = [s for s in order if s.lower() in everywhere and s not in (dropped, source)][-1]
    rewrite_odt(keep, drop_row(dropped))
    rewrite_odt(conv, set_second_cell(source, dest))
    through_libreoffice([keep, conv], work)
    for cmd, listdoc in (("RemoveNonlistParagraphsBook", keep), ("ConvertParagraphsBook", conv)):
        d, b = fresh(cmd)
        r.host("--book", b, "--open", listdoc, "--command", cmd, "--answer", "ok", "--save")
        runs[cmd] = d
    paths = [os.path.join(d, f) for d in runs.values() for f in BOOK_FIXTURES]
    after = inspect(paths)
    for f, o in zip(BOOK_FIXTURES, originals):
        b = before[o]
        got = lambda cmd: after[os.path.join(runs[cmd], f)]  # noqa: E731
        for cmd in runs:
            check_references(cmd + " " + f, o, os.path.join(runs[cmd], f))
        check_delete_unused("DeleteUnusedBook " + f, b, got("DeleteUnusedParagraphsBook"),
                            set(merged))
        check_remove_overrides("RemoveOverridesBook " + f, b, got("RemoveOverridesBook"))
        a = got("RemoveNonlistParagraphsBook")
        if compare_unchanged("RemoveNonlistBook " + f, b, a):
            # The list holds the styles in use anywhere in the book, less the dropped one, one
            # spelling of each name; a listed name keeps its formats in any case.
            listed = {n.lower() for n in merged} - {dropped.lower()}
            left = set(a["styles_defined"]) - a["recreated"]
            check(not any(s.lower() == dropped.lower() for s in left),
                  "RemoveNonlistBook %s: %s left" % (f, dropped))
            extra = {s for s in left if s.lower() not in listed} - {"Standard", b["default"]}
            check(not extra, "RemoveNonlistBook %s: styles not on the list left: %s" % (
                f, sorted(extra)))
            lost = set(b["styles_used"]) - {dropped} - set(a["styles_defined"])
            check(not lost, "RemoveNonlistBook %s: listed styles deleted: %s" % (f, sorted(lost)))
        check_convert("ConvertBook " + f, b, got("ConvertParagraphsBook"), source, dest)
        for cmd in runs:
            check_style_values("%s %s" % (cmd, f), b, got(cmd))


def run_new(args, work):
    r = Runner(args, work)
    src = r.copy("users-and-groups.odt", "users-and-groups.odt")
    keep = os.path.join(work, "keep.odt")
    keep_json = os.path.join(work, "keep.json")
    r.host("--doc", src, "--command", "CreateParagraphList", "--choose", "1", "--output", keep)
    r.host("--doc", src, "--command", "CreateParagraphList", "--choose", "1", "--output", keep_json)
    model = json.load(open(keep_json))
    info = inspect([keep, src])
    k, s = info[keep], info[src]
    if check(k["opens"], "LibreOffice cannot open the new tag list"):
        formats = [f["name"] for f in model["formats"]]
        check([n for n in k["styles_defined"] if n in formats] == formats,
              "new .odt: LibreOffice finds styles %s, the document has %s" % (
                  k["styles_defined"], formats))
        check({"Heading1", "Heading2", "Body"} <= set(formats), "output template without "
              "Heading1, Heading2, Body: %s" % formats)
        rows = [line for line in k["text"].splitlines() if line.strip()]
        check(rows[1:] == s["styles_used"], "new tag list rows %s, LibreOffice uses %s" % (
            rows[1:], s["styles_used"]))
        check(k["paragraphs"]["tables"] == len(s["styles_used"]) + 1,
              "new tag list: %d paragraphs in table cells" % k["paragraphs"]["tables"])

    # Errors: one line on stderr, a non-zero status, and no file written or changed.
    with open(src, "rb") as fh:
        original = fh.read()
    for argv, what in (
            (["--doc", src, "--command", "CreateParagraphList", "--choose", "1", "--output",
              os.path.join(work, "x.xyz")], "unknown output format"),
            (["--doc", src, "--open", os.path.join(work, "missing.odt"), "--command",
              "DeleteUnusedParagraphs", "--save"], "missing --open file"),
            (["--doc", os.path.join(work, "keep.json.bad"), "--command", "ListParagraphUsage"],
             "missing document")):
        done = r.host(*argv, expect=None)
        check(done.returncode != 0, "%s: status 0" % what)
        check(len(done.stderr.strip().splitlines()) == 1, "%s: stderr %r" % (what, done.stderr))
    check(not os.path.exists(os.path.join(work, "x.xyz")), "bad --output name wrote a file")
    not_zip = os.path.join(work, "notes.odt")
    with open(not_zip, "w") as fh:
        fh.write("just text\n")
    done = r.host("--doc", src, "--open", not_zip, "--command", "DeleteUnusedParagraphs",
                  "--save", expect=None)
    check(done.returncode != 0 and "notes.odt" in done.stderr, "unreadable --open: %r" %
          done.stderr)
    # A save into a folder that cannot be written fails cleanly.
    ro = os.path.join(work, "ro")
    os.mkdir(ro)
    doc = os.path.join(ro, "doc.odt")
    shutil.copyfile(src, doc)
    os.chmod(ro, 0o555)
    if not os.access(ro, os.W_OK):  # root writes anyway; the check needs an ordinary user
        done = r.host("--doc", doc, "--command", "DeleteUnusedParagraphs", "--answer", "ok",
                      "--save", expect=None)
        check(done.returncode != 0 and "cannot save" in done.stderr, "failed save: %r" %
              done.stderr)
        check(sorted(os.listdir(ro)) == ["doc.odt"], "failed save left %s" % os.listdir(ro))
    os.chmod(ro, 0o755)
    with open(src, "rb") as fh:
        check(fh.read() == original, "a failed run changed the document")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("group", choices=["doc", "book", "new"])
    ap.add_argument("--host", required=True)
    ap.add_argument("--client", required=True)
    ap.add_argument("--client-dir", required=True)
    ap.add_argument("--fixtures", required=True)
    args = ap.parse_args()
    try:
        lo_inspect.find_soffice(None)
    except lo_inspect.SofficeError as e:
        print("skipped: %s" % e)
        return 77
    work = tempfile.mkdtemp(prefix="qv-office-")
    try:
        {"doc": run_doc, "book": run_book, "new": run_new}[args.group](args, work)
    except lo_inspect.SofficeError as e:
        failures.append("LibreOffice: %s" % e)
    finally:
        # Printed even when a check meets what a failed run did not make (a host that crashed
        # leaves no file): the failures recorded so far say why.
        for f in failures:
            print("FAIL: %s" % f)
        if failures:
            print("kept for inspection: %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    print("%s: %d failure(s)" % (args.group, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
