/* The numbers the tools pass to the host beyond the shared codes of <quorvex/fcodes.h>:
 * their own command ids, the open list for book components and the close flag. */
#ifndef QUORVEX_CLIENT_CODES_H
#define QUORVEX_CLIENT_CODES_H

#include <quorvex/fcodes.h>

/* Command ids: the number the host hands back to F_ApiCommand when a command is chosen. */
#define CMD_ListParagraphUsage 1
#define CMD_DeleteUnusedParagraphs 2
#define CMD_CreateParagraphList 3
#define CMD_RemoveNonlistParagraphs 4
#define CMD_CreateConversionDocument 5
#define CMD_ConvertParagraphsInDoc 6
#define CMD_RemoveOverrides 7
#define CMD_FindNextOverride 8
#define CMD_ListParagraphUsageBook 9
#define CMD_DeleteUnusedParagraphsBook 10
#define CMD_CreateParagraphListBook 11
#define CMD_RemoveNonlistParagraphsBook 12
#define CMD_CreateConversionDocumentBook 13
#define CMD_ConvertParagraphsBook 14
#define CMD_RemoveOverridesBook 15
#define CMD_GenerateParagraphTagReport 16
#define CMD_GenerateParagraphTagReportSingle 17
#define CMD_ListParagraphUsageBookIndFiles 18
#define CMD_About 1000

/* Flags value of F_ApiClose for documents a tool opened itself. */
#define QV_CLOSE_FLAGS 1

/* Offsets of paragraph selections: the end of a paragraph and the offset just before it. */
#define QV_OFFSET_BEFORE_END (VAL_ObjEndOffset - 1)

/* Width given to each column of the tables the tools make: 144 points. */
#define QV_TABLE_COLUMN_WIDTH 0x900000

#endif /* QUORVEX_CLIENT_CODES_H */
