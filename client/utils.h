/* The tools' shared paragraph routines: text utilities, the output document, styling, names.
 *
 * Conventions:
 *  - Every StringT result is a new heap string owned by the caller (release with F_Free or
 *    F_ApiDeallocateString). A null string reads as the empty string.
 *  - None of these routines reports an error: a handle of 0 is passed on to the host, which
 *    refuses the calls that use it, and the routine goes on with what the calls returned. */
#ifndef QUORVEX_CLIENT_UTILS_H
#define QUORVEX_CLIENT_UTILS_H

#include <quorvex/fapitypes.h>
#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

/* ---- Text utilities ----------------------------------------------------------------- */

/* All string items (TI_String) of the list joined in order; null when there is none. If
 * memory runs out part way, the text joined so far is returned (nothing is leaked). */
StringT CreateStringFromTextItems(const TextItemsT *items);

/* The whole text of a paragraph (string items only); null for a paragraph without text. */
StringT GetParagraphText(F_ObjHandleT docId, F_ObjHandleT pgfId);

/* New string a followed by b; null when memory runs out. */
StringT ConcatenateString(ConStringT a, ConStringT b);

/* Enlarges the heap string *s in place to hold *s followed by t. A null *s becomes a copy of
 * t. When memory runs out, *s is left as it was. */
VoidT AppendString(StringT *s, ConStringT t);

/* Overwrites s with p followed by s. The caller's buffer must have room for
 * length(s) + length(p) + 1 bytes. */
VoidT PrependString(StringT s, ConStringT p);

/* Removes the first n characters of s in place; n above the length empties s, n of 0 or
 * below leaves it unchanged. */
VoidT TrimString(StringT s, IntT n);

/* ---- Paragraphs and names ----------------------------------------------------------- */

/* Gives the paragraph every property of the document's format named tag (so the tag and no
 * override). Nothing happens when the document has no such format or the paragraph is
 * locked. */
VoidT ApplyStyle(F_ObjHandleT docId, F_ObjHandleT pgfId, ConStringT tag);

/* File name (without its folder) of the document / book; "Untitled" when it has none. */
StringT GetDocumentName(F_ObjHandleT docId);
StringT GetBookName(F_ObjHandleT bookId);

/* ---- Output document ---------------------------------------------------------------- */

/* A new document from the template "KVOutput.fm" of the client directory, else a blank
 * custom document (576 x 792 points); 0 when neither could be made. Left open, unsaved. */
F_ObjHandleT CreateOutputDocument(VoidT);

/* Writes text as a new last paragraph of the document's main flow, in the format tag (null:
 * the format of the paragraph before), and starts a new empty last paragraph. */
VoidT WriteToOutputDocument(F_ObjHandleT outDocId, ConStringT text, ConStringT tag);

/* Heading texts and formats of the listings. */
#define QV_TAG_HEADING1 "Heading1"
#define QV_TAG_HEADING2 "Heading2"
#define QV_TAG_BODY "Body"

QUORVEX_END_DECLS

#endif /* QUORVEX_CLIENT_UTILS_H */
