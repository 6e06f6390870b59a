/* Channels: the library's handle on an open file (a buffered stream plus the file's name in
 * internal form), and temporary files that are removed again when they are closed.
 * A null channel stands for standard output in F_ChannelWrite and F_ChannelFlush. */
#ifndef QUORVEX_FDECHANNEL_H
#define QUORVEX_FDECHANNEL_H

#include <stdio.h>

#include <quorvex/fdetypes.h>
#include <quorvex/fdepath.h>

QUORVEX_BEGIN_DECLS

typedef struct ChannelRecT {
  IntT swap;    /* byte-reverse 2- and 4-byte items */
  StringT name; /* owned, internal form */
  FILE *stream;
} ChannelRecT, *ChannelT;

#define FDE_SEEK_SET 0
#define FDE_SEEK_CUR 1
#define FDE_SEEK_END 2

ChannelT F_ChannelOpen(const FilePathT *fp, ConStringT mode);
/* A new, uniquely named file opened "w+" in the temporary directory. */
ChannelT F_ChannelMakeTmp(void);
UIntT F_ChannelRead(PtrT buf, UIntT size, UIntT count, ChannelT ch);
UIntT F_ChannelWrite(const void *buf, UIntT size, UIntT count, ChannelT ch);
IntT F_ChannelSeek(ChannelT ch, IntT offset, IntT origin);
IntT F_ChannelTell(ChannelT ch);
IntT F_ChannelSize(ChannelT ch);
VoidT F_SetByteOrder(ChannelT ch);   /* the file's integers are little-endian */
VoidT F_ResetByteOrder(ChannelT ch); /* the file's integers are big-endian */
UIntT F_ReadShorts(PtrT buf, UIntT count, ChannelT ch);
UIntT F_ReadLongs(PtrT buf, UIntT count, ChannelT ch);
UIntT F_WriteShorts(const void *buf, UIntT count, ChannelT ch);
UIntT F_WriteLongs(const void *buf, UIntT count, ChannelT ch);
UIntT F_ReadBytes(PtrT buf, UIntT count, ChannelT ch);
UIntT F_WriteBytes(const void *buf, UIntT count, ChannelT ch);
BoolT F_ChannelEof(ChannelT ch);
IntT F_ChannelFlush(ChannelT ch);
IntT F_ChannelAppend(ChannelT src, ChannelT dst);
IntT F_ChannelClose(ChannelT ch);
IntT FdeChannelClose(ChannelT *chp);
IntT F_ChannelCloseTmp(ChannelT ch);
IntT FdeChannelCloseTmp(ChannelT *chp);
FilePathT *F_GetFilePath(ChannelT ch);
IntT F_DeleteFile(const FilePathT *fp);
/* A new unique temporary file name (owned by the caller). The file is created empty, with
 * exclusive access, to reserve the name; the caller removes it. Null on failure. */
StringT FdeMakeTmpFileName(void);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDECHANNEL_H */
