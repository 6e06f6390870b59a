// What a benchmark file needs to run against the substitute host (see bench/main.cc).
#pragma once

#include "host/core/host.h"

namespace qvbench {

// Runs in the host process after the model handlers are registered and before the client
// starts: fill the model, Serve() extra procedures. Returns true, so that a file can register
// from a static initialiser:
//   static bool registered = qvbench::RegisterHostSetup([](qvhost::Host &) { ... });
using HostSetup = void (*)(qvhost::Host &host);
bool RegisterHostSetup(HostSetup setup);

// True in the benchmark process that is connected to the substitute host as its client.
bool Connected();

}  // namespace qvbench
