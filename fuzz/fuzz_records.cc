// The shared records' decoders: the first input byte picks the record, the rest is its wire.
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  unsigned pick = data[0] % qvfuzz::kRecords;
  unsigned i = 0;
#define QV_PICK(T) \
  if (i++ == pick) qvfuzz::CheckAny<T>(xdr_##T, data + 1, size - 1);
  QV_FUZZ_RECORDS(QV_PICK)
#undef QV_PICK
  return 0;
}
