// The host operations beyond properties: text, tables, function codes, documents and books,
// questions to the user, menus and notifications.
#include <algorithm>
#include <cstdlib>

#include "host/file_access.h"
#include "host/model/model.h"
#include "host/model/units.h"
#include "quorvex/fcodes.h"

namespace qvhost {

namespace {

constexpr int32_t kMaxTableCols = 256, kMaxTableRows = 100000;

// Whether `path` lies in the tree of the folder `root` (both canonical).
bool Within(const std::string &root, const std::string &path) {
  return path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
         (root.back() == '/' || path[root.size()] == '/');
}

// Alert types 2 and 3 only inform; every other type asks.
bool IsQuestion(int32_t type) {
  return type != VAL_AlertNote && type != VAL_AlertWarning;
}

Handle LoadThrough(const DocumentFiles *files, Model &m, const std::string &path,
                   std::string &err) {
  if (files) return files->Load(m, path, err);
  err = path + ": this host reads no files";
  return 0;
}

bool SaveThrough(const DocumentFiles *files, const Model &m, Handle doc, const std::string &path,
                 std::string &err) {
  if (files) return files->Save(m, doc, path, err);
  err = path + ": this host writes no files";
  return false;
}

}  // namespace

// --- text --------------------------------------------------------------------------------------

Pgf *Model::SplitPgf(Pgf &p, size_t at) {
  Pgf *q = Make<Pgf>(p.doc);
  q->tag = p.tag;
  q->own = p.own;
  q->override_ = p.override_;
  q->home = p.home;
  q->parent = p.parent;
  q->textProps = p.textProps;
  q->text = p.text.substr(at);
  p.text.erase(at);
  Link(*PgfChain(p), *q, p.h);
  PgfsChanged(*q);
  // The new half stays in the element that held the paragraph.
  if (Element *e = As<Element>(p.element, Kind::Element)) {
    q->element = e->h;
    e->pgfs.insert(std::find(e->pgfs.begin(), e->pgfs.end(), p.h) + 1, q->h);
  }
  return q;
}

int32_t Model::AddText(Handle doc, TextLoc at, const std::string &text, TextLoc &out) {
  out = TextLoc{};
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  Pgf *p = PgfOf(at.obj);
  if (!p || p->doc != doc || !PgfChain(*p)) return kBadInsertPos;
  if (at.offset < 0) return kBadParameter;
  size_t off = std::min(static_cast<size_t>(at.offset), p->text.size());
  Pgf *cur = p;
  std::string tail = p->text.substr(off);
  cur->text.erase(off);
  size_t start = 0;
  for (;;) {
    size_t nl = text.find('\n', start);
    cur->text += text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (nl == std::string::npos) break;
    cur = SplitPgf(*cur, cur->text.size());
    start = nl + 1;
  }
  out = TextLoc{cur->h, static_cast<int32_t>(cur->text.size())};
  cur->text += tail;
  MarkModified(doc);
  return kOk;
}

int32_t Model::DeleteText(Handle doc, const TextRange &r) {
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  Pgf *p = PgfOf(r.beg.obj);
  if (!p || p->doc != doc || r.end.obj != r.beg.obj) return kBadParameter;
  size_t b = std::min(static_cast<size_t>(std::max(r.beg.offset, 0)), p->text.size());
  size_t e = std::min(static_cast<size_t>(std::max(r.end.offset, 0)), p->text.size());
  if (e > b) p->text.erase(b, e - b);
  MarkModified(doc);
  return kOk;
}

int32_t Model::GetTextForRange(Handle doc, const TextRange &r, uint32_t mask,
                               std::vector<TextItem> &out) const {
  out.clear();
  const Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  const Pgf *b = PgfOf(r.beg.obj), *e = PgfOf(r.end.obj);
  if (!b || !e || b->doc != doc || e->doc != doc) return kBadParameter;
  auto clamp = [](int32_t o, const std::string &s) {
    return std::min(static_cast<size_t>(std::max(o, 0)), s.size());
  };
  std::vector<std::pair<const Pgf *, std::pair<size_t, size_t>>> parts;
  for (const Pgf *p = b; p; p = PgfOf(NextPgfInFlow(*p))) {
    size_t from = p == b ? clamp(r.beg.offset, p->text) : 0;
    size_t to = p == e ? clamp(r.end.offset, p->text) : p->text.size();
    parts.push_back({p, {from, std::max(from, to)}});
    if (p == e) break;
    if (!NextPgfInFlow(*p)) return kBadParameter;  // the end does not follow the start
  }
  if (!(mask & TI_String)) return kOk;
  for (const auto &[p, span] : parts)
    if (span.second > span.first)
      out.push_back({static_cast<int32_t>(span.first), TI_String,
                     p->text.substr(span.first, span.second - span.first)});
  return kOk;
}

// --- tables ------------------------------------------------------------------------------------

int32_t Model::NewTable(Handle doc, const std::string &format, int32_t cols, int32_t body,
                        int32_t head, int32_t foot, TextLoc at, Handle &out) {
  out = 0;
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  Pgf *anchor = PgfOf(at.obj);
  if (!anchor || anchor->doc != doc) return kBadInsertPos;
  if (cols < 1 || cols > kMaxTableCols || body < 0 || head < 0 || foot < 0 ||
      int64_t{body} + head + foot < 1 || int64_t{body} + head + foot > kMaxTableRows)
    return kBadParameter;
  Table *t = AddTable(*d, format.empty() ? "Format A" : format, anchor->h);
  t->colWidths.assign(static_cast<size_t>(cols), 0x480000);
  for (int32_t r = 0; r < head + body + foot; ++r) {
    Row *row = AddRow(*t);
    for (int32_t c = 0; c < cols; ++c)
      AddCellPgf(*AddCell(*row), r < head ? "CellHeading" : "CellBody", "");
  }
  out = t->h;
  MarkModified(doc);
  return kOk;
}

// --- function codes ------------------------------------------------------------------------------

int32_t Model::Fcodes(const std::vector<int32_t> &codes) {
  for (int32_t c : codes) {
    ShownItem it;
    it.what = "fcode";
    it.type = c;
    Show(std::move(it));
    if (c != FCODE_ShowSelection) continue;
    Doc *d = DocOf(selDoc_) ? DocOf(selDoc_) : DocOf(activeDoc);
    const Pgf *p = d ? PgfOf(d->selection.beg.obj) : nullptr;
    if (Handle page = p ? PageOfPgf(*p) : 0) d->currentPage = page;
  }
  return kOk;
}

// --- documents and books -------------------------------------------------------------------------

int32_t Model::CustomDoc(const std::vector<int32_t> &v, Handle &out) {
  out = 0;
  if (v.size() != 10 || v[0] <= 0 || v[1] <= 0) return kBadParameter;
  Doc *d = NewStandardDoc();
  d->pageWidth = v[0];
  d->pageHeight = v[1];
  created.push_back(d->h);
  out = d->h;
  return kOk;
}

int32_t Model::Open(const std::string &path, bool newFromTemplate, Handle &out) {
  out = 0;
  if (path.empty()) {
    lastError = "no file name";
    return kFileError;
  }
  std::string canon = ResolvedPath(path);
  if (!newFromTemplate) {
    for (Handle h : open_)
      if (DocOf(h)->path == canon) return out = h, kOk;
    for (Handle h : books_)
      if (BookOf(h)->path == canon) return out = h, kOk;
  }
  std::string err;
  Handle h = LoadThrough(files, *this, canon, err);
  if (!h) {
    lastError = err;
    // A missing template is not a failure of the run: the caller falls back to a blank document.
    if (!newFromTemplate) failedOpens.push_back(err);
    return kFileError;
  }
  if (newFromTemplate) {
    if (Doc *d = DocOf(h)) d->path.clear();
    if (Book *b = BookOf(h)) b->path.clear();
    created.push_back(h);
  } else if (onLoad && DocOf(h)) {
    onLoad(h);
  }
  out = h;
  return kOk;
}

int32_t Model::Save(Handle doc, const std::string &path, Handle &out) {
  out = 0;
  Doc *d = DocOf(doc);
  Book *b = BookOf(doc);
  if (!d && !b) return kBadDocId;
  std::string target = path.empty() ? (d ? d->path : b->path) : ResolvedPath(path);
  if (target.empty()) return kBadParameter;
  std::string err;
  bool outside = !saveRoot.empty() && !Within(saveRoot, target);
  if (outside) err = target + " lies outside " + saveRoot + ", the folder this run saves in";
  if (outside || (writeSaves && !SaveThrough(files, *this, doc, target, err))) {
    lastError = err;
    ShownItem it;
    it.what = "save";
    it.type = outside ? -2 : -1;
    it.text = err;
    Show(std::move(it));
    return kFileError;
  }
  if (d) {
    d->path = target;
    d->modified = false;
  } else {
    b->path = target;
  }
  saved.push_back(target);
  ShownItem it;
  it.what = "save";
  it.type = writeSaves ? 1 : 0;
  it.text = target;
  Show(std::move(it));
  out = doc;
  return kOk;
}

int32_t Model::Export(Handle doc, const std::string &path) {
  if (!DocOf(doc)) return kBadDocId;
  if (path.empty()) return kBadParameter;
  std::string target = ResolvedPath(path), err;
  if (writeSaves && !SaveThrough(files, *this, doc, target, err)) {
    lastError = err;
    return kFileError;
  }
  saved.push_back(target);
  return kOk;
}

// The text of every paragraph of the file goes in at the location, a paragraph break between
// two; the file's own document is closed again unless it was open before.
int32_t Model::Import(Handle doc, TextLoc at, const std::string &path, TextLoc &end) {
  end = TextLoc{};
  if (!DocOf(doc)) return kBadDocId;
  std::string canon = ResolvedPath(path);
  auto named = [&](const std::vector<Handle> &list) {
    return std::any_of(list.begin(), list.end(), [&](Handle h) {
      return (DocOf(h) ? DocOf(h)->path : BookOf(h)->path) == canon;
    });
  };
  bool wasOpen = named(open_) || named(books_);
  Handle src;
  if (int32_t st = Open(path, false, src)) return st;
  const Doc *from = DocOf(src);
  if (!from) {  // a book has no text of its own
    if (!wasOpen) FreeBook(*BookOf(src));
    return kBadParameter;
  }
  if (src == doc) return kBadParameter;
  std::string text;
  std::vector<Handle> walk = WalkPgfs(*from);
  for (Handle p : walk) {
    if (p != walk.front()) text += '\n';
    text += PgfOf(p)->text;
  }
  if (!wasOpen) FreeDoc(*DocOf(src));
  return AddText(doc, at, text, end);
}

int32_t Model::NewPgfAfter(Handle doc, Handle prev, Handle &out) {
  out = 0;
  if (!DocOf(doc)) return kBadDocId;
  Pgf *p = PgfOf(prev);
  if (!p || p->doc != doc || !PgfChain(*p)) return kBadObjId;
  Pgf *q = SplitPgf(*p, p->text.size());
  MarkModified(doc);
  out = q->h;
  return kOk;
}

int32_t Model::Close(Handle doc, int32_t flags) {
  if (Doc *d = DocOf(doc)) {
    if (d->modified && !(flags & 1)) return kDocModified;
    FreeDoc(*d);
    return kOk;
  }
  if (Book *b = BookOf(doc)) {
    FreeBook(*b);
    return kOk;
  }
  return kBadDocId;
}

// --- questions -----------------------------------------------------------------------------------

bool Model::NextAnswer(Answer &a) {
  if (answers.empty()) return false;
  a = answers.front();
  answers.erase(answers.begin());
  return true;
}

void Model::Show(ShownItem item) {
  shown.push_back(std::move(item));
  if (onShow) onShow(shown.back());
}

int32_t Model::Alert(const std::string &msg, int32_t type) {
  ShownItem it;
  it.what = "alert";
  it.type = type;
  it.text = msg;
  Answer a;
  if (IsQuestion(type) && NextAnswer(a) && a.what == Answer::Cancel) it.answer = -1;
  int32_t result = it.answer;
  Show(std::move(it));
  return result;
}

// The script's index is handed back as given, even outside the list, so that clients can be
// tried against a host that answers nonsense. With no script the default is taken; with no
// default either the box counts as cancelled.
int32_t Model::ScrollBox(const std::string &title, const std::vector<std::string> &items,
                         int32_t def, int32_t &chosen) {
  ShownItem it;
  it.what = "scrollbox";
  it.type = def;
  it.text = title;
  it.items = items;
  Answer a;
  bool cancelled = def < 0 || static_cast<size_t>(def) >= items.size();
  int32_t result = def;
  if (NextAnswer(a) && a.what == Answer::Cancel) cancelled = true;
  if (a.what == Answer::Choose) {
    // A user can only pick an item that is there.
    if (a.index < 0 || static_cast<size_t>(a.index) >= items.size()) {
      it.answer = -1;
      Show(std::move(it));
      return kBadParameter;
    }
    result = a.index;
    cancelled = false;
  }
  it.answer = cancelled ? -1 : result;
  Show(std::move(it));
  if (cancelled) return kCancelled;
  chosen = result;
  return kOk;
}

// A question answered with a text: the script's text, or the default when it gives none.
int32_t Model::AskText(const char *what, const std::string &question, const std::string &def,
                       std::string &answer) {
  ShownItem it;
  it.what = what;
  it.text = question;
  Answer a;
  bool got = NextAnswer(a);
  bool cancelled = got && a.what == Answer::Cancel;
  answer = got && a.what == Answer::Text ? a.text : def;
  it.answer = cancelled ? -1 : 0;
  it.items = {answer};
  Show(std::move(it));
  return cancelled ? kCancelled : kOk;
}

int32_t Model::PromptString(const std::string &prompt, const std::string &def,
                            std::string &answer) {
  return AskText("prompt", prompt, def, answer);
}

int32_t Model::PromptInt(const std::string &prompt, int32_t def, int32_t &answer) {
  std::string text;
  int32_t st = PromptString(prompt, std::to_string(def), text);
  if (st) return st;
  char *end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || v < INT32_MIN || v > INT32_MAX) return kBadParameter;
  answer = static_cast<int32_t>(v);
  return kOk;
}

