/* Paragraph tag report: display units, the characteristics report of one paragraph format,
 * the two report commands and the About note.
 *
 * Conventions:
 *  - Every routine takes the handle of the document it reads; handle 0 is passed on to the
 *    host, which refuses the calls, and the routine then prints what the calls returned
 *    (0, an empty text, an empty list). None of them reports an error.
 *  - Unit names are constant strings; the caller must not release them. Every StringT
 *    result is a new heap string that the caller releases with F_Free.
 *  - Lengths are metrics (16.16 fixed point, 0x10000 = one point). */
#ifndef QUORVEX_CLIENT_REPORT_H
#define QUORVEX_CLIENT_REPORT_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

/* ---- Display units ------------------------------------------------------------------ */

/* Name of a display unit given as the size of one unit in points: "inches", "centimeters",
 * "millimeters", "picas", "points", "didots" or "ciceros" when the size is exactly the one
 * the host stores for that unit, else "" (never null). */
ConStringT DisplayUnitName(MetricT unitSize);

/* Name of a font-size unit: "points" for exactly 0x10000, "Q" for anything else. */
ConStringT FontDisplayUnitName(MetricT unitSize);

/* The length m expressed in units of unitSize, printed with the given number of decimals
 * (0 to 9) as "%.<n>f". A unit size of 0 (a failed read) prints the number as 0 instead of
 * dividing. Returns a new string, or null when memory runs out. */
StringT FormatMetricInUnits(MetricT m, MetricT unitSize, IntT decimals);

/* The name of the document's display unit (PROP_DisplayUnits) / font unit
 * (PROP_FontDisplayUnits). Each call reads the unit from the host. */
ConStringT GetDocDisplayUnits(F_ObjHandleT docId);
ConStringT GetDocFontDisplayUnits(F_ObjHandleT docId);

/* m in the document's display unit with three decimals / in its font unit with two
 * decimals. New string owned by the caller. */
StringT ConvertToDisplayUnits(F_ObjHandleT docId, MetricT m);
StringT ConvertToFontDisplayUnits(F_ObjHandleT docId, MetricT m);

/* ---- Report item writers --------------------------------------------------------------
 * Each writes one "Body" line "label: value" into the output document outDocId. The reading
 * writers read property propNum of object objId in document docId. */

/* "label: value " */
VoidT OutputGeneralItem(ConStringT label, ConStringT value, F_ObjHandleT outDocId);
/* "label: True " when the integer is exactly 1, else "label: False ". */
VoidT OutputBooleanItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                        F_ObjHandleT outDocId);
/* "label: <decimal> " for any 32-bit value. */
VoidT OutputIntTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                     F_ObjHandleT outDocId);
/* "label: <string> " */
VoidT OutputStringTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                        F_ObjHandleT outDocId);
/* "label: <display units> <unit name>" */
VoidT OutputMetricTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                        F_ObjHandleT outDocId);
/* "label: <font units> <unit name>"; for PROP_LineSpacing the object's font size is added
 * to the stored spacing first. */
VoidT OutputFontMetricTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, ConStringT label,
                            F_ObjHandleT outDocId);
/* "label: <value x 100, two decimals>%" (0x10000 prints 100.00%). */
VoidT OutputPercentMetricTItem(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum,
                               ConStringT label, F_ObjHandleT outDocId);

/* Writes every characteristic of paragraph format pgfFmtId of document docId into the
 * output document, grouped under "Heading2" section headings. The tag line itself is the
 * caller's. */
VoidT OutputStyleCharacteristics(F_ObjHandleT docId, F_ObjHandleT pgfFmtId, F_ObjHandleT outDocId);

/* ---- Commands -------------------------------------------------------------------------
 * Called by the command dispatcher with the resolved target document (0 when there is
 * none: then nothing happens and nothing is shown). Every outcome returns normally, so the
 * dispatcher's end steps always follow. */

/* Command 16, "All Tags": a new output document with every catalogue tag in byte order,
 * each as a "Heading1" line, its characteristics and an empty "Body" line. */
VoidT GenerateParagraphTagReport(F_ObjHandleT docId);

/* Command 17, "Selected Tag...": the user picks one tag from the sorted catalogue names in
 * the scroll box "Choose a format."; a cancelled box, or an answer outside the list, creates
 * nothing. */
VoidT GenerateParagraphTagReportSingle(F_ObjHandleT docId);

/* Command 1000: the About note, "Quorvex" over "Version 2.1 Build 100". */
VoidT ShowAboutAlert(VoidT);

QUORVEX_END_DECLS

#endif /* QUORVEX_CLIENT_REPORT_H */
