// The procedure list against the program block of the .x file, and the client stubs through
// the RPC library against a scripted server on a loopback socket: what the stub sends, what
// it returns, and that a reply which cannot be decoded fails the call without a leak.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "wire_util.h"

namespace {

using qvtest::Bytes;

std::string Slurp(const char *path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Upper(std::string s) {
  for (char &c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string XType(const std::string &t) {
  if (t == "QvNone") return "void";
  return t;
}

TEST(Procedures, ListMatchesTheProgramOfTheDescription) {
  std::map<int, std::string> fromX;
  std::istringstream x(Slurp(QV_FMAPI_X));
  bool inProgram = false;
  for (std::string line; std::getline(x, line);) {
    inProgram = inProgram || line.find("version API_FM_VERS") != std::string::npos;
    char res[64], name[64], arg[64];
    int num = 0;
    if (inProgram && sscanf(line.c_str(), " %63s %63[A-Z0-9_](%63[A-Za-z0-9_]) = %d;", res, name,
                            arg, &num) == 4)
      fromX[num] = std::string(res) + " " + name + " " + arg;
  }
  std::map<int, std::string> fromList;
#define QV_PROC(num, stub, A, xa, R, xr)                                                  \
  {                                                                                       \
    std::string s = #stub;                                                                \
    fromList[num] = XType(#R) + " " + Upper(s.substr(0, s.size() - 2)) + " " + XType(#A); \
  }
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC
  EXPECT_EQ(fromList.size(), 182u);
  EXPECT_EQ(fromX, fromList);
}

// A server that answers one call with the given reply body (after an accepted, successful
// reply header) and keeps the call's argument bytes.
class ScriptedServer {
 public:
  explicit ScriptedServer(Bytes body) : body_(std::move(body)) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a);
    listen(fd_, 1);
    socklen_t len = sizeof addr_;
    getsockname(fd_, reinterpret_cast<sockaddr *>(&addr_), &len);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedServer() {
    thread_.join();
    close(fd_);
  }
  CLIENT *Connect() {
    int sock = RPC_ANYSOCK;
    sockaddr_in a = addr_;
    return clnttcp_create(&a, 0x20000000, 1, &sock, 0, 0);
  }
  uint32_t proc = 0;
  Bytes args;

 private:
  static bool ReadAll(int fd, uint8_t *p, size_t n) {
    while (n > 0) {
      ssize_t r = read(fd, p, n);
      if (r <= 0) return false;
      p += r;
      n -= static_cast<size_t>(r);
    }
    return true;
  }
  static uint32_t Word(const uint8_t *p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
  }
  void Serve() {
    int c = accept(fd_, nullptr, nullptr);
    if (c < 0) return;
    uint8_t mark[4];
    Bytes call;
    if (ReadAll(c, mark, 4)) {
      call.resize(Word(mark) & 0x7FFFFFFF);
      ReadAll(c, call.data(), call.size());
    }
    // Call header with null credentials: xid, CALL, version, program, version, procedure,
    // two empty authenticators: ten words.
    if (call.size() >= 40) {
      proc = Word(&call[20]);
      args.assign(call.begin() + 40, call.end());
      Bytes reply(call.begin(), call.begin() + 4);  // the xid
      for (uint32_t w : {1u, 0u, 0u, 0u, 0u})       // REPLY, ACCEPTED, null verifier, SUCCESS
        for (int s = 24; s >= 0; s -= 8) reply.push_back(static_cast<uint8_t>(w >> s));
      reply.insert(reply.end(), body_.begin(), body_.end());
      uint32_t m = 0x80000000u | static_cast<uint32_t>(reply.size());
      uint8_t hdr[4] = {uint8_t(m >> 24), uint8_t(m >> 16), uint8_t(m >> 8), uint8_t(m)};
      (void)!write(c, hdr, 4);
      (void)!write(c, reply.data(), reply.size());
    }
    close(c);
  }
  Bytes body_;
  int fd_ = -1;
  sockaddr_in addr_{};
  std::thread thread_;
};

Bytes Words(std::initializer_list<uint32_t> ws, const std::string &tail = "") {
  Bytes b;
  for (uint32_t w : ws)
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(w >> s));
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

TEST(Stubs, CallSendsArgumentsAndDecodesTheResult) {
  ScriptedServer srv(Words({0, 3}, std::string("abc\0", 4)));
  CLIENT *cl = srv.Connect();
  ASSERT_NE(cl, nullptr);
  ApiFmGetPropArgT arg{7, 9, {0, const_cast<StringT>("X")}};
  ApiFmGetStringRetT *res = api_fm_get_string_1(&arg, cl);
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(res->status, 0);
  EXPECT_STREQ(res->value, "abc");
  api_xdrfree(reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_ApiFmGetStringRetT)),
              reinterpret_cast<char *>(res));
  EXPECT_EQ(res->value, nullptr);
  clnt_destroy(cl);
  EXPECT_EQ(srv.proc, 1070u);
  EXPECT_EQ(srv.args, Words({7, 9, 0, 1}, std::string("X\0\0\0", 4)));
}

// A reply cut short inside a list: the call fails, the static result is left clear, and what
// the decoder had taken is released (the sanitizer run would report it otherwise).
TEST(Stubs, UndecodableReplyFailsWithoutLeak) {
  for (const Bytes &body :
       {Words({0, 3, 1, 'a' << 24, 1}), Words({0, 0xFFFFFFFF}), Words({0, 2, 3, 0x41424300})}) {
    ScriptedServer srv(body);
    CLIENT *cl = srv.Connect();
    ASSERT_NE(cl, nullptr);
    ApiFmGetPropArgT arg{1, 2, {20, nullptr}};
    EXPECT_EQ(api_fm_get_strings_1(&arg, cl), nullptr);
    clnt_destroy(cl);
    EXPECT_EQ(srv.proc, 1072u);
    EXPECT_EQ(srv.args, Words({1, 2, 20}));
  }
  EXPECT_EQ(api_fm_get_int_1(nullptr, nullptr), nullptr);  // no handle: a failed call
}

TEST(Stubs, NoneArgumentSendsNothingAndNoneResultIsAMark) {
  ScriptedServer srv(Bytes{});
  CLIENT *cl = srv.Connect();
  ASSERT_NE(cl, nullptr);
  int ignored = 5;
  EXPECT_NE(api_fm_take_control_1(&ignored, cl), nullptr);
  clnt_destroy(cl);
  EXPECT_EQ(srv.proc, 1343u);
  EXPECT_TRUE(srv.args.empty());
}

}  // namespace
