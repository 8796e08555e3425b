// The main window as the change path reaches it: its handle, and its status line. The shell
// (app/) creates the window and sets the handle; the Change MAC command (change/) shows its
// steps and outcomes in the status line and sends the window its refresh command.
#pragma once

#include <windows.h>

// Set when the main window's creation returns; null during its WM_INITDIALOG.
extern HWND g_hMainWnd;

// Replaces the status line of the main window (g_hMainWnd, whichever window is active), paints it
// at once (the window does not repaint on its own while a restart blocks it), and tells the
// accessibility layer, so that a screen reader speaks it: the status line is a polite live region
// from its first text on.
void SetStatusText(const char* text);
