// A scratch folder for the host's tests, removed with everything in it when the test ends, and
// whole-file reading.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qvhost {

struct TempDir {
  std::filesystem::path dir;
  TempDir() {
    char tmpl[] = "/tmp/qvhost-test-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  ~TempDir() { std::filesystem::remove_all(dir); }
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  // `bytes` as the file `name` in the folder; returns its path.
  std::string Write(const std::string &name, const std::string &bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  }
  // Every name in the folder, hidden ones included, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto &e : std::filesystem::directory_iterator(dir))
      out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }
};

inline std::string Slurp(const std::filesystem::path &p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace qvhost
