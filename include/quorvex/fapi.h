/* The client's programming interface to the host: every F_Api call.
 *
 * Conventions that hold for every call declared here:
 *  1. Each call is one synchronous remote call to the host. It blocks until the host answers
 *     or the connection's time-out runs out, and it is made only from the client's one thread,
 *     inside an entry callback or after F_ApiTakeControl.
 *  2. Handles name host objects; 0 is no object. Document 0 with object 0 is the session.
 *  3. Failure is reported through FA_errno and a neutral result (0, a null text, -1, or an
 *     empty record: count 0 and items null, or all zeros). FA_errno is written only when a call
 *     fails and never cleared by a later call; a caller that wants to know whether one call
 *     failed sets it to 0 first. ERR_CallFailed (-1) means the remote call itself failed
 *     (broken connection, time-out, undecodable reply); any other negative value is the
 *     host's own status.
 *  4. Three families of calls depart from (3): the answer-style calls (F_ApiAlert,
 *     F_ApiMenuExists, F_ApiClientNumber, ...) return the host's number as it comes and never
 *     store it; the prompt-style calls (F_ApiPromptString, F_ApiScrollBox, ...) return 0 and
 *     fill the caller's variable when answered, and -1 without touching the variable or FA_errno
 *     when the user cancelled; calls that return nothing only store the host's status.
 *  5. Ownership: every text or list returned is a fresh deep copy owned by the caller, released
 *     with the matching F_ApiDeallocate... call (or F_ApiFree / F_Free piecewise). Texts and
 *     lists passed in are only read for the duration of the call, never taken over.
 *     Exception: F_ApiOpen, F_ApiSave, F_ApiImport, F_ApiExport and F_ApiUpdateBook each keep
 *     one static list of their own for the parameters the host hands back. The caller's
 *     variable must start as NULL (or hold what the same operation returned before); the
 *     call releases the contents it points to and then points it at the operation's list,
 *     which stays owned by the interface and is replaced by the next call of that operation.
 *  6. Nothing here prints, retries or throws. */
#ifndef QUORVEX_FAPI_H
#define QUORVEX_FAPI_H

#include <quorvex/fdetypes.h>

#include <quorvex/fapiruntime.h>
#include <quorvex/fapitypes.h>

/* The records (F_PropValsT, F_StringsT, TextItemsT, ...), their copy and release routines and
 * the ERR_ codes are in fapitypes.h; FA_errno, FA_bailout and the runtime frame (F_ApiRun,
 * F_ApiBailOut, the entry callbacks) in fapiruntime.h. */

QUORVEX_BEGIN_DECLS

/* The rectangle that F_ApiPromptRect answers. */
typedef struct F_RectT {
  MetricT x, y, w, h;
} F_RectT;

/* The two documents that F_ApiCompare makes. */
typedef struct F_CompareRetT {
  F_ObjHandleT sumId;  /* summary document */
  F_ObjHandleT compId; /* composite document */
} F_CompareRetT;

/* ---- Client and session ---------------------------------------------------------------- */

IntT F_ApiClientNumber(VoidT);          /* answer; -1 when the call failed */
StringT F_ApiClientName(VoidT);         /* copy owned by the caller; NULL when the call failed */
StringT F_ApiClientDir(VoidT);          /* likewise */
IntT F_ApiSetClientDir(ConStringT dir); /* answer */
/* Hands arg to the client named clientName; returns its answer, or 0 on any failure. */
IntT F_ApiCallClient(ConStringT clientName, ConStringT arg);
IntT F_ApiReturnValue(IntT value); /* answer; 0 when the call failed */
/* 0 once the host has slept; the requested time unchanged when the call failed. */
IntT F_ApiSleep(IntT seconds);
IntT F_ApiUSleep(IntT microseconds);
IntT F_ApiUserCancel(VoidT);                                    /* answer */
IntT F_ApiSystemShell(ConStringT command);                      /* answer */
IntT F_ApiForkAndExec(ConStringT path, const F_StringsT *args); /* answer */
VoidT F_ApiPushClipboard(VoidT);
IntT F_ApiPopClipboard(VoidT); /* status */

/* ---- Menus, commands and notifications ------------------------------------------------- */

