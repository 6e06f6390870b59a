/* Memory blocks, handles, the assertion path and the library's start-up call.
 *
 * Every allocator takes a flags word; bit 0 (FDE_EXIT_ON_FAILURE) turns an allocation failure
 * into the data-structure exit path (the registered hook, then abort) instead of a null result.
 * A single request above FDE_MAX_ALLOC bytes is a contract violation and goes to the assertion
 * path, which calls the installed handler (if any) and then aborts the process. */
#ifndef QUORVEX_FDEMEM_H
#define QUORVEX_FDEMEM_H

#include <quorvex/fdetypes.h>

#if defined(__GNUC__) || defined(__clang__)
#define QUORVEX_NORETURN __attribute__((noreturn))
#else
#define QUORVEX_NORETURN
#endif

QUORVEX_BEGIN_DECLS

/* Largest single block, in bytes. */
#define FDE_MAX_ALLOC 0x7FFEFFFFu
/* Handles must be smaller than this. */
#define FDE_MAX_HANDLE 0x7FFF0000u
/* Allocation flag: run the exit path instead of returning null. */
#define FDE_EXIT_ON_FAILURE 0x1u
/* Value left in a handle variable by FdeFreeHandle. */
#define FDE_FREED_HANDLE 0xDEADDEADu

typedef void (*FdeAssertHandlerT)(void);
typedef void (*FdeExitHookT)(void);

/* Process-wide instance record, created on first need and never released. */
typedef struct FdeInstanceT {
  UByteT strict; /* strict enforcement of locked handles */
  FdeAssertHandlerT assertHandler;
  FdeExitHookT dsExit; /* clean-up hook of the exit-on-failure path */
} FdeInstanceT;

extern FdeInstanceT *FdeInstance;

/* A block reached through a record that counts locks and knows its size. */
typedef struct HandleRecT {
  UIntT locks;
  UIntT size;
  PtrT block;
} HandleRecT, *HandleT;

/* Blocks. */
PtrT F_Alloc(UIntT size, UIntT flags);
PtrT F_Calloc(UIntT count, UIntT size, UIntT flags);
PtrT F_Realloc(PtrT block, UIntT size, UIntT flags);
IntT F_Free(PtrT block);
IntT FdeFree(PtrT *blockp);
IntT F_CopyPtr(const void *src, PtrT dst, UIntT count);
IntT F_CopyBytes(const void *src, PtrT dst, UIntT count);
PtrT F_DuplicatePtr(const void *block, UIntT size, UIntT flags);
IntT F_ClearPtr(PtrT block, UIntT count);
BoolT F_PtrEqual(const void *a, const void *b, UIntT count);

/* Handles; a null handle is a contract violation in every routine. */
HandleT F_AllocHandle(UIntT size, UIntT flags);
IntT F_FreeHandle(HandleT h);
IntT FdeFreeHandle(HandleT *hp);
PtrT F_LockHandle(HandleT h);
UIntT F_UnlockHandle(HandleT h);
HandleT F_ReallocHandle(HandleT h, UIntT size, UIntT flags);
UIntT F_GetHandleSize(HandleT h);
BoolT F_HandleEqual(HandleT a, HandleT b);
BoolT F_HandlesAreEqual(HandleT a, HandleT b);
IntT F_DuplicateHandle(HandleT src, HandleT dst);
IntT F_ClearHandle(HandleT h);

/* Assertions, exit path and messages. */
void FdeDefaultAssertHandler(void) QUORVEX_NORETURN;
FdeAssertHandlerT F_SetAssert(FdeAssertHandlerT handler);
BoolT FdeSetStrictEnforcement(BoolT strict);
IntT FdeEnforcement(void);
void FdeFail(void) QUORVEX_NORETURN;
FdeExitHookT F_SetDSExit(FdeExitHookT hook);
void FdeFDSExit(void) QUORVEX_NORETURN;
void F_Abort(void) QUORVEX_NORETURN;
void F_Warning(ConStringT message);
IntT F_FdeInit(void);
void FdeInstanceInit(void);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDEMEM_H */