// --- menus ---------------------------------------------------------------------------------------

int32_t Model::PromptMetric(const std::string &prompt, const std::string &def, int32_t units,
                            int32_t &answer) {
  std::string text;
  if (int32_t st = PromptString(prompt, def, text)) return st;
  char *end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return kBadParameter;
  std::string unit(end);
  const std::pair<const char *, double> kUnits[] = {
      {"pt", 1}, {"in", 72}, {"\"", 72}, {"cm", 72 / 2.54}, {"mm", 72 / 25.4}, {"pc", 12}};
  double perUnit = units > 0 ? units / 65536.0 : 1;  // points per unit of a bare number
  bool known = unit.empty();
  for (const auto &[name, pts] : kUnits)
    if (unit == name) perUnit = pts, known = true;
  int32_t m;
  if (!known || !PointsToMetric(v * perUnit, m)) return kBadParameter;
  answer = m;
  return kOk;
}

int32_t Model::ChooseFile(const std::string &title, const std::string &dir, const std::string &name,
                          std::string &answer) {
  if (int32_t st = AskText("choosefile", title, dir.empty() ? name : dir + "/" + name, answer))
    return st;
  return answer.empty() ? kBadParameter : kOk;
}

Handle Model::NextInMenu(Handle parent, Handle item) const {
  auto nextIn = [&](const Menu &m) -> Handle {
    auto it = std::find(m.items.begin(), m.items.end(), item);
    return it != m.items.end() && it + 1 != m.items.end() ? *(it + 1) : 0;
  };
  if (const Menu *m = As<Menu>(parent, Kind::Menu)) return nextIn(*m);
  for (Handle h : menus_)
    if (const Menu *m = As<Menu>(h, Kind::Menu);
        m && std::find(m->items.begin(), m->items.end(), item) != m->items.end())
      return nextIn(*m);
  return 0;
}

