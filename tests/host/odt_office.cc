// OpenDocument files the host changed and saved, opened by LibreOffice (headless, through
// tests/office/lo_inspect.py): they open, the text and the paragraph count are unchanged, and
// the styles are what the change should leave, as LibreOffice itself reads them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "host/files.h"
#include "host/formats/package.h"
#include "host/model/model.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

nlohmann::json Inspect(const std::vector<std::string> &files) {
  std::string cmd = "python3 " + std::string(QV_SOURCE_DIR) + "/tests/office/lo_inspect.py";
  for (const std::string &f : files) cmd += " '" + f + "'";
  FILE *p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  if (p) pclose(p);
  return nlohmann::json::parse(out, nullptr, false);
}

TEST(OdtOffice, ChangedFilesOpenInLibreOfficeAsExpected) {
  fs::path dir = fs::temp_directory_path() / "qv-odt-office";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string orig = std::string(QV_FIXTURES_DIR) + "/office/rich.odt";
  auto edit = [&](const std::string &name, const std::function<void(Model &, Doc &)> &change) {
    std::string path = (dir / name).string(), err;
    fs::copy_file(orig, path);
    Model m;
    Doc *d = m.DocOf(LoadFile(m, path, err));
    EXPECT_TRUE(d) << err;
    if (!d) return path;
    change(m, *d);
    EXPECT_TRUE(SaveFile(m, d->h, path, err)) << err;
    return path;
  };
  std::string retag = edit("retag.odt", [](Model &m, Doc &d) {
    for (Handle h : m.WalkPgfs(d))
      if (m.PgfOf(h)->tag == "Section Text") m.SetProp(d.h, h, PROP_Name, Value::Str("List Item"));
  });
  std::string plain = edit("plain.odt", [](Model &m, Doc &d) {
    for (Handle h : m.WalkPgfs(d)) {
      Pgf *p = m.PgfOf(h);
      if (!p->override_) continue;
      std::vector<Model::PropVal> all;
      for (const auto &[c, v] : m.FindFormat(d, p->tag)->chars) all.push_back({c, v});
      m.SetProps(d.h, h, all);
      m.SetProp(d.h, h, PROP_PgfOverride, Value::Int(0));
    }
  });
  std::string deleted = edit("deleted.odt", [](Model &m, Doc &d) {
    for (const char *n : {"Footer Line", "Section Text", "Unused Alpha"})
      m.Delete(d.h, m.FindFormat(d, n)->h);
  });
  nlohmann::json j = Inspect({orig, retag, plain, deleted});
  ASSERT_TRUE(j.is_object()) << "lo_inspect.py gave no JSON";
  const nlohmann::json &o = j[orig];
  for (const std::string &f : {retag, plain, deleted}) {
    const nlohmann::json &r = j[f];
    ASSERT_TRUE(r.value("opens", false)) << f;
    EXPECT_EQ(r["text"], o["text"]) << f;
    EXPECT_EQ(r["paragraphs"]["total"], o["paragraphs"]["total"]) << f;
  }
  auto used = [&](const std::string &f) {
    return j[f]["styles_used"].get<std::set<std::string>>();
  };
  std::set<std::string> u = used(orig);
  u.erase("Section Text");
  EXPECT_EQ(used(retag), u);
  EXPECT_EQ(j[plain]["overrides"], 0);
  EXPECT_EQ(used(plain), used(orig));
  auto defined = j[deleted]["styles_defined"].get<std::vector<std::string>>();
  for (const char *n : {"Footer Line", "Section Text", "Unused Alpha"})
    EXPECT_EQ(std::count(defined.begin(), defined.end(), n), 0) << n;
  EXPECT_EQ(defined.size(), j[orig]["styles_defined"].size() - 3);
  if (!HasFailure()) fs::remove_all(dir);
}

