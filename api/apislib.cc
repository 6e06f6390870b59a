// The client's runtime frame: start-up from FMAPIX, the connection in both directions, the
// service loop with the host's liveness test, the descriptor-watch hook, shutdown, and joining a
// running session.
#include "apislib.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpc_com.h>
#include <rpc/rpcb_clnt.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <quorvex/fapilink.h>
#include <quorvex/proto/fmsession.h>
#include <quorvex/proto/fmtypes.h>

extern "C" {
IntT FA_errno = 0;
IntT FA_bailout = 0;
IntT FA_clientno = -1;
struct timeval FA_TimeOut = {0, 0};
UIntT FA_SelectMask = 0;
CLIENT *frame_client = nullptr;
}

namespace {

constexpr int kDefaultWaitMs = 22000;
constexpr long kDefaultTimeOutSec = 604800;  // seven days
constexpr int kOpenFiles = 256;
constexpr IntT kRemoteHostPid = -223;
constexpr int kMaxRequest = 4 << 20;

IntT myprog = 0, myvers = 0, hisprog = 0, hisvers = 0, hispid = 0;
char myname[256] = "???";
SVCXPRT *client_transp = nullptr;
int client_socket = -1;
F_ApiFdFuncT fd_func = nullptr;
fd_set last_reported;  // the RPC descriptor set as last told to fd_func
char host_cache[256];
char ntoa_buffer[INET_ADDRSTRLEN];
int wait_ms = kDefaultWaitMs;
// Started inside the host's process: the host's waiting callbacks are delivered by this
// instead of arriving on a connection.
bool linked = false;
IntT (*linked_pump)(VoidT) = nullptr;

xdrproc_t Xdr(auto *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

// Where callbacks may come from.
bool host_is_local = true;
in_addr_t host_addr = 0;  // network order; the host's address when it runs elsewhere

// The RPC library's descriptor set (every descriptor, whatever its number).
void RpcSet(fd_set *out, int *maxfd) {
  *out = svc_fdset;
  *maxfd = svc_maxfd < FD_SETSIZE ? svc_maxfd : FD_SETSIZE - 1;
}

// Registers (prog, vers) for TCP at the transport's port. The registration is made from the
// transport's recorded local address, with the port copied in; the library's port-number
// variant of this call loses a block on every use.
bool RegisterWithPortMapper(SVCXPRT *xprt, u_long prog, u_long vers) {
  if (xprt->xp_ltaddr.buf == nullptr || xprt->xp_ltaddr.len < sizeof(struct sockaddr_in))
    return false;
  reinterpret_cast<struct sockaddr_in *>(xprt->xp_ltaddr.buf)->sin_port = htons(xprt->xp_port);
  struct netconfig *nc = getnetconfigent("tcp");
  if (nc == nullptr) return false;
  bool ok = rpcb_set(prog, vers, nc, &xprt->xp_ltaddr);
  freenetconfigent(nc);
  return ok;
}

}  // namespace

extern "C" {

VoidT FapiSetServiceWaitMs(IntT ms) {
  wait_ms = ms > 0 ? ms : kDefaultWaitMs;
}

ConStringT FapiClientName(VoidT) {
  return myname;
}

VoidT F_ApiErr(ConStringT message) {
  std::fprintf(stderr, "Frame API client \"%s\": %s.\n", myname, message ? message : "");
}

VoidT F_ApiBailOut(VoidT) {
  FA_bailout = 1;
}

struct timeval get_FA_TimeOut(VoidT) {
  if (FA_TimeOut.tv_sec == 0 && FA_TimeOut.tv_usec == 0) FA_TimeOut.tv_sec = kDefaultTimeOutSec;
  return FA_TimeOut;
}

IntT FapiParseFmapix(ConStringT text, FapiStartParamsT *out) {
  if (text == nullptr || out == nullptr) return 0;
  // The name is the rest of the word; a longer one than the buffer holds is cut at 255.
  int n = std::sscanf(text, "%d.%d %d.%d %d.%d.%255s", &out->myprog, &out->myvers, &out->hisprog,
                      &out->hisvers, &out->hispid, &out->clientno, out->name);
  return n == 7;
}

ConStringT thishost(VoidT) {
  if (host_cache[0] == '\0') {
    if (gethostname(host_cache, sizeof host_cache - 1) != 0) host_cache[0] = '\0';
    host_cache[sizeof host_cache - 1] = '\0';  // gethostname need not terminate a cut name
  }
  return host_cache;
}

IntT hostnameToRealAddr(ConStringT name, struct sockaddr_in *addr) {
  std::memset(addr, 0, sizeof *addr);
  in_addr_t a;
  if (name == nullptr || name[0] == '\0' || std::strcmp(name, "localhost") == 0) {
    a = htonl(INADDR_LOOPBACK);
  } else {
    a = inet_addr(name);
    if (a == INADDR_NONE) {
      // IPv4 only: an answer of another family or length would not fit the address.
      struct hostent *h = gethostbyname(name);
      if (h == nullptr || h->h_addrtype != AF_INET || h->h_length != 4 ||
          h->h_addr_list == nullptr || h->h_addr_list[0] == nullptr)
        return -1;
      std::memcpy(&a, h->h_addr_list[0], 4);
    }
  }
  addr->sin_family = AF_INET;
  addr->sin_port = 0;
  addr->sin_addr.s_addr = a;
  return 0;
}

ConStringT host_ntoa(ConStringT name) {
  struct sockaddr_in a;
  if (hostnameToRealAddr(name, &a) != 0) a.sin_addr.s_addr = 0;
  if (inet_ntop(AF_INET, &a.sin_addr, ntoa_buffer, sizeof ntoa_buffer) == nullptr)
    ntoa_buffer[0] = '\0';
  return ntoa_buffer;
}

IntT FapiCallbackPeerAllowed(const struct sockaddr *peer, const struct sockaddr *local,
                             IntT hostIsLocal, in_addr_t hostAddr) {
  if (peer == nullptr || peer->sa_family != AF_INET) return 0;
  in_addr_t a = reinterpret_cast<const struct sockaddr_in *>(peer)->sin_addr.s_addr;
  if (!hostIsLocal) return a == hostAddr;
  if ((ntohl(a) >> 24) == 127) return 1;
  // A peer whose address is the one this connection reached is on this machine: a host that
  // connects through the machine's own network address (what its name resolves to) comes
  // from that address.
  return local != nullptr && local->sa_family == AF_INET &&
         a == reinterpret_cast<const struct sockaddr_in *>(local)->sin_addr.s_addr;
}

IntT FapiCallerAllowed(const struct sockaddr *peer, const struct sockaddr *local) {
  return FapiCallbackPeerAllowed(peer, local, host_is_local, host_addr);
}

VoidT FapiSetCallbackHost(IntT hostIsLocal, in_addr_t hostAddr) {
  host_is_local = hostIsLocal != 0;
  host_addr = hostAddr;
}

VoidT call_fd_func(VoidT) {
  if (fd_func == nullptr) return;
  fd_set now;
  int maxfd;
  RpcSet(&now, &maxfd);
  for (int fd = 0; fd < FD_SETSIZE; fd++)
    if (FD_ISSET(fd, &last_reported) && !FD_ISSET(fd, &now)) fd_func(fd, 0);
  for (int fd = 0; fd < FD_SETSIZE; fd++)
    if (FD_ISSET(fd, &now) && !FD_ISSET(fd, &last_reported)) fd_func(fd, 1);
  last_reported = now;
}

F_ApiFdFuncT F_ApiSetFdFunc(F_ApiFdFuncT fdFunc) {
  F_ApiFdFuncT old = fd_func;
  fd_func = fdFunc;
  call_fd_func();
  return old;
}

VoidT un_portmap(VoidT) {
  if (myprog != 0) {
    pmap_unset(static_cast<u_long>(myprog), static_cast<u_long>(myvers));
    myprog = 0;
  }
}

ConStringT hookup(IntT prog, IntT vers, IntT hprog, IntT hvers, IntT hpid, ConStringT hostName) {
  myprog = prog;
  myvers = vers;
  hisprog = hprog;
  hisvers = hvers;
  hispid = hpid;
  // A registration left behind by a client that died is removed first.
  pmap_unset(static_cast<u_long>(myprog), static_cast<u_long>(myvers));
  // Callback connections are read without blocking and a request may not exceed kMaxRequest:
  // a peer that trickles bytes or announces a huge record cannot stall or swell the loop.
  int maxrec = kMaxRequest;
  rpc_control(RPC_SVC_CONNMAXREC_SET, &maxrec);
  client_transp = svctcp_create(RPC_ANYSOCK, 0, 0);
  if (client_transp == nullptr) return "unable to create TCP service";
  if (!svc_register(client_transp, static_cast<u_long>(myprog), static_cast<u_long>(myvers),
                    fm_api_prog_1, 0) ||
      !RegisterWithPortMapper(client_transp, static_cast<u_long>(myprog),
                              static_cast<u_long>(myvers)))
    return "unable to register TCP client).";

  struct sockaddr_in self, host;
  if (hostName == nullptr) {
    // Started by the host, which runs on this machine by definition.
    host_is_local = true;
    hostnameToRealAddr(nullptr, &host);
  } else {
    if (hostnameToRealAddr(thishost(), &self) != 0 || hostnameToRealAddr(hostName, &host) != 0)
      return "unable to gethostbyname";
    host_is_local = host.sin_addr.s_addr == self.sin_addr.s_addr ||
                    host.sin_addr.s_addr == htonl(INADDR_LOOPBACK);
    if (host_is_local) {
      host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    } else {
      hispid = kRemoteHostPid;  // no liveness test for a host on another machine
    }
  }
  host_addr = host.sin_addr.s_addr;

  client_socket = RPC_ANYSOCK;
  frame_client = clnttcp_create(&host, static_cast<u_long>(hisprog), static_cast<u_long>(hisvers),
                                &client_socket, 0, 0);
  if (frame_client == nullptr) {
    client_socket = -1;
    return "unable to create TCP client";
  }
  // The socket is closed by F_ApiShutDown, not by the handle.
  clnt_control(frame_client, CLSET_FD_NCLOSE, nullptr);
  struct timeval t = get_FA_TimeOut();
  clnt_control(frame_client, CLSET_TIMEOUT, reinterpret_cast<char *>(&t));
  if (Fapifm_InitAck() != 0) return "unable to make initial contact";
  return nullptr;
}

ConStringT F_ApiStartUp(F_ApiFdFuncT fdFunc) {
  setbuf(stdout, nullptr);
  struct rlimit rl;
  rl.rlim_cur = rl.rlim_max = kOpenFiles;
  setrlimit(RLIMIT_NOFILE, &rl);
  sigset_t all;
  sigfillset(&all);
  sigprocmask(SIG_UNBLOCK, &all, nullptr);
  // A host that closes its end under a write fails that one call instead of killing us.
  signal(SIGPIPE, SIG_IGN);
  F_ApiSetFdFunc(fdFunc);

  const char *env = getenv("FMAPIX");
  if (env == nullptr) return "not called by a Frame product";
  FapiStartParamsT p;
  std::memset(&p, 0, sizeof p);
  p.clientno = FA_clientno;
  bool ok = FapiParseFmapix(env, &p) != 0;
  if (!ok) return "not called by a Frame product";
  FA_clientno = p.clientno;
  std::memcpy(myname, p.name, sizeof myname);
  myname[sizeof myname - 1] = '\0';

  if (FA_clientno >= 0) {
    pid_t pid = fork();
    if (pid < 0) return "unable to fork";
    if (pid > 0) _exit(0);  // the started process ends at once; the child is the client
  } else {
    FA_clientno = ~FA_clientno;
  }
  ConStringT failure = hookup(p.myprog, p.myvers, p.hisprog, p.hisvers, p.hispid, nullptr);
  if (failure != nullptr) return failure;
  call_fd_func();
  return nullptr;
}

IntT F_ApiFrameAlive(VoidT) {
  if (hispid < 1) return 1;
  if (kill(hispid, 0) == 0) return 1;
  return errno == EPERM;  // alive, only not ours to signal
}

IntT F_ApiService(UIntT *mask) {
  if (linked) {
    // Nothing arrives by itself in one process: what the host has posted is delivered now,
    // and with nothing posted the wait fails at once instead of waiting for ever.
    IntT n = linked_pump != nullptr ? linked_pump() : 0;
    FA_SelectMask = 0;
    if (mask != nullptr) *mask = 0;
    return n > 0 ? n : -1;
  }
  UIntT own = mask != nullptr ? *mask : 0;
  fd_set rpc, ready;
  int maxfd, n;
  for (;;) {
    RpcSet(&rpc, &maxfd);
    FA_SelectMask = own;
    ready = rpc;
    int nfds = maxfd + 1;
    for (int fd = 0; fd < 32; fd++) {
      if (own & (1u << fd)) {
        FD_SET(fd, &ready);
        if (fd + 1 > nfds) nfds = fd + 1;
      }
    }
    struct timeval tv;
    tv.tv_sec = wait_ms / 1000;
    tv.tv_usec = (wait_ms % 1000) * 1000;
    n = select(nfds, &ready, nullptr, nullptr, &tv);
    if (n > 0) break;
    if (!F_ApiFrameAlive()) {
      un_portmap();
      F_ApiEmergency();
      exit(1);
    }
    if (n < 0) {
      FD_ZERO(&ready);
      break;
    }
  }
  fd_set serve;
  FD_ZERO(&serve);
  bool any = false;
  for (int fd = 0; fd <= maxfd; fd++) {
    if (FD_ISSET(fd, &rpc) && FD_ISSET(fd, &ready)) {
      FD_SET(fd, &serve);
      any = true;
    }
  }
  UIntT left = 0;
  for (int fd = 0; fd < 32; fd++)
    if ((own & (1u << fd)) && FD_ISSET(fd, &ready) && !FD_ISSET(fd, &rpc)) left |= 1u << fd;
  if (any) svc_getreqset(&serve);
  FA_SelectMask = left;
  if (mask != nullptr) *mask = FA_SelectMask;
  call_fd_func();
  return n;
}

VoidT F_ApiShutDown(VoidT) {
  linked = false;
  linked_pump = nullptr;
  un_portmap();
  if (client_transp != nullptr) {
    svc_destroy(client_transp);
    client_transp = nullptr;
  }
  if (client_socket >= 0) {
    close(client_socket);
    client_socket = -1;
  }
  if (frame_client != nullptr) {
    clnt_destroy(frame_client);
    frame_client = nullptr;
  }
}

IntT FapiLinked(VoidT) {
  return linked;
}

CLIENT *FapiStartLinked(ConStringT fmapix, FapiServeT host, IntT (*pump)(VoidT),
                        ConStringT *failure) {
  FapiStartParamsT p;
  std::memset(&p, 0, sizeof p);
  ConStringT why = nullptr;
  CLIENT *callbacks = nullptr;
  if (frame_client != nullptr) {
    why = "the client is already started";
  } else if (FapiParseFmapix(fmapix, &p) == 0) {
    why = "not called by a Frame product";
  } else {
    // A fresh start, as a new process would have it.
    FA_bailout = FA_errno = 0;
    turn_over_needed = callbacksDone = modalRetval = 0;
    FA_clientno = p.clientno >= 0 ? p.clientno : ~p.clientno;
    std::memcpy(myname, p.name, sizeof myname);
    myname[sizeof myname - 1] = '\0';
    myprog = 0;  // nothing is registered with the port mapper
    myvers = p.myvers;
    hisprog = p.hisprog;
    hisvers = p.hisvers;
    hispid = 0;  // the host is this process: no liveness test
    host_is_local = true;
    host_addr = htonl(INADDR_LOOPBACK);
    linked = true;
    linked_pump = pump;
    frame_client = FapiLinkCreate(static_cast<u_long>(hisprog), static_cast<u_long>(hisvers), host);
    callbacks =
        FapiLinkCreate(static_cast<u_long>(p.myprog), static_cast<u_long>(p.myvers), fm_api_prog_1);
    if (Fapifm_InitAck() != 0) why = "unable to make initial contact";
  }
  if (why != nullptr && callbacks != nullptr) {
    F_ApiShutDown();
    clnt_destroy(callbacks);
    callbacks = nullptr;
  }
  if (failure != nullptr) *failure = why;
  return callbacks;
}

IntT apiLocalCall(ConStringT hostName, u_long prog, u_long proc, xdrproc_t xargs, void *args,
                  xdrproc_t xres, void *res, struct timeval timeout) {
  struct sockaddr_in a;
  if (hostnameToRealAddr(hostName, &a) != 0) return 0;
  int sock = RPC_ANYSOCK;
  CLIENT *c = clntudp_create(&a, prog, 1, timeout, &sock);
  if (c == nullptr) return 0;
  enum clnt_stat st = clnt_call(c, proc, xargs, reinterpret_cast<caddr_t>(args), xres,
                                reinterpret_cast<caddr_t>(res), timeout);
  clnt_destroy(c);  // closes the socket it opened
  return st == RPC_SUCCESS;
}

ErrorT F_ApiConnectToSession(ConStringT clientName, ConStringT hostName, IntT sessionProg) {
  struct timeval t = get_FA_TimeOut();
  FA_bailout = 0;
  if (hostName == nullptr || hostName[0] == '\0') hostName = thishost();
  IntT status;
  xdrproc_t xvoid = Xdr(xdr_void);
  if (!apiLocalCall(hostName, static_cast<u_long>(sessionProg), 0, xvoid, nullptr, xvoid, nullptr,
                    t)) {
    status = ERR_NoSession;
  } else {
    FmRpcApiConnectArgT arg;
    arg.pid = getpid();
    char address[INET_ADDRSTRLEN];
    std::snprintf(address, sizeof address, "%s", host_ntoa(thishost()));
    arg.address = address;
    arg.name = const_cast<StringT>(clientName != nullptr ? clientName : "");
    FmRpcApiConnectReturnT ret;
    std::memset(&ret, 0, sizeof ret);  // the whole record, whatever its size here
    if (!apiLocalCall(hostName, static_cast<u_long>(sessionProg), 108, Xdr(xdr_FmRpcApiConnectArgT),
                      &arg, Xdr(xdr_FmRpcApiConnectReturnT), &ret, t)) {
      status = ERR_ConnectFailed;
    } else {
      status = ret.status;
      if (status == 0) {
        if (hookup(ret.myprog, ret.myvers, ret.hisprog, ret.hisvers, ret.hispid, ret.hostname) !=
            nullptr) {
          status = ERR_HookupFailed;
        } else {
          call_fd_func();
        }
      }
      xdr_free(Xdr(xdr_FmRpcApiConnectReturnT), reinterpret_cast<char *>(&ret));
    }
  }
  FA_errno = status;
  return status;
}

}  // extern "C"
