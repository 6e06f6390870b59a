// Default parameter lists and the calls that need no host: built entry for entry, owned by the
// caller, and released without leaks.
#include <gtest/gtest.h>

#include <quorvex/fapi.h>

namespace {

struct Entry {
  IntT code, type, value;
};

Entry At(const F_PropValsT &l, UIntT k) {
  const F_PropValT &e = l.items[k];
  return {e.ident.num, e.value.type, e.value.type == TV_String ? 0 : e.value.u.ival};
}

TEST(DefaultParams, ListsHaveTheirEntriesInOrder) {
  struct Case {
    F_PropValsT (*get)();
    UIntT count;
    UIntT probe;
    Entry expect;
  } cases[] = {
      {F_ApiGetOpenDefaultParams, 43, 13, {16, TV_Int, 12}},
      {F_ApiGetSaveDefaultParams, 20, 9, {13, TV_Int, 0666}},
      {F_ApiGetImportDefaultParams, 42, 38, {38, TV_Metric, 72 << 16}},
      {F_ApiGetExportDefaultParams, 16, 4, {6, TV_TextRange, 0}},
      {F_ApiGetUpdateBookDefaultParams, 12, 11, {12, TV_Int, 0}},
      {F_ApiGetSpellDefaultParams, 8, 1, {1000, TV_Int, 6137}},
  };
  for (const Case &c : cases) {
    F_PropValsT l = c.get();
    ASSERT_EQ(l.count, c.count);
    Entry e = At(l, c.probe);
    EXPECT_EQ(e.code, c.expect.code);
    EXPECT_EQ(e.type, c.expect.type);
    EXPECT_EQ(e.value, c.expect.value);
    for (UIntT k = 0; k < l.count; k++) EXPECT_EQ(l.items[k].ident.name, nullptr);
    // Two calls give two lists.
    F_PropValsT again = c.get();
    EXPECT_NE(again.items, l.items);
    F_ApiDeallocatePropVals(&again);
    F_ApiDeallocatePropVals(&l);
    EXPECT_EQ(l.items, nullptr);
  }
}

TEST(DefaultParams, TextEntriesAreNullOrOwnedCopies) {
  F_PropValsT open = F_ApiGetOpenDefaultParams();
  std::vector<IntT> text_codes;
  for (UIntT k = 0; k < open.count; k++) {
    if (open.items[k].value.type == TV_String) {
      text_codes.push_back(open.items[k].ident.num);
      EXPECT_EQ(open.items[k].value.u.sval, nullptr);
    }
  }
  EXPECT_EQ(text_codes, (std::vector<IntT>{31, 34, 38, 39}));
  F_ApiDeallocatePropVals(&open);

  F_PropValsT spell = F_ApiGetSpellDefaultParams();
  ASSERT_EQ(spell.items[2].value.type, TV_String);
  EXPECT_STREQ(spell.items[2].value.u.sval, "!,.:;?");
  EXPECT_STREQ(spell.items[6].value.u.sval, "resultfile.dct");
  spell.items[6].value.u.sval[0] = 'R';  // a copy of its own, not the table's text
  F_PropValsT other = F_ApiGetSpellDefaultParams();
  EXPECT_STREQ(other.items[6].value.u.sval, "resultfile.dct");
  F_ApiDeallocatePropVals(&other);
  F_ApiDeallocatePropVals(&spell);
}

// Without a connection every call fails cleanly; the refused dictionary operation never calls.
TEST(CallsWithoutHost, FailCleanlyAndReleaseTheirLists) {
  ASSERT_EQ(frame_client, nullptr);
  FA_errno = 0;
  EXPECT_EQ(F_ApiDictionaryOperation(1, "w", 0, 9), ERR_BadOperation);
  EXPECT_EQ(FA_errno, 0);
  EXPECT_EQ(F_ApiSimpleOpen("a.doc", 1), 0u);
  EXPECT_EQ(FA_errno, ERR_CallFailed);
  FA_errno = -30;
  EXPECT_EQ(F_ApiSimpleNewDoc("t", 1), 0u);
  EXPECT_EQ(F_ApiGetString(0, 0, 20), nullptr);
  F_StringsT words = F_ApiGetDictionaryStrings(1, 0);
  EXPECT_EQ(words.count, 0u);
  EXPECT_EQ(words.items, nullptr);
  EXPECT_EQ(FA_errno, ERR_CallFailed);
}

}  // namespace

// The interface library's callback service needs a client's entry callbacks; this test
// program receives no callbacks.
extern "C" VoidT F_ApiInitialize(IntT) {}
extern "C" VoidT F_ApiCommand(IntT) {}
extern "C" VoidT F_ApiNotify(IntT, F_ObjHandleT, StringT, IntT) {}