TEST(OdtOffice, DeletingAParentKeepsWhatLibreOfficeComputesForItsChildren) {
  // "Heading" and "Heading 1" given different values of the characteristics that take several
  // attributes (underline style and type, font face and family, capitals, line height), then
  // "Heading" deleted: LibreOffice computes every remaining style as before.
  fs::path dir = fs::temp_directory_path() / "qv-odt-office-fold";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string written = (dir / "written.odt").string(), folded = (dir / "folded.odt").string();
  fs::copy_file(std::string(QV_FIXTURES_DIR) + "/office/rich.odt", written);
  std::string err;
  {
    Model m;
    Doc *d = m.DocOf(LoadFile(m, written, err));
    ASSERT_TRUE(d) << err;
    auto set = [&](const char *style, int32_t code, const Value &v) {
      EXPECT_EQ(m.SetProp(d->h, m.FindFormat(*d, style)->h, code, v), 0) << style << code;
    };
    set("Heading", PROP_Underlining, Value::Int(2));
    set("Heading", PROP_FontFamily, Value::Int(FontFamilyIndex("DejaVu Serif")));
    set("Heading", PROP_Capitalization, Value::Int(1));
    set("Heading", PROP_LineSpacingNotFixed, Value::Int(0));
    set("Heading", PROP_LeftIndent, Value::Metric(30 << 16));
    set("Heading 1", PROP_Underlining, Value::Int(1));
    set("Heading 1", PROP_FontFamily, Value::Int(FontFamilyIndex("Liberation Mono")));
    set("Heading 1", PROP_Capitalization, Value::Int(3));
    set("Heading 1", PROP_LineSpacing, Value::Metric(10 << 16));
    ASSERT_TRUE(SaveFile(m, d->h, written, err)) << err;
  }
  fs::copy_file(written, folded);
  {
    Model m;
    Doc *d = m.DocOf(LoadFile(m, folded, err));
    ASSERT_TRUE(d) << err;
    ASSERT_EQ(m.Delete(d->h, m.FindFormat(*d, "Heading")->h), 0);
    ASSERT_TRUE(SaveFile(m, d->h, folded, err)) << err;
  }
  nlohmann::json j = Inspect({written, folded});
  ASSERT_TRUE(j.is_object()) << "lo_inspect.py gave no JSON";
  const nlohmann::json &before = j[written]["style_values"], &after = j[folded]["style_values"];
  // What was written is what the model holds: "Heading 2", which sets no underline, keeps
  // the none it had while its parent's became double.
  EXPECT_EQ(before["Heading"]["underline"], "double");
  EXPECT_EQ(before["Heading 1"]["underline"], "single");
  EXPECT_EQ(before["Heading 2"]["underline"], "none");
  EXPECT_EQ(before["Heading 1"]["caps"], "uppercase");
  for (const auto &[name, values] : after.items()) {
    if (name == "Heading") continue;  // LibreOffice makes its built-in "Heading" again
    EXPECT_EQ(values, before[name]) << name;
  }
  if (!HasFailure()) fs::remove_all(dir);
}

TEST(OdtOffice, AConditionalStyleInItsOlderFormIsTheParagraphStyleLibreOfficeShows) {
  // lo-indexed.odt's "Boxed Text" paragraph as older office suites wrote a paragraph of a
  // conditional style: text:style-name the style applied, text:cond-style-name the one chosen.
  fs::path dir = fs::temp_directory_path() / "qv-odt-office-cond";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string orig = std::string(QV_FIXTURES_DIR) + "/office/lo-indexed.odt";
  std::string path = (dir / "conditional.odt").string(), err;
  std::string content;
  {
    auto pkg = Package::Open(orig, err);
    ASSERT_TRUE(pkg && pkg->Read("content.xml", content, err)) << err;
  }
  const std::string from = "<text:p text:style-name=\"Boxed_20_Text\">";
  ASSERT_NE(content.find(from), std::string::npos);
  content.replace(content.find(from), from.size(),
                  "<text:p text:style-name=\"Boxed_20_Header\" "
                  "text:cond-style-name=\"Boxed_20_Text\">");
  ASSERT_TRUE(RewritePackage(orig, path, {{"content.xml", content}}, err)) << err;
  Model m;
  Doc *d = m.DocOf(LoadFile(m, path, err));
  ASSERT_TRUE(d) << err;
  std::vector<std::string> ours;
  for (Handle h : m.WalkPgfs(*d)) ours.push_back(m.PgfOf(h)->tag);
  nlohmann::json j = Inspect({path});
  ASSERT_TRUE(j.is_object()) << "lo_inspect.py gave no JSON";
  std::multiset<std::string> lo, mine(ours.begin(), ours.end());
  for (const auto &v : j[path]["paragraph_styles"])
    if (v.is_string()) lo.insert(v.get<std::string>());
  EXPECT_EQ(mine, lo);
  EXPECT_EQ(mine.count("Boxed Text"), 1u);
  if (!HasFailure()) fs::remove_all(dir);
}

}  // namespace
}  // namespace qvhost
