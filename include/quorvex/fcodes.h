/* The host's object-type, property, value and notification codes as the tools use them.
 * The numbers are the host's own and go over the wire unchanged; the names are ours. */
#ifndef QUORVEX_FCODES_H
#define QUORVEX_FCODES_H

/* Object types (F_ApiGetNamedObject). */
#define OBJ_PgfFmt                   32
#define OBJ_Menu                     55
#define OBJ_MenuItemSeparator        57

/* Property codes. */
#define PROP_Name                    20
#define PROP_Label                   30
#define PROP_ActiveDoc               51
#define PROP_ActiveBook              52
#define PROP_FirstOpenDoc            53
#define PROP_FontFamilyNames         55
#define PROP_FontVariationNames      56
#define PROP_FontWeightNames         57
#define PROP_FontAngleNames          58
#define PROP_ClientDirectory         89
#define PROP_Displaying              92
#define PROP_Progress                104
#define PROP_StatusLine              108
#define PROP_TextSelection           109
#define PROP_NextOpenDoc             111
#define PROP_FirstTblInDoc           120
#define PROP_FirstFlowInDoc          121
#define PROP_FirstPgfFmtInDoc        122
#define PROP_SelectedTbl             129
#define PROP_DocBatchFlag            155
#define PROP_CurrentPage             236
#define PROP_DisplayUnits            390
#define PROP_FontDisplayUnits        396
#define PROP_FirstPageListA          417
#define PROP_FirstPageListB          419
#define PROP_MainFlowInDoc           422
#define PROP_FirstComponentInBook    491
#define PROP_NextComponentInBook     527
#define PROP_Alignment               547
#define PROP_AutonumFormat           548
#define PROP_AutonumCharFmt          549
#define PROP_LetterSpacing           550
#define PROP_KeepWithPrev            551
#define PROP_NextTag                 552
#define PROP_SpaceAbove              553
#define PROP_FrameAbove              554
#define PROP_LeftIndent              555
#define PROP_FirstIndent             556
#define PROP_OptWordSpacing          557
#define PROP_LineSpacing             558
#define PROP_HyphMaxAdjacent         559
#define PROP_HyphShortestSuffix      560
#define PROP_WidowOrphanLines        561
#define PROP_Autonumbering           562
#define PROP_NumberAtEnd             563
#define PROP_Hyphenate               564
#define PROP_KeepWithNext            565
#define PROP_UseNextTag              566
#define PROP_Start                   567
#define PROP_SpaceBelow              568
#define PROP_FrameBelow              569
#define PROP_RightIndent             570
#define PROP_MinWordSpacing          571
#define PROP_MaxWordSpacing          572
#define PROP_Tabs                    574
#define PROP_HyphShortestPrefix      575
#define PROP_HyphShortestWord        576
#define PROP_Language                577
#define PROP_RunInDefaultPunct       578
#define PROP_Placement               579
#define PROP_NextPgfFmtInDoc         580
#define PROP_CellTopMargin           581
#define PROP_CellBottomMargin        582
#define PROP_CellLeftMargin          583
#define PROP_CellRightMargin         584
#define PROP_CellVAlignment          585
#define PROP_CellMarginFlags         586
#define PROP_LineSpacingNotFixed     587
#define PROP_PgfLocked               588
#define PROP_BookmarkLevel           589
#define PROP_PgfOverride             590
#define PROP_StructureLevel          600
#define PROP_FontFamily              604
#define PROP_FontVariation           605
#define PROP_FontWeight              606
#define PROP_FontAngle               607
#define PROP_Underlining             608
#define PROP_Strikethrough           609
#define PROP_Overline                610
#define PROP_ChangeBar               611
#define PROP_PairKern                614
#define PROP_FontSize                615
#define PROP_Spread                  618
#define PROP_Capitalization          619
#define PROP_Position                620
#define PROP_Stretch                 643
#define PROP_NextPageInList          694
#define PROP_NextPgfInFlow           717
#define PROP_Color                   751
#define PROP_FirstPgf                972
#define PROP_LastPgf                 973
#define PROP_NextTextFrameInFlow     981
#define PROP_TextFrameFlow           982
#define PROP_PgfCell                 1000
#define PROP_PgfTextFrame            1001
#define PROP_NextFlowInDoc           1162
#define PROP_FirstTextFrameInFlow    1169
#define PROP_LastTextFrameInFlow     1170
#define PROP_CellRow                 1198
#define PROP_NextCellInRow           1202
#define PROP_CellColNum              1205
#define PROP_NextRowInTbl            1245
#define PROP_FirstCellInRow          1247
#define PROP_TblInitSetting          1289
#define PROP_NextTblInDoc            1337
#define PROP_FirstRowInTbl           1338
#define PROP_TblColWidths            1345
#define PROP_ElementCatalog          1488
#define PROP_AttributeDefs           1584
#define PROP_Attributes              1634
#define PROP_NextMenuItemInMenu      1923
#define PROP_FirstMenuItemInMenu     1927
#define PROP_NamedDestination        2258

/* Property and argument values. */
#define VAL_AlertOkCancel            1
#define VAL_InitFirst                1
#define VAL_AlertNote                2
#define VAL_AlertWarning             3
#define VAL_ObjEndOffset             0x50000000

/* Notification codes. */
#define NOTE_ClientCall              13
#define NOTE_FileToFile              75

/* Text item data types. */
#define TI_String                    1

/* Host function codes (F_ApiFcodes). */
#define FCODE_ShowSelection          0x103

#endif /* QUORVEX_FCODES_H */
