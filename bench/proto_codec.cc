// Encode + decode of the two records that carry the most data per call: a paragraph
// format's property list (60 entries of mixed types) and a paragraph's text item list
// (1,000 items).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <quorvex/proto/fmtypes.h>

namespace {

F_PropValsT MakeFormatProps() {
  F_PropValsT pv = F_ApiAllocatePropVals(60);
  for (UIntT i = 0; i < pv.count; ++i) {
    F_PropValT &e = pv.items[i];
    e.ident.num = static_cast<IntT>(547 + i);
    switch (i % 6) {
      case 0: {
        e.value.type = TV_String;
        char name[32];
        snprintf(name, sizeof name, "Heading%u", i);
        e.value.u.sval = F_ApiCopyString(name);
        break;
      }
      case 1:
        e.value.type = TV_Metric;
        e.value.u.ival = static_cast<IntT>(i * 65536);
        break;
      case 2: {
        e.value.type = TV_Tabs;
        F_TabsT &t = e.value.u.tabs;
        t.count = 3;
        t.items = static_cast<F_TabT *>(calloc(3, sizeof(F_TabT)));
        for (UIntT k = 0; k < 3; ++k)
          t.items[k] = {static_cast<MetricT>(k * 36 * 65536), 1, F_ApiCopyString("."), '.'};
        break;
      }
      case 3: {
        e.value.type = TV_Strings;
        F_StringsT &s = e.value.u.strings;
        s.count = 2;
        s.items = static_cast<StringT *>(calloc(2, sizeof(StringT)));
        s.items[0] = F_ApiCopyString("Body");
        s.items[1] = F_ApiCopyString("Caption");
        break;
      }
      default:
        e.value.type = TV_Int;
        e.value.u.ival = static_cast<IntT>(i);
        break;
    }
  }
  return pv;
}

TextItemsT MakeTextItems() {
  TextItemsT ti = F_ApiAllocateTextItems(1000);
  for (UIntT i = 0; i < ti.count; ++i) {
    ti.items[i].offset = static_cast<IntT>(i * 12);
    if (i % 4 == 3) {
      ti.items[i].dataType = 8;  // a marker of some kind: one handle
      ti.items[i].data.idata = static_cast<IntT>(i);
    } else {
      ti.items[i].dataType = TI_String;
      ti.items[i].data.sdata = F_ApiCopyString("A piece of paragraph text");
    }
  }
  return ti;
}

template <typename T>
void EncodeDecode(benchmark::State &state, T rec, bool_t (*coder)(XDR *, T *),
                  void (*release)(T *)) {
  std::vector<char> buf(1 << 20);
  size_t bytes = 0;
  for (auto _ : state) {
    XDR x;
    xdrmem_create(&x, buf.data(), static_cast<u_int>(buf.size()), XDR_ENCODE);
    if (!coder(&x, &rec)) state.SkipWithError("encode failed");
    u_int len = xdr_getpos(&x);
    xdr_destroy(&x);
    T back;
    memset(static_cast<void *>(&back), 0, sizeof back);
    xdrmem_create(&x, buf.data(), len, XDR_DECODE);
    if (!coder(&x, &back)) state.SkipWithError("decode failed");
    xdr_destroy(&x);
    benchmark::DoNotOptimize(back);
    XDR f{};
    f.x_op = XDR_FREE;
    coder(&f, &back);
    bytes += len;
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  release(&rec);
}

void BM_PropVals60EncodeDecode(benchmark::State &state) {
  EncodeDecode(state, MakeFormatProps(), xdr_F_PropValsT, F_ApiDeallocatePropVals);
}
BENCHMARK(BM_PropVals60EncodeDecode);

void BM_TextItems1000EncodeDecode(benchmark::State &state) {
  EncodeDecode(state, MakeTextItems(), xdr_TextItemsT, F_ApiDeallocateTextItems);
}
BENCHMARK(BM_TextItems1000EncodeDecode);

}  // namespace
