#include "e2e_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qvtest {

void ClientE2E::SetUp() {
  char tmpl[] = "/tmp/qvclient.XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  dir_ = tmpl;
  m().Reset(true);  // the same handles in both runs of the test
  // The client directory holds the output template with the three listing formats.
  std::filesystem::create_directories(dir_ + "/clientdir");
  qvhost::Doc &tpl = NewDoc("", {"Heading1", "Heading2", "Body"});
  qvhost::Flow *flow = m().As<qvhost::Flow>(tpl.mainFlow, qvhost::Kind::Flow);
  Handle p =
      m().AddPgf(*m().As<qvhost::Frame>(flow->frames.first, qvhost::Kind::Frame), "Body", "")->h;
  tpl.selection = {{p, 0}, {p, 0}};
  std::string err;
  ASSERT_TRUE(qvhost::SaveFile(m(), tpl.h, dir_ + "/clientdir/KVOutput.fm", err)) << err;
  m().Close(tpl.h, 1);
  m().clientDir = dir_ + "/clientdir";
  static bool registered = false;
  if (!registered) qvhost::RegisterModelHandlers();
  registered = true;
  ASSERT_TRUE(host_.Start(&err)) << err;
  host_.SetCallTimeLimit(20000);
  transports_.Begin();
}

void ClientE2E::TearDown() {
  host_.Stop();
  transports_.End(host_, dir_);
  m().Reset();
  std::filesystem::remove_all(dir_);
}

void ClientE2E::Launch() {
  if (host_.ClientPid() > 0) host_.WaitExit(5000);  // the previous client is on its way out
  qvhost::Host::LaunchOptions o;
  o.client_path = QUORVEX_CLIENT_BIN;
  o.client_number = -1;
  o.wrapper = {"/bin/sh", "-c", "exec \"$0\" 2>>\"" + dir_ + "/stderr\""};
  transports_.Use(o, dir_ + "/stderr");
  std::string err;
  ASSERT_TRUE(host_.Launch(o, &err)) << err;
  ASSERT_EQ(host_.Initialize(2), 0);
}

int ClientE2E::Run(int id) {
  Launch();
  return host_.Command(id);
}

int ClientE2E::Call(const std::string &text) {
  Launch();
  return host_.Notify(13, 0, text, 0);
}

std::string ClientE2E::Stderr() const {
  std::ifstream in(dir_ + "/stderr");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> ClientE2E::Shown(const std::string &kind) const {
  std::vector<std::string> out;
  for (const qvhost::ShownItem &it : m().shown)
    if (it.what == kind) out.push_back(it.text);
  return out;
}

void ClientE2E::Answer(const std::string &a) {
  qvhost::Answer ans;
  ans.what = a == "ok" ? qvhost::Answer::Ok : qvhost::Answer::Cancel;
  m().answers.push_back(ans);
}

void ClientE2E::Choose(int index) {
  qvhost::Answer ans;
  ans.what = qvhost::Answer::Choose;
  ans.index = index;
  m().answers.push_back(ans);
}

std::vector<std::string> ClientE2E::Lines(Handle doc) const {
  std::vector<std::string> out;
  const qvhost::Doc *d = m().DocOf(doc);
  if (!d) return out;
  for (Handle f : m().Chained(m().As<qvhost::Flow>(d->mainFlow, qvhost::Kind::Flow)->frames))
    for (Handle p : m().Chained(m().As<qvhost::Frame>(f, qvhost::Kind::Frame)->pgfs))
      out.push_back(m().PgfOf(p)->tag + "|" + m().PgfOf(p)->text);
  if (!out.empty() && out.back().back() == '|') out.pop_back();
  return out;
}

std::vector<std::string> ClientE2E::ArgsOf(unsigned proc) const {
  std::vector<std::string> out;
  for (const qvhost::LoggedCall &c : host_.CallLog())
    if (c.proc == proc) out.push_back(c.args);
  return out;
}

size_t ClientE2E::FirstCall(unsigned proc) const {
  const std::vector<qvhost::LoggedCall> &log = host_.CallLog();
  for (size_t i = 0; i < log.size(); ++i)
    if (log[i].proc == proc) return i;
  return std::string::npos;
}

size_t ClientE2E::LastCall(unsigned proc) const {
  const std::vector<qvhost::LoggedCall> &log = host_.CallLog();
  for (size_t i = log.size(); i-- > 0;)
    if (log[i].proc == proc) return i;
  return std::string::npos;
}

Handle ClientE2E::Output() const {
  return m().created.empty() ? 0 : m().created.back();
}

std::vector<std::string> ClientE2E::Formats(Handle doc) const {
  std::vector<std::string> out;
  if (const qvhost::Doc *d = m().DocOf(doc))
    for (Handle f : m().Chained(d->fmts)) out.push_back(m().FmtOf(f)->name);
  return out;
}

qvhost::Doc &ClientE2E::NewDoc(const std::string &name, const std::vector<std::string> &formats) {
  qvhost::Doc *d = m().NewDoc(name.empty() ? "" : dir_ + "/" + name);
  for (const std::string &f : formats) m().AddFormat(*d, f);
  qvhost::Page *page = m().AddPage(*d, qvhost::PageList::Body, "1");
  m().AddFrame(*m().AddFlow(*d, "A", true), page->h);
  return *d;
}

qvhost::Pgf *ClientE2E::Pgf(qvhost::Doc &d, const std::string &tag, bool override) {
  qvhost::Flow *flow = m().As<qvhost::Flow>(d.mainFlow, qvhost::Kind::Flow);
  qvhost::Frame *fr = m().As<qvhost::Frame>(flow->frames.last, qvhost::Kind::Frame);
  qvhost::Pgf *p = m().AddPgf(*fr, tag, tag + " text");
  p->override_ = override;
  if (d.selection.beg.obj == 0) d.selection = {{p->h, 0}, {p->h, 0}};
  return p;
}

qvhost::Table &ClientE2E::NewTable(qvhost::Doc &d,
                                   const std::vector<std::vector<std::string>> &rows,
                                   const std::string &cellTag) {
  qvhost::Table *t = m().AddTable(d, "Format A", 0);
  for (const auto &row : rows) {
    qvhost::Row *r = m().AddRow(*t);
    for (const std::string &text : row) m().AddCellPgf(*m().AddCell(*r), cellTag, text);
  }
  return *t;
}

std::string ClientE2E::SaveAndClose(qvhost::Doc &d) {
  std::string path = d.path, err;
  EXPECT_TRUE(qvhost::SaveFile(m(), d.h, path, err)) << err;
  m().Close(d.h, 1);
  return path;
}

Handle ClientE2E::NewBook(const std::vector<std::string> &files) {
  qvhost::Book *b = m().NewBook(dir_ + "/manual.book");
  for (const std::string &f : files) m().AddComponent(*b, f);
  m().activeBook = b->h;
  return b->h;
}

Handle ClientE2E::Reload(const std::string &path) {
  std::string err;
  Handle h = qvhost::LoadFile(m(), path, err);
  EXPECT_NE(h, 0u) << err;
  return h;
}

}  // namespace qvtest
