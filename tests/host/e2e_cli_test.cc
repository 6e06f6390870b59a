// The host's command line with the real client, on copies of the example book: listings,
// saves only with --save, the HTML page, the menu tree and bad command lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "host/files.h"
#include "tests/host/scratch.h"
#include "tests/host/shell_run.h"
#include "host/formats/format.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

struct Output {
  int status = -1;
  std::string out;
  std::vector<std::string> lines;
};

// The quorvex-host command line with the client and client directory of this build.
std::string HostCommand(const std::string &args) {
  return std::string(QV_HOST_BIN) + " " + args + " --client " + QV_CLIENT_BIN + " --client-dir " +
         QV_EXAMPLES_DIR + "/clientdir";
}

// Runs a shell command; standard output and error together.
Output Shell(const std::string &command) {
  ShellRun run = RunShell(command + " 2>&1");
  Output r;
  r.status = run.status;
  r.out = std::move(run.out);
  std::istringstream in(r.out);
  for (std::string l; std::getline(in, l);) r.lines.push_back(l);
  return r;
}

// Runs quorvex-host with the client and client directory of this build (under `guard`, a
// command that bounds a run that might never end).
Output Host(const std::string &args, const std::string &guard = "") {
  return Shell(guard + HostCommand(args));
}

class HostCli : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qvhost-cli-XXXXXX";
    dir_ = mkdtemp(tmpl);
    fs::copy(fs::path(QV_EXAMPLES_DIR) / "manual", dir_);
    book_ = (dir_ / "manual.book").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Tags used by some paragraph of the book and tags of the catalogues used by none.
  std::pair<std::set<std::string>, std::set<std::string>> Usage() {
    Model m;
    std::set<std::string> used, all;
    for (const char *f : {"intro.fm", "install.fm", "reference.fm"}) {
      std::string err;
      Handle h = LoadFile(m, (dir_ / f).string(), err);
      EXPECT_NE(h, 0u) << err;
      for (Handle p : m.WalkPgfs(*m.DocOf(h))) used.insert(m.PgfOf(p)->tag);
      for (Handle fm : m.Chained(m.DocOf(h)->fmts)) all.insert(m.FmtOf(fm)->name);
    }
    std::set<std::string> unused;
    for (const std::string &t : all)
      if (!used.count(t)) unused.insert(t);
    return {used, unused};
  }

  int Overrides(const char *file) {
    Model m;
    std::string err;
    Handle h = LoadFile(m, (dir_ / file).string(), err);
    int n = 0;
    for (Handle p : m.WalkPgfs(*m.DocOf(h))) n += m.PgfOf(p)->override_;
    return n;
  }

  fs::path dir_;
  std::string book_;
};