IntT F_ApiMenuExists(ConStringT menuName);     /* answer */
IntT F_ApiShortcutExists(ConStringT shortcut); /* answer */
IntT F_ApiAddMenu(ConStringT toMenu, ConStringT menuName, ConStringT label);
IntT F_ApiRemoveMenu(ConStringT fromMenu, ConStringT menuName);
IntT F_ApiAddCommand(IntT cmd, ConStringT toMenu, ConStringT name, ConStringT label,
                     ConStringT shortcut);
F_ObjHandleT F_ApiDefineCommand(IntT cmd, ConStringT name, ConStringT label, ConStringT shortcut);
F_ObjHandleT F_ApiDefineMenu(ConStringT name, ConStringT label);
IntT F_ApiAddCommandToMenu(F_ObjHandleT menuId, F_ObjHandleT cmdId);
IntT F_ApiAddMenuToMenu(F_ObjHandleT toMenuId, F_ObjHandleT menuId);
/* cmd is the number that the command callback later hands to F_ApiCommand. */
F_ObjHandleT F_ApiDefineAndAddCommand(IntT cmd, F_ObjHandleT toMenuId, ConStringT name,
                                      ConStringT label, ConStringT shortcut);
F_ObjHandleT F_ApiDefineAndAddMenu(F_ObjHandleT toMenuId, ConStringT name, ConStringT label);
IntT F_ApiLoadMenuCustomizationFile(ConStringT pathname, IntT silent);
IntT F_ApiAnimateMenu(F_ObjHandleT docId, F_ObjHandleT menuId, IntT flags, ConStringT label,
                      F_ObjHandleT itemId, IntT mode);
F_ObjHandleT F_ApiMenuItemInMenu(F_ObjHandleT menuId, F_ObjHandleT itemId, IntT recursive);
IntT F_ApiNotification(IntT notification, IntT state);
/* Runs count host function codes, sent as one list. */
IntT F_ApiFcodes(IntT count, const IntT *codes);
IntT F_ApiHypertextCommand(F_ObjHandleT docId, ConStringT command);

/* ---- Objects --------------------------------------------------------------------------- */

F_ObjHandleT F_ApiGetNamedObject(F_ObjHandleT docId, IntT objType, ConStringT name);
F_ObjHandleT F_ApiGetUniqueObject(F_ObjHandleT docId, IntT objType, IntT unique);
F_ObjHandleT F_ApiNewGraphicObject(F_ObjHandleT docId, IntT objType, F_ObjHandleT parentId);
F_ObjHandleT F_ApiNewNamedObject(F_ObjHandleT docId, IntT objType, ConStringT name);
F_ObjHandleT F_ApiNewAnchoredObject(F_ObjHandleT docId, IntT objType, const F_TextLocT *textLocp);
F_ObjHandleT F_ApiNewAnchoredFormattedObject(F_ObjHandleT docId, IntT objType, ConStringT format,
                                             const F_TextLocT *textLocp);
F_ObjHandleT F_ApiNewSubObject(F_ObjHandleT docId, F_ObjHandleT parentId, IntT property);
F_ObjHandleT F_ApiNewSeriesObject(F_ObjHandleT docId, IntT objType, F_ObjHandleT prevId);
/* 1 when the host knows the object; 0 (and the host's status in FA_errno) otherwise. */
IntT F_ApiObjectValid(F_ObjHandleT docId, F_ObjHandleT objId);
IntT F_ApiDelete(F_ObjHandleT docId, F_ObjHandleT objId);

/* ---- Properties ------------------------------------------------------------------------ */
/* Every property call names the property by its code; the ...ByName calls name it by text
 * instead (and send code 0). */

IntT F_ApiGetInt(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
IntT F_ApiGetIntByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName);
VoidT F_ApiSetInt(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, IntT value);
VoidT F_ApiSetIntByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName, IntT value);
F_ObjHandleT F_ApiGetId(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetId(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, F_ObjHandleT value);
MetricT F_ApiGetMetric(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
MetricT F_ApiGetMetricByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName);
VoidT F_ApiSetMetric(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, MetricT value);
VoidT F_ApiSetMetricByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName,
                           MetricT value);
