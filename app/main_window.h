// The main window: a modeless dialog from the template IDD_MAIN.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

