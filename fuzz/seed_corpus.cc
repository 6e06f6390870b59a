// Writes the starting corpora of the fuzz targets into DIR/<target>/: the hand-worked wire
// forms of the protocol tests and a few invented valid records of every kind a target reads,
// each behind the selector bytes that make the target decode it as that record; and, for the
// document readers, real documents with a part nested just within the readers' limit and far
// beyond it.
//   seed_corpus DIR
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>

#include "fuzz_util.h"
#include "golden.h"
#ifdef QV_FIXTURES_DIR
#include "host/formats/package.h"
#include "host/formats/xml.h"
#endif

namespace {

namespace fs = std::filesystem;
using qvtest::Bytes;

class Corpus {
 public:
  Corpus(const fs::path &dir, const char *target) : dir_(dir / target) {
    fs::create_directories(dir_);
  }
  void Add(const Bytes &selector, const Bytes &wire) {
    Bytes all = selector;
    all.insert(all.end(), wire.begin(), wire.end());
    std::ofstream(dir_ / ("seed-" + std::to_string(count_++)), std::ios::binary)
        .write(reinterpret_cast<const char *>(all.data()),
               static_cast<std::streamsize>(all.size()));
  }
  int count() const { return count_; }

 private:
  fs::path dir_;
  int count_ = 0;
};

template <typename T>
using Coder = qvtest::Coder<T>;

template <typename T, typename F>
Coder<T> As(F *coder) {
  return reinterpret_cast<Coder<T>>(reinterpret_cast<void (*)()>(coder));
}

// A few invented records of type T, encoded.
template <typename T>
void AddInvented(Corpus &corpus, const Bytes &selector, Coder<T> coder) {
  for (uint32_t seed = 1; seed <= 1201; seed += 300) {
    T rec{};
    if (!qvtest::Invent(coder, seed, &rec)) continue;
    Bytes wire;
    if (qvtest::Encode(coder, &rec, &wire)) corpus.Add(selector, wire);
    qvtest::Free(coder, &rec);
  }
}

// The hand-worked forms whose record is T.
template <typename T>
void AddGolden(Corpus &corpus, const Bytes &selector) {
  qvtest::golden::ForEach([&]<typename U>(bool_t (*)(XDR *, U *), const Bytes &wire) {
    if constexpr (std::is_same_v<T, U>) corpus.Add(selector, wire);
  });
}

template <typename T, typename F>
void AddRecord(Corpus &corpus, const Bytes &selector, F *coder) {
  if constexpr (!std::is_same_v<T, QvNone>) {
    AddGolden<T>(corpus, selector);
    AddInvented<T>(corpus, selector, As<T>(coder));
  } else {
    (void)corpus, (void)selector, (void)coder;
  }
}

#ifdef QV_FIXTURES_DIR
// Real documents with elements nested around (or in place of) their body: once as deep as a
// part may be, once far deeper. Written as DIR/<target>/deep-N; 0 when none could be.
int AddDeepDocuments(const fs::path &dir) {
  struct Deep {
    const char *target, *fixture, *part, *at, *open, *inner, *close;
  };
  static const Deep kDeep[] = {
      {"fuzz_docx", "pydocx.docx", "word/document.xml", "<w:body>", "<w:customXml>",
       "<w:p><w:r><w:t>x</w:t></w:r></w:p>", "</w:customXml>"},
      {"fuzz_docx", "pydocx.docx", "word/document.xml", "<w:body>", "<w:tbl><w:tr><w:tc>", "<w:p/>",
       "</w:tc></w:tr></w:tbl>"},
      {"fuzz_docx", "pydocx.docx", "word/document.xml", "<w:body>", "<w:x>", "", "</w:x>"},
      {"fuzz_odt", "rich.odt", "content.xml", "<office:text>", "<text:section>",
       "<text:p>x</text:p>", "</text:section>"},
      {"fuzz_odt", "rich.odt", "content.xml", "<office:text>", "<text:list><text:list-item>",
       "<text:p>x</text:p>", "</text:list-item></text:list>"},
      {"fuzz_odt", "rich.odt", "content.xml", "<office:text>", "<text:p><text:span>", "x",
       "</text:span></text:p>"},
  };
  int n = 0;
  for (const Deep &d : kDeep) {
    std::string src = std::string(QV_FIXTURES_DIR) + "/office/" + d.fixture, err, bytes;
    auto pkg = qvhost::Package::Open(src, err);
    size_t at = pkg && pkg->Read(d.part, bytes, err) ? bytes.find(d.at) : std::string::npos;
    if (at == std::string::npos) continue;
    at += std::strlen(d.at);
    size_t perLevel = static_cast<size_t>(std::count(d.open, d.open + std::strlen(d.open), '<'));
    for (size_t levels : {(qvhost::kMaxXmlDepth - 16) / perLevel, size_t{30000}}) {
      std::string open, close;
      for (size_t i = 0; i < levels; ++i) open += d.open;
      for (size_t i = 0; i < levels; ++i) close += d.close;
      std::string part = bytes;
      part.insert(at, open + d.inner + close);
      fs::create_directories(dir / d.target);
      std::string out = (dir / d.target / ("deep-" + std::to_string(n))).string();
      if (qvhost::RewritePackage(src, out, {{d.part, part}}, err)) ++n;
    }
  }
  return n;
}
#else
int AddDeepDocuments(const fs::path &) {
  return 0;
}
#endif

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  fs::path dir = argv[1];

  Corpus records(dir, "fuzz_records");
  uint8_t r = 0;
#define QV_SEED(T) AddRecord<T>(records, Bytes{r++}, xdr_##T);
  QV_FUZZ_RECORDS(QV_SEED)
#undef QV_SEED

  Corpus callbacks(dir, "fuzz_callbacks");
#define QV_CB_PROC(num, name, A, xa) AddRecord<A>(callbacks, Bytes{num}, xa);
#include <quorvex/proto/fmapi_procs.h>
#undef QV_CB_PROC

  // fuzz_replies: the selector is 2 * index for the result, 2 * index + 1 for the argument.
  Corpus replies(dir, "fuzz_replies");
  unsigned i = 0;
  auto pick = [](unsigned v) {
    return Bytes{static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  };
#define QV_PROC(num, stub, A, xa, R, xr)      \
  AddRecord<R>(replies, pick(2 * i), xr);     \
  AddRecord<A>(replies, pick(2 * i + 1), xa); \
  ++i;
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC

  int deep = AddDeepDocuments(dir);
  printf("seeds: fuzz_records %d, fuzz_callbacks %d, fuzz_replies %d, deep documents %d\n",
         records.count(), callbacks.count(), replies.count(), deep);
  return records.count() > 0 && callbacks.count() > 0 && replies.count() > 0 ? 0 : 1;
}
