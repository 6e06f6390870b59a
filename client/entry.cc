// The client's entry callbacks: the menus it defines at its first initialisation, and the
// client-call texts by which another client sets the target ids and runs commands.
#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>

#include "client/quorvex.h"

extern "C" {
F_ObjHandleT CallClientDocId = 0;
F_ObjHandleT CallClientBookId = 0;

VoidT QvResetClient(VoidT) {
  CallClientDocId = CallClientBookId = 0;
}
}

namespace {

struct CommandDef {
  IntT id;
  const char *name;
  const char *label;
  const char *shortcut;
};

const CommandDef kListUsage = {CMD_ListParagraphUsage, "ListParagraphUsage", "List Paragraph Usage",
                               ""};
const CommandDef kDeleteUnused = {CMD_DeleteUnusedParagraphs, "DeleteUnusedParagraphs",
                                  "Delete Unused Paragraph Tags", ""};
const CommandDef kCreateList = {CMD_CreateParagraphList, "CreateParagraphList",
                                "Create Paragraph Tag List", ""};
const CommandDef kRemoveNonlist = {CMD_RemoveNonlistParagraphs, "RemoveNonlistParagraphs",
                                   "Remove Non-list Paragraph Tags", ""};
const CommandDef kCreateConv = {CMD_CreateConversionDocument, "CreateConversionDocument",
                                "Create Conversion Document", ""};
const CommandDef kConvert = {CMD_ConvertParagraphsInDoc, "ConvertParagraphsInDoc",
                             "Convert Paragraphs", ""};
const CommandDef kRemoveOverrides = {CMD_RemoveOverrides, "RemoveOverrides", "Remove Overrides",
                                     ""};
const CommandDef kFindNext = {CMD_FindNextOverride, "FindNextOverride", "Find Next Override",
                              "\\!ov"};
const CommandDef kReportAll = {CMD_GenerateParagraphTagReport, "GenerateParagraphTagReport",
                               "All Tags", ""};
const CommandDef kReportOne = {CMD_GenerateParagraphTagReportSingle,
                               "GenerateParagraphTagReportSingle", "Selected Tag...", ""};
const CommandDef kAbout = {CMD_About, "QuorvexAbout", "About Quorvex...", ""};

const CommandDef kBookCommands[][3] = {
    {{CMD_ListParagraphUsageBook, "ListParagraphUsageBook", "List Paragraph Usage", ""},
     {CMD_ListParagraphUsageBookIndFiles, "ListParagraphUsageBookIndFiles",
      "List Paragraph Usage - Individual", ""},
     {CMD_DeleteUnusedParagraphsBook, "DeleteUnusedParagraphsBook", "Delete Unused Paragraph Tags",
      ""}},
    {{CMD_CreateParagraphListBook, "CreateParagraphListBook", "Create Paragraph Tag List", ""},
     {CMD_RemoveNonlistParagraphsBook, "RemoveNonlistParagraphsBook",
      "Remove Non-list Paragraph Tags", ""},
     {0, nullptr, nullptr, nullptr}},
    {{CMD_CreateConversionDocumentBook, "CreateConversionDocumentBook",
      "Create Conversion Document", ""},
     {CMD_ConvertParagraphsBook, "ConvertParagraphsBook", "Convert Paragraphs", ""},
     {0, nullptr, nullptr, nullptr}},
    {{CMD_RemoveOverridesBook, "RemoveOverridesBook", "Remove Overrides", ""},
     {0, nullptr, nullptr, nullptr},
     {0, nullptr, nullptr, nullptr}},
};

// Client-call texts and the commands they run, tested in this order. Two differ from the
// menu's command names ("ListParagraphUsageBookIndvidual", "ConvertParagraphsDoc").
const struct {
  const char *text;
  IntT id;
} kClientCalls[] = {
    {"QuorvexAbout", CMD_About},
    {"ListParagraphUsage", CMD_ListParagraphUsage},
    {"ListParagraphUsageBook", CMD_ListParagraphUsageBook},
    {"ListParagraphUsageBookIndvidual", CMD_ListParagraphUsageBookIndFiles},
    {"DeleteUnusedParagraphs", CMD_DeleteUnusedParagraphs},
    {"DeleteUnusedParagraphsBook", CMD_DeleteUnusedParagraphsBook},
    {"CreateParagraphList", CMD_CreateParagraphList},
    {"CreateConversionDocument", CMD_CreateConversionDocument},
    {"CreateParagraphListBook", CMD_CreateParagraphListBook},
    {"CreateConversionDocumentBook", CMD_CreateConversionDocumentBook},
    {"RemoveNonlistParagraphs", CMD_RemoveNonlistParagraphs},
    {"RemoveNonlistParagraphsBook", CMD_RemoveNonlistParagraphsBook},
    {"ConvertParagraphsDoc", CMD_ConvertParagraphsInDoc},
    {"ConvertParagraphsBook", CMD_ConvertParagraphsBook},
    {"RemoveOverrides", CMD_RemoveOverrides},
    {"RemoveOverridesBook", CMD_RemoveOverridesBook},
    {"FindNextOverride", CMD_FindNextOverride},
    {"GenerateParagraphTagReport", CMD_GenerateParagraphTagReport},
    {"GenerateParagraphTagReportSingle", CMD_GenerateParagraphTagReportSingle},
};

F_ObjHandleT Menu(const char *name) {
  return F_ApiGetNamedObject(0, OBJ_Menu, name);
}

F_ObjHandleT AddCommand(F_ObjHandleT menu, const CommandDef &c) {
  return F_ApiDefineAndAddCommand(c.id, menu, c.name, c.label, c.shortcut);
}

void AddSeparator(F_ObjHandleT menu, const char *name) {
  F_ApiAddCommandToMenu(menu, F_ApiGetNamedObject(0, OBJ_MenuItemSeparator, name));
}

// The Tools menu of a menu bar: the existing one of that name, or a new one in the bar and
// in the quick menu bar.
F_ObjHandleT ToolsMenu(const char *name, const char *bar) {
  F_ObjHandleT tools = Menu(name);
  if (tools == 0) {
    tools = F_ApiDefineAndAddMenu(Menu(bar), name, "Tools");
    F_ApiAddMenuToMenu(Menu("!QuickMakerMainMenu"), tools);
  }
  return tools;
}

// Moves the menu m of the parent p before the first item whose label sorts at or after
// "Paragraphs", ignoring case; it stays at the end when there is none.
void PlaceMenu(F_ObjHandleT p, F_ObjHandleT m) {
  F_ObjHandleT item = F_ApiGetId(0, p, PROP_FirstMenuItemInMenu);
  StringT label = item ? F_ApiGetString(0, item, PROP_Label) : nullptr;
  while (item != 0 && item != m && F_StrICmp(label, "Paragraphs") < 0) {
    item = F_ApiGetId(p, item, PROP_NextMenuItemInMenu);
    F_ApiDeallocateString(&label);
    if (item != 0) label = F_ApiGetString(0, item, PROP_Label);
  }
  if (item != 0 && item != m) F_ApiSetId(p, m, PROP_NextMenuItemInMenu, item);
  F_ApiDeallocateString(&label);
}

void BuildMenus() {
  F_ObjHandleT tools = ToolsMenu("KVTools", "!MakerMainMenu");
  F_ObjHandleT menu = F_ApiDefineMenu("Quorvex", "Paragraphs");
  AddCommand(menu, kListUsage);
  AddCommand(menu, kDeleteUnused);
  AddSeparator(menu, "Separator1");
  AddCommand(menu, kCreateList);
  AddCommand(menu, kRemoveNonlist);
  AddSeparator(menu, "Separator2");
  AddCommand(menu, kCreateConv);
  AddCommand(menu, kConvert);
  AddSeparator(menu, "Separator3");
  AddCommand(menu, kRemoveOverrides);
  AddCommand(menu, kFindNext);
  AddSeparator(menu, "Separator4");
  F_ObjHandleT report = F_ApiDefineMenu("ParagraphTagReport", "Generate Paragraph Tag Report");
  AddCommand(report, kReportAll);
  AddCommand(report, kReportOne);
  F_ApiAddMenuToMenu(menu, report);
  AddSeparator(menu, "Separator5");
  F_ObjHandleT about = AddCommand(menu, kAbout);
  F_ApiAddMenuToMenu(tools, menu);
  PlaceMenu(tools, menu);

  F_ObjHandleT bookTools = ToolsMenu("KVToolsBook", "!BookMainMenu");
  F_ObjHandleT bookMenu = F_ApiDefineMenu("QuorvexBook", "Paragraphs");
  static const char *const kSeparators[] = {"Separator1", "Separator2", "Separator3", "Separator4"};
  for (size_t group = 0; group < 4; ++group) {
    for (const CommandDef &c : kBookCommands[group])
      if (c.name) AddCommand(bookMenu, c);
    AddSeparator(bookMenu, kSeparators[group]);
  }
  F_ApiAddCommandToMenu(bookMenu, about);
  F_ApiAddMenuToMenu(bookTools, bookMenu);
  PlaceMenu(bookTools, bookMenu);
}

// The handle of "SetDocId <n>" / "SetBookId <n>": the text after the first blank, stripped
// of blanks, as an unsigned 32-bit decimal; 0 for anything else. False when the text has no
// blank (then nothing is stored).
bool ParseIdCall(ConStringT text, F_ObjHandleT *id) {
  StringT copy = F_StrCopyString(text);
  IntT blank = F_StrSubString(copy, " ");
  if (!copy || blank < 0) {
    F_Free(copy);
    return false;
  }
  TrimString(copy, blank);
  F_StrStripTrailingSpaces(copy);
  F_StrStripLeadingSpaces(copy);
  uint64_t value = 0;
  bool ok = copy[0] != '\0';
  for (const char *p = copy; ok && *p; ++p) {
    ok = *p >= '0' && *p <= '9';
    value = value * 10 + static_cast<uint64_t>(*p - '0');
    if (value > 0xFFFFFFFFu) ok = false;
  }
  *id = ok ? static_cast<F_ObjHandleT>(value) : 0;
  F_Free(copy);
  return true;
}

}  // namespace

extern "C" {

VoidT F_ApiInitialize(IntT initialization) {
  if (initialization == VAL_InitFirst) {
    BuildMenus();
    F_ApiBailOut();
  }
  F_ApiNotification(NOTE_ClientCall, 1);
}

VoidT F_ApiNotify(IntT notification, F_ObjHandleT docId, StringT sparm, IntT iparm) {
  (void)docId;
  (void)iparm;
  if (notification != NOTE_ClientCall) return;
  F_ObjHandleT id = 0;
  if (F_StrPrefix(sparm, "SetDocId") && ParseIdCall(sparm, &id)) CallClientDocId = id;
  if (F_StrPrefix(sparm, "SetBookId") && ParseIdCall(sparm, &id)) CallClientBookId = id;
  for (const auto &call : kClientCalls)
    if (F_StrEqual(sparm, call.text)) F_ApiCommand(call.id);
}

}  // extern "C"