StringT F_ApiGetString(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetString(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT value);
F_StringsT F_ApiGetStrings(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetStrings(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum,
                      const F_StringsT *value);
F_MetricsT F_ApiGetMetrics(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetMetrics(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum,
                      const F_MetricsT *value);
F_IntsT F_ApiGetInts(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetInts(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, const F_IntsT *value);
F_PointsT F_ApiGetPoints(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetPoints(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, const F_PointsT *value);
F_TabsT F_ApiGetTabs(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetTabs(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, const F_TabsT *value);
F_UBytesT F_ApiGetUBytesByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName);
VoidT F_ApiSetUBytesByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName,
                           const F_UBytesT *value);
F_TextLocT F_ApiGetTextLoc(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetTextLoc(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum,
                      const F_TextLocT *value);
F_TextRangeT F_ApiGetTextRange(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetTextRange(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum,
                        const F_TextRangeT *value);
F_ElementRangeT F_ApiGetElementRange(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetElementRange(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum,
                           const F_ElementRangeT *value);
F_AttributeDefsT F_ApiGetAttributeDefs(F_ObjHandleT docId, F_ObjHandleT objId);
VoidT F_ApiSetAttributeDefs(F_ObjHandleT docId, F_ObjHandleT objId, const F_AttributeDefsT *value);
F_AttributesT F_ApiGetAttributes(F_ObjHandleT docId, F_ObjHandleT objId);
VoidT F_ApiSetAttributes(F_ObjHandleT docId, F_ObjHandleT objId, const F_AttributesT *value);
IntT F_ApiDeleteUndefinedAttribute(F_ObjHandleT docId, ConStringT name, IntT flags,
                                   F_ObjHandleT elemId);
F_ElementCatalogEntriesT F_ApiGetElementCatalog(F_ObjHandleT docId);
F_TypedValT F_ApiGetVal(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetVal(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, const F_TypedValT *value);
F_PropValT F_ApiGetPropVal(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum);
VoidT F_ApiSetPropVal(F_ObjHandleT docId, F_ObjHandleT objId, const F_PropValT *value);
/* Every property of the object (for a paragraph format: each of its characteristics). */
F_PropValsT F_ApiGetProps(F_ObjHandleT docId, F_ObjHandleT objId);
VoidT F_ApiSetProps(F_ObjHandleT docId, F_ObjHandleT objId, const F_PropValsT *props);
VoidT F_ApiDeletePropByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName);
/* Shows value in the progress indicator; FA_errno is left as it was. -1 if the host refused. */
IntT F_Progress(IntT value);

/* ---- Documents and books --------------------------------------------------------------- */

/* The ten values describe the page (size, columns, margins, sidedness, visibility) in the
 * host's terms and are passed through unchanged. */
F_ObjHandleT F_ApiCustomDoc(MetricT width, MetricT height, IntT numCols, MetricT columnGap,
                            MetricT topMargin, MetricT bottomMargin, MetricT leftInsideMargin,
                            MetricT rightOutsideMargin, IntT sidedness, IntT makeVisible);
/* See convention 5 for *returnParamspp. */
F_ObjHandleT F_ApiOpen(ConStringT fileName, const F_PropValsT *openParamsp,
                       F_PropValsT **returnParamspp);
F_ObjHandleT F_ApiSave(F_ObjHandleT docId, ConStringT saveAsName, const F_PropValsT *saveParamsp,
                       F_PropValsT **returnParamspp);
F_ObjHandleT F_ApiImport(F_ObjHandleT enclosingDocId, const F_TextLocT *textLocp,
                         ConStringT fileName, const F_PropValsT *importParamsp,
                         F_PropValsT **returnParamspp);
IntT F_ApiExport(F_ObjHandleT docId, ConStringT fileName, const F_PropValsT *exportParamsp,
                 F_PropValsT **returnParamspp);
IntT F_ApiUpdateBook(F_ObjHandleT bookId, const F_PropValsT *updateParamsp,
                     F_PropValsT **returnParamspp);
IntT F_ApiClose(F_ObjHandleT docId, IntT flags);
IntT F_ApiSilentPrintDoc(F_ObjHandleT docId);
IntT F_ApiSimpleImportFormats(F_ObjHandleT docId, F_ObjHandleT fromDocId, IntT formatFlags);
IntT F_ApiSimpleImportElementDefs(F_ObjHandleT docId, F_ObjHandleT fromDocId, IntT importFlags);
IntT F_ApiSimpleGenerate(F_ObjHandleT bookId, IntT interactive, IntT makeVisible);
F_CompareRetT F_ApiCompare(F_ObjHandleT olderId, F_ObjHandleT newerId, IntT flags,
                           ConStringT insertCondTag, ConStringT deleteCondTag,
                           ConStringT replaceText, IntT compareThreshold);
F_ObjHandleT F_ApiCacheDocument(F_ObjHandleT docId);
IntT F_ApiCut(F_ObjHandleT docId, IntT flags);
IntT F_ApiClear(F_ObjHandleT docId, IntT flags);
IntT F_ApiCopy(F_ObjHandleT docId, IntT flags);
IntT F_ApiPaste(F_ObjHandleT docId, IntT flags);
IntT F_ApiRestartPgfNumbering(F_ObjHandleT docId);
IntT F_ApiResetReferenceFrames(F_ObjHandleT docId);
IntT F_ApiRehyphenate(F_ObjHandleT docId);
IntT F_ApiReformat(F_ObjHandleT docId);
IntT F_ApiRedisplay(F_ObjHandleT docId);
IntT F_ApiClearAllChangebars(F_ObjHandleT docId);
IntT F_ApiResetEqnSettings(F_ObjHandleT docId);
IntT F_ApiUpdateVariables(F_ObjHandleT docId);
IntT F_ApiUpdateXRefs(F_ObjHandleT docId, IntT updateFlags);
IntT F_ApiApplyPageLayout(F_ObjHandleT docId, F_ObjHandleT bodyPageId, F_ObjHandleT templatePageId);
IntT F_ApiUpdateTextInset(F_ObjHandleT docId, F_ObjHandleT insetId);
IntT F_ApiDeleteTextInsetContents(F_ObjHandleT docId, F_ObjHandleT insetId);

/* ---- Text ------------------------------------------------------------------------------ */

/* Inserts text at *textLocp (a "\n" or "\r" in it breaks the paragraph); returns the
 * location just after it, all zeros on failure. */
F_TextLocT F_ApiAddText(F_ObjHandleT docId, const F_TextLocT *textLocp, ConStringT text);
IntT F_ApiDeleteText(F_ObjHandleT docId, const F_TextRangeT *textRangep);
IntT F_ApiScrollToText(F_ObjHandleT docId, const F_TextRangeT *textRangep);
IntT F_ApiCenterOnText(F_ObjHandleT docId, const F_TextRangeT *textRangep);
TextItemsT F_ApiGetText(F_ObjHandleT docId, F_ObjHandleT objId, UIntT flags);
TextItemsT F_ApiGetText2(F_ObjHandleT docId, F_ObjHandleT objId, UIntT flags, UIntT flags2);
/* The text items of the kinds in flags (TI_String for the text itself) within *textRangep. */
TextItemsT F_ApiGetTextForRange(F_ObjHandleT docId, const F_TextRangeT *textRangep, UIntT flags);
TextItemsT F_ApiGetTextForRange2(F_ObjHandleT docId, const F_TextRangeT *textRangep, UIntT flags,
                                 UIntT flags2);
F_TypedValT F_ApiGetTextVal(F_ObjHandleT docId, const F_TextLocT *textLocp, IntT propNum);
VoidT F_ApiSetTextVal(F_ObjHandleT docId, const F_TextRangeT *textRangep, IntT propNum,
                      const F_TypedValT *value);
F_PropValT F_ApiGetTextPropVal(F_ObjHandleT docId, const F_TextLocT *textLocp, IntT propNum);
/* The property is the one that *value names. */
VoidT F_ApiSetTextPropVal(F_ObjHandleT docId, const F_TextRangeT *textRangep,
                          const F_PropValT *value);
F_PropValsT F_ApiGetTextProps(F_ObjHandleT docId, const F_TextLocT *textLocp);
VoidT F_ApiSetTextProps(F_ObjHandleT docId, const F_TextRangeT *textRangep,
                        const F_PropValsT *props);
F_TextRangeT F_ApiFind(F_ObjHandleT docId, const F_TextLocT *textLocp,
                       const F_PropValsT *findParamsp);
IntT F_ApiReplaceText(F_ObjHandleT docId, const F_TextRangeT *textRangep, ConStringT text);
/* Checks spelling from *textLocp; returns the range of the first word in question. When the
 * pointers are not NULL, *resultp receives the host's verdict and *suggestionsp a list owned
 * by the caller (empty on failure). */
F_TextRangeT F_ApiSpell(F_ObjHandleT docId, const F_TextLocT *textLocp,
                        const F_PropValsT *spellParamsp, IntT *resultp, F_StringsT *suggestionsp);
/* Returns the host's status; *wordsp (when not NULL) receives a list owned by the caller,
 * the empty list when the call failed. */
IntT F_ApiDictionary(F_ObjHandleT docId, ConStringT word, IntT flags, IntT operation,
                     F_StringsT *wordsp);
IntT F_ApiModifyDictionary(F_ObjHandleT docId, IntT dictionary, IntT operation, ConStringT word);
IntT F_ApiResetSpelling(F_ObjHandleT docId);
/* Looks word up; each non-NULL list pointer receives one of the four lists, owned by the
 * caller. Returns the host's status, -1 when the call failed. */
IntT F_ApiThesaurus(IntT flags, ConStringT word, F_StringsT *meaningsp, F_StringsT *synonymsp,
                    F_StringsT *antonymsp, F_StringsT *relatedp);
StringT F_ApiShowHyphenation(ConStringT word);
F_TextLocT F_ApiElementLocToTextLoc(F_ObjHandleT docId, const F_ElementLocT *elemLocp);
F_ElementLocT F_ApiTextLocToElementLoc(F_ObjHandleT docId, const F_TextLocT *textLocp);

/* ---- Structure elements ---------------------------------------------------------------- */

F_ObjHandleT F_ApiNewElement(F_ObjHandleT docId, F_ObjHandleT elemDefId,
                             const F_TextLocT *textLocp);
F_ObjHandleT F_ApiNewElementInHierarchy(F_ObjHandleT docId, F_ObjHandleT elemDefId,
                                        const F_ElementLocT *elemLocp);
F_ObjHandleT F_ApiNewBookComponentInHierarchy(F_ObjHandleT bookId, ConStringT compName,
                                              const F_ElementLocT *elemLocp);
VoidT F_ApiMergeIntoFirst(F_ObjHandleT docId);
VoidT F_ApiMergeIntoLast(F_ObjHandleT docId);
VoidT F_ApiSplitElement(F_ObjHandleT docId);
VoidT F_ApiWrapElement(F_ObjHandleT docId, F_ObjHandleT elemDefId);
VoidT F_ApiUnWrapElement(F_ObjHandleT docId);
VoidT F_ApiPromoteElement(F_ObjHandleT docId);
VoidT F_ApiDemoteElement(F_ObjHandleT docId);

/* ---- Tables ---------------------------------------------------------------------------- */

F_ObjHandleT F_ApiNewTable(F_ObjHandleT docId, ConStringT format, IntT numCols, IntT numBodyRows,
                           IntT numHeadingRows, IntT numFootingRows, const F_TextLocT *textLocp);
IntT F_ApiAddRows(F_ObjHandleT docId, F_ObjHandleT refRowId, IntT direction, IntT numNewRows);
IntT F_ApiDeleteRows(F_ObjHandleT docId, F_ObjHandleT tblId, F_ObjHandleT rowId, IntT numRows);
IntT F_ApiAddCols(F_ObjHandleT docId, F_ObjHandleT tblId, IntT refCol, IntT direction,
                  IntT numNewCols);
IntT F_ApiDeleteCols(F_ObjHandleT docId, F_ObjHandleT tblId, IntT refCol, IntT numCols);
IntT F_ApiMakeTblSelection(F_ObjHandleT docId, F_ObjHandleT tblId, IntT topRow, IntT bottomRow,
                           IntT leftCol, IntT rightCol);
IntT F_ApiStraddleCells(F_ObjHandleT docId, F_ObjHandleT cellId, IntT numRows, IntT numCols);
IntT F_ApiUnStraddleCells(F_ObjHandleT docId, F_ObjHandleT cellId, IntT numRows, IntT numCols);

/* ---- User interaction ------------------------------------------------------------------ */

/* The host's answer; for VAL_AlertOkCancel 0 means the user confirmed. -1 when the call
 * failed. */
IntT F_ApiAlert(ConStringT message, IntT type);
/* The prompts return 0 and store the answer (texts as copies owned by the caller) when the
 * user answered; -1, with the variable and FA_errno untouched, when the user cancelled. */
IntT F_ApiPromptInt(IntT *intp, ConStringT message, ConStringT defaultText);
IntT F_ApiPromptMetric(MetricT *metricp, ConStringT message, ConStringT defaultText,
                       MetricT defaultUnit);
IntT F_ApiPromptString(StringT *stringp, ConStringT message, ConStringT defaultText);
IntT F_ApiChooseFile(StringT *choicep, ConStringT title, ConStringT directory,
                     ConStringT defaultName, IntT mode, ConStringT helpLink);
IntT oldF_ApiChooseFile(StringT *choicep, ConStringT title, ConStringT directory,
                        ConStringT defaultName, IntT mode);
IntT F_ApiFileScrollBox(StringT *choicep, ConStringT title, ConStringT directory);
/* Offers items in a list; *selectedp receives the chosen index. defaultIndex -1 for none. */
IntT F_ApiScrollBox(IntT *selectedp, ConStringT title, const F_StringsT *items, IntT defaultIndex);
/* The chosen index, or -1 on any failure. */
IntT F_ApiQuickSelect(F_ObjHandleT docId, ConStringT prompt, const F_StringsT *choices);
F_PointT F_ApiPromptPoint(F_ObjHandleT docId, F_ObjHandleT objId, IntT flags);
F_RectT F_ApiPromptRect(F_ObjHandleT docId, F_ObjHandleT objId, IntT flags);
F_ObjHandleT F_ApiOpenResource(IntT resourceType, ConStringT resourceName);
/* With a non-zero initValue, serves the dialog's callbacks until the host ends the modal
 * dialog and returns the value that ended it. */
IntT F_ApiModalDialog(IntT initValue, F_ObjHandleT dlgId);
IntT F_ApiModelessDialog(IntT initValue, F_ObjHandleT dlgId);
F_ObjHandleT F_ApiDialogItemId(F_ObjHandleT dlgId, IntT itemNum);
IntT F_ApiUserInteractSelection(IntT flags);
IntT F_ApiCenterOnGraphicObject(F_ObjHandleT docId, F_ObjHandleT objId);
IntT F_ApiChangeColorPalette(F_ObjHandleT docId, const F_MetricsT *colors1, F_ObjHandleT id2,
                             const F_MetricsT *colors2, F_ObjHandleT id3, const F_MetricsT *colors3,
                             F_ObjHandleT id4, const F_MetricsT *colors4, const F_MetricsT *colors5,
                             F_ObjHandleT flags);

/* ---- Fonts and encodings --------------------------------------------------------------- */

F_FontsT F_ApiFamilyFonts(IntT family);
F_CombinedFontsT F_ApiCombinedFamilyFonts(F_ObjHandleT combinedFontId);
IntT F_ApiGetFontFamilyValue(ConStringT name);
IntT F_ApiGetFontVariationValue(ConStringT name);
IntT F_ApiGetFontWeightValue(ConStringT name);
IntT F_ApiGetFontAngleValue(ConStringT name);
IntT F_ApiMakeGhostFont(const F_FontT *font, ConStringT family, ConStringT variation,
                        ConStringT weight, ConStringT angle, const F_FontT *ghostFont);
IntT F_ApiIsEncodingSupported(ConStringT encoding); /* answer; 0 when the call failed */
F_StringsT F_ApiGetSupportedEncodings(VoidT);
StringT F_ApiGetEncodingForFamily(IntT family);
StringT F_ApiGetEncodingForFont(const F_FontT *font);

/* ---- Simple open, new and save; default parameter lists -------------------------------- */

/* A new document from a template; interactive non-zero lets the user answer the host's
 * questions. Returns the document, 0 on failure (FA_errno ERR_AllocFailed when the parameter
 * list could not be built). */
F_ObjHandleT F_ApiSimpleNewDoc(ConStringT templateName, IntT interactive);
F_ObjHandleT F_ApiSimpleOpen(ConStringT fileName, IntT interactive);
F_ObjHandleT F_ApiSimpleSave(F_ObjHandleT docId, ConStringT saveAsName, IntT interactive);
/* Full default parameter lists of each operation, owned by the caller (count 0 when the
 * allocation failed). */
F_PropValsT F_ApiGetOpenDefaultParams(VoidT);
F_PropValsT F_ApiGetSaveDefaultParams(VoidT);
F_PropValsT F_ApiGetImportDefaultParams(VoidT);
F_PropValsT F_ApiGetExportDefaultParams(VoidT);
F_PropValsT F_ApiGetUpdateBookDefaultParams(VoidT);
F_PropValsT F_ApiGetSpellDefaultParams(VoidT);
/* F_ApiDictionary without the list; ERR_BadOperation for operation 9 (list the words). */
IntT F_ApiDictionaryOperation(F_ObjHandleT docId, ConStringT word, IntT flags, IntT operation);
/* The dictionary's words (operation 9), owned by the caller. */
F_StringsT F_ApiGetDictionaryStrings(F_ObjHandleT docId, IntT flags);

QUORVEX_END_DECLS

#endif /* QUORVEX_FAPI_H */
