// WordprocessingML: names, the walk of a story, and the order of property elements.
#include <cctype>
#include <cstring>
#include <iterator>
#include <vector>

#include "host/formats/docx.h"
#include "host/formats/xml.h"

namespace qvhost::docx {

namespace {

std::string PrefixOf(pugi::xml_node root, const char *ns, const char *fallback) {
  for (pugi::xml_attribute a : root.attributes()) {
    std::string_view n = a.name();
    if (std::strcmp(a.value(), ns) != 0) continue;
    if (n == "xmlns") return "";
    if (n.substr(0, 6) == "xmlns:") return std::string(n.substr(6)) + ":";
  }
  return fallback;
}

template <size_t N>
int IndexIn(const char *const (&list)[N], std::string_view local) {
  for (size_t i = 0; i < N; ++i)
    if (local == list[i]) return static_cast<int>(i);
  return static_cast<int>(N);
}

}  // namespace

Names::Names(pugi::xml_node root) {
  w = PrefixOf(root, kWordNs, "");
  if (w.empty()) {
    std::string strict = PrefixOf(root, kWordStrictNs, "w:");
    bool declared = false;
    for (pugi::xml_attribute a : root.attributes())
      if (std::strcmp(a.value(), kWordNs) == 0) declared = true;
    if (!declared) w = strict;
  }
  mc = PrefixOf(root, kMcNs, "mc:");
}

bool Names::Is(pugi::xml_node n, std::string_view local) const {
  std::string_view q = n.name();
  return q.size() == w.size() + local.size() && q.substr(0, w.size()) == w &&
         q.substr(w.size()) == local;
}

std::string_view Names::Local(pugi::xml_node n) const {
  std::string_view q = n.name();
  if (n.type() != pugi::node_element || q.substr(0, w.size()) != w) return {};
  q.remove_prefix(w.size());
  return q.find(':') == std::string_view::npos ? q : std::string_view{};
}

pugi::xml_node Names::Child(pugi::xml_node n, std::string_view local) const {
  for (pugi::xml_node c : n.children())
    if (Is(c, local)) return c;
  return {};
}

const char *Names::Attr(pugi::xml_node n, std::string_view local) const {
  return n.attribute(W(local).c_str()).value();
}

namespace {

struct Walker {
  const Names &ns;
  std::vector<Ev> &out;
  std::string fallback;

  // Children of `n`, looking through the wrappers that do not change where content is.
  template <class F>
  void Flat(pugi::xml_node n, F &&f) {
    for (pugi::xml_node c : n.children()) {
      if (c.type() != pugi::node_element) continue;
      if (ns.Is(c, "sdt")) {
        Flat(ns.Child(c, "sdtContent"), f);
      } else if (ns.Is(c, "customXml") || ns.Is(c, "ins") || ns.Is(c, "moveTo") ||
                 ns.Is(c, "smartTag")) {
        Flat(c, f);
      } else if (c.name() == ns.mc + "AlternateContent") {
        for (pugi::xml_node alt : c.children())
          if (alt.name() == ns.mc + "Choice") {
            Flat(alt, f);
            break;
          }
      } else {
        f(c);
      }
    }
  }

  void Boxes(pugi::xml_node n, std::vector<pugi::xml_node> &boxes) {
    for (pugi::xml_node c : n.children()) {
      if (c.type() != pugi::node_element) continue;
      if (ns.Is(c, "txbxContent"))
        boxes.push_back(c);
      else if (c.name() != fallback)
        Boxes(c, boxes);
    }
  }

  void Blocks(pugi::xml_node container) {
    Flat(container, [&](pugi::xml_node c) {
      if (ns.Is(c, "p")) {
        out.push_back({Ev::P, c});
        std::vector<pugi::xml_node> boxes;
        Boxes(c, boxes);
        for (pugi::xml_node b : boxes) Blocks(b);
      } else if (ns.Is(c, "tbl")) {
        Table(c);
      }
    });
  }

