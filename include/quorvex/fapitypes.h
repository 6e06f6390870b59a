/* Records that cross the programming interface, in the form client code sees them.
 *
 * Every list record is a count followed by a pointer to its element array; a list whose
 * `items` is null is empty whatever `count` says. Everything reachable from a record (texts,
 * arrays, the pointed-to element range) is owned by the record and released by its release
 * routine. Storage comes from malloc/calloc/realloc, so a record may also be taken apart
 * piecewise with F_ApiFree.
 *
 * The wire encoders (xdr_F_PropValsT, ...) are declared in <quorvex/proto/fmtypes.h>, which
 * needs the RPC headers; this header needs nothing beyond the basic types. */
#ifndef QUORVEX_FAPITYPES_H
#define QUORVEX_FAPITYPES_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

/* Type codes of F_TypedValT. Codes 11 and 16 have no member and travel as one integer. */
#define TV_Int 1
#define TV_Metric 2
#define TV_String 3
#define TV_Id 4
#define TV_Metrics 5
#define TV_Strings 6
#define TV_Points 7
#define TV_Tabs 8
#define TV_TextLoc 9
#define TV_TextRange 10
#define TV_ElementCatalog 12
#define TV_Ints 13
#define TV_UBytes 14
#define TV_UInts 15
#define TV_AttributeDefs 17
#define TV_Attributes 18
#define TV_ElementRange 19

/* Data type of a text item that carries a piece of text. */
#define TI_String 1

/* Interface error codes (stored in FA_errno or returned, as each routine says). */
#define ERR_CallFailed (-1)
#define ERR_PropNotFound (-4)
#define ERR_NoStatus (-5)
#define ERR_ConnectFailed (-7)
#define ERR_NoSession (-20)
#define ERR_HookupFailed (-22)
#define ERR_AllocFailed (-42)
#define ERR_BadOperation (-43)

typedef struct F_StringsT {
  UIntT count;
  StringT *items;
} F_StringsT;

typedef struct F_IntsT {
  UIntT count;
  IntT *items;
} F_IntsT;

typedef struct F_UIntsT {
  UIntT count;
  UIntT *items;
} F_UIntsT;

typedef struct F_MetricsT {
  UIntT count;
  MetricT *items;
} F_MetricsT;

typedef struct F_UBytesT {
  UIntT count;
  UByteT *items;
} F_UBytesT;

typedef struct F_PointT {
  MetricT x, y;
} F_PointT;

typedef struct F_PointsT {
  UIntT count;
  F_PointT *items;
} F_PointsT;

typedef struct F_TabT {
  MetricT x;      /* position */
  UByteT type;    /* 1 left, 2 centre, 3 right, 4 decimal */
  StringT leader; /* owned */
  UByteT decimal; /* decimal character */
} F_TabT;

typedef struct F_TabsT {
  UIntT count;
  F_TabT *items;
} F_TabsT;

typedef struct F_TextLocT {
  F_ObjHandleT objId;
  IntT offset;
} F_TextLocT;

typedef struct F_TextRangeT {
  F_TextLocT beg;
  F_TextLocT end;
} F_TextRangeT;

typedef struct F_ElementLocT {
  F_ObjHandleT parentId;
  F_ObjHandleT childId;
  IntT offset;
} F_ElementLocT;

typedef struct F_ElementRangeT {
  F_ElementLocT beg;
  F_ElementLocT end;
} F_ElementRangeT;

typedef struct F_ElementCatalogEntryT {
  F_ObjHandleT objId;
  IntT flags;
} F_ElementCatalogEntryT;

typedef struct F_ElementCatalogEntriesT {
  UIntT count;
  F_ElementCatalogEntryT *items;
} F_ElementCatalogEntriesT;

typedef struct F_AttributeDefT {
  StringT name;
  IntT required;
  IntT readOnly;
  IntT attrType;
  F_StringsT choices;
  F_StringsT defValues;
  StringT rangeMin;
  StringT rangeMax;
} F_AttributeDefT;

