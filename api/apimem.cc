// Memory primitives of the interface layer: the platform allocator, so that records handed
// out by the interface may be released piecewise with F_ApiFree or the base library's F_Free.
#include <cstdlib>

#include <quorvex/fapitypes.h>

extern "C" {

PtrT FapiMalloc(UIntT size) {
  return malloc(size);
}

PtrT FapiCalloc(UIntT count, UIntT size) {
  return calloc(count, size);
}

PtrT FapiRealloc(PtrT ptr, UIntT size) {
  return ptr == nullptr ? malloc(size) : realloc(ptr, size);
}

VoidT F_ApiFree(PtrT ptr) {
  if (ptr != nullptr) free(ptr);
}

}  // extern "C"
