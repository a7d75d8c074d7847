// Resource and control IDs of the language library. The program addresses them by number, so
// a translated library must keep every one.
#pragma once

#define IDB_DEFAULT_LOGO 1000

#define IDD_WELCOME 26000
#define IDD_LICENSE 26001
#define IDD_PROGRESS 26003
#define IDD_COMPONENTS 26004
#define IDD_DESTINATION 26005
#define IDD_DEVICE_DRIVE 26007

#define IDC_STATIC -1
#define IDC_NEXT 3
#define IDC_BACK 4
#define IDC_README 5
#define IDC_CLEAR_ALL 6
#define IDC_LICENSE_TEXT 1011
#define IDC_ACCEPT 1012
#define IDC_PAGE_TITLE 1013
#define IDC_README_LABEL 1017
#define IDC_PROGRESS_BAR 1022
#define IDC_SELECT_ALL 1023
#define IDC_PAGE_LOGO 1025
#define IDC_COMPONENT_LIST 1033
#define IDC_BROWSE 1034
#define IDC_TARGET_DIR 1035
#define IDC_SELECTION_COUNT 1036
#define IDC_COMPONENT_INFO 1041
#define IDC_DEVICE_DRIVE 1044
// Optional: the file being copied. Libraries without it show the bar alone.
#define IDC_PROGRESS_STATUS 1051
// Optional: the lines the program rewrites when the installation is over, and when the
// product is installed already.
#define IDC_PROGRESS_TEXT 1052
#define IDC_DESTINATION_TEXT 1053
