// The interface calls end to end: the substitute host starts the probe client, which runs one
// scenario of calls per command and writes what each returned; the host's call log shows what
// crossed the wire.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

// The records first, so that they are declared at global scope before the host's headers.
#include <quorvex/proto/fmapi_procs.h>

#include "host/core/dispatch.h"
#include "host/core/host.h"

namespace {

struct Observed {
  int proc = 0;
  std::string name, rule, result;
  int err = 0;
};

class CallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    out_ = ::testing::TempDir() + "calls-probe-" + std::to_string(getpid()) + ".out";
    std::string err;
    ASSERT_TRUE(host_.Start(&err)) << err;
    host_.SetCallTimeLimit(10000);
  }
  void TearDown() override {
    host_.Stop();
    // Handlers are process-wide: leave none behind for the next test.
    for (unsigned p = qvhost::kFirstProc; p <= qvhost::kLastProc; p++) qvhost::Unserve(p);
    std::remove(out_.c_str());
  }

  // Launches the probe, runs one scenario and returns its lines in order.
  std::vector<Observed> Run(int scenario) {
    qvhost::Host::LaunchOptions opts;
    opts.client_path = QV_PROBE_BIN;
    opts.client_number = -1;
    opts.client_name = "probe";
    opts.extra_env = {"QV_PROBE_OUT=" + out_};
    std::string err;
    EXPECT_TRUE(host_.Launch(opts, &err)) << err;
    host_.ClearLog();
    host_.Command(scenario);
    // Every scenario ends the probe; its lines are complete once it has gone.
    exit_status_ = host_.WaitExit(10000);
    std::vector<Observed> lines;
    std::ifstream in(out_);
    for (std::string text; std::getline(in, text);) {
      // The result may hold spaces: it is everything between the rule and the last field.
      std::istringstream fields(text);
      Observed o;
      fields >> o.proc >> o.name >> o.rule >> std::ws;
      std::getline(fields, o.result);
      const size_t last = o.result.rfind(' ');
      if (last == std::string::npos) continue;
      o.err = std::atoi(o.result.c_str() + last + 1);
      o.result.resize(last);
      lines.push_back(o);
    }
    return lines;
  }

  std::map<std::string, Observed> ByName(const std::vector<Observed> &lines) {
    std::map<std::string, Observed> m;
    for (const Observed &o : lines) m[o.name] = o;
    return m;
  }

  // Procedures the client called, in order, without the control hand-back.
  std::vector<int> CalledProcs() {
    std::vector<int> procs;
    for (const qvhost::LoggedCall &c : host_.CallLog())
      if (c.proc != 1002) procs.push_back(static_cast<int>(c.proc));
    return procs;
  }

  std::string ArgsOf(unsigned proc, size_t nth = 0) {
    for (const qvhost::LoggedCall &c : host_.CallLog())
      if (c.proc == proc && nth-- == 0) return c.args;
    return "(not called)";
  }

  qvhost::Host host_;
  std::string out_;
  int exit_status_ = -1;
};

// The test answers every procedure with this host status, so that each call meets it.
constexpr int kHostError = -57;

template <unsigned Proc>
void Refuse(const typename qvhost::ProcTraits<Proc>::Arg &,
            typename qvhost::ProcTraits<Proc>::Res &r, qvhost::CallCtx &) {
  std::memset(static_cast<void *>(&r), 0, sizeof r);
  qvhost::detail::SetStatus(r, kHostError);
}

void RefuseEverything() {
#define QV_PROC(num, ...) \
  if constexpr (num > 1002) qvhost::Serve<num>(Refuse<num>);
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC
}

