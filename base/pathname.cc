// Path text: expansion of ~ and $VARIABLE, normalisation of . and .., splitting,
// relativisation, DI names and the path classifier.
#include "internal.h"

#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>

#include <pwd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace qvbase {
namespace {

constexpr size_t kMax = FDE_PATH_MAX;

std::vector<std::string_view> Components(std::string_view p) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < p.size()) {
    while (i < p.size() && p[i] == '/') ++i;
    size_t j = i;
    while (j < p.size() && p[j] != '/') ++j;
    if (j > i) out.push_back(p.substr(i, j - i));
    i = j;
  }
  return out;
}

const std::string &Home() {
  static const std::string home = [] {
    const char *h = std::getenv("HOME");
    return std::string(h ? h : "");
  }();
  return home;
}

}  // namespace

bool FixTilda(std::string_view name, std::string *out) {
  std::string r;
  size_t i = 0;
  if (!name.empty() && name[0] == '~') {
    size_t end = name.find('/');
    if (end == std::string_view::npos) end = name.size();
    std::string user(name.substr(1, end - 1));
    if (user.empty()) {
      r = Home();
    } else {
      const passwd *pw = getpwnam(user.c_str());
      if (pw == nullptr || pw->pw_dir == nullptr) {
        *out = std::string(name);
        return name.size() <= kMax;
      }
      r = pw->pw_dir;
    }
    i = end;
  }
  while (i < name.size()) {
    char c = name[i];
    if (c == '\\' && i + 1 < name.size() && name[i + 1] == '$') {
      r += '$';  // an escaped dollar is kept literally
      i += 2;
    } else if (c == '$') {
      size_t end = name.find('/', i);
      if (end == std::string_view::npos) end = name.size();
      std::string var(name.substr(i + 1, end - i - 1));
      const char *value = var.empty() ? nullptr : std::getenv(var.c_str());
      if (value == nullptr) {
        *out = std::string(name);
        return name.size() <= kMax;
      }
      r += value;
      i = end;
    } else {
      r += c;
      ++i;
    }
  }
  if (r.size() > kMax) return false;
  *out = std::move(r);
  return true;
}

bool ExpandName(std::string_view name, std::string_view base, std::string *out) {
  std::string n;
  if (!FixTilda(name, &n)) return false;
  std::string r = (!n.empty() && n[0] == '/') ? std::string("/") : std::string(base);
  if (n.empty()) r = std::string(base);
  for (std::string_view c : Components(n)) {
    if (c == ".") continue;
    if (c == "..") {
      size_t slash = r.rfind('/');
      std::string_view last =
          slash == std::string::npos ? std::string_view(r) : std::string_view(r).substr(slash + 1);
      if (r == "/") continue;           // never above the root
      if (r.empty() || last == "..") {  // a relative path keeps its leading ..
        r += r.empty() ? ".." : "/..";
      } else if (slash == std::string::npos) {
        r.clear();
      } else {
        r.erase(slash == 0 ? 1 : slash);
      }
      continue;
    }
    if (!r.empty() && r.back() != '/') r += '/';
    r.append(c);
    if (r.size() > kMax) return false;
  }
  if (r.size() > kMax) return false;
  *out = std::move(r);
  return true;
}

bool SplitName(std::string_view full, std::string *dir, std::string *base) {
  size_t slash = full.rfind('/');
  std::string_view d, b = full;
  if (slash != std::string_view::npos) {
    d = slash == 0 ? std::string_view("/") : full.substr(0, slash);
    b = full.substr(slash + 1);
  }
  if (d.size() > kMax || b.size() > FDE_BASENAME_MAX) return false;
  if (dir) *dir = std::string(d);
  if (base) *base = std::string(b);
  return true;
}

bool Relativize(std::string_view path, std::string_view anchor, std::string *out) {
  std::string dir;
  if (!SplitName(anchor, &dir, nullptr)) return false;
  auto dc = Components(dir), pc = Components(path);
  size_t shared = 0;
  while (shared < dc.size() && shared < pc.size() && dc[shared] == pc[shared]) ++shared;
  if (shared == 0) {
    *out = std::string(path);
    return true;
  }
  std::string r;
  for (size_t i = shared; i < dc.size(); ++i) r += "../";
  for (size_t i = shared; i < pc.size(); ++i) {
    r.append(pc[i]);
    if (i + 1 < pc.size()) r += '/';
  }
  if (r.empty()) r.push_back('.');
  if (r.back() == '/') r.pop_back();
  if (r.size() > kMax) return false;
  *out = std::move(r);
  return true;
}

