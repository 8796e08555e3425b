// The process-wide state of the shell: the module and the main window's two icons. The main
// window's handle is in status_line.h, where the change path reaches it too.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;  // set first thing in WinMain, never changed
extern HICON g_hIconSmall;     // loaded at WM_INITDIALOG, kept for the life of the process
extern HICON g_hIconLarge;