// Every call meets a host error status: each must take its own rule for it, and each must
// have used its own procedure.
TEST_F(CallsTest, EveryCallUsesItsProcedureAndItsRuleForAHostStatus) {
  RefuseEverything();
  std::vector<Observed> lines = Run(1);
  ASSERT_GT(lines.size(), 150u);
  EXPECT_EQ(lines.back().name, "F_Progress");  // the scenario ran to its end
  std::vector<int> expected_procs;
  for (const Observed &o : lines) {
    if (o.proc != 0) expected_procs.push_back(o.proc);
    SCOPED_TRACE(o.name + " " + o.result + " " + std::to_string(o.err));
    if (o.rule == "value") {
      // The neutral value, and the host's status kept in FA_errno.
      const std::set<std::string> neutral = {"0", "null", "empty"};
      EXPECT_TRUE(neutral.count(o.result) || (o.name == "F_ApiQuickSelect" && o.result == "-1"));
      EXPECT_EQ(o.err, kHostError);
    } else if (o.rule == "status") {
      EXPECT_EQ(o.result, std::to_string(kHostError));
      EXPECT_EQ(o.err, kHostError);
    } else if (o.rule == "void") {
      EXPECT_EQ(o.err, kHostError);
    } else if (o.rule == "none") {
      EXPECT_EQ(o.err, 0);  // the procedure answers no status
    } else if (o.rule == "answer") {
      // The host's answer as it came (a text answer carries no status); never stored.
      EXPECT_TRUE(o.result == std::to_string(kHostError) || o.result[0] == '"');
      EXPECT_EQ(o.err, 0);
    } else if (o.rule == "prompt") {
      EXPECT_EQ(o.result, "-1/kept");
      EXPECT_EQ(o.err, 0);
    } else if (o.rule == "sleep") {
      EXPECT_EQ(o.result, "0");
      EXPECT_EQ(o.err, 0);
    } else if (o.rule == "progress") {
      EXPECT_EQ(o.result, "-1");
      EXPECT_EQ(o.err, 0);
    } else if (o.rule == "refused") {
      EXPECT_EQ(o.result, "-43");
      EXPECT_EQ(o.err, 0);
    } else {
      ADD_FAILURE() << "unknown rule " << o.rule;
    }
  }
  EXPECT_EQ(CalledProcs(), expected_procs);
}

// ---- Answers served by the test itself ----

char *Dup(const char *s) {
  return strdup(s);
}

template <class T>
T *Array(std::initializer_list<T> items) {
  T *a = static_cast<T *>(calloc(items.size(), sizeof(T)));
  std::copy(items.begin(), items.end(), a);
  return a;
}

int opens = 0;

void AnswerSeven(const ApiFmGetPropArgT &, ApiFmGetIntRetT &r, qvhost::CallCtx &) {
  r.value = 7;
}

void ServeKnownAnswers() {
  using namespace qvhost;
  Serve<1070>(
      [](const ApiFmGetPropArgT &, ApiFmGetStringRetT &r, CallCtx &) { r.value = Dup("Body"); });
  Serve<1072>([](const ApiFmGetPropArgT &, ApiFmGetStringsRetT &r, CallCtx &) {
    r.value = F_StringsT{3, Array<StringT>({Dup("Times"), Dup(""), Dup("Courier")})};
  });
  Serve<1062>([](const ApiFmGeneralObjArgT &, ApiFmGetPropsRetT &r, CallCtx &) {
    F_PropValT *e = static_cast<F_PropValT *>(calloc(3, sizeof(F_PropValT)));
    e[0].ident.num = 20;
    e[0].value.type = TV_String;
    e[0].value.u.sval = Dup("Body");
    e[1].ident.num = 551;
    e[1].value.type = TV_Int;
    e[1].value.u.ival = 1;
    e[2].ident.num = 560;
    e[2].value.type = TV_Metrics;
    e[2].value.u.metrics = F_MetricsT{2, Array<MetricT>({65536, 131072})};
    r.props = F_PropValsT{3, e};
  });
  Serve<1063>([](const ApiFmSetPropsArgT &, int &, CallCtx &) {});
  Serve<1081>([](const ApiFmGetTextForRangeArgT &, ApiFmGetTextRetT &r, CallCtx &) {
    TextItemT *t = static_cast<TextItemT *>(calloc(3, sizeof(TextItemT)));
    t[0] = TextItemT{0, TI_String, {}};
    t[0].data.sdata = Dup("Hello");
    t[1] = TextItemT{5, TI_String, {}};
    t[1].data.sdata = Dup(" world");
    t[2] = TextItemT{11, 8, {}};
    t[2].data.idata = 4;
    r.value = TextItemsT{3, t};
  });
  Serve<1019>([](const ApiFmOpenArgT &, ApiFmOpenRetT &r, CallCtx &) {
    r.docId = static_cast<unsigned>(11 + opens);
    F_PropValsT *back = static_cast<F_PropValsT *>(calloc(1, sizeof(F_PropValsT)));
    const unsigned n = static_cast<unsigned>(1 + opens++);
    back->items = static_cast<F_PropValT *>(calloc(n, sizeof(F_PropValT)));
    back->count = n;
    for (unsigned k = 0; k < n; k++) {
      back->items[k].ident.num = static_cast<IntT>(k + 1);
      back->items[k].value.type = TV_Int;
    }
    r.returnParams = back;
  });
  Serve<1013>([](const ApiFmScrollBoxArgT &, ApiFmScrollBoxRetT &r, CallCtx &) { r.value = 2; });
  Serve<1010>(
      [](const ApiFmPromptArgT &, ApiFmPromptStringRetT &r, CallCtx &) { r.value = Dup("typed"); });
  Serve<1202>([](const ApiFmCutTablePartsArgT &, int &r, CallCtx &) { r = 0; });
  Serve<1064>(AnswerSeven);
  Serve<1065>([](const ApiFmSetIntArgT &, int &r, CallCtx &) { r = -7; });
}

