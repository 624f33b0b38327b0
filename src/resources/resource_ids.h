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

// --- Finish page ---
#define IDD_FINISH 145
#define IDC_FINISH_NOTE_FRAME 1004
#define IDC_FINISH_NOTE 1005
#define IDC_FINISH_MESSAGE 1007
#define IDC_FINISH_REGISTER 1028
#define IDC_FINISH_PICTURE 1073
// --- End of the finish page ---
