#!/usr/bin/env python3
"""Generates a large word-processing document as benchmark input for the office readers.

  gen_office.py --paragraphs 100000 --styles 1000 --format odt|docx OUT [options]

Options for scaling one dimension at a time (bench/scale_bench.sh):
  --chain N        styles inherit in chains of N: each style is based on the one before it,
                   and every Nth starts a new chain (--chain equal to --styles: one chain)
  --table-rows R, --table-cols C
                   the shape of the tables (10 rows of 4 cells); 1 and 1 with --tables 0.5
                   make as many tables as half the paragraphs
  --flows N        N more stories of one paragraph each, taken from the body: in .odt a
                   text box (draw:frame) in a body paragraph, in .docx a section whose own
                   header part holds it
  --nesting D      the body's content inside D nested sections (.odt text:section) or
                   content controls (.docx w:sdt)

The package is written directly with zipfile (about 1 s for 100,000 paragraphs; LibreOffice
7.4 itself takes about 33 s to convert that .odt to .odt and 35 s for the .docx, on one
core), yet it is a proper package that LibreOffice opens:
  odt   mimetype (first, stored), META-INF/manifest.xml, content.xml, styles.xml, meta.xml
  docx  [Content_Types].xml, _rels/.rels, word/document.xml, word/styles.xml,
        word/footnotes.xml, word/settings.xml, word/_rels/document.xml.rels

Paragraphs are spread over the body, table cells (tables of up to 10 rows of 4 cells), text boxes
or headers (--flows) and
footnotes (one paragraph each, cited from body paragraphs). The custom paragraph styles
"Bench 0001" ... are of four kinds: a share used only in footnotes, a share used only in
table cells, the rest of the used ones in the body (the first three of those are headings),
and unused ones (--unused). Within each region the styles follow a Zipf-like frequency, and
every style of a region is used at least once when the region has room. A share of
paragraphs (--direct) carries direct formatting: in .odt an automatic style with its own
properties, in .docx paragraph properties of its own (alignment, indent, spacing).

The same seed gives the same document. With --summary, the facts of the document (counts
per region, styles used and unused, directly formatted paragraphs) are printed as JSON on
stdout; "body" there excludes table cells.
"""

import argparse
import json
import random
import sys
import zipfile
from xml.sax.saxutils import escape

WORDS = ("the paragraph style of each heading and list item is kept in the catalogue while "
         "tables footnotes and frames carry their own formats book chapter section figure "
         "index margin indent spacing tab column page layout print proof draft revision").split()

DIRECT_ODT = (
    '<style:text-properties fo:font-weight="bold"/>',
    '<style:paragraph-properties fo:text-align="center"/>',
    '<style:paragraph-properties fo:margin-left="1cm" fo:margin-top="0.2cm"/>',
)
DIRECT_DOCX = ('<w:jc w:val="center"/>', '<w:ind w:left="567"/>', '<w:spacing w:before="240"/>')
CELLS_PER_ROW, ROWS_PER_TABLE = 4, 10


def style_display(i):
    return "Bench %04d" % i


def parent_of(i, chain):
    """The custom style style i is based on (0: the default style). Without --chain every fifth
    style inherits from the one before it."""
    if chain is None:
        return i - 1 if i % 5 == 0 else 0
    return i - 1 if (i - 1) % chain else 0


