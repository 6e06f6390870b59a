// The client runtime end to end: start-up, callbacks and the control hand-back, the nesting
// guard, the modal loop, liveness and the descriptor watch, through the substitute host.
#include <rpc/rpc.h>

#include <algorithm>
#include <cstring>

#include "apislib.h"
#include "harness.h"

// The runtime calls these when it serves callbacks; this test process never does.
extern "C" {
VoidT F_ApiInitialize(IntT) {}
VoidT F_ApiCommand(IntT) {}
VoidT F_ApiNotify(IntT, F_ObjHandleT, StringT, IntT) {}
}

namespace {

std::string Line(const std::string &name, const std::string &text) {
  return "Frame API client \"" + name + "\": " + text + ".\n";
}

unsigned long UnusedProgram() {
  for (unsigned long p = 0x5F000000ul + static_cast<unsigned long>(getpid()) % 4096;; p++)
    if (!qvhost::Host::IsRegistered(p, 1)) return p;
}

}  // namespace

TEST(StartUp, ParsesTheSevenFieldsAndCutsLongNames) {
  FapiStartParamsT p;
  std::memset(&p, 0, sizeof p);
  ASSERT_EQ(FapiParseFmapix("3.1 4.1 99.-1.tool", &p), 1);
  EXPECT_EQ(p.myprog, 3);
  EXPECT_EQ(p.myvers, 1);
  EXPECT_EQ(p.hisprog, 4);
  EXPECT_EQ(p.hisvers, 1);
  EXPECT_EQ(p.hispid, 99);
  EXPECT_EQ(p.clientno, -1);
  EXPECT_STREQ(p.name, "tool");
  std::string longname = "5.1 6.1 7.0." + std::string(300, 'n');
  ASSERT_EQ(FapiParseFmapix(longname.c_str(), &p), 1);
  EXPECT_EQ(std::strlen(p.name), 255u);
  EXPECT_EQ(FapiParseFmapix("1.1 2.1 3.4", &p), 0);
  EXPECT_EQ(FapiParseFmapix("", &p), 0);
  EXPECT_EQ(FapiParseFmapix(nullptr, &p), 0);
}

TEST(StartUp, RefusesToRunWithoutTheHostsParameters) {
  const char *cases[] = {nullptr, "1.1 2.1 3.4", "garbage", "1.x 2.1 3.4.5.name"};
  for (const char *fmapix : cases) {
    ProbeHost ph;
    qvhost::Host::LaunchOptions o = ph.Options();
    o.wait_for_ack = false;
    o.set_fmapix = fmapix != nullptr;
    if (fmapix) o.fmapix_override = fmapix;
    std::string e;
    ASSERT_TRUE(ph.host.Launch(o, &e)) << e;
    EXPECT_EQ(ph.host.WaitExit(5000), 1) << (fmapix ? fmapix : "unset");
    EXPECT_EQ(ph.Stderr(), Line("???", "not called by a Frame product"));
  }
}

TEST(StartUp, ReportsTheFailureTextsItCanMeet) {
  {  // no host program registered under the number given
    ProbeHost ph;
    qvhost::Host::LaunchOptions o = ph.Options();
    o.wait_for_ack = false;
    o.fmapix_override = std::to_string(UnusedProgram()) + ".1 " +
                        std::to_string(UnusedProgram() + 1) + ".1 " + std::to_string(getpid()) +
                        ".-1.tool";
    std::string e;
    ASSERT_TRUE(ph.host.Launch(o, &e)) << e;
    EXPECT_EQ(ph.host.WaitExit(5000), 1);  // the started process itself: no fork
    EXPECT_EQ(ph.Stderr(), Line("tool", "unable to create TCP client"));
  }
  {  // a host that never answers the init acknowledgement
    ProbeHost ph;
    ph.host.faults().silent = true;
    qvhost::Host::LaunchOptions o = ph.Options(-1, {"PROBE_TIMEOUT_MS=300"});
    o.wait_for_ack = false;
    std::string e;
    ASSERT_TRUE(ph.host.Launch(o, &e)) << e;
    EXPECT_EQ(ph.host.WaitExit(5000), 1);
    EXPECT_EQ(ph.Stderr(), Line("quorvex", "unable to make initial contact"));
    EXPECT_FALSE(qvhost::Host::IsRegistered(ph.host.CallbackProgram(), 1));
  }
}

