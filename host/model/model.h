// The substitute host's object model: the session, open documents and books, their catalogues,
// flows, frames, paragraphs, tables, colours and pages, and the host's menus. Every object has a
// handle issued here; handles index a vector, so lookup is constant time, and a handle is never
// given out twice (not even after Reset), so a stale handle is refused rather than reaching a new
// object.
//
// The operations below are what the host procedures do; the RPC handlers only translate records.
// Each returns a host status: 0 for success, one of the negative codes of status.h otherwise.
// Nothing here throws or aborts on bad input: a wrong handle, kind, property or value is a status.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/model/props.h"
#include "host/model/status.h"
#include "host/model/flat_map.h"
#include "host/model/lazy_map.h"
#include "host/model/value.h"
#include "quorvex/fcodes.h"

namespace qvhost {

enum class Kind : uint8_t {
  Doc,
  Book,
  Component,
  PgfFmt,
  Pgf,
  Flow,
  Frame,
  Table,
  Row,
  Cell,
  Color,
  Page,
  Menu,
  Command,
  Separator,
  Graphic,
  ElementDef,
  Element
};
const char *KindName(Kind k);

// Codes the substitute host gives the properties that no tool reads: the tests reach the
// text-location, int-list, point-list and structure calls through them.
constexpr int32_t kPropTextLoc = 3001;               // table: where it is anchored (text location)
constexpr int32_t kPropStraddle = 3002;              // cell: rows and columns it spans (ints)
constexpr int32_t kPropPoints = 3003;                // graphic: its vertices (points)
constexpr int32_t kPropGraphicType = 3004;           // graphic: its object type (int)
constexpr int32_t kPropElementSelection = 3005;      // document: selected elements (element range)
constexpr int32_t kPropHighestLevelElement = 3006;   // document: root of the element tree (id)
constexpr int32_t kPropElementDef = 3007;            // element: its definition (id)
constexpr int32_t kPropParentElement = 3008;         // element (id)
constexpr int32_t kPropFirstChildElement = 3009;     // element (id)
constexpr int32_t kPropNextSiblingElement = 3010;    // element (id)
constexpr int32_t kPropElementPgfs = 3011;           // element: the paragraphs it holds (ints)
constexpr int32_t kPropPgfElement = 3012;            // paragraph: the element holding it (id)
constexpr int32_t kPropFirstElementDefInDoc = 3013;  // document (id)
constexpr int32_t kPropNextElementDefInDoc = 3014;   // element definition (id)
constexpr int32_t kPropFirstGraphicInDoc = 3015;     // document (id)
constexpr int32_t kPropNextGraphicInDoc = 3016;      // graphic (id)

// Object types of the named, unique and new-object calls.
constexpr int32_t kObjColor = 2, kObjDoc = 4, kObjLine = 9, kObjPolyline = 12, kObjRectangle = 14,
                  kObjPgf = 31, kObjPgfFmt = OBJ_PgfFmt, kObjBook = 41, kObjMenu = OBJ_Menu,
                  kObjCommand = 56, kObjSeparator = OBJ_MenuItemSeparator, kObjTable = 60,
                  kObjElementDef = 70, kObjElement = 71;

// Members of a singly ordered container keep prev/next links; the container keeps first/last.
struct Chain {
  Handle first = 0, last = 0;
};

// Objects come by the hundred thousand in a large document: the small members are last, so
// that a derived object's own small members fill the space after them.
struct Obj {
  Handle h = 0;
  Handle doc = 0;  // owning document (or book for components); 0 for menus
  Handle prev = 0, next = 0;
  Kind kind;
  explicit Obj(Kind k) : kind(k) {}
  virtual ~Obj() = default;
};

// A format's characteristics, by code.
using CharMap = FlatMap<int32_t, Value>;

struct PgfFmt : Obj {
  std::string name;
  CharMap chars;  // every characteristic of CharDefs()
  PgfFmt() : Obj(Kind::PgfFmt) {}
};

// Where a paragraph lives: a text frame of a flow, a table cell, or a table's title.
enum class PgfHome : uint8_t { Frame, Cell, Title };

// A large document holds hundreds of thousands of these: the small members come first, in the
// space Obj leaves after its own.
struct Pgf : Obj {
  bool override_ = false;
  PgfHome home = PgfHome::Frame;
  int32_t locked = 0;
  std::string tag;  // whoever changes it tells the model (Model::PgfsChanged)
  std::string text;
  // Character properties set over the paragraph's text, read back at any of its locations.
  LazyMap<int32_t, Value> textProps;
  // Characteristics in which the paragraph differs from its format (all of them when the
  // catalogue has no format of its tag any more).
  LazyMap<int32_t, Value> own;
  Handle element = 0;  // structure element holding the paragraph (0: none)
  Handle parent = 0;   // frame, cell or table
  Pgf() : Obj(Kind::Pgf) {}
};

struct Frame : Obj {
  Handle flow = 0, page = 0;
  Chain pgfs;
  Frame() : Obj(Kind::Frame) {}
};

struct Flow : Obj {
  std::string tag;  // "A" for the main flow
  Chain frames;
  Flow() : Obj(Kind::Flow) {}
};

struct Cell : Obj {
  Handle row = 0;
  int32_t col = 0;
  int32_t straddleRows = 1, straddleCols = 1;
  Chain pgfs;
  Cell() : Obj(Kind::Cell) {}
};

struct Row : Obj {
  Handle tbl = 0;
  Chain cells;
  Row() : Obj(Kind::Row) {}
};

struct Table : Obj {
  std::string format;
  Handle anchor = 0;  // paragraph the table is anchored in (0: none)
  Chain rows, title;
  std::vector<int32_t> colWidths;
  int32_t initSetting = 1;
  Table() : Obj(Kind::Table) {}
};

struct Color : Obj {
  std::string name;
  Color() : Obj(Kind::Color) {}
};

struct Graphic : Obj {
  int32_t type = 0;
  Handle parent = 0;  // frame or page it was drawn in
  std::vector<Point> points;
  Graphic() : Obj(Kind::Graphic) {}
};

struct ElementDef : Obj {
  std::string name;
  std::vector<AttributeDef> attrDefs;
  ElementDef() : Obj(Kind::ElementDef) {}
};

// A structure element: an instance of a definition in the document's element tree, holding
// child elements and, for a text element, paragraphs.
struct Element : Obj {
  Handle def = 0, parent = 0;
  Chain children;
  std::vector<Handle> pgfs;
  std::vector<Attribute> attrs;
  Element() : Obj(Kind::Element) {}
};

// Body pages hold the text; list A holds the master pages and list B the reference pages.
enum class PageList : uint8_t { Body, A, B };
struct Page : Obj {
  PageList list = PageList::Body;
  std::string name;
  Page() : Obj(Kind::Page) {}
};

// What the file format a document was read from keeps of that file, so that saving it back
// changes only what changed in the model. The model never looks inside, but asks it whether
// the file's format lets a paragraph format go.
struct FileSource {
  virtual ~FileSource() = default;
  // Whether the file cannot do without the catalogue format `fmt` (a word-processing
  // document's default paragraph style, which every paragraph without a style carries), so
  // that deleting it is refused.
  virtual bool Needs(Handle /*fmt*/) const { return false; }
  // Whether the format's style names are one whatever their case (a word-processing
  // document's are: "heading 1" is Word's "Heading 1"), so that a lookup by name that finds no
  // exact match takes the one format whose name differs only in case.
  virtual bool CaseBlindNames() const { return false; }
};

class Model;

// Reading and writing document and book files. The model knows no file format: the layer that
// owns both the model and the formats lends it one of these, and Open, Save, Export and Import
// go through it.
class DocumentFiles {
 public:
  virtual ~DocumentFiles() = default;
  // Builds a document or book from the file; 0 with `err` set (naming the file) when it cannot
  // be read. Nothing is left in the model on failure.
  virtual Handle Load(Model &m, const std::string &path, std::string &err) const = 0;
  // Writes the document or book to `path`; false with `err` set (naming the file) on failure,
  // the file at `path` then being as it was.
  virtual bool Save(const Model &m, Handle docOrBook, const std::string &path,
                    std::string &err) const = 0;
};

struct Doc : Obj {
  std::string path;                    // full path of its file; empty for a new, unsaved document
  std::shared_ptr<FileSource> source;  // set by the format that read the file, if it keeps any
  std::string format;                  // name of the format its file holds; empty when new
  Chain fmts, flows, tables, colors, bodyPages, pagesA, pagesB, graphics, elemDefs;
  Handle mainFlow = 0, currentPage = 0, rootElement = 0;
  TextRange selection;
  ElementRange elemSelection;
  int32_t displayUnits = 0x480000;     // inches
  int32_t fontDisplayUnits = 0x10000;  // points
  int32_t batchFlag = 0;
  int32_t pageWidth = 0x2640000, pageHeight = 0x3180000;  // 612 x 792 pt
  bool modified = false;
  std::vector<Handle> owned;  // every object created inside the document
  // The catalogue's formats by name (more than one when names repeat), kept by the model.
  std::unordered_map<std::string, std::vector<Handle>> fmtsByName;
  // Paragraphs by tag: made when a format of the document is first deleted, then kept up as
  // the model makes and retags paragraphs. An entry may be stale (the paragraph since retagged
  // or gone): readers check.
  std::unordered_map<std::string, std::vector<Handle>> pgfsByTag;
  bool pgfsByTagMade = false;
  Doc() : Obj(Kind::Doc) {}
};

struct Component : Obj {
  std::string path;
  Component() : Obj(Kind::Component) {}
};

struct Book : Obj {
  std::string path;
  std::string format;  // name of the format its file holds; empty when new
  Chain comps;
  std::string statusLine;
  Book() : Obj(Kind::Book) {}
};

// Menus, menu bars, commands and separators. A command or menu may sit in several menus, so a
// menu holds its items as a vector rather than through the items' links.
struct MenuItem : Obj {
  std::string name, label;
  explicit MenuItem(Kind k) : Obj(k) {}
};
struct Menu : MenuItem {
  std::vector<Handle> items;
  Menu() : MenuItem(Kind::Menu) {}
};
struct Command : MenuItem {
  int32_t number = 0;
  std::string shortcut;
  Command() : MenuItem(Kind::Command) {}
};

// One scripted answer to a question the host puts to the user (alert, scroll box, prompt).
struct Answer {
  enum What : uint8_t { Ok, Cancel, Choose, Text } what = Ok;
  int32_t index = 0;
  std::string text;
};

// What the host showed the user, in order: alerts, status lines, scroll boxes, prompts, saves.
struct ShownItem {
  std::string what;                // "alert", "status", "scrollbox", "prompt", "save"
  int32_t type = 0;                // alert type; scroll box default; save: 1 written, 0 due,
                                   // -1 failed, -2 refused outside saveRoot (text: why)
  std::string text;                // message, status text, title or prompt; saved path
  std::vector<std::string> items;  // scroll box items
  int32_t answer = 0;              // alert result, chosen index (-1 cancelled)
};

class Model {
 public:
  Model();
  ~Model();
  Model(const Model &) = delete;
  Model &operator=(const Model &) = delete;

