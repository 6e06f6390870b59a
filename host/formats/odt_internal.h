// Inside the OpenDocument Text adapter: the two XML parts it reads, the paragraph styles they
// define, and the characteristics of the model read from and written to those styles.
#pragma once

#include <pugixml.hpp>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/formats/adapter_util.h"
#include "host/formats/xml.h"
#include "host/model/model.h"

namespace qvhost {
class Package;
}

namespace qvhost::odt {

inline const std::string kOfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
inline const std::string kStyleNs = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
inline const std::string kTextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
inline const std::string kTableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
inline const std::string kDrawNs = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
inline const std::string kFoNs = "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0";
inline const std::string kSvgNs = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";

// The common style a paragraph takes when it names none, or an automatic style without parent.
inline const std::string kDefaultStyle = "Standard";

// Limits on what a file may hold; real documents stay far below them.
constexpr size_t kMaxDepth = kMaxXmlDepth;    // element nesting the walks follow (all a part has)
constexpr size_t kMaxPgfs = 4'000'000;        // paragraphs of one document
constexpr size_t kMaxStyles = 200'000;        // paragraph styles of one part
constexpr size_t kMaxTableCells = 4'000'000;  // cells of all tables of one document

enum PartId { kContent = 0, kStyles = 1, kCommon = 2 };  // kCommon: the common styles

// Qualified names of the elements and attributes the adapter reads, as one part spells them.
struct Names {
  Namespaces ns;
  std::string p, h, styleName, condStyleName, note, noteClass, noteBody, frame, textBox, annotation,
      trackedChanges, table, row, cell, coveredCell, colsSpanned, rowsSpanned, sStyle, sName,
      sFamily, sParent, sNext, sDisplay, sDefault, pProps, tProps, tabStops, tabStop, masterPage,
      masterPageName, listStyleName, autoStyles, officeStyles, masterStyles, body, officeText,
      fontFaceDecls, fontFace, svgFontFamily, textS, textC, textTab, lineBreak;
  explicit Names(pugi::xml_node root);
  Names() = default;
  // "fo:..", "style:.." or "svg:.." for an attribute of those namespaces; empty otherwise.
  std::string Canon(const char *qname) const;
  // The part's own spelling of a canonical name.
  std::string Local(const std::string &canon) const;
};

struct Part {
  XmlPart xml;
  Names n;
  bool changed = false;
  // Only the root element of the part (every namespace it declares) with an empty text body:
  // what a save that edits no paragraph and no style the part names reads of content.xml.
  bool stub = false;
};

// A paragraph style of the file.
struct Style {
  std::string name, display, parent, next;
  pugi::xml_node node;
  bool automatic = false;
};

// The paragraph styles: the common ones of styles.xml and each part's automatic ones.
struct StyleSet {
  std::map<std::string, Style> common;
  std::vector<std::string> order;  // common styles in file order
  pugi::xml_node defaultStyle;     // style:default-style of the paragraph family
  std::map<std::string, Style> autos[2];
  std::map<std::string, std::string> fonts;  // font face name -> family
  int serial = 0;                            // for names of new automatic styles

  // Reads the styles of both parts; false with `err` on duplicate names or inheritance loops.
  bool Build(Part parts[2], std::string &err);
  // The style a paragraph of `part` names (its automatic styles first); nullptr when none.
  const Style *Find(int part, const std::string &name) const;
  // The common style a paragraph naming `name` takes its tag from; nullptr for none.
  const Style *Named(int part, const std::string &name) const;
  // An unused name for a new automatic style of `part`.
  std::string NewAutoName(int part);
};

using Chars = CharMap;

// Characteristics of styles as the model sees them: the model's defaults, then the file's
// default paragraph style, then each style of the inheritance chain from the top down.
class CharReader {
 public:
  CharReader(Model &m, Doc &d, const StyleSet &s, Part parts[2]) : m_(m), d_(d), s_(s), p_(parts) {}
  // The characteristics a paragraph of `part` naming style `name` shows ("": the default style).
  // The reference to those of an automatic style holds until the next call for another
  // automatic style of the same part.
  const Chars &Of(int part, const std::string &name);
  // The characteristics of common style `name` are also `chars` (its format's, which outlive
  // the reader): the reader lets go of its own copy and reads those.
  void Lend(const std::string &name, const Chars &chars);

