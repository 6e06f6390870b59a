// The client process: the interface runtime connects to the host, serves its callbacks until
// a command bails out, and returns the exit status.
#include <quorvex/fapiruntime.h>

int main() {
  return F_ApiRun();
}