  // Closes every document and book, forgets menus, answers and logs, and sets the session back
  // to its start state. Handles issued before stay refused, unless `freshHandles` numbers them
  // afresh from 1 as in a new process (for runs that are compared call for call).
  void Reset(bool freshHandles = false);

  // --- objects -----------------------------------------------------------------------------
  Obj *Find(Handle h) const { return h < objs_.size() ? objs_[h].get() : nullptr; }
  template <class T>
  T *As(Handle h, Kind k) const {
    Obj *o = Find(h);
    return o && o->kind == k ? static_cast<T *>(o) : nullptr;
  }
  Doc *DocOf(Handle h) const { return As<Doc>(h, Kind::Doc); }
  Book *BookOf(Handle h) const { return As<Book>(h, Kind::Book); }
  Pgf *PgfOf(Handle h) const { return As<Pgf>(h, Kind::Pgf); }
  PgfFmt *FmtOf(Handle h) const { return As<PgfFmt>(h, Kind::PgfFmt); }
  size_t HandleCount() const { return objs_.size(); }

  // --- building (documents on disk, tests) -----------------------------------------------------
  // An empty document (no formats, flows or pages), added to the open list.
  Doc *NewDoc(const std::string &path);
  // A new document as the host makes one: standard colours, catalogue, one body page, a main
  // flow "A" with one frame and one empty "Body" paragraph holding the insertion point.
  Doc *NewStandardDoc();
  PgfFmt *AddFormat(Doc &d, const std::string &name);  // defaults of CharDefs(), colour Black
  PgfFmt *FindFormat(const Doc &d, const std::string &name) const;
  Color *AddColor(Doc &d, const std::string &name);
  Color *FindColor(const Doc &d, const std::string &name) const;
  Flow *AddFlow(Doc &d, const std::string &tag, bool main);
  Page *AddPage(Doc &d, PageList list, const std::string &name);
  Frame *AddFrame(Flow &f, Handle page);
  Pgf *AddPgf(Frame &fr, const std::string &tag, const std::string &text);
  Table *AddTable(Doc &d, const std::string &format, Handle anchor);
  Row *AddRow(Table &t);
  Cell *AddCell(Row &r);
  Pgf *AddCellPgf(Cell &c, const std::string &tag, const std::string &text);
  Pgf *AddTitlePgf(Table &t, const std::string &tag, const std::string &text);
  ElementDef *AddElementDef(Doc &d, const std::string &name);
  ElementDef *FindElementDef(const Doc &d, const std::string &name) const;
  // A new element, last child of `parent` (parent 0: the root of the document's tree).
  Element *AddElement(Doc &d, Handle def, Handle parent);
  void HoldPgf(Element &e, Pgf &p);  // the paragraph must not be held yet
  Graphic *AddGraphic(Doc &d, int32_t type, Handle parent);
  Book *NewBook(const std::string &path);
  Component *AddComponent(Book &b, const std::string &path);
  Menu *DefineMenu(const std::string &name, const std::string &label);
  Command *DefineCommand(int32_t number, const std::string &name, const std::string &label,
                         const std::string &shortcut);
  void AppendItem(Menu &m, Handle item);  // no-op when the item is already in the menu
  Handle FindMenuItem(Kind k, const std::string &name) const;
  Command *CommandByNumber(int32_t number) const;