TEST(StartUp, ForksOnlyForAClientNumberOfZeroOrMore) {
  {
    ProbeHost ph;
    ASSERT_TRUE(ph.Launch(3));
    EXPECT_NE(ph.host.ClientPid(), ph.host.LauncherPid());
    for (int i = 0; i < 500 && ph.host.LauncherStatus() < 0; i++) usleep(10000);
    EXPECT_EQ(ph.host.LauncherStatus(), 0);
    EXPECT_TRUE(ph.host.ClientRunning());
    EXPECT_EQ(ph.host.Initialize(0), 0);
    EXPECT_EQ(ph.host.Quit(), 0);
    EXPECT_EQ(ph.host.WaitExit(5000), 0);
    EXPECT_EQ(ph.Count("init 0 clientno 3"), 1u);
  }
  {
    ProbeHost ph;
    ASSERT_TRUE(ph.Launch(-5));
    EXPECT_EQ(ph.host.ClientPid(), ph.host.LauncherPid());
    EXPECT_EQ(ph.host.Initialize(1), 0);
    EXPECT_EQ(ph.Count("init 1 clientno 4"), 1u);
  }
}

TEST(Callbacks, EachIsAnsweredAndHandedBackOnce) {
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch());
  EXPECT_EQ(ph.host.Initialize(7), 0);
  EXPECT_EQ(ph.host.Command(1), 0);
  EXPECT_EQ(ph.host.Message("hello", 1, 2), 0);
  EXPECT_EQ(ph.host.Notify(10, 5, "file.fm", 3), 0);
  EXPECT_EQ(ph.host.Notify(75, 6,
                           "a\x1e"
                           "b\x1e\x1e",
                           0),
            0);
  EXPECT_EQ(ph.host.DialogEvent(1, 2, 3), 0);
  EXPECT_EQ(ph.host.CallCount(1002), 6u);
  for (const qvhost::LoggedCall &c : ph.host.CallLog()) {
    if (c.proc == 1002) {
      EXPECT_EQ(c.args, "0");
    }
  }
  std::vector<std::string> want = {"init 7 clientno 0",      "command 1",
                                   "message hello 1 2",      "notify 10 5 file.fm 3",
                                   "notify 75 6 [a|b|] 0 0", "dialog 1 2 3"};
  EXPECT_EQ(ph.Events(), want);

  // F_ApiDoneCommand hands back at once and the callback's end sends nothing more.
  EXPECT_EQ(ph.host.Command(3), 0);
  EXPECT_EQ(ph.host.CallCount(1002), 7u);
  EXPECT_TRUE(ph.WaitFor("done 0 -1"));  // written after the early hand-back
  // A bail-out travels in the hand-back and ends the loop.
  EXPECT_EQ(ph.host.Command(2), 1);
  EXPECT_EQ(ph.host.WaitExit(5000), 0);
  EXPECT_EQ(ph.Events().back(), "exit 0");
  EXPECT_FALSE(qvhost::Host::IsRegistered(ph.host.CallbackProgram(), 1));
}

TEST(Callbacks, QuitAndTheErrorReplies) {
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch());
  EXPECT_EQ(ph.host.RawCallback(0), RPC_SUCCESS);
  EXPECT_EQ(ph.host.RawCallback(9), RPC_PROCUNAVAIL);
  EXPECT_EQ(ph.host.RawCallback(3), RPC_CANTDECODEARGS);  // a command without its number
  EXPECT_TRUE(ph.host.OldNotify(1, 2, "old"));
  EXPECT_EQ(ph.host.Command(1), 0);  // still serving
  EXPECT_EQ(ph.Events(), std::vector<std::string>{"command 1"});
  EXPECT_EQ(ph.Stderr(), Line("quorvex", "Frame process sent old-style notification"));
  EXPECT_EQ(ph.host.Quit(), 0);
  EXPECT_EQ(ph.host.WaitExit(5000), 0);
  EXPECT_EQ(ph.host.CallCount(1002), 1u);  // the command's only
}

TEST(Callbacks, AHostKeepingNoLogHoldsOnlyTheCallItServedLast) {
  for (bool keep : {true, false}) {
    ProbeHost ph;
    ph.host.KeepLog(keep);
    ASSERT_TRUE(ph.Launch());
    EXPECT_EQ(ph.host.Command(1), 0);
    EXPECT_EQ(ph.host.Command(1), 0);
    EXPECT_EQ(ph.host.Quit(), 0);
    EXPECT_EQ(ph.host.WaitExit(5000), 0);
    if (keep) {
      EXPECT_GE(ph.host.CallLog().size(), 3u);  // the acknowledgement and both hand-backs
    } else {
      ASSERT_EQ(ph.host.CallLog().size(), 1u);
      EXPECT_EQ(ph.host.CallLog().back().proc, 1002u);
    }
  }
}