TEST_F(HostCli, BookListingShowsProgressAndTheOutputDocumentAsTextAndHtml) {
  std::string html = (dir_ / "out.html").string();
  Output r = Host("run --book " + book_ + " --command ListParagraphUsageBook --html " + html);
  ASSERT_EQ(r.status, 0) << r.out;
  std::vector<std::string> progress;
  for (const std::string &l : r.lines)
    if (l.rfind("progress: ", 0) == 0) progress.push_back(l.substr(10));
  EXPECT_EQ(progress, (std::vector<std::string>{"Examining: intro.fm", "Examining: install.fm",
                                                "Examining: reference.fm"}));
  // The document: the book's name, then the two sections with their tags.
  auto start = std::find(r.lines.begin(), r.lines.end(), "--- output document ---");
  ASSERT_NE(start, r.lines.end()) << r.out;
  std::vector<std::pair<std::string, std::string>> pgfs;
  std::regex line("^(\\S+)\\s*\\| (.*)$");
  for (auto it = start + 1; it != r.lines.end() && it->rfind("html: ", 0) != 0; ++it) {
    std::smatch mt;
    ASSERT_TRUE(std::regex_match(*it, mt, line)) << *it;
    pgfs.push_back({mt[1], mt[2]});
  }
  auto [used, unused] = Usage();
  ASSERT_EQ(pgfs.size(), 3 + used.size() + unused.size());
  EXPECT_EQ(pgfs[0], std::make_pair(std::string("Heading1"), std::string("manual.book")));
  EXPECT_EQ(pgfs[1].second, "Paragraph Tags Used:");
  std::set<std::string> listedUsed, listedUnused;
  for (size_t i = 2; i < 2 + used.size(); ++i) listedUsed.insert(pgfs[i].second);
  for (size_t i = 3 + used.size(); i < pgfs.size(); ++i) listedUnused.insert(pgfs[i].second);
  EXPECT_EQ(listedUsed, used);
  EXPECT_EQ(listedUnused, unused);

  // The page has one element per paragraph, headings by tag, in the same order.
  std::string page = Slurp(html);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  std::regex el("<(h1|h2|p)( class=\"[^\"]*\")?>([^<]*)</\\1>");
  std::vector<std::pair<std::string, std::string>> elems;
  for (std::sregex_iterator it(page.begin(), page.end(), el), end; it != end; ++it)
    elems.push_back({(*it)[1], (*it)[3]});
  ASSERT_EQ(elems.size(), pgfs.size());
  for (size_t i = 0; i < elems.size(); ++i) {
    const std::string &tag = pgfs[i].first;
    EXPECT_EQ(elems[i].first, tag == "Heading1" ? "h1" : tag == "Heading2" ? "h2" : "p");
    EXPECT_EQ(elems[i].second, pgfs[i].second);
  }
}

TEST_F(HostCli, SavesReachTheFilesOnlyWithSave) {
  ASSERT_GT(Overrides("install.fm"), 0);
  std::string before = Slurp(dir_ / "install.fm");
  Output dry = Host("run --book " + book_ + " --command RemoveOverridesBook");
  ASSERT_EQ(dry.status, 0) << dry.out;
  EXPECT_NE(dry.out.find("not written (add --save to write it): "), std::string::npos);
  EXPECT_EQ(Slurp(dir_ / "install.fm"), before);
  Output declined =
      Host("run --book " + book_ + " --command RemoveOverridesBook --answer cancel --save");
  ASSERT_EQ(declined.status, 0) << declined.out;
  EXPECT_NE(declined.out.find("-> Cancel"), std::string::npos);
  EXPECT_EQ(Slurp(dir_ / "install.fm"), before);
  Output saved = Host("run --book " + book_ + " --command RemoveOverridesBook --save");
  ASSERT_EQ(saved.status, 0) << saved.out;
  for (const char *f : {"intro.fm", "install.fm", "reference.fm"}) {
    EXPECT_NE(saved.out.find("saved: " + fs::weakly_canonical(dir_ / f).string()),
              std::string::npos);
    EXPECT_EQ(Overrides(f), 0) << f;
  }
}

TEST_F(HostCli, ScrollBoxChoiceAndClientCallNames) {
  std::string doc = (dir_ / "intro.fm").string();
  Output r = Host("run --doc " + doc + " --command GenerateParagraphTagReportSingle --choose 2");
  ASSERT_EQ(r.status, 0) << r.out;
  std::smatch mt;
  ASSERT_TRUE(std::regex_search(r.out, mt, std::regex("\\| 2 (\\S+)")));
  EXPECT_NE(r.out.find("Heading1  | " + mt[1].str()), std::string::npos);
  // --call sends the client-call spelling; the menu name of command 6 is not a call name but
  // reaches the command through its menu number.
  Output call = Host("run --doc " + doc + " --call ConvertParagraphsDoc");
  EXPECT_NE(call.out.find("client call \"ConvertParagraphsDoc\""), std::string::npos);
  EXPECT_NE(call.out.find("The list of paragraph tags to convert could not be found."),
            std::string::npos);
  Output menu = Host("run --doc " + doc + " --command ConvertParagraphsInDoc");
  EXPECT_NE(menu.out.find("command 6 (ConvertParagraphsInDoc)"), std::string::npos);
}

