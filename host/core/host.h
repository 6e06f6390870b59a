// The substitute host's driver: a real ONC RPC server that starts a client the way the host
// application does and talks to it in both directions.
//
// Start() registers the host program at a free transient program number with the port mapper;
// it listens on 127.0.0.1 only. Launch() picks a transient number for the client's callback
// program, starts the client with FMAPIX in a process group of its own and waits for its init
// acknowledgement.
//
// Only the client is served. The host accepts each connection itself and keeps it only when the
// process at the other end (found through /proc, see peer.h) is in the client's process group
// and below this process in the process tree: the started process or one of its descendants,
// such as the child it forks, which this process reaps. Any other connection is closed before
// anything is read from it. The init acknowledgement is taken once, and the pid it names only
// when that is a process of the client; Stop() signals no other process. Every descriptor of
// the host is closed across exec, so the client inherits none.
//
// Each callback call (Initialize, Command, ...) delivers one callback and then serves the
// client's interface calls until the control hand-back (procedure 1002) arrives. Every wait is
// bounded by the call time limit (the longest silence allowed between two calls of the client),
// so a hung client fails a test instead of hanging it.
//
// A client can also be linked into this process (LaunchOptions::linked): its runtime is started
// from the same FMAPIX text, and its calls and the host's callbacks cross an in-memory link
// (<quorvex/fapilink.h>) in their wire form, through the same dispatcher and the same call log,
// with no socket, no port mapper and no context switch. A callback then runs the client's entry
// callback to its hand-back before it returns. The client "exits" (status 0) when a callback
// leaves its bail-out flag set, or when the host stops it.
//
// The RPC library keeps one set of served transports per process, so one Host serves at a time.
// The host process's pid that the client watches is a small stand-in child of the Host (the
// sentinel), so that a test can let "the host" die while its own process goes on.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <quorvex/fapilink.h>

#include "host/core/dispatch.h"

namespace qvhost {

// The entry points of a client linked into this process.
struct LinkedClient {
  CLIENT *(*start)(const char *fmapix, FapiServeT host, int (*pump)(), const char **failure);
  void (*shut_down)();
  const int *bailout;  // the client's bail-out flag
  void (*reset)();     // back to the state of a fresh process (may be null)
};

class Host {
 public:
  Host();
  ~Host();
  Host(const Host &) = delete;
  Host &operator=(const Host &) = delete;

  // Registers the host program (transient number, version kHostVersion) with the port mapper.
  bool Start(std::string *err);

  struct LaunchOptions {
    std::string client_path;
    int client_number = 0;  // 0 or more: the client forks; negative: it does not
    std::string client_name = "quorvex";
    std::vector<std::string> extra_env;  // "NAME=value"
    std::string fmapix_override;         // used as FMAPIX instead of the real parameters
    bool set_fmapix = true;              // false: FMAPIX is left out of the environment
    std::vector<std::string> wrapper;    // run the client under this command (valgrind ...)
    std::vector<std::string> args;       // arguments after the client path
    bool wait_for_ack = true;            // false: return once the process is started
    std::string stderr_path;             // the client's standard error goes to this file
    unsigned long callback_program = 0;  // 0: a free transient number is picked
    // Not null: the client is linked into this process and started through these instead of
    // being run; client_path, wrapper, args, extra_env and stderr_path then mean nothing.
    const LinkedClient *linked = nullptr;
  };
  // Starts the client and waits for its init acknowledgement (procedure 1000).
  bool Launch(const LaunchOptions &opts, std::string *err);

  // Each delivers one callback and serves the client's calls until the hand-back arrives.
  // Returns the FA_bailout value carried by the hand-back, or -1 when none came in the time
  // limit, the callback could not be delivered, or the client exited.
  int Initialize(int code);
  int Command(int id);
  int Notify(int code, uint32_t obj, const std::string &text, int value);
  int Message(const std::string &text, uint32_t a, uint32_t b);
  int DialogEvent(int dlg, int item, int value);
  // The quit callback gets no hand-back: 0 once the client has answered it, -1 otherwise.
  int Quit();
  // Old-style notification (procedure 5): sent without waiting for an answer. False when it
  // could not be sent.
  bool OldNotify(int code, uint32_t obj, const std::string &text);
  // Calls one callback procedure with no argument data and returns the RPC status of the call
  // (RPC_SUCCESS, RPC_PROCUNAVAIL, RPC_CANTDECODEARGS, RPC_AUTHERROR, ...); no hand-back is
  // waited for.
  int RawCallback(unsigned proc);
  // Send one callback without waiting for its answer, for example from a handler while the
  // client waits in a modal dialog. The hand-back each one earns is counted apart, so that the
  // callback being served still waits for its own.
  bool PostDialogEvent(int dlg, int item, int value);
  bool PostCommand(int id);
  // Closes the callback connection; the next callback opens a new one.
  void DropCallbackConnection();

  // Serves the client's calls until the hand-back (returns its value), the client exits or the
  // time limit passes (-1).
  int ServeUntilHandBack();
  // Serves the client's calls until it exits or `timeout_ms` passes; returns its exit status or
  // -1.
  int ServeUntilExit(int timeout_ms);

