// The callback arguments as the client decodes them: the first byte picks the procedure.
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  unsigned pick = data[0] % 8u;
#define QV_CB_PROC(num, name, A, xa) \
  if (pick == num) qvfuzz::CheckAny<A>(xa, data + 1, size - 1);
#include <quorvex/proto/fmapi_procs.h>
#undef QV_CB_PROC
  return 0;
}
