// ZIP packages through libzip.
#include "host/formats/package.h"

#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/atomic_file.h"

namespace qvhost {

namespace {

std::string ZipErrorText(int code) {
  zip_error_t e;
  zip_error_init_with_code(&e, code);
  std::string s = zip_error_strerror(&e);
  zip_error_fini(&e);
  return s;
}

// Adds or replaces one entry from a buffer that lives until zip_close.
bool PutEntry(zip_t *za, const std::string &name, const std::string &data, zip_int32_t method,
              std::string &err) {
  zip_source_t *src = zip_source_buffer(za, data.data(), data.size(), 0);
  if (!src) {
    err = zip_strerror(za);
    return false;
  }
  zip_int64_t idx = zip_name_locate(za, name.c_str(), ZIP_FL_ENC_RAW);
  if (idx >= 0) {
    if (zip_file_replace(za, static_cast<zip_uint64_t>(idx), src, 0) < 0) idx = -1;
  } else {
    idx = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
  }
  if (idx < 0) {
    err = zip_strerror(za);
    zip_source_free(src);
    return false;
  }
  if (zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), method, 0) < 0) {
    err = zip_strerror(za);
    return false;
  }
  return true;
}

// Closes the archive being written in `tmp` (when everything went in) and moves it over the
// target; on any failure discards it and leaves the target alone.
bool Finish(zip_t *za, bool ok, const std::string &tmp, const std::string &target,
            std::string &err) {
  if (ok && zip_close(za) != 0) {
    err = zip_strerror(za);
    ok = false;
  }
  if (!ok) {
    zip_discard(za);
    unlink(tmp.c_str());
    err = "cannot write " + target + ": " + err;
    return false;
  }
  return CommitTemp(tmp, target, err);
}

// Whether the file begins with a ZIP entry header, as a package cut short still does.
bool StartsLikeZip(const std::string &path) {
  char head[4] = {};
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return n == 4 && std::memcmp(head, "PK\3\4", 4) == 0;
}

}  // namespace

std::unique_ptr<Package> Package::Open(const std::string &path, std::string &err) {
  int code = 0;
  zip_t *za = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (!za) {
    if (code == ZIP_ER_NOZIP && StartsLikeZip(path))
      err = "truncated or damaged ZIP package (no central directory)";
    else if (code == ZIP_ER_NOZIP)
      err = "not a ZIP package";
    else if (code == ZIP_ER_OPEN || code == ZIP_ER_NOENT)
      err = "cannot read the file";
    else
      err = "truncated or damaged ZIP package: " + ZipErrorText(code);
    return nullptr;
  }
  std::unique_ptr<Package> p(new Package);
  p->path_ = path;
  p->za_ = za;
  zip_int64_t n = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    const char *name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (!name) continue;
    if (p->index_.emplace(name, i).second) p->names_.push_back(name);
  }
  return p;
}

Package::~Package() {
  if (za_) zip_discard(za_);
}

bool Package::Has(const std::string &name) const {
  return index_.count(name) != 0;
}

bool Package::Read(const std::string &name, std::string &out, std::string &err,
                   size_t limit) const {
  out.clear();
  auto it = index_.find(name);
  if (it == index_.end()) {
    err = "the package has no " + name;
    return false;
  }
  auto idx = static_cast<zip_uint64_t>(it->second);
  zip_stat_t st;
  if (zip_stat_index(za_, idx, 0, &st) != 0) {
    err = name + ": " + zip_strerror(za_);
    return false;
  }
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
    err = name + ": the entry is encrypted";
    return false;
  }
  zip_file_t *f = zip_fopen_index(za_, idx, 0);
  if (!f) {
    err = name + ": " + zip_strerror(za_);
    return false;
  }
  // The declared size is only a hint (a damaged entry may inflate to more or less): room for
  // it is made up front, within the limit, so that a large part is not copied as it grows.
  if (st.valid & ZIP_STAT_SIZE)
    out.reserve(static_cast<size_t>(std::min<zip_uint64_t>(st.size, limit)));
  char buf[1 << 16];
  bool ok = true;
  for (;;) {
    zip_int64_t got = zip_fread(f, buf, sizeof buf);
    if (got < 0) {
      err = name + ": damaged entry (" + zip_file_strerror(f) + ")";
      ok = false;
      break;
    }
    if (got == 0) break;
    if (out.size() + static_cast<size_t>(got) > limit) {
      err = name + ": inflates to more than " + std::to_string(limit >> 20) + " MiB";
      ok = false;
      break;
    }
    out.append(buf, static_cast<size_t>(got));
  }
  zip_fclose(f);
  if (!ok) out.clear();
  return ok;
}

bool RewritePackage(const std::string &original, const std::string &target,
                    const std::map<std::string, std::string> &replace, std::string &err) {
  std::string tmp = TempBeside(target);
  std::error_code ec;
  if (tmp.empty() || !std::filesystem::copy_file(
                         original, tmp, std::filesystem::copy_options::overwrite_existing, ec)) {
    if (!tmp.empty()) unlink(tmp.c_str());
    err = "cannot create a file beside " + target;
    return false;
  }
  int code = 0;
  zip_t *za = zip_open(tmp.c_str(), 0, &code);
  if (!za) {
    unlink(tmp.c_str());
    err = original + ": " + ZipErrorText(code);
    return false;
  }
  bool ok = true;
  for (const auto &[name, data] : replace) {
    zip_int32_t method = ZIP_CM_DEFLATE;
    zip_stat_t st;
    if (zip_stat(za, name.c_str(), ZIP_FL_ENC_RAW, &st) == 0 && (st.valid & ZIP_STAT_COMP_METHOD))
      method = static_cast<zip_int32_t>(st.comp_method);
    if (!(ok = PutEntry(za, name, data, method, err))) break;
  }
  return Finish(za, ok, tmp, target, err);
}

bool WritePackage(const std::string &target,
                  const std::vector<std::pair<std::string, std::string>> &entries, bool storeFirst,
                  std::string &err) {
  std::string tmp = TempBeside(target);
  if (tmp.empty()) {
    err = "cannot create a file beside " + target;
    return false;
  }
  int code = 0;
  zip_t *za = zip_open(tmp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!za) {
    unlink(tmp.c_str());
    err = "cannot write " + target + ": " + ZipErrorText(code);
    return false;
  }
  bool ok = true;
  for (size_t i = 0; ok && i < entries.size(); ++i)
    ok = PutEntry(za, entries[i].first, entries[i].second,
                  i == 0 && storeFirst ? ZIP_CM_STORE : ZIP_CM_DEFLATE, err);
  return Finish(za, ok, tmp, target, err);
}

}  // namespace qvhost
