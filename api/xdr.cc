// Hand encoders of the shared records: the list records (count then items), the typed value
// and its arms, the property identifier, the text item, the optional property list and the
// session connect argument. Each one codes, decodes and (under XDR_FREE) releases, like the
// encoders rpcgen writes, and each record is coded here and nowhere else.
//
// Decoding assumes a cleared record and always allocates fresh storage. A decode that fails
// part-way leaves the record consistent, so that xdr_free() releases exactly what was taken.
#include <cstdlib>
#include <cstring>

#include <quorvex/proto/fmtypes.h>

namespace {

template <typename Elem>
using ElemProc = bool_t (*)(XDR *, Elem *);

bool_t XdrInt(XDR *xdrs, IntT *p) {
  return xdr_int(xdrs, p);
}
bool_t XdrUInt(XDR *xdrs, UIntT *p) {
  return xdr_u_int(xdrs, p);
}
bool_t XdrStr(XDR *xdrs, StringT *p) {
  return xdr_StringT(xdrs, p);
}

// Frees elements [0, n) and the array.
template <typename Elem>
void FreeElems(Elem *items, UIntT n, ElemProc<Elem> elem) {
  XDR x{};
  x.x_op = XDR_FREE;
  for (UIntT i = 0; i < n; ++i) elem(&x, &items[i]);
  free(items);
}

// First room given to a received list; it then doubles as elements arrive.
constexpr UIntT kFirstRoom = 64;

template <typename Elem>
bool_t DecodeList(XDR *xdrs, UIntT *count, Elem **items, ElemProc<Elem> elem) {
  *items = nullptr;
  *count = 0;
  UIntT n = 0;
  if (!xdr_u_int(xdrs, &n) || n > QV_XDR_MAX_LIST) return FALSE;
  Elem *arr = nullptr;
  UIntT room = 0;
  for (UIntT i = 0; i < n; ++i) {
    if (i == room) {
      UIntT want = room == 0 ? kFirstRoom : room * 2;
      if (want > n) want = n;
      auto *grown = static_cast<Elem *>(realloc(arr, static_cast<size_t>(want) * sizeof(Elem)));
      if (grown == nullptr) {
        FreeElems(arr, i, elem);
        return FALSE;
      }
      memset(static_cast<void *>(grown + room), 0, static_cast<size_t>(want - room) * sizeof(Elem));
      arr = grown;
      room = want;
    }
    if (!elem(xdrs, &arr[i])) {
      FreeElems(arr, i + 1, elem);  // the failed element may hold part of itself
      return FALSE;
    }
  }
  *items = arr;
  *count = n;
  return TRUE;
}

// A list: 4-byte count, then the elements. A list whose items is null is sent empty.
template <typename Elem>
bool_t CodeList(XDR *xdrs, UIntT *count, Elem **items, ElemProc<Elem> elem) {
  if (count == nullptr || items == nullptr) return FALSE;
  switch (xdrs->x_op) {
    case XDR_ENCODE: {
      UIntT n = *items != nullptr ? *count : 0;
      if (n > QV_XDR_MAX_LIST || !xdr_u_int(xdrs, &n)) return FALSE;
      for (UIntT i = 0; i < n; ++i)
        if (!elem(xdrs, &(*items)[i])) return FALSE;
      return TRUE;
    }
    case XDR_DECODE:
      return DecodeList(xdrs, count, items, elem);
    case XDR_FREE:
      if (*items != nullptr) FreeElems(*items, *count, elem);
      *items = nullptr;
      *count = 0;
      return TRUE;
  }
  return FALSE;
}

// An optional record: flag 0 (absent) or 1 (present, then the record). Any other flag fails.
template <typename Rec>
bool_t CodeOptional(XDR *xdrs, Rec **p, ElemProc<Rec> rec) {
  if (p == nullptr) return FALSE;
  switch (xdrs->x_op) {
    case XDR_ENCODE: {
      u_int flag = *p != nullptr ? 1 : 0;
      if (!xdr_u_int(xdrs, &flag)) return FALSE;
      return flag == 0 || rec(xdrs, *p);
    }
    case XDR_DECODE: {
      *p = nullptr;
      u_int flag = 0;
      if (!xdr_u_int(xdrs, &flag) || flag > 1) return FALSE;
      if (flag == 0) return TRUE;
      *p = static_cast<Rec *>(calloc(1, sizeof(Rec)));
      return *p != nullptr && rec(xdrs, *p);
    }
    case XDR_FREE:
      if (*p != nullptr) {
        rec(xdrs, *p);
        free(*p);
      }
      *p = nullptr;
      return TRUE;
  }
  return FALSE;
}

}  // namespace

