// The interface calls the tools make most, each a full round trip to the substitute host:
// a number, a text, and every property of a paragraph format (about sixty entries of every
// kind a format has). BM_ApiGetInt is compared with BM_BareTirpcCall by bench/compare.py,
// interleaved and repeated (see bench/README); single runs of the two do not compare.
#include <cstdlib>
#include <cstring>

#include <benchmark/benchmark.h>

#include <quorvex/fapi.h>
#include <quorvex/fcodes.h>
#include <quorvex/proto/fmapi_procs.h>

#include "bench/rpc_harness.h"

namespace {

constexpr F_ObjHandleT kDoc = 1, kFormat = 2;
constexpr UIntT kFormatProps = 60;

void BM_ApiGetInt(benchmark::State &state) {
  if (!qvbench::Connected()) return state.SkipWithError("not connected to the substitute host");
  for (auto _ : state) {
    FA_errno = 0;
    if (F_ApiGetInt(kDoc, kFormat, PROP_KeepWithPrev) != 1 || FA_errno != 0)
      return state.SkipWithError("F_ApiGetInt failed");
  }
}
BENCHMARK(BM_ApiGetInt);

void BM_ApiGetString(benchmark::State &state) {
  if (!qvbench::Connected()) return state.SkipWithError("not connected to the substitute host");
  for (auto _ : state) {
    StringT name = F_ApiGetString(kDoc, kFormat, PROP_Name);
    if (name == nullptr) return state.SkipWithError("F_ApiGetString failed");
    F_ApiDeallocateString(&name);
  }
}
BENCHMARK(BM_ApiGetString);

void BM_ApiGetProps(benchmark::State &state) {
  if (!qvbench::Connected()) return state.SkipWithError("not connected to the substitute host");
  for (auto _ : state) {
    F_PropValsT props = F_ApiGetProps(kDoc, kFormat);
    if (props.count != kFormatProps) return state.SkipWithError("F_ApiGetProps failed");
    F_ApiDeallocatePropVals(&props);
  }
  state.SetItemsProcessed(state.iterations() * kFormatProps);
}
BENCHMARK(BM_ApiGetProps);

// A paragraph format's characteristics as a host hands them out: mostly numbers and metrics,
// a few names, the tab stops and a list of metrics.
void FillFormat(F_PropValsT &list) {
  list.items = static_cast<F_PropValT *>(calloc(kFormatProps, sizeof(F_PropValT)));
  list.count = kFormatProps;
  for (UIntT k = 0; k < kFormatProps; k++) {
    F_PropValT &e = list.items[k];
    e.ident.num = static_cast<IntT>(PROP_Alignment + k);
    F_TypedValT &v = e.value;
    switch (k % 10) {
      case 0:
        v.type = TV_String;
        v.u.sval = strdup(k == 0 ? "Body" : "Heading1");
        break;
      case 7:
        v.type = TV_Tabs;
        v.u.tabs.count = 2;
        v.u.tabs.items = static_cast<F_TabT *>(calloc(2, sizeof(F_TabT)));
        for (UIntT t = 0; t < 2; t++)
          v.u.tabs.items[t] =
              F_TabT{static_cast<MetricT>((72 << 16) * (t + 1)), 1, strdup("."), '.'};
        break;
      case 9:
        v.type = TV_Metrics;
        v.u.metrics.count = 3;
        v.u.metrics.items = static_cast<MetricT *>(calloc(3, sizeof(MetricT)));
        break;
      default:
        v.type = k % 2 ? TV_Metric : TV_Int;
        v.u.ival = static_cast<IntT>(k << 16);
    }
  }
}

bool registered = qvbench::RegisterHostSetup([](qvhost::Host &) {
  qvhost::Serve<1064>(
      [](const ApiFmGetPropArgT &, ApiFmGetIntRetT &r, qvhost::CallCtx &) { r.value = 1; });
  qvhost::Serve<1070>([](const ApiFmGetPropArgT &, ApiFmGetStringRetT &r, qvhost::CallCtx &) {
    r.value = strdup("Body");
  });
  qvhost::Serve<1062>([](const ApiFmGeneralObjArgT &, ApiFmGetPropsRetT &r, qvhost::CallCtx &) {
    FillFormat(r.props);
  });
});

}  // namespace
