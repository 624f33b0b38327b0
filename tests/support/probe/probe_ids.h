// Resource and control ids of the test pages of the dialog framework (probe_dialogs.rc).
#pragma once

// The framework probe: every kind of handler and control call once.
#define IDD_FRAMEWORK_PROBE 9000
#define IDC_PROBE_NAME 9001
#define IDC_PROBE_ECHO 9002
#define IDC_PROBE_APPLY 9003
#define IDC_PROBE_LIST 9004
#define IDC_PROBE_AGREE 9005
#define IDC_PROBE_CELLS 9006

// The layout probe: a resizable page with anchored lists, a tree and buttons.
#define IDD_LAYOUT_PROBE 9100
#define IDC_LAYOUT_LABEL 9101
#define IDC_LAYOUT_LIST 9102
#define IDC_LAYOUT_CELLS 9103
#define IDC_LAYOUT_TREE 9104
#define IDC_LAYOUT_NESTED 9105
#define IDC_LAYOUT_SPARE 9106

// The check list probe: an owner-data list with tick boxes, grey rows and tips.
#define IDD_CHECKLIST_PROBE 9200
#define IDC_CHECKLIST_LIST 9201
