// The paragraph commands users feel most, end to end: the real client (bin/quorvex) runs List
// Paragraph Usage and Remove Overrides against a substitute host that holds one generated
// document of 10,000 or 100,000 paragraphs with 1,000 tags spread over flows and tables.
//
// Each run forks a host of its own (the benchmark process is itself a client of the harness's
// host, which it leaves alone), times the one command from its callback to the client's
// hand-back, and reports the interface calls the host served, the time per call (compare
// BM_BareTirpcCall of the same run) and the client's peak resident memory.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "bench/rpc_harness.h"
#include "client/codes.h"
#include "host/core/host.h"
#include "host/handlers/handlers.h"
#include "host/model/model.h"

namespace {

constexpr int kTags = 1000;
constexpr int kUsedTags = 950;  // the last 50 catalogue tags are carried by no paragraph

struct Result {
  double seconds = 0;
  long calls = 0;
  long clientPeakKb = 0;
  int ok = 0;
};

std::string Tag(int i) {
  return "Tag" + std::to_string(i);
}

// Nine paragraphs in ten go to four flows (frames of 100), the tenth to tables of five rows of
// two cells, each table with a title; every seventh paragraph has an override.
void BuildDocument(qvhost::Model &m, int paragraphs) {
  qvhost::Doc *d = m.NewDoc("/tmp/quorvex-bench.fm");
  for (int i = 0; i < kTags; i++) m.AddFormat(*d, Tag(i));
  qvhost::Page *page = m.AddPage(*d, qvhost::PageList::Body, "1");
  qvhost::Flow *flows[4];
  for (int f = 0; f < 4; f++)
    flows[f] = m.AddFlow(*d, f ? std::string("F").append(std::to_string(f)) : "A", f == 0);
  qvhost::Frame *frame = nullptr;
  qvhost::Table *tbl = nullptr;
  qvhost::Row *row = nullptr;
  int inFrame = 0, inTable = 0, placed = 0;
  for (int i = 0; i < paragraphs; i++) {
    std::string tag = Tag((i * 7919) % kUsedTags);
    qvhost::Pgf *p;
    if (i % 10 == 9) {
      if (!tbl || inTable == 10) {
        tbl = m.AddTable(*d, "Format A", 0);
        m.AddTitlePgf(*tbl, tag, "title");
        inTable = 0;
      }
      if (inTable % 2 == 0) row = m.AddRow(*tbl);
      p = m.AddCellPgf(*m.AddCell(*row), tag, "cell");
      inTable++;
    } else {
      if (!frame || inFrame == 100) {
        frame = m.AddFrame(*flows[(placed / 100) % 4], page->h);
        inFrame = 0;
      }
      p = m.AddPgf(*frame, tag, "text");
      inFrame++;
      placed++;
    }
    p->override_ = i % 7 == 0;
  }
  m.activeDoc = d->h;
}

// VmHWM of a process in kB, 0 once it is gone.
long HighWaterKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  long kb = 0;
  while (in >> key)
    if (key == "VmHWM:" && in >> kb) return kb;
  return 0;
}

Result RunCommand(int command, int paragraphs) {
  Result r;
  qvhost::Model &m = qvhost::TheModel();
  m.Reset();
  m.writeSaves = false;
  BuildDocument(m, paragraphs);
  qvhost::RegisterModelHandlers();
  qvhost::Host host;
  std::string err;
  if (!host.Start(&err)) return r;
  host.SetCallTimeLimit(120000);
  qvhost::Host::LaunchOptions opts;
  opts.client_path = QUORVEX_CLIENT_BIN;
  opts.client_number = -1;
  if (!host.Launch(opts, &err) || host.Initialize(2) != 0) return r;
  // The client's high-water mark, sampled while it works (it exits right after the command).
  const pid_t client = host.ClientPid();
  std::atomic<bool> done{false};
  std::atomic<long> peak{0};
  std::thread sampler([&] {
    while (!done) {
      peak = std::max(peak.load(), HighWaterKb(client));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  host.ClearLog();
  auto start = std::chrono::steady_clock::now();
  int bailout = host.Command(command);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  done = true;
  sampler.join();
  r.clientPeakKb = std::max(peak.load(), HighWaterKb(client));
  r.calls = static_cast<long>(host.CallLog().size());
  r.ok = bailout == 1 && host.WaitExit(20000) == 0;
  host.Stop();
  return r;
}

// Runs the command in a child process, which hosts its own substitute host and client.
Result Measure(int command, int paragraphs) {
  Result r;
  int fds[2];
  if (pipe(fds) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Result mine = RunCommand(command, paragraphs);
    ssize_t n = write(fds[1], &mine, sizeof mine);
    _exit(n == static_cast<ssize_t>(sizeof mine) ? 0 : 1);
  }
  close(fds[1]);
  if (pid > 0 && read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) r = Result{};
  close(fds[0]);
  if (pid > 0) waitpid(pid, nullptr, 0);
  return r;
}

void RunBenchmark(benchmark::State &state, int command) {
  const int paragraphs = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Result r = Measure(command, paragraphs);
    if (!r.ok) return state.SkipWithError("the command did not complete");
    state.SetIterationTime(r.seconds);
    state.counters["calls"] = static_cast<double>(r.calls);
    state.counters["us_per_call"] = r.seconds * 1e6 / static_cast<double>(r.calls);
    state.counters["client_peak_MB"] = static_cast<double>(r.clientPeakKb) / 1024.0;
  }
}

void BM_ClientListParagraphUsage(benchmark::State &state) {
  RunBenchmark(state, CMD_ListParagraphUsage);
}
void BM_ClientRemoveOverrides(benchmark::State &state) {
  RunBenchmark(state, CMD_RemoveOverrides);
}

BENCHMARK(BM_ClientListParagraphUsage)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientRemoveOverrides)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
