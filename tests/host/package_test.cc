// Packages and XML parts of real office documents: unchanged parts and entries come back byte
// for byte, edits change only the elements they touch, and damaged or hostile input is refused.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unordered_set>

#include "host/formats/package.h"
#include "host/formats/xml.h"
#include "tests/host/scratch.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

const fs::path kOffice = fs::path(QV_FIXTURES_DIR) / "office";

std::vector<fs::path> Fixtures() {
  std::vector<fs::path> out;
  for (const auto &e : fs::directory_iterator(kOffice))
    if (e.path().extension() == ".odt" || e.path().extension() == ".docx") out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

// Name, method, CRC and compressed size of every entry, in archive order.
std::vector<std::string> Listing(const fs::path &p) {
  std::vector<std::string> out;
  zip_t *za = zip_open(p.c_str(), ZIP_RDONLY, nullptr);
  if (!za) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
    out.push_back(std::string(st.name) + " " + std::to_string(st.comp_method) + " " +
                  std::to_string(st.crc) + " " + std::to_string(st.comp_size));
  }
  zip_discard(za);
  return out;
}

bool IsXml(const std::string &name) {
  return name.ends_with(".xml") || name.ends_with(".rels") || name.ends_with(".rdf");
}

TEST(HostXml, EveryPartOfEveryFixtureWritesBackByteForByte) {
  for (const fs::path &f : Fixtures()) {
    std::string err;
    auto pkg = Package::Open(f, err);
    ASSERT_TRUE(pkg) << f << ": " << err;
    for (const std::string &name : pkg->Names()) {
      if (!IsXml(name)) continue;
      std::string bytes;
      ASSERT_TRUE(pkg->Read(name, bytes, err)) << err;
      if (bytes.empty()) continue;  // office suites leave some configuration parts empty
      XmlPart part;
      ASSERT_TRUE(part.Parse(bytes, name, err)) << f << ": " << err;
      EXPECT_TRUE(part.Matches(bytes));
      EXPECT_EQ(part.Write(bytes), bytes) << f << " " << name;
    }
  }
}

// The changed bytes of `after` against `before`: [begin, end) of `before` that was replaced.
std::pair<size_t, size_t> ChangedRange(const std::string &before, const std::string &after) {
  size_t b = 0;
  while (b < before.size() && b < after.size() && before[b] == after[b]) ++b;
  size_t e = 0;
  while (e < before.size() - b && e < after.size() - b &&
         before[before.size() - 1 - e] == after[after.size() - 1 - e])
    ++e;
  return {b, before.size() - e};
}

class ContentPart : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    auto pkg = Package::Open(kOffice / "python-policy.odt", err);
    ASSERT_TRUE(pkg) << err;
    ASSERT_TRUE(pkg->Read("content.xml", bytes, err)) << err;
    ASSERT_TRUE(part.Parse(bytes, "content.xml", err)) << err;
    for (pugi::xpath_node n : part.doc.select_nodes("//text:p")) pgfs.push_back(n.node());
    ASSERT_GT(pgfs.size(), 20u);
  }
  // Where element `n` starts and ends in the original bytes.
  std::pair<size_t, size_t> Span(pugi::xml_node n) {
    size_t lt = static_cast<size_t>(n.offset_debug()) - 1;
    std::string close = std::string("</") + n.name() + ">";
    size_t end = bytes.find(close, lt);
    size_t selfEnd = bytes.find("/>", lt), tagEnd = bytes.find('>', lt);
    if (selfEnd + 1 == tagEnd) return {lt, tagEnd + 1};
    return {lt, end + close.size()};
  }
  std::string bytes;
  XmlPart part;
  std::vector<pugi::xml_node> pgfs;
};

