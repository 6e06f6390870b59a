// Translation between the wire records and the model's values, shared by the handlers. Every
// record built here holds malloc'd memory only, so that xdr_free can release it.
#pragma once

#include <quorvex/fapitypes.h>

#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#include "host/model/model.h"
#include "host/utf8.h"

namespace qvhost::wire {

// Every text a client sends comes in through here. The model holds UTF-8 only (it is written
// into XML and JSON files), so a malformed sequence is repaired, not refused: each bad byte
// becomes U+FFFD, and the call goes on with the text as repaired.
inline std::string Str(const char *s) {
  return s ? Utf8Repaired(s) : "";
}
char *Dup(const std::string &s);

template <class T>
T *Alloc(size_t n) {
  return n ? static_cast<T *>(calloc(n, sizeof(T))) : nullptr;
}

// Any counted list of plain numbers (F_IntsT, F_UIntsT, F_MetricsT, F_UBytesT).
template <class L>
std::vector<int32_t> NumsFrom(const L &l) {
  std::vector<int32_t> v;
  for (UIntT i = 0; i < l.count && l.items; ++i) v.push_back(static_cast<int32_t>(l.items[i]));
  return v;
}
template <class L>
L NumsTo(const std::vector<int32_t> &v) {
  using Item = std::remove_pointer_t<decltype(L::items)>;
  L l{static_cast<UIntT>(v.size()), Alloc<Item>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) l.items[i] = static_cast<Item>(v[i]);
  return l;
}

std::vector<std::string> StringsFrom(const F_StringsT &s);
F_StringsT StringsTo(const std::vector<std::string> &v);

inline TextLoc LocFrom(const F_TextLocT &l) {
  return {l.objId, l.offset};
}
inline F_TextLocT LocTo(const TextLoc &l) {
  return {l.obj, l.offset};
}
inline TextRange RangeFrom(const F_TextRangeT &r) {
  return {LocFrom(r.beg), LocFrom(r.end)};
}
inline F_TextRangeT RangeTo(const TextRange &r) {
  return {LocTo(r.beg), LocTo(r.end)};
}
inline ElementLoc ElemLocFrom(const F_ElementLocT &l) {
  return {l.parentId, l.childId, l.offset};
}
inline F_ElementLocT ElemLocTo(const ElementLoc &l) {
  return {l.parent, l.child, l.offset};
}
inline ElementRange ElemRangeFrom(const F_ElementRangeT &r) {
  return {ElemLocFrom(r.beg), ElemLocFrom(r.end)};
}
inline F_ElementRangeT ElemRangeTo(const ElementRange &r) {
  return {ElemLocTo(r.beg), ElemLocTo(r.end)};
}

std::vector<Point> PointsFrom(const F_PointsT &p);
F_PointsT PointsTo(const std::vector<Point> &v);
std::vector<Tab> TabsFrom(const F_TabsT &t);
F_TabsT TabsTo(const std::vector<Tab> &v);
std::vector<Attribute> AttrsFrom(const F_AttributesT &a);
F_AttributesT AttrsTo(const std::vector<Attribute> &v);
std::vector<AttributeDef> AttrDefsFrom(const F_AttributeDefsT &a);
F_AttributeDefsT AttrDefsTo(const std::vector<AttributeDef> &v);
std::vector<CatalogEntry> CatalogFrom(const F_ElementCatalogEntriesT &c);
F_ElementCatalogEntriesT CatalogTo(const std::vector<CatalogEntry> &v);

// Property lists. PropsFrom skips entries of a shape the model does not know and reports
// kBadPropType for them in `st`.
std::vector<Model::PropVal> PropsFrom(const F_PropValsT &p, int32_t &st);
F_PropValsT PropsTo(const std::vector<Model::PropVal> &v);

}  // namespace qvhost::wire
