#include "host/changes.h"

#include <algorithm>

#include "quorvex/fcodes.h"

namespace qvhost {

namespace {

using NextTags = std::unordered_map<std::string, std::string>;

// The next tag of every format, by name (the first format of a name, as lookups find it).
NextTags FormatNextTags(const Model &m, const Doc &d) {
  NextTags next;
  for (Handle h : m.Chained(d.fmts)) {
    const PgfFmt *f = m.FmtOf(h);
    next.emplace(f->name, m.FmtChar(*f, PROP_NextTag).s);
  }
  return next;
}

// A paragraph's next tag: its own, else its format's (looked up in `formats`, so that a walk of
// the document stays linear).
std::string NextTagOf(const Pgf &p, const NextTags &formats) {
  auto own = p.own.find(PROP_NextTag);
  if (own != p.own.end()) return own->second.s;
  auto f = formats.find(p.tag);
  return f != formats.end() ? f->second : std::string();
}

ChangeLog::DocState TakeState(const Model &m, const Doc &d) {
  ChangeLog::DocState s;
  for (Handle h : m.Chained(d.fmts)) s.fmts.push_back(m.FmtOf(h)->name);
  s.nextTags = FormatNextTags(m, d);
  std::unordered_map<std::string, uint32_t> index;
  auto intern = [&](const std::string &name) {
    auto [it, added] = index.emplace(name, static_cast<uint32_t>(s.names.size()));
    if (added) s.names.push_back(name);
    return it->second;
  };
  std::vector<Handle> walk = m.WalkPgfs(d);
  s.pgfs.reserve(walk.size());
  for (Handle h : walk) {
    const Pgf *p = m.PgfOf(h);
    s.pgfs.push_back({h, intern(p->tag), intern(NextTagOf(*p, s.nextTags)), p->override_});
  }
  return s;
}

ChangeCounts Compare(const Model &m, const Doc &d, const ChangeLog::DocState &before) {
  ChangeCounts c;
  NextTags now = FormatNextTags(m, d);
  for (const auto &[name, next] : now) {
    auto was = before.nextTags.find(name);
    c.refsRewritten += was != before.nextTags.end() && was->second != next;
  }
  for (const std::string &name : before.fmts) c.stylesDeleted += !now.count(name);
  for (const ChangeLog::PgfState &was : before.pgfs) {
    const Pgf *p = m.PgfOf(was.h);
    if (!p || p->doc != d.h) continue;  // the paragraph went
    if (p->tag != before.names[was.tag])
      ++c.pgfsRetagged;
    else if (NextTagOf(*p, now) != before.names[was.next])
      ++c.refsRewritten;
    c.overridesRemoved += was.override_ && !p->override_;
  }
  return c;
}

std::string Count(int n, const char *one, const char *many, const char *what) {
  return std::to_string(n) + " " + (n == 1 ? one : many) + " " + what;
}

}  // namespace

ChangeCounts &ChangeCounts::operator+=(const ChangeCounts &o) {
  stylesDeleted += o.stylesDeleted;
  pgfsRetagged += o.pgfsRetagged;
  overridesRemoved += o.overridesRemoved;
  refsRewritten += o.refsRewritten;
  return *this;
}

void ChangeLog::Loaded(const Model &m, Handle doc) {
  if (const Doc *d = m.DocOf(doc)) states_[doc] = TakeState(m, *d);
}

void ChangeLog::Saved(const Model &m, Handle doc, const std::string &path) {
  const Doc *d = m.DocOf(doc);
  auto state = states_.find(doc);
  if (!d || state == states_.end()) return;
  auto entry = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry &e) { return e.path == path; });
  if (entry == entries_.end()) entry = entries_.insert(entries_.end(), Entry{path, {}});
  entry->counts += Compare(m, *d, state->second);
  state->second = TakeState(m, *d);
}

std::string DescribeCounts(const ChangeCounts &c) {
  return Count(c.stylesDeleted, "style", "styles", "deleted") + ", " +
         Count(c.pgfsRetagged, "paragraph", "paragraphs", "retagged") + ", " +
         Count(c.overridesRemoved, "override", "overrides", "removed") + ", " +
         Count(c.refsRewritten, "next-tag reference", "next-tag references", "rewritten");
}

}  // namespace qvhost