TEST_F(ContentPart, AChangedAttributeRewritesOnlyThatStartTag) {
  pugi::xml_node p = pgfs[10];
  auto [b, e] = Span(p);
  std::string before = bytes.substr(b, bytes.find('>', b) + 1 - b);
  p.attribute("text:style-name").set_value("Quote & \"Cite\"");
  std::string out = part.Write(bytes);
  auto [cb, ce] = ChangedRange(bytes, out);
  EXPECT_GE(cb, b);
  EXPECT_LE(ce, b + before.size());
  XmlPart back;
  std::string err;
  ASSERT_TRUE(back.Parse(out, "out", err)) << err;
  pugi::xpath_node_set again = back.doc.select_nodes("//text:p");
  ASSERT_EQ(again.size(), pgfs.size());
  EXPECT_STREQ(again[10].node().attribute("text:style-name").value(), "Quote & \"Cite\"");
  EXPECT_EQ(again[10].node().text().get(), std::string(pgfs[10].text().get()));
}

TEST_F(ContentPart, RemovedAndAddedElementsChangeNothingElse) {
  pugi::xml_node gone = pgfs[5], after = pgfs[20];
  auto [gb, ge] = Span(gone);
  auto [ab, ae] = Span(after);
  std::string goneText = bytes.substr(gb, ge - gb);
  gone.parent().remove_child(gone);
  pugi::xml_node added = after.parent().insert_child_after("text:p", after);
  added.append_attribute("text:style-name") = "Standard";
  added.append_child(pugi::node_pcdata).set_value("a <new> paragraph");
  std::string out = part.Write(bytes);
  std::string expect = bytes.substr(0, gb) + bytes.substr(ge, ae - ge) +
                       "<text:p text:style-name=\"Standard\">a &lt;new&gt; paragraph</text:p>" +
                       bytes.substr(ae);
  EXPECT_EQ(out, expect);
}

TEST(HostPackage, RewriteReplacesOneEntryAndCopiesTheRest) {
  TempDir t;
  fs::path src = kOffice / "rich.odt", copy = t.dir / "copy.odt";
  fs::copy_file(src, copy);
  std::string err;
  ASSERT_TRUE(RewritePackage(copy, copy, {{"content.xml", "<x/>"}}, err)) << err;
  std::vector<std::string> before = Listing(src), after = Listing(copy);
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    if (!before[i].starts_with("content.xml ")) {
      EXPECT_EQ(before[i], after[i]);
    }
  }
  EXPECT_TRUE(after[0].starts_with("mimetype 0 "));  // first, stored
  auto pkg = Package::Open(copy, err);
  std::string bytes;
  ASSERT_TRUE(pkg && pkg->Read("content.xml", bytes, err)) << err;
  EXPECT_EQ(bytes, "<x/>");
  EXPECT_EQ(fs::directory_iterator(t.dir)->path(), copy);  // no temporary left behind
}

TEST(HostPackage, FailedWritesLeaveTheTargetAsItWas) {
  TempDir t;
  fs::path target = t.dir / "keep.odt";
  fs::copy_file(kOffice / "rich.odt", target);
  std::string before = Slurp(target), err;
  EXPECT_FALSE(RewritePackage(t.dir / "absent.odt", target, {{"content.xml", "<x/>"}}, err));
  EXPECT_FALSE(RewritePackage(target, t.dir / "no" / "dir.odt", {{"a", "b"}}, err));
  EXPECT_FALSE(WritePackage((t.dir / "no" / "dir.odt").string(), {{"mimetype", "x"}}, true, err));
  EXPECT_EQ(Slurp(target), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(t.dir), fs::directory_iterator()), 1);
}

TEST(HostPackage, DamagedOrHostilePackagesAreRefusedWithAReason) {
  TempDir t;
  std::string whole = Slurp(kOffice / "users-and-groups.odt"), err;
  auto write = [&](const char *name, const std::string &bytes) {
    std::ofstream(t.dir / name, std::ios::binary) << bytes;
    return (t.dir / name).string();
  };
  EXPECT_FALSE(Package::Open(write("text.odt", "just some text"), err));
  EXPECT_EQ(err, "not a ZIP package");
  EXPECT_FALSE(Package::Open(write("half.odt", whole.substr(0, whole.size() / 2)), err));
  EXPECT_TRUE(err.starts_with("truncated or damaged ZIP package")) << err;

  // An entry that inflates past the caller's bound is cut off, however small it is packed.
  std::string big(4 << 20, 'a');
  std::string path = (t.dir / "bomb.zip").string();
  ASSERT_TRUE(WritePackage(path, {{"mimetype", "x"}, {"content.xml", big}}, true, err)) << err;
  auto pkg = Package::Open(path, err);
  ASSERT_TRUE(pkg) << err;
  EXPECT_LT(fs::file_size(path), 64u << 10);
  std::string out;
  EXPECT_FALSE(pkg->Read("content.xml", out, err, 1 << 20));
  EXPECT_NE(err.find("inflates to more than 1 MiB"), std::string::npos) << err;
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(pkg->Read("content.xml", out, err, 8 << 20)) << err;
  EXPECT_FALSE(pkg->Read("styles.xml", out, err));
  EXPECT_EQ(err, "the package has no styles.xml");
}

