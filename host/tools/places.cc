// Places of paragraphs and the documents of --doc or --book, for the host's tools.
#include "host/tools/places.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "host/cli.h"

namespace qvhost::tools {

namespace {

namespace fs = std::filesystem;

// The story a flow holds, by the name the formats give it.
std::string FlowStory(const std::string &flow, int &boxes) {
  if (flow == "A") return "body";
  if (flow.empty()) return "text box " + std::to_string(++boxes);
  static const struct {
    const char *suffix, *what;
  } kRegions[] = {{" First Header", "first-page header"},
                  {" First Footer", "first-page footer"},
                  {" Left Header", "left-page header"},
                  {" Left Footer", "left-page footer"},
                  {" Header", "header"},
                  {" Footer", "footer"}};
  for (const auto &r : kRegions) {
    size_t n = std::strlen(r.suffix);
    if (flow.size() > n && flow.compare(flow.size() - n, n, r.suffix) == 0)
      return std::string(r.what) + " of page style \"" + flow.substr(0, flow.size() - n) + "\"";
  }
  for (const char *part : {"header", "footer"})
    if (flow.rfind(part, 0) == 0) return std::string(part) + " (" + flow + ".xml)";
  std::string lower = flow;
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

std::string Snippet(const std::string &text, size_t max) {
  std::string out;
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80 && chars++ == max) break;
    out += c == '\n' || c == '\t' || c == '\r' ? ' ' : static_cast<char>(c);
  }
  return out;
}

std::vector<Place> PlacesOf(const Model &m, const Doc &d, const StyleFacts &facts) {
  std::map<Handle, std::string> storyOf;  // frame, cell or table -> story
  int boxes = 0;
  for (Handle f : m.Chained(d.flows)) {
    const Flow *fl = m.As<Flow>(f, Kind::Flow);
    std::string story = FlowStory(fl->tag, boxes);
    for (Handle fr : m.Chained(fl->frames)) storyOf[fr] = story;
  }
  int tables = 0;
  for (Handle t : m.Chained(d.tables)) {
    const Table *tbl = m.As<Table>(t, Kind::Table);
    std::string name = "table " + std::to_string(++tables);
    storyOf[t] = name + " title";
    int r = 0;
    for (Handle row : m.Chained(tbl->rows)) {
      ++r;
      int c = 0;
      for (Handle cell : m.Chained(m.As<Row>(row, Kind::Row)->cells))
        storyOf[cell] = name + ", row " + std::to_string(r) + ", cell " + std::to_string(++c);
    }
  }
  std::vector<Place> out;
  std::map<std::string, int> count;
  for (Handle h : m.WalkPgfs(d)) {
    const Pgf *p = m.PgfOf(h);
    Place pl;
    pl.pgf = h;
    pl.story = storyOf[p->parent];
    // A note, comment or text box the file places the paragraph in names the story; a table
    // cell inside one keeps it as a prefix.
    if (auto it = facts.within.find(h); it != facts.within.end())
      pl.story = p->home == PgfHome::Frame ? it->second : it->second + ", " + pl.story;
    pl.number = ++count[pl.story];
    pl.tag = p->tag;
    pl.snippet = Snippet(p->text);
    pl.override_ = p->override_;
    out.push_back(std::move(pl));
  }
  return out;
}

std::string Shown(const std::string &path) {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  if (ec) return path;
  fs::path rel = fs::path(path).lexically_relative(cwd);
  if (rel.empty() || *rel.begin() == "..") return path;
  return rel.string();
}

int ForEachDocument(Model &m, const std::string &doc, const std::vector<std::string> &books,
                    const std::function<bool(const Doc &)> &each) {
  if (!OpenTarget(m, doc, books)) return kError;
  if (const Doc *d = m.DocOf(m.activeDoc)) return each(*d) ? kClean : kError;
  const Book *b = m.BookOf(m.activeBook);
  std::vector<std::string> files;
  for (Handle c : m.Chained(b->comps)) files.push_back(m.As<Component>(c, Kind::Component)->path);
  for (const std::string &file : files) {
    Handle h = 0;
    if (m.Open(file, false, h) != kOk) {
      std::fprintf(stderr, "quorvex-host: cannot open %s\n", m.lastError.c_str());
      return kError;
    }
    const Doc *d = m.DocOf(h);
    if (!d) {
      std::fprintf(stderr, "quorvex-host: %s is not a document\n", file.c_str());
      return kError;
    }
    bool ok = each(*d);
    m.Close(h, 1);
    if (!ok) return kError;
  }
  return kClean;
}

bool TargetOption(int argc, char **argv, int &i, std::string &doc, std::vector<std::string> &books,
                  bool &bad) {
  std::string a = argv[i];
  if (a != "--doc" && a != "--book") return false;
  if (i + 1 >= argc) {
    std::fprintf(stderr, "quorvex-host: %s needs a value\n", a.c_str());
    bad = true;
    return true;
  }
  if (a == "--doc")
    doc = argv[++i];
  else
    books.push_back(argv[++i]);
  return true;
}

}  // namespace qvhost::tools
