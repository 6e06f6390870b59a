// The character-list builder: a NUL-terminated byte buffer that grows by whole chunks, or
// stays within a caller's fixed buffer and records that an addition did not fit.
#include <string.h>

#include <quorvex/fdemem.h>

#include "encinternal.h"

namespace {

void Check(const FdeCharListT *list) {
  if (!list || list->tag != FDE_CHARLIST_TAG || !list->buffer) FdeFail();
}

// Makes room for `need` more bytes if the list may grow; false when it may not or memory ran
// out (the list is then unchanged).
bool Reserve(FdeCharListT *list, UIntT need) {
  UIntT want = list->length + need;
  if (want < list->length || want >= FDE_MAX_ALLOC) return false;
  if (want <= list->capacity) return true;
  if ((list->flags & FDE_CL_FIXED) || list->chunk < 1) return false;
  UIntT cap = (want + list->chunk - 1) / list->chunk * list->chunk;
  if (cap < want || cap >= FDE_MAX_ALLOC) cap = want;
  UStringT buf;
  if (list->flags & FDE_CL_CALLER_BUFFER) {
    buf = static_cast<UStringT>(F_Alloc(cap + 1, 0));
    if (buf) memcpy(buf, list->buffer, list->length + 1);
  } else {
    buf = static_cast<UStringT>(F_Realloc(list->buffer, cap + 1, 0));
  }
  if (!buf) return false;
  list->buffer = buf;
  list->capacity = cap;
  list->flags &= ~FDE_CL_CALLER_BUFFER;
  return true;
}

}  // namespace

IntT FdeCharListInit(FdeCharListT *list, UIntT chunk) {
  if (!list) FdeFail();
  *list = FdeCharListT{};
  if (chunk < 1) chunk = 1;
  if (chunk >= FDE_MAX_ALLOC) FdeFail();
  list->buffer = static_cast<UStringT>(F_Alloc(chunk + 1, 0));
  if (!list->buffer) return -1;
  list->buffer[0] = 0;
  list->tag = FDE_CHARLIST_TAG;
  list->capacity = chunk;
  list->chunk = chunk;
  return 0;
}

IntT FdeCharListInitBuffer(FdeCharListT *list, UStringT buffer, UIntT size, UIntT chunk,
                           UIntT flags) {
  if (!list || !buffer || size < 1) FdeFail();
  *list = FdeCharListT{};
  list->tag = FDE_CHARLIST_TAG;
  list->buffer = buffer;
  list->capacity = size - 1;
  list->chunk = chunk;
  list->flags = FDE_CL_CALLER_BUFFER | (flags & FDE_CL_FIXED);
  if (!(flags & FDE_CL_FIXED) && chunk < 1) return -1;
  buffer[0] = 0;
  return 0;
}

UIntT FdeCharListAdd(FdeCharListT *list, const void *bytes, UIntT count) {
  Check(list);
  if (!bytes || !count) return 0;
  if (!Reserve(list, count)) {
    list->flags |= FDE_CL_OVERFLOW;
    count = list->capacity - list->length;
  }
  memcpy(list->buffer + list->length, bytes, count);
  list->length += count;
  list->buffer[list->length] = 0;
  return count;
}

BoolT FdeCharListAddChar(FdeCharListT *list, const void *bytes, UIntT count) {
  Check(list);
  if (!bytes || !count) return 0;
  if (!Reserve(list, count)) {
    list->flags |= FDE_CL_OVERFLOW;
    return 0;
  }
  memcpy(list->buffer + list->length, bytes, count);
  list->length += count;
  list->buffer[list->length] = 0;
  return 1;
}

BoolT FdeCharListAddByte(FdeCharListT *list, UCharT byte) {
  return FdeCharListAddChar(list, &byte, 1);
}

UStringT FdeCharListDetach(FdeCharListT *list) {
  Check(list);
  UStringT s = list->buffer;
  if (list->flags & FDE_CL_CALLER_BUFFER) {
    s = static_cast<UStringT>(F_DuplicatePtr(list->buffer, list->length + 1, 0));
    if (!s) return nullptr;
  }
  *list = FdeCharListT{};
  return s;
}

VoidT FdeCharListFree(FdeCharListT *list) {
  if (!list || list->tag != FDE_CHARLIST_TAG) return;
  if (!(list->flags & FDE_CL_CALLER_BUFFER)) F_Free(list->buffer);
  *list = FdeCharListT{};
}