TEST_F(HostCli, MenuTreeAndBadCommandLines) {
  Output r = Host("menus");
  ASSERT_EQ(r.status, 0) << r.out;
  std::regex para("^\\s*menu \"Paragraphs\"  \\((Quorvex|QuorvexBook)\\)$");
  int paragraphs = 0;
  for (const std::string &l : r.lines) paragraphs += std::regex_match(l, para);
  EXPECT_EQ(paragraphs, 4);  // document and book bars, both also in the quick bar
  EXPECT_NE(r.out.find("(FindNextOverride, command 8, shortcut \\!ov)"), std::string::npos);
  EXPECT_EQ(Host("run --command ListParagraphUsage").status, 2);
  EXPECT_EQ(Host("run --doc a --book b --command X").status, 2);
  EXPECT_EQ(Host("run --doc a --command X --answer maybe").status, 2);
  EXPECT_EQ(Host("run --doc a --command X --choose two").status, 2);
  Output missing =
      Host("run --doc " + (dir_ / "none.fm").string() + " --command ListParagraphUsage");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("cannot open"), std::string::npos);
  EXPECT_EQ(Host("run --doc " + book_ + " --command ListParagraphUsage").status, 1);
}

// The format a file holds decides how it is saved, not its name: an OpenDocument package named
// .json and a Word package named .odt stay what they are.
TEST_F(HostCli, SavedInTheFormatTheFileHolds) {
  fs::path office = fs::path(QV_FIXTURES_DIR) / "office";
  for (auto [from, as] : {std::pair{"rich.odt", "report.json"}, {"rich.docx", "report.odt"}}) {
    fs::path doc = dir_ / as;
    fs::copy_file(office / from, doc);
    std::string err;
    const Format *before = FormatOfFile(doc.string(), err);
    ASSERT_NE(before, nullptr) << err;
    Output r =
        Host("run --doc " + doc.string() + " --command DeleteUnusedParagraphs --answer ok --save");
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_NE(r.out.find("saved: "), std::string::npos) << r.out;
    EXPECT_EQ(FormatOfFile(doc.string(), err), before) << as << ": " << err;
  }
}

// Case twins in use: an unedited list of the styles in use, applied by Remove Non-list, keeps
// both spellings and removes only the unused style.
TEST_F(HostCli, UsedListKeepsCaseTwinsInOfficeFiles) {
  for (const char *name : {"case-twins.docx", "case-twins.odt"}) {
    fs::path doc = dir_ / name, keep = dir_ / "keep.odt";
    fs::copy_file(fs::path(QV_FIXTURES_DIR) / "office" / name, doc,
                  fs::copy_options::overwrite_existing);
    fs::remove(keep);
    Output list = Host("run --doc " + doc.string() +
                       " --command CreateParagraphList --choose 1 --output " + keep.string());
    ASSERT_EQ(list.status, 0) << list.out;
    Output trim = Host("run --doc " + doc.string() + " --open " + keep.string() +
                       " --command RemoveNonlistParagraphs --answer ok --save");
    ASSERT_EQ(trim.status, 0) << trim.out;
    Model m;
    std::string err;
    Handle h = LoadFile(m, doc.string(), err);
    ASSERT_NE(h, 0u) << err;
    std::set<std::string> names;
    for (Handle f : m.Chained(m.DocOf(h)->fmts)) names.insert(m.FmtOf(f)->name);
    EXPECT_TRUE(names.count("Memo") && names.count("MEMO")) << name;
    EXPECT_FALSE(names.count("Spare")) << name;
  }
}