  bool ClientRunning();
  // Exit status of the client (128 + signal when killed by one), or -1 if it is still running
  // after `timeout_ms`. The host goes on serving calls meanwhile.
  int WaitExit(int timeout_ms);
  // Exit status of the process the host started (with a client number of 0 or more it exits at
  // once and its child serves), or -1 if it has not ended.
  int LauncherStatus();

  const std::vector<LoggedCall> &CallLog() const { return log_; }
  void ClearLog() { log_.clear(); }
  // Whether every call stays in CallLog() (the default). Without, the log holds only the call
  // being served: a long run's memory does not grow with its calls.
  void KeepLog(bool keep) { keep_log_ = keep; }
  // Count of log entries with this procedure number.
  size_t CallCount(unsigned proc) const;
  void Stop();
  void SetCallTimeLimit(int ms) { limit_ms_ = ms; }

  unsigned long HostProgram() const { return prog_; }
  unsigned long CallbackProgram() const { return cb_prog_; }
  unsigned long CallbackVersion() const { return cb_vers_; }
  pid_t ClientPid() const { return client_pid_; }
  pid_t LauncherPid() const { return launcher_pid_; }
  pid_t HostPid() const { return sentinel_pid_; }
  // True once the host has "died" (see Faults::die_at_call or Die()).
  bool Dead() const { return dead_; }

  // Fault hooks for tests. Calls are counted from 1 for each call the client makes after its
  // init acknowledgement (the hand-back included).
  struct Faults {
    int die_at_call = 0;    // the host dies on receiving this call: no answer, the host
                            // process (sentinel) is killed, connections and registrations go
    int close_at_call = 0;  // the connection is closed under this call instead of answering
    int late_at_call = 0;   // this call is answered only after late_ms
    int late_ms = 0;
    int garbage_at_call = 0;  // this call is answered with a reply that cannot be decoded
    int extra_callbacks = 0;  // after the next callback, this many more are sent at once
                              // without waiting (the client finds them while it is busy)
    bool silent = false;      // no call is answered at all, not even the init acknowledgement
  };
  Faults &faults() { return faults_; }
  // The host ends now, as if its process had been killed.
  void Die();

  // True when the port mapper has a TCP registration for (prog, vers).
  static bool IsRegistered(unsigned long prog, unsigned long vers);

  static constexpr unsigned long kHostVersion = 1;
  static constexpr unsigned long kCallbackVersion = 1;
  // Program numbers a linked client is given, with nothing registered: host, then callbacks.
  static constexpr unsigned long kLinkedProgram = 0x40000000ul;

  // The running Host (the one that last called Start), or null.
  static Host *Current();

  // Used by the core's dispatcher.
  void Dispatch(struct svc_req *rq, SVCXPRT *xprt);
  // Used by a linked client's service loop: delivers the callbacks posted to it; their count.
  int DeliverPosted();
  bool Linked() const { return linked_ != nullptr; }

 private:
  int Deliver(unsigned proc, xdrproc_t xa, void *arg, bool want_handback);
  bool Post(unsigned proc, xdrproc_t xa, void *arg);
  bool EnsureCallbackClient();
  void ServeOnce(int wait_ms);
  void Accept();
  // True for a process of the client's group below this one: the only ones ever signalled.
  bool IsClient(pid_t pid) const;
  void Reap();
  void CloseConnections();
  void FinishTeardown();
  bool LaunchLinked(const LaunchOptions &opts, std::string *err);
  // One call on the callback handle; a linked client that has bailed out afterwards ends.
  enum clnt_stat CallClient(unsigned proc, xdrproc_t xa, void *arg, int ms);
  void EndLinked();
  std::string Fmapix(const LaunchOptions &opts, int host_pid) const;

  unsigned long prog_ = 0, cb_prog_ = 0, cb_vers_ = kCallbackVersion;
  SVCXPRT *listener_ = nullptr;
  CLIENT *cb_client_ = nullptr;
  pid_t launcher_pid_ = -1, client_pid_ = -1, sentinel_pid_ = -1;
  int launcher_status_ = -1, client_status_ = -1;
  int sentinel_fd_ = -1;
  int limit_ms_ = 10000;
  bool got_ack_ = false, dead_ = false;
  std::deque<int> handbacks_;  // values of hand-backs received and not yet waited for
  bool in_dispatch_ = false, teardown_pending_ = false;
  int posted_ = 0;  // hand-backs owed to posted callbacks
  int calls_ = 0;
  Faults faults_;
  std::vector<LoggedCall> log_;
  bool keep_log_ = true;
  std::map<int, pid_t> peers_;  // the client's process at the other end of each connection
  const LinkedClient *linked_ = nullptr;  // the last launch's, when it was linked
  bool linked_running_ = false;
  int linked_depth_ = 0;  // callbacks under way on the link
  struct Posted {
    unsigned proc;
    std::vector<char> arg;  // the argument record in wire form
  };
  std::deque<Posted> queued_;  // posted to a linked client, not yet delivered
};

}  // namespace qvhost
