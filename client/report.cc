// The paragraph tag report: one "Body" line per characteristic of a paragraph format, grouped
// under "Heading2" section headings, in one fixed order.
//
// The order, labels and value names live in one table walked by OutputStyleCharacteristics;
// each row names the writer that reads and prints it. The item writers read one property
// each and do not look for errors: a failed read prints whatever neutral value came back.
#include <cstdint>
#include <initializer_list>
#include <span>

#include "client/report.h"
#include "client/report_deps.h"

namespace {

constexpr ConStringT kBody = "Body";
constexpr ConStringT kHeading2 = "Heading2";

// Joins the parts into one new heap string; null parts count as empty. Null when memory runs
// out, in which case the caller skips the line.
StringT JoinText(std::initializer_list<ConStringT> parts) {
  UIntT len = 0;
  for (ConStringT p : parts) {
    UIntT n = F_StrLen(p);
    if (n >= UINT32_MAX - len) return nullptr;
    len += n;
  }
  StringT s = F_StrNew(len);
  if (!s) return nullptr;
  for (ConStringT p : parts)
    if (p) F_StrCat(s, p);
  return s;
}

// Writes the line and releases it.
void WriteLine(F_ObjHandleT outDocId, StringT line, ConStringT tag) {
  if (!line) return;
  WriteToOutputDocument(outDocId, line, tag);
  F_Free(line);
}

// "label: value" followed by the tail (a space, a unit name or "%").
void WriteItem(F_ObjHandleT outDocId, ConStringT label, ConStringT value, ConStringT tail) {
  WriteLine(outDocId, JoinText({label, ": ", value, tail}), kBody);
}

void WriteNumberItem(F_ObjHandleT outDocId, ConStringT label, StringT number, ConStringT unit) {
  WriteLine(outDocId, JoinText({label, ": ", number, " ", unit}), kBody);
  F_Free(number);
}

}  // namespace

extern "C" {

VoidT OutputGeneralItem(ConStringT label, ConStringT value, F_ObjHandleT outDocId) {
  WriteItem(outDocId, label, value, " ");
}

VoidT OutputBooleanItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                        F_ObjHandleT outDocId) {
  IntT v = F_ApiGetInt(docId, objId, propNum);
  OutputGeneralItem(label, v == 1 ? "True" : "False", outDocId);
}

VoidT OutputIntTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                     F_ObjHandleT outDocId) {
  // Room for the longest 32-bit value, "-2147483648" (11 characters).
  constexpr UIntT kIntChars = 11;
  StringT number = F_StrNew(kIntChars);
  if (!number) return;
  F_StrCatIntN(number, F_ApiGetInt(docId, objId, propNum), kIntChars + 1);
  OutputGeneralItem(label, number, outDocId);
  F_Free(number);
}

VoidT OutputStringTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                        F_ObjHandleT outDocId) {
  StringT s = F_ApiGetString(docId, objId, propNum);
  OutputGeneralItem(label, s, outDocId);
  F_ApiDeallocateString(&s);
}

VoidT OutputMetricTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                        F_ObjHandleT outDocId) {
  MetricT m = F_ApiGetMetric(docId, objId, propNum);
  StringT number = ConvertToDisplayUnits(docId, m);
  WriteNumberItem(outDocId, label, number, GetDocDisplayUnits(docId));
}

VoidT OutputFontMetricTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                            F_ObjHandleT outDocId) {
  MetricT m = F_ApiGetMetric(docId, objId, propNum);
  // The host stores line spacing as the gap added to the font size; users read the sum.
  // The sum is taken in unsigned arithmetic so that absurd stored values wrap, not trap.
  if (propNum == PROP_LineSpacing)
    m = static_cast<MetricT>(static_cast<UIntT>(m) +
                             static_cast<UIntT>(F_ApiGetMetric(docId, objId, PROP_FontSize)));
  StringT number = ConvertToFontDisplayUnits(docId, m);
  WriteNumberItem(outDocId, label, number, GetDocFontDisplayUnits(docId));
}