// A run that fails writes nothing: a book whose second component is missing goes on (the
// client says so), the host names the reason and fails, and the first component, which the
// pass changed and saved, is as it was.
TEST_F(HostCli, FailedRunWritesNothing) {
  std::ofstream(dir_ / "gap.book") << R"({"type": "book", "components": ["install.fm",
      "missing.fm", "reference.fm"]})";
  std::string before = Slurp(dir_ / "install.fm");
  ASSERT_GT(Overrides("install.fm"), 0);
  Output r =
      Host("run --book " + (dir_ / "gap.book").string() + " --command RemoveOverridesBook --save");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("Could not open file:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("missing.fm: no such file"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("no file was written"), std::string::npos) << r.out;
  EXPECT_EQ(Slurp(dir_ / "install.fm"), before);
  for (const auto &e : fs::directory_iterator(dir_))
    EXPECT_NE(e.path().filename().string()[0], '.') << "left behind: " << e.path();
  // A missing output template is no failure: the client makes a blank document instead.
  fs::create_directory(dir_ / "no-template");
  Output blank = Shell(std::string(QV_HOST_BIN) + " run --doc " + (dir_ / "intro.fm").string() +
                       " --command ListParagraphUsage --client " + QV_CLIENT_BIN +
                       " --client-dir " + (dir_ / "no-template").string());
  EXPECT_EQ(blank.status, 0) << blank.out;
  EXPECT_NE(blank.out.find("--- output document ---"), std::string::npos) << blank.out;
}

// Books that list themselves or another book are refused before anything runs.
TEST_F(HostCli, BooksListingBooksAreRefused) {
  std::ofstream(dir_ / "self.book") << R"({"type": "book", "components": ["intro.fm",
      "self.book", "install.fm"]})";
  std::ofstream(dir_ / "outer.book") << R"({"type": "book", "components": ["intro.fm",
      "manual.book"]})";
  std::string before = Slurp(dir_ / "intro.fm");
  for (auto [book, why] : {std::pair{"self.book", "lists itself"}, {"outer.book", "do not nest"}}) {
    Output r =
        Host("run --book " + (dir_ / book).string() + " --command RemoveOverridesBook --save");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find(why), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("command "), std::string::npos) << r.out;
    EXPECT_EQ(Slurp(dir_ / "intro.fm"), before);
  }
}

// A book may link documents from anywhere, but --save writes only inside the book's folder,
// unless --save-outside says otherwise; the refusal names the component.
TEST_F(HostCli, SavesStayInTheBooksFolder) {
  fs::create_directory(dir_ / "book");
  fs::rename(dir_ / "install.fm", dir_ / "book" / "install.fm");
  std::ofstream(dir_ / "book" / "b.book") << R"({"type": "book", "components": ["install.fm",
      "../reference.fm"]})";
  ASSERT_GT(Overrides("reference.fm"), 0);
  std::string inside = Slurp(dir_ / "book" / "install.fm"), outside = Slurp(dir_ / "reference.fm");
  std::string run =
      "run --book " + (dir_ / "book" / "b.book").string() + " --command RemoveOverridesBook --save";
  Output refused = Host(run);
  EXPECT_EQ(refused.status, 1) << refused.out;
  EXPECT_NE(
      refused.out.find(fs::weakly_canonical(dir_ / "reference.fm").string() + " lies outside"),
      std::string::npos)
      << refused.out;
  EXPECT_NE(refused.out.find("--save-outside"), std::string::npos) << refused.out;
  EXPECT_EQ(Slurp(dir_ / "book" / "install.fm"), inside);
  EXPECT_EQ(Slurp(dir_ / "reference.fm"), outside);
  Output allowed = Host(run + " --save-outside");
  EXPECT_EQ(allowed.status, 0) << allowed.out;
  EXPECT_EQ(Overrides("reference.fm"), 0);
}