extern "C" {

bool_t xdr_F_StringsT(XDR *xdrs, F_StringsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, XdrStr);
}
bool_t xdr_F_IntsT(XDR *xdrs, F_IntsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, XdrInt);
}
bool_t xdr_F_UIntsT(XDR *xdrs, F_UIntsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, XdrUInt);
}
bool_t xdr_F_MetricsT(XDR *xdrs, F_MetricsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, XdrInt);
}
bool_t xdr_F_UBytesT(XDR *xdrs, F_UBytesT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_UByteT);
}

bool_t xdr_F_PointT(XDR *xdrs, F_PointT *p) {
  return p != nullptr && xdr_int(xdrs, &p->x) && xdr_int(xdrs, &p->y);
}
bool_t xdr_F_PointsT(XDR *xdrs, F_PointsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_PointT);
}

bool_t xdr_F_TabT(XDR *xdrs, F_TabT *p) {
  return p != nullptr && xdr_int(xdrs, &p->x) && xdr_UByteT(xdrs, &p->type) &&
         xdr_StringT(xdrs, &p->leader) && xdr_UByteT(xdrs, &p->decimal);
}
bool_t xdr_F_TabsT(XDR *xdrs, F_TabsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_TabT);
}

bool_t xdr_F_TextLocT(XDR *xdrs, F_TextLocT *p) {
  return p != nullptr && xdr_u_int(xdrs, &p->objId) && xdr_int(xdrs, &p->offset);
}
bool_t xdr_F_TextRangeT(XDR *xdrs, F_TextRangeT *p) {
  return p != nullptr && xdr_F_TextLocT(xdrs, &p->beg) && xdr_F_TextLocT(xdrs, &p->end);
}
bool_t xdr_F_ElementLocT(XDR *xdrs, F_ElementLocT *p) {
  return p != nullptr && xdr_u_int(xdrs, &p->parentId) && xdr_u_int(xdrs, &p->childId) &&
         xdr_int(xdrs, &p->offset);
}
bool_t xdr_F_ElementRangeT(XDR *xdrs, F_ElementRangeT *p) {
  return p != nullptr && xdr_F_ElementLocT(xdrs, &p->beg) && xdr_F_ElementLocT(xdrs, &p->end);
}

bool_t xdr_F_ElementCatalogEntryT(XDR *xdrs, F_ElementCatalogEntryT *p) {
  return p != nullptr && xdr_u_int(xdrs, &p->objId) && xdr_int(xdrs, &p->flags);
}
bool_t xdr_F_ElementCatalogEntriesT(XDR *xdrs, F_ElementCatalogEntriesT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_ElementCatalogEntryT);
}

bool_t xdr_F_AttributeDefT(XDR *xdrs, F_AttributeDefT *p) {
  return p != nullptr && xdr_StringT(xdrs, &p->name) && xdr_int(xdrs, &p->required) &&
         xdr_int(xdrs, &p->readOnly) && xdr_int(xdrs, &p->attrType) &&
         xdr_F_StringsT(xdrs, &p->choices) && xdr_F_StringsT(xdrs, &p->defValues) &&
         xdr_StringT(xdrs, &p->rangeMin) && xdr_StringT(xdrs, &p->rangeMax);
}
bool_t xdr_F_AttributeDefsT(XDR *xdrs, F_AttributeDefsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_AttributeDefT);
}

bool_t xdr_F_AttributeT(XDR *xdrs, F_AttributeT *p) {
  return p != nullptr && xdr_StringT(xdrs, &p->name) && xdr_F_StringsT(xdrs, &p->values) &&
         xdr_UByteT(xdrs, &p->valFlags) && xdr_UByteT(xdrs, &p->allow);
}
bool_t xdr_F_AttributesT(XDR *xdrs, F_AttributesT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_AttributeT);
}

