// File path records and their conversions to and from platform paths and DI names.
#include "internal.h"

#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>

using namespace qvbase;

namespace {

bool Tagged(const FilePathT *fp) {
  return fp != nullptr && fp->tag == FDE_FILEPATH_TAG;
}

FilePathT *Make(std::string_view path, UShortT flags) {
  FilePathT *fp = FdeFilePathCreate();
  if (fp == nullptr) return nullptr;
  fp->path = NewString(path);
  if (fp->path == nullptr) {
    F_Free(fp);
    return nullptr;
  }
  fp->flags = flags;
  return fp;
}

bool Empty(ConStringT s) {
  return s == nullptr || *s == '\0';
}

// Appends s to out, escaping the characters the DI parser treats specially.
void AppendEscaped(std::string *out, std::string_view s) {
  for (char c : s.substr(0, 255)) {
    if (c == '<' || c == '\\') *out += '\\';
    *out += c;
  }
}

}  // namespace

extern "C" {

FilePathT *FdeFilePathCreate(void) {
  auto *fp = static_cast<FilePathT *>(F_Calloc(1, sizeof(FilePathT), 0));
  if (fp) fp->tag = FDE_FILEPATH_TAG;
  return fp;
}

FilePathT *FdeFilePathSimpleCreate(ConStringT path) {
  return Make(path ? path : "", 0);
}

VoidT F_FilePathFree(FilePathT *fp) {
  if (fp == nullptr) return;
  F_Free(fp->path);
  F_Free(fp);
}

VoidT FdeFilePathFree(FilePathT **fpp) {
  if (fpp == nullptr) FdeFail();
  F_FilePathFree(*fpp);
  *fpp = nullptr;
}

StringT F_FilePathBaseName(const FilePathT *fp) {
  if (fp == nullptr || fp->path == nullptr) return nullptr;
  // The name shown for a document or a book, never opened: a last component longer than a
  // component may be is cut to its first FDE_BASENAME_MAX bytes instead of refused.
  std::string_view base = FdeStrFileLastName(fp->path);
  return NewString(std::string(base.substr(0, FDE_BASENAME_MAX)));
}

FilePathT *F_FilePathParent(const FilePathT *fp, IntT *err) {
  if (err == nullptr) return nullptr;
  *err = 0;
  if (fp == nullptr || fp->path == nullptr || FdePathNameIsRoot(fp->path)) return nullptr;
  std::string dir;
  if (!SplitName(fp->path, &dir, nullptr)) {
    *err = -1;
    return nullptr;
  }
  FilePathT *parent = Make(dir, 0);
  if (parent == nullptr) *err = -1;
  return parent;
}

FilePathT *FdeToFilePath(ConStringT name, const FilePathT *anchorDir) {
  if (Empty(name)) return nullptr;
  std::string base;
  if (anchorDir != nullptr) {
    if (!Tagged(anchorDir) || anchorDir->path == nullptr) return nullptr;
    base = anchorDir->path;
  } else {
    char cwd[FDE_PATH_BUFSIZE];
    if (getcwd(cwd, sizeof cwd) == nullptr) return nullptr;
    StringT internal = FdePlatformToInternalFilename(cwd);
    if (internal == nullptr) return nullptr;
    base = internal;
    F_Free(internal);
  }
  std::string r;
  if (!ExpandName(name, base, &r) || r.empty()) return nullptr;
  return Make(r, FDE_PATH_ABSOLUTE);
}

FilePathT *F_PathNameToFilePath(ConStringT name, const FilePathT *anchorDir, IntT type) {
  if (Empty(name)) return nullptr;
  switch (type) {
    case FDE_PATHTYPE_DI: {
      std::string r;
      if (!ParseDi(name, &r)) return nullptr;
      return FdeToFilePath(r.c_str(), anchorDir);
    }
    case FDE_PATHTYPE_MAC:
      return nullptr;
    case FDE_PATHTYPE_PLAIN:
    case FDE_PATHTYPE_UNIX:
    case FDE_PATHTYPE_DOS:
      return FdeToFilePath(name, anchorDir);
    default:
      F_Abort();
  }
}

FilePathT *F_UnixToFilePath(ConStringT name, const FilePathT *anchorFile) {
  if (Empty(name)) return nullptr;
  std::string base;
  if (anchorFile != nullptr) {
    if (!Tagged(anchorFile) || (anchorFile->flags & FDE_PATH_RELATIVE) || !anchorFile->path)
      return nullptr;
    if (!SplitName(anchorFile->path, &base, nullptr)) return nullptr;
  }
  std::string r;
  if (!ExpandName(name, base, &r) || r.empty()) return nullptr;
  return Make(r, r[0] == '/' ? FDE_PATH_ABSOLUTE : FDE_PATH_RELATIVE);
}

FilePathT *F_DIToFilePath(ConStringT di, const FilePathT *anchorFile) {
  std::string r;
  if (di == nullptr || !ParseDi(di, &r)) return nullptr;
  return F_UnixToFilePath(r.c_str(), r[0] == '/' ? nullptr : anchorFile);
}

FilePathT *F_MacToFilePath(ConStringT name) {
  return Empty(name) ? nullptr : Make(name, 0);
}
FilePathT *F_DosToFilePath(ConStringT name) {
  return Empty(name) ? nullptr : Make(name, 0);
}

StringT F_FilePathToPathName(const FilePathT *fp, IntT type) {
  if (!Tagged(fp)) return nullptr;
  if (type == FDE_PATHTYPE_PLAIN || type == FDE_PATHTYPE_UNIX) return F_StrCopyString(fp->path);
  if (type != FDE_PATHTYPE_DI) return nullptr;
  StringT di = nullptr;
  UIntT length = 0;
  return F_FilePathToDI(fp, nullptr, &di, &length) == 0 ? di : nullptr;
}

IntT F_FilePathToDI(const FilePathT *fp, const FilePathT *anchorFile, StringT *di, UIntT *length) {
  if (di == nullptr || length == nullptr) FdeFail();
  *di = nullptr;
  *length = 0;
  if (!Tagged(fp) || fp->path == nullptr) return -1;
  if (fp->flags & FDE_PATH_RELATIVE) FdeFail();
  std::string path = fp->path;
  if (anchorFile != nullptr) {
    if (!Tagged(anchorFile) || (anchorFile->flags & FDE_PATH_RELATIVE)) FdeFail();
    if (path[0] == '/' && anchorFile->path && anchorFile->path[0] == '/' &&
        !Relativize(fp->path, anchorFile->path, &path))
      return -1;
  }
  std::string out = path[0] == '/' ? "<r>" : "";
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string_view c = std::string_view(path).substr(i, j - i);
    if (c == "..") {
      out += "<u>";
    } else if (!c.empty() && c != ".") {
      out += "<c>";
      AppendEscaped(&out, c);
    }
    i = j;
  }
  if (out.size() > FDE_PATH_MAX) return -1;  // a shortened DI name would name another file
  *di = NewString(out);
  if (*di == nullptr) return -1;
  *length = static_cast<UIntT>(out.size());
  return 0;
}

}  // extern "C"
