// Plain-text and HTML views of documents, and the menu tree.
#include "host/model/render.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qvhost {

namespace {

std::string CellText(const Model &m, const Cell &c) {
  std::string s;
  for (Handle p : m.Chained(c.pgfs)) {
    if (!s.empty()) s += " / ";
    s += m.PgfOf(p)->text;
  }
  return s;
}

std::string Escape(const std::string &s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::vector<Block> DocBlocks(const Model &m, const Doc &d, bool dropTrailingEmpty) {
  std::vector<Block> out;
  // The tables anchored in each paragraph, in the document's order of tables.
  std::unordered_map<Handle, std::vector<Handle>> anchored;
  for (Handle t : m.Chained(d.tables)) anchored[m.As<Table>(t, Kind::Table)->anchor].push_back(t);
  std::unordered_set<Handle> placed;
  for (Handle f : m.Chained(d.flows))
    for (Handle fr : m.Chained(m.As<Flow>(f, Kind::Flow)->frames)) {
      const Frame *frame = m.As<Frame>(fr, Kind::Frame);
      const Page *page = m.As<Page>(frame->page, Kind::Page);
      if (page && page->list != PageList::Body) continue;  // headers and footers
      for (Handle p : m.Chained(frame->pgfs)) {
        out.push_back({m.PgfOf(p), nullptr});
        auto it = anchored.find(p);
        for (Handle t : it == anchored.end() ? std::vector<Handle>() : it->second) {
          out.push_back({nullptr, m.As<Table>(t, Kind::Table)});
          placed.insert(t);
        }
      }
    }
  for (Handle t : m.Chained(d.tables))
    if (!placed.count(t)) out.push_back({nullptr, m.As<Table>(t, Kind::Table)});
  // The empty paragraph a line-by-line writer leaves at the end is not content.
  if (dropTrailingEmpty && !out.empty() && out.back().pgf && out.back().pgf->text.empty() &&
      !anchored.count(out.back().pgf->h))
    out.pop_back();
  return out;
}

std::string DocText(const Model &m, const Doc &d) {
  std::string out;
  for (const Block &b : DocBlocks(m, d)) {
    if (b.pgf) {
      std::string tag = b.pgf->tag.empty() ? "-" : b.pgf->tag;
      tag.resize(std::max<size_t>(tag.size(), 10), ' ');
      out += tag + "| " + b.pgf->text + "\n";
      continue;
    }
    for (Handle p : m.Chained(b.table->title)) out += "  [title] " + m.PgfOf(p)->text + "\n";
    for (Handle r : m.Chained(b.table->rows)) {
      out += "  |";
      for (Handle c : m.Chained(m.As<Row>(r, Kind::Row)->cells))
        out.append(" ").append(CellText(m, *m.As<Cell>(c, Kind::Cell))).append(" |");
      out += "\n";
    }
  }
  return out;
}

std::string DocHtml(const Model &m, const Doc &d, const std::string &title) {
  std::string out = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                    Escape(title) + "</title>\n</head>\n<body>\n";
  for (const Block &b : DocBlocks(m, d)) {
    if (b.pgf) {
      const std::string &tag = b.pgf->tag;
      std::string el = tag == "Heading1" ? "h1" : tag == "Heading2" ? "h2" : "p";
      std::string attr = el == "p" && tag != "Body" ? " class=\"" + Escape(tag) + "\"" : "";
      out += "<" + el + attr + ">" + Escape(b.pgf->text) + "</" + el + ">\n";
      continue;
    }
    out += "<table>\n";
    for (Handle p : m.Chained(b.table->title))
      out += "<caption>" + Escape(m.PgfOf(p)->text) + "</caption>\n";
    for (Handle r : m.Chained(b.table->rows)) {
      out += "<tr>";
      for (Handle c : m.Chained(m.As<Row>(r, Kind::Row)->cells))
        out += "<td>" + Escape(CellText(m, *m.As<Cell>(c, Kind::Cell))) + "</td>";
      out += "</tr>\n";
    }
    out += "</table>\n";
  }
  return out + "</body>\n</html>\n";
}

std::string MenuTree(const Model &m, Handle menu, int depth) {
  const Menu *mm = m.As<Menu>(menu, Kind::Menu);
  if (!mm || depth > 16) return "";
  std::string out;
  for (Handle h : mm->items) {
    const Obj *o = m.Find(h);
    if (!o) continue;
    const MenuItem &it = static_cast<const MenuItem &>(*o);
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    if (o->kind == Kind::Separator) {
      out += line + "----  (" + it.name + ")\n";
      continue;
    }
    line += (o->kind == Kind::Menu ? "menu " : "") + ("\"" + it.label + "\"") + "  (" + it.name;
    if (o->kind == Kind::Command) {
      const Command &c = static_cast<const Command &>(*o);
      line += ", command " + std::to_string(c.number);
      if (!c.shortcut.empty()) line += ", shortcut " + c.shortcut;
    }
    out += line + ")\n";
    if (o->kind == Kind::Menu) out += MenuTree(m, h, depth + 1);
  }
  return out;
}

}  // namespace qvhost