TEST_F(CallsTest, ServedAnswersReachTheCallerAsOwnedCopies) {
  ServeKnownAnswers();
  auto seen = ByName(Run(2));
  EXPECT_EQ(seen["get-string-twice"].result, "\"Body\"/distinct");
  EXPECT_EQ(seen["deallocated-string"].result, "null");
  EXPECT_EQ(seen["get-strings"].result, "3/\"Times\"/\"\"/\"Courier\"");
  EXPECT_EQ(seen["get-props"].result, "3/20:3=\"Body\"/551:1=1/560:5=2");
  EXPECT_EQ(seen["get-text-for-range"].result, "3/\"Hello\"/\" world\"");
  // The second open releases the first returned list and reuses the same static list.
  EXPECT_EQ(seen["open-twice"].result, "11/12/2/same-list");
  EXPECT_EQ(seen["scroll-box"].result, "0/2");
  EXPECT_EQ(seen["prompt-string"].result, "0/\"typed\"");
  EXPECT_EQ(seen["error-then-success"].result,
            "7/" + std::to_string(qvhost::kNotServed) + "/" + std::to_string(qvhost::kNotServed));
  EXPECT_EQ(seen["progress"].result, "-1/-33");
  // What crossed the wire.
  EXPECT_EQ(ArgsOf(1063), "1 9 3 20 3 \"Body\" 551 1 1 560 5 2 65536 131072");
  EXPECT_EQ(ArgsOf(1013), "\"Tags\" -1 3 \"Times\" 0 \"Courier\"");
  EXPECT_EQ(ArgsOf(1202), "1 44 0 0 2 1");
  EXPECT_EQ(ArgsOf(1019, 2),
            "\"x.doc\" 16 1 1 1 2 1 1 14 1 4 15 1 4 16 1 4 17 1 4 18 1 4 19 1 4 20 1 4 21 1 4 "
            "22 1 4 23 1 4 28 1 4 24 1 4 25 1 4 4 1 1");
  // The probe leaves cleanly: under the sanitizers a leak or a bad access fails this.
  EXPECT_EQ(exit_status_, 0);
}

// The connection breaks under the second call: every later call gives its failure value and
// FA_errno -1 without any answer from the host.
class BrokenConnectionTest : public CallsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BrokenConnectionTest, CallsAfterTheBreakGiveTheirFailureValues) {
  qvhost::Serve<1064>(AnswerSeven);
  if (GetParam()) {
    host_.faults().die_at_call = 2;
  } else {
    host_.faults().close_at_call = 2;
  }
  std::vector<Observed> lines = Run(3);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0].result, "7");
  EXPECT_EQ(lines[0].err, 0);
  const std::vector<std::string> failed = {"0",  "-1",      "5", "null",      "empty",
                                           "-1", "-1/kept", "0", "untouched", "-1"};
  for (size_t k = 1; k < lines.size(); k++) {
    SCOPED_TRACE(lines[k].name);
    EXPECT_EQ(lines[k].result, failed[k - 1]);
    // F_Progress keeps the FA_errno it found (cleared before the call).
    EXPECT_EQ(lines[k].err, lines[k].rule == "progress" ? 0 : -1);
  }
}

INSTANTIATE_TEST_SUITE_P(HostDiesOrConnectionCloses, BrokenConnectionTest, ::testing::Bool());

TEST_F(CallsTest, NoConnectionFailsWithoutCrashing) {
  std::vector<Observed> lines = Run(4);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].result, "0");
  EXPECT_EQ(lines[0].err, -1);
  EXPECT_EQ(lines[1].result, "-1");
  EXPECT_EQ(lines[1].err, -1);
  EXPECT_TRUE(CalledProcs().empty());
}

}  // namespace
