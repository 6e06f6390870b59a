// End-to-end tests that run twice, once over each transport: the first run starts the client as
// a process of its own over ONC RPC/TCP, the second links it into the test's process (the
// in-memory link), and the second run's host call log must equal the first's, call for call,
// argument for argument (but the pid of the init acknowledgement and the run's own scratch
// folder). The test binary runs with --gtest_repeat=2; a fixture calls Begin() in SetUp, Use()
// on each launch and End() in TearDown. The model's handles must be numbered afresh for each
// run (Model::Reset(true)) for the logs to compare.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <quorvex/fapilink.h>
#include <quorvex/fapiruntime.h>

#include "client/quorvex.h"
#include "host/core/host.h"

namespace qvtest {

class TwoTransports {
 public:
  // True when this run of the test is its second, with the client linked.
  bool Begin() { return linked_ = FirstRuns().count(TestName()) > 0; }
  bool Linked() const { return linked_; }

  // Points a launch at the linked client on the second run. Its standard error, this process's
  // then, goes to `stderrFile` (empty: left alone) until End().
  void Use(qvhost::Host::LaunchOptions &o, const std::string &stderrFile) {
    if (!linked_) return;
    static const qvhost::LinkedClient kLinked = {FapiStartLinked, F_ApiShutDown, &FA_bailout,
                                                 QvResetClient};
    o.linked = &kLinked;
    if (saved_stderr_ >= 0 || stderrFile.empty()) return;
    std::fflush(stderr);
    saved_stderr_ = dup(2);
    int fd = open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
      dup2(fd, 2);
      close(fd);
    }
  }

  // Keeps the first run's calls, or compares the second run's with them.
  void End(const qvhost::Host &host, const std::string &dir) {
    if (saved_stderr_ >= 0) {
      std::fflush(stderr);
      dup2(saved_stderr_, 2);
      close(saved_stderr_);
      saved_stderr_ = -1;
    }
    if (!linked_)
      FirstRuns()[TestName()] = Comparable(host.CallLog(), dir);
    else
      EXPECT_EQ(Comparable(host.CallLog(), dir), FirstRuns()[TestName()])
          << "the linked client's calls differ from the separate process's";
  }

 private:
  static std::map<std::string, std::vector<std::string>> &FirstRuns() {
    static std::map<std::string, std::vector<std::string>> runs;
    return runs;
  }
  static std::string TestName() {
    const ::testing::TestInfo *t = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(t->test_suite_name()) + "." + t->name();
  }
  static std::vector<std::string> Comparable(const std::vector<qvhost::LoggedCall> &log,
                                             const std::string &dir) {
    std::vector<std::string> out;
    for (const qvhost::LoggedCall &c : log) {
      std::string args = c.proc == 1000 ? "<pid>" : c.args;
      for (size_t at; !dir.empty() && (at = args.find(dir)) != std::string::npos;)
        args.replace(at, dir.size(), "<dir>");
      out.push_back(std::to_string(c.proc) + " " + args);
    }
    return out;
  }

  bool linked_ = false;
  int saved_stderr_ = -1;
};

}  // namespace qvtest
