// OpenDocument Text documents read into the model: recognising the package, its paragraphs in
// every text flow, tables, and the catalogue of named paragraph styles.
#include "host/formats/odt.h"

#include <filesystem>
#include <optional>

#include "host/formats/odt_internal.h"
#include "host/formats/package.h"
#include "host/formats/xml_stream.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost {

namespace odt {

namespace {

constexpr const char *kMimeText = "application/vnd.oasis.opendocument.text";
constexpr const char *kMimeTemplate = "application/vnd.oasis.opendocument.text-template";

bool Encrypted(const pugi::xml_node n, size_t depth) {
  if (depth > kMaxDepth) return false;
  for (pugi::xml_node c : n.children()) {
    if (c.type() != pugi::node_element) continue;
    if (LocalName(c.name()) == "encryption-data") return true;
    if (Encrypted(c, depth + 1)) return true;
  }
  return false;
}

// OpenOffice.org names the manifest's DTD (`<!DOCTYPE manifest:manifest PUBLIC ...
// "Manifest.dtd">`), which is never fetched: such a declaration, without an internal subset (the
// only place entities could be declared), is blanked out before the manifest is parsed.
void WithoutExternalDoctype(std::string &xml) {
  size_t at = xml.find("<!DOCTYPE");
  if (at == std::string::npos || at > 1024) return;
  size_t end = xml.find('>', at);
  if (end == std::string::npos || xml.find('[', at) < end) return;
  std::fill(xml.begin() + static_cast<std::ptrdiff_t>(at),
            xml.begin() + static_cast<std::ptrdiff_t>(end) + 1, ' ');
}

// The text of a paragraph, without its notes, frames and comments.
void TextOf(const Names &n, pugi::xml_node e, std::string &out, size_t depth) {
  if (depth > kMaxDepth) return;
  for (pugi::xml_node c : e.children()) {
    if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
      out += c.value();
      continue;
    }
    if (c.type() != pugi::node_element) continue;
    std::string_view name = c.name();
    if (name == n.textS) {
      int count = c.attribute(n.textC.c_str()).as_int(1);
      out.append(static_cast<size_t>(std::clamp(count, 1, 1024)), ' ');
    } else if (name == n.textTab) {
      out += '\t';
    } else if (name == n.lineBreak) {
      out += '\n';
    } else if (name != n.note && name != n.frame && name != n.annotation) {
      TextOf(n, c, out, depth + 1);
    }
  }
}

class Walker {
 public:
  // The paragraphs met go to `items` with their elements (a save's walk), or to `pgfs` as the
  // model's paragraphs (a load, whose elements do not outlive their batch).
  Walker(Part *parts, Model *m, Doc *d, const StyleSet *s, CharReader *r,
         std::vector<WalkItem> *items, std::vector<Handle> *pgfs)
      : parts_(parts), m_(m), d_(d), s_(s), r_(r), items_(items), pgfs_(pgfs) {}

  // Where paragraphs go: a frame of a flow or a table cell; `last` anchors tables.
  struct Ctx {
    Frame *frame = nullptr;
    Cell *cell = nullptr;
    Pgf *last = nullptr;
  };

  // Sets up the main flow and walks what the part's text body holds (all of it, or nothing
  // when its children come in batches to Body).
  bool Begin(std::string &err) {
    const Part &cp = parts_[kContent];
    pugi::xml_node text = cp.xml.Root().child(cp.n.body.c_str()).child(cp.n.officeText.c_str());
    if (!text) return err = "content.xml has no text body (not a text document)", false;
    if (m_) {
      page_ = m_->AddPage(*d_, PageList::Body, "1")->h;
      d_->currentPage = page_;
      main_.frame = m_->AddFrame(*m_->AddFlow(*d_, "A", true), page_);
    }
    return Body(text, err);
  }

  // Children of the text body, in document order.
  bool Body(pugi::xml_node batch, std::string &err) {
    Block(kContent, batch, main_, 0);
    return err_.empty() || (err = err_, false);
  }

