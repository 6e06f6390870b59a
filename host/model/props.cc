#include "host/model/props.h"

#include <algorithm>
#include <iterator>

#include "quorvex/fcodes.h"

namespace qvhost {

int32_t TypedValCode(PType t) {
  // In the order of PType.
  static constexpr int32_t kCodes[] = {
      kTvInt,    kTvMetric,       kTvId,         kTvString,        kTvStrings,       kTvMetrics,
      kTvTabs,   kTvTextRange,    kTvPoints,     kTvTextLoc,       kTvInts,          kTvUInts,
      kTvUBytes, kTvElementRange, kTvAttributes, kTvAttributeDefs, kTvElementCatalog};
  static_assert(std::size(kCodes) == static_cast<size_t>(PType::ElementCatalog) + 1);
  return kCodes[static_cast<size_t>(t)];
}

namespace {

constexpr int32_t kPt = 0x10000;

// Defaults of a plain body-text format: 12 pt Times Regular, left aligned, 14 pt lines,
// word spacing 90/100/110 %, hyphenation on with the usual limits, US English.
const CharDef kDefs[] = {
    {PROP_Alignment, PType::Int, "alignment", 1, nullptr},
    {PROP_AutonumFormat, PType::String, "autonumFormat", 0, ""},
    {PROP_AutonumCharFmt, PType::String, "autonumCharFmt", 0, ""},
    {PROP_LetterSpacing, PType::Int, "letterSpacing", 0, nullptr},
    {PROP_KeepWithPrev, PType::Int, "keepWithPrev", 0, nullptr},
    {PROP_NextTag, PType::String, "nextTag", 0, ""},
    {PROP_SpaceAbove, PType::Metric, "spaceAbove", 0, nullptr},
    {PROP_FrameAbove, PType::String, "frameAbove", 0, ""},
    {PROP_LeftIndent, PType::Metric, "leftIndent", 0, nullptr},
    {PROP_FirstIndent, PType::Metric, "firstIndent", 0, nullptr},
    {PROP_OptWordSpacing, PType::Metric, "optWordSpacing", kPt, nullptr},
    {PROP_LineSpacing, PType::Metric, "lineSpacing", 2 * kPt, nullptr},
    {PROP_HyphMaxAdjacent, PType::Int, "hyphMaxAdjacent", 2, nullptr},
    {PROP_HyphShortestSuffix, PType::Int, "hyphShortestSuffix", 3, nullptr},
    {PROP_WidowOrphanLines, PType::Int, "widowOrphanLines", 2, nullptr},
    {PROP_Autonumbering, PType::Int, "autonumbering", 0, nullptr},
    {PROP_NumberAtEnd, PType::Int, "numberAtEnd", 0, nullptr},
    {PROP_Hyphenate, PType::Int, "hyphenate", 1, nullptr},
    {PROP_KeepWithNext, PType::Int, "keepWithNext", 0, nullptr},
    {PROP_UseNextTag, PType::Int, "useNextTag", 0, nullptr},
    {PROP_Start, PType::Int, "start", 0, nullptr},
    {PROP_SpaceBelow, PType::Metric, "spaceBelow", 0, nullptr},
    {PROP_FrameBelow, PType::String, "frameBelow", 0, ""},
    {PROP_RightIndent, PType::Metric, "rightIndent", 0, nullptr},
    {PROP_MinWordSpacing, PType::Metric, "minWordSpacing", 58982, nullptr},  // 90 %
    {PROP_MaxWordSpacing, PType::Metric, "maxWordSpacing", 72090, nullptr},  // 110 %
    {PROP_Tabs, PType::Tabs, "tabs", 0, nullptr},
    {PROP_HyphShortestPrefix, PType::Int, "hyphShortestPrefix", 3, nullptr},
    {PROP_HyphShortestWord, PType::Int, "hyphShortestWord", 5, nullptr},
    {PROP_Language, PType::Int, "language", 1, nullptr},
    {PROP_RunInDefaultPunct, PType::String, "runInDefaultPunct", 0, ". "},
    {PROP_Placement, PType::Int, "placement", 0, nullptr},
    {PROP_CellTopMargin, PType::Metric, "cellTopMargin", 0, nullptr},
    {PROP_CellBottomMargin, PType::Metric, "cellBottomMargin", 0, nullptr},
    {PROP_CellLeftMargin, PType::Metric, "cellLeftMargin", 0, nullptr},
    {PROP_CellRightMargin, PType::Metric, "cellRightMargin", 0, nullptr},
    {PROP_CellVAlignment, PType::Int, "cellVAlignment", 0, nullptr},
    {PROP_CellMarginFlags, PType::Int, "cellMarginFlags", 0, nullptr},
    {PROP_LineSpacingNotFixed, PType::Int, "lineSpacingNotFixed", 1, nullptr},
    {PROP_BookmarkLevel, PType::Int, "bookmarkLevel", 0, nullptr},
    {PROP_StructureLevel, PType::Int, "structureLevel", 0, nullptr},
    {PROP_FontFamily, PType::Int, "fontFamily", 3, nullptr},
    {PROP_FontVariation, PType::Int, "fontVariation", 0, nullptr},
    {PROP_FontWeight, PType::Int, "fontWeight", 0, nullptr},
    {PROP_FontAngle, PType::Int, "fontAngle", 0, nullptr},
    {PROP_Underlining, PType::Int, "underlining", 0, nullptr},
    {PROP_Strikethrough, PType::Int, "strikethrough", 0, nullptr},
    {PROP_Overline, PType::Int, "overline", 0, nullptr},
    {PROP_ChangeBar, PType::Int, "changeBar", 0, nullptr},
    {PROP_PairKern, PType::Int, "pairKern", 1, nullptr},
    {PROP_FontSize, PType::Metric, "fontSize", 12 * kPt, nullptr},
    {PROP_Spread, PType::Metric, "spread", 0, nullptr},
    {PROP_Capitalization, PType::Int, "capitalization", 0, nullptr},
    {PROP_Position, PType::Int, "position", 0, nullptr},
    {PROP_Stretch, PType::Metric, "stretch", kPt, nullptr},
    {PROP_Color, PType::Id, "color", 0, nullptr},
    {PROP_NamedDestination, PType::Int, "namedDestination", 0, nullptr},
};

}  // namespace

std::span<const CharDef> CharDefs() {
  return kDefs;
}

const CharDef *FindCharDef(int32_t code) {
  auto it = std::lower_bound(std::begin(kDefs), std::end(kDefs), code,
                             [](const CharDef &d, int32_t c) { return d.code < c; });
  return it != std::end(kDefs) && it->code == code ? &*it : nullptr;
}

const CharDef *FindCharDefByKey(const std::string &key) {
  for (const CharDef &d : kDefs)
    if (key == d.key) return &d;
  return nullptr;
}

Value DefaultValue(const CharDef &d) {
  Value v;
  v.type = d.type;
  if (d.type == PType::String)
    v.s = d.defText ? d.defText : "";
  else
    v.i = d.defInt;
  return v;
}

namespace {
std::vector<std::string> &Families() {
  static std::vector<std::string> v{"Courier",      "Helvetica", "Symbol", "Times",
                                    "ZapfDingbats", "Palatino",  "Optima", "Futura"};
  return v;
}
}  // namespace

const std::vector<std::string> &FontFamilyNames() {
  return Families();
}

int32_t FontFamilyIndex(const std::string &name) {
  std::vector<std::string> &v = Families();
  auto it = std::find(v.begin(), v.end(), name);
  if (it == v.end()) it = v.insert(v.end(), name);
  return static_cast<int32_t>(it - v.begin());
}
const std::vector<std::string> &FontVariationNames() {
  static const std::vector<std::string> v{"Regular", "Narrow", "Condensed", "Compressed",
                                          "Expanded"};
  return v;
}
const std::vector<std::string> &FontWeightNames() {
  static const std::vector<std::string> v{"Regular", "Light", "Book",  "Medium",
                                          "Demi",    "Bold",  "Heavy", "Black"};
  return v;
}
const std::vector<std::string> &FontAngleNames() {
  static const std::vector<std::string> v{"Regular", "Italic", "Oblique", "Kursiv"};
  return v;
}

}  // namespace qvhost
