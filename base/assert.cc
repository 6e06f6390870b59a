// The instance record, the single assertion path, the data-structure exit path, warnings and
// the library's start-up call.
#include <quorvex/fdemem.h>

#include <cstdio>
#include <cstdlib>

extern "C" {

FdeInstanceT *FdeInstance = nullptr;

void FdeInstanceInit(void) {
  if (FdeInstance == nullptr)
    FdeInstance =
        static_cast<FdeInstanceT *>(F_Calloc(1, sizeof(FdeInstanceT), FDE_EXIT_ON_FAILURE));
  FdeInstance->strict = 1;
}

void FdeDefaultAssertHandler(void) {
  F_Abort();
}

FdeAssertHandlerT F_SetAssert(FdeAssertHandlerT handler) {
  FdeInstanceInit();
  FdeAssertHandlerT previous = FdeInstance->assertHandler;
  FdeInstance->assertHandler = handler ? handler : FdeDefaultAssertHandler;
  return previous ? previous : FdeDefaultAssertHandler;
}

BoolT FdeSetStrictEnforcement(BoolT strict) {
  FdeInstanceInit();
  BoolT was = FdeInstance->strict;
  FdeInstance->strict = strict ? 1 : 0;
  return was;
}

IntT FdeEnforcement(void) {
  if (FdeInstance == nullptr || FdeInstance->strict) FdeFail();
  return 1;
}

void FdeFail(void) {
  FdeAssertHandlerT handler = FdeInstance ? FdeInstance->assertHandler : nullptr;
  if (handler != nullptr && handler != FdeDefaultAssertHandler) handler();
  FdeDefaultAssertHandler();
}

FdeExitHookT F_SetDSExit(FdeExitHookT hook) {
  FdeInstanceInit();
  FdeExitHookT previous = FdeInstance->dsExit;
  FdeInstance->dsExit = hook;
  return previous;
}

void FdeFDSExit(void) {
  if (FdeInstance != nullptr && FdeInstance->dsExit != nullptr) FdeInstance->dsExit();
  F_Abort();
}

void F_Abort(void) {
  std::abort();
}

void F_Warning(ConStringT message) {
  std::fprintf(stderr, "%s", message ? message : "");
}

IntT F_FdeInit(void) {
  return 0;
}

}  // extern "C"
