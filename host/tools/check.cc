// quorvex-host check: a gate for scripts and CI. Reports paragraphs carrying styles that are
// not on a keep list, paragraphs with overrides, and styles defined but not on the list, as
// text, one JSON document (doc/check-schema.json) or SARIF 2.1.0. doc/check.md describes it.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/files.h"
#include "host/formats/format.h"
#include "host/tools/places.h"
#include "host/tools/tools.h"

namespace qvhost::tools {

namespace {

using nlohmann::json;

constexpr const char *kKeepMarker = "Tags to Keep";
constexpr size_t kMaxListBytes = 16 << 20;
constexpr const char *kSarifSchema =
    "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/sarif-schema-2.1.0.json";

struct Rule {
  const char *id, *name, *level, *summary, *help;
};
// The finding kinds, in the order SARIF lists its rules.
constexpr Rule kRules[] = {
    {"unlisted-style", "UnlistedStyle", "error",
     "A paragraph carries a style that is not on the keep list.",
     "Retag the paragraph with a listed style, add the style to the list, or delete the styles "
     "not on the list (RemoveNonlistParagraphs) so that their paragraphs take a parent style."},
    {"override", "Override", "error", "A paragraph has formatting of its own over its style.",
     "Remove the paragraph's own formatting (RemoveOverrides) or make it a style."},
    {"unlisted-definition", "UnlistedDefinition", "warning",
     "A style is defined but not on the keep list.",
     "Delete the styles not on the list (RemoveNonlistParagraphs) or add the style to the list."},
};
enum RuleIx { kUnlisted = 0, kOverride = 1, kDefinition = 2 };

struct Finding {
  RuleIx rule;
  std::string file, story, style, text;
  int paragraph = 0;  // 0: a style definition, not a paragraph
};

struct Options {
  std::string doc, keep, format = "text";
  std::vector<std::string> books;
  bool noOverrides = false;
};

void Usage() {
  std::fprintf(stderr,
               "usage: quorvex-host check (--doc FILE | --book FILE|DIR...) [--keep LIST] "
               "[--no-overrides] [--format text|json|sarif]\n");
}

bool Parse(int argc, char **argv, Options &o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool bad = false;
    if (TargetOption(argc, argv, i, o.doc, o.books, bad)) {
      if (bad) return false;
    } else if (a == "--no-overrides") {
      o.noOverrides = true;
    } else if (a == "--keep" || a == "--format") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "quorvex-host: %s needs a value\n", a.c_str());
        return false;
      }
      (a == "--keep" ? o.keep : o.format) = argv[++i];
    } else {
      std::fprintf(stderr, "quorvex-host: unknown option %s\n", a.c_str());
      return false;
    }
  }
  if (o.doc.empty() == o.books.empty()) {
    std::fprintf(stderr, "quorvex-host: check needs one of --doc and --book\n");
    return false;
  }
  if (o.keep.empty() && !o.noOverrides) {
    std::fprintf(stderr, "quorvex-host: check needs --keep LIST, --no-overrides or both\n");
    return false;
  }
  if (o.format != "text" && o.format != "json" && o.format != "sarif") {
    std::fprintf(stderr, "quorvex-host: --format takes text, json or sarif\n");
    return false;
  }
  return true;
}

// Names are matched as RemoveNonlistParagraphs matches them: in any case.
std::string Folded(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string FirstCellText(const Model &m, const Row &row) {
  const Cell *c = m.As<Cell>(row.cells.first, Kind::Cell);
  const Pgf *p = c ? m.PgfOf(c->pgfs.first) : nullptr;
  return p ? p->text : "";
}

// The names of a tag list document: the first cell of every row after the heading row of its
// first table whose first cell begins "Tags to Keep".
bool NamesFromDocument(const std::string &path, std::set<std::string> &names, std::string &err) {
  Model m;
  Handle h = LoadFile(m, path, err);
  if (!h) return false;
  const Doc *d = m.DocOf(h);
  if (!d) return err = path + " is a book, not a tag list", false;
  for (Handle t : m.Chained(d->tables)) {
    std::vector<Handle> rows = m.Chained(m.As<Table>(t, Kind::Table)->rows);
    if (rows.empty() || FirstCellText(m, *m.As<Row>(rows[0], Kind::Row)).rfind(kKeepMarker, 0))
      continue;
    for (size_t i = 1; i < rows.size(); ++i)
      if (std::string n = FirstCellText(m, *m.As<Row>(rows[i], Kind::Row)); !n.empty())
        names.insert(Folded(n));
    return true;
  }
  return err = path + " has no table whose first cell begins \"" + kKeepMarker + "\"", false;
}

// A text file: one name a line; blank lines and lines starting with # are not names.
bool NamesFromText(const std::string &path, const std::string &why, std::set<std::string> &names,
                   std::string &err) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(kMaxListBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  if (bytes.size() > kMaxListBytes || bytes.find('\0') != std::string::npos)
    return err = why + " (and not a text file of style names)", false;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    std::string line = bytes.substr(start, end == std::string::npos ? end : end - start);
    start = end == std::string::npos ? bytes.size() : end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.pop_back();
    size_t lead = line.find_first_not_of(" \t");
    if (lead == std::string::npos || line[lead] == '#') continue;
    names.insert(Folded(line.substr(lead)));
  }
  return true;
}