VoidT OutputPercentMetricTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum,
                               ConStringT label, F_ObjHandleT outDocId) {
  MetricT m = F_ApiGetMetric(docId, objId, propNum);
  char number[256];
  F_Sprintf(number, "%.2f", F_MetricToFloat(F_MetricDiv(m, 0x10000)) * 100.0);
  WriteItem(outDocId, label, number, "%");
}

}  // extern "C"

namespace {

// Names of an enumerated characteristic, for the values first, first + 1, ...
struct EnumNames {
  IntT first;
  std::span<const ConStringT> names;
  ConStringT Find(IntT v) const {
    if (v < first || v - first >= static_cast<IntT>(names.size())) return nullptr;
    return names[v - first];
  }
};

constexpr ConStringT kCapitalization[] = {"Normal", "Small Caps", "Lowercase", "Uppercase"};
constexpr ConStringT kPosition[] = {"Normal", "Superscript", "Subscript"};
constexpr ConStringT kUnderlining[] = {"None", "Underline", "Double Underline",
                                       "Numeric Underline"};
constexpr ConStringT kAlignment[] = {"Left", "Right", "Center", "Justified"};
constexpr ConStringT kPlacement[] = {"In Column",
                                     "Side Head Top Edge",
                                     "Side Head First Baseline",
                                     "Side Head Last Baseline",
                                     "Run In Head",
                                     "Across All Columns and Side Heads",
                                     "Across All Columns"};
constexpr ConStringT kStart[] = {"Anywhere", "Top of Column", "Top of Page", "Top of Left Page",
                                 "Top of Right Page"};
constexpr ConStringT kCellVAlignment[] = {"Top", "Middle", "Bottom"};
constexpr ConStringT kTabKinds[] = {"Left Align ", "Center Align ", "Right Align ", "Decimal "};

constexpr EnumNames kCapitalizationNames{0, kCapitalization};
constexpr EnumNames kPositionNames{0, kPosition};
constexpr EnumNames kUnderliningNames{0, kUnderlining};
constexpr EnumNames kAlignmentNames{1, kAlignment};
constexpr EnumNames kPlacementNames{0, kPlacement};
constexpr EnumNames kStartNames{0, kStart};
constexpr EnumNames kCellVAlignmentNames{0, kCellVAlignment};
constexpr EnumNames kTabKindNames{1, kTabKinds};

// The format being reported and what the rows share while it is.
struct Report {
  F_ObjHandleT doc, fmt, out;
  IntT marginFlags = 0;
  bool haveMarginFlags = false;
};

struct Row;
using RowWriter = void (*)(const Row &, Report &);

// One line (or section heading, or group of lines) of the report. `arg` is the session list
// for font names and the flag bit for cell margins; `alt` is the label of a margin whose flag
// bit is clear.
struct Row {
  RowWriter write;
  ConStringT label;
  IntT prop = 0;
  const EnumNames *names = nullptr;
  IntT arg = 0;
  ConStringT alt = nullptr;
};

void Heading(const Row &r, Report &rp) {
  WriteToOutputDocument(rp.out, r.label, kHeading2);
}

void Boolean(const Row &r, Report &rp) {
  OutputBooleanItem(rp.doc, rp.fmt, r.prop, r.label, rp.out);
}
void Integer(const Row &r, Report &rp) {
  OutputIntTItem(rp.doc, rp.fmt, r.prop, r.label, rp.out);
}
void Text(const Row &r, Report &rp) {
  OutputStringTItem(rp.doc, rp.fmt, r.prop, r.label, rp.out);
}
void Length(const Row &r, Report &rp) {
  OutputMetricTItem(rp.doc, rp.fmt, r.prop, r.label, rp.out);
}
void FontLength(const Row &r, Report &rp) {
  OutputFontMetricTItem(rp.doc, rp.fmt, r.prop, r.label, rp.out);
}
void Percent(const Row &r, Report &rp) {
  OutputPercentMetricTItem(rp.doc, rp.fmt, r.prop, r.label, rp.out);
}

// A value outside the known names prints no line at all.
void Enumerated(const Row &r, Report &rp) {
  if (ConStringT name = r.names->Find(F_ApiGetInt(rp.doc, rp.fmt, r.prop)))
    OutputGeneralItem(r.label, name, rp.out);
}

void Spacing(const Row &r, Report &rp) {
  OutputGeneralItem(r.label, F_ApiGetInt(rp.doc, rp.fmt, r.prop) == 0 ? "Fixed" : "Not Fixed",
                    rp.out);
}

void Color(const Row &r, Report &rp) {
  F_ObjHandleT color = F_ApiGetId(rp.doc, rp.fmt, r.prop);
  StringT name = F_ApiGetString(rp.doc, color, PROP_Name);
  OutputGeneralItem(r.label, name, rp.out);
  F_ApiDeallocateString(&name);
}

// The format holds an index into one of the session's font name lists; an index outside the
// list prints an empty name.
void FontName(const Row &r, Report &rp) {
  IntT index = F_ApiGetInt(rp.doc, rp.fmt, r.prop);
  F_StringsT names = F_ApiGetStrings(0, 0, r.arg);
  ConStringT name = nullptr;
  if (names.items && index >= 0 && static_cast<UIntT>(index) < names.count)
    name = names.items[index];
  OutputGeneralItem(r.label, name, rp.out);
  F_ApiDeallocateStrings(&names);
}

void Language(const Row &r, Report &rp) {
  OutputGeneralItem(r.label, F_LanguageString(F_ApiGetInt(rp.doc, rp.fmt, r.prop)), rp.out);
}

// One "Tab" line per tab stop, in list order.
void Tabs(const Row &r, Report &rp) {
  F_TabsT tabs = F_ApiGetTabs(rp.doc, rp.fmt, r.prop);
  for (UIntT i = 0; tabs.items && i < tabs.count; i++) {
    const F_TabT &tab = tabs.items[i];
    char decimal[2] = {static_cast<char>(tab.decimal), '\0'};
    StringT position = ConvertToDisplayUnits(rp.doc, tab.x);
    StringT text =
        JoinText({"Type: ", kTabKindNames.Find(tab.type), "  Position: ", position, " ",
                  GetDocDisplayUnits(rp.doc), "  Decimal: ", decimal, "  Leader: ", tab.leader});
    F_Free(position);
    if (text) OutputGeneralItem(r.label, text, rp.out);
    F_Free(text);
  }
  F_ApiDeallocateTabs(&tabs);
}

// The margin flags are read once per format, at the first margin line; a set bit means the
// format gives its own margin rather than adding to the table format's.
void CellMargin(const Row &r, Report &rp) {
  if (!rp.haveMarginFlags) {
    rp.marginFlags = F_ApiGetInt(rp.doc, rp.fmt, PROP_CellMarginFlags);
    rp.haveMarginFlags = true;
  }
  ConStringT label = (rp.marginFlags & r.arg) ? r.label : r.alt;
  OutputFontMetricTItem(rp.doc, rp.fmt, r.prop, label, rp.out);
}

constexpr Row kReport[] = {
    {Heading, "Default Font"},
    {Enumerated, "Capitalization", PROP_Capitalization, &kCapitalizationNames},
    {Boolean, "Change Bar", PROP_ChangeBar},
    {Color, "Color", PROP_Color},
    {FontName, "Font Family", PROP_FontFamily, nullptr, PROP_FontFamilyNames},
    {FontName, "Font Angle", PROP_FontAngle, nullptr, PROP_FontAngleNames},
    {FontLength, "Font Size", PROP_FontSize},
    {FontName, "Font Variation", PROP_FontVariation, nullptr, PROP_FontVariationNames},
    {FontName, "Font Weight", PROP_FontWeight, nullptr, PROP_FontWeightNames},
    {Percent, "Spread", PROP_Spread},
    {Percent, "Stretch", PROP_Stretch},
    {Boolean, "Overline", PROP_Overline},
    {Boolean, "Pair Kern", PROP_PairKern},
    {Enumerated, "Position", PROP_Position, &kPositionNames},
    {Boolean, "Strikethrough", PROP_Strikethrough},
    {Enumerated, "Underlining", PROP_Underlining, &kUnderliningNames},
    {Enumerated, "Alignment", PROP_Alignment, &kAlignmentNames},
    {Language, "Language", PROP_Language},
    {Heading, "Tabs"},
    {Tabs, "Tab", PROP_Tabs},
    {Heading, "Word Spacing"},
    {Boolean, "Allow Automatic Letter Spacing", PROP_LetterSpacing},
    {Percent, "Minimum", PROP_MinWordSpacing},
    {Percent, "Maximum", PROP_MaxWordSpacing},
    {Percent, "Optimum", PROP_OptWordSpacing},
    {Heading, "Indents"},
    {Length, "First Indent", PROP_FirstIndent},
    {Length, "Left Indent", PROP_LeftIndent},
    {Length, "Right Indent", PROP_RightIndent},
    {Heading, "Line Spacing"},
    {FontLength, "Line Spacing", PROP_LineSpacing},
    {Spacing, "Spacing", PROP_LineSpacingNotFixed},
    {FontLength, "Space Above", PROP_SpaceAbove},
    {FontLength, "Space Below", PROP_SpaceBelow},
    {Heading, "Pagination"},
    {Integer, "Widow-Orphan Lines", PROP_WidowOrphanLines},
    {Boolean, "Keep With Next", PROP_KeepWithNext},
    {Boolean, "Keep With Previous", PROP_KeepWithPrev},
    {Enumerated, "Format", PROP_Placement, &kPlacementNames},
    {Text, "Run-in Head Default Punctuation", PROP_RunInDefaultPunct},
    {Enumerated, "Start", PROP_Start, &kStartNames},
    {Heading, "Next Tag"},
    {Boolean, "Use Next Tag", PROP_UseNextTag},
    {Text, "Next Tag", PROP_NextTag},
    {Heading, "Autonumbering"},
    {Boolean, "Autonumbering", PROP_Autonumbering},
    {Boolean, "Number at End", PROP_NumberAtEnd},
    {Text, "Character Format", PROP_AutonumCharFmt},
    {Text, "Autonumber Format", PROP_AutonumFormat},
    {Heading, "Hyphenation"},
    {Boolean, "Hyphenate", PROP_Hyphenate},
    {Integer, "Max Number Adjacent", PROP_HyphMaxAdjacent},
    {Integer, "Shortest Prefix", PROP_HyphShortestPrefix},
    {Integer, "Shortest Suffix", PROP_HyphShortestSuffix},
    {Integer, "Shortest Word", PROP_HyphShortestWord},
    {Heading, "Reference Frames"},
    {Text, "Frame Below Paragraph", PROP_FrameBelow},
    {Text, "Frame Above Paragraph", PROP_FrameAbove},
    {Heading, "Table Cells"},
    {Enumerated, "Cell Vertical Alignment", PROP_CellVAlignment, &kCellVAlignmentNames},
    {CellMargin, "Bottom Margin - Custom", PROP_CellBottomMargin, nullptr, 2,
     "Bottom Margin - From Table Format Plus"},
    {CellMargin, "Top Margin - Custom", PROP_CellTopMargin, nullptr, 8,
     "Top Margin - From Table Format Plus"},
    {CellMargin, "Left Margin - Custom", PROP_CellLeftMargin, nullptr, 1,
     "Left Margin - From Table Format Plus"},
    {CellMargin, "Right Margin - Custom", PROP_CellRightMargin, nullptr, 4,
     "Right Margin - From Table Format Plus"},
    {Heading, "PDF Properties"},
    {Boolean, "Named Destination", PROP_NamedDestination},
    {Integer, "Bookmark Level", PROP_BookmarkLevel},
    {Integer, "Structure Level", PROP_StructureLevel},
};

}  // namespace

extern "C" VoidT OutputStyleCharacteristics(F_ObjHandleT docId, F_ObjHandleT pgfFmtId,
                                            F_ObjHandleT outDocId) {
  Report rp{docId, pgfFmtId, outDocId};
  for (const Row &r : kReport) r.write(r, rp);
}
