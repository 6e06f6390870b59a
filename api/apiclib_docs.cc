// Interface calls on documents and books: create, open, save, import, export, close and the
// document-wide operations.
#include "apiclib.h"

using namespace qvcalls;

namespace {

// The list of parameters that the host handed back on the last call of one operation. The
// interface owns it; callers see it through the pointer the operation stores in their variable.
struct ReturnedParams {
  F_PropValsT list{0, nullptr};

  // Replaces the list with a copy of what the host returned (an absent list gives the empty
  // list), after releasing what the caller's variable pointed to and the list's own earlier
  // contents, and points the caller's variable at it.
  void Take(const F_PropValsT *returned, F_PropValsT **callerp) {
    if (callerp != nullptr) F_ApiDeallocatePropVals(*callerp);
    F_ApiDeallocatePropVals(&list);
    list = F_ApiCopyPropVals(returned);
    if (callerp != nullptr) *callerp = &list;
  }
};

ReturnedParams open_params, save_params, import_params, export_params, update_book_params;

template <class R>
F_ObjHandleT HandleOf(const R &r) {
  if constexpr (requires { r.docId; }) {
    return r.docId;
  } else {
    return r.objId;
  }
}

// Open, save and import answer a handle with the returned list; a host status gives 0.
template <auto Stub, class... P>
F_ObjHandleT HandleWithParams(ReturnedParams &store, F_PropValsT **returnParamspp, P... fields) {
  auto r = Call<Stub>(fields...);
  if (!r) return 0;
  store.Take(r->returnParams, returnParamspp);
  return Succeeded(r->status) ? HandleOf(*r) : 0;
}

template <auto Stub, IntT Failed, class... P>
IntT StatusWithParams(ReturnedParams &store, F_PropValsT **returnParamspp, P... fields) {
  auto r = Call<Stub>(fields...);
  if (!r) return Failed;
  store.Take(r->returnParams, returnParamspp);
  Succeeded(r->status);
  return r->status;
}

}  // namespace

// Document-wide operations that take only the document and answer a status.
#define QV_DOC_OPERATION(name, stub) \
  IntT name(F_ObjHandleT docId) {    \
    return Status<stub>(docId);      \
  }
#define QV_EDIT_OPERATION(name, stub)         \
  IntT name(F_ObjHandleT docId, IntT flags) { \
    return Status<stub>(docId, flags);        \
  }

