// File property tests, file-name encodings and the hooks through which the encodings layer
// supplies them.
#include "internal.h"

#include <quorvex/fdeenchook.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

FdeEncodingHooksT hooks{};

using Converter = StringT (*)(ConStringT);

StringT Convert(Converter hook, ConStringT name) {
  if (name == nullptr || *name == '\0') return qvbase::NewString("");
  return hook ? hook(name) : qvbase::NewString(name);
}

// Runs fn on the platform form of an internal path.
template <typename Fn>
auto OnPlatform(ConStringT path, Fn fn) -> decltype(fn("")) {
  if (path == nullptr || *path == '\0') return 0;
  StringT p = FdeInternalToPlatformFilename(path);
  if (p == nullptr) return 0;
  auto r = fn(p);
  F_Free(p);
  return r;
}

BoolT Exists(const FilePathT *fp, UIntT type) {
  return fp ? FdeExists(fp->path, type) : False;
}
BoolT Ok(const FilePathT *fp, UIntT type, IntT mode) {
  return fp ? FdeOperationOk(fp->path, type, mode) : False;
}

}  // namespace

namespace qvbase {

StringT NewString(std::string_view s) {
  if (s.size() >= FDE_MAX_ALLOC) return nullptr;
  auto *p = static_cast<StringT>(F_Calloc(static_cast<UIntT>(s.size() + 1), 1, 0));
  if (p && !s.empty()) std::memcpy(p, s.data(), s.size());
  return p;
}

bool DialogLead(UCharT b) {
  return hooks.dialogLeadByte && hooks.dialogLeadByte(b);
}

}  // namespace qvbase

extern "C" {

VoidT FdeSetEncodingHooks(const FdeEncodingHooksT *h) {
  hooks = h ? *h : FdeEncodingHooksT{};
}
const FdeEncodingHooksT *FdeGetEncodingHooks(void) {
  return &hooks;
}

StringT FdeInternalToPlatformFilename(ConStringT name) {
  return Convert(hooks.internalToPlatform, name);
}
StringT FdePlatformToInternalFilename(ConStringT name) {
  return Convert(hooks.platformToInternal, name);
}
StringT FdePlatformToInternalFilename2(ConStringT name) {
  return Convert(hooks.platformToInternal2, name);
}

BoolT FdeExists(ConStringT path, UIntT type) {
  return OnPlatform(path, [type](const char *p) -> BoolT {
    struct stat st;
    return stat(p, &st) == 0 && (st.st_mode & S_IFMT) == type;
  });
}

BoolT FdeOperationOk(ConStringT path, UIntT type, IntT mode) {
  if (!FdeExists(path, type)) return False;
  return OnPlatform(path, [mode](const char *p) -> BoolT { return access(p, mode) == 0; });
}

BoolT F_DirectoryExists(const FilePathT *fp) {
  return Exists(fp, FDE_TYPE_DIRECTORY);
}
BoolT F_FileExists(const FilePathT *fp) {
  return Exists(fp, FDE_TYPE_FILE);
}
BoolT F_DirectoryIsWriteable(const FilePathT *fp) {
  return Ok(fp, FDE_TYPE_DIRECTORY, FDE_ACCESS_WRITE);
}
BoolT F_FileIsWriteable(const FilePathT *fp) {
  return Ok(fp, FDE_TYPE_FILE, FDE_ACCESS_WRITE);
}
BoolT F_DirectoryIsReadable(const FilePathT *fp) {
  return Ok(fp, FDE_TYPE_DIRECTORY, FDE_ACCESS_READ);
}
BoolT F_FileIsReadable(const FilePathT *fp) {
  return Ok(fp, FDE_TYPE_FILE, FDE_ACCESS_READ);
}

UIntT FdeStatProperty(ConStringT path, UIntT query) {
  return OnPlatform(path, [query](const char *p) -> UIntT {
    struct stat st;
    if (stat(p, &st) != 0) return 0;
    UIntT r = 0;
    if ((query & FDE_STAT_ISDIR) && S_ISDIR(st.st_mode)) r |= FDE_STAT_ISDIR;
    if ((query & FDE_STAT_ISFILE) && S_ISREG(st.st_mode)) r |= FDE_STAT_ISFILE;
    if (query & FDE_STAT_EXISTS) r |= FDE_STAT_EXISTS;
    return r;
  });
}

UIntT FdeAccessProperty(ConStringT path, UIntT query) {
  return OnPlatform(path, [query](const char *p) -> UIntT {
    UIntT r = 0;
    if ((query & FDE_ACCESS_CANREAD) && access(p, R_OK) == 0) r |= FDE_ACCESS_CANREAD;
    if ((query & FDE_ACCESS_CANWRITE) && access(p, W_OK) == 0) r |= FDE_ACCESS_CANWRITE;
    return r;
  });
}

}  // extern "C"
