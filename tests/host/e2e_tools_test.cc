// The host's own tools through the quorvex-host program on real documents: explain places every
// story and names what refers to a style; check fails a book, passes it once the client's
// cleanup commands have run, reads keep lists of every kind, and writes JSON and SARIF that
// their schemas accept (python3-jsonschema).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/host/shell_run.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kOffice = fs::path(QV_FIXTURES_DIR) / "office";

struct Result {
  int status = -1;
  std::string out, err;
  bool Has(const std::string &line) const {
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);)
      if (l == line) return true;
    return false;
  }
};

class HostTools : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qvhost-tools-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // quorvex-host with `args`, run in the test's folder; standard error kept apart.
  Result Host(const std::string &args) {
    fs::path err = dir_ / "stderr.txt";
    std::string cmd =
        "cd " + dir_.string() + " && " + QV_HOST_BIN + " " + args + " 2>" + err.string();
    qvhost::ShellRun run = qvhost::RunShell(cmd);
    Result r;
    r.status = run.status;
    r.out = std::move(run.out);
    std::ifstream in(err);
    r.err.assign(std::istreambuf_iterator<char>(in), {});
    return r;
  }
  Result Client(const std::string &args) {
    return Host(args + " --client " + QV_CLIENT_BIN + " --client-dir " + QV_EXAMPLES_DIR +
                "/clientdir");
  }
  void Copy(const char *name) { fs::copy_file(kOffice / name, dir_ / name); }
  void Write(const char *name, const std::string &text) { std::ofstream(dir_ / name) << text; }

  // Empty when `doc` is valid against the schema, else the validator's message.
  std::string Invalid(const std::string &doc, const fs::path &schema) {
    Write("out.json", doc);
    std::string cmd =
        "python3 -c 'import json,sys,jsonschema; jsonschema.validate("
        "json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' " +
        (dir_ / "out.json").string() + " " + schema.string() + " 2>&1";
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    return pclose(p) == 0 ? "" : "invalid: " + out;
  }

  fs::path dir_;
};

const fs::path kCheckSchema = fs::path(QV_EXAMPLES_DIR) / ".." / "doc" / "check-schema.json";
const fs::path kSarifSchema = fs::path(QV_FIXTURES_DIR) / "sarif-schema-2.1.0.json";

// Each story of the two rich fixtures (LibreOffice's .odt and its .docx export): notes, text
// boxes, nested tables and footers, with names matched exactly, then ignoring case.
TEST_F(HostTools, ExplainPlacesParagraphsInEveryStory) {
  struct Want {
    const char *file, *footer;
  };
  for (Want w : {Want{"rich.odt", "footer of page style \"Standard\""},
                 Want{"rich.docx", "footer (footer1.xml)"}}) {
    Copy(w.file);
    std::string f = w.file;
    Result r = Host("explain --doc " + f + " 'Footnote Line' 'Frame Text' 'Inner Cell Text' " +
                    "'footer line'");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const std::string &line :
         {f + ": footnote 2, paragraph 1: \"Second footnote, in a style used only here.\"",
          f + ": text box 1, paragraph 1: \"Text inside a text box.\"",
          f + ": table 2, row 2, cell 1, paragraph 1: \"Inner two\"",
          std::string("style \"Footer Line\" (matched ignoring case: \"footer line\")"),
          "  " + f + ": " + w.footer + ", paragraph 2: \"Centred footer line\""})
      EXPECT_TRUE(r.Has(line) || r.Has("  " + line)) << line << "\n" << r.out;
  }
  Result none = Host("explain --doc rich.odt 'Heading 1' 'No Such Style'");
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(none.Has("  rich.odt: body, paragraph 1: \"Rich fixture\"")) << none.out;
  EXPECT_TRUE(none.Has("style \"No Such Style\": no document defines or carries it"));
  EXPECT_EQ(Host("explain --doc missing.odt Body").status, 2);
  EXPECT_EQ(Host("explain --doc rich.odt").status, 2);
}

