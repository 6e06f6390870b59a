// Channels over the platform's buffered streams, with optional byte swapping of 2- and 4-byte
// items.
#include "internal.h"

#include <quorvex/fdechannel.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>

#include <unistd.h>

#include <bit>
#include <cstring>

namespace {

constexpr bool kBigEndian = std::endian::native == std::endian::big;

void Reverse(unsigned char *p, size_t item, size_t count) {
  for (size_t i = 0; i < count; ++i, p += item)
    for (size_t a = 0, b = item - 1; a < b; ++a, --b) std::swap(p[a], p[b]);
}

UIntT ReadItems(PtrT buf, UIntT item, UIntT count, ChannelT ch) {
  UIntT n = F_ChannelRead(buf, item, count, ch);
  if (ch && ch->swap && buf) Reverse(static_cast<unsigned char *>(buf), item, n);
  return n;
}

UIntT WriteItems(const void *buf, UIntT item, UIntT count, ChannelT ch) {
  if (ch == nullptr || !ch->swap || buf == nullptr) return F_ChannelWrite(buf, item, count, ch);
  // Swap a copy, a chunk at a time; the caller's buffer is left alone.
  unsigned char work[1024];
  const UIntT per = sizeof work / item;
  const auto *src = static_cast<const unsigned char *>(buf);
  UIntT written = 0;
  while (written < count) {
    UIntT n = count - written < per ? count - written : per;
    std::memcpy(work, src + static_cast<size_t>(written) * item, static_cast<size_t>(n) * item);
    Reverse(work, item, n);
    UIntT w = F_ChannelWrite(work, item, n, ch);
    written += w;
    if (w < n) break;
  }
  return written;
}

}  // namespace

