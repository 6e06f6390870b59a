// Every host procedure's records: the first two bytes pick a procedure of the list and
// whether its result (as the client decodes it) or its argument (as the host does) is read.
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  unsigned pick = (unsigned{data[0]} << 8 | data[1]) % (2 * qvfuzz::kProcs);
  bool result = pick % 2 == 0;
  pick /= 2;
  unsigned i = 0;
#define QV_PROC(num, stub, A, xa, R, xr)           \
  if (i++ == pick) {                               \
    if (result)                                    \
      qvfuzz::CheckAny<R>(xr, data + 2, size - 2); \
    else                                           \
      qvfuzz::CheckAny<A>(xa, data + 2, size - 2); \
  }
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC
  return 0;
}