bool ParseDi(std::string_view di, std::string *out) {
  std::string r;
  bool rooted = false;
  size_t i = 0;
  while (i + 2 < di.size() && di[i] == '<' && di[i + 2] == '>') {
    char t = di[i + 1];
    bool letter = (t >= 'A' && t <= 'Z') || (t >= 'a' && t <= 'v');
    if (!letter) break;
    i += 3;
    std::string text;
    while (i < di.size() && di[i] != '<') {
      UCharT c = static_cast<UCharT>(di[i]);
      if (DialogLead(c) && i + 1 < di.size()) {
        text.append(di.substr(i, 2));
        i += 2;
      } else if (c == '\\') {
        if (i + 1 < di.size()) text += di[i + 1];
        i += 2;
      } else {
        text += static_cast<char>(c);
        ++i;
      }
      if (text.size() > FDE_DI_TOKEN_MAX) return false;
    }
    switch (t) {
      case 'r':
        if (!r.empty()) return false;
        r.push_back('/');
        rooted = true;
        break;
      case 'h':
      case 'v':
        if (!r.empty()) return false;
        r = "/" + text + "/";
        break;
      case 'c':
        if (!text.empty()) r += text + "/";
        break;
      case 'u':
        if (rooted) return false;
        r += "../";
        break;
      default:
        break;
    }
    if (r.size() > kMax + 1) return false;
  }
  if (r.empty()) return false;
  if (r.size() > 1 && r.back() == '/') r.pop_back();
  if (r.size() > kMax) return false;
  *out = std::move(r);
  return true;
}

}  // namespace qvbase

using namespace qvbase;

namespace {

IntT Store(StringT buf, const std::string &s) {
  std::memcpy(buf, s.c_str(), s.size() + 1);
  return 0;
}

}  // namespace

extern "C" {

IntT FdeSplitFullFileName(ConStringT full, StringT dir, StringT base) {
  std::string d, b;
  bool ok = SplitName(full ? full : "", &d, &b);
  if (dir) Store(dir, ok ? d : std::string());
  if (base) Store(base, ok ? b : std::string());
  return ok ? 0 : -1;
}

ConStringT FdeStrFileLastName(ConStringT full) {
  if (full == nullptr) return nullptr;
  const char *slash = std::strrchr(full, '/');
  return slash ? slash + 1 : full;
}

UIntT FdeDirCatN(StringT dir, ConStringT name, UIntT size) {
  if (dir == nullptr) return 0;
  UIntT n = F_StrLen(dir);
  if (n > 0 && dir[n - 1] != '/') n = F_StrCatN(dir, "/", size);
  return F_StrCatN(dir, name, size);
}

BoolT FdePathNameIsRoot(ConStringT path) {
  return F_StrEqual(path ? path : "x", "/");
}

IntT FdeFixTildaName(StringT name) {
  if (name == nullptr) return -1;
  std::string r;
  if (!FixTilda(name, &r)) return -1;
  return Store(name, r);
}

IntT FdeUiExpandFileName(StringT name, ConStringT base) {
  if (name == nullptr) return -1;
  std::string r;
  if (!ExpandName(name, base ? base : "", &r)) return -1;
  return Store(name, r);
}

IntT FdeRelativizeFileName(StringT path, ConStringT anchorFile) {
  if (path == nullptr || anchorFile == nullptr || path[0] != '/' || anchorFile[0] != '/') FdeFail();
  std::string r;
  if (!Relativize(path, anchorFile, &r)) return -1;
  return Store(path, r);
}

IntT FdeParseDiName(ConStringT di, StringT out) {
  std::string r;
  if (di == nullptr || !ParseDi(di, &r)) return -1;
  if (out) Store(out, r);
  return 0;
}

IntT F_PathNameType(ConStringT name) {
  std::string_view n = name ? name : "";
  if (n.empty()) return FDE_PATHTYPE_PLAIN;
  if (n.size() > 3 && n[0] == '<' && n[1] && std::strchr("rcuhv", n[1]) && n[2] == '>')
    return FDE_PATHTYPE_DI;
  if (n.starts_with("/") || n.starts_with("./") || n.starts_with("../")) return FDE_PATHTYPE_UNIX;
  size_t slashes = 0, backslashes = 0, colons = 0, spaces = 0;
  for (size_t i = 0; i < n.size(); ++i) {
    UCharT c = static_cast<UCharT>(n[i]);
    if (DialogLead(c) && i + 1 < n.size()) {
      ++i;
      continue;
    }
    slashes += c == '/';
    backslashes += c == '\\';
    colons += c == ':';
    spaces += c == ' ';
  }
  if (slashes + backslashes + colons == 0) return FDE_PATHTYPE_PLAIN;
  if (backslashes + colons + spaces == 0) return FDE_PATHTYPE_UNIX;
  bool letter = (n[0] >= 'A' && n[0] <= 'Z') || (n[0] >= 'a' && n[0] <= 'z');
  if (slashes == 0 && spaces == 0 && colons == 1 && n.size() > 2 && n[1] == ':' && letter)
    return FDE_PATHTYPE_DOS;
  if (slashes || spaces) return FDE_PATHTYPE_MAC;
  return colons ? FDE_PATHTYPE_MAC : FDE_PATHTYPE_DOS;
}

}  // extern "C"
