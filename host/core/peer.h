// Who is at the other end of a loopback TCP connection, found through /proc: the peer's address
// names its socket in /proc/net/tcp, the socket's inode names the process that holds it in
// /proc/PID/fd. The host serves only connections whose peer is the client it started, which it
// recognises by process group (the client is started in a group of its own) and by descent (the
// process must be below the host in the process tree).
#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <initializer_list>
#include <string_view>

namespace qvhost {

// The inode of the socket in a /proc/net/tcp table whose local end is `local` and whose remote
// end is `remote`; 0 when no line has both.
unsigned long TcpSocketInode(std::string_view table, const sockaddr_in &local,
                             const sockaddr_in &remote);

// The parent and the process group from the text of /proc/PID/stat; false when it does not
// parse.
bool ParseStat(std::string_view stat, pid_t *ppid, pid_t *pgrp);

// True when `pid` is in the process group `group` and descends from `ancestor`.
bool InGroupBelow(pid_t pid, pid_t group, pid_t ancestor);

// The process of `group` below `ancestor` that holds the other end of the connected loopback
// socket `fd`, or -1 when no such process holds it. The `likely` processes are looked at first.
pid_t PeerProcess(int fd, pid_t group, pid_t ancestor, std::initializer_list<pid_t> likely);

}  // namespace qvhost
