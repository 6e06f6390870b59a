// WordprocessingML (.docx) documents: what the reader, the saver and the writer of new
// documents share. The mapping onto the model is described in doc/docx.md.
//
// The reader keeps no XML tree: it records, per paragraph and per catalogue format, where
// they are in the file (a part and the paragraph's place in that part's walk, a style id) and
// what the model held when the file was read. Saving re-reads the parts it must change from
// the file it read, checks they are the bytes it read, walks them again and edits only the
// elements whose model objects changed.
#pragma once

#include <pugixml.hpp>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "host/formats/format.h"
#include "host/model/model.h"

namespace qvhost {

namespace docx {

constexpr const char *kWordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char *kWordStrictNs = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr const char *kMcNs = "http://schemas.openxmlformats.org/markup-compatibility/2006";

// Qualified names in one part, with the prefixes its root declares.
struct Names {
  std::string w, mc;  // "w:" (or "" for a default namespace); "mc:"
  explicit Names(pugi::xml_node root);
  std::string W(std::string_view local) const { return w + std::string(local); }
  // Whether `n` is the WordprocessingML element `local`.
  bool Is(pugi::xml_node n, std::string_view local) const;
  // The local name of a WordprocessingML element, "" for any other.
  std::string_view Local(pugi::xml_node n) const;
  pugi::xml_node Child(pugi::xml_node n, std::string_view local) const;
  const char *Attr(pugi::xml_node n, std::string_view local) const;
};

// What the walk of a story meets, in document order.
struct Ev {
  enum K : uint8_t { P, TblBeg, RowBeg, CellBeg, CellEnd, RowEnd, TblEnd } k;
  pugi::xml_node n;
};

enum class Story : uint8_t { Body, Header, Footer, Footnotes, Endnotes, Comments };

// Every paragraph and table of a story part's root, in document order: tables nested in
// cells, content controls, custom XML, and text boxes (after the paragraph that anchors
// them; the fallback of alternate content is not read twice).
void Walk(pugi::xml_node root, Story s, const Names &ns, std::vector<Ev> &out);
// The same for the children of `parent` as blocks of a body (a batch of the body's children).
void WalkBlocks(pugi::xml_node parent, const Names &ns, std::vector<Ev> &out);
// The paragraph's text: its runs' text, tabs and line breaks; deleted text and the text of
// its text boxes are not in it.
std::string PgfText(pugi::xml_node p, const Names &ns);
// Paragraph properties that are structure, not formatting: never an override, never removed.
bool Structural(std::string_view local);

// The model's characteristics and the children of w:pPr and w:rPr are one table
// (docx_chars.cc): reading a chain of styles, writing a format and folding a deleted style into
// the styles based on it are loops over it.
//
// Elements whose attributes combine one by one along a chain of settings (w:rFonts, w:ind,
// w:spacing, w:lang), and whether two of their attributes make one setting (w:ascii and
// w:asciiTheme; w:firstLine and w:hanging): the nearer level that writes either wins.
bool Combines(std::string_view element);
int SettingOf(std::string_view element, std::string_view attr);
bool SameSetting(std::string_view element, std::string_view a, std::string_view b);
// The characteristics the table expresses, in its order.
const std::vector<int32_t> &MappedCodes();

// The settings a chain of w:pPr and w:rPr makes: element local name -> attribute local name ->
// value, one level laid over the other (ApplyProps); tab stops by position.
using Attrs = std::map<std::string, std::string>;
struct Props {
  std::map<std::string, Attrs> p, r;
  std::map<int32_t, std::pair<std::string, std::string>> tabs;  // position (twips) -> kind, leader
};
// Lays the settings of `pr` (a w:pPr when `para`, else a w:rPr) over `to`.
void ApplyProps(Props &to, pugi::xml_node pr, const Names &ns, bool para);
// What the characteristics read from needs besides the settings: the theme's fonts and the
// document's colours by name.
struct ReadEnv {
  std::string majorFont, minorFont;
  std::function<Handle(const std::string &)> colour;
};
// The model's characteristics of a chain's settings.
void CharsOf(const Props &pr, const ReadEnv &env, CharMap &c);
// Puts the settings of `from` (a w:pPr or w:rPr) into `to` where `to` does not make them:
// combining elements attribute by attribute (by setting), tab stops at positions `to` does
// not have, any other element whole.
void FoldSettings(pugi::xml_node from, pugi::xml_node to, const Names &fromNs, const Names &toNs,
                  bool para);

// A style id for a new style named `name`: its letters and digits, numbered to differ from
// every id in `taken`, to which it is added.
std::string NewStyleId(const std::string &name, std::set<std::string> &taken);

struct PartRec {
  std::string name;
  Story story = Story::Body;
  uint64_t hash = 0;
  size_t size = 0;
};

struct PgfRec {
  Handle h = 0;
  uint32_t part = 0, index = 0;  // the part (in DocxSource::parts) and the place in its walk
  uint64_t textHash = 0;
  std::string tag;
  bool override_ = false;
  LazyMap<int32_t, Value> own;
};

struct FmtRec {
  Handle h = 0;
  std::string id, name, wname;  // wname: w:name as written (fields name styles by it)
  CharMap chars;
};

struct Source : FileSource {
  std::string path;
  std::vector<PartRec> parts;  // story parts, in walk order
  PartRec styles, numbering;   // name empty: none
  PartRec settings;            // the document settings (w:clickAndTypeStyle names a style)
  std::vector<PgfRec> pgfs;
  std::vector<FmtRec> fmts;
  std::string defaultStyle;  // id of the default paragraph style
  Handle defaultFmt = 0;     // its catalogue format, never deleted
  bool Needs(Handle fmt) const override { return fmt && fmt == defaultFmt; }
  bool CaseBlindNames() const override { return true; }
};

// The place in its part's walk of the paragraph an empty body is shown with (the file holds
// none; saving makes it when the paragraph changed).
constexpr uint32_t kShownPgf = UINT32_MAX;

// What a save does to the paragraph styles that fields name (by w:name, in any case): TOC
// fields collect styles by name (\t "Heading 1,1,My Style,2") and by heading level (\o
// "1-3"), STYLEREF fields show the text of the nearest paragraph of a style.
struct StyleChanges {
  std::map<std::string, std::string> deleted;  // lower-case name -> name of the style its
                                               // paragraphs now carry
  std::map<std::string, std::string> moved;    // lower-case name -> name of the style every
                                               // one of its paragraphs now carries
  void Delete(const std::string &wname, const std::string &heir);
  void Move(const std::string &wname, const std::string &to);
};
// The instruction of a field with its style references changed: a deleted style leaves TOC
// lists and STYLEREF names the style its paragraphs now carry; a moved style's name becomes
// the new one in both, and a TOC that collects built-in heading levels (\o) collects the style
// a heading of those levels moved to.
std::string Instruction(const std::string &instr, const StyleChanges &c);
// Every field of a part (simple, and complex ones whose instruction is split across runs);
// whether any changed.
bool RewriteFields(pugi::xml_node root, const Names &ns, const StyleChanges &c);
// A paragraph style a field names: STYLEREF's argument, or an entry of a TOC field's \t list.
struct FieldStyle {
  std::string name;
  bool toc;
};
// The styles one field instruction names, as written.
std::vector<FieldStyle> FieldStyles(const std::string &instr);
// The styles every field of a part names, in document order.
void ForEachFieldStyle(pugi::xml_node root, const Names &ns,
                       const std::function<void(const FieldStyle &)> &each);

// Paragraph properties (w:pPr) and run properties (w:rPr) children, in the order the schema
// wants them; an element not listed goes last.
int PPrOrder(std::string_view local);
int RPrOrder(std::string_view local);
int StyleOrder(std::string_view local);
// Inserts `child` (copied) into `parent` where `order` places it.
pugi::xml_node InsertOrdered(pugi::xml_node parent, pugi::xml_node child, const Names &ns,
                             int (*order)(std::string_view));
// The named child of `parent`, made where `order` places it when missing.
pugi::xml_node Ensure(pugi::xml_node parent, std::string_view local, const Names &ns,
                      int (*order)(std::string_view));

// A catalogue format's characteristics as paragraph (pPr) and run (rPr) properties, appended
// to `pPr` and `rPr` (prefix "w:"). Used for new documents and for styles the model added.
void FormatToXml(const Model &m, const PgfFmt &f, pugi::xml_node pPr, pugi::xml_node rPr);

bool Load(Model &m, const std::string &path, Handle &out, std::string &err);
bool SaveBack(const Model &m, const Doc &d, Source &src, const std::string &path, std::string &err);
bool WriteNew(const Model &m, const Doc &d, const std::string &path, std::string &err);

}  // namespace docx
}  // namespace qvhost