typedef struct F_AttributeDefsT {
  UIntT count;
  F_AttributeDefT *items;
} F_AttributeDefsT;

typedef struct F_AttributeT {
  StringT name;
  F_StringsT values;
  UByteT valFlags;
  UByteT allow;
} F_AttributeT;

typedef struct F_AttributesT {
  UIntT count;
  F_AttributeT *items;
} F_AttributesT;

typedef struct F_FontT {
  UIntT family;
  UIntT variation;
  UIntT weight;
  UIntT angle;
} F_FontT;

typedef struct F_FontsT {
  UIntT count;
  F_FontT *items;
} F_FontsT;

typedef struct F_CombinedFontT {
  UIntT combinedFamily;
  UIntT baseFamily;
  UIntT westernFamily;
  UIntT variant;
} F_CombinedFontT;

typedef struct F_CombinedFontsT {
  UIntT count;
  F_CombinedFontT *items;
} F_CombinedFontsT;

/* A property is named by its code, or by its name when the code is 0. `name` is sent only
 * when `num` is 0 and is null otherwise. */
typedef struct F_PropIdentT {
  IntT num;
  StringT name;
} F_PropIdentT;

/* A value of one of the TV_ types; `type` selects the union member. */
typedef struct F_TypedValT {
  IntT type;
  union {
    IntT ival; /* TV_Int, TV_Metric, TV_Id and every code without a member */
    StringT sval;
    F_MetricsT metrics;
    F_StringsT strings;
    F_PointsT points;
    F_TabsT tabs;
    F_TextLocT textLoc;
    F_TextRangeT textRange;
    F_ElementCatalogEntriesT catalog;
    F_IntsT ints;
    F_UBytesT ubytes;
    F_UIntsT uints;
    F_AttributeDefsT attrDefs;
    F_AttributesT attrs;
    F_ElementRangeT *elementRange; /* may be null */
  } u;
} F_TypedValT;

typedef struct F_PropValT {
  F_PropIdentT ident;
  F_TypedValT value;
} F_PropValT;

typedef struct F_PropValsT {
  UIntT count;
  F_PropValT *items;
} F_PropValsT;

/* One piece of a paragraph's text: a string when dataType is TI_String, else a number or
 * an object handle. */
typedef struct TextItemT {
  IntT offset;
  IntT dataType;
  union {
    StringT sdata;
    IntT idata;
  } data;
} TextItemT;

typedef struct TextItemsT {
  UIntT count;
  TextItemT *items;
} TextItemsT;

/* A filter command line cut at the record separator (byte 30): six slots, then the rest. */
typedef struct FilterArgsT {
  StringT args[6];
  F_StringsT more;
} FilterArgsT;

/* Memory of the interface layer. */
PtrT FapiMalloc(UIntT size);
PtrT FapiCalloc(UIntT count, UIntT size);
PtrT FapiRealloc(PtrT ptr, UIntT size);
VoidT F_ApiFree(PtrT ptr);

/* Strings. */
UIntT F_ApiStringLen(ConStringT s);
StringT F_ApiCopyString(ConStringT s);
VoidT F_ApiDeallocateString(StringT *sp);

/* Property lists. */
F_PropValsT F_ApiAllocatePropVals(IntT n);
IntT F_ApiGetPropIndex(const F_PropValsT *pvp, IntT propNum);
F_PropValT *F_ApiAppendVal(F_PropValsT *pvp, IntT propNum, const F_TypedValT *val);
F_PropValT *F_ApiAppendIntProp(F_PropValsT *pvp, IntT propNum, IntT i);
F_PropValT *F_ApiAppendMetricProp(F_PropValsT *pvp, IntT propNum, MetricT m);
F_PropValT *F_ApiAppendStringProp(F_PropValsT *pvp, IntT propNum, ConStringT s);
F_PropValT *F_ApiAppendStringsProp(F_PropValsT *pvp, IntT propNum, const F_StringsT *ss);
F_PropValsT F_ApiCopyPropVals(const F_PropValsT *src);
VoidT F_ApiDeallocatePropVals(F_PropValsT *pvp);
F_PropValT F_ApiCopyPropVal(const F_PropValT *src);
VoidT F_ApiDeallocatePropVal(F_PropValT *pvp);
F_TypedValT F_ApiCopyVal(const F_TypedValT *src);
VoidT F_ApiDeallocateVal(F_TypedValT *vp);

