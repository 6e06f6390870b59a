// Simple open, new and save calls, and the default parameter lists of the host's operations.
//
// Every list is data: a table of (code, kind, value) entries turned into an F_PropValsT in
// table order. The codes and values are the host's; this layer only fixes which are sent.
#include <cstdlib>
#include <span>

#include "apiclib.h"

namespace {

enum class Kind { kInt, kMetric, kString, kTextRange };

struct Param {
  IntT code;
  IntT value = 0;
  Kind kind = Kind::kInt;
  ConStringT text = nullptr;  // kString: copied; null stays a null string
};

constexpr Param Str(IntT code, ConStringT text = nullptr) {
  return Param{code, 0, Kind::kString, text};
}
constexpr Param Metric(IntT code, MetricT value) {
  return Param{code, value, Kind::kMetric};
}

// Builds a new list from the table: exactly as many entries as the table has, or the empty
// list when that allocation failed.
F_PropValsT BuildList(std::span<const Param> table) {
  F_PropValsT list = F_ApiAllocatePropVals(static_cast<IntT>(table.size()));
  if (list.count == 0 || list.items == nullptr) return F_PropValsT{0, nullptr};
  UIntT filled = 0;
  for (const Param &p : table) {
    F_PropValT &e = list.items[filled++];
    e.ident.num = p.code;
    e.ident.name = nullptr;
    switch (p.kind) {
      case Kind::kInt:
        e.value.type = TV_Int;
        e.value.u.ival = p.value;
        break;
      case Kind::kMetric:
        e.value.type = TV_Metric;
        e.value.u.ival = p.value;
        break;
      case Kind::kString:
        e.value.type = TV_String;
        e.value.u.sval = p.text != nullptr ? F_ApiCopyString(p.text) : nullptr;
        break;
      case Kind::kTextRange:
        e.value.type = TV_TextRange;
        e.value.u.textRange = F_TextRangeT{};
        break;
    }
  }
  if (filled != list.count) abort();  // the allocation and the table disagree
  return list;
}

// Lists that the simple calls send.
constexpr Param kNewDoc[] = {{29, 1}};
constexpr Param kInteractiveOpen[] = {{1, 1},  {2, 1},  {14, 4}, {15, 4}, {16, 4}, {17, 4},
                                      {18, 4}, {19, 4}, {20, 4}, {21, 4}, {22, 4}, {23, 4},
                                      {28, 4}, {24, 4}, {25, 4}, {4, 1}};
constexpr Param kInteractiveNewDoc[] = {{1, 1},  {2, 1},  {14, 4}, {15, 4}, {16, 4}, {17, 4},
                                        {18, 4}, {19, 4}, {20, 4}, {21, 4}, {22, 4}, {23, 4},
                                        {28, 4}, {24, 4}, {25, 4}, {4, 1},  {29, 1}};
constexpr Param kInteractiveSave[] = {{4, 1}, {5, 0}, {8, 1}, {2, 1}};

// Default parameter lists.
constexpr Param kOpenDefaults[] = {
    {1, 0},   {5, 1},  {7, 0},  {8, 0},  {33, 0},  {43, 0}, {9, 0},  {10, 0}, {11, 0},
    {13, 0},  {2, 0},  {14, 0}, {15, 0}, {16, 12}, {17, 5}, {18, 0}, {19, 0}, {20, 0},
    {21, 5},  {22, 0}, {23, 0}, {28, 0}, {24, 0},  {25, 0}, {32, 0}, {26, 1}, {27, 0},
    {29, 0},  {6, 0},  {30, 0}, {42, 0}, {4, 0},   {3, 0},  {12, 0}, Str(31), {36, 12},
    {35, 12}, Str(34), {37, 0}, Str(38), Str(39),  {40, 0}, {41, 0}};
constexpr Param kSaveDefaults[] = {{1, 0},  {4, 1},  {5, 2},     {6, 2},  {7, 0},  {8, 0}, {10, 0},
                                   {9, 0},  {11, 1}, {13, 0666}, {2, 0},  {12, 0}, {3, 0}, {14, 0},
                                   Str(16), Str(18), {17, 0},    {20, 0}, {19, 0}, {21, 0}};
constexpr Param kImportDefaults[] = {{1, 0},        {2, 0},        {4, 5},
                                     {5, 0},        Str(6),        {7, 0},
                                     {8, 0},        {9, 0},        {10, 0},
                                     {11, 0},       {12, 0},       {33, 0},
                                     {43, 0},       {17, 0},       {13, 1},
                                     {15, 72},      {14, 1},       {16, 12},
                                     {18, 1},       {32, 1},       {37, 1},
                                     {19, 1},       Str(20),       {21, 10},
                                     {22, 1},       {23, 1},       {24, 1},
                                     Str(25),       {26, 1},       {27, 0},
                                     Str(29),       {30, 0},       {28, 1},
                                     {31, 1},       Str(34),       {3, 0},
                                     Str(35),       {36, 0},       Metric(38, 72 << 16),
                                     Metric(39, 0), Metric(40, 0), {41, 0}};
constexpr Param kExportDefaults[] = {
    {1, 0},  {2, 0},     {3, 0},   {4, 1},  {6, 0, Kind::kTextRange},
    {5, 8},  {7, 0},     {8, 0},   {9, 0},  {10, 0},
    {11, 1}, {13, 0666}, {15, 72}, {12, 1}, Str(14),
    Str(16)};
constexpr Param kUpdateBookDefaults[] = {{1, 1}, {2, 0}, {3, 1}, {6, 1},  {4, 0},  {5, 1},
                                         {7, 1}, {8, 1}, {9, 1}, {10, 1}, {11, 1}, {12, 0}};
constexpr Param kSpellDefaults[] = {
    {1005, 1},         {1000, 6137},   Str(1001, "!,.:;?"),         Str(1002, "!%),.:;?]}"),
    Str(1003, "$([{"), Str(1004, "."), Str(1006, "resultfile.dct"), {1007, 1}};

static_assert(std::size(kInteractiveOpen) == 16 && std::size(kOpenDefaults) == 43 &&
              std::size(kSaveDefaults) == 20 && std::size(kImportDefaults) == 42 &&
              std::size(kExportDefaults) == 16 && std::size(kUpdateBookDefaults) == 12 &&
              std::size(kSpellDefaults) == 8);

// The host's operations with their returned list; both lists are released before returning.
F_ObjHandleT OpenWith(ConStringT fileName, F_PropValsT params) {
  F_PropValsT *returned = nullptr;
  F_ObjHandleT doc = F_ApiOpen(fileName, &params, &returned);
  F_ApiDeallocatePropVals(&params);
  F_ApiDeallocatePropVals(returned);
  return doc;
}

F_ObjHandleT AllocFailed() {
  FA_errno = ERR_AllocFailed;
  return 0;
}

// Operation 9 of the dictionary calls lists its words.
constexpr IntT kDictListWords = 9;

}  // namespace

