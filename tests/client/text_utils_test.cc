// The text utilities on their own: trimming, joining, growing strings (also when memory runs
// out part way), and the byte-order comparator of the tag lists.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <quorvex/fdebase.h>

#include "client/quorvex.h"

namespace {

StringT Heap(const char *s) {
  return F_StrCopyString(s);
}

TEST(TextUtils, TrimStringRemovesLeadingCharacters) {
  StringT s = Heap("SetDocId 42");
  TrimString(s, 8);
  EXPECT_STREQ(s, " 42");
  TrimString(s, 0);
  EXPECT_STREQ(s, " 42");
  TrimString(s, 3);  // exactly the length
  EXPECT_STREQ(s, "");
  F_Free(s);
  s = Heap("abc");
  TrimString(s, 50);  // more than the length empties the string, nothing beyond it is read
  EXPECT_STREQ(s, "");
  TrimString(nullptr, 2);
  F_Free(s);
}

TEST(TextUtils, ConcatenateAppendPrepend) {
  StringT c = ConcatenateString("Examining: ", nullptr);
  EXPECT_STREQ(c, "Examining: ");
  AppendString(&c, "ch1.fm");
  EXPECT_STREQ(c, "Examining: ch1.fm");
  F_Free(c);
  StringT none = nullptr;
  AppendString(&none, "x");
  EXPECT_STREQ(none, "x");
  F_Free(none);
  char buf[16] = "tail";
  PrependString(buf, "head-");
  EXPECT_STREQ(buf, "head-tail");
}

// Fails every reallocation, to see that nothing is lost or leaked when memory runs out.
PtrT FailingRealloc(PtrT, UIntT, UIntT) {
  return nullptr;
}

TEST(TextUtils, AppendStringKeepsStringWhenMemoryRunsOut) {
  StringT s = Heap("keep");
  qvclient::ReallocFn old = qvclient::SetStringRealloc(FailingRealloc);
  AppendString(&s, " more");
  qvclient::SetStringRealloc(old);
  EXPECT_STREQ(s, "keep");  // the leak checker of the sanitizer build catches a lost block
  F_Free(s);
}

TEST(TextUtils, StringFromTextItems) {
  char a[] = "Tags ", b[] = "to Keep";
  TextItemT items[4] = {};
  items[0].dataType = 2;  // not a string item: skipped
  items[0].data.idata = 7;
  items[1].dataType = TI_String;
  items[1].data.sdata = a;
  items[2].dataType = TI_String;
  items[2].data.sdata = nullptr;
  items[3].dataType = TI_String;
  items[3].data.sdata = b;
  TextItemsT list = {4, items};
  StringT joined = CreateStringFromTextItems(&list);
  EXPECT_STREQ(joined, "Tags to Keep");
  F_Free(joined);

  qvclient::ReallocFn old = qvclient::SetStringRealloc(FailingRealloc);
  joined = CreateStringFromTextItems(&list);
  qvclient::SetStringRealloc(old);
  EXPECT_STREQ(joined, "Tags ");  // what was joined before memory ran out
  F_Free(joined);

  TextItemsT noText = {1, items};
  EXPECT_EQ(CreateStringFromTextItems(&noText), nullptr);
  TextItemsT empty = {3, nullptr};
  EXPECT_EQ(CreateStringFromTextItems(&empty), nullptr);
}

TEST(TextUtils, PathBaseName) {
  StringT n = qvclient::PathBaseName("/books/manual/ch1.fm");
  EXPECT_STREQ(n, "ch1.fm");
  F_Free(n);
  EXPECT_EQ(qvclient::PathBaseName(""), nullptr);
  EXPECT_EQ(qvclient::PathBaseName(nullptr), nullptr);
}

TEST(TagLists, SortedInByteOrder) {
  StringListT l = F_StrListNew(1, 1);
  for (const char *s : {"alpha", "Zeta", "body", "Body"}) F_StrListAppend(l, s);
  F_StrListSort(l, fn);
  std::string order;
  for (UIntT i = 0; i < F_StrListLen(l); ++i) order += std::string(F_StrListGet(l, i)) + ",";
  EXPECT_EQ(order, "Body,Zeta,alpha,body,");
  F_StrListFree(l);
}

}  // namespace