int32_t Model::MoveBefore(Handle parent, Handle item, Handle before) {
  Menu *m = As<Menu>(parent, Kind::Menu);
  if (!m) return kBadObjId;
  auto it = std::find(m->items.begin(), m->items.end(), item);
  if (it == m->items.end()) return kBadObjId;
  if (before == item) return kOk;
  if (before && std::find(m->items.begin(), m->items.end(), before) == m->items.end())
    return kBadParameter;
  m->items.erase(it);
  auto pos = before ? std::find(m->items.begin(), m->items.end(), before) : m->items.end();
  m->items.insert(pos, item);
  return kOk;
}

int32_t Model::DefineMenuCall(const std::string &name, const std::string &label, Handle &out) {
  out = 0;
  if (name.empty()) return kBadName;
  Menu *m = As<Menu>(FindMenuItem(Kind::Menu, name), Kind::Menu);
  if (!m) m = DefineMenu(name, label);
  m->label = label;
  out = m->h;
  return kOk;
}

int32_t Model::DefineCommandCall(int32_t number, const std::string &name, const std::string &label,
                                 const std::string &shortcut, Handle &out) {
  out = 0;
  if (name.empty()) return kBadName;
  Command *c = As<Command>(FindMenuItem(Kind::Command, name), Kind::Command);
  if (!c) c = DefineCommand(number, name, label, shortcut);
  c->number = number;
  c->label = label;
  c->shortcut = shortcut;
  out = c->h;
  return kOk;
}

