// Conversion throughput of Shift_JIS to UTF-8 and back, beside the platform's iconv on the same
// text in the same run. The text is about 1 MB: every JIS X 0208 character in turn, with ASCII
// words and half-width katakana between them, as Japanese file names and tag names mix them.
#include <benchmark/benchmark.h>
#include <errno.h>
#include <iconv.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include <quorvex/fdemem.h>
#include <quorvex/fencode.h>

namespace {

// The build leaves the ".UCOD" tables beside the library, two levels up from bin/.
std::string TablesDir() {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string dir = n > 0 ? std::string(exe, size_t(n)) : std::string("./x");
  dir = dir.substr(0, dir.rfind('/'));
  return dir + "/../base/encodings";
}

std::string IconvAll(iconv_t cd, const std::string &in) {
  std::string src = in, out(in.size() * 3 + 16, '\0');
  char *ip = src.data(), *op = out.data();
  size_t il = src.size(), ol = out.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  iconv(cd, &ip, &il, &op, &ol);
  out.resize(out.size() - ol);
  return out;
}

struct Texts {
  std::string sjis, utf8;
  bool ok = false;
  Texts() {
    if (F_FdeInitUnicode(TablesDir().c_str()) != 4) return;
    iconv_t to8 = iconv_open("UTF-8", "SHIFT_JIS");
    if (to8 == (iconv_t)-1) return;
    std::string chars;
    for (int l = 0x81; l <= 0xEF; ++l)
      for (int t = 0x40; t <= 0xFC; ++t) {
        std::string c = {char(l), char(t)};
        if (t != 0x7F && (l < 0xA0 || l >= 0xE0) && IconvAll(to8, c).size() == 3) chars += c;
      }
    std::string unit;
    for (size_t i = 0; i < chars.size(); i += 2) {
      unit.append(chars, i, 2);
      if (i % 16 == 0) unit += " tag-name ";
      if (i % 64 == 0) unit += "\xB6\xC0\xB6\xC5";
    }
    while (sjis.size() < (1u << 20)) sjis += unit;
    utf8 = IconvAll(to8, sjis);
    iconv_close(to8);
    ok = true;
  }
};

const Texts &TheTexts() {
  static const Texts t;
  return t;
}

void Quorvex(benchmark::State &state, bool to_utf8) {
  const Texts &t = TheTexts();
  if (!t.ok) return state.SkipWithError("no encoding tables");
  const std::string &in = to_utf8 ? t.sjis : t.utf8;
  for (auto _ : state) {
    StringT r = to_utf8 ? F_StrConvertEnc(in.c_str(), FdeTextEncShiftJIS, FdeTextEncUTF8)
                        : F_StrConvertEnc(in.c_str(), FdeTextEncUTF8, FdeTextEncShiftJIS);
    benchmark::DoNotOptimize(r);
    F_Free(r);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}

// iconv gets the same work: a fresh output block per conversion, sized as ours would be.
void Iconv(benchmark::State &state, bool to_utf8) {
  const Texts &t = TheTexts();
  if (!t.ok) return state.SkipWithError("no encoding tables");
  const std::string &in = to_utf8 ? t.sjis : t.utf8;
  iconv_t cd = to_utf8 ? iconv_open("UTF-8", "SHIFT_JIS") : iconv_open("SHIFT_JIS", "UTF-8");
  std::string src = in;
  for (auto _ : state) {
    size_t cap = in.size() * 3 / 2 + 16;
    char *out = static_cast<char *>(malloc(cap)), *op = out, *ip = src.data();
    size_t il = src.size(), ol = cap;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (il && iconv(cd, &ip, &il, &op, &ol) == (size_t)-1 && errno == E2BIG) {
      size_t used = size_t(op - out);
      out = static_cast<char *>(realloc(out, cap *= 2));
      op = out + used;
      ol = cap - used;
    }
    benchmark::DoNotOptimize(out);
    free(out);
  }
  iconv_close(cd);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}

void BM_EncShiftJisToUtf8_Quorvex(benchmark::State &s) {
  Quorvex(s, true);
}
void BM_EncShiftJisToUtf8_Iconv(benchmark::State &s) {
  Iconv(s, true);
}
void BM_EncUtf8ToShiftJis_Quorvex(benchmark::State &s) {
  Quorvex(s, false);
}
void BM_EncUtf8ToShiftJis_Iconv(benchmark::State &s) {
  Iconv(s, false);
}

}  // namespace

BENCHMARK(BM_EncShiftJisToUtf8_Quorvex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncShiftJisToUtf8_Iconv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncUtf8ToShiftJis_Quorvex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncUtf8ToShiftJis_Iconv)->Unit(benchmark::kMillisecond);
