// Control and resource ids, shared by the resource script and the code.
#pragma once

// Dialog templates
#define IDD_ABOUT 103
#define IDD_MAIN 129

// Icons
#define IDI_APP_LARGE 107
#define IDI_APP_SMALL 108

// System-menu item
#define IDM_ABOUT 16

// Controls of the main window (IDCANCEL = 2 is the "Close" button)
#define IDC_CONNECTION 1000
#define IDC_CURRENT_MAC 1001
#define IDC_NEW_MAC 1002
#define IDC_GENERATE 1003
#define IDC_CHANGE_MAC 1004
#define IDC_STATUS 1005
#define IDC_REFRESH 1006
#define IDC_FACTORY_DEFAULT 1007

// Controls of the About box
#define IDC_ABOUT_ICON 1008
