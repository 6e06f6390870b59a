// The /proc lookups behind the host's check of who is at the other end of a connection.
#include "host/core/peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvhost {
namespace {

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

TEST(Peer, ParsesTheSocketTableAndTheStatLine) {
  // A listener on port 40000, the connection it accepted, and the peer's own socket.
  const char *table =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
      "timeout inode\n"
      "   0: 0100007F:9C40 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000 "
      "       0 111 1 0000000000000000 100 0 0 10 0\n"
      "   1: 0100007F:9C40 0100007F:D431 01 00000000:00000000 00:00000000 00000000  1000 "
      "       0 222 1 0000000000000000 20 4 30 10 -1\n"
      "   2: 0100007F:D431 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000 "
      "       0 333 1 0000000000000000 20 4 30 10 -1\n";
  sockaddr_in host = Loopback(0x9C40), peer = Loopback(0xD431);
  EXPECT_EQ(TcpSocketInode(table, peer, host), 333u);
  EXPECT_EQ(TcpSocketInode(table, host, peer), 222u);
  EXPECT_EQ(TcpSocketInode(table, Loopback(0xD432), host), 0u);
  EXPECT_EQ(TcpSocketInode("", peer, host), 0u);
  EXPECT_EQ(TcpSocketInode("heading\n   0: garbage\n", peer, host), 0u);

  pid_t ppid = 0, pgrp = 0;
  ASSERT_TRUE(ParseStat("25097 (a) R (b)) S 25094 25090 6041 0 -1", &ppid, &pgrp));
  EXPECT_EQ(ppid, 25094);
  EXPECT_EQ(pgrp, 25090);
  EXPECT_FALSE(ParseStat("25097 (cut", &ppid, &pgrp));
  EXPECT_FALSE(ParseStat("", &ppid, &pgrp));
}

TEST(Peer, NamesTheProcessAtTheOtherEndOnlyBelowTheAncestor) {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = Loopback(0);
  socklen_t len = sizeof a;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr *>(&a), &len), 0);
  int out = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(connect(out, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
  int in = accept(listener, nullptr, nullptr);
  ASSERT_GE(in, 0);
  EXPECT_EQ(PeerProcess(in, getpgrp(), getppid(), {}), getpid());
  EXPECT_EQ(PeerProcess(in, getpgrp(), getppid(), {getppid(), getpid()}), getpid());
  EXPECT_EQ(PeerProcess(in, getpgrp(), getpid(), {}), -1);         // not below itself
  EXPECT_EQ(PeerProcess(listener, getpgrp(), getppid(), {}), -1);  // no peer at all
  for (int fd : {listener, out, in}) close(fd);
}

}  // namespace
}  // namespace qvhost
