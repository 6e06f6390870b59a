/* Growable lists of owned strings. Callers hold a StringListT; every string in slots
 * 0 .. length-1 is a copy owned by the list. The array always has capacity + 1 slots. */
#ifndef QUORVEX_FDESTRLIST_H
#define QUORVEX_FDESTRLIST_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

typedef struct StringListRecT {
  UIntT capacity;
  UIntT length;
  UIntT increment;
  StringT *strings;
} StringListRecT, *StringListT;

typedef int (*StrListCmpT)(const void *, const void *);

StringListT F_StrListNew(UIntT capacity, UIntT increment);
VoidT F_StrListFree(StringListT list);
VoidT FdeFreeStrList(StringListT *listp);
IntT F_StrListAppend(StringListT list, ConStringT s);
IntT F_StrListInsert(StringListT list, ConStringT s, UIntT index);
IntT F_StrListSetString(StringListT list, ConStringT s, UIntT index);
VoidT F_StrListRemove(StringListT list, UIntT index);
IntT F_StrListIndex(StringListT list, ConStringT s);
IntT F_StrListIIndex(StringListT list, ConStringT s);
IntT F_StrListCat(StringListT dst, StringListT src);
UIntT F_StrListLen(StringListT list);
StringT *F_StrListStrings(StringListT list);
StringT F_StrListGet(StringListT list, UIntT index);
UIntT F_StrListCopy(StringListT list, UIntT index, StringT buf, UIntT size);
VoidT F_StrListSort(StringListT list, StrListCmpT cmp);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDESTRLIST_H */