bool_t xdr_F_FontT(XDR *xdrs, F_FontT *p) {
  return p != nullptr && xdr_u_int(xdrs, &p->family) && xdr_u_int(xdrs, &p->variation) &&
         xdr_u_int(xdrs, &p->weight) && xdr_u_int(xdrs, &p->angle);
}
bool_t xdr_F_FontsT(XDR *xdrs, F_FontsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_FontT);
}
bool_t xdr_F_CombinedFontT(XDR *xdrs, F_CombinedFontT *p) {
  return p != nullptr && xdr_u_int(xdrs, &p->combinedFamily) && xdr_u_int(xdrs, &p->baseFamily) &&
         xdr_u_int(xdrs, &p->westernFamily) && xdr_u_int(xdrs, &p->variant);
}
bool_t xdr_F_CombinedFontsT(XDR *xdrs, F_CombinedFontsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_CombinedFontT);
}

// The name travels only when the code is 0; with any other code a name held in memory is
// neither sent nor, on release, freed (decoding never allocated it).
bool_t xdr_F_PropIdentT(XDR *xdrs, F_PropIdentT *p) {
  if (p == nullptr || !xdr_int(xdrs, &p->num)) return FALSE;
  if (p->num != 0) return TRUE;
  return xdr_StringT(xdrs, &p->name);
}

// The arm follows the type code just coded; codes without an arm carry one int, the first
// word of the value.
bool_t xdr_F_TypedValT(XDR *xdrs, F_TypedValT *p) {
  if (p == nullptr || !xdr_int(xdrs, &p->type)) return FALSE;
  auto &u = p->u;
  switch (p->type) {
    case TV_String:
      return xdr_StringT(xdrs, &u.sval);
    case TV_Metrics:
      return xdr_F_MetricsT(xdrs, &u.metrics);
    case TV_Strings:
      return xdr_F_StringsT(xdrs, &u.strings);
    case TV_Points:
      return xdr_F_PointsT(xdrs, &u.points);
    case TV_Tabs:
      return xdr_F_TabsT(xdrs, &u.tabs);
    case TV_TextLoc:
      return xdr_F_TextLocT(xdrs, &u.textLoc);
    case TV_TextRange:
      return xdr_F_TextRangeT(xdrs, &u.textRange);
    case TV_ElementCatalog:
      return xdr_F_ElementCatalogEntriesT(xdrs, &u.catalog);
    case TV_Ints:
      return xdr_F_IntsT(xdrs, &u.ints);
    case TV_UBytes:
      return xdr_F_UBytesT(xdrs, &u.ubytes);
    case TV_UInts:
      return xdr_F_UIntsT(xdrs, &u.uints);
    case TV_AttributeDefs:
      return xdr_F_AttributeDefsT(xdrs, &u.attrDefs);
    case TV_Attributes:
      return xdr_F_AttributesT(xdrs, &u.attrs);
    case TV_ElementRange:
      return CodeOptional(xdrs, &u.elementRange, xdr_F_ElementRangeT);
    default:
      return xdr_int(xdrs, &u.ival);
  }
}

bool_t xdr_F_PropValT(XDR *xdrs, F_PropValT *p) {
  return p != nullptr && xdr_F_PropIdentT(xdrs, &p->ident) && xdr_F_TypedValT(xdrs, &p->value);
}
bool_t xdr_F_PropValsT(XDR *xdrs, F_PropValsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_F_PropValT);
}

bool_t xdr_OptPropValsT(XDR *xdrs, OptPropValsT *p) {
  return CodeOptional(xdrs, p, xdr_F_PropValsT);
}

bool_t xdr_TextItemT(XDR *xdrs, TextItemT *p) {
  if (p == nullptr || !xdr_int(xdrs, &p->offset) || !xdr_int(xdrs, &p->dataType)) return FALSE;
  if (p->dataType == TI_String) return xdr_StringT(xdrs, &p->data.sdata);
  return xdr_int(xdrs, &p->data.idata);
}
bool_t xdr_TextItemsT(XDR *xdrs, TextItemsT *p) {
  return p != nullptr && CodeList(xdrs, &p->count, &p->items, xdr_TextItemT);
}

// Wire order: name, address, process id (the reverse of the fields in memory).
bool_t xdr_FmRpcApiConnectArgT(XDR *xdrs, FmRpcApiConnectArgT *p) {
  return p != nullptr && xdr_StringT(xdrs, &p->name) && xdr_StringT(xdrs, &p->address) &&
         xdr_int(xdrs, &p->pid);
}

}  // extern "C"