  // After the body: the headers and footers of the master pages.
  bool Finish(std::string &err) {
    if (!met_) EmptyBody(main_);
    const Part &sp = parts_[kStyles];
    pugi::xml_node masters = sp.xml.Root().child(sp.n.masterStyles.c_str());
    for (pugi::xml_node mp : masters.children(sp.n.masterPage.c_str())) {
      std::string name = mp.attribute(sp.n.sDisplay.c_str()).value();
      if (name.empty()) name = mp.attribute(sp.n.sName.c_str()).value();
      Handle mpage = m_ ? m_->AddPage(*d_, PageList::A, name)->h : 0;
      for (pugi::xml_node hf : mp.children()) {
        if (hf.type() != pugi::node_element || sp.n.ns.UriOf(hf.name()) != kStyleNs) continue;
        static const struct {
          const char *local, *label;
        } kRegions[] = {{"header", "Header"},
                        {"footer", "Footer"},
                        {"header-left", "Left Header"},
                        {"footer-left", "Left Footer"},
                        {"header-first", "First Header"},
                        {"footer-first", "First Footer"}};
        for (const auto &r : kRegions) {
          if (LocalName(hf.name()) != r.local) continue;
          Ctx c;
          if (m_) c.frame = m_->AddFrame(*m_->AddFlow(*d_, name + " " + r.label, false), mpage);
          Block(kStyles, hf, c, 0);
        }
      }
    }
    if (!err_.empty()) return err = err_, false;
    if (!met_) return err = "the document has no paragraphs", false;
    return true;
  }

  bool Run(std::string &err) { return Begin(err) && Finish(err); }

  size_t tables = 0;

 private:
  bool Full() {
    if (met_ >= kMaxPgfs) err_ = "too many paragraphs";
    if (cells_ >= kMaxTableCells) err_ = "too many table cells";
    return !err_.empty();
  }

  void Block(int part, pugi::xml_node parent, Ctx &ctx, size_t depth) {
    const Names &n = parts_[part].n;
    if (depth > kMaxDepth) {
      err_ = "elements nested too deeply";
      return;
    }
    for (pugi::xml_node c : parent.children()) {
      if (c.type() != pugi::node_element || Full()) continue;
      std::string_view name = c.name();
      if (name == n.p || name == n.h)
        Para(part, c, ctx, depth);
      else if (name == n.table)
        Table(part, c, ctx, depth);
      else if (name == n.frame)
        FrameEl(part, c, depth);
      else if (name == n.note)
        Note(part, c, depth);
      else if (name != n.trackedChanges && name != n.annotation)
        Block(part, c, ctx, depth + 1);
    }
  }

  // An office suite shows an empty body as one empty paragraph in the default style: so does
  // the model, with no element behind it until a change needs one.
  void EmptyBody(Ctx &main) {
    Met(kContent, pugi::xml_node());
    if (!m_) return;
    auto it = s_->common.find(kDefaultStyle);
    Pgf *p = m_->AddPgf(*main.frame, it == s_->common.end() ? "" : it->second.display, "");
    main.last = p;
    Placed(p->h);
  }

  void Met(int part, pugi::xml_node e) {
    ++met_;
    if (items_) items_->push_back({part, e, 0});
  }
  void Placed(Handle h) {
    if (items_) items_->back().pgf = h;
    if (pgfs_) pgfs_->push_back(h);
  }

  void Inline(int part, pugi::xml_node e, size_t depth) {
    const Names &n = parts_[part].n;
    if (depth > kMaxDepth) {
      err_ = "elements nested too deeply";
      return;
    }
    for (pugi::xml_node c : e.children()) {
      if (c.type() != pugi::node_element) continue;
      std::string_view name = c.name();
      if (name == n.note)
        Note(part, c, depth + 1);
      else if (name == n.frame)
        FrameEl(part, c, depth + 1);
      else if (name != n.annotation)
        Inline(part, c, depth + 1);
    }
  }