 private:
  struct Eff {
    Chars c;
    const Chars *lent = nullptr;  // instead of c
    const Chars &C() const { return lent ? *lent : c; }
    int lineKind = 0;  // 0 proportional (default 100 %), 1 fixed, 2 at least, 3 leading
    double line = 100;
    double kern = 1;
  };
  const Eff &EffOf(int where, const std::string &name);
  static Eff Copy(const Eff &e);  // with characteristics of its own
  const Eff &CommonEff(const std::string &name);
  Eff Defaults();  // the model's defaults under the file's default paragraph style
  void Over(int part, const Style &st, Eff &e);  // the style's own settings over e
  void Finish(Eff &e);
  void Apply(int part, pugi::xml_node style, Eff &e);
  Handle ColorOf(const std::string &hex);
  Model &m_;
  Doc &d_;
  const StyleSet &s_;
  Part *p_;
  std::map<std::string, Eff> eff_[3];
};

// Whether an automatic style sets paragraph or text properties of its own, beyond what is
// structural (a master page with its page break and page number, list membership).
bool SetsOwnProperties(const Part &part, pugi::xml_node style);

// Removes from the style's paragraph and text properties what the model's characteristics
// express (and, with `allOwn`, every property that is not structural).
void RemoveProperties(const Part &part, pugi::xml_node style, bool allOwn);

// Writes the characteristics `codes` of `get` into the style's properties. False with `err`
// for a characteristic that has no OpenDocument form.
bool WriteChars(Part &part, pugi::xml_node style, const std::vector<int32_t> &codes,
                const std::function<Value(int32_t)> &get, const Model &m, const StyleSet &s,
                std::string &err);

// The model's characteristics OpenDocument expresses, in the order of the mapping table.
const std::vector<int32_t> &MappedCodes();
// Whether the style itself sets characteristic `code` (any attribute of its row, or the
// shorthand or element the row is read from).
bool SetsCharacteristic(const Part &part, pugi::xml_node style, int32_t code);

// Copies into `dst` (a style of part `to`) the settings of `src` (of part `from`) that it does
// not make itself, setting by setting as the characteristics table groups them: the child's
// own at-least line height keeps the parent's proportional one out, its own left margin keeps
// the left side of the parent's fo:margin out but not the other three.
void FoldProperties(const Part &from, pugi::xml_node src, const Part &to, pugi::xml_node dst);

// The properties element `local` ("paragraph-properties") of a style, made when `make`.
pugi::xml_node PropsOf(const Part &part, pugi::xml_node style, const char *local, bool make);

// A qualified name of one part as another part spells it.
inline std::string Translate(const std::string &qname, const Names &from, const Names &to) {
  std::string uri = from.ns.UriOf(qname);
  if (uri.empty()) return qname;
  std::string q = to.ns.Q(uri, std::string(LocalName(qname.c_str())).c_str());
  return q.empty() ? qname : q;
}

// Internal style names encode characters that are not allowed in names ("Text_20_body").
std::string EncodeStyleName(const std::string &display);

// Lengths: "12pt", "0.5in", "1.2cm", "10mm", "1pc", "3px" -> points.
bool ParseLength(std::string_view s, double &pt);
std::string FormatPoints(double pt);
// "130%" -> 130.
bool ParsePercent(std::string_view s, double &pct);

// Values a style may give relative to its parent style's: the font sizes (a percentage, or
// style:font-size-rel added to the parent's size), the four margins and the first-line indent
// (a percentage). A style's own value of one of them is parent x scale + add (points): a
// length is {0, L}, a percentage {p / 100, 0}, a relative size {1, R}.
struct RelativeKind {
  const char *props;      // "paragraph-properties" or "text-properties"
  const char *attr;       // canonical name, "fo:font-size"
  const char *shorthand;  // "fo:margin", or nullptr
  const char *rel;        // "style:font-size-rel", or nullptr
  double fallback;        // the value at the top of every chain when no style sets one
};
struct Relative {
  double scale = 0, add = 0;
};
const std::vector<RelativeKind> &RelativeKinds();
// The style's own value of `k`; false when it sets none.
bool OwnRelative(const Part &part, pugi::xml_node style, const RelativeKind &k, Relative &out);
// `child` (relative to `parent`) over `parent` (relative to its own parent).
inline Relative Compose(const Relative &child, const Relative &parent) {
  return {child.scale * parent.scale, child.scale * parent.add + child.add};
}

}  // namespace qvhost::odt

