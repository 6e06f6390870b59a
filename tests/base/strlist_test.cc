#include <gtest/gtest.h>
#include <quorvex/fdestrlist.h>
#include <quorvex/fdestr.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Items(StringListT l) {
  std::vector<std::string> v;
  for (UIntT i = 0; i < F_StrListLen(l); ++i) v.push_back(F_StrListGet(l, i));
  return v;
}

using V = std::vector<std::string>;

TEST(StrListGrowth, IncrementRule) {
  StringListT a = F_StrListNew(0, 0);
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(F_StrListAppend(a, "x"), 0);
    EXPECT_EQ(a->capacity, static_cast<UIntT>(i));  // one slot per append
    EXPECT_EQ(a->strings[i], nullptr);              // capacity + 1 slots, the spare null
  }
  F_StrListFree(a);
  StringListT b = F_StrListNew(4, 10);
  std::vector<UIntT> caps;
  for (int i = 0; i < 15; ++i) {
    F_StrListAppend(b, std::to_string(i).c_str());
    caps.push_back(b->capacity);
  }
  EXPECT_EQ(caps[3], 4u);
  EXPECT_EQ(caps[4], 14u);
  EXPECT_EQ(caps[13], 14u);
  EXPECT_EQ(caps[14], 24u);
  EXPECT_EQ(F_StrListAppend(b, nullptr), -1);
  EXPECT_EQ(F_StrListAppend(nullptr, "x"), -1);
  EXPECT_EQ(F_StrListLen(b), 15u);
  FdeFreeStrList(&b);
  EXPECT_EQ(b, nullptr);
  EXPECT_DEATH(F_StrListFree(nullptr), "");
}

TEST(StrListEdit, InsertRemoveSetAndLookup) {
  StringListT l = F_StrListNew(1, 1);
  F_StrListAppend(l, "A");
  F_StrListAppend(l, "B");
  EXPECT_EQ(F_StrListInsert(l, "X", 0), 0);
  EXPECT_EQ(F_StrListInsert(l, "Y", 2), 0);
  EXPECT_EQ(F_StrListInsert(l, "Z", 4), 0);  // index = length appends
  EXPECT_EQ(F_StrListInsert(l, "W", 6), -1);
  EXPECT_EQ(Items(l), (V{"X", "A", "Y", "B", "Z"}));
  F_StrListRemove(l, 0);
  F_StrListRemove(l, 4);  // == length: nothing
  EXPECT_EQ(Items(l), (V{"A", "Y", "B", "Z"}));
  EXPECT_EQ(F_StrListSetString(l, "body", 1), 0);
  EXPECT_EQ(F_StrListSetString(l, "Body", 0), 0);
  EXPECT_EQ(F_StrListSetString(l, "q", 4), -1);
  EXPECT_EQ(F_StrListIndex(l, "body"), 1);
  EXPECT_EQ(F_StrListIIndex(l, "body"), 0);
  EXPECT_EQ(F_StrListIndex(l, "none"), -1);
  EXPECT_EQ(F_StrListIndex(nullptr, "x"), -1);
  char buf[4];
  EXPECT_EQ(F_StrListCopy(l, 1, buf, sizeof buf), 3u);
  EXPECT_STREQ(buf, "bod");
  EXPECT_EQ(F_StrListCopy(l, 9, buf, sizeof buf), 0u);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(F_StrListGet(l, 4), nullptr);
  EXPECT_EQ(F_StrListStrings(l)[3], std::string("Z"));
  EXPECT_EQ(F_StrListStrings(nullptr), nullptr);
  F_StrListFree(l);
}

TEST(StrListSortCat, LibraryComparatorAndSelfConcatenation) {
  StringListT l = F_StrListNew(0, 0);
  for (const char *s : {"b", "B", "a", "A"}) F_StrListAppend(l, s);
  F_StrListSort(l, F_StrQsortCmp);
  EXPECT_EQ(Items(l), (V{"A", "a", "B", "b"}));
  F_StrListRemove(l, 3);
  F_StrListRemove(l, 2);
  EXPECT_EQ(F_StrListCat(l, l), 0);
  EXPECT_EQ(Items(l), (V{"A", "a", "A", "a"}));
  EXPECT_EQ(F_StrListCat(l, nullptr), 0);
  EXPECT_EQ(F_StrListCat(nullptr, l), -1);
  StringListT m = F_StrListNew(0, 5);
  EXPECT_EQ(F_StrListCat(m, l), 0);
  EXPECT_EQ(Items(m), Items(l));
  F_StrListFree(l);
  F_StrListFree(m);
}

}  // namespace
