#include "about_box.h"

#include "app_globals.h"
#include "resource.h"

void AddAboutMenuItem(HWND mainWindow)
{
    HMENU systemMenu = GetSystemMenu(mainWindow, FALSE);
    if (!systemMenu)
        return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_ABOUT, "About Quillon...");
}

void ShowAboutBox(HWND mainWindow)
{
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUT), mainWindow, AboutDlgProc, 0);
}

INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id != IDOK && id != IDCANCEL)
            return FALSE;
        EndDialog(window, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}
