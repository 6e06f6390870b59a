// Helpers of the encoding tests: the platform's iconv as the reference, and the library's
// conversions as std::string in, std::string out.
#ifndef QUORVEX_TESTS_ENCODINGS_ENC_TEST_UTIL_H
#define QUORVEX_TESTS_ENCODINGS_ENC_TEST_UTIL_H

#include <iconv.h>

#include <map>
#include <string>
#include <utility>

#include <quorvex/fdemem.h>
#include <quorvex/fencode.h>

namespace enctest {

// iconv of a whole text; false when iconv rejects any of it.
// Converters are opened once per pair and closed when the test binary ends.
struct IconvCache {
  std::map<std::pair<std::string, std::string>, iconv_t> open;
  ~IconvCache() {
    for (auto &[k, cd] : open)
      if (cd && cd != (iconv_t)-1) iconv_close(cd);
  }
};

inline bool Iconv(const char *to, const char *from, const std::string &in, std::string *out) {
  static IconvCache cache;
  iconv_t &cd = cache.open[{to, from}];
  if (!cd) cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string src = in, dst(in.size() * 4 + 16, '\0');
  char *ip = src.data(), *op = dst.data();
  size_t il = src.size(), ol = dst.size();
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  bool ok = r == 0 && il == 0 && iconv(cd, nullptr, nullptr, &op, &ol) != (size_t)-1;
  if (ok) out->assign(dst.data(), op - dst.data());
  return ok;
}

// F_StrConvertEnc of a byte text; UTF-16 (code 17) travels as native-order bytes.
inline std::string Conv(const std::string &in, int from, int to) {
  std::string z = in;
  z.append(2, '\0');
  StringT r = F_StrConvertEnc(z.data(), from, to);
  if (!r) return "<null>";
  std::string s;
  if (to == FdeTextEncUTF16) {
    UIntT n = 0;
    while (r[n] || r[n + 1]) n += 2;
    s.assign(r, n);
  } else {
    s = r;
  }
  F_Free(r);
  return s;
}

inline std::string Utf8(unsigned cp) {
  std::string u32 = {char(cp >> 24), char(cp >> 16), char(cp >> 8), char(cp)}, out;
  Iconv("UTF-8", "UTF-32BE", u32, &out);
  return out;
}

// Loads the tables the build generated, once per test binary.
inline void InitTables() {
  static bool done = [] {
    F_FdeInitFontEncs("VodudUdazu");
    return F_FdeInitUnicode(QV_ENC_DATA_DIR) == 4;
  }();
  (void)done;
}

}  // namespace enctest

#endif  // QUORVEX_TESTS_ENCODINGS_ENC_TEST_UTIL_H
