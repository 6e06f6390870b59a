// Running a command line through the shell, for the tests that drive quorvex-host as a user
// would.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace qvhost {

struct ShellRun {
  int status = -1;  // the exit status; -1 when the process was killed by a signal
  std::string out;  // what it wrote on standard output
};

inline ShellRun RunShell(const std::string &command) {
  ShellRun r;
  FILE *p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace qvhost