namespace qvhost::odt {

// What the adapter keeps of the file it read: no trees (a save parses the parts again), only
// what identifies the parts and the state of the model when it last matched the file.
struct OdtSource : FileSource {
  std::string path;
  uint64_t hash[2] = {0, 0};
  size_t size[2] = {0, 0};
  // A paragraph as the file has it: a large document has hundreds of thousands.
  struct PgfRec {
    Handle h = 0;
    uint32_t tag : 31 = 0;  // in `tags`
    uint32_t override_ : 1 = 0;
    LazyMap<int32_t, Value> own;
    uint64_t text = 0;
  };
  std::vector<PgfRec> pgfs;       // in the order of the walk of the parts
  std::vector<std::string> tags;  // the paragraphs' tags, each once
  const std::string &TagOf(const PgfRec &r) const { return tags[r.tag]; }
  // A paragraph style as the file has it. Its characteristics are kept as they differ from
  // `base` (those of the default style, from which most styles inherit most of theirs).
  struct FmtRec {
    Handle h = 0;
    std::string style;  // internal name
    std::string name;
    Chars chars;  // where it differs from `base`
  };
  std::vector<FmtRec> fmts;
  Chars base;
  // A style's characteristic `code` as the file has it (nullptr: none).
  const Value *Was(const FmtRec &f, int32_t code) const {
    auto it = f.chars.find(code);
    if (it != f.chars.end()) return &it->second;
    it = base.find(code);
    return it == base.end() ? nullptr : &it->second;
  }
  // Whether `now` are the style's characteristics as the file has them.
  bool Same(const FmtRec &f, const Chars &now) const {
    size_t extra = 0;
    for (const auto &[code, v] : f.chars) extra += !base.count(code);
    if (now.size() != base.size() + extra) return false;
    for (const auto &[code, v] : now)
      if (const Value *w = Was(f, code); !w || !(*w == v)) return false;
    return true;
  }
  Handle standard = 0;  // the format of the style "Standard" among them
  size_t tables = 0;
  // "Standard", the style of every paragraph that names none (and of the one paragraph an
  // empty body shows), stays.
  bool Needs(Handle fmt) const override { return fmt && fmt == standard; }
};

// Reads and parses (in place) content.xml and styles.xml of an OpenDocument Text package;
// false with `err` when the package is not one, is encrypted, or a part is missing or
// malformed. When no attribute value of content.xml is one of `stubUnless`, that part is made
// a stub (Part::stub) instead of being parsed; its hash and size are still those of its bytes.
bool ReadParts(const std::string &path, Part parts[2], std::string &err,
               const std::unordered_set<std::string_view> *stubUnless = nullptr);
// Opens an OpenDocument Text package, checked to be one and not encrypted.
std::unique_ptr<Package> OpenPackage(const std::string &path, std::string &err);

// Every paragraph element of the document in the order the model holds them: the body, then
// the paragraphs of notes and text boxes as they are met, then headers and footers. With a
// model, builds the document's flows, frames, tables and paragraphs as it goes.
struct WalkItem {
  int part;
  pugi::xml_node node;
  Handle pgf = 0;  // the model's paragraph, when the walk builds the document
};
bool WalkParts(Part parts[2], Model *m, Doc *d, const StyleSet *styles, CharReader *reader,
               std::vector<WalkItem> &out, size_t &tables, std::string &err);

// Records the state of the model that now matches the file.
void Snapshot(const Model &m, const Doc &d, OdtSource &src);

bool SaveOdt(const Model &m, const Doc &d, OdtSource &src, const std::string &path,
             std::string &err);

}  // namespace qvhost::odt
