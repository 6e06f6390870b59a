// quorvex-host explain: where each of the named paragraph styles is carried and what names it.
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/files.h"
#include "host/tools/places.h"
#include "host/tools/tools.h"
#include "quorvex/fcodes.h"

namespace qvhost::tools {

namespace {

struct Options {
  std::string doc;
  std::vector<std::string> books;
  std::vector<std::string> styles;
};

void Usage() {
  std::fprintf(stderr, "usage: quorvex-host explain (--doc FILE | --book FILE|DIR...) STYLE...\n");
}

bool Parse(int argc, char **argv, Options &o) {
  for (int i = 1; i < argc; ++i) {
    bool bad = false;
    if (TargetOption(argc, argv, i, o.doc, o.books, bad)) {
      if (bad) return false;
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      std::fprintf(stderr, "quorvex-host: unknown option %s\n", argv[i]);
      return false;
    } else {
      o.styles.push_back(argv[i]);
    }
  }
  if (o.doc.empty() == o.books.empty() || o.styles.empty()) {
    std::fprintf(stderr, "quorvex-host: explain needs one of --doc and --book, and a style\n");
    return false;
  }
  return true;
}

std::string Lower(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Quoted(const std::string &s) {
  return "\"" + s + "\"";
}

// What one style is in all the documents.
struct Report {
  bool exact = false;
  bool carried = false;
  std::vector<std::string> places, names, deletion;
};

// What names `style` in one document outside paragraphs, and what deleting it would do.
void Names(const Model &m, const Doc &d, const StyleFacts &facts, const std::string &style,
           const std::string &file, bool carried, Report &r) {
  std::vector<std::string> change;
  auto parent = facts.parent.find(style);
  std::string onto =
      parent == facts.parent.end() ? "no parent (a style of its own)" : Quoted(parent->second);
  for (const auto &[child, of] : facts.parent) {
    if (of != style) continue;
    r.names.push_back(file + ": " + Quoted(child) + " is based on it");
    change.push_back("rebase " + Quoted(child) + " onto " + onto);
  }
  for (Handle h : m.Chained(d.fmts)) {
    const PgfFmt *f = m.FmtOf(h);
    if (f->name == style || m.FmtChar(*f, PROP_UseNextTag).i != 1 ||
        m.FmtChar(*f, PROP_NextTag).s != style)
      continue;
    r.names.push_back(file + ": next style of " + Quoted(f->name));
    change.push_back("drop the next-style link of " + Quoted(f->name));
  }
  for (const StyleRef &ref : facts.refs) {
    if (ref.style != style) continue;
    r.names.push_back(file + ": " + ref.by);
    std::string follow = parent == facts.parent.end()
                             ? "drop the " + ref.by + " (the default paragraph style applies)"
                             : "make the " + ref.by + " name " + onto;
    change.push_back(ref.dropped   ? "drop " + ref.by
                     : ref.follows ? follow
                                   : "leave " + ref.by + " naming a style that is gone");
  }
  if (carried || !m.FindFormat(d, style)) return;
  std::string what = file + ": defined, no paragraph carries it; deleting it would";
  if (change.empty()) {
    r.deletion.push_back(what + " change nothing else");
    return;
  }
  r.deletion.push_back(what + ":");
  for (const std::string &c : change) r.deletion.push_back("  - " + c);
}

// Every name the document knows: its catalogue and the tags its paragraphs carry.
std::vector<std::string> KnownNames(const Model &m, const Doc &d, const std::vector<Place> &ps) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (Handle h : m.Chained(d.fmts))
    if (seen.insert(m.FmtOf(h)->name).second) out.push_back(m.FmtOf(h)->name);
  for (const Place &p : ps)
    if (!p.tag.empty() && seen.insert(p.tag).second) out.push_back(p.tag);
  return out;
}

void Print(const std::string &query, const std::map<std::string, Report> &found) {
  bool exact = false;
  for (const auto &[name, r] : found) exact |= r.exact;
  for (const auto &[name, r] : found) {
    if (exact && !r.exact) continue;
    std::printf("style %s%s\n", Quoted(name).c_str(),
                name == query ? "" : (" (matched ignoring case: " + Quoted(query) + ")").c_str());
    for (const std::string &l : r.places) std::printf("  %s\n", l.c_str());
    if (!r.carried) std::printf("  no paragraph carries it\n");
    if (!r.names.empty()) std::printf("  named outside paragraphs:\n");
    for (const std::string &l : r.names) std::printf("    %s\n", l.c_str());
    for (const std::string &l : r.deletion) std::printf("  %s\n", l.c_str());
  }
}

}  // namespace

int ExplainMain(int argc, char **argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    Usage();
    return kError;
  }
  std::vector<std::map<std::string, Report>> found(o.styles.size());
  Model &m = TheModel();
  m.Reset();
  int status = ForEachDocument(m, o.doc, o.books, [&](const Doc &d) {
    StyleFacts facts;
    std::string err, file = Shown(d.path);
    if (!ReadStyleFacts(m, d, facts, err)) {
      std::fprintf(stderr, "quorvex-host: %s: %s\n", file.c_str(), err.c_str());
      return false;
    }
    std::vector<Place> places = PlacesOf(m, d, facts);
    std::vector<std::string> known = KnownNames(m, d, places);
    for (size_t q = 0; q < o.styles.size(); ++q) {
      for (const std::string &name : known) {
        bool exact = name == o.styles[q];
        if (!exact && Lower(name) != Lower(o.styles[q])) continue;
        Report &r = found[q][name];
        r.exact = exact;
        bool carried = false;
        for (const Place &p : places) {
          if (p.tag != name) continue;
          carried = true;
          r.places.push_back(file + ": " + p.story + ", paragraph " + std::to_string(p.number) +
                             ": " + Quoted(p.snippet));
        }
        r.carried |= carried;
        Names(m, d, facts, name, file, carried, r);
      }
    }
    return true;
  });
  if (status != kClean) return status;
  for (size_t q = 0; q < o.styles.size(); ++q) {
    if (found[q].empty()) {
      std::printf("style %s: no document defines or carries it\n", Quoted(o.styles[q]).c_str());
      status = kFindings;
      continue;
    }
    Print(o.styles[q], found[q]);
  }
  return status;
}

}  // namespace qvhost::tools
