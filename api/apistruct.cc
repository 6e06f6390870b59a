// Allocation, search, deep copy and release of the interface records.
//
// Every copy is deep: the copy owns its own texts, arrays and element range. Every release
// leaves the record empty (null pointers, count 0), so releasing twice is harmless, and
// accepts a null record pointer.
#include <cstring>

#include <quorvex/fapiruntime.h>
#include <quorvex/fapitypes.h>

namespace {

// --- generic list copy and release -------------------------------------------------------

template <typename Elem>
Elem CopyFlat(const Elem *e) {
  return *e;
}

template <typename Elem>
void ReleaseNothing(Elem *) {}

// Copies a list record. A source whose items is null is empty and copies as empty. When the
// array cannot be allocated the copy keeps the source's count with null items, which every
// routine here reads as empty.
template <typename List, typename Elem>
List CopyList(const List *src, Elem (*copy)(const Elem *)) {
  List out{};
  if (src == nullptr || src->items == nullptr || src->count == 0) return out;
  out.count = src->count;
  out.items = static_cast<Elem *>(FapiCalloc(src->count, sizeof(Elem)));
  if (out.items == nullptr) return out;
  for (UIntT i = 0; i < src->count; ++i) out.items[i] = copy(&src->items[i]);
  return out;
}

// Releases what each element owns, from the last to the first, then the array.
template <typename List, typename Elem>
void ReleaseList(List *list, void (*release)(Elem *)) {
  if (list == nullptr) return;
  if (list->items != nullptr) {
    for (UIntT i = list->count; i > 0; --i) release(&list->items[i - 1]);
    F_ApiFree(list->items);
  }
  list->items = nullptr;
  list->count = 0;
}

StringT CopyStr(const StringT *s) {
  return F_ApiCopyString(*s);
}
void ReleaseStr(StringT *s) {
  F_ApiDeallocateString(s);
}

// Capacity of a property list about to hold count + 1 entries: 8 below 8, else the
// smallest of 16, 32, 64, ... above count.
UIntT AppendCapacity(UIntT count) {
  if (count < 8) return 8;
  UIntT cap = 16;
  while (cap <= count && cap < 0x80000000u) cap *= 2;
  return cap;
}

}  // namespace