bool ReadKeepList(const std::string &path, std::set<std::string> &names, std::string &err) {
  std::ifstream probe(path);
  if (!probe) return err = "cannot read " + path, false;
  std::string why;
  bool ok = FormatOfFile(path, why) ? NamesFromDocument(path, names, err)
                                    : NamesFromText(path, why, names, err);
  if (ok && names.empty()) return err = path + " names no style", false;
  return ok;
}

// The findings of one document.
bool CheckDoc(const Model &m, const Doc &d, const Options &o, const std::set<std::string> &keep,
              std::vector<Finding> &out) {
  auto listed = [&](const std::string &s) { return keep.count(Folded(s)) != 0; };
  bool any = false;
  for (Handle h : m.WalkPgfs(d)) {
    const Pgf *p = m.PgfOf(h);
    any |=
        (!o.keep.empty() && !p->tag.empty() && !listed(p->tag)) || (o.noOverrides && p->override_);
  }
  std::string file = Shown(d.path);
  if (any) {  // the file is read again only to place paragraphs in notes and text boxes
    StyleFacts facts;
    std::string err;
    if (!ReadStyleFacts(m, d, facts, err)) {
      std::fprintf(stderr, "quorvex-host: %s: %s\n", file.c_str(), err.c_str());
      return false;
    }
    for (const Place &p : PlacesOf(m, d, facts)) {
      if (!o.keep.empty() && !p.tag.empty() && !listed(p.tag))
        out.push_back({kUnlisted, file, p.story, p.tag, p.snippet, p.number});
      if (o.noOverrides && p.override_)
        out.push_back({kOverride, file, p.story, p.tag, p.snippet, p.number});
    }
  }
  // The style a file cannot do without (its default paragraph style) is never deleted, so it
  // is never worth a warning.
  if (!o.keep.empty())
    for (Handle h : m.Chained(d.fmts))
      if (const PgfFmt *f = m.FmtOf(h); !listed(f->name) && !(d.source && d.source->Needs(h)))
        out.push_back({kDefinition, file, "", f->name, "", 0});
  return true;
}

std::string Message(const Finding &f) {
  switch (f.rule) {
    case kUnlisted:
      return "paragraph style \"" + f.style + "\" is not on the keep list";
    case kOverride:
      return f.style.empty()
                 ? "paragraph has formatting of its own and no style"
                 : "paragraph has formatting of its own over its style \"" + f.style + "\"";
    case kDefinition:
      return "style \"" + f.style + "\" is defined but not on the keep list";
  }
  return "";
}

void PrintText(const std::vector<Finding> &fs, size_t files, size_t errors) {
  for (const Finding &f : fs) {
    std::string where = f.paragraph
                            ? f.file + ": " + f.story + ", paragraph " + std::to_string(f.paragraph)
                            : f.file;
    std::string text = f.paragraph ? ": \"" + f.text + "\"" : "";
    std::printf("%s: %s: %s%s\n", where.c_str(), kRules[f.rule].level, Message(f).c_str(),
                text.c_str());
  }
  std::printf("check: %zu error%s, %zu warning%s in %zu file%s\n", errors, errors == 1 ? "" : "s",
              fs.size() - errors, fs.size() - errors == 1 ? "" : "s", files, files == 1 ? "" : "s");
}

