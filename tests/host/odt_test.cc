// OpenDocument Text files made by LibreOffice (and shipped by Debian packages), read into the
// model and written back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "host/docio.h"
#include "host/formats/format.h"
#include "host/formats/odt.h"
#include "host/formats/package.h"
#include "host/model/model.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string &name) {
  return std::string(QV_FIXTURES_DIR) + "/office/" + name;
}

[[maybe_unused]] const char *kOdtFixtures[] = {"rich.odt",
                                               "users-and-groups.odt",
                                               "python-policy.odt",
                                               "zlib_how.odt",
                                               "valgrind-quick-start.odt",
                                               "libxslt-functions.odt",
                                               "docutils-styles.odt",
                                               "lo-idxexample.odt"};

struct Loaded {
  Model m;
  Doc *d = nullptr;
  std::string err;
  explicit Loaded(const std::string &path) {
    Handle h = LoadFile(m, path, err);
    d = m.DocOf(h);
  }
  // Paragraph count per flow tag, and in tables.
  std::map<std::string, int> PerFlow() const {
    std::map<std::string, int> out;
    for (Handle h : m.WalkPgfs(*d)) {
      const Pgf *p = m.PgfOf(h);
      if (p->home != PgfHome::Frame) {
        ++out["(tables)"];
        continue;
      }
      const Frame *fr = m.As<Frame>(p->parent, Kind::Frame);
      ++out[m.As<Flow>(fr->flow, Kind::Flow)->tag];
    }
    return out;
  }
  std::map<std::string, int> Used() const {
    std::map<std::string, int> out;
    for (Handle h : m.WalkPgfs(*d)) ++out[m.PgfOf(h)->tag];
    return out;
  }
  int Overrides() const {
    int n = 0;
    for (Handle h : m.WalkPgfs(*d)) n += m.PgfOf(h)->override_;
    return n;
  }
  std::vector<std::string> Catalogue() const {
    std::vector<std::string> v;
    for (Handle h : m.Chained(d->fmts)) v.push_back(m.FmtOf(h)->name);
    return v;
  }
  const PgfFmt *Fmt(const std::string &name) const { return m.FindFormat(*d, name); }
};

TEST(OdtLoad, EveryPlaceAParagraphCanBe) {
  Loaded l(Fixture("rich.odt"));
  ASSERT_TRUE(l.d) << l.err;
  std::map<std::string, int> flows = l.PerFlow();
  for (auto &[k, v] : flows) std::cerr << k << " " << v << "\n";
  for (auto &[k, v] : l.Used()) std::cerr << "used " << k << " " << v << "\n";
  std::cerr << "overrides " << l.Overrides() << "\n";
  for (auto &n : l.Catalogue()) std::cerr << "fmt " << n << "\n";
}

}  // namespace
}  // namespace qvhost
