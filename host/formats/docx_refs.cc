// WordprocessingML: the references to paragraph styles that fields make, kept pointing at
// styles that exist when styles are deleted or their paragraphs move to another style.
#include <cctype>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

#include "host/formats/docx.h"
#include "host/formats/xml.h"

namespace qvhost::docx {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A word of a field instruction: its place in the instruction and its text (a quoted
// argument without its quotes).
struct Tok {
  size_t b = 0, e = 0;
  std::string text;
};

std::vector<Tok> Tokens(const std::string &s) {
  std::vector<Tok> out;
  for (size_t i = 0; i < s.size();) {
    if (std::isspace(static_cast<unsigned char>(s[i]))) {
      ++i;
      continue;
    }
    Tok t;
    t.b = i;
    if (s[i] == '"') {
      size_t close = s.find('"', i + 1);
      if (close == std::string::npos) close = s.size();
      t.text = s.substr(i + 1, close - i - 1);
      i = std::min(close + 1, s.size());
    } else {
      while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) && s[i] != '"') ++i;
      t.text = s.substr(t.b, i - t.b);
    }
    t.e = i;
    out.push_back(t);
  }
  return out;
}

// A TOC field's \t list: style name, level, style name, level, ...
struct StyleList {
  char sep = ',';
  std::vector<std::pair<std::string, std::string>> entries;
};

StyleList ParseList(const std::string &arg) {
  StyleList l;
  if (arg.find(';') != std::string::npos && arg.find(',') == std::string::npos) l.sep = ';';
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t next; (next = arg.find(l.sep, at)) != std::string::npos; at = next + 1)
    parts.push_back(arg.substr(at, next - at));
  parts.push_back(arg.substr(at));
  for (size_t i = 0; i < parts.size(); i += 2)
    l.entries.emplace_back(parts[i], i + 1 < parts.size() ? parts[i + 1] : "");
  return l;
}

std::string Quoted(const StyleList &l) {
  std::string out = "\"";
  for (size_t i = 0; i < l.entries.size(); ++i) {
    if (i) out += l.sep;
    out += l.entries[i].first;
    if (!l.entries[i].second.empty()) (out += l.sep) += l.entries[i].second;
  }
  return out + "\"";
}

// The built-in heading level a style name stands for ("heading 2" -> 2), 0 for none.
int HeadingLevel(const std::string &name) {
  std::string l = Lower(name);
  if (l.size() != 9 || l.rfind("heading ", 0) != 0 || l[8] < '1' || l[8] > '9') return 0;
  return l[8] - '0';
}

const std::string *Find(const std::map<std::string, std::string> &m, const std::string &name) {
  auto it = m.find(Lower(name));
  return it == m.end() ? nullptr : &it->second;
}

std::string Toc(const std::string &instr, const std::vector<Tok> &toks, const StyleChanges &c) {
  size_t listAt = 0, rangeAt = 0;
  for (size_t i = 1; i + 1 < toks.size(); ++i) {
    if (toks[i].text == "\\t" || toks[i].text == "\\T") listAt = i + 1;
    if (toks[i].text == "\\o" || toks[i].text == "\\O") rangeAt = i + 1;
  }
  StyleList l;
  if (listAt) l = ParseList(toks[listAt].text);
  StyleList out = l;
  out.entries.clear();
  std::set<std::string> listed;  // what `out` lists, in lower case
  auto add = [&](const std::string &name, const std::string &level) {
    if (listed.insert(Lower(name)).second) out.entries.emplace_back(name, level);
  };
  for (const auto &[name, level] : l.entries) {
    std::string now = name;
    if (Find(c.deleted, name)) continue;  // its paragraphs carry a style the list would not want
    if (const std::string *to = Find(c.moved, name)) now = *to;
    add(now, level);
  }
  if (rangeAt) {  // \o "1-3": the built-in headings of those levels
    const std::string &r = toks[rangeAt].text;
    size_t dash = r.find('-');
    int from = std::atoi(r.c_str()),
        to = dash == std::string::npos ? from : std::atoi(&r[dash + 1]);
    for (const auto &[name, dest] : c.moved)
      if (int n = HeadingLevel(name); n && n >= from && n <= to) add(dest, std::to_string(n));
  }
  if (out.entries.size() == l.entries.size() &&
      std::equal(out.entries.begin(), out.entries.end(), l.entries.begin()))
    return instr;
  if (listAt && out.entries.empty()) {  // the switch goes with its list
    size_t end = toks[listAt].e;
    while (end < instr.size() && std::isspace(static_cast<unsigned char>(instr[end]))) ++end;
    return instr.substr(0, toks[listAt - 1].b) + instr.substr(end);
  }
  if (listAt) return instr.substr(0, toks[listAt].b) + Quoted(out) + instr.substr(toks[listAt].e);
  return instr.substr(0, toks[rangeAt].e) + " \\t " + Quoted(out) + instr.substr(toks[rangeAt].e);
}

