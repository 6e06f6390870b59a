#include "host/merges.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>

#include "quorvex/fcodes.h"

namespace qvhost {

namespace {

std::string Folded(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool EndsWith(const std::string &s, const std::string &tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Import prefixes: LibreOffice's import of Word files renames a style that clashes with one of
// its own with "WW-".
constexpr const char *kImportPrefixes[] = {"WW-"};

// The name without one import prefix, or empty.
std::string WithoutPrefix(const std::string &n) {
  for (const char *p : kImportPrefixes)
    if (n.size() > std::char_traits<char>::length(p) && n.rfind(p, 0) == 0)
      return n.substr(std::char_traits<char>::length(p));
  return "";
}

// "Preformatted Text.programlisting" -> "Preformatted Text": the class an HTML import adds
// after a dot (lower-case letters, digits and hyphens).
std::string WithoutClass(const std::string &n) {
  size_t dot = n.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == n.size()) return "";
  for (size_t i = dot + 1; i < n.size(); ++i)
    if (!std::islower(static_cast<unsigned char>(n[i])) &&
        !std::isdigit(static_cast<unsigned char>(n[i])) && n[i] != '-')
      return "";
  return n.substr(0, dot);
}

// "Heading 1 Char", "Body Text Char1", "Heading 1 Char Char" -> without the " Char" words.
std::string WithoutChar(const std::string &n) {
  std::string s = n;
  for (;;) {
    size_t end = s.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(s[end - 1]))) --end;
    std::string head = s.substr(0, end);
    if (!EndsWith(head, " Char")) break;
    s = head.substr(0, head.size() - 5);
  }
  return s == n ? "" : s;
}

// "Normal1", "Body Text 2" -> "Normal", "Body Text"; `spaced` tells whether a space came before
// the number.
std::string WithoutNumber(const std::string &n, bool *spaced = nullptr) {
  size_t end = n.size();
  while (end > 0 && std::isdigit(static_cast<unsigned char>(n[end - 1]))) --end;
  if (end == n.size() || end == 0) return "";
  bool space = n[end - 1] == ' ';
  if (spaced) *spaced = space;
  end -= space;
  return end ? n.substr(0, end) : "";
}

// Names followed by a space and a number in two or more formats of the catalogue ("Heading" of
// "Heading 1" and "Heading 2", "List Bullet" of "List Bullet 2" and "List Bullet 3", folded):
// such numbers are levels of a series, not the marks of copies.
std::set<std::string> SeriesNames(const std::vector<const PgfFmt *> &fmts) {
  std::map<std::string, int> count;
  for (const PgfFmt *f : fmts) {
    bool spaced = false;
    std::string stem = WithoutNumber(f->name, &spaced);
    if (!stem.empty() && spaced) ++count[Folded(stem)];
  }
  std::set<std::string> series;
  for (const auto &[stem, n] : count)
    if (n > 1) series.insert(stem);
  return series;
}

// A number a copy was given: appended to the name, or after a space when the name does not
// belong to a series.
std::string WithoutCopyNumber(const std::string &n, const std::set<std::string> &series) {
  bool spaced = false;
  std::string stem = WithoutNumber(n, &spaced);
  return spaced && series.count(Folded(stem)) ? "" : stem;
}

// The names a clone called `n` may have been made from, the least changed first: each rule
// applied alone, then on what the earlier rules left.
std::vector<std::string> Stems(const std::string &n, const std::set<std::string> &series) {
  std::vector<std::string> stems{n};
  auto number = [&](const std::string &s) { return WithoutCopyNumber(s, series); };
  for (std::function<std::string(const std::string &)> rule :
       {std::function(WithoutPrefix), std::function(WithoutClass), std::function(WithoutChar),
        std::function<std::string(const std::string &)>(number)}) {
    size_t known = stems.size();
    for (size_t i = 0; i < known; ++i)
      if (std::string s = rule(stems[i]); !s.empty()) stems.push_back(s);
  }
  return stems;
}

// The same computed characteristics: every characteristic of the model equal, colours by name,
// a next tag that names the format itself equal to one that names the other itself.
bool SameCharacteristics(const Model &m, const PgfFmt &a, const PgfFmt &b) {
  for (const CharDef &def : CharDefs()) {
    Value x = m.FmtChar(a, def.code), y = m.FmtChar(b, def.code);
    if (def.code == PROP_Color) {
      const Color *cx = m.As<Color>(static_cast<Handle>(x.i), Kind::Color);
      const Color *cy = m.As<Color>(static_cast<Handle>(y.i), Kind::Color);
      if ((cx ? cx->name : "") != (cy ? cy->name : "")) return false;
      continue;
    }
    if (def.code == PROP_NextTag && x.s == a.name && y.s == b.name) continue;
    if (!(x == y)) return false;
  }
  return true;
}

using Uses = std::unordered_map<std::string, size_t>;

// The target each format of one document proposes: for each of its stems in turn, the formats
// named so in any case (the most used first, then in catalogue order) that are not the format
// itself and have its characteristics. Formats that differ only in case merge into the most used
// spelling.
std::map<std::string, std::string> Proposals(const Model &m, const Doc &d, const Uses &uses) {
  std::vector<const PgfFmt *> fmts;
  std::unordered_map<std::string, std::vector<const PgfFmt *>> byFolded;
  for (Handle h : m.Chained(d.fmts)) {
    fmts.push_back(m.FmtOf(h));
    byFolded[Folded(fmts.back()->name)].push_back(fmts.back());
  }
  auto used = [&](const PgfFmt *f) {
    auto it = uses.find(f->name);
    return it == uses.end() ? size_t{0} : it->second;
  };
  for (auto &[key, group] : byFolded)
    std::stable_sort(group.begin(), group.end(),
                     [&](const PgfFmt *a, const PgfFmt *b) { return used(a) > used(b); });
  std::set<std::string> series = SeriesNames(fmts);
  std::map<std::string, std::string> out;
  for (const PgfFmt *f : fmts) {
    for (const std::string &stem : Stems(f->name, series)) {
      auto group = byFolded.find(Folded(stem));
      if (group == byFolded.end()) continue;
      const PgfFmt *original = nullptr;
      for (const PgfFmt *o : group->second) {
        if (o == f) break;  // a spelling used more than the others is an original itself
        if (o->name != f->name && SameCharacteristics(m, *o, *f)) {
          original = o;
          break;
        }
      }
      if (original) {
        out.emplace(f->name, original->name);
        break;
      }
    }
  }
  return out;
}

}  // namespace