// Based-on and next-style links, linked character styles and numbering levels, and what
// deleting a style no paragraph carries would change.
TEST_F(HostTools, ExplainNamesWhatRefersToAStyle) {
  Copy("rich.odt");
  Copy("pydocx.docx");
  Result odt = Host("explain --doc rich.odt Heading 'Text body' 'Unused Alpha'");
  EXPECT_EQ(odt.status, 0) << odt.err;
  for (const char *line :
       {"    rich.odt: \"Heading 1\" is based on it",
        "  rich.odt: defined, no paragraph carries it; deleting it would:",
        "    - rebase \"Heading 2\" onto \"Standard\"", "    rich.odt: next style of \"Heading 1\"",
        "  rich.odt: defined, no paragraph carries it; deleting it would "
        "change nothing else"})
    EXPECT_TRUE(odt.Has(line)) << line << "\n" << odt.out;
  Result docx = Host("explain --doc pydocx.docx 'Heading 1' 'List Bullet'");
  EXPECT_EQ(docx.status, 0) << docx.err;
  EXPECT_TRUE(docx.Has("    pydocx.docx: \"TOC Heading\" is based on it")) << docx.out;
  EXPECT_TRUE(docx.Has("    pydocx.docx: character style \"Heading 1 Char\" (linked)"));
  EXPECT_NE(docx.out.find("pydocx.docx: list definition "), std::string::npos) << docx.out;
  // Fields: a TOC's \t list split over runs, STYLEREF as a simple field (header) and as a
  // complex one (body).
  Copy("pydocx-refs.docx");
  Result fields = Host("explain --doc pydocx-refs.docx 'My Heading 2' Quote");
  EXPECT_EQ(fields.status, 0) << fields.err;
  for (const char *line :
       {"    pydocx-refs.docx: table-of-contents field (\\t) in word/document.xml",
        "    pydocx-refs.docx: STYLEREF field in word/document.xml",
        "    pydocx-refs.docx: STYLEREF field in word/header1.xml"})
    EXPECT_TRUE(fields.Has(line)) << line << "\n" << fields.out;
}