  // --- walks ---------------------------------------------------------------------------------
  Handle NextPgfInFlow(const Pgf &p) const;
  Handle PageOfPgf(const Pgf &p) const;
  Handle TableOfPgf(const Pgf &p) const;
  std::vector<Handle> Chained(const Chain &c) const;
  // Every paragraph in the order of the document walk: body flows, then each table's cells
  // row by row and its title.
  std::vector<Handle> WalkPgfs(const Doc &d) const;
  // The same, one paragraph at a time, with nothing held.
  void ForEachPgf(const Doc &d, const std::function<void(Handle)> &f) const;
  // To be called whenever a paragraph is made or its tag changes.
  void PgfsChanged(const Pgf &p);
  std::vector<Handle> TablesAnchoredIn(const Doc &d, Handle pgf) const;
  const std::vector<Handle> &OpenDocs() const { return open_; }
  const std::vector<Handle> &OpenBooks() const { return books_; }
  // Menus, commands and separators, in the order they were defined.
  const std::vector<Handle> &MenuItems() const { return menus_; }
  Value FmtChar(const PgfFmt &f, int32_t code) const;
  Value PgfChar(const Doc &d, const Pgf &p, int32_t code) const;
  Handle DocOwner(Handle obj) const;  // the document or book an object lives in, 0 for none