  void Para(int part, pugi::xml_node e, Ctx &ctx, size_t depth) {
    Met(part, e);
    if (m_) {
      const Names &n = parts_[part].n;
      std::string style = e.attribute(n.styleName.c_str()).value();
      const Style *own = s_->Find(part, style);
      const Style *named = s_->Named(part, style);
      if (!named)
        if (auto it = s_->common.find(kDefaultStyle); it != s_->common.end()) named = &it->second;
      // Older office suites name the conditional style the user chose in text:cond-style-name
      // and the style its condition applies in text:style-name: the paragraph shows the
      // first as its style (so do office suites today), and looks like the second.
      const Style *chosen = named;
      if (auto c = s_->common.find(e.attribute(n.condStyleName.c_str()).value());
          c != s_->common.end())
        chosen = &c->second;
      std::string text;
      TextOf(n, e, text, depth);
      std::string tag = chosen ? chosen->display : "";
      Pgf *p = ctx.cell ? m_->AddCellPgf(*ctx.cell, tag, text) : m_->AddPgf(*ctx.frame, tag, text);
      // A paragraph naming no style (or one the file lacks) shows the default one.
      const Chars &base = named ? r_->Of(kCommon, named->name) : r_->Of(part, "");
      const Chars &mine = own ? r_->Of(part, style) : base;
      for (const auto &[code, v] : mine)
        if (code != PROP_NextTag && code != PROP_UseNextTag)
          if (auto it = base.find(code); it == base.end() || !(it->second == v)) p->own[code] = v;
      auto a = s_->autos[part].find(style);
      p->override_ = a != s_->autos[part].end() && SetsOwnProperties(parts_[part], a->second.node);
      if (!p->override_ && !p->own.empty()) p->override_ = true;
      ctx.last = p;
      Placed(p->h);
    }
    Inline(part, e, depth + 1);
  }

  void Note(int part, pugi::xml_node e, size_t depth) {
    const Names &n = parts_[part].n;
    bool end = std::string_view(e.attribute(n.noteClass.c_str()).value()) == "endnote";
    Ctx &c = end ? endnotes_ : footnotes_;
    if (m_ && !c.frame)
      c.frame = m_->AddFrame(*m_->AddFlow(*d_, end ? "Endnotes" : "Footnotes", false), page_);
    Block(part, e.child(n.noteBody.c_str()), c, depth + 1);
  }

  void FrameEl(int part, pugi::xml_node e, size_t depth) {
    const Names &n = parts_[part].n;
    for (pugi::xml_node box : e.children(n.textBox.c_str())) {
      Ctx c;
      if (m_) c.frame = m_->AddFrame(*m_->AddFlow(*d_, "", false), page_);
      Block(part, box, c, depth + 1);
    }
  }

  void Table(int part, pugi::xml_node e, Ctx &ctx, size_t depth) {
    ++tables;
    qvhost::Table *t = m_ ? m_->AddTable(*d_, "Format A", ctx.last ? ctx.last->h : 0) : nullptr;
    Rows(part, e, t, depth + 1);
  }

  void Rows(int part, pugi::xml_node e, qvhost::Table *t, size_t depth) {
    const Names &n = parts_[part].n;
    if (depth > kMaxDepth) {
      err_ = "elements nested too deeply";
      return;
    }
    for (pugi::xml_node r : e.children()) {
      if (r.type() != pugi::node_element || Full()) continue;
      std::string_view name = r.name();
      if (name == n.row) {
        Row *row = t ? m_->AddRow(*t) : nullptr;
        int32_t col = 0;
        for (pugi::xml_node c : r.children()) {
          std::string_view cn = c.name();
          if (c.type() != pugi::node_element || (cn != n.cell && cn != n.coveredCell)) continue;
          if (Full()) break;
          ++cells_;
          Ctx cc;
          if (row) {
            cc.cell = m_->AddCell(*row);
            cc.cell->col = col;
            cc.cell->straddleCols =
                std::clamp(c.attribute(n.colsSpanned.c_str()).as_int(1), 1, 1024);
            cc.cell->straddleRows =
                std::clamp(c.attribute(n.rowsSpanned.c_str()).as_int(1), 1, 1 << 20);
          }
          ++col;
          Block(part, c, cc, depth + 1);
        }
        if (t && t->colWidths.size() < static_cast<size_t>(col))
          t->colWidths.resize(static_cast<size_t>(col), 72 << 16);
      } else if (name != n.table && LocalName(r.name()).find("row") != std::string_view::npos) {
        Rows(part, r, t, depth + 1);  // header rows, row groups
      }
    }
  }

