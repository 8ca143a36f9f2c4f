// Resource identifiers of the program.
#pragma once

#define IDD_VERSION_DIALOG 100
#define IDS_VERSION_MENU 101
#define IDD_CAPTURE_DIALOG 102
#define IDI_APP_ICON 128
#define IDC_START 1000
#define IDC_INTERCEPT 1001
#define IDC_STOP 1002
#define IDC_DISPLAY 1003
#define IDC_SNAPSHOT 1004
#define IDM_VERSION 0x0010
#define IDM_RECORD 0x0020
#define IDM_LOCATE_SKIN 0x0030
#define IDM_LOCATE_FACE 0x0040