// The CI flow on a book of LibreOffice's and python-docx's files: check fails on styles off
// the edited list and on overrides, the client's cleanup commands fix the files, and check
// then passes. Both machine formats are valid against their schemas.
TEST_F(HostTools, CheckFailsThenPassesAfterCleanup) {
  Copy("rich.odt");
  Copy("pydocx.docx");
  Write("docs.book", R"({"type": "book", "components": ["rich.odt", "pydocx.docx"]})");
  ASSERT_EQ(Client("run --book docs.book --command CreateParagraphListBook --choose 1 "
                   "--output keep.json")
                .status,
            0);
  // A person drops two styles from the list: their parents stay listed.
  json list = json::parse(std::ifstream(dir_ / "keep.json"));
  json &rows = list["tables"][0]["rows"];
  json kept = json::array();
  for (const json &row : rows)
    if (row[0][0]["text"] != "Inner Cell Text" && row[0][0]["text"] != "Quorvex Body")
      kept.push_back(row);
  ASSERT_EQ(kept.size() + 2, rows.size());
  rows = kept;
  list.erase("selection");
  Write("keep.json", list.dump());

  const std::string check = "check --book docs.book --keep keep.json --no-overrides";
  Result text = Host(check);
  EXPECT_EQ(text.status, 1) << text.err;
  EXPECT_TRUE(
      text.Has("rich.odt: table 2, row 1, cell 1, paragraph 1: error: paragraph style "
               "\"Inner Cell Text\" is not on the keep list: \"Inner one\""))
      << text.out;
  EXPECT_TRUE(
      text.Has("pydocx.docx: body, paragraph 14: error: paragraph has formatting of its "
               "own over its style \"Quote\": \"A quotation, right-aligned directly.\""));
  EXPECT_TRUE(text.Has("check: 12 errors, 41 warnings in 2 files")) << text.out;

  Result js = Host(check + " --format json");
  EXPECT_EQ(js.status, 1);
  EXPECT_EQ(Invalid(js.out, kCheckSchema), "");
  json j = json::parse(js.out);
  EXPECT_EQ(j["errors"], 12);
  EXPECT_EQ(j["files"], json({"rich.odt", "pydocx.docx"}));
  EXPECT_EQ(j["findings"][5],
            json({{"rule", "unlisted-style"},
                  {"level", "error"},
                  {"file", "rich.odt"},
                  {"story", "table 2, row 1, cell 1"},
                  {"paragraph", 1},
                  {"style", "Inner Cell Text"},
                  {"text", "Inner one"},
                  {"message", "paragraph style \"Inner Cell Text\" is not on the keep list"}}));

  Result sarif = Host(check + " --format sarif");
  EXPECT_EQ(sarif.status, 1);
  EXPECT_EQ(Invalid(sarif.out, kSarifSchema), "");
  json s = json::parse(sarif.out);
  json &run = s["runs"][0];
  EXPECT_EQ(run["tool"]["driver"]["name"], "quorvex-host");
  EXPECT_EQ(run["tool"]["driver"]["rules"].size(), 3u);
  EXPECT_EQ(run["results"].size(), 53u);
  json &res = run["results"][5];
  EXPECT_EQ(res["ruleId"], "unlisted-style");
  EXPECT_EQ(res["level"], "error");
  EXPECT_EQ(res["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], "rich.odt");
  EXPECT_EQ(res["locations"][0]["logicalLocations"][0]["fullyQualifiedName"],
            "table 2, row 1, cell 1/paragraph 1");

  ASSERT_EQ(Client("run --book docs.book --open keep.json --command "
                   "RemoveNonlistParagraphsBook --answer ok --save")
                .status,
            0);
  ASSERT_EQ(Client("run --book docs.book --command RemoveOverridesBook --save").status, 0);
  Result pass = Host(check);
  EXPECT_EQ(pass.status, 0) << pass.out;
  EXPECT_TRUE(pass.Has("check: 0 errors, 0 warnings in 2 files")) << pass.out;
  Result passSarif = Host(check + " --format sarif");
  EXPECT_EQ(passSarif.status, 0);
  EXPECT_EQ(Invalid(passSarif.out, kSarifSchema), "");
}

// Keep lists as the client writes them (.odt, .docx) and as text; warnings alone pass; a bad
// list, file or command line is status 2 with nothing on standard output.
TEST_F(HostTools, CheckReadsKeepListsAndReportsErrors) {
  Copy("rich.odt");
  for (const char *list : {"keep.odt", "keep.docx"}) {
    ASSERT_EQ(Client(std::string("run --doc rich.odt --command CreateParagraphList --choose 1 "
                                 "--output ") +
                     list)
                  .status,
              0);
    Result r = Host(std::string("check --doc rich.odt --keep ") + list);
    EXPECT_EQ(r.status, 0) << list << r.err;
    EXPECT_TRUE(
        r.Has("rich.odt: warning: style \"Unused Alpha\" is defined but not on the keep "
              "list"))
        << r.out;
    EXPECT_TRUE(r.Has("check: 0 errors, 10 warnings in 1 file")) << list << r.out;
  }
  Write("keep.txt", "# house styles\n\nHEADING 1\n  Heading 2  \r\nText body\n#Cell Text\n");
  Result txt = Host("check --doc rich.odt --keep keep.txt --format json");
  EXPECT_EQ(txt.status, 1);
  EXPECT_EQ(Invalid(txt.out, kCheckSchema), "");
  json j = json::parse(txt.out);
  std::set<std::string> off;
  for (const json &f : j["findings"])
    if (f["rule"] == "unlisted-style") off.insert(f["style"].get<std::string>());
  EXPECT_EQ(off, (std::set<std::string>{"Cell Text", "Inner Cell Text", "Frame Text",
                                        "Section Text", "List Item", "Header", "Footer Line",
                                        "Footnote", "Footnote Line", "Endnote"}));
  for (const char *bad :
       {"check --doc rich.odt --keep rich.odt", "check --doc rich.odt --keep missing.txt",
        "check --doc missing.odt --no-overrides", "check --doc rich.odt",
        "check --doc rich.odt --no-overrides --format xml",
        "check --doc rich.odt --book rich.odt --no-overrides",
        "check --doc rich.odt --no-overrides --bogus"}) {
    Result r = Host(bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_EQ(r.out, "") << bad;
    EXPECT_NE(r.err, "") << bad;
  }
  Write("empty.txt", "# nothing\n");
  EXPECT_EQ(Host("check --doc rich.odt --keep empty.txt").status, 2);
}

}  // namespace
