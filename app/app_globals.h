// The process-wide state of the program: the module, the main window and its two icons.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;  // set first thing in WinMain, never changed
extern HWND g_hMainWnd;        // set when the main window's creation returns; null during WM_INITDIALOG
extern HICON g_hIconSmall;     // loaded at WM_INITDIALOG, kept for the life of the process
extern HICON g_hIconLarge;
