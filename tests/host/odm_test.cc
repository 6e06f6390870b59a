// OpenDocument master documents as books: LibreOffice's master.odm links two of the .odt
// fixtures; they are the book's components, in the order the master holds them.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/files.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

TEST(HostOdm, LinkedSubDocumentsAreTheComponentsInOrderAndOpenAsDocuments) {
  fs::path dir = fs::path(QV_FIXTURES_DIR) / "office";
  Model m;
  m.files = &FormatFiles();
  std::string err;
  Handle h = LoadFile(m, (dir / "master.odm").string(), err);
  ASSERT_NE(h, 0u) << err;
  const Book *b = m.BookOf(h);
  ASSERT_NE(b, nullptr);
  std::vector<std::string> comps;
  for (Handle c : m.Chained(b->comps)) comps.push_back(m.As<Component>(c, Kind::Component)->path);
  ASSERT_EQ(comps.size(), 2u);
  EXPECT_EQ(fs::path(comps[0]), (dir / "rich.odt").lexically_normal());
  EXPECT_EQ(fs::path(comps[1]), (dir / "users-and-groups.odt").lexically_normal());
  Handle doc;
  ASSERT_EQ(m.Open(comps[1], false, doc), kOk) << m.lastError;
  EXPECT_NE(m.DocOf(doc), nullptr);

  // The book is read, never written back over the master document.
  EXPECT_FALSE(SaveFile(m, h, (dir / "master.odm").string(), err));
  EXPECT_NE(err.find("not written"), std::string::npos) << err;
}

}  // namespace
}  // namespace qvhost
