// Resource and control ids shared by the .rc files and the portable pages.
#pragma once

#define IDI_PROGRAM 128

// Maintenance page.
#define IDD_MAINTENANCE 131
#define IDC_MAINT_HELP 1000
#define IDC_MAINT_SWITCH 1002
#define IDC_MAINT_EXIT 1007
#define IDC_MAINT_HEADLINE 1008
#define IDC_MAINT_LIST 1024
#define IDC_MAINT_EXPLANATION 1025
#define IDC_MAINT_UNINSTALL 1026
#define IDC_MAINT_SAVE 1072
#define IDC_MAINT_TREE 1074

// Active-environment selection dialog.
#define IDD_ACTIVE_SELECT 136
#define IDC_SELECT_CLOSE 1007
#define IDC_SELECT_OK 1054
#define IDC_SELECT_INSTRUCTION 1055
#define IDC_SELECT_NOTE 1056
#define IDC_SELECT_LIST 1058

// Select-installer page.
#define IDD_SELECT_INSTALLER 130
#define IDC_INST_EXIT 1007
#define IDC_INST_HEADLINE 1008
#define IDC_INST_INSTALL 1006
#define IDC_INST_INSTRUCTION 1015
#define IDC_INST_BROWSE 1016
#define IDC_INST_BACK 1017
#define IDC_INST_DETAIL 1018
#define IDC_INST_DESCRIPTION 1019
#define IDC_INST_LIST 1023
#define IDC_INST_HINT 1032
#define IDC_INST_RESTART_ADVICE 1033
#define IDC_INST_PATH 1034

// --- Destination folder page ---------------------------------------------------------------
#define IDD_DEST_FOLDER 141
#define IDC_DEST_NEXT 1006
#define IDC_DEST_TITLE 1059
#define IDC_DEST_EXPLANATION 1060
#define IDC_DEST_FRAME 1061
#define IDC_DEST_FOLDER 1062
#define IDC_DEST_CHANGE 1063
#define IDC_DEST_EXIT 1066
// --- End of the destination folder page ------------------------------------------------------

// --- Finish page ---
#define IDD_FINISH 145
#define IDC_FINISH_NOTE_FRAME 1004
#define IDC_FINISH_NOTE 1005
#define IDC_FINISH_MESSAGE 1007
#define IDC_FINISH_REGISTER 1028
#define IDC_FINISH_PICTURE 1073
// --- End of the finish page ---

// --- Main menu page ---
#define IDD_MAIN_MENU 103
#define IDC_MENU_READ_FIRST 1000
#define IDC_MENU_MAINTENANCE 1002
#define IDC_MENU_DETAIL_FRAME 1004
#define IDC_MENU_EXPLANATION 1005
#define IDC_MENU_STANDARD 1007
#define IDC_MENU_MULTI 1008
#define IDC_MENU_PICTURE 1073
// --- End of the main menu page ---