int32_t Model::DefineAndAddMenu(Handle bar, const std::string &name, const std::string &label,
                                Handle &out) {
  out = 0;
  if (!As<Menu>(bar, Kind::Menu)) return kBadObjId;
  if (int32_t st = DefineMenuCall(name, label, out)) return st;
  if (out == bar) return out = 0, kBadParameter;
  AppendItem(*As<Menu>(bar, Kind::Menu), out);
  return kOk;
}

int32_t Model::DefineAndAddCommand(int32_t number, Handle menu, const std::string &name,
                                   const std::string &label, const std::string &shortcut,
                                   Handle &out) {
  out = 0;
  if (!As<Menu>(menu, Kind::Menu)) return kBadObjId;
  if (int32_t st = DefineCommandCall(number, name, label, shortcut, out)) return st;
  AppendItem(*As<Menu>(menu, Kind::Menu), out);
  return kOk;
}

int32_t Model::MenuItemInMenu(Handle menu, Handle item, bool recursive, Handle &out) const {
  out = 0;
  const Menu *m = As<Menu>(menu, Kind::Menu);
  const Obj *o = Find(item);
  if (!m) return kBadObjId;
  if (!o || !(o->kind == Kind::Menu || o->kind == Kind::Command || o->kind == Kind::Separator))
    return kBadObjId;
  std::vector<Handle> todo{menu}, seen;
  while (!todo.empty()) {
    const Menu *cur = As<Menu>(todo.back(), Kind::Menu);
    seen.push_back(todo.back());
    todo.pop_back();
    for (Handle h : cur->items) {
      if (h == item) return out = h, kOk;
      if (recursive && As<Menu>(h, Kind::Menu) &&
          std::find(seen.begin(), seen.end(), h) == seen.end())
        todo.push_back(h);
    }
  }
  return kBadParameter;
}

