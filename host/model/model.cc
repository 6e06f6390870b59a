// Object store, building blocks and walks of the host model.
#include "host/model/model.h"

#include <algorithm>

#include "quorvex/fcodes.h"

namespace qvhost {

const char *KindName(Kind k) {
  static const char *const names[] = {"document",
                                      "book",
                                      "component",
                                      "format",
                                      "paragraph",
                                      "flow",
                                      "frame",
                                      "table",
                                      "row",
                                      "cell",
                                      "colour",
                                      "page",
                                      "menu",
                                      "command",
                                      "separator",
                                      "graphic",
                                      "element definition",
                                      "element"};
  return names[static_cast<int>(k)];
}

Model::Model() {
  objs_.emplace_back();  // handle 0 is never an object
  InitSession();
}

Model::~Model() = default;

void Model::Reset(bool freshHandles) {
  while (!open_.empty()) FreeDoc(*DocOf(open_.back()));
  while (!books_.empty()) FreeBook(*BookOf(books_.back()));
  for (Handle h : menus_) Free(h);
  menus_.clear();
  if (freshHandles) {
    named_.clear();
    objs_.clear();
    objs_.emplace_back();
  }
  activeDoc = activeBook = 0;
  clientDir.clear();
  displaying = 1;
  progress = 0;
  writeSaves = true;
  saveRoot.clear();
  answers.clear();
  shown.clear();
  onShow = nullptr;
  onLoad = nullptr;
  notifications.clear();
  saved.clear();
  created.clear();
  lastError.clear();
  failedOpens.clear();
  userWords.clear();
  selDoc_ = 0;
  InitSession();
}

// The host's own menu bars with their menus, and the predefined separators.
void Model::InitSession() {
  struct Bar {
    const char *name;
    std::vector<const char *> menus;
  };
  const Bar bars[] = {
      {"!MakerMainMenu",
       {"File", "Edit", "Format", "View", "Special", "Graphics", "Table", "Window", "Help"}},
      {"!QuickMakerMainMenu", {"File", "Edit", "Window", "Help"}},
      {"!BookMainMenu", {"File", "Edit", "View", "Add", "Format", "Window", "Help"}},
  };
  for (const Bar &b : bars) {
    Menu *bar = DefineMenu(b.name, "");
    for (const char *label : b.menus) {
      std::string name = std::string(b.name + 1) + label + "Menu";
      AppendItem(*bar, DefineMenu(name, label)->h);
    }
  }
  for (int i = 1; i <= 5; ++i) {
    auto sep = std::make_unique<MenuItem>(Kind::Separator);
    sep->h = static_cast<Handle>(objs_.size());
    sep->name = "Separator" + std::to_string(i);
    menus_.push_back(sep->h);
    objs_.push_back(std::move(sep));
  }
}

void Model::Link(Chain &c, Obj &o, Handle after) {
  Obj *a = after ? Find(after) : nullptr;
  if (!a) {
    o.prev = c.last;
    o.next = 0;
    if (c.last) Find(c.last)->next = o.h;
    c.last = o.h;
    if (!c.first) c.first = o.h;
    return;
  }
  o.prev = a->h;
  o.next = a->next;
  if (a->next)
    Find(a->next)->prev = o.h;
  else
    c.last = o.h;
  a->next = o.h;
}

void Model::LinkFront(Chain &c, Obj &o) {
  o.prev = 0;
  o.next = c.first;
  if (c.first) Find(c.first)->prev = o.h;
  c.first = o.h;
  if (!c.last) c.last = o.h;
}

void Model::Unlink(Chain &c, Obj &o) {
  if (o.prev)
    Find(o.prev)->next = o.next;
  else
    c.first = o.next;
  if (o.next)
    Find(o.next)->prev = o.prev;
  else
    c.last = o.prev;
  o.prev = o.next = 0;
}

void Model::Free(Handle h) {
  if (h && h < objs_.size()) objs_[h].reset();
  named_.erase(h);
}

void Model::FreeDoc(Doc &d) {
  Handle h = d.h;
  for (Handle o : d.owned) Free(o);
  open_.erase(std::remove(open_.begin(), open_.end(), h), open_.end());
  if (activeDoc == h) activeDoc = 0;
  if (selDoc_ == h) selDoc_ = 0;
  Free(h);
}

void Model::FreeBook(Book &b) {
  Handle h = b.h;
  for (Handle c : Chained(b.comps)) Free(c);
  books_.erase(std::remove(books_.begin(), books_.end(), h), books_.end());
  if (activeBook == h) activeBook = 0;
  Free(h);
}

Doc *Model::NewDoc(const std::string &path) {
  Doc *d = Make<Doc>(0);
  d->doc = d->h;
  d->path = path;
  open_.push_back(d->h);
  return d;
}

Doc *Model::NewStandardDoc() {
  Doc *d = NewDoc("");
  for (const char *c : {"Black", "White", "Red", "Green", "Blue", "Cyan", "Magenta", "Yellow"})
    AddColor(*d, c);
  constexpr int32_t pt = 0x10000;
  struct F {
    const char *name;
    int32_t size, weight, above, below;
    int32_t align;
  };
  // A plain catalogue: serif body text, sans-serif headings, cell and title formats.
  const F fmts[] = {{"Body", 12, 0, 0, 0, 4},        {"Heading1", 16, 5, 12, 6, 1},
                    {"Heading2", 13, 5, 9, 4, 1},    {"CellBody", 10, 0, 0, 0, 1},
                    {"CellHeading", 10, 5, 0, 0, 3}, {"TableTitle", 11, 5, 6, 3, 1},
                    {"Footnote", 9, 0, 0, 0, 1}};
  for (const F &f : fmts) {
    PgfFmt *p = AddFormat(*d, f.name);
    p->chars[PROP_FontSize] = Value::Metric(f.size * pt);
    p->chars[PROP_FontWeight] = Value::Int(f.weight);
    p->chars[PROP_SpaceAbove] = Value::Metric(f.above * pt);
    p->chars[PROP_SpaceBelow] = Value::Metric(f.below * pt);
    p->chars[PROP_Alignment] = Value::Int(f.align);
    if (f.weight) p->chars[PROP_FontFamily] = Value::Int(1);
  }
  Page *page = AddPage(*d, PageList::Body, "1");
  AddPage(*d, PageList::A, "Right");
  AddPage(*d, PageList::A, "Left");
  AddPage(*d, PageList::B, "Reference");
  Flow *flow = AddFlow(*d, "A", true);
  Frame *fr = AddFrame(*flow, page->h);
  Pgf *p = AddPgf(*fr, "Body", "");
  d->currentPage = page->h;
  d->selection = TextRange{{p->h, 0}, {p->h, 0}};
  return d;
}

PgfFmt *Model::AddFormat(Doc &d, const std::string &name) {
  PgfFmt *f = Make<PgfFmt>(d.h);
  f->name = name;
  for (const CharDef &c : CharDefs()) f->chars[c.code] = DefaultValue(c);
  if (Color *black = FindColor(d, "Black")) f->chars[PROP_Color] = Value::Id(black->h);
  Link(d.fmts, *f);
  IndexFormat(d, *f, true);
  return f;
}

PgfFmt *Model::FindFormat(const Doc &d, const std::string &name) const {
  auto it = d.fmtsByName.find(name);
  if (it == d.fmtsByName.end() || it->second.empty()) return nullptr;
  if (it->second.size() == 1) return FmtOf(it->second.front());
  return FindByName<PgfFmt>(d.fmts, Kind::PgfFmt, name);  // the first of the catalogue's order
}

void Model::IndexFormat(Doc &d, const PgfFmt &f, bool add) {
  auto it = d.fmtsByName.find(f.name);
  if (add) {
    d.fmtsByName[f.name].push_back(f.h);
  } else if (it != d.fmtsByName.end()) {
    std::erase(it->second, f.h);
    if (it->second.empty()) d.fmtsByName.erase(it);
  }
}

void Model::PgfsChanged(const Pgf &p) {
  if (Doc *d = DocOf(p.doc); d && d->pgfsByTagMade) d->pgfsByTag[p.tag].push_back(p.h);
}

std::vector<Pgf *> Model::PgfsTagged(Doc &d, const std::string &tag) {
  if (!d.pgfsByTagMade) {
    for (Handle h : WalkPgfs(d)) d.pgfsByTag[PgfOf(h)->tag].push_back(h);
    d.pgfsByTagMade = true;
  }
  auto it = d.pgfsByTag.find(tag);
  if (it == d.pgfsByTag.end()) return {};
  // Drops what went stale, so that the entry stays as long as the paragraphs it lists.
  std::vector<Pgf *> out;
  std::vector<Handle> &hs = it->second;
  std::sort(hs.begin(), hs.end());
  hs.erase(std::unique(hs.begin(), hs.end()), hs.end());
  std::erase_if(hs, [&](Handle h) {
    Pgf *p = PgfOf(h);
    return !p || p->doc != d.h || p->tag != tag;
  });
  for (Handle h : hs) out.push_back(PgfOf(h));
  if (hs.empty()) d.pgfsByTag.erase(it);
  return out;
}

Color *Model::AddColor(Doc &d, const std::string &name) {
  Color *c = Make<Color>(d.h);
  c->name = name;
  Link(d.colors, *c);
  return c;
}

Color *Model::FindColor(const Doc &d, const std::string &name) const {
  return FindByName<Color>(d.colors, Kind::Color, name);
}

Flow *Model::AddFlow(Doc &d, const std::string &tag, bool main) {
  Flow *f = Make<Flow>(d.h);
  f->tag = tag;
  Link(d.flows, *f);
  if (main || !d.mainFlow) d.mainFlow = f->h;
  return f;
}

Page *Model::AddPage(Doc &d, PageList list, const std::string &name) {
  Page *p = Make<Page>(d.h);
  p->list = list;
  p->name = name;
  Link(list == PageList::Body ? d.bodyPages : list == PageList::A ? d.pagesA : d.pagesB, *p);
  if (list == PageList::Body && !d.currentPage) d.currentPage = p->h;
  return p;
}

Frame *Model::AddFrame(Flow &f, Handle page) {
  Frame *fr = Make<Frame>(f.doc);
  fr->flow = f.h;
  fr->page = page;
  Link(f.frames, *fr);
  return fr;
}

Pgf *Model::AddPgf(Frame &fr, const std::string &tag, const std::string &text) {
  Pgf *p = Make<Pgf>(fr.doc);
  p->tag = tag;
  p->text = text;
  p->home = PgfHome::Frame;
  p->parent = fr.h;
  Link(fr.pgfs, *p);
  PgfsChanged(*p);
  return p;
}

Table *Model::AddTable(Doc &d, const std::string &format, Handle anchor) {
  Table *t = Make<Table>(d.h);
  t->format = format;
  t->anchor = anchor;
  Link(d.tables, *t);
  return t;
}

Row *Model::AddRow(Table &t) {
  Row *r = Make<Row>(t.doc);
  r->tbl = t.h;
  Link(t.rows, *r);
  return r;
}

Cell *Model::AddCell(Row &r) {
  Cell *c = Make<Cell>(r.doc);
  c->row = r.h;
  const Cell *last = As<Cell>(r.cells.last, Kind::Cell);
  c->col = last ? last->col + 1 : 0;
  Link(r.cells, *c);
  return c;
}

Pgf *Model::AddCellPgf(Cell &c, const std::string &tag, const std::string &text) {
  Pgf *p = Make<Pgf>(c.doc);
  p->tag = tag;
  p->text = text;
  p->home = PgfHome::Cell;
  p->parent = c.h;
  Link(c.pgfs, *p);
  PgfsChanged(*p);
  return p;
}

Pgf *Model::AddTitlePgf(Table &t, const std::string &tag, const std::string &text) {
  Pgf *p = Make<Pgf>(t.doc);
  p->tag = tag;
  p->text = text;
  p->home = PgfHome::Title;
  p->parent = t.h;
  Link(t.title, *p);
  PgfsChanged(*p);
  return p;
}

Book *Model::NewBook(const std::string &path) {
  Book *b = Make<Book>(0);
  b->doc = b->h;
  b->path = path;
  books_.push_back(b->h);
  return b;
}

Component *Model::AddComponent(Book &b, const std::string &path) {
  Component *c = Make<Component>(b.h);
  c->path = path;
  Link(b.comps, *c);
  return c;
}

Menu *Model::DefineMenu(const std::string &name, const std::string &label) {
  Menu *m = Make<Menu>(0);
  m->name = name;
  m->label = label;
  menus_.push_back(m->h);
  return m;
}

Command *Model::DefineCommand(int32_t number, const std::string &name, const std::string &label,
                              const std::string &shortcut) {
  Command *c = Make<Command>(0);
  c->number = number;
  c->name = name;
  c->label = label;
  c->shortcut = shortcut;
  menus_.push_back(c->h);
  return c;
}

void Model::AppendItem(Menu &m, Handle item) {
  if (std::find(m.items.begin(), m.items.end(), item) == m.items.end()) m.items.push_back(item);
}

Handle Model::FindMenuItem(Kind k, const std::string &name) const {
  for (Handle h : menus_) {
    Obj *o = Find(h);
    if (o && o->kind == k && static_cast<MenuItem *>(o)->name == name) return h;
  }
  return 0;
}

Command *Model::CommandByNumber(int32_t number) const {
  for (Handle h : menus_)
    if (Command *c = As<Command>(h, Kind::Command); c && c->number == number) return c;
  return nullptr;
}

// --- walks -------------------------------------------------------------------------------------

std::vector<Handle> Model::Chained(const Chain &c) const {
  std::vector<Handle> v;
  for (Handle h = c.first; h; h = Find(h)->next) v.push_back(h);
  return v;
}

Handle Model::NextPgfInFlow(const Pgf &p) const {
  if (p.next || p.home != PgfHome::Frame) return p.next;
  const Frame *fr = As<Frame>(p.parent, Kind::Frame);
  for (Handle f = fr ? fr->next : 0; f; f = Find(f)->next)
    if (Handle first = As<Frame>(f, Kind::Frame)->pgfs.first) return first;
  return 0;
}

Handle Model::TableOfPgf(const Pgf &p) const {
  if (p.home == PgfHome::Title) return p.parent;
  if (p.home != PgfHome::Cell) return 0;
  const Cell *c = As<Cell>(p.parent, Kind::Cell);
  const Row *r = c ? As<Row>(c->row, Kind::Row) : nullptr;
  return r ? r->tbl : 0;
}

Handle Model::PageOfPgf(const Pgf &p) const {
  if (p.home == PgfHome::Frame) {
    const Frame *fr = As<Frame>(p.parent, Kind::Frame);
    return fr ? fr->page : 0;
  }
  const Table *t = As<Table>(TableOfPgf(p), Kind::Table);
  const Pgf *anchor = t ? PgfOf(t->anchor) : nullptr;
  return anchor && anchor->home == PgfHome::Frame ? PageOfPgf(*anchor) : 0;
}

void Model::ForEachPgf(const Doc &d, const std::function<void(Handle)> &add) const {
  // Along the links themselves: a vector of each chain would be made and freed for every
  // table, row and cell.
  auto each = [this](const Chain &c, auto &&f) {
    for (Handle h = c.first; h; h = Find(h)->next) f(h);
  };
  each(d.flows, [&](Handle f) {
    each(As<Flow>(f, Kind::Flow)->frames,
         [&](Handle fr) { each(As<Frame>(fr, Kind::Frame)->pgfs, add); });
  });
  each(d.tables, [&](Handle t) {
    const Table *tb = As<Table>(t, Kind::Table);
    each(tb->rows, [&](Handle r) {
      each(As<Row>(r, Kind::Row)->cells,
           [&](Handle c) { each(As<Cell>(c, Kind::Cell)->pgfs, add); });
    });
    each(tb->title, add);
  });
}

std::vector<Handle> Model::WalkPgfs(const Doc &d) const {
  std::vector<Handle> v;
  ForEachPgf(d, [&v](Handle p) { v.push_back(p); });
  return v;
}

std::vector<Handle> Model::TablesAnchoredIn(const Doc &d, Handle pgf) const {
  std::vector<Handle> v;
  for (Handle t : Chained(d.tables))
    if (As<Table>(t, Kind::Table)->anchor == pgf) v.push_back(t);
  return v;
}

Value Model::FmtChar(const PgfFmt &f, int32_t code) const {
  auto it = f.chars.find(code);
  if (it != f.chars.end()) return it->second;
  const CharDef *d = FindCharDef(code);
  return d ? DefaultValue(*d) : Value{};
}

Value Model::PgfChar(const Doc &d, const Pgf &p, int32_t code) const {
  auto it = p.own.find(code);
  if (it != p.own.end()) return it->second;
  if (const PgfFmt *f = FindFormat(d, p.tag)) return FmtChar(*f, code);
  const CharDef *def = FindCharDef(code);
  return def ? DefaultValue(*def) : Value{};
}

Handle Model::DocOwner(Handle obj) const {
  const Obj *o = Find(obj);
  return o ? o->doc : 0;
}

Chain *Model::PgfChain(const Pgf &p) {
  switch (p.home) {
    case PgfHome::Frame:
      if (Frame *f = As<Frame>(p.parent, Kind::Frame)) return &f->pgfs;
      break;
    case PgfHome::Cell:
      if (Cell *c = As<Cell>(p.parent, Kind::Cell)) return &c->pgfs;
      break;
    case PgfHome::Title:
      if (Table *t = As<Table>(p.parent, Kind::Table)) return &t->title;
      break;
  }
  return nullptr;
}

void Model::MarkModified(Handle doc) {
  if (Doc *d = DocOf(doc)) d->modified = true;
}

}  // namespace qvhost