class Plan:
    """Which paragraph goes where, in which style, with which direct formatting."""

    def __init__(self, n, n_styles, table_share, note_share, unused_share, direct_share, seed,
                 chain=None, rows=ROWS_PER_TABLE, cols=CELLS_PER_ROW, flows=0, nesting=0):
        if n < 1 or n_styles < 1:
            raise ValueError("need at least one paragraph and one style")
        if (chain is not None and chain < 1) or rows < 1 or cols < 1 or flows < 0:
            raise ValueError("--chain, --table-rows and --table-cols take 1 or more, --flows 0 or more")
        rnd = random.Random(seed)
        self.n_styles, self.chain, self.cols, self.rows = n_styles, chain, cols, rows
        self.nesting = nesting
        n_table = int(n * table_share) // cols * cols
        n_note = int(n * note_share)
        n_body = n - n_table - n_note - flows
        if n_body < max(1, flows):
            raise ValueError("no body paragraph left: lower --tables/--footnotes/--flows")
        ids = list(range(1, n_styles + 1))
        n_unused = min(int(n_styles * unused_share), n_styles - 1)
        used = ids[:n_styles - n_unused]
        rnd.shuffle(used)
        self.unused = ids[n_styles - n_unused:]
        k_note = max(1, len(used) // 50) if n_note else 0
        k_table = max(1, len(used) // 10) if n_table else 0
        if k_note + k_table >= len(used):  # too few styles: let the regions share them
            note_pool = table_pool = body_pool = used
        else:
            note_pool, table_pool = used[:k_note], used[k_note:k_note + k_table]
            body_pool = sorted(used[k_note + k_table:])
        self.headings = set(body_pool[:3]) if len(body_pool) > 3 else set()

        def assign(count, pool):
            pool = pool[:count] if count < len(pool) else pool
            out = list(pool)  # each style of the pool once, then Zipf-like
            if count > len(out):
                weights, acc = [], 0.0
                for r in range(len(pool)):
                    acc += 1.0 / (r + 1)
                    weights.append(acc)
                out += rnd.choices(pool, cum_weights=weights, k=count - len(out))
            rnd.shuffle(out)
            return out

        self.body, self.cells, self.notes = assign(n_body, body_pool), assign(n_table, table_pool), \
            assign(n_note, note_pool)
        self.boxes = assign(flows, body_pool)
        # Direct formatting: None or an index into DIRECT_*, per paragraph of each region.
        self.direct = {key: [rnd.randrange(3) if rnd.random() < direct_share else None
                             for _ in range(len(seq))]
                       for key, seq in (("body", self.body), ("cells", self.cells), ("notes", self.notes))}
        self.texts = [" ".join(rnd.choice(WORDS) for _ in range(rnd.randint(6, 24)))
                      for _ in range(257)]
        per_table = cols * rows
        n_tables = (n_table + per_table - 1) // per_table
        # Tables after evenly spread body paragraphs (never after the last one), footnotes
        # cited from evenly spread body paragraphs.
        self.table_after = {}
        start = 0
        for t in range(n_tables):
            cells = min(per_table, n_table - start)
            self.table_after.setdefault((t * (n_body - 1)) // max(1, n_tables), []).append((start, cells))
            start += cells
        self.notes_at = {}
        for j in range(n_note):
            self.notes_at.setdefault((j * n_body) // n_note, []).append(j)
        # Text boxes (.odt) or sections with their own header (.docx) after evenly spread body
        # paragraphs.
        self.boxes_at = {}
        for j in range(flows):
            self.boxes_at.setdefault((j * n_body) // flows, []).append(j)

    def text(self, i):
        return self.texts[i % len(self.texts)]

    def chain_length(self, i):
        """How many custom styles the chain from style i up holds, i included."""
        if self.chain is None:
            return 2 if i % 5 == 0 else 1
        return (i - 1) % self.chain + 1

    def summary(self):
        used_body, used_cells, used_notes = set(self.body) | set(self.boxes), set(self.cells), \
            set(self.notes)
        used = used_body | used_cells | used_notes
        direct = sum(1 for seq in self.direct.values() for d in seq if d is not None)
        return {
            "paragraphs": {"body": len(self.body), "tables": len(self.cells),
                           "footnotes": len(self.notes), "flows": len(self.boxes),
                           "total": len(self.body) + len(self.cells) + len(self.notes) +
                           len(self.boxes)},
            "tables": sum(len(v) for v in self.table_after.values()),
            "custom_styles_defined": self.n_styles,
            "custom_styles_used": len(used),
            "custom_styles_unused": self.n_styles - len(used),
            "styles_only_in_tables": len(used_cells - used_body - used_notes),
            "styles_only_in_footnotes": len(used_notes - used_body - used_cells),
            "heading_styles": sorted(style_display(i) for i in self.headings),
            "longest_chain": max(self.chain_length(i) for i in range(1, self.n_styles + 1)),
            "direct_formatting": direct,
        }


# ---------------------------------------------------------------------------------- odt

ODT_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
          'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
          'xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" '
          'xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.3"')


def odt_name(i):
    return "Bench_20_%04d" % i


def odt_styles(plan):
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<office:document-styles %s><office:styles>' % ODT_NS,
           '<style:default-style style:family="paragraph"><style:paragraph-properties '
           'fo:orphans="2" fo:widows="2"/><style:text-properties fo:font-size="11pt"/>'
           '</style:default-style>',
           '<style:style style:name="Standard" style:family="paragraph" style:class="text"/>']
    for i in range(1, plan.n_styles + 1):
        # Every fifth style inherits from the one before it; sizes and spacing vary.
        up = parent_of(i, plan.chain)
        parent = odt_name(up) if up else "Standard"
        level = ""
        if i in plan.headings:
            level = ' style:default-outline-level="%d"' % (sorted(plan.headings).index(i) + 1)
        out.append('<style:style style:name="%s" style:display-name="%s" style:family="paragraph" '
                   'style:parent-style-name="%s"%s style:class="text"><style:paragraph-properties '
                   'fo:margin-top="%.2fcm" fo:margin-bottom="0.1cm"/><style:text-properties '
                   'fo:font-size="%dpt"%s/></style:style>' % (
                       odt_name(i), style_display(i), parent, level, (i % 4) * 0.1, 9 + i % 6,
                       ' fo:font-weight="bold"' if i in plan.headings else ""))
    out.append('</office:styles><office:automatic-styles><style:page-layout style:name="pm1">'
               '<style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm" '
               'fo:margin-top="2cm" fo:margin-bottom="2cm" fo:margin-left="2cm" fo:margin-right="2cm"/>'
               '</style:page-layout></office:automatic-styles><office:master-styles>'
               '<style:master-page style:name="Standard" style:page-layout-name="pm1"/>'
               '</office:master-styles></office:document-styles>')
    return "".join(out)


def odt_content(plan):
    auto = {}  # (style, variant) -> automatic style name

    def style_of(i, d):
        if d is None:
            return odt_name(i)
        key = (i, d)
        if key not in auto:
            auto[key] = "P%d" % (len(auto) + 1)
        return auto[key]

    def para(i, d, text):
        if i in plan.headings:
            return '<text:h text:style-name="%s" text:outline-level="%d">%s</text:h>' % (
                style_of(i, d), sorted(plan.headings).index(i) + 1, text)
        return '<text:p text:style-name="%s">%s</text:p>' % (style_of(i, d), text)

    body = []
    for b, st in enumerate(plan.body):
        text = escape(plan.text(b))
        notes = "".join(
            '<text:note text:id="ftn%d" text:note-class="footnote"><text:note-citation>%d'
            '</text:note-citation><text:note-body><text:p text:style-name="%s">%s</text:p>'
            '</text:note-body></text:note>' % (j + 1, j + 1, style_of(plan.notes[j], plan.direct["notes"][j]),
                                               escape(plan.text(j + 7)))
            for j in plan.notes_at.get(b, ()))
        boxes = "".join(
            '<draw:frame draw:name="Box%d" text:anchor-type="as-char" svg:width="4cm">'
            '<draw:text-box>%s</draw:text-box></draw:frame>' % (j + 1, para(plan.boxes[j], None, escape(plan.text(j + 11))))
            for j in plan.boxes_at.get(b, ()))
        body.append(para(st, plan.direct["body"][b], text + notes + boxes))
        for start, count in plan.table_after.get(b, ()):
            rows = []
            for r in range(start, start + count, plan.cols):
                rows.append("<table:table-row>%s</table:table-row>" % "".join(
                    '<table:table-cell office:value-type="string"><text:p text:style-name="%s">%s'
                    '</text:p></table:table-cell>' % (style_of(plan.cells[c], plan.direct["cells"][c]),
                                                      escape(plan.text(c + 3)))
                    for c in range(r, r + plan.cols)))
            body.append('<table:table table:name="Table%d"><table:table-column '
                        'table:number-columns-repeated="%d"/>%s</table:table>' % (
                            start // (plan.cols * plan.rows) + 1, plan.cols, "".join(rows)))
    autos = "".join('<style:style style:name="%s" style:family="paragraph" style:parent-style-name="%s">%s'
                    '</style:style>' % (name, odt_name(i), DIRECT_ODT[d]) for (i, d), name in auto.items())
    nest = "".join('<text:section text:name="Section%d">' % (k + 1) for k in range(plan.nesting))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content %s>'
            '<office:automatic-styles>%s</office:automatic-styles><office:body><office:text>%s%s%s'
            '</office:text></office:body></office:document-content>' % (
                ODT_NS, autos, nest, "".join(body), "</text:section>" * plan.nesting))


def write_odt(plan, out):
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n<manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3">'
                '<manifest:file-entry manifest:full-path="/" manifest:version="1.3" '
                'manifest:media-type="application/vnd.oasis.opendocument.text"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="meta.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>')
    meta = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-meta %s><office:meta>'
            '<meta:generator>Quorvex bench/gen_office.py</meta:generator><dc:title>Benchmark document'
            '</dc:title></office:meta></office:document-meta>' % ODT_NS)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text",
                   compress_type=zipfile.ZIP_STORED)
        z.writestr("content.xml", odt_content(plan))
        z.writestr("styles.xml", odt_styles(plan))
        z.writestr("meta.xml", meta)
        z.writestr("META-INF/manifest.xml", manifest)


# --------------------------------------------------------------------------------- docx

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
WR = W + ' xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
CT = "application/vnd.openxmlformats-officedocument.wordprocessingml."


def docx_id(i):
    return "Bench%04d" % i


def docx_para(plan, i, d, text, extra_runs="", sect=""):
    ppr = '<w:pStyle w:val="%s"/>' % docx_id(i)
    if d is not None:
        ppr += DIRECT_DOCX[d]
    ppr += sect
    return '<w:p><w:pPr>%s</w:pPr><w:r><w:t xml:space="preserve">%s</w:t></w:r>%s</w:p>' % (
        ppr, text, extra_runs)


def docx_document(plan):
    body = []
    grid = "".join('<w:gridCol w:w="2400"/>' for _ in range(plan.cols))
    ref = '<w:r><w:rPr><w:rStyle w:val="FootnoteReference"/></w:rPr><w:footnoteReference w:id="%d"/></w:r>'
    for b, st in enumerate(plan.body):
        notes = "".join(ref % (j + 1) for j in plan.notes_at.get(b, ()))
        # A body paragraph ends the section whose header is story j (one at most per paragraph);
        # the last story is the header of the last section, which the body's end closes.
        sect = "".join('<w:sectPr>%s<w:type w:val="continuous"/>%s</w:sectPr>' % (
            docx_header_ref(j), SECT_PAGE) for j in plan.boxes_at.get(b, ()) if j + 1 < len(plan.boxes))
        body.append(docx_para(plan, st, plan.direct["body"][b], escape(plan.text(b)), notes, sect))
        for start, count in plan.table_after.get(b, ()):
            rows = []
            for r in range(start, start + count, plan.cols):
                rows.append("<w:tr>%s</w:tr>" % "".join(
                    '<w:tc><w:tcPr><w:tcW w:w="2400" w:type="dxa"/></w:tcPr>%s</w:tc>' % docx_para(
                        plan, plan.cells[c], plan.direct["cells"][c], escape(plan.text(c + 3)))
                    for c in range(r, r + plan.cols)))
            body.append('<w:tbl><w:tblPr><w:tblW w:w="0" w:type="auto"/></w:tblPr><w:tblGrid>%s'
                        '</w:tblGrid>%s</w:tbl>' % (grid, "".join(rows)))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document %s><w:body>%s'
            '<w:sectPr>%s%s</w:sectPr></w:body></w:document>' % (
                WR, "<w:sdt><w:sdtContent>" * plan.nesting + "".join(body) +
                "</w:sdtContent></w:sdt>" * plan.nesting,
                docx_header_ref(len(plan.boxes) - 1) if plan.boxes else "", SECT_PAGE))


