// Allocation, search, deep copy and release of the interface records. Run under the
// sanitizers, every copy here must be released without a leak or a double free.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <quorvex/fapiruntime.h>
#include <quorvex/fapitypes.h>

namespace {

F_StringsT MakeStrings(std::initializer_list<const char *> texts) {
  F_StringsT s{static_cast<UIntT>(texts.size()),
               static_cast<StringT *>(calloc(texts.size(), sizeof(StringT)))};
  UIntT i = 0;
  for (const char *t : texts) s.items[i++] = t != nullptr ? strdup(t) : nullptr;
  return s;
}

TEST(Records, StringsCopyIsDeepAndNullTextsBecomeEmpty) {
  F_StringsT src = MakeStrings({"a", nullptr, "ccc"});
  F_StringsT copy = F_ApiCopyStrings(&src);
  ASSERT_EQ(copy.count, 3u);
  EXPECT_NE(copy.items[0], src.items[0]);
  EXPECT_STREQ(copy.items[0], "a");
  ASSERT_NE(copy.items[1], nullptr);
  EXPECT_STREQ(copy.items[1], "");
  EXPECT_STREQ(copy.items[2], "ccc");
  F_ApiDeallocateStrings(&src);
  F_ApiDeallocateStrings(&copy);
  F_ApiDeallocateStrings(&copy);  // a second release is harmless
  EXPECT_EQ(copy.count, 0u);
  EXPECT_EQ(copy.items, nullptr);
}

TEST(Records, NullItemsMeanEmpty) {
  F_StringsT odd{5, nullptr};
  F_StringsT copy = F_ApiCopyStrings(&odd);
  EXPECT_EQ(copy.items, nullptr);
  EXPECT_EQ(copy.count, 0u);
  F_ApiDeallocateStrings(&odd);
  EXPECT_EQ(odd.count, 0u);
  F_PropValsT pv{7, nullptr};
  F_PropValsT pcopy = F_ApiCopyPropVals(&pv);
  EXPECT_EQ(pcopy.count, 0u);
  EXPECT_EQ(F_ApiGetPropIndex(&pv, 0), ERR_PropNotFound);
  EXPECT_EQ(F_ApiGetPropIndex(nullptr, 3), ERR_PropNotFound);
  F_ApiDeallocatePropVals(nullptr);
  F_ApiDeallocateVal(nullptr);
}

TEST(Records, StringRoutines) {
  EXPECT_EQ(F_ApiStringLen(nullptr), 0u);
  EXPECT_EQ(F_ApiStringLen("abcd"), 4u);
  StringT s = F_ApiCopyString(nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s, "");
  F_ApiDeallocateString(&s);
  EXPECT_EQ(s, nullptr);
  F_ApiDeallocateString(&s);
  F_ApiDeallocateString(nullptr);
}

// A value of every type code, copied and released; the copy shares nothing with the source.
TEST(Records, EveryTypedValueCopiesDeep) {
  F_ElementRangeT range{{1, 2, 3}, {4, 5, 6}};
  F_TabT tab{65536, 2, const_cast<StringT>("."), ','};
  F_AttributeDefT def{const_cast<StringT>("Def"), 1, 0, 2, {}, {}, nullptr,
                      const_cast<StringT>("max")};
  F_AttributeT attr{const_cast<StringT>("Attr"), {}, 1, 0};
  IntT ints[2] = {3, -4};
  UByteT bytes[3] = {0, 1, 255};
  F_PointT point{8, 9};
  F_ElementCatalogEntryT entry{11, 2};
  for (IntT type = -1; type <= 21; ++type) {
    F_TypedValT v{};
    v.type = type;
    F_StringsT ss = MakeStrings({"x", "y"});
    switch (type) {
      case TV_String:
        v.u.sval = const_cast<StringT>("text");
        break;
      case TV_Strings:
        v.u.strings = ss;
        break;
      case TV_Tabs:
        v.u.tabs = {1, &tab};
        break;
      case TV_AttributeDefs:
        v.u.attrDefs = {1, &def};
        break;
      case TV_Attributes:
        v.u.attrs = {1, &attr};
        break;
      case TV_ElementRange:
        v.u.elementRange = &range;
        break;
      case TV_TextRange:
        v.u.textRange = {{7, 8}, {9, 10}};
        break;
      case TV_Metrics:
      case TV_Ints:
      case TV_UInts:
        v.u.ints = {2, ints};
        break;
      case TV_UBytes:
        v.u.ubytes = {3, bytes};
        break;
      case TV_Points:
        v.u.points = {1, &point};
        break;
      case TV_ElementCatalog:
        v.u.catalog = {1, &entry};
        break;
      default:
        v.u.ival = 1000 + type;
        break;
    }
    F_TypedValT c = F_ApiCopyVal(&v);
    EXPECT_EQ(c.type, type);
    switch (type) {
      case TV_String:
        EXPECT_STREQ(c.u.sval, "text");
        EXPECT_NE(c.u.sval, v.u.sval);
        break;
      case TV_Strings:
        ASSERT_EQ(c.u.strings.count, 2u);
        EXPECT_STREQ(c.u.strings.items[1], "y");
        break;
      case TV_Tabs:
        ASSERT_EQ(c.u.tabs.count, 1u);
        EXPECT_EQ(c.u.tabs.items[0].x, 65536);
        EXPECT_EQ(c.u.tabs.items[0].decimal, ',');
        EXPECT_NE(c.u.tabs.items[0].leader, tab.leader);
        break;
      case TV_AttributeDefs:
        EXPECT_STREQ(c.u.attrDefs.items[0].rangeMax, "max");
        EXPECT_STREQ(c.u.attrDefs.items[0].rangeMin, "");
        EXPECT_EQ(c.u.attrDefs.items[0].attrType, 2);
        break;
      case TV_Attributes:
        EXPECT_STREQ(c.u.attrs.items[0].name, "Attr");
        break;
      case TV_ElementRange:
        ASSERT_NE(c.u.elementRange, &range);
        EXPECT_EQ(c.u.elementRange->end.offset, 6);
        break;
      case TV_TextRange:
        EXPECT_EQ(c.u.textRange.end.offset, 10);
        break;
      case TV_Metrics:
      case TV_Ints:
      case TV_UInts:
        ASSERT_EQ(c.u.ints.count, 2u);
        EXPECT_NE(c.u.ints.items, ints);
        EXPECT_EQ(c.u.ints.items[1], -4);
        break;
      case TV_UBytes:
        ASSERT_EQ(c.u.ubytes.count, 3u);
        EXPECT_EQ(c.u.ubytes.items[2], 255);
        break;
      case TV_Points:
        EXPECT_EQ(c.u.points.items[0].y, 9);
        break;
      case TV_ElementCatalog:
        EXPECT_EQ(c.u.catalog.items[0].flags, 2);
        break;
      default:
        EXPECT_EQ(c.u.ival, 1000 + type);
        break;
    }
    F_ApiDeallocateStrings(&ss);
    F_ApiDeallocateVal(&c);
    EXPECT_EQ(c.type, type);
  }
}

TEST(Records, PropValCopyKeepsNullNameAndCopiesName) {
  F_PropValT named{{0, const_cast<StringT>("Color")}, {}};
  named.value.type = TV_Int;
  F_PropValT c = F_ApiCopyPropVal(&named);
  EXPECT_STREQ(c.ident.name, "Color");
  EXPECT_NE(c.ident.name, named.ident.name);
  F_ApiDeallocatePropVal(&c);
  EXPECT_EQ(c.ident.name, nullptr);
  F_PropValT none = F_ApiCopyPropVal(nullptr);
  EXPECT_EQ(none.value.type, TV_Int);
  EXPECT_EQ(none.ident.name, nullptr);
}

TEST(Records, AppendReplacesInPlaceAndGrowsByTheRule) {
  F_PropValsT pv{};
  ASSERT_NE(F_ApiAppendIntProp(&pv, 10, 1), nullptr);
  ASSERT_NE(F_ApiAppendStringProp(&pv, 11, "s"), nullptr);
  F_PropValT *again = F_ApiAppendIntProp(&pv, 10, 2);
  EXPECT_EQ(again, &pv.items[0]);
  EXPECT_EQ(pv.count, 2u);
  EXPECT_EQ(pv.items[0].value.u.ival, 2);
  // Replace an entry by its own value: the value is copied before the entry is released.
  F_ApiAppendVal(&pv, 11, &pv.items[1].value);
  EXPECT_STREQ(pv.items[1].value.u.sval, "s");
  for (IntT code = 12; code < 40; ++code) {
    F_PropValT *e = F_ApiAppendMetricProp(&pv, code, code * 65536);
    ASSERT_NE(e, nullptr);
    // Room is realloc'd for 8, then 16, 32 entries: the entry must lie inside that room.
    UIntT room = pv.count <= 8 ? 8 : pv.count <= 16 ? 16 : pv.count <= 32 ? 32 : 64;
    EXPECT_LT(static_cast<size_t>(e - pv.items), room);
  }
  EXPECT_EQ(pv.count, 30u);
  EXPECT_EQ(F_ApiGetPropIndex(&pv, 39), 29);
  F_StringsT ss = MakeStrings({"k"});
  F_ApiAppendStringsProp(&pv, 5, &ss);
  F_ApiDeallocateStrings(&ss);  // the list keeps its own copy
  EXPECT_STREQ(pv.items[F_ApiGetPropIndex(&pv, 5)].value.u.strings.items[0], "k");
  F_PropValsT copy = F_ApiCopyPropVals(&pv);
  ASSERT_EQ(copy.count, pv.count);
  EXPECT_STREQ(copy.items[1].value.u.sval, "s");
  F_ApiDeallocatePropVals(&pv);
  F_ApiDeallocatePropVals(&copy);
  EXPECT_EQ(copy.items, nullptr);
  EXPECT_EQ(F_ApiAllocatePropVals(0).count, 0u);
  EXPECT_EQ(F_ApiAllocatePropVals(-3).items, nullptr);
}

TEST(Records, TextItemsAllocateCopyRelease) {
  TextItemsT none = F_ApiAllocateTextItems(0);
  EXPECT_EQ(none.count, 0u);
  EXPECT_NE(none.items, nullptr);
  F_ApiDeallocateTextItems(&none);
  TextItemsT t = F_ApiAllocateTextItems(3);
  ASSERT_EQ(t.count, 3u);
  t.items[0] = {0, TI_String, {}};
  t.items[0].data.sdata = strdup("Hello");
  t.items[1] = {5, 4, {}};
  t.items[1].data.idata = 77;
  t.items[2] = {6, TI_String, {}};  // null text
  TextItemsT c = F_ApiCopyTextItems(&t);
  ASSERT_EQ(c.count, 3u);
  EXPECT_STREQ(c.items[0].data.sdata, "Hello");
  EXPECT_EQ(c.items[1].data.idata, 77);
  EXPECT_STREQ(c.items[2].data.sdata, "");
  TextItemT one = F_ApiCopyTextItem(nullptr);
  EXPECT_EQ(one.dataType, TI_String);
  EXPECT_EQ(one.data.sdata, nullptr);
  F_ApiDeallocateTextItems(&t);
  F_ApiDeallocateTextItems(&c);
}

TEST(Records, CheckStatusBitsAndErrors) {
  F_PropValsT pv{};
  FA_errno = 0;
  EXPECT_EQ(F_ApiCheckStatus(&pv, 0), 0);
  EXPECT_EQ(FA_errno, ERR_NoStatus);
  IntT word = static_cast<IntT>(0x80000001u);
  F_TypedValT v{};
  v.type = TV_Ints;
  v.u.ints = {1, &word};
  F_ApiAppendVal(&pv, 1, &v);
  EXPECT_EQ(F_ApiCheckStatus(&pv, 0), 1);
  EXPECT_EQ(F_ApiCheckStatus(&pv, 1), 0);
  EXPECT_EQ(F_ApiCheckStatus(&pv, 31), 1);
  FA_errno = 0;
  EXPECT_EQ(F_ApiCheckStatus(&pv, 32), 0);
  EXPECT_EQ(FA_errno, ERR_PropNotFound);
  FA_errno = 0;
  EXPECT_EQ(F_ApiCheckStatus(&pv, -1), 0);
  EXPECT_EQ(FA_errno, ERR_PropNotFound);
  // Code 3 takes precedence over code 1; a status of the wrong value type holds no bits.
  F_ApiAppendIntProp(&pv, 3, -1);
  FA_errno = 0;
  EXPECT_EQ(F_ApiCheckStatus(&pv, 0), 0);
  EXPECT_EQ(FA_errno, ERR_PropNotFound);
  F_ApiDeallocatePropVals(&pv);
}

std::string Join(const FilterArgsT *fa) {
  std::string out;
  for (const StringT s : fa->args) out += s == nullptr ? "<null>|" : std::string(s) + "|";
  for (UIntT i = 0; i < fa->more.count; ++i) out += std::string(fa->more.items[i]) + ";";
  return out;
}

TEST(Records, FilterArgsCutAtRecordSeparator) {
  FilterArgsT *fa = FdeApiExpandFilterArgs(
      "a\x1e"
      "b\x1e\x1e");
  EXPECT_EQ(Join(fa), "a|b|||<null>|<null>|");
  FdeApiDeallocateFilterArgs(fa);
  EXPECT_EQ(fa->args[0], nullptr);
  free(fa);
  std::string line, expect;
  for (int i = 1; i <= 40; ++i) {
    if (i > 1) line += '\x1e';
    line += std::to_string(i);
    expect += std::to_string(i) + (i <= 6 ? "|" : ";");
  }
  fa = FdeApiExpandFilterArgs(line.c_str());
  EXPECT_EQ(fa->more.count, 34u);
  EXPECT_EQ(Join(fa), expect);
  FdeApiDeallocateFilterArgs(fa);
  free(fa);
}

}  // namespace
