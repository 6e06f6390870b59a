// Interface calls of the client and session, menus, commands and notifications.
#include "apiclib.h"

using namespace qvcalls;

extern "C" {

// ---- Client and session ----

IntT F_ApiClientNumber(VoidT) {
  return Answer<api_client_number_1>();
}

StringT F_ApiClientName(VoidT) {
  auto r = Call<api_client_name_1>();
  return r ? F_ApiCopyString(*r) : nullptr;
}

StringT F_ApiClientDir(VoidT) {
  auto r = Call<api_client_directory_1>();
  return r ? F_ApiCopyString(*r) : nullptr;
}

IntT F_ApiSetClientDir(ConStringT dir) {
  return Answer<api_set_client_directory_1>(dir);
}

IntT F_ApiCallClient(ConStringT clientName, ConStringT arg) {
  return Get<api_fm_call_client_1>(clientName, arg);
}

IntT F_ApiReturnValue(IntT value) {
  return Answer<api_fm_return_value_1, 0>(value);
}

IntT F_ApiSleep(IntT seconds) {
  return Call<api_fm_sleep_1>(seconds) ? 0 : seconds;
}

IntT F_ApiUSleep(IntT microseconds) {
  return Call<api_fm_usleep_1>(microseconds) ? 0 : microseconds;
}

IntT F_ApiUserCancel(VoidT) {
  return Answer<api_fm_user_cancel_1>();
}

IntT F_ApiSystemShell(ConStringT command) {
  return Answer<api_fm_system_shell_1>(command);
}

IntT F_ApiForkAndExec(ConStringT path, const F_StringsT *args) {
  return Answer<api_fm_fork_and_exec_1>(path, args);
}

VoidT F_ApiPushClipboard(VoidT) {
  (void)Call<api_fm_push_clipboard_1>();
}

IntT F_ApiPopClipboard(VoidT) {
  return Status<api_fm_pop_clipboard_1>();
}

// ---- Menus, commands and notifications ----

IntT F_ApiMenuExists(ConStringT menuName) {
  return Answer<api_fm_menu_exists_1>(menuName);
}

IntT F_ApiShortcutExists(ConStringT shortcut) {
  return Answer<api_fm_shortcut_exists_1>(shortcut);
}

IntT F_ApiAddMenu(ConStringT toMenu, ConStringT menuName, ConStringT label) {
  return Status<api_fm_add_menu_1>(toMenu, menuName, label);
}

IntT F_ApiRemoveMenu(ConStringT fromMenu, ConStringT menuName) {
  return Status<api_fm_remove_menu_1>(fromMenu, menuName);
}

IntT F_ApiAddCommand(IntT cmd, ConStringT toMenu, ConStringT name, ConStringT label,
                     ConStringT shortcut) {
  return Status<api_fm_add_command_1>(cmd, toMenu, name, label, shortcut);
}

F_ObjHandleT F_ApiDefineCommand(IntT cmd, ConStringT name, ConStringT label, ConStringT shortcut) {
  return Get<api_fm_define_command_1>(cmd, name, label, shortcut);
}

F_ObjHandleT F_ApiDefineMenu(ConStringT name, ConStringT label) {
  return Get<api_fm_define_menu_1>(name, label);
}

IntT F_ApiAddCommandToMenu(F_ObjHandleT menuId, F_ObjHandleT cmdId) {
  return Status<api_fm_add_command_to_menu_1>(menuId, cmdId);
}

IntT F_ApiAddMenuToMenu(F_ObjHandleT toMenuId, F_ObjHandleT menuId) {
  return Status<api_fm_add_menu_to_menu_1>(toMenuId, menuId);
}

F_ObjHandleT F_ApiDefineAndAddCommand(IntT cmd, F_ObjHandleT toMenuId, ConStringT name,
                                      ConStringT label, ConStringT shortcut) {
  return Get<api_fm_define_and_add_command_1>(cmd, toMenuId, name, label, shortcut);
}

F_ObjHandleT F_ApiDefineAndAddMenu(F_ObjHandleT toMenuId, ConStringT name, ConStringT label) {
  return Get<api_fm_define_and_add_menu_1>(toMenuId, name, label);
}

IntT F_ApiLoadMenuCustomizationFile(ConStringT pathname, IntT silent) {
  return Status<api_fm_load_menu_customization_file_1>(pathname, silent);
}

IntT F_ApiAnimateMenu(F_ObjHandleT docId, F_ObjHandleT menuId, IntT flags, ConStringT label,
                      F_ObjHandleT itemId, IntT mode) {
  return Status<api_fm_animate_menu_1>(docId, menuId, flags, label, itemId, mode);
}

F_ObjHandleT F_ApiMenuItemInMenu(F_ObjHandleT menuId, F_ObjHandleT itemId, IntT recursive) {
  return Get<api_fm_menu_item_in_menu_1>(menuId, itemId, recursive);
}

IntT F_ApiNotification(IntT notification, IntT state) {
  return Status<api_fm_notification_1>(notification, state);
}

IntT F_ApiFcodes(IntT count, const IntT *codes) {
  // A negative count, or no codes at all, sends the empty list.
  F_IntsT list{count > 0 && codes != nullptr ? static_cast<UIntT>(count) : 0u,
               const_cast<IntT *>(codes)};
  return Status<api_fm_fcodes_1>(&list);
}

IntT F_ApiHypertextCommand(F_ObjHandleT docId, ConStringT command) {
  return Status<api_fm_hypertext_command_1>(docId, command);
}

}  // extern "C"