std::string StyleRef(const std::string &instr, const std::vector<Tok> &toks,
                     const StyleChanges &c) {
  if (toks.size() < 2 || toks[1].text.empty() || toks[1].text[0] == '\\') return instr;
  const std::string *to = Find(c.deleted, toks[1].text);
  if (!to) to = Find(c.moved, toks[1].text);
  if (!to) return instr;
  return instr.substr(0, toks[1].b) + "\"" + *to + "\"" + instr.substr(toks[1].e);
}

struct OpenField {
  std::vector<pugi::xml_node> instr;
  bool inInstr = true;
};

// Every field under `n` in document order, simple ones (w:fldSimple) and complex ones whose
// instruction is split over runs (w:fldChar begin, w:instrText..., separate, end), each given
// to `each` once complete: the simple field's instr attribute, or the complex field's
// instruction pieces.
struct FieldWalk {
  const Names &ns;
  std::function<void(pugi::xml_attribute)> simple;
  std::function<void(std::vector<pugi::xml_node> &)> complex;
  std::vector<OpenField> open;

  void Walk(pugi::xml_node n) {
    for (pugi::xml_node c : n.children()) {
      if (c.type() != pugi::node_element) continue;
      std::string_view l = ns.Local(c);
      if (l == "fldChar") {
        std::string_view t = ns.Attr(c, "fldCharType");
        if (t == "begin") open.push_back({});
        if (t == "separate" && !open.empty()) open.back().inInstr = false;
        if (t == "end" && !open.empty()) {
          complex(open.back().instr);
          open.pop_back();
        }
      } else if (l == "instrText") {
        if (!open.empty() && open.back().inInstr) open.back().instr.push_back(c);
      } else {
        if (l == "fldSimple") simple(c.attribute(ns.W("instr").c_str()));
        Walk(c);
      }
    }
  }
};

std::string Joined(const std::vector<pugi::xml_node> &pieces) {
  std::string instr;
  for (pugi::xml_node n : pieces) instr += n.text().get();
  return instr;
}

std::string Trimmed(const std::string &s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

std::string Instruction(const std::string &instr, const StyleChanges &c) {
  std::vector<Tok> toks = Tokens(instr);
  if (toks.empty()) return instr;
  std::string code = Lower(toks[0].text);
  if (code == "toc") return Toc(instr, toks, c);
  if (code == "styleref") return StyleRef(instr, toks, c);
  return instr;
}

bool RewriteFields(pugi::xml_node root, const Names &ns, const StyleChanges &c) {
  if (c.deleted.empty() && c.moved.empty()) return false;
  bool changed = false;
  FieldWalk w{ns,
              [&](pugi::xml_attribute a) {
                std::string now = Instruction(a.value(), c);
                if (a && now != a.value()) {
                  a.set_value(now.c_str());
                  changed = true;
                }
              },
              [&](std::vector<pugi::xml_node> &pieces) {
                std::string instr = Joined(pieces);
                std::string now = Instruction(instr, c);
                if (now == instr || pieces.empty()) return;
                changed = true;
                // Read text is not edited in place: each instruction piece is replaced by a
                // new element, the first holding the whole instruction.
                for (size_t i = 0; i < pieces.size(); ++i) {
                  pugi::xml_node old = pieces[i];
                  pugi::xml_node n = old.parent().insert_child_before(old.name(), old);
                  n.append_attribute("xml:space") = "preserve";
                  n.text().set(i == 0 ? now.c_str() : "");
                  old.parent().remove_child(old);
                }
              },
              {}};
  w.Walk(root);
  return changed;
}

std::vector<FieldStyle> FieldStyles(const std::string &instr) {
  std::vector<Tok> toks = Tokens(instr);
  std::vector<FieldStyle> out;
  std::string code = toks.empty() ? std::string() : Lower(toks[0].text);
  if (code == "styleref" && toks.size() > 1 && !toks[1].text.empty() && toks[1].text[0] != '\\')
    out.push_back({Trimmed(toks[1].text), false});
  if (code == "toc")
    for (size_t i = 1; i + 1 < toks.size(); ++i)
      if (toks[i].text == "\\t" || toks[i].text == "\\T")
        for (const auto &e : ParseList(toks[i + 1].text).entries)
          if (!Trimmed(e.first).empty()) out.push_back({Trimmed(e.first), true});
  return out;
}

void ForEachFieldStyle(pugi::xml_node root, const Names &ns,
                       const std::function<void(const FieldStyle &)> &each) {
  auto all = [&](const std::string &instr) {
    for (const FieldStyle &f : FieldStyles(instr)) each(f);
  };
  FieldWalk w{ns,
              [&](pugi::xml_attribute a) { all(a.value()); },
              [&](std::vector<pugi::xml_node> &pieces) { all(Joined(pieces)); },
              {}};
  w.Walk(root);
}

void StyleChanges::Delete(const std::string &wname, const std::string &heir) {
  deleted[Lower(wname)] = heir;
}

void StyleChanges::Move(const std::string &wname, const std::string &to) {
  moved[Lower(wname)] = to;
}

}  // namespace qvhost::docx