json JsonDoc(const Options &o, const std::vector<std::string> &files,
             const std::vector<Finding> &fs, size_t errors, int exitCode) {
  json list = json::array();
  for (const Finding &f : fs) {
    json j = {{"rule", kRules[f.rule].id},
              {"level", kRules[f.rule].level},
              {"file", f.file},
              {"style", f.style},
              {"message", Message(f)}};
    j["story"] = f.paragraph ? json(f.story) : json(nullptr);
    j["paragraph"] = f.paragraph ? json(f.paragraph) : json(nullptr);
    j["text"] = f.paragraph ? json(f.text) : json(nullptr);
    list.push_back(std::move(j));
  }
  return {{"tool", "quorvex-host check"},
          {"version", 1},
          {"keepList", o.keep.empty() ? json(nullptr) : json(o.keep)},
          {"noOverrides", o.noOverrides},
          {"files", files},
          {"findings", std::move(list)},
          {"errors", errors},
          {"warnings", fs.size() - errors},
          {"exitCode", exitCode}};
}

// A file name as a URI reference: relative names stay relative (to the folder check ran in),
// absolute ones become file: URIs; everything but unreserved characters and / is escaped.
std::string UriOf(const std::string &file) {
  std::string out = file.empty() || file[0] != '/' ? "" : "file://";
  for (unsigned char c : file) {
    if (std::isalnum(c) || std::strchr("-._~/", c)) {
      out += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

json Sarif(const std::vector<Finding> &fs) {
  json rules = json::array();
  for (const Rule &r : kRules)
    rules.push_back({{"id", r.id},
                     {"name", r.name},
                     {"shortDescription", {{"text", r.summary}}},
                     {"help", {{"text", r.help}}},
                     {"defaultConfiguration", {{"level", r.level}}}});
  json results = json::array();
  for (const Finding &f : fs) {
    json artifact = {{"uri", UriOf(f.file)}};
    if (f.file.empty() || f.file[0] != '/') artifact["uriBaseId"] = "%SRCROOT%";
    json logical =
        f.paragraph
            ? json{{"name", "paragraph " + std::to_string(f.paragraph)},
                   {"fullyQualifiedName", f.story + "/paragraph " + std::to_string(f.paragraph)},
                   {"kind", "element"}}
            : json{
                  {"name", f.style}, {"fullyQualifiedName", "styles/" + f.style}, {"kind", "type"}};
    std::string text =
        Message(f) + (f.paragraph ? " (" + f.story + ", paragraph " + std::to_string(f.paragraph) +
                                        ": \"" + f.text + "\")"
                                  : "");
    json props = {{"style", f.style}};
    if (f.paragraph) props["text"] = f.text;
    results.push_back({{"ruleId", kRules[f.rule].id},
                       {"ruleIndex", static_cast<int>(f.rule)},
                       {"level", kRules[f.rule].level},
                       {"message", {{"text", text}}},
                       {"locations",
                        {{{"physicalLocation", {{"artifactLocation", artifact}}},
                          {"logicalLocations", {logical}}}}},
                       {"properties", props}});
  }
  json driver = {{"name", "quorvex-host"}, {"rules", rules}};
  return {{"$schema", kSarifSchema},
          {"version", "2.1.0"},
          {"runs", {{{"tool", {{"driver", driver}}}, {"results", results}}}}};
}

}  // namespace

int CheckMain(int argc, char **argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    Usage();
    return kError;
  }
  std::set<std::string> keep;
  std::string err;
  if (!o.keep.empty() && !ReadKeepList(o.keep, keep, err)) {
    std::fprintf(stderr, "quorvex-host: bad keep list: %s\n", err.c_str());
    return kError;
  }
  Model &m = TheModel();
  m.Reset();
  std::vector<Finding> findings;
  std::vector<std::string> files;
  int status = ForEachDocument(m, o.doc, o.books, [&](const Doc &d) {
    files.push_back(Shown(d.path));
    return CheckDoc(m, d, o, keep, findings);
  });
  if (status != kClean) return status;
  size_t errors = 0;
  for (const Finding &f : findings) errors += kRules[f.rule].level[0] == 'e';
  int code = errors ? kFindings : kClean;
  if (o.format == "text") {
    PrintText(findings, files.size(), errors);
  } else {
    json j = o.format == "json" ? JsonDoc(o, files, findings, errors, code) : Sarif(findings);
    std::string out = j.dump(2, ' ', false, json::error_handler_t::replace);
    std::printf("%s\n", out.c_str());
  }
  return code;
}

}  // namespace qvhost::tools
