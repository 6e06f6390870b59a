// Parts read as they are inflated: the head and the body's batches are what a whole parse
// gives, however the bytes are cut, and whatever a whole parse refuses is refused too.
#include "host/formats/xml_stream.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host/formats/package.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

// Every element of a subtree, in document order, with its attributes and text.
void Flatten(pugi::xml_node n, std::string &out) {
  for (pugi::xml_node c : n.children()) {
    if (c.type() == pugi::node_element) {
      out.append("<").append(c.name());
      for (pugi::xml_attribute a : c.attributes())
        out.append(" ").append(a.name()).append("=").append(a.value());
      out += ">";
      Flatten(c, out);
      out += "</>";
    } else if (c.type() == pugi::node_pcdata) {
      out += c.value();
    }
  }
}

struct Streamed {
  bool ok = false;
  std::string err, head, body;
  size_t batches = 0;
  uint64_t hash = 0;
};

// `bytes` fed in pieces of `piece` bytes, the body at root/`path`.
Streamed Stream(std::string_view bytes, size_t piece, std::vector<std::string> path) {
  Streamed r;
  XmlPart head;
  BodyStream::Handler h;
  h.path = [&](pugi::xml_node) { return path; };
  h.head = [&](std::string &) {
    Flatten(head.doc, r.head);
    return true;
  };
  h.body = [&](pugi::xml_node batch, std::string &) {
    ++r.batches;
    Flatten(batch, r.body);
    return true;
  };
  BodyStream s("part.xml", head, h);
  r.ok = true;
  for (size_t at = 0; r.ok && at < bytes.size(); at += piece)
    r.ok = s.Feed(bytes.substr(at, piece), r.err);
  r.ok = r.ok && s.End(r.err);
  r.hash = head.hash;
  return r;
}

// What a whole parse gives: the head with the body emptied, and the body's content.
void Whole(const std::string &bytes, const std::vector<std::string> &path, std::string &head,
           std::string &body) {
  XmlPart x;
  std::string err;
  ASSERT_TRUE(x.Parse(bytes, "part.xml", err)) << err;
  pugi::xml_node b = x.Root();
  for (const std::string &name : path) b = b.child(name.c_str());
  ASSERT_TRUE(b);
  Flatten(b, body);
  while (b.first_child()) b.remove_child(b.first_child());
  Flatten(x.doc, head);
}

TEST(HostXmlStream, BatchesAreTheWholeParseHoweverTheBytesAreCut) {
  std::string doc =
      "<?xml version=\"1.0\"?>\n<!-- a > b --><r:doc xmlns:r=\"urn:r\" a='>'><r:styles><s "
      "n=\"P1\"/></r:styles><r:body><r:text>";
  for (int i = 0; i < 3000; ++i)
    doc += "<r:p s=\"S" + std::to_string(i % 7) + "\" q='a&gt;b'>para " + std::to_string(i) +
           " &amp; <![CDATA[<x>]]><?pi ?>\n<!-- c --><r:span>x</r:span></r:p>";
  doc += "<r:table><r:row><r:p>in a cell</r:p></r:row></r:table></r:text></r:body></r:doc>\n";
  std::string head, body;
  Whole(doc, {"r:body", "r:text"}, head, body);
  for (size_t piece : {size_t{1}, size_t{7}, size_t{4096}, doc.size()}) {
    Streamed s = Stream(doc, piece, {"r:body", "r:text"});
    ASSERT_TRUE(s.ok) << piece << ": " << s.err;
    EXPECT_EQ(s.head, head) << piece;
    EXPECT_EQ(s.body, body) << piece;
    EXPECT_GT(s.batches, 1u) << "the body comes in more than one batch";
    EXPECT_EQ(s.hash, Fnv1a(doc));
  }
  // No body where the path says: the whole part is the head.
  Streamed none = Stream(doc, 100, {"r:body", "r:nothing"});
  ASSERT_TRUE(none.ok) << none.err;
  EXPECT_EQ(none.batches, 0u);
  EXPECT_EQ(none.head.size(), head.size() + body.size());
}

TEST(HostXmlStream, WhatAWholeParseRefusesIsRefused) {
  const std::vector<std::string> path{"body"};
  std::string deep = "<d><body>";
  for (size_t i = 0; i < kMaxXmlDepth; ++i) deep += "<e>";
  const std::pair<std::string, std::string> cases[] = {
      {"<d><body><p></q></body></d>", "part.xml: not well-formed XML"},
      {"<d><body><p a=\"1></body></d>", "part.xml: not well-formed XML"},
      {std::string("<d><body><p>a\0b</p></body></d>", 30), "part.xml: not well-formed XML (a NUL"},
      {"<d><body><p>&#0;</p></body></d>", "part.xml: not well-formed XML (a reference"},
      {"<d><body><p>\xC3</p></body></d>", "part.xml: not well-formed XML (malformed UTF-8"},
      {"<d><body><p>cut short", "part.xml: not well-formed XML"},
      {"<d><body></body></d></e>", "part.xml: not well-formed XML"},
      {"<!DOCTYPE d [<!ENTITY a \"b\">]><d><body>&a;</body></d>",
       "part.xml: has a document type declaration (refused)"},
      {deep, "part.xml: elements nested deeper than 512"},
  };
  for (const auto &[xml, why] : cases) {
    XmlPart whole;
    std::string err;
    EXPECT_FALSE(whole.Parse(xml, "part.xml", err)) << xml;
    for (size_t piece : {size_t{1}, size_t{5}, xml.size()}) {
      Streamed s = Stream(xml, piece, path);
      EXPECT_FALSE(s.ok) << xml;
      EXPECT_EQ(s.err.substr(0, why.size()), why) << xml << " in pieces of " << piece;
    }
  }
}

TEST(HostXmlStream, AttributeValuesAreFoundAcrossPieces) {
  const std::unordered_set<std::string_view> names{"Heading_20_1"};
  std::string xml = "<!-- x=\"Heading_20_1\" --><a><b x=\"P\"/>";
  for (int i = 0; i < 100; ++i) xml += "<c y='Other'>Heading_20_1</c>";
  for (bool named : {false, true}) {
    std::string all = xml + (named ? "<d z=\"Heading_20_1\"/></a>" : "</a>");
    for (size_t piece : {size_t{1}, size_t{3}, size_t{64}}) {
      ValueFinder f(names);
      for (size_t at = 0; at < all.size(); at += piece)
        f.Feed(std::string_view(all).substr(at, piece));
      EXPECT_EQ(f.Found(true), named) << piece;
    }
  }
  ValueFinder cut(names);
  cut.Feed("<a x=\"Head");
  EXPECT_FALSE(cut.Found(false));
  EXPECT_TRUE(cut.Found(true)) << "bytes cut short may name one";
}

}  // namespace
}  // namespace qvhost
