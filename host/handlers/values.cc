// Wire <-> model values.
#include <cstring>

#include "host/handlers/handlers.h"
#include "host/handlers/wire.h"

namespace qvhost {

namespace wire {

char *Dup(const std::string &s) {
  return strdup(s.c_str());
}

std::vector<std::string> StringsFrom(const F_StringsT &s) {
  std::vector<std::string> v;
  for (UIntT i = 0; i < s.count && s.items; ++i) v.push_back(Str(s.items[i]));
  return v;
}

F_StringsT StringsTo(const std::vector<std::string> &v) {
  F_StringsT s{static_cast<UIntT>(v.size()), Alloc<StringT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) s.items[i] = Dup(v[i]);
  return s;
}

std::vector<Point> PointsFrom(const F_PointsT &p) {
  std::vector<Point> v;
  for (UIntT i = 0; i < p.count && p.items; ++i) v.push_back({p.items[i].x, p.items[i].y});
  return v;
}

F_PointsT PointsTo(const std::vector<Point> &v) {
  F_PointsT p{static_cast<UIntT>(v.size()), Alloc<F_PointT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) p.items[i] = {v[i].x, v[i].y};
  return p;
}

std::vector<Tab> TabsFrom(const F_TabsT &t) {
  std::vector<Tab> v;
  for (UIntT i = 0; i < t.count && t.items; ++i)
    v.push_back({t.items[i].x, t.items[i].type, Str(t.items[i].leader), t.items[i].decimal});
  return v;
}

F_TabsT TabsTo(const std::vector<Tab> &v) {
  F_TabsT t{static_cast<UIntT>(v.size()), Alloc<F_TabT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i)
    t.items[i] = {v[i].position, v[i].kind, Dup(v[i].leader), v[i].decimal};
  return t;
}

std::vector<Attribute> AttrsFrom(const F_AttributesT &a) {
  std::vector<Attribute> v;
  for (UIntT i = 0; i < a.count && a.items; ++i) {
    const F_AttributeT &x = a.items[i];
    v.push_back({Str(x.name), StringsFrom(x.values), x.valFlags, x.allow});
  }
  return v;
}

F_AttributesT AttrsTo(const std::vector<Attribute> &v) {
  F_AttributesT a{static_cast<UIntT>(v.size()), Alloc<F_AttributeT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i)
    a.items[i] = {Dup(v[i].name), StringsTo(v[i].values), v[i].valFlags, v[i].allow};
  return a;
}

std::vector<AttributeDef> AttrDefsFrom(const F_AttributeDefsT &a) {
  std::vector<AttributeDef> v;
  for (UIntT i = 0; i < a.count && a.items; ++i) {
    const F_AttributeDefT &x = a.items[i];
    v.push_back({Str(x.name), x.required, x.readOnly, x.attrType, StringsFrom(x.choices),
                 StringsFrom(x.defValues), Str(x.rangeMin), Str(x.rangeMax)});
  }
  return v;
}

F_AttributeDefsT AttrDefsTo(const std::vector<AttributeDef> &v) {
  F_AttributeDefsT a{static_cast<UIntT>(v.size()), Alloc<F_AttributeDefT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) {
    const AttributeDef &d = v[i];
    a.items[i] = {Dup(d.name),     d.required,           d.readOnly,
                  d.type,          StringsTo(d.choices), StringsTo(d.defaults),
                  Dup(d.rangeMin), Dup(d.rangeMax)};
  }
  return a;
}

std::vector<CatalogEntry> CatalogFrom(const F_ElementCatalogEntriesT &c) {
  std::vector<CatalogEntry> v;
  for (UIntT i = 0; i < c.count && c.items; ++i) v.push_back({c.items[i].objId, c.items[i].flags});
  return v;
}

F_ElementCatalogEntriesT CatalogTo(const std::vector<CatalogEntry> &v) {
  F_ElementCatalogEntriesT c{static_cast<UIntT>(v.size()), Alloc<F_ElementCatalogEntryT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) c.items[i] = {v[i].def, v[i].flags};
  return c;
}

std::vector<Model::PropVal> PropsFrom(const F_PropValsT &p, int32_t &st) {
  std::vector<Model::PropVal> v;
  st = kOk;
  for (UIntT i = 0; i < p.count && p.items; ++i) {
    Model::PropVal pv{p.items[i].ident.num, {}};
    if (!ValueFromWire(p.items[i].value, pv.value)) {
      st = kBadPropType;
      continue;
    }
    v.push_back(std::move(pv));
  }
  return v;
}

F_PropValsT PropsTo(const std::vector<Model::PropVal> &v) {
  F_PropValsT p{static_cast<UIntT>(v.size()), Alloc<F_PropValT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) {
    p.items[i].ident.num = v[i].code;
    ValueToWire(v[i].value, p.items[i].value);
  }
  return p;
}

}  // namespace wire

using namespace wire;

bool ValueFromWire(const F_TypedValT &in, Value &out) {
  switch (in.type) {
    case TV_Int:
      out = Value::Int(in.u.ival);
      return true;
    case TV_Metric:
      out = Value::Metric(in.u.ival);
      return true;
    case TV_Id:
      out = Value::Id(static_cast<Handle>(in.u.ival));
      return true;
    case TV_String:
      out = Value::Str(Str(in.u.sval));
      return true;
    case TV_Strings:
      out = Value::Strs(StringsFrom(in.u.strings));
      return true;
    case TV_Metrics:
      out = Value::Nums(PType::Metrics, NumsFrom(in.u.metrics));
      return true;
    case TV_Ints:
      out = Value::Nums(PType::Ints, NumsFrom(in.u.ints));
      return true;
    case TV_UInts:
      out = Value::Nums(PType::UInts, NumsFrom(in.u.uints));
      return true;
    case TV_UBytes:
      out = Value::Nums(PType::UBytes, NumsFrom(in.u.ubytes));
      return true;
    case TV_Points:
      out = Value::Points(PointsFrom(in.u.points));
      return true;
    case TV_Tabs:
      out = Value::Tabs(TabsFrom(in.u.tabs));
      return true;
    case TV_TextLoc:
      out = Value::Loc(LocFrom(in.u.textLoc));
      return true;
    case TV_TextRange:
      out = Value::Range(RangeFrom(in.u.textRange));
      return true;
    case TV_ElementRange:
      // An absent range is the empty one.
      out = Value::Elements(in.u.elementRange ? ElemRangeFrom(*in.u.elementRange) : ElementRange{});
      return true;
    case TV_Attributes:
      out = Value::Attrs(AttrsFrom(in.u.attrs));
      return true;
    case TV_AttributeDefs:
      out = Value::AttrDefs(AttrDefsFrom(in.u.attrDefs));
      return true;
    case TV_ElementCatalog:
      out = Value::Catalog(CatalogFrom(in.u.catalog));
      return true;
  }
  return false;
}

void ValueToWire(const Value &in, F_TypedValT &out) {
  out.type = TypedValCode(in.type);
  switch (in.type) {
    case PType::Int:
    case PType::Metric:
    case PType::Id:
      out.u.ival = in.i;
      break;
    case PType::String:
      out.u.sval = Dup(in.s);
      break;
    case PType::Strings:
      out.u.strings = StringsTo(in.strings());
      break;
    case PType::Metrics:
      out.u.metrics = NumsTo<F_MetricsT>(in.nums());
      break;
    case PType::Ints:
      out.u.ints = NumsTo<F_IntsT>(in.nums());
      break;
    case PType::UInts:
      out.u.uints = NumsTo<F_UIntsT>(in.nums());
      break;
    case PType::UBytes:
      out.u.ubytes = NumsTo<F_UBytesT>(in.nums());
      break;
    case PType::Points:
      out.u.points = PointsTo(in.points());
      break;
    case PType::Tabs:
      out.u.tabs = TabsTo(in.tabs());
      break;
    case PType::TextLoc:
      out.u.textLoc = LocTo(in.loc());
      break;
    case PType::TextRange:
      out.u.textRange = RangeTo(in.range());
      break;
    case PType::ElementRange:
      out.u.elementRange = Alloc<F_ElementRangeT>(1);
      *out.u.elementRange = ElemRangeTo(in.elements());
      break;
    case PType::Attributes:
      out.u.attrs = AttrsTo(in.attrs());
      break;
    case PType::AttributeDefs:
      out.u.attrDefs = AttrDefsTo(in.attrDefs());
      break;
    case PType::ElementCatalog:
      out.u.catalog = CatalogTo(in.catalog());
      break;
  }
}

}  // namespace qvhost