std::vector<MergeRow> SuggestMerges(const Model &m, const std::vector<Handle> &docs) {
  Uses uses;
  std::set<std::string> carried, defined;
  for (Handle h : docs) {
    const Doc &d = *m.DocOf(h);
    for (Handle p : m.WalkPgfs(d)) {
      ++uses[m.PgfOf(p)->tag];
      carried.insert(m.PgfOf(p)->tag);
    }
    for (Handle f : m.Chained(d.fmts)) defined.insert(m.FmtOf(f)->name);
  }
  // A name merges into a target when every document defining both proposes it.
  std::vector<std::map<std::string, std::string>> proposed;
  std::map<std::string, std::vector<std::string>> candidates;
  for (Handle h : docs) {
    proposed.push_back(Proposals(m, *m.DocOf(h), uses));
    for (const auto &[name, target] : proposed.back()) {
      auto &c = candidates[name];
      if (std::find(c.begin(), c.end(), target) == c.end()) c.push_back(target);
    }
  }
  std::set<std::pair<std::string, std::string>> vetoed;
  for (size_t i = 0; i < docs.size(); ++i) {
    std::set<std::string> names;
    for (Handle f : m.Chained(m.DocOf(docs[i])->fmts)) names.insert(m.FmtOf(f)->name);
    for (const auto &[name, targets] : candidates) {
      auto p = proposed[i].find(name);
      for (const std::string &t : targets)
        if (names.count(name) && names.count(t) && (p == proposed[i].end() || p->second != t))
          vetoed.insert({name, t});
    }
  }
  std::map<std::string, std::string> target;
  for (const auto &[name, targets] : candidates)
    for (const std::string &t : targets)
      if (!vetoed.count({name, t})) {
        target[name] = t;
        break;
      }
  // A clone of a clone merges into the original at the end of the chain.
  for (auto &[name, t] : target)
    for (size_t steps = 0; target.count(t) && steps < target.size(); ++steps) t = target[t];

  std::vector<MergeRow> rows;
  for (const std::string &n : carried) rows.push_back({n, ""});
  for (const std::string &n : defined)
    if (!carried.count(n)) rows.push_back({n, ""});
  for (MergeRow &r : rows)
    if (auto it = target.find(r.name); it != target.end() && it->second != r.name)
      r.target = it->second;
  return rows;
}

Handle MakeConversionDoc(Model &m, const std::vector<MergeRow> &rows, std::string &err) {
  Handle out = 0;
  if (m.Open(m.clientDir + "/KVOutput.fm", true, out) != kOk &&
      m.CustomDoc({0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000, 0x480000, 0x480000, 0, 1},
                  out) != kOk) {
    err = "cannot make the output document";
    return 0;
  }
  Doc *d = m.DocOf(out);
  Handle tbl = 0;
  if (!d || m.NewTable(out, "Format A", 2, static_cast<int32_t>(rows.size()), 1, 0,
                       d->selection.beg, tbl) != kOk) {
    err = "cannot make the conversion table (" + std::to_string(rows.size()) + " rows)";
    return 0;
  }
  Table *t = m.As<Table>(tbl, Kind::Table);
  t->initSetting = 0;
  constexpr int32_t kColumnWidth = 0x900000;  // 144 pt, as the client sets them
  t->colWidths.assign(2, kColumnWidth);
  std::vector<std::pair<std::string, std::string>> texts{{"Source Tag", "Destination Tag"}};
  for (const MergeRow &r : rows) texts.push_back({r.name, r.target});
  std::vector<Handle> rowHandles = m.Chained(t->rows);
  for (size_t i = 0; i < rowHandles.size() && i < texts.size(); ++i) {
    std::vector<Handle> cells = m.Chained(m.As<Row>(rowHandles[i], Kind::Row)->cells);
    const std::string *cellText[] = {&texts[i].first, &texts[i].second};
    for (size_t c = 0; c < cells.size() && c < 2; ++c) {
      TextLoc at{m.As<Cell>(cells[c], Kind::Cell)->pgfs.first, 0}, end;
      if (!cellText[c]->empty()) m.AddText(out, at, *cellText[c], end);
    }
  }
  return out;
}

}  // namespace qvhost
