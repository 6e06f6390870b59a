// Loading a real document file into the host's model, through its format's adapter: the file
// named by $QUORVEX_OFFICE_DOC (bench/office_bench.sh generates one and sets it). Skipped
// when it is not set.
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "host/files.h"
#include "host/model/model.h"

namespace {

void BM_LoadOfficeDocument(benchmark::State &state) {
  const char *path = std::getenv("QUORVEX_OFFICE_DOC");
  if (!path) {
    state.SkipWithError("QUORVEX_OFFICE_DOC is not set");
    return;
  }
  size_t pgfs = 0;
  for (auto _ : state) {
    qvhost::Model m;
    std::string err;
    qvhost::Handle h = qvhost::LoadFile(m, path, err);
    if (!h) {
      state.SkipWithError(err.c_str());
      return;
    }
    pgfs = m.WalkPgfs(*m.DocOf(h)).size();
  }
  state.counters["paragraphs"] = static_cast<double>(pgfs);
}
BENCHMARK(BM_LoadOfficeDocument)->Unit(benchmark::kMillisecond);

}  // namespace
