// Strings of the interface layer. A null string reads as the empty string.
#include <cstring>

#include <quorvex/fapitypes.h>

extern "C" {

UIntT F_ApiStringLen(ConStringT s) {
  return s == nullptr ? 0 : static_cast<UIntT>(strlen(s));
}

// Always a fresh allocation, an empty one for a null string; null only when memory ran out.
StringT F_ApiCopyString(ConStringT s) {
  size_t n = s == nullptr ? 0 : strlen(s);
  auto *copy = static_cast<StringT>(FapiMalloc(static_cast<UIntT>(n + 1)));
  if (copy == nullptr) return nullptr;
  if (n != 0) memcpy(copy, s, n);
  copy[n] = '\0';
  return copy;
}

VoidT F_ApiDeallocateString(StringT *sp) {
  if (sp == nullptr) return;
  F_ApiFree(*sp);
  *sp = nullptr;
}

}  // extern "C"
