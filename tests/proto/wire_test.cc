// The wire form of the records: every record round-trips, a few forms are checked byte for
// byte against sequences worked out by hand, and hostile input fails cleanly.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "golden.h"

namespace {

using qvtest::Bytes;
using qvtest::Wire;
namespace golden = qvtest::golden;

// Invents a record, encodes it (the client), decodes it (the host), encodes that again and
// decodes the result (back in the client): all encodings must be the same bytes.
template <typename T>
void RoundTrip(const char *name, qvtest::Coder<T> coder) {
  SCOPED_TRACE(name);
  for (uint32_t seed = 1; seed <= 2000; seed += 400) {
    T first{};
    ASSERT_TRUE(qvtest::Invent(coder, seed, &first)) << "no decodable record invented";
    Bytes a, b, c;
    ASSERT_TRUE(qvtest::Encode(coder, &first, &a));
    T host{}, back{};
    ASSERT_TRUE(qvtest::Decode(coder, a, &host));
    ASSERT_TRUE(qvtest::Encode(coder, &host, &b));
    ASSERT_TRUE(qvtest::Decode(coder, b, &back));
    ASSERT_TRUE(qvtest::Encode(coder, &back, &c));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    qvtest::Free(coder, &first);
    qvtest::Free(coder, &host);
    qvtest::Free(coder, &back);
  }
}

template <typename T, typename F>
void Trip(const char *name, F *coder) {
  if constexpr (std::is_same_v<T, QvNone>)
    (void)name, (void)coder;
  else
    RoundTrip<T>(name, reinterpret_cast<qvtest::Coder<T>>(reinterpret_cast<void (*)()>(coder)));
}

TEST(Wire, EveryRecordRoundTrips) {
#define QV_PROC(num, stub, A, xa, R, xr) \
  Trip<A>(#A, xa);                       \
  Trip<R>(#R, xr);
#define QV_CB_PROC(num, name, A, xa) Trip<A>(#A, xa);
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC
#undef QV_CB_PROC
  Trip<FmRpcApiConnectArgT>("FmRpcApiConnectArgT", xdr_FmRpcApiConnectArgT);
  Trip<FmRpcApiConnectReturnT>("FmRpcApiConnectReturnT", xdr_FmRpcApiConnectReturnT);
  Trip<F_PropValsT>("F_PropValsT", xdr_F_PropValsT);
  Trip<TextItemsT>("TextItemsT", xdr_TextItemsT);
}

// The invented values reach every typed-value arm and both text-item forms, so the round
// trip above covered them.
TEST(Wire, InventedValuesCoverEveryArm) {
  std::set<IntT> types;
  for (uint32_t seed = 1; seed < 400; ++seed) {
    F_TypedValT v{};
    if (!qvtest::Invent(xdr_F_TypedValT, seed, &v)) continue;
    types.insert(v.type);
    qvtest::Free(xdr_F_TypedValT, &v);
  }
  for (IntT t = 0; t <= 20; ++t) EXPECT_TRUE(types.count(t)) << "type " << t;
}

TEST(Wire, GoldenPropertyList) {
  MetricT m[2] = {65536, -1};
  F_PropValT e[3] = {};
  e[0].ident.num = 20;
  e[0].ident.name = const_cast<StringT>("ignored");  // code 20: the name is not sent
  e[0].value.type = TV_String;
  e[0].value.u.sval = const_cast<StringT>("Body");
  e[1].ident.num = 30;
  e[1].value.type = TV_Int;
  e[1].value.u.ival = 5;
  e[2].ident.num = 0;
  e[2].ident.name = const_cast<StringT>("X");
  e[2].value.type = TV_Metrics;
  e[2].value.u.metrics = {2, m};
  F_PropValsT pv{3, e};
  Bytes got;
  ASSERT_TRUE(qvtest::Encode(xdr_F_PropValsT, &pv, &got));
  EXPECT_EQ(got, golden::PropertyList());
  F_PropValsT back{};
  ASSERT_TRUE(qvtest::Decode(xdr_F_PropValsT, golden::PropertyList(), &back));
  EXPECT_EQ(back.items[0].ident.name, nullptr);
  EXPECT_STREQ(back.items[2].ident.name, "X");
  EXPECT_EQ(back.items[2].value.u.metrics.items[1], -1);
  qvtest::Free(xdr_F_PropValsT, &back);
}

TEST(Wire, GoldenTextItemsAndSmallForms) {
  TextItemT it[2] = {};
  it[0] = {0, TI_String, {}};
  it[0].data.sdata = const_cast<StringT>("Hi");
  it[1] = {2, 4, {}};
  it[1].data.idata = 0x1234;
  TextItemsT ti{2, it};
  Bytes got;
  ASSERT_TRUE(qvtest::Encode(xdr_TextItemsT, &ti, &got));
  EXPECT_EQ(got, golden::TextItems());

  F_TypedValT v{};
  v.type = TV_ElementRange;  // no range: the flag 0
  ASSERT_TRUE(qvtest::Encode(xdr_F_TypedValT, &v, &got));
  EXPECT_EQ(got, golden::NoElementRange());
  F_ElementRangeT r{{1, 2, 3}, {4, 5, 6}};
  v.u.elementRange = &r;
  ASSERT_TRUE(qvtest::Encode(xdr_F_TypedValT, &v, &got));
  EXPECT_EQ(got, golden::ElementRange());
  v = {};
  v.type = 11;  // no member: one int
  v.u.ival = 9;
  ASSERT_TRUE(qvtest::Encode(xdr_F_TypedValT, &v, &got));
  EXPECT_EQ(got, golden::PlainIntValue());

  UByteT bytes[3] = {1, 2, 255};
  F_UBytesT ub{3, bytes};
  ASSERT_TRUE(qvtest::Encode(xdr_F_UBytesT, &ub, &got));
  EXPECT_EQ(got, golden::ThreeBytes());

  ApiFmAlertArgT alert{nullptr, 2};  // a null text travels as the empty text
  ASSERT_TRUE(qvtest::Encode(xdr_ApiFmAlertArgT, &alert, &got));
  EXPECT_EQ(got, golden::AlertNullText());

  FmRpcApiConnectArgT conn{4321, const_cast<StringT>("10.0.0.1"), const_cast<StringT>("qv")};
  ASSERT_TRUE(qvtest::Encode(xdr_FmRpcApiConnectArgT, &conn, &got));
  EXPECT_EQ(got, golden::ConnectArg());

  ApiFmOpenRetT open{0, 7, nullptr};
  ASSERT_TRUE(qvtest::Encode(xdr_ApiFmOpenRetT, &open, &got));
  EXPECT_EQ(got, golden::OpenReply());
}

// Every hand-worked form decodes as its record and encodes back to the same bytes (the fuzz
// targets start from these forms, so each must be a valid record).
TEST(Wire, GoldenFormsDecodeAndEncodeBack) {
  int n = 0;
  golden::ForEach([&n]<typename T>(bool_t (*coder)(XDR *, T *), const Bytes &bytes) {
    SCOPED_TRACE(n++);
    T rec{};
    ASSERT_TRUE(qvtest::Decode(coder, bytes, &rec));
    Bytes again;
    EXPECT_TRUE(qvtest::Encode(coder, &rec, &again));
    EXPECT_EQ(again, bytes);
    qvtest::Free(coder, &rec);
  });
  EXPECT_EQ(n, 9);
}

// Input that must fail the one decode, without a crash, a leak or a huge allocation.
TEST(Wire, HostileInputFailsCleanly) {
  struct Case {
    const char *what;
    Bytes bytes;
  } cases[] = {
      {"huge list count", Wire().W(0xFFFFFFFF).b},
      {"count above the bound", Wire().W(QV_XDR_MAX_LIST + 1).b},
      {"large count, one element", Wire().W(QV_XDR_MAX_LIST).W(1).W(0).b},
      {"huge text length", Wire().W(1).W(9).W(3).W(0xFFFFFFFF).b},
      {"text above the bound", Wire().W(1).W(9).W(3).W(QV_XDR_MAX_TEXT + 1).b},
      {"text cut short", Wire().W(1).W(9).W(3).W(300000).W(0x41414141).b},
      {"optional flag 2", Wire().W(1).W(9).W(19).W(2).b},
      {"byte above 255", Wire().W(1).W(9).W(14).W(1).W(256).b},
      {"empty input", Bytes{}},
  };
  for (const Case &c : cases) {
    F_PropValsT pv{};
    EXPECT_FALSE(qvtest::Decode(xdr_F_PropValsT, c.bytes, &pv)) << c.what;
    EXPECT_EQ(pv.items, nullptr) << c.what;
  }
  FmApiNotifyArgT note{};
  EXPECT_FALSE(qvtest::Decode(xdr_FmApiNotifyArgT, Wire().W(1).W(2).W(0xFFFFFFF0).b, &note));
  ApiFmOpenRetT open{};
  EXPECT_FALSE(qvtest::Decode(xdr_ApiFmOpenRetT, Wire().W(0).W(7).W(5).b, &open));
}

// Every cut of a rich record fails cleanly; the whole decodes.
TEST(Wire, EveryTruncationFails) {
  ApiFmGetPropsRetT rec{};
  ASSERT_TRUE(qvtest::Invent(xdr_ApiFmGetPropsRetT, 77, &rec));
  while (rec.props.count < 4) {  // make it worth cutting
    qvtest::Free(xdr_ApiFmGetPropsRetT, &rec);
    static uint32_t seed = 1000;
    ASSERT_TRUE(qvtest::Invent(xdr_ApiFmGetPropsRetT, seed += 500, &rec));
  }
  Bytes all;
  ASSERT_TRUE(qvtest::Encode(xdr_ApiFmGetPropsRetT, &rec, &all));
  qvtest::Free(xdr_ApiFmGetPropsRetT, &rec);
  for (size_t n = 0; n < all.size(); ++n) {
    ApiFmGetPropsRetT cut{};
    EXPECT_FALSE(qvtest::Decode(xdr_ApiFmGetPropsRetT, Bytes(all.begin(), all.begin() + n), &cut))
        << n;
  }
  ASSERT_TRUE(qvtest::Decode(xdr_ApiFmGetPropsRetT, all, &rec));
  qvtest::Free(xdr_ApiFmGetPropsRetT, &rec);
}

}  // namespace