SECT_PAGE = ('<w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1134" w:right="1134" w:bottom="1134" '
             'w:left="1134" w:header="709" w:footer="709" w:gutter="0"/>')


def docx_header_rel(j):
    return "rIdH%d" % (j + 1)


def docx_header_ref(j):
    return '<w:headerReference w:type="default" r:id="%s"/>' % docx_header_rel(j)


def docx_header(plan, j):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:hdr %s>%s</w:hdr>' % (
        WR, docx_para(plan, plan.boxes[j], None, escape(plan.text(j + 11)))))


def docx_footnotes(plan):
    out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:footnotes %s>' % WR,
           '<w:footnote w:type="separator" w:id="-1"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>',
           '<w:footnote w:type="continuationSeparator" w:id="0"><w:p><w:r><w:continuationSeparator/>'
           '</w:r></w:p></w:footnote>']
    for j, st in enumerate(plan.notes):
        ppr = '<w:pStyle w:val="%s"/>' % docx_id(st)
        if plan.direct["notes"][j] is not None:
            ppr += DIRECT_DOCX[plan.direct["notes"][j]]
        out.append('<w:footnote w:id="%d"><w:p><w:pPr>%s</w:pPr><w:r><w:rPr><w:rStyle '
                   'w:val="FootnoteReference"/></w:rPr><w:footnoteRef/></w:r><w:r><w:t '
                   'xml:space="preserve"> %s</w:t></w:r></w:p></w:footnote>' % (
                       j + 1, ppr, escape(plan.text(j + 7))))
    out.append("</w:footnotes>")
    return "".join(out)


