// Property values as the substitute host keeps them: one tagged record per value, with the
// handful of shapes the interface carries (int-like, text, text list, metric list, tab list,
// text range).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvhost {

using Handle = uint32_t;

// Shape of a stored value. Int, Metric and Id all travel as one 32-bit word; the shape decides
// the typed-value code reported by the property-list calls.
enum class PType : uint8_t { Int, Metric, Id, String, Strings, Metrics, Tabs, TextRange };

// Typed-value codes of the property-list records.
constexpr int32_t kTvInt = 1, kTvMetric = 2, kTvString = 3, kTvId = 4, kTvMetrics = 5,
                  kTvStrings = 6, kTvTabs = 8, kTvTextRange = 10;

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

struct Value {
  PType type = PType::Int;
  int32_t i = 0;
  std::string s;
  std::vector<std::string> strings;
  std::vector<int32_t> metrics;
  std::vector<Tab> tabs;
  TextRange range;

  static Value Of(PType t, int32_t v) {
    Value r;
    r.type = t;
    r.i = v;
    return r;
  }
  static Value Int(int32_t v) { return Of(PType::Int, v); }
  static Value Metric(int32_t v) { return Of(PType::Metric, v); }
  static Value Id(Handle v) { return Of(PType::Id, static_cast<int32_t>(v)); }
  static Value Str(std::string v) {
    Value r = Of(PType::String, 0);
    r.s = std::move(v);
    return r;
  }
  static Value Strs(std::vector<std::string> v) {
    Value r = Of(PType::Strings, 0);
    r.strings = std::move(v);
    return r;
  }
  static Value Metrs(std::vector<int32_t> v) {
    Value r = Of(PType::Metrics, 0);
    r.metrics = std::move(v);
    return r;
  }
  static Value Tabs(std::vector<Tab> v) {
    Value r = Of(PType::Tabs, 0);
    r.tabs = std::move(v);
    return r;
  }
  static Value Range(TextRange v) {
    Value r = Of(PType::TextRange, 0);
    r.range = v;
    return r;
  }
  bool IntLike() const { return type == PType::Int || type == PType::Metric || type == PType::Id; }
  bool operator==(const Value &) const = default;
};

}  // namespace qvhost