/* Copy and release of the other records. */
F_StringsT F_ApiCopyStrings(const F_StringsT *src);
VoidT F_ApiDeallocateStrings(F_StringsT *p);
F_UBytesT F_ApiCopyUBytes(const F_UBytesT *src);
VoidT F_ApiDeallocateUBytes(F_UBytesT *p);
F_MetricsT F_ApiCopyMetrics(const F_MetricsT *src);
VoidT F_ApiDeallocateMetrics(F_MetricsT *p);
F_IntsT F_ApiCopyInts(const F_IntsT *src);
VoidT F_ApiDeallocateInts(F_IntsT *p);
F_UIntsT F_ApiCopyUInts(const F_UIntsT *src);
VoidT F_ApiDeallocateUInts(F_UIntsT *p);
F_PointsT F_ApiCopyPoints(const F_PointsT *src);
VoidT F_ApiDeallocatePoints(F_PointsT *p);
F_ElementCatalogEntriesT F_ApiCopyElementCatalogEntries(const F_ElementCatalogEntriesT *src);
VoidT F_ApiDeallocateElementCatalogEntries(F_ElementCatalogEntriesT *p);
F_FontsT F_ApiCopyFonts(const F_FontsT *src);
VoidT F_ApiDeallocateFonts(F_FontsT *p);
F_CombinedFontsT F_ApiCopyCombinedFonts(const F_CombinedFontsT *src);
VoidT F_ApiDeallocateCombinedFonts(F_CombinedFontsT *p);
F_TabT F_ApiCopyTab(const F_TabT *src);
VoidT F_ApiDeallocateTab(F_TabT *p);
F_TabsT F_ApiCopyTabs(const F_TabsT *src);
VoidT F_ApiDeallocateTabs(F_TabsT *p);
F_AttributeDefT F_ApiCopyAttributeDef(const F_AttributeDefT *src);
VoidT F_ApiDeallocateAttributeDef(F_AttributeDefT *p);
F_AttributeDefsT F_ApiCopyAttributeDefs(const F_AttributeDefsT *src);
VoidT F_ApiDeallocateAttributeDefs(F_AttributeDefsT *p);
F_AttributeT F_ApiCopyAttribute(const F_AttributeT *src);
VoidT F_ApiDeallocateAttribute(F_AttributeT *p);
F_AttributesT F_ApiCopyAttributes(const F_AttributesT *src);
VoidT F_ApiDeallocateAttributes(F_AttributesT *p);
TextItemsT F_ApiAllocateTextItems(IntT n);
TextItemT F_ApiCopyTextItem(const TextItemT *src);
VoidT F_ApiDeallocateTextItem(TextItemT *p);
TextItemsT F_ApiCopyTextItems(const TextItemsT *src);
VoidT F_ApiDeallocateTextItems(TextItemsT *p);

/* Status bit of a parameter list returned by an open, save, import or update call. */
IntT F_ApiCheckStatus(const F_PropValsT *pvp, IntT statusBit);

/* Filter command lines. */
FilterArgsT *FdeApiExpandFilterArgs(ConStringT line);
VoidT FdeApiDeallocateFilterArgs(FilterArgsT *fa);

QUORVEX_END_DECLS

#endif /* QUORVEX_FAPITYPES_H */