  // --- host procedures -------------------------------------------------------------------------
  // `doc` is the document (or book, or for menu items the parent menu) argument of the call;
  // doc 0 and obj 0 address the session.
  int32_t GetProp(Handle doc, Handle obj, int32_t prop, Value &out) const;
  int32_t SetProp(Handle doc, Handle obj, int32_t prop, const Value &v);
  int32_t GetPropByName(Handle doc, Handle obj, const std::string &name, Value &out) const;
  int32_t SetPropByName(Handle doc, Handle obj, const std::string &name, const Value &v);
  void DeletePropByName(Handle obj, const std::string &name);
  struct PropVal {
    int32_t code;
    Value value;
  };
  int32_t GetProps(Handle doc, Handle obj, std::vector<PropVal> &out) const;
  int32_t SetProps(Handle doc, Handle obj, const std::vector<PropVal> &in);
  int32_t GetNamedObject(Handle doc, int32_t type, const std::string &name, Handle &out) const;
  int32_t NewNamedObject(Handle doc, int32_t type, const std::string &name, Handle &out);
  int32_t Delete(Handle doc, Handle obj);
  int32_t ObjectValid(Handle doc, Handle obj) const;
  // Inserts text at a location; each "\n" ends the paragraph there and starts a new one in the
  // same format. `out` is the location just after the inserted text.
  int32_t AddText(Handle doc, TextLoc at, const std::string &text, TextLoc &out);
  int32_t DeleteText(Handle doc, const TextRange &r);
  struct TextItem {
    int32_t offset;
    int32_t type;
    std::string text;
  };
  int32_t GetTextForRange(Handle doc, const TextRange &r, uint32_t mask,
                          std::vector<TextItem> &out) const;
  int32_t NewTable(Handle doc, const std::string &format, int32_t cols, int32_t body, int32_t head,
                   int32_t foot, TextLoc at, Handle &out);
  // Rows are added below `refRow` (above it when `below` is false) with as many cells as it
  // has; columns likewise beside column `refCol` of every row, each 1 inch wide.
  int32_t AddRows(Handle doc, Handle refRow, bool below, int32_t count);
  int32_t AddCols(Handle doc, Handle tbl, int32_t refCol, bool right, int32_t count);
  int32_t DeleteRows(Handle doc, Handle tbl, Handle firstRow, int32_t count);
  int32_t DeleteCols(Handle doc, Handle tbl, int32_t firstCol, int32_t count);
  // Copies every format of `from` into `doc`, replacing formats of the same name.
  int32_t ImportFormats(Handle doc, Handle from);
  int32_t Fcodes(const std::vector<int32_t> &codes);
  int32_t CustomDoc(const std::vector<int32_t> &v, Handle &out);
  // Opens a document or book file (or, with newFromTemplate, a new untitled copy of it). A file
  // that is already open gives the handle it has.
  int32_t Open(const std::string &path, bool newFromTemplate, Handle &out);
  int32_t Save(Handle doc, const std::string &path, Handle &out);
  int32_t Close(Handle doc, int32_t flags);
  int32_t Alert(const std::string &msg, int32_t type);
  int32_t ScrollBox(const std::string &title, const std::vector<std::string> &items, int32_t def,
                    int32_t &chosen);
  int32_t PromptString(const std::string &prompt, const std::string &def, std::string &answer);
  int32_t PromptInt(const std::string &prompt, int32_t def, int32_t &answer);
  // A length typed with a unit (pt, in, ", cm, mm, pc); a bare number counts in `units` (a
  // metric per unit, 0 for points).
  int32_t PromptMetric(const std::string &prompt, const std::string &def, int32_t units,
                       int32_t &answer);
  int32_t ChooseFile(const std::string &title, const std::string &dir, const std::string &name,
                     std::string &answer);
  // Writes a document to a file without making it the document's own.
  int32_t Export(Handle doc, const std::string &path);
  int32_t Import(Handle doc, TextLoc at, const std::string &path, TextLoc &end);
  int32_t NewPgfAfter(Handle doc, Handle prev, Handle &out);
  int32_t DefineAndAddMenu(Handle bar, const std::string &name, const std::string &label,
                           Handle &out);
  int32_t DefineAndAddCommand(int32_t number, Handle menu, const std::string &name,
                              const std::string &label, const std::string &shortcut, Handle &out);
  int32_t DefineMenuCall(const std::string &name, const std::string &label, Handle &out);
  int32_t DefineCommandCall(int32_t number, const std::string &name, const std::string &label,
                            const std::string &shortcut, Handle &out);
  int32_t AddItemToMenu(Handle menu, Handle item);
  int32_t MenuItemInMenu(Handle menu, Handle item, bool recursive, Handle &out) const;
  int32_t Notification(int32_t code, int32_t state);
  int32_t FontValue(int32_t list, const std::string &name, int32_t &out) const;
  int32_t GetUniqueObject(Handle doc, int32_t type, int32_t unique, Handle &out) const;
  int32_t NewGraphic(Handle doc, int32_t type, Handle parent, Handle &out);
  int32_t Straddle(Handle doc, Handle cell, int32_t rows, int32_t cols, bool undo);
  // Character properties at a text location: the paragraph's font characteristics with what was
  // set over its text on top. Setting them over a range sets them for every paragraph it touches.
  int32_t GetTextProps(Handle doc, TextLoc at, std::vector<PropVal> &out) const;
  int32_t GetTextProp(Handle doc, TextLoc at, int32_t prop, Value &out) const;
  int32_t SetTextProps(Handle doc, const TextRange &r, const std::vector<PropVal> &in);
  // The first occurrence of `text` at or after `from` in the document walk.
  int32_t Find(Handle doc, TextLoc from, const std::string &text, TextRange &out) const;
  int32_t SelectTableCells(Handle doc, Handle tbl, int32_t topRow, int32_t bottomRow,
                           int32_t leftCol, int32_t rightCol);