extern "C" {

// The runtime defines the process-wide error code; this default lets a program that uses only
// the records (a tool, a test, a fuzz target) link without it.
__attribute__((weak)) IntT FA_errno = 0;

// --- flat lists --------------------------------------------------------------------------

F_StringsT F_ApiCopyStrings(const F_StringsT *src) {
  return CopyList(src, CopyStr);
}
VoidT F_ApiDeallocateStrings(F_StringsT *p) {
  ReleaseList(p, ReleaseStr);
}

F_UBytesT F_ApiCopyUBytes(const F_UBytesT *src) {
  return CopyList(src, CopyFlat<UByteT>);
}
VoidT F_ApiDeallocateUBytes(F_UBytesT *p) {
  ReleaseList(p, ReleaseNothing<UByteT>);
}

F_MetricsT F_ApiCopyMetrics(const F_MetricsT *src) {
  return CopyList(src, CopyFlat<MetricT>);
}
VoidT F_ApiDeallocateMetrics(F_MetricsT *p) {
  ReleaseList(p, ReleaseNothing<MetricT>);
}

F_IntsT F_ApiCopyInts(const F_IntsT *src) {
  return CopyList(src, CopyFlat<IntT>);
}
VoidT F_ApiDeallocateInts(F_IntsT *p) {
  ReleaseList(p, ReleaseNothing<IntT>);
}

F_UIntsT F_ApiCopyUInts(const F_UIntsT *src) {
  return CopyList(src, CopyFlat<UIntT>);
}
VoidT F_ApiDeallocateUInts(F_UIntsT *p) {
  ReleaseList(p, ReleaseNothing<UIntT>);
}

F_PointsT F_ApiCopyPoints(const F_PointsT *src) {
  return CopyList(src, CopyFlat<F_PointT>);
}
VoidT F_ApiDeallocatePoints(F_PointsT *p) {
  ReleaseList(p, ReleaseNothing<F_PointT>);
}

F_ElementCatalogEntriesT F_ApiCopyElementCatalogEntries(const F_ElementCatalogEntriesT *src) {
  return CopyList(src, CopyFlat<F_ElementCatalogEntryT>);
}
VoidT F_ApiDeallocateElementCatalogEntries(F_ElementCatalogEntriesT *p) {
  ReleaseList(p, ReleaseNothing<F_ElementCatalogEntryT>);
}

F_FontsT F_ApiCopyFonts(const F_FontsT *src) {
  return CopyList(src, CopyFlat<F_FontT>);
}
VoidT F_ApiDeallocateFonts(F_FontsT *p) {
  ReleaseList(p, ReleaseNothing<F_FontT>);
}

F_CombinedFontsT F_ApiCopyCombinedFonts(const F_CombinedFontsT *src) {
  return CopyList(src, CopyFlat<F_CombinedFontT>);
}
VoidT F_ApiDeallocateCombinedFonts(F_CombinedFontsT *p) {
  ReleaseList(p, ReleaseNothing<F_CombinedFontT>);
}

// --- tabs, attribute definitions, attributes ---------------------------------------------

F_TabT F_ApiCopyTab(const F_TabT *src) {
  F_TabT out{};
  if (src == nullptr) return out;
  out = *src;
  out.leader = F_ApiCopyString(src->leader);
  return out;
}
VoidT F_ApiDeallocateTab(F_TabT *p) {
  if (p != nullptr) F_ApiDeallocateString(&p->leader);
}
F_TabsT F_ApiCopyTabs(const F_TabsT *src) {
  return CopyList(src, F_ApiCopyTab);
}
VoidT F_ApiDeallocateTabs(F_TabsT *p) {
  ReleaseList(p, F_ApiDeallocateTab);
}

F_AttributeDefT F_ApiCopyAttributeDef(const F_AttributeDefT *src) {
  F_AttributeDefT out{};
  if (src == nullptr) return out;
  out.name = F_ApiCopyString(src->name);
  out.required = src->required;
  out.readOnly = src->readOnly;
  out.attrType = src->attrType;
  out.choices = F_ApiCopyStrings(&src->choices);
  out.defValues = F_ApiCopyStrings(&src->defValues);
  out.rangeMin = F_ApiCopyString(src->rangeMin);
  out.rangeMax = F_ApiCopyString(src->rangeMax);
  return out;
}
VoidT F_ApiDeallocateAttributeDef(F_AttributeDefT *p) {
  if (p == nullptr) return;
  F_ApiDeallocateString(&p->name);
  F_ApiDeallocateStrings(&p->choices);
  F_ApiDeallocateStrings(&p->defValues);
  F_ApiDeallocateString(&p->rangeMin);
  F_ApiDeallocateString(&p->rangeMax);
}
F_AttributeDefsT F_ApiCopyAttributeDefs(const F_AttributeDefsT *src) {
  return CopyList(src, F_ApiCopyAttributeDef);
}
VoidT F_ApiDeallocateAttributeDefs(F_AttributeDefsT *p) {
  ReleaseList(p, F_ApiDeallocateAttributeDef);
}

F_AttributeT F_ApiCopyAttribute(const F_AttributeT *src) {
  F_AttributeT out{};
  if (src == nullptr) return out;
  out.name = F_ApiCopyString(src->name);
  out.values = F_ApiCopyStrings(&src->values);
  out.valFlags = src->valFlags;
  out.allow = src->allow;
  return out;
}
VoidT F_ApiDeallocateAttribute(F_AttributeT *p) {
  if (p == nullptr) return;
  F_ApiDeallocateString(&p->name);
  F_ApiDeallocateStrings(&p->values);
}
F_AttributesT F_ApiCopyAttributes(const F_AttributesT *src) {
  return CopyList(src, F_ApiCopyAttribute);
}
VoidT F_ApiDeallocateAttributes(F_AttributesT *p) {
  ReleaseList(p, F_ApiDeallocateAttribute);
}

// --- text items --------------------------------------------------------------------------

// A zeroed array of n entries, of one entry when n is 0; count 0 when the allocation fails.
TextItemsT F_ApiAllocateTextItems(IntT n) {
  TextItemsT out{};
  if (n < 0) return out;
  out.items =
      static_cast<TextItemT *>(FapiCalloc(n == 0 ? 1 : static_cast<UIntT>(n), sizeof(TextItemT)));
  if (out.items != nullptr) out.count = static_cast<UIntT>(n);
  return out;
}

TextItemT F_ApiCopyTextItem(const TextItemT *src) {
  TextItemT out{};
  if (src == nullptr) {
    out.dataType = TI_String;
    return out;
  }
  out.offset = src->offset;
  out.dataType = src->dataType;
  if (src->dataType == TI_String)
    out.data.sdata = F_ApiCopyString(src->data.sdata);
  else
    out.data.idata = src->data.idata;
  return out;
}
VoidT F_ApiDeallocateTextItem(TextItemT *p) {
  if (p != nullptr && p->dataType == TI_String) F_ApiDeallocateString(&p->data.sdata);
}

TextItemsT F_ApiCopyTextItems(const TextItemsT *src) {
  IntT n = src != nullptr && src->items != nullptr ? static_cast<IntT>(src->count) : 0;
  if (n < 0) return TextItemsT{};  // more entries than a count can say: nothing sound to copy
  TextItemsT out = F_ApiAllocateTextItems(n);
  for (UIntT i = 0; i < out.count; ++i) out.items[i] = F_ApiCopyTextItem(&src->items[i]);
  return out;
}
VoidT F_ApiDeallocateTextItems(TextItemsT *p) {
  ReleaseList(p, F_ApiDeallocateTextItem);
}

// --- typed values ------------------------------------------------------------------------

F_TypedValT F_ApiCopyVal(const F_TypedValT *src) {
  F_TypedValT out{};
  if (src == nullptr) {
    out.type = TV_Int;
    return out;
  }
  out.type = src->type;
  const auto &s = src->u;
  auto &d = out.u;
  switch (src->type) {
    case TV_String:
      d.sval = F_ApiCopyString(s.sval);
      break;
    case TV_Metrics:
      d.metrics = F_ApiCopyMetrics(&s.metrics);
      break;
    case TV_Strings:
      d.strings = F_ApiCopyStrings(&s.strings);
      break;
    case TV_Points:
      d.points = F_ApiCopyPoints(&s.points);
      break;
    case TV_Tabs:
      d.tabs = F_ApiCopyTabs(&s.tabs);
      break;
    case TV_TextLoc:
      d.textLoc = s.textLoc;
      break;
    case TV_TextRange:
      d.textRange = s.textRange;
      break;
    case TV_ElementCatalog:
      d.catalog = F_ApiCopyElementCatalogEntries(&s.catalog);
      break;
    case TV_Ints:
      d.ints = F_ApiCopyInts(&s.ints);
      break;
    case TV_UBytes:
      d.ubytes = F_ApiCopyUBytes(&s.ubytes);
      break;
    case TV_UInts:
      d.uints = F_ApiCopyUInts(&s.uints);
      break;
    case TV_AttributeDefs:
      d.attrDefs = F_ApiCopyAttributeDefs(&s.attrDefs);
      break;
    case TV_Attributes:
      d.attrs = F_ApiCopyAttributes(&s.attrs);
      break;
    case TV_ElementRange:
      if (s.elementRange != nullptr) {
        d.elementRange = static_cast<F_ElementRangeT *>(FapiCalloc(1, sizeof(F_ElementRangeT)));
        if (d.elementRange != nullptr) *d.elementRange = *s.elementRange;
      }
      break;
    default:
      // TV_Int, TV_Metric, TV_Id and the codes without a member: the one word they carry.
      d.ival = s.ival;
      break;
  }
  return out;
}

VoidT F_ApiDeallocateVal(F_TypedValT *vp) {
  if (vp == nullptr) return;
  auto &u = vp->u;
  switch (vp->type) {
    case TV_String:
      F_ApiDeallocateString(&u.sval);
      break;
    case TV_Metrics:
      F_ApiDeallocateMetrics(&u.metrics);
      break;
    case TV_Strings:
      F_ApiDeallocateStrings(&u.strings);
      break;
    case TV_Points:
      F_ApiDeallocatePoints(&u.points);
      break;
    case TV_Tabs:
      F_ApiDeallocateTabs(&u.tabs);
      break;
    case TV_ElementCatalog:
      F_ApiDeallocateElementCatalogEntries(&u.catalog);
      break;
    case TV_Ints:
      F_ApiDeallocateInts(&u.ints);
      break;
    case TV_UBytes:
      F_ApiDeallocateUBytes(&u.ubytes);
      break;
    case TV_UInts:
      F_ApiDeallocateUInts(&u.uints);
      break;
    case TV_AttributeDefs:
      F_ApiDeallocateAttributeDefs(&u.attrDefs);
      break;
    case TV_Attributes:
      F_ApiDeallocateAttributes(&u.attrs);
      break;
    case TV_ElementRange:
      F_ApiFree(u.elementRange);
      u.elementRange = nullptr;
      break;
    default:
      break;
  }
}

// --- property values and lists -----------------------------------------------------------

F_PropValT F_ApiCopyPropVal(const F_PropValT *src) {
  F_PropValT out{};
  if (src == nullptr) {
    out.value.type = TV_Int;
    return out;
  }
  out.ident.num = src->ident.num;
  out.ident.name = src->ident.name != nullptr ? F_ApiCopyString(src->ident.name) : nullptr;
  out.value = F_ApiCopyVal(&src->value);
  return out;
}

VoidT F_ApiDeallocatePropVal(F_PropValT *pvp) {
  if (pvp == nullptr) return;
  F_ApiDeallocateString(&pvp->ident.name);
  F_ApiDeallocateVal(&pvp->value);
}

F_PropValsT F_ApiAllocatePropVals(IntT n) {
  F_PropValsT out{};
  if (n <= 0) return out;
  out.items = static_cast<F_PropValT *>(FapiCalloc(static_cast<UIntT>(n), sizeof(F_PropValT)));
  if (out.items != nullptr) out.count = static_cast<UIntT>(n);
  return out;
}

F_PropValsT F_ApiCopyPropVals(const F_PropValsT *src) {
  IntT n = src != nullptr && src->items != nullptr ? static_cast<IntT>(src->count) : 0;
  F_PropValsT out = F_ApiAllocatePropVals(n);
  for (UIntT i = 0; i < out.count; ++i) out.items[i] = F_ApiCopyPropVal(&src->items[i]);
  return out;
}

VoidT F_ApiDeallocatePropVals(F_PropValsT *pvp) {
  if (pvp == nullptr) return;
  if (pvp->items != nullptr) {
    for (UIntT i = 0; i < pvp->count; ++i) F_ApiDeallocatePropVal(&pvp->items[i]);
    F_ApiFree(pvp->items);
  }
  pvp->items = nullptr;
  pvp->count = 0;
}

IntT F_ApiGetPropIndex(const F_PropValsT *pvp, IntT propNum) {
  if (pvp == nullptr || pvp->items == nullptr) return ERR_PropNotFound;
  for (UIntT i = 0; i < pvp->count; ++i)
    if (pvp->items[i].ident.num == propNum) return static_cast<IntT>(i);
  return ERR_PropNotFound;
}

// The value is copied before the list is touched, so it may point into the list itself.
// When the array cannot grow the list is left as it was and the result is null.
F_PropValT *F_ApiAppendVal(F_PropValsT *pvp, IntT propNum, const F_TypedValT *val) {
  if (pvp == nullptr) return nullptr;
  F_TypedValT copy = F_ApiCopyVal(val);
  F_PropValT *entry = nullptr;
  IntT at = F_ApiGetPropIndex(pvp, propNum);
  if (at >= 0) {
    entry = &pvp->items[at];
    F_ApiDeallocatePropVal(entry);
  } else {
    UIntT count = pvp->items != nullptr ? pvp->count : 0;
    UIntT cap = AppendCapacity(count);
    if (cap <= count || cap > 0xFFFFFFFFu / sizeof(F_PropValT)) {
      F_ApiDeallocateVal(&copy);
      return nullptr;
    }
    auto *grown = static_cast<F_PropValT *>(
        FapiRealloc(pvp->items, static_cast<UIntT>(cap * sizeof(F_PropValT))));
    if (grown == nullptr) {
      F_ApiDeallocateVal(&copy);
      return nullptr;
    }
    pvp->items = grown;
    entry = &grown[count];
    pvp->count = count + 1;
  }
  entry->ident.num = propNum;
  entry->ident.name = nullptr;
  entry->value = copy;
  return entry;
}

F_PropValT *F_ApiAppendIntProp(F_PropValsT *pvp, IntT propNum, IntT i) {
  F_TypedValT v{};
  v.type = TV_Int;
  v.u.ival = i;
  return F_ApiAppendVal(pvp, propNum, &v);
}

F_PropValT *F_ApiAppendMetricProp(F_PropValsT *pvp, IntT propNum, MetricT m) {
  F_TypedValT v{};
  v.type = TV_Metric;
  v.u.ival = m;
  return F_ApiAppendVal(pvp, propNum, &v);
}

F_PropValT *F_ApiAppendStringProp(F_PropValsT *pvp, IntT propNum, ConStringT s) {
  F_TypedValT v{};
  v.type = TV_String;
  v.u.sval = const_cast<StringT>(s);  // only read: the list gets its own copy
  return F_ApiAppendVal(pvp, propNum, &v);
}

F_PropValT *F_ApiAppendStringsProp(F_PropValsT *pvp, IntT propNum, const F_StringsT *ss) {
  F_TypedValT v{};
  v.type = TV_Strings;
  if (ss != nullptr) v.u.strings = *ss;  // only read: the list gets its own copy
  return F_ApiAppendVal(pvp, propNum, &v);
}

// --- status bits of returned parameter lists ---------------------------------------------

// The status is the F_IntsT (or F_UIntsT) value of property 3, else of property 1. An entry
// of another value type holds no status words and is read as no bits.
IntT F_ApiCheckStatus(const F_PropValsT *pvp, IntT statusBit) {
  IntT at = F_ApiGetPropIndex(pvp, 3);
  if (at < 0) at = F_ApiGetPropIndex(pvp, 1);
  if (at < 0) {
    FA_errno = ERR_NoStatus;
    return 0;
  }
  const F_TypedValT &v = pvp->items[at].value;
  if ((v.type == TV_Ints || v.type == TV_UInts) && v.u.ints.items != nullptr) {
    uint64_t bits = static_cast<uint64_t>(v.u.ints.count) * 32u;
    auto bit = static_cast<UIntT>(statusBit);
    if (bits > bit) return (static_cast<UIntT>(v.u.ints.items[bit / 32]) >> (bit % 32)) & 1u;
  }
  FA_errno = ERR_PropNotFound;
  return 0;
}

// --- filter command lines ----------------------------------------------------------------

// Pieces cut at byte 30; the first six fill the slots, the rest go to the list, which grows
// by 16 entries at a time. A piece that finds no memory is dropped.
FilterArgsT *FdeApiExpandFilterArgs(ConStringT line) {
  auto *fa = static_cast<FilterArgsT *>(FapiCalloc(1, sizeof(FilterArgsT)));
  if (fa == nullptr) return nullptr;
  const char *p = line != nullptr ? line : "";
  for (;;) {
    const char *end = strchr(p, 30);
    size_t n = end != nullptr ? static_cast<size_t>(end - p) : strlen(p);
    auto *piece = static_cast<StringT>(FapiMalloc(static_cast<UIntT>(n + 1)));
    if (piece != nullptr) {
      memcpy(piece, p, n);
      piece[n] = '\0';
      size_t slot = 0;
      while (slot < 6 && fa->args[slot] != nullptr) ++slot;
      if (slot < 6) {
        fa->args[slot] = piece;
      } else {
        F_StringsT &more = fa->more;
        if (more.count % 16 == 0) {
          auto *grown = static_cast<StringT *>(FapiCalloc(more.count + 16, sizeof(StringT)));
          if (grown != nullptr) {
            if (more.items != nullptr) memcpy(grown, more.items, more.count * sizeof(StringT));
            F_ApiFree(more.items);
            more.items = grown;
          }
          if (grown == nullptr) {
            F_ApiFree(piece);
            piece = nullptr;
          }
        }
        if (piece != nullptr) more.items[more.count++] = piece;
      }
    }
    if (end == nullptr) break;
    p = end + 1;
  }
  return fa;
}

VoidT FdeApiDeallocateFilterArgs(FilterArgsT *fa) {
  if (fa == nullptr) return;
  for (StringT &s : fa->args) F_ApiDeallocateString(&s);
  F_ApiDeallocateStrings(&fa->more);
}

}  // extern "C"