// --output (or --html) naming a document the run opens is refused before the command runs.
TEST_F(HostCli, OutputOverAnOpenDocumentIsRefused) {
  std::string intro = (dir_ / "intro.fm").string(), before = Slurp(dir_ / "intro.fm");
  fs::create_symlink(dir_ / "intro.fm", dir_ / "intro.json");
  fs::create_symlink(dir_ / "install.fm", dir_ / "install.json");
  for (const std::string &args :
       {"--doc " + intro + " --command ListParagraphUsage --output " +
            (dir_ / "intro.json").string(),
        "--book " + book_ + " --command ListParagraphUsageBook --output " +
            (dir_ / "install.json").string(),
        "--doc " + (dir_ / "install.fm").string() + " --open " + intro +
            " --command ListParagraphUsage --html " + intro}) {
    Output r = Host("run " + args);
    EXPECT_EQ(r.status, 1) << args << "\n" << r.out;
    EXPECT_NE(r.out.find("is a document this run opens"), std::string::npos) << r.out;
    EXPECT_EQ(Slurp(dir_ / "intro.fm"), before);
  }
}

TEST_F(HostCli, OutputsAreNeverSpecialFilesAndLinksAreWrittenThrough) {
  std::string run = "run --doc " + (dir_ / "intro.fm").string() + " --command ListParagraphUsage";
  std::string fifo = (dir_ / "page.html").string(), folder = (dir_ / "isdir.odt").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  fs::create_directory(folder);
  Output r = Host(run + " --html " + fifo);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines, std::vector<std::string>{"quorvex-host: cannot write " + fifo +
                                              ": not a regular file (a FIFO)"});
  EXPECT_TRUE(fs::is_fifo(fifo));
  r = Host(run + " --output " + folder);
  EXPECT_EQ(r.lines, std::vector<std::string>{"quorvex-host: cannot write " + folder +
                                              ": a folder, not a file"});
  EXPECT_TRUE(fs::is_directory(folder));
  // A link is followed to the file it names, existing or not.
  fs::create_symlink("listing.html", dir_ / "link.html");
  r = Host(run + " --html " + (dir_ / "link.html").string());
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.html"));
  EXPECT_EQ(Slurp(dir_ / "listing.html").rfind("<!DOCTYPE html>", 0), 0u);
}

TEST_F(HostCli, InputsThatAreNotFilesAreRefusedAtOnce) {
  std::string fifo = (dir_ / "fifo.fm").string(), loop = (dir_ / "loop.fm").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  fs::create_symlink("loop.fm", loop);
  Output r = Host("run --doc " + fifo + " --command ListParagraphUsage", "timeout 60 ");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("cannot open " + fifo + ": not a regular file (a FIFO)"), std::string::npos)
      << r.out;
  r = Host("run --book " + book_ + " --open " + loop + " --command ListParagraphUsageBook");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("cannot open " + loop + ": too many levels of symbolic links"),
            std::string::npos)
      << r.out;
}

TEST_F(HostCli, SavingKeepsProtectionsAndReportsLeftovers) {
  std::string doc = (dir_ / "install.fm").string(), before = Slurp(doc);
  std::string save = "run --doc " + doc + " --command RemoveOverrides --save";
  ASSERT_EQ(chmod(doc.c_str(), 0444), 0);
  Output r = Host(save);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(doc + ": the file is read-only (mode 0444)"), std::string::npos) << r.out;
  ASSERT_EQ(chmod(doc.c_str(), 0664), 0);
  fs::create_hard_link(doc, dir_ / "also.fm");
  r = Host(save);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(doc + ": the file has 2 hard links"), std::string::npos) << r.out;
  EXPECT_EQ(Slurp(doc), before);
  fs::remove(dir_ / "also.fm");

  // A save an ended process left half done is reported, and kept.
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  fs::path left = dir_ / (".install.fm.qvhost-save-" + std::to_string(gone) + "-x1Y2z3");
  std::ofstream(left) << "{";
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(doc.c_str(), 4321, 8765), 0);
  }
  r = Host(save);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("quorvex-host: " + left.string() + " was left by an interrupted save"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::exists(left));
  EXPECT_NE(Slurp(doc), before);
  struct stat st;
  ASSERT_EQ(stat(doc.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  if (root) {
    EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(4321u, 8765u));
  }
}