TEST(Callbacks, NestedCallbackIsAnsweredReportedAndDropped) {
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch());
  ph.host.faults().extra_callbacks = 1;
  EXPECT_EQ(ph.host.Command(4), 0);
  EXPECT_EQ(ph.Count("command 4"), 1u);
  EXPECT_EQ(ph.Count("service 1"), 1u);
  EXPECT_EQ(ph.host.CallCount(1002), 1u);
  EXPECT_EQ(ph.Stderr(), Line("quorvex", "Nested API_Init/F_ApiNotify/F_ApiMessage/F_ApiCommand"));
  // Inside a callback control is already held.
  EXPECT_EQ(ph.host.Command(8), 0);
  EXPECT_EQ(ph.Count("take -1"), 1u);
}

TEST(Callbacks, ModalLoopServesTheDialogAndReturnsItsEndValue) {
  qvhost::Serve<1375>([](const int &v, int &res, qvhost::CallCtx &ctx) {
    ctx.host->PostDialogEvent(3, 4, 5);
    ctx.host->PostDialogEvent(0, 0, 7);  // ends the dialog
    res = v;
  });
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch());
  EXPECT_EQ(ph.host.Command(5), 0);
  qvhost::Unserve(1375);
  EXPECT_EQ(ph.Events(), (std::vector<std::string>{"command 5", "dialog 3 4 5", "modal 7"}));
  EXPECT_EQ(ph.host.CallCount(1002), 3u);  // one per dialog event, one for the command
}

TEST(Control, TakeControlOutsideACallback) {
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch(-1, {"PROBE_TAKE=1"}));
  EXPECT_EQ(ph.host.ServeUntilHandBack(), 0);
  EXPECT_EQ(ph.host.CallCount(1343), 1u);
  EXPECT_EQ(ph.host.CallCount(1002), 1u);
  EXPECT_TRUE(ph.WaitFor("control -1 0 -1 0"));
}

TEST(Liveness, ClientEndsWithStatusOneWhenTheHostHasGone) {
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch(0, {"PROBE_WAIT_MS=100"}));
  EXPECT_EQ(ph.host.Initialize(0), 0);
  unsigned long cb = ph.host.CallbackProgram();
  EXPECT_TRUE(qvhost::Host::IsRegistered(cb, 1));
  ph.host.Die();
  EXPECT_EQ(ph.host.WaitExit(10000), 1);
  EXPECT_EQ(ph.Events().back(), "emergency");
  EXPECT_FALSE(qvhost::Host::IsRegistered(cb, 1));
}

TEST(Service, DescriptorWatchAndCallersOwnDescriptors) {
  std::vector<std::string> ev;
  {
    ProbeHost ph;
    ASSERT_TRUE(ph.Launch(-1, {"PROBE_FDWATCH=1"}));
    for (int i = 0; i < 500 && ph.Events().empty(); i++) usleep(10000);  // told after the ack
    ev = ph.Events();
    ASSERT_GE(ev.size(), 1u);
    int listener = -1;
    ASSERT_EQ(std::sscanf(ev[0].c_str(), "fd %d 1", &listener), 1);
    EXPECT_EQ(ph.host.Initialize(0), 0);  // the host's callback connection is accepted
    ev = ph.Events();
    auto conn_it = std::find_if(ev.begin(), ev.end(), [&](const std::string &l) {
      int fd, f;
      return std::sscanf(l.c_str(), "fd %d %d", &fd, &f) == 2 && fd != listener && f == 1;
    });
    ASSERT_NE(conn_it, ev.end());
    int conn = -1;
    std::sscanf(conn_it->c_str(), "fd %d", &conn);
    ph.host.DropCallbackConnection();
    EXPECT_TRUE(ph.WaitFor("fd " + std::to_string(conn) + " 0"));
  }

  // Installed late, from inside a callback: every descriptor of the set, lowest first.
  ProbeHost late;
  ASSERT_TRUE(late.Launch());
  EXPECT_EQ(late.host.Command(6), 0);
  ev = late.Events();
  ASSERT_EQ(ev.size(), 3u);
  int a = -1, b = -1;
  ASSERT_EQ(std::sscanf(ev[1].c_str(), "fd %d 1", &a), 1);
  ASSERT_EQ(std::sscanf(ev[2].c_str(), "fd %d 1", &b), 1);
  EXPECT_LT(a, b);
  // F_ApiService with a mask gives back only the caller's own ready descriptor.
  EXPECT_EQ(late.host.Command(9), 0);
  EXPECT_EQ(late.Count("mask 1 1"), 1u);
}
