#include "host/core/peer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qvhost {
namespace {

// The whole of a /proc file (their sizes read as 0, so it is read to its end); empty when it
// cannot be opened.
std::string ReadProc(const std::string &path) {
  std::string text;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  close(fd);
  return text;
}

std::string ProcPath(pid_t pid, const char *leaf) {
  return "/proc/" + std::to_string(pid) + "/" + leaf;
}

bool Stat(pid_t pid, pid_t *ppid, pid_t *pgrp) {
  return ParseStat(ReadProc(ProcPath(pid, "stat")), ppid, pgrp);
}

// True when one of the process's descriptors is the socket `link` ("socket:[inode]").
bool Holds(pid_t pid, const std::string &link) {
  DIR *dir = opendir(ProcPath(pid, "fd").c_str());
  if (dir == nullptr) return false;
  bool found = false;
  char target[64];
  while (const dirent *e = readdir(dir)) {
    ssize_t n = readlinkat(dirfd(dir), e->d_name, target, sizeof target);
    if (n > 0 && link.compare(0, std::string::npos, target, static_cast<size_t>(n)) == 0) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool IsLoopback(const sockaddr_in &a) {
  return a.sin_family == AF_INET && (ntohl(a.sin_addr.s_addr) >> 24) == 127;
}

}  // namespace

unsigned long TcpSocketInode(std::string_view table, const sockaddr_in &local,
                             const sockaddr_in &remote) {
  // "  sl  local_address rem_address   st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout
  // inode ...": addresses are the 32-bit value in memory order in hex, ports are numbers.
  size_t at = table.find('\n');  // past the heading
  while (at != std::string_view::npos && at + 1 < table.size()) {
    size_t end = table.find('\n', at + 1);
    std::string line(table.substr(at + 1, end == std::string_view::npos ? end : end - at - 1));
    at = end;
    unsigned laddr, lport, raddr, rport;
    unsigned long inode;
    if (std::sscanf(line.c_str(), " %*u: %8x:%4x %8x:%4x %*x %*x:%*x %*x:%*x %*x %*u %*u %lu",
                    &laddr, &lport, &raddr, &rport, &inode) != 5)
      continue;
    if (laddr == local.sin_addr.s_addr && lport == ntohs(local.sin_port) &&
        raddr == remote.sin_addr.s_addr && rport == ntohs(remote.sin_port))
      return inode;
  }
  return 0;
}

bool ParseStat(std::string_view stat, pid_t *ppid, pid_t *pgrp) {
  // "pid (name) state ppid pgrp ...": the name may hold spaces and parentheses, so the fields
  // are counted from the last ')'.
  size_t close = stat.rfind(')');
  if (close == std::string_view::npos) return false;
  std::string rest(stat.substr(close + 1));
  int p, g;
  if (std::sscanf(rest.c_str(), " %*c %d %d", &p, &g) != 2) return false;
  *ppid = p;
  *pgrp = g;
  return true;
}

bool InGroupBelow(pid_t pid, pid_t group, pid_t ancestor) {
  pid_t ppid, pgrp;
  if (pid <= 1 || group <= 1 || !Stat(pid, &ppid, &pgrp) || pgrp != group) return false;
  for (int depth = 0; depth < 64 && ppid > 1; depth++) {
    if (ppid == ancestor) return true;
    if (!Stat(ppid, &ppid, &pgrp)) return false;
  }
  return false;
}

pid_t PeerProcess(int fd, pid_t group, pid_t ancestor, std::initializer_list<pid_t> likely) {
  sockaddr_in peer{}, self{};
  socklen_t plen = sizeof peer, slen = sizeof self;
  if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &plen) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&self), &slen) != 0 || !IsLoopback(peer) ||
      !IsLoopback(self))
    return -1;
  // The peer's socket: its local end is the peer's address, its remote end ours.
  unsigned long inode = TcpSocketInode(ReadProc("/proc/net/tcp"), peer, self);
  if (inode == 0) return -1;
  std::string link = "socket:[" + std::to_string(inode) + "]";
  auto fits = [&](pid_t pid) { return InGroupBelow(pid, group, ancestor) && Holds(pid, link); };
  for (pid_t pid : likely)
    if (pid > 0 && fits(pid)) return pid;
  DIR *proc = opendir("/proc");
  if (proc == nullptr) return -1;
  pid_t found = -1;
  while (const dirent *e = readdir(proc)) {
    char *end;
    long pid = std::strtol(e->d_name, &end, 10);
    if (*end == '\0' && pid > 1 && fits(static_cast<pid_t>(pid))) {
      found = static_cast<pid_t>(pid);
      break;
    }
  }
  closedir(proc);
  return found;
}

}  // namespace qvhost