extern "C" {

F_ObjHandleT F_ApiCustomDoc(MetricT width, MetricT height, IntT numCols, MetricT columnGap,
                            MetricT topMargin, MetricT bottomMargin, MetricT leftInsideMargin,
                            MetricT rightOutsideMargin, IntT sidedness, IntT makeVisible) {
  return Get<api_fm_custom_1>(width, height, numCols, columnGap, topMargin, bottomMargin,
                              leftInsideMargin, rightOutsideMargin, sidedness, makeVisible);
}

F_ObjHandleT F_ApiOpen(ConStringT fileName, const F_PropValsT *openParamsp,
                       F_PropValsT **returnParamspp) {
  return HandleWithParams<api_fm_open_1>(open_params, returnParamspp, fileName, openParamsp);
}

F_ObjHandleT F_ApiSave(F_ObjHandleT docId, ConStringT saveAsName, const F_PropValsT *saveParamsp,
                       F_PropValsT **returnParamspp) {
  return HandleWithParams<api_fm_save_1>(save_params, returnParamspp, saveAsName, docId,
                                         saveParamsp);
}

F_ObjHandleT F_ApiImport(F_ObjHandleT enclosingDocId, const F_TextLocT *textLocp,
                         ConStringT fileName, const F_PropValsT *importParamsp,
                         F_PropValsT **returnParamspp) {
  return HandleWithParams<api_fm_import_1>(import_params, returnParamspp, fileName, enclosingDocId,
                                           textLocp, importParamsp);
}

IntT F_ApiExport(F_ObjHandleT docId, ConStringT fileName, const F_PropValsT *exportParamsp,
                 F_PropValsT **returnParamspp) {
  return StatusWithParams<api_fm_export_1, 0>(export_params, returnParamspp, fileName, docId,
                                              exportParamsp);
}

IntT F_ApiUpdateBook(F_ObjHandleT bookId, const F_PropValsT *updateParamsp,
                     F_PropValsT **returnParamspp) {
  return StatusWithParams<api_fm_update_book_1, ERR_CallFailed>(update_book_params, returnParamspp,
                                                                bookId, updateParamsp);
}

IntT F_ApiClose(F_ObjHandleT docId, IntT flags) {
  return Status<api_fm_close_1>(docId, flags);
}

IntT F_ApiSimpleImportFormats(F_ObjHandleT docId, F_ObjHandleT fromDocId, IntT formatFlags) {
  return Status<api_fm_simple_import_formats_1>(docId, fromDocId, formatFlags);
}

IntT F_ApiSimpleImportElementDefs(F_ObjHandleT docId, F_ObjHandleT fromDocId, IntT importFlags) {
  return Status<api_fm_simple_import_element_defs_1>(docId, fromDocId, importFlags);
}

IntT F_ApiSimpleGenerate(F_ObjHandleT bookId, IntT interactive, IntT makeVisible) {
  return Status<api_fm_simple_generate_1>(bookId, interactive, makeVisible);
}

F_CompareRetT F_ApiCompare(F_ObjHandleT olderId, F_ObjHandleT newerId, IntT flags,
                           ConStringT insertCondTag, ConStringT deleteCondTag,
                           ConStringT replaceText, IntT compareThreshold) {
  auto r = Call<api_fm_compare_1>(olderId, newerId, flags, insertCondTag, deleteCondTag,
                                  replaceText, compareThreshold);
  if (!r || !Succeeded(r->status)) return F_CompareRetT{0, 0};
  return F_CompareRetT{r->sumDocId, r->compDocId};
}

F_ObjHandleT F_ApiCacheDocument(F_ObjHandleT docId) {
  return Get<api_fm_cache_doc_1>(docId);
}

IntT F_ApiSilentPrintDoc(F_ObjHandleT docId) {
  return Status<api_fm_silent_print_doc_1>(docId);
}

QV_EDIT_OPERATION(F_ApiCut, api_fm_cut_1)
QV_EDIT_OPERATION(F_ApiClear, api_fm_clear_1)
QV_EDIT_OPERATION(F_ApiCopy, api_fm_copy_1)
QV_EDIT_OPERATION(F_ApiPaste, api_fm_paste_1)
QV_EDIT_OPERATION(F_ApiUpdateXRefs, api_fm_update_xrefs_1)

QV_DOC_OPERATION(F_ApiRestartPgfNumbering, api_fm_restart_pgf_numbering_1)
QV_DOC_OPERATION(F_ApiResetReferenceFrames, api_fm_reset_reference_frames_1)
QV_DOC_OPERATION(F_ApiRehyphenate, api_fm_rehyphenate_1)
QV_DOC_OPERATION(F_ApiReformat, api_fm_reformat_1)
QV_DOC_OPERATION(F_ApiRedisplay, api_fm_redisplay_1)
QV_DOC_OPERATION(F_ApiClearAllChangebars, api_fm_clear_all_changebars_1)
QV_DOC_OPERATION(F_ApiResetEqnSettings, api_fm_reset_eqn_settings_1)
QV_DOC_OPERATION(F_ApiUpdateVariables, api_fm_update_variables_1)

IntT F_ApiApplyPageLayout(F_ObjHandleT docId, F_ObjHandleT bodyPageId,
                          F_ObjHandleT templatePageId) {
  return Status<api_fm_apply_page_layout_1>(docId, bodyPageId, templatePageId);
}

IntT F_ApiUpdateTextInset(F_ObjHandleT docId, F_ObjHandleT insetId) {
  return Status<api_fm_update_textinset_1>(docId, insetId);
}

IntT F_ApiDeleteTextInsetContents(F_ObjHandleT docId, F_ObjHandleT insetId) {
  return Status<api_fm_delete_textinset_contents_1>(docId, insetId);
}

}  // extern "C"