int32_t Model::AddItemToMenu(Handle menu, Handle item) {
  Menu *m = As<Menu>(menu, Kind::Menu);
  const Obj *o = Find(item);
  if (!m || !o) return kBadObjId;
  if (o->kind != Kind::Menu && o->kind != Kind::Command && o->kind != Kind::Separator)
    return kBadObjId;
  Handle found;
  // A menu may not end up inside itself.
  if (item == menu || (o->kind == Kind::Menu && MenuItemInMenu(item, menu, true, found) == kOk))
    return kBadParameter;
  AppendItem(*m, item);
  return kOk;
}

int32_t Model::Notification(int32_t code, int32_t state) {
  notifications[code] = state;
  return kOk;
}

int32_t Model::FontValue(int32_t list, const std::string &name, int32_t &out) const {
  out = 0;
  const std::vector<std::string> *lists[] = {&FontFamilyNames(), &FontVariationNames(),
                                             &FontWeightNames(), &FontAngleNames()};
  if (list < 0 || list > 3) return kBadParameter;
  const auto &v = *lists[list];
  auto it = std::find(v.begin(), v.end(), name);
  if (it == v.end()) return kBadName;
  out = static_cast<int32_t>(it - v.begin());
  return kOk;
}

}  // namespace qvhost

namespace qvhost {

// --- table rows and columns ----------------------------------------------------------------------

namespace {
constexpr int32_t kMaxTableParts = 10000;
}

int32_t Model::AddRows(Handle doc, Handle refRow, bool below, int32_t count) {
  Row *ref = As<Row>(refRow, Kind::Row);
  if (!DocOf(doc)) return kBadDocId;
  if (!ref || ref->doc != doc) return kBadObjId;
  if (count < 1 || count > kMaxTableParts) return kBadParameter;
  Table *t = As<Table>(ref->tbl, Kind::Table);
  size_t cells = Chained(ref->cells).size();
  Handle after = below ? ref->h : ref->prev;
  for (int32_t i = 0; i < count; ++i) {
    Row *r = Make<Row>(doc);
    r->tbl = t->h;
    after ? Link(t->rows, *r, after) : LinkFront(t->rows, *r);
    for (size_t c = 0; c < cells; ++c) AddCellPgf(*AddCell(*r), "CellBody", "");
    after = r->h;
  }
  MarkModified(doc);
  return kOk;
}

int32_t Model::AddCols(Handle doc, Handle tbl, int32_t refCol, bool right, int32_t count) {
  Table *t = As<Table>(tbl, Kind::Table);
  if (!DocOf(doc)) return kBadDocId;
  if (!t || t->doc != doc) return kBadObjId;
  int32_t cols = static_cast<int32_t>(t->colWidths.size());
  if (count < 1 || count > kMaxTableParts || refCol < 0 || refCol >= cols) return kBadParameter;
  int32_t at = right ? refCol + 1 : refCol;
  t->colWidths.insert(t->colWidths.begin() + at, static_cast<size_t>(count), 0x480000);
  for (Handle r : Chained(t->rows)) {
    Row *row = As<Row>(r, Kind::Row);
    std::vector<Handle> cells = Chained(row->cells);
    Handle after = at > 0 && static_cast<size_t>(at) <= cells.size() ? cells[at - 1] : 0;
    for (int32_t i = 0; i < count; ++i) {
      Cell *c = Make<Cell>(doc);
      c->row = r;
      after ? Link(row->cells, *c, after) : LinkFront(row->cells, *c);
      AddCellPgf(*c, "CellBody", "");
      after = c->h;
    }
    int32_t n = 0;
    for (Handle c : Chained(row->cells)) As<Cell>(c, Kind::Cell)->col = n++;
  }
  MarkModified(doc);
  return kOk;
}

int32_t Model::DeleteRows(Handle doc, Handle tbl, Handle firstRow, int32_t count) {
  Table *t = As<Table>(tbl, Kind::Table);
  Row *r = As<Row>(firstRow, Kind::Row);
  if (!DocOf(doc)) return kBadDocId;
  if (!t || t->doc != doc || !r || r->tbl != tbl) return kBadObjId;
  if (count < 1) return kBadParameter;
  for (int32_t i = 0; i < count && r; ++i) {
    Row *next = As<Row>(r->next, Kind::Row);
    Unlink(t->rows, *r);
    Free(r->h);
    r = next;
  }
  MarkModified(doc);
  return kOk;
}

int32_t Model::DeleteCols(Handle doc, Handle tbl, int32_t firstCol, int32_t count) {
  Table *t = As<Table>(tbl, Kind::Table);
  if (!DocOf(doc)) return kBadDocId;
  if (!t || t->doc != doc) return kBadObjId;
  int32_t cols = static_cast<int32_t>(t->colWidths.size());
  if (count < 1 || firstCol < 0 || firstCol >= cols) return kBadParameter;
  int32_t end = std::min(cols, firstCol + count);
  if (end - firstCol >= cols) return kBadParameter;  // a table keeps one column
  t->colWidths.erase(t->colWidths.begin() + firstCol, t->colWidths.begin() + end);
  for (Handle r : Chained(t->rows)) {
    Row *row = As<Row>(r, Kind::Row);
    for (Handle c : Chained(row->cells)) {
      Cell *cell = As<Cell>(c, Kind::Cell);
      if (cell->col >= firstCol && cell->col < end) {
        Unlink(row->cells, *cell);
        Free(c);
      }
    }
    int32_t n = 0;
    for (Handle c : Chained(row->cells)) As<Cell>(c, Kind::Cell)->col = n++;
  }
  MarkModified(doc);
  return kOk;
}

int32_t Model::ImportFormats(Handle doc, Handle from) {
  Doc *d = DocOf(doc);
  const Doc *src = DocOf(from);
  if (!d || !src) return kBadDocId;
  if (doc == from) return kOk;
  for (Handle h : Chained(src->fmts)) {
    const PgfFmt *f = FmtOf(h);
    PgfFmt *to = FindFormat(*d, f->name);
    if (!to) to = AddFormat(*d, f->name);
    to->chars = f->chars;
    // Colours are the document's own objects: take them over by name.
    Value &c = to->chars[PROP_Color];
    const Color *col = As<Color>(static_cast<Handle>(c.i), Kind::Color);
    Color *mine = col ? FindColor(*d, col->name) : nullptr;
    if (col && !mine) mine = AddColor(*d, col->name);
    c.i = mine ? static_cast<int32_t>(mine->h) : 0;
  }
  MarkModified(doc);
  return kOk;
}

}  // namespace qvhost
