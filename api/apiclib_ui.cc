// Interface calls that ask the user: alerts, prompts, choosers, scroll boxes and dialogs.
#include "apiclib.h"

using namespace qvcalls;

extern "C" {

IntT F_ApiAlert(ConStringT message, IntT type) {
  return Answer<api_fm_alert_1>(message, type);
}

IntT F_ApiPromptInt(IntT *intp, ConStringT message, ConStringT defaultText) {
  return Prompt<api_fm_prompt_int_1>(intp, message, defaultText);
}

IntT F_ApiPromptMetric(MetricT *metricp, ConStringT message, ConStringT defaultText,
                       MetricT defaultUnit) {
  return Prompt<api_fm_prompt_metric_1>(metricp, message, defaultText, defaultUnit);
}

IntT F_ApiPromptString(StringT *stringp, ConStringT message, ConStringT defaultText) {
  return Prompt<api_fm_prompt_string_1>(stringp, message, defaultText);
}

IntT F_ApiChooseFile(StringT *choicep, ConStringT title, ConStringT directory,
                     ConStringT defaultName, IntT mode, ConStringT helpLink) {
  return Prompt<api_fm_choose_file_1>(choicep, title, directory, defaultName, mode, helpLink);
}

IntT oldF_ApiChooseFile(StringT *choicep, ConStringT title, ConStringT directory,
                        ConStringT defaultName, IntT mode) {
  return Prompt<old_api_fm_choose_file_1>(choicep, title, directory, defaultName, mode);
}

IntT F_ApiFileScrollBox(StringT *choicep, ConStringT title, ConStringT directory) {
  return oldF_ApiChooseFile(choicep, title, directory, "", 0);
}

IntT F_ApiScrollBox(IntT *selectedp, ConStringT title, const F_StringsT *items, IntT defaultIndex) {
  return Prompt<api_fm_scroll_box_1>(selectedp, title, defaultIndex, items);
}

IntT F_ApiQuickSelect(F_ObjHandleT docId, ConStringT prompt, const F_StringsT *choices) {
  auto r = Call<api_fm_quick_select_1>(docId, prompt, choices);
  return Translate(r, IntT{-1});
}

F_PointT F_ApiPromptPoint(F_ObjHandleT docId, F_ObjHandleT objId, IntT flags) {
  return Get<api_fm_prompt_point_1>(docId, objId, flags);
}

F_RectT F_ApiPromptRect(F_ObjHandleT docId, F_ObjHandleT objId, IntT flags) {
  return Get<api_fm_prompt_rect_1>(docId, objId, flags);
}

F_ObjHandleT F_ApiOpenResource(IntT resourceType, ConStringT resourceName) {
  return Get<api_fm_open_resource_1>(resourceType, resourceName);
}

IntT F_ApiModalDialog(IntT initValue, F_ObjHandleT dlgId) {
  IntT answer;
  {
    auto r = Call<api_fm_modal_dialog_1>(initValue, dlgId);
    if (!r) return 0;
    answer = *r;
  }
  // The dialog's events arrive as callbacks until the one that ends it.
  return initValue != 0 ? F_ApiServiceModalCallbacks() : answer;
}

IntT F_ApiModelessDialog(IntT initValue, F_ObjHandleT dlgId) {
  return Answer<api_fm_modeless_dialog_1, 0>(initValue, dlgId);
}

F_ObjHandleT F_ApiDialogItemId(F_ObjHandleT dlgId, IntT itemNum) {
  return Get<api_fm_dialog_item_id_1>(dlgId, itemNum);
}

IntT F_ApiUserInteractSelection(IntT flags) {
  return Status<api_fm_user_interact_selection_1>(flags);
}

IntT F_ApiCenterOnGraphicObject(F_ObjHandleT docId, F_ObjHandleT objId) {
  return Status<api_fm_center_on_graphic_object_1>(docId, objId);
}

IntT F_ApiChangeColorPalette(F_ObjHandleT docId, const F_MetricsT *colors1, F_ObjHandleT id2,
                             const F_MetricsT *colors2, F_ObjHandleT id3, const F_MetricsT *colors3,
                             F_ObjHandleT id4, const F_MetricsT *colors4, const F_MetricsT *colors5,
                             F_ObjHandleT flags) {
  return Status<api_fm_change_color_palette_1>(docId, colors1, id2, colors2, id3, colors3, id4,
                                               colors4, colors5, flags);
}

}  // extern "C"