extern "C" {

ChannelT F_ChannelOpen(const FilePathT *fp, ConStringT mode) {
  if (fp == nullptr || fp->path == nullptr || *fp->path == '\0' || mode == nullptr) return nullptr;
  StringT platform = FdeInternalToPlatformFilename(fp->path);
  if (platform == nullptr) return nullptr;
  FILE *f = std::fopen(platform, mode);
  F_Free(platform);
  if (f == nullptr) return nullptr;
  auto *ch = static_cast<ChannelT>(F_Calloc(1, sizeof(ChannelRecT), 0));
  if (ch) ch->name = F_StrCopyString(fp->path);
  if (ch == nullptr || ch->name == nullptr) {
    std::fclose(f);
    F_Free(ch);
    return nullptr;
  }
  ch->stream = f;
  return ch;
}

UIntT F_ChannelRead(PtrT buf, UIntT size, UIntT count, ChannelT ch) {
  if (ch == nullptr || buf == nullptr) return 0;
  return static_cast<UIntT>(std::fread(buf, size, count, ch->stream));
}

UIntT F_ChannelWrite(const void *buf, UIntT size, UIntT count, ChannelT ch) {
  if (buf == nullptr) return 0;
  return static_cast<UIntT>(std::fwrite(buf, size, count, ch ? ch->stream : stdout));
}

IntT F_ChannelSeek(ChannelT ch, IntT offset, IntT origin) {
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (ch == nullptr || origin < 0 || origin > 2) return -1;
  return std::fseek(ch->stream, offset, kWhence[origin]);
}

IntT F_ChannelTell(ChannelT ch) {
  return ch ? static_cast<IntT>(std::ftell(ch->stream)) : -1;
}

IntT F_ChannelSize(ChannelT ch) {
  if (ch == nullptr) return -1;
  long here = std::ftell(ch->stream);
  if (here < 0 || std::fseek(ch->stream, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(ch->stream);
  std::fseek(ch->stream, here, SEEK_SET);
  return static_cast<IntT>(end);
}

VoidT F_SetByteOrder(ChannelT ch) {
  if (ch) ch->swap = kBigEndian ? 1 : 0;
}

VoidT F_ResetByteOrder(ChannelT ch) {
  if (ch) ch->swap = kBigEndian ? 0 : 1;
}

UIntT F_ReadShorts(PtrT buf, UIntT count, ChannelT ch) {
  return ReadItems(buf, 2, count, ch);
}
UIntT F_ReadLongs(PtrT buf, UIntT count, ChannelT ch) {
  return ReadItems(buf, 4, count, ch);
}
UIntT F_WriteShorts(const void *buf, UIntT count, ChannelT ch) {
  return WriteItems(buf, 2, count, ch);
}
UIntT F_WriteLongs(const void *buf, UIntT count, ChannelT ch) {
  return WriteItems(buf, 4, count, ch);
}
UIntT F_ReadBytes(PtrT buf, UIntT count, ChannelT ch) {
  return F_ChannelRead(buf, 1, count, ch);
}
UIntT F_WriteBytes(const void *buf, UIntT count, ChannelT ch) {
  return F_ChannelWrite(buf, 1, count, ch);
}

BoolT F_ChannelEof(ChannelT ch) {
  return ch && std::feof(ch->stream) ? True : False;
}

IntT F_ChannelFlush(ChannelT ch) {
  return std::fflush(ch ? ch->stream : stdout);
}

IntT F_ChannelAppend(ChannelT src, ChannelT dst) {
  if (src == nullptr || dst == nullptr) FdeFail();
  char block[8192];
  for (;;) {
    size_t n = std::fread(block, 1, sizeof block, src->stream);
    if (n > 0 && std::fwrite(block, 1, n, dst->stream) < n) return -1;
    if (n < sizeof block) break;
  }
  return std::ferror(src->stream) ? -1 : 0;
}

IntT F_ChannelClose(ChannelT ch) {
  if (ch == nullptr) return -1;
  int r = std::fclose(ch->stream);
  F_Free(ch->name);
  F_Free(ch);
  return r;
}

IntT FdeChannelClose(ChannelT *chp) {
  if (chp == nullptr) FdeFail();
  IntT r = F_ChannelClose(*chp);
  *chp = nullptr;
  return r;
}

IntT F_ChannelCloseTmp(ChannelT ch) {
  if (ch == nullptr) return -1;
  FilePathT *fp = F_GetFilePath(ch);
  if (fp) F_DeleteFile(fp);
  F_FilePathFree(fp);
  return F_ChannelClose(ch);
}

IntT FdeChannelCloseTmp(ChannelT *chp) {
  if (chp == nullptr) FdeFail();
  IntT r = F_ChannelCloseTmp(*chp);
  *chp = nullptr;
  return r;
}

FilePathT *F_GetFilePath(ChannelT ch) {
  if (ch == nullptr) return nullptr;
  if (ch->name == nullptr || *ch->name == '\0') {
    char cwd[FDE_PATH_BUFSIZE];
    if (getcwd(cwd, sizeof cwd) == nullptr) return nullptr;
    StringT internal = FdePlatformToInternalFilename(cwd);
    FilePathT *fp = internal ? FdeFilePathSimpleCreate(internal) : nullptr;
    F_Free(internal);
    if (fp) fp->flags = FDE_PATH_ABSOLUTE;
    return fp;
  }
  FilePathT *fp = FdeFilePathSimpleCreate(ch->name);
  if (fp) fp->flags = ch->name[0] == '/' ? FDE_PATH_ABSOLUTE : FDE_PATH_RELATIVE;
  return fp;
}

IntT F_DeleteFile(const FilePathT *fp) {
  if (fp == nullptr || fp->path == nullptr || *fp->path == '\0') return -1;
  bool dir = FdeStatProperty(fp->path, FDE_STAT_ISDIR) & FDE_STAT_ISDIR;
  StringT platform = FdeInternalToPlatformFilename(fp->path);
  if (platform == nullptr) return -1;
  int r = dir ? rmdir(platform) : unlink(platform);
  F_Free(platform);
  return r == 0 ? 0 : -1;
}

}  // extern "C"