def docx_styles(plan):
    out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:styles %s>' % W,
           '<w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val="22"/></w:rPr></w:rPrDefault>'
           '<w:pPrDefault><w:pPr><w:widowControl/><w:spacing w:after="120"/></w:pPr></w:pPrDefault></w:docDefaults>',
           '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/>'
           '<w:qFormat/></w:style>',
           '<w:style w:type="character" w:default="1" w:styleId="DefaultParagraphFont"><w:name '
           'w:val="Default Paragraph Font"/><w:uiPriority w:val="1"/><w:semiHidden/></w:style>',
           '<w:style w:type="character" w:styleId="FootnoteReference"><w:name w:val="footnote reference"/>'
           '<w:basedOn w:val="DefaultParagraphFont"/><w:rPr><w:vertAlign w:val="superscript"/></w:rPr></w:style>']
    heads = sorted(plan.headings)
    for i in range(1, plan.n_styles + 1):
        up = parent_of(i, plan.chain)
        based = docx_id(up) if up else "Normal"
        ppr = '<w:spacing w:before="%d"/>' % ((i % 4) * 57)
        rpr = '<w:sz w:val="%d"/>' % (2 * (9 + i % 6))
        if i in plan.headings:
            ppr += '<w:outlineLvl w:val="%d"/>' % heads.index(i)
            rpr = "<w:b/>" + rpr
        out.append('<w:style w:type="paragraph" w:customStyle="1" w:styleId="%s"><w:name w:val="%s"/>'
                   '<w:basedOn w:val="%s"/><w:qFormat/><w:pPr>%s</w:pPr><w:rPr>%s</w:rPr></w:style>' % (
                       docx_id(i), style_display(i), based, ppr, rpr))
    out.append("</w:styles>")
    return "".join(out)


