// ZIP packages through libzip.
#include "host/formats/package.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "host/atomic_file.h"
#include "host/file_access.h"

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

// A package's file for libzip: the archive is read from `in` (none for a new package) and
// written to `out`, the temporary file of an AtomicFile, so that libzip makes no file of its
// own and the result goes through the one way the host replaces files.
struct ZipFiles {
  int in = -1;
  int out = -1;
  zip_uint64_t size = 0;
  zip_uint64_t pos = 0;
  bool written = false;  // the whole archive went to `out`
  zip_error_t error;
};

zip_int64_t Failed(ZipFiles &f, int code) {
  zip_error_set(&f.error, code, errno);
  return -1;
}

zip_int64_t ReadSide(ZipFiles &f, void *data, zip_uint64_t len, zip_source_cmd_t cmd) {
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      f.pos = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      size_t want = static_cast<size_t>(std::min<zip_uint64_t>(len, size_t{1} << 30));
      ssize_t n = pread(f.in, data, want, static_cast<off_t>(f.pos));
      if (n < 0) return Failed(f, ZIP_ER_READ);
      f.pos += static_cast<zip_uint64_t>(n);
      return n;
    }
    case ZIP_SOURCE_STAT: {
      if (f.in < 0) return errno = ENOENT, Failed(f, ZIP_ER_READ);  // a new archive
      auto *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &f.error);
      if (!st) return -1;
      zip_stat_init(st);
      st->size = f.size;
      st->valid |= ZIP_STAT_SIZE;
      return sizeof *st;
    }
    case ZIP_SOURCE_SEEK: {
      zip_int64_t at = zip_source_seek_compute_offset(f.pos, f.size, data, len, &f.error);
      if (at < 0) return -1;
      f.pos = static_cast<zip_uint64_t>(at);
      return 0;
    }
    case ZIP_SOURCE_TELL:
      return static_cast<zip_int64_t>(f.pos);
    default:
      return 0;  // closing, freeing: the descriptors belong to the caller
  }
}

zip_int64_t WriteSide(ZipFiles &f, void *data, zip_uint64_t len, zip_source_cmd_t cmd) {
  switch (cmd) {
    case ZIP_SOURCE_BEGIN_WRITE:
    case ZIP_SOURCE_ROLLBACK_WRITE:
      f.written = false;
      return ftruncate(f.out, 0) == 0 && lseek(f.out, 0, SEEK_SET) == 0 ? 0
                                                                        : Failed(f, ZIP_ER_WRITE);
    case ZIP_SOURCE_WRITE:
      for (zip_uint64_t done = 0; done < len;) {
        ssize_t n = write(f.out, static_cast<const char *>(data) + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failed(f, ZIP_ER_WRITE);
        done += static_cast<zip_uint64_t>(n);
      }
      return static_cast<zip_int64_t>(len);
    case ZIP_SOURCE_SEEK_WRITE: {
      auto *args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &f.error);
      if (!args) return -1;
      return lseek(f.out, args->offset, args->whence) < 0 ? Failed(f, ZIP_ER_SEEK) : 0;
    }
    case ZIP_SOURCE_TELL_WRITE: {
      off_t at = lseek(f.out, 0, SEEK_CUR);
      return at < 0 ? Failed(f, ZIP_ER_TELL) : at;
    }
    case ZIP_SOURCE_COMMIT_WRITE:
      f.written = true;
      return 0;
    default:  // ZIP_SOURCE_REMOVE: an archive left with no entries is not written
      return 0;
  }
}

zip_int64_t ZipFilesCommand(void *ud, void *data, zip_uint64_t len, zip_source_cmd_t cmd) {
  ZipFiles &f = *static_cast<ZipFiles *>(ud);
  switch (cmd) {
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(
          ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
          ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
          ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE,
          ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&f.error, data, len);
    case ZIP_SOURCE_BEGIN_WRITE:
    case ZIP_SOURCE_ROLLBACK_WRITE:
    case ZIP_SOURCE_WRITE:
    case ZIP_SOURCE_SEEK_WRITE:
    case ZIP_SOURCE_TELL_WRITE:
    case ZIP_SOURCE_COMMIT_WRITE:
    case ZIP_SOURCE_REMOVE:
      return WriteSide(f, data, len, cmd);
    default:
      return ReadSide(f, data, len, cmd);
  }
}

// Writes a package to `target`: the archive in `in` (or a new one when -1) with the changes
// `edit` makes, through an AtomicFile.
template <typename Edit>
bool WriteArchive(int in, const std::string &target, Edit edit, std::string &err) {
  AtomicFile out;
  if (!out.Open(target, err)) return false;
  ZipFiles files;
  files.in = in;
  files.out = out.Fd();
  struct stat st;
  if (in >= 0 && fstat(in, &st) == 0) files.size = static_cast<zip_uint64_t>(st.st_size);
  zip_error_init(&files.error);
  zip_error_t ze;
  zip_error_init(&ze);
  zip_source_t *src = zip_source_function_create(ZipFilesCommand, &files, &ze);
  zip_t *za =
      src ? zip_open_from_source(src, in >= 0 ? 0 : ZIP_CREATE | ZIP_TRUNCATE, &ze) : nullptr;
  std::string why;
  if (!za) {
    why = zip_error_strerror(&ze);
    if (src) zip_source_free(src);
  } else if (!edit(za, why) || zip_close(za) != 0) {
    if (why.empty()) why = zip_strerror(za);
    zip_discard(za);
  } else if (!files.written) {
    why = "the package has no entries";
  }
  zip_error_fini(&ze);
  zip_error_fini(&files.error);
  if (why.empty()) return out.Commit(err);
  err = "cannot write " + target + ": " + why;
  return false;
}

