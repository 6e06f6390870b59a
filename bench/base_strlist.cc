// String-list patterns of the paragraph tools: building a list of distinct tag names with a
// case-insensitive lookup before every append, and sorting a large list of names.
#include <benchmark/benchmark.h>
#include <quorvex/fdebase.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> TagNames(int n) {
  std::vector<std::string> names;
  names.reserve(n);
  unsigned x = 12345;
  for (int i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    names.push_back((i % 3 ? "Body" : "Heading") + std::to_string(x % 100000) + "-" +
                    std::to_string(i));
  }
  return names;
}

void BM_StrListAppendWithIIndex(benchmark::State &state) {
  const auto names = TagNames(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    StringListT list = F_StrListNew(1, 1);
    for (const auto &n : names)
      if (F_StrListIIndex(list, n.c_str()) < 0) F_StrListAppend(list, n.c_str());
    benchmark::DoNotOptimize(F_StrListLen(list));
    F_StrListFree(list);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrListAppendWithIIndex)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_StrListSort(benchmark::State &state) {
  const auto names = TagNames(static_cast<int>(state.range(0)));
  StringListT source = F_StrListNew(0, 0);
  for (const auto &n : names) F_StrListAppend(source, n.c_str());
  for (auto _ : state) {
    state.PauseTiming();
    StringListT list = F_StrListNew(0, 0);
    F_StrListCat(list, source);
    state.ResumeTiming();
    F_StrListSort(list, F_StrQsortCmp);
    benchmark::DoNotOptimize(F_StrListGet(list, 0));
    state.PauseTiming();
    F_StrListFree(list);
    state.ResumeTiming();
  }
  F_StrListFree(source);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrListSort)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