fs::path OfficeFixture(const char *name) {
  return fs::path(QV_FIXTURES_DIR) / "office" / name;
}

// Each paragraph's tag and override flag, in the order of the document walk.
std::vector<std::pair<std::string, bool>> Paragraphs(const fs::path &file) {
  Model m;
  std::string err;
  Handle h = LoadFile(m, file.string(), err);
  EXPECT_NE(h, 0u) << err;
  std::vector<std::pair<std::string, bool>> out;
  if (const Doc *d = m.DocOf(h))
    for (Handle p : m.WalkPgfs(*d)) out.push_back({m.PgfOf(p)->tag, m.PgfOf(p)->override_});
  return out;
}

// The rows of the first table of a document, each cell's first paragraph.
std::vector<std::vector<std::string>> FirstTable(const fs::path &file) {
  Model m;
  std::string err;
  Handle h = LoadFile(m, file.string(), err);
  EXPECT_NE(h, 0u) << err;
  std::vector<std::vector<std::string>> rows;
  const Doc *d = m.DocOf(h);
  if (!d || !d->tables.first) return rows;
  for (Handle r : m.Chained(m.As<Table>(d->tables.first, Kind::Table)->rows)) {
    rows.emplace_back();
    for (Handle c : m.Chained(m.As<Row>(r, Kind::Row)->cells))
      rows.back().push_back(m.PgfOf(m.As<Cell>(c, Kind::Cell)->pgfs.first)->text);
  }
  return rows;
}

// The lines of a run's "--- changes ---" block, without what it says of writing.
std::vector<std::string> Changes(const Output &r) {
  std::vector<std::string> out;
  auto it = std::find(r.lines.begin(), r.lines.end(), "--- changes ---");
  for (it = it == r.lines.end() ? it : it + 1; it != r.lines.end() && it->front() == '/'; ++it)
    out.push_back(it->substr(0, it->rfind(';')));
  return out;
}

// suggest-merges fills the second column for the clones python-docx made (see the fixture's
// README) and for nothing else; the conversion command reads the table back and retags the
// clones' paragraphs to their originals. On a folder book, the table covers both documents.
TEST_F(HostCli, SuggestedMergesRetagClonesThroughTheConversionCommand) {
  fs::copy_file(OfficeFixture("clones.docx"), dir_ / "clones.docx");
  fs::path table = dir_ / "convert.odt";
  Output r = Host("suggest-merges --doc " + (dir_ / "clones.docx").string() + " --output " +
                  table.string());
  ASSERT_EQ(r.status, 0) << r.out;
  const std::map<std::string, std::string> clones{{"Normal1", "Normal"},
                                                  {"Heading 1 Char Char", "heading 1"},
                                                  {"WW-Title", "Title"},
                                                  {"Quorvex Body 2", "Quorvex Body"}};
  std::vector<std::vector<std::string>> rows = FirstTable(table);
  ASSERT_GT(rows.size(), clones.size());
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Source Tag", "Destination Tag"}));
  std::set<std::string> named;
  for (size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 2u);
    auto it = clones.find(rows[i][0]);
    EXPECT_EQ(rows[i][1], it == clones.end() ? "" : it->second) << rows[i][0];
    named.insert(rows[i][0]);
  }
  EXPECT_TRUE(named.count("Normal2"));  // the bold near-clone has a row, and no merge

  auto before = Paragraphs(dir_ / "clones.docx");
  Output conv = Host("run --doc " + (dir_ / "clones.docx").string() + " --open " + table.string() +
                     " --command ConvertParagraphsInDoc --save");
  ASSERT_EQ(conv.status, 0) << conv.out;
  auto after = Paragraphs(dir_ / "clones.docx");
  ASSERT_EQ(after.size(), before.size());
  int retagged = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    auto it = clones.find(before[i].first);
    EXPECT_EQ(after[i].first, it == clones.end() ? before[i].first : it->second);
    retagged += it != clones.end();
  }
  EXPECT_NE(conv.out.find(std::to_string(retagged) + " paragraphs retagged"), std::string::npos)
      << conv.out;

  fs::create_directory(dir_ / "docs");
  fs::copy_file(OfficeFixture("clones.docx"), dir_ / "docs" / "a.docx");
  fs::copy_file(OfficeFixture("libxslt-functions.odt"), dir_ / "docs" / "b.odt");
  Output book = Host("suggest-merges --book " + (dir_ / "docs").string() + " --output " +
                     (dir_ / "book.json").string());
  ASSERT_EQ(book.status, 0) << book.out;
  std::set<std::string> merged;
  for (const auto &row : FirstTable(dir_ / "book.json"))
    if (row.size() == 2 && !row[1].empty() && row[0] != "Source Tag") merged.insert(row[0]);
  for (const auto &[clone, original] : clones) EXPECT_TRUE(merged.count(clone)) << clone;
  EXPECT_TRUE(merged.count("Preformatted Text.programlisting")) << book.out;
}

