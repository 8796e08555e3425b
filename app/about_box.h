// The About box and its item in the main window's system menu.
#pragma once

#include <windows.h>

void AddAboutMenuItem(HWND mainWindow);
void ShowAboutBox(HWND mainWindow);
INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