  Part *parts_;
  Model *m_;
  Doc *d_;
  const StyleSet *s_;
  CharReader *r_;
  std::vector<WalkItem> *items_;
  std::vector<Handle> *pgfs_;
  size_t met_ = 0;  // paragraphs met
  Handle page_ = 0;
  Ctx main_, footnotes_, endnotes_;
  size_t cells_ = 0;
  std::string err_;
};

}  // namespace

namespace {

// Where the root element's start tag of a part's bytes ends (at its '>'); npos when there is
// no such tag or the root element is empty.
size_t RootTagEnd(std::string_view s) {
  size_t i = s.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (;;) {
    i = s.find('<', i);
    if (i == std::string_view::npos) return i;
    std::string_view close = s.compare(i, 2, "<?") == 0     ? "?>"
                             : s.compare(i, 4, "<!--") == 0 ? "-->"
                                                            : "";
    if (close.empty()) break;
    i = s.find(close, i);
    if (i == std::string_view::npos) return i;
  }
  for (size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] == '"' || s[j] == '\'') {
      j = s.find(s[j], j + 1);
      if (j == std::string_view::npos) return j;
    } else if (s[j] == '>') {
      return s[j - 1] == '/' ? std::string_view::npos : j;
    }
  }
  return std::string_view::npos;
}

// The part's names, checked to be those of an OpenDocument text part.
bool NamesRead(Part &part, const char *name, std::string &err) {
  part.n = Names(part.xml.Root());
  if (part.n.p.empty()) return err = std::string(name) + ": no OpenDocument text namespace", false;
  return true;
}

// content.xml as its root element alone (`rootTag`, its start tag), with an empty text body;
// false (and the part untouched) when that is no such root.
bool MakeStub(std::string_view rootTag, uint64_t hash, size_t size, Part &part) {
  if (rootTag.size() < 2 || rootTag.back() != '>' || rootTag[rootTag.size() - 2] == '/')
    return false;
  std::string why, tag(rootTag.substr(0, rootTag.size() - 1));
  tag += "/>";
  if (!part.xml.Parse(tag, "content.xml", why)) return false;
  Names n(part.xml.Root());
  if (n.p.empty() || n.body.empty() || n.officeText.empty()) {
    part.xml.doc.reset();
    return false;
  }
  part.xml.Root().append_child(n.body.c_str()).append_child(n.officeText.c_str());
  part.xml.hash = hash;
  part.xml.size = size;
  part.n = std::move(n);
  part.stub = true;
  return true;
}

// content.xml made a stub when none of its attribute values is one of `names`: read as it is
// inflated, keeping only its root element's start tag. False when it names one (or cannot be
// a stub), with `err` set only when the part could not be read.
bool StubUnless(const Package &pkg, const std::unordered_set<std::string_view> &names, Part &part,
                std::string &err) {
  std::string start;  // the bytes up to the root's start tag's end
  size_t rootEnd = std::string::npos;
  PartScan scan;
  if (!ScanPart(pkg, "content.xml", names, scan, err, [&](std::string_view piece) {
        if (rootEnd == std::string::npos && start.size() < (size_t{1} << 20)) {
          start.append(piece);
          rootEnd = RootTagEnd(start);
        }
      }))
    return false;
  if (scan.named || rootEnd == std::string::npos) return false;
  size_t lt = start.rfind('<', rootEnd);
  return MakeStub(std::string_view(start).substr(lt, rootEnd + 1 - lt), scan.hash, scan.size, part);
}

// Reads and parses one of the two parts.
bool ReadPart(const Package &pkg, int i, Part &part, std::string &err) {
  const char *name = i == kContent ? "content.xml" : "styles.xml";
  std::string bytes;
  if (!pkg.Has(name)) return err = std::string("the package has no ") + name, false;
  if (!pkg.Read(name, bytes, err) || !part.xml.Parse(std::move(bytes), name, err)) return false;
  return NamesRead(part, name, err);
}

}  // namespace