// A book made of a folder: its .odt and .docx files in name order, nothing hidden, nothing in
// subfolders. --dry-run goes to the end and reports per file what --save then does and writes;
// the dry run leaves every file as it was.
TEST_F(HostCli, FolderBookDryRunReportsWhatSaveDoes) {
  fs::path docs = dir_ / "docs";
  fs::create_directories(docs / "sub");
  for (auto [from, as] : {std::pair{"users-and-groups.odt", "b.odt"},
                          {"rich.odt", "a.odt"},
                          {"pydocx.docx", "C.docx"},
                          {"rich.odt", ".hidden.odt"},
                          {"rich.odt", "sub/inner.odt"}})
    fs::copy_file(OfficeFixture(from), docs / as);
  std::ofstream(docs / "notes.txt") << "not a document\n";
  std::map<std::string, std::string> bytes;
  for (const auto &e : fs::recursive_directory_iterator(docs))
    if (e.is_regular_file()) bytes[e.path().string()] = Slurp(e.path());
  std::string run = "run --book " + docs.string() + " --command RemoveOverridesBook";

  Output dry = Host(run + " --dry-run");
  ASSERT_EQ(dry.status, 0) << dry.out;
  std::vector<std::string> progress;
  for (const std::string &l : dry.lines)
    if (l.rfind("progress: Processing: ", 0) == 0) progress.push_back(l.substr(22));
  EXPECT_EQ(progress, (std::vector<std::string>{"C.docx", "a.odt", "b.odt"}));
  EXPECT_NE(dry.out.find("dry run: nothing was written"), std::string::npos);
  for (const auto &[path, content] : bytes) EXPECT_EQ(Slurp(path), content) << path;
  size_t files = 0;
  for (const auto &e : fs::recursive_directory_iterator(docs)) files += e.is_regular_file();
  EXPECT_EQ(files, bytes.size());  // no waiting copy left behind

  std::vector<std::string> expected;
  for (const char *f : {"C.docx", "a.odt", "b.odt"}) {
    int overrides = 0;
    for (const auto &[tag, over] : Paragraphs(docs / f)) overrides += over;
    expected.push_back(fs::weakly_canonical(docs / f).string() + ": 0 styles deleted, 0 " +
                       "paragraphs retagged, " + std::to_string(overrides) + " overrides " +
                       "removed, 0 next-tag references rewritten");
  }
  EXPECT_EQ(Changes(dry), expected) << dry.out;
  Output saved = Host(run + " --save");
  ASSERT_EQ(saved.status, 0) << saved.out;
  EXPECT_EQ(Changes(saved), expected) << saved.out;
  EXPECT_NE(saved.out.find("; written"), std::string::npos);
  for (const char *f : {"C.docx", "a.odt", "b.odt"})
    for (const auto &[tag, over] : Paragraphs(docs / f)) EXPECT_FALSE(over) << f << " " << tag;
  EXPECT_EQ(Slurp(docs / ".hidden.odt"), bytes[(docs / ".hidden.odt").string()]);
  EXPECT_EQ(Slurp(docs / "sub" / "inner.odt"), bytes[(docs / "sub" / "inner.odt").string()]);

  // Several files make a book of those files, in the order given; the summary of a single
  // document counts the styles a deletion removed.
  Output two = Host("run --book " + (docs / "b.odt").string() + " --book " +
                    (dir_ / "intro.fm").string() + " --command ListParagraphUsageBookIndFiles");
  ASSERT_EQ(two.status, 0) << two.out;
  EXPECT_LT(two.out.find("Examining: b.odt"), two.out.find("Examining: intro.fm")) << two.out;
  auto [used, unused] = Usage();
  std::string intro = (dir_ / "intro.fm").string();
  Output del = Host("run --doc " + intro + " --command DeleteUnusedParagraphs --dry-run");
  ASSERT_EQ(del.status, 0) << del.out;
  std::set<std::string> introUsed;
  for (const auto &[tag, over] : Paragraphs(intro)) introUsed.insert(tag);
  Model m;
  std::string err;
  int introUnused = 0;
  for (Handle f : m.Chained(m.DocOf(LoadFile(m, intro, err))->fmts))
    introUnused += !introUsed.count(m.FmtOf(f)->name);
  ASSERT_GT(introUnused, 0);
  EXPECT_NE(del.out.find(": " + std::to_string(introUnused) + " styles deleted"), std::string::npos)
      << del.out;
}