TEST(HostXml, DeclarationsAndBrokenPartsAreRefused) {
  const char *laughs =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE l [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]>"
      "<l>&b;</l>";
  XmlPart p;
  std::string err;
  EXPECT_FALSE(p.Parse(laughs, "content.xml", err));
  EXPECT_EQ(err, "content.xml: has a document type declaration (refused)");
  EXPECT_FALSE(p.Parse("<a><b></a>", "styles.xml", err));
  EXPECT_NE(err.find("styles.xml: not well-formed XML"), std::string::npos) << err;
  EXPECT_FALSE(p.Parse("", "x.xml", err));
  EXPECT_FALSE(p.Parse("\xFF\xFE<\0a\0/\0>\0", "u.xml", err));
  EXPECT_EQ(err, "u.xml: UTF-16 XML is not supported");
}

TEST(HostXml, AttributeValuesAreFoundWithoutParsing) {
  const std::unordered_set<std::string_view> names{"Heading_20_1", "P1", "A B"};
  const std::pair<const char *, bool> cases[] = {
      {"<a x=\"P1\"/>", true},
      {"<a x='Heading_20_1'>text</a>", true},
      {"<a x=\"P10\">P1 Heading_20_1</a>", false},       // text and longer values name none
      {"<a>it's \"P1\"</a><b y=\"P2\"/>", false},        // quotes in text pair with nothing
      {"<a>'<b y=\"P1\"/>'</a>", true},                   // nor hide the value after them
      {"<!-- x=\"P1\" --><?pi x=\"P1\"?><a><![CDATA[ x=\"P1\" ]]></a>", false},
      {"<a x=\"&#80;1\"/>", true},                        // as the parser reads it
      {"<a x=\"A&#10;B\"/>", false},
      {"<a x=\"A\tB\"/>", true},
      {"<a x=\"P1", true},  // cut short: it may
  };
  for (const auto &[xml, found] : cases) EXPECT_EQ(AnyAttributeValueIn(xml, names), found) << xml;
  // Attribute values of the real documents' parts, as the parser reads them, are found one at
  // a time (forty spread over each part), and the parts' element names are not.
  for (const fs::path &f : Fixtures()) {
    std::string err;
    auto pkg = Package::Open(f, err);
    ASSERT_TRUE(pkg) << f << ": " << err;
    for (const std::string &name : pkg->Names()) {
      std::string bytes;
      XmlPart part;
      if (!IsXml(name) || !pkg->Read(name, bytes, err) || bytes.empty()) continue;
      ASSERT_TRUE(part.Parse(bytes, name, err)) << err;
      std::set<std::string> values, elements;
      std::vector<pugi::xml_node> todo{part.Root()};
      while (!todo.empty()) {
        pugi::xml_node n = todo.back();
        todo.pop_back();
        elements.insert(n.name());
        for (pugi::xml_attribute a : n.attributes()) values.insert(a.value());
        for (pugi::xml_node c : n.children())
          if (c.type() == pugi::node_element) todo.push_back(c);
      }
      size_t k = 0, step = std::max<size_t>(1, values.size() / 40);
      for (const std::string &v : values) {
        if (k++ % step != 0) continue;
        EXPECT_TRUE(AnyAttributeValueIn(bytes, {v})) << f << " " << name << " " << v;
      }
      for (const std::string &v : values) elements.erase(v);
      std::unordered_set<std::string_view> onlyNames(elements.begin(), elements.end());
      EXPECT_FALSE(AnyAttributeValueIn(bytes, onlyNames)) << f << " " << name;
    }
  }
}

}  // namespace
}  // namespace qvhost