// Whether the file begins with a ZIP entry header, as a package cut short still does.
bool StartsLikeZip(int fd) {
  char head[4] = {};
  return pread(fd, head, sizeof head, 0) == 4 && std::memcmp(head, "PK\3\4", 4) == 0;
}

// The first name the archive in `fd` holds twice (libzip refuses such an archive when it
// checks its consistency); empty when none is found. Takes the descriptor.
std::string DuplicateEntry(int fd) {
  zip_t *za = fd < 0 ? nullptr : zip_fdopen(fd, ZIP_RDONLY, nullptr);
  if (!za) {
    if (fd >= 0) close(fd);
    return {};
  }
  std::set<std::string> seen;
  std::string twice;
  zip_int64_t n = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < n && twice.empty(); ++i)
    if (const char *name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW))
      if (!seen.insert(name).second) twice = name;
  zip_discard(za);
  return twice;
}

// Why libzip could not open the archive in `fd`.
std::string OpenError(int code, int fd) {
  if (code == ZIP_ER_NOZIP && StartsLikeZip(fd))
    return "truncated or damaged ZIP package (no central directory)";
  if (code == ZIP_ER_NOZIP) return "not a ZIP package";
  if (code == ZIP_ER_OPEN || code == ZIP_ER_NOENT) return "cannot read the file";
  if (code == ZIP_ER_EXISTS) {
    std::string name = DuplicateEntry(dup(fd));
    if (!name.empty()) return "damaged ZIP package: the entry " + name + " appears twice";
  }
  return "truncated or damaged ZIP package: " + ZipErrorText(code);
}

}  // namespace

std::unique_ptr<Package> Package::Open(const std::string &path, std::string &err) {
  FdCloser fd(OpenForReading(path, err));
  if (fd.Get() < 0) return nullptr;
  int code = 0;
  // On success libzip owns the descriptor (it closes it with the archive).
  zip_t *za = zip_fdopen(fd.Get(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (!za) {
    err = OpenError(code, fd.Get());
    return nullptr;
  }
  fd.Release();
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

bool Package::ReadChunks(const std::string &name, const std::function<bool(std::string_view)> &take,
                         std::string &err, size_t limit, size_t *declared) const {
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
  if (declared)
    *declared =
        st.valid & ZIP_STAT_SIZE ? static_cast<size_t>(std::min<zip_uint64_t>(st.size, limit)) : 0;
  zip_file_t *f = zip_fopen_index(za_, idx, 0);
  if (!f) {
    err = name + ": " + zip_strerror(za_);
    return false;
  }
  std::vector<char> buf(size_t{1} << 16);
  size_t total = 0;
  bool ok = true;
  for (;;) {
    zip_int64_t got = zip_fread(f, buf.data(), buf.size());
    if (got < 0) {
      err = name + ": damaged entry (" + zip_file_strerror(f) + ")";
      ok = false;
      break;
    }
    if (got == 0) break;
    total += static_cast<size_t>(got);
    if (total > limit) {
      err = name + ": inflates to more than " + std::to_string(limit >> 20) + " MiB";
      ok = false;
      break;
    }
    if (!take(std::string_view(buf.data(), static_cast<size_t>(got)))) {
      ok = false;
      break;
    }
  }
  zip_fclose(f);
  return ok;
}

bool Package::Read(const std::string &name, std::string &out, std::string &err,
                   size_t limit) const {
  out.clear();
  size_t declared = 0;
  // The declared size is only a hint (a damaged entry may inflate to more or less): room for
  // it is made up front, within the limit, so that a large part is not copied as it grows.
  bool ok = ReadChunks(
      name,
      [&](std::string_view chunk) {
        if (out.empty() && declared) out.reserve(declared);
        out.append(chunk);
        return true;
      },
      err, limit, &declared);
  if (!ok) out.clear();
  return ok;
}

bool RewritePackage(const std::string &original, const std::string &target,
                    const std::map<std::string, std::string> &replace, std::string &err) {
  // Nothing to change: libzip would write nothing at all.
  if (replace.empty()) return CopyFileAtomic(original, target, err);
  std::string why;
  FdCloser in(OpenForReading(original, why));
  if (in.Get() < 0) {
    err = original + ": " + why;
    return false;
  }
  auto edit = [&replace](zip_t *za, std::string &e) {
    for (const auto &[name, data] : replace) {
      zip_int32_t method = ZIP_CM_DEFLATE;
      zip_stat_t st;
      if (zip_stat(za, name.c_str(), ZIP_FL_ENC_RAW, &st) == 0 && (st.valid & ZIP_STAT_COMP_METHOD))
        method = static_cast<zip_int32_t>(st.comp_method);
      if (!PutEntry(za, name, data, method, e)) return false;
    }
    return true;
  };
  return WriteArchive(in.Get(), target, edit, err);
}

bool WritePackage(const std::string &target,
                  const std::vector<std::pair<std::string, std::string>> &entries, bool storeFirst,
                  std::string &err) {
  auto edit = [&entries, storeFirst](zip_t *za, std::string &e) {
    for (size_t i = 0; i < entries.size(); ++i)
      if (!PutEntry(za, entries[i].first, entries[i].second,
                    i == 0 && storeFirst ? ZIP_CM_STORE : ZIP_CM_DEFLATE, e))
        return false;
    return true;
  };
  return WriteArchive(-1, target, edit, err);
}

}  // namespace qvhost