  // --- structure elements ----------------------------------------------------------------------
  // A new element of `def` at a text location: it holds the paragraph there (or, when that
  // paragraph is already held, goes inside the element holding it). The first element of a
  // document is the root of its tree; later ones go inside the root when nothing else holds them.
  int32_t NewElement(Handle doc, Handle def, TextLoc at, Handle &out);
  int32_t NewElementAt(Handle doc, Handle def, ElementLoc at, Handle &out);
  int32_t NewComponentAt(Handle book, const std::string &path, ElementLoc at, Handle &out);
  int32_t ElementToText(Handle doc, ElementLoc at, TextLoc &out) const;
  int32_t TextToElement(Handle doc, TextLoc at, ElementLoc &out) const;
  // The operations on the selected elements (kPropElementSelection): siblings from beg.child
  // to end.child.
  enum class ElementOp : uint8_t { MergeIntoFirst, MergeIntoLast, Split, Unwrap, Promote, Demote };
  int32_t EditElements(Handle doc, ElementOp op);
  int32_t WrapElements(Handle doc, Handle def);
  int32_t DeleteUndefinedAttribute(Handle doc, const std::string &name, Handle def);
  int32_t ImportElementDefs(Handle doc, Handle from);
  std::vector<CatalogEntry> ElementCatalog(const Doc &d) const;

