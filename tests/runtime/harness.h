// Shared by the runtime and fault tests: a substitute host with the probe client, a scratch
// folder for the probe's event and error files, and readers for them.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/core/host.h"

struct ProbeHost {
  qvhost::Host host;
  std::string dir, out, err;

  ProbeHost() {
    char tmpl[] = "/tmp/qvrt.XXXXXX";
    dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    out = dir + "/events";
    err = dir + "/stderr";
    std::string e;
    host.SetCallTimeLimit(8000);
    started = host.Start(&e);
    EXPECT_TRUE(started) << e;
  }
  ~ProbeHost() {
    host.Stop();
    std::filesystem::remove_all(dir);
  }

  qvhost::Host::LaunchOptions Options(int clientno = -1, std::vector<std::string> env = {}) {
    qvhost::Host::LaunchOptions o;
    o.client_path = PROBE_BIN;
    o.client_number = clientno;
    o.stderr_path = err;
    o.extra_env = std::move(env);
    o.extra_env.push_back("PROBE_OUT=" + out);
    return o;
  }
  bool Launch(int clientno = -1, std::vector<std::string> env = {}) {
    std::string e;
    bool ok = host.Launch(Options(clientno, std::move(env)), &e);
    EXPECT_TRUE(ok) << e;
    return ok;
  }

  static std::string Slurp(const std::string &path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  std::vector<std::string> Events() const {
    std::vector<std::string> lines;
    std::ifstream f(out);
    for (std::string l; std::getline(f, l);) lines.push_back(l);
    return lines;
  }
  std::string Stderr() const { return Slurp(err); }
  size_t Count(const std::string &line) const {
    size_t n = 0;
    for (const std::string &l : Events()) n += l == line;
    return n;
  }
  // Waits (bounded) until the probe has written this line.
  bool WaitFor(const std::string &line, int ms = 5000) {
    for (int i = 0; i < ms / 10; i++) {
      if (Count(line) > 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  bool started = false;
};
