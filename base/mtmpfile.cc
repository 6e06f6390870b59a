// Temporary files: a process-wide directory chosen once, and names "<dir>/F<counter>.XXXXXX"
// whose last six characters mkstemp fills while creating the file exclusively.
#include "internal.h"

#include <quorvex/fdechannel.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

UIntT counter = 0;

bool WritableDir(const char *platform) {
  if (platform == nullptr || *platform == '\0') return false;
  StringT internal = FdePlatformToInternalFilename(platform);
  bool ok = internal && FdeOperationOk(internal, FDE_TYPE_DIRECTORY, FDE_ACCESS_WRITE);
  F_Free(internal);
  return ok;
}

const std::string &TmpDir() {
  static const std::string dir = [] {
    const char *candidates[] = {std::getenv("TMPDIR"), "/tmp", "/usr/tmp", std::getenv("HOME")};
    for (const char *c : candidates)
      if (WritableDir(c)) return std::string(c);
    char cwd[FDE_PATH_BUFSIZE];
    return std::string(getcwd(cwd, sizeof cwd) ? cwd : ".");
  }();
  return dir;
}

// Creates a new temporary file; returns its internal-form name and the open descriptor.
StringT MakeTmp(int *fd) {
  const std::string &dir = TmpDir();
  ++counter;
  char tail[32];
  std::snprintf(tail, sizeof tail, "/F%x.XXXXXX", counter);
  std::string name = dir + tail;
  if (name.size() > FDE_PATH_MAX) return nullptr;
  StringT platform = qvbase::NewString(name);
  if (platform == nullptr) return nullptr;
  *fd = mkstemp(platform);
  if (*fd < 0) {
    F_Free(platform);
    return nullptr;
  }
  StringT internal = FdePlatformToInternalFilename(platform);
  if (internal == nullptr) {
    close(*fd);
    unlink(platform);
  }
  F_Free(platform);
  return internal;
}

}  // namespace

extern "C" {

StringT FdeMakeTmpFileName(void) {
  int fd = -1;
  StringT name = MakeTmp(&fd);
  if (name) close(fd);
  return name;
}

ChannelT F_ChannelMakeTmp(void) {
  int fd = -1;
  StringT name = MakeTmp(&fd);
  if (name == nullptr) return nullptr;
  // Use the descriptor mkstemp opened: reopening the name would race with other processes.
  FILE *f = fdopen(fd, "w+");
  auto *ch = f ? static_cast<ChannelT>(F_Calloc(1, sizeof(ChannelRecT), 0)) : nullptr;
  if (ch == nullptr) {
    FilePathT *fp = FdeFilePathSimpleCreate(name);
    F_DeleteFile(fp);
    F_FilePathFree(fp);
    if (f)
      std::fclose(f);
    else
      close(fd);
    F_Free(name);
    return nullptr;
  }
  ch->name = name;
  ch->stream = f;
  return ch;
}

}  // extern "C"