def write_docx(plan, out):
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types '
             'xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             '<Override PartName="/word/document.xml" ContentType="%sdocument.main+xml"/>'
             '<Override PartName="/word/styles.xml" ContentType="%sstyles+xml"/>'
             '<Override PartName="/word/settings.xml" ContentType="%ssettings+xml"/>'
             '<Override PartName="/word/footnotes.xml" ContentType="%sfootnotes+xml"/>'
             # Header parts are typed by their extension: one override each would make this part
             # grow with them.
             '<Default Extension="hdr" ContentType="%sheader+xml"/></Types>' % ((CT,) * 5))
    rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships '
            'xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="%sofficeDocument" Target="word/document.xml"/>'
            '</Relationships>' % REL)
    doc_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships '
                'xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                '<Relationship Id="rId1" Type="%sstyles" Target="styles.xml"/>'
                '<Relationship Id="rId2" Type="%ssettings" Target="settings.xml"/>'
                '<Relationship Id="rId3" Type="%sfootnotes" Target="footnotes.xml"/>%s'
                '</Relationships>' % (REL, REL, REL, "".join(
                    '<Relationship Id="%s" Type="%sheader" Target="header%d.hdr"/>' % (docx_header_rel(j), REL, j + 1)
                    for j in range(len(plan.boxes)))))
    settings = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:settings %s>'
                '<w:defaultTabStop w:val="709"/><w:footnotePr><w:footnote w:id="-1"/>'
                '<w:footnote w:id="0"/></w:footnotePr></w:settings>' % W)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", rels)
        z.writestr("word/document.xml", docx_document(plan))
        z.writestr("word/styles.xml", docx_styles(plan))
        z.writestr("word/settings.xml", settings)
        z.writestr("word/footnotes.xml", docx_footnotes(plan))
        z.writestr("word/_rels/document.xml.rels", doc_rels)
        for j in range(len(plan.boxes)):
            z.writestr("word/header%d.hdr" % (j + 1), docx_header(plan, j))


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("out")
    ap.add_argument("--paragraphs", type=int, default=100000)
    ap.add_argument("--styles", type=int, default=1000, help="custom paragraph styles defined")
    ap.add_argument("--format", choices=("odt", "docx"), required=True)
    ap.add_argument("--tables", type=float, default=0.15, help="share of paragraphs in table cells")
    ap.add_argument("--footnotes", type=float, default=0.05, help="share of paragraphs in footnotes")
    ap.add_argument("--unused", type=float, default=0.3, help="share of the styles never used")
    ap.add_argument("--direct", type=float, default=0.05,
                    help="share of paragraphs with direct formatting")
    ap.add_argument("--chain", type=int, help="styles inherit in chains of this length")
    ap.add_argument("--table-rows", type=int, default=ROWS_PER_TABLE)
    ap.add_argument("--table-cols", type=int, default=CELLS_PER_ROW)
    ap.add_argument("--flows", type=int, default=0,
                    help="text boxes (.odt) or sections with a header each (.docx)")
    ap.add_argument("--nesting", type=int, default=0,
                    help="the body inside this many nested sections or content controls")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--summary", action="store_true", help="print the document's facts as JSON")
    args = ap.parse_args(argv)
    try:
        plan = Plan(args.paragraphs, args.styles, args.tables, args.footnotes, args.unused,
                    args.direct, args.seed, args.chain, args.table_rows, args.table_cols, args.flows,
                    args.nesting)
    except ValueError as e:
        ap.error(str(e))
    (write_odt if args.format == "odt" else write_docx)(plan, args.out)
    if args.summary:
        json.dump(plan.summary(), sys.stdout, indent=1)
        sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
