// Resource and control ids shared by the .rc files and the portable pages.
#pragma once

#define IDI_PROGRAM 128

// Test page of the dialog framework.
#define IDD_FRAMEWORK_PROBE 9000
#define IDC_PROBE_NAME 9001
#define IDC_PROBE_ECHO 9002
#define IDC_PROBE_APPLY 9003
#define IDC_PROBE_LIST 9004
#define IDC_PROBE_AGREE 9005
#define IDC_PROBE_CELLS 9006
