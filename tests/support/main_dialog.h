// The main window from the real template, created in the test's own process (the test
// executable links the program's resources). Sets g_hInstance and g_hMainWnd.
#pragma once

#include <windows.h>

// With the program's MainDlgProc, WM_INITDIALOG fills the connection list and selects the first
// connection; with `programProcedure` false the window only holds the controls.
HWND CreateMainDialog(bool programProcedure);
