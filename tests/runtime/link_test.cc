// The in-memory link on its own: what a caller sees for each way a dispatcher may answer, and
// records larger than the link's starting buffers, also from a call nested in a dispatch.
#include <gtest/gtest.h>

#include <string>

#include <quorvex/fapilink.h>

namespace {

xdrproc_t Xdr(auto *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

bool_t XdrText(XDR *x, char **s) {
  return xdr_string(x, s, ~0u);
}

struct Pair {
  char *a, *b;
};
bool_t XdrPair(XDR *x, Pair *p) {
  return xdr_string(x, &p->a, ~0u) && xdr_string(x, &p->b, ~0u);
}

CLIENT *inner = nullptr;  // the handle a dispatch calls through, for the nested case
const struct timeval kSecond = {1, 0};

// Procedure 1 echoes a text doubled, 2 refuses its argument as undecodable, 3 never answers,
// 4 refuses the caller, 5 answers through a nested call on `inner`; others do not exist.
void Serve(struct svc_req *rq, SVCXPRT *x) {
  char *text = nullptr;
  switch (rq->rq_proc) {
    case 1:
    case 5: {
      if (!svc_getargs(x, Xdr(XdrText), &text)) return svcerr_decode(x);
      std::string out = std::string(text) + text;
      if (rq->rq_proc == 5) {
        char *back = nullptr;
        char *arg = out.data();
        if (clnt_call(inner, 1, Xdr(XdrText), &arg, Xdr(XdrText), &back, kSecond) != RPC_SUCCESS)
          return svcerr_systemerr(x);
        out = back;
        xdr_free(Xdr(XdrText), &back);
      }
      char *res = out.data();
      svc_sendreply(x, Xdr(XdrText), &res);
      svc_freeargs(x, Xdr(XdrText), &text);
      return;
    }
    case 2: {
      int n;
      if (!svc_getargs(x, Xdr(xdr_int), &n)) return svcerr_decode(x);
      svc_sendreply(x, Xdr(xdr_void), nullptr);
      return;
    }
    case 3:
      return;
    case 4:
      return svcerr_weakauth(x);
    default:
      return svcerr_noproc(x);
  }
}

struct Link : ::testing::Test {
  void SetUp() override { inner = cl = FapiLinkCreate(7, 1, Serve); }
  void TearDown() override { clnt_destroy(cl); }
  enum clnt_stat Echo(unsigned proc, const std::string &in, std::string &out) {
    std::string copy = in;
    char *arg = copy.data(), *res = nullptr;
    enum clnt_stat st = clnt_call(cl, proc, Xdr(XdrText), &arg, Xdr(XdrText), &res, kSecond);
    if (st == RPC_SUCCESS) out = res;
    xdr_free(Xdr(XdrText), &res);
    return st;
  }
  CLIENT *cl = nullptr;
};

TEST_F(Link, RecordsOfAnySizeCrossInWireFormAlsoFromANestedCall) {
  for (size_t n : {0ul, 3ul, 5000ul, 3000000ul}) {
    std::string in(n, 'q'), out;
    ASSERT_EQ(Echo(1, in, out), RPC_SUCCESS) << n;
    EXPECT_EQ(out, in + in) << n;
    ASSERT_EQ(Echo(5, in, out), RPC_SUCCESS) << n;  // the dispatch calls again, one level down
    EXPECT_EQ(out.size(), 4 * n) << n;
  }
}

TEST_F(Link, EachRefusalReachesTheCallerAsOverTcp) {
  std::string out;
  // XDR carries no types: what fails to decode is a record cut short.
  EXPECT_EQ(clnt_call(cl, 2, Xdr(xdr_void), nullptr, Xdr(xdr_void), nullptr, kSecond),
            RPC_CANTDECODEARGS);
  EXPECT_EQ(Echo(3, "x", out), RPC_TIMEDOUT);
  EXPECT_EQ(Echo(4, "x", out), RPC_AUTHERROR);
  EXPECT_EQ(Echo(9, "x", out), RPC_PROCUNAVAIL);
  // A reply shorter than the record the caller expects does not decode.
  Pair pair{};
  std::string text = "abc";
  char *arg = text.data();
  EXPECT_EQ(clnt_call(cl, 1, Xdr(XdrText), &arg, Xdr(XdrPair), &pair, kSecond), RPC_CANTDECODERES);
  xdr_free(Xdr(XdrPair), &pair);
  struct rpc_err e;
  clnt_geterr(cl, &e);
  EXPECT_EQ(e.re_status, RPC_CANTDECODERES);
  EXPECT_EQ(Echo(1, "ok", out), RPC_SUCCESS);  // and the link goes on
}

}  // namespace