std::unique_ptr<Package> OpenPackage(const std::string &path, std::string &err) {
  std::unique_ptr<Package> pkg = Package::Open(path, err);
  if (!pkg) return nullptr;
  std::string mime;
  if (!pkg->Read("mimetype", mime, err, 256) || (mime != kMimeText && mime != kMimeTemplate)) {
    err = "not an OpenDocument text package";
    return nullptr;
  }
  if (pkg->Has("META-INF/manifest.xml")) {
    std::string bytes;
    XmlPart manifest;
    if (!pkg->Read("META-INF/manifest.xml", bytes, err, 16 << 20)) return nullptr;
    WithoutExternalDoctype(bytes);
    if (!manifest.Parse(bytes, "META-INF/manifest.xml", err)) return nullptr;
    if (Encrypted(manifest.doc, 0)) {
      err = "the document is encrypted";
      return nullptr;
    }
  }
  return pkg;
}

bool ReadParts(const std::string &path, Part parts[2], std::string &err,
               const std::unordered_set<std::string_view> *stubUnless) {
  std::unique_ptr<Package> pkg = OpenPackage(path, err);
  if (!pkg) return false;
  if (stubUnless && pkg->Has("content.xml")) {
    if (StubUnless(*pkg, *stubUnless, parts[kContent], err))
      return ReadPart(*pkg, kStyles, parts[kStyles], err);
    if (!err.empty()) return false;
  }
  return ReadPart(*pkg, kContent, parts[kContent], err) &&
         ReadPart(*pkg, kStyles, parts[kStyles], err);
}

bool WalkParts(Part parts[2], Model *m, Doc *d, const StyleSet *styles, CharReader *reader,
               std::vector<WalkItem> &out, size_t &tables, std::string &err) {
  Walker w(parts, m, d, styles, reader, &out, nullptr);
  bool ok = w.Run(err);
  tables = w.tables;
  return ok;
}

void Snapshot(const Model &m, const Doc &d, OdtSource &src) {
  std::unordered_map<std::string, uint32_t> tagIx;
  src.tags.clear();
  for (OdtSource::PgfRec &r : src.pgfs)
    if (const Pgf *p = m.PgfOf(r.h)) {
      auto [it, added] = tagIx.emplace(p->tag, static_cast<uint32_t>(src.tags.size()));
      if (added) src.tags.push_back(p->tag);
      r.tag = it->second;
      r.own = p->own;
      r.override_ = p->override_;
      r.text = Fnv1a(p->text);
    }
  std::vector<OdtSource::FmtRec> keep;
  std::vector<Handle> chained = m.Chained(d.fmts);
  std::unordered_set<Handle> live(chained.begin(), chained.end());
  src.standard = 0;
  std::vector<const PgfFmt *> now;
  for (OdtSource::FmtRec &f : src.fmts) {
    const PgfFmt *fmt = m.FmtOf(f.h);
    if (!fmt || !live.count(f.h)) continue;
    f.name = fmt->name;
    if (f.style == kDefaultStyle) src.standard = f.h;
    now.push_back(fmt);
    keep.push_back(std::move(f));
  }
  src.base.clear();
  for (size_t i = 0; i < keep.size(); ++i)
    if (i == 0 || keep[i].h == src.standard) src.base = now[i]->chars;
  for (size_t i = 0; i < keep.size(); ++i) {
    keep[i].chars.clear();
    for (const auto &[code, v] : now[i]->chars)
      if (auto b = src.base.find(code); b == src.base.end() || !(b->second == v))
        keep[i].chars.emplace(code, v);
  }
  src.fmts = std::move(keep);
}

