// Hostile files for the host's tests: office fixtures with one part edited, and nesting.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/formats/package.h"
#include "tests/host/scratch.h"

namespace qvhost::hostile {

namespace fs = std::filesystem;

inline std::string Repeat(const std::string &s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

// `open` n times, then `inner`, then `close` n times.
inline std::string Nest(const std::string &open, const std::string &inner, const std::string &close,
                        size_t n) {
  return Repeat(open, n) + inner + Repeat(close, n);
}

struct Scratch : TempDir {
  // A copy of an office fixture, as `name`, with the first `from` in `part` replaced by `to`.
  std::string Edited(const std::string &fixture, const std::string &part, const std::string &from,
                     const std::string &to, const std::string &name) {
    std::string src = std::string(QV_FIXTURES_DIR) + "/office/" + fixture, err, bytes;
    auto pkg = Package::Open(src, err);
    EXPECT_TRUE(pkg && pkg->Read(part, bytes, err)) << err;
    size_t at = bytes.find(from);
    EXPECT_NE(at, std::string::npos) << fixture << " " << part << " has no " << from;
    if (at != std::string::npos) bytes.replace(at, from.size(), to);
    std::string out = (dir / name).string();
    EXPECT_TRUE(RewritePackage(src, out, {{part, bytes}}, err)) << err;
    return out;
  }
};

}  // namespace qvhost::hostile
