/* File path records, the conversions between platform paths, the library's internal form and
 * device-independent (DI) names, expansion of ~ and $VARIABLE, normalisation of . and ..,
 * relativisation, path classification and file property tests.
 *
 * Working buffers hold FDE_PATH_MAX bytes of path (FDE_PATH_BUFSIZE with the NUL). A result that
 * would not fit is refused (null or -1): the library never acts on a silently shortened path. */
#ifndef QUORVEX_FDEPATH_H
#define QUORVEX_FDEPATH_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

#define FDE_FILEPATH_TAG 0x70617468u /* "path" */
#define FDE_PATH_RELATIVE 0x1
#define FDE_PATH_ABSOLUTE 0x10
#define FDE_PATH_BUFSIZE 1024
#define FDE_PATH_MAX 1022    /* longest path held, in bytes */
#define FDE_BASENAME_MAX 254 /* longest last component */
#define FDE_DI_TOKEN_MAX 256 /* longest text of one DI token */

/* Path type codes. */
#define FDE_PATHTYPE_PLAIN 0
#define FDE_PATHTYPE_DI 1
#define FDE_PATHTYPE_UNIX 2
#define FDE_PATHTYPE_MAC 3
#define FDE_PATHTYPE_DOS 4

/* File type bits for FdeExists / FdeOperationOk, access modes for FdeOperationOk. */
#define FDE_TYPE_DIRECTORY 0x4000
#define FDE_TYPE_FILE 0x8000
#define FDE_ACCESS_WRITE 2
#define FDE_ACCESS_READ 4

/* Query bits of FdeStatProperty and FdeAccessProperty. */
#define FDE_STAT_ISDIR 0x100
#define FDE_STAT_ISFILE 0x200
#define FDE_STAT_EXISTS 0x400
#define FDE_ACCESS_CANREAD 0x1
#define FDE_ACCESS_CANWRITE 0x2

typedef struct FilePathT {
  UIntT tag;     /* FDE_FILEPATH_TAG */
  UShortT flags; /* FDE_PATH_RELATIVE or FDE_PATH_ABSOLUTE */
  StringT path;  /* owned, internal form */
} FilePathT;

/* Records. */
FilePathT *FdeFilePathCreate(void);
FilePathT *FdeFilePathSimpleCreate(ConStringT path);
VoidT F_FilePathFree(FilePathT *fp);
VoidT FdeFilePathFree(FilePathT **fpp);
StringT F_FilePathBaseName(const FilePathT *fp);
FilePathT *F_FilePathParent(const FilePathT *fp, IntT *err);

/* Conversions into a record. */
FilePathT *F_PathNameToFilePath(ConStringT name, const FilePathT *anchorDir, IntT type);
FilePathT *FdeToFilePath(ConStringT name, const FilePathT *anchorDir);
FilePathT *F_UnixToFilePath(ConStringT name, const FilePathT *anchorFile);
FilePathT *F_DIToFilePath(ConStringT di, const FilePathT *anchorFile);
FilePathT *F_MacToFilePath(ConStringT name);
FilePathT *F_DosToFilePath(ConStringT name);

/* Conversions out of a record. */
StringT F_FilePathToPathName(const FilePathT *fp, IntT type);
IntT F_FilePathToDI(const FilePathT *fp, const FilePathT *anchorFile, StringT *di, UIntT *length);

/* Name routines. dir needs FDE_PATH_BUFSIZE bytes, base FDE_BASENAME_MAX + 1 (either may be
 * null). Returns 0, or -1 (both parts empty) when a part is too long. */
IntT FdeSplitFullFileName(ConStringT full, StringT dir, StringT base);
ConStringT FdeStrFileLastName(ConStringT full);
UIntT FdeDirCatN(StringT dir, ConStringT name, UIntT size);
BoolT FdePathNameIsRoot(ConStringT path);
IntT F_PathNameType(ConStringT name);

/* In-place editing of a path held in a buffer of FDE_PATH_BUFSIZE bytes; 0, or -1 with the
 * buffer unchanged when the result would not fit. */
IntT FdeFixTildaName(StringT name);
IntT FdeUiExpandFileName(StringT name, ConStringT base);
IntT FdeRelativizeFileName(StringT path, ConStringT anchorFile);
/* Parses a DI name into out (FDE_PATH_BUFSIZE bytes); 0, or -1 when it is refused. */
IntT FdeParseDiName(ConStringT di, StringT out);

/* Property tests on internal-form paths. */
BoolT FdeExists(ConStringT path, UIntT type);
BoolT FdeOperationOk(ConStringT path, UIntT type, IntT mode);
BoolT F_DirectoryExists(const FilePathT *fp);
BoolT F_FileExists(const FilePathT *fp);
BoolT F_DirectoryIsWriteable(const FilePathT *fp);
BoolT F_FileIsWriteable(const FilePathT *fp);
BoolT F_DirectoryIsReadable(const FilePathT *fp);
BoolT F_FileIsReadable(const FilePathT *fp);
UIntT FdeStatProperty(ConStringT path, UIntT query);
UIntT FdeAccessProperty(ConStringT path, UIntT query);

/* File-name encodings; each returns a new string (empty for a null or empty name). */
StringT FdeInternalToPlatformFilename(ConStringT name);
StringT FdePlatformToInternalFilename(ConStringT name);
StringT FdePlatformToInternalFilename2(ConStringT name);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDEPATH_H */
