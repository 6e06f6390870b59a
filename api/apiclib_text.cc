// Interface calls on text, spelling and structure elements.
#include "apiclib.h"

using namespace qvcalls;

// Element operations on the current selection of a document; the host answers only a status,
// which is stored.
#define QV_ELEMENT_OPERATION(name, stub) \
  VoidT name(F_ObjHandleT docId) {       \
    Set<stub>(docId);                    \
  }

extern "C" {

// ---- Text ----

F_TextLocT F_ApiAddText(F_ObjHandleT docId, const F_TextLocT *textLocp, ConStringT text) {
  return Get<api_fm_add_text_1>(docId, textLocp, text);
}

IntT F_ApiDeleteText(F_ObjHandleT docId, const F_TextRangeT *textRangep) {
  return Status<api_fm_delete_text_1>(docId, textRangep);
}

IntT F_ApiScrollToText(F_ObjHandleT docId, const F_TextRangeT *textRangep) {
  return Status<api_fm_scroll_to_text_1>(docId, textRangep);
}

IntT F_ApiCenterOnText(F_ObjHandleT docId, const F_TextRangeT *textRangep) {
  return Status<api_fm_center_on_text_1>(docId, textRangep);
}

TextItemsT F_ApiGetText(F_ObjHandleT docId, F_ObjHandleT objId, UIntT flags) {
  return Get<api_fm_get_text_1>(docId, objId, flags);
}

TextItemsT F_ApiGetText2(F_ObjHandleT docId, F_ObjHandleT objId, UIntT flags, UIntT flags2) {
  return Get<api_fm_get_text2_1>(docId, objId, flags, flags2);
}

TextItemsT F_ApiGetTextForRange(F_ObjHandleT docId, const F_TextRangeT *textRangep, UIntT flags) {
  return Get<api_fm_get_text_for_range_1>(docId, textRangep, flags);
}

TextItemsT F_ApiGetTextForRange2(F_ObjHandleT docId, const F_TextRangeT *textRangep, UIntT flags,
                                 UIntT flags2) {
  return Get<api_fm_get_text_for_range2_1>(docId, textRangep, flags, flags2);
}

F_TypedValT F_ApiGetTextVal(F_ObjHandleT docId, const F_TextLocT *textLocp, IntT propNum) {
  return Get<api_fm_get_text_val_1>(docId, textLocp, Prop(propNum));
}

VoidT F_ApiSetTextVal(F_ObjHandleT docId, const F_TextRangeT *textRangep, IntT propNum,
                      const F_TypedValT *value) {
  Set<api_fm_set_text_val_1>(docId, textRangep, Prop(propNum), value);
}

F_PropValT F_ApiGetTextPropVal(F_ObjHandleT docId, const F_TextLocT *textLocp, IntT propNum) {
  return Get<api_fm_get_text_prop_1>(docId, textLocp, Prop(propNum));
}

VoidT F_ApiSetTextPropVal(F_ObjHandleT docId, const F_TextRangeT *textRangep,
                          const F_PropValT *value) {
  // The record names the property twice: on its own and inside the value.
  Set<api_fm_set_text_prop_1>(docId, textRangep, value != nullptr ? value->ident : Prop(0), value);
}

F_PropValsT F_ApiGetTextProps(F_ObjHandleT docId, const F_TextLocT *textLocp) {
  return Get<api_fm_get_text_props_1>(docId, textLocp);
}

VoidT F_ApiSetTextProps(F_ObjHandleT docId, const F_TextRangeT *textRangep,
                        const F_PropValsT *props) {
  Set<api_fm_set_text_props_1>(docId, textRangep, props);
}

F_TextRangeT F_ApiFind(F_ObjHandleT docId, const F_TextLocT *textLocp,
                       const F_PropValsT *findParamsp) {
  return Get<api_fm_find_1>(docId, textLocp, findParamsp);
}

IntT F_ApiReplaceText(F_ObjHandleT docId, const F_TextRangeT *textRangep, ConStringT text) {
  return Status<api_fm_replace_text_1, 0>(docId, textRangep, text);
}

F_TextLocT F_ApiElementLocToTextLoc(F_ObjHandleT docId, const F_ElementLocT *elemLocp) {
  return Get<api_fm_elementloc_to_textloc_1>(docId, elemLocp);
}

F_ElementLocT F_ApiTextLocToElementLoc(F_ObjHandleT docId, const F_TextLocT *textLocp) {
  return Get<api_fm_textloc_to_elementloc_1>(docId, textLocp);
}

// ---- Spelling, dictionaries, hyphenation ----

F_TextRangeT F_ApiSpell(F_ObjHandleT docId, const F_TextLocT *textLocp,
                        const F_PropValsT *spellParamsp, IntT *resultp, F_StringsT *suggestionsp) {
  auto r = Call<api_fm_spell_1>(docId, textLocp, spellParamsp);
  GiveStrings(suggestionsp, r ? &r->suggestions : nullptr);
  if (!r || !Succeeded(r->status)) return F_TextRangeT{};
  if (resultp != nullptr) *resultp = r->code;
  return r->textRange;
}

IntT F_ApiDictionary(F_ObjHandleT docId, ConStringT word, IntT flags, IntT operation,
                     F_StringsT *wordsp) {
  auto r = Call<api_fm_dictionary_1>(docId, word, flags, operation);
  GiveStrings(wordsp, r ? &r->words : nullptr);
  if (!r) return ERR_CallFailed;
  Succeeded(r->status);
  return r->status;
}

IntT F_ApiModifyDictionary(F_ObjHandleT docId, IntT dictionary, IntT operation, ConStringT word) {
  return Status<api_fm_modifydictionary_1, 0>(docId, dictionary, operation, word);
}

IntT F_ApiResetSpelling(F_ObjHandleT docId) {
  return Status<api_fm_resetspelling_1>(docId);
}

IntT F_ApiThesaurus(IntT flags, ConStringT word, F_StringsT *meaningsp, F_StringsT *synonymsp,
                    F_StringsT *antonymsp, F_StringsT *relatedp) {
  auto r = Call<api_fm_thesaurus_1>(flags, word);
  GiveStrings(meaningsp, r ? &r->meanings : nullptr);
  GiveStrings(synonymsp, r ? &r->synonyms : nullptr);
  GiveStrings(antonymsp, r ? &r->antonyms : nullptr);
  GiveStrings(relatedp, r ? &r->related : nullptr);
  if (!r) return ERR_CallFailed;
  Succeeded(r->status);
  return r->status;
}

StringT F_ApiShowHyphenation(ConStringT word) {
  // This result carries its status after the text.
  auto r = Call<api_fm_showhyphenation_1>(word);
  if (!r || !Succeeded(r->status)) return nullptr;
  return F_ApiCopyString(r->value);
}

// ---- Structure elements ----

F_ObjHandleT F_ApiNewElement(F_ObjHandleT docId, F_ObjHandleT elemDefId,
                             const F_TextLocT *textLocp) {
  return Get<api_fm_new_element_1>(docId, elemDefId, textLocp);
}

F_ObjHandleT F_ApiNewElementInHierarchy(F_ObjHandleT docId, F_ObjHandleT elemDefId,
                                        const F_ElementLocT *elemLocp) {
  return Get<api_fm_new_element_in_hierarchy_1>(docId, elemDefId, elemLocp);
}

F_ObjHandleT F_ApiNewBookComponentInHierarchy(F_ObjHandleT bookId, ConStringT compName,
                                              const F_ElementLocT *elemLocp) {
  return Get<api_fm_new_book_component_in_hierarchy_1>(bookId, compName, elemLocp);
}

QV_ELEMENT_OPERATION(F_ApiMergeIntoFirst, api_fm_merge_into_first_1)
QV_ELEMENT_OPERATION(F_ApiMergeIntoLast, api_fm_merge_into_last_1)
QV_ELEMENT_OPERATION(F_ApiSplitElement, api_fm_split_element_1)
QV_ELEMENT_OPERATION(F_ApiUnWrapElement, api_fm_unwrap_element_1)
QV_ELEMENT_OPERATION(F_ApiPromoteElement, api_fm_promote_element_1)
QV_ELEMENT_OPERATION(F_ApiDemoteElement, api_fm_demote_element_1)

VoidT F_ApiWrapElement(F_ObjHandleT docId, F_ObjHandleT elemDefId) {
  Set<api_fm_wrap_element_1>(docId, elemDefId);
}

}  // extern "C"