  // --- session state the tools and tests reach directly ------------------------------------------
  Handle activeDoc = 0, activeBook = 0;
  std::string clientDir;
  std::string clientName = "quorvex";
  int32_t clientNumber = 0;
  int32_t displaying = 1;
  int32_t progress = 0;
  bool writeSaves = true;       // false: Save records what it would write but leaves files alone
  std::string saveRoot;         // when set, Save refuses a file outside this folder's tree
  std::vector<Answer> answers;  // taken from the front as questions come; none left: OK / default
  std::vector<ShownItem> shown;
  std::function<void(const ShownItem &)> onShow;  // called for every item as it is shown
  std::function<void(Handle)> onLoad;  // called for every document Open reads from its file
  // How Open, Save, Export and Import reach files; without it they fail. Reset keeps it.
  const DocumentFiles *files = nullptr;
  std::map<int32_t, int32_t> notifications;
  std::vector<std::string> saved;        // files written (or, without writeSaves, due) by Save
  std::vector<Handle> created;           // new documents made by CustomDoc and new-from-template
  std::string lastError;                 // why the last Open or Save failed
  std::vector<std::string> failedOpens;  // why each Open of a file (not a template) failed
  std::vector<std::string> userWords;    // the user's spelling dictionary, in the order added

 private:
  template <class T>
  T *Make(Handle doc);
  // The first member of a chain of named objects (formats, colours, definitions) with `name`.
  template <class T>
  T *FindByName(const Chain &c, Kind k, const std::string &name) const;
  void Link(Chain &c, Obj &o, Handle after = 0);  // append, or insert after `after`
  void LinkFront(Chain &c, Obj &o);
  void Unlink(Chain &c, Obj &o);
  void Free(Handle h);
  void FreeDoc(Doc &d);
  void FreeBook(Book &b);
  void InitSession();
  int32_t Resolve(Handle doc, Handle obj, Obj *&o) const;
  bool NextAnswer(Answer &a);  // false when the script is used up
  int32_t AskText(const char *what, const std::string &question, const std::string &def,
                  std::string &answer);
  void Show(ShownItem item);
  Chain *PgfChain(const Pgf &p);
  Pgf *SplitPgf(Pgf &p, size_t at);
  void MaterialiseChars(const Doc &d, Pgf &p);
  void IndexFormat(Doc &d, const PgfFmt &f, bool add);
  // The live paragraphs of `d` tagged `tag`, in no particular order.
  std::vector<Pgf *> PgfsTagged(Doc &d, const std::string &tag);
  void RecomputeOverride(const Doc &d, Pgf &p);
  void MarkModified(Handle doc);
  Handle NextInMenu(Handle parent, Handle item) const;
  int32_t MoveBefore(Handle parent, Handle item, Handle before);
  int32_t GetSession(int32_t prop, Value &out) const;
  int32_t SetSession(int32_t prop, const Value &v);
  int32_t GetOf(const Obj &o, Handle docArg, int32_t prop, Value &out) const;
  int32_t SetOf(Obj &o, Handle docArg, int32_t prop, const Value &v);
  int32_t SetPgfChar(Doc &d, Pgf &p, int32_t prop, const Value &v);
  int32_t GetStructure(const Obj &o, int32_t prop, Value &out) const;
  int32_t SetStructure(Obj &o, int32_t prop, const Value &v);
  int32_t SetElementSelection(Doc &d, const ElementRange &r);
  std::vector<Handle> SelectedElements(const Doc &d) const;
  Element *MakeElement(Doc &d, Handle def, Handle parent, Handle before);
  // Takes an element out of its parent into `to`, after `after` (0: at the end).
  void MoveElement(Element &e, Element &to, Handle after = 0);
  void ReleaseElement(Element &e);  // unlinks it; its children go to its parent
  void FreeElementTree(Element &e);
  Handle FirstPgfUnder(const Element &e) const;
  std::vector<int32_t> PropCodes(const Obj &o) const;
  Handle selDoc_ = 0;  // document whose selection was set last (the show-selection target)

  std::vector<std::unique_ptr<Obj>> objs_;
  // Properties clients set by name, by object: few objects ever have one.
  std::unordered_map<Handle, std::map<std::string, Value>> named_;
  std::vector<Handle> open_;   // open documents, in open order
  std::vector<Handle> books_;  // open books
  std::vector<Handle> menus_;  // menus, commands and separators, in definition order
};

template <class T>
inline T *Model::Make(Handle doc) {
  auto o = std::make_unique<T>();
  T *p = o.get();
  p->h = static_cast<Handle>(objs_.size());
  p->doc = doc;
  objs_.push_back(std::move(o));
  if (Doc *d = DocOf(doc)) d->owned.push_back(p->h);
  return p;
}

template <class T>
inline T *Model::FindByName(const Chain &c, Kind k, const std::string &name) const {
  for (Handle h = c.first; h; h = Find(h)->next)
    if (T *o = As<T>(h, k); o->name == name) return o;
  return nullptr;
}

}  // namespace qvhost