  void Table(pugi::xml_node t) {
    out.push_back({Ev::TblBeg, t});
    Flat(t, [&](pugi::xml_node r) {
      if (!ns.Is(r, "tr")) return;
      out.push_back({Ev::RowBeg, r});
      Flat(r, [&](pugi::xml_node c) {
        if (!ns.Is(c, "tc")) return;
        out.push_back({Ev::CellBeg, c});
        Blocks(c);
        out.push_back({Ev::CellEnd, c});
      });
      out.push_back({Ev::RowEnd, r});
    });
    out.push_back({Ev::TblEnd, t});
  }
};

void Text(pugi::xml_node n, const Names &ns, const std::string &fallback, std::string &out) {
  for (pugi::xml_node c : n.children()) {
    if (c.type() != pugi::node_element) continue;
    std::string_view l = ns.Local(c);
    if (l == "t") {
      for (pugi::xml_node t : c.children())
        if (t.type() == pugi::node_pcdata || t.type() == pugi::node_cdata) out += t.value();
    } else if (l == "tab" || l == "ptab") {
      out += '\t';
    } else if (l == "br" || l == "cr") {
      out += '\n';
    } else if (l == "txbxContent" || l == "pPr" || l == "rPr" || l == "del" || l == "moveFrom" ||
               l == "instrText" || c.name() == fallback) {
      continue;
    } else {
      Text(c, ns, fallback, out);
    }
  }
}

}  // namespace

void Walk(pugi::xml_node root, Story s, const Names &ns, std::vector<Ev> &out) {
  Walker w{ns, out, ns.mc + "Fallback"};
  switch (s) {
    case Story::Body:
      w.Blocks(ns.Child(root, "body"));
      break;
    case Story::Header:
    case Story::Footer:
      w.Blocks(root);
      break;
    case Story::Footnotes:
    case Story::Endnotes:
    case Story::Comments:
      for (pugi::xml_node n : root.children()) {
        if (!ns.Is(n, "footnote") && !ns.Is(n, "endnote") && !ns.Is(n, "comment")) continue;
        std::string_view type = ns.Attr(n, "type");
        if (type == "separator" || type == "continuationSeparator" || type == "continuationNotice")
          continue;
        w.Blocks(n);
      }
      break;
  }
}

void WalkBlocks(pugi::xml_node parent, const Names &ns, std::vector<Ev> &out) {
  Walker w{ns, out, ns.mc + "Fallback"};
  w.Blocks(parent);
}

std::string PgfText(pugi::xml_node p, const Names &ns) {
  std::string out;
  Text(p, ns, ns.mc + "Fallback", out);
  return out;
}

bool Structural(std::string_view l) {
  // A style reference, list membership, a frame (a drop cap is a paragraph framed beside the
  // next), a section break, the paragraph mark's run (and its revision marks), revisions,
  // table-style conditions, HTML division, and the outline level that tables of contents and
  // the navigation read.
  static const char *const k[] = {"pStyle",     "numPr",          "framePr",  "sectPr",
                                  "rPr",        "pPrChange",      "cnfStyle", "divId",
                                  "outlineLvl", "suppressOverlap"};
  return l.empty() || IndexIn(k, l) < static_cast<int>(std::size(k));
}

std::string NewStyleId(const std::string &name, std::set<std::string> &taken) {
  std::string id;
  for (char c : name)
    if (std::isalnum(static_cast<unsigned char>(c))) id += c;
  if (id.empty()) id = "Style";
  std::string base = id;
  for (int n = 1; taken.count(id); ++n) id = base + std::to_string(n);
  taken.insert(id);
  return id;
}

int PPrOrder(std::string_view l) {
  static const char *const k[] = {"pStyle",
                                  "keepNext",
                                  "keepLines",
                                  "pageBreakBefore",
                                  "framePr",
                                  "widowControl",
                                  "numPr",
                                  "suppressLineNumbers",
                                  "pBdr",
                                  "shd",
                                  "tabs",
                                  "suppressAutoHyphens",
                                  "kinsoku",
                                  "wordWrap",
                                  "overflowPunct",
                                  "topLinePunct",
                                  "autoSpaceDE",
                                  "autoSpaceDN",
                                  "bidi",
                                  "adjustRightInd",
                                  "snapToGrid",
                                  "spacing",
                                  "ind",
                                  "contextualSpacing",
                                  "mirrorIndents",
                                  "suppressOverlap",
                                  "jc",
                                  "textDirection",
                                  "textAlignment",
                                  "textboxTightWrap",
                                  "outlineLvl",
                                  "divId",
                                  "cnfStyle",
                                  "rPr",
                                  "sectPr",
                                  "pPrChange"};
  return IndexIn(k, l);
}

int RPrOrder(std::string_view l) {
  static const char *const k[] = {"ins",
                                  "del",
                                  "moveFrom",
                                  "moveTo",
                                  "rStyle",
                                  "rFonts",
                                  "b",
                                  "bCs",
                                  "i",
                                  "iCs",
                                  "caps",
                                  "smallCaps",
                                  "strike",
                                  "dstrike",
                                  "outline",
                                  "shadow",
                                  "emboss",
                                  "imprint",
                                  "noProof",
                                  "snapToGrid",
                                  "vanish",
                                  "webHidden",
                                  "color",
                                  "spacing",
                                  "w",
                                  "kern",
                                  "position",
                                  "sz",
                                  "szCs",
                                  "highlight",
                                  "u",
                                  "effect",
                                  "bdr",
                                  "shd",
                                  "fitText",
                                  "vertAlign",
                                  "rtl",
                                  "cs",
                                  "em",
                                  "lang",
                                  "eastAsianLayout",
                                  "specVanish",
                                  "oMath",
                                  "rPrChange"};
  return IndexIn(k, l);
}

int StyleOrder(std::string_view l) {
  static const char *const k[] = {"name",          "aliases",
                                  "basedOn",       "next",
                                  "link",          "autoRedefine",
                                  "hidden",        "uiPriority",
                                  "semiHidden",    "unhideWhenUsed",
                                  "qFormat",       "locked",
                                  "personal",      "personalCompose",
                                  "personalReply", "rsid",
                                  "pPr",           "rPr",
                                  "tblPr",         "trPr",
                                  "tcPr",          "tblStylePr"};
  return IndexIn(k, l);
}

pugi::xml_node InsertOrdered(pugi::xml_node parent, pugi::xml_node child, const Names &ns,
                             int (*order)(std::string_view)) {
  int want = order(ns.Local(child));
  for (pugi::xml_node c : parent.children())
    if (c.type() == pugi::node_element && order(ns.Local(c)) > want)
      return parent.insert_copy_before(child, c);
  return parent.append_copy(child);
}

pugi::xml_node Ensure(pugi::xml_node parent, std::string_view local, const Names &ns,
                      int (*order)(std::string_view)) {
  if (pugi::xml_node c = ns.Child(parent, local)) return c;
  int want = order(local);
  std::string q = ns.W(local);
  for (pugi::xml_node c : parent.children())
    if (c.type() == pugi::node_element && order(ns.Local(c)) > want)
      return parent.insert_child_before(q.c_str(), c);
  return parent.append_child(q.c_str());
}

}  // namespace qvhost::docx