// A slip in a command name is refused with the nearest name before anything opens; numbers of
// menu commands stay accepted; --version answers; a book run draws "file n of N" on a terminal
// and only there.
TEST_F(HostCli, CommandLineCatchesMistakes) {
  std::string doc = (dir_ / "intro.fm").string(), before = Slurp(doc);
  Output typo = Host("run --doc " + doc + " --command ListParagraphUsag --save");
  EXPECT_EQ(typo.status, 2) << typo.out;
  EXPECT_NE(typo.out.find("unknown command ListParagraphUsag; did you mean ListParagraphUsage?"),
            std::string::npos)
      << typo.out;
  EXPECT_EQ(typo.out.find("client call"), std::string::npos) << typo.out;
  Output far = Host("run --doc " + (dir_ / "missing.fm").string() + " --command Frobnicate");
  EXPECT_EQ(far.status, 2) << far.out;  // refused before the document is looked for
  EXPECT_EQ(far.out.find("cannot open"), std::string::npos) << far.out;
  EXPECT_EQ(Host("run --doc " + doc + " --command 99999").status, 2);
  Output number = Host("run --doc " + doc + " --command 1");
  EXPECT_NE(number.out.find("command 1 (ListParagraphUsage)"), std::string::npos) << number.out;
  EXPECT_EQ(Slurp(doc), before);

  Output version = Host("--version");
  EXPECT_EQ(version.status, 0) << version.out;
  EXPECT_TRUE(std::regex_match(version.out, std::regex("quorvex-host \\d+\\.\\d+\\.\\d+\n")))
      << version.out;

  std::string listing = "run --book " + book_ + " --command ListParagraphUsageBook";
  EXPECT_EQ(Host(listing).out.find(" of 3: "), std::string::npos);
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  // script(1) gives the run a terminal; what it drew comes back in the typescript.
  Output tty = Shell("script -qec '" + HostCommand(listing) + "' /dev/null");
  for (const char *f :
       {"file 1 of 3: intro.fm", "file 2 of 3: install.fm", "file 3 of 3: reference.fm"})
    EXPECT_NE(tty.out.find(f), std::string::npos) << tty.out;
}

}  // namespace
}  // namespace qvhost