namespace {

class Odt final : public Format {
 public:
  std::string_view Name() const override { return "OpenDocument Text"; }
  std::vector<std::string_view> Extensions() const override { return {".odt", ".ott"}; }
  bool Recognises(const Probe &p) const override {
    std::string mime, err;
    return p.pkg && p.pkg->Has("mimetype") && p.pkg->Read("mimetype", mime, err, 256) &&
           (mime == kMimeText || mime == kMimeTemplate);
  }
  Handle Load(Model &m, const std::string &path, std::string &err) const override {
    try {
      return LoadDoc(m, path, err);
    } catch (const std::exception &e) {
      err = std::string("cannot read the document: ") + e.what();
      return 0;
    }
  }
  bool Save(const Model &m, Handle h, const std::string &path, std::string &err) const override {
    try {
      const Doc *d = m.DocOf(h);
      if (!d) return err = "only documents are written as OpenDocument Text", false;
      if (auto *src = dynamic_cast<OdtSource *>(d->source.get()))
        return SaveOdt(m, *d, *src, path, err);
      return WriteNewOdt(m, *d, path, err);
    } catch (const std::exception &e) {
      err = std::string("cannot write the document: ") + e.what();
      return false;
    }
  }

 private:
  // content.xml is read as it is inflated: its head (declarations, automatic styles) first,
  // then its body in batches that are walked into the model and let go, so that neither its
  // bytes nor its tree are ever whole in memory beside the model.
  static Handle LoadDoc(Model &m, const std::string &path, std::string &err) {
    auto src = std::make_shared<OdtSource>();
    src->path = path;
    Doc *d = nullptr;
    std::vector<Handle> pgfs;
    {
      Part parts[2];
      std::unique_ptr<Package> pkg = OpenPackage(path, err);
      if (!pkg || !ReadPart(*pkg, kStyles, parts[kStyles], err)) return 0;
      if (!pkg->Has("content.xml")) return err = "the package has no content.xml", 0;
      StyleSet styles;
      std::optional<CharReader> reader;
      std::optional<Walker> walker;
      BodyStream::Handler h;
      h.path = [](pugi::xml_node root) {
        Names n(root);
        return n.body.empty() || n.officeText.empty()
                   ? std::vector<std::string>()
                   : std::vector<std::string>{n.body, n.officeText};
      };
      h.head = [&](std::string &e) {
        if (!NamesRead(parts[kContent], "content.xml", e) || !styles.Build(parts, e)) return false;
        d = m.NewDoc(path);
        for (const char *c :
             {"Black", "White", "Red", "Green", "Blue", "Cyan", "Magenta", "Yellow"})
          m.AddColor(*d, c);
        reader.emplace(m, *d, styles, parts);
        for (const std::string &name : styles.order) {
          const Style &st = styles.common.at(name);
          PgfFmt *f = m.AddFormat(*d, st.display);
          f->chars = reader->Of(kCommon, name);
          reader->Lend(name, f->chars);
          src->fmts.push_back({f->h, name, st.display, {}});
        }
        walker.emplace(parts, &m, d, &styles, &*reader, nullptr, &pgfs);
        return walker->Begin(e);
      };
      h.body = [&](pugi::xml_node batch, std::string &e) { return walker->Body(batch, e); };
      BodyStream content("content.xml", parts[kContent].xml, std::move(h));
      bool ok = content.Read(*pkg, err) && walker->Finish(err);
      if (!ok) {
        if (d) m.Close(d->h, 1);
        return 0;
      }
      src->tables = walker->tables;
      for (int i : {kContent, kStyles}) {
        src->hash[i] = parts[i].xml.hash;
        src->size[i] = parts[i].xml.size;
      }
    }
    if (m.WalkPgfs(*d).size() != pgfs.size()) {
      m.Close(d->h, 1);
      err = "paragraphs of the document could not all be placed";
      return 0;
    }
    Handle h = d->h;
    src->pgfs.reserve(pgfs.size());
    for (Handle p : pgfs) src->pgfs.push_back({p, 0, 0, {}, 0});
    pgfs = {};
    Snapshot(m, *d, *src);
    d->source = src;
    if (Flow *main = m.As<Flow>(d->mainFlow, Kind::Flow))
      if (Frame *fr = m.As<Frame>(main->frames.first, Kind::Frame); fr && fr->pgfs.first)
        d->selection = TextRange{{fr->pgfs.first, 0}, {fr->pgfs.first, 0}};
    d->modified = false;
    return h;
  }
};

}  // namespace
}  // namespace odt

const Format &OdtFormat() {
  static const odt::Odt f;
  return f;
}

}  // namespace qvhost