extern "C" {

F_ObjHandleT F_ApiSimpleNewDoc(ConStringT templateName, IntT interactive) {
  F_PropValsT params = interactive ? BuildList(kInteractiveNewDoc) : BuildList(kNewDoc);
  if (params.count == 0) return AllocFailed();
  return OpenWith(templateName, params);
}

F_ObjHandleT F_ApiSimpleOpen(ConStringT fileName, IntT interactive) {
  F_PropValsT params{0, nullptr};
  if (interactive) {
    params = BuildList(kInteractiveOpen);
    if (params.count == 0) return AllocFailed();
  }
  return OpenWith(fileName, params);
}

F_ObjHandleT F_ApiSimpleSave(F_ObjHandleT docId, ConStringT saveAsName, IntT interactive) {
  F_PropValsT params{0, nullptr};
  if (interactive) {
    params = BuildList(kInteractiveSave);
    if (params.count == 0) return AllocFailed();
  }
  F_PropValsT *returned = nullptr;
  F_ObjHandleT doc = F_ApiSave(docId, saveAsName, &params, &returned);
  F_ApiDeallocatePropVals(&params);
  F_ApiDeallocatePropVals(returned);
  return doc;
}

F_PropValsT F_ApiGetOpenDefaultParams(VoidT) {
  return BuildList(kOpenDefaults);
}
F_PropValsT F_ApiGetSaveDefaultParams(VoidT) {
  return BuildList(kSaveDefaults);
}
F_PropValsT F_ApiGetImportDefaultParams(VoidT) {
  return BuildList(kImportDefaults);
}
F_PropValsT F_ApiGetExportDefaultParams(VoidT) {
  return BuildList(kExportDefaults);
}
F_PropValsT F_ApiGetUpdateBookDefaultParams(VoidT) {
  return BuildList(kUpdateBookDefaults);
}
F_PropValsT F_ApiGetSpellDefaultParams(VoidT) {
  return BuildList(kSpellDefaults);
}

IntT F_ApiDictionaryOperation(F_ObjHandleT docId, ConStringT word, IntT flags, IntT operation) {
  if (operation == kDictListWords) return ERR_BadOperation;
  F_StringsT discarded{0, nullptr};
  IntT status = F_ApiDictionary(docId, word, flags, operation, &discarded);
  F_ApiDeallocateStrings(&discarded);
  return status;
}

F_StringsT F_ApiGetDictionaryStrings(F_ObjHandleT docId, IntT flags) {
  F_StringsT words{0, nullptr};
  (void)F_ApiDictionary(docId, nullptr, flags, kDictListWords, &words);
  return words;
}

}  // extern "C"
