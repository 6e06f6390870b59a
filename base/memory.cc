// Blocks and handles on top of the platform allocator: a size ceiling, the exit-on-failure
// flag and null-tolerant release.
#include <quorvex/fdemem.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Runs the exit path when the caller asked for it, otherwise reports the failure as null.
PtrT Failed(UIntT flags) {
  if (flags & FDE_EXIT_ON_FAILURE) FdeFDSExit();
  return nullptr;
}

void CheckCeiling(uint64_t size) {
  if (size > FDE_MAX_ALLOC) FdeFail();
}

HandleT Need(HandleT h) {
  if (h == nullptr) FdeFail();
  return h;
}

}  // namespace

extern "C" {

PtrT F_Alloc(UIntT size, UIntT flags) {
  CheckCeiling(size);
  PtrT p = std::malloc(size);
  return p ? p : Failed(flags);
}

PtrT F_Calloc(UIntT count, UIntT size, UIntT flags) {
  // The product is taken in 64 bits so that a wrapped 32-bit total can never pass as small.
  uint64_t total = static_cast<uint64_t>(count) * size;
  CheckCeiling(total);
  PtrT p = std::calloc(1, static_cast<size_t>(total));
  return p ? p : Failed(flags);
}

PtrT F_Realloc(PtrT block, UIntT size, UIntT flags) {
  CheckCeiling(size);
  if (block == nullptr) return F_Calloc(1, size, flags);
  // realloc(p, 0) may free p and return null, which would leave the caller holding a freed
  // block it believes still valid; keep at least one byte instead.
  PtrT p = std::realloc(block, size ? size : 1);
  return p ? p : Failed(flags);
}

IntT F_Free(PtrT block) {
  if (block == nullptr) return -1;
  std::free(block);
  return 0;
}

IntT FdeFree(PtrT *blockp) {
  if (blockp == nullptr || *blockp == nullptr) return -1;
  std::free(*blockp);
  *blockp = nullptr;
  return 0;
}

IntT F_CopyPtr(const void *src, PtrT dst, UIntT count) {
  if (src == nullptr || dst == nullptr) return -1;
  CheckCeiling(count);
  std::memmove(dst, src, count);
  return 0;
}

IntT F_CopyBytes(const void *src, PtrT dst, UIntT count) {
  return F_CopyPtr(src, dst, count);
}

PtrT F_DuplicatePtr(const void *block, UIntT size, UIntT flags) {
  if (block == nullptr) return nullptr;
  PtrT p = F_Alloc(size, flags);
  if (p) std::memcpy(p, block, size);
  return p;
}

IntT F_ClearPtr(PtrT block, UIntT count) {
  if (block == nullptr) return -1;
  std::memset(block, 0, count);
  return 0;
}

BoolT F_PtrEqual(const void *a, const void *b, UIntT count) {
  if (count == 0 || a == b) return True;
  // A null block stands for count zero bytes.
  if (a == nullptr || b == nullptr) {
    const auto *p = static_cast<const unsigned char *>(a ? a : b);
    for (UIntT i = 0; i < count; ++i)
      if (p[i] != 0) return False;
    return True;
  }
  return std::memcmp(a, b, count) == 0 ? True : False;
}

HandleT F_AllocHandle(UIntT size, UIntT flags) {
  if (size >= FDE_MAX_HANDLE) FdeFail();
  auto *h = static_cast<HandleT>(F_Alloc(sizeof(HandleRecT), flags));
  if (h == nullptr) return nullptr;
  h->block = F_Calloc(1, size, flags);
  if (h->block == nullptr) {
    std::free(h);
    return nullptr;
  }
  h->locks = 0;
  h->size = size;
  return h;
}

IntT F_FreeHandle(HandleT h) {
  Need(h);
  if (h->locks != 0) FdeEnforcement();
  std::free(h->block);
  std::free(h);
  return 0;
}

IntT FdeFreeHandle(HandleT *hp) {
  if (hp == nullptr) FdeFail();
  F_FreeHandle(*hp);
  *hp = reinterpret_cast<HandleT>(static_cast<uintptr_t>(FDE_FREED_HANDLE));
  return 0;
}

PtrT F_LockHandle(HandleT h) {
  Need(h)->locks++;
  return h->block;
}

UIntT F_UnlockHandle(HandleT h) {
  if (Need(h)->locks != 0) h->locks--;
  return h->locks;
}

HandleT F_ReallocHandle(HandleT h, UIntT size, UIntT flags) {
  Need(h);
  if (h->locks != 0) FdeEnforcement();
  if (size == h->size) return h;
  PtrT p = F_Realloc(h->block, size, flags);
  if (p == nullptr) return nullptr;
  // Handle blocks are always zeroed; keep that true for the part gained by growing.
  if (size > h->size) std::memset(static_cast<char *>(p) + h->size, 0, size - h->size);
  h->block = p;
  h->size = size;
  return h;
}

UIntT F_GetHandleSize(HandleT h) {
  return Need(h)->size;
}

BoolT F_HandleEqual(HandleT a, HandleT b) {
  Need(a);
  Need(b);
  if (a->size != b->size) return False;
  return F_PtrEqual(a->block, b->block, a->size);
}

BoolT F_HandlesAreEqual(HandleT a, HandleT b) {
  return F_HandleEqual(a, b);
}

IntT F_DuplicateHandle(HandleT src, HandleT dst) {
  Need(src);
  Need(dst);
  return F_CopyPtr(src->block, dst->block, src->size < dst->size ? src->size : dst->size);
}

IntT F_ClearHandle(HandleT h) {
  return F_ClearPtr(Need(h)->block, h->size);
}

}  // extern "C"
