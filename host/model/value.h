// Property values as the substitute host keeps them: one tagged record per value, in the shapes
// the interface carries (int-like, text, text list, number lists, points, tabs, text locations
// and ranges, and the structure records: element ranges, attributes, attribute definitions and
// element catalogues).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qvhost {

using Handle = uint32_t;

// Shape of a stored value. Int, Metric and Id all travel as one 32-bit word; the shape decides
// the typed-value code reported by the property-list calls.
enum class PType : uint8_t {
  Int,
  Metric,
  Id,
  String,
  Strings,
  Metrics,
  Tabs,
  TextRange,
  Points,
  TextLoc,
  Ints,
  UInts,
  UBytes,
  ElementRange,
  Attributes,
  AttributeDefs,
  ElementCatalog
};

// Typed-value codes of the property-list records.
constexpr int32_t kTvInt = 1, kTvMetric = 2, kTvString = 3, kTvId = 4, kTvMetrics = 5,
                  kTvStrings = 6, kTvPoints = 7, kTvTabs = 8, kTvTextLoc = 9, kTvTextRange = 10,
                  kTvElementCatalog = 12, kTvInts = 13, kTvUBytes = 14, kTvUInts = 15,
                  kTvAttributeDefs = 17, kTvAttributes = 18, kTvElementRange = 19;

int32_t TypedValCode(PType t);

struct Tab {
  int32_t position = 0;  // metric
  uint8_t kind = 1;      // 1 left, 2 centre, 3 right, 4 decimal
  std::string leader;
  uint8_t decimal = 0;
  bool operator==(const Tab &) const = default;
};

struct TextLoc {
  Handle obj = 0;
  int32_t offset = 0;
  bool operator==(const TextLoc &) const = default;
};

struct TextRange {
  TextLoc beg, end;
  bool operator==(const TextRange &) const = default;
};

struct Point {
  int32_t x = 0, y = 0;
  bool operator==(const Point &) const = default;
};

// A place in the element tree: before `child` among the children of `parent` (child 0: at the
// end), `offset` characters into the child's text.
struct ElementLoc {
  Handle parent = 0, child = 0;
  int32_t offset = 0;
  bool operator==(const ElementLoc &) const = default;
};

struct ElementRange {
  ElementLoc beg, end;
  bool operator==(const ElementRange &) const = default;
};

struct Attribute {
  std::string name;
  std::vector<std::string> values;
  uint8_t valFlags = 0, allow = 0;
  bool operator==(const Attribute &) const = default;
};

struct AttributeDef {
  std::string name;
  int32_t required = 0, readOnly = 0, type = 0;
  std::vector<std::string> choices, defaults;
  std::string rangeMin, rangeMax;
  bool operator==(const AttributeDef &) const = default;
};

struct CatalogEntry {
  Handle def = 0;
  int32_t flags = 0;
  bool operator==(const CatalogEntry &) const = default;
};

// The shapes a value rarely takes, kept out of line so that the common ones (the int-like
// shapes and text, which fill the characteristic maps of every format and paragraph) stay small.
struct ValueExtra {
  std::vector<std::string> strings;
  std::vector<int32_t> nums;  // metrics, ints, unsigned ints or bytes, as the shape says
  std::vector<Tab> tabs;
  std::vector<Point> points;
  TextLoc loc;
  TextRange range;
  ElementRange elements;
  std::vector<Attribute> attrs;
  std::vector<AttributeDef> attrDefs;
  std::vector<CatalogEntry> catalog;
  bool operator==(const ValueExtra &) const = default;
};

// A value: its shape, the int-like word, the text, and the other shapes' contents out of line
// (read through the accessors: empty when never set; written through Mut(), which makes them).
class Value {
 public:
  PType type = PType::Int;
  int32_t i = 0;
  std::string s;

  Value() = default;
  Value(const Value &o) : type(o.type), i(o.i), s(o.s) {
    if (o.extra_) extra_ = std::make_unique<ValueExtra>(*o.extra_);
  }
  Value(Value &&) noexcept = default;
  Value &operator=(const Value &o) {
    if (this != &o) *this = Value(o);
    return *this;
  }
  Value &operator=(Value &&) noexcept = default;
  ~Value() = default;

  const std::vector<std::string> &strings() const { return X().strings; }
  const std::vector<int32_t> &nums() const { return X().nums; }
  const std::vector<Tab> &tabs() const { return X().tabs; }
  const std::vector<Point> &points() const { return X().points; }
  const TextLoc &loc() const { return X().loc; }
  const TextRange &range() const { return X().range; }
  const ElementRange &elements() const { return X().elements; }
  const std::vector<Attribute> &attrs() const { return X().attrs; }
  const std::vector<AttributeDef> &attrDefs() const { return X().attrDefs; }
  const std::vector<CatalogEntry> &catalog() const { return X().catalog; }
  ValueExtra &Mut() {
    if (!extra_) extra_ = std::make_unique<ValueExtra>();
    return *extra_;
  }

  static Value Of(PType t, int32_t v) {
    Value r;
    r.type = t;
    r.i = v;
    return r;
  }
  static Value Int(int32_t v) { return Of(PType::Int, v); }
  static Value Metric(int32_t v) { return Of(PType::Metric, v); }
  static Value Id(Handle v) { return Of(PType::Id, static_cast<int32_t>(v)); }
  // A value of shape `t` held in `field` of the out-of-line part (made only for a non-empty one).
  template <class F>
  static Value With(PType t, F ValueExtra::*field, F v) {
    Value r = Of(t, 0);
    if (!(v == F{})) r.Mut().*field = std::move(v);
    return r;
  }
  static Value Str(std::string v) {
    Value r = Of(PType::String, 0);
    r.s = std::move(v);
    return r;
  }
  static Value Strs(std::vector<std::string> v) {
    return With(PType::Strings, &ValueExtra::strings, std::move(v));
  }
  static Value Nums(PType t, std::vector<int32_t> v) {
    return With(t, &ValueExtra::nums, std::move(v));
  }
  static Value Metrs(std::vector<int32_t> v) { return Nums(PType::Metrics, std::move(v)); }
  static Value Points(std::vector<Point> v) {
    return With(PType::Points, &ValueExtra::points, std::move(v));
  }
  static Value Loc(TextLoc v) { return With(PType::TextLoc, &ValueExtra::loc, v); }
  static Value Tabs(std::vector<Tab> v) {
    return With(PType::Tabs, &ValueExtra::tabs, std::move(v));
  }
  static Value Range(TextRange v) { return With(PType::TextRange, &ValueExtra::range, v); }
  static Value Elements(ElementRange v) {
    return With(PType::ElementRange, &ValueExtra::elements, v);
  }
  static Value Attrs(std::vector<Attribute> v) {
    return With(PType::Attributes, &ValueExtra::attrs, std::move(v));
  }
  static Value AttrDefs(std::vector<AttributeDef> v) {
    return With(PType::AttributeDefs, &ValueExtra::attrDefs, std::move(v));
  }
  static Value Catalog(std::vector<CatalogEntry> v) {
    return With(PType::ElementCatalog, &ValueExtra::catalog, std::move(v));
  }
  bool IntLike() const { return type == PType::Int || type == PType::Metric || type == PType::Id; }
  bool operator==(const Value &o) const {
    return type == o.type && i == o.i && s == o.s && X() == o.X();
  }

 private:
  const ValueExtra &X() const {
    static const ValueExtra none;
    return extra_ ? *extra_ : none;
  }
  std::unique_ptr<ValueExtra> extra_;
};

}  // namespace qvhost
