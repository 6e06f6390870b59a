// Growable lists of owned strings.
#include <quorvex/fdestrlist.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Most slots one array can have while (slots + 1) pointers stay under the block ceiling.
constexpr uint64_t kMaxCapacity = FDE_MAX_ALLOC / sizeof(StringT) - 1;

// Makes room for `needed` strings; the list is unchanged on failure.
int Grow(StringListT list, uint64_t needed) {
  if (list->capacity >= needed) return 0;
  if (needed > kMaxCapacity) return -1;
  uint64_t cap = static_cast<uint64_t>(list->capacity) + list->increment;
  if (cap < needed) cap = needed;
  if (cap > kMaxCapacity) cap = kMaxCapacity;
  auto *slots = static_cast<StringT *>(
      F_Realloc(list->strings, static_cast<UIntT>((cap + 1) * sizeof(StringT)), 0));
  if (slots == nullptr) return -1;
  for (uint64_t i = list->length; i <= cap; ++i) slots[i] = nullptr;
  list->strings = slots;
  list->capacity = static_cast<UIntT>(cap);
  return 0;
}

template <BoolT (*kEqual)(ConStringT, ConStringT)>
IntT Find(StringListT list, ConStringT s) {
  if (list == nullptr) return -1;
  for (UIntT i = 0; i < list->length; ++i)
    if (kEqual(list->strings[i], s)) return static_cast<IntT>(i);
  return -1;
}

}  // namespace

extern "C" {

StringListT F_StrListNew(UIntT capacity, UIntT increment) {
  auto *list = static_cast<StringListT>(F_Calloc(1, sizeof(StringListRecT), 0));
  if (list == nullptr) return nullptr;
  // capacity + 1 slots; a count that does not fit is an oversize request.
  uint64_t slots = static_cast<uint64_t>(capacity) + 1;
  if (slots > UINT32_MAX) FdeFail();
  list->strings = static_cast<StringT *>(
      F_Calloc(static_cast<UIntT>(slots), sizeof(StringT), FDE_EXIT_ON_FAILURE));
  list->capacity = capacity;
  list->increment = increment;
  list->length = 0;
  return list;
}

VoidT F_StrListFree(StringListT list) {
  if (list == nullptr) FdeFail();
  for (UIntT i = 0; i < list->length; ++i) std::free(list->strings[i]);
  std::free(list->strings);
  std::free(list);
}

VoidT FdeFreeStrList(StringListT *listp) {
  if (listp == nullptr) FdeFail();
  F_StrListFree(*listp);
  *listp = nullptr;
}

IntT F_StrListAppend(StringListT list, ConStringT s) {
  if (list == nullptr || s == nullptr) return -1;
  if (Grow(list, static_cast<uint64_t>(list->length) + 1) != 0) return -1;
  StringT copy = F_StrCopyString(s);
  if (copy == nullptr) return -1;
  list->strings[list->length++] = copy;
  return 0;
}

IntT F_StrListInsert(StringListT list, ConStringT s, UIntT index) {
  if (list == nullptr || index > list->length) return -1;
  if (F_StrListAppend(list, s) != 0) return -1;
  StringT moved = list->strings[list->length - 1];
  std::memmove(list->strings + index + 1, list->strings + index,
               (list->length - 1 - index) * sizeof(StringT));
  list->strings[index] = moved;
  return 0;
}

IntT F_StrListSetString(StringListT list, ConStringT s, UIntT index) {
  if (list == nullptr || index >= list->length) return -1;
  std::free(list->strings[index]);
  list->strings[index] = F_StrCopyString(s);
  return list->strings[index] ? 0 : -1;
}

VoidT F_StrListRemove(StringListT list, UIntT index) {
  if (list == nullptr || index >= list->length) return;
  std::free(list->strings[index]);
  std::memmove(list->strings + index, list->strings + index + 1,
               (list->length - index - 1) * sizeof(StringT));
  list->strings[--list->length] = nullptr;
}

IntT F_StrListIndex(StringListT list, ConStringT s) {
  return Find<F_StrEqual>(list, s);
}
IntT F_StrListIIndex(StringListT list, ConStringT s) {
  return Find<F_StrIEqual>(list, s);
}

IntT F_StrListCat(StringListT dst, StringListT src) {
  if (dst == nullptr) return -1;
  if (src == nullptr || src->length == 0) return 0;
  // src may be dst itself: read the count once and copy only the original entries.
  const UIntT n = src->length;
  const UIntT base = dst->length;
  if (Grow(dst, static_cast<uint64_t>(base) + n) != 0) return -1;
  for (UIntT i = 0; i < n; ++i) {
    StringT copy = F_StrCopyString(src->strings[i]);
    if (copy == nullptr) {
      for (UIntT j = 0; j < i; ++j) {
        std::free(dst->strings[base + j]);
        dst->strings[base + j] = nullptr;
      }
      return -1;
    }
    dst->strings[base + i] = copy;
  }
  dst->length = base + n;
  return 0;
}

UIntT F_StrListLen(StringListT list) {
  return list ? list->length : 0;
}
StringT *F_StrListStrings(StringListT list) {
  return list ? list->strings : nullptr;
}

StringT F_StrListGet(StringListT list, UIntT index) {
  if (list == nullptr || index >= list->length) return nullptr;
  return list->strings[index];
}

UIntT F_StrListCopy(StringListT list, UIntT index, StringT buf, UIntT size) {
  return F_StrCpyN(buf, F_StrListGet(list, index), size);
}

VoidT F_StrListSort(StringListT list, StrListCmpT cmp) {
  if (list == nullptr || cmp == nullptr || list->length < 2) return;
  std::qsort(list->strings, list->length, sizeof(StringT), cmp);
}

}  // extern "C"
