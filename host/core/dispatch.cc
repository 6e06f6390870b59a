// The table from host procedure number to handler, built once from the protocol's list.
#include "host/core/dispatch.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qvhost {
namespace {

using Table = std::array<ProcEntry, kLastProc - kFirstProc + 1>;

template <unsigned Proc>
void Fill(Table &t) {
  if constexpr (ProcTraits<Proc>::kKnown) {
    using T = ProcTraits<Proc>;
    ProcEntry &e = t[Proc - kFirstProc];
    e.proc = Proc;
    e.name = T::kName;
    e.arg_size = sizeof(typename T::Arg);
    e.res_size = sizeof(typename T::Res);
    e.xdr_arg = &T::xdr_arg;
    e.xdr_res = &T::xdr_res;
    e.set_status = [](void *r, int32_t code) {
      detail::SetStatus(*static_cast<typename T::Res *>(r), code);
    };
  }
}

// The table is filled in blocks of 128 procedures: one fold over all of them nests deeper
// than some compilers allow.
constexpr size_t kBlock = 128;
constexpr size_t kProcCount = kLastProc - kFirstProc + 1;

template <size_t From, size_t... I>
void FillBlock(Table &t, std::index_sequence<I...>) {
  ((From + I < kProcCount ? Fill<kFirstProc + std::min(From + I, kProcCount - 1)>(t) : void()),
   ...);
}

template <size_t... B>
void FillAll(Table &t, std::index_sequence<B...>) {
  (FillBlock<B * kBlock>(t, std::make_index_sequence<kBlock>()), ...);
}

Table &TheTable() {
  static Table table = [] {
    Table t{};
    FillAll(t, std::make_index_sequence<(kProcCount + kBlock - 1) / kBlock>());
    return t;
  }();
  return table;
}

}  // namespace

const ProcEntry *FindProc(unsigned proc) {
  if (proc < kFirstProc || proc > kLastProc) return nullptr;
  const ProcEntry &e = TheTable()[proc - kFirstProc];
  return e.proc == proc ? &e : nullptr;
}

void SetHandler(unsigned proc, Thunk thunk, GenericFn fn) {
  if (proc < kFirstProc || proc > kLastProc) return;
  ProcEntry &e = TheTable()[proc - kFirstProc];
  if (e.proc != proc) return;
  e.thunk = thunk;
  e.fn = fn;
}

void Unserve(unsigned proc) {
  SetHandler(proc, nullptr, nullptr);
}

}  // namespace qvhost
