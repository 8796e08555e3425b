// The main window as the change path reaches it: its handle, and its status line. The shell
// (app/) creates the window and sets the handle; the Change MAC command (change/) shows its
// steps and outcomes in the status line and sends the window its refresh command.
#pragma once

#include <windows.h>

// Set when the main window's creation returns; null during its WM_INITDIALOG.
extern HWND g_hMainWnd;

// Replaces the status line of the main window (g_hMainWnd, whichever window is active) and
// paints it at once: the window does not repaint on its own while a restart blocks it.
void SetStatusText(const char* text);
